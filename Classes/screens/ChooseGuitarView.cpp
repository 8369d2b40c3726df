#include "screens/ChooseGuitarView.h"

#include "ui/ScreenHost.h"

namespace {

using Choice = MenuScreenView::Choice;

constexpr HitArea<Choice> kAreas[] = {
    {{169, 54, 151, 175}, Choice{Choice::Go, ScreenHost::kManualFretGuitar, -1}},
    {{160, 246, 160, 179}, Choice{Choice::Go, ScreenHost::kHammerOnGuitar, -1}},
    {{44, 76, 124, 160}, Choice{Choice::Go, ScreenHost::kTabGuitar, -1}},
    {{26, 250, 128, 187}, Choice{Choice::Go, ScreenHost::kScaleGuitar, -1}},
};

} // namespace

ChooseGuitarView::ChooseGuitarView(ScreenHost* parent) : MenuScreenView(parent, "MenuChooseGuitarBack.jpg") {}

std::span<const HitArea<Choice>> ChooseGuitarView::areas() {
    return kAreas;
}

Choice ChooseGuitarView::choiceForPoint(Point p) {
    const Choice corner = cornerChoice(p);
    return corner.kind != Choice::None ? corner : choiceIn(areas(), p);
}
