#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "app/Strumwell.h"
#include "app/TransitionView.h"
#include "audio/SoundEngine.h"
#include "platform/AlertView.h"
#include "platform/Application.h"
#include "platform/View.h"
#include "platform/core/Clock.h"
#include "screens/EffectSetupView.h"
#include "screens/ManualPages.h"
#include "screens/ManualView.h"

namespace fs = std::filesystem;

namespace {

// A private documents, caches and bundle folder for each test.
class TempFolders {
public:
    TempFolders() {
        std::random_device rd;
        root_ = fs::temp_directory_path() / ("strumwell-app-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(root_ / "docs");
        fs::create_directories(root_ / "caches");
        fs::create_directories(root_ / "bundle");
    }
    ~TempFolders() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    std::string docs() const { return (root_ / "docs").string(); }
    std::string caches() const { return (root_ / "caches").string(); }
    std::string bundle() const { return (root_ / "bundle").string(); }

private:
    fs::path root_;
};

// One headless run of the application, stepped by hand on a manual clock.
class AppRun {
public:
    AppRun(const TempFolders& folders, ManualClock& clock, bool stateAfterFirstFrame = false)
        : clock_(clock) {
        ApplicationOptions o;
        o.headless = true;
        o.clock = &clock;
        o.paced = false;
        o.handleSignals = false;
        o.bundleFolder = folders.bundle();
        app_ = std::make_unique<Application>(o);
        std::string error;
        EXPECT_TRUE(app_->initialize(&error)) << error;
        Strumwell::Options s;
        s.documentsFolder = folders.docs();
        s.cachesFolder = folders.caches();
        s.bundleFolder = folders.bundle();
        s.loadStateAfterFirstFrame = stateAfterFirstFrame;
        shell_ = std::make_unique<Strumwell>(s);
        app_->launch(*shell_);
        app_->runFrames(1);
    }
    ~AppRun() {
        if (!finished_)
            finish();
    }
    void finish() {
        app_->finish();
        finished_ = true;
    }
    // Moves the clock on by seconds, one frame every 1/60 s.
    void settle(double seconds) {
        for (double t = 0; t < seconds; t += 1.0 / 60) {
            clock_.advance(1.0 / 60);
            app_->runFrames(1);
        }
    }
    void tap(Point p) {
        app_->injectTouch(1, TouchPhase::Began, p);
        app_->runFrames(1);
        app_->injectTouch(1, TouchPhase::Ended, p);
        app_->runFrames(1);
    }
    View* shownScreen() const {
        const auto& v = shell_->transitionView()->subviews();
        return v.empty() ? nullptr : v.back();
    }
    int shownScreenNo() const { return shell_->getScreenNoFromObj(shownScreen()); }

    Application& app() { return *app_; }
    Strumwell& shell() { return *shell_; }

private:
    ManualClock& clock_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<Strumwell> shell_;
    bool finished_ = false;
};

int32_t readMarker(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char b[4] = {};
    in.read(reinterpret_cast<char*>(b), 4);
    return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
}

} // namespace

// ---------------------------------------------------------------------------
// Back stack and current guitar (no window needed)

TEST(BackStack, KeepsTheFiveNewestAndFallsBackToTheMainMenu) {
    Strumwell s;
    for (int n : {1, 2, 4, 5, 6, 8})
        s.pushBackScreen(n);
    EXPECT_EQ(s.noBackScreens(), 5);
    for (int expected : {8, 6, 5, 4, 2})
        EXPECT_EQ(s.popBackScreen(), expected);
    EXPECT_EQ(s.popBackScreen(), Strumwell::kMainMenu);
    EXPECT_EQ(s.popBackScreen(), Strumwell::kMainMenu);
    EXPECT_EQ(s.noBackScreens(), 0);
}

TEST(CurrentGuitar, IncrementAlternatesAndWrapsValuesAboveOne) {
    Strumwell s;
    EXPECT_EQ(s.currentGuitar(), 0);
    s.incCurrentGuitar();
    EXPECT_EQ(s.currentGuitar(), 1);
    s.incCurrentGuitar();
    EXPECT_EQ(s.currentGuitar(), 0);
    s.setCurrentGuitar(5);
    s.incCurrentGuitar();
    EXPECT_EQ(s.currentGuitar(), 0);
}

// ---------------------------------------------------------------------------
// Start-up, crash flag and first-run message

TEST(Lifecycle, FirstStartShowsTheWelcomeOnceAndWritesTheMarker) {
    TempFolders f;
    ManualClock clock;
    {
        AppRun run(f, clock);
        ASSERT_NE(run.app().currentAlert(), nullptr);
        EXPECT_EQ(run.app().currentAlert()->title(), "Welcome to Strumwell");
        EXPECT_TRUE(run.app().currentAlert()->hasButton());
        EXPECT_EQ(readMarker(f.docs() + "/SystemMessage.DAT"), 1);
        EXPECT_TRUE(fs::exists(f.caches() + "/System.Running"));
    }
    EXPECT_FALSE(fs::exists(f.caches() + "/System.Running")) << "an orderly end removes the crash flag";
    EXPECT_TRUE(fs::exists(f.docs() + "/system.state"));
    AppRun again(f, clock);
    EXPECT_EQ(again.app().currentAlert(), nullptr);
}

TEST(Lifecycle, AShortOrNonPositiveMarkerShowsTheWelcomeAgain) {
    for (std::string content : {std::string("\x01\x00\x00", 3), std::string("\x00\x00\x00\x00", 4),
                                std::string("\xff\xff\xff\xff", 4), std::string("\x01\x00\x00\x00\x00", 5)}) {
        TempFolders f;
        ManualClock clock;
        std::ofstream(f.docs() + "/SystemMessage.DAT", std::ios::binary) << content;
        AppRun run(f, clock);
        EXPECT_NE(run.app().currentAlert(), nullptr) << content.size();
        EXPECT_EQ(readMarker(f.docs() + "/SystemMessage.DAT"), 1);
    }
}

TEST(Lifecycle, StateSurvivesAnOrderlyEndButIsResetAfterACrash) {
    TempFolders f;
    ManualClock clock;
    {
        AppRun run(f, clock);
        run.shell().soundEngine()->setDelayOn(0, true);
    } // orderly: saves system.state
    {
        AppRun run(f, clock);
        EXPECT_TRUE(run.shell().soundEngine()->delayOn(0)) << "restored from system.state";
        run.shell().soundEngine()->setDelayOn(0, true);
        run.finish();
    }
    // A run that dies leaves its crash flag behind.
    std::ofstream(f.caches() + "/System.Running").put('\0');
    {
        AppRun run(f, clock);
        EXPECT_FALSE(run.shell().soundEngine()->delayOn(0)) << "defaults after a crash";
        EXPECT_TRUE(fs::exists(f.caches() + "/System.Running")) << "a new flag for this run";
    }
}

TEST(Lifecycle, TheMenuIsDrawnBeforeTheStateIsReadAndAnEarlyQuitKeepsTheSavedState) {
    TempFolders f;
    ManualClock clock;
    {
        AppRun run(f, clock);
        run.shell().soundEngine()->setDelayOn(0, true);
    }
    {
        AppRun run(f, clock, true); // has drawn one frame
        EXPECT_GE(run.app().frameCount(), 1);
        EXPECT_FALSE(run.shell().startupStateLoaded());
    } // quits before the state was read: must not save an empty engine over it
    AppRun run(f, clock, true);
    run.app().runFrames(1);
    ASSERT_TRUE(run.shell().startupStateLoaded());
    EXPECT_TRUE(run.shell().soundEngine()->delayOn(0)) << "the saved state survived the early quit";
}

// ---------------------------------------------------------------------------
// Screens and transitions

TEST(Navigation, MainMenuLeadsToTheGuitarChooserWithAFadeThatBlocksTouches) {
    TempFolders f;
    ManualClock clock;
    AppRun run(f, clock);
    run.app().currentAlert()->pressButton();
    run.app().runFrames(1);
    EXPECT_EQ(run.shownScreenNo(), Strumwell::kMainMenu);

    run.tap({250, 250}); // the guitar chooser's rectangle
    EXPECT_EQ(run.shownScreenNo(), Strumwell::kChooseGuitar);
    EXPECT_TRUE(run.shell().transitionView()->isTransitioning());
    EXPECT_EQ(run.shell().noBackScreens(), 1);

    // A touch during the fade is ignored: the Manual Fret rectangle does nothing yet.
    run.settle(0.1);
    run.tap({250, 150});
    EXPECT_EQ(run.shownScreenNo(), Strumwell::kChooseGuitar);
    EXPECT_EQ(run.shell().noBackScreens(), 1);

    run.settle(0.2); // 0.25 s fade is over
    EXPECT_FALSE(run.shell().transitionView()->isTransitioning());
    EXPECT_TRUE(run.shell().transitionView()->isUserInteractionEnabled());

    // The corner back button returns to the main menu.
    run.tap({300, 20});
    EXPECT_EQ(run.shownScreenNo(), Strumwell::kMainMenu);
    EXPECT_EQ(run.shell().noBackScreens(), 0);
}

TEST(Navigation, ASecondRequestDuringATransitionIsDroppedButTheBackStackHasChanged) {
    TempFolders f;
    ManualClock clock;
    AppRun run(f, clock);
    Strumwell& s = run.shell();
    View* menu = run.shownScreen();
    s.transitionToView(Strumwell::kChooseGuitar, menu, true);
    s.transitionToView(Strumwell::kSetupMenu, menu, true);
    EXPECT_EQ(run.shownScreenNo(), Strumwell::kChooseGuitar);
    EXPECT_EQ(s.noBackScreens(), 2);
    EXPECT_NE(s.existingScreen(Strumwell::kSetupMenu), nullptr) << "created even though not shown";
}

TEST(Navigation, ScreensAreCreatedOnceAndNumberThreeIsNoScreen) {
    TempFolders f;
    ManualClock clock;
    AppRun run(f, clock);
    Strumwell& s = run.shell();
    View* a = s.convertScreenNumberToViewId(Strumwell::kSetupMenu, Strumwell::kMainMenu);
    View* b = s.convertScreenNumberToViewId(Strumwell::kSetupMenu, Strumwell::kMainMenu);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(s.getScreenNoFromObj(a), Strumwell::kSetupMenu);
    EXPECT_EQ(s.getScreenNoFromObj(nullptr), Strumwell::kNoScreen);

    View* menu = run.shownScreen();
    for (int n : {3, 0, 19, -1}) {
        s.transitionToView(n, menu, true);
        EXPECT_EQ(run.shownScreen(), menu) << n;
        EXPECT_EQ(s.noBackScreens(), 0) << n;
    }
}

TEST(Navigation, TheManualSlidesInAtTheCallersPageAndRevealsOnTheWayBack) {
    TempFolders f;
    ManualClock clock;
    AppRun run(f, clock);
    Strumwell& s = run.shell();
    s.transitionToView(Strumwell::kChooseGuitar, run.shownScreen(), true);
    run.settle(0.3);
    s.transitionToView(Strumwell::kManual, run.shownScreen(), true);
    auto* manual = dynamic_cast<ManualView*>(run.shownScreen());
    ASSERT_NE(manual, nullptr);
    EXPECT_EQ(manual->currentPage(), 17) << "the guitar chooser's page";

    run.settle(0.4); // a slide takes 0.5 s
    EXPECT_TRUE(s.transitionView()->isTransitioning());
    run.settle(0.15);
    EXPECT_FALSE(s.transitionView()->isTransitioning());

    s.transitionBack(manual);
    EXPECT_EQ(run.shownScreenNo(), Strumwell::kChooseGuitar);
    run.settle(0.4);
    EXPECT_TRUE(s.transitionView()->isTransitioning()) << "leaving the manual slides for 0.5 s too";
    run.settle(0.15);
    EXPECT_FALSE(s.transitionView()->isTransitioning());

    // Opened from the main menu, it shows the title page.
    s.transitionBack(run.shownScreen());
    run.settle(0.3);
    s.transitionToView(Strumwell::kManual, run.shownScreen(), true);
    EXPECT_EQ(manual->currentPage(), 0);
}

TEST(Navigation, PlaybackEndedBeforeAnyPlayingScreenExistsDoesNothing) {
    TempFolders f;
    ManualClock clock;
    AppRun run(f, clock);
    run.shell().playbackEnded();
    SUCCEED();
}

TEST(Headless, TheMainMenuIsDrawn) {
#ifndef STRUMWELL_TEST_BUNDLE_DIR
    GTEST_SKIP() << "built without the picture bundle";
#else
    if (!fs::exists(fs::path(STRUMWELL_TEST_BUNDLE_DIR) / "MenuMainBack.jpg"))
        GTEST_SKIP() << "no main menu picture in " << STRUMWELL_TEST_BUNDLE_DIR;
    TempFolders f;
    for (const char* name : {"MenuMainBack.jpg", "MenuMainBack@2x.jpg"})
        if (fs::exists(fs::path(STRUMWELL_TEST_BUNDLE_DIR) / name))
            fs::copy_file(fs::path(STRUMWELL_TEST_BUNDLE_DIR) / name, fs::path(f.bundle()) / name);
    ManualClock clock;
    AppRun run(f, clock);
    run.app().currentAlert()->pressButton();
    run.settle(0.1);
    int w = 0, h = 0;
    std::vector<std::uint8_t> px = run.app().captureLandscape(&w, &h);
    ASSERT_GT(w, 0);
    ASSERT_EQ(px.size(), static_cast<size_t>(w) * h * 4);
    // Not one flat colour: something was drawn.
    size_t differing = 0;
    for (size_t i = 4; i < px.size(); i += 4)
        if (px[i] != px[0] || px[i + 1] != px[1] || px[i + 2] != px[2])
            ++differing;
    EXPECT_GT(differing, px.size() / 40);
#endif
}

TEST(Navigation, ThePedalsTakeTheGuitarChosenOnTheEffectsMenu) {
    TempFolders f;
    ManualClock clock;
    AppRun run(f, clock);
    Strumwell& s = run.shell();
    s.transitionToView(Strumwell::kEffectsSetupMenu, run.shownScreen(), true);
    run.settle(0.3);
    for (int screen :
         {Strumwell::kDelayEffectSetup, Strumwell::kFuzzEffectSetup, Strumwell::kWahEffectSetup}) {
        s.setCurrentGuitar(1);
        s.transitionToView(screen, run.shownScreen(), true);
        EXPECT_EQ(run.shownScreenNo(), screen);
        auto* pedal = dynamic_cast<EffectSetupView*>(run.shownScreen());
        ASSERT_NE(pedal, nullptr);
        EXPECT_EQ(pedal->currentGuitar(), 1) << screen;
        run.settle(0.3);
        s.transitionBack(run.shownScreen());
        EXPECT_EQ(run.shownScreenNo(), Strumwell::kEffectsSetupMenu);
        run.settle(0.3);
    }
    EXPECT_EQ(s.noBackScreens(), 1);
}

TEST(Navigation, MovingBetweenPedalsReplacesInsteadOfStackingSoBackLeavesThemAtOnce) {
    TempFolders f;
    ManualClock clock;
    AppRun run(f, clock);
    Strumwell& s = run.shell();
    s.transitionToView(Strumwell::kEffectsSetupMenu, run.shownScreen(), true);
    run.settle(0.3);
    for (int screen :
         {Strumwell::kWahEffectSetup, Strumwell::kFuzzEffectSetup, Strumwell::kDelayEffectSetup}) {
        s.transitionToView(screen, run.shownScreen(), true);
        run.settle(0.3);
    }
    // The manual is no sibling: it stacks, and back returns to the pedal.
    s.transitionToView(Strumwell::kManual, run.shownScreen(), true);
    run.settle(0.6);
    s.transitionBack(run.shownScreen());
    run.settle(0.6);
    EXPECT_EQ(run.shownScreenNo(), Strumwell::kDelayEffectSetup);
    s.transitionBack(run.shownScreen());
    EXPECT_EQ(run.shownScreenNo(), Strumwell::kEffectsSetupMenu);
}

TEST(Registry, EveryScreenOpensAManualPageThatExistsAndIsTitledForIt) {
    // A word the title of each screen's page must hold; the menu and the
    // manual itself open the title page.
    const std::pair<int, const char*> screens[] = {
        {Strumwell::kTabGuitar, "TAB GUITAR"},
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
        {Strumwell::kWahEffectSetup, "WAH"},
    };
    const std::vector<std::string> pages = ManualPages::create();
    Strumwell s;
    for (const auto& [screen, word] : screens) {
        SCOPED_TRACE(screen);
        const int page = s.manualStartPage(screen);
        ASSERT_GE(page, 0);
        ASSERT_LT(page, static_cast<int>(pages.size()));
        if (!word) {
            EXPECT_EQ(page, 0);
            continue;
        }
        const std::string& text = pages[static_cast<size_t>(page)];
        EXPECT_NE(text.substr(0, text.find('\n')).find(word), std::string::npos) << text.substr(0, 40);
    }
    EXPECT_EQ(s.manualStartPage(3), -1) << "number three names no screen";
}

TEST(Navigation, PatchAndApplicationSetupAreReachedFromTheSetupMenu) {
    TempFolders f;
    ManualClock clock;
    AppRun run(f, clock);
    Strumwell& s = run.shell();
    s.transitionToView(Strumwell::kSetupMenu, run.shownScreen(), true);
    run.settle(0.3);
    for (int screen : {Strumwell::kGuitarPatchMenu, Strumwell::kAppSetup}) {
        s.transitionToView(screen, run.shownScreen(), true);
        EXPECT_EQ(run.shownScreenNo(), screen);
        run.settle(0.3);
        s.transitionBack(run.shownScreen());
        EXPECT_EQ(run.shownScreenNo(), Strumwell::kSetupMenu);
        run.settle(0.3);
    }
}

TEST(Navigation, TheRecorderScreenCopiesTheDemoSongsWhenFirstShown) {
    TempFolders f;
    // A demo song in the bundle, and a song of the user's under the same name
    // as a second demo: the user's file must stay as it is.
    std::ofstream(f.bundle() + "/Demo.SAV", std::ios::binary) << "demo";
    std::ofstream(f.bundle() + "/Mine.SAV", std::ios::binary) << "bundle";
    std::ofstream(f.docs() + "/Mine.SAV", std::ios::binary) << "user";
    ManualClock clock;
    AppRun run(f, clock);
    Strumwell& s = run.shell();
    EXPECT_FALSE(fs::exists(f.docs() + "/Demo.SAV"));
    s.transitionToView(Strumwell::kRecorder, run.shownScreen(), true);
    EXPECT_EQ(run.shownScreenNo(), Strumwell::kRecorder);
    EXPECT_TRUE(fs::exists(f.docs() + "/Demo.SAV"));
    std::ifstream mine(f.docs() + "/Mine.SAV");
    std::string content((std::istreambuf_iterator<char>(mine)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "user");
}

TEST(Navigation, TheTabLibraryIsReachedAndCopiesTheDemoTabs) {
    TempFolders f;
    std::ofstream(f.bundle() + "/Demo.TAB", std::ios::binary) << "demo";
    ManualClock clock;
    AppRun run(f, clock);
    Strumwell& s = run.shell();
    s.transitionToView(Strumwell::kTabGuitarLoadSave, run.shownScreen(), true);
    EXPECT_EQ(run.shownScreenNo(), Strumwell::kTabGuitarLoadSave);
    EXPECT_TRUE(fs::exists(f.docs() + "/Demo.TAB"));
}

TEST(Navigation, TheTabEditorCreatesTheTabGuitarFirst) {
    TempFolders f;
    ManualClock clock;
    AppRun run(f, clock);
    Strumwell& s = run.shell();
    EXPECT_EQ(s.existingScreen(Strumwell::kTabGuitar), nullptr);
    s.transitionToView(Strumwell::kTabGuitarSetup, run.shownScreen(), true);
    EXPECT_EQ(run.shownScreenNo(), Strumwell::kTabGuitarSetup);
    EXPECT_NE(s.existingScreen(Strumwell::kTabGuitar), nullptr);
}

TEST(Navigation, EveryGuitarOfTheChooserIsReached) {
    TempFolders f;
    ManualClock clock;
    AppRun run(f, clock);
    Strumwell& s = run.shell();
    s.transitionToView(Strumwell::kChooseGuitar, run.shownScreen(), true);
    run.settle(0.3);
    for (int screen : {Strumwell::kManualFretGuitar, Strumwell::kHammerOnGuitar, Strumwell::kTabGuitar,
                       Strumwell::kScaleGuitar}) {
        s.transitionToView(screen, run.shownScreen(), true);
        EXPECT_EQ(run.shownScreenNo(), screen);
        run.settle(0.3);
        s.transitionBack(run.shownScreen());
        run.settle(0.3);
        EXPECT_EQ(run.shownScreenNo(), Strumwell::kChooseGuitar);
    }
    s.playbackEnded(); // every playing screen now exists and is told
}
