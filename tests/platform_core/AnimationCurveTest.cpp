#include <gtest/gtest.h>

#include "platform/core/AnimationCurve.h"

TEST(AnimationCurve, EaseInEaseOutEndsAndMiddle) {
    EXPECT_DOUBLE_EQ(AnimationCurve::easeInEaseOut(0.0), 0.0);
    EXPECT_DOUBLE_EQ(AnimationCurve::easeInEaseOut(1.0), 1.0);
    EXPECT_NEAR(AnimationCurve::easeInEaseOut(0.5), 0.5, 1e-9); // symmetric curve
    EXPECT_DOUBLE_EQ(AnimationCurve::easeInEaseOut(-3.0), 0.0);
    EXPECT_DOUBLE_EQ(AnimationCurve::easeInEaseOut(7.0), 1.0);
}

TEST(AnimationCurve, SlowAtBothEndsAndMonotonic) {
    // Known values of the (0.42, 0, 0.58, 1) Bezier.
    EXPECT_NEAR(AnimationCurve::easeInEaseOut(0.25), 0.129, 0.002);
    EXPECT_NEAR(AnimationCurve::easeInEaseOut(0.75), 0.871, 0.002);
    EXPECT_LT(AnimationCurve::easeInEaseOut(0.1), 0.1);
    EXPECT_GT(AnimationCurve::easeInEaseOut(0.9), 0.9);
    double last = 0;
    for (int i = 1; i <= 1000; ++i) {
        double v = AnimationCurve::easeInEaseOut(i / 1000.0);
        EXPECT_GE(v, last);
        last = v;
    }
    for (int i = 0; i <= 100; ++i) {
        double t = i / 100.0;
        EXPECT_NEAR(AnimationCurve::easeInEaseOut(t) + AnimationCurve::easeInEaseOut(1 - t), 1.0, 1e-6);
    }
}

TEST(AnimationCurve, ProgressOverADuration) {
    EXPECT_DOUBLE_EQ(AnimationCurve::progress(10.0, 0.25, 10.0), 0.0);
    EXPECT_NEAR(AnimationCurve::progress(10.0, 0.25, 10.125), 0.5, 1e-9);
    EXPECT_DOUBLE_EQ(AnimationCurve::progress(10.0, 0.25, 10.25), 1.0);
    EXPECT_DOUBLE_EQ(AnimationCurve::progress(10.0, 0.0, 9.0), 1.0); // no duration: at the end at once
    EXPECT_FLOAT_EQ(AnimationCurve::lerp(-33, 29, 0.5), -2);
}
