#include <gtest/gtest.h>

#include <vector>

#include "platform/Key.h"
#include "platform/SdlAccelerometer.h"
#include "platform/core/Clock.h"

namespace {

// The virtual tilt polled by a frame loop on a manual clock, its readings kept.
struct Tilt : ::testing::Test, AccelerometerDelegate {
    struct R {
        double x, y, z;
    };
    std::vector<R> got;
    ManualClock clock{10.0};
    SdlAccelerometer acc{clock};
    void accelerometerDidAccelerate(double x, double y, double z) override { got.push_back({x, y, z}); }
    void SetUp() override {
        acc.setUpdateInterval(0.02);
        acc.setDelegate(this);
    }
    // Frames at `fps` for `seconds`; returns the readings they delivered.
    std::size_t run(double seconds, int fps = 60) {
        const std::size_t before = got.size();
        for (int i = 0; i < static_cast<int>(seconds * fps + 0.5); ++i) {
            clock.advance(1.0 / fps);
            acc.poll();
        }
        return got.size() - before;
    }
    R now() {
        R r{};
        acc.currentReading(&r.x, &r.y, &r.z);
        return r;
    }
    static KeyEvent key(Key k, bool shift = false) {
        KeyEvent e{k, ""};
        e.shift = shift;
        return e;
    }
};

} // namespace

TEST_F(Tilt, DeliversFiftyLevelReadingsASecondAtAnyFrameRateOnlyToADelegate) {
    EXPECT_EQ(acc.source(), SdlAccelerometer::Source::VirtualTilt);
    for (const int fps : {60, 30}) {
        SCOPED_TRACE(fps);
        const std::size_t n = run(1.0, fps);
        EXPECT_TRUE(n == 49 || n == 50) << n;
    }
    for (const R& g : got)
        EXPECT_TRUE(g.x == 0.0 && g.y == 0.0 && g.z == -1.0);
    acc.setDelegate(nullptr);
    EXPECT_EQ(run(1.0), 0u);
    // A stall gives one reading, not a burst; a late turn with three due delivers the three.
    acc.setDelegate(this);
    const std::size_t before = got.size();
    clock.advance(2.0);
    acc.poll();
    acc.poll();
    EXPECT_EQ(got.size(), before + 1);
    clock.advance(0.061);
    acc.poll();
    EXPECT_EQ(got.size(), before + 4);
}

TEST_F(Tilt, KeysLeanAndLetGoAndARestingTiltFallsSilent) {
    EXPECT_FALSE(acc.handleKey(key(Key::Left), true)); // plain arrows are the screens'
    EXPECT_TRUE(acc.handleKey(key(Key::Left, true), true));
    run(1.0);
    EXPECT_GT(now().y, 0.5); // left edge down: whammy fully down
    EXPECT_NEAR(now().x, 0.0, 1e-12);
    EXPECT_GT(got.back().y, 0.5);
    EXPECT_TRUE(acc.handleKey(key(Key::Left), false)); // released even without Shift: back to level
    run(1.0);
    EXPECT_EQ(now().y, 0.0);
    // Readings while a smoothing filter could still be settling, then none,
    // and nothing to wake the main loop for.
    run(4.0);
    EXPECT_EQ(run(5.0), 0u);
    EXPECT_GT(acc.secondsUntilNextReading(), 1e6);
    // The keypad steers too and brings readings back at once; keypad 5 levels at once.
    EXPECT_TRUE(acc.handleKey(key(Key::Keypad8), true));
    EXPECT_LT(acc.secondsUntilNextReading(), 0.03);
    EXPECT_GT(run(0.5), 20u);
    EXPECT_GT(now().x, 0.5); // top edge down
    EXPECT_TRUE(acc.handleKey(key(Key::Keypad5), true));
    EXPECT_EQ(now().x, 0.0);
    // Losing focus lets every key go.
    acc.handleKey(key(Key::Keypad2), true);
    acc.handleKey(KeyEvent{}, false);
    run(1.0);
    EXPECT_EQ(now().x, 0.0);
}

TEST(SdlAccelerometer, WithoutVirtualTiltOrSensorsNothingIsDelivered) {
    ManualClock clock(0.0);
    SdlAccelerometer acc(clock, false);
    acc.open(); // no SDL: no sensors, no controllers
    EXPECT_EQ(acc.source(), SdlAccelerometer::Source::None);
    struct Count : AccelerometerDelegate {
        int n = 0;
        void accelerometerDidAccelerate(double, double, double) override { ++n; }
    } count;
    acc.setDelegate(&count);
    for (int i = 0; i < 100; ++i) {
        clock.advance(0.02);
        acc.poll();
    }
    EXPECT_EQ(count.n, 0);
    EXPECT_FALSE(acc.handleKey(KeyEvent{Key::Left, ""}, true));
}
