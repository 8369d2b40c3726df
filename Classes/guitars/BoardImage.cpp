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
    // Each upright area is painted again the right way round where the
    // mirror put it: the unflipped picture, shifted and clipped to that spot.
    for (const Rect& r : uprightAreas_) {
        const Rect spot{r.x, b.y + b.height - (r.y - b.y) - r.height, r.width, r.height};
        g.save();
        g.clipToRect(spot);
        g.drawImage(*image(), {b.x, b.y + spot.y - r.y, b.width, b.height}, 1.0f);
        g.restore();
    }
}
