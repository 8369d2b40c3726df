#include "system/TextLineBreaker.h"

std::size_t TextLineBreaker::utf8Length(std::string_view text, std::size_t i) {
    if (i >= text.size())
        return 0;
    auto c = static_cast<unsigned char>(text[i]);
    std::size_t n = 1;
    if (c >= 0xF0)
        n = 4;
    else if (c >= 0xE0)
        n = 3;
    else if (c >= 0xC0)
        n = 2;
    // A damaged sequence counts byte by byte.
    if (i + n > text.size())
        return 1;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 1;
    return n;
}

std::string TextLineBreaker::dropLastCharacter(const std::string& text) {
    if (text.empty())
        return text;
    std::size_t i = text.size() - 1;
    // Step back over continuation bytes, at most three.
    std::size_t steps = 0;
    while (i > 0 && steps < 3 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) {
        --i;
        ++steps;
    }
    if (utf8Length(text, i) != text.size() - i)
        i = text.size() - 1; // not a whole character: drop one byte
    return text.substr(0, i);
}

namespace {

// Splits one paragraph (no '\n') into lines.
void breakParagraph(std::string_view para, float width, const TextLineBreaker::Measure& measure,
                    std::vector<std::string>& out) {
    if (para.empty()) {
        out.emplace_back();
        return;
    }
    std::string line;
    std::size_t i = 0;
    while (i < para.size()) {
        // The next word and the spaces before it.
        std::size_t spaceEnd = i;
        while (spaceEnd < para.size() && para[spaceEnd] == ' ')
            ++spaceEnd;
        std::size_t wordEnd = spaceEnd;
        while (wordEnd < para.size() && para[wordEnd] != ' ')
            ++wordEnd;
        std::string_view spaces = para.substr(i, spaceEnd - i);
        std::string_view word = para.substr(spaceEnd, wordEnd - spaceEnd);
        std::string candidate = line;
        candidate.append(spaces);
        candidate.append(word);
        if (line.empty() || measure(candidate) <= width) {
            if (line.empty() && !word.empty() && measure(candidate) > width) {
                // A word too long for a line on its own: break it by characters.
                std::string piece(spaces);
                std::size_t k = 0;
                while (k < word.size()) {
                    std::size_t n = TextLineBreaker::utf8Length(word, k);
                    std::string next = piece;
                    next.append(word.substr(k, n));
                    if (!piece.empty() && measure(next) > width) {
                        out.push_back(piece);
                        piece.clear();
                        continue;
                    }
                    piece = std::move(next);
                    k += n;
                }
                line = std::move(piece);
            } else {
                line = std::move(candidate);
            }
            i = wordEnd;
        } else {
            out.push_back(line);
            line.clear();
            i = spaceEnd; // spaces at a break are dropped
        }
    }
    out.push_back(line);
}

} // namespace

std::vector<std::string> TextLineBreaker::breakLines(const std::string& utf8, float width,
                                                     const Measure& measure, int maxLines) {
    std::vector<std::string> lines;
    std::string_view text(utf8);
    std::size_t start = 0;
    while (true) {
        std::size_t nl = text.find('\n', start);
        std::string_view para =
            text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
        breakParagraph(para, width, measure, lines);
        if (maxLines > 0 && static_cast<int>(lines.size()) >= maxLines)
            break;
        if (nl == std::string_view::npos)
            break;
        start = nl + 1;
    }
    if (maxLines > 0 && static_cast<int>(lines.size()) > maxLines)
        lines.resize(static_cast<std::size_t>(maxLines));
    return lines;
}
