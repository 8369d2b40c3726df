#include "audio/VoiceMixer.h"

#include <algorithm>
#include <cmath>

#include "audio/CallbackUserData.h"
#include "audio/FixedPoint.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define STRUMWELL_HAVE_AVX2_PATH 1
#endif

namespace {

constexpr float kMaxSpeed = 64.0f;
constexpr double kMaxVolume = 2.0;
constexpr double kMostNegativeRelease = -2.0;

// Untrusted volumes (songs, saved states) are held to 0 ... 2: a note then
// always reaches its level on its first frame.
double usableVolume(double v) {
    if (!(v > 0.0))
        return 0.0;
    return v > kMaxVolume ? kMaxVolume : v;
}

// A release slope is negative or 0 (0: the note plays to its end). Slopes
// steeper than -2 end any note on the first frame anyway.
double usableRelease(double d) {
    if (!(d < 0.0))
        return 0.0;
    return d < kMostNegativeRelease ? kMostNegativeRelease : d;
}

void endVoice(CallbackUserData& cb, PlaylistVoice& voice) {
    RenderVoice& r = voice.render;
    uint32_t expected = (r.generation << 1) | 1u;
    // A newer start published meanwhile keeps its playing flag.
    if (voice.state.compare_exchange_strong(expected, r.generation << 1, std::memory_order_acq_rel))
        cb.numSamplesPlaying.fetch_sub(1, std::memory_order_relaxed);
    r.vol = 0;
    r.mixing = false;
}

// One frame of the envelope. Returns false when the release has ended (the
// frame then gets nothing from the voice).
inline bool envelopeStep(CallbackUserData& cb, PlaylistVoice& voice) {
    RenderVoice& r = voice.render;
    r.vol += r.delta;
    if (r.vol >= r.target && r.phase == 0) {
        r.phase = 1;
        r.ADSRVolumeDelta = 0.0;
        r.delta = 0;
        r.vol = r.target;
    } else if (r.vol <= 0 && r.phase == 2) {
        endVoice(cb, voice);
        return false;
    }
    return true;
}

// ---- The plain per-frame loops: the reference for every faster path ----

void plainMonoReference(CallbackUserData& cb, PlaylistVoice& voice, int16_t* mono, int frames) {
    RenderVoice& r = voice.render;
    for (int j = 0; j < frames; ++j) {
        if (!envelopeStep(cb, voice))
            return;
        const int32_t s = r.data[static_cast<int32_t>(r.playPosition)];
        mono[j] = int16_t(FixedPoint::clampMix(mono[j] + FixedPoint::scale(s, r.vol)));
        r.playPosition += 1.0f;
        --r.framesLeft;
    }
}

void plainStereoReference(CallbackUserData& cb, PlaylistVoice& voice, int16_t* stereo, int frames) {
    RenderVoice& r = voice.render;
    for (int j = 0; j < frames; ++j) {
        if (!envelopeStep(cb, voice))
            return;
        const int32_t s = r.data[static_cast<int32_t>(r.playPosition)];
        const int64_t v = FixedPoint::scale(s, r.vol);
        stereo[2 * j] = int16_t(FixedPoint::clampMix(stereo[2 * j] + v));
        stereo[2 * j + 1] = int16_t(FixedPoint::clampMix(stereo[2 * j + 1] + v));
        r.playPosition += 1.0f;
        --r.framesLeft;
    }
}

void bendMonoReference(CallbackUserData& cb, PlaylistVoice& voice, int16_t* mono, int frames) {
    RenderVoice& r = voice.render;
    for (int j = 0; j < frames; ++j) {
        const double position = static_cast<double>(r.playPosition);
        const int32_t i = static_cast<int32_t>(position);
        // The next value must exist: the voice then stays playing and silent.
        if (i + 1 >= r.size) {
            r.mixing = false;
            return;
        }
        if (!envelopeStep(cb, voice))
            return;
        const double phi = position - i;
        const int32_t s = static_cast<int32_t>(phi * r.data[i + 1] + (1.0 - phi) * r.data[i]);
        mono[j] = int16_t(FixedPoint::clampMix(mono[j] + FixedPoint::scale(s, r.vol)));
        r.playPosition = r.playPosition + r.speed;
        --r.framesLeft;
    }
}

// ---- Vectorised plain mixing (bit-exact with the loop above) ----

#ifdef STRUMWELL_HAVE_AVX2_PATH
bool cpuHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// mono[t] = clamp(mono[t] + (data[t] * vol_t >> 16)) for t < count, with
// vol_t = vol0 + (t + 1) * step, every vol_t within 0 ... 65535.
// The 16x16 multiply-high gives the product's top half for a signed volume;
// a volume of 32768 or more reads as itself minus 65536, which the added
// sample puts right.
__attribute__((target("avx2"))) void mixRampAvx2(int16_t* mono, const int16_t* data, int count, int32_t vol0,
                                                 int32_t step) {
    int t = 0;
    if (count >= 16) {
        alignas(32) int16_t first[16];
        for (int k = 0; k < 16; ++k)
            first[k] = int16_t(uint16_t(uint32_t(vol0 + (k + 1) * step)));
        __m256i vol = _mm256_load_si256(reinterpret_cast<const __m256i*>(first));
        const __m256i advance = _mm256_set1_epi16(int16_t(uint16_t(uint32_t(step * 16))));
        const __m256i floor = _mm256_set1_epi16(-32767);
        for (; t + 16 <= count; t += 16) {
            const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + t));
            __m256i p = _mm256_mulhi_epi16(s, vol);
            p = _mm256_add_epi16(p, _mm256_and_si256(s, _mm256_srai_epi16(vol, 15)));
            __m256i acc = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mono + t));
            acc = _mm256_max_epi16(_mm256_adds_epi16(acc, p), floor);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(mono + t), acc);
            vol = _mm256_add_epi16(vol, advance);
        }
    }
    for (; t < count; ++t) {
        const int32_t v = vol0 + (t + 1) * step;
        mono[t] = int16_t(FixedPoint::clampMix(mono[t] + FixedPoint::scale(data[t], v)));
    }
}

// mono[t] = clamp(mono[t] + data[t]): a volume of exactly 1.0.
__attribute__((target("avx2"))) void mixUnityAvx2(int16_t* mono, const int16_t* data, int count) {
    int t = 0;
    const __m256i floor = _mm256_set1_epi16(-32767);
    for (; t + 16 <= count; t += 16) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + t));
        __m256i acc = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mono + t));
        acc = _mm256_max_epi16(_mm256_adds_epi16(acc, s), floor);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(mono + t), acc);
    }
    for (; t < count; ++t)
        mono[t] = int16_t(FixedPoint::clampMix(mono[t] + data[t]));
}
#endif

bool fastEnabled(CallbackUserData& cb) {
#ifdef STRUMWELL_HAVE_AVX2_PATH
    return cb.fastPath.load(std::memory_order_relaxed) && cpuHasAvx2();
#else
    (void)cb;
    return false;
#endif
}

void plainMono(CallbackUserData& cb, PlaylistVoice& voice, int16_t* mono, int frames, bool fast) {
    RenderVoice& r = voice.render;
#ifdef STRUMWELL_HAVE_AVX2_PATH
    if (fast) {
        int j = 0;
        while (j < frames && r.mixing) {
            const float position = r.playPosition;
            const bool wholePosition = position >= 0.0f && position < 16000000.0f &&
                                       position == std::floor(position);
            if (r.phase == 0 || !wholePosition) {
                plainMonoReference(cb, voice, mono + j, 1);
                ++j;
                continue;
            }
            const int left = frames - j;
            const int32_t index = static_cast<int32_t>(position);
            if (r.delta == 0 && !(r.phase == 2 && r.vol <= 0)) {
                // Sustain, or a release that never falls: a constant volume.
                if (r.vol == 65536) {
                    mixUnityAvx2(mono + j, r.data + index, left);
                } else if (r.vol >= 0 && r.vol < 65536) {
                    mixRampAvx2(mono + j, r.data + index, left, r.vol, 0);
                } else {
                    plainMonoReference(cb, voice, mono + j, left);
                    return;
                }
                r.playPosition = static_cast<float>(index + left);
                r.framesLeft -= left;
                return;
            }
            if (r.phase == 2 && r.delta < 0 && r.vol + int64_t(r.delta) <= 65535) {
                // The release: frames t = 1, 2, ... sound while vol + t * delta > 0.
                const int64_t vol = r.vol;
                const int64_t step = r.delta;
                int64_t sounding = vol > 0 ? (vol - 1) / -step : 0; // largest t with vol + t*step > 0
                const int count = static_cast<int>(std::min<int64_t>(sounding, left));
                if (count > 0) {
                    mixRampAvx2(mono + j, r.data + index, count, r.vol, r.delta);
                    r.vol = static_cast<int32_t>(vol + count * step);
                    r.playPosition = static_cast<float>(index + count);
                    r.framesLeft -= count;
                    j += count;
                }
                if (j < frames) {
                    // The frame on which the release ends (or a further one).
                    plainMonoReference(cb, voice, mono + j, 1);
                    ++j;
                }
                continue;
            }
            plainMonoReference(cb, voice, mono + j, left);
            return;
        }
        return;
    }
#else
    (void)fast;
#endif
    plainMonoReference(cb, voice, mono, frames);
}

} // namespace

bool VoiceMixer::fastPathAvailable() {
#ifdef STRUMWELL_HAVE_AVX2_PATH
    return cpuHasAvx2();
#else
    return false;
#endif
}

void VoiceMixer::beginBuffer(CallbackUserData& cb, int numFrames, const bool bend[2]) {
    const float whammy[2] = {cb.whammy[0].load(std::memory_order_relaxed),
                             cb.whammy[1].load(std::memory_order_relaxed)};
    for (PlaylistVoice& voice : cb.playlist) {
        RenderVoice& r = voice.render;
        r.mixing = false;
        r.prepared = false;
        const uint32_t word = voice.state.load(std::memory_order_acquire);
        if ((word & 1u) == 0)
            continue;
        const uint32_t generation = word >> 1;
        if (generation != r.generation) {
            // Acquire loads: if one of them sees a field of a start being
            // written now, the check below sees that start's "busy" mark.
            const int32_t sampleNo = voice.sampleNo.load(std::memory_order_acquire);
            const double requiredVolume = voice.requiredVolume.load(std::memory_order_acquire);
            const double releaseDelta = voice.releaseDelta.load(std::memory_order_acquire);
            if (voice.state.load(std::memory_order_relaxed) != word)
                continue; // a newer start is being written: take it next buffer
            r.generation = generation;
            r.sampleNo = (sampleNo >= 0 && sampleNo < kNumSampleSlots) ? sampleNo : 0;
            r.requiredVolume = requiredVolume;
            r.releaseDelta = releaseDelta;
            r.playPosition = 0.0f;
            r.ADSRVolume = 1.0;
            r.ADSRVolumeDelta = 1.0;
            r.phase = 0;
            r.atLeastOneBufferFilled = false;
            r.pitch = 1.0f;
        }
        r.prepared = true;
        r.mixing = true;
        const int group = groupOfSample(r.sampleNo);
        const bool bent = group < 2 && bend[group];

        uint32_t reset = voice.pitchResetRequest.load(std::memory_order_acquire);
        if (reset == word) {
            voice.pitchResetRequest.compare_exchange_strong(reset, 0u, std::memory_order_acq_rel);
            r.pitch = 1.0f;
        }
        if (bent) {
            const float required = voice.requiredPitch.load(std::memory_order_relaxed);
            if (r.pitch < required) {
                r.pitch = static_cast<float>(static_cast<double>(r.pitch) + 0.008);
                if (r.pitch > required)
                    r.pitch = required;
            } else if (r.pitch > required) {
                r.pitch = static_cast<float>(static_cast<double>(r.pitch) - 0.03);
                if (r.pitch < required)
                    r.pitch = required;
            }
        }

        uint32_t stop = voice.stopRequest.load(std::memory_order_acquire);
        if (stop == word && r.atLeastOneBufferFilled) {
            voice.stopRequest.compare_exchange_strong(stop, 0u, std::memory_order_acq_rel);
            r.phase = 2;
            r.ADSRVolumeDelta = usableRelease(r.releaseDelta);
        }
        r.atLeastOneBufferFilled = true;

        r.vol = FixedPoint::toFixed(r.ADSRVolume);
        r.delta = FixedPoint::toFixed(r.ADSRVolumeDelta);
        r.target = FixedPoint::toFixed(usableVolume(r.requiredVolume));

        const SampleSlot& slot = cb.sampleList[r.sampleNo];
        r.data = slot.rawData.load(std::memory_order_relaxed);
        r.size = r.data ? slot.rawDataSize.load(std::memory_order_relaxed) : 0;
        if (r.size < 0)
            r.size = 0;
        int32_t n = FixedPoint::truncToInt32(static_cast<float>(r.size) - r.playPosition);
        // Never let a rounded float position reach past the last value.
        // Positions only grow from 0 and stay below 2^24 + 64, so the
        // conversion is safe.
        n = std::min<int32_t>(n, r.size - static_cast<int32_t>(r.playPosition));
        r.framesLeft = std::min<int32_t>(numFrames, n);
        r.speed = 1.0f;
        if (bent) {
            float speed = whammy[group] + r.pitch;
            if (!(speed > 0.0f))
                r.framesLeft = 0; // a playback speed of 0 or less is refused
            else if (speed > kMaxSpeed)
                speed = kMaxSpeed;
            r.speed = speed;
        }
    }
}

void VoiceMixer::mixGuitarMono(CallbackUserData& cb, int16_t* mono, int frames, int guitar, bool bend) {
    const bool fast = fastEnabled(cb);
    for (PlaylistVoice& voice : cb.playlist) {
        RenderVoice& r = voice.render;
        if (!r.mixing || r.framesLeft <= 0 || groupOfSample(r.sampleNo) != guitar)
            continue;
        const int count = std::min(frames, r.framesLeft);
        if (bend)
            bendMonoReference(cb, voice, mono, count);
        else
            plainMono(cb, voice, mono, count, fast);
    }
}

void VoiceMixer::mixGenericStereo(CallbackUserData& cb, int16_t* stereo, int frames) {
    for (PlaylistVoice& voice : cb.playlist) {
        RenderVoice& r = voice.render;
        if (!r.mixing || r.framesLeft <= 0 || groupOfSample(r.sampleNo) != 2)
            continue;
        plainStereoReference(cb, voice, stereo, std::min(frames, r.framesLeft));
    }
}

void VoiceMixer::endBuffer(CallbackUserData& cb) {
    for (PlaylistVoice& voice : cb.playlist) {
        RenderVoice& r = voice.render;
        if (!r.prepared)
            continue;
        r.prepared = false;
        r.ADSRVolume = static_cast<double>(static_cast<float>(r.vol) * (1.0f / 65536.0f));
        r.mixing = false;
    }
}
