#pragma once
#include <vector>

#include "system/Geometry.h"

enum class TouchPhase { Began, Moved, Stationary, Ended, Cancelled };

// One finger (or the mouse acting as one) as a view receives it. `id` stays
// the same from the touch's Began to its Ended or Cancelled and identifies it
// (the toolkit's touch object). Locations are in the receiving view's own
// coordinates.
struct Touch {
    long id = 0;
    TouchPhase phase = TouchPhase::Began;
    Point location;
    Point previousLocation;
    int tapCount = 1;
    double timestamp = 0; // seconds on the application's clock
};

// The touches that changed in one event, in the order they changed.
using TouchSet = std::vector<Touch>;
