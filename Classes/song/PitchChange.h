#pragma once

// A string bend of one sounding note: the note's pitch factor (1.0 unbent)
// from `time` on. Plain data owned by one of the recorder's lists.
//
// Threads: only touched under the recorder's lock (or as a copy).
class PitchChange {
public:
    PitchChange(double time, int noteID, float pitch, int overdubNo);

    double time() const { return time_; }
    int noteID() const { return noteID_; }
    float pitch() const { return pitch_; }
    int overdubNo() const { return overdubNo_; }

    // Writes the note identifier into *noteID (when not null) and returns the pitch.
    float getPitchAndNoteID(int* noteID) const;

    bool operator==(const PitchChange&) const = default;

private:
    double time_;
    int noteID_;
    float pitch_;
    int overdubNo_;
};
