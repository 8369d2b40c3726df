#pragma once
#include "toolkit/Key.h"

// Receives the keyboard and the mouse wheel while no text field is editing and no alert shows.
// Listeners are asked newest first; the first to return true consumes the
// key.
//
// Threads: UI thread.
class KeyListener {
public:
    virtual ~KeyListener() = default;
    virtual bool keyDown(const KeyEvent& event) = 0;
    virtual bool keyUp(const KeyEvent& event) {
        (void)event;
        return false;
    }
    // The mouse wheel turned `steps` notches: positive away from the user
    // (scroll toward the start), negative toward.
    virtual bool wheel(int steps) {
        (void)steps;
        return false;
    }
};
