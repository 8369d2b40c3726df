#pragma once
#include <cstddef>

// One second-order IIR section in direct form I, run in double precision:
// y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2 (a0 normalised to 1).
class Biquad {
public:
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;

    Biquad() = default;
    Biquad(double b0_, double b1_, double b2_, double a1_, double a2_);

    // Butterworth-style (Q = 0.7071) low- and high-pass, after the widely used
    // "Audio EQ Cookbook" bilinear designs.
    static Biquad lowPass(double cutoffHz, double sampleRate, double q = 0.70710678118654752);
    static Biquad highPass(double cutoffHz, double sampleRate, double q = 0.70710678118654752);

    double process(double x);
    void processInPlace(float* data, size_t n);
    void reset();
    // Magnitude of the response at f Hz (for tests and checks).
    double gainAt(double f, double sampleRate) const;

private:
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};
