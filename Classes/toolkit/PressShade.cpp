#include "toolkit/PressShade.h"

#include <algorithm>

#include "toolkit/Graphics.h"

PressShade::PressShade(const Rect& frame) {
    setFrame(frame);
    setUserInteractionEnabled(false);
    setHidden(true);
}

void PressShade::draw(Graphics& g) {
    const Rect b = bounds();
    g.fillRoundedRect(b, std::min(b.width, b.height) / 6, Color{0, 0, 0, 110});
}
