#include "screens/MenuSetupGuitarPatchView.h"

#include <algorithm>
#include <cstdio>

#include "audio/SoundEngine.h"
#include "performer/Performer.h"
#include "screens/TuningCard.h"
#include "toolkit/Graphics.h"
#include "toolkit/ImageView.h"
#include "toolkit/Knob.h"
#include "toolkit/Label.h"
#include "toolkit/VolumeSlider.h"
#include "ui/ScreenHost.h"

namespace {

using Action = MenuSetupGuitarPatchView::Action;

// Under the output volume slider, on the wood beside the caption.
constexpr Rect kPageButton{217, 366, 28, 84};

// The page button, drawn like the card's keys.
class PageButton : public View {
public:
    PageButton() {
        setFrame(kPageButton);
        setUserInteractionEnabled(false);
    }
    void draw(Graphics& g) override {
        const Rect b = bounds();
        g.fillRoundedRect(b, 6, Color{150, 146, 140, 255});
        g.fillRoundedRect({b.x + 2, b.y + 2, b.width - 4, b.height - 4}, 5, Color{247, 239, 220, 255});
    }
};

constexpr HitArea<Action> kAreas[] = {
    {{127, 189, 59, 57}, Action::TestNoteGuitar1},
    {{24, 189, 59, 57}, Action::TestNoteGuitar2},
    {{108, 0, 102, 104}, Action::TurnGuitar1Volume},
    {{108, 104, 102, 85}, Action::TurnGuitar1Sustain},
    {{0, 0, 108, 104}, Action::TurnGuitar2Volume},
    {{0, 104, 108, 85}, Action::TurnGuitar2Sustain},
    {{127, 246, 66, 59}, Action::PrevPatchGuitar1},
    {{127, 386, 66, 68}, Action::NextPatchGuitar1},
    {{0, 246, 89, 59}, Action::PrevPatchGuitar2},
    {{0, 386, 89, 68}, Action::NextPatchGuitar2},
    {kPageButton, Action::TurnPage},
};

// The output volume slider, across the screen between the caption and the panel.
constexpr Point kSliderCentre{232, 250};
constexpr float kSliderThickness = 28;
// Each knob's name and value, just above its dial as the user reads it, in
// the strip the panel's top edge or its divider leaves (knob order: guitar
// 1's volume and sustain, then guitar 2's).
constexpr Point kReadoutCentres[4] = {{204, 63}, {204, 144}, {100, 63}, {100, 144}};

} // namespace

MenuSetupGuitarPatchView::Action MenuSetupGuitarPatchView::actionForPoint(Point p) {
    return actionIn(areas(), p, Action::Back, Action::Help, Action::None);
}

std::span<const HitArea<Action>> MenuSetupGuitarPatchView::areas() {
    return kAreas;
}

bool MenuSetupGuitarPatchView::insideTestButton(int guitar, Point p) {
    return isInsideOpen(kAreas[guitar == 0 ? 0 : 1].rect, p);
}

MenuSetupGuitarPatchView::MenuSetupGuitarPatchView(ScreenHost* parent, Performer* performer,
                                                   MainThreadQueue* queue)
    : MenuScreenView(parent, "MenuSetupGuitarPatch.jpg"), performer_(performer),
      soundEngine_(performer ? &performer->engine() : nullptr), queue_(queue), box_(*this) {
    // The system volume slider, along the long edge for a user holding the
    // phone sideways.
    // It lies in the gap between the caption and the knobs' panel, its
    // thumb clear of both at either end of its travel.
    volumeControl_ = std::make_unique<VolumeSlider>(
        Rect{kSliderCentre.x - 107.5f, kSliderCentre.y - kSliderThickness / 2, 215, kSliderThickness});
    volumeControl_->setRotation(kQuarterTurn);
    volumeControl_->setAlpha(0.8f);
    // The app's own settings keep the value, not the songs.
    volumeControl_->setOnRelease([this](float) {
        if (this->parent())
            this->parent()->saveAppSettings();
    });
    addSubview(volumeControl_.get());
    // Named like the knobs, on the wood to the user's left of the slider.
    volumeLabel_ = sidewaysLabel({kSliderCentre.x, 92}, 96, 16, 9.5f);
    volumeLabel_->setTextColor(Color{236, 224, 200, 255});
    volumeLabel_->setText(kVolumeLabelText);
    addSubview(volumeLabel_.get());

    knobs_[kGuitar1Volume] = std::make_unique<Knob>(this, 155, 63, "ShinyDialPointer.png");
    knobs_[kGuitar1Sustain] = std::make_unique<Knob>(this, 155, 144, "ShinyDialPointer.png");
    knobs_[kGuitar2Volume] = std::make_unique<Knob>(this, 53, 63, "ShinyDialPointer.png");
    knobs_[kGuitar2Sustain] = std::make_unique<Knob>(this, 53, 144, "ShinyDialPointer.png");

    for (std::size_t k = 0; k < knobReadouts_.size(); ++k) {
        knobReadouts_[k] = sidewaysLabel(kReadoutCentres[k], 76, 12, 9);
        knobReadouts_[k]->setTextColor(Color{244, 230, 200, 255});
        addSubview(knobReadouts_[k].get());
    }

    // The patch names sit on the displays between each guitar's arrows.
    guitar1PatchName_ = sidewaysLabel({160, 345.5f}, 70, 50, 14);
    guitar1PatchName_->setNumberOfLines(2);
    addSubview(guitar1PatchName_.get());
    guitar2PatchName_ = sidewaysLabel({46, 345.5f}, 70, 70, 14);
    guitar2PatchName_->setNumberOfLines(2);
    addSubview(guitar2PatchName_.get());

    tuningCard_ = std::make_unique<TuningCard>(parent ? parent->songOptions() : nullptr);
    addSubview(tuningCard_.get());
    pageButton_ = std::make_unique<PageButton>();
    addSubview(pageButton_.get());
    pageLabel_ = sidewaysLabel(kPageButton.center(), kPageButton.height, kPageButton.width, 13);
    addSubview(pageLabel_.get());
    showTuningPage(false);

    // The cover and the box go on top of everything. The cover takes the
    // touches meant for the controls under it (the volume slider among them)
    // while it shows; the screen then ignores them.
    box_.setVeilTakesTouches(true);
    box_.setVeilAlpha(kGreyoutAlpha);
    Label& text = box_.text();
    text.setFrame({110 - 140, 170 - 85, 280, 170});
    text.setFont("Arial", 20);
    text.setTextColor(Color::black());
    text.setBackgroundColor(Color::clear());
    text.setTextAlignment(TextAlignment::Center);
    text.setRotation(kQuarterTurn);
    text.setNumberOfLines(0);
    text.setText(kMessageBoxText);
    box_.addViews();

    redraw();
}

MenuSetupGuitarPatchView::~MenuSetupGuitarPatchView() {
    if (pendingQueue_) {
        for (MainThreadQueue::Token token : pendingTokens_) {
            pendingQueue_->cancel(token);
        }
    }
}

MainThreadQueue* MenuSetupGuitarPatchView::queue() const {
    if (queue_) {
        return queue_;
    }
    return parent() ? &parent()->mainThreadQueue() : nullptr;
}

void MenuSetupGuitarPatchView::later(double delay, std::function<void()> fn) {
    MainThreadQueue* q = queue();
    if (!q) {
        fn();
        return;
    }
    pendingQueue_ = q;
    auto token = std::make_shared<MainThreadQueue::Token>(0);
    *token = q->postDelayed(delay, [this, token, fn = std::move(fn)] {
        std::erase(pendingTokens_, *token);
        fn();
    });
    pendingTokens_.push_back(*token);
}

void MenuSetupGuitarPatchView::redraw() {
    if (!soundEngine_) {
        return;
    }
    knobs_[kGuitar1Volume]->setValue(soundEngine_->guitarVolume(0));
    knobs_[kGuitar1Sustain]->setValue(soundEngine_->guitarSustain(0));
    knobs_[kGuitar2Volume]->setValue(soundEngine_->guitarVolume(1));
    knobs_[kGuitar2Sustain]->setValue(soundEngine_->guitarSustain(1));
    guitar1PatchName_->setText(soundEngine_->patchName(0));
    guitar2PatchName_->setText(soundEngine_->patchName(1));
    for (std::size_t k = 0; k < knobReadouts_.size(); ++k) {
        char text[24];
        std::snprintf(text, sizeof text, "%s %.1f", k % 2 == 0 ? "VOLUME" : "SUSTAIN",
                      static_cast<double>(knobs_[k]->getValue()) * 10.0);
        knobReadouts_[k]->setText(text);
    }
}

void MenuSetupGuitarPatchView::showTuningPage(bool tuning) {
    tuningPage_ = tuning;
    tuningCard_->setHidden(!tuning);
    if (tuning)
        tuningCard_->showGuitar(parent() ? parent()->currentGuitar() : 0);
    pageLabel_->setText(tuning ? "\u2039 Patches" : "Tuning \u203a");
}

void MenuSetupGuitarPatchView::fingerDown(const Touch& touch) {
    const Point p = touch.location;
    const Action action = actionForPoint(p);
    if (tuningPage_ && action != Action::Back && action != Action::Help && action != Action::TurnPage) {
        tuningCard_->press(TuningCard::pressAt(p));
        return;
    }
    switch (action) {
    case Action::None:
        break;
    case Action::TurnPage:
        showTuningPage(!tuningPage_);
        break;
    case Action::Back:
    case Action::Help:
        perform(cornerChoice(p));
        break;
    case Action::TestNoteGuitar1:
        if (Performer* performer = performer_) {
            testPatch1PlaylistNo_ = performer->play(0, kTestSampleNo);
        }
        break;
    case Action::TestNoteGuitar2:
        if (Performer* performer = performer_) {
            testPatch2PlaylistNo_ = performer->play(1, kTestSampleNo);
        }
        break;
    case Action::TurnGuitar1Volume:
        draggingKnob_ = kGuitar1Volume;
        break;
    case Action::TurnGuitar1Sustain:
        draggingKnob_ = kGuitar1Sustain;
        break;
    case Action::TurnGuitar2Volume:
        draggingKnob_ = kGuitar2Volume;
        break;
    case Action::TurnGuitar2Sustain:
        draggingKnob_ = kGuitar2Sustain;
        break;
    case Action::PrevPatchGuitar1:
        startPatchStep(0, false);
        break;
    case Action::NextPatchGuitar1:
        startPatchStep(0, true);
        break;
    case Action::PrevPatchGuitar2:
        startPatchStep(1, false);
        break;
    case Action::NextPatchGuitar2:
        startPatchStep(1, true);
        break;
    }
}

void MenuSetupGuitarPatchView::startPatchStep(int guitar, bool forward) {
    box_.show();
    redraw();
    // The short delay lets the box be drawn before the loading holds up the
    // UI thread.
    later(kDrawBoxDelay, [this, guitar, forward] { stepPatch(guitar, forward); });
}

void MenuSetupGuitarPatchView::nextPatch(int guitar) {
    stepPatch(guitar, true);
}

void MenuSetupGuitarPatchView::prevPatch(int guitar) {
    stepPatch(guitar, false);
}

void MenuSetupGuitarPatchView::stepPatch(int guitar, bool forward) {
    if (!performer_) {
        // Nothing will render a buffer: take touches again at once.
        turnTouchscreenBackOn();
        return;
    }
    // A patch step stops the recorder first: a song must not change its
    // samples under a recording or a playback.
    if (forward) {
        performer_->nextPatch(this, guitar);
    } else {
        performer_->prevPatch(this, guitar);
    }
}

void MenuSetupGuitarPatchView::turnTouchscreenBackOn() {
    later(kRemoveBoxDelay, [this] { stopShowingMessageBox(); });
}

void MenuSetupGuitarPatchView::stopShowingMessageBox() {
    box_.hide();
    redraw();
}

void MenuSetupGuitarPatchView::fingerMove(const Touch& touch) {
    const Point p = touch.location;
    const Point oldPoint = touch.previousLocation;
    if (draggingKnob_ != kNoKnob) {
        turnKnob(p, oldPoint);
    }
    if (insideTestButton(0, oldPoint) && !insideTestButton(0, p)) {
        stopTestNote(0);
    }
    if (insideTestButton(1, oldPoint) && !insideTestButton(1, p)) {
        stopTestNote(1);
    }
}

void MenuSetupGuitarPatchView::turnKnob(Point p, Point oldPoint) {
    const float value = knobs_[static_cast<size_t>(draggingKnob_)]->turnKnobFromCoord(oldPoint, p);
    if (!soundEngine_) {
        return;
    }
    switch (draggingKnob_) {
    case kGuitar1Volume:
        soundEngine_->setGuitarVolume(0, value);
        break;
    case kGuitar1Sustain:
        soundEngine_->setGuitarSustain(0, value);
        break;
    case kGuitar2Volume:
        soundEngine_->setGuitarVolume(1, value);
        break;
    case kGuitar2Sustain:
        soundEngine_->setGuitarSustain(1, value);
        break;
    default:
        break;
    }
    redraw(); // the readouts follow the knob
}

void MenuSetupGuitarPatchView::fingerUp(const Touch& touch) {
    const Point p = touch.location;
    draggingKnob_ = kNoKnob;
    if (insideTestButton(0, p)) {
        stopTestNote(0);
    }
    if (insideTestButton(1, p)) {
        stopTestNote(1);
    }
}

void MenuSetupGuitarPatchView::stopTestNote(int guitar) {
    int& voice = guitar == 0 ? testPatch1PlaylistNo_ : testPatch2PlaylistNo_;
    if (voice == -1) {
        return;
    }
    // The note's start went to the recorder, so its stop goes there too: a
    // recording that caught a test note would otherwise hold it forever.
    if (Performer* performer = performer_) {
        performer->release(voice);
    }
    voice = -1;
}

void MenuSetupGuitarPatchView::willAppear(int, int) {
    showTuningPage(false);
    redraw();
}
