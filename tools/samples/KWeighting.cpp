#include "KWeighting.h"

#include <cmath>
#include <numbers>

Biquad KWeighting::shelfStage(double sampleRate) {
    const double f0 = 1681.974450955533;
    const double gainDb = 3.999843853973347;
    const double q = 0.7071752369554196;
    const double k = std::tan(std::numbers::pi * f0 / sampleRate);
    const double vh = std::pow(10.0, gainDb / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    return Biquad((vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                  2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0);
}

Biquad KWeighting::highPassStage(double sampleRate) {
    const double f0 = 38.13547087602444;
    const double q = 0.5003270373238773;
    const double k = std::tan(std::numbers::pi * f0 / sampleRate);
    const double a0 = 1.0 + k / q + k * k;
    return Biquad(1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0);
}

double KWeighting::loudness(const float* data, size_t n, double sampleRate) {
    if (n == 0)
        return -200.0;
    Biquad s1 = shelfStage(sampleRate);
    Biquad s2 = highPassStage(sampleRate);
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const double y = s2.process(s1.process(data[i]));
        sum += y * y;
    }
    const double meanSquare = sum / static_cast<double>(n);
    if (meanSquare <= 1e-20)
        return -200.0;
    return -0.691 + 10.0 * std::log10(meanSquare);
}
