#pragma once
#include <functional>
#include <map>
#include <vector>

#include "toolkit/Key.h"

class KeyListener;

// Decides what a key does, in this order:
//   1. F11 or Alt+Enter toggles fullscreen;
//   2. while an alert shows it takes every key, and Return, Enter, Escape or
//      Space answer it;
//   3. while a text field is being edited it takes every key (caret, delete,
//      Ctrl+A, Return, Escape);
//   4. Shift+arrows and the keypad steer the virtual tilt;
//   5. the key listeners, newest first, until one takes it.
// A release always reaches the tilt and the listeners, so no note or tilt
// stays held whatever took the press.
//
// The router knows no window system: the application turns the platform's
// events into KeyEvents and hands them here.
//
// Threads: UI thread only.
class KeyRouter {
public:
    // Where a key went.
    enum class Outcome { Fullscreen, Alert, TextField, Tilt, Listener, Unclaimed };

    // What the router acts on besides the text fields and the listeners.
    struct Hooks {
        std::function<void()> toggleFullscreen;
        // Whether an alert shows, and answering the one on top.
        std::function<bool()> alertShown;
        std::function<void()> answerAlert;
        // The virtual tilt: true when it takes the key. A release of
        // KeyEvent{} lets every tilt key go.
        std::function<bool(const KeyEvent& event, bool down)> tilt;
    };

    explicit KeyRouter(Hooks hooks);

    // The router of the running application, null without one (tests of a
    // lone view). The backend sets it, so views register their keys without
    // knowing which backend runs them.
    static KeyRouter* active();
    static void setActive(KeyRouter* router);

    // Not owned; adding one twice adds it once.
    void addListener(KeyListener* listener);
    void removeListener(KeyListener* listener);

    Outcome keyDown(const KeyEvent& event);
    Outcome keyUp(const KeyEvent& event);
    // The mouse wheel: to the listeners, newest first, unless an alert shows.
    Outcome wheel(int steps);
    // The window lost the keyboard: keys let go meanwhile are never reported,
    // so every key held is let go now, once.
    void releaseAll();

private:
    bool editText(const KeyEvent& event);
    bool tellListenersUp(const KeyEvent& event);

    Hooks hooks_;
    std::vector<KeyListener*> listeners_;
    // Keys whose press went to the listeners and whose release has not come.
    std::map<Key, KeyEvent> held_;
};
