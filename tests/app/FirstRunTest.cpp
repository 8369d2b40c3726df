// The first start as a new user meets it: no state file yet is no error (the
// terminal stays quiet), the Tab Guitar has the demo tab to play, and the
// app's own settings (the output volume) come back at the next start.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "app/AppSettings.h"
#include "app/Strumwell.h"
#include "platform/Application.h"
#include "platform/core/Clock.h"
#include "platform/core/OutputVolume.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDemoTab = "Demo - Open Chords.TAB";

class FirstRun : public ::testing::Test {
protected:
    FirstRun() {
        std::random_device rd;
        root_ =
            fs::temp_directory_path() / ("strumwell-first-" + std::to_string(rd()) + std::to_string(rd()));
        for (const char* d : {"docs", "caches", "bundle"})
            fs::create_directories(root_ / d);
    }
    ~FirstRun() override {
        OutputVolume::set(1);
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    std::string folder(const char* name) const { return (root_ / name).string(); }

    // Writes a tab file of the given columns into the bundle.
    void shipDemoTab(std::initializer_list<const char*> columns) {
        Tab tab;
        for (const char* c : columns)
            tab.addNotesToTab(tab.tabSize(), c);
        FileManager files(&tab, nullptr, nullptr, folder("bundle"));
        ASSERT_TRUE(files.saveTab(kDemoTab));
    }

    // Starts the app headless, runs a frame and returns what it printed.
    std::string start() {
        ApplicationOptions o;
        o.headless = true;
        o.clock = &clock_;
        o.paced = false;
        o.handleSignals = false;
        o.bundleFolder = folder("bundle");
        app_ = std::make_unique<Application>(o);
        std::string error;
        EXPECT_TRUE(app_->initialize(&error)) << error;
        Strumwell::Options s;
        s.documentsFolder = folder("docs");
        s.cachesFolder = folder("caches");
        s.bundleFolder = folder("bundle");
        shell_ = std::make_unique<Strumwell>(s);
        testing::internal::CaptureStdout();
        app_->launch(*shell_);
        app_->runFrames(1);
        return testing::internal::GetCapturedStdout();
    }
    void finish() {
        app_->finish();
        shell_.reset();
        app_.reset();
    }

    ManualClock clock_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<Strumwell> shell_;
    fs::path root_;
};

} // namespace

TEST_F(FirstRun, StartsQuietlyWithTheDemoTabInTheTabGuitar) {
    shipDemoTab({"320003", "x32010", "xx0232"});
    const std::string printed = start();
    EXPECT_EQ(printed.find("EXCEPTION"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("FileNotFound"), std::string::npos) << printed;
    ASSERT_NE(app_->currentAlert(), nullptr) << "the welcome message";
    const Tab& tab = *shell_->tab();
    ASSERT_EQ(tab.tabSize(), 3);
    EXPECT_EQ(tab.tabEntryAtIndex(1).frets(), (std::array<int32_t, 6>{-1, 3, 2, 0, 1, 0}));
    EXPECT_EQ(tab.currentTabIndex(), 0);
    finish();

    // The user empties the tab; the next start (no welcome) leaves it empty.
    {
        const std::string again = start();
        EXPECT_EQ(app_->currentAlert(), nullptr);
        EXPECT_EQ(shell_->tab()->tabSize(), 3) << "kept in the state";
        shell_->tab()->clearTab();
        finish();
    }
    start();
    EXPECT_EQ(shell_->tab()->tabSize(), 0);
    finish();
}

TEST_F(FirstRun, AWelcomeAgainNeverReplacesATab) {
    shipDemoTab({"320003"});
    start();
    shell_->tab()->clearTab();
    shell_->tab()->addNotesToTab(0, "x02220");
    shell_->tab()->addNotesToTab(1, "022000");
    finish();
    fs::remove(folder("docs") + "/SystemMessage.DAT"); // the marker is lost
    start();
    ASSERT_NE(app_->currentAlert(), nullptr);
    EXPECT_EQ(shell_->tab()->tabSize(), 2);
    finish();
}

TEST_F(FirstRun, ADamagedStateIsNamedAndTheDefaultsUsed) {
    std::ofstream(folder("docs") + "/system.state", std::ios::binary) << "VERSION2garbage";
    const std::string printed = start();
    EXPECT_NE(printed.find(folder("docs") + "/system.state"), std::string::npos) << printed;
    EXPECT_EQ(shell_->tab()->tabSize(), 0) << "no demo tab in this bundle, and nothing loaded";
    finish();
}

TEST_F(FirstRun, TheOutputVolumeIsAnAppSettingAndComesBack) {
    start();
    OutputVolume::set(0.3f);
    finish();
    // Kept beside the songs, in a file of its own: not in the state.
    std::ifstream in(folder("docs") + "/" + AppSettings::kFileName);
    ASSERT_TRUE(in.good());
    OutputVolume::set(1);
    start();
    EXPECT_NEAR(OutputVolume::get(), 0.3f, 1e-4f);
    finish();

    // Lines it does not know, or values out of range, leave the default.
    OutputVolume::set(1);
    AppSettings::apply("future 7\noutputVolume 3\noutputVolume x\n");
    EXPECT_EQ(OutputVolume::get(), 1.0f);
    AppSettings::apply("outputVolume 0\n");
    EXPECT_EQ(OutputVolume::get(), 0.0f);
}
