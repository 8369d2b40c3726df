#pragma once
#include <array>
#include <vector>

#include "import/Score.h"
#include "song/Song.h"

// Up to two tracks of a Score as a recorded song, the first played by
// guitar 1, the second by guitar 2, as `strumwell export` would write it
// back: each note a note-down of the guitar's sample for its pitch (sample
// k sounds MIDI note 38 + k; pitches out of the 48 samples are moved by
// octaves) at its start, with volume velocity / 127 and the guitar's
// release, and a note-up at its end. Pitch bend within a whole step bends
// the channel's sounding notes; further, it moves the whammy bar; controller
// 74 moves the wah. The guitar's patch is that of its first program that
// has one (nylon 24 -> 0, steel 25 -> 1, overdriven 29 -> 2, distortion
// 30 -> 3, electric 26 ... 28 -> 4). Beyond the recorder's event limit the
// first events are kept.
//
// Threads: any (pure computation).
struct ScoreSong {
    struct Result {
        Song song;
        int notes = 0;         // notes kept
        int movedByOctave = 0; // notes moved by octaves onto the samples
        int eventsLeftOut = 0; // note events beyond the recorder's limit
        int bends = 0;
        int whammyChanges = 0;
        int wahChanges = 0;
        std::array<int, 2> patch{-1, -1}; // the patch a program chose, -1 none (the default kept)
    };

    static Result build(const std::vector<const ScoreTrack*>& tracks);
};
