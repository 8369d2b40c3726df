#pragma once

// What the sound engine needs of the recorder. The Recorder implements it;
// until one is set the engine uses a NullEngineRecorder.
//
// The engine never holds a lock of its own while it calls any of these, so the
// recorder may call back into the engine (play, stop, bend) from inside them
// or while holding its own lock.
class EngineRecorder {
public:
    virtual ~EngineRecorder() = default;

    // UI and playback threads. A note starts: returns its new note identifier,
    // or -1 when nothing is recorded (not recording, or the song is full).
    virtual int addPlayNote(int sampleNo, float volume, double releaseDelta) = 0;
    // UI and playback threads. The note with this identifier stops (any
    // identifier, -1 included, is accepted).
    virtual void addStopNote(int noteID) = 0;
    // UI and playback threads. A string bend of the note with this identifier
    // towards pitch (the target, not the momentary value).
    virtual void addPitchChange(int noteID, float pitch) = 0;
    // UI thread (accelerometer readings). Offers a live whammy value for the
    // guitar; true when the engine may apply it to the sound.
    virtual bool addWhammyBarChangeForGuitar(int guitar, float pitch) = 0;
    // UI thread (accelerometer readings). Offers a live wah coefficient for the
    // guitar; true when the engine may apply it to the sound.
    virtual bool addWahChangeForGuitar(int guitar, float pitch) = 0;

    // UI thread. Strums six sample numbers relative to the guitar (string 0
    // first, -1 for a string not played) from the playback thread.
    virtual void setChordStrum(const int* samples, int guitar, bool muteWhenStrumOver) = 0;
    // UI thread. Strum speed, 0 (fast) ... 1 (slow).
    virtual float chordStrumSpeed() = 0;
    // UI thread.
    virtual void setChordStrumSpeed(float speed) = 0;
    // UI thread. Stops the voices of the strum.
    virtual void stopChordStrum() = 0;

    // UI thread. Record, stop and play the song; getState is 0 idle,
    // 1 playing, 2 recording.
    virtual void record() = 0;
    virtual void stop() = 0;
    virtual void play() = 0;
    virtual int getState() = 0;
    // Any thread. Events in the song (a complete note counts twice).
    virtual int getNumNotes() const = 0;
};
