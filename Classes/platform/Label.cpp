#include "platform/Label.h"

#include <algorithm>

#include "platform/Graphics.h"
#include "platform/core/TextLineBreaker.h"

Label::Label() { setUserInteractionEnabled(false); }

Label::Label(const Rect& frame) : View(frame) { setUserInteractionEnabled(false); }

void Label::setText(const std::string& utf8) { text_ = utf8; }

std::vector<std::string> Label::layoutLines() const {
    if (text_.empty())
        return {};
    Rect b = bounds();
    float lh = Graphics::lineHeight(font_);
    int fit = lh > 0 ? std::max(1, static_cast<int>((b.height + 0.5f) / lh)) : 1;
    int maxLines = numberOfLines_ > 0 ? std::min(numberOfLines_, fit) : fit;
    if (numberOfLines_ == 1) {
        // One line: the text up to its first line break, never wrapped.
        std::string first = text_.substr(0, text_.find('\n'));
        return {first};
    }
    Font f = font_;
    return TextLineBreaker::breakLines(
        text_, b.width, [&f](std::string_view s) { return Graphics::measureText(std::string(s), f).width; },
        maxLines);
}

void Label::sizeToFit() {
    Size s = Graphics::measureText(text_.substr(0, text_.find('\n')), font_);
    setBounds({0, 0, s.width, std::max(s.height, Graphics::lineHeight(font_))});
}

void Label::draw(Graphics& g) {
    View::draw(g);
    auto lines = layoutLines();
    if (lines.empty())
        return;
    Rect b = bounds();
    float lh = Graphics::lineHeight(font_);
    float y = (b.height - lh * static_cast<float>(lines.size())) / 2;
    for (const auto& line : lines) {
        float w = Graphics::measureText(line, font_).width;
        float x = 0;
        if (alignment_ == TextAlignment::Center)
            x = (b.width - w) / 2;
        else if (alignment_ == TextAlignment::Right)
            x = b.width - w;
        g.drawText(line, font_, textColor_, {x, y});
        y += lh;
    }
}
