#include "audio/EffectsChain.h"

#include <algorithm>
#include <cstring>

#include "audio/CallbackUserData.h"
#include "audio/FixedPoint.h"

namespace {

// The filter state cannot grow this large with a stable coefficient; the
// bound only keeps damaged settings from overflowing.
constexpr int64_t kStateLimit = int64_t(1) << 30;

int32_t clampState(int32_t v) {
    return int32_t(std::clamp<int64_t>(v, -kStateLimit, kStateLimit));
}

void wah(EffectsChain::BufferState& st, WahSetup& setup, int16_t* values, int count) {
    const float f = st.f;
    const float q = st.q;
    int32_t b0 = setup.filterBuffer0;
    int32_t b1 = setup.filterBuffer1;
    for (int k = 0; k < count; ++k) {
        const int32_t x = values[k];
        const int32_t d = b0 - b1;
        b1 = clampState(FixedPoint::truncToInt32(static_cast<float>(b1) + f * static_cast<float>(d)));
        values[k] = int16_t(FixedPoint::clampEffect(b1));
        b0 = clampState(FixedPoint::truncToInt32(
            static_cast<float>(b0) + f * (static_cast<float>(x - b0) + static_cast<float>(d) * q)));
    }
    setup.filterBuffer0 = b0;
    setup.filterBuffer1 = b1;
}

void fuzz(int32_t threshold, int16_t* values, int count) {
    for (int k = 0; k < count; ++k) {
        if (values[k] > threshold)
            values[k] = int16_t(threshold);
        else if (values[k] < -threshold)
            values[k] = int16_t(-threshold);
    }
}

inline int32_t echo(int32_t x, int32_t gain, int16_t delayed) {
    return FixedPoint::clampEffect(int64_t(x) + FixedPoint::scale(delayed, gain));
}

void delayPlain(EffectsChain::BufferState& st, int16_t* ring, int16_t* values, int count) {
    int32_t r = st.r;
    int32_t w = st.w;
    for (int k = 0; k < count; ++k) {
        const int32_t x = values[k];
        const int16_t d = ring[r];
        ring[w] = int16_t(echo(x, st.feedback, d));
        values[k] = int16_t(echo(x, st.mix, d));
        if (++r >= kDelayRingValues)
            r = 0;
        if (++w >= kDelayRingValues)
            w = 0;
    }
    st.r = r;
    st.w = w;
}

void delayPingPong(EffectsChain::BufferState& st, int16_t* ring, int16_t* values, int frames) {
    int32_t r = st.r;
    int32_t s = st.s;
    int32_t w = st.w;
    for (int k = 0; k < frames; ++k) {
        const int32_t xL = values[2 * k];
        const int32_t xR = values[2 * k + 1];
        const int16_t a = ring[r];
        const int16_t b = ring[s];
        ring[w] = int16_t(echo(xL, st.feedback, a));
        values[2 * k] = int16_t(echo(xL, st.mix, a));
        int32_t w1 = w + 1;
        if (w1 >= kDelayRingValues)
            w1 = 0;
        ring[w1] = int16_t(echo(xR, st.feedback, b));
        values[2 * k + 1] = int16_t(echo(xR, st.mix, b));
        r += 2;
        if (r >= kDelayRingValues)
            r -= kDelayRingValues;
        s += 2;
        if (s >= kDelayRingValues)
            s -= kDelayRingValues;
        w += 2;
        if (w >= kDelayRingValues)
            w -= kDelayRingValues;
    }
    st.r = r;
    st.s = s;
    st.w = w;
}

} // namespace

EffectsChain::BufferState EffectsChain::begin(CallbackUserData& cb, int g) {
    BufferState st;
    DelaySetup& delay = cb.delaySetup[g];
    const uint32_t clears = delay.clearRequests.load(std::memory_order_acquire);
    if (clears != delay.clearsDone) {
        std::memset(delay.delayBuffer, 0, sizeof(int16_t) * kDelayRingValues);
        delay.clearsDone = clears;
    }

    WahSetup& wahSetup = cb.wahSetup[g];
    st.wahOn = wahSetup.wahOn.load(std::memory_order_relaxed);
    st.f = usableWahCoefficient(wahSetup.f.load(std::memory_order_relaxed));
    st.q = static_cast<float>(0.47 / (1.0 - static_cast<double>(st.f)) + 0.47);

    st.fuzzOn = cb.fuzzSetup[g].fuzzOn.load(std::memory_order_relaxed);
    st.threshold = std::max<int32_t>(0, cb.fuzzSetup[g].fuzzThreshold.load(std::memory_order_relaxed));

    st.delayOn = delay.delayOn.load(std::memory_order_relaxed);
    st.pingPong = delay.pingPong.load(std::memory_order_relaxed);
    // Gains above 1 would make every echo louder than the last.
    st.feedback = FixedPoint::unitGain(delay.delayFeedback.load(std::memory_order_relaxed));
    st.mix = FixedPoint::unitGain(delay.delayMix.load(std::memory_order_relaxed));
    const int32_t time =
        std::clamp<int32_t>(delay.delayTime.load(std::memory_order_relaxed), 0, kDelayRingValues);
    st.w = delay.currentDelayBufferIndex;
    st.r = st.w - time;
    if (st.r < 0)
        st.r += kDelayRingValues;
    st.s = st.r + time / 2;
    if (st.s >= kDelayRingValues)
        st.s -= kDelayRingValues;
    return st;
}

void EffectsChain::process(CallbackUserData& cb, int g, BufferState& st, int16_t* stereo, int frames) {
    if (st.wahOn)
        wah(st, cb.wahSetup[g], stereo, 2 * frames);
    if (st.fuzzOn)
        fuzz(st.threshold, stereo, 2 * frames);
    if (st.delayOn) {
        if (st.pingPong)
            delayPingPong(st, cb.delaySetup[g].delayBuffer, stereo, frames);
        else
            delayPlain(st, cb.delaySetup[g].delayBuffer, stereo, 2 * frames);
    }
}

void EffectsChain::end(CallbackUserData& cb, int g, const BufferState& st) {
    if (st.delayOn)
        cb.delaySetup[g].currentDelayBufferIndex = st.w;
}
