#pragma once
#include "system/Geometry.h"

// The mapping between the 320 x 480 portrait view and the 480 x 320
// landscape window a user holding the phone sideways sees: the view's top
// edge on the user's left, y growing to the user's right, x growing upward.
//
// Threads: any (pure functions).
class ViewGeometry {
public:
    static constexpr float kViewWidth = 320;
    static constexpr float kViewHeight = 480;
    static constexpr float kWindowWidth = 480; // logical landscape window
    static constexpr float kWindowHeight = 320;

    // Logical window point <-> view point.
    static Point windowToView(Point window) { return {kViewWidth - window.y, window.x}; }
    static Point viewToWindow(Point view) { return {view.y, kViewWidth - view.x}; }
    // A view rectangle as the window shows it (a rectangle again).
    static Rect viewRectToWindow(const Rect& view);
    // A touch normalised to the letterboxed picture (0..1 each way, as the
    // platform reports fingers) <-> view point.
    static Point normalizedTouchToView(float tx, float ty);
    static void viewToNormalizedTouch(Point view, float* tx, float* ty);

    // The letterboxed picture inside an output of outputWidth x
    // outputHeight pixels: the largest 3:2 rectangle, centred, with whole
    // pixel position and size.
    static Rect letterbox(int outputWidth, int outputHeight);
    // The scale (whole number, at least 1) at which to draw the view so the
    // picture is crisp in an output of that size.
    static int renderScale(int outputWidth, int outputHeight);
    // An output pixel to a view point (outside the picture: clamped onto it).
    static Point outputPixelToView(float px, float py, int outputWidth, int outputHeight);
};
