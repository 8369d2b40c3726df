// Tab Guitar practice: a loop of columns marked on the tab card (or with L)
// that strums wrap around, and the next column's frets shown beside the
// lights.

#include "GuitarTestRig.h"
#include "guitars/TabGuitarKeys.h"
#include "guitars/TabGuitarView.h"
#include "song/Tab.h"
#include "support/Picture.h"

using namespace guitartest;
using Area = TabGuitarView::Area;

namespace {

// Column c plays the low E at fret c (sample 2 + c) and nothing else.
void fill(Tab& tab, int columns) {
    for (int c = 0; c < columns; ++c)
        tab.addChordToTab(c, c, -1, -1, -1, -1, -1);
    tab.moveToStartOfTab();
}

} // namespace

TEST(TabPractice, StrumsThroughAMarkedLoopGoBackToItsFirstColumn) {
    Rig rig;
    rig.strums = true;
    rig.performer.setStrumSpeed(0);
    Tab tab;
    fill(tab, 6);
    TabGuitarView screen(nullptr, &rig.performer, &tab);
    screen.redraw();
    const std::map<char, Point> at = {{'c', centreOf(TabGuitarView::touchAreas(), Area::Loop)},
                                      {'f', centreOf(TabGuitarView::touchAreas(), Area::TabForward)},
                                      {'b', centreOf(TabGuitarView::touchAreas(), Area::TabBack)},
                                      {'l', *TabGuitarKeys::pointForKey(Key::L)},
                                      {'s', {67, 440}}};
    // Each tap ('f' forward, 'b' back, 'c' the card, 'l' the L key's finger,
    // 's' a strum): the sample it starts (0: none), where the tab is after it
    // and the loop shown. Last, a loop marked from its last column.
    const std::string from2 = "Loop 2\u2013\u2026", loop = "Loop 2\u20134", from5 = "Loop 5\u2013\u2026",
                      loop25 = "Loop 2\u20135";
    const std::tuple<char, int, int, std::string> steps[] = {
        {'f', 0, 1, ""},    {'c', 0, 1, from2}, {'s', 3, 2, from2},  {'s', 4, 3, from2}, {'c', 0, 3, loop},
        {'s', 5, 1, loop},  {'s', 3, 2, loop},  {'s', 4, 3, loop},   {'s', 5, 1, loop},  {'l', 0, 1, ""},
        {'s', 3, 2, ""},    {'s', 4, 3, ""},    {'s', 5, 4, ""},     {'l', 0, 4, from5}, {'b', 0, 3, from5},
        {'b', 0, 2, from5}, {'b', 0, 1, from5}, {'c', 0, 1, loop25},
    };
    int n = 0;
    for (const auto& [op, sample, position, shown] : steps) {
        SCOPED_TRACE(testing::Message() << "step " << ++n);
        tap(screen, n, at.at(op));
        Log started = rig.heard();
        std::erase_if(started, [](const std::string& e) { return e[0] == '-'; });
        EXPECT_EQ(started, sample == 0 ? Log{} : Log{"+" + std::to_string(sample)});
        EXPECT_EQ(tab.currentTabIndex(), position);
        EXPECT_EQ(screen.loopLabel().text(), shown);
        EXPECT_EQ(screen.loopLabel().isHidden(), shown.empty());
    }
}

TEST(TabPractice, TheNextColumnsFretsShowBesideTheLights) {
    Window w;
    Rig rig(false);
    Tab tab;
    fill(tab, 3);
    TabGuitarView screen(nullptr, &rig.performer, &tab);
    w.app->rootView().addSubview(&screen);
    // The next column's text and the pixels over strings 0 and 1's numbers.
    const auto shot = [&](int position) {
        tab.setCurrentTabIndex(position);
        screen.redrawTabDisplay();
        const testsupport::Picture p(*w.app, w.clock, 1.0 / 60);
        std::vector<std::string> out = {screen.nextFret(0).text(), "", ""};
        for (int string = 0; string < 2; ++string) {
            const Rect f = screen.nextFret(string).frame();
            for (float x = f.x; x < f.maxX(); ++x)
                for (float y = f.y; y < f.maxY(); ++y)
                    out[string + 1] += std::to_string(p.at({x, y})) + " ";
        }
        return out;
    };
    const std::vector<std::string> first = shot(0), second = shot(1), last = shot(2);
    // Past the last column nothing comes.
    EXPECT_EQ((std::vector{first[0], second[0], last[0]}), (std::vector<std::string>{"1", "2", ""}));
    EXPECT_NE(first[1], second[1]);
    EXPECT_NE(second[1], last[1]);
    EXPECT_EQ(first[2], second[2]) << "string 1 is not played next: nothing shown";
    screen.removeFromSuperview();
}
