#include "screens/MenuEffectsSetupView.h"

#include "audio/SoundEngine.h"
#include "ui/ScreenHost.h"

namespace {

// Over the dark light of each pedal in the picture.
constexpr Point kLightCentres[MenuEffectsSetupView::kLights] = {{258, 161}, {258, 258},    {193, 344},
                                                                {104, 178}, {104, 276.5f}, {39, 366.5f}};
constexpr float kLightSize = 14;

// Each pedal's open rectangle, tested in order. Guitar 1's column first: its
// wah takes whatever of the column the delay and fuzz leave, including the
// borders at y = 111 and y = 211.
struct PedalArea {
    float left, top, right, bottom;
    int screen;
    int guitar;
};
constexpr PedalArea kPedals[] = {
    {165, 111, 320, 211, ScreenHost::kDelayEffectSetup, 0},
    {165, 211, 320, 305, ScreenHost::kFuzzEffectSetup, 0},
    {165, 30, 320, 382, ScreenHost::kWahEffectSetup, 0},
    {0, 128, 165, 228, ScreenHost::kDelayEffectSetup, 1},
    {0, 228, 165, 325, ScreenHost::kFuzzEffectSetup, 1},
    {0, 325, 165, 408, ScreenHost::kWahEffectSetup, 1},
};

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
    for (const PedalArea& pedal : kPedals) {
        if (p.x > pedal.left && p.x < pedal.right && p.y > pedal.top && p.y < pedal.bottom) {
            return Choice::go(pedal.screen, pedal.guitar);
        }
    }
    return Choice::none();
}
