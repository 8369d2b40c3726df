#include "PlatformTestSupport.h"

namespace {

// Installs a manual clock for the animations of one test.
struct Animations : ::testing::Test {
    ManualClock clock{50.0};
    View v{Rect{0, 0, 10, 10}};
    void SetUp() override { View::setAnimationClock(&clock); }
    void TearDown() override {
        View::advanceAnimations();
        View::setAnimationClock(nullptr);
    }
    std::string log; // "|" for each step of the clock, and what the test adds
    // Moves the clock on and lets the animations see it.
    void after(double seconds) {
        clock.advance(seconds);
        View::advanceAnimations();
        log += '|';
    }
    void animate(double duration, const std::function<void()>& changes) {
        View::beginAnimations();
        View::setAnimationDuration(duration);
        changes();
        View::commitAnimations();
    }
};

} // namespace

TEST_F(Animations, ViewsEaseNestRetargetAndJumpAndTransitionsStopOnceFinishedRemovedOrReplaced) {
    v.setCenter({-33, 240});
    v.setAlpha(0);
    int stopped = 0;
    View::beginAnimations("MENU");
    View::setAnimationDuration(0.2);
    View::setAnimationDidStop([&] { ++stopped; });
    v.setCenter({29, 240});
    v.setAlpha(0.8f);
    View::commitAnimations();
    // The model values change at once, the drawn ones over the duration.
    EXPECT_EQ(std::tuple(v.center(), v.alpha()), std::tuple(Point{29, 240}, 0.8f));
    EXPECT_EQ(std::tuple(v.presentationCenter().x, v.presentationAlpha()), std::tuple(-33.0f, 0.0f));
    clock.advance(0.1);
    EXPECT_NEAR(v.presentationCenter().x, -2, 1e-3); // half way at half time
    EXPECT_NEAR(v.presentationAlpha(), 0.4f, 1e-4);
    after(0.05);
    // Eased along the (0.42, 0, 0.58, 1) Bezier: 87.1 % of the way at three quarters of the time.
    EXPECT_NEAR(v.presentationCenter().x, -33 + 62 * 0.871, 0.15);
    EXPECT_EQ(std::tuple(v.isAnimating(), stopped), std::tuple(true, 0));
    after(0.05);
    EXPECT_EQ(std::tuple(v.isAnimating(), v.presentationCenter()), std::tuple(false, Point{29, 240}));
    after(0);
    EXPECT_EQ(stopped, 1); // once for the whole block
    // Nested blocks start together, a retarget starts from where the view is drawn, changes outside a block
    // jump.

    v.setCenter({0, 0});
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
    EXPECT_NEAR(v.presentationAlpha(), 0.4f, 1e-4); // half way from 0.8 to 0
    v.setAlpha(1);                                  // outside a block: jumps, ending that animation
    EXPECT_EQ(std::tuple(v.presentationAlpha(), v.isAnimating()),
              std::tuple(1.0f, true)); // the centre still moves
    animate(1.0, [&] { v.setCenter({0, 0}); });
    EXPECT_NEAR(v.presentationCenter().x, 50, 1e-3); // no jump back to 100
    after(1.0);
    EXPECT_EQ(std::tuple(v.isAnimating(), v.presentationCenter()), std::tuple(false, Point{0, 0}));
    animate(0, [&] { v.setAlpha(0.25f); }); // a zero duration applies at once
    EXPECT_EQ(std::tuple(v.presentationAlpha(), v.isAnimating()), std::tuple(0.25f, false));
    // Destroying an animating view takes its animation with it.
    auto doomed = std::make_unique<View>(Rect{0, 0, 10, 10});
    animate(1.0, [&] { doomed->setAlpha(0); });
    const int before = View::runningAnimationCount();
    doomed.reset();
    EXPECT_EQ(View::runningAnimationCount(), before - 1);
    after(1);
    // Transitions run for their duration and stop once finished, removed or replaced.
    log.clear();
    using enum TransitionType;
    using enum TransitionDirection;
    // Every start (+), finish (.) and cancel (x) of the named delegates, between steps of the clock.
    struct Logged : TransitionAnimationDelegate {
        std::string& log;
        char name;
        std::function<void()> then = [] {};
        Logged(std::string& l, char n) : log(l), name(n) {}
        void animationDidStart() override { log += {name, '+'}; }
        void animationDidStop(bool done) override {
            log += {name, done ? '.' : 'x'};
            then();
        }
    } fade(log, 'f'), moveIn(log, 'm'), first(log, '1'), second(log, '2'), chain(log, 'c');
    View host(Rect{0, 0, 320, 480});
    host.addTransition(Fade, FromTop, 0.25, "k", &fade);
    after(0.2);
    after(0.05);
    after(0.05);
    EXPECT_FALSE(host.hasAnimation("k"));
    host.addTransition(MoveIn, FromLeft, 0.5, "k", &moveIn);
    host.removeAnimation("other key");
    EXPECT_TRUE(host.hasAnimation("k"));
    host.removeAnimation("k");
    after(1.0);
    host.addTransition(Fade, FromTop, 0.25, "k", &first);
    clock.advance(0.1);
    host.addTransition(Reveal, FromRight, 0.5, "k", &second); // timed from its own start
    after(0.45);
    after(0.05);
    // The delegate may start the next transition when one stops (here with a delegate that hears nothing).
    TransitionAnimationDelegate quiet;
    chain.then = [&] { host.addTransition(Fade, FromTop, 0.25, "k", &quiet); };
    host.addTransition(Fade, FromTop, 0.25, "k", &chain);
    after(0.25);
    EXPECT_TRUE(host.hasAnimation("k"));
    after(0.25);
    EXPECT_FALSE(host.hasAnimation("k"));
    EXPECT_EQ(log, "f+|f.||m+mx|1+1x2+|2.|c+c.||");
}
