#include "screens/DelayEffectSetupView.h"

#include "audio/SoundEngine.h"
#include "toolkit/Knob.h"

int DelayEffectSetupView::delayTimeForTaps(float totalTapDuration, int numberOfTaps) {
    if (numberOfTaps <= 0) {
        return 0;
    }
    return DelayEffect::heldTime(totalTapDuration / static_cast<float>(numberOfTaps) *
                                 static_cast<float>(kRingLength));
}

DelayEffectSetupView::DelayEffectSetupView(ScreenHost* parent, Performer* performer, const Clock& clock)
    : EffectSetupView(parent, performer, DelayEffect::kDescriptor), clock_(clock) {}

DelayEffectSetupView::~DelayEffectSetupView() = default;

void DelayEffectSetupView::act(Control control) {
    if (control == Control::Tap) {
        tap(clock_.now());
    }
}

void DelayEffectSetupView::tap(double now) {
    if (tapTime_) {
        const double interval = now - *tapTime_;
        if (interval > kLongestTapInterval) {
            numberOfTaps_ = 0;
            totalTapDuration_ = 0;
        } else {
            totalTapDuration_ += static_cast<float>(interval);
            numberOfTaps_ += 1;
            const int time = delayTimeForTaps(totalTapDuration_, numberOfTaps_);
            SoundEngine* engine = soundEngine();
            if (engine) {
                engine->setDelayTime(currentGuitar(), time);
            }
            knob(2).setValue(limitedToUnit(static_cast<float>(time) / kKnobTimeScale));
            redraw();
        }
    }
    tapTime_ = now;
}
