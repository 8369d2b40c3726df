#include "toolkit/KeyRouter.h"

#include <algorithm>
#include <utility>

#include "toolkit/KeyListener.h"
#include "toolkit/TextField.h"

namespace {
KeyRouter* gActive = nullptr; // UI thread only
}

KeyRouter::KeyRouter(Hooks hooks) : hooks_(std::move(hooks)) {}

KeyRouter* KeyRouter::active() {
    return gActive;
}

void KeyRouter::setActive(KeyRouter* router) {
    gActive = router;
}

void KeyRouter::addListener(KeyListener* listener) {
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void KeyRouter::removeListener(KeyListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

KeyRouter::Outcome KeyRouter::keyDown(const KeyEvent& e) {
    const bool enter = e.key == Key::Return || e.key == Key::KeypadEnter;
    if ((e.key == Key::F11 || (e.alt && enter)) && !e.repeat) {
        if (hooks_.toggleFullscreen)
            hooks_.toggleFullscreen();
        return Outcome::Fullscreen;
    }
    if (hooks_.alertShown && hooks_.alertShown()) {
        if ((enter || e.key == Key::Escape || e.key == Key::Space) && !e.repeat && hooks_.answerAlert)
            hooks_.answerAlert();
        return Outcome::Alert;
    }
    if (editText(e))
        return Outcome::TextField;
    if (hooks_.tilt && hooks_.tilt(e, true))
        return Outcome::Tilt;
    if (!e.repeat)
        held_[e.key] = e;
    // A copy: listeners may come and go while handling a key.
    const std::vector<KeyListener*> listeners = listeners_;
    for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
        if ((*it)->keyDown(e))
            return Outcome::Listener;
    return Outcome::Unclaimed;
}

bool KeyRouter::editText(const KeyEvent& e) {
    TextField* field = TextField::editingField();
    if (!field)
        return false;
    if (e.key == Key::Return || e.key == Key::KeypadEnter) {
        if (!e.repeat)
            field->returnPressed();
        return true;
    }
    if (e.ctrl && e.key == Key::A) {
        field->selectAll();
        return true;
    }
    using Edit = void (*)(TextField&);
    static const std::pair<Key, Edit> kEdits[] = {
        {Key::Backspace, [](TextField& f) { f.deleteBackward(); }},
        {Key::Delete, [](TextField& f) { f.deleteForward(); }},
        {Key::Left, [](TextField& f) { f.moveCaret(-1); }},
        {Key::Right, [](TextField& f) { f.moveCaret(1); }},
        {Key::Home, [](TextField& f) { f.moveCaretToStart(); }},
        {Key::End, [](TextField& f) { f.moveCaretToEnd(); }},
        {Key::Escape, [](TextField& f) { f.resignFirstResponder(); }},
    };
    for (const auto& [key, edit] : kEdits)
        if (key == e.key)
            edit(*field);
    // Any other key is the field's too: typed text arrives on its own.
    return true;
}

KeyRouter::Outcome KeyRouter::keyUp(const KeyEvent& e) {
    if (hooks_.tilt)
        hooks_.tilt(e, false);
    held_.erase(e.key);
    return tellListenersUp(e) ? Outcome::Listener : Outcome::Unclaimed;
}

KeyRouter::Outcome KeyRouter::wheel(int steps) {
    if (hooks_.alertShown && hooks_.alertShown())
        return Outcome::Alert;
    const std::vector<KeyListener*> listeners = listeners_;
    for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
        if ((*it)->wheel(steps))
            return Outcome::Listener;
    return Outcome::Unclaimed;
}

void KeyRouter::releaseAll() {
    if (hooks_.tilt)
        hooks_.tilt(KeyEvent{}, false);
    std::map<Key, KeyEvent> held;
    held.swap(held_);
    for (auto& [key, e] : held) {
        e.repeat = false;
        tellListenersUp(e);
    }
}

bool KeyRouter::tellListenersUp(const KeyEvent& e) {
    const std::vector<KeyListener*> listeners = listeners_;
    for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
        if ((*it)->keyUp(e))
            return true;
    return false;
}
