// The screens follow the current guitar's tuning and capo: the Tab Guitar and
// the tab editor sound a tab's frets from the capo, the Hammer-On sounds the
// capo behind it and draws the capo across the strings, and the patch setup's
// Tuning page steps presets, strings and the capo, refusing in words what the
// patch cannot play.

#include "GuitarTestRig.h"
#include "guitars/HammerOnGuitarView.h"
#include "guitars/TabGuitarSetupView.h"
#include "guitars/TabGuitarView.h"
#include "screens/InAppSupport.h"
#include "screens/MenuSetupGuitarPatchView.h"
#include "screens/TuningCard.h"
#include "song/Tab.h"
#include "support/FakeScreenHost.h"
#include "support/Picture.h"
#include "toolkit/Label.h"

using namespace guitartest;

TEST(TunedScreens, TheTabGuitarAndTheEditorPlayTabFretsFromTheCapoOfTheTuning) {
    Rig rig;
    rig.strums = true;
    rig.performer.setStrumSpeed(0);
    testsupport::FakeScreenHost host; // its own song options: tunings and nothing else
    Tab tab;
    tab.addNotesToTab(0, "320003");
    tab.moveToStartOfTab();
    TabGuitarView screen(&host, &rig.performer, &tab);
    screen.redraw();
    // Drop D: the low string is sample 0, so its third fret is sample 3.
    ASSERT_EQ(host.ownOptions.setTuning(0, GuitarTuning::fromPreset(1)), "");
    play(screen, rig, {{'h', 1, {67, 440}, {"+3", "+9", "+12", "+17", "+21", "+29"}}});
    // With a capo at 2 everything sounds two samples higher.
    ASSERT_EQ(host.ownOptions.setTuning(0, GuitarTuning::fromPreset(1, 2)), "");
    EXPECT_EQ(TabGuitarSetupView::samplesForFrets({3, 2, 0, 0, 0, 3}, host.ownOptions.tuning(0)),
              (std::array<int, 6>{5, 11, 14, 19, 23, 31}));
    EXPECT_EQ(TabGuitarSetupView::samplesForFrets({-1, 0, 0, 0, 0, 21}, host.ownOptions.tuning(0)),
              (std::array<int, 6>{-1, 9, 14, 19, 23, -1})); // past the patch: silent

    // The editor's chords sound the same notes in the tuning; one that
    // cannot is marked and keeps what can be played (Open E with a capo at
    // 12 has nine frets left: A major's A string would need a tenth).
    TabGuitarSetupView editor(&host, &rig.performer, &tab);
    ASSERT_EQ(host.ownOptions.setTuning(0, GuitarTuning::fromPreset(6, 12)), "");
    editor.resetChord();
    EXPECT_EQ(editor.fret(), (std::array<int32_t, 6>{-1, -1, 0, 1, 2, 0}));
    EXPECT_EQ(editor.chordTypeLabel(0).text(), "maj*");
    ASSERT_EQ(host.ownOptions.setTuning(0, GuitarTuning::fromPreset(3)), "");
    editor.changeChordToKey(0, 6);
    EXPECT_EQ(editor.fret(), (std::array<int32_t, 6>{-1, 0, 2, 2, 3, 2}));
    EXPECT_EQ(editor.chordTypeLabel(0).text() + " " + editor.chordTypeLabel(6).text(), "maj m");
}

TEST(TunedScreens, TheHammerOnSoundsTheCapoBehindItAndDrawsItAcrossTheStrings) {
    Rig rig;
    testsupport::FakeScreenHost host;
    ASSERT_EQ(host.ownOptions.setTuning(0, GuitarTuning::fromPreset(1, 3)), "");
    HammerOnGuitarView screen(&host, &rig.performer);
    screen.redraw();
    // Row r is fret r: fret 1 lies behind the capo and sounds it.
    for (const auto& [row, sample] : {std::pair{1, 3}, std::pair{3, 3}, std::pair{4, 4}}) {
        tap(screen, 1, {27, static_cast<float>(screen.rowMiddle(row))});
        EXPECT_EQ(rig.fresh().front(), "+" + std::to_string(sample)) << row;
    }
    EXPECT_FALSE(screen.capoBar().isHidden());
    for (int i = 0; i < 5; ++i)
        screen.scrollTowardBody();
    EXPECT_TRUE(screen.capoBar().isHidden()); // fret 3 is off the board

    // Drawn in the app: the bar darkens the board between the strings just
    // behind its fret.
    screens_test::InAppRun r;
    r.go(Strumwell::kHammerOnGuitar);
    auto* board = dynamic_cast<FretboardGuitarView*>(r.run.shownScreen());
    ASSERT_TRUE(board);
    const Point onBar{160, static_cast<float>(board->rowLine(3 - board->leftmostFret()) - 14)};
    const auto shade = [&] {
        const std::uint32_t c = testsupport::Picture(r.app(), r.clock, 0.1).at(onBar);
        return static_cast<int>((c & 255) + (c >> 8 & 255) + (c >> 16));
    };
    const int bare = shade();
    ASSERT_EQ(r.shell().songOptions()->setTuning(0, GuitarTuning::fromPreset(0, 2)), "");
    board->redraw();
    const int capoed = shade();
    EXPECT_NE(capoed, bare);
    EXPECT_LT(capoed, 150); // dark, whatever lies under it
}

TEST(TunedScreens, TheTuningPageStepsPresetsStringsAndTheCapoAndSaysWhyItRefuses) {
    testsupport::FakeScreenHost host;
    host.guitar = 1;
    MenuSetupGuitarPatchView patch(&host, nullptr);
    tap(patch, 1, MenuSetupGuitarPatchView::areas().back().rect.center());
    const TuningCard& card = patch.tuningCard();
    EXPECT_EQ(patch.pageLabel().text(), "\u2039 Patches");
    // Each step and what the page then shows: the guitar and its preset,
    // strings 6 and 1, the capo, and the answer line.
    const auto shown = [&] {
        return card.guitarLabel().text() + " " + card.presetLabel().text() + " | " +
               card.stringLabel(0).text() + " " + card.stringLabel(5).text() + " | " +
               card.capoLabel().text() + " | " + card.answerLabel().text();
    };
    const Point presetPlus{160, 409}, presetMinus{160, 155}, lowMinus{128, 36}, highPlus{96, 446},
        capoPlus{64, 409}, capoMinus{64, 155}, guitar{192, 409};
    const struct {
        Point at;
        const char* shows;
    } steps[] = {
        {presetPlus, "Guitar 2 Drop D | 6: D2 1: E4 | No capo | Guitar 2: Drop D (D A D G B E)"},
        {presetMinus, "Guitar 2 Standard | 6: E2 1: E4 | No capo | Guitar 2: Standard (E A D G B E)"},
        {presetMinus,
         "Guitar 2 Whole-step down | 6: D2 1: D4 | No capo | Guitar 2: Whole-step down (D G C F A D)"},
        // Below the patch's lowest note: refused, nothing changes.
        {lowMinus,
         "Guitar 2 Whole-step down | 6: D2 1: D4 | No capo | String 6 (low E) tuned to C#2 is below "
         "the patch's lowest note, D2."},
        {highPlus, "Guitar 2 Custom | 6: D2 1: D#4 | No capo | Guitar 2: Custom (D G C F A D#)"},
        {capoPlus, "Guitar 2 Custom | 6: D2 1: D#4 | Fret 1 | Guitar 2: Custom (D G C F A D# capo 1)"},
        {capoMinus, "Guitar 2 Custom | 6: D2 1: D#4 | No capo | Guitar 2: Custom (D G C F A D#)"},
        {capoMinus, "Guitar 2 Custom | 6: D2 1: D#4 | No capo | A capo goes on frets 0 to 12."},
        {guitar, "Guitar 1 Standard | 6: E2 1: E4 | No capo | Guitar 1: Standard (E A D G B E)"},
        // Fret 21 of the top string would pass the patch's highest note.
        {highPlus,
         "Guitar 1 Standard | 6: E2 1: E4 | No capo | String 1 (high E) tuned to F4 would need D6 at "
         "fret 21, above the patch's highest note, C#6."},
    };
    for (const auto& s : steps) {
        tap(patch, 1, s.at);
        EXPECT_EQ(shown(), s.shows);
    }
    EXPECT_EQ(host.ownOptions.tuning(1).offsets(), (std::array<int, 6>{-2, -2, -2, -2, -2, -1}));
    tap(patch, 1, MenuSetupGuitarPatchView::areas().back().rect.center());
    EXPECT_TRUE(card.isHidden());
}
