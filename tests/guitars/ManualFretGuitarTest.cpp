// The Manual Fret guitar driven by synthetic touches: samples for held rows
// and scroll positions, hammer-ons and pull-offs, open strings silenced by
// fretting, strumming, slides, bends, MUTE, the fret count and the seventh
// touch, checked against the engine calls the recorder sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "GuitarTestRig.h"
#include "guitars/ManualFretAndPluckGuitarView.h"

using namespace guitartest;

namespace {

constexpr float kStringX[6] = {27, 83, 139, 194, 248, 297};
constexpr float kPickupY = 440;

class ManualFret : public ::testing::Test {
protected:
    ManualFret() : screen(nullptr, &rig.engine) { screen.redraw(); }

    // The middle of a row with the current spacing.
    float rowY(int row) const { return static_cast<float>(screen.rowMiddle(row)); }
    Point board(int string, int row) const { return {kStringX[string], rowY(row)}; }
    static Point pickup(int string) { return {kStringX[string], kPickupY}; }

    void tap(long id, Point p) {
        screen.processTouches({down(id, p)});
        screen.processTouches({up(id, p)});
    }
    void hold(long id, Point p) { screen.processTouches({down(id, p)}); }
    void lift(long id, Point p) { screen.processTouches({up(id, p)}); }

    Rig rig;
    ManualFretAndPluckGuitarView screen;
};

} // namespace

TEST_F(ManualFret, MapsPointsToStringsAndRows) {
    EXPECT_EQ(ManualFretAndPluckGuitarView::getStringForCoord({54.9f, 0}), 0);
    EXPECT_EQ(ManualFretAndPluckGuitarView::getStringForCoord({55, 0}), 1);
    EXPECT_EQ(ManualFretAndPluckGuitarView::getStringForCoord({165.9f, 0}), 2);
    EXPECT_EQ(ManualFretAndPluckGuitarView::getStringForCoord({221, 0}), 3);
    EXPECT_EQ(ManualFretAndPluckGuitarView::getStringForCoord({273, 0}), 4);
    EXPECT_EQ(ManualFretAndPluckGuitarView::getStringForCoord({274, 0}), 5);
    EXPECT_EQ(ManualFretAndPluckGuitarView::getStringForCoord({900, 0}), 5);
    EXPECT_EQ(ManualFretAndPluckGuitarView::getStringForCoord({-10, 0}), 0);
    // Five rows share the board from 57 to the pickup at 394: lines at 57,
    // 124, 191, 259 and 326.
    ASSERT_EQ(screen.numFretsToShow(), 5);
    EXPECT_EQ(screen.getFretForCoord({0, 56.9f}), -1);
    EXPECT_EQ(screen.getFretForCoord({0, 57}), 0);
    EXPECT_EQ(screen.getFretForCoord({0, 123.9f}), 0);
    EXPECT_EQ(screen.getFretForCoord({0, 124}), 1);
    EXPECT_EQ(screen.getFretForCoord({0, 200}), 2);
    EXPECT_EQ(screen.getFretForCoord({0, 393.9f}), 4);
    EXPECT_EQ(screen.getFretForCoord({0, 5000}), 9);
}

TEST_F(ManualFret, EveryFretCountFillsTheBoardWithRowsOfOneWidth) {
    for (int count = 3; count <= 10; ++count) {
        SCOPED_TRACE(count);
        rig.engine.setNumFretsToShow(count);
        screen.redraw();
        EXPECT_EQ(screen.rowLine(0), 57);
        EXPECT_EQ(screen.rowLine(count), 394) << "the last row ends at the pickup";
        int narrowest = 1000, widest = 0;
        for (int r = 0; r < count; ++r) {
            const int width = screen.rowLine(r + 1) - screen.rowLine(r);
            narrowest = std::min(narrowest, width);
            widest = std::max(widest, width);
            // The drawn fret line is where the touches change rows.
            EXPECT_EQ(screen.fretImage(r).center().y, static_cast<float>(screen.rowLine(r)));
            EXPECT_EQ(screen.getFretForCoord({0, static_cast<float>(screen.rowLine(r))}), r);
            EXPECT_EQ(screen.getFretForCoord({0, static_cast<float>(screen.rowLine(r + 1)) - 0.5f}), r);
        }
        EXPECT_LE(widest - narrowest, 1);
    }
}

TEST_F(ManualFret, PluckPlaysTheHighestHeldRow) {
    // Fret 3 of string 2 (rows at 57, 124, 191, 259).
    hold(1, {130, 200});
    EXPECT_EQ(screen.fret(2), 2);
    EXPECT_EQ(screen.stringFrettedNumber(2).text(), "3");
    EXPECT_EQ(screen.stringDown(2).alpha(), 1.0f);
    EXPECT_EQ(screen.stringUp(2).alpha(), 0.0f);
    tap(2, pickup(2));
    EXPECT_EQ(rig.fresh(), (Log{"+15"}));
    EXPECT_EQ(screen.fretBeingPlayed(2), 3);
    EXPECT_TRUE(rig.engine.voicePlaying(screen.playlistNoForString(2)));
    // The lifted plucking finger leaves the string ringing.
    EXPECT_NE(screen.playlistNoForString(2), -1);
}

TEST_F(ManualFret, OpenStringAndScrolledRows) {
    tap(1, pickup(0));
    EXPECT_EQ(rig.fresh(), (Log{"+2"}));
    EXPECT_EQ(screen.stringFrettedNumber(0).text(), "0");
    EXPECT_EQ(screen.fretBeingPlayed(0), -1);

    hold(2, board(0, 0));
    EXPECT_EQ(screen.stringFrettedNumber(0).text(), "1");
    // Fretting a ringing open string only silences it.
    EXPECT_EQ(rig.fresh(), (Log{"-2"}));
    tap(3, pickup(0));
    EXPECT_EQ(rig.fresh(), (Log{"+3"}));

    // One step toward the body: the same finger now holds fret 2.
    tap(4, {100, 30});
    EXPECT_EQ(screen.leftmostFret(), 2);
    EXPECT_EQ(screen.stringFrettedNumber(0).text(), "2") << "the label follows the scrolled board";
    tap(5, pickup(0));
    EXPECT_EQ(rig.fresh(), (Log{"-3", "+4"}));
}

TEST_F(ManualFret, PullOffsAndHammerOns) {
    hold(1, board(0, 0));
    hold(2, board(0, 2));
    tap(3, pickup(0));
    EXPECT_EQ(rig.fresh(), (Log{"+5"}));
    lift(2, board(0, 2));
    EXPECT_EQ(rig.fresh(), (Log{"-5", "+3@0.65"}));
    EXPECT_EQ(screen.fretBeingPlayed(0), 1);
    lift(1, board(0, 0));
    EXPECT_EQ(rig.fresh(), (Log{"-3"}));
    EXPECT_EQ(screen.playlistNoForString(0), -1);
    EXPECT_EQ(screen.fretBeingPlayed(0), -1);

    // Row 0 sounding: pressing row 3 hammers on; then pressing row 1, below
    // the sounding fret, changes nothing audible.
    hold(4, board(1, 0));
    tap(5, pickup(1));
    EXPECT_EQ(rig.fresh(), (Log{"+8"}));
    hold(7, board(1, 3));
    EXPECT_EQ(rig.fresh(), (Log{"-8", "+11@0.65"}));
    hold(6, board(1, 1));
    EXPECT_EQ(rig.fresh(), Log{});
    lift(6, board(1, 1));
    EXPECT_EQ(rig.fresh(), Log{});
    EXPECT_EQ(screen.fretBeingPlayed(1), 4);
}

TEST_F(ManualFret, StrummingPlucksOneStringPerMove) {
    screen.processTouches({down(1, pickup(0))});
    Point previous = pickup(0);
    for (int s = 1; s < 6; ++s) {
        screen.processTouches({move(1, pickup(s), previous)});
        previous = pickup(s);
    }
    screen.processTouches({up(1, previous)});
    EXPECT_EQ(rig.fresh(), (Log{"+2", "+7", "+12", "+17", "+21", "+26"}));

    screen.processTouches({down(2, pickup(1))});
    screen.processTouches({move(2, pickup(4), pickup(1))});
    screen.processTouches({move(2, {pickup(4).x + 5, kPickupY}, pickup(4))});
    screen.processTouches({up(2, pickup(4))});
    EXPECT_EQ(rig.fresh(), (Log{"-7", "+7", "-21", "+21"}));
}

TEST_F(ManualFret, DraggingBetweenPickupAndBoard) {
    // From the pickup onto the board: the fret is pressed, nothing plucked.
    screen.processTouches({down(1, pickup(3))});
    EXPECT_EQ(rig.fresh(), (Log{"+17"}));
    screen.processTouches({move(1, board(3, 1), pickup(3))});
    EXPECT_TRUE(screen.stringPressedAtFret(3, 1));
    EXPECT_EQ(screen.touchSlot(0).initialTouch, board(3, 1));
    EXPECT_EQ(rig.fresh(), (Log{"-17"})) << "fretting the ringing open string silences it";
    screen.processTouches({up(1, board(3, 1))});
    EXPECT_FALSE(screen.stringPressedAtFret(3, 1));
    EXPECT_EQ(screen.fret(3), -1);

    // A fretting finger dragged into the pickup lifts its fret and plucks.
    screen.processTouches({down(2, board(4, 2))});
    EXPECT_EQ(rig.fresh(), Log{});
    screen.processTouches({move(2, pickup(4), board(4, 2))});
    EXPECT_FALSE(screen.stringPressedAtFret(4, 2));
    EXPECT_EQ(rig.fresh(), (Log{"+21"}));
}

TEST_F(ManualFret, SlidesPressBeforeLifting) {
    hold(1, board(2, 1));
    tap(2, pickup(2));
    EXPECT_EQ(rig.fresh(), (Log{"+14"}));
    screen.processTouches({move(1, board(2, 2), board(2, 1))});
    EXPECT_EQ(rig.fresh(), (Log{"-14", "+15@0.65"}));
    EXPECT_FALSE(screen.stringPressedAtFret(2, 1));
    EXPECT_TRUE(screen.stringPressedAtFret(2, 2));
    screen.processTouches({move(1, board(2, 1), board(2, 2))});
    EXPECT_EQ(rig.fresh(), (Log{"-15", "+14@0.65"}));
    EXPECT_EQ(screen.fretBeingPlayed(2), 2);
    // Moving onto another string changes nothing.
    screen.processTouches({move(1, board(3, 3), board(2, 1))});
    EXPECT_EQ(rig.fresh(), Log{});
    EXPECT_TRUE(screen.stringPressedAtFret(2, 1));
    // Leaving the board through the control strip lifts the fret first held.
    screen.processTouches({move(1, {194, 20}, board(3, 3))});
    EXPECT_EQ(rig.fresh(), (Log{"-14"}));
    EXPECT_FALSE(screen.stringPressedAtFret(2, 1));
}

TEST_F(ManualFret, BendThresholds) {
    screen.scrollTowardBody(); // away from the nut the strings are drawn further displaced
    const Point start = board(2, 1);
    hold(1, start);
    tap(2, pickup(2));
    const int voice = screen.playlistNoForString(2);
    Point at = start;
    auto drag = [&](float dx) {
        const Point next{start.x + dx, start.y};
        screen.processTouches({move(1, next, at)});
        at = next;
    };
    drag(20);
    EXPECT_EQ(screen.currentBendPosition(2), 0);
    EXPECT_TRUE(rig.bends().empty());
    drag(21);
    EXPECT_EQ(screen.currentBendPosition(2), 3);
    EXPECT_FLOAT_EQ(rig.engine.voiceState(voice).requiredPitch, SoundEngine::kHalfBendPitch);
    drag(40);
    EXPECT_EQ(screen.currentBendPosition(2), 3);
    drag(41);
    EXPECT_EQ(screen.currentBendPosition(2), 4);
    EXPECT_FLOAT_EQ(rig.engine.voiceState(voice).requiredPitch, SoundEngine::kFullBendPitch);
    EXPECT_EQ(screen.stringDown(2).center().x, 134 + 3) << "drawn displaced toward larger x";
    drag(45);
    drag(10);
    EXPECT_EQ(screen.currentBendPosition(2), 0);
    EXPECT_FLOAT_EQ(rig.engine.voiceState(voice).requiredPitch, 1.0f);
    drag(-21);
    EXPECT_EQ(screen.currentBendPosition(2), 1);
    drag(-41);
    EXPECT_EQ(screen.currentBendPosition(2), 2);
    EXPECT_EQ(screen.stringDown(2).center().x, 134 - 3);
    EXPECT_EQ(rig.bends(), (Log{"15:half", "15:full", "15:none", "15:half", "15:full"}));
    // The lift does not release the bend.
    lift(1, at);
    EXPECT_EQ(rig.bends().size(), 5u);
}

TEST_F(ManualFret, SmallDisplacementAtTheNutEnd) {
    screen.scrollTowardBody();
    screen.scrollTowardNut();
    ASSERT_EQ(screen.leftmostFret(), 1);
    hold(1, board(0, 1));
    tap(2, pickup(0));
    screen.processTouches({move(1, {board(0, 1).x + 50, board(0, 1).y}, board(0, 1))});
    EXPECT_EQ(screen.stringDown(0).center().x, 22 + 1);
}

TEST_F(ManualFret, NoBendWhenSwitchedOffOrWithoutAVoice) {
    rig.engine.setPitchBendOn(0, false);
    hold(1, board(2, 1));
    tap(2, pickup(2));
    screen.processTouches({move(1, {board(2, 1).x + 60, board(2, 1).y}, board(2, 1))});
    EXPECT_EQ(screen.currentBendPosition(2), 0);
    EXPECT_TRUE(rig.bends().empty());

    // Bends on but nothing sounding: drawn only.
    rig.engine.setPitchBendOn(0, true);
    hold(3, board(4, 1));
    screen.processTouches({move(3, {board(4, 1).x + 30, board(4, 1).y}, board(4, 1))});
    EXPECT_EQ(screen.currentBendPosition(4), 3);
    EXPECT_TRUE(rig.bends().empty());
}

TEST_F(ManualFret, ScrollingKeepsANoteSoundingAfterItsFretIsLifted) {
    hold(1, board(1, 1));
    tap(2, pickup(1));
    EXPECT_EQ(rig.fresh(), (Log{"+9"}));
    tap(3, {100, 30}); // toward the body
    lift(1, board(1, 1));
    EXPECT_EQ(rig.fresh(), Log{});
    EXPECT_TRUE(rig.engine.voicePlaying(screen.playlistNoForString(1)));
}

TEST_F(ManualFret, MuteThenPullOff) {
    hold(1, board(5, 0));
    hold(2, board(5, 3));
    tap(3, pickup(5));
    tap(4, pickup(3));
    EXPECT_EQ(rig.fresh(), (Log{"+30", "+17"}));
    tap(5, {193, 30}); // MUTE
    EXPECT_EQ(rig.fresh(), (Log{"-17", "-30"}));
    EXPECT_EQ(screen.playlistNoForString(5), -1);
    lift(2, board(5, 3));
    EXPECT_EQ(rig.fresh(), (Log{"+27@0.65"}));
}

TEST_F(ManualFret, ControlStripZones) {
    // Toward the nut at the lowest position, then the limits toward the body.
    tap(1, {260, 30});
    EXPECT_EQ(screen.leftmostFret(), 1);
    for (int i = 0; i < 30; ++i)
        tap(2, {100, 30});
    EXPECT_EQ(screen.leftmostFret(), 17);
    EXPECT_EQ(screen.fretNumber(4).text(), "21");
    // Between the arrows and MUTE (x 154..156) nothing happens.
    tap(3, {155, 30});
    EXPECT_EQ(screen.leftmostFret(), 17);
}

TEST_F(ManualFret, ThreeFretsEndAtThePickup) {
    rig.engine.setNumFretsToShow(3);
    screen.redraw();
    EXPECT_EQ(screen.fretSpacing(), 112);
    EXPECT_EQ(screen.getFretForCoord({0, 280}), 1);
    EXPECT_EQ(screen.getFretForCoord({0, 300}), 2);
    EXPECT_EQ(screen.getFretForCoord({0, 393}), 2);
    tap(1, {27, 400});
    EXPECT_EQ(rig.fresh(), (Log{"+2"})) << "beyond 394 is the pickup";
    EXPECT_FALSE(screen.stringPressedAtFret(0, 2));
}

TEST_F(ManualFret, FretCountLimitsAndLeftmostFret) {
    rig.engine.setNumFretsToShow(10);
    screen.redraw();
    EXPECT_EQ(screen.fretSpacing(), 33);
    for (int i = 0; i < 30; ++i)
        screen.scrollTowardBody();
    EXPECT_EQ(screen.leftmostFret(), 12);
    hold(1, board(5, 9));
    tap(2, pickup(5));
    EXPECT_EQ(rig.fresh(), (Log{"+47"}));
    screen.moreFrets();
    EXPECT_EQ(screen.numFretsToShow(), 10);

    // Fewer frets while scrolled far up the neck, then back to more.
    for (int i = 0; i < 10; ++i)
        screen.lessFrets();
    EXPECT_EQ(screen.numFretsToShow(), 3);
    EXPECT_EQ(rig.engine.numFretsToShow(), 3);
    for (int i = 0; i < 30; ++i)
        screen.scrollTowardBody();
    EXPECT_EQ(screen.leftmostFret(), 19);
    screen.moreFrets();
    EXPECT_EQ(screen.numFretsToShow(), 4);
    EXPECT_EQ(screen.leftmostFret(), 18);
    EXPECT_EQ(rig.engine.numFretsToShow(), 4);

    // Another screen sets ten frets: the next showing brings leftmostFret down.
    for (int i = 0; i < 30; ++i)
        screen.scrollTowardBody();
    rig.engine.setNumFretsToShow(10);
    screen.redraw();
    EXPECT_EQ(screen.leftmostFret(), 12);
    EXPECT_EQ(screen.numFretsToShow(), 10);
}

TEST_F(ManualFret, DamagedFretCountIsKeptInRange) {
    screen.setNumberFrets(0);
    EXPECT_EQ(screen.numFretsToShow(), 3);
    screen.setNumberFrets(42);
    EXPECT_EQ(screen.numFretsToShow(), 10);
}

TEST_F(ManualFret, TheSeventhTouchHasNoSlot) {
    for (int i = 0; i < 6; ++i)
        hold(10 + i, board(0, 0));
    hold(20, board(3, 2));
    EXPECT_TRUE(screen.stringPressedAtFret(3, 2));
    screen.processTouches({move(20, board(3, 0), board(3, 2))});
    lift(20, board(3, 0));
    EXPECT_TRUE(screen.stringPressedAtFret(3, 2)) << "its lift is never seen";
    EXPECT_FALSE(screen.stringPressedAtFret(3, 0));
    // The plectrum menu forgets every press.
    lift(10, board(0, 0));
    tap(30, {20, 20});
    EXPECT_TRUE(screen.menuShowing());
    EXPECT_FALSE(screen.stringPressedAtFret(3, 2));
    EXPECT_EQ(screen.fret(3), -1);
}

TEST_F(ManualFret, RowAboveTheFirstFretLinePressesNothing) {
    hold(1, {27, 56});
    EXPECT_EQ(screen.fret(0), -1);
    for (int r = 0; r < 10; ++r)
        EXPECT_FALSE(screen.stringPressedAtFret(0, r));
    lift(1, {27, 56});
    tap(2, pickup(0));
    EXPECT_EQ(rig.fresh(), (Log{"+2"}));
}

TEST_F(ManualFret, FretboardDrawing) {
    // Five rows: lines at 57 + 337 i / 5, labels and markers in the middle.
    EXPECT_EQ(screen.fretImage(0).center(), (Point{160, 57}));
    EXPECT_EQ(screen.fretImage(4).center(), (Point{160, 326}));
    EXPECT_EQ(screen.fretImage(5).center(), (Point{160, -50}));
    EXPECT_EQ(screen.fretNumber(2).center(), (Point{307, 225}));
    EXPECT_EQ(screen.fretNumber(7).center(), (Point{288, -50}));
    EXPECT_EQ(screen.manualSpot(2).center(), (Point{163, 225}));
    EXPECT_EQ(screen.fretNumber(0).text(), "1");
    EXPECT_EQ(screen.fretNumber(4).text(), "5");
    EXPECT_EQ(screen.manualSpot(2).alpha(), 1.0f); // fret 3
    EXPECT_EQ(screen.manualSpot(3).alpha(), 0.0f);
    EXPECT_GT(screen.manualDoubleSpotTop().center().y, 394) << "fret 12 is not shown";
    for (int i = 0; i < 8; ++i)
        screen.scrollTowardBody();
    EXPECT_EQ(screen.leftmostFret(), 9);
    const float middle12 = static_cast<float>(screen.rowMiddle(3));
    EXPECT_EQ(screen.manualDoubleSpotTop().center().y, middle12);
    EXPECT_EQ(screen.manualDoubleSpotBottom().center().y, middle12);
    EXPECT_EQ(screen.manualSpot(3).alpha(), 0.0f); // fret 12 has the pair instead
    // The pair stands between strings, clear of every string drawn (open or
    // fretted), one on each side of the single markers' line.
    for (const ImageView* spot : {&screen.manualDoubleSpotTop(), &screen.manualDoubleSpotBottom()}) {
        for (int s = 0; s < 6; ++s) {
            for (const ImageView* string : {&screen.stringUp(s), &screen.stringDown(s)})
                EXPECT_GT(std::abs(spot->center().x - string->center().x), spot->bounds().width / 2 + 2)
                    << "string " << s;
        }
    }
    EXPECT_GT(screen.manualDoubleSpotTop().center().x, 163);
    EXPECT_LT(screen.manualDoubleSpotBottom().center().x, 163);
    for (int s = 0; s < 6; ++s) {
        EXPECT_EQ(screen.stringUp(s).alpha(), 1.0f);
        EXPECT_EQ(screen.stringDown(s).alpha(), 0.0f);
    }
}

TEST_F(ManualFret, MuteLooksPressedWhileHeld) {
    const Point mute{193, 27};
    auto pressed = [&] {
        EXPECT_EQ(screen.muteButton().alpha() + screen.muteButtonPressed().alpha(), 1.0f);
        return screen.muteButtonPressed().alpha() == 1.0f;
    };
    EXPECT_FALSE(pressed());
    tap(1, pickup(3));
    hold(2, mute);
    EXPECT_TRUE(pressed());
    EXPECT_EQ(rig.fresh(), (Log{"+17", "-17"}));
    // A second finger on it and off again: still held by the first.
    tap(3, {200, 20});
    EXPECT_TRUE(pressed());
    lift(2, mute);
    EXPECT_FALSE(pressed());

    // Sliding off the button lets it up; so does the menu opening.
    hold(4, mute);
    screen.processTouches({move(4, {120, 27}, mute)});
    EXPECT_FALSE(pressed());
    lift(4, {120, 27});
    hold(5, mute);
    tap(6, {20, 20});
    EXPECT_TRUE(screen.menuShowing());
    EXPECT_FALSE(pressed());
}

TEST_F(ManualFret, MenuOpeningStopsEverythingAndStraightensStrings) {
    hold(1, board(2, 1));
    tap(2, pickup(2));
    screen.processTouches({move(1, {board(2, 1).x + 30, board(2, 1).y}, board(2, 1))});
    ASSERT_EQ(screen.currentBendPosition(2), 3);
    rig.fresh();
    tap(3, {20, 20});
    EXPECT_EQ(rig.fresh(), (Log{"-14"}));
    EXPECT_EQ(screen.currentBendPosition(2), 0);
    EXPECT_EQ(screen.stringDown(2).center().x, 134);
    EXPECT_EQ(screen.greyout().alpha(), 0.8f);
    EXPECT_EQ(screen.recordMenuBar().center(), (Point{29, 240}));
    EXPECT_EQ(screen.topBar().center(), (Point{0, 240}));
    // While the menu shows, the lift of the board finger is not seen and the
    // board takes no touches.
    lift(1, board(2, 1));
    tap(4, pickup(0));
    EXPECT_EQ(rig.fresh(), Log{});
    tap(5, {20, 20});
    EXPECT_FALSE(screen.menuShowing());
    EXPECT_EQ(screen.greyout().alpha(), 0.0f);
    EXPECT_EQ(screen.recordMenuBar().center(), (Point{-33, 240}));
    EXPECT_EQ(screen.topBar().center(), (Point{150, 240}));
}

TEST_F(ManualFret, RecordsAPhraseIntoTheSong) {
    Rig fresh(false);
    ManualFretAndPluckGuitarView manual(nullptr, &fresh.engine);
    manual.redraw();
    auto tapOn = [&](long id, Point p) {
        manual.processTouches({down(id, p)});
        manual.processTouches({up(id, p)});
    };
    tapOn(1, {20, 20});  // plectrum
    tapOn(2, {30, 400}); // Record: the menu closes
    EXPECT_FALSE(manual.menuShowing());
    EXPECT_EQ(fresh.engine.getRecorderState(), 2);
    EXPECT_EQ(manual.recPressed().alpha(), 1.0f);
    manual.processTouches({down(3, {27, 162})});            // fret 2 of the low E
    tapOn(4, {27, 440});                                    // pluck: sample 4
    manual.processTouches({move(3, {57, 162}, {27, 162})}); // bend half a tone
    fresh.clock.advance(0.5);
    tapOn(5, {83, 440}); // open A: sample 7
    tapOn(6, {20, 20});  // the menu stops both notes
    tapOn(7, {30, 400}); // Record again: stop
    EXPECT_EQ(fresh.engine.getRecorderState(), 0);
    EXPECT_EQ(manual.recPressed().alpha(), 0.0f);
    fresh.recorder.runPlaybackPass();
    fresh.recorder.runPlaybackPass();

    const std::vector<Note> notes = fresh.recorder.notes();
    ASSERT_EQ(notes.size(), 4u);
    int downs = 0;
    for (const Note& n : notes) {
        if (n.keyDown()) {
            EXPECT_EQ(n.overdubNo(), 1);
            ++downs;
            EXPECT_TRUE(n.sampleNo() == 4 || n.sampleNo() == 7);
        }
    }
    EXPECT_EQ(downs, 2);
    EXPECT_TRUE(notes[0].keyDown());
    EXPECT_EQ(notes[0].sampleNo(), 4);
    EXPECT_DOUBLE_EQ(notes[0].time(), 0.0);
    const std::vector<PitchChange> bends = fresh.recorder.pitchBends();
    ASSERT_EQ(bends.size(), 1u);
    EXPECT_EQ(bends[0].noteID(), notes[0].noteID());
    EXPECT_FLOAT_EQ(bends[0].pitch(), SoundEngine::kHalfBendPitch);
}
