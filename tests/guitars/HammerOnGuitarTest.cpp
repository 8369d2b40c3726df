// The Hammer-On guitar driven by synthetic touches: the zeroth fret and the
// nut, hammer-ons at full volume, pull-offs at 0.5, slides that lift before
// they press, bends (never on the open string), the fret count and the
// seventh touch.
#include <gtest/gtest.h>

#include <algorithm>

#include "GuitarTestRig.h"
#include "guitars/HammerOnGuitarView.h"

using namespace guitartest;

namespace {

constexpr float kStringX[6] = {27, 83, 139, 194, 248, 297};

class HammerOn : public ::testing::Test {
protected:
    HammerOn() : screen(nullptr, &rig.engine) { screen.redraw(); }

    Point board(int string, int row) const {
        return {kStringX[string],
                static_cast<float>(57 + row * screen.fretSpacing() + screen.fretSpacing() / 2)};
    }
    void hold(long id, Point p) { screen.processTouches({down(id, p)}); }
    void lift(long id, Point p) { screen.processTouches({up(id, p)}); }
    void tap(long id, Point p) {
        hold(id, p);
        lift(id, p);
    }

    Rig rig;
    HammerOnGuitarView screen;
};

} // namespace

TEST_F(HammerOn, StartsAtTheZerothFretAboveTheNut) {
    EXPECT_EQ(screen.leftmostFret(), 0);
    EXPECT_EQ(screen.fretSpacing(), 85);
    EXPECT_EQ(screen.nut().alpha(), 1.0f);
    EXPECT_EQ(screen.nut().center(), (Point{160, 85 - 15}));
    EXPECT_EQ(screen.fretNumber(0).text(), "0");
    hold(1, board(0, 0));
    EXPECT_EQ(rig.fresh(), (Log{"+2"}));
    EXPECT_EQ(screen.stringUp(0).alpha(), 1.0f) << "the zeroth fret leaves the string drawn open";
    EXPECT_EQ(screen.stringDown(0).alpha(), 0.0f);
    lift(1, board(0, 0));
    EXPECT_EQ(rig.fresh(), (Log{"-2"}));

    hold(2, board(1, 2));
    EXPECT_EQ(screen.stringDown(1).alpha(), 1.0f);
    EXPECT_EQ(rig.fresh(), (Log{"+9"}));
}

TEST_F(HammerOn, ScrollingAroundTheNut) {
    tap(1, {260, 30});
    EXPECT_EQ(screen.leftmostFret(), 0);
    tap(2, {100, 30});
    EXPECT_EQ(screen.leftmostFret(), 1);
    EXPECT_EQ(screen.nut().alpha(), 0.0f);
    EXPECT_EQ(screen.fretNumber(0).text(), "1");
    hold(3, board(0, 0));
    EXPECT_EQ(rig.fresh(), (Log{"+3"}));
    for (int i = 0; i < 30; ++i)
        screen.scrollTowardBody();
    EXPECT_EQ(screen.leftmostFret(), 17);
}

TEST_F(HammerOn, HammerOnsAndPullOffs) {
    hold(1, board(2, 1));
    hold(2, board(2, 4));
    EXPECT_EQ(rig.fresh(), (Log{"+13", "-13", "+16"}));
    lift(2, board(2, 4));
    EXPECT_EQ(rig.fresh(), (Log{"-16", "+13@0.50"}));
    lift(1, board(2, 1));
    EXPECT_EQ(rig.fresh(), (Log{"-13"}));
    EXPECT_EQ(screen.fret(2), -1);
    EXPECT_EQ(screen.playlistNoForString(2), -1);

    // The lower press is only remembered, then pulled off to.
    hold(3, board(3, 4));
    hold(4, board(3, 1));
    EXPECT_EQ(rig.fresh(), (Log{"+21"}));
    lift(3, board(3, 4));
    EXPECT_EQ(rig.fresh(), (Log{"-21", "+18@0.50"}));
}

TEST_F(HammerOn, PullOffToTheOpenString) {
    hold(1, board(0, 0));
    hold(2, board(0, 3));
    EXPECT_EQ(rig.fresh(), (Log{"+2", "-2", "+5"}));
    lift(2, board(0, 3));
    EXPECT_EQ(rig.fresh(), (Log{"-5", "+2@0.50"}));
    lift(1, board(0, 0));
    rig.fresh();
    hold(3, board(0, 3));
    lift(3, board(0, 3));
    EXPECT_EQ(rig.fresh(), (Log{"+5", "-5"})) << "an unheld open string never sounds";
}

TEST_F(HammerOn, NoBendOnTheZerothFret) {
    hold(1, board(4, 0));
    screen.processTouches({move(1, {board(4, 0).x + 30, board(4, 0).y}, board(4, 0))});
    EXPECT_EQ(screen.currentBendPosition(4), 0);
    EXPECT_TRUE(rig.bends().empty());

    hold(2, board(1, 1));
    screen.processTouches({move(2, {board(1, 1).x + 21, board(1, 1).y}, board(1, 1))});
    EXPECT_EQ(screen.currentBendPosition(1), 3);
    screen.processTouches({move(2, {board(1, 1).x - 41, board(1, 1).y}, board(1, 1))});
    EXPECT_EQ(screen.currentBendPosition(1), 2);
    EXPECT_EQ(screen.stringDown(1).center().x, 79 - 1) << "small displacement at the nut end";
    screen.processTouches({move(2, {board(1, 1).x - 20, board(1, 1).y}, board(1, 1))});
    EXPECT_EQ(rig.bends(), (Log{"8:half", "8:full", "8:none"}));

    rig.engine.setPitchBendOn(0, false);
    hold(3, board(5, 2));
    screen.processTouches({move(3, {board(5, 2).x - 50, board(5, 2).y}, board(5, 2))});
    EXPECT_EQ(screen.currentBendPosition(5), 0);
    EXPECT_EQ(rig.bends().size(), 3u);
}

TEST_F(HammerOn, SlidesLiftBeforePressing) {
    hold(1, board(2, 2));
    EXPECT_EQ(rig.fresh(), (Log{"+14"}));
    screen.processTouches({move(1, board(2, 3), board(2, 2))});
    EXPECT_EQ(rig.fresh(), (Log{"-14", "+15"}));
    screen.processTouches({move(1, board(2, 2), board(2, 3))});
    EXPECT_EQ(rig.fresh(), (Log{"-15", "+14"}));
    // Another finger holding a lower row: the lift pulls off to it first.
    hold(2, board(2, 0));
    screen.processTouches({move(1, board(2, 3), board(2, 2))});
    EXPECT_EQ(rig.fresh(), (Log{"-14", "+12@0.50", "-12", "+15"}));
}

TEST_F(HammerOn, DriftingFingerReleasesTheFretFirstPressed) {
    hold(1, board(1, 2));
    EXPECT_EQ(rig.fresh(), (Log{"+9"}));
    screen.processTouches({move(1, board(2, 2), board(1, 2))});
    EXPECT_EQ(rig.fresh(), Log{});
    screen.processTouches({move(1, {139, 30}, board(2, 2))});
    EXPECT_EQ(rig.fresh(), (Log{"-9"}));
    EXPECT_FALSE(screen.stringPressedAtFret(1, 2));
    lift(1, {139, 30});
    EXPECT_EQ(rig.fresh(), Log{});
}

TEST_F(HammerOn, ThreeFretsSpanTheWholeBoard) {
    rig.engine.setNumFretsToShow(3);
    screen.redraw();
    EXPECT_EQ(screen.fretSpacing(), 142);
    EXPECT_EQ(screen.getFretForCoord({0, 198}), 0);
    EXPECT_EQ(screen.getFretForCoord({0, 199}), 1);
    EXPECT_EQ(screen.getFretForCoord({0, 340}), 1);
    EXPECT_EQ(screen.getFretForCoord({0, 341}), 2);
    EXPECT_EQ(screen.getFretForCoord({0, 479}), 2);
    EXPECT_EQ(screen.nut().center(), (Point{160, 127}));
    hold(1, {27, 470});
    EXPECT_EQ(rig.fresh(), (Log{"+4"}));
}

TEST_F(HammerOn, FretCountSharedWithTheEngine) {
    for (int i = 0; i < 30; ++i)
        screen.scrollTowardBody();
    EXPECT_EQ(screen.leftmostFret(), 17);
    screen.moreFrets();
    EXPECT_EQ(screen.numFretsToShow(), 6);
    EXPECT_EQ(screen.fretSpacing(), 71);
    EXPECT_EQ(screen.leftmostFret(), 16);
    EXPECT_EQ(rig.engine.numFretsToShow(), 6);
    for (int i = 0; i < 10; ++i)
        screen.moreFrets();
    EXPECT_EQ(screen.numFretsToShow(), 10);
    EXPECT_EQ(screen.leftmostFret(), 12);
    hold(1, board(5, 9));
    EXPECT_EQ(rig.fresh(), (Log{"+47"}));
}

TEST_F(HammerOn, TheSeventhTouchAndTheMenu) {
    for (int i = 0; i < 6; ++i)
        hold(10 + i, board(i, 1));
    hold(20, board(0, 3));
    EXPECT_EQ(screen.fret(0), 3);
    lift(20, board(0, 3));
    EXPECT_EQ(screen.fret(0), 3) << "a touch without a slot is never lifted";
    lift(15, board(5, 1));
    rig.fresh();
    tap(30, {20, 20});
    EXPECT_TRUE(screen.menuShowing());
    // Five strings were sounding; all stop, in string order.
    EXPECT_EQ(rig.fresh(), (Log{"-5", "-8", "-13", "-18", "-22"}));
    for (int s = 0; s < 6; ++s) {
        EXPECT_EQ(screen.fret(s), -1);
        EXPECT_EQ(screen.stringUp(s).alpha(), 1.0f);
    }
    // Their lifts go to the menu and change nothing.
    for (int i = 0; i < 5; ++i)
        lift(10 + i, board(i, 1));
    EXPECT_EQ(rig.fresh(), Log{});
}

TEST_F(HammerOn, FewerFretsFromTheMenu) {
    tap(1, {20, 20});
    ASSERT_TRUE(screen.menuShowing());
    tap(2, {200, 200}); // fewer
    EXPECT_EQ(screen.numFretsToShow(), 4);
    EXPECT_EQ(rig.engine.numFretsToShow(), 4);
    tap(3, {200, 300}); // more
    tap(4, {200, 300});
    EXPECT_EQ(screen.numFretsToShow(), 6);
    tap(5, {200, 400}); // below the buttons: nothing
    EXPECT_EQ(screen.numFretsToShow(), 6);
    EXPECT_TRUE(screen.menuShowing());
}

TEST_F(HammerOn, RecordsAPhraseIntoTheSong) {
    Rig fresh(false);
    HammerOnGuitarView hammer(nullptr, &fresh.engine);
    hammer.redraw();
    auto tapOn = [&](long id, Point p) {
        hammer.processTouches({down(id, p)});
        hammer.processTouches({up(id, p)});
    };
    tapOn(1, {20, 20});
    tapOn(2, {30, 400}); // Record
    ASSERT_EQ(fresh.engine.getRecorderState(), 2);
    hammer.processTouches({down(3, {27, 184})}); // row 1: fret 1, sample 3
    fresh.clock.advance(0.25);
    hammer.processTouches({down(4, {27, 354})}); // row 3: hammer on, sample 5
    fresh.clock.advance(0.25);
    hammer.processTouches({up(4, {27, 354})}); // pull off to sample 3 at 0.5
    fresh.clock.advance(0.25);
    hammer.processTouches({up(3, {27, 184})});
    tapOn(5, {20, 20});
    tapOn(6, {30, 400}); // stop
    fresh.recorder.runPlaybackPass();
    fresh.recorder.runPlaybackPass();

    const std::vector<Note> notes = fresh.recorder.notes();
    ASSERT_EQ(notes.size(), 6u);
    std::vector<std::string> song;
    for (const Note& n : notes) {
        char line[64];
        if (n.keyDown())
            std::snprintf(line, sizeof line, "%.2f +%d@%.2f", n.time(), n.sampleNo(), n.volume());
        else
            std::snprintf(line, sizeof line, "%.2f -", n.time());
        song.push_back(line);
    }
    // Events at one moment may come in either order.
    std::sort(song.begin(), song.end());
    EXPECT_EQ(song, (Log{"0.00 +3@1.00", "0.25 +5@1.00", "0.25 -", "0.50 +3@0.50", "0.50 -", "0.75 -"}));
}
