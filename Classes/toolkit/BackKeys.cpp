#include "toolkit/BackKeys.h"

#include "toolkit/FingerView.h"
#include "toolkit/Key.h"

BackKeys::BackKeys(const FingerView& screen, std::function<bool()> back)
    : screen_(screen), back_(std::move(back)) {}

bool BackKeys::keyDown(const KeyEvent& event) {
    if (event.repeat || event.ctrl || event.alt)
        return false;
    if (event.key != Key::Escape && event.key != Key::Backspace)
        return false;
    if (!screen_.superview() || !screen_.canReceiveTouches() || screen_.hasModal())
        return false;
    return back_();
}
