#include "audio/VoiceMixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

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
    return v > 0.0 ? std::min(v, kMaxVolume) : 0.0; // NaN too: 0
}

// A release slope is negative or 0 (0: the note plays to its end). Slopes
// steeper than -2 end any note on the first frame anyway.
double usableRelease(double d) {
    return d < 0.0 ? std::max(d, kMostNegativeRelease) : 0.0;
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
    // BMI2's shifts by a register come with every AVX2 processor we know of;
    // asked for all the same, as the bend mixer's loops use them.
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2");
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

// A run of read positions that are steps of one integer apart: position t
// is n(t) * 2^-shift with n(t) = n0 + t * step. Within one binade of floats
// (2^e <= position < 2^(e+1)) every float is a whole multiple of 2^(e-23),
// so adding the speed always adds the same whole number of those units
// (the sum rounded to the grid), once the first addition has settled a
// half-way tie to the even unit.
struct PositionRun {
    int32_t n0 = 0;
    int32_t step = 0;
    int shift = 0;
};

// The units of a float of binade e (0 ... 23): position = n * 2^(e-23) with
// 2^23 <= n < 2^24. Returns the binade, or -1 outside 1 <= x < 2^24.
inline int binadeUnits(float x, int32_t& n) {
    uint32_t bits;
    std::memcpy(&bits, &x, 4);
    const int e = int(bits >> 23) - 127;
    if (e < 0 || e > 23)
        return -1;
    n = int32_t((bits & 0x7FFFFFu) | 0x800000u);
    return e;
}

// The pairs data[i], data[i + 1] for eight indices, as 32-bit lanes (low
// half, high half). Plain loads: a gather is several times slower on the
// processors we run on.
__attribute__((target("avx2"))) inline __m256i valuePairs(const int16_t* data, __m256i i) {
    alignas(32) int32_t index[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(index), i);
    int32_t w[8];
    for (int k = 0; k < 8; ++k)
        std::memcpy(&w[k], data + index[k], 4);
    return _mm256_setr_epi32(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7]);
}

// 2^e as a float, for -126 <= e <= 127.
inline float powerOfTwo(int e) {
    const uint32_t bits = uint32_t(127 + e) << 23;
    float x;
    std::memcpy(&x, &bits, 4);
    return x;
}

// out[t] = trunc(phi * data[i + 1] + (1 - phi) * data[i]) for the positions
// of the run, i = n(t) >> shift, phi = the rest over 2^shift (t < count).
// With shift <= 23 every step of that double expression is exact (phi has at
// most 23 bits, the values 16, the sum fits 53), so it equals the exact
// trunc((data[i] * 2^shift + rest * (data[i + 1] - data[i])) / 2^shift)
// computed here. From shift 15 down (positions of 256 and more) that fits
// 32-bit integers; below, doubles. Every data[i + 1] must exist.
__attribute__((target("avx2"))) void interpolateRunAvx2(const PositionRun& run, int count,
                                                        const int16_t* data, int16_t* out) {
    const __m128i shift = _mm_cvtsi32_si128(run.shift);
    const int32_t restMask = int32_t((1u << run.shift) - 1u);
    const __m256i mask = _mm256_set1_epi32(restMask);
    __m256i n = _mm256_add_epi32(
        _mm256_set1_epi32(run.n0),
        _mm256_mullo_epi32(_mm256_set1_epi32(run.step), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
    const __m256i advance = _mm256_set1_epi32(run.step * 8);
    int t = 0;
    if (run.shift <= 15) {
        for (; t + 8 <= count; t += 8) {
            const __m256i i = _mm256_srl_epi32(n, shift);
            const __m256i rest = _mm256_and_si256(n, mask);
            const __m256i pair = valuePairs(data, i);
            const __m256i d0 = _mm256_srai_epi32(_mm256_slli_epi32(pair, 16), 16);
            const __m256i diff = _mm256_sub_epi32(_mm256_srai_epi32(pair, 16), d0);
            // |rest * diff| < 2^15 * 2^16 and the sum is within 2^30.
            const __m256i num = _mm256_add_epi32(_mm256_sll_epi32(d0, shift), _mm256_mullo_epi32(rest, diff));
            // Toward zero: negative sums get 2^shift - 1 added before the shift.
            const __m256i bias = _mm256_and_si256(_mm256_srai_epi32(num, 31), mask);
            const __m256i v = _mm256_sra_epi32(_mm256_add_epi32(num, bias), shift);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + t),
                             _mm_packs_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1)));
            n = _mm256_add_epi32(n, advance);
        }
    } else {
        const __m256 unit = _mm256_set1_ps(powerOfTwo(-run.shift));
        for (; t + 8 <= count; t += 8) {
            const __m256i i = _mm256_srl_epi32(n, shift);
            // rest < 2^23: exact as a float, and so is rest * 2^-shift.
            const __m256 phi = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_and_si256(n, mask)), unit);
            const __m256i pair = valuePairs(data, i);
            const __m256i d0 = _mm256_srai_epi32(_mm256_slli_epi32(pair, 16), 16);
            const __m256i diff = _mm256_sub_epi32(_mm256_srai_epi32(pair, 16), d0);
            __m128i half[2];
            for (int h = 0; h < 2; ++h) {
                const __m128 f = h == 0 ? _mm256_castps256_ps128(phi) : _mm256_extractf128_ps(phi, 1);
                const __m128i a = h == 0 ? _mm256_castsi256_si128(d0) : _mm256_extracti128_si256(d0, 1);
                const __m128i b = h == 0 ? _mm256_castsi256_si128(diff) : _mm256_extracti128_si256(diff, 1);
                const __m256d y = _mm256_add_pd(_mm256_cvtepi32_pd(a),
                                                _mm256_mul_pd(_mm256_cvtps_pd(f), _mm256_cvtepi32_pd(b)));
                half[h] = _mm256_cvttpd_epi32(y);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + t), _mm_packs_epi32(half[0], half[1]));
            n = _mm256_add_epi32(n, advance);
        }
    }
    const double unit = static_cast<double>(powerOfTwo(-run.shift));
    for (; t < count; ++t) {
        const int32_t nt = run.n0 + t * run.step;
        const int32_t i = nt >> run.shift;
        const double phi = double(nt & restMask) * unit;
        out[t] = int16_t(static_cast<int32_t>(data[i] + phi * (data[i + 1] - data[i])));
    }
}

// The values of eight frames of a run, as 32-bit lanes: frames f ... f + 3
// in the low half, g ... g + 3 in the high half; `n` holds their positions
// in units, `window` data[i(f)] ... data[i(f) + 7] in its low half and the
// same from i(g) in its high half. A run of at most two values a frame
// (step <= 2^(shift+1)) has i(f + 3) - i(f) = (rest(f) + 3 * step) >> shift
// <= 6, so a byte shuffle brings each frame's pair data[i], data[i + 1]
// from the window into its lane.
//
// value = trunc((data[i] * (2^shift - rest) + data[i + 1] * rest) / 2^shift)
// is the exact form of the interpolation (see interpolateRunAvx2): with
// shift <= 14 both weights fit a signed 16-bit lane, so one multiply-add of
// the pair by the weights gives the numerator exactly (|num| <= 2^29), and
// sign(num) * (|num| >> shift) is its quotient truncated toward zero.
__attribute__((target("avx2"))) inline __m256i interpolateWindow(__m256i n, __m256i window, __m128i shift,
                                                                 __m256i mask, __m256i whole) {
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12, 0, 0, 0, 0, 4,
                                            4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12);
    const __m256i pairBytes = _mm256_set1_epi32(0x03020100);
    const __m256i i = _mm256_srl_epi32(n, shift);
    // Byte offset of each frame's first value in its half's window: lane 0
    // of each half is the frame the window starts at.
    const __m256i offset = _mm256_slli_epi32(_mm256_sub_epi32(i, _mm256_shuffle_epi32(i, 0)), 1);
    const __m256i pair =
        _mm256_shuffle_epi8(window, _mm256_add_epi8(_mm256_shuffle_epi8(offset, spread), pairBytes));
    const __m256i rest = _mm256_and_si256(n, mask);
    const __m256i weights = _mm256_or_si256(_mm256_slli_epi32(rest, 16), _mm256_sub_epi32(whole, rest));
    const __m256i num = _mm256_madd_epi16(pair, weights);
    return _mm256_sign_epi32(_mm256_srl_epi32(_mm256_abs_epi32(num), shift), num);
}

// How a run's volume goes: exactly 1.0; constant (sustain); or falling by
// the same step every frame (release). Each has its own loop, so that the
// sustain loop holds nothing but the work of a frame.
enum class Volume { Unity, Constant, Ramp };

// Interpolates and mixes whole blocks of 16 frames of a run in one pass (no
// store of the values in between): mono[t] = clamp(mono[t] + (value_t *
// vol_t >> 16)) with vol_t = vol0 + (t + 1) * volStep within 0 ... 65535
// (volStep 0 unless Ramp; vol_t = 65536 for Unity). The run must have shift
// <= 14 and step <= 2^(shift+1). Stops before a block whose windows would read
// past the sample; returns the frames done (a multiple of 16), the caller
// mixes the rest. Each frame gets the operations of mixRampAvx2/mixUnityAvx2.
template <Volume Kind>
__attribute__((target("avx2,bmi2"))) int mixRunWindowsAvx2(const PositionRun& run, int count,
                                                           const int16_t* data, int32_t size, int16_t* mono,
                                                           int32_t vol0, int32_t volStep) {
    const uint32_t s = uint32_t(run.shift);
    const uint32_t step = uint32_t(run.step);
    // Block k's last window starts at i(16k + 12) and reads 8 values: its
    // position must be below (size - 7) * 2^shift.
    const int64_t room = ((int64_t(size) - 7) << s) - run.n0 - 12 * int64_t(step);
    const int blocks =
        room <= 0 ? 0 : int(std::min<int64_t>(count / 16, (room + 16 * step - 1) / (16 * step)));
    const __m128i shift = _mm_cvtsi32_si128(int(s));
    const __m256i mask = _mm256_set1_epi32(int32_t((1u << s) - 1u));
    const __m256i whole = _mm256_set1_epi32(int32_t(1u << s));
    // Lanes of `a`: frames 0-3 and 8-11 of a block; of `b`: 4-7 and 12-15.
    // Packing a and b to 16 bits then lays the 16 frames out in order.
    __m256i a = _mm256_add_epi32(
        _mm256_set1_epi32(run.n0),
        _mm256_mullo_epi32(_mm256_set1_epi32(int32_t(step)), _mm256_setr_epi32(0, 1, 2, 3, 8, 9, 10, 11)));
    __m256i b = _mm256_add_epi32(a, _mm256_set1_epi32(int32_t(4 * step)));
    const __m256i advance = _mm256_set1_epi32(int32_t(16 * step));
    alignas(32) int16_t first[16];
    for (int k = 0; k < 16; ++k)
        first[k] = int16_t(uint16_t(uint32_t(vol0 + (k + 1) * volStep)));
    __m256i vol = _mm256_load_si256(reinterpret_cast<const __m256i*>(first));
    const __m256i volAdvance = _mm256_set1_epi16(int16_t(uint16_t(uint32_t(volStep * 16))));
    const __m256i floor = _mm256_set1_epi16(-32767);
    uint32_t n = uint32_t(run.n0); // below 2^25: exact unsigned sums and shifts
    const uintptr_t base = reinterpret_cast<uintptr_t>(data);
    for (int k = 0; k < blocks; ++k, n += 16 * step, mono += 16) {
        const auto at = [&](uint32_t frame) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + ((n + frame * step) >> s)));
        };
        // Forty voices read forty places of large samples in bursts too
        // short for the processor to see streams: ask now for the values a
        // usual buffer (256 frames) on, so the next buffer finds them in the
        // cache. A hint only, reading nothing into the mix; it may point
        // past the sample, hence an address computed as a number.
        _mm_prefetch(reinterpret_cast<const char*>(base + 2 * ((n + 256 * step) >> s)), _MM_HINT_T0);
        const __m256i windowA = _mm256_inserti128_si256(_mm256_castsi128_si256(at(0)), at(8), 1);
        const __m256i windowB = _mm256_inserti128_si256(_mm256_castsi128_si256(at(4)), at(12), 1);
        const __m256i values = _mm256_packs_epi32(interpolateWindow(a, windowA, shift, mask, whole),
                                                  interpolateWindow(b, windowB, shift, mask, whole));
        __m256i p = values;
        if (Kind != Volume::Unity) // as in mixRampAvx2
            p = _mm256_add_epi16(_mm256_mulhi_epi16(values, vol),
                                 _mm256_and_si256(values, _mm256_srai_epi16(vol, 15)));
        __m256i acc = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mono));
        acc = _mm256_max_epi16(_mm256_adds_epi16(acc, p), floor);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(mono), acc);
        if (Kind == Volume::Ramp)
            vol = _mm256_add_epi16(vol, volAdvance);
        a = _mm256_add_epi32(a, advance);
        b = _mm256_add_epi32(b, advance);
    }
    return 16 * blocks;
}

// Mixes `count` frames of a run: blocks of 16 in one pass where the run
// allows, the rest through the values buffer.
template <Volume Kind>
void mixRun(const PositionRun& run, int count, const RenderVoice& r, int16_t* mono, int32_t vol0,
            int32_t volStep, int16_t* values) {
    int done = 0;
    if (run.shift <= 14 && run.step <= (2 << run.shift))
        done = mixRunWindowsAvx2<Kind>(run, count, r.data, r.size, mono, vol0, volStep);
    if (done == count)
        return;
    PositionRun rest = run;
    rest.n0 += done * run.step;
    interpolateRunAvx2(rest, count - done, r.data, values);
    if (Kind == Volume::Unity)
        mixUnityAvx2(mono + done, values, count - done);
    else
        mixRampAvx2(mono + done, values, count - done, vol0 + done * volStep, volStep);
}

// Finds the run that starts at the voice's position: the next two float
// additions of the speed must stay in its binade and add the same number of
// units (an odd start after a tie would add one unit less or more first).
// Returns how many frames the run covers: positions up to the binade's end,
// each with its next value in the sample; 0 when there is no run here.
int findRun(const RenderVoice& r, int frames, PositionRun& run) {
    const float p0 = r.playPosition;
    const float p1 = p0 + r.speed;
    const float p2 = p1 + r.speed;
    int32_t n0 = 0, n1 = 0, n2 = 0;
    const int e = binadeUnits(p0, n0);
    if (e < 0 || binadeUnits(p1, n1) != e || binadeUnits(p2, n2) != e || n1 - n0 != n2 - n1 || n1 == n0)
        return 0;
    run.n0 = n0;
    run.step = n1 - n0;
    run.shift = 23 - e;
    // Positions n < limit lie in the binade and have data[i + 1].
    const int64_t limit = std::min<int64_t>(int64_t(1) << 24, int64_t(r.size - 1) << run.shift);
    if (limit <= n0)
        return 0;
    const int64_t count = (limit - n0 + run.step - 1) / run.step;
    return static_cast<int>(std::min<int64_t>(count, frames));
}

// The position after frame t of a run: frame t's position plus the speed,
// as a float addition (the sum may leave the binade).
float positionAfter(const RenderVoice& r, const PositionRun& run, int t) {
    const float at = static_cast<float>(run.n0 + t * run.step) * powerOfTwo(-run.shift);
    return at + r.speed;
}

// One voice of the bend mixer over k frames: runs of positions where the
// volume is constant or falls evenly are interpolated and mixed with the
// vector loops; everything else (the attack, the first frames of a note,
// binade edges, the end of the sample) goes frame by frame.
void bendMonoFast(CallbackUserData& cb, PlaylistVoice& voice, int16_t* mono, int k) {
    constexpr int kShortestRun = 16;
    RenderVoice& r = voice.render;
    int16_t* values = cb.bendValues;
    int j = 0;
    while (j < k && r.mixing) {
        PositionRun run;
        const int avail =
            r.phase == 0 ? 0 : findRun(r, std::min(k - j, int(CallbackUserData::kBendPiece)), run);
        if (avail < kShortestRun) {
            bendMonoReference(voice, mono + j, 1);
            ++j;
            continue;
        }
        int count = avail;
        if (r.delta == 0 && !(r.phase == 2 && r.vol <= 0)) {
            if (r.vol == 65536) {
                mixRun<Volume::Unity>(run, count, r, mono + j, 0, 0, values);
            } else if (r.vol >= 0 && r.vol < 65536) {
                mixRun<Volume::Constant>(run, count, r, mono + j, r.vol, 0, values);
            } else {
                bendMonoReference(voice, mono + j, k - j);
                return;
            }
        } else if (r.phase == 2 && r.delta < 0 && r.vol + int64_t(r.delta) <= 65535) {
            const int64_t vol = r.vol;
            const int64_t step = r.delta;
            const int64_t sounding = vol > 0 ? (vol - 1) / -step : 0;
            count = static_cast<int>(std::min<int64_t>(sounding, avail));
            if (count > 0) {
                mixRun<Volume::Ramp>(run, count, r, mono + j, r.vol, r.delta, values);
                r.vol = static_cast<int32_t>(vol + count * step);
            }
        } else {
            bendMonoReference(voice, mono + j, k - j);
            return;
        }
        if (count > 0) {
            r.playPosition = positionAfter(r, run, count - 1);
            r.framesLeft -= count;
            j += count;
        }
        if (count < avail && j < k && r.mixing) {
            // The frame on which the release ends.
            bendMonoReference(voice, mono + j, 1);
            ++j;
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
#ifdef STRUMWELL_HAVE_AVX2_PATH
    RenderVoice& r = voice.render;
    if (fast) {
        int j = 0;
        while (j < frames && r.mixing) {
            const float position = r.playPosition;
            const bool wholePosition =
                position >= 0.0f && position < 16000000.0f && position == std::floor(position);
            if (r.phase == 0 || !wholePosition) {
                plainReference<1>(voice, mono + j, 1);
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
                    plainReference<1>(voice, mono + j, left);
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
                    plainReference<1>(voice, mono + j, 1);
                    ++j;
                }
                continue;
            }
            plainReference<1>(voice, mono + j, left);
            return;
        }
        return;
    }
#else
    (void)fast;
#endif
    plainReference<1>(voice, mono, frames);
}

} // namespace

bool VoiceMixer::fastPathAvailable() {
#ifdef STRUMWELL_HAVE_AVX2_PATH
    return cpuHasAvx2();
#else
    return false;
#endif
}

void VoiceMixer::beginBuffer(CallbackUserData& cb, int numFrames, const bool bend[kGuitars]) {
    float whammy[kGuitars];
    for (int g = 0; g < kGuitars; ++g)
        whammy[g] = cb.whammy[g].load(std::memory_order_relaxed);
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
            const GuitarId guitar = voice.guitar.load(std::memory_order_acquire);
            const double requiredVolume = voice.requiredVolume.load(std::memory_order_acquire);
            const double releaseDelta = voice.releaseDelta.load(std::memory_order_acquire);
            const int32_t startFrame = voice.startFrame.load(std::memory_order_acquire);
            if (voice.state.load(std::memory_order_relaxed) != word)
                continue; // a newer start is being written: take it next buffer
            r.generation = generation;
            r.sampleNo = (sampleNo >= 0 && sampleNo < kNumSampleSlots) ? sampleNo : 0;
            r.guitar = validGuitar(guitar) ? guitar : kNoGuitar;
            r.requiredVolume = requiredVolume;
            r.releaseDelta = releaseDelta;
            r.playPosition = 0.0f;
            r.ADSRVolume = 1.0;
            r.ADSRVolumeDelta = 1.0;
            r.phase = 0;
            r.atLeastOneBufferFilled = false;
            r.pitch = 1.0f;
            r.delay = std::clamp(startFrame, 0, std::max(numFrames - 1, 0));
        }
        r.prepared = true;
        r.mixing = true;
        const bool bent = r.guitar != kNoGuitar && bend[r.guitar];

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
        r.framesLeft = std::min<int32_t>(numFrames - r.delay, valuesLeft(r));
        r.speed = 1.0f;
        r.bent = bent;
        if (bent) {
            float speed = whammy[r.guitar] + r.pitch;
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
        if (!r.mixing || r.framesLeft <= 0 || r.guitar != guitar)
            continue;
        const int skip = std::min(frames, std::exchange(r.delay, std::max(r.delay - frames, 0)));
        const int count = std::min(frames - skip, r.framesLeft);
        if (count <= 0)
            continue;
#ifdef STRUMWELL_HAVE_AVX2_PATH
        if (bend && fast) {
            bendMonoFast(cb, voice, mono + skip, count);
            continue;
        }
#endif
        if (bend)
            bendMonoReference(voice, mono + skip, count);
        else
            plainMono(voice, mono + skip, count, fast);
    }
}

void VoiceMixer::mixGenericStereo(CallbackUserData& cb, int16_t* stereo, int frames) {
    for (PlaylistVoice& voice : cb.playlist) {
        RenderVoice& r = voice.render;
        if (!r.mixing || r.framesLeft <= 0 || r.guitar != kNoGuitar)
            continue;
        const int skip = std::min(frames, std::exchange(r.delay, std::max(r.delay - frames, 0)));
        plainReference<2>(voice, stereo + 2 * skip, std::min(frames - skip, r.framesLeft));
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
