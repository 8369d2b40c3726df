#include "audio/VoiceMixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

void endVoice(PlaylistVoice& voice) {
    RenderVoice& r = voice.render;
    uint32_t expected = (r.generation << 1) | 1u;
    // A newer start published meanwhile keeps its playing flag.
    voice.state.compare_exchange_strong(expected, r.generation << 1, std::memory_order_acq_rel);
    r.vol = 0;
    r.mixing = false;
}

// The number of values the voice may still mix from its position, as the
// frame limit of a buffer counts them (float difference, truncated, and never
// past the last value).
int32_t valuesLeft(const RenderVoice& r) {
    const int32_t n = FixedPoint::truncToInt32(static_cast<float>(r.size) - r.playPosition);
    return std::min<int32_t>(n, r.size - static_cast<int32_t>(r.playPosition));
}

// True when the voice cannot add anything to the next buffer either: its
// sample has run out (for the bend mixer, the value after its position is
// missing), or it is held at a speed of 0 or less.
bool cannotSound(const RenderVoice& r) {
    if (valuesLeft(r) <= 0)
        return true;
    return r.bent && (!(r.speed > 0.0f) || static_cast<int32_t>(r.playPosition) + 1 >= r.size);
}

// One frame of the envelope. Returns false when the release has ended (the
// frame then gets nothing from the voice).
inline bool envelopeStep(PlaylistVoice& voice) {
    RenderVoice& r = voice.render;
    r.vol += r.delta;
    if (r.vol >= r.target && r.phase == 0) {
        r.phase = 1;
        r.ADSRVolumeDelta = 0.0;
        r.delta = 0;
        r.vol = r.target;
    } else if (r.vol <= 0 && r.phase == 2) {
        endVoice(voice);
        return false;
    }
    return true;
}

// ---- The plain per-frame loops: the reference for every faster path ----

// Mono (one channel) or interleaved stereo (two, each given the same value).
template <int Channels> void plainReference(PlaylistVoice& voice, int16_t* out, int frames) {
    RenderVoice& r = voice.render;
    for (int j = 0; j < frames; ++j) {
        if (!envelopeStep(voice))
            return;
        const int32_t s = r.data[static_cast<int32_t>(r.playPosition)];
        const int64_t v = FixedPoint::scale(s, r.vol);
        for (int c = 0; c < Channels; ++c)
            out[Channels * j + c] = int16_t(FixedPoint::clampMix(out[Channels * j + c] + v));
        r.playPosition += 1.0f;
        --r.framesLeft;
    }
}

void plainMonoReference(PlaylistVoice& voice, int16_t* mono, int frames) {
    plainReference<1>(voice, mono, frames);
}

void plainStereoReference(PlaylistVoice& voice, int16_t* stereo, int frames) {
    plainReference<2>(voice, stereo, frames);
}

void bendMonoReference(PlaylistVoice& voice, int16_t* mono, int frames) {
    RenderVoice& r = voice.render;
    for (int j = 0; j < frames; ++j) {
        const double position = static_cast<double>(r.playPosition);
        const int32_t i = static_cast<int32_t>(position);
        // The next value must exist: the voice then stays playing and silent.
        if (i + 1 >= r.size) {
            r.mixing = false;
            return;
        }
        if (!envelopeStep(voice))
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

// out[t] = trunc(phi * data[i + 1] + (1 - phi) * data[i]) for the positions
// P[t], i = trunc(P[t]), phi = P[t] - i (in double), t < count. Every
// data[i + 1] must exist. One 32-bit gather at data + i fetches both values.
__attribute__((target("avx2"))) void interpolateAvx2(const float* P, int count, const int16_t* data,
                                                     int16_t* out) {
    int t = 0;
    const __m256d one = _mm256_set1_pd(1.0);
    for (; t + 8 <= count; t += 8) {
        const __m256 pf = _mm256_loadu_ps(P + t);
        const __m256i iv = _mm256_cvttps_epi32(pf);
        // pos - trunc(pos) is exact in single precision (both lie within a
        // factor of two of each other, or the whole part is 0).
        const __m256 phiF = _mm256_sub_ps(pf, _mm256_cvtepi32_ps(iv));
        alignas(32) int32_t idx[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(idx), iv);
        // Plain loads beat a gather on the processors we run on.
        int32_t w[8];
        for (int k = 0; k < 8; ++k)
            std::memcpy(&w[k], data + idx[k], 4);
        const __m256i pair = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w));
        const __m256i d0 = _mm256_srai_epi32(_mm256_slli_epi32(pair, 16), 16);
        const __m256i d1 = _mm256_srai_epi32(pair, 16);
        __m128i half[2];
        for (int h = 0; h < 2; ++h) {
            const __m256d phi =
                _mm256_cvtps_pd(h == 0 ? _mm256_castps256_ps128(phiF) : _mm256_extractf128_ps(phiF, 1));
            const __m128i a0 = h == 0 ? _mm256_castsi256_si128(d0) : _mm256_extracti128_si256(d0, 1);
            const __m128i a1 = h == 0 ? _mm256_castsi256_si128(d1) : _mm256_extracti128_si256(d1, 1);
            const __m256d a = _mm256_mul_pd(phi, _mm256_cvtepi32_pd(a1));
            const __m256d b = _mm256_mul_pd(_mm256_sub_pd(one, phi), _mm256_cvtepi32_pd(a0));
            half[h] = _mm256_cvttpd_epi32(_mm256_add_pd(a, b));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + t), _mm_packs_epi32(half[0], half[1]));
    }
    for (; t < count; ++t) {
        const double position = static_cast<double>(P[t]);
        const int32_t i = static_cast<int32_t>(position);
        const double phi = position - i;
        out[t] = int16_t(static_cast<int32_t>(phi * data[i + 1] + (1.0 - phi) * data[i]));
    }
}

// P[L][j] for j < count: lane L's position after j additions of speed[L],
// each a float addition of the one before (as the per-frame loop does it).
// The eight chains run side by side; each block of eight frames is
// transposed so that every voice's positions lie in one row.
__attribute__((target("avx2"))) void positionsAvx2(const float* pos, const float* speed, int count,
                                                   float (*P)[CallbackUserData::kBendRow]) {
    __m256 current = _mm256_loadu_ps(pos);
    const __m256 step = _mm256_loadu_ps(speed);
    for (int b = 0; b < count; b += 8) {
        __m256 r[8];
        r[0] = current;
        for (int k = 1; k < 8; ++k)
            r[k] = _mm256_add_ps(r[k - 1], step);
        current = _mm256_add_ps(r[7], step);
        const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
        const __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
        const __m256 t4 = _mm256_unpacklo_ps(r[4], r[5]), t5 = _mm256_unpackhi_ps(r[4], r[5]);
        const __m256 t6 = _mm256_unpacklo_ps(r[6], r[7]), t7 = _mm256_unpackhi_ps(r[6], r[7]);
        const __m256 u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
        const __m256 u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
        const __m256 u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
        const __m256 u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
        const __m256 u4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
        const __m256 u5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
        const __m256 u6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
        const __m256 u7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
        _mm256_storeu_ps(&P[0][b], _mm256_permute2f128_ps(u0, u4, 0x20));
        _mm256_storeu_ps(&P[1][b], _mm256_permute2f128_ps(u1, u5, 0x20));
        _mm256_storeu_ps(&P[2][b], _mm256_permute2f128_ps(u2, u6, 0x20));
        _mm256_storeu_ps(&P[3][b], _mm256_permute2f128_ps(u3, u7, 0x20));
        _mm256_storeu_ps(&P[4][b], _mm256_permute2f128_ps(u0, u4, 0x31));
        _mm256_storeu_ps(&P[5][b], _mm256_permute2f128_ps(u1, u5, 0x31));
        _mm256_storeu_ps(&P[6][b], _mm256_permute2f128_ps(u2, u6, 0x31));
        _mm256_storeu_ps(&P[7][b], _mm256_permute2f128_ps(u3, u7, 0x31));
    }
}

// One voice of the bend mixer over k frames whose read positions P[0..k]
// are known (P[0] is the voice's position).
void bendMonoFast(CallbackUserData& cb, PlaylistVoice& voice, int16_t* mono, int k, const float* P) {
    RenderVoice& r = voice.render;
    // Frames whose next value exists: P[j] < size - 1 (positions never fall).
    const float last = static_cast<float>(r.size - 1);
    const int limit =
        static_cast<int>(std::lower_bound(P, P + k, last, [](float a, float b) { return a < b; }) - P);
    int16_t* values = cb.bendValues;
    int j = 0;
    while (j < k && r.mixing) {
        r.playPosition = P[j];
        if (j >= limit || r.phase == 0) {
            bendMonoReference(voice, mono + j, 1);
            ++j;
            continue;
        }
        const int avail = limit - j;
        if (r.delta == 0 && !(r.phase == 2 && r.vol <= 0)) {
            if (r.vol == 65536) {
                interpolateAvx2(P + j, avail, r.data, values);
                mixUnityAvx2(mono + j, values, avail);
            } else if (r.vol >= 0 && r.vol < 65536) {
                interpolateAvx2(P + j, avail, r.data, values);
                mixRampAvx2(mono + j, values, avail, r.vol, 0);
            } else {
                bendMonoReference(voice, mono + j, k - j);
                return;
            }
            j += avail;
            r.framesLeft -= avail;
            r.playPosition = P[j];
            continue;
        }
        if (r.phase == 2 && r.delta < 0 && r.vol + int64_t(r.delta) <= 65535) {
            const int64_t vol = r.vol;
            const int64_t step = r.delta;
            const int64_t sounding = vol > 0 ? (vol - 1) / -step : 0;
            const int count = static_cast<int>(std::min<int64_t>(sounding, avail));
            if (count > 0) {
                interpolateAvx2(P + j, count, r.data, values);
                mixRampAvx2(mono + j, values, count, r.vol, r.delta);
                r.vol = static_cast<int32_t>(vol + count * step);
                j += count;
                r.framesLeft -= count;
                r.playPosition = P[j];
            }
            if (j < k && r.mixing) {
                bendMonoReference(voice, mono + j, 1);
                ++j;
            }
            continue;
        }
        bendMonoReference(voice, mono + j, k - j);
        return;
    }
    if (r.mixing)
        r.playPosition = P[j];
}

// The bend mixer for one guitar, eight voices at a time: their read positions
// are independent chains of float additions, computed side by side.
void bendGroupFast(CallbackUserData& cb, int16_t* mono, int frames, int guitar) {
    PlaylistVoice* list[kNumVoices];
    int listed = 0;
    for (PlaylistVoice& voice : cb.playlist) {
        const RenderVoice& r = voice.render;
        if (r.mixing && r.framesLeft > 0 && VoiceMixer::groupOfSample(r.sampleNo) == guitar)
            list[listed++] = &voice;
    }
    for (int offset = 0; offset < frames; offset += CallbackUserData::kBendPiece) {
        const int len = std::min(CallbackUserData::kBendPiece, frames - offset);
        for (int first = 0; first < listed; first += 8) {
            const int lanes = std::min(8, listed - first);
            int k[8] = {};
            float pos[8] = {}, speed[8] = {};
            int longest = 0;
            for (int L = 0; L < lanes; ++L) {
                const RenderVoice& r = list[first + L]->render;
                k[L] = r.mixing ? std::min(len, r.framesLeft) : 0;
                pos[L] = r.playPosition;
                speed[L] = r.speed;
                longest = std::max(longest, k[L]);
            }
            float(*P)[CallbackUserData::kBendRow] = cb.bendPositions;
            positionsAvx2(pos, speed, longest + 1, P);
            for (int L = 0; L < lanes; ++L)
                if (k[L] > 0)
                    bendMonoFast(cb, *list[first + L], mono + offset, k[L], P[L]);
        }
    }
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

void plainMono(PlaylistVoice& voice, int16_t* mono, int frames, bool fast) {
    RenderVoice& r = voice.render;
#ifdef STRUMWELL_HAVE_AVX2_PATH
    if (fast) {
        int j = 0;
        while (j < frames && r.mixing) {
            const float position = r.playPosition;
            const bool wholePosition =
                position >= 0.0f && position < 16000000.0f && position == std::floor(position);
            if (r.phase == 0 || !wholePosition) {
                plainMonoReference(voice, mono + j, 1);
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
                    plainMonoReference(voice, mono + j, left);
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
                    plainMonoReference(voice, mono + j, 1);
                    ++j;
                }
                continue;
            }
            plainMonoReference(voice, mono + j, left);
            return;
        }
        return;
    }
#else
    (void)fast;
#endif
    plainMonoReference(voice, mono, frames);
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
        // Never let a rounded float position reach past the last value.
        // Positions only grow from 0 and stay below 2^24 + 64, so the
        // conversion is safe.
        r.framesLeft = std::min<int32_t>(numFrames, valuesLeft(r));
        r.speed = 1.0f;
        r.bent = bent;
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
#ifdef STRUMWELL_HAVE_AVX2_PATH
    if (bend && fast) {
        bendGroupFast(cb, mono, frames, guitar);
        return;
    }
#endif
    for (PlaylistVoice& voice : cb.playlist) {
        RenderVoice& r = voice.render;
        if (!r.mixing || r.framesLeft <= 0 || groupOfSample(r.sampleNo) != guitar)
            continue;
        const int count = std::min(frames, r.framesLeft);
        if (bend)
            bendMonoReference(voice, mono, count);
        else
            plainMono(voice, mono, count, fast);
    }
}

void VoiceMixer::mixGenericStereo(CallbackUserData& cb, int16_t* stereo, int frames) {
    for (PlaylistVoice& voice : cb.playlist) {
        RenderVoice& r = voice.render;
        if (!r.mixing || r.framesLeft <= 0 || groupOfSample(r.sampleNo) != 2)
            continue;
        plainStereoReference(voice, stereo, std::min(frames, r.framesLeft));
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
        // Tell the other threads whether this start can still be heard. A
        // start published since (another state word) is never marked.
        const uint32_t word = (r.generation << 1) | 1u;
        if (voice.state.load(std::memory_order_acquire) == word)
            voice.silentState.store(cannotSound(r) ? word : 0u, std::memory_order_release);
    }
}
