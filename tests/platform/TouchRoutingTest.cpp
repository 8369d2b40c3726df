#include <gtest/gtest.h>

#include <memory>

#include "platform/TouchRouter.h"
#include "platform/View.h"

namespace {

class Recorder : public View {
public:
    using View::View;
    std::vector<Touch> events;
    void touchesBegan(const TouchSet& t) override { events.insert(events.end(), t.begin(), t.end()); }
    void touchesMoved(const TouchSet& t) override { events.insert(events.end(), t.begin(), t.end()); }
    void touchesEnded(const TouchSet& t) override { events.insert(events.end(), t.begin(), t.end()); }
    void touchesCancelled(const TouchSet& t) override { events.insert(events.end(), t.begin(), t.end()); }
};

} // namespace

TEST(TouchRouting, ATouchStaysWithTheViewItBeganIn) {
    View root(Rect{0, 0, 320, 480});
    Recorder left(Rect{0, 0, 160, 480}), right(Rect{160, 0, 160, 480});
    root.addSubview(&left);
    root.addSubview(&right);
    TouchRouter router;
    router.dispatch(root, 1, TouchPhase::Began, {100, 10}, 0.0);
    router.dispatch(root, 1, TouchPhase::Moved, {200, 20}, 0.1); // crosses into the right view
    router.dispatch(root, 1, TouchPhase::Ended, {210, 20}, 0.2);
    ASSERT_EQ(left.events.size(), 3u);
    EXPECT_TRUE(right.events.empty());
    EXPECT_EQ(left.events[1].phase, TouchPhase::Moved);
    EXPECT_EQ(left.events[1].location, (Point{200, 20}));
    EXPECT_EQ(left.events[1].previousLocation, (Point{100, 10}));
    // The end reports the last move as previous.
    EXPECT_EQ(left.events[2].phase, TouchPhase::Ended);
    EXPECT_EQ(left.events[2].location, (Point{210, 20}));
    EXPECT_EQ(left.events[2].previousLocation, (Point{200, 20}));
    EXPECT_EQ(router.liveTouchCount(), 0u);
}

TEST(TouchRouting, LocationsAreInTheReceivingViewsCoordinates) {
    View root(Rect{0, 0, 320, 480});
    Recorder r(Rect{100, 200, 60, 40});
    root.addSubview(&r);
    TouchRouter router;
    router.dispatch(root, 3, TouchPhase::Began, {110, 230}, 0);
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0].location, (Point{10, 30}));
    EXPECT_EQ(r.events[0].previousLocation, (Point{10, 30}));
}

TEST(TouchRouting, UnmovedMovesAreNotReported) {
    View root(Rect{0, 0, 320, 480});
    Recorder r(Rect{0, 0, 320, 480});
    root.addSubview(&r);
    TouchRouter router;
    router.dispatch(root, 1, TouchPhase::Began, {10, 10}, 0);
    router.dispatch(root, 1, TouchPhase::Moved, {10, 10}, 0.1);
    EXPECT_EQ(r.events.size(), 1u);
    // Moves and ends of touches never begun are ignored.
    router.dispatch(root, 99, TouchPhase::Moved, {20, 20}, 0.1);
    router.dispatch(root, 99, TouchPhase::Ended, {20, 20}, 0.1);
    EXPECT_EQ(r.events.size(), 1u);
}

TEST(TouchRouting, SingleTouchViewsGetOnlyTheirFirstFinger) {
    View root(Rect{0, 0, 320, 480});
    Recorder single(Rect{0, 0, 320, 480});
    root.addSubview(&single);
    TouchRouter router;
    router.dispatch(root, 1, TouchPhase::Began, {10, 10}, 0);
    router.dispatch(root, 2, TouchPhase::Began, {50, 50}, 0);
    router.dispatch(root, 2, TouchPhase::Moved, {60, 60}, 0);
    router.dispatch(root, 2, TouchPhase::Ended, {60, 60}, 0);
    EXPECT_EQ(single.events.size(), 1u);
    single.setMultipleTouchEnabled(true);
    router.dispatch(root, 4, TouchPhase::Began, {50, 50}, 0);
    ASSERT_EQ(single.events.size(), 2u);
    EXPECT_EQ(single.events[1].id, 4);
    // Six fingers at once all arrive, each with its own identity.
    for (long id = 10; id < 16; ++id)
        router.dispatch(root, id, TouchPhase::Began, {static_cast<float>(id * 10), 100}, 0);
    EXPECT_EQ(single.events.size(), 8u);
    EXPECT_EQ(router.liveTouchCount(), 8u);
}

TEST(TouchRouting, TouchesNotHandledPassToTheSuperview) {
    View root(Rect{0, 0, 320, 480});
    Recorder screen(Rect{0, 0, 320, 480});
    View button(Rect{100, 100, 50, 50}); // takes touches but does not handle them
    root.addSubview(&screen);
    screen.addSubview(&button);
    TouchRouter router;
    router.dispatch(root, 1, TouchPhase::Began, {110, 120}, 0);
    ASSERT_EQ(screen.events.size(), 1u);
    EXPECT_EQ(screen.events[0].location, (Point{110, 120})); // in the screen's coordinates
}

TEST(TouchRouting, ADestroyedViewLosesItsTouchesSafely) {
    View root(Rect{0, 0, 320, 480});
    TouchRouter router;
    {
        auto r = std::make_unique<Recorder>(Rect{0, 0, 320, 480});
        root.addSubview(r.get());
        router.dispatch(root, 1, TouchPhase::Began, {10, 10}, 0);
        EXPECT_EQ(router.viewForTouch(1), r.get());
    }
    EXPECT_EQ(router.viewForTouch(1), nullptr);
    router.dispatch(root, 1, TouchPhase::Moved, {20, 20}, 0); // must not touch freed memory
    router.dispatch(root, 1, TouchPhase::Ended, {20, 20}, 0);
}

TEST(TouchRouting, CancelAllAndModalRoots) {
    View root(Rect{0, 0, 320, 480});
    Recorder r(Rect{0, 0, 320, 480});
    r.setMultipleTouchEnabled(true);
    root.addSubview(&r);
    TouchRouter router;
    router.dispatch(root, 1, TouchPhase::Began, {10, 10}, 0);
    router.dispatch(root, 2, TouchPhase::Began, {20, 20}, 0);
    router.cancelAll();
    ASSERT_EQ(r.events.size(), 4u);
    EXPECT_EQ(r.events[2].phase, TouchPhase::Cancelled);
    EXPECT_EQ(r.events[3].phase, TouchPhase::Cancelled);
    // With a modal layer, touches outside its views go nowhere.
    View overlay(Rect{0, 0, 320, 480});
    Recorder box(Rect{100, 100, 50, 50});
    overlay.addSubview(&box);
    router.dispatch(root, 5, TouchPhase::Began, {10, 10}, 0, &overlay);
    EXPECT_EQ(r.events.size(), 4u);
    router.dispatch(root, 6, TouchPhase::Began, {110, 110}, 0, &overlay);
    EXPECT_EQ(box.events.size(), 1u);
}

TEST(TouchRouting, QuickSecondTapsCountAsDoubleTaps) {
    View root(Rect{0, 0, 320, 480});
    Recorder r(Rect{0, 0, 320, 480});
    root.addSubview(&r);
    TouchRouter router;
    router.dispatch(root, 1, TouchPhase::Began, {10, 10}, 1.0);
    router.dispatch(root, 1, TouchPhase::Ended, {10, 10}, 1.05);
    router.dispatch(root, 2, TouchPhase::Began, {12, 11}, 1.2);
    router.dispatch(root, 2, TouchPhase::Ended, {12, 11}, 1.25);
    router.dispatch(root, 3, TouchPhase::Began, {12, 11}, 3.0);
    ASSERT_EQ(r.events.size(), 5u);
    EXPECT_EQ(r.events[0].tapCount, 1);
    EXPECT_EQ(r.events[2].tapCount, 2);
    EXPECT_EQ(r.events[4].tapCount, 1);
}

TEST(TouchRouting, CancellingMayDestroyOtherTouchedViews) {
    View root(Rect{0, 0, 320, 480});
    auto second = std::make_unique<Recorder>(Rect{160, 0, 160, 480});
    struct Destroyer : Recorder {
        using Recorder::Recorder;
        std::unique_ptr<Recorder>* victim = nullptr;
        void touchesCancelled(const TouchSet& t) override {
            Recorder::touchesCancelled(t);
            victim->reset();
        }
    } first(Rect{0, 0, 160, 480});
    first.victim = &second;
    root.addSubview(&first);
    root.addSubview(second.get());
    TouchRouter router;
    router.dispatch(root, 1, TouchPhase::Began, {10, 10}, 0);
    router.dispatch(root, 2, TouchPhase::Began, {200, 10}, 0);
    router.cancelAll(); // the first handler frees the second view
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(router.liveTouchCount(), 0u);
    EXPECT_EQ(first.events.back().phase, TouchPhase::Cancelled);
}
