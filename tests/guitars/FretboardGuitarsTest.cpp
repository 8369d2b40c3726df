// The two fretboards driven by touch scripts. Manual Fret: a held row sounds
// when its string is plucked over the pickup, with hammer-ons and pull-offs at
// 0.65, strums, slides, bends, MUTE. Hammer-On: a fret sounds as soon as it is
// pressed, from a zeroth fret above the nut, with pull-offs at 0.5 and slides
// that lift before they press. Both: rows, fret counts, scrolling and the
// seventh touch, checked against what the recorder sees.

#include <type_traits>

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
    Board() {
        screen.redraw();
        rig.state = [this] { return describe(); };
    }

    // "L" and the leftmost fret; each string's pressed rows ("-" for none,
    // "*" when drawn pressed); "b" and the strings' bend positions; on the
    // Manual Fret "m" and the alphas of
    // MUTE and of MUTE lit; on the Hammer-On "nut" while the nut shows;
    // "menu" while the menu shows.
    std::string describe() const {
        std::string out = "L" + std::to_string(screen.leftmostFret());
        for (int s = 0; s < 6; ++s) {
            out += " ";
            for (int r = 0; r < 10; ++r)
                out += screen.stringPressedAtFret(s, r) ? std::to_string(r) : "";
            out += std::string(out.back() == ' ' ? "-" : "") + (screen.stringDown(s).alpha() > 0 ? "*" : "");
        }
        out += " b";
        for (int s = 0; s < 6; ++s)
            out += std::to_string(screen.currentBendPosition(s));
        if constexpr (std::is_same_v<Screen, ManualFretAndPluckGuitarView>) {
            out += " m" + std::to_string(static_cast<int>(screen.muteButton().alpha())) +
                   std::to_string(static_cast<int>(screen.muteButtonPressed().alpha()));
        } else {
            out += screen.nut().alpha() > 0 ? " nut" : "";
        }
        return out + (screen.menuShowing() ? " menu" : "");
    }
    // Row r of string s, dx to the side; string s over the pickup.
    Point at(int s, int r, float dx = 0) const {
        return {kStringX[s] + dx, static_cast<float>(screen.rowMiddle(r))};
    }
    static Point pick(int s) { return {kStringX[s], 440}; }
    void play(std::initializer_list<Step> steps) { guitartest::play(screen, rig, steps); }

    Rig rig;
    Screen screen{nullptr, &rig.performer};
};
using ManualFret = Board<ManualFretAndPluckGuitarView>;
using HammerOn = Board<HammerOnGuitarView>;

} // namespace

using Boards = ::testing::Types<ManualFretAndPluckGuitarView, HammerOnGuitarView>;
TYPED_TEST_SUITE(Board, Boards);

// The Manual Fret sounds a held fret when its string is plucked, the Hammer-On at once.
TYPED_TEST(Board, EveryFretPlaysItsOpenStringPlusTheFret) {
    auto& screen = this->screen;
    for (int steps : {0, 7, 30}) {
        for (int i = 0; i < steps; ++i)
            screen.scrollTowardBody();
        for (int s = 0; s < 6; ++s)
            for (int r = 0; r < screen.numFretsToShow(); ++r) {
                SCOPED_TRACE(testing::Message() << "scrolled " << steps << ", string " << s << ", row " << r);
                hold(screen, 1, this->at(s, r));
                if (std::is_same_v<TypeParam, ManualFretAndPluckGuitarView>)
                    tap(screen, 2, this->pick(s));
                lift(screen, 1, this->at(s, r));
                const std::string sample = std::to_string(kOpenStringSample[s] + screen.leftmostFret() + r);
                EXPECT_EQ(this->rig.fresh(), (Log{"+" + sample, "-" + sample}));
            }
    }
}

TEST(Fretboards, EachStringTakesItsBand) {
    const std::pair<float, int> strings[] = {{-10, 0}, {54.9f, 0}, {55, 1},  {165.9f, 2}, {166, 3},
                                             {221, 3}, {273, 4},   {274, 5}, {900, 5}};
    for (const auto& [x, string] : strings)
        EXPECT_EQ(FretboardGuitarView::getStringForCoord({x, 0}), string) << x;
}

TEST(Fretboards, EveryFretCountFillsTheBoardWithRows) {
    Rig rig;
    ManualFretAndPluckGuitarView manual(nullptr, &rig.performer);
    HammerOnGuitarView hammer(nullptr, &rig.performer);
    EXPECT_EQ(hammer.getFretForCoord({0, 100}), -1) << "no board before the first showing";
    for (int count = 3; count <= 10; ++count) {
        SCOPED_TRACE(count);
        rig.engine.setNumFretsToShow(count);
        for (FretboardGuitarView* screen : std::initializer_list<FretboardGuitarView*>{&manual, &hammer}) {
            screen->redraw();
            EXPECT_EQ(screen->getFretForCoord({0, 56.9f}), -1);
            EXPECT_EQ(screen->getFretForCoord({0, 5000}), 9);
            for (int r = 0; r < count; ++r) {
                EXPECT_EQ(screen->getFretForCoord({0, static_cast<float>(screen->rowLine(r))}), r);
                EXPECT_EQ(screen->getFretForCoord({0, static_cast<float>(screen->rowLine(r + 1)) - 0.5f}), r);
            }
        }
        // The Manual Fret's rows share the board evenly up to the pickup;
        // the Hammer-On's run to the end of the screen below their nut.
        EXPECT_EQ(manual.rowLine(count), 394);
        EXPECT_EQ(hammer.getFretForCoord({0, 479}), count - 1);
    }
    play(manual, rig, {{'t', 1, {27, 400}, {"+2"}}}); // beyond 394 is the pickup
    // Fret counts stay in range and keep the neck in view.
    manual.setNumberFrets(0);
    EXPECT_EQ(manual.numFretsToShow(), 3);
    manual.setNumberFrets(42);
    EXPECT_EQ(manual.numFretsToShow(), 10);
    for (FretboardGuitarView* screen : std::initializer_list<FretboardGuitarView*>{&manual, &hammer}) {
        const auto shown = [&] {
            EXPECT_EQ(rig.engine.numFretsToShow(), screen->numFretsToShow()) << "shared through the engine";
            return std::pair{screen->numFretsToShow(), screen->leftmostFret()};
        };
        rig.engine.setNumFretsToShow(5);
        screen->redraw();
        for (int i = 0; i < 30; ++i)
            screen->scrollTowardBody();
        EXPECT_EQ(shown(), (std::pair{5, 17}));
        screen->moreFrets();
        EXPECT_EQ(shown(), (std::pair{6, 16}));
        rig.engine.setNumFretsToShow(10); // another screen's: the next showing brings the neck down
        screen->redraw();
        screen->moreFrets();
        EXPECT_EQ(shown(), (std::pair{10, 12}));
    }
}

TEST_F(ManualFret, FrettingSilencesAnOpenStringThePluckPlaysTheHeldRowAndScrollingMovesIt) {
    play({{'t', 1, pick(0), {"+2"}, "L1 - - - - - - b000000 m10"},
          {'h', 2, at(0, 0), {"-2"}, "L1 0* - - - - - b000000 m10"}, // only silences it
          {'t', 3, pick(0), {"+3"}}});
    EXPECT_TRUE(rig.engine.voicePlaying(screen.playlistNoForString(0)))
        << "the lifted pluck leaves it ringing";
    play({{'t', 4, kTowardBody, {}, "L2 0* - - - - - b000000 m10"},
          {'t', 5, pick(0), {"-3", "+4"}},
          {'t', 6, kTowardBody},
          {'l', 2, at(0, 0), {}, "L3 - - - - - - b000000 m10"}}); // no longer the one sounding
}

TEST_F(ManualFret, PullOffsHammerOnsAndMute) {
    play({{'h', 1, at(0, 0)},
          {'h', 2, at(0, 2)},
          {'t', 3, pick(0), {"+5"}},
          {'l', 2, at(0, 2), {"-5", "+3@0.65"}},
          {'l', 1, at(0, 0), {"-3"}},
          // Row 0 sounding: pressing row 3 hammers on; then pressing row 1,
          // below the sounding fret, changes nothing audible.
          {'h', 4, at(1, 0)},
          {'t', 5, pick(1), {"+8"}},
          {'h', 7, at(1, 3), {"-8", "+11@0.65"}},
          {'h', 6, at(1, 1)},
          {'l', 6, at(1, 1)},
          // MUTE stops everything; a pull-off afterwards still sounds.
          {'h', 8, at(5, 0)},
          {'h', 9, at(5, 3)},
          {'t', 10, pick(5), {"+30"}},
          {'t', 11, kMute, {"-11", "-30"}},
          {'l', 9, at(5, 3), {"+27@0.65"}}});
}

TEST_F(ManualFret, StrumsAndDragsBetweenPickupAndBoard) {
    play({{'h', 1, pick(0), {"+2"}},
          {'m', 1, pick(1), {"+7"}},
          {'m', 1, pick(3), {"+17"}},
          {'m', 1, pick(5), {"+26"}},
          {'l', 1, pick(5)},
          // One string per move, and none for a move within a string.
          {'h', 2, pick(1), {"-7", "+7"}},
          {'m', 2, pick(4), {"+21"}},
          {'m', 2, {253, 440}},
          {'l', 2, pick(4)},
          // From the pickup onto the board: the fret is pressed, nothing plucked.
          {'h', 3, pick(3), {"-17", "+17"}},
          {'m', 3, at(3, 1), {"-17"}, "L1 - - - 1* - - b000000 m10"},
          {'l', 3, at(3, 1), {}, "L1 - - - - - - b000000 m10"},
          // A fretting finger dragged into the pickup lifts its fret and plucks.
          {'h', 4, at(4, 2), {"-21"}},
          {'m', 4, pick(4), {"+21"}, "L1 - - - - - - b000000 m10"}});
}

TEST_F(ManualFret, SlidesPressBeforeLifting) {
    play({{'h', 1, at(2, 1)},
          {'t', 2, pick(2), {"+14"}},
          {'m', 1, at(2, 2), {"-14", "+15@0.65"}, "L1 - - 2* - - - b000000 m10"},
          {'m', 1, at(2, 1), {"-15", "+14@0.65"}},
          {'m', 1, at(3, 3), {}, "L1 - - 1* - - - b004000 m10"}, // onto another string
          // Leaving the board through the control strip lifts the fret first held.
          {'m', 1, {194, 20}, {"-14"}, "L1 - - - - - - b004000 m10"}});
}

TEST_F(ManualFret, BendThresholdsAndTheMenuStraighteningTheStrings) {
    screen.scrollTowardBody();
    play({{'h', 1, at(2, 1)}, {'t', 2, pick(2), {"+15"}}});
    for (const auto& [dx, position] : std::initializer_list<std::pair<float, int>>{
             {20, 0}, {21, 3}, {40, 3}, {41, 4}, {10, 0}, {-21, 1}, {-41, 2}}) {
        SCOPED_TRACE(dx);
        play({{'m', 1, at(2, 1, dx)}});
        EXPECT_EQ(screen.currentBendPosition(2), position);
    }
    EXPECT_EQ(rig.bends(), (Log{"15:half", "15:full", "15:none", "15:half", "15:full"}));
    EXPECT_FLOAT_EQ(rig.engine.voiceState(screen.playlistNoForString(2)).requiredPitch,
                    SoundEngine::kFullBendPitch);
    play({{'l', 1, at(2, 1, -41), {"-15"}}});
    // Without bends nothing bends the pitch; the lift does not release the bend.
    rig.engine.setPitchBendOn(0, false);
    play({{'t', 3, kTowardNut},
          {'h', 5, at(1, 1)},
          {'t', 6, pick(1), {"+9"}},
          {'m', 5, at(1, 1, 60), {}, "L1 - 1* - - - - b002000 m10"}});
    EXPECT_EQ(rig.bends().size(), 5u);
    // The menu stops the notes and straightens the strings; while it shows,
    // lifts are not seen and the board takes no touches.
    play({{'t', 8, kPlectrum, {"-9"}, "L1 - - - - - - b000000 m10 menu"},
          {'t', 4, pick(0)},
          {'t', 9, {300, 10}, {}, "L1 - - - - - - b000000 m10"}}); // a shortcut to nowhere
}

TEST_F(ManualFret, ControlStripMuteAndTheMenuLettingItUp) {
    play({{'h', 2, kMute},
          {'t', 3, {200, 20}, {}, "L1 - - - - - - b000000 m01"}, // a second finger on it
          {'l', 2, kMute, {}, "L1 - - - - - - b000000 m10"},
          {'h', 4, kMute},
          {'m', 4, {120, 27}, {}, "L1 - - - - - - b000000 m10"}, // sliding off lets it up
          {'l', 4, {120, 27}},
          // The menu forgets every press and lets MUTE up.
          {'h', 10, at(3, 2)},
          {'h', 5, kMute, {}, "L1 - - - 2* - - b000000 m01"},
          {'t', 6, kPlectrum, {}, "L1 - - - - - - b000000 m10 menu"}});
}

TEST_F(HammerOn, StartsAtTheZerothFretAboveTheNutAndScrollsPastIt) {
    play({{'h', 1, at(0, 0), {"+2"}},
          {'h', 2, at(1, 2), {"+9"}, "L0 0 2* - - - - b000000 nut"}, // the zeroth fret is drawn open
          {'l', 1, at(0, 0), {"-2"}},
          {'l', 2, at(1, 2), {"-9"}},
          {'t', 3, kTowardNut, {}, "L0 - - - - - - b000000 nut"},
          {'t', 4, kTowardBody, {}, "L1 - - - - - - b000000"},
          {'h', 5, at(0, 0), {"+3"}, "L1 0* - - - - - b000000"}});
}

TEST_F(HammerOn, HammerOnsAndPullOffs) {
    play({{'h', 1, at(2, 1), {"+13"}},
          {'h', 2, at(2, 4), {"-13", "+16"}},
          {'l', 2, at(2, 4), {"-16", "+13@0.50"}},
          {'l', 1, at(2, 1), {"-13"}, "L0 - - - - - - b000000 nut"},
          // The lower press is only remembered, then pulled off to; to the
          // open string while the zeroth fret is held, never when it is not.
          {'h', 3, at(3, 4), {"+21"}},
          {'h', 4, at(3, 1)},
          {'l', 3, at(3, 4), {"-21", "+18@0.50"}},
          {'h', 5, at(0, 0), {"+2"}},
          {'h', 6, at(0, 3), {"-2", "+5"}},
          {'l', 6, at(0, 3), {"-5", "+2@0.50"}},
          {'l', 5, at(0, 0), {"-2"}}});
}

TEST_F(HammerOn, BendsNeverOnTheZerothFretAndSlidesLiftBeforePressing) {
    play({{'h', 1, at(4, 0), {"+21"}},
          {'m', 1, at(4, 0, 30), {}, "L0 - - - - 0 - b000000 nut"},
          {'h', 2, at(1, 1), {"+8"}},
          {'m', 2, at(1, 1, 21), {}, "L0 - 1* - - 0 - b030000 nut"},
          {'m', 2, at(1, 1, -41), {}, "L0 - 1* - - 0 - b020000 nut"},
          {'m', 2, at(1, 1, -20)}});
    EXPECT_EQ(rig.bends(), (Log{"8:half", "8:full", "8:none"}));
    rig.engine.setPitchBendOn(0, false); // the drifts below bend nothing
    play({{'h', 4, at(2, 2), {"+14"}},
          {'m', 4, at(2, 3), {"-14", "+15"}},
          {'m', 4, at(2, 2), {"-15", "+14"}},
          // Another finger holding a lower row: the lift pulls off to it first.
          {'h', 5, at(2, 0)},
          {'m', 4, at(2, 3), {"-14", "+12@0.50", "-12", "+15"}},
          // Drifting onto another string keeps the fret; the control strip lifts it.
          {'m', 2, at(4, 1), {}, "L0 - 1* 03* - 0 - b000000 nut"},
          {'m', 2, {139, 30}, {"-8"}},
          {'l', 2, {139, 30}, {}, "L0 - - 03* - 0 - b000000 nut"}});
}

TEST_F(HammerOn, TheSeventhTouchTheMenuAndItsFretButtons) {
    for (int i = 0; i < 6; ++i)
        hold(screen, 10 + i, at(i, 1));
    hold(screen, 20, at(0, 3));
    lift(screen, 20, at(0, 3));
    rig.fresh();
    // A touch without a slot is never lifted; five strings sounding all
    // stop, in string order, and their lifts go to the menu.
    play({{'l', 15, at(5, 1), {"-27"}, "L0 13* 1* 1* 1* 1* - b000000 nut"},
          {'t', 30, kPlectrum, {"-5", "-8", "-13", "-18", "-22"}, "L0 - - - - - - b000000 nut menu"},
          {'l', 10, at(0, 1)},
          // The menu's fewer and more frets buttons; below them nothing.
          {'t', 2, {200, 200}}});
    EXPECT_EQ(rig.engine.numFretsToShow(), 4);
    play({{'t', 3, {200, 300}}, {'t', 4, {200, 300}}, {'t', 5, {200, 400}}});
    EXPECT_EQ(rig.engine.numFretsToShow(), 6);
}
