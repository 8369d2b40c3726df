#include "ui/MessageBoxLayer.h"

#include "toolkit/MessageBoxKeys.h"

namespace {

constexpr Point kBoxCentre = {160, 240};
constexpr Size kBoxSize = {220, 340};

// OK and Cancel side by side as the user reads the box, the pair centred
// on it (the box's middle is y = 240 on the screen).
constexpr Point kOkCentre = {119.5f, 186.5f};
constexpr Point kCancelCentre = {119.5f, 293.5f};
constexpr HitArea<MessageBoxLayer::Button> kButtonAreas[] = {
    {{91, 137, 57, 103}, MessageBoxLayer::Button::Ok},
    {{91, 240, 57, 111}, MessageBoxLayer::Button::Cancel},
};

void placeButton(ImageView& button, const char* picture, Point centreOnScreen) {
    button.setImageNamed(picture);
    button.setBounds({0, 0, 54, 96});
    // The buttons ride on the box picture.
    button.setCenter({centreOnScreen.x - (kBoxCentre.x - kBoxSize.width / 2),
                      centreOnScreen.y - (kBoxCentre.y - kBoxSize.height / 2)});
}

} // namespace

std::span<const HitArea<MessageBoxLayer::Button>> MessageBoxLayer::buttonAreas() {
    return kButtonAreas;
}

MessageBoxLayer::MessageBoxLayer(FingerView& screen, std::optional<Answers> answers)
    : screen_(screen), answers_(std::move(answers)), box_("MessageBox.png") {
    veil_.setFrame({0, 0, 320, 480});
    veil_.setBackgroundColor(Color::black());
    veil_.setUserInteractionEnabled(false);
    box_.setBounds({0, 0, kBoxSize.width, kBoxSize.height});
    box_.setCenter(kBoxCentre);
    box_.addSubview(&text_);
    if (answers_) {
        placeButton(okButton_, "MessageBoxOKButton.png", kOkCentre);
        placeButton(cancelButton_, "MessageBoxCancelButton.png", kCancelCentre);
        // Return answers OK: it wears the default button's ring.
        defaultMark_.setFrame(DefaultButtonMark::around(okButton_.frame()));
        box_.addSubview(&defaultMark_);
        box_.addSubview(&okButton_);
        box_.addSubview(&cancelButton_);
        keys_ = std::make_unique<MessageBoxKeys>(
            screen_, MessageBoxKeys::Box{[this] { return shown_; }, [] { return true; },
                                         [this] { answers_->ok(); }, [this] { answers_->cancel(); }});
    }
    redraw();
}

MessageBoxLayer::~MessageBoxLayer() {
    screen_.popModal(*this);
}

void MessageBoxLayer::setVeilAlpha(float alpha) {
    veilAlpha_ = alpha;
    redraw();
}

void MessageBoxLayer::addViews() {
    screen_.addSubview(&veil_);
    screen_.addSubview(&box_);
}

void MessageBoxLayer::show() {
    shown_ = true;
    screen_.pushModal(*this);
    redraw();
}

void MessageBoxLayer::hide() {
    shown_ = false;
    screen_.popModal(*this);
    redraw();
}

void MessageBoxLayer::redraw() {
    veil_.setAlpha(shown_ ? veilAlpha_ : 0.0f);
    box_.setAlpha(shown_ ? 1.0f : 0.0f);
}

void MessageBoxLayer::fingerDown(const Touch& touch) {
    if (!answers_)
        return;
    const std::optional<Button> button = hitActionInside(buttonAreas(), touch.location);
    if (button == Button::Ok)
        answers_->ok();
    else if (button == Button::Cancel)
        answers_->cancel();
}
