#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "song/GuitarTuning.h"

// The built-in chord shapes: twelve keys times eighteen chord types, 216
// fret strings ("x02220": string 0, low E, first; 'x' for a string not
// played, a digit for frets 0 to 9). The shape of key k and type t is entry
// k + 12 * t. The table is fixed; the user cannot change it.
//
// Threads: any (constant data and pure functions).
class ChordLibrary {
public:
    static constexpr int kNumKeys = 12;
    static constexpr int kNumTypes = 18;
    static constexpr int kNumChords = kNumKeys * kNumTypes;
    static constexpr int kNumStrings = 6;

    using Frets = std::array<int32_t, kNumStrings>;

    // Any thread. The 216 fret strings, key fastest.
    static const std::array<std::string_view, kNumChords>& chordData();
    // Any thread. The label of a key ("A", "A#", ... "G#"); "" out of range.
    static std::string_view keyName(int key);
    // Any thread. The label of a chord type ("maj", "7", ... "6/9"); "" out of range.
    static std::string_view typeName(int type);
    // Any thread. Index into chordData() of key and type, or -1 when either
    // is out of range.
    static int chordIndex(int key, int type);
    // Any thread. The fret string of key and type; "" when out of range.
    static std::string_view fretString(int key, int type);
    // Any thread. The six frets of key and type ('x' gives -1); six -1 when
    // either is out of range.
    static Frets fretsForChord(int key, int type);
    // Any thread. The shape of key and type moved to sound the same notes on
    // a guitar tuned otherwise: each string's fret less the string's offset
    // from standard, or an octave above that when it would fall below the
    // capo; a string that still cannot reach its note (past the highest fret
    // above the capo) is left unplayed and the shape is not `complete`.
    // Standard tuning gives fretsForChord's frets.
    struct TunedShape {
        Frets frets;
        bool complete;
    };
    static TunedShape shapeFor(int key, int type, const GuitarTuning& tuning);
    // Any thread. Parses a fret string: 'x' gives -1, a digit its value.
    // False (and `out` untouched) unless the text is six characters each 'x'
    // or a digit.
    static bool parseFretString(std::string_view text, Frets& out);

    // Which key a point on the chord panel's key area names, or -1. The area
    // is 91 < x < 310 and 108 < y < 226: two rows (y < 169, then the rest),
    // six column bands; keys run 5 to 0 along the first row and 6 to 11
    // along the second.
    static int keyAtPoint(float x, float y);
    // Which type a point on the type area (91 < x < 310 and 226 < y < 407)
    // names, or -1. Three rows (y < 289, < 345, the rest) starting at types
    // 0, 6 and 12; the bands give first + 5 down to first + 0.
    static int typeAtPoint(float x, float y);
    // The column band of an x inside the panel: 0 for x < 126 ... 5 for x >= 274.
    static int columnBand(float x);
};
