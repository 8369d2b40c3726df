#pragma once
#include <array>
#include <memory>

#include "audio/EffectsChain.h"
#include "screens/MenuScreenView.h"

// The effects menu (screen 10): one column of pedals per guitar, one pedal
// per unit of the chain, placed as its descriptor says. A pedal
// first makes its guitar the current one, then opens its pedal screen, which
// takes the current guitar on arrival.
//
// Threads: UI thread only.
class MenuEffectsSetupView : public MenuScreenView {
public:
    explicit MenuEffectsSetupView(ScreenHost* parent);
    ~MenuEffectsSetupView() override;

    // What a finger coming down at p asks for: the corner buttons first, then
    // the menu's own buttons (every transition remembers the way back).
    static Choice choiceForPoint(Point p);
    Choice choiceAt(Point p) const override { return choiceForPoint(p); }

    // Each pedal's light: lit while that guitar's effect is on. The lights
    // are read from the engine every time the menu is drawn, so they follow
    // changes made anywhere (a pedal screen, a loaded song).
    // Light guitar * kPedals + i is pedal i of the chain (wah, fuzz, delay).
    static constexpr int kPedals = EffectsChain::kNumUnits;
    static constexpr int kLights = 2 * kPedals;
    const ImageView& light(int index) const { return *lights_[static_cast<std::size_t>(index)]; }
    void updateLights();
    void draw(Graphics& g) override;

private:
    std::array<std::unique_ptr<ImageView>, kLights> lights_;
};
