#pragma once
#include "toolkit/View.h"

// The ring that marks a message box's default button, the one Return
// presses: a bright rounded band drawn just outside the button, below it, so
// the button itself stays as drawn. It takes no touches.
//
// Threads: UI thread only.
class DefaultButtonMark : public View {
public:
    static constexpr float kWidth = 4; // how far the ring stands out from the button
    static Color color() { return Color{255, 204, 40, 255}; }

    DefaultButtonMark();
    // The mark's frame for a button's frame.
    static Rect around(const Rect& button) {
        return {button.x - kWidth, button.y - kWidth, button.width + 2 * kWidth, button.height + 2 * kWidth};
    }

    void draw(Graphics& g) override;
};
