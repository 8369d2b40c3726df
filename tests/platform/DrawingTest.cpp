#include <gtest/gtest.h>

#include <functional>

#include "PlatformTestSupport.h"
#include "platform/Graphics.h"
#include "platform/Image.h"
#include "platform/ImageView.h"
#include "platform/Key.h"
#include "platform/Label.h"
#include "platform/VolumeSlider.h"
#include "platform/core/MainThreadQueue.h"
#include "platform/core/OutputVolume.h"

namespace {

// A 2 x 2 picture: red, green / blue, white.
std::shared_ptr<Image> quadrants() {
    return Image::fromPixels(2, 2, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255});
}

// Draws whatever the test asks in its draw(), and counts how often it is drawn.
struct Canvas : View {
    using View::View;
    std::function<void(Graphics&)> paint;
    int draws = 0;
    void draw(Graphics& g) override {
        ++draws;
        View::draw(g);
        if (paint)
            paint(g);
    }
};

struct Solid : View {
    Solid(Rect frame, Color colour) : View(frame) { setBackgroundColor(colour); }
};

} // namespace

TEST(Drawing, ImagesStretchAndTurnAndAlphaHidingAndClippingReachSubviews) {
    HeadlessApp h;
    // An image view takes its picture's size in points, and no touches.
    ImageView sharp(Image::fromPixels(4, 6, std::vector<std::uint8_t>(4 * 6 * 4, 255), 2.0f));
    EXPECT_EQ(sharp.frame(), (Rect{0, 0, 2, 3}));
    EXPECT_FALSE(sharp.isUserInteractionEnabled());
    EXPECT_EQ(Image::named("no-such-picture.png"), nullptr);
    EXPECT_EQ(Image::fromPixels(4, 6, std::vector<std::uint8_t>(10), 1.0f), nullptr); // too few bytes
    ImageView plain(quadrants()), turned(quadrants());
    plain.setFrame({0, 0, 100, 100});
    turned.setFrame({200, 0, 100, 100});
    turned.setRotation(3.14159265f); // half a turn, as the scroll-to-end arrow
    View faded(Rect{0, 150, 100, 100}), hidden(Rect{200, 150, 100, 100}), clip(Rect{0, 300, 50, 50});
    Solid white1({0, 0, 100, 100}, Color::white()), white2({0, 0, 100, 100}, Color::white());
    Solid big({0, 0, 200, 200}, {0, 255, 0, 255});
    faded.addSubview(&white1);
    faded.setAlpha(0.5f);
    hidden.addSubview(&white2);
    hidden.setHidden(true);
    clip.addSubview(&big);
    clip.setClipsToBounds(true);
    for (View* v : std::initializer_list<View*>{&plain, &turned, &faded, &hidden, &clip})
        h.app.rootView().addSubview(v);
    h.app.runFrames(1);
    const Picture p = h.shot();
    // Unturned: red top-left, white bottom-right (linear filtering blends only near the middle).
    EXPECT_TRUE(p.at(10, 10).r > 200 && p.at(10, 10).g < 60);
    EXPECT_TRUE(p.at(90, 90).r > 200 && p.at(90, 90).g > 200 && p.at(90, 90).b > 200);
    // Half a turn: white top-left, red bottom-right.
    EXPECT_TRUE(p.at(210, 10).g > 200 && p.at(210, 10).b > 200);
    EXPECT_TRUE(p.at(290, 90).r > 200 && p.at(290, 90).g < 60);
    EXPECT_NEAR(p.at(50, 200).r, 128, 3); // white at half over black
    EXPECT_EQ(p.at(250, 200).r, 0);
    EXPECT_EQ(p.at(25, 325).g, 255);
    EXPECT_EQ(p.at(100, 400).g, 0); // the clipped part of the big view
}

TEST(Drawing, AQuarterTurnedLabelDrawsWhereTheUserReadsIt) {
    HeadlessApp h;
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
    Picture p = h.shot();
    for (Point in : {Point{160, 145}, Point{160, 335}})
        EXPECT_EQ(p.at(in.x, in.y).b, 255);
    for (Point out : {Point{160, 130}, Point{130, 240}, Point{190, 240}})
        EXPECT_EQ(p.at(out.x, out.y).b, 0);
    // Left-aligned text starts at the label's leading edge, small y (the
    // user's left): white pixels appear there, none at the far end.
    const auto whiteIn = [&](float y0, float y1) {
        int n = 0;
        for (float y = y0; y < y1; y += 0.5f)
            for (float x = 141; x < 179; x += 0.5f)
                n += p.at(x, y).r > 200 ? 1 : 0;
        return n;
    };
    EXPECT_GT(whiteIn(141, 200), 50);
    EXPECT_EQ(whiteIn(280, 339), 0);
    label.setTextAlignment(TextAlignment::Center); // now in the middle, clear of both ends
    h.app.runFrames(1);
    p = h.shot();
    EXPECT_EQ(whiteIn(141, 180) + whiteIn(300, 339), 0);
    EXPECT_GT(whiteIn(200, 280), 50);
}

TEST(Drawing, PrimitivesLandWhereAsked) {
    HeadlessApp h;
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
    const Picture p = h.shot();
    struct Probe {
        float x, y;
        Rgb want;
    } probes[] = {
        {12, 50, {255, 0, 0}},   {50, 12, {255, 0, 0}},     {60, 60, {0, 0, 0}},      // the frame, hollow
        {200, 120, {0, 255, 0}}, {210, 120, {0, 0, 0}},     {250, 400, {0, 0, 255}},  // line, circle
        {250, 425, {0, 0, 255}}, {250, 436, {0, 0, 0}},     {70, 350, {255, 255, 0}}, // rounded box
        {21, 301, {0, 0, 0}},    {145, 270, {255, 0, 255}}, {160, 255, {0, 0, 0}}, // its corner, turned bar
    };
    for (const Probe& q : probes) {
        const Rgb got = p.at(q.x, q.y);
        EXPECT_EQ(std::tuple(got.r, got.g, got.b), std::tuple(q.want.r, q.want.g, q.want.b))
            << q.x << "," << q.y;
    }
}

TEST(Drawing, VolumeSliderFollowsTheFingerAlongItsLength) {
    HeadlessApp h;
    VolumeSlider slider(Rect{0, 0, 215, 50});
    slider.setCenter({221, 250});
    slider.setRotation(kQuarterTurn);
    h.app.rootView().addSubview(&slider);
    float reported = -1;
    slider.setOnChange([&](float v) { reported = v; });
    slider.setValue(1);
    // The turned slider runs along the view's y: its start (value 0) at small y.
    const Point start = slider.convertPointTo({12, 25}, nullptr),
                half = slider.convertPointTo({107.5f, 25}, nullptr);
    EXPECT_LT(start.y, half.y);
    h.app.injectTouch(1, TouchPhase::Began, start);
    EXPECT_EQ(std::tuple(slider.value(), reported), std::tuple(0.0f, 0.0f));
    h.app.injectTouch(1, TouchPhase::Moved, half);
    EXPECT_NEAR(slider.value(), 0.5f, 0.01f);
    EXPECT_NEAR(OutputVolume::get(), 0.5f, 0.01f);
    h.app.injectTouch(1, TouchPhase::Moved, {half.x, 1000}); // beyond the end: clamped
    EXPECT_FLOAT_EQ(slider.value(), 1);
    h.app.injectTouch(1, TouchPhase::Ended, {half.x, 1000});
    h.app.runFrames(1);
    const Point thumb = slider.convertPointTo({203, 25}, nullptr); // drawn at the end
    EXPECT_EQ(h.shot().at(thumb.x, thumb.y).g, 235);
    OutputVolume::set(1);
}

TEST(Drawing, TransitionsBringTheNewScreenInOverASnapshotOfTheOld) {
    struct Case {
        TransitionType type;
        TransitionDirection direction;
        // Half way, at view x = 20 and x = 300: red is the old screen, blue the new.
        int lowRed, lowBlue, highRed, highBlue;
    } cases[] = {
        {TransitionType::MoveIn, TransitionDirection::FromLeft, 0, 255, 255, 0}, // from view x = 0 up
        {TransitionType::Fade, TransitionDirection::FromTop, 128, 128, 128, 128}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        HeadlessApp h;
        View host(Rect{0, 0, 320, 480});
        Solid red({0, 0, 320, 480}, {255, 0, 0, 255}), blue({0, 0, 320, 480}, {0, 0, 255, 255});
        h.app.rootView().addSubview(&host);
        host.addSubview(&red);
        h.app.runFrames(1);
        red.removeFromSuperview();
        host.addSubview(&blue);
        CountingTransitionDelegate d;
        host.addTransition(c.type, c.direction, 0.5, "transitionViewAnimation", &d);
        h.clock.advance(0.25); // half way (the curve is symmetric)
        h.app.runFrames(1);
        Picture p = h.shot();
        EXPECT_NEAR(p.at(20, 240).r, c.lowRed, 12);
        EXPECT_NEAR(p.at(20, 240).b, c.lowBlue, 12);
        EXPECT_NEAR(p.at(300, 240).r, c.highRed, 12);
        EXPECT_NEAR(p.at(300, 240).b, c.highBlue, 12);
        h.clock.advance(0.25);
        h.app.runFrames(1);
        EXPECT_EQ(d.finished, 1);
        EXPECT_EQ(h.shot().at(300, 240).b, 255);
    }
}

TEST(DrawOnDemand, AChangedViewIsDrawnOnceAndARestingScreenNotAtAll) {
    HeadlessApp h;
    Canvas counted(Rect{10, 10, 100, 100});
    Label label(Rect{10, 120, 100, 20});
    ImageView image(Rect{10, 150, 20, 20}, "");
    h.app.rootView().addSubview(&counted);
    counted.addSubview(&label);
    counted.addSubview(&image);
    // Draws of the counted view over a few turns of the loop.
    const auto drawsOver = [&](int turns) {
        const int before = counted.draws;
        h.app.runFrames(turns);
        return counted.draws - before;
    };
    EXPECT_EQ(drawsOver(1), 1);
    EXPECT_EQ(drawsOver(5), 0);
    EXPECT_FALSE(h.app.needsFrame());
    const Point moved{40, 160};
    const Rect frame{0, 0, 30, 30};
    const struct Change {
        const char* what;
        std::function<void()> apply;
        int draws;
    } changes[] = {{"hidden", [&] { label.setHidden(true); }, 1},
                   {"hidden again, the same", [&] { label.setHidden(true); }, 0},
                   {"shown", [&] { label.setHidden(false); }, 1},
                   {"text", [&] { label.setText("E A D G B E"); }, 1},
                   {"the same text", [&] { label.setText("E A D G B E"); }, 0},
                   {"text colour", [&] { label.setTextColor(Color::white()); }, 1},
                   {"moved", [&] { image.setCenter(moved); }, 1},
                   {"moved to where it is", [&] { image.setCenter(moved); }, 0},
                   {"frame", [&] { image.setFrame(frame); }, 1},
                   {"alpha", [&] { counted.setAlpha(0.5f); }, 1},
                   {"background", [&] { counted.setBackgroundColor(Color::white()); }, 1},
                   {"picture", [&] { image.setImage(quadrants()); }, 1},
                   {"removed", [&] { image.removeFromSuperview(); }, 1},
                   {"added", [&] { counted.addSubview(&image); }, 1},
                   {"a queued call", [&] { h.app.mainQueue().post([] {}); }, 1},
                   {"a key",
                    [&] {
                        h.app.injectKey(KeyEvent{Key::A, "A"}, true);
                    },
                    1},
                   {"a touch",
                    [&] {
                        h.app.injectTouch(1, TouchPhase::Began, Point{300, 400});
                    },
                    1}};
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        c.apply();
        EXPECT_EQ(drawsOver(4), c.draws);
        EXPECT_EQ(drawsOver(4), 0);
    }
    // An animation draws every turn until it ends, then once more for the resting look.
    View::beginAnimations();
    View::setAnimationDuration(0.5);
    counted.setCenter({200, 200});
    View::commitAnimations();
    for (int i = 0; i < 5; ++i) {
        h.clock.advance(0.05);
        EXPECT_EQ(drawsOver(1), 1);
    }
    h.clock.advance(1.0);
    EXPECT_EQ(drawsOver(3), 1);
    EXPECT_EQ(drawsOver(3), 0);
    // A screenshot shows changes not yet drawn.
    counted.setAlpha(1);
    counted.setBackgroundColor(Color{255, 0, 0, 255});
    EXPECT_EQ(h.shot().at(200, 200).r, 255);
}
