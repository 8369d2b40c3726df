#include "PlatformTestSupport.h"

namespace {

struct TouchRouting : ::testing::Test {
    using enum TouchPhase;
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
    send(1, Began, {110, 10}, 0.0);
    send(1, Moved, {110, 10}, 0.05); // unmoved: not reported
    send(1, Moved, {200, 20}, 0.1);  // crosses into the right view
    send(1, Ended, {210, 20}, 0.2);  // reports the last move as previous
    send(99, Moved, {120, 20}, 0.1); // moves and ends of touches never begun are ignored
    send(99, Ended, {120, 20}, 0.1);
    EXPECT_EQ(std::tuple(left.log(), right.log(), router.liveTouchCount()),
              std::tuple("B1@10,10 M1@100,20<10,10 E1@110,20<100,20", "", 0u));
}

TEST_F(TouchRouting, FingersCancellingPassingUpModalLayersAndDoubleTaps) {
    root.addSubview(&whole);
    send(1, Began, {10, 10});
    send(2, Began, {50, 50});
    send(2, Moved, {60, 60});
    send(2, Ended, {60, 60});
    whole.setMultipleTouchEnabled(true);
    send(4, Began, {50, 50});
    EXPECT_EQ(whole.log(), "B1@10,10 B4@50,50");
    // Six fingers at once all arrive, each with its own identity.
    for (long id = 10; id < 16; ++id)
        send(id, Began, {static_cast<float>(id * 10), 100});
    EXPECT_EQ(std::tuple(whole.events.size(), whole.events.back().id, router.liveTouchCount()),
              std::tuple(8u, 15, 8u));
    router.cancelAll();
    EXPECT_EQ(std::tuple(std::ranges::count(whole.events, Cancelled, &Touch::phase), router.liveTouchCount()),
              std::tuple(8u, 0u));
    // Touches pass to the superview, a modal layer keeps them to itself, and quick second taps count.

    whole.events.clear();
    View button(Rect{100, 100, 50, 50}); // takes touches but does not handle them
    whole.addSubview(&button);
    send(1, Began, {110, 120}, 1.0);
    send(1, Ended, {110, 120}, 1.05);
    send(2, Began, {112, 121}, 1.2);
    send(2, Ended, {112, 121}, 1.25);
    send(3, Began, {112, 121}, 3.0);
    View overlay(Rect{0, 0, 320, 480});
    TouchRecorder box(Rect{100, 100, 50, 50});
    overlay.addSubview(&box);
    send(5, Began, {10, 10}, 4, &overlay);
    send(6, Began, {110, 110}, 5, &overlay);
    // In the screen's own coordinates; nothing reaches it past the modal layer.
    EXPECT_EQ(whole.log(), "B1@110,120 E1@110,120<110,120 B2@112,121x2 E2@112,121<112,121x2 B3@112,121");
    EXPECT_EQ(box.log(), "B6@10,10");
}

TEST_F(TouchRouting, DestroyedViewsLoseTheirTouchesSafelyEvenWhileCancelling) {
    {
        auto gone = std::make_unique<TouchRecorder>(Rect{0, 0, 320, 480});
        root.addSubview(gone.get());
        send(1, Began, {10, 10});
        EXPECT_EQ(router.viewForTouch(1), gone.get());
    }
    EXPECT_EQ(router.viewForTouch(1), nullptr);
    send(1, Moved, {20, 20}); // must not touch freed memory
    send(1, Ended, {20, 20});
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
    send(2, Began, {10, 10}, 5.0);
    send(3, Began, {200, 10});
    router.cancelAll(); // the first handler frees the second view
    EXPECT_EQ(std::tuple(second.get(), router.liveTouchCount(), first.log()),
              std::tuple(nullptr, 0u, "B2@10,10 C2@10,10<10,10"));
}
