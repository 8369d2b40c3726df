#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/AppSettings.h"
#include "audio/SoundEngine.h"
#include "platform/AlertView.h"
#include "platform/core/OutputVolume.h"
#include "screens/EffectSetupView.h"
#include "screens/ManualPages.h"
#include "screens/ManualView.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"
#include "support/HeadlessApp.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int32_t readMarker(const std::string& path) {
    const std::string b = readFile(path) + std::string(4, '\0');
    return static_cast<int32_t>(static_cast<uint8_t>(b[0]) | static_cast<uint8_t>(b[1]) << 8 |
                                static_cast<uint8_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
}

// Runs of the application over one set of folders, one after the other.
class App : public ::testing::Test {
protected:
    ~App() override { OutputVolume::set(1); }
    // Ends the previous run (an orderly end), starts the next one and
    // returns what it printed while starting.
    std::string start() {
        run_.reset();
        testing::internal::CaptureStdout();
        run_ = std::make_unique<testsupport::HeadlessApp>(f, clock);
        return testing::internal::GetCapturedStdout();
    }
    void stop() { run_.reset(); }
    Strumwell& shell() { return run_->shell(); }
    Application& app() { return run_->app(); }
    SoundEngine& engine() { return *run_->shell().soundEngine(); }
    int shown() const { return run_->shownScreenNo(); }
    // Moves the clock on by seconds, one frame every 1/60 s.
    void settle(double seconds) {
        for (double t = 0; t < seconds; t += 1.0 / 60) {
            clock.advance(1.0 / 60);
            app().runFrames(1);
        }
    }
    void tap(Point p) {
        for (TouchPhase phase : {TouchPhase::Began, TouchPhase::Ended}) {
            app().injectTouch(1, phase, p);
            app().runFrames(1);
        }
    }
    void go(int screen, double seconds = 0.3) {
        shell().transitionToView(screen, run_->shownScreen(), true);
        settle(seconds);
    }
    void back(double seconds = 0.3) {
        shell().transitionBack(run_->shownScreen());
        settle(seconds);
    }
    // Writes a tab of the given columns into the bundle under the first-run tab's name.
    void shipDemoTab(std::initializer_list<const char*> columns) {
        Tab tab;
        for (const char* c : columns)
            tab.addNotesToTab(tab.tabSize(), c);
        ASSERT_TRUE(FileManager(&tab, nullptr, nullptr, f.bundle()).saveTab("Demo - Open Chords.TAB"));
    }

    testsupport::AppFolders f;
    ManualClock clock;
    std::unique_ptr<testsupport::HeadlessApp> run_;
};

} // namespace

TEST(BackStack, KeepsTheFiveNewestAndFallsBackToTheMainMenu) {
    Strumwell s;
    for (int n : {1, 2, 4, 5, 6, 8})
        s.pushBackScreen(n);
    EXPECT_EQ(s.noBackScreens(), 5);
    const int menu = Strumwell::kMainMenu;
    for (int expected : {8, 6, 5, 4, 2, menu, menu})
        EXPECT_EQ(s.popBackScreen(), expected);
    EXPECT_EQ(s.noBackScreens(), 0);
}

TEST(CurrentGuitar, IncrementAlternatesAndWrapsValuesAboveOne) {
    Strumwell s;
    for (int expected : {0, 1, 0}) {
        EXPECT_EQ(s.currentGuitar(), expected);
        s.incCurrentGuitar();
    }
    s.setCurrentGuitar(5);
    s.incCurrentGuitar();
    EXPECT_EQ(s.currentGuitar(), 0);
}

TEST_F(App, FirstStartIsQuietShowsTheWelcomeOnceAndPutsTheDemoTabInTheTabGuitar) {
    shipDemoTab({"320003", "x32010", "xx0232"});
    const std::string printed = start();
    EXPECT_EQ(printed.find("EXCEPTION"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("FileNotFound"), std::string::npos) << printed;
    ASSERT_NE(app().currentAlert(), nullptr);
    EXPECT_EQ(app().currentAlert()->title(), "Welcome to Strumwell");
    EXPECT_TRUE(app().currentAlert()->hasButton());
    EXPECT_EQ(readMarker(f.docs() + "/SystemMessage.DAT"), 1);
    EXPECT_TRUE(fs::exists(f.caches() + "/System.Running"));
    ASSERT_EQ(shell().tab()->tabSize(), 3);
    EXPECT_EQ(shell().tab()->tabEntryAtIndex(1).frets(), (std::array<int32_t, 6>{-1, 3, 2, 0, 1, 0}));
    EXPECT_EQ(shell().tab()->currentTabIndex(), 0);
    stop();
    EXPECT_FALSE(fs::exists(f.caches() + "/System.Running")) << "an orderly end removes the crash flag";
    EXPECT_TRUE(fs::exists(f.docs() + "/system.state"));

    // No welcome the second time; the tab is kept in the state, and once
    // emptied stays empty.
    start();
    EXPECT_EQ(app().currentAlert(), nullptr);
    EXPECT_EQ(shell().tab()->tabSize(), 3);
    shell().tab()->clearTab();
    start();
    EXPECT_EQ(shell().tab()->tabSize(), 0);
}

TEST_F(App, AShortOrNonPositiveMarkerShowsTheWelcomeAgainButNeverReplacesATab) {
    shipDemoTab({"320003"});
    start();
    shell().tab()->clearTab();
    for (const char* cols : {"x02220", "022000"})
        shell().tab()->addNotesToTab(shell().tab()->tabSize(), cols);
    for (std::string marker :
         {std::string(), std::string("\x01\x00\x00", 3), std::string("\x00\x00\x00\x00", 4),
          std::string("\xff\xff\xff\xff", 4), std::string("\x01\x00\x00\x00\x00", 5)}) {
        SCOPED_TRACE(marker.size());
        stop();
        fs::remove(f.docs() + "/SystemMessage.DAT");
        if (!marker.empty())
            std::ofstream(f.docs() + "/SystemMessage.DAT", std::ios::binary) << marker;
        start();
        EXPECT_NE(app().currentAlert(), nullptr);
        EXPECT_EQ(readMarker(f.docs() + "/SystemMessage.DAT"), 1);
        EXPECT_EQ(shell().tab()->tabSize(), 2);
    }
}

TEST_F(App, ADamagedStateIsNamedAndTheDefaultsUsed) {
    std::ofstream(f.docs() + "/system.state", std::ios::binary) << "VERSION2garbage";
    const std::string printed = start();
    EXPECT_NE(printed.find(f.docs() + "/system.state"), std::string::npos) << printed;
    EXPECT_EQ(shell().tab()->tabSize(), 0) << "no demo tab in this bundle, and nothing loaded";
}

TEST_F(App, StateSurvivesAnOrderlyEndButIsResetAfterACrash) {
    start();
    engine().setDelayOn(0, true);
    start();
    EXPECT_TRUE(engine().delayOn(0)) << "restored from system.state";
    stop();
    std::ofstream(f.caches() + "/System.Running").put('\0'); // what a run that dies leaves
    start();
    EXPECT_FALSE(engine().delayOn(0)) << "defaults after a crash";
    EXPECT_TRUE(fs::exists(f.caches() + "/System.Running")) << "a new flag for this run";
}

TEST_F(App, TheMenuIsDrawnBeforeTheStateIsReadAndAnEarlyQuitKeepsTheSavedState) {
    start();
    engine().setDelayOn(0, true);
    stop();
    // The real program reads the state only after the main menu is drawn.
    auto deferred = [&](int framesAfterLaunch) {
        ApplicationOptions o;
        o.headless = true;
        o.clock = &clock;
        o.paced = false;
        o.handleSignals = false;
        o.bundleFolder = f.bundle();
        Application app(o);
        EXPECT_TRUE(app.initialize(nullptr));
        Strumwell::Options s;
        s.documentsFolder = f.docs();
        s.cachesFolder = f.caches();
        s.bundleFolder = f.bundle();
        s.loadStateAfterFirstFrame = true;
        Strumwell shell(s);
        app.launch(shell);
        app.runFrames(framesAfterLaunch);
        EXPECT_GE(app.frameCount(), 1);
        const bool loaded = shell.startupStateLoaded(), delay = shell.soundEngine()->delayOn(0);
        app.finish();
        return std::pair{loaded, delay};
    };
    EXPECT_FALSE(deferred(1).first) << "quits before the state was read: must not save an empty engine";
    EXPECT_EQ(deferred(2), std::pair(true, true)) << "the saved state survived the early quit";
}

TEST_F(App, TheOutputVolumeIsAnAppSettingOfItsOwnAndComesBack) {
    start();
    OutputVolume::set(0.3f);
    stop();
    EXPECT_TRUE(fs::exists(f.docs() + "/" + AppSettings::kFileName));
    OutputVolume::set(1);
    start();
    EXPECT_NEAR(OutputVolume::get(), 0.3f, 1e-4f);
    // Lines it does not know, or values out of range, leave the default.
    OutputVolume::set(1);
    AppSettings::apply("future 7\noutputVolume 3\noutputVolume x\n");
    EXPECT_EQ(OutputVolume::get(), 1.0f);
    AppSettings::apply("outputVolume 0\n");
    EXPECT_EQ(OutputVolume::get(), 0.0f);
}

TEST_F(App, MainMenuLeadsToTheGuitarChooserWithAFadeThatBlocksTouches) {
    start();
    app().currentAlert()->pressButton();
    app().runFrames(1);
    EXPECT_EQ(shown(), Strumwell::kMainMenu);
    tap({250, 250}); // the guitar chooser's rectangle
    EXPECT_EQ(shown(), Strumwell::kChooseGuitar);
    EXPECT_TRUE(shell().transitionView()->isTransitioning());
    EXPECT_EQ(shell().noBackScreens(), 1);
    // A touch during the fade is ignored: the Manual Fret rectangle does nothing yet.
    settle(0.1);
    tap({250, 150});
    EXPECT_EQ(shown(), Strumwell::kChooseGuitar);
    EXPECT_EQ(shell().noBackScreens(), 1);
    settle(0.2); // 0.25 s fade is over
    EXPECT_FALSE(shell().transitionView()->isTransitioning());
    EXPECT_TRUE(shell().transitionView()->isUserInteractionEnabled());
    tap({300, 20}); // the corner back button
    EXPECT_EQ(shown(), Strumwell::kMainMenu);
    EXPECT_EQ(shell().noBackScreens(), 0);
}

TEST_F(App, ScreensAreCreatedOnceAndRequestsForNoScreenOrDuringATransitionAreDropped) {
    start();
    Strumwell& s = shell();
    View* a = s.convertScreenNumberToViewId(Strumwell::kSetupMenu, Strumwell::kMainMenu);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(s.convertScreenNumberToViewId(Strumwell::kSetupMenu, Strumwell::kMainMenu), a);
    EXPECT_EQ(s.getScreenNoFromObj(a), Strumwell::kSetupMenu);
    EXPECT_EQ(s.getScreenNoFromObj(nullptr), Strumwell::kNoScreen);
    View* menu = run_->shownScreen();
    for (int n : {3, 0, 19, -1}) {
        s.transitionToView(n, menu, true);
        EXPECT_EQ(run_->shownScreen(), menu) << n;
        EXPECT_EQ(s.noBackScreens(), 0) << n;
    }
    s.playbackEnded(); // before any playing screen exists: nothing to tell
    // A second request during a transition is dropped, but the back stack has changed.
    s.transitionToView(Strumwell::kChooseGuitar, menu, true);
    s.transitionToView(Strumwell::kSetupMenu, menu, true);
    EXPECT_EQ(shown(), Strumwell::kChooseGuitar);
    EXPECT_EQ(s.noBackScreens(), 2);
}

TEST_F(App, EveryScreenIsReachedFromItsMenuAndBackReturnsThere) {
    const std::pair<int, std::vector<int>> menus[] = {
        {Strumwell::kEffectsSetupMenu,
         {Strumwell::kDelayEffectSetup, Strumwell::kFuzzEffectSetup, Strumwell::kWahEffectSetup}},
        {Strumwell::kSetupMenu, {Strumwell::kGuitarPatchMenu, Strumwell::kAppSetup}},
        {Strumwell::kChooseGuitar,
         {Strumwell::kManualFretGuitar, Strumwell::kHammerOnGuitar, Strumwell::kTabGuitar,
          Strumwell::kScaleGuitar}},
    };
    start();
    for (const auto& [menu, screens] : menus) {
        go(menu);
        for (int screen : screens) {
            SCOPED_TRACE(screen);
            shell().setCurrentGuitar(1);
            go(screen);
            EXPECT_EQ(shown(), screen);
            // The pedals take the guitar chosen on the effects menu.
            if (auto* pedal = dynamic_cast<EffectSetupView*>(run_->shownScreen())) {
                EXPECT_EQ(pedal->currentGuitar(), 1);
            }
            back();
            EXPECT_EQ(shown(), menu);
            EXPECT_EQ(shell().noBackScreens(), 1);
        }
        back();
    }
    shell().playbackEnded(); // every playing screen now exists and is told
}

TEST_F(App, MovingBetweenPedalsReplacesInsteadOfStackingButTheManualStacks) {
    start();
    go(Strumwell::kEffectsSetupMenu);
    for (int screen : {Strumwell::kWahEffectSetup, Strumwell::kFuzzEffectSetup, Strumwell::kDelayEffectSetup})
        go(screen);
    go(Strumwell::kManual, 0.6);
    back(0.6);
    EXPECT_EQ(shown(), Strumwell::kDelayEffectSetup);
    back();
    EXPECT_EQ(shown(), Strumwell::kEffectsSetupMenu);
}

TEST_F(App, TheManualSlidesInAtTheCallersPageAndRevealsOnTheWayBack) {
    start();
    go(Strumwell::kChooseGuitar);
    go(Strumwell::kManual, 0);
    auto* manual = dynamic_cast<ManualView*>(run_->shownScreen());
    ASSERT_NE(manual, nullptr);
    EXPECT_EQ(manual->currentPage(), 17) << "the guitar chooser's page";
    for (bool leaving : {false, true}) {
        SCOPED_TRACE(leaving);
        if (leaving) {
            shell().transitionBack(manual);
            EXPECT_EQ(shown(), Strumwell::kChooseGuitar);
        }
        settle(0.4); // a slide takes 0.5 s either way
        EXPECT_TRUE(shell().transitionView()->isTransitioning());
        settle(0.15);
        EXPECT_FALSE(shell().transitionView()->isTransitioning());
    }
    back(); // opened from the main menu, it shows the title page
    go(Strumwell::kManual, 0);
    EXPECT_EQ(manual->currentPage(), 0);
}

TEST(Registry, EveryScreenOpensAManualPageThatExistsAndIsTitledForIt) {
    // A word the title of each screen's page must hold; the menu and the
    // manual itself open the title page.
    const std::pair<int, const char*> screens[] = {{Strumwell::kTabGuitar, "TAB GUITAR"},
                                                   {Strumwell::kTabGuitarSetup, "PROGRAMMING"},
                                                   {Strumwell::kDelayEffectSetup, "DELAY"},
                                                   {Strumwell::kManualFretGuitar, "MANUAL FRET"},
                                                   {Strumwell::kHammerOnGuitar, "HAMMER-ON"},
                                                   {Strumwell::kMainMenu, nullptr},
                                                   {Strumwell::kChooseGuitar, "GUITAR MENU"},
                                                   {Strumwell::kSetupMenu, "SETUP MENU"},
                                                   {Strumwell::kEffectsSetupMenu, "EFFECTS"},
                                                   {Strumwell::kGuitarPatchMenu, "PATCH"},
                                                   {Strumwell::kFuzzEffectSetup, "FUZZ"},
                                                   {Strumwell::kScaleGuitar, "SCALE GUITAR"},
                                                   {Strumwell::kTabGuitarLoadSave, "TAB"},
                                                   {Strumwell::kRecorder, "RECORDER"},
                                                   {Strumwell::kManual, nullptr},
                                                   {Strumwell::kAppSetup, "APPLICATION"},
                                                   {Strumwell::kWahEffectSetup, "WAH"}};
    const std::vector<std::string> pages = ManualPages::create();
    Strumwell s;
    for (const auto& [screen, word] : screens) {
        SCOPED_TRACE(screen);
        const int page = s.manualStartPage(screen);
        ASSERT_GE(page, 0);
        ASSERT_LT(page, static_cast<int>(pages.size()));
        const std::string& text = pages[static_cast<size_t>(page)];
        if (!word)
            EXPECT_EQ(page, 0);
        else
            EXPECT_NE(text.substr(0, text.find('\n')).find(word), std::string::npos) << text.substr(0, 40);
    }
    EXPECT_EQ(s.manualStartPage(3), -1) << "number three names no screen";
}

TEST_F(App, TheLibrariesCopyTheirDemosWhenFirstShownAndTheTabEditorMakesTheTabGuitar) {
    // A song of the user's under the same name as a demo must stay as it is.
    for (const char* name : {"Demo.SAV", "Mine.SAV", "Demo.TAB"})
        std::ofstream(f.bundle() + "/" + name, std::ios::binary) << "demo";
    std::ofstream(f.docs() + "/Mine.SAV", std::ios::binary) << "user";
    start();
    for (const auto& [screen, demo] : {std::pair{Strumwell::kRecorder, "Demo.SAV"},
                                       std::pair{Strumwell::kTabGuitarLoadSave, "Demo.TAB"}}) {
        SCOPED_TRACE(demo);
        EXPECT_FALSE(fs::exists(f.docs() + "/" + demo));
        go(screen);
        EXPECT_EQ(shown(), screen);
        EXPECT_TRUE(fs::exists(f.docs() + "/" + demo));
        back();
    }
    EXPECT_EQ(readFile(f.docs() + "/Mine.SAV"), "user");
    EXPECT_EQ(shell().existingScreen(Strumwell::kTabGuitar), nullptr);
    go(Strumwell::kTabGuitarSetup, 0);
    EXPECT_EQ(shown(), Strumwell::kTabGuitarSetup);
    EXPECT_NE(shell().existingScreen(Strumwell::kTabGuitar), nullptr);
}
