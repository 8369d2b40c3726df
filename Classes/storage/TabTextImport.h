#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "song/GuitarTuning.h"

class Tab;

// Reads plain ASCII tablature as people paste it from the web into columns
// of six frets:
//
// - A system is six string lines, high e on top; the string names ("e|",
//   "B|", upper or lower case, "Eb|", "e:", numbers "1|" to "6|", or none at
//   all) are optional.
//   Names of another tuning ("D A D G A D", high string on top) give the
//   tab that tuning, read from the first system; an unplayable one is read
//   as standard with a warning saying why.
//   A system written low E first (names E A D G B E) is turned over. Any
//   number of systems may follow one another.
// - Lines between systems (lyrics, chord names, titles, counts, palm-mute
//   marks) are ignored; so are lone dashed rules of one or two lines.
// - In a string line, '-', ' ' and the bar lines '|' and ':' are spacing;
//   a number is a fret; 'x' marks a muted string (not played: the tab has no
//   muted strings, and a column of only muted strings is left out).
//   Technique marks (h p / \ b r ~, and s v t ( ) < > ^ * . = and the like)
//   are skipped with a warning: "5h7" gives the columns 5 and 7.
// - Frets stacked in overlapping character columns are one chord, whether
//   two-digit frets are aligned left or right.
//
// Refused, naming the line (and the column of a bad fret): bytes that are
// not text, a group of string lines that is not six (or a multiple of six),
// a fret above what a tab holds (22), and text with no tab at all.
//
// Reads nothing outside the byte span it is given.
//
// Threads: any (pure).
class TabTextImport {
public:
    struct Result {
        bool ok = false;
        std::string error; // "line 12, column 7: ..." when !ok
        int errorLine = 0; // 1-based; 0 when the error has no line
        int errorColumn = 0;
        std::vector<std::array<int32_t, 6>> columns; // string 0 (low E) first
        std::vector<std::string> warnings;
        int systems = 0;
        // From the first system's string names when they name a playable
        // tuning other than standard ("D|" on the low string: drop D).
        GuitarTuning tuning;
    };

    static Result read(const uint8_t* data, size_t size);

    // Replaces the tab's columns by the result's (position 0).
    static void apply(const Result& result, Tab& tab);
};
