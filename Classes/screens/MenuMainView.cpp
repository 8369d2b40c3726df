#include "screens/MenuMainView.h"

#include "ui/ScreenHost.h"

namespace {

using Choice = MenuScreenView::Choice;

// The guitar chooser's button lies over a corner of the recorder's: the
// chooser, first, wins there.
constexpr HitArea<Choice> kAreas[] = {
    {{166, 151, 151, 196}, Choice{Choice::Go, ScreenHost::kChooseGuitar, -1}},
    {{40, 53, 125, 178}, Choice{Choice::Go, ScreenHost::kSetupMenu, -1}},
    {{29, 260, 146, 179}, Choice{Choice::Go, ScreenHost::kRecorder, -1}},
    {{276, 438, 45, 43}, Choice{Choice::Go, ScreenHost::kManual, -1}},
};

} // namespace

MenuMainView::MenuMainView(ScreenHost* parent) : MenuScreenView(parent, "MenuMainBack.jpg") {}

std::span<const HitArea<Choice>> MenuMainView::areas() {
    return kAreas;
}

Choice MenuMainView::choiceForPoint(Point p) {
    return choiceIn(areas(), p);
}
