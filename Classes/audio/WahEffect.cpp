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
    for (int k = 0; k < count; ++k) {
        const int32_t x = values[k];
        const int32_t d = b0 - b1;
        b1 = clampState(FixedPoint::truncToInt32(static_cast<float>(b1) + f * static_cast<float>(d)));
        values[k] = int16_t(FixedPoint::clampEffect(b1));
        b0 = clampState(FixedPoint::truncToInt32(
            static_cast<float>(b0) + f * (static_cast<float>(x - b0) + static_cast<float>(d) * q)));
    }
    filterBuffer0_ = b0;
    filterBuffer1_ = b1;
}
