#pragma once
#include "screens/MenuScreenView.h"

// The main menu (screen 7), where the application starts: play a guitar, the
// setup menu, the recorder, or the manual. It has no back button.
//
// Threads: UI thread only.
class MenuMainView : public MenuScreenView {
public:
    explicit MenuMainView(ScreenHost* parent);

    // What a finger coming down at p asks for (every
    // transition remembers the way back).
    // Its buttons, the manual's among them (no corner buttons).
    static std::span<const HitArea<Choice>> areas();
    static Choice choiceForPoint(Point p);
    Choice choiceAt(Point p) const override { return choiceForPoint(p); }
};
