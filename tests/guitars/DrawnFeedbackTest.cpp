// What the playing screens show for what the user does, as drawn: a pluck
// lights its string until it has rung out, the tilt gauge follows the virtual
// tilt, rests without frames and marks a song that overrules it, held frets, the scale strip and the tab
// editor's position stands where the touches act, and its
// controls darken while held.

#include <set>
#include <sstream>

#include "GuitarTestRig.h"
#include "guitars/HammerOnGuitarView.h"
#include "guitars/ManualFretAndPluckGuitarView.h"
#include "guitars/ScaleGuitarView.h"
#include "guitars/TabGuitarSetupView.h"
#include "midi/MidiLink.h"
#include "screens/InAppSupport.h"
#include "song/Tab.h"

using namespace guitartest;

namespace {

// The window's frame after `seconds`; at() finds a point of the (sideways) view in it.
struct Picture {
    Picture(Application& app, ManualClock& clock, double seconds) {
        clock.advance(seconds);
        app.runFrames(1);
        px = app.captureLandscape(&w, &h);
    }
    std::vector<std::uint8_t> px;
    int w = 0, h = 0;
    bool operator==(const Picture& o) const { return px == o.px; }
    std::uint32_t at(Point p) const {
        const int s = w / 480;
        const auto i =
            (static_cast<std::size_t>((320 - p.x) * s) * w + static_cast<std::size_t>(p.y * s)) * 4;
        return px[i] | px[i + 1] << 8 | px[i + 2] << 16;
    }
};
Picture shot(Window& w, double seconds = 1.0 / 60) {
    return {*w.app, w.clock, seconds};
}
// How many of twelve points along string s (from y = 120 to the bridge) differ.
int changedAlong(const Picture& a, const Picture& b, int s) {
    int n = 0;
    for (float y = 120; y < 470; y += 30)
        n += a.at({FretboardGuitarView::stringX(s), y}) != b.at({FretboardGuitarView::stringX(s), y});
    return n;
}

} // namespace

TEST(DrawnFeedback, APluckOrStrumLightsItsStringsUntilTheyHaveRungOut) {
    Window w;
    Rig rig(false);
    ManualFretAndPluckGuitarView manual(nullptr, &rig.performer);
    HammerOnGuitarView hammer(nullptr, &rig.performer);
    struct Case {
        FretboardGuitarView* view;
        std::vector<Point> path; // a finger down at the first point, moved along the others
        std::vector<int> lit;
    };
    const Case cases[] = {{&manual, {{27, 440}}, {0}},
                          {&manual, {{83, 440}, {139, 440}, {194, 440}}, {1, 2, 3}}, // a strum
                          {&hammer, {{248, 70}}, {4}}}; // the zeroth fret: the open string
    for (const Case& c : cases) {
        c.view->redraw();
        w.app->rootView().addSubview(c.view);
        const Picture rest = shot(w);
        hold(*c.view, 1, c.path[0]);
        for (std::size_t i = 1; i < c.path.size(); ++i)
            c.view->processTouches({move(1, c.path[i], c.path[i - 1])});
        const Picture lit = shot(w);
        for (int s = 0; s < 6; ++s) {
            const bool shouldLight = std::count(c.lit.begin(), c.lit.end(), s) > 0;
            EXPECT_EQ(changedAlong(rest, lit, s) > 8, shouldLight) << "string " << s;
        }
        EXPECT_TRUE(shot(w, 0.5) != lit) << "fading";
        lift(*c.view, 1, c.path.back());
        EXPECT_TRUE(shot(w, FretboardGuitarView::kRingSeconds) == rest);
        c.view->removeFromSuperview();
    }
    // A held fret of the Hammer-On is marked where the finger is.
    hold(hammer, 2, {139, 200});
    const int row = hammer.getFretForCoord({139, 200});
    EXPECT_FALSE(hammer.fingerMark(2, row).isHidden());
    EXPECT_EQ(hammer.fingerMark(2, row).center().y, hammer.rowMiddle(row));
    lift(hammer, 2, {139, 200});
    EXPECT_TRUE(hammer.fingerMark(2, row).isHidden());
}

// Notes played in over MIDI light their strings from the fret that sounds
// while held, and go dark at note-off: sample 2 is the open low E, sample 9
// the A string's second fret (the low E's seventh is off the board).
TEST(DrawnFeedback, MidiNotesLightTheirStringsWhileHeld) {
    screens_test::InAppRun r;
    r.go(Strumwell::kManualFretGuitar);
    auto* board = dynamic_cast<FretboardGuitarView*>(r.run.shownScreen());
    ASSERT_TRUE(board && board->leftmostFret() == 1);
    const auto shown = [&r](double seconds) { return Picture(r.app(), r.clock, seconds); };
    const Picture rest = shown(0);
    for (int note : {40, 47})
        r.shell().midi()->in().handle(MidiMessage::make(MidiMessage::kNoteOn, 0, note, 100));
    shown(0);
    const Picture lit = shown(FretboardGuitarView::kRingSeconds); // held: no fading
    for (int s = 0; s < 6; ++s)
        EXPECT_EQ(changedAlong(rest, lit, s) > 0, s < 2) << "string " << s;
    const Point aboveFret2{FretboardGuitarView::stringX(1), float(board->rowLine(2)) - 8};
    EXPECT_EQ(lit.at(aboveFret2), rest.at(aboveFret2));
    EXPECT_NE(lit.at({aboveFret2.x, aboveFret2.y + 30}), rest.at({aboveFret2.x, aboveFret2.y + 30}));
    for (int note : {40, 47})
        r.shell().midi()->in().handle(MidiMessage::make(MidiMessage::kNoteOff, 0, note, 0));
    shown(0); // the queued redraw starts the fade
    EXPECT_TRUE(shown(FretboardGuitarView::kStopSeconds) == rest);
}

TEST(DrawnFeedback, TheTiltGaugeFollowsTheVirtualTiltRestsWithoutFramesAndMarksASongThatHoldsIt) {
    Window w;
    Rig rig(false);
    ManualFretAndPluckGuitarView v(nullptr, &rig.performer);
    w.app->accelerometer().setDelegate(&rig.performer);
    w.app->accelerometer().setUpdateInterval(1.0 / 30);
    v.willAppear(0, 0);
    w.app->rootView().addSubview(&v);
    // First-run settings attach the whammy bar to guitar 2 only.
    EXPECT_FALSE(v.tiltGauge().whammyOffLabel().isHidden());
    EXPECT_EQ(v.tiltGauge().guitarLabel().text(), "G1");
    rig.engine.setWhammyBarAttached(0, true);
    v.redraw();
    EXPECT_TRUE(v.tiltGauge().whammyOffLabel().isHidden());
    const Picture rest = shot(w);
    const int middle = v.tiltGauge().shown().whammyAt;
    w.app->injectKey(key(Key::Left, true), true); // the left edge down: the bar goes down
    for (int i = 0; i < 20; ++i)
        shot(w, 0.05);
    EXPECT_LT(v.tiltGauge().shown().whammyAt, middle);
    EXPECT_TRUE(shot(w) != rest);
    w.app->injectKey(key(Key::Left, true), false);
    for (int i = 0; i < 80; ++i)
        shot(w, 0.05);
    EXPECT_EQ(v.tiltGauge().shown().whammyAt, middle);
    EXPECT_TRUE(shot(w) == rest);
    // At rest nothing asks for a frame.
    const long frames = w.app->frameCount();
    shot(w, 5);
    EXPECT_EQ(w.app->frameCount(), frames);
    w.app->accelerometer().setDelegate(nullptr);
    // A song that moves the whammy bar overrules the tilt while it plays back:
    // SONG on red by the guitar's name, gone once the song has passed or been
    // stopped.
    const Label& song = v.tiltGauge().songLabel();
    const Point marker = song.convertPointTo({1, 1}, nullptr);
    rig.recorder.record();
    const int note = rig.recorder.addPlayNote(2, 1.0f, 0.0);
    rig.performer.accelerometerDidAccelerate(0, 0.6, 0);
    rig.clock.advance(0.5);
    rig.recorder.addStopNote(note);
    rig.recorder.stop();
    rig.strum();
    const Picture before = shot(w, 5);
    for (bool stopping : {false, true}) {
        rig.recorder.play();
        rig.performer.accelerometerDidAccelerate(0, 0, 0);
        EXPECT_EQ(std::tuple(song.isHidden(), shot(w).at(marker)), std::tuple(false, 0x1c24aau)) << stopping;
        if (stopping)
            rig.recorder.stop();
        for (int i = 0; i < 100 && !stopping; ++i)
            rig.strum(); // past the song's end
        rig.performer.accelerometerDidAccelerate(0, 0, 0);
        EXPECT_EQ(std::tuple(song.isHidden(), shot(w).at(marker)), std::tuple(true, before.at(marker)))
            << stopping;
    }
}

TEST(DrawnFeedback, ScaleStripBandsKeyLightAndTheEndOfTheStrip) {
    // Each scale's formula, in order, "|" between them.
    std::stringstream formulas(
        "1 b3 4 b5 5 b7|1 2 3 4 5 6 7|1 2 b3 4 5 b6 7|1 2 b3 4 5 6 7|1 2 b3 4 5 6 b7|"
        "1 b2 b3 4 5 b6 b7|1 2 3 b5 5 6 7|1 2 3 4 5 6 b7|1 2 b3 4 5 b6 b7|1 b2 b3 4 b5 b6 b7|"
        "1 b2 2 b3 3 4 b5 5 b6 6 b7 7|1 2 3 5 6|1 b3 4 5 b7|1 2 4 5 b7|1 2 b3 4 b5 5 b6 7|"
        "1 2 b3 4 b5 b6 6 7|1 2 3 4 b5 b6 b7|1 b3 3 b5 b6 7|1 b2 3 4 5 b6 7|1 3 b5 5 7|1 2 3 5 6|"
        "1 2 4 5 b7|1 b2 b3 3 4 b5 b6 b7|1 2 3 4 5 b6 b7|1 b3 3 b5 5 6 b7|1 2 b3 b5 5 b6 7|"
        "1 b2 3 4 5 b6 7|1 2 b3 b5 5 b6 7|1 b2 4 5 b6|1 2 4 5 b6|1 b2 3 4 b5 b6 7|1 b2 3 4 5 b6 b7");

    Window w;
    Rig rig(false);
    ScaleGuitarView v(nullptr, &rig.performer);
    for (int s = 0; s < ScaleGuitarView::kNumScales; ++s) {
        v.setCurrentScale(s);
        std::string shown = v.scaleIntervalLabel().text();
        while (shown.find("  ") != std::string::npos)
            shown.erase(shown.find("  "), 1);
        std::string formula;
        std::getline(formulas, formula, '|');
        EXPECT_EQ(shown, formula + " ") << v.scaleNameLabel().text();
        // Every band drawn where a finger plays it.
        for (int b = 0; b < v.scaleNumNotes(); ++b) {
            const Point p{167, (v.strip().bandStart(b) + v.strip().bandStart(b + 1)) / 2};
            EXPECT_EQ(v.getScalePress(p), v.scaleNoteOffset(b));
        }
    }
    for (int k = 0; k < 12; ++k) {
        v.setCurrentKey(k);
        EXPECT_EQ(ScaleGuitarView::getKeyForCoord(v.keyLight().center()), k);
    }
    v.setCurrentScale(11); // a pentatonic scale: the number row is past its bands
    w.app->rootView().addSubview(&v);
    v.redraw();
    const Picture rest = shot(w);
    EXPECT_TRUE(v.keyDown(key(Key::Z)));
    EXPECT_EQ(v.strip().litBand(), 0);
    EXPECT_TRUE(shot(w) != rest);
    EXPECT_TRUE(v.keyUp(key(Key::Z)));
    EXPECT_TRUE(shot(w) == rest);
    EXPECT_TRUE(v.keyDown(key(Key::Num5)));
    EXPECT_GT(v.stripEndFlash().presentationAlpha(), 0.5f);
    EXPECT_TRUE(shot(w) != rest);
    EXPECT_TRUE(shot(w, ScaleGuitarView::kEndFlashSeconds) == rest);
}

TEST(DrawnFeedback, TabEditorShowsItsModeAndDarkensWhatIsHeld) {
    Rig rig(false);
    Tab tab;
    TabGuitarSetupView v(nullptr, &rig.performer, &tab);
    EXPECT_EQ(v.modeLabel().text(), "by fret");
    // A held control darkens in the next frame; the lift, or the finger
    // sliding off, restores it.
    Window w;
    v.setBackgroundColor({200, 200, 200, 255});
    v.willAppear(0, 0);
    w.app->rootView().addSubview(&v);
    using B = TabGuitarSetupView::Button;
    const auto at = [](B b) { return centreOf(TabGuitarSetupView::buttonAreas(), b); };
    const auto level = [](std::uint32_t c) { return (c & 255) + (c >> 8 & 255) + (c >> 16 & 255); };
    // By mode: the buttons and arrow, a string's step down and up, the selected key and type.
    const std::vector<Point> presses[3] = {
        {at(B::Insert), at(B::Delete), at(B::Back), at(B::Forward), at(B::Clear), at(B::Listen),
         at(B::TabDisplay),
         centreOf(TabGuitarSetupView::scrollAreas(), TabGuitarSetupView::Scroll::TowardNut)},
        {{106, 190}, {106, 330}},
        {{292, 139}, {292, 258}}};
    int i = 0;
    for (int mode = 0; mode < 3; ++mode) {
        while (v.entryMode() != mode)
            for (Point q : {Point{20, 20}, Point{200, 180}, Point{20, 20}}) // the menu's mode item
                tap(v, 1, q);
        for (Point p : presses[mode]) {
            SCOPED_TRACE(testing::Message() << "press " << ++i);
            const Picture rest = shot(w, 1);
            hold(v, 1, p);
            EXPECT_LT(level(shot(w).at(p)), level(rest.at(p)));
            const Point off = i % 2 ? Point{160, 5} : p;
            v.processTouches({i % 2 ? move(1, off, p) : up(1, p)});
            EXPECT_EQ(shot(w).at(p), rest.at(p));
            lift(v, 1, off);
        }
    }
    // At rest nothing asks for a frame.
    const long frames = w.app->frameCount();
    shot(w, 5);
    EXPECT_EQ(w.app->frameCount(), frames);
}

TEST(DrawnFeedback, InlaysStandOnTheMarkedFretsOnly) {
    Rig rig(false);
    ManualFretAndPluckGuitarView v(nullptr, &rig.performer);
    v.redraw();
    const std::set<int> marked = {3, 5, 7, 9, 15, 17, 19, 21};
    for (int f = 1; f <= 21; ++f) {
        while (v.leftmostFret() + v.numFretsToShow() - 1 < f)
            v.scrollTowardBody();
        const int row = f - v.leftmostFret();
        EXPECT_EQ(v.manualSpot(row).alpha() > 0, marked.count(f) > 0) << f;
        const float double12 = v.manualDoubleSpotTop().center().y;
        EXPECT_EQ(double12 > v.rowLine(row) && double12 < v.rowLine(row + 1), f == 12) << f;
    }
}
