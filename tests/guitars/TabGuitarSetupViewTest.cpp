// The tab editor driven by touch scripts against a real tab and a real
// engine and recorder (no audio output), hearing what its strums play: the
// common buttons, the three entry modes, the chord library panel, the tab
// display, the Plectrum menu and the erase box.

#include "guitars/TabGuitarSetupView.h"
#include "GuitarTestRig.h"
#include "song/Tab.h"
#include "storage/ChordLibrary.h"

using namespace guitartest;
using Button = TabGuitarSetupView::Button;
using Scroll = TabGuitarSetupView::Scroll;
using Frets = std::array<int32_t, 6>;

namespace {

Point button(Button b) {
    return centreOf(TabGuitarSetupView::buttonAreas(), b);
}
const Point kPlectrum = {20, 20}, kMenuLoadSave = {200, 60}, kMenuMode = {200, 180}, kMenuErase = {200, 300},
            kMenuPlayTab = {200, 420}, kBoxOK = {120, 180}, kBoxCancel = {120, 290};
const Point kNut = centreOf(TabGuitarSetupView::scrollAreas(), Scroll::TowardNut);
const Point kBody = centreOf(TabGuitarSetupView::scrollAreas(), Scroll::TowardBody);
const Frets kAMaj = {-1, 0, 2, 2, 2, 0};

// Each string's strum start ("+"), or its stop ("-"), or both in turn.
Log strumOf(std::vector<int> samples, std::string signs = "+-") {
    Log out;
    for (char sign : signs)
        for (int s : samples)
            out.push_back(sign + std::to_string(s));
    return out;
}

class TabEditor : public ::testing::Test {
protected:
    TabEditor() {
        rig.strums = true;
        rig.performer.setStrumSpeed(0);
        // "position mode frets key/type", frets low E first, then "L" and
        // the leftmost fret of the fret panel, " menu", " box".
        rig.state = [this] {
            std::string out =
                screen.currentPositionLabel().text() + " " + std::to_string(screen.entryMode()) + " ";
            for (int32_t f : screen.fret())
                out += f < 0 ? "x" : std::to_string(f) + (f > 9 ? " " : "");
            return out + " " + std::to_string(screen.chordKeyIndex()) + "/" +
                   std::to_string(screen.chordTypeIndex()) + " L" + std::to_string(screen.leftmostFret()) +
                   (screen.menuShowing() ? " menu" : "") + (screen.messageBoxShowing() ? " box" : "");
        };
    }

    void play(std::initializer_list<Step> steps) { guitartest::play(screen, rig, steps); }
    void tap(Point p) {
        guitartest::tap(screen, 1, p);
        rig.heard();
    }
    void chooseMode(int mode) {
        tap(kPlectrum);
        for (int i = 0; i < 3 && screen.entryMode() != mode; ++i)
            tap(kMenuMode);
        ASSERT_EQ(screen.entryMode(), mode);
        tap(kPlectrum);
    }
    static Point fretPoint(int string, int column) {
        const float x[6] = {100, 145, 180, 217, 255, 300};
        return {x[string], 143.0f + 56 * column};
    }
    static Point step(int string, bool up) {
        const float x[6] = {106, 142, 180, 218, 256, 298};
        return {x[string], up ? 300.0f : 190.0f};
    }
    // Where the chord panel draws a key's or a type's name: a finger there chooses it.
    Point keyPoint(int key) const { return screen.chordKeyLabel(key).center(); }
    Point typePoint(int type) const { return screen.chordTypeLabel(type).center(); }
    void lowEColumns(int count) {
        for (int i = 0; i < count; ++i)
            tab.addNoteToTab(100, 0, i);
    }

    Rig rig;
    Tab tab;
    Navigating<TabGuitarSetupView> screen{nullptr, &rig.performer, &tab};
};

} // namespace

// A fret beyond the bank (a tab file may hold one) stays silent.
TEST(TabEditorSamples, AFretSoundsItsOpenStringPlusTheFretOrNothingBeyondTheBank) {
    EXPECT_EQ(TabGuitarSetupView::samplesForFrets({0, 1, -1, 5, 27, 22}),
              (std::array<int, 6>{2, 8, -1, 22, -1, -1}));
}

TEST_F(TabEditor, InsertDeleteAndThePositionArrows) {
    const Point insert = button(Button::Insert), back = button(Button::Back),
                forward = button(Button::Forward);
    play({{'t', 1, insert, {}, "0/0 0 xxxxxx 0/0 L0"}}); // an empty chord inserts nothing
    lowEColumns(2);
    chooseMode(2); // A maj
    play({{'t', 1, insert, {}, "2/3 2 x02220 0/0 L0"}, {'t', 1, insert, {}, "3/4 2 x02220 0/0 L0"}});
    EXPECT_EQ(tab.tabEntryAtIndex(1).frets(), kAMaj);
    EXPECT_EQ(tab.tabEntryAtIndex(2).fret(0), 0);
    // From a position outside the tab: before the start, or appended after it.
    tab.setCurrentTabIndex(-1);
    play({{'t', 1, insert, {}, "2/5 2 x02220 0/0 L0"}});
    tab.setCurrentTabIndex(9);
    play({{'t', 1, insert, {}, "end/6 2 x02220 0/0 L0"},
          {'t', 1, button(Button::Delete), {}, "end/6 2 x02220 0/0 L0"}});
    EXPECT_EQ(tab.tabEntryAtIndex(5).frets(), kAMaj);
    // DELETE removes the column the counter names: "4/6" is the fourth.
    tab.setCurrentTabIndex(3);
    EXPECT_EQ(TabGuitarSetupView::positionText(tab), "4/6");
    play({{'t', 1, button(Button::Delete), {}, "4/5 2 x02220 0/0 L0"}});
    EXPECT_EQ(tab.tabEntryAtIndex(3).fret(0), 1);
    // The arrows stop at both ends, and bring a position left outside back in.
    const std::tuple<int, Point, std::string> arrows[] = {{0, back, "1/5"},      {0, forward, "2/5"},
                                                          {5, forward, "end/5"}, {5, back, "5/5"},
                                                          {7, back, "end/5"},    {-1, forward, "1/5"}};
    for (const auto& [from, arrow, readout] : arrows) {
        tab.setCurrentTabIndex(from);
        play({{'t', 1, arrow, {}, readout + " 2 x02220 0/0 L0"}});
    }
}

TEST_F(TabEditor, TabDisplayShowsSixCellsBeforeThePositionAndPlaysItsColumn) {
    const Frets columns[] = {{-1, 3, 12, -1, -1, -1}, {0, -1, -1, -1, -1, -1}};
    for (const Frets& f : columns)
        tab.addNotesToTab(-1, f.data());
    screen.redraw();
    EXPECT_EQ(screen.tabDisplay(2).text(), std::string(18, ' ') + " 12   ");
    // Tapping it plays the column and moves on when lifted; past the end nothing plays.
    const Point display = button(Button::TabDisplay);
    play({{'h', 1, display, {"+10", "+24"}, "1/2 0 xxxxxx 0/0 L0"},
          {'l', 1, display, {"-10", "-24"}, "2/2 0 xxxxxx 0/0 L0"},
          {'t', 1, display, strumOf({2}), "1/2 0 xxxxxx 0/0 L0"}});
    tab.setCurrentTabIndex(2);
    play({{'t', 1, display, {}, "1/2 0 xxxxxx 0/0 L0"}});
    tab.setCurrentTabIndex(-100);
    EXPECT_EQ(TabGuitarSetupView::tabDisplayRow(tab, 0), std::string(36, ' '));
}

TEST_F(TabEditor, FretModeSetsClearsAndScrolls) {
    play({{'h', 1, fretPoint(1, 3), {"+10"}, "0/0 0 x3xxxx 0/0 L0"},
          {'l', 1, fretPoint(1, 3), {"-10"}},
          {'t', 1, fretPoint(1, 3), strumOf({10}), "0/0 0 xxxxxx 0/0 L0"}, // a second touch clears it
          {'t', 1, fretPoint(5, 0), strumOf({26})},                        // column 0 at the start: open
          {'t', 1, fretPoint(4, 1), strumOf({22})},
          {'t', 1, fretPoint(4, 4), strumOf({25}), "0/0 0 xxxx40 0/0 L0"}, // replaces the first on its string
          {'t', 1, button(Button::Clear)},
          // Between strings and below the last column: nothing.
          {'t', 1, {127, 143}},
          {'t', 1, {100, 398}, {}, "0/0 0 xxxxxx 0/0 L0"},
          {'t', 1, fretPoint(2, 2), strumOf({14})},
          {'t', 1, kNut, {}, "0/0 0 xx2xxx 0/0 L0"}});
    for (int i = 0; i < 28; ++i)
        tap(kBody);
    screen.clearFrets();
    play({{'t', 1, fretPoint(5, 4), strumOf({47}), "0/0 0 xxxxx21  0/0 L17"},
          {'t', 1, kNut, {}, "0/0 0 xxxxx21  0/0 L16"}});
}

TEST_F(TabEditor, TabModeStepsFretsBetweenMinusOneAndTwentyOneSilently) {
    chooseMode(1);
    play({{'t', 1, step(0, false), {}, "0/0 1 xxxxxx 0/0 L0"},
          {'t', 1, step(0, true), {}, "0/0 1 0xxxxx 0/0 L0"}});
    for (int i = 0; i < 30; ++i)
        tap(step(3, true));
    // The border between the steps and the gap between strings name nothing.
    play({{'t', 1, step(3, false), {}, "0/0 1 0xx20 xx 0/0 L0"},
          {'t', 1, {step(1, true).x, 223}},
          {'t', 1, {124, 300}, {}, "0/0 1 0xx20 xx 0/0 L0"}});
}

TEST_F(TabEditor, EveryKeyAndTypeIsChosenByATouchOnItsNameAndStrumsItsChord) {
    chooseMode(2);
    for (int t = 0; t < 18; ++t)
        for (int k = 0; k < 12; ++k) {
            SCOPED_TRACE(testing::Message() << k << "," << t);
            tap(keyPoint(k));
            const Frets chord = ChordLibrary::fretsForChord(k, t);
            std::vector<int> samples;
            for (int s : TabGuitarSetupView::samplesForFrets(chord))
                if (s >= 0)
                    samples.push_back(s);
            play({{'h', 1, typePoint(t), strumOf(samples, "+")},
                  {'l', 1, typePoint(t), strumOf(samples, "-")}});
            ASSERT_EQ(screen.fret(), chord);
        }
}

TEST_F(TabEditor, TheSelectedChordReplaysTheEditedWorkingChord) {
    chooseMode(2);
    const Log cMajor = strumOf({10, 14, 17, 22, 26}, "+"), cMajorStops = strumOf({10, 14, 17, 22, 26}, "-");
    play({{'t', 1, keyPoint(3), strumOf({10})}, // only the first string before the lift stops it
          {'h', 1, keyPoint(3), cMajor},        // touching the selected key again replays
          {'m', 1, keyPoint(7)},                // within the key panel: nothing
          {'m', 1, typePoint(3), cMajorStops},  // out of it
          {'l', 1, typePoint(3)},
          {'h', 1, keyPoint(5), strumOf({12, 19, 24, 28}, "+"), "0/0 2 xx0232 5/0 L0"}}); // D maj
    // Edit the chord in fret mode; the selection stays D maj.
    play({{'l', 1, keyPoint(5), strumOf({12, 19, 24, 28}, "-")}});
    chooseMode(0);
    tap(fretPoint(0, 2));
    screen.changeChordToKey(5, 0);
    EXPECT_EQ(rig.heard(), (Log{"+4", "+12", "+19", "+24", "+28"}));
    // Out of range choices are ignored.
    screen.changeChordToKey(12, 0);
    screen.changeChordToKey(0, -1);
    screen.changeChordToKey(-1, 18);
    EXPECT_EQ(rig.state(), "0/0 0 2x0232 5/0 L0");
    EXPECT_TRUE(rig.heard().empty());
}

TEST_F(TabEditor, ListenThePlectrumMenuStoppingSoundLeadingToTheScreensAndTheEraseBox) {
    const Point listen = button(Button::Listen);
    chooseMode(2);
    // LISTEN strums the working chord until slid off, or until the menu opens.
    play({{'h', 1, listen, {"+7", "+14", "+19", "+23", "+26"}},
          {'m', 1, {listen.x, listen.y + 10}}, // still on LISTEN
          {'m', 1, {290, 300}, {"-7", "-14", "-19", "-23", "-26"}},
          {'l', 1, {290, 300}},
          {'h', 1, listen, {"+7", "+14", "+19", "+23", "+26"}},
          {'h', 2, kPlectrum, {"-7", "-14", "-19", "-23", "-26"}, "0/0 2 x02220 0/0 L0 menu"},
          // Moves and lifts do nothing while the menu is open, nor do the editor's controls.
          {'m', 1, {290, 100}},
          {'l', 1, {290, 100}},
          {'l', 2, kPlectrum},
          {'t', 3, {110, 430}, {}, "0/0 2 x02220 0/0 L0 menu"}, // on INSERT, off the menu's items
          {'t', 3, kPlectrum, {}, "0/0 2 x02220 0/0 L0"}});
    // x = 271 is the panel's, not the Top Menu Bar's; x = 113 is neither.
    for (Point item : {kMenuLoadSave, kMenuPlayTab, Point{272, 10}, Point{271.5f, 10}, Point{271, 60}}) {
        tap(kPlectrum);
        tap(item);
        EXPECT_FALSE(screen.menuShowing());
    }
    EXPECT_EQ(screen.visited, (std::vector<int>{14, 1, 7, 7, 14}));
    lowEColumns(2);
    tab.setCurrentTabIndex(2);
    screen.redraw();
    play({{'t', 1, kPlectrum},
          {'t', 1, {113, 420}},
          {'t', 1, {60, 200}, {}, "end/2 2 x02220 0/0 L0 menu"},
          {'t', 1, kMenuErase, {}, "end/2 2 x02220 0/0 L0 menu box"},
          {'t', 1, {200, 100}},
          {'t', 1, kBoxCancel, {}, "end/2 2 x02220 0/0 L0 menu"},
          {'t', 1, kMenuErase},
          {'t', 1, kBoxOK, {}, "0/0 2 x02220 0/0 L0 menu"}});
    EXPECT_EQ(screen.visited.size(), 5u);
    EXPECT_EQ(tab.tabSize(), 0);
}

TEST_F(TabEditor, WithoutAnEngineOrATabNothingBreaks) {
    TabGuitarSetupView silent(nullptr, nullptr, &tab);
    guitartest::tap(silent, 1, button(Button::Listen));
    guitartest::tap(silent, 2, fretPoint(0, 0));
    EXPECT_EQ(silent.fret()[0], 0);
    TabGuitarSetupView noTab(nullptr, &rig.performer, nullptr);
    guitartest::tap(noTab, 1, button(Button::TabDisplay));
    guitartest::tap(noTab, 2, button(Button::Insert));
    EXPECT_EQ(noTab.currentPositionLabel().text(), "0/0");
}
