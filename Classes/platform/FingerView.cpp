#include "platform/FingerView.h"

#include <algorithm>

void FingerView::touchesBegan(const TouchSet& touches) {
    dispatch(touches);
}
void FingerView::touchesMoved(const TouchSet& touches) {
    dispatch(touches);
}
void FingerView::touchesEnded(const TouchSet& touches) {
    dispatch(touches);
}
void FingerView::touchesCancelled(const TouchSet& touches) {
    dispatch(touches);
}

void FingerView::pushModal(FingerTarget& layer) {
    popModal(layer);
    modals_.push_back(&layer);
}

void FingerView::popModal(const FingerTarget& layer) {
    modals_.erase(std::remove(modals_.begin(), modals_.end(), &layer), modals_.end());
}

void FingerView::dispatch(const TouchSet& touches) {
    for (const Touch& touch : touches)
        dispatchOne(touch);
}

void FingerView::dispatchOne(const Touch& touch) {
    if (touch.phase == TouchPhase::Stationary)
        return;
    if (!modals_.empty()) {
        FingerTarget& top = *modals_.back();
        switch (touch.phase) {
        case TouchPhase::Began:
            top.fingerDown(touch);
            break;
        case TouchPhase::Moved:
            top.fingerMove(touch);
            break;
        default:
            top.fingerUp(touch);
            break;
        }
        return;
    }
    switch (touch.phase) {
    case TouchPhase::Began:
        fingerDown(touch);
        break;
    case TouchPhase::Moved:
        fingerMove(touch);
        break;
    default:
        fingerUp(touch);
        break;
    }
}
