#pragma once
#include "toolkit/Font.h"
#include "toolkit/View.h"

// What the views that show text share: a font, a colour (black unless set)
// and a horizontal alignment (left unless set), each asking for a frame when
// set.
//
// Threads: UI thread only.
class TextStyleView : public View {
public:
    using View::View;

    const Font& font() const { return font_; }
    void setFont(const Font& font) { redrawWith(font_, font); }
    Color textColor() const { return textColor_; }
    void setTextColor(Color color) { redrawWith(textColor_, color); }
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment) { redrawWith(alignment_, alignment); }

protected:
    // Where a line textWidth wide starts, aligned in the span from left,
    // width wide.
    float alignedX(float left, float width, float textWidth) const;

private:
    Font font_;
    Color textColor_ = Color::black();
    TextAlignment alignment_ = TextAlignment::Left;
};
