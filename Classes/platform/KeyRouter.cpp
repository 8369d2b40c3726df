#include "platform/KeyRouter.h"

#include <algorithm>

#include "platform/KeyListener.h"
#include "platform/TextField.h"

KeyRouter::KeyRouter(Hooks hooks) : hooks_(std::move(hooks)) {}

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
    switch (e.key) {
    case Key::Backspace:
        field->deleteBackward();
        break;
    case Key::Return:
    case Key::KeypadEnter:
        if (!e.repeat)
            field->returnPressed();
        break;
    case Key::Escape:
        field->resignFirstResponder();
        break;
    case Key::Delete:
        field->deleteForward();
        break;
    case Key::Left:
        field->moveCaret(-1);
        break;
    case Key::Right:
        field->moveCaret(1);
        break;
    case Key::Home:
        field->moveCaretToStart();
        break;
    case Key::End:
        field->moveCaretToEnd();
        break;
    default:
        break;
    }
    return true;
}

KeyRouter::Outcome KeyRouter::keyUp(const KeyEvent& e) {
    if (hooks_.tilt)
        hooks_.tilt(e, false);
    held_.erase(e.key);
    return tellListenersUp(e) ? Outcome::Listener : Outcome::Unclaimed;
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
