#pragma once
#include <map>
#include <vector>

#include "toolkit/Touch.h"

class View;

// Delivers touches, given in the root view's coordinates, to views: a touch
// goes to the view hit-tested where it began and stays with it; a view that
// takes single touches only gets its first one; touches ending or cancelled
// are forgotten. A view destroyed mid-touch is forgotten too.
//
// Threads: UI thread only.
class TouchRouter {
public:
    TouchRouter();
    ~TouchRouter();
    TouchRouter(const TouchRouter&) = delete;
    TouchRouter& operator=(const TouchRouter&) = delete;

    // One change of one touch. `root` is the view the point is relative to;
    // `modalRoot`, when set, is hit-tested first and, when it exists, takes
    // every new touch (an alert).
    void dispatch(View& root, long id, TouchPhase phase, Point rootPoint, double timestamp,
                  View* modalRoot = nullptr);
    // Cancels every live touch (its view gets touchesCancelled).
    void cancelAll();
    // The view a live touch belongs to, or null.
    View* viewForTouch(long id) const;
    std::size_t liveTouchCount() const { return touches_.size(); }

    // Called by View's destructor.
    static void viewDestroyed(View* view);

private:
    struct Live {
        View* view = nullptr;
        Point lastRootPoint;
        Point previousRootPoint;
        int tapCount = 1;
    };
    std::map<long, Live> touches_;
    // Where and when the last touch began, for tap counting.
    Point lastTapPoint_;
    double lastTapTime_ = -1e9;
    int lastTapCount_ = 0;
    static std::vector<TouchRouter*>& routers();
};
