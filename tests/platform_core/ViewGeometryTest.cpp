#include <gtest/gtest.h>

#include "platform/core/ViewGeometry.h"

TEST(ViewGeometry, WindowAndViewCornersMapBothWays) {
    // The view's top-left is the window's bottom-left; its x runs up the window.
    EXPECT_EQ(ViewGeometry::viewToWindow({0, 0}), (Point{0, 320}));
    EXPECT_EQ(ViewGeometry::viewToWindow({320, 0}), (Point{0, 0}));
    EXPECT_EQ(ViewGeometry::viewToWindow({0, 480}), (Point{480, 320}));
    EXPECT_EQ(ViewGeometry::viewToWindow({320, 480}), (Point{480, 0}));
    EXPECT_EQ(ViewGeometry::windowToView({0, 0}), (Point{320, 0}));
    EXPECT_EQ(ViewGeometry::windowToView({480, 320}), (Point{0, 480}));
    for (Point p : {Point{12.5f, 300}, Point{160, 240}, Point{319, 1}}) {
        EXPECT_EQ(ViewGeometry::windowToView(ViewGeometry::viewToWindow(p)), p);
    }
}

TEST(ViewGeometry, ViewRectsBecomeWindowRects) {
    // The plectrum corner (x < 52, y < 45) sits at the window's bottom-left.
    Rect w = ViewGeometry::viewRectToWindow({0, 0, 52, 45});
    EXPECT_EQ(w, (Rect{0, 268, 45, 52}));
    Rect full = ViewGeometry::viewRectToWindow({0, 0, 320, 480});
    EXPECT_EQ(full, (Rect{0, 0, 480, 320}));
}

TEST(ViewGeometry, NormalisedTouchesLandInTheView) {
    EXPECT_EQ(ViewGeometry::normalizedTouchToView(0, 0), (Point{320, 0}));
    EXPECT_EQ(ViewGeometry::normalizedTouchToView(1, 1), (Point{0, 480}));
    EXPECT_EQ(ViewGeometry::normalizedTouchToView(0.5f, 0.5f), (Point{160, 240}));
    float tx = 0, ty = 0;
    ViewGeometry::viewToNormalizedTouch({40, 120}, &tx, &ty);
    EXPECT_FLOAT_EQ(tx, 0.25f);
    EXPECT_FLOAT_EQ(ty, 0.875f);
    Point back = ViewGeometry::normalizedTouchToView(tx, ty);
    EXPECT_FLOAT_EQ(back.x, 40);
    EXPECT_FLOAT_EQ(back.y, 120);
}

TEST(ViewGeometry, LetterboxKeepsThreeByTwoCentred) {
    EXPECT_EQ(ViewGeometry::letterbox(960, 640), (Rect{0, 0, 960, 640}));
    // Too wide: bars left and right.
    EXPECT_EQ(ViewGeometry::letterbox(1000, 500), (Rect{125, 0, 750, 500}));
    // Too tall: bars above and below.
    EXPECT_EQ(ViewGeometry::letterbox(480, 800), (Rect{0, 240, 480, 320}));
    EXPECT_TRUE(ViewGeometry::letterbox(0, 100).isEmpty());
}

TEST(ViewGeometry, RenderScaleFollowsTheOutput) {
    EXPECT_EQ(ViewGeometry::renderScale(480, 320), 1);
    EXPECT_EQ(ViewGeometry::renderScale(960, 640), 2);
    EXPECT_EQ(ViewGeometry::renderScale(1000, 640), 2);
    EXPECT_EQ(ViewGeometry::renderScale(1440, 960), 3);
    EXPECT_EQ(ViewGeometry::renderScale(200, 100), 1);
    EXPECT_EQ(ViewGeometry::renderScale(100000, 100000), 4);
}

TEST(ViewGeometry, OutputPixelsMapThroughTheLetterbox) {
    // 1000 x 500: picture 750 x 500 from x = 125.
    Point centre = ViewGeometry::outputPixelToView(500, 250, 1000, 500);
    EXPECT_FLOAT_EQ(centre.x, 160);
    EXPECT_FLOAT_EQ(centre.y, 240);
    // In the left bar: clamped to the picture's left edge (view y = 0).
    Point bar = ViewGeometry::outputPixelToView(10, 250, 1000, 500);
    EXPECT_FLOAT_EQ(bar.y, 0);
}
