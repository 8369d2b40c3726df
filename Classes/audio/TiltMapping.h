#pragma once
#include <cmath>

// How the phone's tilt plays the pedals: a smoothed accelerometer reading (in
// g) to the wah coefficient and to the whammy bar's pitch offset.
//
// Threads: any (pure functions).
struct TiltMapping {
    // Sideways tilt: level (within 0.1 g) opens the wah fully (0.5); beyond
    // half a g either way closes it (0.05); in between it closes linearly.
    static float wahCoefficient(double r) {
        if (r < -0.5)
            return 0.05f;
        if (r > -0.1 && r < 0.1)
            return 0.5f;
        if (r > 0.5)
            return 0.05f;
        return static_cast<float>(0.5 - 0.45 * (std::fabs(r) - 0.1) / 0.4);
    }
    // Forward tilt: within 0.2 g the bar rests (0); it bends linearly to
    // -0.5 (tilted forward half a g) or +0.5 (backward).
    static float whammy(double r) {
        if (r < -0.5)
            return 0.5f;
        if (r > -0.2 && r < 0.2)
            return 0.0f;
        if (r > 0.5)
            return -0.5f;
        if (r > 0)
            return static_cast<float>(-0.5 * (r - 0.2) / 0.3);
        return static_cast<float>(0.5 * (-r - 0.2) / 0.3);
    }
};
