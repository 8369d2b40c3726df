#include "screens/MenuEffectsSetupView.h"

#include "audio/EffectsChain.h"
#include "audio/SoundEngine.h"
#include "core/GuitarId.h"
#include "ui/ScreenHost.h"

namespace {

constexpr float kLightSize = 14;

} // namespace

MenuEffectsSetupView::MenuEffectsSetupView(ScreenHost* parent)
    : MenuScreenView(parent, "MenuSetupEffectsBack.jpg") {
    // Over the dark light of each pedal in the picture.
    for (int guitar = 0; guitar < kGuitars; ++guitar)
        forEachEffectDescriptor([&](const auto& d, int unit) {
            auto light = std::make_unique<ImageView>("EffectPowerLightOn.png");
            light->setBounds({0, 0, kLightSize, kLightSize});
            light->setCenter(d.menu[guitar].light);
            light->setUserInteractionEnabled(false);
            light->setAlpha(0);
            addSubview(light.get());
            lights_[static_cast<std::size_t>(guitar * kPedals + unit)] = std::move(light);
        });
    updateLights();
}

MenuEffectsSetupView::~MenuEffectsSetupView() = default;

void MenuEffectsSetupView::updateLights() {
    const SoundEngine* engine = parent() ? parent()->soundEngine() : nullptr;
    for (int guitar = 0; guitar < kGuitars; ++guitar)
        forEachEffectDescriptor([&]<class U>(const EffectDescriptor<U>& d, int unit) {
            const bool on = engine && (engine->effect<U>(guitar).*d.switches[0].get)();
            lights_[static_cast<std::size_t>(guitar * kPedals + unit)]->setAlpha(on ? 1.0f : 0.0f);
        });
}

void MenuEffectsSetupView::draw(Graphics& g) {
    updateLights();
    MenuScreenView::draw(g);
}

// Each pedal's open rectangle. The first match wins in the order guitar 1's
// column, then guitar 2's, each from the end of the chain back (delay, fuzz,
// wah), so guitar 1's wah takes whatever of its column the delay and fuzz
// leave, including the borders at y = 111 and y = 211. Walked the other way
// round, the last match is kept.
MenuScreenView::Choice MenuEffectsSetupView::choiceForPoint(Point p) {
    const Choice corner = cornerChoice(p);
    if (corner.kind != Choice::None) {
        return corner;
    }
    Choice choice = Choice::none();
    for (int guitar = 1; guitar >= 0; --guitar)
        forEachEffectDescriptor([&](const auto& d, int) {
            const MenuPlace& m = d.menu[guitar];
            if (p.x > m.left && p.x < m.right && p.y > m.top && p.y < m.bottom)
                choice = Choice::go(d.screen, guitar);
        });
    return choice;
}
