#pragma once
// One headless run of the whole application over private folders, stepped by
// hand on a manual clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/Strumwell.h"
#include "app/TransitionView.h"
#include "platform/Application.h"
#include "platform/View.h"
#include "platform/core/Clock.h"

namespace reliability {

// Documents, caches and bundle folders of their own, removed at the end.
class Folders {
public:
    Folders() {
        std::string pattern = (std::filesystem::temp_directory_path() / "strumwell-rel-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
        for (const char* sub : {"docs", "caches", "bundle"})
            std::filesystem::create_directories(root_ + "/" + sub);
    }
    ~Folders() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    std::string docs() const { return root_ + "/docs"; }
    std::string caches() const { return root_ + "/caches"; }
    std::string bundle() const { return root_ + "/bundle"; }

private:
    std::string root_;
};

class AppRun {
public:
    AppRun(const Folders& folders, ManualClock& clock, std::string bundle = std::string()) : clock_(clock) {
        ApplicationOptions o;
        o.headless = true;
        o.clock = &clock;
        o.paced = false;
        o.handleSignals = false;
        o.bundleFolder = bundle.empty() ? folders.bundle() : bundle;
        app_ = std::make_unique<Application>(o);
        std::string error;
        EXPECT_TRUE(app_->initialize(&error)) << error;
        Strumwell::Options s;
        s.documentsFolder = folders.docs();
        s.cachesFolder = folders.caches();
        s.bundleFolder = o.bundleFolder;
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
    View* shownScreen() const {
        const auto& v = shell_->transitionView()->subviews();
        return v.empty() ? nullptr : v.back();
    }
    int shownScreenNo() const { return shell_->getScreenNoFromObj(shownScreen()); }

    Application& app() { return *app_; }
    Strumwell& shell() { return *shell_; }
    ManualClock& clock() { return clock_; }

private:
    ManualClock& clock_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<Strumwell> shell_;
    bool finished_ = false;
};

} // namespace reliability
