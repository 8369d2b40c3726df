#include "screens/WahEffectSetupView.h"

#include "audio/SoundEngine.h"

namespace {

constexpr Point kPowerLight{308.5f, 389.5f};

} // namespace

EffectSetupView::Control WahEffectSetupView::controlForPoint(Point p) {
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
        return Control::ToFuzz;
    }
    if (x > 0 && x < 293 && y > 62 && y < 420) {
        return Control::FootSwitch;
    }
    return Control::None;
}

WahEffectSetupView::WahEffectSetupView(ScreenHost* parent, SoundEngine* soundEngine)
    : EffectSetupView(parent, soundEngine, "EffectWahSetupBack.jpg", kPowerLight) {
    redraw();
}

WahEffectSetupView::~WahEffectSetupView() = default;

void WahEffectSetupView::redraw() {
    SoundEngine* engine = soundEngine();
    if (!engine) {
        return;
    }
    setPowerLight(engine->wahOn(currentGuitar()));
}

void WahEffectSetupView::act(Control control) {
    SoundEngine* engine = soundEngine();
    if (!engine || control != Control::FootSwitch) {
        return;
    }
    const int g = currentGuitar();
    engine->setWahOn(g, !engine->wahOn(g));
    redraw();
}
