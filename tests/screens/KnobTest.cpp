// The rotary knob: turned by small steps of a finger around its centre,
// jumps and moves across the seam above ignored, its value kept within
// 0 ... 1, and its picture turning with the value.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/ImageView.h"
#include "platform/Knob.h"

namespace {

// The point at `degrees` (0 straight above the centre, growing anticlockwise
// on the screen, y downwards) at radius 50 around the knob's centre.
Point around(const Knob& knob, double degrees) {
    const double a = degrees * M_PI / 180.0;
    return {static_cast<float>(knob.x() - 50 * std::sin(a)), static_cast<float>(knob.y() - 50 * std::cos(a))};
}

// Turns the knob from angle `from` to angle `to` in steps of `step` degrees.
float turnInSteps(Knob& knob, double from, double to, double step) {
    const int steps = static_cast<int>(std::lround(std::fabs(to - from) / step));
    const double dir = to > from ? 1 : -1;
    for (int i = 0; i < steps; ++i)
        knob.turnKnobFromCoord(around(knob, from + dir * step * i),
                               around(knob, from + dir * step * (i + 1)));
    return knob.getValue();
}

} // namespace

TEST(Knob, TurnsByStepsAndIgnoresJumps) {
    View parent(Rect{0, 0, 320, 480});
    Knob knob(&parent, 160, 240, "");
    EXPECT_EQ(parent.subviews().back(), knob.knobIV());
    EXPECT_EQ(knob.knobIV()->center(), (Point{160, 240}));
    // A quarter turn clockwise in small steps, and back.
    EXPECT_NEAR(turnInSteps(knob, 270, 180, 1), 0.305f, 1e-4);
    EXPECT_FLOAT_EQ(knob.knobIV()->rotation(), static_cast<float>(Knob::rotationForValue(knob.getValue())));
    EXPECT_NEAR(turnInSteps(knob, 180, 270, 1), 0.0f, 1e-4);
    struct Step {
        double from, to;
        float expected; // from 0.5
    } steps[] = {
        {200, 150.5, static_cast<float>(0.5 + 49.5 * 1.22 / 360)}, // the largest turn
        {200, 249.5, static_cast<float>(0.5 - 49.5 * 1.22 / 360)},
        {200, 149.5, 0.5f}, // a jump
        {200, 250.5, 0.5f},
        {1, 359, 0.5f}, // across the seam above
        {359, 1, 0.5f},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.from);
        knob.setValue(0.5f);
        EXPECT_NEAR(knob.turnKnobFromCoord(around(knob, s.from), around(knob, s.to)), s.expected, 1e-5);
    }
    // Straight above, straight below and the centre itself have angles too.
    EXPECT_EQ(Knob::angleAround(10, 10, 10, 11), 180.0);
    EXPECT_EQ(Knob::angleAround(10, 10, 10, 10), 0.0);
}

TEST(Knob, StaysWithinZeroAndOne) {
    Knob knob(nullptr, 100, 100, "");
    EXPECT_EQ(knob.knobIV()->superview(), nullptr);
    knob.setValue(1.0f);
    EXPECT_EQ(turnInSteps(knob, 270, 240, 2), 1.0f);
    // Turned back it moves down at once.
    EXPECT_NEAR(turnInSteps(knob, 240, 241, 1), 1.0 - 1.22 / 360, 1e-6);
    knob.setValue(0.0f);
    EXPECT_EQ(turnInSteps(knob, 180, 270, 5), 0.0f);
    EXPECT_GT(turnInSteps(knob, 270, 269, 1), 0.0f);
    knob.setValue(0.0f);
    EXPECT_EQ(turnInSteps(knob, 359, 1, 2), 1.0f);
    // Values outside the range come back on the first turn; a point that is
    // not a number changes nothing.
    const Point a = around(knob, 90), b = around(knob, 89);
    EXPECT_EQ(Knob::turnedValue(1.5f, knob.x(), knob.y(), a, b), 1.0f);
    EXPECT_EQ(Knob::turnedValue(-0.5f, knob.x(), knob.y(), b, a), 0.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(Knob::turnedValue(0.3f, 0, 0, {nan, 1}, {1, 1}), 0.3f);
}

TEST(Knob, PictureSweepsMostOfATurnUprightNearTheBottomOfTheRange) {
    const double sweep = Knob::rotationForValue(1.0f) - Knob::rotationForValue(0.0f);
    EXPECT_NEAR(sweep / (2 * M_PI), 0.78, 1e-6);
    EXPECT_NEAR(Knob::rotationForValue(0.19f), 0.0, 1e-7);
}
