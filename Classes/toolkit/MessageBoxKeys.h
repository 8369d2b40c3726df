#pragma once
#include <functional>

#include "toolkit/KeyListener.h"
#include "toolkit/KeyListenerRegistration.h"

class View;

// The keyboard for a screen's own message box, as for the application's
// alerts: Return answers OK; Escape answers Cancel, or OK when the box has
// no Cancel; Space closes the box the safe way (OK for a notice, Cancel for
// a question). Keys act only while the screen is shown and its box is up;
// otherwise they pass on to the other listeners.
//
// Threads: UI thread only.
class MessageBoxKeys : public KeyListener {
public:
    struct Box {
        std::function<bool()> showing;   // the box is up and waiting for an answer
        std::function<bool()> hasCancel; // a question rather than a notice
        std::function<void()> ok;
        std::function<void()> cancel;
    };

    // Listens on the shared application, if there is one, until destroyed.
    MessageBoxKeys(const View& screen, Box box);

    bool keyDown(const KeyEvent& event) override;

private:
    const View& screen_;
    Box box_;
    KeyListenerRegistration registration_{this};
};
