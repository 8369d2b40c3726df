#include "screens/DelayEffectSetupView.h"

#include <cstdio>

#include "audio/SoundEngine.h"
#include "toolkit/Knob.h"
#include "toolkit/Label.h"

namespace {

constexpr float kKnobX = 238;
constexpr float kKnobY[3] = {136, 240, 339};
// The readout windows under the knobs' captions.
constexpr float kLabelX = 183.5f;
constexpr float kLabelAlong = 48;
constexpr float kLabelAcross = 17;
constexpr Point kPowerLight{292, 74};
constexpr Point kPingPongLight{140, 163};

int limitedDelayTime(float time) {
    if (!(time >= 0.0f)) {
        return 0;
    }
    if (time >= static_cast<float>(DelayEffectSetupView::kRingLength)) {
        return DelayEffectSetupView::kRingLength;
    }
    return static_cast<int>(time);
}

std::string integerText(int v) {
    char text[16];
    std::snprintf(text, sizeof text, "%i", v);
    return text;
}

// A share 0 ... 1 as a percentage, truncated (in float: 0.9 reads 90).
int percent(float share) {
    const float v = share * 100.0f;
    return v >= -1e9f && v <= 1e9f ? static_cast<int>(v) : 0;
}

using Control = EffectSetupView::Control;

// The arrow is tested before the foot switch it overlaps. Ping-pong and tap
// share the border y = 243, the knobs the borders y = 187 and 296.
constexpr EffectSetupView::Area kAreas[] = {
    {Control::ToFuzz, 86, 413, 220, EffectSetupView::kOpen},
    {Control::FootSwitch, 0, 62, 93, 420},
    {Control::PingPong, 109, 145, 170, 243},
    {Control::Tap, 109, 243, 170, 342},
    {Control::Knob0, 185, 74, 296, 187},
    {Control::Knob1, 185, 187, 296, 296},
    {Control::Knob2, 185, 296, 296, 406},
};

// Mix, feedback and time. The time knob's scale differs from the ring's
// length.
constexpr EffectSetupView::KnobBinding kKnobs[3] = {
    {[](const SoundEngine& e, int g) { return e.delayMix(g); },
     [](SoundEngine& e, int g, float v) { e.setDelayMix(g, EffectSetupView::limitedToUnit(v)); }},
    {[](const SoundEngine& e, int g) { return e.delayFeedback(g); },
     [](SoundEngine& e, int g, float v) { e.setDelayFeedback(g, EffectSetupView::limitedToUnit(v)); }},
    {[](const SoundEngine& e, int g) {
         return static_cast<float>(e.delayTime(g)) / DelayEffectSetupView::kKnobTimeScale;
     },
     [](SoundEngine& e, int g, float v) {
         e.setDelayTime(g, limitedDelayTime(EffectSetupView::limitedToUnit(v) *
                                            static_cast<float>(DelayEffectSetupView::kRingLength)));
     }},
};

constexpr EffectSetupView::Pedal kPedal{"EffectDelaySetupBack.jpg", kPowerLight, kAreas,
                                        &SoundEngine::delayOn, &SoundEngine::setDelayOn};

} // namespace

std::span<const EffectSetupView::Area> DelayEffectSetupView::areas() {
    return kAreas;
}

int DelayEffectSetupView::delayTimeForTaps(float totalTapDuration, int numberOfTaps) {
    if (numberOfTaps <= 0) {
        return 0;
    }
    return limitedDelayTime(totalTapDuration / static_cast<float>(numberOfTaps) *
                            static_cast<float>(kRingLength));
}

DelayEffectSetupView::DelayEffectSetupView(ScreenHost* parent, SoundEngine* soundEngine, const Clock& clock)
    : EffectSetupView(parent, soundEngine, kPedal), clock_(clock),
      option1Light_(std::make_unique<ImageView>("EffectOptionOn.png")) {
    addSwitch({Control::PingPong, &SoundEngine::pingPong, &SoundEngine::setPingPong, option1Light_.get()});
    for (std::size_t i = 0; i < label_.size(); ++i) {
        addKnob(static_cast<int>(kKnobX), static_cast<int>(kKnobY[i]), "Knob.png", kKnobs[i]);
        auto label = std::make_unique<Label>(
            Rect{kLabelX - kLabelAlong / 2, kKnobY[i] - kLabelAcross / 2, kLabelAlong, kLabelAcross});
        label->setFont("Helvetica-Bold", 12);
        label->setTextColor(Color{244, 230, 200, 255});
        label->setBackgroundColor(Color::clear());
        label->setTextAlignment(TextAlignment::Center);
        label->setRotation(kQuarterTurn);
        addSubview(label.get());
        label_[i] = std::move(label);
    }
    option1Light_->setCenter(kPingPongLight);
    option1Light_->setAlpha(0);
    addSubview(option1Light_.get());
    // The lights sit on top of the knobs.
    bringSubviewToFront(powerOnLight());
    redraw();
}

DelayEffectSetupView::~DelayEffectSetupView() = default;

void DelayEffectSetupView::showReadouts(const SoundEngine& engine, int g) {
    label_[0]->setText(integerText(percent(engine.delayMix(g))));
    label_[1]->setText(integerText(percent(engine.delayFeedback(g))));
    const long long time = engine.delayTime(g);
    label_[2]->setText(integerText(static_cast<int>(time * 1000 / kRingLength)));
}

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
