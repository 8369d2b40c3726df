#include "guitars/BoardImage.h"

#include "toolkit/Graphics.h"

void BoardImage::setMirrored(bool mirrored) {
    if (mirrored == mirrored_)
        return;
    mirrored_ = mirrored;
    setNeedsDisplay();
}

void BoardImage::draw(Graphics& g) {
    if (!mirrored_ || !image()) {
        ImageView::draw(g);
        return;
    }
    View::draw(g);
    // A negative height draws the picture flipped top to bottom.
    const Rect b = bounds();
    g.drawImage(*image(), {b.x, b.maxY(), b.width, -b.height}, 1.0f);
}
