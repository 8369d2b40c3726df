#include "guitars/ManualFretAndPluckGuitarView.h"

#include <cstdio>
#include <string>

#include "audio/SoundEngine.h"
#include "performer/Performer.h"
#include "toolkit/Graphics.h"

namespace {

enum class Zone { Pickup, Board, Outside };

Zone areaOf(Point p) {
    if (p.y > 394)
        return Zone::Pickup;
    if (p.y > 54 && p.y < 394)
        return Zone::Board;
    return Zone::Outside;
}

// The MUTE button reaches lower than the scroll arrows, but the board comes
// first where they meet.
constexpr HitArea<FretboardGuitarView::Area> kAreas[] = {
    {{-1, -1, 53, 46}, FretboardGuitarView::Area::Plectrum},
    {{239, -1, 82, 56}, FretboardGuitarView::Area::ScrollTowardNut},
    {{70, -1, 84, 56}, FretboardGuitarView::Area::ScrollTowardBody},
    {{-1, 54, 322, 340}, FretboardGuitarView::Area::Board},
    {{-1, 394, 322, 87}, FretboardGuitarView::Area::Pickup},
    {{156, -1, 75, 59}, FretboardGuitarView::Area::Mute},
};

std::string numberText(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", n);
    return text;
}

} // namespace

ManualFretAndPluckGuitarView::ManualFretAndPluckGuitarView(ScreenHost* parent, Performer* performer)
    : FretboardGuitarView(parent, performer, kAreas, kBoardLength, 1, true), muteButton_("MuteButton.png"),
      muteButtonPressed_("MuteButtonLit.png"), pickupIV_("Pickup.png") {
    fretBeingPlayed_.fill(-1);
    for (int s = 0; s < kNumStrings; ++s) {
        Label& label = stringFrettedNumbers_[s];
        label.setRotation(kQuarterTurn);
        label.setFont("Arial", 20);
        label.setTextColor(kNumberColor);
        label.setTextAlignment(TextAlignment::Center);
        label.setText("0");
        // Just around the number, as the user reads it: 28 wide, 26 high.
        stringFrettedPlates_[s].setBounds({0, 0, 26, 28});
    }
    muteButton_.setBounds({0, 0, 74, 54});
    muteButtonPressed_.setBounds({0, 0, 74, 54});
    muteButtonPressed_.setAlpha(0);
    // The word MUTE keeps its reading direction on a left-handed board.
    for (BoardImage* image : {&muteButton_, &muteButtonPressed_})
        image->setUprightAreas({{8, 12, 17, 32}});
    pickupIV_.setBounds({0, 0, 320, 84});
    ManualFretAndPluckGuitarView::placeFixedViews();

    addFretNumbers();
    addFretImages();
    addMarkers();
    addSubview(&pickupIV_);
    addStrings();
    addStringGlows();
    addScrollButtons();
    for (NumberPlate& plate : stringFrettedPlates_)
        addSubview(&plate);
    for (Label& label : stringFrettedNumbers_)
        addSubview(&label);
    addSubview(&muteButton_);
    addSubview(&muteButtonPressed_);
    addMenuViews();

    refretStrings();
    redrawOnFretboardScrolling();
}

ManualFretAndPluckGuitarView::~ManualFretAndPluckGuitarView() = default;

std::span<const HitArea<FretboardGuitarView::Area>> ManualFretAndPluckGuitarView::rightHandedTable() {
    return kAreas;
}

void ManualFretAndPluckGuitarView::placeFixedViews() {
    FretboardGuitarView::placeFixedViews();
    for (int s = 0; s < kNumStrings; ++s) {
        Label& label = stringFrettedNumbers_[s];
        label.setFrame(onScreen(Rect{7.0f + 55.0f * s, 395, 35, 25}));
        stringFrettedPlates_[s].setCenter(label.center());
    }
    for (BoardImage* image : {&muteButton_, &muteButtonPressed_, &pickupIV_}) {
        image->setMirrored(leftHanded());
        place(*image, image == &pickupIV_ ? Point{160, 440} : Point{194, 27});
    }
}

bool ManualFretAndPluckGuitarView::muteButtonHeld() const {
    for (bool held : muteHeldBy_)
        if (held)
            return true;
    return false;
}

void ManualFretAndPluckGuitarView::redrawMuteButton() {
    const bool held = muteButtonHeld();
    muteButtonPressed_.setAlpha(held ? 1.0f : 0.0f);
    muteButton_.setAlpha(held ? 0.0f : 1.0f);
}

void ManualFretAndPluckGuitarView::slotDown(Point p, int touchNo) {
    const std::optional<Area> area = areaAt(p);
    if (controlStripFingerDown(area))
        return;
    if (area == Area::Board) {
        pressFret(getFretForCoord(p), getStringForCoord(p));
        return;
    }
    if (area == Area::Pickup) {
        pressString(getStringForCoord(p));
        return;
    }
    if (area == Area::Mute) {
        dampenStrings();
        if (touchNo >= 0 && touchNo < kNumStrings) {
            muteHeldBy_[touchNo] = true;
            redrawMuteButton();
        }
    }
}

void ManualFretAndPluckGuitarView::slotMove(Point n, Point p, int touchNo) {
    if (touchNo < 0 || touchNo >= kNumStrings)
        return;
    Point& initial = touchSlots_[touchNo].initialTouch;
    if (muteHeldBy_[touchNo] && !onMuteButton(n)) {
        muteHeldBy_[touchNo] = false;
        redrawMuteButton();
    }
    const Zone newArea = areaOf(n);
    const Zone oldArea = areaOf(p);
    if (newArea == Zone::Pickup) {
        if (oldArea == Zone::Pickup) {
            // Strumming: each move plucks at most the string under the finger.
            if (getStringForCoord(n) != getStringForCoord(p)) {
                liftString(getStringForCoord(p));
                pressString(getStringForCoord(n));
            }
        } else {
            if (areaOf(initial) == Zone::Board)
                liftFret(getFretForCoord(initial), getStringForCoord(initial));
            pressString(getStringForCoord(n));
        }
        return;
    }
    if (newArea == Zone::Board) {
        if (oldArea == Zone::Pickup) {
            liftString(getStringForCoord(p));
            pressFret(getFretForCoord(n), getStringForCoord(n));
            initial = n;
        } else if (oldArea == Zone::Outside) {
            pressFret(getFretForCoord(n), getStringForCoord(n));
            initial = n;
        } else {
            const int s0 = getStringForCoord(initial);
            const int f0 = getFretForCoord(initial);
            if (soundEngine_ && soundEngine_->pitchBendOn(currentGuitar()))
                bendStep(s0, n, initial);
            const int row = getFretForCoord(n);
            if (row != f0 && getStringForCoord(n) == s0) {
                // Press the new fret before lifting the old one, so that a
                // slide up hammers on and a slide down pulls off.
                pressFret(row, s0);
                liftFret(f0, s0);
                initial = n;
            }
        }
        return;
    }
    // Leaving the playing surface.
    if (areaOf(initial) == Zone::Pickup)
        liftString(getStringForCoord(p));
    else if (areaOf(initial) == Zone::Board)
        liftFret(getFretForCoord(initial), getStringForCoord(initial));
}

void ManualFretAndPluckGuitarView::slotUp(Point u, int touchNo) {
    if (touchNo >= 0 && touchNo < kNumStrings && muteHeldBy_[touchNo]) {
        muteHeldBy_[touchNo] = false;
        redrawMuteButton();
    }
    if (u.y > 394) {
        liftString(getStringForCoord(u));
    } else if (u.y > 54 && u.y < 394) {
        if (touchNo < 0 || touchNo >= kNumStrings)
            return;
        const Point initial = touchSlots_[touchNo].initialTouch;
        liftFret(getFretForCoord(initial), getStringForCoord(initial));
    }
}

void ManualFretAndPluckGuitarView::pressFret(int row, int string) {
    if (row >= 0 && string >= 0 && row < kMaxRows && string < kNumStrings) {
        stringPressedAtFret_[string][row] = true;
        const int voice = playlistNoForString_[string];
        if (voice != -1 && leftmostFret_ + row > fretBeingPlayed_[string]) {
            if (soundEngine_)
                performer_->release(voice);
            playlistNoForString_[string] = -1;
            if (fretBeingPlayed_[string] != -1)
                hammerOn(string, row);
            else
                darkenString(string);
        }
    }
    refretStrings();
}

void ManualFretAndPluckGuitarView::liftFret(int row, int string) {
    if (row >= 0 && string >= 0 && row < kMaxRows && string < kNumStrings) {
        stringPressedAtFret_[string][row] = false;
        if (fretBeingPlayed_[string] == leftmostFret_ + row) {
            fretBeingPlayed_[string] = -1;
            const int voice = playlistNoForString_[string];
            if (voice != -1 && soundEngine_)
                performer_->release(voice);
            playlistNoForString_[string] = -1;
            darkenString(string);
            // Pull off to the highest lower fret still held; an open string is
            // never sounded this way.
            for (int g = row - 1; g >= 0; --g) {
                if (!stringPressedAtFret_[string][g])
                    continue;
                fret_[string] = g;
                fretBeingPlayed_[string] = leftmostFret_ + g;
                lightString(string, vibratingFrom(g));
                if (soundEngine_)
                    playlistNoForString_[string] = performer_->playOnString(
                        currentGuitar(), string, sampleFor(string, leftmostFret_ + g), kPullOffVolume);
                break;
            }
        }
    }
    refretStrings();
}

void ManualFretAndPluckGuitarView::refretStrings() {
    for (int s = 0; s < kNumStrings; ++s) {
        fret_[s] = -1;
        for (int r = numFretsToShow_ - 1; r >= 0; --r) {
            if (stringPressedAtFret_[s][r]) {
                fret_[s] = r;
                break;
            }
        }
    }
    redrawOnFretPresses();
}

void ManualFretAndPluckGuitarView::hammerOn(int string, int row) {
    if (string < 0 || row < 0 || string >= kNumStrings)
        return;
    fretBeingPlayed_[string] = leftmostFret_ + row;
    lightString(string, vibratingFrom(row));
    if (soundEngine_)
        playlistNoForString_[string] = performer_->playOnString(
            currentGuitar(), string, sampleFor(string, leftmostFret_ + row), kHammerOnVolume);
}

void ManualFretAndPluckGuitarView::pressString(int string) {
    if (string < 0 || string >= kNumStrings)
        return;
    currentBendPosition_[string] = 0;
    int fretNumber = 0;
    if (fret_[string] != -1) {
        fretNumber = leftmostFret_ + fret_[string];
        fretBeingPlayed_[string] = fretNumber;
    } else {
        fretBeingPlayed_[string] = -1;
    }
    if (playlistNoForString_[string] != -1 && soundEngine_)
        performer_->release(playlistNoForString_[string]);
    playlistNoForString_[string] = -1;
    if (soundEngine_)
        playlistNoForString_[string] =
            performer_->playOnString(currentGuitar(), string, sampleFor(string, fretNumber));
    lightString(string, vibratingFrom(fret_[string]));
}

void ManualFretAndPluckGuitarView::liftString(int) {
    // A plucked string rings on until it dies away, is plucked again, muted,
    // or its sounding fret is lifted.
}

void ManualFretAndPluckGuitarView::dampenStrings() {
    for (int s = 0; s < kNumStrings; ++s) {
        if (playlistNoForString_[s] == -1)
            continue;
        darkenString(s);
        if (soundEngine_)
            performer_->release(playlistNoForString_[s]);
        playlistNoForString_[s] = -1;
    }
}

void ManualFretAndPluckGuitarView::redrawOnFretPresses() {
    if (soundEngine_ && soundEngine_->pitchBendOn(currentGuitar()))
        redrawStringsForBending();
    for (int s = 0; s < kNumStrings; ++s) {
        const bool open = fret_[s] == -1;
        stringsUp_[s].setAlpha(open ? 1.0f : 0.0f);
        stringsDown_[s].setAlpha(open ? 0.0f : 1.0f);
        stringFrettedNumbers_[s].setText(numberText(open ? 0 : leftmostFret_ + fret_[s]));
    }
}

void ManualFretAndPluckGuitarView::redrawOnFretboardScrolling() {
    FretboardGuitarView::redrawOnFretboardScrolling();
    // A held row stands for another fret once the board has scrolled: the
    // labels show what a pluck would play now.
    for (int s = 0; s < kNumStrings; ++s)
        stringFrettedNumbers_[s].setText(numberText(fret_[s] == -1 ? 0 : leftmostFret_ + fret_[s]));
}

void ManualFretAndPluckGuitarView::liftAllFingerPresses() {
    FretboardGuitarView::liftAllFingerPresses();
    // The lifts of these fingers go to the menu and are never seen here.
    muteHeldBy_.fill(false);
    redrawMuteButton();
}

std::optional<Point> ManualFretAndPluckGuitarView::keyFingerPoint(const KeyEvent& event) const {
    const std::optional<Point> p = KeyFingers::manualFretPoint(event.key);
    return p ? std::optional<Point>(onScreen(*p)) : std::nullopt;
}
