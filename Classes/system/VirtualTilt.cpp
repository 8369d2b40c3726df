#include "system/VirtualTilt.h"

#include <algorithm>
#include <cmath>

VirtualTilt::VirtualTilt(double degreesPerSecond) : rate_(degreesPerSecond > 0 ? degreesPerSecond : 1.0) {}

void VirtualTilt::setHeld(Direction direction, bool held) {
    if (direction >= 0 && direction < kDirections)
        held_[direction] = held;
}

void VirtualTilt::level() {
    for (bool& h : held_)
        h = false;
    roll_ = 0;
    pitch_ = 0;
}

namespace {

// Moves value toward target by at most step.
double approach(double value, double target, double step) {
    if (value < target)
        return std::min(value + step, target);
    return std::max(value - step, target);
}

} // namespace

void VirtualTilt::advance(double dt) {
    if (!(dt > 0.0))
        return;
    double step = rate_ * dt;
    // Opposite directions held together cancel out.
    double rollTarget = (held_[TiltLeft] ? kMaxDegrees : 0.0) - (held_[TiltRight] ? kMaxDegrees : 0.0);
    double pitchTarget = (held_[TiltAway] ? kMaxDegrees : 0.0) - (held_[TiltToward] ? kMaxDegrees : 0.0);
    roll_ = approach(roll_, rollTarget, step);
    pitch_ = approach(pitch_, pitchTarget, step);
}

void VirtualTilt::reading(double* x, double* y, double* z) const {
    constexpr double kDegrees = 3.14159265358979323846 / 180.0;
    // Gravity in the phone's axes after pitching about its y axis and rolling
    // about its x axis, starting from lying face up.
    double p = pitch_ * kDegrees;
    double r = roll_ * kDegrees;
    *x = std::sin(p) * std::cos(r);
    *y = std::sin(r);
    *z = -std::cos(p) * std::cos(r);
}
