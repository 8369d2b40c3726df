#pragma once
#include <initializer_list>
#include <vector>

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

    // Parts of the picture (in its bounds) that keep their reading direction
    // when it is mirrored: painted words are moved with their button but
    // not turned back to front.
    void setUprightAreas(std::initializer_list<Rect> areas) { uprightAreas_.assign(areas); }

    void draw(Graphics& g) override;

private:
    bool mirrored_ = false;
    std::vector<Rect> uprightAreas_;
};
