#pragma once
#include "toolkit/ImageView.h"

// A picture of the fretboard screens that can be drawn upside down: a
// left-handed player's board is the right-handed one mirrored along the
// neck, pictures included.
//
// Threads: UI thread only.
class BoardImage : public ImageView {
public:
    using ImageView::ImageView;

    bool mirrored() const { return mirrored_; }
    void setMirrored(bool mirrored);

    void draw(Graphics& g) override;

private:
    bool mirrored_ = false;
};
