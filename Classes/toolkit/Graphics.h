#pragma once
#include <memory>
#include <string>

#include "system/Geometry.h"
#include "toolkit/Font.h"

class Image;

// The drawing context handed to View::draw, in the view's own coordinates
// (points). The current transform (translation and rotation) and opacity are
// kept on a stack: save() pushes, restore() pops. Views never see the
// window's pixels; the application maps the 320 x 480 space onto the window.
//
// Threads: UI thread, during drawing only.
class Graphics {
public:
    struct Impl;
    explicit Graphics(Impl& impl);

    void save();
    void restore();
    void translate(float dx, float dy);
    // Turns the coordinate system clockwise (y grows downwards) about the
    // current origin.
    void rotate(float radians);
    // Multiplies the opacity of everything drawn until the matching restore.
    void multiplyAlpha(float alpha);
    float alpha() const;

    // Restricts drawing to the rectangle (intersected with the current clip)
    // until the matching restore(). Exact for rotations by quarter turns,
    // the bounding box otherwise.
    void clipToRect(const Rect& rect);

    void fillRect(const Rect& rect, Color color);
    void strokeRect(const Rect& rect, Color color, float lineWidth = 1.0f);
    // A rectangle with its corners rounded to radius (one shape: a
    // translucent colour is laid on evenly).
    void fillRoundedRect(const Rect& rect, float radius, Color color);
    void drawLine(Point from, Point to, Color color, float lineWidth = 1.0f);
    void fillCircle(Point center, float radius, Color color);
    void strokeCircle(Point center, float radius, Color color, float lineWidth = 1.0f);
    // The picture stretched over rect.
    void drawImage(const Image& image, const Rect& rect, float alpha = 1.0f);

    // One line of text with its top-left at origin.
    void drawText(const std::string& utf8, const Font& font, Color color, Point origin);
    // Text wrapped at word boundaries to the rect's width (numberOfLines 0 =
    // as many as fit; '\n' breaks lines), aligned horizontally, the block
    // centred vertically, lines that do not fit dropped.
    void drawTextInRect(const std::string& utf8, const Font& font, Color color, const Rect& rect,
                        TextAlignment alignment, int numberOfLines = 0);

    // Width and height of one line of text in points. Works without a window.
    static Size measureText(const std::string& utf8, const Font& font);
    // Height of one line (the font's line skip) in points.
    static float lineHeight(const Font& font);

    Impl& impl() { return impl_; }

private:
    Impl& impl_;
};
