// The Tab Guitar: string bands, strums of the current column and stepping
// through the tab, the hold button's single strings, the tab display and the
// lights, the arrows, the noise buttons, the strum speed knob, the Plectrum
// menu and the keyboard fingers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "GuitarTestRig.h"
#include "guitars/KeyFingers.h"
#include "guitars/TabGuitarKeys.h"
#include "guitars/TabGuitarView.h"
#include "platform/Application.h"
#include "platform/Knob.h"
#include "storage/Tab.h"

using namespace guitartest;

namespace {

// Middles of the string bands over the pickup.
constexpr float kStringX[6] = {67, 111, 148, 185, 223, 265};
constexpr float kPickupY = 440;
constexpr Point kHold = {287, 335};
constexpr Point kBackArrow = {168, 27};
constexpr Point kForwardArrow = {168, 341};
constexpr Point kKnob = {45, 311};
constexpr Point kPlectrum = {20, 20};

Point pickup(int string) {
    return {kStringX[string], kPickupY};
}

class TabGuitar : public ::testing::Test {
protected:
    explicit TabGuitar(bool recording = true) : rig(recording), screen(nullptr, &rig.engine, &tab) {
        // The slowest spread-free strum: 7 ms between strings.
        rig.engine.setChordStrumSpeed(0);
        screen.redraw();
    }

    // Lets the playback passes strum a whole chord (and act on any stop).
    void strum() {
        for (int k = 0; k < 8; ++k) {
            rig.clock.advance(0.01);
            rig.recorder.runPlaybackPass();
        }
    }
    // The starts ("+S") and stops ("-S") since the last call, volumes left out.
    Log events() {
        strum();
        Log out;
        for (std::string e : rig.fresh()) {
            const auto at = e.find('@');
            if (at != std::string::npos)
                e.erase(at);
            out.push_back(e);
        }
        return out;
    }
    void tap(long id, Point p) {
        screen.processTouches({down(id, p)});
        screen.processTouches({up(id, p)});
    }
    // C major, A minor, an open low E with a 12th fret high E.
    void threeColumns() {
        tab.addNotesToTab(0, "x32010");
        tab.addNotesToTab(1, "x02210");
        tab.addChordToTab(2, 0, -1, -1, -1, -1, 12);
        tab.moveToStartOfTab();
        screen.redraw();
    }
    std::vector<float> lights() const {
        std::vector<float> out;
        for (int s = 0; s < 6; ++s)
            out.push_back(screen.LEDLit(s).alpha());
        return out;
    }

    Rig rig;
    Tab tab;
    TabGuitarView screen;
};

class TabGuitarIdle : public TabGuitar {
protected:
    TabGuitarIdle() : TabGuitar(false) {}
};

} // namespace

TEST(TabGuitarBands, StringsAcrossThePickup) {
    EXPECT_EQ(TabGuitarView::getStringForCoord({43, 400}), 0);
    EXPECT_EQ(TabGuitarView::getStringForCoord({92.9f, 400}), 0);
    EXPECT_EQ(TabGuitarView::getStringForCoord({93, 400}), 1);
    EXPECT_EQ(TabGuitarView::getStringForCoord({130, 400}), 2);
    EXPECT_EQ(TabGuitarView::getStringForCoord({167, 400}), 3);
    EXPECT_EQ(TabGuitarView::getStringForCoord({204, 400}), 4);
    EXPECT_EQ(TabGuitarView::getStringForCoord({241.9f, 400}), 4);
    EXPECT_EQ(TabGuitarView::getStringForCoord({242, 400}), 5);
    EXPECT_EQ(TabGuitarView::getStringForCoord({288, 400}), 5);
}

TEST_F(TabGuitar, StartsQuietWithTheKnobAtTheEngineSpeed) {
    EXPECT_EQ(screen.draggingKnob(), -1);
    for (int s = 0; s < 6; ++s)
        EXPECT_EQ(screen.playlistNoForString(s), -1);
    EXPECT_FALSE(screen.holdPosition());
    EXPECT_FALSE(screen.menuShowing());
    rig.engine.setChordStrumSpeed(0.5f);
    TabGuitarView other(nullptr, &rig.engine, &tab);
    EXPECT_NEAR(other.strumSpeed().getValue(), 0.5f, 1e-5f);
    rig.engine.setChordStrumSpeed(0.25f);
    other.redraw();
    EXPECT_NEAR(other.strumSpeed().getValue(), 0.25f, 1e-5f);
    EXPECT_EQ(other.guitarInputLabel().text(), "Guitar 1");
}

TEST_F(TabGuitar, EmptyTabPlaysNothingAndStaysAtZero) {
    screen.processTouches({down(1, pickup(2))});
    EXPECT_EQ(screen.numFingersPressingPickup(), 1);
    screen.processTouches({up(1, pickup(2))});
    EXPECT_EQ(events(), Log{});
    EXPECT_EQ(tab.currentTabIndex(), 0);
    EXPECT_EQ(screen.numFingersPressingPickup(), 0);
    EXPECT_EQ(lights(), std::vector<float>(6, 0.0f));
    for (int s = 0; s < 6; ++s)
        EXPECT_EQ(screen.tabDisplay(s).text(), "");
}

TEST_F(TabGuitar, TenCellsWithTwoDigitFretsFitTheirRow) {
    for (int c = 0; c < 12; ++c)
        tab.addNotesToTab(c, c % 2 ? "x32010" : "022100");
    tab.addChordToTab(3, 12, 12, 12, 12, 12, 12);
    tab.moveToStartOfTab();
    tab.incrementTabPosition();
    screen.redraw();
    for (int s = 0; s < 6; ++s) {
        const Label& row = screen.tabDisplay(s);
        ASSERT_EQ(row.text().size(), 30u);
        EXPECT_EQ(row.layoutLines(), std::vector<std::string>{row.text()}) << "string " << s;
    }
}

TEST_F(TabGuitar, AnEmptyTabSaysSoAndWhereATabComesFrom) {
    const std::string text = screen.emptyTabLabel().text();
    EXPECT_EQ(screen.emptyTabLabel().alpha(), 1.0f);
    // The menu items by the names they carry.
    EXPECT_NE(text.find("empty"), std::string::npos);
    EXPECT_NE(text.find("MENU \u203a ENTER TAB"), std::string::npos);
    EXPECT_NE(text.find("tab library"), std::string::npos);
    EXPECT_NE(text.find("LOAD / SAVE"), std::string::npos);
    EXPECT_EQ(screen.positionMarker().alpha(), 0.0f) << "no column to mark";

    tab.addNotesToTab(0, "x32010");
    screen.redraw();
    EXPECT_EQ(screen.emptyTabLabel().alpha(), 0.0f);
    EXPECT_GT(screen.positionMarker().alpha(), 0.0f);
    tab.clearTab();
    screen.redrawTabDisplay();
    EXPECT_EQ(screen.emptyTabLabel().alpha(), 1.0f);
}

TEST_F(TabGuitar, APluckStrumsTheColumnAndTheLiftMovesOn) {
    threeColumns();
    screen.processTouches({down(1, pickup(0))});
    // Whichever string is touched, the whole column is strummed from string 0 up.
    EXPECT_EQ(events(), (Log{"+10", "+14", "+17", "+22", "+26"}));
    EXPECT_EQ(tab.currentTabIndex(), 0) << "the position moves on the lift";
    screen.processTouches({up(1, pickup(0))});
    EXPECT_EQ(events(), (Log{"-10", "-14", "-17", "-22", "-26"}))
        << "the strum sounds while the finger stays";
    EXPECT_EQ(tab.currentTabIndex(), 1);

    tab.setCurrentTabIndex(2);
    screen.redraw();
    screen.processTouches({down(2, pickup(5))});
    EXPECT_EQ(events(), (Log{"+2", "+38"}));
    screen.processTouches({up(2, pickup(5))});
    EXPECT_EQ(events(), (Log{"-2", "-38"}));
    EXPECT_EQ(tab.currentTabIndex(), 0) << "lifting on the last column wraps to the first";
}

TEST_F(TabGuitar, PastTheLastColumnAPluckPlaysNothingAndGoesBackToTheStart) {
    threeColumns();
    tab.setCurrentTabIndex(3);
    screen.redraw();
    tap(1, pickup(3));
    EXPECT_EQ(events(), Log{});
    EXPECT_EQ(tab.currentTabIndex(), 0);
}

TEST_F(TabGuitar, TwoFingersWithoutHoldEachAdvance) {
    threeColumns();
    screen.processTouches({down(1, pickup(1)), down(2, pickup(4))});
    EXPECT_EQ(screen.numFingersPressingPickup(), 2);
    screen.processTouches({up(1, pickup(1))});
    EXPECT_EQ(tab.currentTabIndex(), 1);
    screen.processTouches({up(2, pickup(4))});
    EXPECT_EQ(tab.currentTabIndex(), 2);
    EXPECT_EQ(screen.numFingersPressingPickup(), 0);
}

TEST_F(TabGuitar, SlidingOnAndOffThePickup) {
    threeColumns();
    // Onto the pickup from above: a pluck.
    screen.processTouches({down(1, {150, 380})});
    screen.processTouches({move(1, pickup(2), {150, 380})});
    EXPECT_EQ(screen.numFingersPressingPickup(), 1);
    EXPECT_EQ(events(), (Log{"+10", "+14", "+17", "+22", "+26"}));
    // Across the strings without hold: nothing more.
    screen.processTouches({move(1, pickup(4), pickup(2))});
    EXPECT_EQ(events(), Log{});
    // Off it: the lift, and the next column.
    screen.processTouches({move(1, {150, 380}, pickup(4))});
    EXPECT_EQ(screen.numFingersPressingPickup(), 0);
    EXPECT_EQ(tab.currentTabIndex(), 1);
    screen.processTouches({up(1, {150, 380})});
    EXPECT_EQ(tab.currentTabIndex(), 1) << "a lift off the pickup does not move on again";
}

TEST_F(TabGuitar, HoldPlaysSingleStringsAndKeepsThePosition) {
    threeColumns(); // column 0: x32010
    screen.processTouches({down(1, kHold)});
    EXPECT_TRUE(screen.holdPosition());
    screen.processTouches({down(2, pickup(0))}); // string 0 is not played
    Point at = pickup(0);
    for (int s = 1; s < 6; ++s) {
        screen.processTouches({move(2, pickup(s), at)});
        at = pickup(s);
    }
    EXPECT_EQ(events(), (Log{"+10", "+14", "-10", "+17", "-14", "+22", "-17", "+26", "-22"}));
    EXPECT_EQ(tab.currentTabIndex(), 0);
    EXPECT_NE(screen.playlistNoForString(5), -1);

    // Releasing hold with the finger still on the pickup stops it, no move.
    screen.processTouches({up(1, kHold)});
    EXPECT_FALSE(screen.holdPosition());
    EXPECT_EQ(events(), Log{"-26"});
    EXPECT_EQ(screen.playlistNoForString(5), -1);
    EXPECT_EQ(tab.currentTabIndex(), 0);
    // Then the finger leaves the pickup: one step.
    screen.processTouches({up(2, at)});
    EXPECT_EQ(tab.currentTabIndex(), 1);
    EXPECT_EQ(events(), Log{});
}

TEST_F(TabGuitar, HoldLiftedWithNoFingerOnThePickupMovesOnOnce) {
    threeColumns();
    screen.processTouches({down(1, kHold)});
    tap(2, pickup(2));
    EXPECT_EQ(events(), (Log{"+14", "-14"}));
    EXPECT_EQ(tab.currentTabIndex(), 0);
    screen.processTouches({up(1, kHold)});
    EXPECT_EQ(tab.currentTabIndex(), 1);
}

TEST_F(TabGuitar, SlidingOffHoldMovesOnOnce) {
    threeColumns();
    screen.processTouches({down(1, kHold)});
    screen.processTouches({move(1, {200, 335}, kHold)});
    EXPECT_FALSE(screen.holdPosition());
    EXPECT_EQ(tab.currentTabIndex(), 1);
    screen.processTouches({up(1, {200, 335})});
    EXPECT_EQ(tab.currentTabIndex(), 1);
}

TEST_F(TabGuitar, HoldOnAStringNotPlayedSoundsNothing) {
    threeColumns();
    screen.processTouches({down(1, kHold)});
    tap(2, pickup(0));
    EXPECT_EQ(events(), Log{});
    EXPECT_EQ(screen.playlistNoForString(0), -1);
}

TEST_F(TabGuitar, ASecondFingerOnAHeldStringStopsTheFirstNote) {
    threeColumns();
    screen.processTouches({down(1, kHold)});
    screen.processTouches({down(2, pickup(1))});
    screen.processTouches({down(3, pickup(1))});
    EXPECT_EQ(events(), (Log{"+10", "-10", "+10"}));
    screen.processTouches({up(2, pickup(1)), up(3, pickup(1))});
    EXPECT_EQ(events(), Log{"-10"});
    // Every recorded start has its stop.
    int open = 0;
    for (const std::string& e : rig.log())
        open += e[0] == '+' ? 1 : -1;
    EXPECT_EQ(open, 0);
}

TEST_F(TabGuitar, ArrowsStepWithinTheTab) {
    threeColumns();
    tap(1, kBackArrow);
    EXPECT_EQ(tab.currentTabIndex(), 0);
    tap(1, kForwardArrow);
    EXPECT_EQ(tab.currentTabIndex(), 1);
    tap(1, kForwardArrow);
    EXPECT_EQ(tab.currentTabIndex(), 2);
    tap(1, kForwardArrow);
    EXPECT_EQ(tab.currentTabIndex(), 0) << "forward on the last column wraps";
    tap(1, kForwardArrow);
    tap(1, kBackArrow);
    EXPECT_EQ(tab.currentTabIndex(), 0);
    EXPECT_EQ(events(), Log{});
    // The display follows.
    tap(1, kForwardArrow);
    EXPECT_EQ(screen.tabDisplay(1).text().substr(3, 3), "  0");
}

TEST_F(TabGuitar, TabDisplayCells) {
    threeColumns();
    // Position 0: a blank cell first, then the columns.
    EXPECT_EQ(screen.tabDisplay(0).text(), "           0");
    EXPECT_EQ(screen.tabDisplay(1).text(), "     3  0   ");
    EXPECT_EQ(screen.tabDisplay(5).text(), "     0  0 12");
    tab.setCurrentTabIndex(1);
    screen.redraw();
    EXPECT_EQ(screen.tabDisplay(1).text(), "  3  0   ") << "the current column is the second cell";
    EXPECT_EQ(screen.tabDisplay(5).text(), "  0  0 12");
    // At most ten cells: the one before, the current one and eight after.
    for (int i = 0; i < 12; ++i)
        tab.addNoteToTab(100, 0, i);
    tab.setCurrentTabIndex(4);
    screen.redrawTabDisplay();
    EXPECT_EQ(screen.tabDisplay(0).text(), "  0  1  2  3  4  5  6  7  8  9");
    EXPECT_EQ(screen.tabDisplay(0).text().size(), 30u);
    // Past the last column: the last one and nothing after.
    tab.setCurrentTabIndex(tab.tabSize());
    screen.redrawTabDisplay();
    EXPECT_EQ(screen.tabDisplay(0).text(), " 11");
    // A position left far below the start shows blank cells only, ten at most.
    tab.setCurrentTabIndex(-100);
    screen.redrawTabDisplay();
    EXPECT_EQ(screen.tabDisplay(0).text(), std::string(30, ' '));
    tab.setCurrentTabIndex(-1);
    screen.redrawTabDisplay();
    EXPECT_EQ(screen.tabDisplay(0).text().substr(0, 9), "         ");
}

TEST_F(TabGuitar, APositionBeforeTheStartPlaysNothingAndTheLiftGoesToTheStart) {
    threeColumns();
    tab.setCurrentTabIndex(-1);
    screen.redraw();
    screen.processTouches({down(1, pickup(2))});
    EXPECT_EQ(events(), Log{});
    screen.processTouches({up(1, pickup(2))});
    EXPECT_EQ(tab.currentTabIndex(), 0);
}

TEST_F(TabGuitar, LightsFollowTheColumn) {
    threeColumns();
    EXPECT_EQ(lights(), (std::vector<float>{0, 1, 1, 1, 1, 1}));
    tab.setCurrentTabIndex(2);
    screen.redrawTabDisplay();
    EXPECT_EQ(lights(), (std::vector<float>{1, 0, 0, 0, 0, 1}));
    // Past the end the lights keep what they showed.
    tab.setCurrentTabIndex(3);
    screen.redrawTabDisplay();
    EXPECT_EQ(lights(), (std::vector<float>{1, 0, 0, 0, 0, 1}));
    tab.clearTab();
    screen.redraw();
    EXPECT_EQ(lights(), std::vector<float>(6, 0.0f));
    // The lights sit under the strings.
    EXPECT_FLOAT_EQ(screen.LEDLit(3).center().x, 75 + 37 * 3);
    EXPECT_FLOAT_EQ(screen.LEDLit(3).center().y, 439);
}

TEST_F(TabGuitar, NoiseButtonsOnlyOnAnAcousticGuitar) {
    ASSERT_FALSE(rig.engine.isAcoustic(0));
    EXPECT_FLOAT_EQ(screen.acousticNoises().alpha(), 0);
    tap(1, {290, 30});
    tap(1, {290, 100});
    EXPECT_EQ(events(), Log{});
}

TEST_F(TabGuitarIdle, NoiseButtonsPlayTheFretAndTapNoises) {
    rig.engine.nextPatch(nullptr, 0); // Acoustic 1
    ASSERT_TRUE(rig.engine.isAcoustic(0));
    screen.redraw();
    EXPECT_FLOAT_EQ(screen.acousticNoises().alpha(), 1);
    rig.recorder.record();
    tap(1, {290, 30});
    Log fret = events();
    ASSERT_EQ(fret.size(), 2u);
    const int fretSample = std::stoi(fret[0].substr(1));
    EXPECT_GE(fretSample, 100);
    EXPECT_LE(fretSample, 109);
    EXPECT_EQ(fret[1], "-" + fret[0].substr(1));
    tap(1, {290, 100});
    Log tapNoise = events();
    ASSERT_EQ(tapNoise.size(), 2u);
    const int tapSample = std::stoi(tapNoise[0].substr(1));
    EXPECT_GE(tapSample, 110);
    EXPECT_LE(tapSample, 121);
}

TEST_F(TabGuitar, KnobTurnsOnlyWhileTouched) {
    rig.engine.setChordStrumSpeed(0.5f);
    screen.redraw();
    const float before = rig.engine.chordStrumSpeed();
    // A move right after the screen is shown turns nothing.
    screen.processTouches({move(1, {60, 330}, {30, 330})});
    EXPECT_FLOAT_EQ(rig.engine.chordStrumSpeed(), before);
    EXPECT_FLOAT_EQ(screen.strumSpeed().getValue(), before);

    // Down on the knob, around it: the engine follows the knob.
    screen.processTouches({down(2, {45, 280})});
    EXPECT_EQ(screen.draggingKnob(), 0);
    Point at = {45, 280};
    const Point path[] = {{35, 282}, {25, 290}, {18, 300}, {15, 311}};
    for (Point p : path) {
        screen.processTouches({move(2, p, at)});
        at = p;
    }
    const float turned = screen.strumSpeed().getValue();
    EXPECT_NE(turned, before);
    EXPECT_NEAR(rig.engine.chordStrumSpeed(), turned, 1e-5f);
    EXPECT_FLOAT_EQ(turned,
                    Knob::turnedValue(
                        Knob::turnedValue(
                            Knob::turnedValue(Knob::turnedValue(before, kKnob.x, kKnob.y, {45, 280}, path[0]),
                                              kKnob.x, kKnob.y, path[0], path[1]),
                            kKnob.x, kKnob.y, path[1], path[2]),
                        kKnob.x, kKnob.y, path[2], path[3]));
    // A lift anywhere ends the turning.
    screen.processTouches({up(2, at)});
    EXPECT_EQ(screen.draggingKnob(), -1);
    screen.processTouches({move(3, {30, 300}, at)});
    EXPECT_FLOAT_EQ(screen.strumSpeed().getValue(), turned);
}

TEST_F(TabGuitar, PlectrumMenuStopsEverythingAndRestartKeepsItOpen) {
    threeColumns();
    tab.setCurrentTabIndex(1);
    screen.processTouches({down(1, kHold)});
    screen.processTouches({down(2, pickup(2))});
    EXPECT_EQ(events(), Log{"+14"});
    screen.processTouches({down(3, kPlectrum)});
    EXPECT_TRUE(screen.menuShowing());
    EXPECT_EQ(events(), Log{"-14"});
    EXPECT_EQ(screen.numFingersPressingPickup(), 0);
    EXPECT_EQ(tab.currentTabIndex(), 1) << "opening the menu does not move on";
    // The fingers' lifts go to the menu: nothing happens.
    screen.processTouches({up(1, kHold), up(2, pickup(2)), up(3, kPlectrum)});
    EXPECT_EQ(tab.currentTabIndex(), 1);
    EXPECT_FALSE(screen.holdPosition()) << "a hold lifted while the menu showed does not stay held";

    // Restart tab: position 0, menu still open.
    tap(4, {220, 120});
    EXPECT_EQ(tab.currentTabIndex(), 0);
    EXPECT_TRUE(screen.menuShowing());
    // The pickup is not played while the menu shows.
    tap(5, pickup(3));
    EXPECT_EQ(events(), Log{});
    // Between the items and the bars nothing acts.
    tap(6, {150, 120});
    EXPECT_TRUE(screen.menuShowing());
    // The plectrum closes it.
    tap(7, kPlectrum);
    EXPECT_FALSE(screen.menuShowing());
    EXPECT_FLOAT_EQ(screen.greyout().alpha(), 0);
}

TEST_F(TabGuitar, TabItemsLeadToTheEditorAndTheLibrary) {
    for (Point item : {Point{220, 238}, Point{220, 350}}) {
        tap(1, kPlectrum);
        tap(2, item);
        EXPECT_FALSE(screen.menuShowing());
        EXPECT_EQ(rig.engine.getRecorderState(), 0) << "leaving stops the recording";
        rig.recorder.record();
    }
}

TEST_F(TabGuitarIdle, GuitarSwitchShowsTheNoiseButtonsForAcousticGuitars) {
    rig.engine.nextPatch(nullptr, 1); // guitar 2: Acoustic 1
    screen.redraw();
    EXPECT_FLOAT_EQ(screen.acousticNoises().alpha(), 0);
    tap(1, kPlectrum);
    tap(2, {30, 250});
    EXPECT_EQ(screen.currentGuitar(), 1);
    EXPECT_EQ(screen.guitarInputLabel().text(), "Guitar 2");
    EXPECT_FLOAT_EQ(screen.acousticNoises().alpha(), 1);
    tap(2, {30, 250});
    EXPECT_EQ(screen.guitarInputLabel().text(), "Guitar 1");
    EXPECT_FLOAT_EQ(screen.acousticNoises().alpha(), 0);
}

TEST_F(TabGuitarIdle, RecordAndPlayButtons) {
    tap(1, kPlectrum);
    tap(2, {30, 400});
    EXPECT_EQ(rig.engine.getRecorderState(), 2);
    EXPECT_FALSE(screen.menuShowing()) << "recording closes the menu";
    EXPECT_FLOAT_EQ(screen.recPressed().alpha(), 1);
    EXPECT_FLOAT_EQ(screen.playPressed().alpha(), 0);
    tap(1, kPlectrum);
    tap(2, {30, 400});
    EXPECT_EQ(rig.engine.getRecorderState(), 0);
    EXPECT_TRUE(screen.menuShowing());
    EXPECT_FLOAT_EQ(screen.recPressed().alpha(), 0);
}

TEST_F(TabGuitar, TheStrummedGuitarIsTheCurrentOne) {
    threeColumns();
    tap(1, kPlectrum);
    tap(2, {30, 250});
    tap(3, kPlectrum);
    // Let the playback thread take the menu's stop before the next strum.
    strum();
    screen.processTouches({down(4, pickup(0))});
    strum();
    screen.processTouches({up(4, pickup(0))});
    // Guitar 2's samples are 48 above guitar 1's.
    EXPECT_EQ(events(), (Log{"+58", "+62", "+65", "+70", "+74", "-58", "-62", "-65", "-70", "-74"}));
}

TEST(TabGuitarKeyMap, KeysLandOnTheirControls) {
    for (int s = 0; s < 6; ++s) {
        const Key key =
            std::vector<Key>{Key::A, Key::S, Key::D, Key::F, Key::G, Key::H}[static_cast<std::size_t>(s)];
        const auto p = TabGuitarKeys::pointForKey(key);
        ASSERT_TRUE(p.has_value());
        EXPECT_TRUE(TabGuitarView::onPickup(*p));
        EXPECT_EQ(TabGuitarView::getStringForCoord(*p), s);
        EXPECT_EQ(TabGuitarKeys::stringForKey(key), s);
    }
    EXPECT_TRUE(TabGuitarView::onHoldButton(*TabGuitarKeys::pointForKey(Key::J)));
    EXPECT_FALSE(TabGuitarKeys::pointForKey(Key::Space).has_value());
    EXPECT_FALSE(TabGuitarKeys::pointForKey(Key::Return).has_value());
    EXPECT_FALSE(TabGuitarKeys::pointForKey(Key::Escape).has_value());
    EXPECT_FALSE(TabGuitarKeys::pointForKey(Key::F11).has_value());
    for (Key key : {Key::Keypad2, Key::Keypad4, Key::Keypad5, Key::Keypad6, Key::Keypad8})
        EXPECT_FALSE(TabGuitarKeys::pointForKey(key).has_value());
    for (Key key :
         {Key::A, Key::S, Key::D, Key::F, Key::G, Key::H, Key::J, Key::Left, Key::Right, Key::N, Key::M})
        EXPECT_FALSE(KeyFingers::isReservedByPlatform(key, false));
    EXPECT_EQ(TabGuitarKeys::bindings().size(), 4u);
}

TEST_F(TabGuitar, KeysPlayThroughTheTouchPath) {
    threeColumns();
    // Keys act only on a screen that is shown; drive the finger points directly.
    KeyFingers fingers;
    screen.processTouches({fingers.press(Key::J, *TabGuitarKeys::pointForKey(Key::J))});
    screen.processTouches({fingers.press(Key::S, *TabGuitarKeys::pointForKey(Key::S))});
    EXPECT_EQ(events(), Log{"+10"});
    screen.processTouches({*fingers.release(Key::S)});
    screen.processTouches({*fingers.release(Key::J)});
    EXPECT_EQ(events(), Log{"-10"});
    EXPECT_EQ(tab.currentTabIndex(), 1);
    screen.processTouches({fingers.press(Key::Right, *TabGuitarKeys::pointForKey(Key::Right))});
    screen.processTouches({*fingers.release(Key::Right)});
    EXPECT_EQ(tab.currentTabIndex(), 2);
    // A key on a screen that is not shown does nothing.
    KeyEvent event;
    event.key = Key::A;
    EXPECT_FALSE(screen.keyDown(event));
}

// In a headless window: the platform's keys and touches reach the screen
// through the application's routing, and it draws at rest, playing and with
// its menu open. With STRUMWELL_GUITAR_SHOTS set to a folder (and
// STRUMWELL_GUITAR_BUNDLE to a built bundle) the frames are saved.
TEST(TabGuitarInAWindow, KeysAndTouchesThroughTheApplication) {
    ManualClock clock{100.0};
    ApplicationOptions o;
    o.headless = true;
    o.windowScale = 1;
    o.clock = &clock;
    o.paced = false;
    o.handleSignals = false;
    if (const char* bundle = std::getenv("STRUMWELL_GUITAR_BUNDLE"))
        o.bundleFolder = bundle;
    auto app = std::make_unique<Application>(o);
    std::string error;
    ASSERT_TRUE(app->initialize(&error)) << error;
    auto turn = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            clock.advance(1.0 / 60);
            app->runFrames(1);
        }
    };
    auto key = [&](Key k, bool isDown) {
        KeyEvent e;
        e.key = k;
        app->injectKey(e, isDown);
        turn(1);
    };
    auto shot = [&](const std::string& name) {
        if (const char* folder = std::getenv("STRUMWELL_GUITAR_SHOTS"))
            app->saveScreenshot(std::string(folder) + "/" + name + ".png");
    };

    Rig rig;
    rig.engine.setChordStrumSpeed(0);
    Tab tab;
    tab.addNotesToTab(0, "x32010");
    tab.addNotesToTab(1, "022100");
    tab.addChordToTab(2, 3, 2, 0, 0, 0, 12);
    TabGuitarView screen(nullptr, &rig.engine, &tab);
    screen.redraw();
    app->rootView().addSubview(&screen);
    turn(2);
    shot("tab-rest");

    // J holds, D plucks the D string... of column 0 alone.
    key(Key::J, true);
    key(Key::D, true);
    EXPECT_EQ(rig.fresh().size(), 1u);
    turn(2);
    shot("tab-holding");
    key(Key::D, false);
    key(Key::J, false);
    EXPECT_EQ(tab.currentTabIndex(), 1);
    EXPECT_EQ(screen.keyFingers().heldCount(), 0u);

    // A finger on the pickup strums column 1; its lift moves on. (The
    // playback thread first takes the stop of the lifts above.)
    rig.recorder.runPlaybackPass();
    rig.fresh();
    app->injectTouch(1, TouchPhase::Began, {150, 440});
    turn(1);
    for (int k = 0; k < 8; ++k) {
        rig.clock.advance(0.01);
        rig.recorder.runPlaybackPass();
    }
    EXPECT_EQ(rig.fresh().size(), 6u);
    app->injectTouch(1, TouchPhase::Ended, {150, 440});
    turn(1);
    EXPECT_EQ(tab.currentTabIndex(), 2);

    // The menu, drawn once its slide is over; keys are not taken meanwhile.
    app->injectTouch(2, TouchPhase::Began, {20, 20});
    app->injectTouch(2, TouchPhase::Ended, {20, 20});
    turn(30);
    EXPECT_TRUE(screen.menuShowing());
    key(Key::Right, true);
    EXPECT_EQ(tab.currentTabIndex(), 2);
    key(Key::Right, false);
    shot("tab-menu");
    screen.removeFromSuperview();
}
