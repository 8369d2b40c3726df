#include "screens/EffectSetupView.h"

#include <array>

#include "audio/EffectsChain.h"
#include "audio/SoundEngine.h"
#include "core/GuitarId.h"
#include "performer/Performer.h"
#include "toolkit/Knob.h"
#include "toolkit/Label.h"
#include "ui/ScreenHost.h"

namespace {

// On the stage beside the pedal, between the help button and the arrow to
// the next pedal: the same place on every pedal.
constexpr Point kGuitarLabelCentre{240, 446.5f};

std::string guitarText(int guitar) {
    return "GUITAR " + std::to_string(guitar + 1);
}

std::unique_ptr<ImageView> makeLight(const EffectSetupView::Switch& s) {
    auto light = std::make_unique<ImageView>(s.light);
    light->setCenter(s.lightCentre);
    light->setAlpha(0);
    return light;
}

// The arrows' captions name the pedal they lead to, below the arrow on the
// plate the picture draws for it, in the picture's gold.
constexpr Point kNextCaptionCentre{157, 32}, kPreviousCaptionCentre{157, 446.5f};
constexpr Color kCaptionColor{255, 210, 122, 255};

// The pedals in the order of the chain.
struct ChainPedal {
    int screen;
    const char* name;
};
constexpr auto kChain = [] {
    std::array<ChainPedal, EffectsChain::kNumUnits> chain{};
    forEachEffectDescriptor([&](const auto& d, int index) {
        chain[static_cast<std::size_t>(index)] = {d.screen, d.name};
    });
    return chain;
}();

// The pedal `step` places along the chain from the one on screen `screen`,
// or null beyond the ends.
const ChainPedal* neighbour(int screen, int step) {
    for (std::size_t i = 0; i < kChain.size(); ++i) {
        const auto j = static_cast<std::ptrdiff_t>(i) + step;
        if (kChain[i].screen == screen && j >= 0 && j < static_cast<std::ptrdiff_t>(kChain.size()))
            return &kChain[static_cast<std::size_t>(j)];
    }
    return nullptr;
}
// The screens the rest of the program knows by name are the descriptors'.
static_assert(WahEffect::kDescriptor.screen == ScreenHost::kWahEffectSetup &&
              FuzzEffect::kDescriptor.screen == ScreenHost::kFuzzEffectSetup &&
              DelayEffect::kDescriptor.screen == ScreenHost::kDelayEffectSetup);

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

int EffectSetupView::neighbourScreen(int screen, int step) {
    const ChainPedal* pedal = neighbour(screen, step);
    return pedal ? pedal->screen : ScreenHost::kNoScreen;
}

EffectSetupView::EffectSetupView(ScreenHost* parent, Performer* performer, Pedal pedal)
    : FingerView(Rect{0, 0, 320, 480}), parent_(parent), pedal_(std::move(pedal)), performer_(performer),
      soundEngine_(performer ? &performer->engine() : nullptr) {
    // The picture may be missing from the bundle: the screen still covers the
    // whole view and takes its touches.
    setBackgroundImage(pedal_.picture);
    setFrame(parent_ ? parent_->frame() : Rect{0, 0, 320, 480});
    setUserInteractionEnabled(true);
    setMultipleTouchEnabled(true);
    lights_.push_back(makeLight(pedal_.switches.at(0)));
    addSubview(lights_[0].get());
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
    for (const Area& area : pedal_.areas) {
        const bool next = area.control == Control::NextPedal;
        const ChainPedal* to = neighbour(pedal_.screen, next ? 1 : -1);
        if (!to || (!next && area.control != Control::PreviousPedal))
            continue;
        const Point c = next ? kNextCaptionCentre : kPreviousCaptionCentre;
        auto caption = std::make_unique<Label>(Rect{c.x - 30, c.y - 8, 60, 16});
        caption->setFont("Helvetica-Bold", 9);
        caption->setTextColor(kCaptionColor);
        caption->setTextAlignment(TextAlignment::Center);
        caption->setRotation(kQuarterTurn);
        caption->setText(to->name);
        addSubview(caption.get());
        captions_.push_back(std::move(caption));
    }
    for (const KnobControl& k : pedal_.knobs) {
        knobs_.push_back(std::make_unique<Knob>(this, static_cast<int>(k.centre.x),
                                                static_cast<int>(k.centre.y), k.pointer));
        auto label = std::make_unique<Label>(Rect{k.readoutCentre.x - 24, k.readoutCentre.y - 8.5f, 48, 17});
        label->setFont("Helvetica-Bold", 12);
        label->setTextColor(Color{244, 230, 200, 255});
        label->setTextAlignment(TextAlignment::Center);
        label->setRotation(kQuarterTurn);
        addSubview(label.get());
        readouts_.push_back(std::move(label));
    }
    for (std::size_t i = 1; i < pedal_.switches.size(); ++i) {
        lights_.push_back(makeLight(pedal_.switches[i]));
        addSubview(lights_.back().get());
    }
    // The power light sits on top of the knobs.
    if (!knobs_.empty())
        bringSubviewToFront(powerOnLight());
    redraw();
}

// The engine may already be gone: a test note left sounding plays to its end.
EffectSetupView::~EffectSetupView() = default;

void EffectSetupView::setCurrentGuitar(int guitar) {
    if (validGuitar(guitar)) {
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
        for (const Area& a : pedal_.areas)
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
    case Control::NextPedal:
    case Control::PreviousPedal: {
        stopTestNote();
        const int to = neighbourScreen(pedal_.screen, control == Control::NextPedal ? 1 : -1);
        if (to != ScreenHost::kNoScreen)
            goToScreen(to, false);
        break;
    }
    case Control::Knob0:
    case Control::Knob1:
    case Control::Knob2:
    case Control::Knob3: {
        const int index = static_cast<int>(control) - static_cast<int>(Control::Knob0);
        if (index < knobCount()) {
            draggingKnob_ = index;
        }
        break;
    }
    case Control::FootSwitch:
    case Control::OptionSwitch:
    case Control::Tap:
        if (!soundEngine_) {
            break;
        }
        for (const Switch& s : pedal_.switches) {
            if (s.control == control) {
                s.set(*soundEngine_, currentGuitar_, !s.get(*soundEngine_, currentGuitar_));
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

void EffectSetupView::turnKnob(int index, Point p, Point oldPoint) {
    if (!soundEngine_ || index < 0 || index >= knobCount()) {
        return;
    }
    const std::size_t i = static_cast<std::size_t>(index);
    pedal_.knobs[i].write(*soundEngine_, currentGuitar_, knobs_[i]->turnKnobFromCoord(oldPoint, p));
    redraw();
}

void EffectSetupView::redraw() {
    if (!soundEngine_) {
        return;
    }
    for (std::size_t i = 0; i < lights_.size(); ++i) {
        lights_[i]->setAlpha(pedal_.switches[i].get(*soundEngine_, currentGuitar_) ? 1.0f : 0.0f);
    }
    for (std::size_t i = 0; i < knobs_.size(); ++i) {
        if (draggingKnob_ != static_cast<int>(i)) {
            knobs_[i]->setValue(limitedToUnit(pedal_.knobs[i].read(*soundEngine_, currentGuitar_)));
        }
    }
    for (std::size_t i = 0; i < knobs_.size(); ++i) {
        readouts_[i]->setText(pedal_.knobs[i].readout(*soundEngine_, currentGuitar_, knobs_[i]->getValue()));
    }
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
    if (!performer_) {
        return;
    }
    // A second finger on the button replaces the note rather than leaving the
    // first one sounding with nothing left to stop it.
    stopTestNote();
    testTonePlaylistNo_ = performer_->play(currentGuitar_, kTestSampleNo);
}

void EffectSetupView::stopTestNote() {
    // The note went to the recorder (a recording may run on), so its release
    // goes there too.
    if (testTonePlaylistNo_ >= 0 && performer_) {
        performer_->release(testTonePlaylistNo_);
    }
    testTonePlaylistNo_ = -1;
}

void EffectSetupView::willAppear(int, int currentGuitar) {
    pressed_.setHidden(true);
    setCurrentGuitar(currentGuitar);
}
