#pragma once
#include <string>

#include "song/GuitarTuning.h"

class Tab;

// Writes a tab as a MusicXML 4.0 partwise score that notation programs open
// as guitar tablature: one part, "Guitar", on a TAB staff of six lines in
// standard tuning (E2 A2 D3 G3 B3 E4), 4/4, each column a quarter note (its
// notes a chord), every note with its pitch and its string and fret
// (MusicXML counts strings from the highest, 1, to the lowest, 6). Another
// tuning gives the staff its strings' notes, and a capo its <capo>; frets
// count from the capo, as the tab's do, and pitches sound the capo. A column
// with no string played is a quarter rest, and the last measure is filled
// up with rests.
//
// The text is plain XML made here, with no XML library: the layout is fixed
// and holds nothing but numbers and note names. Read back by the MusicXML
// importer it gives the same columns, except the empty ones (emptyColumns()
// counts them).
//
// Threads: any (reads the tab it is given; the tab is the caller's).
class MusicXmlWriter {
public:
    static constexpr int kBeatsPerMeasure = 4;

    std::string write(const Tab& tab, const GuitarTuning& tuning = GuitarTuning());
    // Columns in the last written tab with no string played.
    int emptyColumns() const { return emptyColumns_; }

private:
    int emptyColumns_ = 0;
};
