#include "Biquad.h"

#include <cmath>
#include <complex>
#include <numbers>

Biquad::Biquad(double b0_, double b1_, double b2_, double a1_, double a2_)
    : b0(b0_), b1(b1_), b2(b2_), a1(a1_), a2(a2_) {}

Biquad Biquad::lowPass(double cutoffHz, double sampleRate, double q) {
    const double w = 2 * std::numbers::pi * cutoffHz / sampleRate;
    const double alpha = std::sin(w) / (2 * q);
    const double c = std::cos(w);
    const double a0 = 1 + alpha;
    return Biquad((1 - c) / 2 / a0, (1 - c) / a0, (1 - c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0);
}

Biquad Biquad::highPass(double cutoffHz, double sampleRate, double q) {
    const double w = 2 * std::numbers::pi * cutoffHz / sampleRate;
    const double alpha = std::sin(w) / (2 * q);
    const double c = std::cos(w);
    const double a0 = 1 + alpha;
    return Biquad((1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0);
}

double Biquad::process(double x) {
    const double y = b0 * x + b1 * x1_ + b2 * x2_ - a1 * y1_ - a2 * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y;
}

void Biquad::processInPlace(float* data, size_t n) {
    for (size_t i = 0; i < n; ++i)
        data[i] = static_cast<float>(process(data[i]));
}

void Biquad::reset() {
    x1_ = x2_ = y1_ = y2_ = 0;
}

double Biquad::gainAt(double f, double sampleRate) const {
    const std::complex<double> z = std::polar(1.0, -2 * std::numbers::pi * f / sampleRate); // z^-1
    const std::complex<double> num = b0 + b1 * z + b2 * z * z;
    const std::complex<double> den = 1.0 + a1 * z + a2 * z * z;
    return std::abs(num / den);
}
