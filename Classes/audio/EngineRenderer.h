#pragma once
#include <cstdint>

struct CallbackUserData;

// Renders one buffer from the engine's shared record: each guitar's voices
// mixed in mono and spread to stereo, run through the guitar's effects, the
// fret and tap noises added past the effects, the two guitars summed and
// clamped, the practice click added; then the screen that changed a patch is told.
//
// Threads: the render thread (or whoever pulls an offline output) only. No
// lock, no allocation, no waiting.
struct EngineRenderer {
    // Returns 0, or -1 (nothing written) while the engine is stopped or the
    // request is impossible.
    static int render(CallbackUserData& cb, int16_t* interleaved, int numFrames);
};
