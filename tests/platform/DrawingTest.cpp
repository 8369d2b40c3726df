#include "PlatformTestSupport.h"

#include "backend/sdl/FramePresenter.h"

namespace {

// A 2 x 2 picture: red, green / blue, white.
std::shared_ptr<Image> quadrants() {
    return Image::fromPixels(2, 2, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255});
}

// Draws whatever the test asks in its draw().
struct Canvas : View {
    using View::View;
    std::function<void(Graphics&)> paint;
    void draw(Graphics& g) override {
        View::draw(g);
        if (paint)
            paint(g);
    }
};

struct Solid : View {
    Solid(Rect frame, Color colour) : View(frame) { setBackgroundColor(colour); }
};

} // namespace

TEST(Drawing, PrimitivesImagesAlphaHidingAndClippingLandWhereAsked) {
    HeadlessApp h;
    // A missing picture, and pixels too few for the size, give none.
    EXPECT_EQ(std::tuple(Image::named("no-such-picture.png"),
                         Image::fromPixels(4, 6, std::vector<std::uint8_t>(10), 1.0f)),
              std::tuple(nullptr, nullptr));
    Canvas c(Rect{0, 0, 320, 480});
    c.paint = [](Graphics& g) {
        g.strokeRect({110, 10, 80, 80}, Color{255, 0, 0, 255}, 4);
        g.drawLine({150, 110}, {150, 290}, Color{0, 255, 0, 255}, 6);
        g.fillCircle({250, 400}, 30, Color{0, 0, 255, 255});
        g.fillRoundedRect({100, 300, 100, 100}, 20, Color{255, 255, 0, 255});
    };
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
    for (View* v : std::initializer_list<View*>{&c, &plain, &turned, &faded, &hidden, &clip})
        h.app.rootView().addSubview(v);
    h.app.runFrames(1);
    const Picture p = h.shot();
    EXPECT_EQ(p.colours({{112, 50}, {150, 50}, {150, 200}, {160, 200}, {250, 425}, {250, 436}}), "RKGKBK");
    // The rounded box and its corner, the picture both ways round (linear
    // filtering blends it only near its middle), white at half alpha, hidden, clipped.
    EXPECT_EQ(p.colours({{150, 350}, {101, 301}, {10, 10}, {90, 90}, {210, 10}}), "YKRWW");
    EXPECT_EQ(p.colours({{290, 90}, {50, 200}, {250, 200}, {25, 325}, {60, 400}}), "RwKGK");
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
    EXPECT_EQ(h.shot().colours({thumb}), "W");
    OutputVolume::set(1);
}

TEST(Drawing, TransitionsBringTheNewScreenInOverASnapshotOfTheOld) {
    using enum TransitionType;
    using enum TransitionDirection;
    // Half way, at view x = 20 and x = 300: red is the old screen, blue the new.
    for (auto [type, direction, halfWay] :
         {std::tuple{MoveIn, FromLeft, "BR"}, {Fade, FromTop, "mm"}, {Reveal, FromRight, "BR"}}) {
        SCOPED_TRACE(static_cast<int>(type));
        HeadlessApp h;
        View host(Rect{0, 0, 320, 480});
        Solid red({0, 0, 320, 480}, {255, 0, 0, 255}), blue({0, 0, 320, 480}, {0, 0, 255, 255});
        h.app.rootView().addSubview(&host);
        host.addSubview(&red);
        h.app.runFrames(1);
        red.removeFromSuperview();
        host.addSubview(&blue);
        host.addTransition(type, direction, 0.5, "transitionViewAnimation", nullptr);
        h.clock.advance(0.25); // half way (the curve is symmetric)
        h.app.runFrames(1);
        EXPECT_EQ(h.shot().colours({{20, 240}, {300, 240}}), halfWay);
        h.clock.advance(0.25);
        h.app.runFrames(1);
        EXPECT_EQ(std::tuple(host.hasAnimation("transitionViewAnimation"),
                             h.shot().colours({{20, 240}, {300, 240}})),
                  std::tuple(false, "BB"));
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
    // Frames drawn over a few turns of the loop (a view is drawn once per band of the picture it is in).
    const auto drawsOver = [&](int turns) {
        const long before = h.app.frameCount();
        h.app.runFrames(turns);
        return static_cast<int>(h.app.frameCount() - before);
    };
    EXPECT_EQ(drawsOver(1), 1);
    EXPECT_EQ(drawsOver(5), 0);
    EXPECT_FALSE(h.app.needsFrame());
    const Point moved{40, 160};
    const Rect corner{0, 0, 30, 30};
    const KeyEvent a{Key::A, "A"};
    // Each change is drawn once, then the screen rests again.
    const std::initializer_list<std::pair<const char*, std::function<void()>>> changes = {
        {"hidden", [&] { label.setHidden(true); }},
        {"shown", [&] { label.setHidden(false); }},
        {"text", [&] { label.setText("E A D G B E"); }},
        {"moved", [&] { image.setCenter(moved); }},
        {"frame", [&] { image.setFrame(corner); }},
        {"alpha", [&] { counted.setAlpha(0.5f); }},
        {"background", [&] { counted.setBackgroundColor(Color::white()); }},
        {"picture", [&] { image.setImage(quadrants()); }},
        {"removed", [&] { image.removeFromSuperview(); }},
        {"added", [&] { counted.addSubview(&image); }},
        {"a queued call", [&] { h.app.mainQueue().post([] {}); }},
        {"a key", [&] { h.app.injectKey(a, true); }},
        {"a touch", [&] { h.app.injectTouch(1, TouchPhase::Began, moved); }}};
    for (const auto& [what, apply] : changes) {
        SCOPED_TRACE(what);
        apply();
        EXPECT_EQ(drawsOver(4), 1);
        EXPECT_EQ(drawsOver(4), 0);
    }
    // A running animation is drawn on every turn of the loop.
    View::beginAnimations();
    View::setAnimationDuration(0.5);
    counted.setCenter({200, 200});
    View::commitAnimations();
    h.clock.advance(0.05);
    EXPECT_EQ(drawsOver(2), 2);
    // A finger that comes down while a frame is drawn is handled before the frame ends (between the views'
    // parts). Here it takes the view it touched away: that frame is not shown, the next one is.
    struct Leaving : TouchRecorder {
        using TouchRecorder::TouchRecorder;
        void touchesBegan(const TouchSet& t) override {
            TouchRecorder::touchesBegan(t), removeFromSuperview();
        }
    } fill(Rect{0, 0, 320, 480});
    fill.setBackgroundColor(Color{255, 0, 0, 255});
    h.app.rootView().addSubview(&fill);
    counted.paint = [&](Graphics&) {
        fill.events.empty() && h.app.postFinger(1, TouchPhase::Began, 0.5f, 0.5f);
    };
    EXPECT_EQ(drawsOver(1), 0);
    EXPECT_EQ(fill.events.size(), 1u);
    EXPECT_EQ(drawsOver(1), 1);
    // A screenshot shows changes not yet drawn: the full-screen fill put back reaches all four edges.
    h.app.rootView().addSubview(&fill);
    const Picture p = h.shot();
    std::string edges = p.width == 960 && p.height == 640 ? "" : "size";
    for (int i = 0; i < 960; i += 7) // rows 0 and the last, columns 0 and the last
        for (const auto& [x, y] :
             {std::pair(i, 0), std::pair(i, 639), std::pair(0, i % 640), std::pair(959, i % 640)})
            if (p.pixel(x, y).r != 255 || p.pixel(x, y).g != 0)
                edges += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
    EXPECT_EQ(edges, "");
}

TEST(Drawing, AShownWindowGetsTheTurnedPictureInStripesWithInputServedBetween) {
    HeadlessApp h; // SDL's video started
    SDL_Window* window = SDL_CreateWindow("stripes", 0, 0, 960, 640, SDL_WINDOW_SHOWN);
    SDL_Renderer* renderer =
        SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
    SDL_RenderSetLogicalSize(renderer, 480, 320);
    int services = 0, w = 0, hgt = 0;
    auto presenter = std::make_unique<FramePresenter>([&] { ++services; });
    presenter->attach(renderer, true);
    presenter->draw([](Graphics& g) {
        g.fillRect({0, 0, 320, 480}, {0, 0, 255, 255});
        g.fillRect({10, 20, 100, 300}, {255, 0, 0, 255});
        g.fillRect({200, 400, 120, 80}, {0, 255, 0, 255});
    });
    const std::vector<std::uint8_t> seen = presenter->captureLandscape(&w, &hgt);
    // What the window shows, as RGBA bytes: the same picture, pixel for pixel.
    SDL_Surface* shown = SDL_ConvertSurfaceFormat(SDL_GetWindowSurface(window), SDL_PIXELFORMAT_RGBA32, 0);
    const auto* bytes = static_cast<const std::uint8_t*>(shown->pixels);
    EXPECT_EQ(std::tuple(w, hgt, shown->w, shown->h), std::tuple(960, 640, 960, 640));
    EXPECT_TRUE(std::vector<std::uint8_t>(bytes, bytes + 960 * 640 * 4) == seen);
    // After each pass, and between the turned picture's 8 bands and the window's 3 stripes.
    EXPECT_GE(services, 3 + 7 + 2);
    SDL_FreeSurface(shown);
    presenter.reset();
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
}
