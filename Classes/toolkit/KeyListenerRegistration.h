#pragma once

class KeyListener;

// Keeps a key listener registered with the running application for as long
// as this lives; without an application (tests of a lone view) it does
// nothing. Declare it after whatever the listener needs, so that it starts
// listening last and stops first.
//
// Threads: UI thread only.
class KeyListenerRegistration {
public:
    explicit KeyListenerRegistration(KeyListener* listener);
    ~KeyListenerRegistration();
    KeyListenerRegistration(const KeyListenerRegistration&) = delete;
    KeyListenerRegistration& operator=(const KeyListenerRegistration&) = delete;

private:
    KeyListener* listener_ = nullptr; // null when not registered
};
