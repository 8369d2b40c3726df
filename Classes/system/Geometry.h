#pragma once
#include <cstdint>

// Points, sizes and rectangles in view coordinates (points of the 320 x 480
// portrait space, y growing downwards), and colours.

struct Point {
    float x = 0;
    float y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    float width = 0;
    float height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;

    Point origin() const { return {x, y}; }
    Size size() const { return {width, height}; }
    Point center() const { return {x + width / 2, y + height / 2}; }
    float maxX() const { return x + width; }
    float maxY() const { return y + height; }
    // Half-open: the left and top edges are inside, the right and bottom not.
    bool contains(Point p) const { return p.x >= x && p.y >= y && p.x < x + width && p.y < y + height; }
    bool isEmpty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// 8-bit RGBA. The default is clear (fully transparent).
struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;

    // Components from 0 to 1, as the toolkit's colour constructors take them.
    static Color fromFloats(float red, float green, float blue, float alpha = 1.0f);
    static Color white() { return {255, 255, 255, 255}; }
    static Color black() { return {0, 0, 0, 255}; }
    static Color clear() { return {0, 0, 0, 0}; }
    bool isClear() const { return a == 0; }
    friend bool operator==(const Color&, const Color&) = default;
};

inline Color Color::fromFloats(float red, float green, float blue, float alpha) {
    auto c = [](float v) {
        v = v < 0 ? 0 : (v > 1 ? 1 : v);
        return static_cast<std::uint8_t>(v * 255.0f + 0.5f);
    };
    return {c(red), c(green), c(blue), c(alpha)};
}

// A quarter turn in radians: labels turned by it read left to right for a
// user holding the phone sideways (the view's top edge on the left).
inline constexpr float kQuarterTurn = 1.57079632679f;
