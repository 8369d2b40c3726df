#include "screens/FuzzEffectSetupView.h"

#include <cstdio>

#include "audio/SoundEngine.h"
#include "toolkit/Knob.h"
#include "toolkit/Label.h"

namespace {

using Control = EffectSetupView::Control;

constexpr int kKnobX = 181;
constexpr int kKnobY = 239;
constexpr Point kPowerLight{297, 237};
// The readout window under the THRESHOLD caption.
constexpr Point kValueCentre{241.5f, 350};

// The arrows are tested before the foot switch they overlap.
constexpr EffectSetupView::Area kAreas[] = {
    {Control::ToDelay, 86, -EffectSetupView::kOpen, 220, 64},
    {Control::ToWah, 86, 413, 220, EffectSetupView::kOpen},
    {Control::FootSwitch, 0, 62, 93, 420},
    {Control::Knob0, 106, 134, 260, 342},
};

constexpr EffectSetupView::KnobBinding kThreshold = {
    [](const SoundEngine& e, int g) { return e.fuzzThreshold(g); },
    [](SoundEngine& e, int g, float v) { e.setFuzzThreshold(g, EffectSetupView::limitedToUnit(v)); }};

constexpr EffectSetupView::Pedal kPedal{"EffectFuzzSetupBack.jpg", kPowerLight, kAreas, &SoundEngine::fuzzOn,
                                        &SoundEngine::setFuzzOn};

} // namespace

std::span<const EffectSetupView::Area> FuzzEffectSetupView::areas() {
    return kAreas;
}

FuzzEffectSetupView::FuzzEffectSetupView(ScreenHost* parent, SoundEngine* soundEngine)
    : EffectSetupView(parent, soundEngine, kPedal) {
    addKnob(kKnobX, kKnobY, "FuzzDialPointer.png", kThreshold);
    valueLabel_ = std::make_unique<Label>(Rect{kValueCentre.x - 24, kValueCentre.y - 8.5f, 48, 17});
    valueLabel_->setFont("Helvetica-Bold", 12);
    valueLabel_->setTextColor(Color{244, 230, 200, 255});
    valueLabel_->setTextAlignment(TextAlignment::Center);
    valueLabel_->setRotation(kQuarterTurn);
    addSubview(valueLabel_.get());
    // The light sits on top of the dial.
    bringSubviewToFront(powerOnLight());
    redraw();
}

FuzzEffectSetupView::~FuzzEffectSetupView() = default;

void FuzzEffectSetupView::showReadouts(const SoundEngine&, int) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(knob().getValue()) * 10.0);
    valueLabel_->setText(text);
}
