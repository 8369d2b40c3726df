// The effect pedal screens with a real engine (no audio output) and no
// application delegate: the rectangles and their borders, the foot switches,
// knobs, labels and lights for the current guitar, the test note, the arrows
// and corner buttons, and the tap tempo on a hand-driven clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "app/Strumwell.h"
#include "audio/SoundEngine.h"
#include "platform/Knob.h"
#include "platform/Label.h"
#include "platform/core/Clock.h"
#include "screens/DelayEffectSetupView.h"
#include "screens/FuzzEffectSetupView.h"
#include "screens/WahEffectSetupView.h"

namespace {

using Control = EffectSetupView::Control;

Touch touch(long id, TouchPhase phase, Point at, Point previous) {
    Touch t;
    t.id = id;
    t.phase = phase;
    t.location = at;
    t.previousLocation = previous;
    return t;
}

// An empty bundle folder of its own: no samples, but voices start all the same.
class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("strumwell-pedals-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

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

class Pedals : public ::testing::Test {
protected:
    Pedals() : engine(nullptr, nullptr, nullptr, folder.path(), clock) { engine.resetState(); }

    // A finger turning a knob centred at c clockwise by `degrees`, one degree
    // per move (0 degrees is straight above, growing anticlockwise).
    static void turn(EffectSetupView& pedal, Point c, double fromDegrees, double degrees) {
        auto at = [&](double d) {
            const double a = d * 3.14159265358979 / 180.0;
            return Point{static_cast<float>(c.x - 40 * std::sin(a)),
                         static_cast<float>(c.y - 40 * std::cos(a))};
        };
        const int steps = static_cast<int>(std::lround(std::fabs(degrees)));
        const double dir = degrees > 0 ? -1 : 1;
        for (int i = 0; i < steps; ++i)
            pedal.fingerMove(at(fromDegrees + dir * (i + 1)), at(fromDegrees + dir * i));
    }

    TempFolder folder;
    ManualClock clock{100.0};
    SoundEngine engine;
};

// ---- Rectangles ----

TEST(PedalRectangles, CornersAndTestButtonOnEveryPedal) {
    for (const auto areas :
         {DelayEffectSetupView::areas(), FuzzEffectSetupView::areas(), WahEffectSetupView::areas()}) {
        auto controlFor = [&](Point p) { return EffectSetupView::controlIn(areas, p); };
        EXPECT_EQ(controlFor({277, 40}), Control::Back);
        EXPECT_EQ(controlFor({319, 0}), Control::Back);
        EXPECT_NE(controlFor({276, 40}), Control::Back);
        EXPECT_NE(controlFor({277, 41}), Control::Back);
        EXPECT_EQ(controlFor({277, 439}), Control::Help);
        EXPECT_NE(controlFor({276, 439}), Control::Help);
        EXPECT_NE(controlFor({277, 438}), Control::Help);
        EXPECT_EQ(controlFor({0, 426}), Control::TestNote);
        EXPECT_EQ(controlFor({63.9f, 479}), Control::TestNote);
        EXPECT_NE(controlFor({64, 426}), Control::TestNote);
        EXPECT_NE(controlFor({10, 425}), Control::TestNote);
    }
    EXPECT_TRUE(EffectSetupView::inTestButton({63, 426}));
    EXPECT_FALSE(EffectSetupView::inTestButton({64, 426}));
    EXPECT_FALSE(EffectSetupView::inTestButton({63, 425}));
}

// Every pedal's areas reach into the 320 x 480 screen and do not overlap,
// except the arrows, which are tested before the foot switch they cut into.
TEST(PedalRectangles, InsideTheScreenAndApart) {
    using Area = EffectSetupView::Area;
    auto isArrow = [](const Area& a) {
        return a.control == Control::ToDelay || a.control == Control::ToFuzz || a.control == Control::ToWah;
    };
    for (const auto areas :
         {DelayEffectSetupView::areas(), FuzzEffectSetupView::areas(), WahEffectSetupView::areas()}) {
        auto controlFor = [&](Point p) { return EffectSetupView::controlIn(areas, p); };
        for (size_t i = 0; i < areas.size(); ++i) {
            const Area& a = areas[i];
            SCOPED_TRACE(static_cast<int>(a.control));
            const float left = std::max(a.left, 0.0f), right = std::min(a.right, 320.0f);
            const float top = std::max(a.top, 0.0f), bottom = std::min(a.bottom, 480.0f);
            ASSERT_LT(left, right);
            ASSERT_LT(top, bottom);
            if (!isArrow(a)) { // a finger in the middle finds it
                EXPECT_EQ(controlFor({(left + right) / 2, (top + bottom) / 2}), a.control);
            }
            for (size_t j = i + 1; j < areas.size(); ++j) {
                const Area& b = areas[j];
                const bool overlap = std::max(a.left, b.left) < std::min(a.right, b.right) &&
                                     std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
                EXPECT_TRUE(!overlap || (isArrow(a) && b.control == Control::FootSwitch))
                    << static_cast<int>(b.control);
            }
        }
    }
    // Where an arrow and a foot switch overlap, the arrow wins; shared
    // borders belong to neither side.
    EXPECT_EQ(EffectSetupView::controlIn(DelayEffectSetupView::areas(), {90, 415}), Control::ToFuzz);
    EXPECT_EQ(EffectSetupView::controlIn(FuzzEffectSetupView::areas(), {90, 63}), Control::ToDelay);
    EXPECT_EQ(EffectSetupView::controlIn(WahEffectSetupView::areas(), {150, 62}), Control::ToFuzz);
    EXPECT_EQ(EffectSetupView::controlIn(DelayEffectSetupView::areas(), {140, 243}), Control::None);
    EXPECT_EQ(EffectSetupView::controlIn(DelayEffectSetupView::areas(), {240, 187}), Control::None);
}

// ---- Views ----

TEST_F(Pedals, FullScreenTakingSeveralTouches) {
    DelayEffectSetupView delay(nullptr, &engine, clock);
    FuzzEffectSetupView fuzz(nullptr, &engine);
    WahEffectSetupView wah(nullptr, &engine);
    for (EffectSetupView* pedal : std::vector<EffectSetupView*>{&delay, &fuzz, &wah}) {
        EXPECT_EQ(pedal->frame(), (Rect{0, 0, 320, 480}));
        EXPECT_TRUE(pedal->isUserInteractionEnabled());
        EXPECT_TRUE(pedal->isMultipleTouchEnabled());
        EXPECT_EQ(pedal->currentGuitar(), 0);
        EXPECT_EQ(pedal->draggingKnob(), -1);
        EXPECT_EQ(pedal->testTonePlaylistNo(), -1);
        EXPECT_EQ(pedal->soundEngine(), &engine);
        // Corner buttons and arrows without a delegate ask nobody (no crash).
        pedal->processTouches({touch(1, TouchPhase::Began, {300, 20}, {300, 20})});
        pedal->processTouches({touch(2, TouchPhase::Began, {300, 460}, {300, 460})});
        pedal->processTouches({touch(3, TouchPhase::Began, {150, 450}, {150, 450})});
        pedal->processTouches({touch(4, TouchPhase::Began, {150, 30}, {150, 30})});
    }
    EXPECT_EQ(delay.knob(0).knobIV()->center(), (Point{238, 136}));
    EXPECT_EQ(delay.knob(1).knobIV()->center(), (Point{238, 240}));
    EXPECT_EQ(delay.knob(2).knobIV()->center(), (Point{238, 339}));
    EXPECT_EQ(fuzz.knob().knobIV()->center(), (Point{181, 239}));
    EXPECT_EQ(fuzz.powerOnLight()->center(), (Point{297, 237}));
    EXPECT_EQ(wah.powerOnLight()->center(), (Point{308.5f, 389.5f}));
    // The light is drawn over the knob.
    EXPECT_EQ(fuzz.subviews().back(), fuzz.powerOnLight());
}

TEST_F(Pedals, CornerButtonsAndArrows) {
    RecordingPedal<DelayEffectSetupView> delay(nullptr, &engine, clock);
    RecordingPedal<FuzzEffectSetupView> fuzz(nullptr, &engine);
    RecordingPedal<WahEffectSetupView> wah(nullptr, &engine);
    delay.fingerDown({300, 20});
    delay.fingerDown({300, 460});
    delay.fingerDown({150, 450});
    EXPECT_EQ(delay.backs, 1);
    EXPECT_EQ(delay.goes, (std::vector<std::pair<int, bool>>{{Strumwell::kManual, true},
                                                             {Strumwell::kFuzzEffectSetup, false}}));
    fuzz.fingerDown({150, 30});
    fuzz.fingerDown({150, 450});
    EXPECT_EQ(fuzz.goes, (std::vector<std::pair<int, bool>>{{Strumwell::kDelayEffectSetup, false},
                                                            {Strumwell::kWahEffectSetup, false}}));
    wah.fingerDown({150, 30});
    wah.fingerDown({300, 20});
    EXPECT_EQ(wah.backs, 1);
    EXPECT_EQ(wah.goes, (std::vector<std::pair<int, bool>>{{Strumwell::kFuzzEffectSetup, false}}));
    // Moving and lifting go nowhere.
    wah.fingerMove({300, 20}, {150, 30});
    wah.fingerUp({300, 20});
    EXPECT_EQ(wah.backs, 1);
    EXPECT_EQ(wah.goes.size(), 1u);
}

TEST_F(Pedals, TestNoteWhileHeld) {
    RecordingPedal<FuzzEffectSetupView> fuzz(nullptr, &engine);
    fuzz.setCurrentGuitar(1);
    fuzz.processTouches({touch(1, TouchPhase::Began, {30, 450}, {30, 450})});
    const int voice = fuzz.testTonePlaylistNo();
    ASSERT_GE(voice, 0);
    EXPECT_TRUE(engine.voicePlaying(voice));
    // Guitar 2's sample 14 is slot 48 + 14.
    EXPECT_EQ(engine.voiceState(voice).sampleNo, 48 + EffectSetupView::kTestSampleNo);
    EXPECT_FALSE(engine.voiceState(voice).wantToStop);
    // Moving within the button keeps it; a stationary touch does nothing.
    fuzz.processTouches({touch(1, TouchPhase::Moved, {40, 460}, {30, 450})});
    fuzz.processTouches({touch(1, TouchPhase::Stationary, {40, 460}, {40, 460})});
    EXPECT_EQ(fuzz.testTonePlaylistNo(), voice);
    // Lifting inside stops it.
    fuzz.processTouches({touch(1, TouchPhase::Ended, {40, 460}, {40, 460})});
    EXPECT_EQ(fuzz.testTonePlaylistNo(), -1);
    EXPECT_TRUE(engine.voiceState(voice).wantToStop);
}

TEST_F(Pedals, TestNoteStopsWhenSlidingOutOrByAnArrow) {
    RecordingPedal<WahEffectSetupView> wah(nullptr, &engine);
    wah.fingerDown({30, 450});
    int voice = wah.testTonePlaylistNo();
    ASSERT_GE(voice, 0);
    EXPECT_EQ(engine.voiceState(voice).sampleNo, EffectSetupView::kTestSampleNo);
    wah.fingerMove({64, 450}, {63, 450});
    EXPECT_EQ(wah.testTonePlaylistNo(), -1);
    EXPECT_TRUE(engine.voiceState(voice).wantToStop);

    wah.fingerDown({30, 450});
    voice = wah.testTonePlaylistNo();
    ASSERT_GE(voice, 0);
    wah.fingerDown({150, 30}); // a second finger on the arrow
    EXPECT_EQ(wah.testTonePlaylistNo(), -1);
    EXPECT_TRUE(engine.voiceState(voice).wantToStop);

    // A cancelled touch inside the button stops the note as well.
    wah.fingerDown({30, 450});
    voice = wah.testTonePlaylistNo();
    wah.processTouches({touch(1, TouchPhase::Cancelled, {30, 450}, {30, 450})});
    EXPECT_TRUE(engine.voiceState(voice).wantToStop);
}

TEST_F(Pedals, TestNoteKeepsPlayingWhileAKnobTurns) {
    DelayEffectSetupView delay(nullptr, &engine, clock);
    delay.fingerDown({30, 450});
    const int voice = delay.testTonePlaylistNo();
    ASSERT_GE(voice, 0);
    delay.fingerDown({240, 136}); // a second finger on the mix knob
    EXPECT_EQ(delay.draggingKnob(), 0);
    // While a knob turns, a move out of the button is the knob's.
    delay.fingerMove({100, 450}, {30, 450});
    EXPECT_EQ(delay.testTonePlaylistNo(), voice);
    // Lifting the knob finger ends the turning; lifting outside the button
    // leaves the note alone.
    delay.fingerUp({240, 136});
    EXPECT_EQ(delay.draggingKnob(), -1);
    EXPECT_EQ(delay.testTonePlaylistNo(), voice);
    EXPECT_FALSE(engine.voiceState(voice).wantToStop);
    // A second press on the button replaces the note.
    delay.fingerDown({30, 450});
    EXPECT_TRUE(engine.voiceState(voice).wantToStop);
    EXPECT_GE(delay.testTonePlaylistNo(), 0);
}

TEST_F(Pedals, DelaySwitchesAndReadouts) {
    DelayEffectSetupView delay(nullptr, &engine, clock);
    // Guitar 1's defaults: delay off, ping-pong on, mix 0.9, feedback 0.4,
    // time 26460 (0.3 s).
    EXPECT_EQ(delay.powerOnLight()->alpha(), 0.0f);
    EXPECT_EQ(delay.option1Light()->alpha(), 1.0f);
    EXPECT_EQ(delay.option1Light()->center(), (Point{140, 163}));
    EXPECT_EQ(delay.label(0).text(), "90");
    EXPECT_EQ(delay.label(1).text(), "40");
    EXPECT_EQ(delay.label(2).text(), "299");
    EXPECT_FLOAT_EQ(delay.knob(0).getValue(), 0.9f);
    EXPECT_FLOAT_EQ(delay.knob(1).getValue(), 0.4f);
    EXPECT_FLOAT_EQ(delay.knob(2).getValue(), 26460.0f / 88200.0f);
    EXPECT_FLOAT_EQ(delay.knob(2).getValue(), 0.3f);

    delay.fingerDown({50, 200}); // foot switch
    EXPECT_TRUE(engine.delayOn(0));
    EXPECT_TRUE(engine.delayOn(1)); // guitar 2 untouched (on by default)
    EXPECT_EQ(delay.powerOnLight()->alpha(), 1.0f);
    delay.fingerDown({50, 200});
    EXPECT_FALSE(engine.delayOn(0));
    EXPECT_EQ(delay.powerOnLight()->alpha(), 0.0f);

    delay.fingerDown({140, 200}); // ping-pong
    EXPECT_FALSE(engine.pingPong(0));
    EXPECT_TRUE(engine.pingPong(1));
    EXPECT_EQ(delay.option1Light()->alpha(), 0.0f);

    // Readouts truncate toward zero.
    engine.setDelayMix(0, 0.999f);
    engine.setDelayFeedback(0, 0.07f);
    engine.setDelayTime(0, 88400);
    delay.redraw();
    EXPECT_EQ(delay.label(0).text(), "99");
    EXPECT_EQ(delay.label(1).text(), "7");
    EXPECT_EQ(delay.label(2).text(), "1000");
    // 88400 / 88200 is past the end of the knob, which stays at 1.
    EXPECT_EQ(delay.knob(2).getValue(), 1.0f);
    EXPECT_FLOAT_EQ(delay.label(0).rotation(), kQuarterTurn);
}

TEST_F(Pedals, DelayKnobsSetTheCurrentGuitarsDelay) {
    DelayEffectSetupView delay(nullptr, &engine, clock);
    delay.setCurrentGuitar(1);
    // Mix: a finger comes down on knob 0 and turns it anticlockwise 30 degrees.
    delay.fingerDown({240, 136});
    ASSERT_EQ(delay.draggingKnob(), 0);
    turn(delay, {238, 136}, 90, -30);
    EXPECT_NEAR(engine.delayMix(1), 0.9 - 30 * 1.22 / 360, 1e-4);
    EXPECT_FLOAT_EQ(engine.delayMix(0), 0.9f);
    EXPECT_EQ(delay.label(0).text(), "79");
    delay.fingerUp({240, 136});
    EXPECT_EQ(delay.draggingKnob(), -1);
    // Moves with no knob held change nothing.
    turn(delay, {238, 136}, 90, 30);
    EXPECT_NEAR(engine.delayMix(1), 0.9 - 30 * 1.22 / 360, 1e-4);

    // Feedback all the way up: limited to 1.
    delay.fingerDown({240, 240});
    ASSERT_EQ(delay.draggingKnob(), 1);
    turn(delay, {238, 240}, 300, 300);
    EXPECT_EQ(engine.delayFeedback(1), 1.0f);
    delay.fingerUp({240, 240});

    // Time: value x 88400, truncated; all the way down gives 0.
    delay.fingerDown({240, 339});
    ASSERT_EQ(delay.draggingKnob(), 2);
    turn(delay, {238, 339}, 200, 10);
    const float knobValue = delay.knob(2).getValue();
    EXPECT_EQ(engine.delayTime(1), static_cast<int>(knobValue * 88400.0f));
    EXPECT_NEAR(knobValue, 0.3 + 10 * 1.22 / 360, 1e-4);
    turn(delay, {238, 339}, 190, -300);
    EXPECT_EQ(engine.delayTime(1), 0);
    EXPECT_EQ(delay.knob(2).getValue(), 0.0f);
    turn(delay, {238, 339}, 300, 340);
    EXPECT_EQ(engine.delayTime(1), 88400);
    delay.fingerUp({240, 339});
    // Once let go the knob shows the engine's time on its own scale.
    EXPECT_EQ(delay.knob(2).getValue(), 1.0f);
    EXPECT_EQ(engine.delayTime(0), 26460);
}

TEST_F(Pedals, DelayTimeKnobFollowsTheFingerWithoutCreeping) {
    DelayEffectSetupView delay(nullptr, &engine, clock);
    delay.fingerDown({240, 339});
    // Tiny steps back and forth end where they started.
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
    const Point tap{140, 300};
    EXPECT_FALSE(delay.tapTime().has_value());
    delay.fingerDown(tap);
    EXPECT_EQ(delay.tapTime(), 100.0);
    EXPECT_EQ(engine.delayTime(0), 26460); // one tap sets nothing
    EXPECT_EQ(delay.numberOfTaps(), 0);

    clock.advance(0.5);
    delay.fingerDown(tap);
    EXPECT_EQ(engine.delayTime(0), 44200);
    EXPECT_EQ(delay.numberOfTaps(), 1);
    EXPECT_FLOAT_EQ(delay.knob(2).getValue(), 44200.0f / 88200.0f);
    EXPECT_EQ(delay.label(2).text(), "500");

    clock.advance(0.25);
    delay.fingerDown(tap);
    EXPECT_EQ(engine.delayTime(0), 33150);
    EXPECT_EQ(delay.numberOfTaps(), 2);
    EXPECT_FLOAT_EQ(delay.totalTapDuration(), 0.75f);

    // A tap 1.5 s later sets nothing and starts a new run.
    clock.advance(1.5);
    delay.fingerDown(tap);
    EXPECT_EQ(engine.delayTime(0), 33150);
    EXPECT_EQ(delay.numberOfTaps(), 0);
    EXPECT_EQ(delay.totalTapDuration(), 0.0f);
    EXPECT_EQ(delay.tapTime(), clock.now());

    // Exactly one second apart still counts: the whole ring.
    clock.advance(1.0);
    delay.fingerDown(tap);
    EXPECT_EQ(engine.delayTime(0), 88400);
    EXPECT_EQ(delay.knob(2).getValue(), 1.0f);
    EXPECT_EQ(engine.delayTime(1), 26460);

    // The run survives a switch of guitar and sets the new guitar's delay.
    delay.setCurrentGuitar(1);
    clock.advance(0.5);
    delay.fingerDown(tap);
    EXPECT_EQ(engine.delayTime(1), static_cast<int>(1.5f / 2.0f * 88400.0f));
}

TEST_F(Pedals, TouchesTurnTheKnobThroughTheDispatcher) {
    FuzzEffectSetupView fuzz(nullptr, &engine);
    const float before = fuzz.knob().getValue();
    // Down on the dial, then a move from straight right of the centre 10
    // degrees clockwise, as the view's touch handlers deliver it.
    const Point right{221, 239};
    const Point lower{static_cast<float>(181 + 40 * std::cos(10 * 3.14159265 / 180)),
                      static_cast<float>(239 + 40 * std::sin(10 * 3.14159265 / 180))};
    fuzz.touchesBegan({touch(7, TouchPhase::Began, right, right)});
    EXPECT_EQ(fuzz.draggingKnob(), 0);
    fuzz.touchesMoved({touch(7, TouchPhase::Moved, lower, right)});
    EXPECT_NEAR(fuzz.knob().getValue(), before + 10 * 1.22 / 360, 1e-4);
    EXPECT_NEAR(engine.fuzzThreshold(0), fuzz.knob().getValue(), 1e-4);
    fuzz.touchesEnded({touch(7, TouchPhase::Ended, lower, lower)});
    EXPECT_EQ(fuzz.draggingKnob(), -1);
    // Let go, the knob shows the engine's threshold.
    EXPECT_FLOAT_EQ(fuzz.knob().getValue(), engine.fuzzThreshold(0));
}

TEST(PedalTapTempo, AverageIntervalTimesTheRing) {
    EXPECT_EQ(DelayEffectSetupView::delayTimeForTaps(0.5f, 1), 44200);
    EXPECT_EQ(DelayEffectSetupView::delayTimeForTaps(0.75f, 2), 33150);
    EXPECT_EQ(DelayEffectSetupView::delayTimeForTaps(1.0f, 1), 88400);
    EXPECT_EQ(DelayEffectSetupView::delayTimeForTaps(0.0f, 3), 0);
    EXPECT_EQ(DelayEffectSetupView::delayTimeForTaps(0.5f, 0), 0);
    // Never outside the ring.
    EXPECT_EQ(DelayEffectSetupView::delayTimeForTaps(5.0f, 1), 88400);
    EXPECT_EQ(DelayEffectSetupView::delayTimeForTaps(-1.0f, 1), 0);
}

TEST_F(Pedals, FuzzSwitchAndThresholdKnob) {
    FuzzEffectSetupView fuzz(nullptr, &engine);
    fuzz.setCurrentGuitar(1);
    EXPECT_EQ(fuzz.powerOnLight()->alpha(), 0.0f);
    EXPECT_NEAR(fuzz.knob().getValue(), (5000.0 - 1000.0) / -18000.0 + 1.0, 1e-6);
    fuzz.fingerDown({50, 200});
    EXPECT_TRUE(engine.fuzzOn(1));
    EXPECT_FALSE(engine.fuzzOn(0));
    EXPECT_EQ(fuzz.powerOnLight()->alpha(), 1.0f);

    // Fully up gives the hardest clipping, threshold 1000.
    fuzz.fingerDown({181, 239});
    ASSERT_EQ(fuzz.draggingKnob(), 0);
    turn(fuzz, {181, 239}, 300, 200);
    EXPECT_EQ(fuzz.knob().getValue(), 1.0f);
    EXPECT_EQ(engine.effect<FuzzEffect>(1).thresholdLevel(), 1000);
    EXPECT_FLOAT_EQ(engine.fuzzThreshold(1), 1.0f);
    // Fully down: 19000.
    turn(fuzz, {181, 239}, 100, -300);
    EXPECT_EQ(fuzz.knob().getValue(), 0.0f);
    EXPECT_EQ(engine.effect<FuzzEffect>(1).thresholdLevel(), 19000);
    fuzz.fingerUp({181, 239});
    EXPECT_EQ(fuzz.draggingKnob(), -1);
    EXPECT_EQ(engine.effect<FuzzEffect>(0).thresholdLevel(), 5000);
}

TEST_F(Pedals, WahSwitch) {
    WahEffectSetupView wah(nullptr, &engine);
    EXPECT_EQ(wah.powerOnLight()->alpha(), 0.0f);
    wah.processTouches({touch(1, TouchPhase::Began, {250, 100}, {250, 100})});
    EXPECT_TRUE(engine.wahOn(0));
    EXPECT_EQ(wah.powerOnLight()->alpha(), 1.0f);
    EXPECT_TRUE(engine.wahOn(1)); // guitar 2's default, untouched
    wah.setCurrentGuitar(1);
    wah.fingerDown({250, 100});
    EXPECT_FALSE(engine.wahOn(1));
    EXPECT_TRUE(engine.wahOn(0));
    EXPECT_EQ(wah.powerOnLight()->alpha(), 0.0f);
}

TEST_F(Pedals, ArrivalShowsTheChosenGuitar) {
    DelayEffectSetupView delay(nullptr, &engine, clock);
    FuzzEffectSetupView fuzz(nullptr, &engine);
    WahEffectSetupView wah(nullptr, &engine);
    engine.setDelayMix(1, 0.25f);
    engine.setFuzzOn(1, true);
    // Guitar 1: delay off, fuzz off, wah off; guitar 2: delay on, wah on.
    delay.setCurrentGuitar(1);
    fuzz.setCurrentGuitar(1);
    wah.setCurrentGuitar(1);
    EXPECT_EQ(delay.currentGuitar(), 1);
    EXPECT_EQ(delay.powerOnLight()->alpha(), 1.0f);
    EXPECT_EQ(delay.label(0).text(), "25");
    EXPECT_FLOAT_EQ(delay.knob(0).getValue(), 0.25f);
    EXPECT_EQ(fuzz.powerOnLight()->alpha(), 1.0f);
    EXPECT_EQ(wah.powerOnLight()->alpha(), 1.0f);
    delay.setCurrentGuitar(0);
    fuzz.setCurrentGuitar(0);
    wah.setCurrentGuitar(0);
    EXPECT_EQ(delay.powerOnLight()->alpha(), 0.0f);
    EXPECT_EQ(delay.label(0).text(), "90");
    EXPECT_EQ(fuzz.powerOnLight()->alpha(), 0.0f);
    EXPECT_EQ(wah.powerOnLight()->alpha(), 0.0f);
    // A number that names no guitar keeps the current one.
    wah.setCurrentGuitar(2);
    wah.setCurrentGuitar(-1);
    EXPECT_EQ(wah.currentGuitar(), 0);
}

TEST(PedalsWithoutEngine, TouchesChangeNothingAndDoNotCrash) {
    DelayEffectSetupView delay(nullptr, nullptr);
    FuzzEffectSetupView fuzz(nullptr, nullptr);
    WahEffectSetupView wah(nullptr, nullptr);
    for (EffectSetupView* pedal : std::vector<EffectSetupView*>{&delay, &fuzz, &wah}) {
        for (Point p : {Point{30, 450}, Point{50, 200}, Point{140, 200}, Point{140, 300}, Point{240, 136},
                        Point{181, 239}}) {
            pedal->fingerDown(p);
            pedal->fingerMove({p.x + 1, p.y + 1}, p);
            pedal->fingerUp(p);
        }
        EXPECT_EQ(pedal->testTonePlaylistNo(), -1);
    }
}

} // namespace
