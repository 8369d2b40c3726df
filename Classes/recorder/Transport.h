#pragma once

// Record, play and stop the current song: what the recorder's controls and
// the playing screens' status lights need of the recorder.
//
// Threads: record, stop and play on the UI thread; the state and the count on
// any thread.
class Transport {
public:
    virtual ~Transport() = default;
    // Starts a recording pass (a new overdub) over the song, which plays
    // back meanwhile.
    virtual void record() = 0;
    // Ends playing and recording.
    virtual void stop() = 0;
    // Plays the song from its start; nothing when it is empty.
    virtual void play() = 0;
    // 2 recording (the song also plays), 1 playing, 0 idle.
    virtual int getState() = 0;
    // Events in the song (a complete note counts twice).
    virtual int getNumNotes() const = 0;
};
