// The three screens inside a headless application window: platform keys and
// touches reach them through the application's own routing, and each screen
// draws at rest and while playing. With STRUMWELL_GUITAR_SHOTS set to a
// folder (and STRUMWELL_GUITAR_BUNDLE to a built bundle) the frames are
// saved as pictures to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "GuitarTestRig.h"
#include "guitars/HammerOnGuitarView.h"
#include "guitars/ManualFretAndPluckGuitarView.h"
#include "guitars/ScaleGuitarView.h"
#include "platform/Application.h"
#include "platform/core/Clock.h"

using namespace guitartest;

namespace {

struct Window {
    ManualClock clock{100.0};
    std::unique_ptr<Application> app;

    Window() {
        ApplicationOptions o;
        o.headless = true;
        o.windowScale = 1;
        o.clock = &clock;
        o.paced = false;
        o.handleSignals = false;
        if (const char* bundle = std::getenv("STRUMWELL_GUITAR_BUNDLE"))
            o.bundleFolder = bundle;
        app = std::make_unique<Application>(o);
    }

    bool open() {
        std::string error;
        return app->initialize(&error);
    }
    void turn(int frames = 1) {
        for (int i = 0; i < frames; ++i) {
            clock.advance(1.0 / 60);
            app->runFrames(1);
        }
    }
    void key(Key k, bool down, bool shift = false) {
        KeyEvent e;
        e.key = k;
        e.shift = shift;
        app->injectKey(e, down);
        turn();
    }
    void shot(const std::string& name) {
        if (const char* folder = std::getenv("STRUMWELL_GUITAR_SHOTS"))
            app->saveScreenshot(std::string(folder) + "/" + name + ".png");
    }
};

} // namespace

TEST(ScreensInAWindow, ManualFretPlayedFromTheKeyboardAndTheMouse) {
    Window w;
    ASSERT_TRUE(w.open());
    Rig rig;
    ManualFretAndPluckGuitarView screen(nullptr, &rig.engine);
    screen.redraw();
    w.app->rootView().addSubview(&screen);
    w.turn(2);
    w.shot("manual-rest");

    w.app->injectTouch(1, TouchPhase::Began, {139, 232}); // fret 3 of the D string
    w.turn();
    EXPECT_EQ(screen.fret(2), 2);
    w.key(Key::D, true);
    EXPECT_EQ(rig.fresh(), (Log{"+15"}));
    w.app->injectTouch(1, TouchPhase::Moved, {170, 232}); // bend a half tone
    w.turn();
    EXPECT_EQ(screen.currentBendPosition(2), 3);
    w.key(Key::F, true);
    w.key(Key::G, true);
    w.turn(2);
    w.shot("manual-playing");
    w.key(Key::D, false);
    w.key(Key::F, false);
    w.key(Key::G, false);
    EXPECT_EQ(screen.keyFingers().heldCount(), 0u);
    w.app->injectTouch(1, TouchPhase::Ended, {170, 232});
    w.turn();
    EXPECT_EQ(screen.fret(2), -1);

    // The menu, drawn once its slide is over.
    w.app->injectTouch(2, TouchPhase::Began, {20, 20});
    w.app->injectTouch(2, TouchPhase::Ended, {20, 20});
    w.turn(30);
    EXPECT_TRUE(screen.menuShowing());
    EXPECT_FALSE(screen.recordMenuBar().isAnimating());
    w.shot("manual-menu");
    screen.removeFromSuperview();
}

TEST(ScreensInAWindow, HammerOnAndScaleTakeTheirKeys) {
    Window w;
    ASSERT_TRUE(w.open());
    Rig rig;
    HammerOnGuitarView hammer(nullptr, &rig.engine);
    ScaleGuitarView scale(nullptr, &rig.engine);
    hammer.redraw();
    scale.redraw();
    w.app->rootView().addSubview(&hammer);
    w.turn(2);
    w.shot("hammer-rest");
    w.key(Key::Z, true);
    w.key(Key::B, true);
    w.key(Key::E, true, true); // Shift: the B string, fret 2
    w.turn(2);
    w.shot("hammer-playing");
    EXPECT_EQ(rig.fresh(), (Log{"+2", "-2", "+6", "+23"}));
    // The Scale Guitar is not shown: its keys are not taken.
    for (Key k : {Key::Z, Key::B, Key::E})
        w.key(k, false);
    EXPECT_EQ(hammer.keyFingers().heldCount(), 0u);
    // Z was let go first, so B's lift finds no lower fret held.
    EXPECT_EQ(rig.fresh(), (Log{"-6", "-23"}));

    hammer.removeFromSuperview();
    w.app->rootView().addSubview(&scale);
    w.turn(2);
    w.shot("scale-rest");
    w.key(Key::C, true);
    EXPECT_EQ(rig.fresh(), (Log{"+15"}));
    EXPECT_EQ(hammer.keyFingers().heldCount(), 0u);
    w.turn(2);
    w.shot("scale-playing");
    w.key(Key::C, false);
    EXPECT_EQ(rig.fresh(), (Log{"-15"}));
    scale.removeFromSuperview();
}
