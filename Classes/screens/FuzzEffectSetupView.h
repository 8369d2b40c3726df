#pragma once
#include <memory>

#include "screens/EffectSetupView.h"

class Label;

// The fuzz pedal (screen 12): foot switch and the threshold knob (turning it
// up lowers the clipping level).
//
// Threads: UI thread only.
class FuzzEffectSetupView : public EffectSetupView {
public:
    // The pedal's own areas, in the order tested (after the corners and the
    // test button).
    static std::span<const Area> areas();

    FuzzEffectSetupView(ScreenHost* parent, SoundEngine* soundEngine);
    ~FuzzEffectSetupView() override;

    Knob& knob() const { return EffectSetupView::knob(0); }
    // The threshold as the dial's scale reads it, 0.0 to 10.0.
    const Label& valueLabel() const { return *valueLabel_; }

protected:
    void showReadouts(const SoundEngine& engine, int guitar) override;

private:
    std::unique_ptr<Label> valueLabel_;
};
