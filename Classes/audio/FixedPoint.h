#pragma once
#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The conversions and clamps of the real-time mix. Every conversion saturates
// instead of overflowing, so values that cannot occur in normal use (they may
// come from damaged files) never cause undefined behaviour; in range the
// results are the plain truncations.
//
// Threads: any (pure functions).
struct FixedPoint {
    // Truncation toward zero of a float, saturated to int32 (NaN gives 0).
    // The float bound is the largest float below 2^31.
    static inline int32_t truncToInt32(float x) { return truncSaturated(x, 2147483520.0f); }
    static inline int32_t truncToInt32(double x) { return truncSaturated(x, 2147483647.0); }
    // A volume or gain in 16.16: the value as float, times 65536, truncated.
    static inline int32_t toFixed(double x) { return truncToInt32(static_cast<float>(x) * 65536.0f); }
    // A share held to 0 ... 1 (NaN gives 0).
    static inline float unitRange(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }
    // A share of 0 ... 1 as a 16.16 gain (0 ... 65536), truncated; values
    // outside are held at the ends.
    static inline int32_t unitGain(float x) { return static_cast<int32_t>(unitRange(x) * 65536.0f); }
    static inline int32_t clampMix(int64_t v) {
        return v > 32767 ? 32767 : (v < -32767 ? -32767 : int32_t(v));
    }
    static inline int32_t clampEffect(int64_t v) {
        return v > 32766 ? 32766 : (v < -32767 ? -32767 : int32_t(v));
    }
    // Product of a 16-bit value and a 16.16 gain, shifted right arithmetically
    // by 16; taken in 64 bits so large gains cannot overflow.
    static inline int64_t scale(int64_t sample, int32_t gain) { return (sample * gain) >> 16; }
    // True when every one of the `count` values is 0 (silence). Looks at
    // blocks of 64 at a time where the processor can, so a sounding buffer is
    // told after one block.
    static inline bool allZero(const int16_t* values, int count) {
        int k = 0;
#if defined(__SSE2__)
        for (; k + 64 <= count; k += 64) {
            const __m128i* p = reinterpret_cast<const __m128i*>(values + k);
            const __m128i a = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(p), _mm_loadu_si128(p + 1)),
                                           _mm_or_si128(_mm_loadu_si128(p + 2), _mm_loadu_si128(p + 3)));
            const __m128i b = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(p + 4), _mm_loadu_si128(p + 5)),
                                           _mm_or_si128(_mm_loadu_si128(p + 6), _mm_loadu_si128(p + 7)));
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(a, b), _mm_setzero_si128())) != 0xFFFF)
                return false;
        }
#endif
        for (; k < count; ++k)
            if (values[k] != 0)
                return false;
        return true;
    }

private:
    // Values at or above `highest` give INT32_MAX; -2^31 and below INT32_MIN.
    template <class F> static inline int32_t truncSaturated(F x, F highest) {
        if (!(x == x))
            return 0;
        if (x >= highest)
            return INT32_MAX;
        if (x <= F(-2147483648.0))
            return INT32_MIN;
        return static_cast<int32_t>(x);
    }
};
