#pragma once
#include "screens/MenuScreenView.h"

// The guitar chooser (screen 8): one of the four playing screens.
//
// Threads: UI thread only.
class ChooseGuitarView : public MenuScreenView {
public:
    explicit ChooseGuitarView(ScreenHost* parent);

    // What a finger coming down at p asks for: the corner buttons first, then
    // the menu's own buttons (every transition remembers the way back).
    // Its own buttons, under the corner buttons.
    static std::span<const HitArea<Choice>> areas();
    static Choice choiceForPoint(Point p);
    Choice choiceAt(Point p) const override { return choiceForPoint(p); }
};
