#pragma once
class Performer;
#include <memory>

#include "screens/EffectSetupView.h"

// The wah pedal (screen 18), as WahEffect's descriptor lays it out: the whole treadle switches the wah on and
// off; the wah itself follows the tilt of the phone, and the treadle's marker rocks between HEEL and TOE with
// it.
//
// Threads: UI thread only.
class WahEffectSetupView : public EffectSetupView {
public:
    WahEffectSetupView(ScreenHost* parent, Performer* performer);
    ~WahEffectSetupView() override;

    // Shows the guitar's settings and has the marker follow the engine's
    // tilt readings while the screen is on show.
    void willAppear(int previousScreen, int currentGuitar) override;
    // Puts the marker where the engine's wah stands for the current guitar
    // (a frame only when it moves), dimmed while the wah is off.
    void showWahPosition();
    const View& rockMarker() const { return marker_; }

private:
    View track_;
    View marker_;
    // Lets the performer's tilt observer find out whether the screen still exists.
    std::shared_ptr<WahEffectSetupView*> self_ = std::make_shared<WahEffectSetupView*>(this);
};
