#pragma once
#include <cstdint>

struct CallbackUserData;

// One guitar's wah, fuzz and delay, run on an interleaved stereo buffer after
// the guitar's voices are mixed. Settings are read once per buffer (begin);
// the buffer may then be processed in pieces with the same result as whole.
//
// Threads: render thread only, except usableWahCoefficient.
class EffectsChain {
public:
    // The wah coefficients the pedal makes, 0.05 (closed) ... 0.5 (open). The
    // filter is stable only within them: above it rings on its own, and 1
    // would divide by zero. Anything else can only come from damaged data and
    // is held at the nearest end (NaN at the open end). Any thread.
    static constexpr float kMinWahCoefficient = 0.05f;
    static constexpr float kMaxWahCoefficient = 0.5f;
    static float usableWahCoefficient(float f) {
        if (!(f == f))
            return kMaxWahCoefficient;
        return f < kMinWahCoefficient ? kMinWahCoefficient
                                      : (f > kMaxWahCoefficient ? kMaxWahCoefficient : f);
    }

    // The settings of one buffer and the delay's read positions.
    struct BufferState {
        bool wahOn = false;
        float f = 0.5f;
        float q = 0.0f;
        bool fuzzOn = false;
        int32_t threshold = 0;
        bool delayOn = false;
        bool pingPong = false;
        int32_t feedback = 0; // 16.16
        int32_t mix = 0;      // 16.16
        int32_t r = 0;        // first read position
        int32_t s = 0;        // second read position (ping-pong)
        int32_t w = 0;        // write position
    };

    // Reads guitar g's settings for the buffer about to be rendered; empties
    // the delay ring first if a setter asked for it.
    static BufferState begin(CallbackUserData& cb, int guitar);
    // Runs the chain over `frames` frames.
    static void process(CallbackUserData& cb, int guitar, BufferState& state, int16_t* stereo, int frames);
    // Stores the delay's write position.
    static void end(CallbackUserData& cb, int guitar, const BufferState& state);
};
