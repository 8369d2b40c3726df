#include "screens/DelayEffectSetupView.h"

#include <cstdio>

#include "audio/SoundEngine.h"
#include "platform/Knob.h"
#include "platform/Label.h"

namespace {

constexpr float kKnobX = 238;
constexpr float kKnobY[3] = {136, 240, 339};
// The readout windows under the knobs' captions.
constexpr float kLabelX = 183.5f;
constexpr float kLabelAlong = 48;
constexpr float kLabelAcross = 17;
constexpr Point kPowerLight{292, 74};
constexpr Point kPingPongLight{140, 163};

float limitedToUnit(float v) {
    if (!(v >= 0.0f)) {
        return 0.0f;
    }
    return v > 1.0f ? 1.0f : v;
}

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

} // namespace

EffectSetupView::Control DelayEffectSetupView::controlForPoint(Point p) {
    const Control corner = cornerControl(p);
    if (corner != Control::None) {
        return corner;
    }
    const float x = p.x;
    const float y = p.y;
    if (inTestButton(p)) {
        return Control::TestNote;
    }
    if (x > 86 && x < 220 && y > 413) {
        return Control::ToFuzz;
    }
    if (x > 0 && x < 93 && y > 62 && y < 420) {
        return Control::FootSwitch;
    }
    if (x > 109 && x < 170 && y > 145 && y < 243) {
        return Control::PingPong;
    }
    if (x > 109 && x < 170 && y > 243 && y < 342) {
        return Control::Tap;
    }
    if (x > 185 && x < 296) {
        if (y > 74 && y < 187) {
            return Control::Knob0;
        }
        if (y > 187 && y < 296) {
            return Control::Knob1;
        }
        if (y > 296 && y < 406) {
            return Control::Knob2;
        }
    }
    return Control::None;
}

int DelayEffectSetupView::delayTimeForTaps(float totalTapDuration, int numberOfTaps) {
    if (numberOfTaps <= 0) {
        return 0;
    }
    return limitedDelayTime(totalTapDuration / static_cast<float>(numberOfTaps) *
                            static_cast<float>(kRingLength));
}

DelayEffectSetupView::DelayEffectSetupView(ScreenHost* parent, SoundEngine* soundEngine, const Clock& clock)
    : EffectSetupView(parent, soundEngine, "EffectDelaySetupBack.jpg", kPowerLight), clock_(clock),
      option1Light_(std::make_unique<ImageView>("EffectOptionOn.png")) {
    for (std::size_t i = 0; i < knob_.size(); ++i) {
        knob_[i] =
            std::make_unique<Knob>(this, static_cast<int>(kKnobX), static_cast<int>(kKnobY[i]), "Knob.png");
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

void DelayEffectSetupView::redraw() {
    SoundEngine* engine = soundEngine();
    if (!engine) {
        return;
    }
    const int g = currentGuitar();
    const float mix = engine->delayMix(g);
    const float feedback = engine->delayFeedback(g);
    const int time = engine->delayTime(g);
    setPowerLight(engine->delayOn(g));
    option1Light()->setAlpha(engine->pingPong(g) ? 1.0f : 0.0f);
    label_[0]->setText(integerText(percent(mix)));
    label_[1]->setText(integerText(percent(feedback)));
    label_[2]->setText(integerText(static_cast<int>(static_cast<long long>(time) * 1000 / kRingLength)));
    // The knob under the finger keeps its own value: the time knob's scale
    // differs from the ring's length, and setting it back from the engine on
    // every move would make it run ahead of the finger.
    const float values[3] = {mix, feedback, static_cast<float>(time) / kKnobTimeScale};
    for (std::size_t i = 0; i < knob_.size(); ++i) {
        if (draggingKnob() != static_cast<int>(i)) {
            knob_[i]->setValue(limitedToUnit(values[i]));
        }
    }
}

void DelayEffectSetupView::act(Control control) {
    SoundEngine* engine = soundEngine();
    if (!engine) {
        return;
    }
    const int g = currentGuitar();
    switch (control) {
    case Control::FootSwitch:
        engine->setDelayOn(g, !engine->delayOn(g));
        redraw();
        break;
    case Control::PingPong:
        engine->setPingPong(g, !engine->pingPong(g));
        redraw();
        break;
    case Control::Tap:
        tap(clock_.now());
        break;
    default:
        break;
    }
}

void DelayEffectSetupView::turnKnob(int index, Point p, Point oldPoint) {
    SoundEngine* engine = soundEngine();
    if (!engine || index < 0 || index >= 3) {
        return;
    }
    const int g = currentGuitar();
    const float value = knob_[static_cast<std::size_t>(index)]->turnKnobFromCoord(oldPoint, p);
    switch (index) {
    case 0:
        engine->setDelayMix(g, limitedToUnit(value));
        break;
    case 1:
        engine->setDelayFeedback(g, limitedToUnit(value));
        break;
    default:
        engine->setDelayTime(g, limitedDelayTime(limitedToUnit(value) * static_cast<float>(kRingLength)));
        break;
    }
    redraw();
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
            knob_[2]->setValue(limitedToUnit(static_cast<float>(time) / kKnobTimeScale));
            redraw();
        }
    }
    tapTime_ = now;
}
