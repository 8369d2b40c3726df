#include <gtest/gtest.h>

#include <vector>

#include "platform/Key.h"
#include "platform/SdlAccelerometer.h"
#include "platform/core/Clock.h"

namespace {

struct Readings : AccelerometerDelegate {
    struct R {
        double x, y, z;
    };
    std::vector<R> got;
    void accelerometerDidAccelerate(double x, double y, double z) override { got.push_back({x, y, z}); }
};

KeyEvent shifted(Key k) {
    KeyEvent e{k, ""};
    e.shift = true;
    return e;
}

} // namespace

TEST(SdlAccelerometer, VirtualTiltDeliversFiftyLevelReadingsASecond) {
    ManualClock clock(10.0);
    SdlAccelerometer acc(clock);
    EXPECT_EQ(acc.source(), SdlAccelerometer::Source::VirtualTilt);
    Readings r;
    // No delegate: nothing delivered.
    for (int i = 0; i < 60; ++i) {
        clock.advance(1.0 / 60);
        acc.poll();
    }
    acc.setUpdateInterval(0.02);
    acc.setDelegate(&r);
    // One second of 60 Hz frames.
    for (int i = 0; i < 60; ++i) {
        clock.advance(1.0 / 60);
        acc.poll();
    }
    EXPECT_GE(r.got.size(), 49u);
    EXPECT_LE(r.got.size(), 50u);
    for (const auto& g : r.got) {
        EXPECT_DOUBLE_EQ(g.x, 0.0);
        EXPECT_DOUBLE_EQ(g.y, 0.0);
        EXPECT_DOUBLE_EQ(g.z, -1.0);
    }
    acc.setDelegate(nullptr);
    std::size_t n = r.got.size();
    clock.advance(1.0);
    acc.poll();
    EXPECT_EQ(r.got.size(), n);
}

TEST(SdlAccelerometer, AStallGivesOneReadingNotABurstButLateTurnsCatchUp) {
    ManualClock clock(0.0);
    SdlAccelerometer acc(clock);
    Readings r;
    acc.setUpdateInterval(0.02);
    acc.setDelegate(&r);
    clock.advance(2.0);
    acc.poll();
    acc.poll();
    EXPECT_EQ(r.got.size(), 1u);
    // A late turn (three readings due) delivers the three.
    clock.advance(0.061);
    acc.poll();
    EXPECT_EQ(r.got.size(), 4u);
}

TEST(SdlAccelerometer, SlowFramesStillGiveFiftyReadingsASecond) {
    ManualClock clock(0.0);
    SdlAccelerometer acc(clock);
    Readings r;
    acc.setUpdateInterval(0.02);
    acc.setDelegate(&r);
    for (int i = 0; i < 30; ++i) { // 30 frames a second
        clock.advance(1.0 / 30);
        acc.poll();
    }
    EXPECT_GE(r.got.size(), 49u);
    EXPECT_LE(r.got.size(), 50u);
}

TEST(SdlAccelerometer, TiltKeysLeanAndLetGo) {
    ManualClock clock(0.0);
    SdlAccelerometer acc(clock);
    Readings r;
    acc.setUpdateInterval(0.02);
    acc.setDelegate(&r);
    // Plain arrows are left for the screens.
    EXPECT_FALSE(acc.handleKey(KeyEvent{Key::Left, ""}, true));
    EXPECT_TRUE(acc.handleKey(shifted(Key::Left), true));
    for (int i = 0; i < 50; ++i) {
        clock.advance(0.02);
        acc.poll();
    }
    double x, y, z;
    acc.currentReading(&x, &y, &z);
    EXPECT_GT(y, 0.5); // left edge down: whammy fully down
    EXPECT_NEAR(x, 0.0, 1e-12);
    ASSERT_FALSE(r.got.empty());
    EXPECT_GT(r.got.back().y, 0.5);
    // Released (even without Shift held any more): back to level.
    EXPECT_TRUE(acc.handleKey(KeyEvent{Key::Left, ""}, false));
    for (int i = 0; i < 50; ++i) {
        clock.advance(0.02);
        acc.poll();
    }
    acc.currentReading(&x, &y, &z);
    EXPECT_DOUBLE_EQ(y, 0.0);
    // The keypad steers too; keypad 5 levels at once.
    EXPECT_TRUE(acc.handleKey(KeyEvent{Key::Keypad8, ""}, true));
    clock.advance(0.5);
    acc.poll();
    acc.currentReading(&x, &y, &z);
    EXPECT_GT(x, 0.5); // top edge down
    EXPECT_TRUE(acc.handleKey(KeyEvent{Key::Keypad5, ""}, true));
    acc.currentReading(&x, &y, &z);
    EXPECT_DOUBLE_EQ(x, 0.0);
    // Losing focus lets every key go.
    acc.handleKey(KeyEvent{Key::Keypad2, ""}, true);
    acc.handleKey(KeyEvent{}, false);
    clock.advance(1.0);
    acc.poll();
    acc.currentReading(&x, &y, &z);
    EXPECT_DOUBLE_EQ(x, 0.0);
}

TEST(SdlAccelerometer, WithoutVirtualTiltOrSensorsNothingIsDelivered) {
    ManualClock clock(0.0);
    SdlAccelerometer acc(clock, false);
    acc.open(); // no SDL: no sensors, no controllers
    EXPECT_EQ(acc.source(), SdlAccelerometer::Source::None);
    Readings r;
    acc.setDelegate(&r);
    for (int i = 0; i < 100; ++i) {
        clock.advance(0.02);
        acc.poll();
    }
    EXPECT_TRUE(r.got.empty());
    EXPECT_FALSE(acc.handleKey(shifted(Key::Left), true));
}

TEST(SdlAccelerometer, ARestingVirtualTiltFallsSilentUntilItMoves) {
    ManualClock clock(0.0);
    SdlAccelerometer acc(clock);
    Readings r;
    acc.setUpdateInterval(0.02);
    acc.setDelegate(&r);
    auto run = [&](double seconds) {
        for (int i = 0; i < static_cast<int>(seconds * 60); ++i) {
            clock.advance(1.0 / 60);
            acc.poll();
        }
    };
    // Readings while a smoothing filter could still be settling...
    run(2.0);
    EXPECT_GT(r.got.size(), 90u);
    EXPECT_LT(acc.secondsUntilNextReading(), 0.03);
    // ...then none, and nothing to wake the main loop for.
    run(2.0);
    std::size_t settled = r.got.size();
    run(5.0);
    EXPECT_EQ(r.got.size(), settled);
    EXPECT_GT(acc.secondsUntilNextReading(), 1e6);
    // A held tilt key brings them back at once, and they follow the lean.
    acc.handleKey(shifted(Key::Left), true);
    EXPECT_LT(acc.secondsUntilNextReading(), 0.03);
    run(0.5);
    ASSERT_GT(r.got.size(), settled + 20);
    EXPECT_GT(r.got.back().y, 0.0);
}
