#pragma once
#include "core/GuitarId.h"

// Told of every sound the engine is asked to make, as it is asked: notes
// started and released, bends, whammy and wah moves, patch changes. MIDI out
// listens here, so that a touch, a key, a strum, a MIDI note and a song's
// playback all reach it the same way.
//
// Threads: called on the thread that asked the engine (UI, playback or MIDI
// thread), never the render thread; implementations must be safe for
// several of them at once and must not call back into the engine.
class NoteListener {
public:
    // Who asked: a player (touch, key, strum), a MIDI message that came in,
    // or the song being played back.
    enum class Source { Player, Midi, Song };

    virtual ~NoteListener() = default;

    // A voice started the guitar's sample sampleNo (relative to its patch,
    // 0 ... 47) on a string (0 low E ... 5; -1 when the gesture did not say)
    // at volume (0 ... 1). Fret and tap noises are not told.
    virtual void noteStarted(int voice, GuitarId guitar, int sampleNo, int string, float volume,
                             Source source) = 0;
    // The voice was released (its sound fades from now on).
    virtual void noteReleased(int voice) = 0;
    // The voice's target pitch changed (1 unbent; a bend glides to it).
    virtual void noteBent(int voice, float pitch) = 0;
    // The guitar's whammy bar moved (an offset added to every voice's pitch
    // factor: 0 at rest, -0.5 ... 0.5 from the tilt).
    virtual void whammyMoved(GuitarId guitar, float pitch, Source source) = 0;
    // The guitar's wah moved (coefficient 0.05 closed ... 0.5 open).
    virtual void wahMoved(GuitarId guitar, float coefficient, Source source) = 0;
    // The guitar now plays this patch (0 ... 4).
    virtual void patchChanged(GuitarId guitar, int patchNo) = 0;
};
