#include "audio/EngineRenderer.h"

#include <algorithm>
#include <cstring>

#include "audio/CallbackUserData.h"
#include "audio/PatchChangeListener.h"
#include "audio/VoiceMixer.h"
#include "system/MainThreadQueue.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include "core/GuitarId.h"
#endif

namespace {

// stereo[2k] = stereo[2k + 1] = mono[k].
void spreadToStereo(const int16_t* mono, int16_t* stereo, int frames) {
    int k = 0;
#if defined(__SSE2__)
    for (; k + 8 <= frames; k += 8) {
        const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mono + k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(stereo + 2 * k), _mm_unpacklo_epi16(m, m));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(stereo + 2 * k + 8), _mm_unpackhi_epi16(m, m));
    }
#endif
    for (; k < frames; ++k) {
        stereo[2 * k] = mono[k];
        stereo[2 * k + 1] = mono[k];
    }
}

// out[k] = clamp(out[k] + add[k]) to -32767 ... 32767. The 16-bit saturating
// sum is that clamp but for -32768, which the floor puts right.
void sumClamped(int16_t* out, const int16_t* add, int count) {
    int k = 0;
#if defined(__SSE2__)
    const __m128i floor = _mm_set1_epi16(-32767);
    for (; k + 8 <= count; k += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(add + k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_max_epi16(_mm_adds_epi16(a, b), floor));
    }
#endif
    for (; k < count; ++k)
        out[k] = int16_t(std::clamp(int32_t(add[k]) + int32_t(out[k]), -32767, 32767));
}

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

    bool bend[kGuitars];
    for (int g = 0; g < kGuitars; ++g) {
        bend[g] = cb.pitchBendOn[g].load(std::memory_order_relaxed) ||
                  cb.whammyBarAttached[g].load(std::memory_order_relaxed);
    }
    VoiceMixer::beginBuffer(cb, numFrames, bend);
    for (EffectsChain& chain : cb.effects)
        chain.beginBuffer();

    const int chunk = cb.secondAudioQueueBufferSize / 4;
    int16_t* scratch = cb.secondAudioQueueBuffer;
    int16_t* mono = cb.monoBuffer;
    for (int offset = 0; offset < numFrames; offset += chunk) {
        const int frames = std::min(chunk, numFrames - offset);
        int16_t* output = out + 2 * offset;
        // Guitar 1 into the output, guitar 2 into the scratch buffer. Each is
        // mixed in mono (left and right are equal until the effects) and
        // then spread to both sides.
        for (int g = 0; g < kGuitars; ++g) {
            int16_t* stereo = g == 0 ? output : scratch;
            std::memset(mono, 0, sizeof(int16_t) * size_t(frames));
            VoiceMixer::mixGuitarMono(cb, mono, frames, g, bend[g]);
            spreadToStereo(mono, stereo, frames);
        }
        cb.effects[0].process(output, frames);
        cb.effects[1].process(scratch, frames);
        // The noises bypass the effects.
        VoiceMixer::mixGenericStereo(cb, scratch, frames);
        sumClamped(output, scratch, 2 * frames);
    }
    cb.metronome.mix(out, numFrames);
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
