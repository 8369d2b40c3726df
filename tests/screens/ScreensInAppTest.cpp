// The screens inside a headless run of the application: the menus lead
// where they say and back, every screen's corner buttons open the manual at
// its page and go back, and every screen made without a sound engine takes
// touches anywhere without changing or breaking anything.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/ScreenRegistry.h"
#include "screens/DelayEffectSetupView.h"
#include "screens/FuzzEffectSetupView.h"
#include "screens/InAppSupport.h"
#include "screens/ManualView.h"
#include "screens/MenuAppSetupView.h"
#include "screens/MenuSetupGuitarPatchView.h"
#include "screens/WahEffectSetupView.h"

namespace {

constexpr Point kBack{300, 20};
constexpr Point kHelp{300, 460};

class InApp : public ::testing::Test, public screens_test::InAppRun {
protected:
    void pressManual(ManualView::Button b) {
        for (const auto& area : ManualView::buttonAreas())
            if (area.action == b)
                return tap(area.rect.center());
    }
};

TEST_F(InApp, ThroughTheMenusAndBack) {
    Strumwell& s = run.shell();
    // A finger put down on nothing, dragged over a button and lifted there
    // changes nothing.
    touch(TouchPhase::Began, {10, 10});
    touch(TouchPhase::Moved, {200, 250});
    touch(TouchPhase::Ended, {220, 260});
    settle();
    EXPECT_EQ(shown(), Strumwell::kMainMenu);
    const struct {
        Point at;
        int screen;
    } steps[] = {{{100, 150}, Strumwell::kSetupMenu},    {{200, 150}, Strumwell::kEffectsSetupMenu},
                 {kBack, Strumwell::kSetupMenu},         {kBack, Strumwell::kMainMenu},
                 {{250, 250}, Strumwell::kChooseGuitar}, {kBack, Strumwell::kMainMenu}};
    for (const auto& step : steps) {
        tap(step.at);
        EXPECT_EQ(shown(), step.screen);
        if (step.screen == Strumwell::kEffectsSetupMenu) {
            ASSERT_EQ(s.noBackScreens(), 2);
            EXPECT_EQ(s.backScreens()[0], Strumwell::kMainMenu);
            EXPECT_EQ(s.backScreens()[1], Strumwell::kSetupMenu);
        }
    }
    EXPECT_EQ(s.noBackScreens(), 0);

    // A pedal of the effects menu first makes its guitar the current one.
    go(Strumwell::kEffectsSetupMenu);
    for (int guitar : {1, 0}) {
        tap(guitar == 1 ? Point{100, 350} : Point{200, 211});
        EXPECT_EQ(s.currentGuitar(), guitar);
        EXPECT_EQ(shown(), Strumwell::kWahEffectSetup);
        tap(kBack);
        ASSERT_EQ(shown(), Strumwell::kEffectsSetupMenu);
    }
}

TEST_F(InApp, EveryScreensCornerButtonsOpenItsManualPageAndGoBack) {
    for (int screen :
         {Strumwell::kMainMenu, Strumwell::kChooseGuitar, Strumwell::kSetupMenu, Strumwell::kEffectsSetupMenu,
          Strumwell::kGuitarPatchMenu, Strumwell::kAppSetup, Strumwell::kDelayEffectSetup,
          Strumwell::kFuzzEffectSetup, Strumwell::kWahEffectSetup, Strumwell::kRecorder}) {
        SCOPED_TRACE(screen);
        if (screen != Strumwell::kMainMenu)
            go(screen);
        ASSERT_EQ(shown(), screen);
        tap(kHelp);
        ASSERT_EQ(shown(), Strumwell::kManual);
        const auto* manual = dynamic_cast<ManualView*>(run.shownScreen());
        ASSERT_NE(manual, nullptr);
        EXPECT_EQ(manual->currentPage(), findScreenEntry(screen)->manualPage);
        EXPECT_EQ(run.shell().backScreens()[run.shell().noBackScreens() - 1], screen);
        // Turning a page, then back where the manual was called from.
        const int page = manual->currentPage();
        pressManual(ManualView::Button::NextPage);
        EXPECT_EQ(manual->currentPage(), page + 1);
        pressManual(ManualView::Button::Back);
        EXPECT_EQ(shown(), screen);
        if (screen == Strumwell::kMainMenu)
            continue;
        tap(kBack);
        EXPECT_EQ(shown(), Strumwell::kMainMenu);
        EXPECT_EQ(run.shell().noBackScreens(), 0);
    }
}

// Without an engine (the application's is made later) every touch anywhere
// changes nothing and breaks nothing; a patch step does not lock the screen.
TEST(WithoutEngine, TouchesAnywhereChangeNothing) {
    DelayEffectSetupView delay(nullptr, nullptr);
    FuzzEffectSetupView fuzz(nullptr, nullptr);
    WahEffectSetupView wah(nullptr, nullptr);
    MenuAppSetupView app(nullptr, nullptr);
    MenuSetupGuitarPatchView patch(nullptr, nullptr);
    for (FingerView* screen : std::vector<FingerView*>{&delay, &fuzz, &wah, &app, &patch}) {
        EXPECT_EQ(screen->frame(), (Rect{0, 0, 320, 480}));
        for (float x = 5; x < 320; x += 20)
            for (float y = 5; y < 480; y += 20) {
                Touch t;
                t.location = {x, y};
                t.previousLocation = {x - 3, y - 3};
                for (TouchPhase phase : {TouchPhase::Began, TouchPhase::Moved, TouchPhase::Ended}) {
                    t.phase = phase;
                    screen->processTouches({t});
                }
            }
    }
    for (EffectSetupView* pedal : std::vector<EffectSetupView*>{&delay, &fuzz, &wah}) {
        EXPECT_EQ(pedal->testTonePlaylistNo(), -1);
        EXPECT_EQ(pedal->draggingKnob(), -1);
    }
    EXPECT_EQ(app.stringBendsSettingLabel().text(), "");
    EXPECT_FALSE(patch.messageBoxShowing());
    EXPECT_EQ(patch.testPatch1PlaylistNo(), -1);
}

} // namespace
