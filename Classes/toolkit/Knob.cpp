#include "toolkit/Knob.h"

#include <cmath>
#include <limits>

#include "toolkit/ImageView.h"

namespace {

// The picture sweeps this share of a full turn over the values 0 ... 1,
// centred so that the sweep is symmetric about straight up.
constexpr double kPi = 3.14159265;
constexpr double kSweep = 0.78;
constexpr double kZeroOffset = 0.19;
constexpr double kDegreesPerRadian = 57.29578;
// A full circle of the finger moves the value by this much.
constexpr double kValuePerTurn = 1.22;
// Finger steps this large or larger are taken for a jump, not a turn.
constexpr double kLargestStep = 50.0;

} // namespace

Knob::Knob(View* parent, int x, int y, const std::string& knobPath)
    : parent_(parent), x_(x), y_(y),
      knobIV_(knobPath.empty() ? std::make_unique<ImageView>() : std::make_unique<ImageView>(knobPath)) {
    knobIV_->setCenter({static_cast<float>(x), static_cast<float>(y)});
    // The owning screen decides which knob a finger turns.
    knobIV_->setUserInteractionEnabled(false);
    if (parent_) {
        parent_->addSubview(knobIV_.get());
    }
    redraw();
}

// The picture leaves the parent as it is destroyed.
Knob::~Knob() = default;

void Knob::setValue(float value) {
    currentValue_ = value;
    redraw();
}

void Knob::redraw() {
    knobIV_->setRotation(static_cast<float>(rotationForValue(currentValue_)));
}

float Knob::turnKnobFromCoord(Point from, Point to) {
    currentValue_ = turnedValue(currentValue_, x_, y_, from, to);
    redraw();
    return currentValue_;
}

double Knob::rotationForValue(float value) {
    return 2.0 * kPi * kSweep * (static_cast<double>(value) - kZeroOffset);
}

double Knob::angleAround(double cx, double cy, double px, double py) {
    const double dx = cx - px;
    const double dy = cy - py;
    if (dx > 0) {
        return 90.0 - std::atan(dy / dx) * kDegreesPerRadian;
    }
    if (dx < 0) {
        return 270.0 - std::atan(dy / dx) * kDegreesPerRadian;
    }
    if (dx == 0) {
        return dy < 0 ? 180.0 : 0.0;
    }
    // A point that is not a number has no angle; the turn is then ignored.
    return std::numeric_limits<double>::quiet_NaN();
}

float Knob::turnedValue(float value, double cx, double cy, Point from, Point to) {
    const double delta = angleAround(cx, cy, from.x, from.y) - angleAround(cx, cy, to.x, to.y);
    // Also false for a point that is not a number: nothing changes then.
    if (!(delta > -kLargestStep && delta < kLargestStep)) {
        return value;
    }
    float turned = static_cast<float>(value + delta * kValuePerTurn / 360.0);
    if (!(turned >= 0.0f)) {
        turned = 0.0f;
    }
    if (turned >= 1.0f) {
        turned = 1.0f;
    }
    return turned;
}
