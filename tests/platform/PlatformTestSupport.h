#pragma once
// The platform tests' one header (with everything they include) and fixture: a headless window on a manual
// clock, its picture read back in view coordinates, and views and delegates that record what reaches them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "backend/sdl/Application.h"
#include "backend/sdl/SdlAccelerometer.h"
#include "support/TempFolder.h"
#include "system/Clock.h"
#include "system/MainThreadQueue.h"
#include "system/OutputVolume.h"
#include "toolkit/AlertView.h"
#include "toolkit/ApplicationDelegate.h"
#include "toolkit/FingerView.h"
#include "toolkit/Graphics.h"
#include "toolkit/Image.h"
#include "toolkit/ImageView.h"
#include "toolkit/Key.h"
#include "toolkit/KeyListener.h"
#include "toolkit/KeyRouter.h"
#include "toolkit/Label.h"
#include "toolkit/TextField.h"
#include "toolkit/TouchRouter.h"
#include "toolkit/View.h"
#include "toolkit/VolumeSlider.h"

struct Rgb {
    std::uint8_t r, g, b;
};

// The drawn landscape picture (twice the window's size), read at view points.
struct Picture {
    std::vector<std::uint8_t> pixels;
    int width = 0, height = 0;
    Rgb pixel(int x, int y) const {
        std::size_t i =
            (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
        return {pixels[i], pixels[i + 1], pixels[i + 2]};
    }
    // View (x, y) shows at landscape pixel (2y, 2(320 - x)): the view's
    // top-left corner is the window's bottom-left.
    Rgb at(float x, float y) const { return pixel(static_cast<int>(y * 2), static_cast<int>((320 - x) * 2)); }
    // Each point's colour as a letter, K R G B Y M C W (blacK and the primaries and their mixes), in
    // lower case at about half strength; '?' for anything else.
    std::string colours(std::initializer_list<Point> points) const {
        std::string s;
        for (Point q : points) {
            const Rgb c = at(q.x, q.y);
            const auto level = [](std::uint8_t v) { return v > 200 ? 2 : v >= 60 ? 1 : 0; };
            const int r = level(c.r), g = level(c.g), b = level(c.b), most = std::max({r, g, b});
            const bool pure = (r == 0 || r == most) && (g == 0 || g == most) && (b == 0 || b == most);
            s += pure ? static_cast<char>("KBGCRMYW"[(r > 0) * 4 + (g > 0) * 2 + (b > 0)] +
                                          (most == 1 ? 32 : 0))
                      : '?';
        }
        return s;
    }
};

struct HeadlessApp {
    ManualClock clock{100.0};
    Application app;

    explicit HeadlessApp(bool initialize = true) : app(options(clock)) {
        std::string error;
        EXPECT_TRUE(!initialize || app.initialize(&error)) << error;
    }
    static ApplicationOptions options(const Clock& clock) {
        ApplicationOptions o;
        o.headless = true;
        o.windowScale = 2;
        o.clock = &clock;
        o.paced = false;
        o.handleSignals = false;
        return o;
    }
    Picture shot() {
        Picture p;
        p.pixels = app.captureLandscape(&p.width, &p.height);
        return p;
    }
    void touch(long id, Point at) {
        app.injectTouch(id, TouchPhase::Began, at);
        app.injectTouch(id, TouchPhase::Ended, at);
    }
};

// Records the life-cycle calls.
struct RecordingDelegate : ApplicationDelegate {
    int launched = 0, terminated = 0, memoryWarnings = 0;
    std::function<void(Application&)> onLaunch;
    void applicationDidFinishLaunching(Application& a) override {
        ++launched;
        if (onLaunch)
            onLaunch(a);
    }
    void applicationWillTerminate(Application&) override { ++terminated; }
    void applicationDidReceiveMemoryWarning(Application&) override { ++memoryWarnings; }
};

// A view that keeps every touch it is given, in order.
class TouchRecorder : public View {
public:
    using View::View;
    std::vector<Touch> events;
    // Every touch as phase letter, id, "@x,y", then "<x,y" (the previous
    // location) after the first, and "xN" for the Nth tap of a quick series.
    std::string log() const {
        std::string s;
        const auto xy = [](Point p) {
            return std::to_string(std::lround(p.x)) + "," + std::to_string(std::lround(p.y));
        };
        for (const Touch& t : events) {
            s += (s.empty() ? "" : " ") + std::string(1, "BMSEC"[static_cast<int>(t.phase)]) +
                 std::to_string(t.id);
            s += "@" + xy(t.location) + (t.phase == TouchPhase::Began ? "" : "<" + xy(t.previousLocation));
            s += t.tapCount > 1 ? "x" + std::to_string(t.tapCount) : "";
        }
        return s;
    }
    void touchesBegan(const TouchSet& t) override { events.insert(events.end(), t.begin(), t.end()); }
    void touchesMoved(const TouchSet& t) override { events.insert(events.end(), t.begin(), t.end()); }
    void touchesEnded(const TouchSet& t) override { events.insert(events.end(), t.begin(), t.end()); }
    void touchesCancelled(const TouchSet& t) override { events.insert(events.end(), t.begin(), t.end()); }
};

// A key listener keeping the keys pressed and released, taking them or not.
struct KeyLog : KeyListener {
    bool takes = true;
    std::vector<Key> downs, ups;
    bool keyDown(const KeyEvent& e) override {
        downs.push_back(e.key);
        return takes;
    }
    bool keyUp(const KeyEvent& e) override {
        ups.push_back(e.key);
        return takes;
    }
};
