// Tab Guitar practice: a loop of columns marked on the tab card (or with L)
// that strums wrap around, and the next column's frets shown beside the
// lights.

#include "GuitarTestRig.h"
#include "guitars/TabGuitarKeys.h"
#include "guitars/TabGuitarView.h"
#include "song/Tab.h"

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
    rig.performer.setStrumSpeed(0);
    Tab tab;
    fill(tab, 6);
    TabGuitarView screen(nullptr, &rig.performer, &tab);
    screen.redraw();
    const Point card = centreOf(TabGuitarView::touchAreas(), Area::Loop);
    const Point forward = centreOf(TabGuitarView::touchAreas(), Area::TabForward);
    const Point markKey = *TabGuitarKeys::pointForKey(Key::L), strum = {67, 440};
    // What each tap does: the sample a strum starts, where the tab is after
    // it, and the loop shown ("" while none is marked).
    struct Step {
        Point at;
        int started; // -1: nothing played
        int position;
        std::string loop;
    };
    const Step steps[] = {
        {forward, -1, 1, ""},      {card, -1, 1, "Loop 2\u2013\u2026"}, {strum, 3, 2, "Loop 2\u2013\u2026"},
        {strum, 4, 3, "Loop 2\u2013\u2026"}, {card, -1, 3, "Loop 2\u20134"}, {strum, 5, 1, "Loop 2\u20134"},
        {strum, 3, 2, "Loop 2\u20134"},      {strum, 4, 3, "Loop 2\u20134"}, {strum, 5, 1, "Loop 2\u20134"},
        {markKey, -1, 1, ""},       {strum, 3, 2, ""},  {strum, 4, 3, ""}, {strum, 5, 4, ""},
        // Marked the other way round (the last column first, below).
        {markKey, -1, 4, "Loop 5\u2013\u2026"},
    };
    int n = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << ++n);
        tap(screen, n, s.at);
        rig.strum();
        Log started;
        for (const std::string& e : rig.fresh())
            if (e[0] == '+')
                started.push_back(e.substr(0, e.find('@')));
        EXPECT_EQ(started, s.started < 0 ? Log{} : Log{"+" + std::to_string(s.started)});
        EXPECT_EQ(tab.currentTabIndex(), s.position);
        EXPECT_EQ(screen.loopLabel().text(), s.loop);
        EXPECT_EQ(screen.loopLabel().isHidden(), s.loop.empty());
    }
    tab.setCurrentTabIndex(1);
    screen.redrawTabDisplay();
    tap(screen, 99, card);
    EXPECT_EQ(screen.loopFirst(), 1);
    EXPECT_EQ(screen.loopLast(), 4);
    EXPECT_EQ(screen.loopLabel().text(), "Loop 2\u20135");
}

TEST(TabPractice, TheNextColumnsFretsShowBesideTheLights) {
    Window w;
    Rig rig(false);
    Tab tab;
    fill(tab, 3);
    TabGuitarView screen(nullptr, &rig.performer, &tab);
    screen.redraw();
    w.app->rootView().addSubview(&screen);
    // The pixels over each string's next-fret number, at two positions.
    const auto shot = [&](int position) {
        tab.setCurrentTabIndex(position);
        screen.redrawTabDisplay();
        w.turn();
        int width = 0, height = 0;
        const std::vector<std::uint8_t> px = w.app->captureLandscape(&width, &height);
        const int s = width / 480;
        std::vector<std::vector<std::uint8_t>> out;
        for (int string = 0; string < 6; ++string) {
            const Rect f = screen.nextFret(string).frame();
            std::vector<std::uint8_t>& area = out.emplace_back();
            for (int x = static_cast<int>(f.x) * s; x < static_cast<int>(f.maxX()) * s; ++x)
                for (int y = static_cast<int>(f.y) * s; y < static_cast<int>(f.maxY()) * s; ++y)
                    for (int c = 0; c < 3; ++c)
                        area.push_back(px[(static_cast<std::size_t>(320 * s - 1 - x) * width + y) * 4 + c]);
        }
        return out;
    };
    const auto first = shot(0), second = shot(1), last = shot(2);
    EXPECT_NE(first[0], second[0]) << "fret 1 next, then fret 2";
    EXPECT_EQ(screen.nextFret(0).text(), "") << "past the last column nothing comes";
    EXPECT_NE(second[0], last[0]);
    for (int string = 1; string < 6; ++string)
        EXPECT_EQ(first[string], second[string]) << "not played next: nothing shown, " << string;
    tab.setCurrentTabIndex(0);
    screen.redrawTabDisplay();
    EXPECT_EQ(screen.nextFret(0).text(), "1");
    EXPECT_GT(screen.nextFret(0).alpha(), 0.0f);
    EXPECT_EQ(screen.nextFret(1).alpha(), 0.0f);
    screen.removeFromSuperview();
}
