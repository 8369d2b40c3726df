#pragma once
#include "toolkit/View.h"

// The pressed look of a button that is part of a screen's
// background picture: a dark rounded veil over it while a finger holds it.
// Takes no touches.
//
// Threads: UI thread only.
class PressShade : public View {
public:
    explicit PressShade(const Rect& frame = {});
    void draw(Graphics& g) override;
};
