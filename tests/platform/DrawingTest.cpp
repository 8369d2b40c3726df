#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include "PlatformTestSupport.h"
#include "platform/Graphics.h"
#include "platform/Image.h"
#include "platform/ImageView.h"
#include "platform/Label.h"
#include "platform/View.h"
#include "platform/VolumeSlider.h"
#include "platform/core/OutputVolume.h"

namespace {

// A 2 x 2 picture: red, green / blue, white.
std::shared_ptr<Image> quadrants() {
    std::vector<std::uint8_t> px = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    return Image::fromPixels(2, 2, px);
}

// The landscape pixel showing view point (x, y) at scale 2.
HeadlessApp::Rgb viewPixel(HeadlessApp& h, const std::vector<std::uint8_t>& px, int w, float x, float y) {
    int lx = static_cast<int>(y * 2);
    int ly = static_cast<int>((320 - x) * 2);
    return h.pixelAt(px, w, lx, ly);
}

} // namespace

TEST(Drawing, ImagesAreStretchedAndTurnedAboutTheirCentre) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    ImageView plain(quadrants());
    plain.setFrame({0, 0, 100, 100});
    ImageView turned(quadrants());
    turned.setFrame({200, 0, 100, 100});
    turned.setRotation(3.14159265f); // half a turn, as the scroll-to-end arrow
    h.app.rootView().addSubview(&plain);
    h.app.rootView().addSubview(&turned);
    h.app.runFrames(1);
    int w = 0, ht = 0;
    auto px = h.app.captureLandscape(&w, &ht);
    // Unturned: red top-left, white bottom-right (linear filtering blends
    // only near the middle).
    auto tl = viewPixel(h, px, w, 10, 10);
    EXPECT_GT(tl.r, 200);
    EXPECT_LT(tl.g, 60);
    auto br = viewPixel(h, px, w, 90, 90);
    EXPECT_GT(br.r, 200);
    EXPECT_GT(br.g, 200);
    EXPECT_GT(br.b, 200);
    // Half a turn: white top-left, red bottom-right.
    auto ttl = viewPixel(h, px, w, 210, 10);
    EXPECT_GT(ttl.g, 200);
    EXPECT_GT(ttl.b, 200);
    auto tbr = viewPixel(h, px, w, 290, 90);
    EXPECT_GT(tbr.r, 200);
    EXPECT_LT(tbr.g, 60);
}

TEST(Drawing, AlphaAndHiddenApplyToSubviews) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    View parent(Rect{0, 0, 100, 100});
    View child(Rect{0, 0, 100, 100});
    child.setBackgroundColor({255, 255, 255, 255});
    parent.addSubview(&child);
    h.app.rootView().addSubview(&parent);
    parent.setAlpha(0.5f);
    h.app.runFrames(1);
    int w = 0, ht = 0;
    auto px = h.app.captureLandscape(&w, &ht);
    EXPECT_NEAR(viewPixel(h, px, w, 50, 50).r, 128, 3); // white at half over black
    parent.setAlpha(1);
    parent.setHidden(true);
    h.app.runFrames(1);
    px = h.app.captureLandscape(&w, &ht);
    EXPECT_EQ(viewPixel(h, px, w, 50, 50).r, 0);
}

TEST(Drawing, ClippingKeepsSubviewsInside) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    View box(Rect{0, 0, 50, 50});
    box.setClipsToBounds(true);
    View big(Rect{0, 0, 200, 200});
    big.setBackgroundColor({0, 255, 0, 255});
    box.addSubview(&big);
    h.app.rootView().addSubview(&box);
    h.app.runFrames(1);
    int w = 0, ht = 0;
    auto px = h.app.captureLandscape(&w, &ht);
    EXPECT_EQ(viewPixel(h, px, w, 25, 25).g, 255);
    EXPECT_EQ(viewPixel(h, px, w, 100, 100).g, 0);
}

TEST(Drawing, AQuarterTurnedLabelDrawsWhereTheUserReadsIt) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    // 200 x 40 before the turn, centred at (160, 240): after it the label
    // covers x 140..180, y 140..340, reading along y.
    Label label(Rect{60, 220, 200, 40});
    label.setBackgroundColor({0, 0, 255, 255});
    label.setText("MUTE");
    label.setTextColor(Color::white());
    label.setFont("Arial", 24);
    label.setRotation(kQuarterTurn);
    h.app.rootView().addSubview(&label);
    h.app.runFrames(1);
    int w = 0, ht = 0;
    auto px = h.app.captureLandscape(&w, &ht);
    EXPECT_EQ(viewPixel(h, px, w, 160, 145).b, 255);
    EXPECT_EQ(viewPixel(h, px, w, 160, 335).b, 255);
    EXPECT_EQ(viewPixel(h, px, w, 160, 130).b, 0);
    EXPECT_EQ(viewPixel(h, px, w, 130, 240).b, 0);
    EXPECT_EQ(viewPixel(h, px, w, 190, 240).b, 0);
    // Left-aligned text starts at the label's leading edge, small y (the
    // user's left): white pixels appear there, none at the far end.
    int whiteNear = 0, whiteFar = 0;
    for (float y = 141; y < 200; y += 0.5f)
        for (float x = 141; x < 179; x += 0.5f) {
            auto p = viewPixel(h, px, w, x, y);
            whiteNear += p.r > 200 ? 1 : 0;
        }
    for (float y = 280; y < 339; y += 0.5f)
        for (float x = 141; x < 179; x += 0.5f) {
            auto p = viewPixel(h, px, w, x, y);
            whiteFar += p.r > 200 ? 1 : 0;
        }
    EXPECT_GT(whiteNear, 50);
    EXPECT_EQ(whiteFar, 0);
}

TEST(Drawing, SignalsEndTheRunInOrder) {
    ManualClock clock(0);
    ApplicationOptions o = HeadlessApp::options(clock);
    o.handleSignals = true;
    Application app(o);
    ASSERT_TRUE(app.initialize());
    RecordingDelegate d;
    app.launch(d);
    EXPECT_TRUE(app.runFrames(1));
    std::raise(SIGTERM);
    EXPECT_FALSE(app.runFrames(1));
    app.finish();
    EXPECT_EQ(d.terminated, 1);
}

TEST(Drawing, VolumeSliderFollowsTheFingerAlongItsLength) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    VolumeSlider slider(Rect{0, 0, 215, 50});
    slider.setCenter({221, 250});
    slider.setRotation(kQuarterTurn);
    h.app.rootView().addSubview(&slider);
    float reported = -1;
    slider.setOnChange([&](float v) { reported = v; });
    slider.setValue(1);
    // The turned slider runs along the view's y: its start (value 0) at
    // small y.
    Point start = slider.convertPointTo({12, 25}, nullptr);
    Point end = slider.convertPointTo({203, 25}, nullptr);
    EXPECT_LT(start.y, end.y);
    h.app.injectTouch(1, TouchPhase::Began, start);
    EXPECT_FLOAT_EQ(slider.value(), 0);
    EXPECT_FLOAT_EQ(reported, 0);
    Point half = slider.convertPointTo({107.5f, 25}, nullptr);
    h.app.injectTouch(1, TouchPhase::Moved, half);
    EXPECT_NEAR(slider.value(), 0.5f, 0.01f);
    EXPECT_NEAR(OutputVolume::get(), 0.5f, 0.01f);
    h.app.injectTouch(1, TouchPhase::Moved, {half.x, 1000}); // beyond the end: clamped
    EXPECT_FLOAT_EQ(slider.value(), 1);
    h.app.injectTouch(1, TouchPhase::Ended, {half.x, 1000});
    h.app.runFrames(1);
    OutputVolume::set(1);
}

namespace {

// Draws whatever the test asks in its draw().
class Canvas : public View {
public:
    using View::View;
    std::function<void(Graphics&)> paint;
    void draw(Graphics& g) override {
        if (paint)
            paint(g);
    }
};

} // namespace

TEST(Drawing, PrimitivesLandWhereAsked) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    Canvas c(Rect{0, 0, 320, 480});
    c.paint = [](Graphics& g) {
        g.strokeRect({10, 10, 100, 100}, Color{255, 0, 0, 255}, 4);
        g.drawLine({200, 20}, {200, 220}, Color{0, 255, 0, 255}, 6);
        g.fillCircle({250, 400}, 30, Color{0, 0, 255, 255});
        g.fillRoundedRect({20, 300, 100, 100}, 20, Color{255, 255, 0, 255});
        g.save();
        g.translate(150, 250);
        g.rotate(kQuarterTurn);
        g.fillRect({0, 0, 40, 10}, Color{255, 0, 255, 255}); // turned: x 140..150, y 250..290
        g.restore();
    };
    h.app.rootView().addSubview(&c);
    h.app.runFrames(1);
    int w = 0, ht = 0;
    auto px = h.app.captureLandscape(&w, &ht);
    auto at = [&](float x, float y) { return viewPixel(h, px, w, x, y); };
    EXPECT_EQ(at(12, 50).r, 255);   // left edge of the frame
    EXPECT_EQ(at(50, 12).r, 255);   // top edge
    EXPECT_EQ(at(60, 60).r, 0);     // hollow inside
    EXPECT_EQ(at(200, 120).g, 255); // on the line
    EXPECT_EQ(at(210, 120).g, 0);   // beside it
    EXPECT_EQ(at(250, 400).b, 255);
    EXPECT_EQ(at(250, 425).b, 255);
    EXPECT_EQ(at(250, 436).b, 0);
    EXPECT_EQ(at(70, 350).g, 255);  // rounded box middle
    EXPECT_EQ(at(21, 301).g, 0);    // its cut corner
    EXPECT_EQ(at(145, 270).b, 255); // the turned bar (magenta)
    EXPECT_EQ(at(145, 270).r, 255);
    EXPECT_EQ(at(160, 255).b, 0); // where the unturned bar would have been
}

TEST(Drawing, FullscreenAndBackKeepThePictureSize) {
    HeadlessApp h;
    ASSERT_TRUE(h.app.initialize());
    bool before = h.app.isFullscreen();
    h.app.setFullscreen(!before);
    h.app.runFrames(1);
    EXPECT_NE(h.app.isFullscreen(), before);
    h.app.setFullscreen(before);
    h.app.runFrames(1);
    EXPECT_EQ(h.app.isFullscreen(), before);
    // The picture keeps its size through the changes.
    int w = 0, ht = 0;
    h.app.captureLandscape(&w, &ht);
    EXPECT_EQ(w * 2, ht * 3);
}
