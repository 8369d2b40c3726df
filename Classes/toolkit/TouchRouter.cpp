#include "toolkit/TouchRouter.h"

#include <algorithm>
#include <cmath>

#include "toolkit/View.h"

namespace {

// Two touches begun this close in time and place make a double tap.
constexpr double kTapInterval = 0.35;
constexpr float kTapDistance = 25.0f;

} // namespace

std::vector<TouchRouter*>& TouchRouter::routers() {
    static std::vector<TouchRouter*> all;
    return all;
}

TouchRouter::TouchRouter() {
    routers().push_back(this);
}

TouchRouter::~TouchRouter() {
    auto& all = routers();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void TouchRouter::viewDestroyed(View* view) {
    for (TouchRouter* r : routers())
        for (auto it = r->touches_.begin(); it != r->touches_.end();)
            it = it->second.view == view ? r->touches_.erase(it) : std::next(it);
}

View* TouchRouter::viewForTouch(long id) const {
    auto it = touches_.find(id);
    return it == touches_.end() ? nullptr : it->second.view;
}

void TouchRouter::dispatch(View& root, long id, TouchPhase phase, Point rootPoint, double timestamp,
                           View* modalRoot) {
    auto deliver = [&](View* view, const Live& live, TouchPhase ph) {
        Touch t;
        t.id = id;
        t.phase = ph;
        t.location = view->convertPointFrom(live.lastRootPoint, nullptr);
        t.previousLocation = view->convertPointFrom(live.previousRootPoint, nullptr);
        t.tapCount = live.tapCount;
        t.timestamp = timestamp;
        // The handler of each phase, in TouchPhase's order; a resting finger
        // is not reported.
        using Handler = void (View::*)(const TouchSet&);
        static constexpr Handler kHandlers[] = {&View::touchesBegan, &View::touchesMoved, nullptr,
                                                &View::touchesEnded, &View::touchesCancelled};
        static_assert(static_cast<int>(TouchPhase::Began) == 0 && static_cast<int>(TouchPhase::Ended) == 3);
        if (Handler handler = kHandlers[static_cast<int>(ph)])
            (view->*handler)(TouchSet{t});
    };

    if (phase == TouchPhase::Began) {
        if (touches_.count(id)) // a repeated down without an up: end the old one first
            dispatch(root, id, TouchPhase::Cancelled, rootPoint, timestamp, modalRoot);
        View* hit = nullptr;
        if (modalRoot) {
            hit = modalRoot->hitTest(modalRoot->convertPointFrom(rootPoint, nullptr));
            if (!hit)
                return; // under an alert nothing else takes touches
        } else {
            hit = root.hitTest(rootPoint);
        }
        if (!hit)
            return;
        if (!hit->isMultipleTouchEnabled())
            for (const auto& [otherId, other] : touches_)
                if (other.view == hit)
                    return; // single-touch view already has its finger
        Live live;
        live.view = hit;
        live.lastRootPoint = rootPoint;
        live.previousRootPoint = rootPoint;
        float dx = rootPoint.x - lastTapPoint_.x, dy = rootPoint.y - lastTapPoint_.y;
        if (timestamp - lastTapTime_ <= kTapInterval && std::sqrt(dx * dx + dy * dy) <= kTapDistance)
            live.tapCount = lastTapCount_ + 1;
        lastTapPoint_ = rootPoint;
        lastTapTime_ = timestamp;
        lastTapCount_ = live.tapCount;
        touches_[id] = live;
        deliver(hit, live, TouchPhase::Began);
        return;
    }

    auto it = touches_.find(id);
    if (it == touches_.end())
        return;
    Live& live = it->second;
    if (phase == TouchPhase::Moved) {
        if (rootPoint == live.lastRootPoint)
            return; // not moved: stationary touches are not reported
        live.previousRootPoint = live.lastRootPoint;
        live.lastRootPoint = rootPoint;
        Live copy = live;
        deliver(copy.view, copy, TouchPhase::Moved);
        return;
    }
    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) {
        if (!(rootPoint == live.lastRootPoint)) {
            live.previousRootPoint = live.lastRootPoint;
            live.lastRootPoint = rootPoint;
        }
        Live copy = live;
        touches_.erase(it);
        deliver(copy.view, copy, phase);
    }
}

void TouchRouter::cancelAll() {
    // One at a time: a handler may destroy views whose touches are still
    // listed, and viewDestroyed then forgets them.
    while (!touches_.empty()) {
        auto it = touches_.begin();
        long id = it->first;
        Live l = it->second;
        touches_.erase(it);
        Touch t;
        t.id = id;
        t.phase = TouchPhase::Cancelled;
        t.location = l.view->convertPointFrom(l.lastRootPoint, nullptr);
        t.previousLocation = l.view->convertPointFrom(l.previousRootPoint, nullptr);
        t.tapCount = l.tapCount;
        l.view->touchesCancelled(TouchSet{t});
    }
}
