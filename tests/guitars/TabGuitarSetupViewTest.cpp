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

namespace {

using Frets = std::array<int32_t, 6>;

// Notes each strum ("strum -1,10,13,20,22,29 g0") and each stop ("stop").
class StrumSpy : public EngineRecorder {
public:
    int addPlayNote(int, float, double) override { return -1; }
    void addStopNote(int) override {}
    void addPitchChange(int, float) override {}
    bool addWhammyBarChangeForGuitar(int, float) override { return true; }
    bool addWahChangeForGuitar(int, float) override { return true; }
    void setChordStrum(const int* s, int guitar, bool mute) override {
        std::string e = "strum ";
        for (int i = 0; i < 6; ++i)
            e += (i ? "," : "") + std::to_string(s[i]);
        e += " g" + std::to_string(guitar);
        if (mute)
            e += " mute";
        events.push_back(e);
    }
    float chordStrumSpeed() override { return 0.5f; }
    void setChordStrumSpeed(float) override {}
    void stopChordStrum() override { events.push_back("stop"); }
    void record() override {}
    void stop() override {}
    void play() override {}
    int getState() override { return 0; }

    std::vector<std::string> take() {
        std::vector<std::string> out;
        out.swap(events);
        return out;
    }
    std::vector<std::string> events;
};

// Points inside each control.
constexpr Point kPlectrum = {20, 20};
constexpr Point kBack = {40, 80};
constexpr Point kForward = {40, 440};
constexpr Point kClear = {290, 50};
constexpr Point kInsert = {110, 430};
constexpr Point kDelete = {110, 70};
constexpr Point kListen = {290, 450};
constexpr Point kTabDisplay = {40, 250};
constexpr Point kFretBack = {200, 80};
constexpr Point kFretForward = {200, 440};
constexpr Point kMenuLoadSave = {200, 60};
constexpr Point kMenuMode = {200, 180};
constexpr Point kMenuErase = {200, 300};
constexpr Point kMenuPlayTab = {200, 420};
constexpr Point kBoxOK = {120, 180};
constexpr Point kBoxCancel = {120, 290};
constexpr float kFretStringX[6] = {100, 145, 180, 217, 255, 300};
constexpr float kFretColumnY[5] = {143, 199, 255, 311, 367};
constexpr float kTabStringX[6] = {106, 142, 180, 218, 256, 298};
constexpr float kBandX[6] = {108, 144, 182, 220, 256, 292};

class TabEditor : public ::testing::Test {
protected:
    TabEditor() {
        engine.setRecorder(&spy);
        screen = std::make_unique<TabGuitarSetupView>(nullptr, &engine, &tab);
        spy.take();
    }
    ~TabEditor() override {
        screen.reset();
        engine.setRecorder(nullptr);
    }

    void tap(Point p) {
        screen->processTouches({down(1, p)});
        screen->processTouches({up(1, p)});
    }
    void press(Point p) { screen->processTouches({down(1, p)}); }
    void lift(Point p) { screen->processTouches({up(1, p)}); }
    void slide(Point from, Point to) { screen->processTouches({move(1, to, from)}); }
    void openMenu() { tap(kPlectrum); }
    void chooseMode(int mode) {
        openMenu();
        while (screen->entryMode() != mode)
            tap(kMenuMode);
        tap(kPlectrum);
        spy.take();
    }
    Point fretPoint(int string, int column) const { return {kFretStringX[string], kFretColumnY[column]}; }
    Point stepUp(int string) const { return {kTabStringX[string], 300}; }
    Point stepDown(int string) const { return {kTabStringX[string], 190}; }
    Point keyPoint(int key) const {
        return key < 6 ? Point{kBandX[5 - key], 139} : Point{kBandX[key - 6], 197};
    }
    Point typePoint(int type) const {
        const float rowY[3] = {258, 316, 374};
        return {kBandX[5 - type % 6], rowY[type / 6]};
    }
    std::string readout() const { return screen->currentPositionLabel().text(); }
    void addColumns(std::initializer_list<Frets> columns) {
        for (const Frets& f : columns)
            tab.addNotesToTab(-1, f.data());
    }

    TempFolder bundle;
    ManualClock clock;
    SoundEngine engine{nullptr, nullptr, nullptr, bundle.path(), clock};
    StrumSpy spy;
    Tab tab;
    std::unique_ptr<TabGuitarSetupView> screen;
};

const Frets kEmpty = {-1, -1, -1, -1, -1, -1};
const Frets kAMaj = {-1, 0, 2, 2, 2, 0};

// --- Creation and pure helpers ---------------------------------------------------

TEST_F(TabEditor, StartsInFretModeWithAnEmptyChordAndClosedMenu) {
    EXPECT_EQ(screen->entryMode(), 0);
    EXPECT_EQ(screen->fret(), kEmpty);
    EXPECT_EQ(screen->leftmostFret(), 0);
    EXPECT_EQ(screen->chordKeyIndex(), 0);
    EXPECT_EQ(screen->chordTypeIndex(), 0);
    EXPECT_FALSE(screen->menuShowing());
    EXPECT_FALSE(screen->messageBoxShowing());
    EXPECT_FALSE(screen->fretEntryView().isHidden());
    EXPECT_TRUE(screen->tabEntryView().isHidden());
    EXPECT_TRUE(screen->chordEntryView().isHidden());
    EXPECT_EQ(readout(), "0/0");
    for (int s = 0; s < 6; ++s)
        EXPECT_EQ(screen->tabDisplay(s).text(), "");
    EXPECT_FLOAT_EQ(screen->greyout().alpha(), 0);
    EXPECT_FLOAT_EQ(screen->eraseBox().box().alpha(), 0);
}

TEST(TabEditorHitTests, SamplesForFrets) {
    EXPECT_EQ(TabGuitarSetupView::samplesForFrets({-1, 3, 1, 3, 1, 3}),
              (std::array<int, 6>{-1, 10, 13, 20, 22, 29}));
    EXPECT_EQ(TabGuitarSetupView::samplesForFrets({0, 0, 0, 0, 0, 0}),
              (std::array<int, 6>{2, 7, 12, 17, 21, 26}));
    // Fret 21 on the high string is the last sample; 22 (allowed in tab
    // files) would be the other guitar's first slot and stays silent.
    EXPECT_EQ(TabGuitarSetupView::samplesForFrets({-1, -1, -1, -1, -1, 21})[5], 47);
    EXPECT_EQ(TabGuitarSetupView::samplesForFrets({22, -1, -1, -1, -1, 22}),
              (std::array<int, 6>{24, -1, -1, -1, -1, -1}));
}

// --- INSERT, DELETE, position, read-out -------------------------------------------

TEST_F(TabEditor, InsertWithAnEmptyChordChangesNothing) {
    tap(kInsert);
    EXPECT_EQ(tab.tabSize(), 0);
    EXPECT_EQ(readout(), "0/0");
}

TEST_F(TabEditor, RepeatedInsertsWriteColumnsInOrder) {
    chooseMode(2); // A maj
    ASSERT_EQ(screen->fret(), kAMaj);
    tap(kInsert);
    EXPECT_EQ(tab.tabSize(), 1);
    EXPECT_EQ(readout(), "1/1");
    tap(kInsert);
    EXPECT_EQ(tab.tabSize(), 2);
    EXPECT_EQ(readout(), "2/2");
    EXPECT_EQ(tab.tabEntryAtIndex(0).frets(), kAMaj);
    EXPECT_EQ(tab.tabEntryAtIndex(1).frets(), kAMaj);
    EXPECT_EQ(screen->fret(), kAMaj); // the working chord stays
}

TEST_F(TabEditor, InsertAtTheStartPutsTheColumnFirst) {
    addColumns({{0, -1, -1, -1, -1, -1}, {1, -1, -1, -1, -1, -1}, {2, -1, -1, -1, -1, -1}});
    screen->redraw();
    chooseMode(2);
    tap(kInsert);
    EXPECT_EQ(readout(), "1/4");
    EXPECT_EQ(tab.tabEntryAtIndex(0).frets(), kAMaj);
    EXPECT_EQ(tab.tabEntryAtIndex(1).fret(0), 0);
}

TEST_F(TabEditor, InsertFromAPositionOutsideTheTabAppendsAndStepsPast) {
    addColumns({{0, -1, -1, -1, -1, -1}, {1, -1, -1, -1, -1, -1}});
    chooseMode(2);
    tab.setCurrentTabIndex(-1);
    tap(kInsert);
    EXPECT_EQ(tab.tabEntryAtIndex(0).frets(), kAMaj);
    EXPECT_EQ(readout(), "1/3");
    tab.setCurrentTabIndex(9);
    tap(kInsert);
    EXPECT_EQ(tab.tabEntryAtIndex(3).frets(), kAMaj);
    EXPECT_EQ(readout(), "4/4");
}

TEST_F(TabEditor, DeleteRemovesTheColumnAtThePosition) {
    addColumns({{0, -1, -1, -1, -1, -1}, {1, -1, -1, -1, -1, -1}, {2, -1, -1, -1, -1, -1}});
    tab.setCurrentTabIndex(3);
    tap(kDelete);
    EXPECT_EQ(tab.tabSize(), 3);
    EXPECT_EQ(readout(), "3/3");
    tab.setCurrentTabIndex(0);
    tap(kDelete);
    EXPECT_EQ(readout(), "0/2");
    EXPECT_EQ(tab.tabEntryAtIndex(0).fret(0), 1);
}

TEST_F(TabEditor, PositionArrowsStopAtBothEnds) {
    addColumns({kAMaj, kAMaj});
    screen->redraw();
    tap(kBack);
    EXPECT_EQ(tab.currentTabIndex(), 0);
    tap(kForward);
    tap(kForward);
    EXPECT_EQ(readout(), "2/2");
    tap(kForward);
    EXPECT_EQ(tab.currentTabIndex(), 2);
    tap(kBack);
    EXPECT_EQ(readout(), "1/2");
    tab.setCurrentTabIndex(7); // left out of range elsewhere
    tap(kBack);
    EXPECT_EQ(tab.currentTabIndex(), 2);
    tab.setCurrentTabIndex(-1);
    tap(kForward);
    EXPECT_EQ(tab.currentTabIndex(), 0);
}

TEST_F(TabEditor, TabDisplayShowsSixCellsBeforeThePosition) {
    addColumns({{-1, 3, 12, -1, -1, -1}, {0, -1, -1, -1, -1, -1}});
    screen->redraw();
    // Position 0: six blank cells, then the columns.
    EXPECT_EQ(screen->tabDisplay(1).text(), std::string(18, ' ') + "  3   ");
    EXPECT_EQ(screen->tabDisplay(2).text(), std::string(18, ' ') + " 12   ");
    EXPECT_EQ(screen->tabDisplay(0).text(), std::string(18, ' ') + "     0");
    EXPECT_EQ(screen->tabDisplay(5).text(), std::string(24, ' '));
    tab.setCurrentTabIndex(2);
    screen->redrawTabDisplay();
    EXPECT_EQ(screen->tabDisplay(1).text(), std::string(12, ' ') + "  3   ");
    EXPECT_EQ(readout(), "2/2");
}

TEST_F(TabEditor, TabDisplayShowsAtMostTwelveCells) {
    for (int i = 0; i < 20; ++i) {
        Frets f = {i, -1, -1, -1, -1, -1};
        tab.addNotesToTab(-1, f.data());
    }
    tab.setCurrentTabIndex(10);
    screen->redrawTabDisplay();
    EXPECT_EQ(screen->tabDisplay(0).text(), "  4  5  6  7  8  9 10 11 12 13 14 15");
    EXPECT_EQ(readout(), "10/20");
    Tab farAway;
    farAway.addNotesToTab(-1, kAMaj.data());
    farAway.setCurrentTabIndex(-100);
    EXPECT_EQ(TabGuitarSetupView::tabDisplayRow(farAway, 0).size(), 36u);
}

TEST_F(TabEditor, TappingTheTabDisplayPlaysAndMovesOnWhenLifted) {
    addColumns({kAMaj, {3, -1, -1, -1, -1, -1}});
    tab.setCurrentTabIndex(1);
    press(kTabDisplay);
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"strum 5,-1,-1,-1,-1,-1 g0"}));
    EXPECT_EQ(tab.currentTabIndex(), 1);
    lift(kTabDisplay);
    EXPECT_EQ(tab.currentTabIndex(), 0);
    EXPECT_EQ(readout(), "0/2");
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"stop"}));
}

TEST_F(TabEditor, TabDisplayPastTheEndPlaysNothing) {
    addColumns({kAMaj});
    tab.setCurrentTabIndex(1);
    press(kTabDisplay);
    EXPECT_TRUE(spy.take().empty());
    lift(kTabDisplay);
    EXPECT_EQ(tab.currentTabIndex(), 0);
    spy.take();
    tab.clearTab();
    tap(kTabDisplay);
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"stop"}));
    EXPECT_EQ(tab.currentTabIndex(), 0);
}

// --- LISTEN and lifting ----------------------------------------------------------

TEST_F(TabEditor, ListenStrumsTheWorkingChordUntilLiftedOrSlidOff) {
    chooseMode(2);
    press(kListen);
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"strum -1,7,14,19,23,26 g0"}));
    slide(kListen, {290, 460}); // still on LISTEN
    EXPECT_TRUE(spy.take().empty());
    slide({290, 460}, {290, 300});
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"stop"}));
    lift({290, 300});
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"stop"}));
}

TEST_F(TabEditor, ListenWithAnEmptyChordStrumsSilence) {
    press(kListen);
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"strum -1,-1,-1,-1,-1,-1 g0"}));
}

// --- CLEAR ---------------------------------------------------------------------------

TEST_F(TabEditor, ClearEmptiesTheChordOutsideChordMode) {
    tap(fretPoint(0, 2));
    ASSERT_EQ(screen->fret()[0], 2);
    tap(kClear);
    EXPECT_EQ(screen->fret(), kEmpty);
    EXPECT_FALSE(screen->fretEntryFingerPrint(0).alpha() > 0);
}

TEST_F(TabEditor, ClearInChordModeLeavesAMajor) {
    chooseMode(2);
    tap(keyPoint(3));
    tap(typePoint(7));
    ASSERT_EQ(screen->fret(), (Frets{-1, 3, 1, 3, 1, 3}));
    tap(kClear);
    EXPECT_EQ(screen->fret(), kAMaj);
    EXPECT_EQ(screen->chordKeyIndex(), 0);
    EXPECT_EQ(screen->chordTypeIndex(), 0);
    // The selection's look moved back to A.
    EXPECT_NE(screen->chordKeyLabel(0).textColor(), screen->chordKeyLabel(3).textColor());
    EXPECT_TRUE(screen->chordKeyLabel(3).backgroundColor().isClear());
}

// --- Fret mode --------------------------------------------------------------------------

TEST_F(TabEditor, FretTouchSetsThenClearsAndPlaysBothTimes) {
    press(fretPoint(1, 3));
    EXPECT_EQ(screen->fret()[1], 3);
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"strum -1,10,-1,-1,-1,-1 g0"}));
    lift(fretPoint(1, 3));
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"stop"}));
    tap(fretPoint(1, 3));
    EXPECT_EQ(screen->fret()[1], -1);
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"strum -1,10,-1,-1,-1,-1 g0", "stop"}));
    // Column 0 at the start is the open string.
    tap(fretPoint(5, 0));
    EXPECT_EQ(screen->fret()[5], 0);
    // Another fret on a string replaces the first.
    tap(fretPoint(5, 4));
    EXPECT_EQ(screen->fret()[5], 4);
}

TEST_F(TabEditor, FretboardOutsideTheBandsDoesNothing) {
    tap({127, 143}); // between strings 0 and 1
    tap({100, 171}); // between columns 0 and 1
    tap({100, 398}); // below the last column
    EXPECT_EQ(screen->fret(), kEmpty);
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"stop", "stop", "stop"}));
}

TEST_F(TabEditor, FretArrowsMoveTheBoardBetweenZeroAndSeventeen) {
    tap(kFretBack);
    EXPECT_EQ(screen->leftmostFret(), 0);
    for (int i = 0; i < 20; ++i)
        tap(kFretForward);
    EXPECT_EQ(screen->leftmostFret(), 17);
    EXPECT_EQ(screen->fretEntryFretLabel(0).text(), "17");
    EXPECT_EQ(screen->fretEntryFretLabel(4).text(), "21");
    spy.take();
    press(fretPoint(5, 4));
    EXPECT_EQ(screen->fret()[5], 21);
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"strum -1,-1,-1,-1,-1,47 g0"}));
    tap(kFretBack);
    EXPECT_EQ(screen->leftmostFret(), 16);
}

TEST_F(TabEditor, FretPanelDotsAndFingerMarks) {
    // Frets 0 to 4: a dot over fret 3 only.
    EXPECT_EQ(screen->fretEntrySpot(3).alpha(), 1);
    for (int c : {0, 1, 2, 4})
        EXPECT_EQ(screen->fretEntrySpot(c).alpha(), 0) << c;
    EXPECT_EQ(screen->fretEntryDoubleSpotTop().alpha(), 0);
    tap(fretPoint(2, 2));
    EXPECT_EQ(screen->fretEntryFingerPrint(2).alpha(), 1);
    EXPECT_FLOAT_EQ(screen->fretEntryFingerPrint(2).center().x, 110 + 36 * 2);
    EXPECT_FLOAT_EQ(screen->fretEntryFingerPrint(2).center().y, 143 + 56 * 2);
    EXPECT_EQ(screen->fretEntryFingerPrint(0).alpha(), 0);
    for (int i = 0; i < 8; ++i)
        tap(kFretForward);
    // Frets 8 to 12: dot over 9, the double dot over 12 (column 4).
    EXPECT_EQ(screen->fretEntrySpot(1).alpha(), 1);
    EXPECT_EQ(screen->fretEntrySpot(4).alpha(), 0);
    EXPECT_EQ(screen->fretEntryDoubleSpotTop().alpha(), 1);
    EXPECT_EQ(screen->fretEntryDoubleSpotBottom().alpha(), 1);
    EXPECT_FLOAT_EQ(screen->fretEntryDoubleSpotTop().center().y, 143 + 56 * 4);
    EXPECT_EQ(screen->fretEntryFingerPrint(2).alpha(), 0); // fret 2 is off the board
    for (int i = 0; i < 5; ++i)
        tap(kFretForward);
    EXPECT_EQ(screen->leftmostFret(), 13);
    EXPECT_EQ(screen->fretEntryDoubleSpotTop().alpha(), 0);
}

// --- Tab mode ---------------------------------------------------------------------

TEST_F(TabEditor, TabModeStepsFretsBetweenMinusOneAndTwentyOne) {
    chooseMode(1);
    EXPECT_FALSE(screen->tabEntryView().isHidden());
    EXPECT_TRUE(screen->fretEntryView().isHidden());
    EXPECT_EQ(screen->tabEntryFretNumber(0).text(), "-");
    tap(stepDown(0));
    EXPECT_EQ(screen->tabEntryFretNumber(0).text(), "-");
    tap(stepUp(0));
    EXPECT_EQ(screen->tabEntryFretNumber(0).text(), "0");
    EXPECT_EQ(screen->fret()[0], 0);
    for (int i = 0; i < 30; ++i)
        tap(stepUp(3));
    EXPECT_EQ(screen->fret()[3], 21);
    EXPECT_EQ(screen->tabEntryFretNumber(3).text(), "21");
    tap(stepDown(3));
    EXPECT_EQ(screen->tabEntryFretNumber(3).text(), "20");
    // Nothing sounds in tab mode, only the lifts stop the (absent) strum.
    for (const std::string& e : spy.take())
        EXPECT_EQ(e, "stop");
    // Borders: y = 223 and x = 124 name nothing.
    tap({kTabStringX[1], 223});
    tap({124, 300});
    EXPECT_EQ(screen->fret()[1], -1);
}

// --- Chord mode ----------------------------------------------------------------------

TEST_F(TabEditor, EnteringChordModeLoadsAMajorSilently) {
    tap(fretPoint(0, 3));
    spy.take();
    openMenu();
    tap(kMenuMode);
    EXPECT_EQ(screen->entryMode(), 1);
    EXPECT_EQ(screen->fret()[0], 3); // survives the mode change
    tap(kMenuMode);
    EXPECT_EQ(screen->entryMode(), 2);
    EXPECT_TRUE(screen->menuShowing());
    EXPECT_EQ(screen->fret(), kAMaj);
    EXPECT_FALSE(screen->chordEntryView().isHidden());
    // Only the plectrum's lifting of every finger: the chord is not played.
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"stop"}));
    // A and maj are lit; the rest are plain (how readable they are is the
    // screen look test's to measure).
    EXPECT_EQ(screen->chordKeyLabel(0).textColor(), screen->chordTypeLabel(0).textColor());
    EXPECT_NE(screen->chordKeyLabel(0).textColor(), screen->chordKeyLabel(1).textColor());
    EXPECT_FALSE(screen->chordKeyLabel(0).backgroundColor().isClear());
    EXPECT_FALSE(screen->chordTypeLabel(0).backgroundColor().isClear());
    EXPECT_TRUE(screen->chordKeyLabel(1).backgroundColor().isClear());
    tap(kMenuMode);
    EXPECT_EQ(screen->entryMode(), 0);
    EXPECT_EQ(screen->fret(), kAMaj); // leaving keeps the chord
}

TEST_F(TabEditor, ChoosingCMinorSevenLoadsAndStrumsIt) {
    chooseMode(2);
    press(keyPoint(3));
    EXPECT_EQ(screen->chordKeyIndex(), 3);
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"strum -1,10,14,17,22,26 g0"})); // C maj
    lift(keyPoint(3));
    spy.take();
    press(typePoint(7));
    EXPECT_EQ(screen->fret(), (Frets{-1, 3, 1, 3, 1, 3}));
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"strum -1,10,13,20,22,29 g0"}));
    EXPECT_TRUE(screen->chordKeyLabel(0).backgroundColor().isClear());
    EXPECT_FALSE(screen->chordKeyLabel(3).backgroundColor().isClear());
    EXPECT_FALSE(screen->chordTypeLabel(7).backgroundColor().isClear());
    EXPECT_TRUE(screen->chordTypeLabel(0).backgroundColor().isClear());
}

TEST_F(TabEditor, EveryKeyAndTypeReachedByTouch) {
    chooseMode(2);
    for (int t = 0; t < 18; ++t)
        for (int k = 0; k < 12; ++k) {
            tap(keyPoint(k));
            tap(typePoint(t));
            ASSERT_EQ(screen->chordKeyIndex(), k);
            ASSERT_EQ(screen->chordTypeIndex(), t);
            ASSERT_EQ(screen->fret(), ChordLibrary::fretsForChord(k, t)) << k << "," << t;
        }
    EXPECT_EQ(screen->fret(), (Frets{4, 3, 3, 3, 4, -1})); // G# 6/9
}

TEST_F(TabEditor, TouchingTheSelectedKeyOrTypeAgainReplays) {
    chooseMode(2);
    tap(keyPoint(3)); // C maj
    spy.take();
    press(keyPoint(3));
    EXPECT_EQ(screen->fret(), (Frets{-1, 3, 2, 0, 1, 0}));
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"strum -1,10,14,17,22,26 g0"}));
    lift(keyPoint(3));
    press(typePoint(0));
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"stop", "strum -1,10,14,17,22,26 g0"}));
}

TEST_F(TabEditor, SelectedChordReplaysTheEditedWorkingChord) {
    chooseMode(2);
    tap(keyPoint(5)); // D maj xx0232
    spy.take();
    // Edit the chord in fret mode; the selection stays D maj.
    openMenu();
    tap(kMenuMode); // fret mode keeps D maj
    tap(kPlectrum);
    tap(fretPoint(0, 2)); // string 0 at fret 2
    ASSERT_EQ(screen->fret(), (Frets{2, -1, 0, 2, 3, 2}));
    spy.take();
    screen->changeChordToKey(5, 0);
    EXPECT_EQ(screen->fret(), (Frets{2, -1, 0, 2, 3, 2}));
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"strum 4,-1,12,19,24,28 g0"}));
}

TEST_F(TabEditor, ChordPanelBordersSelectNothing) {
    chooseMode(2);
    tap({200, 226});
    tap({310, 150});
    tap({91, 300});
    tap({200, 108});
    EXPECT_EQ(screen->chordKeyIndex(), 0);
    EXPECT_EQ(screen->chordTypeIndex(), 0);
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"stop", "stop", "stop", "stop"}));
}

TEST_F(TabEditor, SlidingOutOfAChordPanelStopsTheStrum) {
    chooseMode(2);
    press(keyPoint(4));
    spy.take();
    slide(keyPoint(4), keyPoint(7)); // within the key panel: nothing
    EXPECT_TRUE(spy.take().empty());
    EXPECT_EQ(screen->chordKeyIndex(), 4);
    slide(keyPoint(7), typePoint(3)); // out of the key panel
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"stop"}));
    EXPECT_EQ(screen->chordTypeIndex(), 0);
    slide(typePoint(3), {50, 300}); // out of the type panel
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"stop"}));
}

TEST_F(TabEditor, ChordOperationsIgnoreOutOfRangeChoices) {
    chooseMode(2);
    screen->changeChordToKey(12, 0);
    screen->changeChordToKey(0, -1);
    screen->changeChordToKey(-1, 18);
    EXPECT_EQ(screen->chordKeyIndex(), 0);
    EXPECT_EQ(screen->fret(), kAMaj);
    EXPECT_TRUE(spy.take().empty());
}

// --- Menu and erase box -----------------------------------------------------------

TEST_F(TabEditor, PlectrumOpensAndClosesTheMenuAndStopsSound) {
    chooseMode(2);
    press(kListen);
    spy.take();
    screen->processTouches({down(2, kPlectrum)});
    EXPECT_TRUE(screen->menuShowing());
    EXPECT_EQ(spy.take(), (std::vector<std::string>{"stop"}));
    EXPECT_FLOAT_EQ(screen->greyout().alpha(), 0.8f);
    EXPECT_FLOAT_EQ(screen->menuPanel().center().x, 160);
    // Moves and lifts do nothing while the menu is open.
    screen->processTouches({move(1, {290, 100}, kListen), up(1, {290, 100}), up(2, kPlectrum)});
    EXPECT_TRUE(spy.take().empty());
    // Touches on the editor's controls are the menu's now.
    tap(kInsert);
    EXPECT_EQ(tab.tabSize(), 0);
    tap(kPlectrum);
    EXPECT_FALSE(screen->menuShowing());
    EXPECT_FLOAT_EQ(screen->greyout().alpha(), 0);
    EXPECT_FLOAT_EQ(screen->menuPanel().center().x, 310);
}

// Notes the screens the menu asks for.
class NavigatingEditor : public TabGuitarSetupView {
public:
    using TabGuitarSetupView::TabGuitarSetupView;
    std::vector<int> screens;

protected:
    void goToScreen(int screenNo) override { screens.push_back(screenNo); }
};

TEST_F(TabEditor, MenuItemsLeadToTheirScreens) {
    NavigatingEditor nav(nullptr, &engine, &tab);
    for (Point item : {kMenuLoadSave, kMenuPlayTab, Point{272, 10}, Point{271.5f, 10}}) {
        nav.processTouches({down(1, kPlectrum), up(1, kPlectrum)});
        ASSERT_TRUE(nav.menuShowing());
        nav.processTouches({down(1, item), up(1, item)});
        EXPECT_FALSE(nav.menuShowing());
    }
    EXPECT_EQ(nav.screens, (std::vector<int>{14, 1, 7, 7}));
    // The mode and erase items and the empty part of the panel leave it open.
    nav.processTouches({down(1, kPlectrum), up(1, kPlectrum), down(1, {60, 200}), up(1, {60, 200})});
    EXPECT_TRUE(nav.menuShowing());
    nav.processTouches({down(1, kPlectrum), up(1, kPlectrum)});
    // x = 271 is the panel's, not the Top Menu Bar's; x = 113 neither.
    nav.screens.clear();
    nav.processTouches({down(1, kPlectrum), up(1, kPlectrum), down(1, {271, 60}), up(1, {271, 60})});
    nav.processTouches({down(1, {113, 420}), up(1, {113, 420})});
    EXPECT_EQ(nav.screens, (std::vector<int>{14}));
}

TEST_F(TabEditor, AfterACommonButtonTheModeAreasAreTestedToo) {
    // INSERT's lower corner lies on the chord type panel: the column goes in,
    // then the type under the finger is chosen.
    chooseMode(2);
    tap({120, 403});
    ASSERT_EQ(tab.tabSize(), 1);
    EXPECT_EQ(tab.tabEntryAtIndex(0).frets(), kAMaj);
    EXPECT_EQ(screen->chordTypeIndex(), 17);
    EXPECT_EQ(screen->fret(), ChordLibrary::fretsForChord(0, 17));
    // INSERT with an empty chord ends the touch there.
    openMenu();
    tap(kMenuMode);
    tap(kPlectrum);
    tap(kClear);
    ASSERT_EQ(screen->fret(), kEmpty);
    chooseMode(2);
    screen->clearFrets();
    tap({120, 403});
    EXPECT_EQ(tab.tabSize(), 1);
    EXPECT_EQ(screen->fret(), kEmpty);
}

TEST_F(TabEditor, ModeButtonShowsTheModePanel) {
    openMenu();
    tap(kMenuMode);
    EXPECT_FALSE(screen->tabEntryView().isHidden());
    EXPECT_TRUE(screen->chordEntryView().isHidden());
    tap(kMenuMode);
    EXPECT_FALSE(screen->chordEntryView().isHidden());
    EXPECT_TRUE(screen->fretEntryView().isHidden());
}

TEST_F(TabEditor, EraseBoxOKEmptiesTheTab) {
    addColumns({kAMaj, kAMaj});
    tab.setCurrentTabIndex(2);
    screen->redraw();
    openMenu();
    tap(kMenuErase);
    EXPECT_TRUE(screen->messageBoxShowing());
    EXPECT_FLOAT_EQ(screen->eraseBox().box().alpha(), 1);
    EXPECT_GT(screen->eraseBox().veil().alpha(), 0.5f);
    EXPECT_EQ(screen->eraseBox().text().text(), "Really erase all tab?");
    tap({200, 100}); // elsewhere: nothing
    EXPECT_TRUE(screen->messageBoxShowing());
    EXPECT_EQ(tab.tabSize(), 2);
    tap(kBoxOK);
    EXPECT_EQ(tab.tabSize(), 0);
    EXPECT_EQ(readout(), "0/0");
    EXPECT_FALSE(screen->messageBoxShowing());
    EXPECT_FLOAT_EQ(screen->eraseBox().box().alpha(), 0);
    EXPECT_TRUE(screen->menuShowing());
}

TEST_F(TabEditor, EraseBoxCancelKeepsTheTab) {
    addColumns({kAMaj});
    openMenu();
    tap(kMenuErase);
    tap(kBoxCancel);
    EXPECT_FALSE(screen->messageBoxShowing());
    EXPECT_EQ(tab.tabSize(), 1);
    EXPECT_TRUE(screen->menuShowing());
    // The border between OK and Cancel answers neither.
    tap(kMenuErase);
    tap({120, 231});
    EXPECT_TRUE(screen->messageBoxShowing());
}

TEST_F(TabEditor, WithoutAnEngineNothingSoundsAndNothingBreaks) {
    TabGuitarSetupView silent(nullptr, nullptr, &tab);
    silent.processTouches({down(1, kListen), up(1, kListen), down(2, {100, 143}), up(2, {100, 143})});
    EXPECT_EQ(silent.fret()[0], 0);
    TabGuitarSetupView noTab(nullptr, &engine, nullptr);
    noTab.processTouches({down(1, kTabDisplay), up(1, kTabDisplay), down(2, kInsert), up(2, kInsert)});
    EXPECT_EQ(noTab.currentPositionLabel().text(), "0/0");
}

} // namespace

// --- In a headless window ---------------------------------------------------------
// With STRUMWELL_TABEDITOR_SHOTS set to a folder (and STRUMWELL_GUITAR_BUNDLE to
// a built bundle) each mode's frame is saved as a picture to look at.

#include <cstdlib>

#include "platform/Application.h"

namespace {

TEST(TabEditorInAWindow, TouchesArriveThroughTheWindowAndEveryModeDraws) {
    ManualClock clock{100.0};
    ApplicationOptions o;
    o.headless = true;
    o.windowScale = 1;
    o.clock = &clock;
    o.paced = false;
    o.handleSignals = false;
    if (const char* bundle = std::getenv("STRUMWELL_GUITAR_BUNDLE"))
        o.bundleFolder = bundle;
    Application app(o);
    std::string error;
    ASSERT_TRUE(app.initialize(&error)) << error;
    auto turn = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            clock.advance(1.0 / 60);
            app.runFrames(1);
        }
    };
    auto shot = [&](const std::string& name) {
        if (const char* folder = std::getenv("STRUMWELL_TABEDITOR_SHOTS"))
            app.saveScreenshot(std::string(folder) + "/" + name + ".png");
    };
    auto tapAt = [&](Point p) {
        app.injectTouch(1, TouchPhase::Began, p);
        turn(1);
        app.injectTouch(1, TouchPhase::Ended, p);
        turn(1);
    };

    TempFolder bundle;
    SoundEngine engine{nullptr, nullptr, nullptr, bundle.path(), clock};
    StrumSpy spy;
    engine.setRecorder(&spy);
    Tab tab;
    {
        TabGuitarSetupView screen(nullptr, &engine, &tab);
        app.rootView().addSubview(&screen);
        turn(2);

        tapAt({100, 199}); // string 0 at fret 1
        tapAt({217, 255}); // string 3 at fret 2
        tapAt(kInsert);
        EXPECT_EQ(tab.tabSize(), 1);
        EXPECT_EQ(screen.currentPositionLabel().text(), "1/1");
        shot("tabeditor-fret");

        tapAt(kPlectrum);
        turn(30);
        EXPECT_TRUE(screen.menuShowing());
        shot("tabeditor-menu");
        tapAt(kMenuMode);
        tapAt(kPlectrum);
        turn(30);
        EXPECT_EQ(screen.entryMode(), 1);
        shot("tabeditor-tab");

        tapAt(kPlectrum);
        turn(30);
        tapAt(kMenuMode);
        tapAt(kPlectrum);
        turn(30);
        tapAt({256, 316}); // m7
        tapAt({182, 139}); // C
        EXPECT_EQ(screen.fret(), (Frets{-1, 3, 1, 3, 1, 3}));
        tapAt(kInsert);
        shot("tabeditor-chord");

        tapAt(kPlectrum);
        turn(30);
        tapAt(kMenuErase);
        EXPECT_TRUE(screen.messageBoxShowing());
        shot("tabeditor-erase");
        tapAt(kBoxOK);
        EXPECT_EQ(tab.tabSize(), 0);
        screen.removeFromSuperview();
    }
    engine.setRecorder(nullptr);
}

} // namespace
