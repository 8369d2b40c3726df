#include <gtest/gtest.h>

#include <memory>

#include "PlatformTestSupport.h"
#include "platform/TouchRouter.h"

namespace {

struct TouchRouting : ::testing::Test {
    View root{Rect{0, 0, 320, 480}};
    TouchRouter router;
    TouchRecorder whole{Rect{0, 0, 320, 480}};
    void send(long id, TouchPhase phase, Point at, double time = 0, View* modal = nullptr) {
        router.dispatch(root, id, phase, at, time, modal);
    }
};

} // namespace

TEST_F(TouchRouting, ATouchStaysWithTheViewItBeganInAndArrivesInItsCoordinates) {
    TouchRecorder left(Rect{100, 0, 60, 480}), right(Rect{160, 0, 160, 480});
    root.addSubview(&left);
    root.addSubview(&right);
    send(1, TouchPhase::Began, {110, 10}, 0.0);
    send(1, TouchPhase::Moved, {110, 10}, 0.05); // unmoved: not reported
    send(1, TouchPhase::Moved, {200, 20}, 0.1);  // crosses into the right view
    send(1, TouchPhase::Ended, {210, 20}, 0.2);
    send(99, TouchPhase::Moved, {120, 20}, 0.1); // moves and ends of touches never begun are ignored
    send(99, TouchPhase::Ended, {120, 20}, 0.1);
    EXPECT_TRUE(right.events.empty());
    ASSERT_EQ(left.events.size(), 3u);
    struct Want {
        TouchPhase phase;
        Point location, previous;
    } want[] = {{TouchPhase::Began, {10, 10}, {10, 10}},
                {TouchPhase::Moved, {100, 20}, {10, 10}},
                {TouchPhase::Ended, {110, 20}, {100, 20}}}; // the end reports the last move as previous
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(left.events[i].phase, want[i].phase);
        EXPECT_EQ(left.events[i].location, want[i].location);
        EXPECT_EQ(left.events[i].previousLocation, want[i].previous);
    }
    EXPECT_EQ(router.liveTouchCount(), 0u);
}

TEST_F(TouchRouting, SingleTouchViewsGetOnlyTheirFirstFingerAndCancelAllEndsEveryTouch) {
    root.addSubview(&whole);
    send(1, TouchPhase::Began, {10, 10});
    send(2, TouchPhase::Began, {50, 50});
    send(2, TouchPhase::Moved, {60, 60});
    send(2, TouchPhase::Ended, {60, 60});
    EXPECT_EQ(whole.events.size(), 1u);
    whole.setMultipleTouchEnabled(true);
    send(4, TouchPhase::Began, {50, 50});
    ASSERT_EQ(whole.events.size(), 2u);
    EXPECT_EQ(whole.events[1].id, 4);
    // Six fingers at once all arrive, each with its own identity.
    for (long id = 10; id < 16; ++id)
        send(id, TouchPhase::Began, {static_cast<float>(id * 10), 100});
    EXPECT_EQ(whole.events.size(), 8u);
    EXPECT_EQ(router.liveTouchCount(), 8u);
    router.cancelAll();
    EXPECT_EQ(whole.count(TouchPhase::Cancelled), 8u);
    EXPECT_EQ(router.liveTouchCount(), 0u);
}

TEST_F(TouchRouting, TouchesPassToTheSuperviewAndAModalLayerKeepsThemToItself) {
    View button(Rect{100, 100, 50, 50}); // takes touches but does not handle them
    root.addSubview(&whole);
    whole.addSubview(&button);
    send(1, TouchPhase::Began, {110, 120});
    ASSERT_EQ(whole.events.size(), 1u);
    EXPECT_EQ(whole.events[0].location, (Point{110, 120})); // in the screen's coordinates
    View overlay(Rect{0, 0, 320, 480});
    TouchRecorder box(Rect{100, 100, 50, 50});
    overlay.addSubview(&box);
    send(5, TouchPhase::Began, {10, 10}, 0, &overlay);
    EXPECT_EQ(whole.events.size(), 1u);
    send(6, TouchPhase::Began, {110, 110}, 0, &overlay);
    EXPECT_EQ(box.events.size(), 1u);
}

TEST_F(TouchRouting, QuickSecondTapsCountAsDoubleTaps) {
    root.addSubview(&whole);
    send(1, TouchPhase::Began, {10, 10}, 1.0);
    send(1, TouchPhase::Ended, {10, 10}, 1.05);
    send(2, TouchPhase::Began, {12, 11}, 1.2);
    send(2, TouchPhase::Ended, {12, 11}, 1.25);
    send(3, TouchPhase::Began, {12, 11}, 3.0);
    ASSERT_EQ(whole.events.size(), 5u);
    EXPECT_EQ(std::tuple(whole.events[0].tapCount, whole.events[2].tapCount, whole.events[4].tapCount),
              std::tuple(1, 2, 1));
}

TEST_F(TouchRouting, DestroyedViewsLoseTheirTouchesSafelyEvenWhileCancelling) {
    {
        auto gone = std::make_unique<TouchRecorder>(Rect{0, 0, 320, 480});
        root.addSubview(gone.get());
        send(1, TouchPhase::Began, {10, 10});
        EXPECT_EQ(router.viewForTouch(1), gone.get());
    }
    EXPECT_EQ(router.viewForTouch(1), nullptr);
    send(1, TouchPhase::Moved, {20, 20}); // must not touch freed memory
    send(1, TouchPhase::Ended, {20, 20});
    auto second = std::make_unique<TouchRecorder>(Rect{160, 0, 160, 480});
    struct Destroyer : TouchRecorder {
        using TouchRecorder::TouchRecorder;
        std::unique_ptr<TouchRecorder>* victim = nullptr;
        void touchesCancelled(const TouchSet& t) override {
            TouchRecorder::touchesCancelled(t);
            victim->reset();
        }
    } first(Rect{0, 0, 160, 480});
    first.victim = &second;
    root.addSubview(&first);
    root.addSubview(second.get());
    send(2, TouchPhase::Began, {10, 10});
    send(3, TouchPhase::Began, {200, 10});
    router.cancelAll(); // the first handler frees the second view
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(router.liveTouchCount(), 0u);
    EXPECT_EQ(first.events.back().phase, TouchPhase::Cancelled);
}
