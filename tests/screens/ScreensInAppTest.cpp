// The screens inside a headless run of the application: the menus lead
// where they say and back, every screen's corner buttons open the manual at
// its page and go back, and every screen made without a sound engine takes
// touches anywhere without changing or breaking anything.

#include <gmock/gmock.h>

#include "audio/EffectsChain.h"
#include "audio/SoundEngine.h"
#include "midi/MidiLink.h"
#include "screens/DelayEffectSetupView.h"
#include "screens/FuzzEffectSetupView.h"
#include "screens/InAppSupport.h"
#include "screens/LibraryTestSupport.h"
#include "screens/ManualPages.h"
#include "screens/ManualView.h"
#include "screens/MenuAppSetupView.h"
#include "screens/MenuEffectsSetupView.h"
#include "screens/MenuSetupGuitarPatchView.h"
#include "screens/WahEffectSetupView.h"
#include "support/Files.h"

namespace {

using S = Strumwell;
constexpr Point kBack{300, 20};
constexpr Point kHelp{300, 460};

class InApp : public ::testing::Test, public screens_test::InAppRun {};

TEST_F(InApp, ThroughTheMenusAndBack) {
    // A tap, the screen it leads to, and the screens to go back to.
    const std::tuple<Point, int, std::vector<int>> steps[] = {
        {{100, 150}, S::kSetupMenu, {S::kMainMenu}},
        {{200, 150}, S::kEffectsSetupMenu, {S::kMainMenu, S::kSetupMenu}},
        {kBack, S::kSetupMenu, {S::kMainMenu}},
        {kBack, S::kMainMenu, {}}};
    for (const auto& [at, screen, backs] : steps) {
        tap(at);
        EXPECT_EQ(shown(), screen);
        EXPECT_EQ(std::vector<int>(shell().backScreens().begin(),
                                   shell().backScreens().begin() + shell().noBackScreens()),
                  backs);
    }
    // The effects menu has one light per pedal of the chain and guitar, lit
    // while its foot switch is on; a pedal first makes its guitar the
    // current one.
    go(S::kEffectsSetupMenu);
    auto* menu = dynamic_cast<MenuEffectsSetupView*>(run.shownScreen());
    ASSERT_TRUE(menu && shell().soundEngine());
    for (int g : {0, 1})
        forEachEffectDescriptor([&]<class U>(const EffectDescriptor<U>& d, int i) {
            U& unit = shell().soundEngine()->effect<U>(g);
            const ImageView& light = menu->light(g * MenuEffectsSetupView::kPedals + i);
            for (bool on : {true, false}) {
                (unit.*d.switches[0].set)(on);
                menu->updateLights();
                EXPECT_EQ(std::pair(light.alpha(), light.center()),
                          std::pair(on ? 1.0f : 0.0f, d.menu[g].light));
            }
        });
    tap({100, 350});
    EXPECT_EQ(shell().currentGuitar(), 1);
    EXPECT_EQ(shown(), S::kWahEffectSetup);

    // Buttons drawn in the picture answer the finger: TAP THE BEAT is pressed while held.
    go(S::kDelayEffectSetup);
    const auto* delay = dynamic_cast<const EffectSetupView*>(run.shownScreen());
    touch(TouchPhase::Began, {140, 292});
    EXPECT_TRUE(delay && delay->showsPressed());
    touch(TouchPhase::Ended, {140, 292});
    EXPECT_FALSE(delay && delay->showsPressed());
    // PLAY on an empty song says so instead of lighting and going out unseen.
    go(S::kManualFretGuitar);
    tap({20, 20});
    tap({30, 330});
    ASSERT_NE(app().currentAlert(), nullptr);
    EXPECT_EQ(app().currentAlert()->message(), "Nothing to play: the song is empty.");
}

// The MIDI page: each bar shows pressed while held, reaches the link and
// AppSettings.txt at once and shows its new value.
TEST_F(InApp, MidiPageBarsSetTheLinkAndTheFileAndShowTheirValue) {
    using A = MenuAppSetupView::Action;
    const auto at = [](A a) { return library_test::inside(MenuAppSetupView::midiAreas(), a); };
    go(S::kAppSetup);
    auto* setup = dynamic_cast<MenuAppSetupView*>(run.shownScreen());
    ASSERT_NE(setup, nullptr);
    tap(at(A::TurnPage));
    EXPECT_EQ(setup->titleLabel().text(), "MIDI and Sound");
    EXPECT_TRUE(setup->midiStatusLabel().text().starts_with("MIDI"));
    EXPECT_THAT(setup->reconnectAnswer().text(), testing::MatchesRegex("Output latency [1-9][0-9]* ms"));
    const std::tuple<A, int, const char*, const char*> steps[] = {
        {A::StepMidiChannels, 0, "Per String", "midiChannelPerString 1"},
        {A::SendGuitar1, 1, "Off", "midiSendGuitar1 0"},
        {A::SendGuitar2, 2, "Off", "midiSendGuitar2 0"},
        {A::SendSongPlayback, 3, "On", "midiSendSongPlayback 1"},
        {A::StepMidiChannels, 0, "Per Guitar", "midiChannelPerString 0"}};
    for (const auto& [bar, row, shown, line] : steps) {
        touch(TouchPhase::Began, at(bar));
        EXPECT_FALSE(setup->pressedLook().isHidden());
        touch(TouchPhase::Ended, at(bar));
        EXPECT_TRUE(setup->pressedLook().isHidden());
        EXPECT_EQ(setup->midiValue(row).text(), shown);
        EXPECT_NE(testsupport::readText(folders.docs() + "/AppSettings.txt").find(line), std::string::npos);
    }
    EXPECT_EQ(shell().midi()->settings(), (MidiSettings{false, {false, false}, true}));
    tap(at(A::ReconnectSound));
    EXPECT_EQ(setup->reconnectAnswer().text(), "The sound comes back by itself within 2 s");
    shell().setMidiSettings(MidiSettings{}); // the settings are the process's
}

TEST_F(InApp, EveryScreensCornerButtonsOpenItsManualPageAndGoBack) {
    for (int screen :
         {S::kMainMenu, S::kChooseGuitar, S::kSetupMenu, S::kEffectsSetupMenu, S::kGuitarPatchMenu,
          S::kAppSetup, S::kDelayEffectSetup, S::kFuzzEffectSetup, S::kWahEffectSetup, S::kRecorder}) {
        SCOPED_TRACE(screen);
        if (screen != S::kMainMenu)
            go(screen);
        ASSERT_EQ(shown(), screen);
        tap(kHelp);
        ASSERT_EQ(shown(), S::kManual);
        const auto* manual = dynamic_cast<ManualView*>(run.shownScreen());
        ASSERT_NE(manual, nullptr);
        EXPECT_EQ(manual->currentPage(), ManualPages::helpPage(screen));
        // Escape and Backspace go back as the back buttons do (not from the main menu).
        const bool keys = screen % 2 == 0 || screen == S::kRecorder;
        keys ? key(Key::Escape)
             : tap(library_test::inside<ManualView::Button>(ManualView::buttonAreas(),
                                                            ManualView::Button::Back));
        EXPECT_EQ(shown(), screen);
        if (screen == S::kMainMenu) {
            key(Key::Escape);
            EXPECT_EQ(shown(), S::kMainMenu);
            continue;
        }
        keys ? key(Key::Backspace) : tap(kBack);
        EXPECT_EQ(shown(), S::kMainMenu);
        EXPECT_EQ(shell().noBackScreens(), 0);
    }
}

TEST_F(InApp, TheWahPedalsMarkerRocksWithTheTilt) {
    go(S::kWahEffectSetup);
    tap({150, 240});       // the wah on
    std::vector<int> seen; // the landscape x of the marker's amber on the treadle's last grille line
    for (Key k : {Key::Up, Key::Down, Key::Up}) {
        int w = 0, h = 0, x = 0;
        const std::vector<std::uint8_t> px = app().captureLandscape(&w, &h);
        for (const int at = w * ((320 - 46) * h / 320) * 4;
             x < w && !(px[at + x * 4] > 180 && px[at + x * 4 + 2] < 140);)
            ++x;
        seen.push_back(x * 480 / w);
        app().injectKey({.key = k, .name = {}, .shift = true}, true), settle(), settle();
        app().injectKey({.key = k, .name = {}, .shift = true}, false);
    }
    EXPECT_TRUE(seen[0] < 480 && seen[1] != seen[0] && seen[2] != seen[1])
        << seen[0] << " " << seen[1] << " " << seen[2];
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
        for (float x = 5; x < 320; x += 20)
            for (float y = 5; y < 480; y += 20)
                for (TouchPhase phase : {TouchPhase::Began, TouchPhase::Moved, TouchPhase::Ended})
                    screen->processTouches({testsupport::touch(1, phase, {x, y}, {x - 3, y - 3})});
    }
    for (EffectSetupView* pedal : std::vector<EffectSetupView*>{&delay, &fuzz, &wah}) {
        EXPECT_EQ(pedal->testTonePlaylistNo(), -1);
        EXPECT_EQ(pedal->draggingKnob(), -1);
    }
    EXPECT_FALSE(patch.messageBoxShowing());
    EXPECT_EQ(patch.testPatch1PlaylistNo(), -1);
}

} // namespace
