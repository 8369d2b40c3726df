#include "toolkit/AlertView.h"

#include <algorithm>

#include "system/TextLineBreaker.h"
#include "toolkit/Graphics.h"

namespace {

// The box as the user sees it, landscape, before it is turned.
constexpr float kWidth = 300;
constexpr float kPadding = 14;
const Font kTitleFont{"Helvetica", 18, true};
const Font kMessageFont{"Helvetica", 15, false};
const Font kButtonFont{"Helvetica", 17, true};
constexpr float kButtonHeight = 40;
constexpr Color kDefaultButtonFill{50, 100, 200, 255};

std::vector<std::string> wrap(const std::string& text, const Font& font, float width) {
    return TextLineBreaker::breakLines(text, width, [&font](std::string_view s) {
        return Graphics::measureText(std::string(s), font).width;
    });
}

} // namespace

AlertView::AlertView(const std::string& title, const std::string& message, const std::string& buttonTitle,
                     std::function<void()> onDismiss)
    : title_(title), message_(message), buttonTitle_(buttonTitle), onDismiss_(std::move(onDismiss)) {
    layout();
}

void AlertView::layout() {
    float inner = kWidth - 2 * kPadding;
    titleHeight_ =
        title_.empty() ? 0 : Graphics::lineHeight(kTitleFont) * wrap(title_, kTitleFont, inner).size();
    messageHeight_ = message_.empty()
                         ? 0
                         : Graphics::lineHeight(kMessageFont) * wrap(message_, kMessageFont, inner).size();
    float h = kPadding + titleHeight_ + (titleHeight_ > 0 && messageHeight_ > 0 ? 8 : 0) + messageHeight_ +
              kPadding;
    if (hasButton())
        h += kButtonHeight + 4;
    h = std::min(h, 300.0f);
    // Centred in the 320 x 480 view and turned so the user reads it.
    setBounds({0, 0, kWidth, h});
    setCenter({160, 240});
    setRotation(kQuarterTurn);
}

Rect AlertView::buttonRect() const {
    Rect b = bounds();
    return {0, b.height - kButtonHeight, b.width, kButtonHeight};
}

Rect AlertView::defaultButtonRect() const {
    const Rect r = buttonRect();
    const float w = std::max(90.0f, Graphics::measureText(buttonTitle_, kButtonFont).width + 40);
    return {(r.width - w) / 2, r.y + 5, w, r.height - 10};
}

void AlertView::pressButton() {
    if (!hasButton() || dismissed_)
        return;
    dismissed_ = true;
    setHidden(true);
    if (onDismiss_) {
        auto cb = std::move(onDismiss_);
        onDismiss_ = nullptr;
        cb();
    }
}

void AlertView::draw(Graphics& g) {
    Rect b = bounds();
    g.fillRoundedRect({b.x + 3, b.y + 4, b.width, b.height}, 12, Color{0, 0, 0, 90});
    g.fillRoundedRect(b, 12, Color{200, 205, 220, 255});
    g.fillRoundedRect({b.x + 2, b.y + 2, b.width - 4, b.height - 4}, 10, Color{28, 36, 58, 255});
    float inner = b.width - 2 * kPadding;
    float y = kPadding;
    float lh = Graphics::lineHeight(kTitleFont);
    for (const auto& line : wrap(title_, kTitleFont, inner)) {
        float w = Graphics::measureText(line, kTitleFont).width;
        g.drawText(line, kTitleFont, Color::white(), {(b.width - w) / 2, y});
        y += lh;
    }
    if (titleHeight_ > 0 && messageHeight_ > 0)
        y += 8;
    lh = Graphics::lineHeight(kMessageFont);
    for (const auto& line : wrap(message_, kMessageFont, inner)) {
        float w = Graphics::measureText(line, kMessageFont).width;
        if (y + lh > b.height - (hasButton() ? kButtonHeight : 0))
            break;
        g.drawText(line, kMessageFont, Color{230, 232, 240, 255}, {(b.width - w) / 2, y});
        y += lh;
    }
    if (hasButton()) {
        Rect r = buttonRect();
        g.fillRect({r.x + 1, r.y, r.width - 2, 1}, Color{200, 205, 220, 160});
        // Its only button is the default one (Return presses it): filled,
        // as every default button is marked.
        g.fillRoundedRect(defaultButtonRect(), 9,
                          buttonHeld_ ? Color{90, 140, 230, 255} : kDefaultButtonFill);
        Size s = Graphics::measureText(buttonTitle_, kButtonFont);
        g.drawText(buttonTitle_, kButtonFont, Color::white(),
                   {(r.width - s.width) / 2, r.y + (r.height - Graphics::lineHeight(kButtonFont)) / 2});
    }
}

void AlertView::fingerDown(const Touch& t) {
    if (hasButton() && buttonRect().contains(t.location))
        buttonHeld_ = true;
}

void AlertView::fingerMove(const Touch& t) {
    buttonHeld_ = hasButton() && buttonRect().contains(t.location);
}

void AlertView::fingerUp(const Touch& t) {
    // A finger the system took away presses nothing.
    const bool press = t.phase == TouchPhase::Ended && buttonHeld_ && buttonRect().contains(t.location);
    buttonHeld_ = false;
    if (press)
        pressButton();
}
