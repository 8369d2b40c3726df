#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "import/Score.h"
#include "song/GuitarTuning.h"

// Lays a track of a Score out as tablature for a guitar in standard tuning
// (or another),
// frets 0 ... 22: each onset with notes is one column, the notes starting
// together stacked on distinct strings (tied continuations and rests make
// none). Strings and frets the file gives are kept, moved onto standard
// tuning when the track is tuned otherwise; the rest are placed where the
// hand moves least: a shortest path over every playable fingering of each
// column, paying for the stretch within a column, for the move between
// columns and a little for each fret, open strings costing nothing.
//
// A note out of the guitar's reach is moved by octaves into it; a note the
// column cannot hold (a pitch already in it, more notes than strings, no
// fingering) is dropped, inner voices first, the top and bottom notes last.
//
// Threads: any (pure computation).
struct TabArranger {
    using Column = std::array<int32_t, 6>; // frets of strings 0 (low E) ... 5, -1 not played

    struct Result {
        std::vector<Column> columns;
        int notes = 0;         // notes placed
        int movedByOctave = 0; // notes moved by octaves into reach
        int dropped = 0;       // notes left out
        int refretted = 0;     // notes whose file fret did not fit the target tuning
        GuitarTuning tuning;   // the tuning the columns are for
    };

    static constexpr int kMaxFret = 22;
    // Notes that start within this of a column's first note join it (a strum).
    static constexpr double kChordWindowSeconds = 0.015;

    static Result arrange(const ScoreTrack& track);
    // The same for a guitar tuned `target`: its frets count from the target's
    // capo, and the file's strings and frets are kept as they are when the
    // track is tuned and capoed the same.
    static Result arrange(const ScoreTrack& track, const GuitarTuning& target);
    // The track's own tuning and capo when the guitar can play it, else standard.
    static GuitarTuning playableTuning(const ScoreTrack& track);
};
