// The Tab Guitar: its touch areas and keys, strums of the current column and
// stepping through the tab, the hold button's single strings, the tab display
// and the lights, the noise buttons, the strum speed knob and its menu items,
// driven by touch scripts.

#include "guitars/TabGuitarView.h"
#include "GuitarTestRig.h"
#include "guitars/TabGuitarKeys.h"
#include "song/Tab.h"

using namespace guitartest;
using Area = TabGuitarView::Area;
using MenuItem = TabGuitarView::MenuItem;

namespace {

const Point kHold = centreOf(TabGuitarView::touchAreas(), Area::Hold);
const Point kBack = centreOf(TabGuitarView::touchAreas(), Area::TabBack);
const Point kForward = centreOf(TabGuitarView::touchAreas(), Area::TabForward);
const Point kPlectrum = {20, 20}, kOffPickup = {150, 380}, kGuitar = {30, 250};
// C major strummed from string 0 up (string 0 is not played), then let go.
const Log kCMajor = {"+10", "+14", "+17", "+22", "+26"}, kCMajorStops = {"-10", "-14", "-17", "-22", "-26"};
const Log kCMajorAgain = {"-10", "-14", "-17", "-22", "-26", "+10", "+14", "+17", "+22", "+26"};

class TabGuitar : public ::testing::Test {
protected:
    TabGuitar() {
        rig.strums = true;
        rig.performer.setStrumSpeed(0); // the slowest spread-free strum: 7 ms between strings
        screen.redraw();
        // "position fingers-on-the-pickup", " hold" while held, the lights
        // ("o" lit), " empty" while the empty tab's words show, " menu".
        rig.state = [this] {
            std::string out = std::to_string(tab.currentTabIndex()) + " " +
                              std::to_string(screen.numFingersPressingPickup()) +
                              (screen.holdPosition() ? " hold " : " ");
            for (int s = 0; s < 6; ++s)
                out += screen.LEDLit(s).alpha() > 0 ? "o" : ".";
            return out + (screen.emptyTabLabel().alpha() > 0 ? " empty" : "") +
                   (screen.menuShowing() ? " menu" : "");
        };
    }

    static Point pick(int string) {
        const float x[6] = {67, 111, 148, 185, 223, 265};
        return {x[string], 440};
    }
    void play(std::initializer_list<Step> steps) { guitartest::play(screen, rig, steps); }
    // C major, A minor, an open low E with a 12th fret high E.
    void threeColumns() {
        tab.addNotesToTab(0, "x32010");
        tab.addNotesToTab(1, "x02210");
        tab.addChordToTab(2, 0, -1, -1, -1, -1, 12);
        tab.moveToStartOfTab();
        screen.redraw();
    }
    void at(int position) {
        tab.setCurrentTabIndex(position);
        screen.redrawTabDisplay();
    }

    Rig rig;
    Tab tab;
    Navigating<TabGuitarView> screen{nullptr, &rig.performer, &tab};
};

} // namespace

TEST_F(TabGuitar, KeysLandOnTheirControlsAndPlayThroughTheTouchPath) {
    const Key strings[6] = {Key::A, Key::S, Key::D, Key::F, Key::G, Key::H};
    for (int s = 0; s < 6; ++s) {
        // Each string's band holds its light, its key's finger and its pluck.
        const auto p = TabGuitarKeys::pointForKey(strings[s]);
        ASSERT_TRUE(p.has_value());
        for (Point on : {screen.LEDLit(s).center(), *p, pick(s)}) {
            EXPECT_TRUE(TabGuitarView::onPickup(on)) << s;
            EXPECT_EQ(TabGuitarView::getStringForCoord(on), s);
        }
        EXPECT_EQ(TabGuitarKeys::stringForKey(strings[s]), s);
    }
    const std::pair<float, int> bands[] = {{43, 0}, {92.9f, 0}, {93, 1}, {241.9f, 4}, {242, 5}, {288, 5}};
    for (const auto& [x, string] : bands)
        EXPECT_EQ(TabGuitarView::getStringForCoord({x, 400}), string) << x;
    const std::pair<Key, Area> controls[] = {{Key::J, Area::Hold},
                                             {Key::Left, Area::TabBack},
                                             {Key::Right, Area::TabForward},
                                             {Key::N, Area::Noises},
                                             {Key::M, Area::Noises}};
    for (const auto& [k, area] : controls)
        EXPECT_EQ(hitActionInside(TabGuitarView::touchAreas(), *TabGuitarKeys::pointForKey(k)), area);
    EXPECT_FALSE(TabGuitarKeys::pointForKey(Key::Space).has_value());
}

TEST_F(TabGuitar, PlucksStrumTheColumnHoldPlaysSingleStringsAndLiftsMoveOn) {
    play({{'h', 1, pick(2), {}, "0 1 ...... empty"}, {'l', 1, pick(2), {}, "0 0 ...... empty"}});
    threeColumns();
    // Whichever string is touched; the position moves on the lift, and
    // lifting on the last column wraps to the first.
    play({{'h', 1, pick(0), kCMajor, "0 1 .ooooo"}, {'l', 1, pick(0), kCMajorStops, "1 0 .ooooo"}});
    at(2);
    play({{'h', 2, pick(5), {"+2", "+38"}}, {'l', 2, pick(5), {"-2", "-38"}, "0 0 .ooooo"}});
    // Past the last or before the first column: nothing, then the start.
    at(-1);
    play({{'t', 3, pick(3), {}, "0 0 .ooooo"},
          // Two fingers without hold each move on.
          {'h', 1, pick(1), kCMajor, "0 1 .ooooo"},
          {'h', 2, pick(4), kCMajorAgain, "0 2 .ooooo"},
          {'l', 1, pick(1), kCMajorStops, "1 1 .ooooo"},
          {'l', 2, pick(4), {}, "2 0 o....o"},
          // Onto the pickup from above: a pluck; across the strings: nothing
          // more; off it: the lift, and the next column, once.
          {'h', 1, kOffPickup},
          {'m', 1, pick(2), {"+2", "+38"}, "2 1 o....o"},
          {'m', 1, pick(4)},
          {'m', 1, kOffPickup, {"-2", "-38"}, "0 0 .ooooo"},
          {'l', 1, kOffPickup, {}, "0 0 .ooooo"},
          // Hold: one string at a time as the finger crosses them (column 0
          // is x32010), and the position kept.
          {'h', 1, kHold},
          {'h', 2, pick(0)},
          {'m', 2, pick(1), {"+10"}},
          {'m', 2, pick(2), {"+14", "-10"}},
          {'m', 2, pick(5), {"+26", "-14"}, "0 1 hold .ooooo"},
          // Releasing hold with the finger still on the pickup stops it, no
          // move; then the finger leaves the pickup: one step.
          {'l', 1, kHold, {"-26"}, "0 0 .ooooo"},
          {'l', 2, pick(5), {}, "1 0 .ooooo"},
          // Hold lifted with no finger on the pickup moves on once; so does
          // sliding off it.
          {'h', 1, kHold},
          {'t', 2, pick(2), {"+14", "-14"}},
          {'l', 1, kHold, {}, "2 0 o....o"},
          {'h', 1, kHold},
          {'m', 1, {200, 335}, {}, "0 0 .ooooo"},
          {'l', 1, {200, 335}, {}, "0 0 .ooooo"},
          // A string the column does not play; a second finger on a held string.
          {'h', 1, kHold},
          {'t', 2, pick(0)},
          {'h', 2, pick(1), {"+10"}},
          {'h', 3, pick(1), {"-10", "+10"}},
          {'l', 2, pick(1), {"-10"}},
          {'l', 3, pick(1)},
          // The strum speed knob turns only under a finger that came down on it.
          {'m', 5, {45, 280}},
          {'h', 4, {25, 290}},
          {'m', 4, {45, 280}}});
    EXPECT_NE(rig.performer.strumSpeed(), 0.0f);
}

TEST_F(TabGuitar, NoiseButtonsOnlyOnAnAcousticGuitar) {
    const Point fretNoise = {290, 30}, tapNoise = {290, 100};
    play({{'t', 1, fretNoise}, {'t', 1, tapNoise}});
    rig.engine.nextPatch(nullptr, 0); // Acoustic 1 (a patch change ends the recording)
    screen.redraw();
    rig.recorder.record();
    for (auto [at, lowest, highest] : {std::tuple{fretNoise, 100, 109}, std::tuple{tapNoise, 110, 121}}) {
        tap(screen, 1, at);
        const Log noise = rig.heard();
        ASSERT_EQ(noise.size(), 2u);
        const int sample = std::stoi(noise[0].substr(1));
        EXPECT_GE(sample, lowest);
        EXPECT_LE(sample, highest);
        EXPECT_EQ(noise[1], "-" + noise[0].substr(1));
    }
}

TEST_F(TabGuitar, ArrowsStepWithinTheTabAndTheMenuStopsEverythingAndItsItemsAct) {
    threeColumns();
    play({{'t', 1, kBack, {}, "0 0 .ooooo"},
          {'t', 1, kForward, {}, "1 0 .ooooo"},
          {'t', 1, kForward, {}, "2 0 o....o"},
          {'t', 1, kForward, {}, "0 0 .ooooo"}}); // forward on the last column wraps
    at(1);
    // Opening the menu lets hold go and does not move on; the fingers' lifts
    // go to the menu: nothing happens.
    play({{'h', 1, kHold},
          {'h', 2, pick(2), {"+14"}},
          {'h', 3, kPlectrum, {"-14"}, "1 0 .ooooo menu"},
          {'l', 1, kHold},
          {'l', 2, pick(2)},
          {'l', 3, kPlectrum, {}, "1 0 .ooooo menu"},
          {'t', 4, centreOf(TabGuitarView::menuItemAreas(), MenuItem::Restart), {}, "0 0 .ooooo menu"},
          {'t', 5, pick(3)},
          {'t', 6, {150, 120}, {}, "0 0 .ooooo menu"}}); // between the items and the bars
    for (MenuItem item : {MenuItem::Editor, MenuItem::Library}) {
        play({{'t', 7, centreOf(TabGuitarView::menuItemAreas(), item), {}, "0 0 .ooooo"}});
        rig.recorder.record();
        play({{'t', 8, kPlectrum}});
    }
    EXPECT_EQ(screen.visited, (std::vector<int>{2, 14}));
    // The strummed guitar is the current one: guitar 2's samples are 48 above.
    play({{'t', 2, kGuitar},
          {'t', 3, kPlectrum},
          {'h', 4, pick(0), {"+58", "+62", "+65", "+70", "+74"}},
          {'l', 4, pick(0), {"-58", "-62", "-65", "-70", "-74"}}});
}
