#pragma once
#include <string>

// A font by the toolkit's family name and point size. "Arial" and
// "Helvetica" are drawn with Liberation Sans, "Courier" with Liberation Mono;
// a family ending in "-Bold" (or `bold`) picks the bold face.
struct Font {
    std::string family = "Helvetica";
    float size = 17;
    bool bold = false;

    friend bool operator==(const Font&, const Font&) = default;
};

enum class TextAlignment { Left, Center, Right };
