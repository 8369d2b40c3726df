#pragma once
#include "screens/MenuScreenView.h"

// The effects menu (screen 10): one column of pedals per guitar. A pedal
// first makes its guitar the current one, then opens its pedal screen, which
// takes the current guitar on arrival.
//
// Threads: UI thread only.
class MenuEffectsSetupView : public MenuScreenView {
public:
    explicit MenuEffectsSetupView(Strumwell* parent);

    // What a finger coming down at p asks for: the corner buttons first, then
    // the menu's own buttons (every transition remembers the way back).
    static Choice choiceForPoint(Point p);
    Choice choiceAt(Point p) const override { return choiceForPoint(p); }
};
