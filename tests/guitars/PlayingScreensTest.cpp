// What the four playing screens share, checked through one table: the
// Plectrum menu (slide, shortcuts, guitar choice, Record and Play), the
// recording and play lights, the keyboard fingers (held at fixed points,
// delivered through the screens' own touch path, only while a screen is shown
// with its menu closed), and each screen in a headless window, where keys and
// touches arrive through the application.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "GuitarTestRig.h"
#include "guitars/HammerOnGuitarView.h"
#include "guitars/KeyFingers.h"
#include "guitars/ManualFretAndPluckGuitarView.h"
#include "guitars/ScaleGuitarView.h"
#include "guitars/TabGuitarView.h"
#include "storage/Tab.h"

using namespace guitartest;

namespace {

constexpr Point kPlectrum = {20, 20}, kGuitarButton = {30, 250}, kPlayButton = {30, 330},
                kRecordButton = {30, 400};

// One playing screen with its own engine, recorder and tab.
struct Screen {
    std::string name;
    Rig rig{false};
    Tab tab;
    std::unique_ptr<GuitarScreenView> view;
    std::function<std::vector<int>()> visited;
    // Something a touch could have changed besides the notes.
    std::function<std::string()> state;

    void tap(long id, Point p) { guitartest::tap(*view, id, p); }
    void openMenuAndTap(Point p) {
        tap(90, kPlectrum);
        tap(91, p);
    }
    // The recording light, the play light, and the Recorder Bar's lit Record
    // and Play buttons: "1" for each one lit.
    std::string lit() const {
        std::string out;
        for (const View* v :
             {&view->recordingLight(), &view->playingLight(), &view->recPressed(), &view->playPressed()})
            out += v->alpha() > 0 ? "1" : "0";
        return out;
    }
};

template <typename V, typename... Args> V* adopt(Screen& s, Args... args) {
    auto* v = new Navigating<V>(args...);
    s.view.reset(v);
    s.visited = [v] { return v->visited; };
    return v;
}

std::unique_ptr<Screen> makeScreen(const std::string& name) {
    auto s = std::make_unique<Screen>();
    s->name = name;
    SoundEngine* engine = &s->rig.engine;
    if (name == "manual" || name == "hammer") {
        FretboardGuitarView* v =
            name == "manual"
                ? static_cast<FretboardGuitarView*>(adopt<ManualFretAndPluckGuitarView>(*s, nullptr, engine))
                : adopt<HammerOnGuitarView>(*s, nullptr, engine);
        s->state = [v] {
            return std::to_string(v->leftmostFret()) + "/" + std::to_string(v->numFretsToShow());
        };
    } else if (name == "tab") {
        s->tab.addNotesToTab(0, "x32010");
        s->tab.addNotesToTab(1, "022100");
        Tab* tab = &s->tab;
        auto* v = adopt<TabGuitarView>(*s, nullptr, engine, tab);
        s->state = [v, tab] {
            return std::to_string(tab->currentTabIndex()) + "/" + std::to_string(v->holdPosition()) + "/" +
                   std::to_string(v->draggingKnob());
        };
        s->rig.strums = true;
        engine->setChordStrumSpeed(0);
    } else {
        auto* v = adopt<ScaleGuitarView>(*s, nullptr, engine);
        v->setCurrentScale(3); // Melodic Minor (asc)
        s->state = [v] { return std::to_string(v->currentKey()) + "/" + std::to_string(v->currentScale()); };
    }
    s->view->redraw();
    return s;
}

// Puts one note into the song, so that it can be played back.
void recordANote(Rig& rig) {
    rig.recorder.record();
    const int voice = rig.engine.playSampleWithGuitar(0, 10);
    rig.clock.advance(0.5);
    rig.engine.stopAndRecordSample(voice);
    rig.stopAndMerge();
}

std::vector<Key> allKeys() {
    std::vector<Key> keys;
    for (int k = static_cast<int>(Key::A); k <= static_cast<int>(Key::RightAlt); ++k)
        keys.push_back(static_cast<Key>(k));
    return keys;
}

struct KeyStep {
    Key k;
    bool isDown = true;
    Log heard = {};
    bool taken = true;
    bool shift = false;
    bool repeat = false;
    bool ctrl = false;
};
// Each screen, with a key that sounds a note on it and what its keys do
// (on the Manual Fret the mouse holds fret 3 of the D string meanwhile).
struct Case {
    const char* screen;
    Key fingerKey;
    std::vector<KeyStep> steps;
};
const Case kCases[] = {
    {"manual",
     Key::D,
     {{.k = Key::D, .heard = {"+15"}},
      {.k = Key::D, .repeat = true},
      {.k = Key::D, .isDown = false},
      {.k = Key::D, .isDown = false, .taken = false},
      {.k = Key::A, .taken = false, .ctrl = true}, // shortcuts are left alone
      {.k = Key::A, .heard = {"+2"}},
      {.k = Key::S, .heard = {"+7"}},
      {.k = Key::D, .heard = {"-15", "+15"}},
      {.k = Key::Space, .heard = {"-2", "-7", "-15"}},
      {.k = Key::J, .taken = false}}},
    {"hammer",
     Key::Z,
     {{.k = Key::Z, .heard = {"+2"}},
      {.k = Key::V, .heard = {"-2", "+5"}},
      {.k = Key::V, .isDown = false, .heard = {"-5", "+2@0.50"}},
      {.k = Key::W, .heard = {"+22"}, .shift = true},
      {.k = Key::Y, .taken = false}}},
    {"scale",
     Key::C,
     {{.k = Key::Z, .heard = {"+10"}},
      {.k = Key::Z, .isDown = false, .heard = {"-10"}},
      {.k = Key::A, .heard = {"+27"}},
      {.k = Key::Num1, .taken = false}}},
    {"tab",
     Key::D,
     {{.k = Key::J}, {.k = Key::S, .heard = {"+10"}}, {.k = Key::S, .isDown = false, .heard = {"-10"}}}},
};

} // namespace

TEST(PlayingScreens, MenuRecorderLightsAndKeyFingersOnEveryScreen) {
    const std::pair<float, int> shortcuts[] = {{10, 7},   {59.9f, 7}, {60, 8},   {153, 8},
                                               {154, 10}, {239, 10},  {240, 11}, {327, 11},
                                               {328, 15}, {418, 15},  {419, 16}, {479, 16}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.screen);
        std::unique_ptr<Screen> s = makeScreen(c.screen);
        GuitarScreenView& v = *s->view;
        s->tap(1, kPlectrum);
        EXPECT_TRUE(v.menuShowing());
        EXPECT_TRUE(v.recordMenuBar().isAnimating()) << "the menu slides in";
        s->tap(1, kPlectrum);
        EXPECT_FALSE(v.menuShowing());
        for (const auto& [y, screenNo] : shortcuts) {
            s->rig.recorder.record();
            s->openMenuAndTap({300, y});
            EXPECT_FALSE(v.menuShowing()) << y;
            ASSERT_FALSE(s->visited().empty());
            EXPECT_EQ(s->visited().back(), screenNo) << y;
            EXPECT_EQ(s->rig.engine.getRecorderState(), 0)
                << "the screen stops the recording before it leaves";
        }
        // The guitar INPUT button switches between the two guitars.
        s->openMenuAndTap(kGuitarButton);
        EXPECT_EQ(v.currentGuitar(), 1);
        EXPECT_EQ(v.guitarInputLabel().text(), "Guitar 2");
        s->tap(1, {30, 216});
        EXPECT_EQ(v.currentGuitar(), 0);
        s->tap(1, {30, 215}); // just outside the button
        EXPECT_EQ(v.currentGuitar(), 0);
        s->tap(1, kPlectrum);

        // Record closes the menu and lights up; a second press stops, the menu stays.
        s->openMenuAndTap(kRecordButton);
        ASSERT_FALSE(v.menuShowing());
        EXPECT_EQ(s->rig.engine.getRecorderState(), 2);
        EXPECT_EQ(s->lit(), "1010");
        s->openMenuAndTap(kRecordButton);
        EXPECT_EQ(s->rig.engine.getRecorderState(), 0);
        s->tap(1, kPlectrum);
        EXPECT_EQ(s->lit(), "0000");
        // Play leaves the menu open.
        recordANote(s->rig);
        s->openMenuAndTap(kPlayButton);
        EXPECT_EQ(s->rig.engine.getRecorderState(), 1);
        s->tap(1, kPlectrum);
        EXPECT_EQ(s->lit(), "0101");
        s->openMenuAndTap(kPlayButton);
        EXPECT_EQ(s->rig.engine.getRecorderState(), 0);
        s->tap(1, kPlayButton); // the menu is still open: plays again
        v.stopRecording();
        EXPECT_EQ(s->rig.engine.getRecorderState(), 0);
        v.playbackEnded();
        EXPECT_EQ(s->lit(), "0000");
        s->tap(1, kPlectrum);

        // The lights cover no control.
        s->rig.recorder.record();
        const Rect f = v.recordingLight().frame();
        EXPECT_EQ(f, v.playingLight().frame());
        const std::string before = s->state();
        long id = 10;
        for (float x = f.x + 0.5f; x < f.x + f.width; x += 2)
            for (float y = f.y + 0.5f; y < f.y + f.height; y += 2)
                s->tap(++id, {x, y});
        EXPECT_FALSE(v.menuShowing());
        EXPECT_EQ(s->state(), before);
        EXPECT_EQ(s->rig.fresh(), Log{});

        // Keys: left to others outside a window.
        EXPECT_FALSE(v.keyDown(key(c.fingerKey)));
        View window;
        window.addSubview(&v);
        if (s->name == "manual")
            hold(v, 1, {139, 232});
        for (const KeyStep& step : c.steps) {
            SCOPED_TRACE(static_cast<int>(step.k));
            KeyEvent e = key(step.k, step.shift);
            e.repeat = step.repeat;
            e.ctrl = step.ctrl;
            EXPECT_EQ(step.isDown ? v.keyDown(e) : v.keyUp(e), step.taken);
            s->rig.strum(); // playback passes run while recording
            EXPECT_EQ(s->rig.heard(), step.heard);
        }
        v.releaseKeyFingers();
        EXPECT_EQ(v.keyFingers().heldCount(), 0u);
        // A key held when the menu opens: with the menu open a key is not a
        // finger (it would land on the menu), but the held one's release is
        // still taken, and reaches no menu item.
        const std::size_t visits = s->visited().size();
        EXPECT_TRUE(v.keyDown(key(c.fingerKey)));
        s->tap(2, kPlectrum);
        ASSERT_TRUE(v.menuShowing());
        EXPECT_FALSE(v.keyDown(key(Key::H)));
        EXPECT_TRUE(v.keyUp(key(c.fingerKey)));
        EXPECT_EQ(v.keyFingers().heldCount(), 0u);
        EXPECT_EQ(s->visited().size(), visits);
        s->tap(2, kPlectrum);
        v.setUserInteractionEnabled(false); // a transition runs
        EXPECT_FALSE(v.keyDown(key(c.fingerKey)));
        v.setUserInteractionEnabled(true);
        v.removeFromSuperview();
        EXPECT_FALSE(v.keyDown(key(c.fingerKey)));
    }
}

TEST(PlayingScreens, APhraseRecordedFromTheMenuGoesIntoTheSong) {
    std::unique_ptr<Screen> s = makeScreen("manual");
    s->openMenuAndTap(kGuitarButton);
    s->tap(1, kRecordButton);
    hold(*s->view, 2, {27, 162});                             // fret 2 of the low E
    s->tap(3, {27, 440});                                     // pluck: guitar 2's sample 4
    s->view->processTouches({move(2, {57, 162}, {27, 162})}); // bend half a tone
    s->rig.clock.advance(0.5);
    s->tap(4, {83, 440});             // the open A
    s->openMenuAndTap(kRecordButton); // the menu stops both notes, then the recording
    s->rig.recorder.runPlaybackPass();
    s->rig.recorder.runPlaybackPass();
    EXPECT_EQ(s->rig.song(), (Log{"0.00 +52", "0.50 +55", "0.50 -", "0.50 -"}));
    const std::vector<PitchChange> bends = s->rig.recorder.pitchBends();
    ASSERT_EQ(bends.size(), 1u);
    EXPECT_EQ(bends[0].noteID(), s->rig.recorder.notes()[0].noteID());
    EXPECT_FLOAT_EQ(bends[0].pitch(), SoundEngine::kHalfBendPitch);
}

TEST(KeyFingerMaps, LeaveThePlatformKeysFreeAndLandWhereTheyShould) {
    const std::tuple<Key, bool, bool> reserved[] = {{Key::Up, true, true},       {Key::Up, false, false},
                                                    {Key::Keypad8, false, true}, {Key::F11, false, true},
                                                    {Key::Escape, false, true},  {Key::Return, false, true}};
    for (const auto& [k, shift, isReserved] : reserved)
        EXPECT_EQ(KeyFingers::isReservedByPlatform(k, shift), isReserved) << static_cast<int>(k);
    for (Key k : allKeys())
        for (bool shift : {false, true})
            if (KeyFingers::isReservedByPlatform(k, shift)) {
                EXPECT_FALSE(KeyFingers::manualFretPoint(k)) << static_cast<int>(k);
                EXPECT_FALSE(KeyFingers::hammerOnPoint(k, shift, 10, 42)) << static_cast<int>(k);
                EXPECT_FALSE(KeyFingers::scalePoint(k, 46)) << static_cast<int>(k);
            }
    for (auto screen :
         {KeyFingers::Screen::ManualFret, KeyFingers::Screen::HammerOn, KeyFingers::Screen::Scale})
        EXPECT_FALSE(KeyFingers::bindings(screen).empty());
    const Key row[6] = {Key::A, Key::S, Key::D, Key::F, Key::G, Key::H};
    for (int s = 0; s < 6; ++s) {
        const auto p = KeyFingers::manualFretPoint(row[s]);
        ASSERT_TRUE(p);
        EXPECT_EQ(FretboardGuitarView::getStringForCoord(*p), s);
        EXPECT_GT(p->y, 394) << "over the pickup";
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

TEST(PlayingScreens, InAWindowKeysAndTouchesArrive) {
    Window w;
    const std::tuple<const char*, Key, bool, Log> cases[] = {
        {"manual", Key::D, false, {"+15"}},
        {"hammer", Key::W, true, {"+22"}}, // Shift: the B string
        {"tab", Key::D, false, {"+10", "+14", "+17", "+22", "+26"}},
        {"scale", Key::C, false, {"+13"}}};
    for (const auto& [name, k, shift, heard] : cases) {
        SCOPED_TRACE(name);
        std::unique_ptr<Screen> s = makeScreen(name);
        GuitarScreenView& v = *s->view;
        w.app->rootView().addSubview(&v);
        w.turn(2);
        // A key and the mouse through the application's routing: on the
        // Manual Fret the mouse holds fret 3 of the D string and bends it.
        s->rig.recorder.record();
        v.redrawOnRecPlayPresses();
        const bool manual = s->name == "manual";
        const Point mouse = manual ? Point{139, 232} : Point{150, 440};
        if (manual)
            w.app->injectTouch(1, TouchPhase::Began, mouse);
        w.press(k, true, shift);
        s->rig.strum(); // playback passes run while recording
        EXPECT_EQ(s->rig.heard(), heard);
        w.app->injectTouch(1, manual ? TouchPhase::Moved : TouchPhase::Began, {mouse.x + 31, mouse.y});
        w.turn(2);
        if (auto* board = dynamic_cast<FretboardGuitarView*>(&v)) {
            EXPECT_EQ(board->currentBendPosition(2), manual ? 3 : 0);
        }
        w.press(k, false, shift);
        w.app->injectTouch(1, TouchPhase::Ended, {mouse.x + 31, mouse.y});
        w.turn();
        EXPECT_EQ(v.keyFingers().heldCount(), 0u);
        // A note left ringing when the recording stops has no stop: the
        // next merge drops it, so that every start in the song has its stop.
        s->rig.recorder.stop();
        recordANote(s->rig);
        const std::vector<Note> song = s->rig.recorder.notes();
        EXPECT_EQ(2 * std::count_if(song.begin(), song.end(), [](const Note& n) { return n.keyDown(); }),
                  static_cast<long>(song.size()));
        s->rig.recorder.play();
        v.redrawOnRecPlayPresses();
        w.turn(2);
        // The menu, once its slide is over; keys are not taken meanwhile.
        w.app->injectTouch(2, TouchPhase::Began, kPlectrum);
        w.app->injectTouch(2, TouchPhase::Ended, kPlectrum);
        w.turn(30);
        EXPECT_TRUE(v.menuShowing());
        EXPECT_FALSE(v.recordMenuBar().isAnimating());
        w.press(k, true, shift);
        EXPECT_EQ(v.keyFingers().heldCount(), 0u);
        w.press(k, false, shift);
        v.removeFromSuperview();
    }
}
