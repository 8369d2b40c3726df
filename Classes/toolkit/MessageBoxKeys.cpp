#include "toolkit/MessageBoxKeys.h"

#include "toolkit/Key.h"
#include "toolkit/View.h"

MessageBoxKeys::MessageBoxKeys(const View& screen, Box box) : screen_(screen), box_(std::move(box)) {}

bool MessageBoxKeys::keyDown(const KeyEvent& event) {
    if (event.repeat || event.ctrl || event.alt)
        return false;
    if (event.key != Key::Return && event.key != Key::Escape && event.key != Key::Space)
        return false;
    // Only the screen on show answers, and only while its box waits.
    if (!screen_.superview() || !screen_.canReceiveTouches() || !box_.showing())
        return false;
    const bool question = box_.hasCancel();
    const bool ok = event.key == Key::Return || !question;
    if (ok)
        box_.ok();
    else
        box_.cancel();
    return true;
}
