#pragma once
#include <functional>

#include "toolkit/KeyListener.h"
#include "toolkit/KeyListenerRegistration.h"

class FingerView;

// Escape and Backspace on a screen: one screen back, as its back button
// does. They act only while the screen is shown, takes touches and has no
// layer up (a box or menu answers those keys itself); a text field being
// edited takes them before any listener.
//
// Threads: UI thread only.
class BackKeys : public KeyListener {
public:
    // `back` goes back and says whether the screen has a way back.
    BackKeys(const FingerView& screen, std::function<bool()> back);

    bool keyDown(const KeyEvent& event) override;

private:
    const FingerView& screen_;
    std::function<bool()> back_;
    KeyListenerRegistration registration_{this};
};
