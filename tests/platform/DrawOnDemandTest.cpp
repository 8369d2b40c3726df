#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "platform/Image.h"
#include "platform/ImageView.h"
#include "platform/Key.h"
#include "platform/Label.h"
#include "platform/View.h"
#include "platform/core/MainThreadQueue.h"

namespace {

// A view that counts how often it is drawn.
struct CountingView : View {
    using View::View;
    int draws = 0;
    void draw(Graphics& g) override {
        ++draws;
        View::draw(g);
    }
};

struct Screen {
    HeadlessApp h;
    CountingView counted{Rect{10, 10, 100, 100}};
    Label label{Rect{10, 120, 100, 20}};
    ImageView image{Rect{10, 150, 20, 20}, ""};
    Screen() {
        EXPECT_TRUE(h.app.initialize());
        h.app.rootView().addSubview(&counted);
        counted.addSubview(&label);
        counted.addSubview(&image);
        h.app.runFrames(1);
    }
    // Draws of the counted view over a few turns of the loop.
    int drawsOver(int turns) {
        int before = counted.draws;
        h.app.runFrames(turns);
        return counted.draws - before;
    }
};

} // namespace

TEST(DrawOnDemand, AChangedViewIsDrawnOnceAndARestingScreenNotAtAll) {
    Screen s;
    EXPECT_EQ(s.counted.draws, 1);
    EXPECT_EQ(s.drawsOver(5), 0);
    EXPECT_FALSE(s.h.app.needsFrame());

    struct Change {
        const char* what;
        std::function<void(Screen&)> apply;
        int draws;
    };
    const Change changes[] = {
        {"hidden", [](Screen& x) { x.label.setHidden(true); }, 1},
        {"hidden again, the same", [](Screen& x) { x.label.setHidden(true); }, 0},
        {"shown", [](Screen& x) { x.label.setHidden(false); }, 1},
        {"text", [](Screen& x) { x.label.setText("E A D G B E"); }, 1},
        {"the same text", [](Screen& x) { x.label.setText("E A D G B E"); }, 0},
        {"text colour", [](Screen& x) { x.label.setTextColor(Color::white()); }, 1},
        {"moved",
         [](Screen& x) {
             x.image.setCenter({40, 160});
         },
         1},
        {"moved to where it is",
         [](Screen& x) {
             x.image.setCenter({40, 160});
         },
         0},
        {"frame",
         [](Screen& x) {
             x.image.setFrame({0, 0, 30, 30});
         },
         1},
        {"alpha", [](Screen& x) { x.counted.setAlpha(0.5f); }, 1},
        {"background", [](Screen& x) { x.counted.setBackgroundColor(Color::white()); }, 1},
        {"picture",
         [](Screen& x) { x.image.setImage(Image::fromPixels(2, 2, std::vector<std::uint8_t>(16, 200))); }, 1},
        {"removed", [](Screen& x) { x.image.removeFromSuperview(); }, 1},
        {"added", [](Screen& x) { x.counted.addSubview(&x.image); }, 1},
        {"a queued call", [](Screen& x) { x.h.app.mainQueue().post([] {}); }, 1},
        {"a key",
         [](Screen& x) {
             x.h.app.injectKey(KeyEvent{Key::A, "A"}, true);
         },
         1},
        {"a touch",
         [](Screen& x) {
             x.h.app.injectTouch(1, TouchPhase::Began, {300, 400});
         },
         1},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        c.apply(s);
        EXPECT_EQ(s.drawsOver(4), c.draws);
        EXPECT_EQ(s.drawsOver(4), 0);
    }
}

TEST(DrawOnDemand, AnAnimationDrawsEveryTurnUntilItEndsThenOnceMore) {
    Screen s;
    View::beginAnimations();
    View::setAnimationDuration(0.5);
    s.counted.setCenter({200, 200});
    View::commitAnimations();
    for (int i = 0; i < 5; ++i) {
        s.h.clock.advance(0.05);
        EXPECT_EQ(s.drawsOver(1), 1);
    }
    s.h.clock.advance(1.0);
    EXPECT_EQ(s.drawsOver(3), 1); // the resting look
    EXPECT_EQ(s.drawsOver(3), 0);
    EXPECT_EQ(s.counted.presentationCenter().x, 200);
}

TEST(DrawOnDemand, AScreenshotShowsChangesNotYetDrawn) {
    Screen s;
    s.counted.setBackgroundColor(Color{255, 0, 0, 255});
    int w = 0, h = 0;
    auto pixels = s.h.app.captureLandscape(&w, &h);
    ASSERT_FALSE(pixels.empty());
    // View (50, 50) is landscape (50, 319 - 50) at twice the size.
    auto p = s.h.pixelAt(pixels, w, 100, (319 - 50) * 2);
    EXPECT_EQ(p.r, 255);
    EXPECT_EQ(p.g, 0);
}
