#include "screens/MenuSetupView.h"

#include "ui/ScreenHost.h"

namespace {

using Choice = MenuScreenView::Choice;

constexpr HitArea<Choice> kAreas[] = {
    {{144, 55, 145, 181}, Choice{Choice::Go, ScreenHost::kEffectsSetupMenu, -1}},
    {{144, 236, 145, 177}, Choice{Choice::Go, ScreenHost::kGuitarPatchMenu, -1}},
    {{26, 176, 118, 158}, Choice{Choice::Go, ScreenHost::kAppSetup, -1}},
};

} // namespace

MenuSetupView::MenuSetupView(ScreenHost* parent) : MenuScreenView(parent, "MenuSetupBack.jpg") {}

std::span<const HitArea<Choice>> MenuSetupView::areas() {
    return kAreas;
}

Choice MenuSetupView::choiceForPoint(Point p) {
    const Choice corner = cornerChoice(p);
    return corner.kind != Choice::None ? corner : choiceIn(areas(), p);
}
