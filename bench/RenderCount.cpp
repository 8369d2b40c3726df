// Renders a fixed number of 256-frame buffers of one engine scenario, for
// counting instructions where wall time is too noisy (a shared machine):
//
//   valgrind --tool=callgrind --toggle-collect='renderBuffers*'
//            strumwell_render_count SCENARIO [BUFFERS]
//
// SCENARIO: plain (40 voices, no effects), bend (40 voices with pitch bend
// and whammy), bend-effects (as bend, with wah, fuzz and ping-pong delay on
// both guitars), silence, silence-effects (no voice sounding),
// after-effects (silence-effects after the forty voices played for a second
// and stopped six seconds ago: what is left in the effects then is rendered
// exactly, never skipped). Prints the voice-frames rendered, to divide the
// collected count by. Counts miss what waiting on memory costs (forty voices
// read ten-second samples): check a change against the timed benchmarks too.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "EngineRig.h"

using namespace engine_rig;

// Kept out of line so that callgrind can collect it alone.
__attribute__((noinline)) void renderBuffers(Rig& rig, int buffers) {
    for (int b = 0; b < buffers; ++b)
        rig.renderOnce();
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: strumwell_render_count SCENARIO [BUFFERS]\n");
        return 2;
    }
    const char* scenario = argv[1];
    const int buffers = argc > 2 ? std::atoi(argv[2]) : 200;
    const bool bend = std::strncmp(scenario, "bend", 4) == 0;
    const bool after = std::strcmp(scenario, "after-effects") == 0;
    const bool silent = after || std::strncmp(scenario, "silence", 7) == 0;
    const bool effects = std::strstr(scenario, "effects") != nullptr;
    if (!bend && !silent && std::strcmp(scenario, "plain") != 0) {
        std::fprintf(stderr, "strumwell_render_count: unknown scenario '%s'\n", scenario);
        return 2;
    }
    Rig rig(bend, effects, silent && !after ? 0 : kVoices);
    if (after) {
        for (int b = 0; b < 172; ++b)
            rig.renderOnce();
        rig.engine->stopAllSoundsImmediately();
        for (int b = 0; b < 1034; ++b)
            rig.renderOnce();
    }
    // Past the attack and the first glide steps, as a held chord.
    for (int b = 0; b < 20; ++b)
        rig.renderOnce();
    renderBuffers(rig, buffers);
    long checksum = 0;
    for (int16_t v : rig.out)
        checksum += v;
    std::printf("%s: %d buffers, %ld frames, %ld voice-frames, checksum %ld\n", scenario, buffers,
                long(buffers) * kFrames, long(buffers) * kFrames * (silent ? 0 : kVoices), checksum);
    return 0;
}
