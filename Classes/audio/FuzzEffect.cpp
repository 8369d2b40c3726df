#include "audio/FuzzEffect.h"

#include <algorithm>

#include "audio/FixedPoint.h"

float FuzzEffect::threshold() const {
    const double t = thresholdLevel();
    return static_cast<float>((t - 1000.0) / -18000.0 + 1.0);
}

void FuzzEffect::apply(const Params& p) {
    setOn(p.on);
    threshold_.store(int16_t(p.threshold), std::memory_order_relaxed);
}

void FuzzEffect::setThreshold(float threshold) {
    // Knob values outside 0 ... 1 are held at the ends, keeping the result
    // within 1000 ... 19000.
    if (!(threshold >= 0.0f))
        threshold = 0.0f;
    if (threshold > 1.0f)
        threshold = 1.0f;
    const float value = 1000.0f + (1.0f - threshold) * 18000.0f;
    threshold_.store(int16_t(static_cast<int32_t>(value)), std::memory_order_relaxed);
}

void FuzzEffect::beginBuffer() {
    active_ = on();
    level_ = std::max<int32_t>(0, threshold_.load(std::memory_order_relaxed));
}

void FuzzEffect::process(int16_t* values, int frames) {
    if (!active_)
        return;
    const int count = 2 * frames;
    // Clipping leaves silence as it is.
    if (FixedPoint::allZero(values, count))
        return;
    const int32_t level = level_;
    for (int k = 0; k < count; ++k)
        values[k] = int16_t(std::clamp<int32_t>(values[k], -level, level));
}
