#include "guitars/HammerOnGuitarView.h"

#include "audio/SoundEngine.h"
#include "performer/Performer.h"

namespace {

constexpr HitArea<FretboardGuitarView::Area> kAreas[] = {
    {{-1, -1, 53, 46}, FretboardGuitarView::Area::Plectrum},
    {{239, -1, 82, 56}, FretboardGuitarView::Area::ScrollTowardNut},
    {{70, -1, 84, 56}, FretboardGuitarView::Area::ScrollTowardBody},
    {{-1, 55, 322, 426}, FretboardGuitarView::Area::Board},
};

bool onBoard(Point p) {
    return isInsideOpen(kAreas[3].rect, p);
}

} // namespace

HammerOnGuitarView::HammerOnGuitarView(ScreenHost* parent, Performer* performer)
    : FretboardGuitarView(parent, performer, kAreas, kBoardLength, 0), nut_("Nut.png") {
    nut_.setBounds({0, 0, 320, 144});
    nut_.setCenter({160, 100});
    // The word OPEN on the nut keeps its reading direction when mirrored.
    nut_.setUprightAreas({{209, 98, 11, 28}});

    addFretImages();
    addMarkers();
    addStrings();
    addStringGlows();
    addSubview(&nut_);
    for (auto& row : marks_)
        for (FingerMark& mark : row)
            addSubview(&mark);
    addScrollButtons();
    addFretNumbers();
    addMenuViews();

    redrawOnFretPresses();
}

HammerOnGuitarView::~HammerOnGuitarView() = default;

std::span<const HitArea<FretboardGuitarView::Area>> HammerOnGuitarView::rightHandedTable() {
    return kAreas;
}

void HammerOnGuitarView::placeFixedViews() {
    FretboardGuitarView::placeFixedViews();
    nut_.setMirrored(leftHanded());
    place(nut_, {160, static_cast<float>(fretSpacing_ - 15)});
}

void HammerOnGuitarView::slotDown(Point p, int) {
    const std::optional<Area> area = areaAt(p);
    if (controlStripFingerDown(area))
        return;
    if (area == Area::Board) {
        pressString(getStringForCoord(p), getFretForCoord(p));
        redrawOnFretPresses();
    }
}

void HammerOnGuitarView::slotMove(Point n, Point p, int touchNo) {
    if (touchNo < 0 || touchNo >= kNumStrings)
        return;
    Point& initial = touchSlots_[touchNo].initialTouch;
    if (onBoard(n) && onBoard(p)) {
        const int s0 = getStringForCoord(initial);
        const int f0 = getFretForCoord(initial);
        // The zeroth fret is the open string, which cannot be bent.
        if (soundEngine_ && soundEngine_->pitchBendOn(currentGuitar()) && leftmostFret_ + f0 > 0)
            bendStep(s0, n, initial);
        const int row = getFretForCoord(n);
        if (row != f0 && getStringForCoord(n) == s0) {
            // Lift before pressing: the new row normally starts afresh.
            liftString(s0, f0);
            pressString(s0, row);
            initial = n;
            redrawOnFretPresses();
        }
    } else if (onBoard(n)) {
        pressString(getStringForCoord(n), getFretForCoord(n));
        initial = n;
        redrawOnFretPresses();
    } else if (onBoard(p)) {
        liftString(getStringForCoord(initial), getFretForCoord(initial));
        initial = n;
        redrawOnFretPresses();
    }
}

void HammerOnGuitarView::slotUp(Point, int touchNo) {
    if (touchNo < 0 || touchNo >= kNumStrings)
        return;
    const Point initial = touchSlots_[touchNo].initialTouch;
    if (onBoard(initial)) {
        liftString(getStringForCoord(initial), getFretForCoord(initial));
        redrawOnFretPresses();
    }
}

void HammerOnGuitarView::pressString(int string, int row) {
    if (string < 0 || row < 0 || string >= kNumStrings || row >= kMaxRows)
        return;
    currentBendPosition_[string] = 0;
    stringPressedAtFret_[string][row] = true;
    if (fret_[string] == -1) {
        fret_[string] = row;
        lightString(string, vibratingFrom(row));
        if (soundEngine_)
            playlistNoForString_[string] =
                performer_->playOnString(currentGuitar(), string, sampleFor(string, leftmostFret_ + row));
    } else if (row > fret_[string]) {
        if (playlistNoForString_[string] != -1 && soundEngine_)
            performer_->release(playlistNoForString_[string]);
        fret_[string] = row;
        lightString(string, vibratingFrom(row));
        playlistNoForString_[string] =
            soundEngine_
                ? performer_->playOnString(currentGuitar(), string, sampleFor(string, leftmostFret_ + row))
                : -1;
    }
    // At or below the sounding row the press is only remembered.
}

void HammerOnGuitarView::liftString(int string, int row) {
    if (string < 0 || row < 0 || string >= kNumStrings || row >= kMaxRows)
        return;
    stringPressedAtFret_[string][row] = false;
    if (fret_[string] != row)
        return;
    if (playlistNoForString_[string] != -1 && soundEngine_)
        performer_->release(playlistNoForString_[string]);
    playlistNoForString_[string] = -1;
    fret_[string] = -1;
    darkenString(string);
    // Pull off to the highest lower row still held (a held zeroth fret
    // sounds the open string).
    for (int g = row - 1; g >= 0; --g) {
        if (!stringPressedAtFret_[string][g])
            continue;
        fret_[string] = g;
        lightString(string, vibratingFrom(g));
        if (soundEngine_)
            playlistNoForString_[string] = performer_->playOnString(
                currentGuitar(), string, sampleFor(string, leftmostFret_ + g), kPullOffVolume);
        break;
    }
}

void HammerOnGuitarView::redrawOnFretPresses() {
    if (soundEngine_ && soundEngine_->pitchBendOn(currentGuitar()))
        redrawStringsForBending();
    for (int s = 0; s < kNumStrings; ++s) {
        bool pressed = false;
        for (int r = 0; r < numFretsToShow_ && r < kMaxRows; ++r) {
            // A finger on the zeroth fret leaves the string drawn open.
            if (r == 0 && leftmostFret_ == 0)
                continue;
            if (stringPressedAtFret_[s][r]) {
                pressed = true;
                break;
            }
        }
        stringsUp_[s].setAlpha(pressed ? 0.0f : 1.0f);
        stringsDown_[s].setAlpha(pressed ? 1.0f : 0.0f);
        // A mark where each finger is; the zeroth fret is the open string,
        // which shows by lighting up instead.
        for (int r = 0; r < kMaxRows; ++r) {
            FingerMark& mark = marks_[static_cast<std::size_t>(s)][static_cast<std::size_t>(r)];
            const bool shown =
                r < numFretsToShow_ && stringPressedAtFret_[s][r] && !(r == 0 && leftmostFret_ == 0);
            mark.setHidden(!shown);
            if (shown)
                place(mark, {stringX(s), static_cast<float>(rowMiddle(r))});
        }
    }
}

void HammerOnGuitarView::redrawOnNumFretsChange() {
    FretboardGuitarView::redrawOnNumFretsChange();
    place(nut_, {160, static_cast<float>(fretSpacing_ - 15)});
    redrawOnFretPresses();
}

void HammerOnGuitarView::redrawOnFretboardScrolling() {
    FretboardGuitarView::redrawOnFretboardScrolling();
    nut_.setAlpha(leftmostFret_ == 0 ? 1.0f : 0.0f);
    redrawOnFretPresses();
}

std::optional<Point> HammerOnGuitarView::keyFingerPoint(const KeyEvent& event) const {
    const std::optional<Point> p =
        KeyFingers::hammerOnPoint(event.key, event.shift, numFretsToShow_, fretSpacing_);
    return p ? std::optional<Point>(onScreen(*p)) : std::nullopt;
}
