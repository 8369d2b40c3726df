#pragma once
#include "screens/EffectSetupView.h"

// The wah pedal (screen 18): the whole treadle switches the wah on and off;
// the wah itself follows the tilt of the phone.
//
// Threads: UI thread only.
class WahEffectSetupView : public EffectSetupView {
public:
    // The pedal's own areas, in the order tested (after the corners and the
    // test button).
    static std::span<const Area> areas();

    WahEffectSetupView(ScreenHost* parent, SoundEngine* soundEngine);
    ~WahEffectSetupView() override;
};
