// The menus and the manual inside a headless run of the application: what
// each touch asks of the application delegate (screen changes, the back
// stack, the current guitar).
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>

#include "app/Strumwell.h"
#include "app/TransitionView.h"
#include "platform/AlertView.h"
#include "platform/Application.h"
#include "platform/Label.h"
#include "platform/View.h"
#include "platform/core/Clock.h"
#include "screens/ManualView.h"

namespace fs = std::filesystem;

namespace {

// Private documents, caches and bundle folders, removed afterwards.
class ScratchFolders {
public:
    ScratchFolders() {
        std::random_device rd;
        root_ =
            fs::temp_directory_path() / ("strumwell-screens-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(root_ / "docs");
        fs::create_directories(root_ / "caches");
        fs::create_directories(root_ / "bundle");
    }
    ~ScratchFolders() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    std::string path(const char* name) const { return (root_ / name).string(); }

private:
    fs::path root_;
};

// One headless run on a manual clock, with the welcome message dismissed.
class MenuRun {
public:
    MenuRun() {
        ApplicationOptions o;
        o.headless = true;
        o.clock = &clock_;
        o.paced = false;
        o.handleSignals = false;
        o.bundleFolder = folders_.path("bundle");
        app_ = std::make_unique<Application>(o);
        std::string error;
        EXPECT_TRUE(app_->initialize(&error)) << error;
        Strumwell::Options s;
        s.documentsFolder = folders_.path("docs");
        s.cachesFolder = folders_.path("caches");
        s.bundleFolder = folders_.path("bundle");
        shell_ = std::make_unique<Strumwell>(s);
        app_->launch(*shell_);
        app_->runFrames(1);
        if (AlertView* alert = app_->currentAlert()) {
            alert->pressButton();
        }
        app_->runFrames(1);
    }
    ~MenuRun() { app_->finish(); }

    // Lets any screen change finish (the slowest takes 0.5 s). Frames are
    // costly without a graphics card, so the clock moves in big steps.
    void settle() {
        for (int i = 0; i < 8; ++i) {
            clock_.advance(0.1);
            app_->runFrames(1);
            if (!shell_->transitionView()->isTransitioning() && View::runningAnimationCount() == 0) {
                break;
            }
        }
    }
    void down(long id, Point p) {
        app_->injectTouch(id, TouchPhase::Began, p);
        app_->runFrames(1);
    }
    void move(long id, Point p) {
        app_->injectTouch(id, TouchPhase::Moved, p);
        app_->runFrames(1);
    }
    void up(long id, Point p) {
        app_->injectTouch(id, TouchPhase::Ended, p);
        app_->runFrames(1);
    }
    // A tap, then time for the screen change it started.
    void tap(Point p) {
        down(1, p);
        up(1, p);
        settle();
    }
    View* shown() const {
        const auto& v = shell_->transitionView()->subviews();
        return v.empty() ? nullptr : v.back();
    }
    int shownNo() const { return shell_->getScreenNoFromObj(shown()); }
    Strumwell& shell() { return *shell_; }

private:
    ScratchFolders folders_;
    ManualClock clock_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<Strumwell> shell_;
};

} // namespace

TEST(MenuNavigation, MovesAndLiftsDoNothing) {
    MenuRun run;
    // A finger put down on nothing, dragged over the chooser's button and
    // lifted there, changes nothing.
    run.down(1, {10, 10});
    run.move(1, {200, 250});
    run.move(1, {220, 260});
    run.up(1, {220, 260});
    run.settle();
    EXPECT_EQ(run.shownNo(), Strumwell::kMainMenu);
    EXPECT_EQ(run.shell().noBackScreens(), 0);
}

TEST(MenuNavigation, ThroughEveryMenuAndBack) {
    MenuRun run;
    Strumwell& s = run.shell();
    run.tap({100, 150}); // setup
    ASSERT_EQ(run.shownNo(), Strumwell::kSetupMenu);
    run.tap({200, 150}); // effects
    ASSERT_EQ(run.shownNo(), Strumwell::kEffectsSetupMenu);
    EXPECT_EQ(s.noBackScreens(), 2);
    EXPECT_EQ(s.backScreens()[0], Strumwell::kMainMenu);
    EXPECT_EQ(s.backScreens()[1], Strumwell::kSetupMenu);

    run.tap({300, 20}); // back
    EXPECT_EQ(run.shownNo(), Strumwell::kSetupMenu);
    run.tap({300, 20});
    EXPECT_EQ(run.shownNo(), Strumwell::kMainMenu);
    EXPECT_EQ(s.noBackScreens(), 0);

    run.tap({250, 250}); // play guitar
    ASSERT_EQ(run.shownNo(), Strumwell::kChooseGuitar);
    run.tap({300, 20});
    EXPECT_EQ(run.shownNo(), Strumwell::kMainMenu);
}

TEST(MenuNavigation, EffectsMenuSetsTheGuitarFirst) {
    MenuRun run;
    Strumwell& s = run.shell();
    s.transitionToView(Strumwell::kEffectsSetupMenu, run.shown(), true);
    run.settle();
    ASSERT_EQ(run.shownNo(), Strumwell::kEffectsSetupMenu);
    const int stack = s.noBackScreens();

    // Guitar 2's wah; the current guitar is set whether or not the pedal
    // screen can be shown.
    run.down(1, {100, 350});
    run.up(1, {100, 350});
    EXPECT_EQ(s.currentGuitar(), 1);
    run.settle();
    if (run.shownNo() == Strumwell::kEffectsSetupMenu) {
        EXPECT_EQ(s.noBackScreens(), stack) << "a screen that is not made leaves the back stack alone";
    } else {
        EXPECT_EQ(run.shownNo(), Strumwell::kWahEffectSetup);
        run.tap({300, 20});
        ASSERT_EQ(run.shownNo(), Strumwell::kEffectsSetupMenu);
    }

    // y = 211 in guitar 1's column is the wah, for guitar 1.
    run.down(1, {200, 211});
    run.up(1, {200, 211});
    EXPECT_EQ(s.currentGuitar(), 0);
    run.settle();
    if (run.shownNo() != Strumwell::kEffectsSetupMenu) {
        EXPECT_EQ(run.shownNo(), Strumwell::kWahEffectSetup);
        run.tap({300, 20});
    }

    // y = 228 in guitar 2's column touches nothing.
    run.down(1, {100, 228});
    run.up(1, {100, 228});
    run.settle();
    EXPECT_EQ(s.currentGuitar(), 0);
    EXPECT_EQ(run.shownNo(), Strumwell::kEffectsSetupMenu);
}

TEST(MenuNavigation, HelpOpensTheManualAtTheMenusPageAndBackReturns) {
    MenuRun run;
    Strumwell& s = run.shell();
    run.tap({100, 150}); // setup menu
    ASSERT_EQ(run.shownNo(), Strumwell::kSetupMenu);
    run.tap({300, 460}); // help
    ASSERT_EQ(run.shownNo(), Strumwell::kManual);
    auto* manual = dynamic_cast<ManualView*>(run.shown());
    ASSERT_NE(manual, nullptr);
    EXPECT_EQ(manual->currentPage(), 6);
    EXPECT_EQ(manual->pageNumberLabel().text(), "6 / 44");
    EXPECT_EQ(s.backScreens()[s.noBackScreens() - 1], Strumwell::kSetupMenu);

    // Turn a page, then back to the setup menu.
    run.tap({300, 450});
    EXPECT_EQ(manual->currentPage(), 7);
    run.tap({300, 200});
    EXPECT_EQ(run.shownNo(), Strumwell::kSetupMenu);

    // From the main menu's own help button: the title page.
    run.tap({300, 20});
    ASSERT_EQ(run.shownNo(), Strumwell::kMainMenu);
    run.tap({300, 460});
    ASSERT_EQ(run.shownNo(), Strumwell::kManual);
    EXPECT_EQ(manual->currentPage(), 0);
    EXPECT_FLOAT_EQ(manual->titlePageLabel().alpha(), 0.8f);
    EXPECT_FLOAT_EQ(manual->manualTextLabel().alpha(), 0);
    run.tap({300, 200});
    EXPECT_EQ(run.shownNo(), Strumwell::kMainMenu);
}
