#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <thread>

#include "PlatformTestSupport.h"
#include "platform/AlertView.h"
#include "platform/Image.h"
#include "platform/ImageView.h"
#include "platform/Key.h"
#include "platform/KeyListener.h"
#include "platform/Label.h"
#include "platform/View.h"
#include "platform/core/MainThreadQueue.h"

namespace {

class Marker : public View {
public:
    using View::View;
    TouchSet began, moved, ended;
    void touchesBegan(const TouchSet& t) override { began.insert(began.end(), t.begin(), t.end()); }
    void touchesMoved(const TouchSet& t) override { moved.insert(moved.end(), t.begin(), t.end()); }
    void touchesEnded(const TouchSet& t) override { ended.insert(ended.end(), t.begin(), t.end()); }
};

} // namespace

TEST(Application, HeadlessWindowDrawsTheViewSideways) {
    HeadlessApp h;
    std::string error;
    ASSERT_TRUE(h.app.initialize(&error)) << error;
    EXPECT_TRUE(h.app.isHeadless());
    View red(Rect{0, 0, 20, 10});
    red.setBackgroundColor({255, 0, 0, 255});
    View green(Rect{300, 470, 20, 10});
    green.setBackgroundColor({0, 255, 0, 255});
    h.app.rootView().addSubview(&red);
    h.app.rootView().addSubview(&green);
    RecordingDelegate d;
    h.app.launch(d);
    EXPECT_EQ(d.launched, 1);
    ASSERT_TRUE(h.app.runFrames(1));
    int w = 0, ht = 0;
    auto px = h.app.captureLandscape(&w, &ht);
    ASSERT_EQ(w, 960);
    ASSERT_EQ(ht, 640);
    EXPECT_EQ(h.app.renderScale(), 2);
    // View (x, y) shows at landscape pixel (2y, 2(320 - x)): the view's
    // top-left corner is the window's bottom-left.
    auto in = h.pixelAt(px, w, 5, 635);
    EXPECT_EQ(in.r, 255);
    EXPECT_EQ(in.g, 0);
    // Just beyond the red box: view y = 10 is window x = 20.
    EXPECT_EQ(h.pixelAt(px, w, 21, 635).r, 0);
    // View x = 20 is window y = 600.
    EXPECT_EQ(h.pixelAt(px, w, 5, 598).r, 0);
    // The opposite corner: view (300..320, 470..480) is window (940..960, 0..40).
    EXPECT_EQ(h.pixelAt(px, w, 955, 5).g, 255);
    EXPECT_EQ(h.pixelAt(px, w, 955, 45).g, 0);
    h.app.finish();
    EXPECT_EQ(d.terminated, 1);
    h.app.finish();
    EXPECT_EQ(d.terminated, 1); // only once
}

TEST(Application, ScreenshotIsAPngOfTheLandscapePicture) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    Label label(Rect{-40, 130, 395, 260});
    label.setText("Strumwell\nInstruction Manual");
    label.setNumberOfLines(0);
    label.setFont("Helvetica", 25);
    label.setTextColor(Color::white());
    label.setTextAlignment(TextAlignment::Center);
    label.setRotation(kQuarterTurn);
    h.app.rootView().addSubview(&label);
    h.app.runFrames(1);
    auto path = std::filesystem::temp_directory_path() / "strumwell-platform-shot.png";
    std::filesystem::remove(path);
    ASSERT_TRUE(h.app.saveScreenshot(path.string()));
    auto shot = Image::fromFile(path.string());
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->pixelWidth(), 960);
    EXPECT_EQ(shot->pixelHeight(), 640);
    // Not blank: the white text left bright pixels, and not everywhere.
    int bright = 0;
    for (int y = 0; y < 640; y += 2)
        for (int x = 0; x < 960; x += 2)
            if (shot->pixel(x, y).r > 200)
                ++bright;
    EXPECT_GT(bright, 100);
    EXPECT_LT(bright, 960 * 640 / 8);
    std::filesystem::remove(path);
}

TEST(Application, InjectedTouchesArriveInViewCoordinates) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    Marker m(Rect{100, 200, 50, 60});
    h.app.rootView().addSubview(&m);
    h.app.injectTouch(7, TouchPhase::Began, {110, 230});
    h.app.injectTouch(7, TouchPhase::Moved, {120, 240});
    h.app.injectTouch(7, TouchPhase::Ended, {120, 240});
    ASSERT_EQ(m.began.size(), 1u);
    EXPECT_NEAR(m.began[0].location.x, 10, 1e-3);
    EXPECT_NEAR(m.began[0].location.y, 30, 1e-3);
    ASSERT_EQ(m.moved.size(), 1u);
    EXPECT_NEAR(m.moved[0].location.x, 20, 1e-3);
    EXPECT_NEAR(m.moved[0].previousLocation.x, 10, 1e-3);
    ASSERT_EQ(m.ended.size(), 1u);
    EXPECT_EQ(m.ended[0].id, m.began[0].id);

    // A finger as the platform reports it: normalised across the landscape
    // picture. (0.25, 0.875) is view (40, 120): outside the marker.
    h.app.injectFinger(8, TouchPhase::Began, 0.5f, 0.5f); // view centre (160, 240): outside
    EXPECT_EQ(m.began.size(), 1u);
    h.app.injectFinger(8, TouchPhase::Ended, 0.5f, 0.5f);
    // View (120, 220): tx = 220 / 480, ty = 1 - 120 / 320.
    h.app.injectFinger(9, TouchPhase::Began, 220.0f / 480.0f, 1.0f - 120.0f / 320.0f);
    ASSERT_EQ(m.began.size(), 2u);
    EXPECT_NEAR(m.began[1].location.x, 20, 1e-3);
    EXPECT_NEAR(m.began[1].location.y, 20, 1e-3);
    EXPECT_NE(m.began[1].id, m.began[0].id);
}

TEST(Application, QueueKeysTextAndLifeCycleRunThroughTheLoop) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    RecordingDelegate d;
    h.app.launch(d);
    int ran = 0;
    h.app.mainQueue().post([&] { ++ran; });
    h.app.mainQueue().postDelayed(0.5, [&] { ran += 10; });
    h.app.runFrames(1);
    EXPECT_EQ(ran, 1);
    h.clock.advance(0.5);
    h.app.runFrames(1);
    EXPECT_EQ(ran, 11);

    struct Keys : KeyListener {
        std::vector<Key> down, up;
        bool keyDown(const KeyEvent& e) override {
            down.push_back(e.key);
            return true;
        }
        bool keyUp(const KeyEvent& e) override {
            up.push_back(e.key);
            return true;
        }
    } keys;
    h.app.addKeyListener(&keys);
    h.app.injectKey(KeyEvent{Key::G, "G"}, true);
    h.app.injectKey(KeyEvent{Key::H, "H"}, true);
    h.app.injectKey(KeyEvent{Key::H, "H"}, false);
    h.app.runFrames(1);
    EXPECT_EQ(keys.down, (std::vector<Key>{Key::G, Key::H}));
    EXPECT_EQ(keys.up, (std::vector<Key>{Key::H}));
    // The window losing the keyboard lets go of what is still held.
    h.app.injectFocusLost();
    h.app.runFrames(1);
    EXPECT_EQ(keys.up, (std::vector<Key>{Key::H, Key::G}));
    h.app.removeKeyListener(&keys);

    h.app.injectMemoryWarning();
    h.app.runFrames(1);
    EXPECT_EQ(d.memoryWarnings, 1);

    h.app.injectQuit();
    EXPECT_FALSE(h.app.runFrames(1));
    EXPECT_TRUE(h.app.isTerminating());
    h.app.finish();
    EXPECT_EQ(d.terminated, 1);
}

TEST(Application, AlertsBlockTouchesUntilDismissed) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    Marker m(Rect{0, 0, 320, 480});
    h.app.rootView().addSubview(&m);
    int dismissed = 0;
    AlertView* alert =
        h.app.showAlert("Welcome to Strumwell", "Read the manual.", "OK", [&] { ++dismissed; });
    ASSERT_EQ(h.app.currentAlert(), alert);
    h.app.runFrames(1);
    h.app.injectTouch(1, TouchPhase::Began, {20, 20});
    h.app.injectTouch(1, TouchPhase::Ended, {20, 20});
    EXPECT_TRUE(m.began.empty());
    // The button: the bottom strip of the turned box, that is the view's
    // left side of the alert. Find its centre through the alert itself.
    Rect b = alert->buttonRect();
    Point centre = alert->convertPointTo(b.center(), nullptr);
    h.app.injectTouch(2, TouchPhase::Began, centre);
    h.app.injectTouch(2, TouchPhase::Ended, centre);
    EXPECT_EQ(dismissed, 1);
    h.app.runFrames(1);
    EXPECT_EQ(h.app.currentAlert(), nullptr);
    h.app.injectTouch(3, TouchPhase::Began, {20, 20});
    EXPECT_EQ(m.began.size(), 1u);
    h.app.injectTouch(3, TouchPhase::Ended, {20, 20});

    // No button: it stays, whatever is pressed.
    AlertView* stuck = h.app.showAlert("Accelerometer Failure", "No readings.", "");
    stuck->pressButton();
    h.app.runFrames(3);
    EXPECT_EQ(h.app.currentAlert(), stuck);
    EXPECT_FALSE(stuck->hasButton());
}

TEST(Application, OpenUrlHeadlessOnlyRecords) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    EXPECT_TRUE(h.app.openURL("https://example.org/strumwell"));
    EXPECT_EQ(h.app.lastOpenedURL(), "https://example.org/strumwell");
}

TEST(Application, ImageViewsTakeThePictureSize) {
    std::vector<std::uint8_t> rgba(4 * 6 * 4, 255);
    auto img = Image::fromPixels(4, 6, rgba, 2.0f);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->size(), (Size{2, 3}));
    ImageView v(img);
    EXPECT_EQ(v.frame(), (Rect{0, 0, 2, 3}));
    EXPECT_FALSE(v.isUserInteractionEnabled());
    EXPECT_EQ(Image::named("no-such-picture.png"), nullptr);
    EXPECT_EQ(Image::fromPixels(4, 6, std::vector<std::uint8_t>(10), 1.0f), nullptr); // too few bytes
}

TEST(Application, RunEndsInOrderWhenAnotherThreadAsks) {
    HeadlessApp h;
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
    EXPECT_EQ(d.launched, 1);
    EXPECT_EQ(d.terminated, 1);
    EXPECT_LE(turns, 1);
}
