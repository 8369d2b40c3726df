// The effect pedal screens with a real engine (no audio output) and no
// application delegate: the arrows, the foot switches, knobs, labels and
// lights for the current guitar, the test note, and the tap tempo on a
// hand-driven clock. Their touch areas are checked with every screen's.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "audio/SoundEngine.h"
#include "platform/Knob.h"
#include "platform/Label.h"
#include "platform/core/Clock.h"
#include "screens/DelayEffectSetupView.h"
#include "screens/FuzzEffectSetupView.h"
#include "screens/LibraryTestSupport.h"
#include "screens/WahEffectSetupView.h"
#include "ui/ScreenHost.h"

using library_test::Names;
using library_test::touch;

namespace {

using Control = EffectSetupView::Control;
constexpr Point kTestNote{30, 450};

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

library_test::Names readouts(DelayEffectSetupView& delay) {
    return {delay.label(0).text(), delay.label(1).text(), delay.label(2).text()};
}

class Pedals : public ::testing::Test {
protected:
    Pedals() { engine.resetState(); }

    // A finger turning knob `k` clockwise by `degrees`, one degree per move
    // (0 degrees is straight above, growing anticlockwise), from a finger
    // put down on it to that finger lifted.
    static void turn(EffectSetupView& pedal, int k, double fromDegrees, double degrees) {
        const Point c{static_cast<float>(pedal.knob(k).x()), static_cast<float>(pedal.knob(k).y())};
        auto at = [&](double d) {
            const double a = d * M_PI / 180.0;
            return Point{static_cast<float>(c.x - 40 * std::sin(a)),
                         static_cast<float>(c.y - 40 * std::cos(a))};
        };
        pedal.fingerDown(c);
        EXPECT_EQ(pedal.draggingKnob(), k);
        const int steps = static_cast<int>(std::lround(std::fabs(degrees)));
        const double dir = degrees > 0 ? -1 : 1;
        for (int i = 0; i < steps; ++i)
            pedal.fingerMove(at(fromDegrees + dir * (i + 1)), at(fromDegrees + dir * i));
    }
    static void lift(EffectSetupView& pedal, int k) {
        pedal.fingerUp({static_cast<float>(pedal.knob(k).x()), static_cast<float>(pedal.knob(k).y())});
        EXPECT_EQ(pedal.draggingKnob(), -1);
    }

    testsupport::TempFolder folder{"strumwell-pedals"};
    ManualClock clock{100.0};
    SoundEngine engine{nullptr, nullptr, nullptr, folder.str(), clock};
};

TEST_F(Pedals, ArrowsGoToTheNeighboursWithoutRememberingTheWayBack) {
    RecordingPedal<DelayEffectSetupView> delay(nullptr, &engine, clock);
    RecordingPedal<FuzzEffectSetupView> fuzz(nullptr, &engine);
    RecordingPedal<WahEffectSetupView> wah(nullptr, &engine);
    delay.fingerDown(where(DelayEffectSetupView::areas(), Control::ToFuzz));
    fuzz.fingerDown(where(FuzzEffectSetupView::areas(), Control::ToDelay));
    fuzz.fingerDown(where(FuzzEffectSetupView::areas(), Control::ToWah));
    wah.fingerDown(where(WahEffectSetupView::areas(), Control::ToFuzz));
    const std::vector<std::pair<int, bool>> toFuzz{{ScreenHost::kFuzzEffectSetup, false}};
    EXPECT_EQ(delay.goes, toFuzz);
    EXPECT_EQ(wah.goes, toFuzz);
    EXPECT_EQ(fuzz.goes, (std::vector<std::pair<int, bool>>{{ScreenHost::kDelayEffectSetup, false},
                                                            {ScreenHost::kWahEffectSetup, false}}));
    // Moving and lifting go nowhere (the corners are checked in the application).
    wah.fingerMove(where(WahEffectSetupView::areas(), Control::ToFuzz), {300, 20});
    wah.fingerUp(where(WahEffectSetupView::areas(), Control::ToFuzz));
    EXPECT_EQ(wah.goes, toFuzz);
    EXPECT_EQ(wah.backs, 0);
}

TEST_F(Pedals, TestNoteSoundsWhileHeld) {
    RecordingPedal<FuzzEffectSetupView> fuzz(nullptr, &engine);
    fuzz.setCurrentGuitar(1);
    fuzz.processTouches({touch(TouchPhase::Began, kTestNote)});
    int voice = fuzz.testTonePlaylistNo();
    ASSERT_GE(voice, 0);
    EXPECT_TRUE(engine.voicePlaying(voice));
    EXPECT_EQ(engine.voiceState(voice).sampleNo, 48 + EffectSetupView::kTestSampleNo); // guitar 2's
    // Moving within the button keeps it; a stationary touch does nothing;
    // lifting inside stops it.
    fuzz.processTouches({touch(TouchPhase::Moved, {40, 460}, kTestNote)});
    fuzz.processTouches({touch(TouchPhase::Stationary, {40, 460}, {40, 460})});
    EXPECT_EQ(fuzz.testTonePlaylistNo(), voice);
    EXPECT_FALSE(engine.voiceState(voice).wantToStop);
    fuzz.processTouches({touch(TouchPhase::Ended, {40, 460})});
    EXPECT_EQ(fuzz.testTonePlaylistNo(), -1);
    EXPECT_TRUE(engine.voiceState(voice).wantToStop);

    // Sliding out, a second finger on an arrow, or a cancelled touch stop it too.
    fuzz.setCurrentGuitar(0);
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        fuzz.fingerDown(kTestNote);
        voice = fuzz.testTonePlaylistNo();
        ASSERT_GE(voice, 0);
        EXPECT_EQ(engine.voiceState(voice).sampleNo, EffectSetupView::kTestSampleNo);
        if (way == 0)
            fuzz.fingerMove({64, 450}, {63, 450});
        else if (way == 1)
            fuzz.fingerDown(where(FuzzEffectSetupView::areas(), Control::ToWah));
        else
            fuzz.processTouches({touch(TouchPhase::Cancelled, kTestNote)});
        EXPECT_EQ(fuzz.testTonePlaylistNo(), -1);
        EXPECT_TRUE(engine.voiceState(voice).wantToStop);
    }
}

TEST_F(Pedals, TestNoteKeepsPlayingWhileAKnobTurns) {
    DelayEffectSetupView delay(nullptr, &engine, clock);
    delay.fingerDown(kTestNote);
    const int voice = delay.testTonePlaylistNo();
    ASSERT_GE(voice, 0);
    delay.fingerDown({240, 136}); // a second finger on the mix knob
    EXPECT_EQ(delay.draggingKnob(), 0);
    // While a knob turns, a move out of the button is the knob's, and
    // lifting outside the button leaves the note alone.
    delay.fingerMove({100, 450}, kTestNote);
    lift(delay, 0);
    EXPECT_EQ(delay.testTonePlaylistNo(), voice);
    EXPECT_FALSE(engine.voiceState(voice).wantToStop);
    // A second press on the button replaces the note.
    delay.fingerDown(kTestNote);
    EXPECT_TRUE(engine.voiceState(voice).wantToStop);
    EXPECT_GE(delay.testTonePlaylistNo(), 0);
}

TEST_F(Pedals, SwitchesSetTheCurrentGuitarsEffectAndItsLight) {
    DelayEffectSetupView delay(nullptr, &engine, clock);
    FuzzEffectSetupView fuzz(nullptr, &engine);
    WahEffectSetupView wah(nullptr, &engine);
    const struct {
        EffectSetupView& pedal;
        Point at;
        bool (SoundEngine::*on)(int) const;
    } switches[] = {
        {delay, where(DelayEffectSetupView::areas(), Control::FootSwitch), &SoundEngine::delayOn},
        {fuzz, where(FuzzEffectSetupView::areas(), Control::FootSwitch), &SoundEngine::fuzzOn},
        {wah, where(WahEffectSetupView::areas(), Control::FootSwitch), &SoundEngine::wahOn},
    };
    for (const auto& s : switches) {
        for (int guitar : {0, 1}) {
            s.pedal.setCurrentGuitar(guitar);
            const bool other = (engine.*s.on)(1 - guitar);
            for (bool before : {(engine.*s.on)(guitar), !(engine.*s.on)(guitar)}) {
                EXPECT_EQ(s.pedal.powerOnLight()->alpha(), before ? 1.0f : 0.0f);
                s.pedal.processTouches({touch(TouchPhase::Began, s.at)});
                EXPECT_EQ((engine.*s.on)(guitar), !before);
                EXPECT_EQ((engine.*s.on)(1 - guitar), other);
            }
        }
    }
    // The ping-pong switch and its light.
    const bool pingPong = engine.pingPong(0);
    EXPECT_EQ(delay.option1Light()->alpha(), pingPong ? 1.0f : 0.0f);
    delay.setCurrentGuitar(0);
    delay.fingerDown(where(DelayEffectSetupView::areas(), Control::PingPong));
    EXPECT_EQ(engine.pingPong(0), !pingPong);
    EXPECT_EQ(engine.pingPong(1), pingPong);
    EXPECT_EQ(delay.option1Light()->alpha(), pingPong ? 0.0f : 1.0f);
}

TEST_F(Pedals, DelayReadoutsAndKnobsShowTheCurrentGuitar) {
    DelayEffectSetupView delay(nullptr, &engine, clock);
    engine.setDelayMix(1, 0.25f);
    delay.setCurrentGuitar(1);
    EXPECT_EQ(delay.currentGuitar(), 1);
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
}

TEST_F(Pedals, DelayKnobsSetTheCurrentGuitarsDelay) {
    DelayEffectSetupView delay(nullptr, &engine, clock);
    delay.setCurrentGuitar(1);
    turn(delay, 0, 90, -30); // mix, anticlockwise
    EXPECT_NEAR(engine.delayMix(1), 0.9 - 30 * 1.22 / 360, 1e-4);
    EXPECT_FLOAT_EQ(engine.delayMix(0), 0.9f);
    EXPECT_EQ(delay.label(0).text(), "79");
    lift(delay, 0);
    // Moves with no knob held change nothing.
    delay.fingerMove({278, 136}, {238, 96});
    EXPECT_NEAR(engine.delayMix(1), 0.9 - 30 * 1.22 / 360, 1e-4);
    turn(delay, 1, 300, 300); // feedback all the way up: limited to 1
    EXPECT_EQ(engine.delayFeedback(1), 1.0f);
    lift(delay, 1);
    // Time: the knob's value times 88400, truncated.
    turn(delay, 2, 200, 10);
    const float knobValue = delay.knob(2).getValue();
    EXPECT_EQ(engine.delayTime(1), static_cast<int>(knobValue * 88400.0f));
    EXPECT_NEAR(knobValue, 0.3 + 10 * 1.22 / 360, 1e-4);
    turn(delay, 2, 190, -300);
    EXPECT_EQ(engine.delayTime(1), 0);
    turn(delay, 2, 300, 340);
    EXPECT_EQ(engine.delayTime(1), 88400);
    lift(delay, 2);
    EXPECT_EQ(engine.delayTime(0), 26460);
    // Tiny steps back and forth end where they started: the knob under the
    // finger keeps its own value, not the engine's rounded one.
    delay.setCurrentGuitar(0);
    turn(delay, 2, 0, 0);
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
    const Point lower{static_cast<float>(181 + 40 * std::cos(10 * M_PI / 180)),
                      static_cast<float>(239 + 40 * std::sin(10 * M_PI / 180))};
    const float before = fuzz.knob().getValue();
    fuzz.touchesBegan({touch(TouchPhase::Began, right, right)});
    fuzz.touchesMoved({touch(TouchPhase::Moved, lower, right)});
    EXPECT_NEAR(fuzz.knob().getValue(), before + 10 * 1.22 / 360, 1e-4);
    EXPECT_NEAR(engine.fuzzThreshold(1), fuzz.knob().getValue(), 1e-4);
    fuzz.touchesEnded({touch(TouchPhase::Ended, lower, lower)});
    EXPECT_EQ(fuzz.draggingKnob(), -1);
    // Fully up gives the hardest clipping, fully down the softest.
    turn(fuzz, 0, 300, 200);
    EXPECT_EQ(fuzz.knob().getValue(), 1.0f);
    EXPECT_EQ(engine.effect<FuzzEffect>(1).thresholdLevel(), 1000);
    turn(fuzz, 0, 100, -300);
    EXPECT_EQ(fuzz.knob().getValue(), 0.0f);
    EXPECT_EQ(engine.effect<FuzzEffect>(1).thresholdLevel(), 19000);
    lift(fuzz, 0);
    EXPECT_EQ(engine.effect<FuzzEffect>(0).thresholdLevel(), 5000);
}

} // namespace
