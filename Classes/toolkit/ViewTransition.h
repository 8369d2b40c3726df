#pragma once

// Layer transitions shown when a view's contents change: the old look is
// replaced by the new one with a cross fade, the new look moving in over the
// old, or the old moving away to reveal the new. Directions are in the view's
// own coordinates (FromLeft: from the x = 0 edge, which a user holding the
// phone sideways sees at the bottom).
enum class TransitionType { Fade, MoveIn, Reveal };
enum class TransitionDirection { FromLeft, FromRight, FromTop, FromBottom };

// Told when a transition starts and stops.
//
// Threads: UI thread.
class TransitionAnimationDelegate {
public:
    virtual ~TransitionAnimationDelegate() = default;
    // Called before View::addTransition returns.
    virtual void animationDidStart() {}
    // finished is false when the transition was removed before its end.
    virtual void animationDidStop(bool finished) { (void)finished; }
};
