#include "screens/WahEffectSetupView.h"

#include <algorithm>

#include "audio/SoundEngine.h"
#include "performer/Performer.h"
#include "recorder/Recorder.h"
#include "ui/ScreenHost.h"

namespace {

// The marker runs along the treadle's last grille line, from the printed
// HEEL (pedal closed) to the printed TOE (open).
constexpr float kTrackX = 46;
constexpr float kHeelY = 92, kToeY = 384;
constexpr float kMarkerLength = 22, kMarkerWidth = 8;
constexpr Color kTrackColor{96, 96, 102, 255};
constexpr Color kMarkerColor{214, 178, 96, 255};
constexpr float kOffAlpha = 0.35f;

} // namespace

WahEffectSetupView::WahEffectSetupView(ScreenHost* parent, Performer* performer)
    : EffectSetupView(parent, performer, WahEffect::kDescriptor),
      track_(Rect{kTrackX - 1.5f, kHeelY, 3, kToeY - kHeelY}),
      marker_(Rect{0, 0, kMarkerWidth, kMarkerLength}) {
    for (View* v : {&track_, &marker_}) {
        v->setUserInteractionEnabled(false);
        addSubview(v);
    }
    track_.setBackgroundColor(kTrackColor);
    marker_.setBackgroundColor(kMarkerColor);
    redraw();
    showWahPosition();
}

WahEffectSetupView::~WahEffectSetupView() {
    *self_ = nullptr;
}

void WahEffectSetupView::willAppear(int previousScreen, int currentGuitar) {
    EffectSetupView::willAppear(previousScreen, currentGuitar);
    if (Performer* performer = this->performer()) {
        // The screen on show follows the tilt; a hidden one draws nothing.
        performer->setTiltObserver([self = std::weak_ptr<WahEffectSetupView*>(self_)] {
            if (const auto screen = self.lock(); screen && *screen && (*screen)->superview())
                (*screen)->showWahPosition();
        });
    }
    showWahPosition();
}

void WahEffectSetupView::showWahPosition() {
    const SoundEngine* engine = soundEngine();
    const float wah = engine ? engine->wahForGuitar(currentGuitar()) : Recorder::kMinWah;
    const float along =
        std::clamp((wah - Recorder::kMinWah) / (Recorder::kMaxWah - Recorder::kMinWah), 0.0f, 1.0f);
    const Point at{kTrackX, kHeelY + along * (kToeY - kHeelY)};
    if (marker_.center().x != at.x || marker_.center().y != at.y)
        marker_.setCenter(at);
    const float alpha = engine && engine->wahOn(currentGuitar()) ? 1.0f : kOffAlpha;
    if (marker_.alpha() != alpha)
        marker_.setAlpha(alpha);
}
