#pragma once

// A phone tilted from the keyboard. Four directions can be held: while one
// is held the phone leans that way (at most 60 degrees), and when let go it
// returns to level, both at `degreesPerSecond`. The reading is gravity in
// the phone's own portrait axes, in g, pulling negative (lying level face up
// gives 0, 0, -1).
//
// Held sideways with the view's top on the user's left, the phone's +x axis
// points up for the user and +y to the user's left:
// - TiltLeft lowers the user's left edge: y grows (whammy bar down);
// - TiltRight lowers the right edge: y falls (whammy bar up);
// - TiltAway lowers the top edge: x grows (wah closes);
// - TiltToward lowers the bottom edge: x falls (wah closes).
//
// Threads: one thread (the UI thread).
class VirtualTilt {
public:
    enum Direction { TiltLeft, TiltRight, TiltAway, TiltToward, kDirections };

    static constexpr double kMaxDegrees = 60.0;
    static constexpr double kDefaultDegreesPerSecond = 150.0;

    explicit VirtualTilt(double degreesPerSecond = kDefaultDegreesPerSecond);

    void setHeld(Direction direction, bool held);
    bool isHeld(Direction direction) const { return held_[direction]; }
    // Releases every direction and levels the phone at once.
    void level();
    // Moves the tilt on by dt seconds.
    void advance(double dt);

    // Current lean in degrees: roll (positive: left edge down) and pitch
    // (positive: top edge down).
    double rollDegrees() const { return roll_; }
    double pitchDegrees() const { return pitch_; }
    void reading(double* x, double* y, double* z) const;

private:
    double rate_;
    bool held_[kDirections] = {};
    double roll_ = 0;
    double pitch_ = 0;
};
