#pragma once

// A movement of the whammy bar of one guitar: the offset handed to setWhammyForGuitar (0 at rest).
// The guitar is given by which of the recorder's two lists holds the change.
// Plain data owned by one of the recorder's lists.
//
// Threads: only touched under the recorder's lock (or as a copy).
class WhammyBarChange {
public:
    WhammyBarChange(double time, float pitch, int overdubNo);

    double time() const { return time_; }
    float pitch() const { return pitch_; }
    int overdubNo() const { return overdubNo_; }

private:
    double time_;
    float pitch_;
    int overdubNo_;
};
