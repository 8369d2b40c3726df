#include "toolkit/Label.h"

#include <algorithm>

#include "system/TextLineBreaker.h"
#include "toolkit/Graphics.h"

Label::Label() {
    setUserInteractionEnabled(false);
}

Label::Label(const Rect& frame) : TextStyleView(frame) {
    setUserInteractionEnabled(false);
}

void Label::setText(const std::string& utf8) {
    if (utf8 != text_) {
        text_ = utf8;
        setNeedsDisplay();
    }
}

const Label::Layout& Label::layout() const {
    Rect b = bounds();
    Layout& l = layout_;
    if (l.valid && l.text == text_ && l.font == font() && l.size == b.size() &&
        l.numberOfLines == numberOfLines_)
        return l;
    l.text = text_;
    l.font = font();
    l.size = b.size();
    l.numberOfLines = numberOfLines_;
    l.lines.clear();
    l.widths.clear();
    l.valid = true;
    if (text_.empty())
        return l;
    float lh = Graphics::lineHeight(font());
    int fit = lh > 0 ? std::max(1, static_cast<int>((b.height + 0.5f) / lh)) : 1;
    int maxLines = numberOfLines_ > 0 ? std::min(numberOfLines_, fit) : fit;
    if (numberOfLines_ == 1) {
        // One line: the text up to its first line break, never wrapped; cut
        // short with "..." when too long for the label.
        std::string line = text_.substr(0, text_.find('\n'));
        if (b.width > 0 && Graphics::measureText(line, font()).width > b.width) {
            while (!line.empty() && Graphics::measureText(line + "...", font()).width > b.width)
                line = TextLineBreaker::dropLastCharacter(line);
            line += "...";
        }
        l.lines.push_back(line);
    } else {
        Font f = font();
        l.lines = TextLineBreaker::breakLines(
            text_, b.width,
            [&f](std::string_view s) { return Graphics::measureText(std::string(s), f).width; }, maxLines);
    }
    for (const auto& line : l.lines)
        l.widths.push_back(Graphics::measureText(line, font()).width);
    return l;
}

std::vector<std::string> Label::layoutLines() const {
    return layout().lines;
}

void Label::sizeToFit() {
    Size s = Graphics::measureText(text_.substr(0, text_.find('\n')), font());
    setBounds({0, 0, s.width, std::max(s.height, Graphics::lineHeight(font()))});
}

void Label::draw(Graphics& g) {
    View::draw(g);
    const Layout& l = layout();
    if (l.lines.empty())
        return;
    Rect b = bounds();
    float lh = Graphics::lineHeight(font());
    float y = (b.height - lh * static_cast<float>(l.lines.size())) / 2;
    for (std::size_t i = 0; i < l.lines.size(); ++i) {
        const std::string& line = l.lines[i];
        float w = l.widths[i];
        float x = alignedX(0, b.width, w);
        g.drawText(line, font(), textColor(), {x, y});
        y += lh;
    }
}
