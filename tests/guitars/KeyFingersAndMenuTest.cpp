// Keys as fingers (held at fixed points, delivered through the screens' own
// touch path, only while a screen is shown with its menu closed) and the
// Plectrum menu's shortcuts, guitar choice and recorder buttons.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "GuitarTestRig.h"
#include "guitars/HammerOnGuitarView.h"
#include "guitars/KeyFingers.h"
#include "guitars/ManualFretAndPluckGuitarView.h"
#include "guitars/ScaleGuitarView.h"
#include "guitars/TabGuitarSetupView.h"
#include "guitars/TabGuitarView.h"
#include "storage/Tab.h"

using namespace guitartest;

namespace {

KeyEvent key(Key k, bool shift = false) {
    KeyEvent e;
    e.key = k;
    e.shift = shift;
    return e;
}

KeyEvent repeated(Key k) {
    KeyEvent e = key(k);
    e.repeat = true;
    return e;
}

// A screen that notes where its shortcuts lead instead of asking a delegate.
template <typename Screen> class Navigating : public Screen {
public:
    using Screen::Screen;
    std::vector<int> visited;

protected:
    void goToScreen(int screenNo) override { visited.push_back(screenNo); }
};

std::vector<Key> allKeys() {
    std::vector<Key> keys;
    for (int k = static_cast<int>(Key::A); k <= static_cast<int>(Key::RightAlt); ++k)
        keys.push_back(static_cast<Key>(k));
    return keys;
}

} // namespace

TEST(KeyFingerMaps, LeaveThePlatformKeysFree) {
    for (Key k : allKeys()) {
        for (bool shift : {false, true}) {
            if (!KeyFingers::isReservedByPlatform(k, shift))
                continue;
            EXPECT_FALSE(KeyFingers::manualFretPoint(k)) << static_cast<int>(k);
            EXPECT_FALSE(KeyFingers::hammerOnPoint(k, shift, 10, 42)) << static_cast<int>(k);
            EXPECT_FALSE(KeyFingers::scalePoint(k, 46)) << static_cast<int>(k);
        }
    }
    EXPECT_TRUE(KeyFingers::isReservedByPlatform(Key::Up, true));
    EXPECT_FALSE(KeyFingers::isReservedByPlatform(Key::Up, false));
    EXPECT_TRUE(KeyFingers::isReservedByPlatform(Key::Keypad8, false));
    EXPECT_TRUE(KeyFingers::isReservedByPlatform(Key::F11, false));
    EXPECT_TRUE(KeyFingers::isReservedByPlatform(Key::Escape, false));
    EXPECT_TRUE(KeyFingers::isReservedByPlatform(Key::Return, false));
    for (auto screen :
         {KeyFingers::Screen::ManualFret, KeyFingers::Screen::HammerOn, KeyFingers::Screen::Scale})
        EXPECT_FALSE(KeyFingers::bindings(screen).empty());
}

TEST(KeyFingerMaps, PointsLandWhereTheyShould) {
    for (int s = 0; s < 6; ++s) {
        const Key k = std::vector<Key>{Key::A, Key::S, Key::D, Key::F, Key::G, Key::H}[s];
        const auto p = KeyFingers::manualFretPoint(k);
        ASSERT_TRUE(p);
        EXPECT_EQ(FretboardGuitarView::getStringForCoord(*p), s);
        EXPECT_GT(p->y, 394);
    }
    EXPECT_EQ(KeyFingers::hammerOnStringAndRow(Key::Z, false), (std::pair<int, int>{0, 0}));
    EXPECT_EQ(KeyFingers::hammerOnStringAndRow(Key::Num0, false), (std::pair<int, int>{3, 9}));
    EXPECT_EQ(KeyFingers::hammerOnStringAndRow(Key::Num1, true), (std::pair<int, int>{5, 0}));
    EXPECT_EQ(KeyFingers::hammerOnStringAndRow(Key::Minus, false), (std::pair<int, int>{-1, -1}));
    EXPECT_FALSE(KeyFingers::hammerOnPoint(Key::B, false, 4, 107)) << "fifth key, four frets";
    // Every band of every scale in every key gets exactly its own note.
    for (int n = 1; n <= 46; ++n) {
        std::set<int> bands;
        for (Key k : allKeys()) {
            const int band = KeyFingers::scaleBand(k);
            const auto p = KeyFingers::scalePoint(k, n);
            if (band < 0 || band >= n) {
                EXPECT_FALSE(p);
                continue;
            }
            ASSERT_TRUE(p) << n << " " << band;
            const int percent = static_cast<int>(p->y * 100.0f / 480.0f);
            EXPECT_EQ(static_cast<int>(n * percent / 100.0), band) << n;
            bands.insert(band);
        }
        EXPECT_EQ(static_cast<int>(bands.size()), std::min(n, 45));
    }
}

TEST(KeyFingerScreens, ManualFretPlucksWhileShown) {
    Rig rig;
    View window;
    ManualFretAndPluckGuitarView screen(nullptr, &rig.engine);
    screen.redraw();
    // Not in a window: keys are left to others.
    EXPECT_FALSE(screen.keyDown(key(Key::A)));
    window.addSubview(&screen);
    screen.processTouches({down(1, {139, 232})}); // the mouse holds fret 3 of string 2
    EXPECT_TRUE(screen.keyDown(key(Key::D)));
    EXPECT_TRUE(screen.keyDown(repeated(Key::D)));
    EXPECT_EQ(rig.fresh(), (Log{"+15"}));
    EXPECT_TRUE(screen.keyUp(key(Key::D)));
    EXPECT_FALSE(screen.keyUp(key(Key::D)));
    EXPECT_EQ(rig.fresh(), Log{});
    // A strum from the keys, low to high.
    for (Key k : {Key::A, Key::S, Key::D}) {
        screen.keyDown(key(k));
        screen.keyUp(key(k));
    }
    EXPECT_EQ(rig.fresh(), (Log{"+2", "+7", "-15", "+15"}));
    screen.keyDown(key(Key::Space));
    screen.keyUp(key(Key::Space));
    EXPECT_EQ(rig.fresh(), (Log{"-2", "-7", "-15"}));
    EXPECT_FALSE(screen.keyDown(key(Key::J)));
    KeyEvent withCtrl = key(Key::A);
    withCtrl.ctrl = true;
    EXPECT_FALSE(screen.keyDown(withCtrl)) << "shortcuts are left alone";
}

TEST(KeyFingerScreens, KeysStayOffTheMenuAndOffHiddenScreens) {
    Rig rig;
    View window;
    Navigating<ManualFretAndPluckGuitarView> screen(nullptr, &rig.engine);
    screen.redraw();
    window.addSubview(&screen);
    // H held (its finger on the high E over the pickup) when the menu opens.
    EXPECT_TRUE(screen.keyDown(key(Key::H)));
    screen.processTouches({down(1, {20, 20}), up(1, {20, 20})});
    ASSERT_TRUE(screen.menuShowing());
    rig.fresh();
    // With the menu open a key is not a finger: H would land on the manual
    // shortcut.
    EXPECT_FALSE(screen.keyDown(key(Key::G)));
    EXPECT_TRUE(screen.keyUp(key(Key::H)));
    EXPECT_TRUE(screen.visited.empty());
    EXPECT_EQ(rig.fresh(), Log{});
    EXPECT_EQ(screen.keyFingers().heldCount(), 0u);
    screen.processTouches({down(2, {20, 20}), up(2, {20, 20})});
    screen.setUserInteractionEnabled(false); // a transition runs
    EXPECT_FALSE(screen.keyDown(key(Key::A)));
    screen.setUserInteractionEnabled(true);
    screen.removeFromSuperview();
    EXPECT_FALSE(screen.keyDown(key(Key::A)));
}

TEST(KeyFingerScreens, HammerOnRowsHoldFrets) {
    Rig rig;
    View window;
    HammerOnGuitarView screen(nullptr, &rig.engine);
    screen.redraw();
    window.addSubview(&screen);
    EXPECT_TRUE(screen.keyDown(key(Key::Z))); // low E, zeroth fret
    EXPECT_TRUE(screen.keyDown(key(Key::V))); // low E, fret 3
    EXPECT_EQ(rig.fresh(), (Log{"+2", "-2", "+5"}));
    EXPECT_TRUE(screen.keyUp(key(Key::V)));
    EXPECT_EQ(rig.fresh(), (Log{"-5", "+2@0.50"}));
    EXPECT_TRUE(screen.keyDown(key(Key::W, true))); // Shift: the B string, fret 1
    EXPECT_EQ(rig.fresh(), (Log{"+22"}));
    EXPECT_FALSE(screen.keyDown(key(Key::Y))) << "sixth key with five frets shown";
    screen.releaseKeyFingers();
    EXPECT_EQ(rig.fresh(), (Log{"-22", "-2"}));
    EXPECT_EQ(screen.keyFingers().heldCount(), 0u);
}

TEST(KeyFingerScreens, ScaleRowsPlayBands) {
    Rig rig;
    View window;
    ScaleGuitarView screen(nullptr, &rig.engine);
    screen.redraw();
    window.addSubview(&screen);
    // Blues in C: 19 notes; the A row starts at the eleventh, sample 29.
    EXPECT_TRUE(screen.keyDown(key(Key::Z)));
    EXPECT_EQ(rig.fresh(), (Log{"+10"}));
    EXPECT_TRUE(screen.keyUp(key(Key::Z)));
    EXPECT_EQ(rig.fresh(), (Log{"-10"}));
    EXPECT_TRUE(screen.keyDown(key(Key::A)));
    EXPECT_EQ(rig.fresh(), (Log{"+29"}));
    EXPECT_TRUE(screen.keyUp(key(Key::A)));
    EXPECT_FALSE(screen.keyDown(key(Key::Num1))) << "the number row starts at the 34th note";
    EXPECT_EQ(screen.currentNoteLabel().text(), "");
}

// One screen with the Plectrum menu, seen the same way whichever it is.
struct MenuScreen {
    std::string name;
    std::unique_ptr<FingerView> view;
    std::function<bool()> menuShowing;
    std::function<std::vector<int>()> visited;
    std::function<float()> veilAlpha;
    bool stopsRecordingToLeave;
};

template <typename Screen, typename... Args>
MenuScreen menuScreen(std::string name, bool playing, Args... args) {
    auto screen = std::make_unique<Navigating<Screen>>(args...);
    Navigating<Screen>* s = screen.get();
    return {std::move(name),
            std::move(screen),
            [s] { return s->menuShowing(); },
            [s] { return s->visited; },
            [s] { return s->greyout().alpha(); },
            playing};
}

TEST(PlectrumMenu, EveryScreenOpensClosesAndLeavesByTheTopMenuBar) {
    Rig rig(false);
    Tab tab;
    std::vector<MenuScreen> screens;
    screens.push_back(menuScreen<ManualFretAndPluckGuitarView>("manual fret", true, nullptr, &rig.engine));
    screens.push_back(menuScreen<HammerOnGuitarView>("hammer-on", true, nullptr, &rig.engine));
    screens.push_back(menuScreen<ScaleGuitarView>("scale", true, nullptr, &rig.engine));
    screens.push_back(menuScreen<TabGuitarView>("tab guitar", true, nullptr, &rig.engine, &tab));
    screens.push_back(menuScreen<TabGuitarSetupView>("tab editor", false, nullptr, &rig.engine, &tab));
    const std::vector<std::pair<float, int>> shortcuts = {{10, 7},   {59.9f, 7}, {60, 8},   {153, 8},
                                                          {154, 10}, {239, 10},  {240, 11}, {327, 11},
                                                          {328, 15}, {418, 15},  {419, 16}, {479, 16}};
    for (MenuScreen& screen : screens) {
        SCOPED_TRACE(screen.name);
        auto tap = [&](Point p) { screen.view->processTouches({down(9, p), up(9, p)}); };
        tap({20, 20});
        EXPECT_TRUE(screen.menuShowing());
        EXPECT_FLOAT_EQ(screen.veilAlpha(), 0.8f);
        tap({20, 20});
        EXPECT_FALSE(screen.menuShowing());
        EXPECT_FLOAT_EQ(screen.veilAlpha(), 0);
        for (const auto& [y, screenNo] : shortcuts) {
            rig.recorder.record();
            tap({20, 20});
            tap({300, y});
            EXPECT_FALSE(screen.menuShowing()) << y;
            ASSERT_FALSE(screen.visited().empty());
            EXPECT_EQ(screen.visited().back(), screenNo) << y;
            EXPECT_EQ(rig.engine.getRecorderState(), screen.stopsRecordingToLeave ? 0 : 2)
                << "a playing screen stops the recording before it leaves";
            rig.recorder.stop();
        }
    }
}

TEST(PlectrumMenu, GuitarChoicePlayAndRecordButtons) {
    Rig rig(false);
    ManualFretAndPluckGuitarView screen(nullptr, &rig.engine);
    screen.redraw();
    auto tap = [&](Point p) { screen.processTouches({down(9, p), up(9, p)}); };
    EXPECT_EQ(screen.guitarInputLabel().text(), "Guitar 1");
    tap({20, 20});
    EXPECT_TRUE(screen.recordMenuBar().isAnimating()) << "the menu slides in";
    tap({30, 250});
    EXPECT_EQ(screen.currentGuitar(), 1);
    EXPECT_EQ(screen.guitarInputLabel().text(), "Guitar 2");
    tap({30, 216});
    EXPECT_EQ(screen.currentGuitar(), 0);
    tap({30, 215}); // just outside the button
    EXPECT_EQ(screen.currentGuitar(), 0);
    tap({20, 20}); // close; record a note on guitar 2
    tap({20, 20});
    tap({30, 250});
    tap({30, 400}); // record
    EXPECT_FALSE(screen.menuShowing());
    screen.processTouches({down(1, {27, 440}), up(1, {27, 440})});
    tap({20, 20});
    tap({30, 400}); // stop
    rig.recorder.runPlaybackPass();
    rig.recorder.runPlaybackPass();
    ASSERT_FALSE(rig.recorder.notes().empty());
    EXPECT_EQ(rig.recorder.notes()[0].sampleNo(), 48 + 2) << "guitar 2's slots";

    // Play with an empty song would stop at once; with a song it plays, and
    // the menu stays open.
    tap({30, 320});
    EXPECT_TRUE(screen.menuShowing());
    EXPECT_EQ(rig.engine.getRecorderState(), 1);
    EXPECT_EQ(screen.playPressed().alpha(), 1.0f);
    EXPECT_EQ(screen.recPressed().alpha(), 0.0f);
    tap({30, 320});
    EXPECT_EQ(rig.engine.getRecorderState(), 0);
    EXPECT_EQ(screen.playPressed().alpha(), 0.0f);
    tap({30, 320});
    screen.stopRecording();
    EXPECT_EQ(rig.engine.getRecorderState(), 0);
    screen.playbackEnded();
    EXPECT_EQ(screen.playPressed().alpha(), 0.0f);
}
