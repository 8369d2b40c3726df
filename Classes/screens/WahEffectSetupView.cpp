#include "screens/WahEffectSetupView.h"

#include "audio/SoundEngine.h"

namespace {

constexpr Point kPowerLight{308.5f, 389.5f};

// The arrow up to the fuzz pedal is tested before the treadle it overlaps.
constexpr EffectSetupView::Area kAreas[] = {
    {EffectSetupView::Control::ToFuzz, 86, -EffectSetupView::kOpen, 220, 64},
    {EffectSetupView::Control::FootSwitch, 0, 62, 293, 420},
};

constexpr EffectSetupView::Pedal kPedal{"EffectWahSetupBack.jpg", kPowerLight, kAreas, &SoundEngine::wahOn,
                                        &SoundEngine::setWahOn};

} // namespace

std::span<const EffectSetupView::Area> WahEffectSetupView::areas() {
    return kAreas;
}

WahEffectSetupView::WahEffectSetupView(ScreenHost* parent, SoundEngine* soundEngine)
    : EffectSetupView(parent, soundEngine, kPedal) {
    redraw();
}

WahEffectSetupView::~WahEffectSetupView() = default;
