// Every screen's touch tables as properties instead of copied rectangles:
// each area lies on the screen, no two overlap (but where a screen layers one
// over another on purpose), a finger in the middle of each area gets that
// area's action through the screen's own dispatch, and the open tables leave
// their edges to neither side.

#include <iterator>
#include <optional>

#include "audio/EffectsChain.h"
#include "guitars/TabGuitarSetupView.h"
#include "guitars/TabGuitarView.h"
#include "screens/LibraryTestSupport.h"
#include "screens/ManualView.h"
#include "screens/MenuAppSetupView.h"
#include "screens/MenuSetupGuitarPatchView.h"
#include "screens/PlainMenuViews.h"
#include "screens/PracticeView.h"
#include "ui/MessageBoxLayer.h"

namespace {

using Choice = MenuScreenView::Choice;
using Pairs = std::vector<std::pair<std::size_t, std::size_t>>;
const Rect kScreen{0, 0, 320, 480};

template <typename A>
std::vector<HitArea<A>> joined(std::span<const HitArea<A>> a, std::span<const HitArea<A>> b) {
    std::vector<HitArea<A>> out(a.begin(), a.end());
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

// `own` are the areas whose actions `dispatch` must find; `all` are every
// area live at once (own among them), of which only `layered` may overlap.
template <typename A>
void checkTable(const char* name, std::span<const HitArea<A>> all, std::span<const HitArea<A>> own,
                std::function<std::optional<A>(Point)> dispatch, bool open, const Pairs& layered = {}) {
    SCOPED_TRACE(name);
    ASSERT_FALSE(own.empty());
    Pairs overlaps;
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_TRUE(hitAreasAreDisjointWithin(all.subspan(i, 1), hitBoundsOf(kScreen))) << "area " << i;
        for (std::size_t j = i + 1; j < all.size(); ++j)
            if (!hitAreasAreDisjointWithin(std::span<const HitArea<A>>(std::vector{all[i], all[j]}),
                                           hitBoundsOf(kScreen)))
                overlaps.emplace_back(i, j);
    }
    EXPECT_EQ(overlaps, layered);
    for (const HitArea<A>& area : own) {
        const Rect r = area.rect;
        EXPECT_TRUE(dispatch(r.center()) == area.action) << "the middle of " << r.x << "," << r.y;
        if (!open)
            continue;
        // An edge shared by two areas belongs to neither.
        for (Point edge : {Point{r.x, r.center().y}, Point{r.maxX(), r.center().y}, Point{r.center().x, r.y},
                           Point{r.center().x, r.maxY()}}) {
            if (edge.x < 0 || edge.y < 0 || edge.x > kScreen.maxX() || edge.y > kScreen.maxY())
                continue; // beyond the screen, where an area runs on
            const bool elsewhere = std::any_of(own.begin(), own.end(), [&](const HitArea<A>& o) {
                return o.action == area.action && isInsideOpen(o.rect, edge);
            });
            EXPECT_TRUE(elsewhere || !(dispatch(edge) == area.action)) << edge.x << "," << edge.y;
        }
    }
}

template <typename A>
void checkOpen(const char* name, std::span<const HitArea<A>> areas,
               std::function<std::optional<A>(Point)> dispatch = {}) {
    if (!dispatch)
        dispatch = [areas](Point p) { return hitActionInside(areas, p); };
    checkTable<A>(name, areas, areas, dispatch, true);
}

template <typename A>
void checkClosed(const char* name, std::span<const HitArea<A>> all, std::span<const HitArea<A>> own) {
    checkTable<A>(
        name, all, own, [own](Point p) { return hitAction(own, p); }, false);
}

// A menu's own areas under its corner buttons, which take a touch first.
void checkMenu(const char* name, const MenuScreenView& menu, std::span<const HitArea<Choice>> areas) {
    const auto all = joined(MenuScreenView::cornerAreas(), areas);
    checkTable<Choice>(
        name, all, areas, [&](Point p) { return menu.choiceAt(p); }, true);
}

} // namespace

TEST(HitTables, EveryAreaIsOnTheScreenApartAndReachable) {
    const MenuMainView main(nullptr);
    const ChooseGuitarView chooser(nullptr);
    const MenuSetupView setup(nullptr);
    // The main menu's guitar chooser lies over the recorder's corner and wins there.
    checkTable<Choice>("main menu", main.areas(), main.areas(), [&](Point p) { return main.choiceAt(p); },
                       true, {{0, 2}});
    checkMenu("guitar chooser", chooser, chooser.areas());
    checkMenu("setup menu", setup, setup.areas());
    checkOpen<MenuAppSetupView::Action>("application setup", MenuAppSetupView::areas(),
                                        MenuAppSetupView::actionForPoint);
    checkOpen<MenuAppSetupView::Action>("MIDI setup", MenuAppSetupView::midiAreas(),
                                        MenuAppSetupView::midiActionForPoint);
    checkOpen<MenuSetupGuitarPatchView::Action>("patch setup", MenuSetupGuitarPatchView::areas(),
                                                MenuSetupGuitarPatchView::actionForPoint);
    checkOpen<ManualView::Button>("manual", ManualView::buttonAreas(), ManualView::buttonForPoint);
    checkOpen<PracticeView::Action>("practice", PracticeView::areas(), PracticeView::actionForPoint);
    forEachEffectDescriptor([&](const auto& d, int) {
        // The arrows are tested before the foot switch they cut into: only
        // the others must lie apart.
        const auto areas = library_test::pedalAreas(d.areas);
        std::vector<HitArea<EffectSetupView::Control>> apart;
        std::ranges::copy_if(areas, std::back_inserter(apart),
                             [](const auto& a) { return a.action != EffectSetupView::Control::FootSwitch; });
        checkTable<EffectSetupView::Control>(
            d.name, apart, areas, [&](Point p) { return EffectSetupView::controlIn(d.areas, p); }, true);
    });
    using R = RecorderView;
    using T = TabGuitarLoadSaveView;
    checkClosed<R::Action>("recorder, modify", joined(R::cornerAreas(), R::modifyAreas()), R::modifyAreas());
    checkClosed<R::Action>("recorder, songs", joined(R::cornerAreas(), R::exportAreas()), R::cornerAreas());
    checkClosed<T::MenuAction>("tab library menu", T::menuAreas(), T::menuAreas());
    library_test::Model m;
    auto songs = library_test::kSongCase.make(m);
    checkClosed<library_test::Control>("box", songs->browser().boxAreas(), songs->browser().boxAreas());
    // The guitars' tables are checked here with the screens'.
    checkOpen<MessageBoxLayer::Button>("message box", MessageBoxLayer::buttonAreas());
    checkOpen<TabGuitarView::Area>("tab guitar", TabGuitarView::touchAreas());
    checkOpen<TabGuitarView::MenuItem>("tab guitar menu", TabGuitarView::menuItemAreas());
    checkOpen<TabGuitarSetupView::Button>("tab editor", TabGuitarSetupView::buttonAreas());
    checkOpen<TabGuitarSetupView::Scroll>("tab editor scroll arrows", TabGuitarSetupView::scrollAreas());
}
