#pragma once
#include <string>

#include "toolkit/View.h"

class TransitionView;

// Told when a screen change starts, finishes or is cancelled. Every call is
// optional.
//
// Threads: UI thread.
class TransitionViewDelegate {
public:
    virtual ~TransitionViewDelegate() = default;
    virtual void transitionViewDidStart(TransitionView* view) { (void)view; }
    virtual void transitionViewDidFinish(TransitionView* view) { (void)view; }
    virtual void transitionViewDidCancel(TransitionView* view) { (void)view; }
};

// The container that shows one screen at a time and animates each change
// (fade, move-in or reveal). While a change runs it takes no touches, so no
// screen does, and a further change asked for meanwhile is dropped.
//
// Threads: UI thread only.
class TransitionView : public View, private TransitionAnimationDelegate {
public:
    static constexpr const char* kAnimationKey = "transitionViewAnimation";

    explicit TransitionView(const Rect& frame);
    ~TransitionView() override;

    // Replaces the shown screen by view with the given animation; ignored
    // entirely while another change is running.
    void newSubview(View* view, TransitionType transition, TransitionDirection direction, double duration);
    void cancelTransition();
    bool isTransitioning() const { return transitioning_; }

    TransitionViewDelegate* delegate() const { return delegate_; }
    void setDelegate(TransitionViewDelegate* delegate) { delegate_ = delegate; }

private:
    void animationDidStart() override;
    void animationDidStop(bool finished) override;

    bool transitioning_ = false;
    bool wasEnabled_ = false;
    TransitionViewDelegate* delegate_ = nullptr;
};
