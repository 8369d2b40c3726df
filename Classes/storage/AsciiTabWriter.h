#pragma once
#include <string>

#include "song/GuitarTuning.h"

class Tab;

// Writes a tab as the plain ASCII tablature guitarists paste to each other:
// systems of six lines, high e first,
//
//     e|--0--------|--3--------|
//     B|--1--0-----|--0--12----|
//     ...
//     E|--------3--|--3--------|
//
// Each column takes the width of its widest fret (two characters for frets
// 10 and up), led by two dashes; the frets of a column start in the same
// character column, so a chord reads straight down; a string not played is
// dashes. A bar line follows every N columns, and a system holds as many
// bars as fit in 80 characters (a bar too long for a line is split between
// systems). Systems are separated by a blank line.
//
// In another tuning the lines are named by its notes (the top one in lower
// case: "d|" ... "D|" for DADGAD, names of two characters right-aligned),
// and the text opens with "Tuning: DADGAD (D A D G A D)" and, with a capo,
// "Capo 2", then a blank line. Standard tuning without a capo has neither.
//
// Read back by TabTextImport, this gives the same columns, except columns
// in which no string is played: plain tablature has no way to show them,
// and they are written as a rest (emptyColumns() counts them).
//
// Threads: any (reads the tab it is given; the tab is the caller's).
class AsciiTabWriter {
public:
    static constexpr int kLineWidth = 80;
    static constexpr int kDefaultBarColumns = 8;

    // barColumns: columns per bar; 0 for bar lines only at the ends of a system.
    explicit AsciiTabWriter(int barColumns = kDefaultBarColumns) : barColumns_(barColumns) {}

    std::string write(const Tab& tab, const GuitarTuning& tuning = GuitarTuning());
    // Columns in the last written tab with no string played.
    int emptyColumns() const { return emptyColumns_; }

private:
    int barColumns_;
    int emptyColumns_ = 0;
};
