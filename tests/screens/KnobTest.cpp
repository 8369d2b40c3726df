// The rotary knob: its picture's rotation for a value, the angle of a finger
// around its centre, turning by small steps, jumps that are ignored, and the
// limits of the value.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/ImageView.h"
#include "platform/Knob.h"

namespace {

constexpr double kPi = 3.14159265358979;

// The point at `degrees` (0 straight above the centre, growing anticlockwise
// on the screen, y downwards) at radius r around (cx, cy).
Point pointAt(double cx, double cy, double r, double degrees) {
    const double a = degrees * kPi / 180.0;
    return {static_cast<float>(cx - r * std::sin(a)), static_cast<float>(cy - r * std::cos(a))};
}

// Turns the knob from angle `from` to angle `to` in steps of `step` degrees.
float turnInSteps(Knob& knob, double from, double to, double step) {
    const int steps = static_cast<int>(std::lround(std::fabs(to - from) / step));
    const double dir = to > from ? 1 : -1;
    float value = knob.getValue();
    for (int i = 0; i < steps; ++i) {
        value = knob.turnKnobFromCoord(pointAt(knob.x(), knob.y(), 60, from + dir * step * i),
                                       pointAt(knob.x(), knob.y(), 60, from + dir * step * (i + 1)));
    }
    return value;
}

} // namespace

TEST(KnobAngle, QuartersAroundTheCentre) {
    EXPECT_DOUBLE_EQ(Knob::angleAround(100, 100, 100, 40), 0.0);    // above
    EXPECT_DOUBLE_EQ(Knob::angleAround(100, 100, 40, 100), 90.0);   // left
    EXPECT_DOUBLE_EQ(Knob::angleAround(100, 100, 100, 160), 180.0); // below
    EXPECT_DOUBLE_EQ(Knob::angleAround(100, 100, 160, 100), 270.0); // right
    // Diagonals: atan(1) = 45 degrees.
    EXPECT_NEAR(Knob::angleAround(100, 100, 50, 50), 45.0, 1e-4);
    EXPECT_NEAR(Knob::angleAround(100, 100, 50, 150), 135.0, 1e-4);
    EXPECT_NEAR(Knob::angleAround(100, 100, 150, 150), 225.0, 1e-4);
    EXPECT_NEAR(Knob::angleAround(100, 100, 150, 50), 315.0, 1e-4);
}

TEST(KnobAngle, StraightAboveOrBelowDoesNotDivideByZero) {
    EXPECT_EQ(Knob::angleAround(10, 10, 10, 9), 0.0);
    EXPECT_EQ(Knob::angleAround(10, 10, 10, 11), 180.0);
    // The centre itself counts as above.
    EXPECT_EQ(Knob::angleAround(10, 10, 10, 10), 0.0);
    // Either side of straight above: the seam between 360 and 0.
    EXPECT_NEAR(Knob::angleAround(100, 100, 99, 0), 0.57, 0.01);
    EXPECT_NEAR(Knob::angleAround(100, 100, 101, 0), 359.43, 0.01);
}

TEST(KnobDrawing, RotationSweepsFromMinus53To227Degrees) {
    EXPECT_DOUBLE_EQ(Knob::rotationForValue(0.0f), 2.0 * 3.14159265 * 0.78 * -0.19);
    EXPECT_NEAR(Knob::rotationForValue(0.0f) * 180.0 / kPi, -53.35, 0.01);
    EXPECT_NEAR(Knob::rotationForValue(1.0f) * 180.0 / kPi, 227.45, 0.01);
    EXPECT_NEAR(Knob::rotationForValue(0.19f), 0.0, 1e-7);

    Knob knob(nullptr, 50, 60, "");
    knob.setValue(0.5f);
    EXPECT_FLOAT_EQ(knob.getValue(), 0.5f);
    EXPECT_FLOAT_EQ(knob.knobIV()->rotation(), static_cast<float>(Knob::rotationForValue(0.5f)));
}

TEST(KnobView, PictureCentredOnTheParentAndRemovedWithTheKnob) {
    View parent(Rect{0, 0, 320, 480});
    {
        Knob knob(&parent, 238, 136, "");
        EXPECT_EQ(knob.parent(), &parent);
        ASSERT_EQ(parent.subviews().size(), 1u);
        EXPECT_EQ(parent.subviews()[0], knob.knobIV());
        EXPECT_EQ(knob.knobIV()->center(), (Point{238, 136}));
        EXPECT_FALSE(knob.knobIV()->isUserInteractionEnabled());
        EXPECT_EQ(knob.getValue(), 0.0f);
        EXPECT_FLOAT_EQ(knob.knobIV()->rotation(), static_cast<float>(Knob::rotationForValue(0.0f)));
        EXPECT_EQ(knob.knobIV()->image(), nullptr);
    }
    EXPECT_TRUE(parent.subviews().empty());
    // A knob without a parent is shown nowhere.
    Knob lone(nullptr, 1, 2, "");
    EXPECT_EQ(lone.knobIV()->superview(), nullptr);
}

TEST(KnobTurning, QuarterTurnClockwiseInSmallStepsRaisesBy0305) {
    Knob knob(nullptr, 160, 240, "");
    // Clockwise on the screen: from the right (270) down to below (180).
    const float value = turnInSteps(knob, 270, 180, 1);
    EXPECT_NEAR(value, 0.305f, 1e-4);
    EXPECT_EQ(knob.getValue(), value);
    EXPECT_FLOAT_EQ(knob.knobIV()->rotation(), static_cast<float>(Knob::rotationForValue(value)));
    // And back anticlockwise to where it started.
    EXPECT_NEAR(turnInSteps(knob, 180, 270, 1), 0.0f, 1e-4);
}

TEST(KnobTurning, OneDegreeStepIsExact) {
    // From the left (90) to 89 degrees: the value grows by 1.22 / 360.
    const float v = Knob::turnedValue(0.5f, 0, 0, pointAt(0, 0, 10, 90), pointAt(0, 0, 10, 89));
    EXPECT_NEAR(v, 0.5 + 1.22 / 360.0, 1e-6);
}

TEST(KnobTurning, QuarterTurnInOneStepChangesNothing) {
    Knob knob(nullptr, 160, 240, "");
    knob.setValue(0.4f);
    EXPECT_EQ(knob.turnKnobFromCoord({220, 240}, {160, 300}), 0.4f);
    EXPECT_EQ(knob.getValue(), 0.4f);
}

TEST(KnobTurning, StepsOfFiftyDegreesOrMoreAreJumps) {
    const Point from = pointAt(0, 0, 100, 200);
    // 49.5 degrees either way is a turn, 50.5 a jump.
    EXPECT_NEAR(Knob::turnedValue(0.5f, 0, 0, from, pointAt(0, 0, 100, 150.5)), 0.5 + 49.5 * 1.22 / 360,
                1e-5);
    EXPECT_NEAR(Knob::turnedValue(0.5f, 0, 0, from, pointAt(0, 0, 100, 249.5)), 0.5 - 49.5 * 1.22 / 360,
                1e-5);
    EXPECT_EQ(Knob::turnedValue(0.5f, 0, 0, from, pointAt(0, 0, 100, 149.5)), 0.5f);
    EXPECT_EQ(Knob::turnedValue(0.5f, 0, 0, from, pointAt(0, 0, 100, 250.5)), 0.5f);
}

TEST(KnobTurning, CrossingTheSeamAboveChangesNothing) {
    // 1 degree to 359 degrees is a small clockwise move, but the angle jumps.
    Knob knob(nullptr, 100, 100, "");
    knob.setValue(0.5f);
    EXPECT_EQ(knob.turnKnobFromCoord(pointAt(100, 100, 50, 1), pointAt(100, 100, 50, 359)), 0.5f);
    EXPECT_EQ(knob.turnKnobFromCoord(pointAt(100, 100, 50, 359), pointAt(100, 100, 50, 1)), 0.5f);
}

TEST(KnobLimits, StaysWithinZeroAndOne) {
    Knob knob(nullptr, 100, 100, "");
    knob.setValue(1.0f);
    // Further clockwise stays at 1 ...
    EXPECT_EQ(turnInSteps(knob, 270, 240, 2), 1.0f);
    // ... and turned back it moves down at once.
    const float back = knob.turnKnobFromCoord(pointAt(100, 100, 50, 240), pointAt(100, 100, 50, 241));
    EXPECT_NEAR(back, 1.0 - 1.22 / 360, 1e-6);

    knob.setValue(0.0f);
    EXPECT_EQ(turnInSteps(knob, 180, 270, 5), 0.0f);
    EXPECT_GT(knob.turnKnobFromCoord(pointAt(100, 100, 50, 270), pointAt(100, 100, 50, 269)), 0.0f);

    // A whole circle in small steps from 0 reaches the top and stops there.
    knob.setValue(0.0f);
    EXPECT_EQ(turnInSteps(knob, 359, 1, 2), 1.0f);
}

TEST(KnobLimits, ValuesOutsideTheRangeComeBackOnTheFirstTurn) {
    EXPECT_EQ(Knob::turnedValue(1.5f, 0, 0, pointAt(0, 0, 10, 90), pointAt(0, 0, 10, 89)), 1.0f);
    EXPECT_EQ(Knob::turnedValue(-0.5f, 0, 0, pointAt(0, 0, 10, 89), pointAt(0, 0, 10, 90)), 0.0f);
    // A point that is not a number changes nothing.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(Knob::turnedValue(0.3f, 0, 0, {nan, 1}, {1, 1}), 0.3f);
}
