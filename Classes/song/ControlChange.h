#pragma once

// A movement of a guitar's control (the whammy bar or the wah pedal): the
// value handed to the engine from `time` on. The guitar is given by which of
// the recorder's two lists holds the change. Plain data owned by one of the
// recorder's lists.
//
// Threads: only touched under the recorder's lock (or as a copy).
class ControlChange {
public:
    ControlChange(double time, float pitch, int overdubNo);

    double time() const { return time_; }
    float pitch() const { return pitch_; }
    int overdubNo() const { return overdubNo_; }

    bool operator==(const ControlChange&) const = default;

private:
    double time_;
    float pitch_;
    int overdubNo_;
};
