#pragma once
#include <memory>

#include "screens/EffectSetupView.h"

class Knob;
class Label;

// The fuzz pedal (screen 12): foot switch and the threshold knob (turning it
// up lowers the clipping level).
//
// Threads: UI thread only.
class FuzzEffectSetupView : public EffectSetupView {
public:
    // What a finger coming down at p means, in the order tested.
    static Control controlForPoint(Point p);

    FuzzEffectSetupView(ScreenHost* parent, SoundEngine* soundEngine);
    ~FuzzEffectSetupView() override;

    void redraw() override;
    Control controlAt(Point p) const override { return controlForPoint(p); }

    Knob& knob() const { return *knob_; }
    // The threshold as the dial's scale reads it, 0.0 to 10.0.
    const Label& valueLabel() const { return *valueLabel_; }

protected:
    void act(Control control) override;
    void turnKnob(int index, Point p, Point oldPoint) override;
    int knobCount() const override { return 1; }

private:
    std::unique_ptr<Knob> knob_;
    std::unique_ptr<Label> valueLabel_;
};
