#include "audio/DelayEffect.h"

#include <algorithm>
#include <cstring>

#include "audio/FixedPoint.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

inline int32_t echo(int32_t x, int32_t gain, int16_t delayed) {
    return FixedPoint::clampEffect(int64_t(x) + FixedPoint::scale(delayed, gain));
}

} // namespace

DelayEffect::DelayEffect() : ring_(new int16_t[kRingValues]()) {}

DelayEffect::~DelayEffect() {
    delete[] ring_;
}

DelayEffect::Params DelayEffect::params() const {
    return {on(), pingPong(), time(), feedback(), mix()};
}

void DelayEffect::apply(const Params& p) {
    on_.store(p.on, std::memory_order_relaxed);
    pingPong_.store(p.pingPong, std::memory_order_relaxed);
    time_.store(p.time, std::memory_order_relaxed);
    // Held to the knobs' range: a file from elsewhere may hold anything.
    setFeedback(p.feedback);
    setMix(p.mix);
}

void DelayEffect::setOn(bool on) {
    requestClear();
    on_.store(on, std::memory_order_relaxed);
}

void DelayEffect::setTime(int time) {
    requestClear();
    time_.store(time, std::memory_order_relaxed);
}

int DelayEffect::heldTime(float time) {
    if (!(time >= 0.0f))
        return 0;
    return time >= static_cast<float>(kRingValues) ? kRingValues : static_cast<int>(time);
}

void DelayEffect::setTimeKnob(float knob) {
    setTime(heldTime(FixedPoint::unitRange(knob) * static_cast<float>(kRingValues)));
}

void DelayEffect::setFeedback(float feedback) {
    feedback_.store(FixedPoint::unitRange(feedback), std::memory_order_relaxed);
}

void DelayEffect::setMix(float mix) {
    mix_.store(FixedPoint::unitRange(mix), std::memory_order_relaxed);
}

void DelayEffect::beginBuffer() {
    const uint32_t clears = clearRequests_.load(std::memory_order_acquire);
    if (clears != clearsDone_) {
        std::memset(ring_, 0, sizeof(int16_t) * kRingValues);
        clearsDone_ = clears;
        quiet_ = kRingValues;
    }
    active_ = on();
    bufferPingPong_ = pingPong();
    // Gains above 1 would make every echo louder than the last.
    feedbackGain_ = FixedPoint::unitGain(feedback());
    mixGain_ = FixedPoint::unitGain(mix());
    const int32_t delay = std::clamp<int32_t>(time(), 0, kRingValues);
    // A time of 0 reads each value just before it is overwritten, a whole
    // ring later, as does a time of a whole ring.
    reach_ = delay > 0 ? delay : kRingValues;
    // The right side of ping-pong reads what was written this many values
    // before (0: the left value just written).
    pingPongLag_ = (delay + 1) / 2;
    w_ = writeIndex_;
    r_ = w_ - delay;
    if (r_ < 0)
        r_ += kRingValues;
    s_ = r_ + delay / 2;
    if (s_ >= kRingValues)
        s_ -= kRingValues;
}

void DelayEffect::process(int16_t* stereo, int frames) {
    if (!active_)
        return;
    const int count = 2 * frames;
    if (quiet_ >= reach_ && FixedPoint::allZero(stereo, count)) {
        // Silence in, and every value this piece reads was written as 0 (the
        // reads lag the writes by at most reach_ values, or read values this
        // piece writes, which are then 0 too): the output stays silent and
        // zeros are written. Once the whole ring is 0 even that is skipped.
        if (quiet_ < kRingValues)
            zeroAhead(count);
        r_ = advanced(r_, count);
        s_ = advanced(s_, count);
        w_ = advanced(w_, count);
        quiet_ = int32_t(std::min<int64_t>(kRingValues, int64_t(quiet_) + count));
        return;
    }
    if (bufferPingPong_)
        processPingPong(stereo, frames);
    else
        processPlain(stereo, count);
    noteWrites(count);
}

int32_t DelayEffect::advanced(int32_t index, int count) {
    return int32_t((int64_t(index) + count) % kRingValues);
}

void DelayEffect::zeroAhead(int count) {
    const int n = std::min(count, kRingValues);
    const int first = std::min(n, kRingValues - w_);
    std::memset(ring_ + w_, 0, sizeof(int16_t) * size_t(first));
    std::memset(ring_, 0, sizeof(int16_t) * size_t(n - first));
}

void DelayEffect::noteWrites(int count) {
    // The values just written end at w_; the newest non-zero one among them
    // sets how many zeros follow it.
    const int n = std::min(count, kRingValues);
    int32_t p = w_;
    for (int t = 0; t < n; ++t) {
        p = p == 0 ? kRingValues - 1 : p - 1;
        if (ring_[p] != 0) {
            quiet_ = t;
            return;
        }
    }
    quiet_ = int32_t(std::min<int64_t>(kRingValues, int64_t(quiet_) + count));
}

void DelayEffect::endBuffer() {
    if (active_)
        writeIndex_ = w_;
}

void DelayEffect::processPlain(int16_t* values, int count) {
    int32_t r = r_;
    int32_t w = w_;
    const bool vector = reach_ >= kBlock;
    int k = 0;
    while (k < count) {
        const int n = vector ? std::min({count - k, kRingValues - r, kRingValues - w}) / kBlock * kBlock : 0;
        if (n > 0) {
            echoBlocks(values + k, ring_ + r, nullptr, ring_ + w, n);
            r += n;
            w += n;
            k += n;
        } else {
            const int32_t x = values[k];
            const int16_t d = ring_[r];
            ring_[w] = int16_t(echo(x, feedbackGain_, d));
            values[k] = int16_t(echo(x, mixGain_, d));
            ++r;
            ++w;
            ++k;
        }
        if (r >= kRingValues)
            r = 0;
        if (w >= kRingValues)
            w = 0;
    }
    r_ = r;
    w_ = w;
}

void DelayEffect::processPingPong(int16_t* values, int frames) {
    int32_t r = r_;
    int32_t s = s_;
    int32_t w = w_;
    const bool vector = reach_ >= kBlock && pingPongLag_ >= kBlock;
    int k = 0;
    while (k < frames) {
        const int n = vector
                          ? std::min({2 * (frames - k), kRingValues - r, kRingValues - s, kRingValues - w}) /
                                kBlock * kBlock
                          : 0;
        if (n > 0) {
            echoBlocks(values + 2 * k, ring_ + r, ring_ + s, ring_ + w, n);
            r += n;
            s += n;
            w += n;
            k += n / 2;
        } else {
            const int32_t xL = values[2 * k];
            const int32_t xR = values[2 * k + 1];
            const int16_t a = ring_[r];
            const int16_t b = ring_[s];
            ring_[w] = int16_t(echo(xL, feedbackGain_, a));
            values[2 * k] = int16_t(echo(xL, mixGain_, a));
            int32_t w1 = w + 1;
            if (w1 >= kRingValues)
                w1 = 0;
            ring_[w1] = int16_t(echo(xR, feedbackGain_, b));
            values[2 * k + 1] = int16_t(echo(xR, mixGain_, b));
            r += 2;
            s += 2;
            w += 2;
            ++k;
        }
        if (r >= kRingValues)
            r -= kRingValues;
        if (s >= kRingValues)
            s -= kRingValues;
        if (w >= kRingValues)
            w -= kRingValues;
    }
    r_ = r;
    s_ = s;
    w_ = w;
}

#if defined(__SSE2__)
namespace {

// (d * gain) >> 16 on eight values, gain 0 ... 65536. The 16x16
// multiply-high takes a gain of 32768 or more as itself minus 65536, which
// the added value puts right.
inline __m128i scaled(__m128i d, int32_t gain) {
    if (gain >= 65536)
        return d;
    const __m128i g = _mm_set1_epi16(int16_t(uint16_t(gain)));
    return _mm_add_epi16(_mm_mulhi_epi16(d, g), _mm_and_si128(d, _mm_srai_epi16(g, 15)));
}

// echo() on eight values: the saturated 16-bit sum is the 32-bit sum held
// to -32768 ... 32767, which the clamp then narrows.
inline __m128i echo8(__m128i x, __m128i d, int32_t gain) {
    const __m128i sum = _mm_adds_epi16(x, scaled(d, gain));
    return _mm_min_epi16(_mm_max_epi16(sum, _mm_set1_epi16(-32767)), _mm_set1_epi16(32766));
}

} // namespace
#endif

void DelayEffect::echoBlocks(int16_t* values, const int16_t* left, const int16_t* right, int16_t* out,
                             int n) {
#if defined(__SSE2__)
    // Odd lanes (the right side) of a ping-pong block come from `right`.
    const __m128i odd = _mm_set1_epi32(int32_t(0xFFFF0000u));
    for (int k = 0; k < n; k += kBlock) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + k));
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(left + k));
        if (right != nullptr) {
            // Lane 2j of left + k holds left[k + 2j]; lane 2j + 1 must hold
            // right[k + 2j], lane 2j of right + k shifted up by one.
            const __m128i b = _mm_slli_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(right + k)), 2);
            d = _mm_or_si128(_mm_andnot_si128(odd, d), _mm_and_si128(odd, b));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), echo8(x, d, feedbackGain_));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(values + k), echo8(x, d, mixGain_));
    }
#else
    for (int k = 0; k < n; ++k) {
        const int16_t d = (right != nullptr && k % 2 == 1) ? right[k - 1] : left[k];
        out[k] = int16_t(echo(values[k], feedbackGain_, d));
        values[k] = int16_t(echo(values[k], mixGain_, d));
    }
#endif
}
