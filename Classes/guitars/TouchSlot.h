#pragma once
#include "platform/Geometry.h"

// One tracked touch of a fretboard screen. `address` is the toolkit's identity
// of the touch occupying the slot (not owned); a free slot holds none.
//
// Threads: UI thread only.
struct TouchSlot {
    long address = 0;
    bool occupied = false;
    // Where the finger came down, moved on when it enters the board or slides
    // to another fret: the reference for bends and for the fret lifted on
    // release.
    Point initialTouch;
    // The last position reported for the touch.
    Point mostRecentTouch;

    bool isFree() const { return !occupied; }
    bool holds(long touchId) const { return occupied && address == touchId; }
    void take(long touchId, Point location) {
        address = touchId;
        occupied = true;
        initialTouch = location;
        mostRecentTouch = location;
    }
    void free() {
        address = 0;
        occupied = false;
    }
};
