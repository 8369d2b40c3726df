#include "guitars/GuitarScreenView.h"

#include <cstdio>

#include "audio/SoundEngine.h"
#include "midi/MidiLink.h"
#include "performer/Performer.h"
#include "recorder/Transport.h"
#include "toolkit/HitTable.h"
#include "toolkit/KeyRouter.h"
#include "ui/ScreenHost.h"

namespace {

constexpr Point kRecordMenuBarShown = {29, 240};
constexpr Point kRecordMenuBarHidden = {-33, 240};
constexpr Point kTopBarShown = {0, 240};

std::string guitarText(int guitar) {
    char text[32];
    std::snprintf(text, sizeof text, "Guitar %d", guitar + 1);
    return text;
}

} // namespace

GuitarScreenView::GuitarScreenView(ScreenHost* parent, Performer* performer, const std::string& background,
                                   bool fretCountButtons, Point topBarHiddenCentre)
    : parent_(parent), performer_(performer), soundEngine_(performer ? &performer->engine() : nullptr),
      transport_(performer ? &performer->transport() : nullptr),
      // The Top Menu Bar's container is a line one point wide: its children
      // stand to its right and come in with it.
      menu_(*this, *this, {{0, 0, 1, 480}, topBarHiddenCentre, kTopBarShown}),
      recordMenuBar_("RecordMenuBar.png"), recPressed_("RecLit.png"), playPressed_("PlayLit.png"),
      recordingLight_("RecordingLight.png"), playingLight_("PlayingLight.png") {
    setBackgroundImage(background);
    setFrame(parent_ ? parent_->frame() : Rect{0, 0, 320, 480});
    setUserInteractionEnabled(true);
    setMultipleTouchEnabled(true);

    // The Recorder Bar slides in along the user's bottom edge; its lit buttons
    // and the guitar label ride on it.
    recordMenuBar_.setBounds({0, 0, 64, 480});
    recordMenuBar_.setCenter(kRecordMenuBarHidden);
    recPressed_.setBounds({0, 0, 50, 60});
    recPressed_.setCenter({36, 398});
    recPressed_.setAlpha(0);
    playPressed_.setBounds({0, 0, 50, 60});
    playPressed_.setCenter({35, 331});
    playPressed_.setAlpha(0);
    guitarInputLabel_.setFrame({30 - 25.5f, 248.5f - 11, 51, 22});
    guitarInputLabel_.setRotation(kQuarterTurn);
    guitarInputLabel_.setFont("Arial", 12);
    guitarInputLabel_.setTextColor(Color{150, 240, 160, 255});
    guitarInputLabel_.setTextAlignment(TextAlignment::Center);
    guitarInputLabel_.setText(guitarText(0));

    if (fretCountButtons) {
        lessFretsMenu_ = std::make_unique<ImageView>("MenuLessFrets.png");
        moreFretsMenu_ = std::make_unique<ImageView>("MenuMoreFrets.png");
        lessFretsMenu_->setBounds({0, 0, 100, 110});
        lessFretsMenu_->setCenter({220, 184});
        moreFretsMenu_->setBounds({0, 0, 100, 110});
        moreFretsMenu_->setCenter({220, 306});
        menu_.panel().addSubview(lessFretsMenu_.get());
        menu_.panel().addSubview(moreFretsMenu_.get());
    }

    for (ImageView* light : {&recordingLight_, &playingLight_}) {
        light->setBounds({0, 0, 18, 52});
        light->setCenter({61, 27});
        light->setAlpha(0);
        light->setUserInteractionEnabled(false);
    }
    practiceItem_.setAlpha(0);
    // Between the two lowest strings of the fretboards, clear of the inlays.
    placeTiltGauge({49.5f, 300});
    self_ = std::make_shared<GuitarScreenView*>(this);

    if (KeyRouter* keys = KeyRouter::active()) {
        keys->addListener(this);
        listening_ = true;
    }
}

GuitarScreenView::~GuitarScreenView() {
    if (listening_) {
        if (KeyRouter* keys = KeyRouter::active())
            keys->removeListener(this);
    }
}

void GuitarScreenView::placeStatusLights(Point centre) {
    recordingLight_.setCenter(centre);
    playingLight_.setCenter(centre);
}

void GuitarScreenView::addMenuViews() {
    // Under the veil: with the menu open the Recorder Bar's own lit buttons
    // tell the state.
    addSubview(&tiltGauge_);
    addSubview(&recordingLight_);
    addSubview(&playingLight_);
    menu_.addVeil();
    addSubview(&recordMenuBar_);
    recordMenuBar_.addSubview(&recPressed_);
    recordMenuBar_.addSubview(&playPressed_);
    recordMenuBar_.addSubview(&guitarInputLabel_);
    addSubview(&practiceItem_);
    menu_.addPanelAndPlectrum();
}

int GuitarScreenView::currentGuitar() const {
    return parent_ ? parent_->currentGuitar() : ownGuitar_;
}

void GuitarScreenView::incCurrentGuitar() {
    if (parent_)
        parent_->incCurrentGuitar();
    else
        ownGuitar_ = ownGuitar_ == 0 ? 1 : 0;
}

void GuitarScreenView::redraw() {
    guitarInputLabel_.setText(guitarText(currentGuitar()));
    redrawOnRecPlayPresses();
}

void GuitarScreenView::refreshTiltGauge() {
    if (performer_)
        tiltGauge_.show(TiltGauge::read(*performer_, currentGuitar(), transport_->getState() == 1));
}

void GuitarScreenView::playbackEnded() {
    redrawOnRecPlayPresses();
}

bool GuitarScreenView::recorderRunning() const {
    const int state = transport_ ? transport_->getState() : 0;
    return state == 1 || state == 2; // playing or recording
}

void GuitarScreenView::recordButtonPressed() {
    if (!transport_)
        return;
    if (recorderRunning()) {
        transport_->stop();
    } else {
        transport_->record();
        // The menu closes so that the user can play at once.
        menu_.close(true);
    }
    redrawOnRecPlayPresses();
}

void GuitarScreenView::playButtonPressed() {
    if (!transport_)
        return;
    if (recorderRunning())
        transport_->stop();
    else if (transport_->getNumNotes() == 0 && parent_) // PLAY would light and go out unseen
        parent_->showNotice("Nothing to play: the song is empty.");
    else
        transport_->play();
    redrawOnRecPlayPresses();
}

void GuitarScreenView::stopRecording() {
    if (!recorderRunning())
        return;
    transport_->stop();
    redrawOnRecPlayPresses();
}

void GuitarScreenView::redrawOnRecPlayPresses() {
    const int state = transport_ ? transport_->getState() : 0;
    recPressed_.setAlpha(state == 2 ? 1.0f : 0.0f);
    playPressed_.setAlpha(state == 1 ? 1.0f : 0.0f);
    recordingLight_.setAlpha(state == 2 ? 1.0f : 0.0f);
    playingLight_.setAlpha(state == 1 ? 1.0f : 0.0f);
    refreshTiltGauge();
}

void GuitarScreenView::menuMoving(bool shown) {
    recordMenuBar_.setCenter(shown ? kRecordMenuBarShown : kRecordMenuBarHidden);
    practiceItem_.setAlpha(shown ? 1.0f : 0.0f);
}

void GuitarScreenView::openMenu() {
    liftAllFingerPresses();
    menu_.open(true);
}

void GuitarScreenView::menuWillLeave() {
    stopRecording();
}

void GuitarScreenView::menuItemDown(Point p) {
    if (p.x > 113) {
        fretCountMenuPress(p);
        return;
    }
    if (isInsideOpen(kPracticeItem, p)) {
        menu_.leaveFor(ScreenHost::kPractice);
        return;
    }
    if (p.x >= 64)
        return;
    if (p.y > 215 && p.y < 282) {
        incCurrentGuitar();
        guitarInputLabel_.setText(guitarText(currentGuitar()));
        guitarChanged();
        refreshMidiSamples();
        refreshTiltGauge();
    } else if (p.y > 294 && p.y < 364) {
        playButtonPressed();
    } else if (p.y >= 364 && p.y < 435) {
        recordButtonPressed();
    }
}

void GuitarScreenView::fretCountMenuPress(Point) {}

void GuitarScreenView::goToScreen(int screenNo) {
    if (parent_)
        parent_->transitionToView(screenNo, this, true);
}

bool GuitarScreenView::isShownAndTakingTouches() const {
    return superview() != nullptr && canReceiveTouches();
}

bool GuitarScreenView::keyDown(const KeyEvent& event) {
    // A held key's auto-repeat is the same finger still down.
    if (keyFingers_.isHeld(event.key))
        return true;
    if (event.repeat || event.ctrl || event.alt)
        return false;
    if (KeyFingers::isReservedByPlatform(event.key, event.shift))
        return false;
    if (menu_.isOpen() || !isShownAndTakingTouches())
        return false;
    const std::optional<Point> point = keyFingerPoint(event);
    if (!point)
        return false;
    processTouches({keyFingers_.press(event.key, *point)});
    return true;
}

bool GuitarScreenView::keyUp(const KeyEvent& event) {
    const std::optional<Touch> lift = keyFingers_.release(event.key);
    if (!lift)
        return false;
    processTouches({*lift});
    return true;
}

void GuitarScreenView::releaseKeyFingers() {
    const std::vector<Touch> lifts = keyFingers_.releaseAll();
    if (!lifts.empty())
        processTouches(lifts);
}

void GuitarScreenView::willAppear(int, int) {
    if (performer_) {
        // The screen on show follows the tilt; a hidden one draws nothing.
        performer_->setTiltObserver([self = std::weak_ptr<GuitarScreenView*>(self_)] {
            if (const auto screen = self.lock(); screen && *screen && (*screen)->superview())
                (*screen)->refreshTiltGauge();
        });
    }
    redraw();
    refreshMidiSamples();
}

void GuitarScreenView::showMidiSamples(uint64_t samples) {
    if (samples == midiSamples_)
        return;
    midiSamples_ = samples;
    lightMidiSamples(samples);
}

void GuitarScreenView::refreshMidiSamples() {
    if (parent_ && parent_->midi())
        showMidiSamples(parent_->midi()->in().soundingSamples(currentGuitar()));
}
