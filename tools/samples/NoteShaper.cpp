#include "NoteShaper.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
float peakOf(const float* x, size_t n) {
    float p = 0;
    for (size_t i = 0; i < n; ++i)
        p = std::max(p, std::fabs(x[i]));
    return p;
}
} // namespace

size_t NoteShaper::attackIndex(const float* x, size_t n, double attackBelowPeakDb) {
    const float peak = peakOf(x, n);
    if (peak <= 0)
        return n;
    const double threshold = peak * std::pow(10.0, -attackBelowPeakDb / 20.0);
    for (size_t i = 0; i < n; ++i)
        if (std::fabs(x[i]) >= threshold)
            return i;
    return n;
}

double NoteShaper::audibleSeconds(const float* x, size_t n, size_t from, double floorDb, double sampleRate) {
    const float peak = peakOf(x, n);
    if (peak <= 0 || from >= n)
        return 0.0;
    const double floorSquare = std::pow(peak * std::pow(10.0, floorDb / 20.0), 2.0);
    const size_t block = std::max<size_t>(1, static_cast<size_t>(sampleRate * 0.010));
    size_t lastLoudEnd = from;
    for (size_t b = from; b < n; b += block) {
        const size_t e = std::min(n, b + block);
        double sum = 0;
        for (size_t i = b; i < e; ++i)
            sum += static_cast<double>(x[i]) * x[i];
        if (sum / static_cast<double>(e - b) > floorSquare)
            lastLoudEnd = e;
    }
    return static_cast<double>(lastLoudEnd - from) / sampleRate;
}

std::vector<float> NoteShaper::shape(const float* segment, size_t n, const Options& o) {
    const size_t attack = attackIndex(segment, n, o.attackBelowPeakDb);
    if (attack >= n)
        return {};
    const size_t pre = static_cast<size_t>(std::lround(o.preAttackSeconds * o.sampleRate));
    const size_t start = attack > pre ? attack - pre : 0;

    const double audible = audibleSeconds(segment, n, start, o.tailFloorDb, o.sampleRate);
    double fade = std::min(o.fadeOutSeconds, o.maxSeconds / 3.0);
    double seconds = std::clamp(audible + fade, o.minSeconds, o.maxSeconds);
    size_t length = static_cast<size_t>(std::lround(seconds * o.sampleRate));
    length = std::min(length, n - start);
    fade = std::min(fade, static_cast<double>(length) / o.sampleRate / 3.0);

    std::vector<float> out(segment + start, segment + start + length);
    // Fade-in over the kept pre-attack: a raised-cosine ramp from 0.
    const size_t fadeIn = std::min(attack - start, length);
    for (size_t i = 0; i < fadeIn; ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(fadeIn);
        out[i] = static_cast<float>(out[i] * 0.5 * (1.0 - std::cos(std::numbers::pi * t)));
    }
    // Fade-out: a raised-cosine ramp that reaches exactly 0 on the last sample.
    const size_t fadeOut = std::min(length, static_cast<size_t>(std::lround(fade * o.sampleRate)));
    for (size_t i = 0; i < fadeOut; ++i) {
        const double t = static_cast<double>(i + 1) / static_cast<double>(fadeOut); // 1/fadeOut ... 1
        out[length - fadeOut + i] =
            static_cast<float>(out[length - fadeOut + i] * 0.5 * (1.0 + std::cos(std::numbers::pi * t)));
    }
    return out;
}
