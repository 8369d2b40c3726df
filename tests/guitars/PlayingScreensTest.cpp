// What the four playing screens share, checked through one table: the
// Plectrum menu (slide, shortcuts, guitar choice, Record and Play), the
// recording and play lights, the keyboard fingers (held at fixed points,
// delivered through the screens' own touch path, only while a screen is shown
// with its menu closed), and each screen in a headless window, where keys and
// touches arrive through the application.

#include <iterator>

#include "GuitarTestRig.h"
#include "guitars/HammerOnGuitarView.h"
#include "guitars/KeyFingers.h"
#include "guitars/ManualFretAndPluckGuitarView.h"
#include "guitars/ScaleGuitarView.h"
#include "guitars/TabGuitarView.h"
#include "midi/MidiOut.h"
#include "song/Tab.h"
#include "support/MidiLog.h"
#include "ui/ScreenCatalog.h"

using namespace guitartest;
using S = ScreenHost;

namespace {

constexpr Point kPlectrum = {20, 20}, kGuitarButton = {30, 250}, kPlayButton = {30, 330},
                kRecordButton = {30, 400};

// One playing screen with its own engine, recorder and tab.
struct Screen {
    int number;
    Rig rig{false};
    Tab tab;
    std::unique_ptr<GuitarScreenView> view;
    std::function<std::vector<int>()> visited;

    void tap(long id, Point p) { guitartest::tap(*view, id, p); }
    void openMenuAndTap(Point p) {
        tap(90, kPlectrum);
        tap(91, p);
    }
    // The recorder's state; the recording light, the play light, and the
    // Recorder Bar's lit Record and Play buttons ("1" for each one lit);
    // " menu" while the menu shows.
    std::string recorder() {
        std::string out = std::to_string(rig.recorder.getState()) + " ";
        for (const View* v :
             {&view->recordingLight(), &view->playingLight(), &view->recPressed(), &view->playPressed()})
            out += v->alpha() > 0 ? "1" : "0";
        return out + (view->menuShowing() ? " menu" : "");
    }
};

template <typename V, typename... Args> V* adopt(Screen& s, Args... args) {
    auto* v = new Navigating<V>(args...);
    s.view.reset(v);
    s.visited = [v] { return v->visited; };
    return v;
}

std::unique_ptr<Screen> makeScreen(int number) {
    auto s = std::make_unique<Screen>();
    s->number = number;
    Performer* engine = &s->rig.performer;
    if (number == S::kManualFretGuitar) {
        adopt<ManualFretAndPluckGuitarView>(*s, nullptr, engine);
    } else if (number == S::kHammerOnGuitar) {
        adopt<HammerOnGuitarView>(*s, nullptr, engine);
    } else if (number == S::kScaleGuitar) {
        adopt<ScaleGuitarView>(*s, nullptr, engine)->setCurrentScale(3); // Melodic Minor (asc)
    } else {
        s->tab.addNotesToTab(0, "x32010");
        s->tab.addNotesToTab(1, "022100");
        adopt<TabGuitarView>(*s, nullptr, engine, &s->tab);
        s->rig.strums = true;
        engine->setStrumSpeed(0);
    }
    s->view->redraw();
    return s;
}

// Puts one note into the song, so that it can be played back.
void recordANote(Rig& rig) {
    rig.recorder.record();
    const int voice = rig.performer.play(0, 10);
    rig.clock.advance(0.5);
    rig.performer.release(voice);
    rig.recorder.stop();
    rig.recorder.runPlaybackPass();
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
// Each screen, with a key that sounds a note on it (with Shift or not) and
// what it sounds through the application's routing, what goes out as MIDI
// with a channel per string, and what its keys do (on the Manual Fret the
// mouse holds fret 3 of the D string meanwhile).
struct Case {
    int screen;
    Key fingerKey;
    bool shift;
    Log heard, midi;
    std::vector<KeyStep> steps;
};
const Case kCases[] = {
    {S::kManualFretGuitar,
     Key::D,
     false,
     {"+15"},
     {"c3 bend 8192", "c3 on 53"}, // the D string over the mouse's fret 3
     {{.k = Key::D, .heard = {"+15"}},
      {.k = Key::D, .repeat = true},
      {.k = Key::D, .isDown = false},
      {.k = Key::D, .isDown = false, .taken = false},
      {.k = Key::A, .taken = false, .ctrl = true}, // shortcuts are left alone
      {.k = Key::A, .heard = {"+2"}},
      {.k = Key::D, .heard = {"-15", "+15"}},
      {.k = Key::Space, .heard = {"-2", "-15"}}}},
    {S::kHammerOnGuitar,
     Key::W,
     true, // Shift: the B string
     {"+22"},
     {"c5 bend 8192", "c5 on 60"},
     {{.k = Key::Z, .heard = {"+2"}},
      {.k = Key::V, .heard = {"-2", "+5"}},
      {.k = Key::V, .isDown = false, .heard = {"-5", "+2@0.50"}},
      {.k = Key::W, .heard = {"+22"}, .shift = true}}},
    {S::kScaleGuitar,
     Key::C,
     false,
     {"+13"},
     {"c3 bend 8192", "c3 on 51"}, // a note of no string: the string with the lowest fret takes it
     {{.k = Key::Z, .heard = {"+10"}},
      {.k = Key::Z, .isDown = false, .heard = {"-10"}},
      {.k = Key::A, .heard = {"+27"}},
      {.k = Key::Num1}}}, // past the last band: taken, flashes the strip's end, sounds nothing
    {S::kTabGuitar,
     Key::D,
     false,
     {"+2", "+9", "+14", "+18", "+21", "+26"}, // the second column by then: 022100
     {"c1 bend 8192", "c1 on 40", "c2 bend 8192", "c2 on 47", "c3 bend 8192", "c3 on 52", "c4 bend 8192",
      "c4 on 56", "c5 bend 8192", "c5 on 59", "c6 bend 8192", "c6 on 64"},
     {{.k = Key::J}, {.k = Key::S, .heard = {"+10"}}, {.k = Key::S, .isDown = false, .heard = {"-10"}}}},
};

} // namespace

TEST(PlayingScreens, MenuRecorderLightsKeyFingersAndTheWindowsRouting) {
    Window w;
    // A case for every playing screen there is.
    std::vector<int> playing, cased;
    for (const ScreenInfo& info : ScreenCatalog::all())
        if (info.kind == ScreenKind::Playing)
            playing.push_back(info.number);
    std::ranges::transform(kCases, std::back_inserter(cased), &Case::screen);
    std::ranges::sort(cased);
    EXPECT_EQ(cased, playing);
    const std::pair<float, int> shortcuts[] = {{59.9f, 7}, {60, 8},   {153, 8},  {154, 10}, {239, 10},
                                               {240, 11},  {327, 11}, {328, 15}, {418, 15}, {419, 16}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.screen);
        std::unique_ptr<Screen> s = makeScreen(c.screen);
        GuitarScreenView& v = *s->view;
        for (const auto& [y, screenNo] : shortcuts) {
            s->rig.recorder.record();
            s->openMenuAndTap({300, y});
            EXPECT_FALSE(v.menuShowing()) << y;
            ASSERT_FALSE(s->visited().empty());
            EXPECT_EQ(s->visited().back(), screenNo) << y;
            EXPECT_EQ(s->rig.recorder.getState(), 0) << "the screen stops the recording before it leaves";
        }
        // The guitar INPUT button switches between the two guitars.
        s->openMenuAndTap(kGuitarButton);
        EXPECT_EQ(v.currentGuitar(), 1);
        s->tap(1, {30, 216});
        EXPECT_EQ(v.currentGuitar(), 0);
        s->tap(1, kPlectrum);

        // Record closes the menu and lights up; a second press stops, the
        // menu stays. Play leaves the menu open.
        s->openMenuAndTap(kRecordButton);
        EXPECT_EQ(s->recorder(), "2 1010");
        s->openMenuAndTap(kRecordButton);
        EXPECT_EQ(s->recorder(), "0 0000 menu");
        s->tap(1, kPlectrum);
        recordANote(s->rig);
        s->openMenuAndTap(kPlayButton);
        EXPECT_EQ(s->recorder(), "1 0101 menu");
        s->tap(1, kPlectrum);
        s->openMenuAndTap(kPlayButton);
        v.playbackEnded();
        EXPECT_EQ(s->recorder(), "0 0000 menu");
        s->tap(1, kPlectrum);
        s->rig.recorder.record();

        // Keys: left to others outside a window.
        EXPECT_FALSE(v.keyDown(key(c.fingerKey)));
        w.app->rootView().addSubview(&v);
        w.turn(2);
        if (s->number == S::kManualFretGuitar)
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
        // still taken.
        EXPECT_TRUE(v.keyDown(key(c.fingerKey)));
        s->tap(2, kPlectrum);
        EXPECT_FALSE(v.keyDown(key(Key::H)));
        EXPECT_TRUE(v.keyUp(key(c.fingerKey)));
        EXPECT_EQ(v.keyFingers().heldCount(), 0u);
        s->tap(2, kPlectrum);
        v.setUserInteractionEnabled(false); // a transition runs
        EXPECT_FALSE(v.keyDown(key(c.fingerKey)));
        v.setUserInteractionEnabled(true);
        s->rig.heard();
        // A key and the mouse through the application's routing, heard and
        // sent out as MIDI at once on the sounding string's channel: on the
        // Manual Fret the mouse holds fret 3 of the D string and bends it, a
        // bend on the note's channel; a tilt of the wah follows on every one.
        const bool manual = s->number == S::kManualFretGuitar;
        MidiOut out(s->rig.engine);
        testsupport::MidiLog port;
        port.velocities = false; // a strum's vary
        out.setSettings(MidiSettings{.channelPerString = true});
        out.setPorts(&port);
        s->rig.engine.setNoteListener(&out);
        s->rig.engine.setWahOn(0, true);
        View pad(Rect{0, 100, 320, 280}); // a plain view passes its touches up, in the screen's terms
        v.addSubview(&pad);
        const Point mouse = manual ? Point{139, 232} : Point{150, 440};
        if (manual)
            w.app->injectTouch(1, TouchPhase::Began, mouse);
        port.sent.clear();
        w.press(c.fingerKey, true, c.shift);
        s->rig.strum(); // playback passes run while recording
        EXPECT_EQ(s->rig.heard(), c.heard);
        EXPECT_EQ(port.sent, c.midi);
        const std::string on = c.midi[1], channel = on.substr(0, on.find(' '));
        port.sent.clear();
        s->rig.performer.accelerometerDidAccelerate(0.4, 0, -1);
        EXPECT_EQ(port.sent.size(), 6u);
        EXPECT_EQ(port.sent.empty() ? "" : port.sent.front(), "c1 cc 74 95");
        port.sent.clear();
        w.app->injectTouch(1, manual ? TouchPhase::Moved : TouchPhase::Began, {mouse.x + 31, mouse.y});
        w.turn(2);
        if (auto* board = dynamic_cast<FretboardGuitarView*>(&v)) {
            EXPECT_EQ(board->currentBendPosition(2), manual ? 3 : 0);
        }
        if (manual) {
            EXPECT_EQ(port.sent, Log{channel + " bend 12435"});
        }
        w.press(c.fingerKey, false, c.shift);
        w.app->injectTouch(1, TouchPhase::Ended, {mouse.x + 31, mouse.y});
        w.turn();
        s->rig.strum();
        EXPECT_EQ(v.keyFingers().heldCount(), 0u);
        if (c.screen != S::kTabGuitar) { // a strum rings on
            EXPECT_EQ(std::ranges::count(port.sent, channel + " off" + on.substr(on.find(" on") + 3)), 1)
                << "the key's note ends";
        }
        s->rig.engine.setNoteListener(nullptr);
        // The menu, once its slide is over.
        w.app->injectTouch(2, TouchPhase::Began, kPlectrum);
        w.turn(30);
        EXPECT_FALSE(v.recordMenuBar().isAnimating());
        pad.removeFromSuperview();
        v.removeFromSuperview();
    }
}

TEST(KeyFingerMaps, LeaveThePlatformKeysFreeAndLandWhereTheyShould) {
    EXPECT_TRUE(KeyFingers::isReservedByPlatform(Key::Up, true));
    EXPECT_FALSE(KeyFingers::isReservedByPlatform(Key::Up, false));
    for (int i = static_cast<int>(Key::A); i <= static_cast<int>(Key::RightAlt); ++i)
        for (const Key k = static_cast<Key>(i); bool shift : {false, true})
            if (KeyFingers::isReservedByPlatform(k, shift)) {
                EXPECT_FALSE(KeyFingers::manualFretPoint(k)) << static_cast<int>(k);
                EXPECT_FALSE(KeyFingers::hammerOnPoint(k, shift, 10, 42)) << static_cast<int>(k);
                EXPECT_FALSE(KeyFingers::scalePoint(k, 46)) << static_cast<int>(k);
            }
    EXPECT_EQ(KeyFingers::hammerOnStringAndRow(Key::Num0, false), (std::pair<int, int>{3, 9}));
    EXPECT_FALSE(KeyFingers::hammerOnPoint(Key::B, false, 4, 107)) << "fifth key, four frets";
}
