#include <gtest/gtest.h>

#include "platform/View.h"
#include "platform/core/Clock.h"

namespace {

// Installs a manual clock for the animations of one test.
struct AnimationClockFixture : ::testing::Test {
    ManualClock clock{50.0};
    void SetUp() override { View::setAnimationClock(&clock); }
    void TearDown() override {
        View::advanceAnimations();
        View::setAnimationClock(nullptr);
    }
};

struct CountingDelegate : TransitionAnimationDelegate {
    int started = 0;
    int finished = 0;
    int cancelled = 0;
    void animationDidStart() override { ++started; }
    void animationDidStop(bool done) override { done ? ++finished : ++cancelled; }
};

} // namespace

using Animations = AnimationClockFixture;
using Transitions = AnimationClockFixture;

TEST_F(Animations, CentreAndAlphaMoveWithEaseInEaseOut) {
    View v(Rect{0, 0, 10, 10});
    v.setCenter({-33, 240});
    v.setAlpha(0);
    int stopped = 0;
    View::beginAnimations("MENU");
    View::setAnimationDuration(0.2);
    View::setAnimationDidStop([&] { ++stopped; });
    v.setCenter({29, 240});
    v.setAlpha(0.8f);
    View::commitAnimations();
    // The model values change at once...
    EXPECT_EQ(v.center(), (Point{29, 240}));
    EXPECT_FLOAT_EQ(v.alpha(), 0.8f);
    // ...the drawn ones move over the duration.
    EXPECT_FLOAT_EQ(v.presentationCenter().x, -33);
    EXPECT_FLOAT_EQ(v.presentationAlpha(), 0);
    clock.advance(0.1);
    EXPECT_NEAR(v.presentationCenter().x, -2, 1e-3); // half way at half time
    EXPECT_NEAR(v.presentationAlpha(), 0.4f, 1e-4);
    clock.advance(0.05);
    float x = v.presentationCenter().x;
    EXPECT_GT(x, -2 + 31 * 0.5f); // eased: more than linear by three quarters
    EXPECT_LT(x, 29);
    View::advanceAnimations();
    EXPECT_TRUE(v.isAnimating());
    EXPECT_EQ(stopped, 0);
    clock.advance(0.05);
    View::advanceAnimations();
    EXPECT_FALSE(v.isAnimating());
    EXPECT_EQ(v.presentationCenter(), (Point{29, 240}));
    EXPECT_EQ(stopped, 1); // once for the whole block
    View::advanceAnimations();
    EXPECT_EQ(stopped, 1);
}

TEST_F(Animations, ChangesOutsideABlockJumpAndNestedBlocksStartTogether) {
    View v(Rect{0, 0, 10, 10});
    View::beginAnimations();
    View::setAnimationDuration(1.0);
    v.setAlpha(0);
    View::beginAnimations(); // nested: runs with the outer one
    v.setCenter({100, 100});
    View::commitAnimations();
    EXPECT_TRUE(View::isInAnimationBlock());
    View::commitAnimations();
    EXPECT_FALSE(View::isInAnimationBlock());
    clock.advance(0.5);
    EXPECT_NEAR(v.presentationAlpha(), 0.5f, 1e-4);
    v.setAlpha(1); // outside a block: jumps, ending that animation
    EXPECT_FLOAT_EQ(v.presentationAlpha(), 1);
    EXPECT_TRUE(v.isAnimating()); // the centre still moves
    clock.advance(0.5);
    View::advanceAnimations();
    EXPECT_FALSE(v.isAnimating());
}

TEST_F(Animations, ARetargetedAnimationStartsFromWhereItIsDrawn) {
    View v(Rect{0, 0, 10, 10});
    v.setCenter({0, 0});
    View::beginAnimations();
    View::setAnimationDuration(1.0);
    v.setCenter({100, 0});
    View::commitAnimations();
    clock.advance(0.5);
    View::beginAnimations();
    View::setAnimationDuration(1.0);
    v.setCenter({0, 0});
    View::commitAnimations();
    EXPECT_NEAR(v.presentationCenter().x, 50, 1e-3); // no jump back to 100
    clock.advance(1.0);
    View::advanceAnimations();
    EXPECT_EQ(v.presentationCenter(), (Point{0, 0}));
    // A zero duration applies at once.
    View::beginAnimations();
    View::setAnimationDuration(0);
    v.setAlpha(0.25f);
    View::commitAnimations();
    EXPECT_FALSE(v.isAnimating());
    EXPECT_FLOAT_EQ(v.presentationAlpha(), 0.25f);
}

TEST_F(Animations, DestroyingAnAnimatingViewIsSafe) {
    auto v = std::make_unique<View>(Rect{0, 0, 10, 10});
    View::beginAnimations();
    v->setAlpha(0);
    View::commitAnimations();
    int before = View::runningAnimationCount();
    v.reset();
    EXPECT_EQ(View::runningAnimationCount(), before - 1);
    clock.advance(1);
    View::advanceAnimations();
}

TEST_F(Transitions, FadeRunsForItsDurationAndReportsFinished) {
    View host(Rect{0, 0, 320, 480});
    CountingDelegate d;
    host.addTransition(TransitionType::Fade, TransitionDirection::FromTop, 0.25, "transitionViewAnimation",
                       &d);
    EXPECT_EQ(d.started, 1); // before addTransition returns
    EXPECT_TRUE(host.hasAnimation("transitionViewAnimation"));
    clock.advance(0.2);
    View::advanceAnimations();
    EXPECT_EQ(d.finished, 0);
    clock.advance(0.05);
    View::advanceAnimations();
    EXPECT_EQ(d.finished, 1);
    EXPECT_EQ(d.cancelled, 0);
    EXPECT_FALSE(host.hasAnimation("transitionViewAnimation"));
    View::advanceAnimations();
    EXPECT_EQ(d.finished, 1);
}

TEST_F(Transitions, RemovingReportsNotFinishedOnce) {
    View host(Rect{0, 0, 320, 480});
    CountingDelegate d;
    host.addTransition(TransitionType::MoveIn, TransitionDirection::FromLeft, 0.5, "transitionViewAnimation",
                       &d);
    host.removeAnimation("other key");
    EXPECT_TRUE(host.hasAnimation("transitionViewAnimation"));
    host.removeAnimation("transitionViewAnimation");
    EXPECT_EQ(d.cancelled, 1);
    EXPECT_FALSE(host.isAnimating());
    clock.advance(1.0);
    View::advanceAnimations();
    EXPECT_EQ(d.finished, 0);
    EXPECT_EQ(d.cancelled, 1);
}

TEST_F(Transitions, ANewTransitionReplacesTheRunningOne) {
    View host(Rect{0, 0, 320, 480});
    CountingDelegate first, second;
    host.addTransition(TransitionType::Fade, TransitionDirection::FromTop, 0.25, "k", &first);
    clock.advance(0.1);
    host.addTransition(TransitionType::Reveal, TransitionDirection::FromRight, 0.5, "k", &second);
    EXPECT_EQ(first.cancelled, 1);
    clock.advance(0.45);
    View::advanceAnimations();
    EXPECT_EQ(second.finished, 0); // timed from its own start
    clock.advance(0.05);
    View::advanceAnimations();
    EXPECT_EQ(second.finished, 1);
    EXPECT_EQ(first.finished, 0);
}

TEST_F(Transitions, TheDelegateMayStartTheNextTransitionWhenOneStops) {
    View host(Rect{0, 0, 320, 480});
    struct Chain : TransitionAnimationDelegate {
        View* host = nullptr;
        int stops = 0;
        void animationDidStop(bool) override {
            if (++stops == 1)
                host->addTransition(TransitionType::Fade, TransitionDirection::FromTop, 0.25, "k", this);
        }
    } chain;
    chain.host = &host;
    host.addTransition(TransitionType::Fade, TransitionDirection::FromTop, 0.25, "k", &chain);
    clock.advance(0.25);
    View::advanceAnimations();
    EXPECT_EQ(chain.stops, 1);
    EXPECT_TRUE(host.hasAnimation("k"));
    clock.advance(0.25);
    View::advanceAnimations();
    EXPECT_EQ(chain.stops, 2);
}
