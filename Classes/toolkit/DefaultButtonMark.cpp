#include "toolkit/DefaultButtonMark.h"

#include "toolkit/Graphics.h"

DefaultButtonMark::DefaultButtonMark() {
    setUserInteractionEnabled(false);
    setBackgroundColor(Color::clear());
}

void DefaultButtonMark::draw(Graphics& g) {
    g.fillRoundedRect(bounds(), kWidth * 2, color());
}
