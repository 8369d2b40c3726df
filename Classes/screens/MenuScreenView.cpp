#include "screens/MenuScreenView.h"

#include "ui/ScreenHost.h"

namespace {

using Choice = MenuScreenView::Choice;

constexpr HitArea<Choice> kCornerAreas[] = {
    {{276, -1, 45, 42}, Choice{Choice::Back, -1, -1}},
    {{276, 438, 45, 43}, Choice{Choice::Go, ScreenHost::kManual, -1}},
};

} // namespace

std::span<const HitArea<Choice>> MenuScreenView::cornerAreas() {
    return kCornerAreas;
}

Choice MenuScreenView::choiceIn(std::span<const HitArea<Choice>> areas, Point p) {
    return hitActionInside(areas, p).value_or(Choice::none());
}

Choice MenuScreenView::cornerChoice(Point p) {
    return choiceIn(cornerAreas(), p);
}

std::unique_ptr<Label> MenuScreenView::sidewaysLabel(Point centre, float along, float across, float fontSize,
                                                     TextAlignment alignment) {
    auto label = std::make_unique<Label>(Rect{centre.x - along / 2, centre.y - across / 2, along, across});
    label->setFont("Arial", fontSize);
    label->setTextColor(Color::black());
    label->setBackgroundColor(Color::clear());
    label->setTextAlignment(alignment);
    label->setRotation(kQuarterTurn);
    return label;
}

MenuScreenView::MenuScreenView(ScreenHost* parent, const std::string& backgroundImage) : parent_(parent) {
    setBackgroundImage(backgroundImage);
    // The picture may be missing from the bundle: the screen still covers the
    // whole view and takes its touches.
    setFrame(parent_ ? parent_->frame() : Rect{0, 0, 320, 480});
    setUserInteractionEnabled(true);
    setMultipleTouchEnabled(true);
}

MenuScreenView::~MenuScreenView() = default;

void MenuScreenView::fingerDown(const Touch& touch) {
    perform(choiceAt(touch.location));
}

void MenuScreenView::perform(const Choice& choice) {
    if (!parent_) {
        return;
    }
    switch (choice.kind) {
    case Choice::None:
        break;
    case Choice::Back:
        parent_->transitionBack(this);
        break;
    case Choice::Go:
        if (choice.guitar >= 0) {
            parent_->setCurrentGuitar(choice.guitar);
        }
        parent_->transitionToView(choice.screen, this, true);
        break;
    }
}
