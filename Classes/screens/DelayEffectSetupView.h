#pragma once
class Performer;
#include <memory>
#include <optional>

#include "screens/EffectSetupView.h"
#include "system/Clock.h"

class Label;

// The delay pedal (screen 4), as DelayEffect's descriptor lays it out: foot
// switch, ping-pong switch and light, three knobs (mix, feedback, time) with
// their readouts, and the tap tempo button, handled here, that sets the delay time to the average interval of
// a run of taps less than a second apart.
//
// Threads: UI thread only.
class DelayEffectSetupView : public EffectSetupView {
public:
    // The delay ring's length in values; the time knob spans all of it.
    static constexpr int kRingLength = DelayEffect::kRingValues;
    // The time knob shows the delay time against this length.
    static constexpr float kKnobTimeScale = DelayEffect::kKnobTimeScale;
    // Taps further apart than this (seconds) start a new run.
    static constexpr double kLongestTapInterval = 1.0;

    // The delay time (ring values) for a run of taps: the average interval
    // times the ring length, in float, truncated and limited to 0 ... 88400.
    static int delayTimeForTaps(float totalTapDuration, int numberOfTaps);

    // clock times the taps (tests pass their own).
    DelayEffectSetupView(ScreenHost* parent, Performer* performer,
                         const Clock& clock = SystemClock::shared());
    ~DelayEffectSetupView() override;

    // A tap on the tap button at time now (seconds on the clock).
    void tap(double now);

    // For tests and the screen's owner.
    Label& label(int index) const { return readout(index); }
    ImageView* option1Light() const { return switchLight(1); }
    std::optional<double> tapTime() const { return tapTime_; }
    float totalTapDuration() const { return totalTapDuration_; }
    int numberOfTaps() const { return numberOfTaps_; }

protected:
    void act(Control control) override;

private:
    const Clock& clock_;
    std::optional<double> tapTime_;
    float totalTapDuration_ = 0;
    int numberOfTaps_ = 0;
};
