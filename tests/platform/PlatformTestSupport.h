#pragma once
#include <cstdint>
#include <vector>

#include "platform/Application.h"
#include "platform/ApplicationDelegate.h"
#include "platform/core/Clock.h"

// A headless application on a manual clock, for tests that need a window.
struct HeadlessApp {
    ManualClock clock{100.0};
    Application app;

    HeadlessApp() : app(options(clock)) {}

    static ApplicationOptions options(const Clock& clock) {
        ApplicationOptions o;
        o.headless = true;
        o.windowScale = 2;
        o.clock = &clock;
        o.paced = false;
        o.handleSignals = false;
        return o;
    }

    // The landscape picture's pixel at (x, y).
    struct Rgb {
        std::uint8_t r, g, b;
    };
    Rgb pixelAt(const std::vector<std::uint8_t>& pixels, int width, int x, int y) const {
        std::size_t i =
            (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
        return {pixels[i], pixels[i + 1], pixels[i + 2]};
    }
};

// Records the life-cycle calls.
struct RecordingDelegate : ApplicationDelegate {
    int launched = 0;
    int terminated = 0;
    int memoryWarnings = 0;
    std::function<void(Application&)> onLaunch;
    void applicationDidFinishLaunching(Application& a) override {
        ++launched;
        if (onLaunch)
            onLaunch(a);
    }
    void applicationWillTerminate(Application&) override { ++terminated; }
    void applicationDidReceiveMemoryWarning(Application&) override { ++memoryWarnings; }
};
