#include "app/TransitionView.h"

TransitionView::TransitionView(const Rect& frame) : View(frame) {}

TransitionView::~TransitionView() {
    // The platform must not call back into a half-destroyed delegate.
    if (hasAnimation(kAnimationKey)) {
        delegate_ = nullptr;
        removeAnimation(kAnimationKey);
    }
}

void TransitionView::newSubview(View* view, TransitionType transition, TransitionDirection direction,
                                double duration) {
    if (transitioning_ || !view)
        return;
    // Copy first: removing a subview changes the list.
    const std::vector<View*> old = subviews();
    for (View* v : old)
        v->removeFromSuperview();
    addSubview(view);
    // A fade has no direction; the platform ignores it for Fade.
    addTransition(transition, direction, duration, kAnimationKey, this);
}

void TransitionView::cancelTransition() {
    removeAnimation(kAnimationKey);
}

void TransitionView::animationDidStart() {
    transitioning_ = true;
    wasEnabled_ = isUserInteractionEnabled();
    if (wasEnabled_)
        setUserInteractionEnabled(false);
    if (delegate_)
        delegate_->transitionViewDidStart(this);
}

void TransitionView::animationDidStop(bool finished) {
    transitioning_ = false;
    if (wasEnabled_)
        setUserInteractionEnabled(true);
    if (!delegate_)
        return;
    if (finished)
        delegate_->transitionViewDidFinish(this);
    else
        delegate_->transitionViewDidCancel(this);
}
