#pragma once
#include <cstdint>

#include "core/GuitarId.h"

struct CallbackUserData;

// The two voice mixers of the render callback. A buffer is prepared once
// (new starts picked up, pitch glides, release starts, fixed-point volumes,
// frame limits), then mixed in pieces of any length, then finished (envelope
// volumes stored back). Mixing a buffer in pieces gives exactly the result of
// mixing it whole.
//
// Threads: render thread only (or one thread pulling an offline output).
class VoiceMixer {
public:
    // Each voice is mixed with the guitar it was started for
    // (PlaylistVoice::guitar), or with the generic samples when it has none.

    // bend[g]: guitar g is mixed by the bend mixer this buffer.
    static void beginBuffer(CallbackUserData& cb, int numFrames, const bool bend[kGuitars]);

    // Adds the next `frames` frames of guitar g's voices to a mono buffer
    // (the guitar's freshly zeroed mix, where left and right are equal).
    static void mixGuitarMono(CallbackUserData& cb, int16_t* mono, int frames, int guitar, bool bend);

    // Adds the next `frames` frames of the generic samples to an interleaved
    // stereo buffer, to the left and the right value separately.
    static void mixGenericStereo(CallbackUserData& cb, int16_t* stereo, int frames);

    static void endBuffer(CallbackUserData& cb);

    // True when the vectorised loops can run on this processor.
    static bool fastPathAvailable();
};
