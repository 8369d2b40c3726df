#include "system/AnimationCurve.h"

#include <algorithm>
#include <cmath>

namespace {

// One coordinate of the cubic Bezier with end points 0 and 1.
double bezier(double p1, double p2, double s) {
    double u = 1.0 - s;
    return 3.0 * u * u * s * p1 + 3.0 * u * s * s * p2 + s * s * s;
}

double bezierSlope(double p1, double p2, double s) {
    double u = 1.0 - s;
    return 3.0 * u * u * p1 + 6.0 * u * s * (p2 - p1) + 3.0 * s * s * (1.0 - p2);
}

} // namespace

double AnimationCurve::easeInEaseOut(double t) {
    constexpr double x1 = 0.42, y1 = 0.0, x2 = 0.58, y2 = 1.0;
    if (!(t > 0.0))
        return 0.0;
    if (t >= 1.0)
        return 1.0;
    // Solve x(s) = t: Newton's method, falling back to bisection.
    double s = t;
    for (int i = 0; i < 8; ++i) {
        double err = bezier(x1, x2, s) - t;
        if (std::fabs(err) < 1e-9)
            break;
        double slope = bezierSlope(x1, x2, s);
        if (std::fabs(slope) < 1e-7)
            break;
        s = std::clamp(s - err / slope, 0.0, 1.0);
    }
    if (std::fabs(bezier(x1, x2, s) - t) > 1e-7) {
        double lo = 0.0, hi = 1.0;
        s = t;
        for (int i = 0; i < 60; ++i) {
            if (bezier(x1, x2, s) < t)
                lo = s;
            else
                hi = s;
            s = (lo + hi) / 2;
        }
    }
    return std::clamp(bezier(y1, y2, s), 0.0, 1.0);
}

double AnimationCurve::progress(double start, double duration, double now) {
    if (!(duration > 0.0))
        return 1.0;
    return easeInEaseOut((now - start) / duration);
}
