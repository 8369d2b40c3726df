#pragma once
#include <memory>
#include <string>

#include "system/Geometry.h"

class ImageView;
class View;

// A rotary control drawn on a screen: a picture turned to show a value from
// 0 to 1. The knob takes no touches itself: the screen that owns it decides
// from its own rectangles which knob a finger is turning, passes every
// movement of that finger to turnKnobFromCoord, and gives the value returned
// to the setting the knob stands for.
//
// The picture sweeps 0.78 of a turn, from about -53 degrees at 0 to about 227
// degrees at 1. A full circle of the finger moves the value by 1.22; a jump of
// 50 degrees or more between two successive finger positions (a step across
// the seam where the angle wraps from 360 to 0, or a finger that leapt) is
// ignored, and the value never leaves 0 ... 1.
//
// Screens that own knobs keep a `draggingKnob` index: -1 while no knob is
// being turned.
//
// Threads: UI thread only.
class Knob {
public:
    // Makes the picture from the bundle picture `knobPath` (an empty picture
    // when the name is empty), centres it at (x, y) in the parent's
    // coordinates and adds it to the parent. parent may be null (tests): the
    // picture is then made but shown nowhere. The value starts at 0.
    Knob(View* parent, int x, int y, const std::string& knobPath);
    ~Knob();
    Knob(const Knob&) = delete;
    Knob& operator=(const Knob&) = delete;

    float getValue() const { return currentValue_; }
    // Stores the value as given and redraws.
    void setValue(float value);
    // Turns the picture to show the value.
    void redraw();
    // Turns the knob by the finger's move from `from` to `to` (parent
    // coordinates), redraws and returns the new value.
    float turnKnobFromCoord(Point from, Point to);

    int x() const { return x_; }
    int y() const { return y_; }
    View* parent() const { return parent_; }
    // The knob's picture (owned by the knob).
    ImageView* knobIV() const { return knobIV_.get(); }

    // The pure arithmetic, for the screens' tests.
    // The picture's rotation for a value, in radians (clockwise).
    static double rotationForValue(float value);
    // The angle in degrees (0 ... 360) of point (px, py) around the centre
    // (cx, cy), y growing downwards: 0 straight above the centre, 90 to its
    // left, 180 straight below, 270 to its right (it grows anticlockwise and
    // wraps from 360 to 0 straight above).
    static double angleAround(double cx, double cy, double px, double py);
    // The value after a finger's move from `from` to `to` around the centre
    // (cx, cy), starting at `value`: unchanged for jumps of 50 degrees or
    // more, otherwise limited to 0 ... 1.
    static float turnedValue(float value, double cx, double cy, Point from, Point to);

private:
    View* parent_;
    int x_;
    int y_;
    float currentValue_ = 0;
    std::unique_ptr<ImageView> knobIV_;
};
