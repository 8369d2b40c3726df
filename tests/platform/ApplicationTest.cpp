#include "PlatformTestSupport.h"
#include <fstream>

#include "backend/sdl/SdlWindow.h"

TEST(Application, HeadlessWindowDrawsSidewaysSavesThePictureTakesTouchesAndRunsTheLoop) {
    HeadlessApp h;
    EXPECT_TRUE(h.app.isHeadless());
    View red(Rect{0, 0, 20, 10}), green(Rect{300, 470, 20, 10});
    red.setBackgroundColor({255, 0, 0, 255});
    green.setBackgroundColor({0, 255, 0, 255});
    h.app.rootView().addSubview(&red);
    h.app.rootView().addSubview(&green);
    RecordingDelegate d;
    h.app.launch(d);
    ASSERT_TRUE(h.app.runFrames(1));
    EXPECT_EQ(d.launched, 1); // fullscreen: x11/WindowManagerTest.cpp, on a real X server
    const Picture p = h.shot();
    ASSERT_EQ(std::tuple(p.width, p.height, h.app.renderScale()), std::tuple(960, 640, 2));
    // View (0..20, 0..10) is window (0..20, 600..640) at its bottom-left; (300..320, 470..480) is (940..960,
    // 0..20).
    EXPECT_EQ(p.colours({{2.5f, 2.5f}, {2.5f, 10.5f}, {21, 2.5f}, {310, 475}, {310, 465}}), "RKKGK");
    // The screenshot is a PNG of exactly that picture.
    testsupport::TempFolder folder;
    ASSERT_TRUE(h.app.saveScreenshot(folder.file("shot.png")));
    auto shot = Image::fromFile(folder.file("shot.png"));
    ASSERT_TRUE(shot && shot->pixelWidth() == 960 && shot->pixelHeight() == 640);
    for (int i = 0; i < 960 * 640; ++i) {
        const Color c = shot->pixel(i % 960, i / 960);
        const Rgb want = p.pixel(i % 960, i / 960);
        ASSERT_EQ(std::tuple(c.r, c.g, c.b), std::tuple(want.r, want.g, want.b)) << i;
    }
    // Injected touches and fingers arrive in view coordinates.
    TouchRecorder m(Rect{100, 200, 50, 60});
    h.app.rootView().addSubview(&m);
    h.app.injectTouch(7, TouchPhase::Began, {110, 230});
    h.app.injectTouch(7, TouchPhase::Moved, {120, 240});
    h.app.injectTouch(7, TouchPhase::Ended, {120, 240});
    // A finger as the platform reports it: normalised across the landscape picture; view (120, 220).
    h.app.injectFinger(9, TouchPhase::Began, 220.0f / 480.0f, 1.0f - 120.0f / 320.0f);
    // The router numbers touches itself; a move's previous place carries into the end; a quick second tap
    // near the first counts twice.
    EXPECT_EQ(m.log(), "B1@10,30 M1@20,40<10,30 E1@20,40<10,30 B2@20,20x2");
    // Queued calls, keys, alerts and the life cycle run through the loop.
    int ran = 0;
    h.app.mainQueue().post([&] { ++ran; });
    h.app.mainQueue().postDelayed(0.5, [&] { ran += 10; });
    h.app.runFrames(1);
    EXPECT_EQ(ran, 1);
    h.clock.advance(0.5);
    h.app.runFrames(1);
    EXPECT_EQ(ran, 11);
    KeyLog keys;
    h.app.addKeyListener(&keys);
    h.app.injectKey(KeyEvent{Key::G, "G"}, true);
    h.app.injectKey(KeyEvent{Key::H, "H"}, true);
    h.app.injectKey(KeyEvent{Key::H, "H"}, false);
    h.app.runFrames(1);
    EXPECT_EQ(std::tuple(keys.downs, keys.ups), std::tuple(std::vector{Key::G, Key::H}, std::vector{Key::H}));
    h.app.injectFocusLost(); // lets go of what is still held
    h.app.runFrames(1);
    EXPECT_EQ(keys.ups, (std::vector<Key>{Key::H, Key::G}));
    h.app.removeKeyListener(&keys);
    // An alert keeps touches from the screen until its button is pressed.
    TouchRecorder screen(Rect{0, 0, 320, 480});
    h.app.rootView().addSubview(&screen);
    int dismissed = 0;
    AlertView* alert =
        h.app.showAlert("Welcome to Strumwell", "Read the manual.", "OK", [&] { ++dismissed; });
    ASSERT_EQ(h.app.currentAlert(), alert);
    h.app.runFrames(1);
    h.touch(1, {20, 20});
    h.touch(2, alert->convertPointTo(alert->buttonRect().center(), nullptr));
    h.app.runFrames(1);
    h.touch(3, {20, 20});
    EXPECT_EQ(std::tuple(dismissed, h.app.currentAlert(), screen.events.size()), std::tuple(1, nullptr, 2u));
    // No button: it stays, whatever is pressed.
    AlertView* stuck = h.app.showAlert("Accelerometer Failure", "No readings.", "");
    stuck->pressButton();
    h.app.runFrames(3);
    EXPECT_EQ(std::tuple(h.app.currentAlert(), stuck->hasButton()), std::tuple(stuck, false));
    h.app.injectMemoryWarning();
    h.app.runFrames(1);
    h.app.injectQuit();
    EXPECT_FALSE(h.app.runFrames(1));
    EXPECT_TRUE(h.app.isTerminating());
    h.app.finish();
    h.app.finish();
    EXPECT_EQ(std::tuple(d.memoryWarnings, d.terminated), std::tuple(1, 1));
}

TEST(Application, RunEndsInOrderWhenAnotherThreadOrASignalAsks) {
    HeadlessApp h(false);
    std::thread stopper;
    RecordingDelegate d;
    int turns = 0;
    d.onLaunch = [&](Application& app) {
        // A queued call from another thread, then the end of the run.
        stopper = std::thread([&app, &turns] {
            app.mainQueue().post([&turns] { ++turns; });
            app.terminate();
        });
    };
    EXPECT_EQ(h.app.run(d), 0);
    stopper.join();
    EXPECT_EQ(std::tuple(d.launched, d.terminated, turns <= 1), std::tuple(1, 1, true));
    ManualClock clock(0);
    ApplicationOptions o = HeadlessApp::options(clock);
    o.handleSignals = true;
    Application app(o);
    ASSERT_TRUE(app.initialize());
    RecordingDelegate s;
    app.launch(s);
    EXPECT_TRUE(app.runFrames(1));
    std::raise(SIGTERM);
    EXPECT_FALSE(app.runFrames(1));
    app.finish();
    EXPECT_EQ(s.terminated, 1);
}

TEST(Renderer, ChosenByARenderNodeInTheDeviceFolder) {
    if (std::getenv("SDL_RENDER_DRIVER"))
        GTEST_SKIP() << "SDL_RENDER_DRIVER chooses";
    testsupport::TempFolder dri;
    // Each node made, then whether a graphics card counts as there.
    for (const auto& [node, card] : {std::pair("card0", false), std::pair("renderD128", true)}) {
        std::ofstream(dri.file(node)) << "";
        EXPECT_EQ(SdlWindow::hasGraphicsCard(dri.str().c_str()), card) << node;
    }
    EXPECT_FALSE(SdlWindow::hasGraphicsCard((dri.str() + "/none").c_str()));
}
