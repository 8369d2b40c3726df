#include "screens/EffectSetupView.h"

#include "audio/SoundEngine.h"
#include "performer/Performer.h"
#include "toolkit/Knob.h"
#include "toolkit/Label.h"
#include "ui/ScreenHost.h"

namespace {

// On the stage beside the pedal, between the help button and the arrow to
// the next pedal: the same place on all three pedals.
constexpr Point kGuitarLabelCentre{240, 446.5f};

std::string guitarText(int guitar) {
    return "GUITAR " + std::to_string(guitar + 1);
}

} // namespace

EffectSetupView::Control EffectSetupView::cornerControl(Point p) {
    if (p.x > 276 && p.y < 41) {
        return Control::Back;
    }
    if (p.x > 276 && p.y > 438) {
        return Control::Help;
    }
    return Control::None;
}

bool EffectSetupView::inTestButton(Point p) {
    return p.x < 64 && p.y > 425;
}

EffectSetupView::Control EffectSetupView::controlIn(std::span<const Area> areas, Point p) {
    const Control corner = cornerControl(p);
    if (corner != Control::None) {
        return corner;
    }
    if (inTestButton(p)) {
        return Control::TestNote;
    }
    for (const Area& area : areas) {
        if (area.contains(p)) {
            return area.control;
        }
    }
    return Control::None;
}

float EffectSetupView::limitedToUnit(float v) {
    if (!(v >= 0.0f)) {
        return 0.0f;
    }
    return v > 1.0f ? 1.0f : v;
}

EffectSetupView::EffectSetupView(ScreenHost* parent, SoundEngine* soundEngine, const Pedal& pedal)
    : FingerView(Rect{0, 0, 320, 480}), parent_(parent), areas_(pedal.areas), soundEngine_(soundEngine),
      powerOnLight_(std::make_unique<ImageView>("EffectPowerLightOn.png")) {
    // The picture may be missing from the bundle: the screen still covers the
    // whole view and takes its touches.
    setBackgroundImage(pedal.picture);
    setFrame(parent_ ? parent_->frame() : Rect{0, 0, 320, 480});
    setUserInteractionEnabled(true);
    setMultipleTouchEnabled(true);
    powerOnLight_->setCenter(pedal.powerLight);
    powerOnLight_->setAlpha(0);
    addSubview(powerOnLight_.get());
    guitarLabel_ =
        std::make_unique<Label>(Rect{kGuitarLabelCentre.x - 31, kGuitarLabelCentre.y - 10, 62, 20});
    guitarLabel_->setFont("Helvetica-Bold", 11);
    guitarLabel_->setTextColor(Color{255, 210, 122, 255});
    guitarLabel_->setBackgroundColor(Color{20, 14, 10, 220});
    guitarLabel_->setTextAlignment(TextAlignment::Center);
    guitarLabel_->setRotation(kQuarterTurn);
    guitarLabel_->setText(guitarText(currentGuitar_));
    addSubview(guitarLabel_.get());
    addSubview(&pressed_);
    addSwitch({Control::FootSwitch, pedal.on, pedal.setOn, powerOnLight_.get()});
}

// The engine may already be gone: a test note left sounding plays to its end.
EffectSetupView::~EffectSetupView() = default;

void EffectSetupView::setCurrentGuitar(int guitar) {
    if (guitar == 0 || guitar == 1) {
        currentGuitar_ = guitar;
    }
    guitarLabel_->setText(guitarText(currentGuitar_));
    redraw();
}

void EffectSetupView::fingerDown(const Touch& touch) {
    fingerDown(touch.location);
}
void EffectSetupView::fingerMove(const Touch& touch) {
    fingerMove(touch.location, touch.previousLocation);
}
void EffectSetupView::fingerUp(const Touch& touch) {
    fingerUp(touch.location);
}

void EffectSetupView::fingerDown(Point p) {
    const Control control = controlAt(p);
    if (control == Control::Back || control == Control::TestNote || control == Control::Tap)
        for (const Area& a : areas_)
            if (a.control == control && a.contains(p)) {
                pressed_.setFrame({a.left, a.top, a.right - a.left, a.bottom - a.top});
                pressed_.setHidden(false);
                bringSubviewToFront(&pressed_);
                break;
            }
    switch (control) {
    case Control::None:
        break;
    case Control::Back:
        goBack();
        break;
    case Control::Help:
        goToScreen(ScreenHost::kManual, true);
        break;
    case Control::TestNote:
        startTestNote();
        break;
    // The arrows step between the pedals without remembering the way back, so
    // back always returns to the effects menu.
    case Control::ToDelay:
    case Control::ToFuzz:
    case Control::ToWah:
        stopTestNote();
        goToScreen(control == Control::ToDelay  ? ScreenHost::kDelayEffectSetup
                   : control == Control::ToFuzz ? ScreenHost::kFuzzEffectSetup
                                                : ScreenHost::kWahEffectSetup,
                   false);
        break;
    case Control::Knob0:
    case Control::Knob1:
    case Control::Knob2: {
        const int index = static_cast<int>(control) - static_cast<int>(Control::Knob0);
        if (index < knobCount()) {
            draggingKnob_ = index;
        }
        break;
    }
    case Control::FootSwitch:
    case Control::PingPong:
    case Control::Tap:
        if (!soundEngine_) {
            break;
        }
        for (const Switch& s : switches_) {
            if (s.control == control) {
                (soundEngine_->*s.set)(currentGuitar_, !(soundEngine_->*s.get)(currentGuitar_));
                redraw();
                return;
            }
        }
        act(control);
        break;
    }
}

void EffectSetupView::fingerMove(Point p, Point oldPoint) {
    if (!pressed_.isHidden() && !pressed_.frame().contains(p))
        pressed_.setHidden(true);
    if (draggingKnob_ >= 0) {
        turnKnob(draggingKnob_, p, oldPoint);
        return;
    }
    if (inTestButton(oldPoint) && !inTestButton(p)) {
        stopTestNote();
    }
}

void EffectSetupView::fingerUp(Point p) {
    pressed_.setHidden(true);
    if (inTestButton(p)) {
        stopTestNote();
    }
    draggingKnob_ = -1;
}

void EffectSetupView::addKnob(int x, int y, const std::string& picture, KnobBinding binding) {
    knobs_.push_back(std::make_unique<Knob>(this, x, y, picture));
    knobBindings_.push_back(binding);
}

void EffectSetupView::turnKnob(int index, Point p, Point oldPoint) {
    if (!soundEngine_ || index < 0 || index >= knobCount()) {
        return;
    }
    const std::size_t i = static_cast<std::size_t>(index);
    knobBindings_[i].write(*soundEngine_, currentGuitar_, knobs_[i]->turnKnobFromCoord(oldPoint, p));
    redraw();
}

void EffectSetupView::redraw() {
    if (!soundEngine_) {
        return;
    }
    for (const Switch& s : switches_) {
        s.light->setAlpha((soundEngine_->*s.get)(currentGuitar_) ? 1.0f : 0.0f);
    }
    for (std::size_t i = 0; i < knobs_.size(); ++i) {
        if (draggingKnob_ != static_cast<int>(i)) {
            knobs_[i]->setValue(limitedToUnit(knobBindings_[i].read(*soundEngine_, currentGuitar_)));
        }
    }
    showReadouts(*soundEngine_, currentGuitar_);
}

void EffectSetupView::goBack() {
    if (parent_) {
        parent_->transitionBack(this);
    }
}

void EffectSetupView::goToScreen(int screenNo, bool rememberBack) {
    if (parent_) {
        parent_->transitionToView(screenNo, this, rememberBack);
    }
}

void EffectSetupView::startTestNote() {
    Performer* performer = parent_ ? parent_->performer() : nullptr;
    if (!performer) {
        return;
    }
    // A second finger on the button replaces the note rather than leaving the
    // first one sounding with nothing left to stop it.
    stopTestNote();
    testTonePlaylistNo_ = performer->play(currentGuitar_, kTestSampleNo);
}

void EffectSetupView::stopTestNote() {
    // The note went to the recorder (a recording may run on), so its release
    // goes there too.
    Performer* performer = parent_ ? parent_->performer() : nullptr;
    if (testTonePlaylistNo_ >= 0 && performer) {
        performer->release(testTonePlaylistNo_);
    }
    testTonePlaylistNo_ = -1;
}

void EffectSetupView::willAppear(int, int currentGuitar) {
    pressed_.setHidden(true);
    setCurrentGuitar(currentGuitar);
}
