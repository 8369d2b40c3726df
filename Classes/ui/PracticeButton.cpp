#include "ui/PracticeButton.h"

#include "toolkit/Graphics.h"

PracticeButton::PracticeButton(const Rect& frame) {
    setFrame(frame);
    setUserInteractionEnabled(false);
    // The caption reads along the button's length (its y), centred on it.
    caption_.setFrame(
        {frame.width / 2 - frame.height / 2, frame.height / 2 - frame.width / 2, frame.height, frame.width});
    caption_.setRotation(kQuarterTurn);
    caption_.setFont(Font{"Helvetica", 11, true});
    caption_.setTextAlignment(TextAlignment::Center);
    caption_.setTextColor(Color{255, 210, 122, 255});
    caption_.setBackgroundColor(Color::clear());
    caption_.setUserInteractionEnabled(false);
    caption_.setText("PRACTICE");
    addSubview(&caption_);
}

void PracticeButton::draw(Graphics& g) {
    const Rect b = bounds();
    g.fillRoundedRect(b, 6, Color{176, 178, 182, 255});
    g.fillRoundedRect({b.x + 2, b.y + 2, b.width - 4, b.height - 4}, 5, Color{34, 34, 36, 255});
}
