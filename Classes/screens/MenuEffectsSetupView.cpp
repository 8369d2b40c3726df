#include "screens/MenuEffectsSetupView.h"

#include "audio/SoundEngine.h"
#include "ui/ScreenHost.h"

namespace {

// Over the dark light of each pedal in the picture.
constexpr Point kLightCentres[MenuEffectsSetupView::kLights] = {{258, 161}, {258, 258},    {193, 344},
                                                                {104, 178}, {104, 276.5f}, {39, 366.5f}};
constexpr float kLightSize = 14;

} // namespace

MenuEffectsSetupView::MenuEffectsSetupView(ScreenHost* parent)
    : MenuScreenView(parent, "MenuSetupEffectsBack.jpg") {
    for (int i = 0; i < kLights; ++i) {
        auto light = std::make_unique<ImageView>("EffectPowerLightOn.png");
        light->setBounds({0, 0, kLightSize, kLightSize});
        light->setCenter(kLightCentres[i]);
        light->setUserInteractionEnabled(false);
        light->setAlpha(0);
        addSubview(light.get());
        lights_[static_cast<std::size_t>(i)] = std::move(light);
    }
    updateLights();
}

MenuEffectsSetupView::~MenuEffectsSetupView() = default;

void MenuEffectsSetupView::updateLights() {
    const SoundEngine* engine = parent() ? parent()->soundEngine() : nullptr;
    for (int guitar = 0; guitar < 2; ++guitar) {
        const bool on[3] = {engine && engine->delayOn(guitar), engine && engine->fuzzOn(guitar),
                            engine && engine->wahOn(guitar)};
        for (int pedal = 0; pedal < 3; ++pedal)
            lights_[static_cast<std::size_t>(guitar * 3 + pedal)]->setAlpha(on[pedal] ? 1.0f : 0.0f);
    }
}

void MenuEffectsSetupView::draw(Graphics& g) {
    updateLights();
    MenuScreenView::draw(g);
}

MenuScreenView::Choice MenuEffectsSetupView::choiceForPoint(Point p) {
    const Choice corner = cornerChoice(p);
    if (corner.kind != Choice::None) {
        return corner;
    }
    const float x = p.x;
    const float y = p.y;
    // Guitar 1's pedals. The wah takes whatever of its column the delay and
    // fuzz leave, including the border at y = 111 and y = 211.
    if (x > 165 && x < 320) {
        if (y > 111 && y < 211) {
            return Choice::go(ScreenHost::kDelayEffectSetup, 0);
        }
        if (y > 211 && y < 305) {
            return Choice::go(ScreenHost::kFuzzEffectSetup, 0);
        }
        if (y > 30 && y < 382) {
            return Choice::go(ScreenHost::kWahEffectSetup, 0);
        }
    }
    // Guitar 2's pedals.
    if (x > 0 && x < 165) {
        if (y > 128 && y < 228) {
            return Choice::go(ScreenHost::kDelayEffectSetup, 1);
        }
        if (y > 228 && y < 325) {
            return Choice::go(ScreenHost::kFuzzEffectSetup, 1);
        }
        if (y > 325 && y < 408) {
            return Choice::go(ScreenHost::kWahEffectSetup, 1);
        }
    }
    return Choice::none();
}
