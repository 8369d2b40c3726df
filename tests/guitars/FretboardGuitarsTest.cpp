// The two fretboards driven by touch scripts. Manual Fret: a held row sounds
// when its string is plucked over the pickup, with hammer-ons and pull-offs at
// 0.65, strums, slides, bends, MUTE. Hammer-On: a fret sounds as soon as it is
// pressed, from a zeroth fret above the nut, with pull-offs at 0.5 and slides
// that lift before they press. Both: rows, fret counts, scrolling and the
// seventh touch, checked against what the recorder sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "GuitarTestRig.h"
#include "guitars/HammerOnGuitarView.h"
#include "guitars/ManualFretAndPluckGuitarView.h"

using namespace guitartest;

namespace {

constexpr float kStringX[6] = {27, 83, 139, 194, 248, 297};
constexpr int kOpenStringSample[6] = {2, 7, 12, 17, 21, 26};
constexpr Point kPlectrum = {20, 20}, kTowardBody = {100, 30}, kTowardNut = {260, 30}, kMute = {193, 27};

template <typename Screen> class Board : public ::testing::Test {
protected:
    Board() { screen.redraw(); }

    // Row r of string s, dx to the side; string s over the pickup.
    Point at(int s, int r, float dx = 0) const {
        return {kStringX[s] + dx, static_cast<float>(screen.rowMiddle(r))};
    }
    static Point pick(int s) { return {kStringX[s], 440}; }
    void play(std::initializer_list<Step> steps) { guitartest::play(screen, rig, steps); }

    Rig rig;
    Screen screen{nullptr, &rig.engine};
};
using ManualFret = Board<ManualFretAndPluckGuitarView>;
using HammerOn = Board<HammerOnGuitarView>;

template <typename Screen> void eachFretPlaysItsOpenStringPlusTheFret(bool plucked) {
    Rig rig;
    Screen screen(nullptr, &rig.engine);
    screen.redraw();
    for (int steps : {0, 7, 30}) {
        for (int i = 0; i < steps; ++i)
            screen.scrollTowardBody();
        for (int s = 0; s < 6; ++s)
            for (int r = 0; r < screen.numFretsToShow(); ++r) {
                SCOPED_TRACE(testing::Message() << "scrolled " << steps << ", string " << s << ", row " << r);
                const Point at{kStringX[s], static_cast<float>(screen.rowMiddle(r))};
                hold(screen, 1, at);
                if (plucked)
                    tap(screen, 2, {kStringX[s], 440});
                lift(screen, 1, at);
                const std::string sample = std::to_string(kOpenStringSample[s] + screen.leftmostFret() + r);
                EXPECT_EQ(rig.fresh(), (Log{"+" + sample, "-" + sample}));
            }
    }
    EXPECT_EQ(screen.leftmostFret() + screen.numFretsToShow() - 1, 21) << "the neck ends at fret 21";
}

} // namespace

TEST(Fretboards, EveryFretPlaysItsOpenStringPlusTheFret) {
    eachFretPlaysItsOpenStringPlusTheFret<ManualFretAndPluckGuitarView>(true);
    eachFretPlaysItsOpenStringPlusTheFret<HammerOnGuitarView>(false);
    const std::pair<float, int> strings[] = {{-10, 0}, {54.9f, 0}, {55, 1},  {165.9f, 2}, {166, 3},
                                             {221, 3}, {273, 4},   {274, 5}, {900, 5}};
    for (const auto& [x, string] : strings)
        EXPECT_EQ(FretboardGuitarView::getStringForCoord({x, 0}), string) << x;
}

TEST(Fretboards, EveryFretCountFillsTheBoardWithRows) {
    Rig rig;
    ManualFretAndPluckGuitarView manual(nullptr, &rig.engine);
    HammerOnGuitarView hammer(nullptr, &rig.engine);
    EXPECT_EQ(hammer.getFretForCoord({0, 100}), -1) << "no board before the first showing";
    for (int count = 3; count <= 10; ++count) {
        SCOPED_TRACE(count);
        rig.engine.setNumFretsToShow(count);
        for (FretboardGuitarView* screen : std::initializer_list<FretboardGuitarView*>{&manual, &hammer}) {
            screen->redraw();
            EXPECT_EQ(screen->rowLine(0), 57);
            EXPECT_EQ(screen->getFretForCoord({0, 56.9f}), -1);
            EXPECT_EQ(screen->getFretForCoord({0, 5000}), 9);
            for (int r = 0; r < count; ++r) {
                // The drawn fret line is where the touches change rows.
                EXPECT_EQ(screen->fretImage(r).center(),
                          (Point{160, static_cast<float>(screen->rowLine(r))}));
                EXPECT_EQ(screen->getFretForCoord({0, static_cast<float>(screen->rowLine(r))}), r);
                EXPECT_EQ(screen->getFretForCoord({0, static_cast<float>(screen->rowLine(r + 1)) - 0.5f}), r);
            }
        }
        // The Manual Fret's rows end at the pickup and share the board evenly;
        // the Hammer-On's run to the end of the screen below their nut.
        EXPECT_EQ(manual.rowLine(count), 394);
        int narrowest = 1000, widest = 0;
        for (int r = 0; r < count; ++r) {
            narrowest = std::min(narrowest, manual.rowLine(r + 1) - manual.rowLine(r));
            widest = std::max(widest, manual.rowLine(r + 1) - manual.rowLine(r));
        }
        EXPECT_LE(widest - narrowest, 1);
        EXPECT_EQ(hammer.fretSpacing(), HammerOnGuitarView::kBoardLength / count);
        EXPECT_EQ(hammer.getFretForCoord({0, 479}), count - 1);
        EXPECT_EQ(hammer.nut().center(), (Point{160, static_cast<float>(hammer.fretSpacing() - 15)}));
    }
    play(manual, rig, {{'t', 1, {27, 400}, {"+2"}}}); // beyond 394 is the pickup
}

TEST(Fretboards, FretCountsStayInRangeAndKeepTheNeckInView) {
    Rig rig;
    ManualFretAndPluckGuitarView manual(nullptr, &rig.engine);
    HammerOnGuitarView hammer(nullptr, &rig.engine);
    manual.setNumberFrets(0);
    EXPECT_EQ(manual.numFretsToShow(), 3);
    manual.setNumberFrets(42);
    EXPECT_EQ(manual.numFretsToShow(), 10);
    for (FretboardGuitarView* screen : std::initializer_list<FretboardGuitarView*>{&manual, &hammer}) {
        rig.engine.setNumFretsToShow(5);
        screen->redraw();
        for (int i = 0; i < 30; ++i)
            screen->scrollTowardBody();
        EXPECT_EQ(screen->leftmostFret(), 17);
        screen->moreFrets();
        EXPECT_EQ(screen->numFretsToShow(), 6);
        EXPECT_EQ(rig.engine.numFretsToShow(), 6) << "the count is shared through the engine";
        EXPECT_EQ(screen->leftmostFret(), 16);
        for (int i = 0; i < 10; ++i)
            screen->lessFrets();
        EXPECT_EQ(screen->numFretsToShow(), 3);
        for (int i = 0; i < 30; ++i)
            screen->scrollTowardBody();
        EXPECT_EQ(screen->leftmostFret(), 19);
        // Another screen sets ten frets: the next showing brings leftmostFret down.
        rig.engine.setNumFretsToShow(10);
        screen->redraw();
        EXPECT_EQ(screen->leftmostFret(), 12);
        screen->moreFrets();
        EXPECT_EQ(screen->numFretsToShow(), 10);
    }
}

TEST_F(ManualFret, FrettingSilencesAnOpenStringAndThePluckPlaysTheHeldRow) {
    play({{'t', 1, pick(0), {"+2"}}});
    EXPECT_EQ(screen.stringFrettedNumber(0).text(), "0");
    play({{'h', 2, at(0, 0), {"-2"}}}); // fretting a ringing open string only silences it
    EXPECT_EQ(screen.stringFrettedNumber(0).text(), "1");
    EXPECT_EQ(screen.stringDown(0).alpha(), 1.0f);
    EXPECT_EQ(screen.stringUp(0).alpha(), 0.0f);
    play({{'t', 3, pick(0), {"+3"}}});
    EXPECT_EQ(screen.fretBeingPlayed(0), 1);
    EXPECT_TRUE(rig.engine.voicePlaying(screen.playlistNoForString(0)))
        << "the lifted pluck leaves it ringing";
    // One step toward the body: the same finger now holds fret 2. Then a
    // note keeps sounding when its fret is lifted after scrolling.
    play({{'t', 4, kTowardBody}});
    EXPECT_EQ(screen.stringFrettedNumber(0).text(), "2") << "the label follows the scrolled board";
    play({{'t', 5, pick(0), {"-3", "+4"}}, {'t', 6, kTowardBody}, {'l', 2, at(0, 0)}, {'h', 7, {27, 56}}});
    EXPECT_EQ(screen.fret(0), -1) << "above the first fret line nothing is pressed";
}

TEST_F(ManualFret, PullOffsHammerOnsAndMute) {
    play({{'h', 1, at(0, 0)},
          {'h', 2, at(0, 2)},
          {'t', 3, pick(0), {"+5"}},
          {'l', 2, at(0, 2), {"-5", "+3@0.65"}}});
    EXPECT_EQ(screen.fretBeingPlayed(0), 1);
    play({{'l', 1, at(0, 0), {"-3"}}});
    EXPECT_EQ(screen.playlistNoForString(0), -1);
    EXPECT_EQ(screen.fretBeingPlayed(0), -1);
    // Row 0 sounding: pressing row 3 hammers on; then pressing row 1, below
    // the sounding fret, changes nothing audible.
    play({{'h', 4, at(1, 0)},
          {'t', 5, pick(1), {"+8"}},
          {'h', 7, at(1, 3), {"-8", "+11@0.65"}},
          {'h', 6, at(1, 1)},
          {'l', 6, at(1, 1)}});
    EXPECT_EQ(screen.fretBeingPlayed(1), 4);
    // MUTE stops everything; a pull-off afterwards still sounds.
    play({{'h', 8, at(5, 0)},
          {'h', 9, at(5, 3)},
          {'t', 10, pick(5), {"+30"}},
          {'t', 11, kMute, {"-11", "-30"}},
          {'l', 9, at(5, 3), {"+27@0.65"}}});
}

TEST_F(ManualFret, StrumsAndDragsBetweenPickupAndBoard) {
    play({{'h', 1, pick(0), {"+2"}},
          {'m', 1, pick(1), {"+7"}},
          {'m', 1, pick(2), {"+12"}},
          {'m', 1, pick(3), {"+17"}},
          {'m', 1, pick(5), {"+26"}},
          {'l', 1, pick(5)}});
    // One string per move, and none for a move within a string.
    play({{'h', 2, pick(1), {"-7", "+7"}},
          {'m', 2, pick(4), {"+21"}},
          {'m', 2, {253, 440}},
          {'l', 2, pick(4)}});
    // From the pickup onto the board: the fret is pressed, nothing plucked.
    play({{'h', 3, pick(3), {"-17", "+17"}}, {'m', 3, at(3, 1), {"-17"}}});
    EXPECT_TRUE(screen.stringPressedAtFret(3, 1));
    EXPECT_EQ(screen.touchSlot(0).initialTouch, at(3, 1));
    play({{'l', 3, at(3, 1)}});
    EXPECT_EQ(screen.fret(3), -1);
    // A fretting finger dragged into the pickup lifts its fret and plucks.
    play({{'h', 4, at(4, 2), {"-21"}}, {'m', 4, pick(4), {"+21"}}});
    EXPECT_FALSE(screen.stringPressedAtFret(4, 2));
}

TEST_F(ManualFret, SlidesPressBeforeLifting) {
    play({{'h', 1, at(2, 1)}, {'t', 2, pick(2), {"+14"}}, {'m', 1, at(2, 2), {"-14", "+15@0.65"}}});
    EXPECT_FALSE(screen.stringPressedAtFret(2, 1));
    EXPECT_TRUE(screen.stringPressedAtFret(2, 2));
    play({{'m', 1, at(2, 1), {"-15", "+14@0.65"}}, {'m', 1, at(3, 3)}}); // onto another string: nothing
    EXPECT_TRUE(screen.stringPressedAtFret(2, 1));
    // Leaving the board through the control strip lifts the fret first held.
    play({{'m', 1, {194, 20}, {"-14"}}});
    EXPECT_FALSE(screen.stringPressedAtFret(2, 1));
}

TEST_F(ManualFret, BendThresholdsAndTheirLook) {
    screen.scrollTowardBody(); // away from the nut the strings are drawn further displaced
    play({{'h', 1, at(2, 1)}, {'t', 2, pick(2), {"+15"}}});
    const int voice = screen.playlistNoForString(2);
    const float half = SoundEngine::kHalfBendPitch, full = SoundEngine::kFullBendPitch;
    const std::tuple<float, int, float> steps[] = {{20, 0, 1},    {21, 3, half}, {40, 3, half},
                                                   {41, 4, full}, {10, 0, 1.0f}, {-21, 1, half},
                                                   {-41, 2, full}};
    for (const auto& [dx, position, pitch] : steps) {
        SCOPED_TRACE(dx);
        play({{'m', 1, at(2, 1, dx)}});
        EXPECT_EQ(screen.currentBendPosition(2), position);
        EXPECT_FLOAT_EQ(rig.engine.voiceState(voice).requiredPitch, pitch);
        if (position == 4 || position == 2) {
            EXPECT_EQ(screen.stringDown(2).center().x, position == 4 ? 137 : 131);
        }
    }
    EXPECT_EQ(rig.bends(), (Log{"15:half", "15:full", "15:none", "15:half", "15:full"}));
    play({{'l', 1, at(2, 1, -41), {"-15"}}});
    EXPECT_EQ(rig.bends().size(), 5u) << "the lift does not release the bend";
    // At the nut end the strings are drawn barely displaced.
    screen.scrollTowardNut();
    play({{'h', 3, at(0, 1)}, {'t', 4, pick(0), {"+4"}}, {'m', 3, at(0, 1, 50)}});
    EXPECT_EQ(screen.stringDown(0).center().x, 22 + 1);
    // Without bends, or without a voice, nothing bends the pitch.
    rig.engine.setPitchBendOn(0, false);
    play({{'h', 5, at(1, 1)}, {'t', 6, pick(1), {"+9"}}, {'m', 5, at(1, 1, 60)}});
    EXPECT_EQ(screen.currentBendPosition(1), 0);
    rig.engine.setPitchBendOn(0, true);
    play({{'h', 7, at(4, 1)}, {'m', 7, at(4, 1, 30)}});
    EXPECT_EQ(screen.currentBendPosition(4), 3) << "drawn only";
    EXPECT_EQ(rig.bends().size(), 6u);
}

TEST_F(ManualFret, ControlStripMuteAndTheSeventhTouch) {
    play({{'t', 1, kTowardNut}, {'t', 3, {155, 30}}}); // between the arrows and MUTE: nothing
    EXPECT_EQ(screen.leftmostFret(), 1);
    auto pressed = [&] {
        EXPECT_EQ(screen.muteButton().alpha() + screen.muteButtonPressed().alpha(), 1.0f);
        return screen.muteButtonPressed().alpha() == 1.0f;
    };
    EXPECT_FALSE(pressed());
    play({{'h', 2, kMute}, {'t', 3, {200, 20}}}); // a second finger on it and off again
    EXPECT_TRUE(pressed());
    play({{'l', 2, kMute}});
    EXPECT_FALSE(pressed());
    play({{'h', 4, kMute}, {'m', 4, {120, 27}}, {'l', 4, {120, 27}}});
    EXPECT_FALSE(pressed()) << "sliding off the button lets it up";
    // The seventh finger has no slot: its lift is never seen.
    for (int i = 0; i < 6; ++i)
        hold(screen, 10 + i, at(0, 0));
    play({{'h', 20, at(3, 2)}, {'m', 20, at(3, 0)}, {'l', 20, at(3, 0)}});
    EXPECT_TRUE(screen.stringPressedAtFret(3, 2));
    EXPECT_FALSE(screen.stringPressedAtFret(3, 0));
    // The menu forgets every press and lets MUTE up.
    play({{'l', 10, at(0, 0)}, {'h', 5, kMute}, {'t', 6, kPlectrum}});
    EXPECT_FALSE(screen.stringPressedAtFret(3, 2));
    EXPECT_EQ(screen.fret(3), -1);
    EXPECT_FALSE(pressed());
}

TEST_F(ManualFret, FretboardDrawing) {
    // Five rows: labels and markers in the middle of theirs.
    EXPECT_EQ(screen.manualSpot(2).center().y, screen.fretNumber(2).center().y);
    EXPECT_EQ(screen.fretNumber(0).text(), "1");
    EXPECT_EQ(screen.manualSpot(2).alpha(), 1.0f); // fret 3
    EXPECT_EQ(screen.manualSpot(3).alpha(), 0.0f);
    EXPECT_GT(screen.manualDoubleSpotTop().center().y, 394) << "fret 12 is not shown";
    for (int i = 0; i < 8; ++i)
        screen.scrollTowardBody();
    const float middle12 = static_cast<float>(screen.rowMiddle(3));
    EXPECT_EQ(screen.manualDoubleSpotTop().center().y, middle12);
    EXPECT_EQ(screen.manualDoubleSpotBottom().center().y, middle12);
    EXPECT_EQ(screen.manualSpot(3).alpha(), 0.0f); // fret 12 has the pair instead
    // The pair stands between strings, clear of every string drawn (open or
    // fretted), one on each side of the single markers' line.
    for (const ImageView* spot : {&screen.manualDoubleSpotTop(), &screen.manualDoubleSpotBottom()})
        for (int s = 0; s < 6; ++s)
            for (const ImageView* string : {&screen.stringUp(s), &screen.stringDown(s)})
                EXPECT_GT(std::abs(spot->center().x - string->center().x), spot->bounds().width / 2 + 2) << s;
    EXPECT_GT(screen.manualDoubleSpotTop().center().x, 163);
    EXPECT_LT(screen.manualDoubleSpotBottom().center().x, 163);
}

TEST_F(ManualFret, MenuOpeningStopsEverythingAndStraightensStrings) {
    play({{'h', 1, at(2, 1)}, {'t', 2, pick(2), {"+14"}}, {'m', 1, at(2, 1, 30)}});
    ASSERT_EQ(screen.currentBendPosition(2), 3);
    play({{'t', 3, kPlectrum, {"-14"}}});
    EXPECT_EQ(screen.currentBendPosition(2), 0);
    EXPECT_EQ(screen.stringDown(2).center().x, 134);
    // While the menu shows, the lift of the board finger is not seen and the
    // board takes no touches.
    play({{'l', 1, at(2, 1)}, {'t', 4, pick(0)}});
    play({{'t', 5, {300, 10}}}); // a shortcut, here leading nowhere
    EXPECT_FALSE(screen.menuShowing());
}

TEST_F(HammerOn, StartsAtTheZerothFretAboveTheNutAndScrollsPastIt) {
    EXPECT_EQ(screen.nut().alpha(), 1.0f);
    EXPECT_EQ(screen.fretNumber(0).text(), "0");
    play({{'h', 1, at(0, 0), {"+2"}}, {'h', 2, at(1, 2), {"+9"}}});
    EXPECT_EQ(screen.stringUp(0).alpha(), 1.0f) << "the zeroth fret leaves the string drawn open";
    EXPECT_EQ(screen.stringDown(0).alpha(), 0.0f);
    EXPECT_EQ(screen.stringDown(1).alpha(), 1.0f);
    play({{'l', 1, at(0, 0), {"-2"}}, {'l', 2, at(1, 2), {"-9"}}, {'t', 3, kTowardNut}});
    EXPECT_EQ(screen.leftmostFret(), 0);
    play({{'t', 4, kTowardBody}});
    EXPECT_EQ(screen.leftmostFret(), 1);
    EXPECT_EQ(screen.nut().alpha(), 0.0f);
    EXPECT_EQ(screen.fretNumber(0).text(), "1");
}

TEST_F(HammerOn, HammerOnsAndPullOffs) {
    play({{'h', 1, at(2, 1), {"+13"}},
          {'h', 2, at(2, 4), {"-13", "+16"}},
          {'l', 2, at(2, 4), {"-16", "+13@0.50"}},
          {'l', 1, at(2, 1), {"-13"}}});
    EXPECT_EQ(screen.fret(2), -1);
    EXPECT_EQ(screen.playlistNoForString(2), -1);
    // The lower press is only remembered, then pulled off to; to the open
    // string while the zeroth fret is held, never when it is not.
    play({{'h', 3, at(3, 4), {"+21"}},
          {'h', 4, at(3, 1)},
          {'l', 3, at(3, 4), {"-21", "+18@0.50"}},
          {'h', 5, at(0, 0), {"+2"}},
          {'h', 6, at(0, 3), {"-2", "+5"}},
          {'l', 6, at(0, 3), {"-5", "+2@0.50"}},
          {'l', 5, at(0, 0), {"-2"}},
          {'t', 7, at(0, 3), {"+5", "-5"}}});
}

TEST_F(HammerOn, BendsNeverOnTheZerothFret) {
    play({{'h', 1, at(4, 0), {"+21"}}, {'m', 1, at(4, 0, 30)}});
    EXPECT_EQ(screen.currentBendPosition(4), 0);
    play({{'h', 2, at(1, 1), {"+8"}}, {'m', 2, at(1, 1, 21)}});
    EXPECT_EQ(screen.currentBendPosition(1), 3);
    play({{'m', 2, at(1, 1, -41)}});
    EXPECT_EQ(screen.currentBendPosition(1), 2);
    EXPECT_EQ(screen.stringDown(1).center().x, 79 - 1) << "small displacement at the nut end";
    play({{'m', 2, at(1, 1, -20)}});
    EXPECT_EQ(rig.bends(), (Log{"8:half", "8:full", "8:none"}));
    rig.engine.setPitchBendOn(0, false);
    play({{'h', 3, at(5, 2), {"+28"}}, {'m', 3, at(5, 2, -50)}});
    EXPECT_EQ(screen.currentBendPosition(5), 0);
    EXPECT_EQ(rig.bends().size(), 3u);
}

TEST_F(HammerOn, SlidesLiftBeforePressing) {
    play({{'h', 1, at(2, 2), {"+14"}},
          {'m', 1, at(2, 3), {"-14", "+15"}},
          {'m', 1, at(2, 2), {"-15", "+14"}}});
    // Another finger holding a lower row: the lift pulls off to it first.
    play({{'h', 2, at(2, 0)}, {'m', 1, at(2, 3), {"-14", "+12@0.50", "-12", "+15"}}});
    // Drifting onto another string keeps the fret; the control strip lifts it.
    play({{'h', 3, at(1, 2), {"+9"}}, {'m', 3, at(4, 2)}, {'m', 3, {139, 30}, {"-9"}}, {'l', 3, {139, 30}}});
    EXPECT_FALSE(screen.stringPressedAtFret(1, 2));
}

TEST_F(HammerOn, TheSeventhTouchTheMenuAndItsFretButtons) {
    for (int i = 0; i < 6; ++i)
        hold(screen, 10 + i, at(i, 1));
    hold(screen, 20, at(0, 3));
    lift(screen, 20, at(0, 3));
    EXPECT_EQ(screen.fret(0), 3) << "a touch without a slot is never lifted";
    rig.fresh();
    // Five strings sounding; all stop, in string order, and their lifts go
    // to the menu.
    play({{'l', 15, at(5, 1), {"-27"}},
          {'t', 30, kPlectrum, {"-5", "-8", "-13", "-18", "-22"}},
          {'l', 10, at(0, 1)}});
    for (int s = 0; s < 6; ++s) {
        EXPECT_EQ(screen.fret(s), -1);
        EXPECT_EQ(screen.stringUp(s).alpha(), 1.0f);
    }
    // The menu's fewer and more frets buttons; below them nothing.
    play({{'t', 2, {200, 200}}});
    EXPECT_EQ(screen.numFretsToShow(), 4);
    EXPECT_EQ(rig.engine.numFretsToShow(), 4);
    play({{'t', 3, {200, 300}}, {'t', 4, {200, 300}}, {'t', 5, {200, 400}}});
    EXPECT_EQ(screen.numFretsToShow(), 6);
    EXPECT_TRUE(screen.menuShowing());
}
