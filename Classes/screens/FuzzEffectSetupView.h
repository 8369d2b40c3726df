#pragma once
class Performer;
#include "screens/EffectSetupView.h"

// The fuzz pedal (screen 12), as FuzzEffect's descriptor lays it out: foot
// switch and the threshold knob (turning it up lowers the clipping level).
//
// Threads: UI thread only.
class FuzzEffectSetupView : public EffectSetupView {
public:
    FuzzEffectSetupView(ScreenHost* parent, Performer* performer);
    ~FuzzEffectSetupView() override;

    Knob& knob() const { return EffectSetupView::knob(0); }
    // The threshold as the dial's scale reads it, 0.0 to 10.0.
    const Label& valueLabel() const { return readout(0); }
};
