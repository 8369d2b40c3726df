#pragma once
#include <SDL.h>

#include <map>
#include <utility>

#include "toolkit/Touch.h"

// SDL's fingers (a finger of a touch device) to the views' touch ids, which
// are never reused; and fingers that other threads post as SDL events.
//
// Threads: UI thread, except postedEvent (any thread).
class SdlFingerTranslator {
public:
    // Synthetic fingers get touch devices of their own.
    static constexpr SDL_TouchID kInjectedDevice = 0x5357;
    static constexpr SDL_TouchID kPostedDevice = 0x5358;

    // The touch id of the finger in this phase, or 0 for a finger that was
    // never seen going down. A finger that ends is forgotten.
    long touchId(SDL_TouchID device, SDL_FingerID finger, TouchPhase phase);

    // A finger as an event of the given type (position normalised to the
    // letterboxed picture, clamped to 0..1), and back.
    static SDL_Event postedEvent(Uint32 type, long id, TouchPhase phase, float normalizedX,
                                 float normalizedY);
    struct Posted {
        SDL_FingerID finger;
        TouchPhase phase;
        float x, y;
    };
    static Posted readPosted(const SDL_Event& event);

private:
    std::map<std::pair<SDL_TouchID, SDL_FingerID>, long> ids_;
    long nextId_ = 1;
};
