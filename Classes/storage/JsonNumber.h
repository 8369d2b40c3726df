#pragma once
#include <charconv>
#include <cmath>
#include <string>

// Numbers as `dump` prints them. Shortest text that reads back as the same
// value is not needed; a fixed number of significant digits (9 for float, 17
// for double) always reads back exactly. JSON has no NaN or infinity: those
// are printed as strings.
//
// Threads: any (pure functions).
struct JsonNumber {
    template <typename T> static std::string text(T value, int digits) {
        if (std::isnan(value))
            return "\"NaN\"";
        if (std::isinf(value))
            return value > 0 ? "\"Infinity\"" : "\"-Infinity\"";
        char buffer[64];
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
        return std::string(buffer, result.ptr);
    }
    static std::string f32(float v) { return text(v, 9); }
    static std::string f64(double v) { return text(v, 17); }
};
