#include "screens/FuzzEffectSetupView.h"

#include <cstdio>

#include "audio/SoundEngine.h"
#include "platform/Knob.h"
#include "platform/Label.h"

namespace {

constexpr int kKnobX = 181;
constexpr int kKnobY = 239;
constexpr Point kPowerLight{297, 237};
// The readout window under the THRESHOLD caption.
constexpr Point kValueCentre{241.5f, 350};

float limitedToUnit(float v) {
    if (!(v >= 0.0f)) {
        return 0.0f;
    }
    return v > 1.0f ? 1.0f : v;
}

} // namespace

EffectSetupView::Control FuzzEffectSetupView::controlForPoint(Point p) {
    const Control corner = cornerControl(p);
    if (corner != Control::None) {
        return corner;
    }
    const float x = p.x;
    const float y = p.y;
    if (inTestButton(p)) {
        return Control::TestNote;
    }
    if (x > 86 && x < 220 && y < 64) {
        return Control::ToDelay;
    }
    if (x > 86 && x < 220 && y > 413) {
        return Control::ToWah;
    }
    if (x > 0 && x < 93 && y > 62 && y < 420) {
        return Control::FootSwitch;
    }
    if (x > 106 && x < 260 && y > 134 && y < 342) {
        return Control::Knob0;
    }
    return Control::None;
}

FuzzEffectSetupView::FuzzEffectSetupView(ScreenHost* parent, SoundEngine* soundEngine)
    : EffectSetupView(parent, soundEngine, "EffectFuzzSetupBack.jpg", kPowerLight),
      knob_(std::make_unique<Knob>(this, kKnobX, kKnobY, "FuzzDialPointer.png")),
      valueLabel_(std::make_unique<Label>(Rect{kValueCentre.x - 24, kValueCentre.y - 8.5f, 48, 17})) {
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

void FuzzEffectSetupView::redraw() {
    SoundEngine* engine = soundEngine();
    if (!engine) {
        return;
    }
    const int g = currentGuitar();
    setPowerLight(engine->fuzzOn(g));
    // The knob under the finger keeps its own value rather than the engine's
    // whole-number threshold read back.
    if (draggingKnob() != 0) {
        knob_->setValue(limitedToUnit(engine->fuzzThreshold(g)));
    }
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(knob_->getValue()) * 10.0);
    valueLabel_->setText(text);
}

void FuzzEffectSetupView::act(Control control) {
    SoundEngine* engine = soundEngine();
    if (!engine || control != Control::FootSwitch) {
        return;
    }
    const int g = currentGuitar();
    engine->setFuzzOn(g, !engine->fuzzOn(g));
    redraw();
}

void FuzzEffectSetupView::turnKnob(int index, Point p, Point oldPoint) {
    SoundEngine* engine = soundEngine();
    if (!engine || index != 0) {
        return;
    }
    engine->setFuzzThreshold(currentGuitar(), limitedToUnit(knob_->turnKnobFromCoord(oldPoint, p)));
    redraw();
}
