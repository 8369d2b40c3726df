#pragma once
// One headless run of the whole application over private folders, stepped by
// hand on a manual clock. Shared by every test that needs the real shell.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/Strumwell.h"
#include "app/TransitionView.h"
#include "backend/sdl/Application.h"
#include "support/TempFolder.h"
#include "system/Clock.h"
#include "toolkit/View.h"

namespace testsupport {

// Documents, caches and bundle folders of their own, removed at the end.
class AppFolders {
public:
    AppFolders() : root_("strumwell-app") {
        for (const char* sub : {"docs", "caches", "bundle"})
            root_.sub(sub);
    }
    std::string docs() const { return root_.file("docs"); }
    std::string caches() const { return root_.file("caches"); }
    std::string bundle() const { return root_.file("bundle"); }

private:
    TempFolder root_;
};

// A headless, unpaced run on `clock` that leaves the signals alone.
inline ApplicationOptions headlessOptions(ManualClock& clock, const std::string& bundle) {
    return {.headless = true,
            .bundleFolder = bundle,
            .clock = &clock,
            .paced = false,
            .handleSignals = false,
            .latencyLogFile = {}};
}

class HeadlessApp {
public:
    // An empty `bundle` means the folders' own (empty) bundle; `localTime`
    // names recovered songs (empty: the system's); `stateAfterFirstFrame`
    // reads the saved state as the real program does, after the first frame.
    HeadlessApp(const AppFolders& folders, ManualClock& clock, std::string bundle = std::string(),
                std::function<std::tm()> localTime = {}, bool stateAfterFirstFrame = false) {
        const ApplicationOptions o = headlessOptions(clock, bundle.empty() ? folders.bundle() : bundle);
        app_ = std::make_unique<Application>(o);
        std::string error;
        EXPECT_TRUE(app_->initialize(&error)) << error;
        Strumwell::Options s;
        s.documentsFolder = folders.docs();
        s.cachesFolder = folders.caches();
        s.bundleFolder = o.bundleFolder;
        s.localTime = std::move(localTime);
        s.loadStateAfterFirstFrame = stateAfterFirstFrame;
        shell_ = std::make_unique<Strumwell>(s);
        app_->launch(*shell_);
        app_->runFrames(1);
    }
    ~HeadlessApp() {
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

private:
    std::unique_ptr<Application> app_;
    std::unique_ptr<Strumwell> shell_;
    bool finished_ = false;
};

} // namespace testsupport
