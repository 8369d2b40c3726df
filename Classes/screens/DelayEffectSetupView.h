#pragma once
#include <array>
#include <memory>
#include <optional>

#include "system/Clock.h"
#include "screens/EffectSetupView.h"

class Label;

// The delay pedal (screen 4): foot switch, ping-pong switch and light, three
// knobs (mix, feedback, time) with their readouts, and a tap tempo button
// that sets the delay time to the average interval of a run of taps less than
// a second apart.
//
// Threads: UI thread only.
class DelayEffectSetupView : public EffectSetupView {
public:
    // The delay ring's length in values; the time knob spans all of it.
    static constexpr int kRingLength = 88400;
    // The time knob shows the delay time against this length.
    static constexpr float kKnobTimeScale = 88200.0f;
    // Taps further apart than this (seconds) start a new run.
    static constexpr double kLongestTapInterval = 1.0;

    // The pedal's own areas, in the order tested (after the corners and the
    // test button).
    static std::span<const Area> areas();
    // The delay time (ring values) for a run of taps: the average interval
    // times the ring length, in float, truncated and limited to 0 ... 88400.
    static int delayTimeForTaps(float totalTapDuration, int numberOfTaps);

    // clock times the taps (tests pass their own).
    DelayEffectSetupView(ScreenHost* parent, SoundEngine* soundEngine,
                         const Clock& clock = SystemClock::shared());
    ~DelayEffectSetupView() override;

    // A tap on the tap button at time now (seconds on the clock).
    void tap(double now);

    // For tests and the screen's owner.
    Label& label(int index) const { return *label_[static_cast<std::size_t>(index)]; }
    ImageView* option1Light() const { return option1Light_.get(); }
    std::optional<double> tapTime() const { return tapTime_; }
    float totalTapDuration() const { return totalTapDuration_; }
    int numberOfTaps() const { return numberOfTaps_; }

protected:
    void showReadouts(const SoundEngine& engine, int guitar) override;
    void act(Control control) override;

private:
    const Clock& clock_;
    std::array<std::unique_ptr<Label>, 3> label_;
    std::unique_ptr<ImageView> option1Light_;
    std::optional<double> tapTime_;
    float totalTapDuration_ = 0;
    int numberOfTaps_ = 0;
};
