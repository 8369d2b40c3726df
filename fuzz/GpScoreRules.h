#pragma once
// The rules both Guitar Pro fuzz targets hold a reader to: a refusal gives a reason; an
// acceptance gives notes in time order, at times and with pitches, strings
// and frets a tab can hold; the same input always gives the same answer.
#include <cmath>

#include "FuzzSupport.h"
#include "import/Score.h"

namespace fuzz {

// The notes of an accepted score in words, after checking them.
inline std::string checked(const Score& score, size_t& notes) {
    std::string out;
    for (const ScoreTrack& t : score.tracks) {
        double last = 0.0;
        for (int p : t.tuning)
            require(p >= 0 && p <= 127, "open strings are MIDI notes");
        for (const ScoreNote& n : t.notes) {
            require(std::isfinite(n.seconds) && n.seconds >= last && std::isfinite(n.duration) &&
                        n.duration >= 0.0,
                    "notes are in time order from 0 and last 0 s or more", std::to_string(n.seconds));
            require(n.pitch >= 0 && n.pitch <= 127 && n.string >= -1 && n.string <= 5 && n.fret >= -1 &&
                        n.fret <= 99,
                    "a note's pitch, string and fret fit a tab");
            last = n.seconds;
            out += std::to_string(n.seconds) + ' ' +
                   std::to_string(n.pitch * 1000 + n.string * 100 + n.fret) + '\n';
        }
        notes += t.notes.size();
    }
    return out;
}

// Reads twice with `read(score, error)` and checks the rules; the notes read.
template <class Read> size_t checkReader(Read read, std::string& error) {
    Score score, again;
    std::string error2;
    size_t notes = 0, notes2 = 0;
    const bool ok = read(score, error);
    require(ok || !error.empty(), "a refusal gives a reason");
    require(read(again, error2) == ok && error2 == error &&
                (!ok || checked(score, notes) == checked(again, notes2)),
            "the same input gives the same answer");
    return notes;
}

} // namespace fuzz
