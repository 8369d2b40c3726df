#include <gtest/gtest.h>

#include <cmath>

#include "platform/core/VirtualTilt.h"

TEST(VirtualTilt, LevelWhenUntouched) {
    VirtualTilt tilt;
    tilt.advance(5.0);
    double x, y, z;
    tilt.reading(&x, &y, &z);
    EXPECT_DOUBLE_EQ(x, 0.0);
    EXPECT_DOUBLE_EQ(y, 0.0);
    EXPECT_DOUBLE_EQ(z, -1.0);
}

TEST(VirtualTilt, HoldingLeansAtTheRateUpToTheLimitAndReturns) {
    VirtualTilt tilt(150.0);
    tilt.setHeld(VirtualTilt::TiltLeft, true);
    tilt.advance(0.1);
    EXPECT_NEAR(tilt.rollDegrees(), 15.0, 1e-9);
    tilt.advance(10.0);
    EXPECT_NEAR(tilt.rollDegrees(), VirtualTilt::kMaxDegrees, 1e-9);
    double x, y, z;
    tilt.reading(&x, &y, &z);
    EXPECT_NEAR(y, std::sin(60.0 * 3.14159265358979 / 180), 1e-9); // left edge down: y positive
    EXPECT_NEAR(x, 0.0, 1e-12);
    EXPECT_NEAR(x * x + y * y + z * z, 1.0, 1e-9); // still one g
    tilt.setHeld(VirtualTilt::TiltLeft, false);
    tilt.advance(0.2);
    EXPECT_NEAR(tilt.rollDegrees(), 30.0, 1e-9);
    tilt.advance(1.0);
    EXPECT_DOUBLE_EQ(tilt.rollDegrees(), 0.0);
}

TEST(VirtualTilt, DirectionsGiveTheirSigns) {
    struct Case {
        VirtualTilt::Direction dir;
        int xSign, ySign;
    } cases[] = {{VirtualTilt::TiltLeft, 0, 1},
                 {VirtualTilt::TiltRight, 0, -1},
                 {VirtualTilt::TiltAway, 1, 0},
                 {VirtualTilt::TiltToward, -1, 0}};
    for (const Case& c : cases) {
        VirtualTilt tilt;
        tilt.setHeld(c.dir, true);
        tilt.advance(1.0);
        double x, y, z;
        tilt.reading(&x, &y, &z);
        // Beyond half a g, enough to reach the ends of the whammy and wah ranges.
        if (c.xSign)
            EXPECT_GT(x * c.xSign, 0.5);
        else
            EXPECT_NEAR(x, 0.0, 1e-12);
        if (c.ySign)
            EXPECT_GT(y * c.ySign, 0.5);
        else
            EXPECT_NEAR(y, 0.0, 1e-12);
        EXPECT_LT(z, 0.0);
    }
}

TEST(VirtualTilt, OppositeDirectionsCancelAndLevelResets) {
    VirtualTilt tilt;
    tilt.setHeld(VirtualTilt::TiltAway, true);
    tilt.setHeld(VirtualTilt::TiltToward, true);
    tilt.advance(1.0);
    EXPECT_DOUBLE_EQ(tilt.pitchDegrees(), 0.0);
    tilt.setHeld(VirtualTilt::TiltToward, false);
    tilt.advance(1.0);
    EXPECT_DOUBLE_EQ(tilt.pitchDegrees(), 60.0);
    tilt.level();
    EXPECT_FALSE(tilt.isHeld(VirtualTilt::TiltAway));
    EXPECT_DOUBLE_EQ(tilt.pitchDegrees(), 0.0);
    tilt.advance(-1.0); // time going backwards changes nothing
    EXPECT_DOUBLE_EQ(tilt.pitchDegrees(), 0.0);
}
