#include "screens/PlainMenuViews.h"

#include <algorithm>
#include <array>

#include "ui/ScreenCatalog.h"
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
    // The setup menu.
    {{144, 55, 145, 181}, go(ScreenHost::kEffectsSetupMenu)},
    {{144, 236, 145, 177}, go(ScreenHost::kGuitarPatchMenu)},
    {{26, 176, 118, 158}, go(ScreenHost::kAppSetup)},
};
constexpr std::span<const HitArea<Choice>> kAll = kButtons;

// The guitar chooser: a button for every playing screen, where the catalog
// puts it on the picture.
constexpr auto kChooserButtons = [] {
    std::array<HitArea<Choice>,
               std::ranges::count(ScreenCatalog::kScreens, ScreenKind::Playing, &ScreenInfo::kind)>
        out{};
    size_t i = 0;
    for (const ScreenInfo& screen : ScreenCatalog::kScreens)
        if (screen.kind == ScreenKind::Playing)
            out[i++] = {screen.chooserButton, go(screen.number)};
    return out;
}();

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
    : PlainMenuView(parent, "MenuChooseGuitarBack.jpg", kChooserButtons, true) {}

MenuSetupView::MenuSetupView(ScreenHost* parent)
    : PlainMenuView(parent, "MenuSetupBack.jpg", kAll.subspan(4, 3), true) {}
