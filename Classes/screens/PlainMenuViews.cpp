#include "screens/PlainMenuViews.h"

#include "ui/ScreenHost.h"

namespace {

using Choice = MenuScreenView::Choice;

constexpr Choice go(int screen) {
    return {Choice::Go, screen, -1};
}

// Every plain menu's buttons, one menu after another.
constexpr HitArea<Choice> kButtons[] = {
    // The main menu. The guitar chooser's button lies over a corner of the
    // recorder's: the chooser, first, wins there.
    {{166, 151, 151, 196}, go(ScreenHost::kChooseGuitar)},
    {{40, 53, 125, 178}, go(ScreenHost::kSetupMenu)},
    {{29, 260, 146, 179}, go(ScreenHost::kRecorder)},
    {{276, 438, 45, 43}, go(ScreenHost::kManual)},
    // The guitar chooser.
    {{169, 54, 151, 175}, go(ScreenHost::kManualFretGuitar)},
    {{160, 246, 160, 179}, go(ScreenHost::kHammerOnGuitar)},
    {{44, 76, 124, 160}, go(ScreenHost::kTabGuitar)},
    {{26, 250, 128, 187}, go(ScreenHost::kScaleGuitar)},
    // The setup menu.
    {{144, 55, 145, 181}, go(ScreenHost::kEffectsSetupMenu)},
    {{144, 236, 145, 177}, go(ScreenHost::kGuitarPatchMenu)},
    {{26, 176, 118, 158}, go(ScreenHost::kAppSetup)},
};
constexpr std::span<const HitArea<Choice>> kAll = kButtons;

} // namespace

PlainMenuView::PlainMenuView(ScreenHost* parent, const std::string& picture,
                             std::span<const HitArea<Choice>> areas, bool cornerButtons)
    : MenuScreenView(parent, picture), areas_(areas), cornerButtons_(cornerButtons) {}

MenuScreenView::Choice PlainMenuView::choiceAt(Point p) const {
    const Choice corner = cornerButtons_ ? cornerChoice(p) : Choice::none();
    return corner.kind != Choice::None ? corner : choiceIn(areas_, p);
}

MenuMainView::MenuMainView(ScreenHost* parent)
    : PlainMenuView(parent, "MenuMainBack.jpg", kAll.subspan(0, 4), false) {}

ChooseGuitarView::ChooseGuitarView(ScreenHost* parent)
    : PlainMenuView(parent, "MenuChooseGuitarBack.jpg", kAll.subspan(4, 4), true) {}

MenuSetupView::MenuSetupView(ScreenHost* parent)
    : PlainMenuView(parent, "MenuSetupBack.jpg", kAll.subspan(8, 3), true) {}
