#pragma once
#include <SDL.h>

#include "toolkit/Key.h"

// SDL's keyboard events to the platform's KeyEvents and back (for keys that
// tests and tools push into the event queue). Keys go by scancode, the key's
// place on the keyboard, whatever the user's layout.
class SdlKeyTranslator {
public:
    static KeyEvent keyEvent(const SDL_KeyboardEvent& event);
    // An SDL_KEYDOWN or SDL_KEYUP event for the key.
    static SDL_Event sdlEvent(const KeyEvent& event, bool down);
};
