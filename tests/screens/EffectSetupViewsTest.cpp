// The effect pedal screens with a real engine (no audio output) and no
// application delegate: the arrows, the foot switches, knobs, labels and
// lights for the current guitar, the test note, and the tap tempo on a
// hand-driven clock; and the rotary knob they turn. Their touch areas are
// checked with every screen's.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "audio/SoundEngine.h"
#include "platform/ImageView.h"
#include "platform/Knob.h"
#include "platform/Label.h"
#include "platform/core/Clock.h"
#include "screens/DelayEffectSetupView.h"
#include "screens/FuzzEffectSetupView.h"
#include "screens/WahEffectSetupView.h"
#include "support/TempFolder.h"
#include "support/Touches.h"
#include "ui/ScreenHost.h"

using namespace testsupport;

namespace {

using Control = EffectSetupView::Control;
using Names = std::vector<std::string>;
constexpr Point kTestNote{30, 450};

// The point at `degrees` (0 straight above the centre, growing anticlockwise
// on the screen, y downwards) at `radius` around a knob's centre.
Point around(const Knob& knob, double degrees, double radius = 50) {
    const double a = degrees * M_PI / 180.0;
    return {float(knob.x() - radius * std::sin(a)), float(knob.y() - radius * std::cos(a))};
}

// Turns the knob from angle `from` to angle `to` in steps of `step` degrees.
float turnInSteps(Knob& knob, double from, double to, double step) {
    const int steps = static_cast<int>(std::lround(std::fabs(to - from) / step));
    const double dir = to > from ? 1 : -1;
    for (int i = 0; i < steps; ++i)
        knob.turnKnobFromCoord(around(knob, from + dir * step * i),
                               around(knob, from + dir * step * (i + 1)));
    return knob.getValue();
}

// A pedal that records where it was asked to go instead of asking a delegate.
template <typename Pedal> class RecordingPedal : public Pedal {
public:
    template <typename... Args>
    explicit RecordingPedal(Args&&... args) : Pedal(std::forward<Args>(args)...) {}
    int backs = 0;
    std::vector<std::pair<int, bool>> goes;

protected:
    void goBack() override { ++backs; }
    void goToScreen(int screenNo, bool rememberBack) override { goes.emplace_back(screenNo, rememberBack); }
};

// The middle of the pedal's area for a control, on the screen.
Point where(std::span<const EffectSetupView::Area> areas, Control c) {
    for (const auto& a : areas)
        if (a.control == c)
            return {(std::max(a.left, 0.0f) + std::min(a.right, 320.0f)) / 2,
                    (std::max(a.top, 0.0f) + std::min(a.bottom, 480.0f)) / 2};
    ADD_FAILURE() << "no area";
    return {};
}

class Pedals : public ::testing::Test {
protected:
    Pedals() { engine.resetState(); }

    // A finger put down on knob `k` turning it clockwise by `degrees`, one
    // degree per move, at 40 from its centre; lifted unless `hold`.
    static void turn(EffectSetupView& pedal, int k, double fromDegrees, double degrees, bool hold = false) {
        const Knob& knob = pedal.knob(k);
        pedal.fingerDown({float(knob.x()), float(knob.y())});
        EXPECT_EQ(pedal.draggingKnob(), k);
        const double dir = degrees > 0 ? -1 : 1;
        for (int i = 0; i < std::lround(std::fabs(degrees)); ++i)
            pedal.fingerMove(around(knob, fromDegrees + dir * (i + 1), 40),
                             around(knob, fromDegrees + dir * i, 40));
        if (hold)
            return;
        pedal.fingerUp({float(knob.x()), float(knob.y())});
        EXPECT_EQ(pedal.draggingKnob(), -1);
    }
    Names readouts(DelayEffectSetupView& delay) {
        return {delay.label(0).text(), delay.label(1).text(), delay.label(2).text()};
    }

    TempFolder folder{"strumwell-pedals"};
    ManualClock clock{100.0};
    SoundEngine engine{nullptr, nullptr, nullptr, folder.str(), clock};
};

TEST(Knob, TurnsBySmallStepsWithinZeroAndOneAndIgnoresJumps) {
    View parent(Rect{0, 0, 320, 480});
    Knob knob(&parent, 160, 240, "");
    EXPECT_EQ(parent.subviews().back(), knob.knobIV());
    EXPECT_EQ(knob.knobIV()->center(), (Point{160, 240}));
    // A quarter turn clockwise in small steps, and back.
    EXPECT_NEAR(turnInSteps(knob, 270, 180, 1), 0.305f, 1e-4);
    EXPECT_FLOAT_EQ(knob.knobIV()->rotation(), static_cast<float>(Knob::rotationForValue(knob.getValue())));
    EXPECT_NEAR(turnInSteps(knob, 180, 270, 1), 0.0f, 1e-4);
    const struct {
        float start;
        double from, to, step;
        float expected;
    } steps[] = {
        {0.5f, 200, 150.5, 49.5, float(0.5 + 49.5 * 1.22 / 360)}, // the largest turn
        {0.5f, 200, 249.5, 49.5, float(0.5 - 49.5 * 1.22 / 360)},
        {0.5f, 200, 149.5, 50.5, 0.5f}, // a jump
        {0.5f, 200, 250.5, 50.5, 0.5f},
        {0.5f, 1, 359, 358, 0.5f}, // across the seam above
        {0.5f, 359, 1, 358, 0.5f},
        {1.0f, 270, 240, 2, 1.0f},                    // held at the ends...
        {1.0f, 240, 241, 1, float(1.0 - 1.22 / 360)}, // ...and off them at once
        {0.0f, 180, 270, 5, 0.0f},
        {0.0f, 359, 1, 2, 1.0f},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.from);
        knob.setValue(s.start);
        EXPECT_NEAR(turnInSteps(knob, s.from, s.to, s.step), s.expected, 1e-5);
    }
    // Straight above, straight below and the centre itself have angles too.
    EXPECT_EQ(Knob::angleAround(10, 10, 10, 11), 180.0);
    EXPECT_EQ(Knob::angleAround(10, 10, 10, 10), 0.0);
    // Values outside the range come back on the first turn; a point that is
    // not a number changes nothing.
    const Point a = around(knob, 90), b = around(knob, 89);
    EXPECT_EQ(Knob::turnedValue(1.5f, knob.x(), knob.y(), a, b), 1.0f);
    EXPECT_EQ(Knob::turnedValue(-0.5f, knob.x(), knob.y(), b, a), 0.0f);
    EXPECT_EQ(Knob::turnedValue(0.3f, 0, 0, {std::numeric_limits<float>::quiet_NaN(), 1}, {1, 1}), 0.3f);
    // The picture sweeps most of a turn, upright near the bottom of the range.
    EXPECT_NEAR((Knob::rotationForValue(1.0f) - Knob::rotationForValue(0.0f)) / (2 * M_PI), 0.78, 1e-6);
    EXPECT_NEAR(Knob::rotationForValue(0.19f), 0.0, 1e-7);
}

TEST_F(Pedals, ArrowsGoToTheNeighboursWithoutRememberingTheWayBack) {
    RecordingPedal<DelayEffectSetupView> delay(nullptr, &engine, clock);
    RecordingPedal<FuzzEffectSetupView> fuzz(nullptr, &engine);
    RecordingPedal<WahEffectSetupView> wah(nullptr, &engine);
    delay.fingerDown(where(DelayEffectSetupView::areas(), Control::ToFuzz));
    fuzz.fingerDown(where(FuzzEffectSetupView::areas(), Control::ToDelay));
    fuzz.fingerDown(where(FuzzEffectSetupView::areas(), Control::ToWah));
    const Point wahToFuzz = where(WahEffectSetupView::areas(), Control::ToFuzz);
    wah.fingerDown(wahToFuzz);
    wah.fingerMove(wahToFuzz, {300, 20}); // moving and lifting go nowhere
    wah.fingerUp(wahToFuzz);
    using Goes = std::vector<std::pair<int, bool>>;
    EXPECT_EQ(delay.goes, (Goes{{ScreenHost::kFuzzEffectSetup, false}}));
    EXPECT_EQ(wah.goes, (Goes{{ScreenHost::kFuzzEffectSetup, false}}));
    EXPECT_EQ(fuzz.goes,
              (Goes{{ScreenHost::kDelayEffectSetup, false}, {ScreenHost::kWahEffectSetup, false}}));
    EXPECT_EQ(wah.backs, 0);
}

TEST_F(Pedals, TestNoteSoundsWhileHeldAndWhileAKnobTurns) {
    RecordingPedal<FuzzEffectSetupView> fuzz(nullptr, &engine);
    fuzz.setCurrentGuitar(1);
    fuzz.processTouches({down(1, kTestNote)});
    int voice = fuzz.testTonePlaylistNo();
    ASSERT_GE(voice, 0);
    EXPECT_TRUE(engine.voicePlaying(voice));
    EXPECT_EQ(engine.voiceState(voice).sampleNo, 48 + EffectSetupView::kTestSampleNo); // guitar 2's
    // Moving within the button keeps it; a stationary touch does nothing;
    // lifting inside stops it.
    fuzz.processTouches({move(1, {40, 460}, kTestNote)});
    fuzz.processTouches({touch(1, TouchPhase::Stationary, {40, 460}, {40, 460})});
    EXPECT_EQ(fuzz.testTonePlaylistNo(), voice);
    EXPECT_FALSE(engine.voiceState(voice).wantToStop);
    fuzz.processTouches({up(1, {40, 460})});
    EXPECT_EQ(fuzz.testTonePlaylistNo(), -1);
    EXPECT_TRUE(engine.voiceState(voice).wantToStop);
    // Sliding out, a second finger on an arrow, a cancelled touch or a
    // second press stop it too.
    fuzz.setCurrentGuitar(0);
    const std::vector<Touch> stops[] = {{move(1, {64, 450}, {63, 450})},
                                        {down(2, where(FuzzEffectSetupView::areas(), Control::ToWah))},
                                        {touch(1, TouchPhase::Cancelled, kTestNote, kTestNote)},
                                        {down(2, kTestNote)}};
    for (const auto& stop : stops) {
        SCOPED_TRACE(&stop - stops);
        fuzz.processTouches({down(1, kTestNote)});
        voice = fuzz.testTonePlaylistNo();
        ASSERT_GE(voice, 0);
        EXPECT_EQ(engine.voiceState(voice).sampleNo, EffectSetupView::kTestSampleNo);
        fuzz.processTouches(stop);
        EXPECT_TRUE(engine.voiceState(voice).wantToStop);
        EXPECT_NE(fuzz.testTonePlaylistNo(), voice);
    }
    // While a knob turns, a move out of the button is the knob's, and
    // lifting outside the button leaves the note alone.
    DelayEffectSetupView delay(nullptr, &engine, clock);
    delay.fingerDown(kTestNote);
    voice = delay.testTonePlaylistNo();
    ASSERT_GE(voice, 0);
    turn(delay, 0, 90, -5, true);
    delay.fingerMove({100, 450}, kTestNote);
    delay.fingerUp({100, 450});
    EXPECT_EQ(delay.testTonePlaylistNo(), voice);
    EXPECT_FALSE(engine.voiceState(voice).wantToStop);
}

TEST_F(Pedals, SwitchesSetTheCurrentGuitarsEffectAndItsLight) {
    DelayEffectSetupView delay(nullptr, &engine, clock);
    FuzzEffectSetupView fuzz(nullptr, &engine);
    WahEffectSetupView wah(nullptr, &engine);
    const struct {
        EffectSetupView& pedal;
        Point at;
        bool (SoundEngine::*on)(int) const;
        ImageView* light;
    } switches[] = {
        {delay, where(DelayEffectSetupView::areas(), Control::FootSwitch), &SoundEngine::delayOn,
         delay.powerOnLight()},
        {fuzz, where(FuzzEffectSetupView::areas(), Control::FootSwitch), &SoundEngine::fuzzOn,
         fuzz.powerOnLight()},
        {wah, where(WahEffectSetupView::areas(), Control::FootSwitch), &SoundEngine::wahOn,
         wah.powerOnLight()},
        {delay, where(DelayEffectSetupView::areas(), Control::PingPong), &SoundEngine::pingPong,
         delay.option1Light()},
    };
    for (const auto& s : switches)
        for (int guitar : {0, 1}) {
            s.pedal.setCurrentGuitar(guitar);
            const bool other = (engine.*s.on)(1 - guitar);
            for (bool before : {(engine.*s.on)(guitar), !(engine.*s.on)(guitar)}) {
                EXPECT_EQ(s.light->alpha(), before ? 1.0f : 0.0f);
                s.pedal.processTouches({down(1, s.at)});
                EXPECT_EQ((engine.*s.on)(guitar), !before);
                EXPECT_EQ((engine.*s.on)(1 - guitar), other);
            }
        }
}

TEST_F(Pedals, DelayKnobsAndReadoutsShowAndSetTheCurrentGuitarsDelay) {
    DelayEffectSetupView delay(nullptr, &engine, clock);
    engine.setDelayMix(1, 0.25f);
    delay.setCurrentGuitar(1);
    EXPECT_EQ(delay.label(0).text(), "25");
    EXPECT_FLOAT_EQ(delay.knob(0).getValue(), 0.25f);
    // Guitar 1's defaults: mix 0.9, feedback 0.4, time 26460 (0.3 s).
    delay.setCurrentGuitar(0);
    EXPECT_EQ(readouts(delay), (Names{"90", "40", "299"}));
    EXPECT_FLOAT_EQ(delay.knob(2).getValue(), 0.3f);
    // Readouts truncate toward zero; a time past the knob's end shows it full.
    engine.setDelayMix(0, 0.999f);
    engine.setDelayFeedback(0, 0.07f);
    engine.setDelayTime(0, 88400);
    delay.redraw();
    EXPECT_EQ(readouts(delay), (Names{"99", "7", "1000"}));
    EXPECT_EQ(delay.knob(2).getValue(), 1.0f);
    // A number that names no guitar keeps the current one.
    delay.setCurrentGuitar(2);
    delay.setCurrentGuitar(-1);
    EXPECT_EQ(delay.currentGuitar(), 0);

    delay.setCurrentGuitar(1);
    turn(delay, 0, 90, -30); // mix, anticlockwise
    EXPECT_NEAR(engine.delayMix(1), 0.25 - 30 * 1.22 / 360, 1e-4);
    EXPECT_FLOAT_EQ(engine.delayMix(0), 0.999f);
    EXPECT_EQ(delay.label(0).text(), "14");
    delay.fingerMove({278, 136}, {238, 96}); // moves with no knob held change nothing
    EXPECT_NEAR(engine.delayMix(1), 0.25 - 30 * 1.22 / 360, 1e-4);
    turn(delay, 1, 300, 300); // feedback all the way up: limited to 1
    EXPECT_EQ(engine.delayFeedback(1), 1.0f);
    // Time: the knob's value times 88400, truncated, within the ring.
    turn(delay, 2, 200, 10);
    EXPECT_EQ(engine.delayTime(1), static_cast<int>(delay.knob(2).getValue() * 88400.0f));
    EXPECT_NEAR(delay.knob(2).getValue(), 0.3 + 10 * 1.22 / 360, 1e-4);
    turn(delay, 2, 190, -300);
    EXPECT_EQ(engine.delayTime(1), 0);
    turn(delay, 2, 300, 340);
    EXPECT_EQ(engine.delayTime(1), 88400);
    EXPECT_EQ(engine.delayTime(0), 88400);
    // Tiny steps back and forth end where they started: the knob under the
    // finger keeps its own value, not the engine's rounded one.
    delay.setCurrentGuitar(0);
    engine.setDelayTime(0, 26460);
    delay.redraw();
    turn(delay, 2, 0, 0, true);
    const float start = delay.knob(2).getValue();
    for (int i = 0; i < 200; ++i) {
        delay.fingerMove({278, 339.5f}, {278, 339});
        delay.fingerMove({278, 339}, {278, 339.5f});
    }
    EXPECT_NEAR(delay.knob(2).getValue(), start, 1e-4);
    EXPECT_EQ(engine.delayTime(0), static_cast<int>(delay.knob(2).getValue() * 88400.0f));
}

TEST_F(Pedals, TapTempo) {
    DelayEffectSetupView delay(nullptr, &engine, clock);
    const Point tap = where(DelayEffectSetupView::areas(), Control::Tap);
    EXPECT_FALSE(delay.tapTime().has_value());
    const struct {
        double after;
        int time, taps; // the delay time set, the taps counted
        const char* shown;
    } taps[] = {
        {0, 26460, 0, "299"},    // one tap sets nothing
        {0.5, 44200, 1, "500"},  // the interval times the ring
        {0.25, 33150, 2, "375"}, // the average of the intervals
        {1.5, 33150, 0, "375"},  // too late: a new run
        {1.0, 88400, 1, "1000"}, // exactly a second still counts: the whole ring
    };
    for (const auto& t : taps) {
        clock.advance(t.after);
        delay.fingerDown(tap);
        EXPECT_EQ(engine.delayTime(0), t.time);
        EXPECT_EQ(delay.numberOfTaps(), t.taps);
        EXPECT_EQ(delay.label(2).text(), t.shown);
    }
    EXPECT_EQ(delay.knob(2).getValue(), 1.0f);
    EXPECT_EQ(engine.delayTime(1), 26460);
    // The run survives a switch of guitar and sets the new guitar's delay.
    delay.setCurrentGuitar(1);
    clock.advance(0.5);
    delay.fingerDown(tap);
    EXPECT_EQ(engine.delayTime(1), static_cast<int>(1.5f / 2.0f * 88400.0f));
    // Never outside the ring.
    EXPECT_EQ(DelayEffectSetupView::delayTimeForTaps(0.5f, 0), 0);
    EXPECT_EQ(DelayEffectSetupView::delayTimeForTaps(5.0f, 1), 88400);
    EXPECT_EQ(DelayEffectSetupView::delayTimeForTaps(-1.0f, 1), 0);
}

TEST_F(Pedals, FuzzThresholdKnobThroughTheTouchHandlers) {
    FuzzEffectSetupView fuzz(nullptr, &engine);
    fuzz.setCurrentGuitar(1);
    EXPECT_NEAR(fuzz.knob().getValue(), (5000.0 - 1000.0) / -18000.0 + 1.0, 1e-6);
    // Down on the dial's right, then 10 degrees clockwise.
    const Point right{221, 239};
    const Point lower{float(181 + 40 * std::cos(10 * M_PI / 180)),
                      float(239 + 40 * std::sin(10 * M_PI / 180))};
    const float before = fuzz.knob().getValue();
    fuzz.touchesBegan({down(1, right)});
    fuzz.touchesMoved({move(1, lower, right)});
    EXPECT_NEAR(fuzz.knob().getValue(), before + 10 * 1.22 / 360, 1e-4);
    EXPECT_NEAR(engine.fuzzThreshold(1), fuzz.knob().getValue(), 1e-4);
    fuzz.touchesEnded({up(1, lower)});
    EXPECT_EQ(fuzz.draggingKnob(), -1);
    // Fully up gives the hardest clipping, fully down the softest.
    turn(fuzz, 0, 300, 200);
    EXPECT_EQ(engine.effect<FuzzEffect>(1).thresholdLevel(), 1000);
    turn(fuzz, 0, 100, -300);
    EXPECT_EQ(fuzz.knob().getValue(), 0.0f);
    EXPECT_EQ(engine.effect<FuzzEffect>(1).thresholdLevel(), 19000);
    EXPECT_EQ(engine.effect<FuzzEffect>(0).thresholdLevel(), 5000);
}

} // namespace
