#include <gtest/gtest.h>

#include "PlatformTestSupport.h"
#include "platform/View.h"

namespace {

struct Delegate : TransitionAnimationDelegate {
    int finished = 0;
    void animationDidStop(bool done) override { finished += done ? 1 : 0; }
};

} // namespace

// The old look is snapshotted and the new one brought in over the frames.
TEST(TransitionDraw, MoveInSlidesTheNewScreenOverTheSnapshot) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    View host(Rect{0, 0, 320, 480});
    View red(Rect{0, 0, 320, 480}), blue(Rect{0, 0, 320, 480});
    red.setBackgroundColor({255, 0, 0, 255});
    blue.setBackgroundColor({0, 0, 255, 255});
    h.app.rootView().addSubview(&host);
    host.addSubview(&red);
    h.app.runFrames(1);
    red.removeFromSuperview();
    host.addSubview(&blue);
    Delegate d;
    host.addTransition(TransitionType::MoveIn, TransitionDirection::FromLeft, 0.5, "transitionViewAnimation",
                       &d);
    h.clock.advance(0.25); // half way (the curve is symmetric)
    h.app.runFrames(1);
    int w = 0, ht = 0;
    auto px = h.app.captureLandscape(&w, &ht);
    // The new screen has come in from view x = 0 (the window's bottom) half way:
    // view x < 160 is blue, x > 160 still the red snapshot.
    auto low = h.pixelAt(px, w, 480, 600); // view x = 20
    auto high = h.pixelAt(px, w, 480, 40); // view x = 300
    EXPECT_GT(low.b, 200);
    EXPECT_LT(low.r, 50);
    EXPECT_GT(high.r, 200);
    EXPECT_LT(high.b, 50);
    h.clock.advance(0.25);
    h.app.runFrames(1);
    EXPECT_EQ(d.finished, 1);
    px = h.app.captureLandscape(&w, &ht);
    EXPECT_GT(h.pixelAt(px, w, 480, 40).b, 200);
}

TEST(TransitionDraw, FadeCrossesOver) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    View host(Rect{0, 0, 320, 480});
    View red(Rect{0, 0, 320, 480}), blue(Rect{0, 0, 320, 480});
    red.setBackgroundColor({255, 0, 0, 255});
    blue.setBackgroundColor({0, 0, 255, 255});
    h.app.rootView().addSubview(&host);
    host.addSubview(&red);
    h.app.runFrames(1);
    red.removeFromSuperview();
    host.addSubview(&blue);
    host.addTransition(TransitionType::Fade, TransitionDirection::FromTop, 0.25, "k", nullptr);
    h.clock.advance(0.125);
    h.app.runFrames(1);
    int w = 0, ht = 0;
    auto px = h.app.captureLandscape(&w, &ht);
    auto mid = h.pixelAt(px, w, 480, 320);
    EXPECT_NEAR(mid.r, 128, 12);
    EXPECT_NEAR(mid.b, 128, 12);
}
