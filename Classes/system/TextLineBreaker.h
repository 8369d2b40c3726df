#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Breaks text into lines no wider than a width, at spaces, with '\n'
// forcing a break. A word wider than the width alone is broken between
// characters (never inside a UTF-8 sequence).
//
// Threads: any (pure function).
class TextLineBreaker {
public:
    using Measure = std::function<float(std::string_view)>;
    // maxLines 0: no limit.
    static std::vector<std::string> breakLines(const std::string& utf8, float width, const Measure& measure,
                                               int maxLines = 0);
    // The number of bytes of the UTF-8 character starting at text[i].
    static std::size_t utf8Length(std::string_view text, std::size_t i);
    // text without its last UTF-8 character.
    static std::string dropLastCharacter(const std::string& text);
};
