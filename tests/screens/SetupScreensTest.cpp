// The patch setup and application setup screens, without an application
// delegate (their touch areas are checked with every screen's): the patch change with its wait box against
// a real engine (no audio output; the tests render buffers themselves and run
// the UI thread's queue), the knobs, the test notes and the bend and whammy
// settings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "audio/SoundEngineParent.h"
#include "platform/ImageView.h"
#include "platform/Knob.h"
#include "platform/Label.h"
#include "platform/VolumeSlider.h"
#include "platform/core/Clock.h"
#include "platform/core/MainThreadQueue.h"
#include "screens/MenuAppSetupView.h"
#include "screens/MenuSetupGuitarPatchView.h"

namespace {

using Pair = MenuAppSetupView::GuitarPair;

Touch touch(long id, TouchPhase phase, Point at, Point previous = {}) {
    Touch t;
    t.id = id;
    t.phase = phase;
    t.location = at;
    t.previousLocation = previous;
    return t;
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

void writeWav(const std::string& path, int count, int16_t value) {
    auto le32 = [](std::vector<uint8_t>& b, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
    };
    auto le16 = [](std::vector<uint8_t>& b, uint16_t v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    };
    std::vector<uint8_t> b;
    const uint32_t dataBytes = uint32_t(count) * 2;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    le32(b, 36 + dataBytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    le32(b, 16);
    le16(b, 1);     // PCM
    le16(b, 1);     // mono
    le32(b, 44100); // rate
    le32(b, 88200); // bytes per second
    le16(b, 2);     // block align
    le16(b, 16);    // bits
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    le32(b, dataBytes);
    for (int i = 0; i < count; ++i)
        le16(b, uint16_t(value));
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// A real engine over a temporary bundle that holds only the open low E
// samples of the default patches (A2-3.wav for guitar 1, E2-3.wav for guitar
// 2), long enough to sound for seconds; every other sample file is missing.
class SetupScreens : public ::testing::Test {
protected:
    SetupScreens() {
        folder =
            std::filesystem::temp_directory_path() /
            ("strumwell-setup-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(folder);
        writeWav((folder / "A2-3.wav").string(), 44100 * 4, 10000);
        writeWav((folder / "E2-3.wav").string(), 44100 * 4, 10000);
        engine = std::make_unique<SoundEngine>(&parent, nullptr, nullptr, folder.string(), clock);
        engine->resetState();
    }
    ~SetupScreens() override {
        screen.reset();
        engine.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    MenuSetupGuitarPatchView& patchScreen() {
        if (!screen)
            screen = std::make_unique<MenuSetupGuitarPatchView>(nullptr, engine.get(), &parent.queue);
        return *screen;
    }

    // One buffer through the render callback, as the audio output would.
    void renderBuffer(int frames = 256) {
        std::vector<int16_t> out(size_t(frames) * 2);
        SoundEngine::callbackProcStereo(engine->callbackUserData(), out.data(), frames);
    }
    void advance(double seconds) {
        clock.advance(seconds);
        parent.queue.runPending();
    }
    void down(Point p) { patchScreen().touchesBegan({touch(1, TouchPhase::Began, p)}); }
    void move(Point from, Point to) { patchScreen().touchesMoved({touch(1, TouchPhase::Moved, to, from)}); }
    void up(Point p) { patchScreen().touchesEnded({touch(1, TouchPhase::Ended, p)}); }

    // Drags a finger from angle a0 to a1 (radians, clockwise from the +x axis
    // in view coordinates, y down) around a centre, in steps of 5 degrees.
    void drag(Point centre, double a0, double a1, double radius = 40) {
        const double step = (a1 > a0 ? 1 : -1) * 5.0 * M_PI / 180.0;
        const int steps = int(std::lround((a1 - a0) / step));
        auto at = [&](double a) {
            return Point{float(centre.x + radius * std::cos(a)), float(centre.y + radius * std::sin(a))};
        };
        Point previous = at(a0);
        down(previous);
        for (int i = 1; i <= steps; ++i) {
            const Point next = at(a0 + step * i);
            move(previous, next);
            previous = next;
        }
        up(previous);
    }

    std::filesystem::path folder;
    ManualClock clock;
    TestParent parent{clock};
    std::unique_ptr<SoundEngine> engine;
    std::unique_ptr<MenuSetupGuitarPatchView> screen;
};

} // namespace

// ---------------------------------------------------------------- settings

TEST(AppSetupSettings, CycleAndTexts) {
    EXPECT_EQ(MenuAppSetupView::nextSetting({false, false}), (Pair{true, false}));
    EXPECT_EQ(MenuAppSetupView::nextSetting({true, false}), (Pair{false, true}));
    EXPECT_EQ(MenuAppSetupView::nextSetting({false, true}), (Pair{true, true}));
    EXPECT_EQ(MenuAppSetupView::nextSetting({true, true}), (Pair{false, false}));
    EXPECT_EQ(MenuAppSetupView::settingText({false, false}), "Off");
    EXPECT_EQ(MenuAppSetupView::settingText({true, false}), "Guitar 1");
    EXPECT_EQ(MenuAppSetupView::settingText({false, true}), "Guitar 2");
    EXPECT_EQ(MenuAppSetupView::settingText({true, true}), "Guitar 1 + 2");
}

// ---------------------------------------------------------------- app setup

TEST_F(SetupScreens, AppSetupStepsBothGuitarsSwitches) {
    MenuAppSetupView app(nullptr, engine.get());
    EXPECT_EQ(app.stringBendsSettingLabel().text(), "Guitar 2");
    EXPECT_EQ(app.whammyBarSettingLabel().text(), "Guitar 2");
    EXPECT_EQ(app.titleLabel().text(), "Application Setup");
    EXPECT_EQ(app.stringBendsCaption().text(), "String Bends");
    EXPECT_EQ(app.whammyBarCaption().text(), "Whammy Bar");
    EXPECT_EQ(app.stringBendsSettingLabel().font().family, "Arial");

    // Four touches on the string-bend bar go round to where they started.
    const std::vector<std::pair<Pair, std::string>> bends = {{{true, true}, "Guitar 1 + 2"},
                                                             {{false, false}, "Off"},
                                                             {{true, false}, "Guitar 1"},
                                                             {{false, true}, "Guitar 2"}};
    for (const auto& [pair, text] : bends) {
        app.touchesBegan({touch(1, TouchPhase::Began, {120, 200})});
        EXPECT_EQ(engine->pitchBendOn(0), pair.guitar1);
        EXPECT_EQ(engine->pitchBendOn(1), pair.guitar2);
        EXPECT_EQ(app.stringBendsSettingLabel().text(), text);
        // The whammy bar is left alone.
        EXPECT_FALSE(engine->whammyBarAttached(0));
        EXPECT_TRUE(engine->whammyBarAttached(1));
    }

    app.touchesBegan({touch(1, TouchPhase::Began, {160, 300})});
    EXPECT_TRUE(engine->whammyBarAttached(0));
    EXPECT_TRUE(engine->whammyBarAttached(1));
    EXPECT_EQ(app.whammyBarSettingLabel().text(), "Guitar 1 + 2");
    EXPECT_EQ(app.stringBendsSettingLabel().text(), "Guitar 2");

    // Moves, lifts and touches on the border between the bars do nothing.
    app.touchesMoved({touch(1, TouchPhase::Moved, {160, 310}, {160, 300})});
    app.touchesEnded({touch(1, TouchPhase::Ended, {160, 310})});
    app.touchesBegan({touch(2, TouchPhase::Began, {146, 300})});
    EXPECT_EQ(app.whammyBarSettingLabel().text(), "Guitar 1 + 2");
    EXPECT_TRUE(engine->whammyBarAttached(0));

    // Changes made elsewhere (a loaded song) show on the next arrival.
    engine->setWhammyBarAttached(0, false);
    engine->setWhammyBarAttached(1, false);
    app.redraw();
    EXPECT_EQ(app.whammyBarSettingLabel().text(), "Off");
}

// ---------------------------------------------------------------- patch setup

TEST_F(SetupScreens, PatchScreenShowsTheEngineSettings) {
    engine->setGuitarVolume(0, 0.25f);
    engine->setGuitarVolume(1, 0.75f);
    engine->setGuitarSustain(0, 0.4f);
    MenuSetupGuitarPatchView& s = patchScreen();
    EXPECT_EQ(s.guitar1PatchName().text(), "Acoustic 2");
    EXPECT_EQ(s.guitar2PatchName().text(), "Electric 2");
    EXPECT_EQ(s.guitar1PatchName().font().family, "Arial");
    EXPECT_FLOAT_EQ(s.knob(0).getValue(), 0.25f);
    EXPECT_NEAR(s.knob(1).getValue(), 0.4f, 1e-5);
    EXPECT_FLOAT_EQ(s.knob(2).getValue(), 0.75f);
    EXPECT_NEAR(s.knob(3).getValue(), 0.7f, 1e-5);
    EXPECT_EQ(s.draggingKnob(), -1);
    EXPECT_EQ(s.testPatch1PlaylistNo(), -1);
    EXPECT_EQ(s.testPatch2PlaylistNo(), -1);
    EXPECT_FALSE(s.messageBoxShowing());
    EXPECT_EQ(s.messageBox().alpha(), 0.0f);
    EXPECT_EQ(s.messageBoxGreyout().alpha(), 0.0f);

    // Where things are.
    EXPECT_EQ(s.knob(0).x(), 155);
    EXPECT_EQ(s.knob(0).y(), 63);
    EXPECT_EQ(s.knob(1).y(), 144);
    EXPECT_EQ(s.knob(2).x(), 53);
    EXPECT_EQ(s.knob(3).y(), 144);
    EXPECT_EQ(s.knob(0).parent(), &s);
    EXPECT_FLOAT_EQ(s.messageBox().center().x, 160);
    EXPECT_FLOAT_EQ(s.messageBox().center().y, 240);
    EXPECT_EQ(s.messageBoxLabel().text(), "Please wait.\n\nLoading new\nguitar samples...");
    EXPECT_FLOAT_EQ(s.messageBoxGreyout().frame().width, 320);
    EXPECT_FLOAT_EQ(s.messageBoxGreyout().frame().height, 480);
    EXPECT_FLOAT_EQ(s.volumeControl().center().x, 221);
    EXPECT_FLOAT_EQ(s.volumeControl().center().y, 250);
    EXPECT_NEAR(s.volumeControl().alpha(), 0.8f, 1e-6);
    EXPECT_NEAR(s.volumeControl().frame().height, 215, 0.01); // turned a quarter turn
}

TEST_F(SetupScreens, PatchStepWaitsForTheEngineAndTheRenderedBuffer) {
    MenuSetupGuitarPatchView& s = patchScreen();
    down({160, 420}); // next patch of guitar 1
    up({160, 420});
    EXPECT_TRUE(s.messageBoxShowing());
    EXPECT_FLOAT_EQ(s.messageBox().alpha(), 1.0f);
    EXPECT_NEAR(s.messageBoxGreyout().alpha(), 0.7f, 1e-6);
    // The box is drawn before the samples are loaded.
    EXPECT_EQ(engine->patchNo(0), 1);

    // Touches on any control are ignored from now on.
    down({150, 200});
    EXPECT_EQ(s.testPatch1PlaylistNo(), -1);
    down({150, 50});
    EXPECT_EQ(s.draggingKnob(), -1);
    down({50, 420});

    advance(0.002);
    EXPECT_EQ(engine->patchNo(0), 2);
    EXPECT_EQ(engine->patchNo(1), 3); // the ignored touch on guitar 2's arrow did nothing
    EXPECT_TRUE(s.messageBoxShowing());

    // Time alone does not bring the screen back: a buffer must be rendered.
    advance(1.0);
    EXPECT_TRUE(s.messageBoxShowing());
    down({150, 200});
    EXPECT_EQ(s.testPatch1PlaylistNo(), -1);

    renderBuffer();
    advance(0); // the engine's message: the box goes 0.1 s later
    EXPECT_TRUE(s.messageBoxShowing());
    advance(0.05);
    EXPECT_TRUE(s.messageBoxShowing());
    advance(0.06);
    EXPECT_FALSE(s.messageBoxShowing());
    EXPECT_EQ(s.messageBox().alpha(), 0.0f);
    EXPECT_EQ(s.messageBoxGreyout().alpha(), 0.0f);
    EXPECT_EQ(s.guitar1PatchName().text(), "Electric 1");
    EXPECT_EQ(s.guitar2PatchName().text(), "Electric 2");

    // Touches work again.
    down({150, 50});
    EXPECT_EQ(s.draggingKnob(), 0);
    up({150, 50});
}

TEST_F(SetupScreens, PatchStepsWrapBothWays) {
    MenuSetupGuitarPatchView& s = patchScreen();
    auto step = [&](Point p) {
        down(p);
        up(p);
        advance(0.002);
        renderBuffer();
        advance(0);
        advance(0.2);
        ASSERT_FALSE(s.messageBoxShowing());
    };
    step({160, 280}); // guitar 1: 1 -> 0
    EXPECT_EQ(engine->patchNo(0), 0);
    EXPECT_EQ(s.guitar1PatchName().text(), "Acoustic 1");
    step({160, 280}); // 0 -> 4
    EXPECT_EQ(engine->patchNo(0), 4);
    EXPECT_EQ(s.guitar1PatchName().text(), "Clean Electric");
    step({160, 420}); // 4 -> 0
    EXPECT_EQ(engine->patchNo(0), 0);
    step({50, 420}); // guitar 2: 3 -> 4
    EXPECT_EQ(engine->patchNo(1), 4);
    step({50, 420}); // 4 -> 0
    EXPECT_EQ(engine->patchNo(1), 0);
    step({50, 280}); // 0 -> 4
    EXPECT_EQ(engine->patchNo(1), 4);
    EXPECT_EQ(s.guitar2PatchName().text(), "Clean Electric");
    EXPECT_EQ(engine->patchNo(0), 0);
}

TEST_F(SetupScreens, TurnTouchscreenBackOnCalledDirectly) {
    MenuSetupGuitarPatchView& s = patchScreen();
    down({50, 280});
    advance(0.002);
    EXPECT_EQ(engine->patchNo(1), 2);
    s.turnTouchscreenBackOn();
    advance(0.099);
    EXPECT_TRUE(s.messageBoxShowing());
    advance(0.002);
    EXPECT_FALSE(s.messageBoxShowing());
    EXPECT_EQ(s.guitar2PatchName().text(), "Electric 1");
}

TEST_F(SetupScreens, ScreenGoneBeforeItsDelayedCallsRunIsSafe) {
    patchScreen();
    down({160, 420});
    screen.reset(); // its delayed patch step is forgotten
    advance(0.01);
    EXPECT_EQ(engine->patchNo(0), 1);
}

TEST(SetupScreensWithoutEngine, TouchesChangeNothingAndLockNothing) {
    MenuAppSetupView app(nullptr, nullptr);
    MenuSetupGuitarPatchView patch(nullptr, nullptr);
    for (MenuScreenView* screen :
         {static_cast<MenuScreenView*>(&app), static_cast<MenuScreenView*>(&patch)}) {
        SCOPED_TRACE(typeid(*screen).name());
        EXPECT_EQ(screen->frame(), (Rect{0, 0, 320, 480}));
        // The corners and every control: nothing sounds, nothing breaks.
        for (Point p : {Point{300, 20}, Point{300, 460}, Point{120, 200}, Point{160, 420}, Point{150, 200}})
            screen->processTouches({touch(1, TouchPhase::Began, p), touch(1, TouchPhase::Ended, p)});
    }
    EXPECT_EQ(app.stringBendsSettingLabel().text(), "");
    // A patch step with no engine does not leave the screen locked.
    EXPECT_FALSE(patch.messageBoxShowing());
    patch.processTouches({touch(1, TouchPhase::Began, {150, 50})});
    EXPECT_EQ(patch.draggingKnob(), 0);
    EXPECT_EQ(patch.testPatch1PlaylistNo(), -1);
}

TEST_F(SetupScreens, KnobsSetTheEngineForTheirGuitar) {
    MenuSetupGuitarPatchView& s = patchScreen();
    // Guitar 1 volume: a quarter turn clockwise from the right of the knob
    // to below it raises 0.5 by 0.305.
    drag({155, 63}, 0, M_PI / 2);
    EXPECT_NEAR(engine->guitarVolume(0), 0.805f, 1e-4);
    EXPECT_FLOAT_EQ(s.knob(0).getValue(), engine->guitarVolume(0));
    EXPECT_FLOAT_EQ(engine->guitarVolume(1), 0.5f);
    EXPECT_EQ(s.draggingKnob(), -1);

    // Guitar 2 sustain: a quarter turn anticlockwise, from below the knob
    // to its right, lowers 0.7 by 0.305.
    drag({53, 144}, M_PI / 2, 0);
    EXPECT_NEAR(engine->guitarSustain(1), 0.395f, 1e-4);
    EXPECT_NEAR(engine->guitarSustain(0), 0.95f, 1e-4);

    // Guitar 1 sustain, limited to 1.
    drag({155, 144}, -M_PI / 4, M_PI / 4);
    EXPECT_NEAR(engine->guitarSustain(0), 1.0f, 1e-4);
    EXPECT_NEAR(s.knob(1).getValue(), 1.0f, 1e-4);

    // Guitar 2 volume, limited to 0.
    drag({53, 63}, M_PI / 2, -M_PI / 2);
    EXPECT_FLOAT_EQ(engine->guitarVolume(1), 0.0f);
    EXPECT_NEAR(engine->guitarVolume(0), 0.805f, 1e-4);

    // After the finger lifts, moving it turns nothing.
    move({93, 63}, {53, 103});
    EXPECT_FLOAT_EQ(engine->guitarVolume(1), 0.0f);

    // A finger that came down outside the knobs turns none.
    down({250, 100});
    move({250, 100}, {250, 120});
    up({250, 120});
    EXPECT_FLOAT_EQ(engine->guitarVolume(1), 0.0f);
    EXPECT_NEAR(engine->guitarVolume(0), 0.805f, 1e-4);
}

TEST_F(SetupScreens, TestNotesSoundUntilLiftedInsideOrSlidOut) {
    MenuSetupGuitarPatchView& s = patchScreen();
    // Guitar 1's note: sliding within the button keeps it, sliding out stops it.
    down({150, 200});
    const int voice1 = s.testPatch1PlaylistNo();
    ASSERT_GE(voice1, 0);
    EXPECT_TRUE(engine->voicePlaying(voice1));
    EXPECT_EQ(engine->voiceState(voice1).sampleNo, 2);
    move({150, 200}, {160, 230});
    EXPECT_EQ(s.testPatch1PlaylistNo(), voice1);
    move({160, 230}, {160, 250});
    EXPECT_EQ(s.testPatch1PlaylistNo(), -1);
    up({160, 250});

    // Guitar 2's note, held while the first one's release runs out.
    s.touchesBegan({touch(2, TouchPhase::Began, {80, 200})});
    const int voice2 = s.testPatch2PlaylistNo();
    ASSERT_GE(voice2, 0);
    EXPECT_EQ(engine->voiceState(voice2).sampleNo, 48 + 2);
    for (int i = 0; i < 400; ++i)
        renderBuffer();
    EXPECT_FALSE(engine->voicePlaying(voice1));
    EXPECT_TRUE(engine->voicePlaying(voice2));

    // Lifted inside its button, it stops.
    s.touchesEnded({touch(2, TouchPhase::Ended, {80, 210})});
    EXPECT_EQ(s.testPatch2PlaylistNo(), -1);
    for (int i = 0; i < 400; ++i)
        renderBuffer();
    EXPECT_FALSE(engine->voicePlaying(voice2));

    // Lifting inside a silent button does nothing.
    up({80, 210});
    EXPECT_EQ(s.testPatch2PlaylistNo(), -1);
}

TEST_F(SetupScreens, PatchStepSilencesAHeldTestNote) {
    MenuSetupGuitarPatchView& s = patchScreen();
    down({150, 200});
    const int voice = s.testPatch1PlaylistNo();
    ASSERT_GE(voice, 0);
    s.touchesBegan({touch(2, TouchPhase::Began, {50, 420})});
    advance(0.002);
    EXPECT_FALSE(engine->voicePlaying(voice));
    renderBuffer();
    advance(0);
    advance(0.2);
    EXPECT_FALSE(s.messageBoxShowing());
}

namespace {

// The screens with their corner buttons recorded instead of sent to a
// delegate.
class RecordingPatchScreen : public MenuSetupGuitarPatchView {
public:
    RecordingPatchScreen(SoundEngine* engine, MainThreadQueue* queue)
        : MenuSetupGuitarPatchView(nullptr, engine, queue) {}
    std::vector<MenuScreenView::Choice> performed;

protected:
    void perform(const Choice& choice) override { performed.push_back(choice); }
};

class RecordingAppScreen : public MenuAppSetupView {
public:
    explicit RecordingAppScreen(SoundEngine* engine) : MenuAppSetupView(nullptr, engine) {}
    std::vector<MenuScreenView::Choice> performed;

protected:
    void perform(const Choice& choice) override { performed.push_back(choice); }
};

} // namespace

TEST_F(SetupScreens, CornerButtonsGoBackAndOpenTheManual) {
    using Choice = MenuScreenView::Choice;
    RecordingPatchScreen patch(engine.get(), &parent.queue);
    patch.touchesBegan({touch(1, TouchPhase::Began, {300, 20})});
    patch.touchesBegan({touch(2, TouchPhase::Began, {300, 460})});
    // Lifting or moving over them does nothing; stationary touches are ignored.
    patch.touchesMoved({touch(1, TouchPhase::Moved, {301, 20}, {300, 20})});
    patch.touchesEnded({touch(1, TouchPhase::Ended, {301, 20})});
    patch.touchesBegan({touch(3, TouchPhase::Stationary, {300, 20})});
    ASSERT_EQ(patch.performed.size(), 2u);
    EXPECT_EQ(patch.performed[0], Choice::back());
    EXPECT_EQ(patch.performed[1], Choice::go(16));

    // While the patch box is up, not even the corner buttons answer.
    patch.touchesBegan({touch(4, TouchPhase::Began, {50, 420})});
    ASSERT_TRUE(patch.messageBoxShowing());
    patch.touchesBegan({touch(5, TouchPhase::Began, {300, 20})});
    EXPECT_EQ(patch.performed.size(), 2u);
    advance(0.002);
    renderBuffer();
    advance(0);
    advance(0.2);
    EXPECT_FALSE(patch.messageBoxShowing());
    patch.touchesBegan({touch(6, TouchPhase::Began, {300, 20})});
    EXPECT_EQ(patch.performed.size(), 3u);

    RecordingAppScreen app(engine.get());
    app.touchesBegan({touch(1, TouchPhase::Began, {300, 20}), touch(2, TouchPhase::Began, {300, 460})});
    ASSERT_EQ(app.performed.size(), 2u);
    EXPECT_EQ(app.performed[0], Choice::back());
    EXPECT_EQ(app.performed[1], Choice::go(16));
    // A corner touch leaves the settings alone.
    EXPECT_EQ(app.stringBendsSettingLabel().text(), "Guitar 2");
}

TEST_F(SetupScreens, SustainKnobOfGuitar1RedrawsTheScreen) {
    MenuSetupGuitarPatchView& s = patchScreen();
    // Changes made behind the screen's back show when guitar 1's sustain knob
    // turns (and on every arrival).
    engine->setGuitarVolume(1, 0.1f);
    drag({155, 144}, M_PI / 2, M_PI / 2 + M_PI / 18); // 10 degrees clockwise
    EXPECT_NEAR(engine->guitarSustain(0), 0.95f + 10 * 1.22f / 360, 1e-4);
    EXPECT_FLOAT_EQ(s.knob(2).getValue(), 0.1f);
}
