#include <gmock/gmock.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <sstream>

#include <unistd.h>

#include "app/AppSettings.h"
#include "audio/SoundEngine.h"
#include "reliability/SavedFiles.h"
#include "screens/ChooseGuitarView.h"
#include "screens/EffectSetupView.h"
#include "screens/ManualPages.h"
#include "screens/ManualView.h"
#include "storage/DumpCommand.h"
#include "support/HeadlessApp.h"
#include "system/CommandLine.h"
#include "system/InstanceLock.h"
#include "system/OutputVolume.h"
#include "toolkit/AlertView.h"
#include "ui/ScreenCatalog.h"

namespace fs = std::filesystem;
using reliability::Bytes;
using reliability::readFile;
using reliability::writeFile;
using S = Strumwell;

namespace {

std::string capitals(std::string text) {
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

// Runs of the application over one set of folders, one after the other.
class App : public ::testing::Test {
protected:
    ~App() override { OutputVolume::set(1); }
    // Ends the previous run (an orderly end), starts the next one and
    // returns what it printed while starting (standard output, then errors).
    std::string start() {
        run_.reset();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        run_ = std::make_unique<testsupport::HeadlessApp>(f, clock, "", [this] { return now; });
        const std::string err = testing::internal::GetCapturedStderr();
        return testing::internal::GetCapturedStdout() + err;
    }
    std::string alertText() { return app().currentAlert() ? app().currentAlert()->message() : "(none)"; }
    // Every file under the folders, with its bytes.
    std::map<std::string, Bytes> allFiles() const {
        std::map<std::string, Bytes> found;
        for (const std::string& root : {f.docs(), f.caches()})
            for (const auto& e : fs::recursive_directory_iterator(root))
                found[e.path().string()] = readFile(e.path().string());
        return found;
    }
    void stop() { run_.reset(); }
    Strumwell& shell() { return run_->shell(); }
    Application& app() { return run_->app(); }
    SoundEngine& engine() { return *run_->shell().soundEngine(); }
    std::string doc(const std::string& name) const { return f.docs() + "/" + name; }

    testsupport::AppFolders f;
    ManualClock clock;
    std::tm now = [] {
        std::tm t{};
        t.tm_year = 124, t.tm_mon = 2, t.tm_mday = 5, t.tm_hour = 6, t.tm_min = 7, t.tm_sec = 8;
        return t;
    }();
    std::unique_ptr<testsupport::HeadlessApp> run_;
};

} // namespace

TEST(Shell, KeepsFiveBackScreensAndAlternatesGuitars) {
    Strumwell s;
    for (int n : {1, 2, 4, 5, 6, 8})
        s.pushBackScreen(n);
    const int menu = S::kMainMenu;
    for (int expected : {8, 6, 5, 4, 2, menu, menu})
        EXPECT_EQ(s.popBackScreen(), expected);
    for (int from : {0, 1, 5}) { // alternates, and wraps a value above one
        s.setCurrentGuitar(from);
        s.incCurrentGuitar();
        EXPECT_EQ(s.currentGuitar(), from == 0 ? 1 : 0);
    }
}

// Every screen of the catalog, as the user meets it: its line in
// --list-screens and its help opening the page headed by its topic in
// capitals (or, without a topic, the title page); a playing screen also has
// a button on the guitar chooser and its line in the manual's contents; --screen takes exactly
// the catalog's numbers, and a number of no screen keeps the manual's page.
TEST(ScreenCatalog, EveryPlayingScreenIsOnTheChooserInTheContentsAndListed) {
    const ChooseGuitarView chooser(nullptr);
    const std::vector<std::string> pages = ManualPages::create();
    CommandLine command;
    command.screens = ScreenCatalog::forCommandLine();
    const std::string listed = command.screenList(), contents = pages[1] + pages[2];
    const Strumwell shell;
    size_t playing = 0;
    for (const ScreenInfo& info : ScreenCatalog::all()) {
        SCOPED_TRACE(info.name);
        const int page = shell.manualStartPage(info.number);
        const std::string kind = ScreenCatalog::kindName(info.kind);
        EXPECT_NE(listed.find(std::to_string(info.number) + "\t" + info.name + "\t" + kind + "\n"),
                  std::string::npos);
        EXPECT_TRUE(
            info.helpOpensTitlePage || !info.manualTopic
                ? page == 0
                : pages.at(page).starts_with(capitals(info.manualTopic) + "\n" + ManualPages::kDashes));
        if (info.kind != ScreenKind::Playing)
            continue;
        ++playing;
        EXPECT_EQ(chooser.choiceAt(info.chooserButton.center()), MenuScreenView::Choice::go(info.number));
        EXPECT_NE(contents.find("Page " + std::to_string(page) + " - " + info.manualTopic + "\n"),
                  std::string::npos);
        std::string topic = pages[page]; // with the pages that run on from it
        for (size_t p = page + 1; p < pages.size() && pages[p].front() == '\n'; ++p)
            topic += pages[p];
        EXPECT_NE(topic.find(info.keys), std::string::npos);
    }
    EXPECT_EQ(chooser.areas().size(), playing);
    EXPECT_EQ(std::ranges::count(listed, '\n'), static_cast<long>(ScreenCatalog::all().size()));
    std::string error;
    for (int n : {0, 3, ScreenCatalog::kLastNumber + 1}) {
        EXPECT_EQ(shell.manualStartPage(n), ManualPages::kKeepPage);
        EXPECT_FALSE(CommandLine(command).parse({"--screen", std::to_string(n)}, error));
        EXPECT_EQ(error, "--screen takes a screen number from 1 to " +
                             std::to_string(ScreenCatalog::kLastNumber) + " (not 3), not '" +
                             std::to_string(n) + "'");
    }
}

// The first start, then orderly ends, a bad welcome marker, a crash, a
// damaged state, a state of an unknown version and a quit before the state
// was read, over one set of folders.
TEST_F(App, StateIsKeptOverOrderlyEndsButNotAfterACrashOrDamage) {
    Tab demo;
    for (const char* c : {"320003", "x32010", "xx0232"})
        demo.addNotesToTab(demo.tabSize(), c);
    ASSERT_TRUE(FileManager(&demo, nullptr, nullptr, f.bundle()).saveTab("Demo - Open Chords.TAB"));
    const std::string flag = f.caches() + "/System.Running", marker = doc("SystemMessage.DAT");
    const std::string printed = start(); // a first start reports no failure
    for (const char* failure : {"EXCEPTION", "FileNotFound"})
        EXPECT_EQ(printed.find(failure), std::string::npos) << printed;
    ASSERT_NE(app().currentAlert(), nullptr) << "the welcome";
    EXPECT_EQ(readFile(marker), (Bytes{1, 0, 0, 0}));
    ASSERT_EQ(shell().tab()->tabSize(), 3) << "the demo tab is put in the tab guitar";
    EXPECT_EQ(shell().tab()->tabEntryAtIndex(1).frets(), (std::array<int32_t, 6>{-1, 3, 2, 0, 1, 0}));
    engine().setDelayOn(0, true);
    OutputVolume::set(0.3f);
    stop();
    EXPECT_FALSE(fs::exists(flag)) << "an orderly end removes the crash flag";
    OutputVolume::set(1);

    start();
    EXPECT_EQ(app().currentAlert(), nullptr);
    EXPECT_EQ(shell().tab()->tabSize(), 3);
    EXPECT_TRUE(engine().delayOn(0));
    EXPECT_NEAR(OutputVolume::get(), 0.3f, 1e-4f) << "the volume is an app setting of its own";
    shell().tab()->clearTab();
    start();
    EXPECT_EQ(shell().tab()->tabSize(), 0) << "once emptied the tab stays empty";
    shell().tab()->addNotesToTab(0, "x02220");

    // A short or non-positive marker shows the welcome again but never replaces a tab.
    for (std::string bad : {std::string(), std::string("\x01\x00\x00", 3), std::string("\x00\x00\x00\x00", 4),
                            std::string("\xff\xff\xff\xff", 4), std::string("\x01\x00\x00\x00\x00", 5)}) {
        SCOPED_TRACE(bad.size());
        stop();
        writeFile(marker, Bytes(bad.begin(), bad.end()));
        start();
        EXPECT_NE(app().currentAlert(), nullptr);
        EXPECT_EQ(readFile(marker).at(0), 1);
        EXPECT_EQ(shell().tab()->tabSize(), 1);
    }

    stop();
    // After a crash the working state is not loaded, but moved aside, whole,
    // as a song the recorder screen lists, before anything can save over it.
    const Bytes working = readFile(doc("system.state"));
    std::ofstream(flag).put('\0'); // what a run that dies leaves
    start();
    EXPECT_FALSE(engine().delayOn(0)) << "defaults after a crash";
    EXPECT_TRUE(fs::exists(flag)) << "a new flag for this run";
    EXPECT_EQ(readFile(doc("Recovered 2024-03-05 06.07.08.SAV")), working);
    EXPECT_THAT(alertText(),
                testing::HasSubstr("Your working song from before the crash was kept as 'Recovered "
                                   "2024-03-05 06.07.08' and can be loaded from the recorder screen"));
    engine().setDelayOn(0, true);
    stop();
    // The real program reads the state only after the main menu is drawn.
    auto deferred = [&](int framesAfterLaunch) {
        testsupport::HeadlessApp run(f, clock, "", {}, true); // runs the first frame
        run.app().runFrames(framesAfterLaunch - 1);
        EXPECT_GE(run.app().frameCount(), 1);
        return std::pair{run.shell().startupStateLoaded(), run.shell().soundEngine()->delayOn(0)};
    };
    EXPECT_FALSE(deferred(1).first) << "quits before the state was read: must not save an empty engine";
    EXPECT_EQ(deferred(2), std::pair(true, true)) << "the saved state survived the early quit";

    // A damaged state is named with its reason, and kept in the same way.
    const Bytes damaged = {'V', 'E', 'R', 'S', 'I', 'O', 'N', '2', 'x'};
    writeFile(doc("system.state"), damaged);
    now.tm_hour = 7;
    const std::string why = "the file is damaged: its sections do not fit its length (Error loading file)";
    EXPECT_THAT(start(), testing::HasSubstr("strumwell: cannot read '" + doc("system.state") + "': " + why +
                                            "; starting from the defaults\n"));
    EXPECT_FALSE(engine().delayOn(0));
    EXPECT_EQ(readFile(doc("Recovered 2024-03-05 07.07.08.SAV")), damaged);
    EXPECT_EQ(alertText(),
              "Cannot read 'system.state': " + why +
                  ". It was kept as the song 'Recovered 2024-03-05 07.07.08'. Strumwell starts from "
                  "the defaults.");

    // A state of an unknown version (an empty tab, then sections of a layout
    // this build does not know): the default patches, saved so that the next
    // start plays. Temporary files of saves cut short by processes that are
    // gone (here an earlier process with this id) are removed at the start.
    stop();
    Bytes state = {'V', 'E', 'R', 'S', 'I', 'O', 'N', '7', 4, 0, 0, 0, 0, 0, 0, 0, 28, 0, 0, 0};
    state.resize(state.size() + 28, 0xee);
    state.insert(state.end(), {72, 0, 0, 0});
    state.resize(state.size() + 72, 0xee);
    writeFile(doc("system.state"), state);
    const std::string stale =
        doc(".song.SAV") + FileManager::kTemporaryInfix + std::to_string(::getpid()) + "-1000000";
    writeFile(stale, {1});
    start();
    EXPECT_EQ(engine().patchNo(0), 1);
    EXPECT_EQ(engine().patchNo(1), 3);
    EXPECT_FALSE(fs::exists(stale));
    stop();
    const Bytes saved = readFile(doc("system.state"));
    std::ostringstream json, err;
    ASSERT_EQ(DumpCommand::dumpBuffer(saved.data(), saved.size(), false, json, err), 0) << err.str();
    EXPECT_NE(json.str().find("\"patchNo\": [1, 3]"), std::string::npos) << json.str();

    // Lines it does not know, or values out of range, leave the default.
    OutputVolume::set(1);
    AppSettings::apply("future 7\noutputVolume 3\noutputVolume x\n");
    EXPECT_EQ(OutputVolume::get(), 1.0f);
    AppSettings::apply("outputVolume 0\n");
    EXPECT_EQ(OutputVolume::get(), 0.0f);
}

// A walk over the screens: each step, then the time let run after it, and
// the screen shown, the depth of the back stack, whether a transition still
// runs, and the manual's page.
TEST_F(App, AWalkOverTheScreensByTouchesAndRequests) {
    // A song of the user's under the same name as a demo must stay as it is.
    for (const char* name : {"Demo.SAV", "Mine.SAV", "Demo.TAB"})
        writeFile(f.bundle() + "/" + name, {'d'});
    writeFile(doc("Mine.SAV"), {'u'});
    start();
    app().currentAlert()->pressButton();
    shell().playbackEnded(); // before any playing screen exists: nothing to tell

    enum Op { Tap, Go, Back, Wait };
    struct Step {
        Op op;
        int arg; // a screen, or which point to tap
        double seconds;
        int shown, backs;
        bool moving = false;
        int page = -1;
    };
    const Point points[] = {{250, 250}, {250, 150}, {300, 20}}; // the chooser, Manual Fret, the back button
    auto play = [&](const Step& step) {
        if (step.op == Tap) {
            for (TouchPhase phase : {TouchPhase::Began, TouchPhase::Ended}) {
                app().injectTouch(1, phase, points[step.arg]);
                app().runFrames(1);
            }
        } else if (step.op == Go) {
            shell().setCurrentGuitar(1);
            shell().transitionToView(step.arg, run_->shownScreen(), true);
        } else if (step.op == Back) {
            shell().transitionBack(run_->shownScreen());
        }
        for (double t = 0; t < step.seconds; t += 1.0 / 60) {
            clock.advance(1.0 / 60);
            app().runFrames(1);
        }
        EXPECT_EQ(run_->shownScreenNo(), step.shown);
        EXPECT_EQ(shell().noBackScreens(), step.backs);
        EXPECT_EQ(shell().transitionView()->isTransitioning(), step.moving);
        EXPECT_EQ(shell().transitionView()->isUserInteractionEnabled(), !step.moving);
        auto* pedal = dynamic_cast<EffectSetupView*>(run_->shownScreen());
        EXPECT_EQ(pedal ? pedal->currentGuitar() : 1, 1) << "a pedal takes the guitar chosen";
        auto* manual = dynamic_cast<ManualView*>(run_->shownScreen());
        EXPECT_EQ(manual && step.page >= 0 ? manual->currentPage() : step.page, step.page);
    };
    // The tab editor makes the tab guitar it programs.
    EXPECT_EQ(shell().existingScreen(S::kTabGuitar), nullptr);
    play({Go, S::kTabGuitarSetup, 0.3, S::kTabGuitarSetup, 1});
    EXPECT_NE(shell().existingScreen(S::kTabGuitar), nullptr);
    for (const char* demo : {"Demo.SAV", "Demo.TAB"})
        EXPECT_FALSE(fs::exists(doc(demo))) << "copied only when its library is first shown";

    const Step walk[] = {
        {Back, 0, 0.3, S::kMainMenu, 0},
        {Tap, 0, 0.1, S::kChooseGuitar, 1, true}, // a fade of 0.25 s
        {Tap, 1, 0.2, S::kChooseGuitar, 1},       // ignored during the fade
        {Tap, 2, 0.3, S::kMainMenu, 0},
        {Go, 3, 0, S::kMainMenu, 0}, // numbers of no screen
        {Go, ScreenCatalog::kLastNumber + 1, 0, S::kMainMenu, 0},
        {Go, S::kEffectsSetupMenu, 0.3, S::kEffectsSetupMenu, 1},
        {Go, S::kWahEffectSetup, 0.3, S::kWahEffectSetup, 2},
        {Go, S::kFuzzEffectSetup, 0.3, S::kFuzzEffectSetup, 2}, // pedals replace each other
        {Go, S::kDelayEffectSetup, 0.3, S::kDelayEffectSetup, 2},
        {Go, S::kManual, 0.6, S::kManual, 3}, // but the manual stacks
        {Back, 0, 0.6, S::kDelayEffectSetup, 2},
        {Back, 0, 0.3, S::kEffectsSetupMenu, 1},
        {Go, S::kRecorder, 0.3, S::kRecorder, 2},
        {Go, S::kTabGuitarLoadSave, 0.3, S::kTabGuitarLoadSave, 3},
        {Go, S::kChooseGuitar, 0.3, S::kChooseGuitar, 4},
        {Go, S::kManual, 0.4, S::kManual, 5, true, 17}, // slides in for 0.5 s at the caller's page
        {Wait, 0, 0.15, S::kManual, 5},
        {Back, 0, 0.4, S::kChooseGuitar, 4, true}, // and is revealed away as long
        {Wait, 0, 0.15, S::kChooseGuitar, 4},
        {Back, 0, 0.3, S::kTabGuitarLoadSave, 3},
        {Back, 0, 0.3, S::kRecorder, 2},
        {Back, 0, 0.3, S::kEffectsSetupMenu, 1},
        {Back, 0, 0.3, S::kMainMenu, 0},
        {Go, S::kManual, 0.6, S::kManual, 1, false, 0}, // from the main menu, the title page
        {Back, 0, 0.6, S::kMainMenu, 0},
        {Go, S::kChooseGuitar, 0, S::kChooseGuitar, 1, true},
        {Go, S::kSetupMenu, 0, S::kChooseGuitar, 2, true}, // dropped during a transition, but stacked
    };
    for (size_t i = 0; i < std::size(walk); ++i) {
        SCOPED_TRACE(i);
        play(walk[i]);
    }
    shell().playbackEnded(); // the playing screens made so far are told
    for (const char* demo : {"Demo.SAV", "Demo.TAB"})
        EXPECT_EQ(readFile(doc(demo)), Bytes{'d'});
    EXPECT_EQ(readFile(doc("Mine.SAV")), Bytes{'u'});
}

// One program per documents folder: a second one over a folder that is in
// use (here held by a lock of the test's own) says so and quits without
// reading or writing anything, the other one's crash flag included.
TEST_F(App, ASecondProgramOverTheSameDocumentsFolderTouchesNothing) {
    writeFile(doc("system.state"), {1, 2, 3});
    std::ofstream(f.caches() + "/System.Running").put('\0');
    auto first = std::make_unique<InstanceLock>(f.docs());
    ASSERT_TRUE(first->held());
    const std::map<std::string, Bytes> before = allFiles();
    EXPECT_THAT(start(),
                testing::HasSubstr("strumwell: Strumwell is already running with the documents folder '" +
                                   f.docs() + "'\n"));
    EXPECT_FALSE(shell().ownsDocumentsFolder());
    ASSERT_NE(app().currentAlert(), nullptr);
    EXPECT_EQ(app().currentAlert()->title(), "Strumwell is already running");
    EXPECT_FALSE(app().runFrames(1)) << "it quits";
    stop();
    EXPECT_EQ(allFiles(), before);
    first.reset(); // the first program ends: its lock goes with it
    start();
    EXPECT_TRUE(shell().ownsDocumentsFolder());
    EXPECT_EQ(readFile(doc("Recovered 2024-03-05 06.07.08.SAV")), (Bytes{1, 2, 3})) << "the flag is honoured";
}
