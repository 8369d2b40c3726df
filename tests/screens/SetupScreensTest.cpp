// The patch setup and application setup screens without an application
// delegate: the patch change with its wait box against a real engine (no
// audio output; the tests render buffers themselves and run the UI thread's
// queue), the knobs, the test notes and the bend and whammy settings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "audio/SoundEngine.h"
#include "audio/SoundEngineParent.h"
#include "platform/ImageView.h"
#include "platform/Knob.h"
#include "platform/Label.h"
#include "platform/core/Clock.h"
#include "platform/core/MainThreadQueue.h"
#include "screens/LibraryTestSupport.h"
#include "screens/MenuAppSetupView.h"
#include "screens/MenuSetupGuitarPatchView.h"
#include "ui/ScreenHost.h"

using library_test::inside;
using namespace testsupport;

namespace {

using Action = MenuSetupGuitarPatchView::Action;
using Choice = MenuScreenView::Choice;

Point at(Action a) {
    return inside(MenuSetupGuitarPatchView::areas(), a);
}

class TestParent : public SoundEngineParent {
public:
    explicit TestParent(const Clock& clock) : queue(clock) {}
    int currentGuitar() const override { return 0; }
    MainThreadQueue& mainThreadQueue() override { return queue; }
    void showAlert(const std::string&, const std::string&, bool) override {}
    void playbackEnded() override {}
    MainThreadQueue queue;
};

// Four seconds of a steady 16-bit mono sound at 44.1 kHz.
bool writeWav(const std::string& path) {
    const uint32_t count = 44100 * 4;
    const uint32_t header[] = {0x46464952, 36 + count * 2, 0x45564157, 0x20746d66, 16,       0x00010001,
                               44100,      88200,          0x00100002, 0x61746164, count * 2};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    const std::vector<int16_t> samples(count, 10000);
    out.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(count * 2));
    return out.good();
}

// The screens with their corner buttons recorded instead of sent to a delegate.
class RecordingPatchScreen : public MenuSetupGuitarPatchView {
public:
    using MenuSetupGuitarPatchView::MenuSetupGuitarPatchView;
    std::vector<Choice> performed;

protected:
    void perform(const Choice& choice) override { performed.push_back(choice); }
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
        parent.queue.runPending();
    }
    // A patch step through to the box going.
    void finishPatchStep() {
        advance(0.002);
        render();
        advance(0);
        advance(0.2);
        ASSERT_FALSE(s.messageBoxShowing());
    }
    // Whether the wait box is up, and how opaque it and its grey-out are.
    std::tuple<bool, float, float> box() const {
        return {s.messageBoxShowing(), s.messageBox().alpha(), s.messageBoxGreyout().alpha()};
    }
    void tap(Point p, long finger = 1) {
        s.touchesBegan({down(finger, p)});
        s.touchesEnded({up(finger, p)});
    }

    // Drags a finger around knob k from angle a0 to a1 (radians, clockwise
    // from the +x axis, y down) in steps of 5 degrees.
    void drag(int k, double a0, double a1) {
        const double step = (a1 > a0 ? 1 : -1) * 5.0 * M_PI / 180.0;
        auto around = [&](double a) {
            return Point{float(s.knob(k).x() + 40 * std::cos(a)), float(s.knob(k).y() + 40 * std::sin(a))};
        };
        s.touchesBegan({down(1, around(a0))});
        EXPECT_EQ(s.draggingKnob(), k);
        for (int i = 1; i <= std::lround((a1 - a0) / step); ++i)
            s.touchesMoved({move(1, around(a0 + step * i), around(a0 + step * (i - 1)))});
        s.touchesEnded({up(1, around(a1))});
    }

    TempFolder folder{"strumwell-setup"};
    // Written before the engine reads its bundle.
    const bool samples = writeWav(folder.file("A2-3.wav")) && writeWav(folder.file("E2-3.wav"));
    ManualClock clock;
    TestParent parent{clock};
    SoundEngine engine{&parent, nullptr, nullptr, folder.str(), clock};
    RecordingPatchScreen s{nullptr, &engine, &parent.queue};
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
                 {move(1, whammy, bends), {false, true, "Guitar 2", true, true, "Guitar 1 + 2"}},
                 {up(1, whammy), {false, true, "Guitar 2", true, true, "Guitar 1 + 2"}}};
    for (const auto& step : steps) {
        app.processTouches({step.touch});
        EXPECT_EQ(bars(), step.after);
    }
    // Changes made elsewhere (a loaded song) show on the next arrival.
    engine.setWhammyBarAttached(0, false);
    engine.setWhammyBarAttached(1, false);
    app.willAppear(ScreenHost::kSetupMenu, 0);
    EXPECT_EQ(app.whammyBarSettingLabel().text(), "Off");
}

TEST_F(SetupScreens, PatchStepWaitsForTheEngineAndTheRenderedBuffer) {
    // On arrival the screen shows the engine's settings.
    engine.setGuitarVolume(0, 0.25f);
    engine.setGuitarVolume(1, 0.75f);
    engine.setGuitarSustain(0, 0.4f);
    s.willAppear(ScreenHost::kSetupMenu, 0);
    EXPECT_EQ(s.guitar1PatchName().text() + ", " + s.guitar2PatchName().text(), "Acoustic 2, Electric 2");
    for (int k = 0; const float value : {0.25f, 0.4f, 0.75f, 0.7f})
        EXPECT_NEAR(s.knob(k++).getValue(), value, 1e-5);
    EXPECT_EQ(box(), std::make_tuple(false, 0.0f, 0.0f));

    tap(at(Action::NextPatchGuitar1));
    EXPECT_EQ(box(), std::make_tuple(true, 1.0f, 0.7f));
    EXPECT_EQ(s.messageBoxLabel().text(), MenuSetupGuitarPatchView::kMessageBoxText);
    EXPECT_EQ(engine.patchNo(0), 1); // the box is drawn before the samples are loaded
    // Touches on any control, the corners too, are ignored from now on.
    for (Point p : {at(Action::TestNoteGuitar1), at(Action::TurnGuitar1Volume), at(Action::NextPatchGuitar2),
                    Point{300, 20}})
        tap(p);
    EXPECT_EQ(s.testPatch1PlaylistNo(), -1);
    EXPECT_EQ(s.draggingKnob(), -1);
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
    EXPECT_EQ(box(), std::make_tuple(false, 0.0f, 0.0f));
    EXPECT_EQ(s.guitar1PatchName().text(), "Electric 1");
    EXPECT_TRUE(s.performed.empty());
    // Touches work again.
    tap({300, 20});
    EXPECT_EQ(s.performed, (std::vector<Choice>{Choice::back()}));
    s.touchesBegan({down(1, at(Action::TurnGuitar1Volume))});
    EXPECT_EQ(s.draggingKnob(), 0);
}

TEST_F(SetupScreens, PatchStepsWrapBothWays) {
    const struct {
        Action button;
        int guitar, patch;
    } steps[] = {
        {Action::PrevPatchGuitar1, 0, 0}, {Action::PrevPatchGuitar1, 0, 4}, {Action::NextPatchGuitar1, 0, 0},
        {Action::NextPatchGuitar2, 1, 4}, {Action::NextPatchGuitar2, 1, 0}, {Action::PrevPatchGuitar2, 1, 4},
    };
    for (const auto& step : steps) {
        tap(at(step.button));
        finishPatchStep();
        EXPECT_EQ(engine.patchNo(step.guitar), step.patch);
    }
    EXPECT_EQ(engine.patchNo(0), 0);
    EXPECT_EQ(s.guitar1PatchName().text() + ", " + s.guitar2PatchName().text(), "Acoustic 1, Clean Electric");
}

// With no engine nothing will render a buffer: once the step has run the
// screen turns its touchscreen back on by itself. A screen gone before its
// delayed step runs is forgotten safely.
TEST_F(SetupScreens, PatchStepWithoutAnEngineTurnsTheTouchscreenBackOn) {
    MenuSetupGuitarPatchView lone(nullptr, nullptr, &parent.queue);
    auto gone = std::make_unique<MenuSetupGuitarPatchView>(nullptr, &engine, &parent.queue);
    lone.touchesBegan({down(1, at(Action::NextPatchGuitar1))});
    gone->touchesBegan({down(1, at(Action::NextPatchGuitar1))});
    gone.reset();
    EXPECT_TRUE(lone.messageBoxShowing());
    advance(0.002);
    EXPECT_TRUE(lone.messageBoxShowing());
    EXPECT_EQ(engine.patchNo(0), 1);
    advance(0.1);
    EXPECT_FALSE(lone.messageBoxShowing());
    lone.touchesBegan({down(2, at(Action::TurnGuitar2Sustain))});
    EXPECT_EQ(lone.draggingKnob(), MenuSetupGuitarPatchView::kGuitar2Sustain);
}

TEST_F(SetupScreens, KnobsSetTheEngineForTheirGuitar) {
    const struct {
        int knob;
        double from, to;
        float (SoundEngine::*value)(int) const;
        int guitar;
        float expected;
    } drags[] = {
        {0, 0, M_PI / 2, &SoundEngine::guitarVolume, 0, 0.805f},        // a quarter turn clockwise
        {3, M_PI / 2, 0, &SoundEngine::guitarSustain, 1, 0.395f},       // and anticlockwise
        {1, -M_PI / 4, M_PI / 4, &SoundEngine::guitarSustain, 0, 1.0f}, // limited to 1
        {2, M_PI / 2, -M_PI / 2, &SoundEngine::guitarVolume, 1, 0.0f},  // limited to 0
    };
    for (const auto& d : drags) {
        drag(d.knob, d.from, d.to);
        EXPECT_NEAR((engine.*d.value)(d.guitar), d.expected, 1e-4);
        EXPECT_NEAR(s.knob(d.knob).getValue(), d.expected, 1e-4);
        EXPECT_EQ(s.draggingKnob(), -1);
    }
    EXPECT_NEAR(engine.guitarVolume(0), 0.805f, 1e-4);
    // After the finger lifts, or from a finger that came down outside the
    // knobs, moving turns nothing.
    s.touchesMoved({move(1, {53, 103}, {93, 63})});
    s.touchesBegan({down(1, {250, 100})});
    s.touchesMoved({move(1, {250, 120}, {250, 100})});
    s.touchesEnded({up(1, {250, 120})});
    EXPECT_FLOAT_EQ(engine.guitarVolume(1), 0.0f);
    EXPECT_NEAR(engine.guitarVolume(0), 0.805f, 1e-4);
    // Guitar 1's sustain knob redraws the screen with changes made behind its back.
    engine.setGuitarVolume(1, 0.1f);
    drag(1, M_PI / 2, M_PI / 2 + M_PI / 18);
    EXPECT_FLOAT_EQ(s.knob(2).getValue(), 0.1f);
}

TEST_F(SetupScreens, TestNotesSoundUntilLiftedInsideOrSlidOut) {
    // Guitar 1's note: sliding within the button keeps it, sliding out stops it.
    const Point note1 = at(Action::TestNoteGuitar1);
    s.touchesBegan({down(1, note1)});
    const int voice1 = s.testPatch1PlaylistNo();
    ASSERT_GE(voice1, 0);
    EXPECT_EQ(engine.voiceState(voice1).sampleNo, MenuSetupGuitarPatchView::kTestSampleNo);
    s.touchesMoved({move(1, {note1.x + 2, note1.y + 2}, note1)});
    EXPECT_EQ(s.testPatch1PlaylistNo(), voice1);
    const Point out{
        note1.x, library_test::areaOf(MenuSetupGuitarPatchView::areas(), Action::TestNoteGuitar1).maxY() + 5};
    s.touchesMoved({move(1, out, note1)});
    EXPECT_EQ(s.testPatch1PlaylistNo(), -1);
    s.touchesEnded({up(1, out)});
    // Guitar 2's note, held while the first one's release runs out; lifted
    // inside its button, it stops.
    const Point note2 = at(Action::TestNoteGuitar2);
    s.touchesBegan({down(2, note2)});
    const int voice2 = s.testPatch2PlaylistNo();
    ASSERT_GE(voice2, 0);
    EXPECT_EQ(engine.voiceState(voice2).sampleNo, 48 + MenuSetupGuitarPatchView::kTestSampleNo);
    render(400);
    EXPECT_FALSE(engine.voicePlaying(voice1));
    EXPECT_TRUE(engine.voicePlaying(voice2));
    s.touchesEnded({up(2, note2)});
    EXPECT_EQ(s.testPatch2PlaylistNo(), -1);
    render(400);
    EXPECT_FALSE(engine.voicePlaying(voice2));
    // A patch step silences a held note.
    s.touchesBegan({down(1, note1)});
    const int voice = s.testPatch1PlaylistNo();
    ASSERT_GE(voice, 0);
    s.touchesBegan({down(2, at(Action::NextPatchGuitar2))});
    advance(0.002);
    EXPECT_FALSE(engine.voicePlaying(voice));
    finishPatchStep();
}
