#pragma once

#include "system/Clock.h"

// One note event of a song: a note starting (note-down) or stopping (note-up).
// Plain data owned by one of the recorder's lists; it calls nothing.
//
// Threads: a Note is only touched under the recorder's lock (or by whoever
// holds a copy of it).
class Note {
public:
    // Note-down. `created` is the wall-clock moment the event was made (used to
    // find the most recently played note); the recorder passes its own clock's
    // time, other callers may leave the system clock's.
    Note(int sampleNo, float volume, double time, int overdubNo, int noteID, double releaseDelta,
         double created = SystemClock::shared().now());

    // Note-up: sample number, volume, overdub number and release rate 0; the
    // voice number stays unknown (-1) until playback gives its note-down a voice.
    Note(double time, int noteID, double created = SystemClock::shared().now());

    // Voice number of a note that has not been given a voice by playback.
    static constexpr int kNoVoice = -1;

    int sampleNo() const { return sampleNo_; }
    void setSampleNo(int sampleNo) { sampleNo_ = sampleNo; }
    double time() const { return time_; }
    void setTime(double time) { time_ = time; }
    bool keyDown() const { return keyDown_; }
    void setkeyDown(bool keyDown) { keyDown_ = keyDown; }
    float volume() const { return volume_; }
    void setVolume(float volume) { volume_ = volume; }
    int overdubNo() const { return overdubNo_; }
    void setOverdubNo(int overdubNo) { overdubNo_ = overdubNo; }
    double created() const { return created_; }
    void setCreated(double created) { created_ = created; }
    int noteID() const { return noteID_; }
    void setNoteID(int noteID) { noteID_ = noteID; }
    double releaseDelta() const { return releaseDelta_; }
    void setReleaseDelta(double releaseDelta) { releaseDelta_ = releaseDelta; }
    // The engine voice sounding the note in playback, kNoVoice when none.
    int playlistNo() const { return playlistNo_; }
    void setPlaylistNo(int playlistNo) { playlistNo_ = playlistNo; }

    bool operator==(const Note&) const = default;

private:
    int sampleNo_ = 0;
    double time_ = 0.0;
    bool keyDown_ = false;
    float volume_ = 0.0f;
    int overdubNo_ = 0;
    double created_ = 0.0;
    int noteID_ = 0;
    double releaseDelta_ = 0.0;
    int playlistNo_ = kNoVoice;
};
