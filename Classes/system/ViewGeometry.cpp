#include "system/ViewGeometry.h"

#include <algorithm>
#include <cmath>

Rect ViewGeometry::viewRectToWindow(const Rect& view) {
    // The view's x axis runs up the window, its y axis along it.
    return {view.y, kViewWidth - view.x - view.width, view.height, view.width};
}

Point ViewGeometry::normalizedTouchToView(float tx, float ty) {
    return {kViewWidth * (1.0f - ty), kViewHeight * tx};
}

void ViewGeometry::viewToNormalizedTouch(Point view, float* tx, float* ty) {
    *tx = view.y / kViewHeight;
    *ty = 1.0f - view.x / kViewWidth;
}

Rect ViewGeometry::letterbox(int outputWidth, int outputHeight) {
    if (outputWidth <= 0 || outputHeight <= 0)
        return {};
    // The largest 3:2 picture that fits, in whole pixels.
    int w = outputWidth;
    int h = static_cast<int>(std::floor(static_cast<double>(w) * kWindowHeight / kWindowWidth));
    if (h > outputHeight) {
        h = outputHeight;
        w = static_cast<int>(std::floor(static_cast<double>(h) * kWindowWidth / kWindowHeight));
    }
    w = std::max(w, 1);
    h = std::max(h, 1);
    return {static_cast<float>((outputWidth - w) / 2), static_cast<float>((outputHeight - h) / 2),
            static_cast<float>(w), static_cast<float>(h)};
}

int ViewGeometry::renderScale(int outputWidth, int outputHeight) {
    Rect box = letterbox(outputWidth, outputHeight);
    int s = static_cast<int>(std::ceil(box.width / kWindowWidth - 1e-4));
    return std::clamp(s, 1, 4);
}

Point ViewGeometry::outputPixelToView(float px, float py, int outputWidth, int outputHeight) {
    Rect box = letterbox(outputWidth, outputHeight);
    if (box.isEmpty())
        return {};
    float tx = std::clamp((px - box.x) / box.width, 0.0f, 1.0f);
    float ty = std::clamp((py - box.y) / box.height, 0.0f, 1.0f);
    return normalizedTouchToView(tx, ty);
}
