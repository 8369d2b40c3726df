#include "toolkit/FingerView.h"

#include <algorithm>

#include "toolkit/Graphics.h"
#include "toolkit/Image.h"

void FingerView::setBackgroundImage(const std::string& imageName) {
    background_ = Image::named(imageName);
    setNeedsDisplay();
}

void FingerView::draw(Graphics& g) {
    View::draw(g);
    if (background_)
        g.drawImage(*background_, bounds(), 1.0f);
}

void FingerView::touchesBegan(const TouchSet& touches) {
    processTouches(touches);
}
void FingerView::touchesMoved(const TouchSet& touches) {
    processTouches(touches);
}
void FingerView::touchesEnded(const TouchSet& touches) {
    processTouches(touches);
}
void FingerView::touchesCancelled(const TouchSet& touches) {
    processTouches(touches);
}

void FingerView::pushModal(FingerTarget& layer) {
    popModal(layer);
    modals_.push_back(&layer);
}

void FingerView::popModal(const FingerTarget& layer) {
    modals_.erase(std::remove(modals_.begin(), modals_.end(), &layer), modals_.end());
}

void FingerView::processTouches(const TouchSet& touches) {
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
