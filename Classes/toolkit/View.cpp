#include "toolkit/View.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "system/AnimationCurve.h"
#include "system/Clock.h"
#include "toolkit/Graphics.h"
#include "toolkit/Image.h"
#include "toolkit/TouchRouter.h"
#include "toolkit/TransitionPainter.h"

namespace {

// Clock steps that add up to a duration may fall short of it by rounding.
constexpr double kTimeSlack = 1e-9;

// The animations of one beginAnimations/commitAnimations block that are
// still running; its callback runs when the last one ends.
struct AnimationBlock {
    int running = 0;
    std::function<void()> didStop;
};

struct PendingChange {
    View* view;
    bool isCenter;
    Point fromCenter;
    float fromAlpha;
};

struct BlockState {
    int depth = 0;
    double duration = 0.2;
    std::function<void()> didStop;
    std::vector<PendingChange> pending;
};

BlockState& block() {
    static BlockState state;
    return state;
}

std::uint64_t gDisplayGeneration = 1;

const Clock*& clockPointer() {
    static const Clock* clock = nullptr;
    return clock;
}

View::SnapshotProvider& snapshotProvider() {
    static View::SnapshotProvider provider;
    return provider;
}

// Views with an animation or transition running.
std::vector<View*>& animatingViews() {
    static std::vector<View*> views;
    return views;
}

void addAnimating(View* view) {
    auto& v = animatingViews();
    if (std::find(v.begin(), v.end(), view) == v.end())
        v.push_back(view);
}

void removeAnimating(View* view) {
    auto& v = animatingViews();
    v.erase(std::remove(v.begin(), v.end(), view), v.end());
}

Point rotatePoint(Point p, float radians) {
    if (radians == 0)
        return p;
    double c = std::cos(static_cast<double>(radians));
    double s = std::sin(static_cast<double>(radians));
    return {static_cast<float>(p.x * c - p.y * s), static_cast<float>(p.x * s + p.y * c)};
}

// Runs a block's callback once its last animation ends.
void finishBlockMember(const std::shared_ptr<AnimationBlock>& b, std::vector<std::function<void()>>& calls) {
    if (!b)
        return;
    if (--b->running == 0 && b->didStop)
        calls.push_back(std::move(b->didStop));
}

} // namespace

struct View::AnimationState {
    struct Property {
        bool running = false;
        double start = 0;
        double duration = 0;
        std::shared_ptr<AnimationBlock> block;
    };
    Property center;
    Point centerFrom;
    Property alpha;
    float alphaFrom = 1;

    struct Transition {
        bool running = false;
        TransitionType type = TransitionType::Fade;
        TransitionDirection direction = TransitionDirection::FromLeft;
        double start = 0;
        double duration = 0;
        std::string key;
        TransitionAnimationDelegate* delegate = nullptr;
        std::shared_ptr<Image> snapshot;
    };
    Transition transition;

    bool idle() const { return !center.running && !alpha.running && !transition.running; }
};

View::View() : animation_(std::make_unique<AnimationState>()) {}

View::View(const Rect& frame) : View() {
    setFrame(frame);
}

namespace {
// Drawing in slices: the hook, transitions being drawn (no slices in them),
// the count of changes to the tree's shape, and whether the drawing stopped.
std::function<void()> gSliceHook;
int gTransitionDepth = 0;
std::uint64_t gStructureGeneration = 0;
bool gSliceAbandoned = false;

// After a view's subtree was drawn: the hook, and whether to go on.
bool betweenSlices() {
    if (gSliceAbandoned)
        return false;
    if (!gSliceHook || gTransitionDepth > 0)
        return true;
    const std::uint64_t before = gStructureGeneration;
    gSliceHook();
    gSliceAbandoned = gStructureGeneration != before;
    return !gSliceAbandoned;
}
} // namespace

View::~View() {
    removeAnimating(this);
    auto& pending = block().pending;
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [this](const PendingChange& c) { return c.view == this; }),
                  pending.end());
    TouchRouter::viewDestroyed(this);
    ++gStructureGeneration;
    for (View* sub : subviews_)
        sub->superview_ = nullptr;
    subviews_.clear();
    removeFromSuperview();
}

Rect View::frame() const {
    if (rotation_ == 0)
        return {center_.x - size_.width / 2, center_.y - size_.height / 2, size_.width, size_.height};
    // The bounding box of the turned bounds.
    float hw = size_.width / 2, hh = size_.height / 2;
    Point corners[4] = {{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}};
    float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
    for (Point c : corners) {
        Point r = rotatePoint(c, rotation_);
        minX = std::min(minX, r.x);
        maxX = std::max(maxX, r.x);
        minY = std::min(minY, r.y);
        maxY = std::max(maxY, r.y);
    }
    // Round away the float noise of quarter turns.
    auto tidy = [](float v) { return std::round(v * 1000.0f) / 1000.0f; };
    return {tidy(center_.x + minX), tidy(center_.y + minY), tidy(maxX - minX), tidy(maxY - minY)};
}

void View::setFrame(const Rect& frame) {
    setBounds(frame);
    setCenter(frame.center());
}

void View::setBounds(const Rect& bounds) {
    redrawIfChanged(size_, Size{std::max(bounds.width, 0.0f), std::max(bounds.height, 0.0f)});
}

void View::setRotation(float radians) {
    redrawIfChanged(rotation_, radians);
}

void View::setHidden(bool hidden) {
    redrawIfChanged(hidden_, hidden);
}

void View::setBackgroundColor(Color color) {
    redrawIfChanged(backgroundColor_, color);
}

void View::setClipsToBounds(bool clips) {
    redrawIfChanged(clipsToBounds_, clips);
}

void View::setNeedsDisplay() {
    ++gDisplayGeneration;
}

std::uint64_t View::displayGeneration() {
    return gDisplayGeneration;
}

void View::beginSlicedDrawing(std::function<void()> hook) {
    gSliceHook = std::move(hook);
    gSliceAbandoned = false;
}

bool View::endSlicedDrawing() {
    gSliceHook = nullptr;
    return !std::exchange(gSliceAbandoned, false);
}

namespace {

// Sets an animatable property. Inside an animation block the change is
// recorded, starting from where the property is drawn now; outside, a running
// animation of it ends at once, and its block's callback (if this was the
// block's last animation) runs once the new value is in place.
template <typename T>
void setAnimatable(T& value, const T& newValue, View::AnimationState::Property& animation,
                   const std::function<PendingChange()>& change) {
    if (block().depth > 0) {
        block().pending.push_back(change());
    } else if (animation.running) {
        std::vector<std::function<void()>> calls;
        animation.running = false;
        finishBlockMember(animation.block, calls);
        animation.block.reset();
        value = newValue;
        for (auto& c : calls)
            c();
        return;
    }
    value = newValue;
}

} // namespace

void View::setCenter(Point center) {
    if (center.x != center_.x || center.y != center_.y || animation_->center.running)
        setNeedsDisplay();
    setAnimatable(center_, center, animation_->center, [&] {
        return PendingChange{this, true, presentationCenter(), 0};
    });
}

void View::setAlpha(float alpha) {
    alpha = std::clamp(alpha, 0.0f, 1.0f);
    if (alpha != alpha_ || animation_->alpha.running)
        setNeedsDisplay();
    setAnimatable(alpha_, alpha, animation_->alpha, [&] {
        return PendingChange{this, false, {}, presentationAlpha()};
    });
}

// ---- hierarchy

void View::detachSubview(View* view) {
    ++gStructureGeneration;
    subviews_.erase(std::remove(subviews_.begin(), subviews_.end(), view), subviews_.end());
}

void View::addSubview(View* view) {
    insertSubview(view, static_cast<std::size_t>(-1));
}

void View::insertSubview(View* view, std::size_t index) {
    if (!view || view == this || isDescendantOf(view))
        return;
    if (view->superview_)
        view->superview_->detachSubview(view);
    ++gStructureGeneration;
    view->superview_ = this;
    view->setNeedsDisplay();
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
}

void View::insertSubviewBelow(View* view, View* sibling) {
    insertSubviewBeside(view, sibling, 0);
}

void View::insertSubviewAbove(View* view, View* sibling) {
    insertSubviewBeside(view, sibling, 1);
}

void View::insertSubviewBeside(View* view, View* sibling, std::size_t above) {
    auto it = std::find(subviews_.begin(), subviews_.end(), sibling);
    if (it == subviews_.end()) {
        addSubview(view);
        return;
    }
    if (view && view->superview_ == this) {
        detachSubview(view);
        it = std::find(subviews_.begin(), subviews_.end(), sibling);
    }
    insertSubview(view, static_cast<std::size_t>(it - subviews_.begin()) + above);
}

void View::bringSubviewToFront(View* view) {
    if (view && view->superview_ == this)
        addSubview(view);
}

void View::sendSubviewToBack(View* view) {
    if (view && view->superview_ == this)
        insertSubview(view, 0);
}

void View::removeFromSuperview() {
    if (superview_) {
        superview_->detachSubview(this);
        superview_ = nullptr;
        setNeedsDisplay();
    }
}

View* View::viewWithTag(int tag) {
    if (tag_ == tag)
        return this;
    for (View* sub : subviews_)
        if (View* found = sub->viewWithTag(tag))
            return found;
    return nullptr;
}

bool View::isDescendantOf(const View* ancestor) const {
    for (const View* v = this; v; v = v->superview_)
        if (v == ancestor)
            return true;
    return false;
}

View* View::rootView() {
    View* v = this;
    while (v->superview_)
        v = v->superview_;
    return v;
}

// ---- coordinates

Point View::pointFromSuperview(Point p) const {
    Point d{p.x - center_.x, p.y - center_.y};
    Point r = rotatePoint(d, -rotation_);
    return {r.x + size_.width / 2, r.y + size_.height / 2};
}

Point View::pointToSuperview(Point p) const {
    Point d{p.x - size_.width / 2, p.y - size_.height / 2};
    Point r = rotatePoint(d, rotation_);
    return {r.x + center_.x, r.y + center_.y};
}

Point View::convertPointTo(Point point, const View* other) const {
    // Up to the root of this hierarchy...
    const View* v = this;
    while (v->superview_) {
        point = v->pointToSuperview(point);
        v = v->superview_;
    }
    if (!other || other == v)
        return point;
    // ...and down to the other view.
    std::vector<const View*> chain;
    for (const View* o = other; o && o != v; o = o->superview_)
        chain.push_back(o);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        point = (*it)->pointFromSuperview(point);
    return point;
}

Point View::convertPointFrom(Point point, const View* other) const {
    if (!other) {
        const View* root = this;
        while (root->superview_)
            root = root->superview_;
        other = root;
    }
    Point inRoot = other->convertPointTo(point, nullptr);
    return const_cast<View*>(this)->rootView()->convertPointTo(inRoot, this);
}

bool View::pointInside(Point p) const {
    return p.x >= 0 && p.y >= 0 && p.x < size_.width && p.y < size_.height;
}

View* View::hitTest(Point p) {
    if (hidden_ || !userInteractionEnabled_ || alpha_ <= 0.01f)
        return nullptr;
    if (!pointInside(p))
        return nullptr;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        View* sub = *it;
        if (View* hit = sub->hitTest(sub->pointFromSuperview(p)))
            return hit;
    }
    return this;
}

bool View::canReceiveTouches() const {
    for (const View* v = this; v; v = v->superview_)
        if (v->hidden_ || !v->userInteractionEnabled_ || v->alpha_ <= 0.01f)
            return false;
    return true;
}

// ---- touches: passed up the chain unless a view handles them

namespace {

TouchSet toSuperview(const View& view, const TouchSet& touches) {
    TouchSet out = touches;
    for (Touch& t : out) {
        t.location = view.pointToSuperview(t.location);
        t.previousLocation = view.pointToSuperview(t.previousLocation);
    }
    return out;
}

void passToSuperview(const View& view, void (View::*handler)(const TouchSet&), const TouchSet& touches) {
    if (View* superview = view.superview())
        (superview->*handler)(toSuperview(view, touches));
}

} // namespace

void View::touchesBegan(const TouchSet& touches) {
    passToSuperview(*this, &View::touchesBegan, touches);
}

void View::touchesMoved(const TouchSet& touches) {
    passToSuperview(*this, &View::touchesMoved, touches);
}

void View::touchesEnded(const TouchSet& touches) {
    passToSuperview(*this, &View::touchesEnded, touches);
}

void View::touchesCancelled(const TouchSet& touches) {
    passToSuperview(*this, &View::touchesCancelled, touches);
}

// ---- drawing

void View::draw(Graphics& g) {
    if (!backgroundColor_.isClear())
        g.fillRect(bounds(), backgroundColor_);
}

void View::drawHierarchy(Graphics& g) {
    float a = presentationAlpha();
    if (hidden_ || a <= 0.0f || gSliceAbandoned)
        return;
    Point c = presentationCenter();
    g.save();
    g.translate(c.x, c.y);
    if (rotation_ != 0)
        g.rotate(rotation_);
    g.translate(-size_.width / 2, -size_.height / 2);
    g.multiplyAlpha(a);
    if (clipsToBounds_)
        g.clipToRect(bounds());
    if (animation_->transition.running)
        drawTransitionFrame(g);
    else
        drawContent(g);
    g.restore();
}

void View::drawContent(Graphics& g) {
    draw(g);
    for (View* sub : subviews_) {
        sub->drawHierarchy(g);
        // Input handled here may have removed views, this one included:
        // when the tree changed, touch nothing more.
        if (!betweenSlices())
            return;
    }
}

void View::drawTransitionFrame(Graphics& g) {
    const auto& t = animation_->transition;
    double p = AnimationCurve::progress(t.start, t.duration, animationClock().now());
    ++gTransitionDepth; // the painter holds the snapshot: no input while it draws
    TransitionPainter::paint(g, size_, t.type, t.direction, static_cast<float>(p), t.snapshot.get(),
                             [this](Graphics& gg) { drawContent(gg); });
    --gTransitionDepth;
}

Point View::presentationCenter() const {
    const auto& a = animation_->center;
    if (!a.running)
        return center_;
    double p = AnimationCurve::progress(a.start, a.duration, animationClock().now());
    return {AnimationCurve::lerp(animation_->centerFrom.x, center_.x, p),
            AnimationCurve::lerp(animation_->centerFrom.y, center_.y, p)};
}

float View::presentationAlpha() const {
    const auto& a = animation_->alpha;
    if (!a.running)
        return alpha_;
    double p = AnimationCurve::progress(a.start, a.duration, animationClock().now());
    return AnimationCurve::lerp(animation_->alphaFrom, alpha_, p);
}

// ---- property animations

void View::beginAnimations(const std::string& name) {
    (void)name;
    BlockState& b = block();
    if (b.depth++ == 0) {
        b.duration = 0.2;
        b.didStop = nullptr;
        b.pending.clear();
    }
}

void View::setAnimationDuration(double seconds) {
    if (block().depth > 0)
        block().duration = std::max(0.0, seconds);
}

void View::setAnimationDidStop(std::function<void()> callback) {
    if (block().depth > 0)
        block().didStop = std::move(callback);
}

bool View::isInAnimationBlock() {
    return block().depth > 0;
}

void View::commitAnimations() {
    BlockState& b = block();
    if (b.depth == 0)
        return;
    if (--b.depth > 0)
        return;
    std::vector<PendingChange> pending;
    pending.swap(b.pending);
    auto group = std::make_shared<AnimationBlock>();
    group->didStop = std::move(b.didStop);
    b.didStop = nullptr;
    double now = animationClock().now();
    std::vector<std::function<void()>> calls;
    for (const PendingChange& c : pending) {
        // A change recorded twice in one block keeps the first starting point.
        bool seen = false;
        for (const PendingChange& e : pending) {
            if (&e == &c)
                break;
            if (e.view == c.view && e.isCenter == c.isCenter)
                seen = true;
        }
        if (seen)
            continue;
        AnimationState& s = *c.view->animation_;
        AnimationState::Property& prop = c.isCenter ? s.center : s.alpha;
        if (prop.running) {
            // Superseded: the earlier block loses this member.
            finishBlockMember(prop.block, calls);
            prop.block.reset();
            prop.running = false;
        }
        if (c.isCenter)
            s.centerFrom = c.fromCenter;
        else
            s.alphaFrom = c.fromAlpha;
        if (b.duration <= 0)
            continue;
        prop.running = true;
        prop.start = now;
        prop.duration = b.duration;
        prop.block = group;
        ++group->running;
        addAnimating(c.view);
    }
    if (group->running == 0 && group->didStop)
        calls.push_back(std::move(group->didStop));
    for (auto& call : calls)
        call();
}

// ---- transitions

void View::addTransition(TransitionType type, TransitionDirection direction, double duration,
                         const std::string& key, TransitionAnimationDelegate* delegate) {
    if (animation_->transition.running) {
        // The running transition is replaced and told it did not finish.
        auto old = animation_->transition;
        animation_->transition.running = false;
        if (old.delegate)
            old.delegate->animationDidStop(false);
    }
    auto& t = animation_->transition;
    t.running = true;
    t.type = type;
    t.direction = direction;
    t.start = animationClock().now();
    t.duration = std::max(0.0, duration);
    t.key = key;
    t.delegate = delegate;
    t.snapshot = snapshotProvider() ? snapshotProvider()(*this) : nullptr;
    addAnimating(this);
    setNeedsDisplay();
    if (delegate)
        delegate->animationDidStart();
}

void View::removeAnimation(const std::string& key) {
    auto& t = animation_->transition;
    if (!t.running || t.key != key)
        return;
    TransitionAnimationDelegate* delegate = t.delegate;
    t.running = false;
    t.snapshot.reset();
    t.delegate = nullptr;
    if (animation_->idle())
        removeAnimating(this);
    setNeedsDisplay();
    if (delegate)
        delegate->animationDidStop(false);
}

bool View::hasAnimation(const std::string& key) const {
    return animation_->transition.running && animation_->transition.key == key;
}

bool View::isAnimating() const {
    return !animation_->idle();
}

void View::setAnimationClock(const Clock* clock) {
    clockPointer() = clock;
}

const Clock& View::animationClock() {
    const Clock* c = clockPointer();
    return c ? *c : SystemClock::shared();
}

void View::setSnapshotProvider(SnapshotProvider provider) {
    snapshotProvider() = std::move(provider);
}

int View::runningAnimationCount() {
    return static_cast<int>(animatingViews().size());
}

void View::advanceAnimations() {
    double now = animationClock().now();
    std::vector<std::function<void()>> calls;
    // Copy: callbacks may start or end animations.
    std::vector<View*> views = animatingViews();
    for (View* v : views) {
        AnimationState& s = *v->animation_;
        for (AnimationState::Property* prop : {&s.center, &s.alpha}) {
            if (prop->running && now >= prop->start + prop->duration - kTimeSlack) {
                prop->running = false;
                finishBlockMember(prop->block, calls);
                prop->block.reset();
            }
        }
        auto& t = s.transition;
        if (t.running && now >= t.start + t.duration - kTimeSlack) {
            t.running = false;
            t.snapshot.reset();
            TransitionAnimationDelegate* delegate = t.delegate;
            t.delegate = nullptr;
            if (delegate)
                calls.push_back([delegate] { delegate->animationDidStop(true); });
        }
        if (s.idle()) {
            removeAnimating(v);
            // The resting look still has to be drawn once.
            v->setNeedsDisplay();
        }
    }
    for (auto& call : calls)
        call();
}
