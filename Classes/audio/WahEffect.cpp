#include "audio/WahEffect.h"

#include <algorithm>

#include "audio/FixedPoint.h"

namespace {

// The filter state cannot grow this large with a stable coefficient; the
// bound only keeps damaged settings from overflowing.
constexpr int64_t kStateLimit = int64_t(1) << 30;

int32_t clampState(int32_t v) {
    return int32_t(std::clamp<int64_t>(v, -kStateLimit, kStateLimit));
}

// One value through the filter: returns the output, updates the state.
inline int32_t filterStep(int32_t x, int32_t& b0, int32_t& b1, float f, float q) {
    const int32_t d = b0 - b1;
    b1 = clampState(FixedPoint::truncToInt32(static_cast<float>(b1) + f * static_cast<float>(d)));
    const int32_t out = FixedPoint::clampEffect(b1);
    b0 = clampState(FixedPoint::truncToInt32(static_cast<float>(b0) +
                                             f * (static_cast<float>(x - b0) + static_cast<float>(d) * q)));
    return out;
}

} // namespace

void WahEffect::beginBuffer() {
    active_ = on();
    coefficient_ = usableCoefficient(f_.load(std::memory_order_relaxed));
    q_ = static_cast<float>(0.47 / (1.0 - static_cast<double>(coefficient_)) + 0.47);
}

void WahEffect::process(int16_t* values, int frames) {
    if (!active_)
        return;
    const int count = 2 * frames;
    const float f = coefficient_;
    const float q = q_;
    int32_t b0 = filterBuffer0_;
    int32_t b1 = filterBuffer1_;
    if (b1 == 0 && FixedPoint::allZero(values, count)) {
        // Silence in. If one silent step leaves the state as it is, every
        // further one does (the filter is a fixed function of state and
        // input), and each gives b1 = 0 out: the silence passes unchanged.
        // This also covers the resting states other than 0 that truncation
        // leaves at some corners (b0 = 1 at the open end).
        int32_t c0 = b0, c1 = b1;
        if (filterStep(0, c0, c1, f, q) == 0 && c0 == b0 && c1 == b1)
            return;
    }
    for (int k = 0; k < count; ++k)
        values[k] = int16_t(filterStep(values[k], b0, b1, f, q));
    filterBuffer0_ = b0;
    filterBuffer1_ = b1;
}
