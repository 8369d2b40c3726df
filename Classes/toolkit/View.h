#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "system/Geometry.h"
#include "toolkit/Touch.h"
#include "toolkit/ViewTransition.h"

class Clock;
class Graphics;
class Image;

// A rectangle of the screen that draws itself and its subviews and receives
// touches, in the manner of the phone's toolkit.
//
// Geometry: a view has a centre (in its superview's coordinates), a size
// (its bounds, origin 0,0) and a rotation about its centre. `frame` is the
// box in the superview's coordinates: setting it sets the centre and size;
// reading it gives the bounding box of the rotated bounds. So a label made
// with a frame and then turned a quarter turn keeps its centre and swaps its
// extent, as on the phone.
//
// Ownership: a superview does not own its subviews; whoever creates a view
// owns it (screens keep their views as members). A view being destroyed
// leaves its superview and lets go of its subviews.
//
// Drawing: draw() paints the view's own content in its bounds; subviews
// follow in order, each on top of the previous. Hidden views and views with
// alpha 0 are not drawn and take no touches.
//
// Touches: a touch goes to the top-most view under it that takes touches
// (userInteractionEnabled, not hidden, alpha above 0.01, and every ancestor
// taking touches too) and stays with that view until it ends. A view whose
// multipleTouchEnabled is false gets only its first touch. The default
// touches* handlers pass the touches on to the superview.
//
// Threads: UI thread only.
class View {
public:
    View();
    explicit View(const Rect& frame);
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Geometry
    Rect frame() const;
    void setFrame(const Rect& frame);
    Point center() const { return center_; }
    void setCenter(Point center); // animatable
    Rect bounds() const { return {0, 0, size_.width, size_.height}; }
    void setBounds(const Rect& bounds); // the size only
    // Rotation about the centre, clockwise in radians (the toolkit's
    // CGAffineTransformMakeRotation). 0 is the identity transform.
    float rotation() const { return rotation_; }
    void setRotation(float radians);

    // Appearance
    float alpha() const { return alpha_; }
    void setAlpha(float alpha); // animatable
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    Color backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(Color color);
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool clips);
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // Touch flags
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
    bool isMultipleTouchEnabled() const { return multipleTouchEnabled_; }
    void setMultipleTouchEnabled(bool enabled) { multipleTouchEnabled_ = enabled; }

    // Hierarchy
    View* superview() const { return superview_; }
    const std::vector<View*>& subviews() const { return subviews_; }
    // Adds on top of the other subviews (moving it from its old superview).
    void addSubview(View* view);
    // Inserts at index (0 = bottom-most).
    void insertSubview(View* view, std::size_t index);
    void insertSubviewBelow(View* view, View* sibling);
    void insertSubviewAbove(View* view, View* sibling);
    void bringSubviewToFront(View* view);
    void sendSubviewToBack(View* view);
    void removeFromSuperview();
    // This view or the first descendant (depth first) with the tag.
    View* viewWithTag(int tag);
    bool isDescendantOf(const View* ancestor) const;
    // The top of this view's hierarchy.
    View* rootView();

    // Coordinates
    // A point in this view's coordinates converted to another's (null: the
    // root view of this hierarchy).
    Point convertPointTo(Point point, const View* other) const;
    Point convertPointFrom(Point point, const View* other) const;
    // Where a point of the superview's coordinates lies in this view.
    Point pointFromSuperview(Point point) const;
    Point pointToSuperview(Point point) const;
    virtual bool pointInside(Point point) const;
    // The deepest view under point (in this view's coordinates) that takes
    // touches, or null.
    virtual View* hitTest(Point point);
    // Takes touches itself, counting its ancestors, hidden state and alpha.
    bool canReceiveTouches() const;

    // Touch handlers. `touches` are in this view's coordinates.
    virtual void touchesBegan(const TouchSet& touches);
    virtual void touchesMoved(const TouchSet& touches);
    virtual void touchesEnded(const TouchSet& touches);
    virtual void touchesCancelled(const TouchSet& touches);

    // Drawing
    // Paints the view's own content into its bounds. The default fills the
    // background colour.
    virtual void draw(Graphics& g);
    // Draws this view and its subviews, as the window does for each frame.
    void drawHierarchy(Graphics& g);

    // The window draws a frame only when something visible changed. The
    // setters of View, Label, ImageView and TextField call this themselves
    // when a value changes; a view whose draw() depends on other state calls
    // it when that state changes. While an animation or transition runs the
    // window draws every frame anyway.
    void setNeedsDisplay();
    // Counts setNeedsDisplay() calls, of every view: the window compares it
    // with the count it last drew.
    static std::uint64_t displayGeneration();

    // Drawing in slices (the window, in software): until endSlicedDrawing,
    // hook runs after each view's subtree is drawn (not within transitions)
    // and may handle input. Input that adds, removes or destroys any view
    // stops the drawing at once (no view is touched again), and
    // endSlicedDrawing() then says false: the picture is incomplete.
    static void beginSlicedDrawing(std::function<void()> hook);
    static bool endSlicedDrawing();

    // Property animations, toolkit style: between beginAnimations and
    // commitAnimations, setCenter and setAlpha record the change; the new
    // values are the views' values at once (reading them or hit testing sees
    // them), and the drawing moves from the old to the new over the duration
    // with an ease-in-ease-out curve. Nesting counts; the outermost commit
    // starts the animations. Changing a property that is being animated
    // outside an animation block jumps to the new value.
    static void beginAnimations(const std::string& name = "");
    static void setAnimationDuration(double seconds);
    // Called once when the animations of the block have all finished.
    static void setAnimationDidStop(std::function<void()> callback);
    static void commitAnimations();
    static bool isInAnimationBlock();

    // Layer transitions: the look the view had when last drawn is replaced by
    // its current look (changed just before the call) as type/direction say,
    // over duration seconds, ease-in-ease-out. The delegate (not owned; may be
    // null) is told animationDidStart() before this returns and
    // animationDidStop(true) when it ends. A transition under the same key
    // replaces the running one (which reports finished = false).
    void addTransition(TransitionType type, TransitionDirection direction, double duration,
                       const std::string& key, TransitionAnimationDelegate* delegate);
    // Cancels the transition under key: the delegate gets animationDidStop(false).
    void removeAnimation(const std::string& key);
    bool hasAnimation(const std::string& key) const;
    bool isAnimating() const; // property or transition animation running

    // The clock that times every animation (the system clock by default;
    // the application installs its own, tests a ManualClock).
    static void setAnimationClock(const Clock* clock);
    static const Clock& animationClock();
    // Main loop, once per frame before drawing: ends the animations that are
    // over and tells their delegates and callbacks.
    static void advanceAnimations();
    // How many views have animations or transitions running.
    static int runningAnimationCount();

    // Installed by the application: makes a picture of what `view` looked
    // like in the last frame drawn (null when nothing was drawn yet).
    using SnapshotProvider = std::function<std::shared_ptr<Image>(const View& view)>;
    static void setSnapshotProvider(SnapshotProvider provider);

    // The values being drawn at this moment (differ from centre and alpha
    // while an animation runs).
    Point presentationCenter() const;
    float presentationAlpha() const;

    struct AnimationState; // private bookkeeping, defined in View.cpp

protected:
    // Sets a member that draw() shows and asks for a frame.
    template <typename T, typename U> void redrawWith(T& member, const U& value) {
        member = value;
        setNeedsDisplay();
    }
    // The same, only when the value differs.
    template <typename T> void redrawIfChanged(T& member, const T& value) {
        if (!(member == value))
            redrawWith(member, value);
    }

private:
    void detachSubview(View* view);
    // Just below the sibling (above = 0) or just above it (1).
    void insertSubviewBeside(View* view, View* sibling, std::size_t above);
    // draw() and the subviews.
    void drawContent(Graphics& g);
    void drawTransitionFrame(Graphics& g);

    View* superview_ = nullptr;
    std::vector<View*> subviews_;
    Point center_;
    Size size_;
    float rotation_ = 0;
    float alpha_ = 1;
    bool hidden_ = false;
    bool clipsToBounds_ = false;
    bool userInteractionEnabled_ = true;
    bool multipleTouchEnabled_ = false;
    int tag_ = 0;
    Color backgroundColor_;
    std::unique_ptr<AnimationState> animation_;
};
