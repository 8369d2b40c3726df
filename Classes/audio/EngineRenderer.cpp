#include "audio/EngineRenderer.h"

#include <algorithm>
#include <cstring>

#include "audio/CallbackUserData.h"
#include "audio/PatchChangeListener.h"
#include "audio/VoiceMixer.h"
#include "platform/core/MainThreadQueue.h"

namespace {

void sendTurnTouchscreenBackOn(void* context) {
    static_cast<PatchChangeListener*>(context)->turnTouchscreenBackOn();
}

} // namespace

int EngineRenderer::render(CallbackUserData& cb, int16_t* out, int numFrames) {
    if (cb.done.load(std::memory_order_acquire))
        return -1;
    if (numFrames < 0 || (out == nullptr && numFrames > 0))
        return -1;
    cb.numFramesPerBuffer.store(numFrames, std::memory_order_relaxed);

    const bool bend[2] = {cb.pitchBendOn[0].load(std::memory_order_relaxed) ||
                              cb.whammyBarAttached[0].load(std::memory_order_relaxed),
                          cb.pitchBendOn[1].load(std::memory_order_relaxed) ||
                              cb.whammyBarAttached[1].load(std::memory_order_relaxed)};
    VoiceMixer::beginBuffer(cb, numFrames, bend);
    cb.effects[0].beginBuffer();
    cb.effects[1].beginBuffer();

    const int chunk = cb.secondAudioQueueBufferSize / 4;
    int16_t* scratch = cb.secondAudioQueueBuffer;
    int16_t* mono = cb.monoBuffer;
    for (int offset = 0; offset < numFrames; offset += chunk) {
        const int frames = std::min(chunk, numFrames - offset);
        int16_t* output = out + 2 * offset;
        // Guitar 1 into the output, guitar 2 into the scratch buffer. Each is
        // mixed in mono (left and right are equal until the effects) and
        // then spread to both sides.
        for (int g = 0; g < 2; ++g) {
            int16_t* stereo = g == 0 ? output : scratch;
            std::memset(mono, 0, sizeof(int16_t) * size_t(frames));
            VoiceMixer::mixGuitarMono(cb, mono, frames, g, bend[g]);
            for (int k = 0; k < frames; ++k) {
                stereo[2 * k] = mono[k];
                stereo[2 * k + 1] = mono[k];
            }
        }
        cb.effects[0].process(output, frames);
        cb.effects[1].process(scratch, frames);
        // The noises bypass the effects.
        VoiceMixer::mixGenericStereo(cb, scratch, frames);
        for (int k = 0; k < 2 * frames; ++k)
            output[k] = int16_t(std::clamp(int32_t(scratch[k]) + int32_t(output[k]), -32767, 32767));
    }
    VoiceMixer::endBuffer(cb);
    cb.effects[0].endBuffer();
    cb.effects[1].endBuffer();

    if (PatchChangeListener* caller = cb.callerWhoChangedPatch.exchange(nullptr, std::memory_order_acq_rel)) {
        // The queue never blocks or allocates here; if it is full the message
        // goes with the next buffer.
        if (cb.mainThreadQueue == nullptr ||
            !cb.mainThreadQueue->postFromRealtime(&sendTurnTouchscreenBackOn, caller)) {
            if (cb.mainThreadQueue != nullptr) {
                PatchChangeListener* expected = nullptr;
                cb.callerWhoChangedPatch.compare_exchange_strong(expected, caller, std::memory_order_acq_rel);
            }
        }
    }
    return 0;
}
