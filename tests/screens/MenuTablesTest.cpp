// The menus' touch rectangles: every row of every table, its open borders,
// and the order in which overlapping rows are tested.
#include <gtest/gtest.h>

#include "app/Strumwell.h"
#include "screens/ChooseGuitarView.h"
#include "screens/MenuEffectsSetupView.h"
#include "screens/MenuMainView.h"
#include "screens/MenuScreenView.h"
#include "screens/MenuSetupView.h"

namespace {

using Choice = MenuScreenView::Choice;

const Choice kNone = Choice::none();
const Choice kBack = Choice::back();
const Choice kHelp = Choice::go(Strumwell::kManual);

Choice mainAt(float x, float y) {
    return MenuMainView::choiceForPoint({x, y});
}
Choice chooserAt(float x, float y) {
    return ChooseGuitarView::choiceForPoint({x, y});
}
Choice setupAt(float x, float y) {
    return MenuSetupView::choiceForPoint({x, y});
}
Choice effectsAt(float x, float y) {
    return MenuEffectsSetupView::choiceForPoint({x, y});
}

// Checks that the open rectangle a < x < b, c < y < d gives `inside` just
// inside each edge and at its centre, and `outside` exactly on each edge.
// `outside` is what the point on the edge gives (often nothing, sometimes the
// next row).
template <typename F> void expectOpenRect(F at, float a, float b, float c, float d, const Choice& inside) {
    const float e = 0.01f;
    const float mx = (a + b) / 2;
    const float my = (c + d) / 2;
    EXPECT_EQ(at(mx, my), inside) << "centre " << mx << "," << my;
    EXPECT_EQ(at(a + e, my), inside) << "left " << a;
    EXPECT_EQ(at(b - e, my), inside) << "right " << b;
    EXPECT_EQ(at(mx, c + e), inside) << "top " << c;
    EXPECT_EQ(at(mx, d - e), inside) << "bottom " << d;
    EXPECT_NE(at(a, my), inside) << "on left edge " << a;
    EXPECT_NE(at(b, my), inside) << "on right edge " << b;
    EXPECT_NE(at(mx, c), inside) << "on top edge " << c;
    EXPECT_NE(at(mx, d), inside) << "on bottom edge " << d;
}

} // namespace

TEST(MenuCorners, BackAndHelpCorners) {
    EXPECT_EQ(MenuScreenView::cornerChoice({300, 20}), kBack);
    EXPECT_EQ(MenuScreenView::cornerChoice({276.01f, 40.99f}), kBack);
    EXPECT_EQ(MenuScreenView::cornerChoice({276, 20}), kNone);
    EXPECT_EQ(MenuScreenView::cornerChoice({300, 41}), kNone);
    EXPECT_EQ(MenuScreenView::cornerChoice({320, 0}), kBack);
    EXPECT_EQ(MenuScreenView::cornerChoice({300, 460}), kHelp);
    EXPECT_EQ(MenuScreenView::cornerChoice({276.01f, 438.01f}), kHelp);
    EXPECT_EQ(MenuScreenView::cornerChoice({276, 460}), kNone);
    EXPECT_EQ(MenuScreenView::cornerChoice({300, 438}), kNone);
    EXPECT_EQ(MenuScreenView::cornerChoice({100, 20}), kNone);
    EXPECT_EQ(MenuScreenView::cornerChoice({300, 240}), kNone);
}

TEST(MainMenuTable, EveryRectangle) {
    expectOpenRect(mainAt, 166, 317, 151, 347, Choice::go(Strumwell::kChooseGuitar));
    expectOpenRect(mainAt, 40, 165, 53, 231, Choice::go(Strumwell::kSetupMenu));
    expectOpenRect(mainAt, 29, 175, 260, 439, Choice::go(Strumwell::kRecorder));
    EXPECT_EQ(mainAt(300, 460), kHelp);
    EXPECT_EQ(mainAt(276.01f, 438.01f), kHelp);
    EXPECT_EQ(mainAt(276, 460), kNone);
    EXPECT_EQ(mainAt(300, 438), kNone);
}

TEST(MainMenuTable, OrderAndEmptyPlaces) {
    // The guitar chooser and the recorder overlap at 166..175 x 260..347: the
    // chooser is listed first.
    EXPECT_EQ(mainAt(170, 300), Choice::go(Strumwell::kChooseGuitar));
    EXPECT_EQ(mainAt(166, 300), Choice::go(Strumwell::kRecorder));
    // The main menu has no back button: its top corner does nothing.
    EXPECT_EQ(mainAt(300, 20), kNone);
    EXPECT_EQ(mainAt(319, 1), kNone);
    EXPECT_EQ(mainAt(10, 10), kNone);
    EXPECT_EQ(mainAt(165.5f, 100), kNone);
    EXPECT_EQ(mainAt(160, 460), kNone);
}

TEST(ChooseGuitarTable, EveryRectangle) {
    expectOpenRect(chooserAt, 169, 320, 54, 229, Choice::go(Strumwell::kManualFretGuitar));
    expectOpenRect(chooserAt, 160, 320, 246, 425, Choice::go(Strumwell::kHammerOnGuitar));
    expectOpenRect(chooserAt, 44, 168, 76, 236, Choice::go(Strumwell::kTabGuitar));
    expectOpenRect(chooserAt, 26, 154, 250, 437, Choice::go(Strumwell::kScaleGuitar));
}

TEST(ChooseGuitarTable, CornersAndGaps) {
    EXPECT_EQ(chooserAt(300, 20), kBack);
    EXPECT_EQ(chooserAt(300, 460), kHelp);
    // Between the columns and the rows.
    EXPECT_EQ(chooserAt(168.5f, 100), kNone);
    EXPECT_EQ(chooserAt(157, 300), kNone);
    EXPECT_EQ(chooserAt(240, 237), kNone);
    EXPECT_EQ(chooserAt(100, 243), kNone);
    EXPECT_EQ(chooserAt(10, 240), kNone);
}

TEST(SetupMenuTable, EveryRectangle) {
    // y = 236 is the shared border of the first two rows: it belongs to neither.
    expectOpenRect(setupAt, 144, 289, 55, 236, Choice::go(Strumwell::kEffectsSetupMenu));
    expectOpenRect(setupAt, 144, 289, 236, 413, Choice::go(Strumwell::kGuitarPatchMenu));
    expectOpenRect(setupAt, 26, 144, 176, 334, Choice::go(Strumwell::kAppSetup));
    EXPECT_EQ(setupAt(200, 236), kNone);
    EXPECT_EQ(setupAt(144, 250), kNone);
}

TEST(SetupMenuTable, CornersComeFirst) {
    EXPECT_EQ(setupAt(280, 30), kBack);
    EXPECT_EQ(setupAt(280, 60), Choice::go(Strumwell::kEffectsSetupMenu));
    EXPECT_EQ(setupAt(280, 440), kHelp);
    EXPECT_EQ(setupAt(280, 412), Choice::go(Strumwell::kGuitarPatchMenu));
    EXPECT_EQ(setupAt(290, 300), kNone);
}

TEST(EffectsMenuTable, GuitarOneColumn) {
    const Choice delay = Choice::go(Strumwell::kDelayEffectSetup, 0);
    const Choice fuzz = Choice::go(Strumwell::kFuzzEffectSetup, 0);
    const Choice wah = Choice::go(Strumwell::kWahEffectSetup, 0);
    EXPECT_EQ(effectsAt(200, 150), delay);
    EXPECT_EQ(effectsAt(200, 111.01f), delay);
    EXPECT_EQ(effectsAt(200, 210.99f), delay);
    EXPECT_EQ(effectsAt(200, 250), fuzz);
    EXPECT_EQ(effectsAt(200, 211.01f), fuzz);
    EXPECT_EQ(effectsAt(200, 304.99f), fuzz);
    // The wah takes what the delay and fuzz leave of 30..382, borders included.
    EXPECT_EQ(effectsAt(200, 211), wah);
    EXPECT_EQ(effectsAt(200, 111), wah);
    EXPECT_EQ(effectsAt(200, 305), wah);
    EXPECT_EQ(effectsAt(200, 60), wah);
    EXPECT_EQ(effectsAt(200, 350), wah);
    EXPECT_EQ(effectsAt(200, 30.01f), wah);
    EXPECT_EQ(effectsAt(200, 381.99f), wah);
    EXPECT_EQ(effectsAt(165.01f, 150), delay);
    EXPECT_EQ(effectsAt(319.99f, 250), fuzz);
    EXPECT_EQ(effectsAt(200, 30), kNone);
    EXPECT_EQ(effectsAt(200, 382), kNone);
    EXPECT_EQ(effectsAt(320, 250), kNone);
}

TEST(EffectsMenuTable, GuitarTwoColumn) {
    const Choice delay = Choice::go(Strumwell::kDelayEffectSetup, 1);
    const Choice fuzz = Choice::go(Strumwell::kFuzzEffectSetup, 1);
    const Choice wah = Choice::go(Strumwell::kWahEffectSetup, 1);
    expectOpenRect(effectsAt, 0, 165, 128, 228, delay);
    expectOpenRect(effectsAt, 0, 165, 228, 325, fuzz);
    expectOpenRect(effectsAt, 0, 165, 325, 408, wah);
    // Guitar 2's column has no catch-all row: its borders touch nothing.
    EXPECT_EQ(effectsAt(100, 228), kNone);
    EXPECT_EQ(effectsAt(100, 325), kNone);
    EXPECT_EQ(effectsAt(100, 128), kNone);
    EXPECT_EQ(effectsAt(100, 408), kNone);
    EXPECT_EQ(effectsAt(0, 200), kNone);
    // x = 165 belongs to neither column.
    EXPECT_EQ(effectsAt(165, 150), kNone);
    EXPECT_EQ(effectsAt(165, 350), kNone);
}

TEST(EffectsMenuTable, CornersComeBeforeTheWah) {
    EXPECT_EQ(effectsAt(300, 35), kBack);
    EXPECT_EQ(effectsAt(300, 40.99f), kBack);
    EXPECT_EQ(effectsAt(300, 41), Choice::go(Strumwell::kWahEffectSetup, 0));
    EXPECT_EQ(effectsAt(276, 35), Choice::go(Strumwell::kWahEffectSetup, 0));
    EXPECT_EQ(effectsAt(300, 460), kHelp);
    EXPECT_EQ(effectsAt(100, 460), kNone);
}
