#pragma once
#include <string>
#include <vector>

#include "toolkit/TextStyleView.h"

// A view showing text: one line by default (cut short with "..." when too
// long), or word-wrapped over numberOfLines (0 = as many as fit). The block of lines is centred
// vertically in the bounds, each line aligned horizontally. The background is
// clear unless set. Turn it with setRotation(kQuarterTurn) so that a user
// holding the phone sideways reads it left to right. Does not take touches
// unless enabled.
//
// Threads: UI thread only.
class Label : public TextStyleView {
public:
    Label();
    explicit Label(const Rect& frame);

    const std::string& text() const { return text_; }
    void setText(const std::string& utf8);
    using TextStyleView::setFont;
    void setFont(const std::string& family, float size) { setFont(Font{family, size, false}); }
    int numberOfLines() const { return numberOfLines_; }
    void setNumberOfLines(int lines) { redrawWith(numberOfLines_, lines); }

    // The lines as they are drawn in the current bounds (wrapped, and only
    // those that fit).
    std::vector<std::string> layoutLines() const;
    // Makes the view just big enough for its text on one line, keeping its
    // centre.
    void sizeToFit();

    void draw(Graphics& g) override;

private:
    // The last layout, kept while text, font, size and line count stay the same.
    struct Layout {
        std::string text;
        Font font;
        Size size;
        int numberOfLines = -1;
        std::vector<std::string> lines;
        std::vector<float> widths;
        bool valid = false;
    };
    const Layout& layout() const;

    mutable Layout layout_;
    std::string text_;
    int numberOfLines_ = 1;
};
