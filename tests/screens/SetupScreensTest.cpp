// The setup screens without an application delegate, over a real engine (no
// audio output; the tests render buffers themselves and run the UI thread's
// queue): the patch change with its wait box, the knobs, the test notes and
// the bend and whammy settings; the effect pedals' arrows, foot switches,
// knobs, readouts and lights for the current guitar and the tap tempo on a
// hand-driven clock.

#include <cmath>
#include <cstdint>
#include <string_view>
#include <tuple>
#include <variant>

#include "audio/EffectsChain.h"
#include "performer/Performer.h"
#include "screens/DelayEffectSetupView.h"
#include "screens/FuzzEffectSetupView.h"
#include "screens/LibraryTestSupport.h"
#include "screens/MenuAppSetupView.h"
#include "screens/MenuSetupGuitarPatchView.h"
#include "storage/WavWriter.h"
#include "support/FakeParent.h"
#include "toolkit/Knob.h"
#include "ui/ScreenHost.h"

using library_test::inside;
using namespace testsupport;

namespace {

using Action = MenuSetupGuitarPatchView::Action;
using Control = EffectSetupView::Control;
using Names = std::vector<std::string>;
constexpr Point kTestNote{30, 450};

Point at(Action a) {
    return inside(MenuSetupGuitarPatchView::areas(), a);
}

// The middle of a pedal's area for a control, on the screen.
Point where(std::span<const EffectSetupView::Area> areas, Control c) {
    return inside<Control>(library_test::pedalAreas(areas), c);
}

// The point at `degrees` (0 straight above the centre, growing anticlockwise
// on the screen, y downwards) 40 points around a knob's centre.
Point around(const Knob& knob, double degrees) {
    const double a = degrees * M_PI / 180.0;
    return {float(knob.x() - 40 * std::sin(a)), float(knob.y() - 40 * std::cos(a))};
}

// A finger put down on a knob's centre turning it clockwise by `degrees`,
// one degree per move, and lifted there.
void turn(FingerView& screen, const Knob& knob, double from, double degrees) {
    const Point centre{float(knob.x()), float(knob.y())};
    screen.processTouches({down(1, centre)});
    const double dir = degrees > 0 ? -1 : 1;
    for (int i = 0; i < std::lround(std::fabs(degrees)); ++i)
        screen.processTouches({move(1, around(knob, from + dir * (i + 1)), around(knob, from + dir * i))});
    screen.processTouches({up(1, centre)});
}

// Four seconds of a steady 16-bit mono sound at 44.1 kHz.
bool writeWav(const std::string& path) {
    WavWriter out;
    const std::vector<int16_t> samples(44100 * 4, 10000);
    return out.open(path, 44100, 1) && out.write(samples.data(), samples.size()) && out.finish();
}

// Screens with their corner buttons and arrows recorded instead of sent to a delegate.
template <typename Pedal> class RecordingPedal : public Pedal {
public:
    using Pedal::Pedal;
    std::vector<std::pair<int, bool>> goes;

protected:
    void goToScreen(int screenNo, bool rememberBack) override { goes.emplace_back(screenNo, rememberBack); }
};

// A real engine over a temporary bundle that holds only the open low E
// samples of the default patches, long enough to sound for seconds.
class SetupScreens : public ::testing::Test {
protected:
    SetupScreens() {
        EXPECT_TRUE(samples);
        engine.resetState();
        s.willAppear(ScreenHost::kSetupMenu, 0);
    }
    // Buffers through the render callback, as the audio output would.
    void render(int buffers = 1) {
        std::vector<int16_t> out(512);
        for (int i = 0; i < buffers; ++i)
            SoundEngine::callbackProcStereo(engine.callbackUserData(), out.data(), 256);
    }
    void advance(double seconds) {
        clock.advance(seconds);
        parent.mainThreadQueue().runPending();
    }
    // A patch step through to the box going.
    void finishPatchStep() {
        advance(0.002);
        render();
        advance(0);
        advance(0.2);
        ASSERT_FALSE(s.messageBoxShowing());
    }
    void tap(Point p) { s.processTouches({down(1, p), up(1, p)}); }

    TempFolder folder{"strumwell-setup"};
    // Written before the engine reads its bundle.
    const bool samples = writeWav(folder.file("A2-3.wav")) && writeWav(folder.file("E2-3.wav"));
    ManualClock clock{100.0};
    FakeParent parent{clock};
    SoundEngine engine{&parent, nullptr, folder.str(), clock};
    Recorder recorder{&parent, &engine, clock, false};
    Performer performer{engine, recorder, nullptr, nullptr};
    MenuSetupGuitarPatchView s{nullptr, &performer, &parent.mainThreadQueue()};
};

} // namespace

TEST_F(SetupScreens, AppSetupBarsStepBothGuitarsSwitchesAround) {
    MenuAppSetupView app(nullptr, &engine);
    // Bends for guitars 1 and 2 and their label, then the same for the whammy bar.
    using Bars = std::tuple<bool, bool, std::string, bool, bool, std::string>;
    const auto bars = [&] {
        return Bars{
            engine.pitchBendOn(0),       engine.pitchBendOn(1),       app.stringBendsSettingLabel().text(),
            engine.whammyBarAttached(0), engine.whammyBarAttached(1), app.whammyBarSettingLabel().text()};
    };
    EXPECT_EQ(bars(), Bars(false, true, "Guitar 2", false, true, "Guitar 2"));
    const Point bends = inside(MenuAppSetupView::areas(), MenuAppSetupView::Action::StepStringBends);
    const Point whammy = inside(MenuAppSetupView::areas(), MenuAppSetupView::Action::StepWhammyBar);
    const struct {
        Touch touch;
        Bars after;
    } steps[] = {{down(1, bends), {true, true, "Guitar 1 + 2", false, true, "Guitar 2"}},
                 {down(1, bends), {false, false, "Off", false, true, "Guitar 2"}},
                 {down(1, bends), {true, false, "Guitar 1", false, true, "Guitar 2"}},
                 {down(1, bends), {false, true, "Guitar 2", false, true, "Guitar 2"}},
                 {down(1, whammy), {false, true, "Guitar 2", true, true, "Guitar 1 + 2"}},
                 {up(1, whammy), {false, true, "Guitar 2", true, true, "Guitar 1 + 2"}}};
    for (const auto& step : steps) {
        app.processTouches({step.touch});
        EXPECT_EQ(bars(), step.after);
    }
}

TEST_F(SetupScreens, PatchStepWaitsForTheEngineAndTheRenderedBufferAndWrapsBothWays) {
    tap(at(Action::NextPatchGuitar1));
    EXPECT_TRUE(s.messageBoxShowing());
    EXPECT_EQ(engine.patchNo(0), 1); // the box is drawn before the samples are loaded
    // Touches on any control, the corners too, are ignored from now on.
    for (Point p : {at(Action::TestNoteGuitar1), at(Action::TurnGuitar1Volume), at(Action::NextPatchGuitar2),
                    Point{300, 20}})
        tap(p);
    EXPECT_EQ(s.testPatch1PlaylistNo(), -1);
    advance(0.002);
    EXPECT_EQ(engine.patchNo(0), 2);
    EXPECT_EQ(engine.patchNo(1), 3);
    // Time alone does not bring the screen back: a buffer must be rendered,
    // and the box goes a tenth of a second after that.
    advance(1.0);
    EXPECT_TRUE(s.messageBoxShowing());
    render();
    advance(0);
    advance(0.05);
    EXPECT_TRUE(s.messageBoxShowing());
    advance(0.06);
    EXPECT_FALSE(s.messageBoxShowing());
    s.processTouches({down(1, at(Action::TurnGuitar1Volume))}); // touches work again
    EXPECT_EQ(s.draggingKnob(), 0);
    s.processTouches({up(1, at(Action::TurnGuitar1Volume))});

    const std::tuple<Action, int, int> steps[] = {
        {Action::PrevPatchGuitar1, 0, 1}, {Action::PrevPatchGuitar1, 0, 0}, {Action::PrevPatchGuitar1, 0, 4},
        {Action::NextPatchGuitar1, 0, 0}, {Action::NextPatchGuitar2, 1, 4}, {Action::NextPatchGuitar2, 1, 0},
        {Action::PrevPatchGuitar2, 1, 4}};
    for (const auto& [button, guitar, patch] : steps) {
        tap(at(button));
        finishPatchStep();
        EXPECT_EQ(engine.patchNo(guitar), patch);
    }
}

// With no engine nothing will render a buffer: once the step has run the
// screen turns its touchscreen back on by itself. A screen gone before its
// delayed step runs is forgotten safely.
TEST_F(SetupScreens, PatchStepWithoutAnEngineTurnsTheTouchscreenBackOn) {
    MenuSetupGuitarPatchView lone(nullptr, nullptr, &parent.mainThreadQueue());
    auto gone = std::make_unique<MenuSetupGuitarPatchView>(nullptr, &performer, &parent.mainThreadQueue());
    lone.processTouches({down(1, at(Action::NextPatchGuitar1))});
    gone->processTouches({down(1, at(Action::NextPatchGuitar1))});
    gone.reset();
    advance(0.002);
    EXPECT_TRUE(lone.messageBoxShowing());
    EXPECT_EQ(engine.patchNo(0), 1);
    advance(0.1);
    EXPECT_FALSE(lone.messageBoxShowing());
    lone.processTouches({down(2, at(Action::TurnGuitar2Sustain))});
    EXPECT_EQ(lone.draggingKnob(), MenuSetupGuitarPatchView::kGuitar2Sustain);
}

TEST_F(SetupScreens, PatchKnobsSetTheEngineForTheirGuitar) {
    // A quarter turn clockwise and anticlockwise; limited to 1 and to 0.
    using Setting = float (SoundEngine::*)(int) const;
    const std::tuple<int, double, double, Setting, int, float> turns[] = {
        {0, 270, 90, &SoundEngine::guitarVolume, 0, 0.805f},
        {3, 180, -90, &SoundEngine::guitarSustain, 1, 0.395f},
        {1, 315, 90, &SoundEngine::guitarSustain, 0, 1.0f},
        {2, 180, -180, &SoundEngine::guitarVolume, 1, 0.0f}};
    for (const auto& [k, from, degrees, setting, guitar, expected] : turns) {
        turn(s, s.knob(k), from, degrees);
        EXPECT_NEAR((engine.*setting)(guitar), expected, 1e-4);
        EXPECT_NEAR(s.knob(k).getValue(), expected, 1e-4);
        EXPECT_EQ(s.draggingKnob(), -1);
        char readout[24];
        std::snprintf(readout, sizeof readout, "%s %.1f", k % 2 ? "SUSTAIN" : "VOLUME",
                      s.knob(k).getValue() * 10.0);
        EXPECT_EQ(s.knobReadout(k).text(), readout);
    }
}

TEST_F(SetupScreens, PatchTestNotesSoundUntilLiftedInsideOrSlidOut) {
    // Guitar 1's note: sliding within the button keeps it, sliding out stops it.
    const Point note1 = at(Action::TestNoteGuitar1);
    const Point out{
        note1.x, library_test::areaOf(MenuSetupGuitarPatchView::areas(), Action::TestNoteGuitar1).maxY() + 5};
    s.processTouches({down(1, note1)});
    const int voice1 = s.testPatch1PlaylistNo();
    ASSERT_GE(voice1, 0);
    EXPECT_EQ(engine.voiceState(voice1).sampleNo, MenuSetupGuitarPatchView::kTestSampleNo);
    s.processTouches({move(1, {note1.x + 2, note1.y + 2}, note1)});
    EXPECT_EQ(s.testPatch1PlaylistNo(), voice1);
    s.processTouches({move(1, out, note1)});
    EXPECT_EQ(s.testPatch1PlaylistNo(), -1);
    s.processTouches({up(1, out)});
    // Guitar 2's note, lifted inside its button, stops.
    const Point note2 = at(Action::TestNoteGuitar2);
    s.processTouches({down(2, note2)});
    const int voice2 = s.testPatch2PlaylistNo();
    ASSERT_GE(voice2, 0);
    EXPECT_EQ(engine.voiceState(voice2).sampleNo, 48 + MenuSetupGuitarPatchView::kTestSampleNo);
    s.processTouches({up(2, note2)});
    EXPECT_EQ(s.testPatch2PlaylistNo(), -1);
    render(400);
    EXPECT_FALSE(engine.voicePlaying(voice2));
    // A patch step silences a held note.
    s.processTouches({down(1, note1)});
    const int voice = s.testPatch1PlaylistNo();
    ASSERT_GE(voice, 0);
    s.processTouches({down(2, at(Action::NextPatchGuitar2))});
    advance(0.002);
    EXPECT_FALSE(engine.voicePlaying(voice));
    finishPatchStep();
}

TEST_F(SetupScreens, PedalTestNoteSoundsWhileHeldAndWhileAKnobTurns) {
    FuzzEffectSetupView fuzz(nullptr, &performer);
    fuzz.setCurrentGuitar(1);
    fuzz.processTouches({down(1, kTestNote)});
    int voice = fuzz.testTonePlaylistNo();
    ASSERT_GE(voice, 0);
    EXPECT_EQ(engine.voiceState(voice).sampleNo, 48 + EffectSetupView::kTestSampleNo); // guitar 2's
    // Lifting inside the button stops it.
    fuzz.processTouches({up(1, {40, 460})});
    EXPECT_EQ(fuzz.testTonePlaylistNo(), -1);
    EXPECT_TRUE(engine.voiceState(voice).wantToStop);
    // Sliding out, a second finger on an arrow, a cancelled touch or a
    // second press stop it too.
    fuzz.setCurrentGuitar(0);
    for (const Touch& stop :
         {move(1, {64, 450}, {63, 450}), down(2, where(FuzzEffect::kAreas, Control::PreviousPedal)),
          touch(1, TouchPhase::Cancelled, kTestNote, kTestNote), down(2, kTestNote)}) {
        fuzz.processTouches({down(1, kTestNote)});
        voice = fuzz.testTonePlaylistNo();
        ASSERT_GE(voice, 0);
        EXPECT_EQ(engine.voiceState(voice).sampleNo, EffectSetupView::kTestSampleNo);
        fuzz.processTouches({stop});
        EXPECT_TRUE(engine.voiceState(voice).wantToStop);
    }
}

// A guitar's saved setting, by name, as the engine would save it now.
double fieldOf(const SoundEngine& engine, int guitar, std::string_view name) {
    double value = NAN;
    engine.settings().forEachField([&](const char* field, const EngineSettings::Value* values, int count) {
        if (name == field)
            std::visit([&](auto v) { value = double(v); }, values[count == 2 ? guitar : 0]);
    });
    return value;
}

// Every pedal of the chain, as its descriptor builds it: the arrows go to the
// neighbours in chain order without remembering the way back, each captioned
// inside its area with the neighbour's name; each switch
// toggles its field and light for the current guitar only; each knob turned
// fully down and up moves its field to the ends of its range, leaves the
// other guitar's alone, and its readout shows the field.
TEST_F(SetupScreens, EveryPedalsArrowsSwitchesKnobsAndReadouts) {
    std::vector<int> screens;
    std::vector<std::string> names;
    forEachEffectDescriptor([&](const auto& d, int) {
        screens.push_back(d.screen);
        names.push_back(d.name);
    });
    EXPECT_EQ(screens, (std::vector<int>{ScreenHost::kWahEffectSetup, ScreenHost::kFuzzEffectSetup,
                                         ScreenHost::kDelayEffectSetup}));
    // Each knob's field and readout, fully down and fully up.
    const std::tuple<std::string, double, double, Names> ends[] = {
        {"fuzzThreshold", 19000, 1000, {"0.0", "10.0"}},
        {"delayMix", 0, 1, {"0", "100"}},
        {"delayFeedback", 0, 1, {"0", "100"}},
        {"delayTime", 0, 88400, {"0", "1000"}}};
    size_t knobs = 0;
    forEachEffectDescriptor([&]<class U>(const EffectDescriptor<U>& d, int index) {
        RecordingPedal<EffectSetupView> pedal(nullptr, &performer, d);
        std::vector<std::pair<int, bool>> goes;
        const auto captionIn = [&](Control arrow) {
            for (const auto& caption : pedal.arrowCaptions())
                if (std::ranges::any_of(d.areas, [&](const PedalArea& a) {
                        return a.control == arrow && a.contains(caption->center());
                    }))
                    return caption->text();
            return std::string();
        };
        for (auto [arrow, step] : {std::pair{Control::NextPedal, 1}, {Control::PreviousPedal, -1}}) {
            const size_t to = size_t(index + step);
            ASSERT_EQ(std::ranges::count(d.areas, arrow, &PedalArea::control), to < screens.size()) << d.name;
            if (to < screens.size()) {
                pedal.processTouches({down(1, where(d.areas, arrow))});
                goes.emplace_back(screens[to], false);
                EXPECT_EQ(captionIn(arrow), names[to]) << d.name;
            }
        }
        EXPECT_EQ(pedal.goes, goes) << d.name;
        EXPECT_EQ(pedal.arrowCaptions().size(), goes.size()) << d.name;
        for (int guitar : {0, 1}) {
            pedal.setCurrentGuitar(guitar);
            for (size_t i = 0; i < d.switches.size() * 2; ++i) { // each switch twice
                const char* name = d.switches[i / 2].field;
                const double mine = fieldOf(engine, guitar, name), other = fieldOf(engine, 1 - guitar, name);
                EXPECT_EQ(pedal.switchLight(int(i / 2))->alpha(), float(mine)) << name;
                pedal.processTouches({down(1, where(d.areas, d.switches[i / 2].control))});
                EXPECT_EQ(std::pair(fieldOf(engine, guitar, name), fieldOf(engine, 1 - guitar, name)),
                          std::pair(1 - mine, other))
                    << name;
            }
            for (size_t i = 0; i < d.knobs.size(); ++i) {
                const auto& [name, low, high, shown] = ends[knobs + i];
                ASSERT_EQ(name, d.knobs[i].field);
                const double other = fieldOf(engine, 1 - guitar, name);
                for (auto [degrees, value, text] :
                     {std::tuple{-340.0, low, shown[0]}, {340.0, high, shown[1]}}) {
                    turn(pedal, pedal.knob(int(i)), degrees < 0 ? 100 : 300, degrees);
                    EXPECT_EQ(std::tuple(fieldOf(engine, guitar, name), pedal.readout(int(i)).text(),
                                         fieldOf(engine, 1 - guitar, name)),
                              std::tuple(value, text, other));
                }
            }
        }
        knobs += d.knobs.size();
    });
    EXPECT_EQ(knobs, std::size(ends));
}

TEST_F(SetupScreens, DelayReadoutsKnobsAndTapTempoAreTheCurrentGuitars) {
    DelayEffectSetupView delay(nullptr, &performer, clock);
    // Guitar 1's defaults: mix 0.9, feedback 0.4, time 26460 (0.3 s); the
    // knobs show the current guitar's.
    EXPECT_EQ((Names{delay.label(0).text(), delay.label(1).text(), delay.label(2).text()}),
              (Names{"90", "40", "299"}));
    delay.setCurrentGuitar(2); // a number that names no guitar keeps the current one
    EXPECT_EQ(delay.currentGuitar(), 0);

    engine.setDelayMix(1, 0.25f);
    delay.setCurrentGuitar(1);
    EXPECT_FLOAT_EQ(delay.knob(0).getValue(), 0.25f);
    // Both TEST buttons are the same size.
    EXPECT_EQ(library_test::areaOf(MenuSetupGuitarPatchView::areas(), Action::TestNoteGuitar1).size(),
              library_test::areaOf(MenuSetupGuitarPatchView::areas(), Action::TestNoteGuitar2).size());

    // Tap tempo, for guitar 1 again.
    delay.setCurrentGuitar(0);
    const Point tap = where(DelayEffect::kAreas, Control::Tap);
    EXPECT_FALSE(delay.tapTime().has_value());
    // After a wait, a tap: the delay time set, the taps counted and the time
    // shown. One tap sets nothing; the interval times the ring; the average
    // of the intervals; too late, a new run; exactly a second still counts,
    // the whole ring.
    const std::tuple<double, int, int, const char*> taps[] = {{0, 26460, 0, "299"},
                                                              {0.5, 44200, 1, "500"},
                                                              {0.25, 33150, 2, "375"},
                                                              {1.5, 33150, 0, "375"},
                                                              {1.0, 88400, 1, "1000"}};
    for (const auto& [after, time, count, shown] : taps) {
        clock.advance(after);
        delay.processTouches({down(1, tap)});
        EXPECT_EQ(engine.delayTime(0), time);
        EXPECT_EQ(delay.numberOfTaps(), count);
        EXPECT_EQ(delay.label(2).text(), shown);
    }
    EXPECT_EQ(engine.delayTime(1), 26460);
}
