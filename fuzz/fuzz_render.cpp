// Restore and render, as `strumwell render` does: a fresh engine and recorder
// for every input, the defaults first (set up by the model), the song loaded, then a few thousand
// frames played from a tiny synthetic bundle. Rules: the loader and `dump`
// agree; a failed load leaves the defaults and names its code; playback keeps
// the recorder in a valid state and ends quiet once stopped.
#include "FuzzSupport.h"
#include "system/OfflineAudioOutput.h"

using namespace fuzz;

namespace {
constexpr int kBufferFrames = 256;
constexpr int kBuffers = 12; // 3072 frames
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes input = exact(data, size);
    OfflineAudioOutput output(kBufferFrames);
    Model model(&output, tinyBundle());
    const bool loaded = model.files.loadStateFromBuffer(input.data(), input.size());
    require(loaded == (dumpAndCheck(input, false) == 0), "the loader and dump agree on what is valid",
            model.files.lastFailure());
    if (!loaded) {
        checkFailedLoad(model);
        require(model.engine.patchNo(0) >= 0 && model.engine.patchNo(1) >= 0,
                "a failed load leaves the defaults");
    }

    int16_t buffer[kBufferFrames * 2];
    model.recorder.play();
    for (int b = 0; b < kBuffers; ++b) {
        model.clock.set(static_cast<double>(b * kBufferFrames) / 44100.0);
        model.recorder.runPlaybackPass();
        output.pull(buffer, kBufferFrames);
        const int state = model.recorder.getState();
        require(state >= 0 && state <= 2, "the recorder's state stays valid");
    }
    model.recorder.stop();
    model.recorder.runPlaybackPass();
    return 0;
}
