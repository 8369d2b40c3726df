// Every screen's touch table: each area lies on the screen, and no two areas
// overlap but where a screen says which one wins. Then the few places where
// the order or an open border decides what a finger does.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "guitars/TabGuitarSetupView.h"
#include "guitars/TabGuitarView.h"
#include "screens/ManualView.h"
#include "screens/MenuAppSetupView.h"
#include "screens/MenuEffectsSetupView.h"
#include "screens/MenuSetupGuitarPatchView.h"
#include "screens/PlainMenuViews.h"
#include "ui/MessageBoxLayer.h"
#include "ui/ScreenHost.h"

namespace {

using Choice = MenuScreenView::Choice;

struct Table {
    std::string name;
    std::vector<Rect> rects;
    // The pairs "i~j" that may overlap (the earlier one wins there).
    std::set<std::string> layered;
};

template <typename Action> std::vector<Rect> rectsOf(std::span<const HitArea<Action>> areas) {
    std::vector<Rect> out;
    for (const HitArea<Action>& a : areas)
        out.push_back(a.rect);
    return out;
}
template <typename Action> std::vector<Rect> withCorners(std::span<const HitArea<Action>> areas) {
    std::vector<Rect> out = rectsOf(MenuScreenView::cornerAreas());
    for (const Rect& r : rectsOf(areas))
        out.push_back(r);
    return out;
}

std::vector<Table> everyTable() {
    const MenuMainView main(nullptr);
    const ChooseGuitarView chooser(nullptr);
    const MenuSetupView setup(nullptr);
    return {
        {"main menu", rectsOf(main.areas()), {"0~2"}},
        {"guitar chooser", withCorners(chooser.areas()), {}},
        {"setup menu", withCorners(setup.areas()), {}},
        {"application setup", withCorners(MenuAppSetupView::areas()), {}},
        {"patch setup", withCorners(MenuSetupGuitarPatchView::areas()), {}},
        {"manual", rectsOf(ManualView::buttonAreas()), {}},
        {"message box", rectsOf(MessageBoxLayer::buttonAreas()), {}},
        {"tab guitar", rectsOf(TabGuitarView::touchAreas()), {}},
        {"tab guitar menu", rectsOf(TabGuitarView::menuItemAreas()), {}},
        {"tab editor buttons", rectsOf(TabGuitarSetupView::buttonAreas()), {}},
        {"tab editor scroll arrows", rectsOf(TabGuitarSetupView::scrollAreas()), {}},
    };
}

bool overlap(const Rect& a, const Rect& b) {
    return a.x < b.maxX() && b.x < a.maxX() && a.y < b.maxY() && b.y < a.maxY();
}

Choice at(const MenuScreenView& menu, float x, float y) {
    return menu.choiceAt({x, y});
}

} // namespace

TEST(TouchTables, EveryAreaIsOnTheScreenAndOnlyDeclaredAreasOverlap) {
    const Rect bounds = hitBoundsOf({0, 0, 320, 480});
    for (const Table& table : everyTable()) {
        SCOPED_TRACE(table.name);
        ASSERT_FALSE(table.rects.empty());
        std::set<std::string> overlaps;
        for (std::size_t i = 0; i < table.rects.size(); ++i) {
            const Rect& r = table.rects[i];
            EXPECT_FALSE(r.isEmpty()) << i;
            EXPECT_TRUE(r.x >= bounds.x && r.y >= bounds.y && r.maxX() <= bounds.maxX() &&
                        r.maxY() <= bounds.maxY())
                << "area " << i << " leaves the screen";
            for (std::size_t j = i + 1; j < table.rects.size(); ++j)
                if (overlap(r, table.rects[j]))
                    overlaps.insert(std::to_string(i) + "~" + std::to_string(j));
        }
        EXPECT_EQ(overlaps, table.layered);
        if (table.layered.empty()) {
            std::vector<HitArea<int>> areas;
            for (const Rect& r : table.rects)
                areas.push_back({r, 0});
            EXPECT_TRUE(hitAreasAreDisjointWithin<int>(areas, bounds));
        }
    }
}

TEST(TouchTables, CornerButtonsAreOpenAndComeFirst) {
    const ChooseGuitarView chooser(nullptr);
    const MenuSetupView setup(nullptr);
    const MenuEffectsSetupView effects(nullptr);
    for (const MenuScreenView* menu :
         {static_cast<const MenuScreenView*>(&chooser), static_cast<const MenuScreenView*>(&setup),
          static_cast<const MenuScreenView*>(&effects)}) {
        SCOPED_TRACE(typeid(*menu).name());
        EXPECT_EQ(at(*menu, 300, 20), Choice::back());
        EXPECT_EQ(at(*menu, 320, 0), Choice::back()) << "the screen's own edge counts";
        EXPECT_EQ(at(*menu, 300, 460), Choice::go(ScreenHost::kManual));
        EXPECT_NE(at(*menu, 276, 20), Choice::back()) << "open border";
        EXPECT_NE(at(*menu, 300, 438), Choice::go(ScreenHost::kManual)) << "open border";
    }
    // The effects menu's wah runs under the back button.
    EXPECT_EQ(at(effects, 300, 35), Choice::back());
    EXPECT_EQ(at(effects, 300, 41), Choice::go(ScreenHost::kWahEffectSetup, 0));
}

TEST(TouchTables, MainMenuOrderAndBorders) {
    const MenuMainView main(nullptr);
    // The guitar chooser lies over the recorder's corner and wins there; its
    // own open border still belongs to the recorder.
    EXPECT_EQ(at(main, 170, 300), Choice::go(ScreenHost::kChooseGuitar));
    EXPECT_EQ(at(main, 166, 300), Choice::go(ScreenHost::kRecorder));
    // No back button on the main menu.
    EXPECT_EQ(at(main, 300, 20), Choice::none());
    EXPECT_EQ(at(main, 300, 460), Choice::go(ScreenHost::kManual));
}

TEST(TouchTables, SharedBordersBelongToNeitherSide) {
    const MenuSetupView setup(nullptr);
    EXPECT_EQ(at(setup, 200, 236), Choice::none());
    EXPECT_EQ(at(setup, 200, 235), Choice::go(ScreenHost::kEffectsSetupMenu));
    EXPECT_EQ(at(setup, 200, 237), Choice::go(ScreenHost::kGuitarPatchMenu));
    const MenuEffectsSetupView effects(nullptr);
    // Except where the wah takes what the delay and fuzz leave of its column.
    EXPECT_EQ(at(effects, 200, 211), Choice::go(ScreenHost::kWahEffectSetup, 0));
    EXPECT_EQ(at(effects, 100, 228), Choice::none());
    EXPECT_EQ(at(effects, 100, 300), Choice::go(ScreenHost::kFuzzEffectSetup, 1));
}
