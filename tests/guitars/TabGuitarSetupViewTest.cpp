// The tab editor driven by synthetic touches against a real tab and a real
// engine (no audio output) whose recorder only notes the strums it is asked
// for: the common buttons, the three entry modes, the chord library panel,
// the tab display, the Plectrum menu and the erase box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GuitarTestRig.h"
#include "audio/EngineRecorder.h"
#include "guitars/TabGuitarSetupView.h"
#include "storage/ChordLibrary.h"
#include "storage/Tab.h"

using namespace guitartest;
using Button = TabGuitarSetupView::Button;
using Scroll = TabGuitarSetupView::Scroll;
using Frets = std::array<int32_t, 6>;

namespace {

// Notes each strum ("strum -1,10,13,20,22,29 g0") and each stop ("stop").
class StrumSpy : public EngineRecorder {
public:
    int addPlayNote(int, float, double) override { return -1; }
    void addStopNote(int) override {}
    void addPitchChange(int, float) override {}
    bool addWhammyBarChangeForGuitar(int, float) override { return true; }
    bool addWahChangeForGuitar(int, float) override { return true; }
    void setChordStrum(const int* s, int guitar, bool mute) override {
        events.push_back(strumOf(s, guitar) + (mute ? " mute" : ""));
    }
    float chordStrumSpeed() override { return 0.5f; }
    void setChordStrumSpeed(float) override {}
    void stopChordStrum() override { events.push_back("stop"); }
    void record() override {}
    void stop() override {}
    void play() override {}
    int getState() override { return 0; }

    static std::string strumOf(const int* samples, int guitar = 0) {
        std::string e = "strum ";
        for (int i = 0; i < 6; ++i)
            e += (i ? "," : "") + std::to_string(samples[i]);
        return e + " g" + std::to_string(guitar);
    }
    Log take() {
        Log out;
        out.swap(events);
        return out;
    }
    Log events;
};

template <typename Action> Point centreOf(std::span<const HitArea<Action>> areas, Action action) {
    for (const HitArea<Action>& a : areas)
        if (a.action == action)
            return a.rect.center();
    return {-100, -100};
}
Point button(Button b) {
    return centreOf(TabGuitarSetupView::buttonAreas(), b);
}
const Point kPlectrum = {20, 20}, kMenuLoadSave = {200, 60}, kMenuMode = {200, 180}, kMenuErase = {200, 300},
            kMenuPlayTab = {200, 420}, kBoxOK = {120, 180}, kBoxCancel = {120, 290};
const Frets kEmpty = {-1, -1, -1, -1, -1, -1};
const Frets kAMaj = {-1, 0, 2, 2, 2, 0};
const Log kStop = {"stop"};

// One step of an edit: finger 1 taps ('t'), presses ('h'), lifts ('l') or
// slides ('m') at a point; the strums and stops the engine was asked for, and
// the position read-out afterwards when one is given.
struct Edit {
    char op;
    Point at;
    Log strums = {};
    std::string readout = {};
};

class TabEditor : public ::testing::Test {
protected:
    TabEditor() {
        engine.setRecorder(&spy);
        screen = std::make_unique<Navigating<TabGuitarSetupView>>(nullptr, &engine, &tab);
        spy.take();
    }
    ~TabEditor() override {
        screen.reset();
        engine.setRecorder(nullptr);
    }

    void edit(std::initializer_list<Edit> steps) {
        int n = 0;
        for (const Edit& e : steps) {
            SCOPED_TRACE(testing::Message() << "step " << ++n << ": " << e.op);
            if (e.op == 'h' || e.op == 't')
                hold(*screen, 1, e.at);
            if (e.op == 'm')
                screen->processTouches({move(1, e.at, finger)});
            if (e.op == 'l' || e.op == 't')
                lift(*screen, 1, e.at);
            finger = e.at;
            EXPECT_EQ(spy.take(), e.strums);
            if (!e.readout.empty()) {
                EXPECT_EQ(screen->currentPositionLabel().text(), e.readout);
            }
        }
    }
    void tap(Point p) { guitartest::tap(*screen, 1, p); }
    // The editor at a glance: "mode frets key/type", frets low E first.
    std::string state() const {
        std::string out = std::to_string(screen->entryMode()) + " ";
        for (int32_t f : screen->fret())
            out += f < 0 ? "x" : std::to_string(f) + (f > 9 ? " " : "");
        return out + " " + std::to_string(screen->chordKeyIndex()) + "/" +
               std::to_string(screen->chordTypeIndex());
    }
    void chooseMode(int mode) {
        tap(kPlectrum);
        for (int i = 0; i < 3 && screen->entryMode() != mode; ++i)
            tap(kMenuMode);
        ASSERT_EQ(screen->entryMode(), mode);
        tap(kPlectrum);
        spy.take();
    }
    static Point fretPoint(int string, int column) {
        const float x[6] = {100, 145, 180, 217, 255, 300};
        return {x[string], 143.0f + 56 * column};
    }
    static Point step(int string, bool up) {
        const float x[6] = {106, 142, 180, 218, 256, 298};
        return {x[string], up ? 300.0f : 190.0f};
    }
    static float bandX(int band) {
        const float x[6] = {108, 144, 182, 220, 256, 292};
        return x[band];
    }
    static Point keyPoint(int key) {
        return key < 6 ? Point{bandX(5 - key), 139} : Point{bandX(key - 6), 197};
    }
    static Point typePoint(int type) { return {bandX(5 - type % 6), 258.0f + 58 * (type / 6)}; }
    static Log strum(const Frets& frets) {
        return {StrumSpy::strumOf(TabGuitarSetupView::samplesForFrets(frets).data())};
    }
    void lowEColumns(int count) {
        for (int i = 0; i < count; ++i) {
            const Frets f = {i, -1, -1, -1, -1, -1};
            tab.addNotesToTab(-1, f.data());
        }
    }

    testsupport::TempFolder bundle{"strumwell-tabeditor"};
    ManualClock clock;
    SoundEngine engine{nullptr, nullptr, nullptr, bundle.str(), clock};
    StrumSpy spy;
    Tab tab;
    std::unique_ptr<Navigating<TabGuitarSetupView>> screen;
    Point finger{};
};

} // namespace

TEST(TabEditorAreas, DisjointButtonsAndSamplesWithinTheBank) {
    std::vector<HitArea<int>> all;
    for (const auto& a : TabGuitarSetupView::buttonAreas())
        all.push_back({a.rect, static_cast<int>(a.action)});
    for (const auto& a : TabGuitarSetupView::scrollAreas())
        all.push_back({a.rect, 100 + static_cast<int>(a.action)});
    EXPECT_EQ(all.size(), 10u);
    EXPECT_TRUE(hitAreasAreDisjointWithin(std::span<const HitArea<int>>(all), hitBoundsOf({0, 0, 320, 480})));
    // A fret sounds its open string plus the fret, or nothing beyond the bank.
    const int open[6] = {2, 7, 12, 17, 21, 26};
    for (int fret = -1; fret <= 22; ++fret)
        for (int s = 0; s < 6; ++s) {
            Frets frets = kEmpty;
            frets[static_cast<std::size_t>(s)] = fret;
            const int expected = fret < 0 || open[s] + fret > 47 ? -1 : open[s] + fret;
            EXPECT_EQ(TabGuitarSetupView::samplesForFrets(frets)[static_cast<std::size_t>(s)], expected)
                << fret;
        }
}

TEST_F(TabEditor, InsertDeleteAndThePositionArrows) {
    const Point insert = button(Button::Insert), back = button(Button::Back),
                forward = button(Button::Forward);
    edit({{'t', insert, kStop, "0/0"}}); // an empty chord inserts nothing
    lowEColumns(2);
    chooseMode(2); // A maj
    edit({{'t', insert, kStop, "1/3"}, {'t', insert, kStop, "2/4"}});
    EXPECT_EQ(tab.tabEntryAtIndex(0).frets(), kAMaj);
    EXPECT_EQ(tab.tabEntryAtIndex(1).frets(), kAMaj);
    EXPECT_EQ(tab.tabEntryAtIndex(2).fret(0), 0);
    EXPECT_EQ(screen->fret(), kAMaj) << "the working chord stays";
    // From a position outside the tab: before the start, or appended after it.
    tab.setCurrentTabIndex(-1);
    edit({{'t', insert, kStop, "1/5"}});
    tab.setCurrentTabIndex(9);
    edit({{'t', insert, kStop, "6/6"}, {'t', button(Button::Delete), kStop, "6/6"}});
    EXPECT_EQ(tab.tabEntryAtIndex(5).frets(), kAMaj);
    tab.setCurrentTabIndex(3);
    edit({{'t', button(Button::Delete), kStop, "3/5"}});
    EXPECT_EQ(tab.tabEntryAtIndex(3).fret(0), 1);
    // The arrows stop at both ends, and bring a position left outside back in.
    tab.setCurrentTabIndex(0);
    edit({{'t', back, kStop, "0/5"}, {'t', forward, kStop, "1/5"}});
    tab.setCurrentTabIndex(5);
    edit({{'t', forward, kStop, "5/5"}, {'t', back, kStop, "4/5"}});
    tab.setCurrentTabIndex(7);
    edit({{'t', back, kStop, "5/5"}});
    tab.setCurrentTabIndex(-1);
    edit({{'t', forward, kStop, "0/5"}});
}

TEST_F(TabEditor, TabDisplayShowsSixCellsBeforeThePositionAndTwelveInAll) {
    const Frets columns[] = {{-1, 3, 12, -1, -1, -1}, {0, -1, -1, -1, -1, -1}};
    for (const Frets& f : columns)
        tab.addNotesToTab(-1, f.data());
    screen->redraw();
    EXPECT_EQ(screen->tabDisplay(1).text(), std::string(18, ' ') + "  3   ");
    EXPECT_EQ(screen->tabDisplay(2).text(), std::string(18, ' ') + " 12   ");
    EXPECT_EQ(screen->tabDisplay(0).text(), std::string(18, ' ') + "     0");
    EXPECT_EQ(screen->tabDisplay(5).text(), std::string(24, ' '));
    // Tapping it plays the column and moves on when lifted; past the end nothing plays.
    edit({{'h', button(Button::TabDisplay), {"strum -1,10,24,-1,-1,-1 g0"}, "0/2"},
          {'l', button(Button::TabDisplay), kStop, "1/2"},
          {'t', button(Button::TabDisplay), {"strum 2,-1,-1,-1,-1,-1 g0", "stop"}, "0/2"}});
    tab.setCurrentTabIndex(2);
    edit({{'t', button(Button::TabDisplay), kStop, "0/2"}});
    tab.clearTab();
    lowEColumns(20);
    tab.setCurrentTabIndex(10);
    screen->redrawTabDisplay();
    EXPECT_EQ(screen->tabDisplay(0).text(), "  4  5  6  7  8  9 10 11 12 13 14 15");
    tab.setCurrentTabIndex(-100);
    EXPECT_EQ(TabGuitarSetupView::tabDisplayRow(tab, 0), std::string(36, ' '));
}

TEST_F(TabEditor, ListenStrumsTheWorkingChordUntilLiftedOrSlidOff) {
    const Point listen = button(Button::Listen);
    edit({{'h', listen, strum(kEmpty)}, {'l', listen, kStop}}); // an empty chord strums silence
    chooseMode(2);
    edit({{'h', listen, {"strum -1,7,14,19,23,26 g0"}},
          {'m', {listen.x, listen.y + 10}}, // still on LISTEN
          {'m', {290, 300}, kStop},
          {'l', {290, 300}, kStop}});
}

TEST_F(TabEditor, FretModeSetsClearsAndScrolls) {
    edit({{'h', fretPoint(1, 3), {"strum -1,10,-1,-1,-1,-1 g0"}},
          {'l', fretPoint(1, 3), kStop},
          {'t', fretPoint(1, 3), {"strum -1,10,-1,-1,-1,-1 g0", "stop"}}}); // a second touch clears it
    tap(fretPoint(5, 0)); // column 0 at the start is the open string
    tap(fretPoint(4, 1));
    tap(fretPoint(4, 4)); // another fret on a string replaces the first
    EXPECT_EQ(state(), "0 xxxx40 0/0");
    tap(button(Button::Clear));
    // Between strings, between columns and below the last column: nothing.
    spy.take();
    edit({{'t', {127, 143}, kStop}, {'t', {100, 171}, kStop}, {'t', {100, 398}, kStop}});
    EXPECT_EQ(state(), "0 xxxxxx 0/0");
    // Frets 0 to 4: a dot over fret 3 only, and a finger mark where pressed.
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(screen->fretEntrySpot(c).alpha(), c == 3 ? 1 : 0) << c;
    EXPECT_EQ(screen->fretEntryFingerPrint(2).alpha(), 0);
    tap(fretPoint(2, 2));
    EXPECT_EQ(screen->fretEntryFingerPrint(2).alpha(), 1);
    EXPECT_EQ(screen->fretEntryFingerPrint(2).center().y, fretPoint(2, 2).y);
    const Point nut = centreOf(TabGuitarSetupView::scrollAreas(), Scroll::TowardNut);
    const Point body = centreOf(TabGuitarSetupView::scrollAreas(), Scroll::TowardBody);
    tap(nut);
    EXPECT_EQ(screen->leftmostFret(), 0);
    for (int i = 0; i < 8; ++i)
        tap(body);
    // Frets 8 to 12: dot over 9, the double dot over 12 (column 4).
    EXPECT_EQ(screen->fretEntrySpot(1).alpha(), 1);
    EXPECT_EQ(screen->fretEntrySpot(4).alpha(), 0);
    EXPECT_EQ(screen->fretEntryDoubleSpotTop().alpha(), 1);
    EXPECT_EQ(screen->fretEntryDoubleSpotBottom().alpha(), 1);
    EXPECT_EQ(screen->fretEntryDoubleSpotTop().center().y, fretPoint(0, 4).y);
    EXPECT_EQ(screen->fretEntryFingerPrint(2).alpha(), 0) << "fret 2 is off the board";
    for (int i = 0; i < 20; ++i)
        tap(body);
    EXPECT_EQ(screen->leftmostFret(), 17);
    EXPECT_EQ(screen->fretEntryDoubleSpotTop().alpha(), 0);
    EXPECT_EQ(screen->fretEntryFretLabel(4).text(), "21");
    screen->clearFrets();
    spy.take();
    edit({{'t', fretPoint(5, 4), {"strum -1,-1,-1,-1,-1,47 g0", "stop"}}, {'t', nut, kStop}});
    EXPECT_EQ(screen->leftmostFret(), 16);
}

TEST_F(TabEditor, TabModeStepsFretsBetweenMinusOneAndTwentyOne) {
    chooseMode(1);
    EXPECT_FALSE(screen->tabEntryView().isHidden());
    EXPECT_TRUE(screen->fretEntryView().isHidden());
    tap(step(0, false));
    EXPECT_EQ(screen->tabEntryFretNumber(0).text(), "-");
    tap(step(0, true));
    EXPECT_EQ(screen->tabEntryFretNumber(0).text(), "0");
    for (int i = 0; i < 30; ++i)
        tap(step(3, true));
    EXPECT_EQ(state(), "1 0xx21 xx 0/0");
    // Nothing sounds in tab mode; the border between the steps and the gap
    // between strings name nothing.
    spy.take();
    edit({{'t', step(3, false), kStop}, {'t', {step(1, true).x, 223}, kStop}, {'t', {124, 300}, kStop}});
    EXPECT_EQ(screen->tabEntryFretNumber(3).text(), "20");
    EXPECT_EQ(state(), "1 0xx20 xx 0/0");
}

TEST_F(TabEditor, EnteringChordModeLoadsAMajorSilentlyAndClearGoesBackToIt) {
    tap(fretPoint(0, 3));
    tap(kPlectrum);
    tap(kMenuMode);
    EXPECT_EQ(state(), "1 3xxxxx 0/0") << "survives the change to tab mode";
    spy.take();
    edit({{'t', kMenuMode}}); // the chord is not played
    EXPECT_EQ(state(), "2 x02220 0/0");
    EXPECT_FALSE(screen->chordEntryView().isHidden());
    tap(kMenuMode);
    EXPECT_EQ(state(), "0 x02220 0/0") << "leaving keeps the chord";
    tap(kPlectrum);
    chooseMode(2);
    tap(keyPoint(3));
    tap(typePoint(7));
    tap(button(Button::Clear));
    EXPECT_EQ(state(), "2 x02220 0/0");
    EXPECT_TRUE(screen->chordKeyLabel(3).backgroundColor().isClear());
}

TEST_F(TabEditor, EveryKeyAndTypeIsReachedByTouchAndStrumsItsChord) {
    chooseMode(2);
    for (int t = 0; t < 18; ++t)
        for (int k = 0; k < 12; ++k) {
            SCOPED_TRACE(testing::Message() << k << "," << t);
            tap(keyPoint(k));
            spy.take();
            const Frets chord = ChordLibrary::fretsForChord(k, t);
            edit({{'h', typePoint(t), strum(chord)}, {'l', typePoint(t), kStop}});
            ASSERT_EQ(screen->chordKeyIndex(), k);
            ASSERT_EQ(screen->chordTypeIndex(), t);
            ASSERT_EQ(screen->fret(), chord);
            // The selected key and type are lit, the others plain.
            EXPECT_FALSE(screen->chordKeyLabel(k).backgroundColor().isClear());
            EXPECT_FALSE(screen->chordTypeLabel(t).backgroundColor().isClear());
            EXPECT_TRUE(screen->chordKeyLabel((k + 1) % 12).backgroundColor().isClear());
            EXPECT_TRUE(screen->chordTypeLabel((t + 1) % 18).backgroundColor().isClear());
            EXPECT_EQ(screen->chordKeyLabel(k).textColor(), screen->chordTypeLabel(t).textColor());
            EXPECT_NE(screen->chordKeyLabel(k).textColor(), screen->chordKeyLabel((k + 1) % 12).textColor());
        }
}

TEST_F(TabEditor, TheSelectedChordReplaysTheEditedWorkingChord) {
    chooseMode(2);
    const Log cMajor = {"strum -1,10,14,17,22,26 g0"};
    edit({{'t', keyPoint(3), {cMajor[0], "stop"}},
          {'h', keyPoint(3), cMajor}, // touching the selected key again replays
          {'m', keyPoint(7)},         // within the key panel: nothing
          {'m', typePoint(3), kStop}, // out of it
          {'m', {50, 300}, kStop},    // out of the type panel
          {'l', {50, 300}, kStop},
          {'h', typePoint(0), cMajor},
          {'l', typePoint(0), kStop},
          {'t', keyPoint(5), {"strum -1,-1,12,19,24,28 g0", "stop"}}}); // D maj xx0232
    // Edit the chord in fret mode; the selection stays D maj.
    tap(kPlectrum);
    tap(kMenuMode);
    tap(kPlectrum);
    tap(fretPoint(0, 2));
    spy.take();
    screen->changeChordToKey(5, 0);
    EXPECT_EQ(spy.take(), (Log{"strum 4,-1,12,19,24,28 g0"}));
    // Out of range choices are ignored.
    screen->changeChordToKey(12, 0);
    screen->changeChordToKey(0, -1);
    screen->changeChordToKey(-1, 18);
    EXPECT_EQ(state(), "0 2x0232 5/0");
    EXPECT_TRUE(spy.take().empty());
    // The panels' borders select nothing.
    chooseMode(2);
    edit({{'t', {200, 226}, kStop},
          {'t', {310, 150}, kStop},
          {'t', {91, 300}, kStop},
          {'t', {200, 108}, kStop}});
    EXPECT_EQ(state(), "2 x02220 0/0");
}

TEST_F(TabEditor, AfterACommonButtonTheModeAreasAreTestedToo) {
    // INSERT's lower corner lies on the chord type panel: the column goes in,
    // then the type under the finger is chosen; with an empty chord the
    // touch ends at INSERT.
    chooseMode(2);
    tap({120, 403});
    ASSERT_EQ(tab.tabSize(), 1);
    EXPECT_EQ(tab.tabEntryAtIndex(0).frets(), kAMaj);
    EXPECT_EQ(state(), "2 x04420 0/17");
    screen->clearFrets();
    tap({120, 403});
    EXPECT_EQ(tab.tabSize(), 1);
    EXPECT_EQ(state(), "2 xxxxxx 0/17");
}

TEST_F(TabEditor, PlectrumMenuStopsSoundAndLeadsToTheScreens) {
    chooseMode(2);
    hold(*screen, 1, button(Button::Listen));
    spy.take();
    screen->processTouches({down(2, kPlectrum)});
    EXPECT_TRUE(screen->menuShowing());
    EXPECT_EQ(spy.take(), kStop);
    EXPECT_FLOAT_EQ(screen->greyout().alpha(), 0.8f);
    EXPECT_FLOAT_EQ(screen->menuPanel().center().x, 160);
    // Moves and lifts do nothing while the menu is open, nor do the editor's controls.
    screen->processTouches(
        {move(1, {290, 100}, button(Button::Listen)), up(1, {290, 100}), up(2, kPlectrum)});
    edit({{'t', {110, 430}}}); // on INSERT, off the menu's items
    EXPECT_EQ(tab.tabSize(), 0);
    tap(kPlectrum);
    EXPECT_FALSE(screen->menuShowing());
    EXPECT_FLOAT_EQ(screen->greyout().alpha(), 0);
    EXPECT_FLOAT_EQ(screen->menuPanel().center().x, 310);
    // x = 271 is the panel's, not the Top Menu Bar's; x = 113 is neither.
    for (Point item : {kMenuLoadSave, kMenuPlayTab, Point{272, 10}, Point{271.5f, 10}, Point{271, 60}}) {
        tap(kPlectrum);
        tap(item);
        EXPECT_FALSE(screen->menuShowing());
    }
    EXPECT_EQ(screen->visited, (std::vector<int>{14, 1, 7, 7, 14}));
    tap(kPlectrum);
    tap({113, 420});
    tap({60, 200});
    EXPECT_TRUE(screen->menuShowing());
    EXPECT_EQ(screen->visited.size(), 5u);
}

TEST_F(TabEditor, TheEraseBoxAsksFirst) {
    lowEColumns(2);
    tab.setCurrentTabIndex(2);
    screen->redraw();
    tap(kPlectrum);
    tap(kMenuErase);
    EXPECT_TRUE(screen->messageBoxShowing());
    EXPECT_FLOAT_EQ(screen->eraseBox().box().alpha(), 1);
    EXPECT_GT(screen->eraseBox().veil().alpha(), 0.5f);
    EXPECT_EQ(screen->eraseBox().text().text(), "Really erase all tab?");
    tap({200, 100});
    tap({120, 231}); // the border between OK and Cancel
    EXPECT_TRUE(screen->messageBoxShowing());
    tap(kBoxCancel);
    EXPECT_FALSE(screen->messageBoxShowing());
    EXPECT_EQ(tab.tabSize(), 2);
    tap(kMenuErase);
    tap(kBoxOK);
    EXPECT_EQ(screen->currentPositionLabel().text(), "0/0");
    EXPECT_FALSE(screen->messageBoxShowing());
    EXPECT_FLOAT_EQ(screen->eraseBox().box().alpha(), 0);
    EXPECT_TRUE(screen->menuShowing());
}

TEST_F(TabEditor, WithoutAnEngineOrATabNothingBreaks) {
    TabGuitarSetupView silent(nullptr, nullptr, &tab);
    guitartest::tap(silent, 1, button(Button::Listen));
    guitartest::tap(silent, 2, fretPoint(0, 0));
    EXPECT_EQ(silent.fret()[0], 0);
    TabGuitarSetupView noTab(nullptr, &engine, nullptr);
    guitartest::tap(noTab, 1, button(Button::TabDisplay));
    guitartest::tap(noTab, 2, button(Button::Insert));
    EXPECT_EQ(noTab.currentPositionLabel().text(), "0/0");
}

TEST_F(TabEditor, TouchesArriveThroughTheWindowAndEveryModeDraws) {
    Window w;
    w.app->rootView().addSubview(screen.get());
    View pad(Rect{0, 100, 320, 280}); // a plain view passes its touches up, in the screen's terms
    screen->addSubview(&pad);
    w.turn(2);
    w.tap(fretPoint(0, 1));
    w.tap(fretPoint(3, 2));
    pad.removeFromSuperview();
    w.tap(button(Button::Insert));
    EXPECT_EQ(tab.tabEntryAtIndex(0).frets(), (Frets{1, -1, -1, 2, -1, -1}));
    for (int mode = 1; mode <= 2; ++mode) {
        w.tap(kPlectrum);
        w.turn(30);
        EXPECT_TRUE(screen->menuShowing());
        w.tap(kMenuMode);
        w.tap(kPlectrum);
        w.turn(30);
        EXPECT_EQ(screen->entryMode(), mode);
    }
    w.tap(typePoint(7));
    w.tap(keyPoint(3));
    EXPECT_EQ(screen->fret(), (Frets{-1, 3, 1, 3, 1, 3})) << "C m7";
    w.tap(kPlectrum);
    w.turn(30);
    w.tap(kMenuErase);
    EXPECT_TRUE(screen->messageBoxShowing());
    w.tap(kBoxOK);
    EXPECT_EQ(tab.tabSize(), 0);
    screen->removeFromSuperview();
}
