#pragma once
#include <array>

#include "system/Geometry.h"
#include "toolkit/FingerView.h"

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

// The six slots of a fretboard screen, one per finger that may be down. As a
// finger target they only keep count (the fingers an open menu takes still
// come and go here).
class TouchSlots : public FingerView::FingerTarget {
public:
    static constexpr int kCount = 6;
    // The number of a finger that found no free slot, or is not held.
    static constexpr int kNone = kCount;

    // A finger coming down takes the first free slot: its number, or kNone.
    int take(const Touch& touch) {
        for (int i = 0; i < kCount; ++i) {
            if (slots_[i].isFree()) {
                slots_[i].take(touch.id, touch.location);
                return i;
            }
        }
        return kNone;
    }
    // The slot holding the finger, or kNone.
    int find(long touchId) const {
        for (int i = 0; i < kCount; ++i)
            if (slots_[i].holds(touchId))
                return i;
        return kNone;
    }

    void fingerDown(const Touch& touch) override { take(touch); }
    void fingerMove(const Touch& touch) override {
        const int i = find(touch.id);
        if (i != kNone)
            slots_[i].mostRecentTouch = touch.location;
    }
    void fingerUp(const Touch& touch) override {
        for (TouchSlot& slot : slots_)
            if (slot.holds(touch.id))
                slot.free();
    }

    TouchSlot& operator[](int i) { return slots_[static_cast<std::size_t>(i)]; }
    const TouchSlot& operator[](int i) const { return slots_[static_cast<std::size_t>(i)]; }

private:
    std::array<TouchSlot, kCount> slots_;
};
