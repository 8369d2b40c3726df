#pragma once
#include "screens/MenuScreenView.h"

// The setup menu (screen 9): the effects menu, patch setup and application
// setup.
//
// Threads: UI thread only.
class MenuSetupView : public MenuScreenView {
public:
    explicit MenuSetupView(ScreenHost* parent);

    // What a finger coming down at p asks for: the corner buttons first, then
    // the menu's own buttons (every transition remembers the way back).
    // Its own buttons, under the corner buttons.
    static std::span<const HitArea<Choice>> areas();
    static Choice choiceForPoint(Point p);
    Choice choiceAt(Point p) const override { return choiceForPoint(p); }
};
