#include "guitars/FretboardGuitarView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "audio/SoundEngine.h"
#include "guitars/Bands.h"
#include "guitars/PlectrumMenu.h"
#include "performer/Performer.h"
#include "recorder/SongOptions.h"
#include "toolkit/Graphics.h"
#include "toolkit/Image.h"
#include "ui/ScreenHost.h"

namespace {

// Adds every view of `views` to `parent`, in order.
template <class Views> void addEach(View& parent, Views& views) {
    for (auto& view : views)
        parent.addSubview(&view);
}

constexpr std::array<float, 6> kStringUpX = {22, 77, 133, 189, 243, 295};
constexpr std::array<float, 6> kStringDownX = {22, 79, 134, 191, 243, 297};
constexpr float kStringY = 240;
constexpr float kParkedY = -50;
// The 12th fret's two markers, between strings 1 and 2 and between strings 3
// and 4 as on a real neck (the single markers stand between strings 2 and 3):
// never on a string.
constexpr float kDoubleSpotTopX = 216;
constexpr float kDoubleSpotBottomX = 105;

bool isMarkedFret(int fretNumber) {
    switch (fretNumber) {
    case 3:
    case 5:
    case 7:
    case 9:
    case 15:
    case 17:
    case 19:
    case 21:
        return true;
    default:
        return false;
    }
}

std::string numberText(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", n);
    return text;
}

} // namespace

FretboardGuitarView::FretboardGuitarView(ScreenHost* parent, Performer* performer,
                                         std::span<const HitArea<Area>> areas, int boardLength,
                                         int lowestLeftmostFret, bool evenRows)
    : GuitarScreenView(parent, performer, "HammerOnFretboard.jpg", true, {150, 240}),
      leftmostFret_(lowestLeftmostFret), manualDoubleSpotTop_("ManualSpot.png"),
      manualDoubleSpotBottom_("ManualSpot.png"), scrollButtons_("FretboardScrollButtons.png"),
      boardLength_(boardLength), lowestLeftmostFret_(lowestLeftmostFret), evenRows_(evenRows),
      rightHandedAreas_(areas), leftHandedAreas_(leftHandedTable(areas)),
      background_(Image::named("HammerOnFretboard.jpg")) {
    fret_.fill(-1);
    midiRow_.fill(kNoMidiRow);
    playlistNoForString_.fill(-1);
    for (int i = 0; i < kMaxRows; ++i) {
        frets_[i].setImageNamed("Fret.png");
        frets_[i].setBounds({0, 0, 312, 8});
        frets_[i].setCenter({160, kParkedY});
        manualSpot_[i].setImageNamed("ManualSpot.png");
        manualSpot_[i].setBounds({0, 0, 16, 16});
        manualSpot_[i].setCenter({163, kParkedY});
        Label& label = fretNumbers_[i];
        label.setFrame({288 - 15, kParkedY - 10, 30, 20});
        label.setRotation(kQuarterTurn);
        label.setFont("Arial", 15);
        label.setTextColor(kNumberColor);
        // Around one or two digits, as the user reads them: 24 wide, 18 high.
        fretNumberPlates_[i].setBounds({0, 0, 18, 24});
        fretNumberPlates_[i].setCenter({288, kParkedY});
        label.setTextAlignment(TextAlignment::Center);
    }
    manualDoubleSpotTop_.setBounds({0, 0, 16, 16});
    manualDoubleSpotBottom_.setBounds({0, 0, 16, 16});
    for (int s = 0; s < kNumStrings; ++s) {
        const std::string n = std::to_string(s + 1);
        stringsUp_[s].setImageNamed("String" + n + "Up.png");
        stringsUp_[s].setBounds({0, 0, 12, 480});
        stringsDown_[s].setImageNamed("String" + n + "Down.png");
        stringsDown_[s].setBounds({0, 0, 12, 480});
    }
    scrollButtons_.setBounds({0, 0, 320, 74});
    // The words LOWER and HIGHER, as the picture paints them.
    scrollButtons_.setUprightAreas({{248, 8, 17, 38}, {78, 6, 17, 44}});
    FretboardGuitarView::placeFixedViews();
}

std::vector<HitArea<FretboardGuitarView::Area>>
FretboardGuitarView::leftHandedTable(std::span<const HitArea<Area>> rightHanded) {
    std::vector<HitArea<Area>> table = {{{-1, -1, 53, 46}, Area::Plectrum}};
    for (const HitArea<Area>& a : mirroredAlongY(rightHanded, kScreenHeight))
        table.push_back(a);
    return table;
}

void FretboardGuitarView::placeFixedViews() {
    for (int s = 0; s < kNumStrings; ++s)
        place(stringsUp_[s], {kStringUpX[s], kStringY});
    place(scrollButtons_, {160, 37});
    for (BoardImage* image : {&manualDoubleSpotTop_, &manualDoubleSpotBottom_, &scrollButtons_})
        image->setMirrored(leftHanded_);
    for (auto* row : {&frets_, &manualSpot_})
        for (BoardImage& image : *row)
            image.setMirrored(leftHanded_);
    for (auto* strings : {&stringsUp_, &stringsDown_})
        for (BoardImage& image : *strings)
            image.setMirrored(leftHanded_);
    placeTiltGauge(onScreen(Point{49.5f, 300}));
    placeStatusLights(onScreen(Point{61, 27}));
}

void FretboardGuitarView::setLeftHanded(bool on) {
    if (on == leftHanded_)
        return;
    // A finger down was measured on the other board.
    liftAllFingerPresses();
    for (int s = 0; s < kNumStrings; ++s)
        glows_[static_cast<std::size_t>(s)].setAlpha(0);
    leftHanded_ = on;
    placeFixedViews();
    redrawOnNumFretsChange();
    redrawOnFretboardScrolling();
    redrawStringsForBending();
    redrawOnFretPresses();
    setNeedsDisplay();
}

void FretboardGuitarView::willAppear(int previousScreen, int currentGuitar) {
    if (parent_)
        setLeftHanded(parent_->leftHanded());
    GuitarScreenView::willAppear(previousScreen, currentGuitar);
}

void FretboardGuitarView::draw(Graphics& g) {
    if (!leftHanded_ || !background_) {
        GuitarScreenView::draw(g);
        return;
    }
    View::draw(g);
    const Rect b = bounds();
    g.drawImage(*background_, {b.x, b.maxY(), b.width, -b.height}, 1.0f);
}

Touch FretboardGuitarView::boardTouch(const Touch& touch) const {
    Touch t = touch;
    t.location = onScreen(touch.location);
    t.previousLocation = onScreen(touch.previousLocation);
    return t;
}

void FretboardGuitarView::addFretImages() {
    addEach(*this, frets_);
}

void FretboardGuitarView::addFretNumbers() {
    addEach(*this, fretNumberPlates_);
    addEach(*this, fretNumbers_);
}

void FretboardGuitarView::addMarkers() {
    addEach(*this, manualSpot_);
    addSubview(&manualDoubleSpotTop_);
    addSubview(&manualDoubleSpotBottom_);
}

void FretboardGuitarView::addStrings() {
    addEach(*this, stringsUp_);
    addEach(*this, stringsDown_);
    addSubview(&capoBar_);
}

void FretboardGuitarView::addScrollButtons() {
    addSubview(&scrollButtons_);
}

void FretboardGuitarView::addStringGlows() {
    addEach(*this, glows_);
}

float FretboardGuitarView::stringX(int string) {
    return kStringDownX[static_cast<std::size_t>(std::clamp(string, 0, kNumStrings - 1))];
}

FretboardGuitarView::StringGlow::StringGlow() {
    setUserInteractionEnabled(false);
    setAlpha(0);
}

void FretboardGuitarView::StringGlow::draw(Graphics& g) {
    const Rect b = bounds();
    const float mid = b.width / 2;
    g.fillRect({mid - 6, 0, 12, b.height}, Color{255, 200, 80, 70});
    g.fillRect({mid - 3.5f, 0, 7, b.height}, Color{255, 214, 110, 150});
    g.fillRect({mid - 1.5f, 0, 3, b.height}, Color{255, 250, 215, 255});
}

FretboardGuitarView::FingerMark::FingerMark() {
    setUserInteractionEnabled(false);
    setBounds({0, 0, 30, 30});
    setHidden(true);
}

void FretboardGuitarView::FingerMark::draw(Graphics& g) {
    g.fillCircle({15, 15}, 14, Color{20, 14, 10, 150});
    g.fillCircle({15, 15}, 11, Color{236, 190, 92, 235});
    g.strokeCircle({15, 15}, 11, Color{255, 246, 220, 255}, 2);
}

float FretboardGuitarView::vibratingFrom(int row) const {
    // A held row stops the string at the fret line at its far end.
    return row < 0 ? 0.0f : static_cast<float>(rowLine(row + 1));
}

void FretboardGuitarView::lightString(int string, float fromY) {
    if (string < 0 || string >= kNumStrings)
        return;
    StringGlow& glow = glows_[static_cast<std::size_t>(string)];
    fromY = std::clamp(fromY, 0.0f, 470.0f);
    glow.setFrame(onScreen(Rect{stringX(string) - 8, fromY, 16, 480 - fromY}));
    glow.setAlpha(1);
    View::beginAnimations("ring");
    View::setAnimationDuration(kRingSeconds);
    glow.setAlpha(0);
    View::commitAnimations();
}

void FretboardGuitarView::darkenString(int string) {
    if (string < 0 || string >= kNumStrings)
        return;
    StringGlow& glow = glows_[static_cast<std::size_t>(string)];
    if (glow.presentationAlpha() <= 0.0f)
        return;
    const float now = glow.presentationAlpha();
    glow.setAlpha(now);
    View::beginAnimations("damp");
    View::setAnimationDuration(kStopSeconds);
    glow.setAlpha(0);
    View::commitAnimations();
}

void FretboardGuitarView::lightMidiSamples(uint64_t samples) {
    placeMidiGlows(samples, false);
}

void FretboardGuitarView::placeMidiGlows(uint64_t samples, bool boardMoved) {
    // Low samples first, each on the lowest string still free that shows it:
    // an open chord lands on its usual strings.
    std::array<int, kNumStrings> rows;
    rows.fill(kNoMidiRow);
    const GuitarTuning tuned = tuning();
    for (int sample = 0; sample < 64; ++sample) {
        if ((samples >> sample & 1) == 0)
            continue;
        for (int s = 0; s < kNumStrings; ++s) {
            // At the capo a string rings as if open; below it, it cannot sound.
            const int fret = sample - tuned.openSample[static_cast<std::size_t>(s)];
            const int row = fret == tuned.capo ? -1 : fret - leftmostFret_;
            if (rows[static_cast<std::size_t>(s)] == kNoMidiRow && fret >= tuned.capo &&
                row < numFretsToShow_ && (fret == tuned.capo || row >= 0)) {
                rows[static_cast<std::size_t>(s)] = row;
                break;
            }
        }
    }
    for (int s = 0; s < kNumStrings; ++s) {
        const std::size_t i = static_cast<std::size_t>(s);
        if (rows[i] == midiRow_[i] && (!boardMoved || rows[i] == kNoMidiRow))
            continue;
        midiRow_[i] = rows[i];
        if (rows[i] == kNoMidiRow) {
            darkenString(s);
            continue;
        }
        const float fromY = std::clamp(vibratingFrom(rows[i]), 0.0f, 470.0f);
        glows_[i].setFrame(onScreen(Rect{stringX(s) - 8, fromY, 16, 480 - fromY}));
        glows_[i].setAlpha(1);
    }
}

FretboardGuitarView::NumberPlate::NumberPlate() {
    setUserInteractionEnabled(false);
}

void FretboardGuitarView::NumberPlate::draw(Graphics& g) {
    const Rect b = bounds();
    g.fillRoundedRect(b, std::min(b.width, b.height) / 4, Color{22, 16, 12, 225});
}

int FretboardGuitarView::getStringForCoord(Point p) {
    static constexpr float kStringEnds[] = {55, 112, 166, 222, 274};
    return Bands::below(kStringEnds, p.x);
}

int FretboardGuitarView::rowLine(int row) const {
    if (evenRows_ && numFretsToShow_ > 0)
        return kFirstFretLine + row * boardLength_ / numFretsToShow_;
    return kFirstFretLine + row * fretSpacing_;
}

int FretboardGuitarView::getFretForCoord(Point p) const {
    // Before the first redraw there is no board to touch.
    if (fretSpacing_ <= 0)
        return -1;
    // Truncated toward zero; a point left of the view (negative y) is above
    // every line.
    const double truncated = std::trunc(static_cast<double>(p.y));
    if (truncated < kFirstFretLine)
        return -1;
    // The number of lines at or before the point, less one.
    for (int row = kMaxRows - 1; row > 0; --row)
        if (truncated >= rowLine(row))
            return row;
    return 0;
}

void FretboardGuitarView::fingerDown(const Touch& touch) {
    const Touch t = boardTouch(touch);
    const int slot = touchSlots_.take(t);
    // The menu's plectrum is not mirrored with the board.
    if (leftHanded_ && PlectrumMenu::onPlectrum(touch.location)) {
        openMenu();
        return;
    }
    slotDown(t.location, slot);
}

void FretboardGuitarView::fingerMove(const Touch& screenTouch) {
    const Touch touch = boardTouch(screenTouch);
    const int i = touchSlots_.find(touch.id);
    if (i == TouchSlots::kNone)
        return;
    slotMove(touch.location, touch.previousLocation, i);
    touchSlots_[i].mostRecentTouch = touch.location;
}

void FretboardGuitarView::fingerUp(const Touch& screenTouch) {
    const Touch touch = boardTouch(screenTouch);
    for (int i = 0; i < kNumStrings; ++i) {
        if (!touchSlots_[i].holds(touch.id))
            continue;
        slotUp(touchSlots_[i].mostRecentTouch, i);
        touchSlots_[i].free();
    }
}

bool FretboardGuitarView::controlStripFingerDown(std::optional<Area> area) {
    if (area == Area::Plectrum)
        openMenu();
    else if (area == Area::ScrollTowardNut)
        scrollTowardNut();
    else if (area == Area::ScrollTowardBody)
        scrollTowardBody();
    else
        return false;
    return true;
}

void FretboardGuitarView::scrollTowardNut() {
    if (leftmostFret_ - 1 >= lowestLeftmostFret_)
        --leftmostFret_;
    redrawOnFretboardScrolling();
}

void FretboardGuitarView::scrollTowardBody() {
    if (leftmostFret_ + 1 <= 22 - numFretsToShow_)
        ++leftmostFret_;
    redrawOnFretboardScrolling();
}

void FretboardGuitarView::bendStep(int string, Point now, Point reference) {
    const int dx = static_cast<int>(now.x - reference.x); // truncated toward zero
    int target = 0;
    if (dx > 40)
        target = 4;
    else if (dx < -40)
        target = 2;
    else if (dx > 20)
        target = 3;
    else if (dx < -20)
        target = 1;
    if (target == currentBendPosition_[string])
        return;
    const int voice = playlistNoForString_[string];
    if (voice != -1 && soundEngine_) {
        if (target == 2 || target == 4)
            performer_->fullBend(voice);
        else if (target == 1 || target == 3)
            performer_->halfBend(voice);
        else
            performer_->unbend(voice);
    }
    currentBendPosition_[string] = target;
    redrawStringsForBending();
}

void FretboardGuitarView::lessFrets() {
    if (numFretsToShow_ - 1 >= kMinFrets)
        --numFretsToShow_;
    else
        numFretsToShow_ = kMinFrets;
    fretSpacing_ = boardLength_ / numFretsToShow_;
    redrawOnNumFretsChange();
    redrawOnFretboardScrolling();
    if (soundEngine_)
        soundEngine_->setNumFretsToShow(numFretsToShow_);
}

void FretboardGuitarView::moreFrets() {
    setNumberFrets(numFretsToShow_ + 1);
}

void FretboardGuitarView::setNumberFrets(int count) {
    // The count comes from saved settings: keep it to what the board can
    // show rather than dividing by zero or running past the ten rows.
    if (count < kMinFrets)
        count = kMinFrets;
    if (count > kMaxFrets)
        count = kMaxFrets;
    numFretsToShow_ = count;
    fretSpacing_ = boardLength_ / count;
    redrawOnNumFretsChange();
    if (leftmostFret_ > 22 - count)
        leftmostFret_ = 22 - count;
    redrawOnFretboardScrolling();
    if (soundEngine_)
        soundEngine_->setNumFretsToShow(count);
}

void FretboardGuitarView::fretCountMenuPress(Point p) {
    if (p.y < 241)
        lessFrets();
    else if (p.y < 361)
        moreFrets();
}

void FretboardGuitarView::menuWillMove() {
    // The screen's notes were stopped when the menu opened; the strings are
    // only drawn straight again.
    currentBendPosition_.fill(0);
    redrawStringsForBending();
}

void FretboardGuitarView::redraw() {
    if (soundEngine_ && soundEngine_->numFretsToShow() != numFretsToShow_)
        setNumberFrets(soundEngine_->numFretsToShow());
    else if (numFretsToShow_ == 0)
        setNumberFrets(5);
    placeCapo();
    GuitarScreenView::redraw();
}

void FretboardGuitarView::redrawOnNumFretsChange() {
    for (int i = 0; i < kMaxRows; ++i) {
        if (i < numFretsToShow_) {
            const int line = rowLine(i);
            const int middle = evenRows_ ? rowMiddle(i) : line + fretSpacing_ / 2;
            place(frets_[i], {160, static_cast<float>(line)});
            place(fretNumbers_[i], {307, static_cast<float>(middle)});
            place(fretNumberPlates_[i], {307, static_cast<float>(middle)});
            place(manualSpot_[i], {163, static_cast<float>(middle)});
        } else {
            place(frets_[i], {160, kParkedY});
            place(fretNumbers_[i], {288, kParkedY});
            place(fretNumberPlates_[i], {288, kParkedY});
            place(manualSpot_[i], {163, kParkedY});
        }
    }
}

void FretboardGuitarView::redrawOnFretboardScrolling() {
    for (int i = 0; i < kMaxRows; ++i) {
        if (i < numFretsToShow_)
            fretNumbers_[i].setText(numberText(leftmostFret_ + i));
        manualSpot_[i].setAlpha(isMarkedFret(leftmostFret_ + i) ? 1.0f : 0.0f);
    }
    // The middle of the 12th fret's row, off the board when it is not shown.
    const int row12 = 12 - leftmostFret_;
    const int m = evenRows_ ? rowMiddle(row12) : rowLine(row12) + fretSpacing_ / 2;
    place(manualDoubleSpotTop_, {kDoubleSpotTopX, static_cast<float>(m)});
    place(manualDoubleSpotBottom_, {kDoubleSpotBottomX, static_cast<float>(m)});
    // MIDI's notes move with the board.
    placeMidiGlows(midiSamples(), true);
    placeCapo();
}

GuitarTuning FretboardGuitarView::tuning() const {
    const SongOptions* options = parent() ? parent()->songOptions() : nullptr;
    return options ? options->tuning(currentGuitar()) : GuitarTuning();
}

void FretboardGuitarView::placeCapo() {
    // The capo clamps the strings just behind its fret wire: the far end of
    // its fret's row.
    const int capo = tuning().capo;
    const int row = capo - leftmostFret_;
    const bool shown = capo > 0 && row >= 0 && row < numFretsToShow_;
    capoBar_.setHidden(!shown);
    if (shown)
        capoBar_.setFrame(onScreen(Rect{4, static_cast<float>(rowLine(row + 1)) - 16, 312, 12}));
}

FretboardGuitarView::CapoBar::CapoBar() {
    setUserInteractionEnabled(false);
    setHidden(true);
}

void FretboardGuitarView::CapoBar::draw(Graphics& g) {
    const Rect b = bounds();
    g.fillRoundedRect(b, b.height / 2, Color{30, 30, 34, 240});
    g.fillRect({6, b.height / 2 - 2, b.width - 12, 3}, Color{120, 120, 130, 255});
}

void FretboardGuitarView::redrawStringsForBending() {
    const bool nearNut = leftmostFret_ == lowestLeftmostFret_;
    for (int s = 0; s < kNumStrings; ++s) {
        float dx = 0;
        switch (currentBendPosition_[s]) {
        case 1:
            dx = nearNut ? -1.0f : -2.0f;
            break;
        case 2:
            dx = nearNut ? -1.0f : -3.0f;
            break;
        case 3:
            dx = nearNut ? 1.0f : 2.0f;
            break;
        case 4:
            dx = nearNut ? 1.0f : 3.0f;
            break;
        default:
            break;
        }
        place(stringsDown_[s], {kStringDownX[s] + dx, kStringY});
    }
}

void FretboardGuitarView::liftAllFingerPresses() {
    for (int s = 0; s < kNumStrings; ++s) {
        if (playlistNoForString_[s] != -1 && soundEngine_)
            performer_->release(playlistNoForString_[s]);
        playlistNoForString_[s] = -1;
        darkenString(s);
        fret_[s] = -1;
        // Every row, also those beyond the visible count: the lifts of these
        // fingers will not be seen while the menu shows.
        stringPressedAtFret_[s].fill(false);
    }
    redrawOnFretPresses();
}
