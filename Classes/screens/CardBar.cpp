#include "screens/CardBar.h"

#include "toolkit/Graphics.h"

CardBar::CardBar(const Rect& frame) {
    setFrame(frame);
    setUserInteractionEnabled(false);
}

void CardBar::draw(Graphics& g) {
    const Rect b = bounds();
    g.fillRoundedRect(b, 6, Color{150, 146, 140, 255});
    g.fillRoundedRect({b.x + 2, b.y + 2, b.width - 4, b.height - 4}, 5,
                      tag() ? Color{196, 230, 180, 255} : Color{247, 239, 220, 255});
}
