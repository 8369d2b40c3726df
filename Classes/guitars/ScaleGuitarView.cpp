#include "guitars/ScaleGuitarView.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "audio/SoundEngine.h"
#include "guitars/Bands.h"
#include "performer/Performer.h"
#include "toolkit/Graphics.h"

const std::array<ScaleGuitarView::ScaleData, ScaleGuitarView::kNumScales> ScaleGuitarView::SCALE_DATA = {{
    {"321132", "1 - Blues"},
    {"2212221", "2 - Major (Ionian)"},
    {"2122131", "3 - Harmonic Minor"},
    {"2122221", "4 - Melodic Minor (asc)"},
    {"2122212", "5 - Dorian"},
    {"1222122", "6 - Phrygian"},
    {"2221221", "7 - Lydian"},
    {"2212212", "8 - Mixolydian"},
    {"2122122", "9 - Aeolian"},
    {"1221222", "10 - Locrian"},
    {"111111111111", "11 - Chromatic"},
    {"22323", "12 - Pentatonic Major"},
    {"32232", "13 - Pentatonic Minor"},
    {"23232", "14 - Pentatonic Neutral"},
    {"21211131", "15 - Algerian"},
    {"21212121", "16 - Arabian A"},
    {"2211222", "17 - Arabian B"},
    {"312231", "18 - Augmented"},
    {"1312131", "19 - Byzanthine"},
    {"42141", "20 - Chinese"},
    {"22323", "21 - Chinese Mongolian"},
    {"23232", "22 - Egyptian"},
    {"12111222", "23 - Eight Tone Spanish"},
    {"2212122", "24 - Hindu"},
    {"3121212", "25 - Hungarian Major"},
    {"2131131", "26 - Hungarian Gypsy"},
    {"1312131", "27 - Hungarian Persian"},
    {"2131131", "28 - Hungarian Minor"},
    {"14214", "29 - Japanese A"},
    {"23214", "30 - Japanese B"},
    {"1311231", "31 - Persian"},
    {"1312122", "32 - Spanish Gypsy"},
}};

const std::array<const char*, ScaleGuitarView::kNumKeys> ScaleGuitarView::KEYNAMES = {
    "Key: C",  "Key: C#", "Key: D",  "Key: D#", "Key: E",  "Key: F",
    "Key: F#", "Key: G",  "Key: G#", "Key: A",  "Key: A#", "Key: B",
};

const std::array<const char*, 12> ScaleGuitarView::INTERVALS = {
    "1  ", "b2  ", "2  ", "b3  ", "3  ", "4  ", "b5  ", "5  ", "b6  ", "6  ", "b7  ", "7  ",
};

const std::array<const char*, 48> ScaleGuitarView::NOTENAMES = {
    "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B", "C", "C#", //
    "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B", "C", "C#", //
    "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B", "C", "C#", //
    "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B", "C", "C#", //
};

namespace {

// A label turned a quarter turn, centred on `centre` of the portrait view,
// `width` x `height` as the user reads it.
void setUpLabel(Label& label, Point centre, float width, float height, float fontSize) {
    label.setFrame({centre.x - width / 2, centre.y - height / 2, width, height});
    label.setRotation(kQuarterTurn);
    label.setFont("Arial", fontSize);
    label.setTextColor(Color{40, 26, 8, 255});
    label.setTextAlignment(TextAlignment::Center);
}

// The play strip, and the small keyboard's keys as drawn (view y ranges; the
// white keys' lettered ends lie at x < 100, the black keys beyond).
constexpr Rect kStripFrame = {138, 0, 58, 480};
constexpr float kWhiteKeyEdges[] = {194, 238, 278, 318, 358, 398, 438, 478};
constexpr int kWhiteKeyOf[12] = {0, -1, 1, -1, 2, 3, -1, 4, -1, 5, -1, 6};
constexpr float kBlackKeyStart[12] = {0, 220, 0, 263, 0, 0, 341, 0, 382, 0, 424, 0};
constexpr float kBlackKeyLength = 30;

Rect keyRect(int key) {
    if (kWhiteKeyOf[key] >= 0) {
        const int w = kWhiteKeyOf[key];
        return {65, kWhiteKeyEdges[w] + 2, 34, kWhiteKeyEdges[w + 1] - kWhiteKeyEdges[w] - 4};
    }
    return {102, kBlackKeyStart[key], 32, kBlackKeyLength};
}

// The scale window's name line: the largest size up to this that fits.
constexpr float kScaleNameFontSize = 13;
constexpr float kSmallestScaleNameFontSize = 9;

} // namespace

ScaleGuitarView::ScaleGuitarView(ScreenHost* parent, Performer* performer)
    : GuitarScreenView(parent, performer, "ScaleGuitarBack.png", false, {60, 240}) {
    // On the wood under the keyboard, beside the plectrum.
    placeStatusLights({38, 104});
    // Label windows of the background picture: the note to the user's left,
    // the scale name with its intervals beneath between the arrows, the key
    // by the keyboard.
    setUpLabel(currentNoteLabel_, {235, 144}, 168, 50, 22);
    // The name stands under the window's "SCALE" caption (view x 253 to
    // 260), the intervals beneath it.
    setUpLabel(scaleNameLabel_, {242, 354}, 146, 20, kScaleNameFontSize);
    setUpLabel(scaleIntervalLabel_, {220, 354}, 146, 24, 10);
    scaleIntervalLabel_.setNumberOfLines(0);
    setUpLabel(currentKeyLabel_, {98.5f, 121.5f}, 125, 55, 18);
    addSubview(&currentNoteLabel_);
    addSubview(&scaleNameLabel_);
    addSubview(&scaleIntervalLabel_);
    addSubview(&currentKeyLabel_);
    strip_.setFrame(kStripFrame);
    addSubview(&strip_);
    endFlash_.setFrame({kStripFrame.x, 440, kStripFrame.width, 40});
    endFlash_.setBackgroundColor(Color{255, 90, 40, 255});
    endFlash_.setUserInteractionEnabled(false);
    endFlash_.setAlpha(0);
    addSubview(&endFlash_);
    keyLight_.setBackgroundColor(Color{236, 170, 40, 150});
    keyLight_.setUserInteractionEnabled(false);
    addSubview(&keyLight_);
    // On the wood below the keyboard.
    placeTiltGauge({40, 390});
    addMenuViews();

    calculateScale();
    redrawOnKeyChange();
}

ScaleGuitarView::~ScaleGuitarView() = default;

int ScaleGuitarView::getKeyForCoord(Point p) {
    // The black keys stand in two groups, with no key between them.
    static constexpr float kLowBlackEdges[] = {214, 257, 300};
    static constexpr int kLowBlackKeys[] = {1, 3};
    static constexpr float kHighBlackEdges[] = {335, 377, 417, 461};
    static constexpr int kHighBlackKeys[] = {6, 8, 10};
    static constexpr float kWhiteEnds[] = {238, 278, 318, 358, 398, 438};
    static constexpr int kWhiteKeys[] = {0, 2, 4, 5, 7, 9, 11};
    if (p.x > 100) {
        if (const int low = Bands::between(kLowBlackEdges, p.y); low >= 0)
            return kLowBlackKeys[low];
        const int high = Bands::between(kHighBlackEdges, p.y);
        return high >= 0 ? kHighBlackKeys[high] : -1;
    }
    return kWhiteKeys[Bands::below(kWhiteEnds, p.y)];
}

int ScaleGuitarView::getScalePress(Point p) const {
    const int index = bandAt(p);
    return index < 0 ? -1 : scaleNoteOffset_[index];
}

int ScaleGuitarView::bandAt(Point p) const {
    if (scaleNumNotes_ <= 0)
        return -1;
    // Whole percent of the screen's length, then the band.
    double percent = static_cast<double>(static_cast<float>(p.y) * 100.0f / 480.0f);
    if (percent < 0)
        percent = 0;
    const int pc = static_cast<int>(percent);
    int index = static_cast<int>(static_cast<double>(scaleNumNotes_) * pc / 100.0);
    // A y of 480 or more counts as the last note.
    if (index >= scaleNumNotes_)
        index = scaleNumNotes_ - 1;
    return index;
}

ScaleGuitarView::StripLook::StripLook() {
    setUserInteractionEnabled(false);
}

void ScaleGuitarView::StripLook::setBands(int count, int notesPerOctave) {
    redrawIfChanged(bands_, count);
    redrawIfChanged(perOctave_, std::max(notesPerOctave, 1));
}

void ScaleGuitarView::StripLook::setFinger(int band, float y) {
    redrawIfChanged(litBand_, band);
    redrawIfChanged(fingerY_, y);
}

float ScaleGuitarView::StripLook::bandStart(int band) const {
    if (bands_ <= 0)
        return 0;
    // The first whole percent of the screen's length that falls in the band.
    const int percent = (band * 100 + bands_ - 1) / bands_;
    return std::min(static_cast<float>(percent) * 4.8f, 480.0f);
}

void ScaleGuitarView::StripLook::draw(Graphics& g) {
    const float w = bounds().width;
    if (litBand_ >= 0 && litBand_ < bands_) {
        const float y0 = bandStart(litBand_), y1 = bandStart(litBand_ + 1);
        g.fillRect({0, y0, w, y1 - y0}, Color{255, 226, 130, 120});
    }
    for (int i = 1; i < bands_; ++i) {
        const float y = bandStart(i);
        if (i % perOctave_ == 0)
            g.drawLine({2, y}, {w - 2, y}, Color{255, 246, 220, 210}, 2.5f);
        else
            g.drawLine({6, y}, {w - 6, y}, Color{50, 24, 8, 150}, 1);
    }
    if (fingerY_ >= 0) {
        g.fillCircle({w / 2, fingerY_}, 13, Color{20, 14, 10, 150});
        g.fillCircle({w / 2, fingerY_}, 10, Color{236, 190, 92, 240});
        g.strokeCircle({w / 2, fingerY_}, 10, Color{255, 250, 230, 255}, 2);
    }
}

void ScaleGuitarView::showFinger(Point p) {
    strip_.setFinger(bandAt(p), std::clamp(static_cast<float>(p.y), 0.0f, 480.0f));
}

void ScaleGuitarView::hideFinger() {
    // What MIDI holds shows again once the finger has gone.
    strip_.setFinger(midiBand(), -1);
}

int ScaleGuitarView::midiBand() const {
    // The highest held note of the scale: a melody's.
    for (int band = scaleNumNotes_ - 1; band >= 0; --band)
        if (const int sample = scaleNoteOffset_[band];
            sample >= 0 && sample < 64 && (midiSamples() >> sample & 1))
            return band;
    return -1;
}

void ScaleGuitarView::lightMidiSamples(uint64_t) {
    if (currentPlayingSampleNo_ == -1)
        hideFinger();
}

bool ScaleGuitarView::keyDown(const KeyEvent& event) {
    if (GuitarScreenView::keyDown(event))
        return true;
    if (event.repeat || event.ctrl || event.alt || menuShowing() || !isShownAndTakingTouches())
        return false;
    const int band = KeyFingers::scaleBand(event.key);
    if (band < 0 || band < scaleNumNotes_)
        return false;
    // The scale has no note that high: the strip's end says so.
    endFlash_.setAlpha(1);
    View::beginAnimations("strip end");
    View::setAnimationDuration(kEndFlashSeconds);
    endFlash_.setAlpha(0);
    View::commitAnimations();
    return true;
}

void ScaleGuitarView::calculateScale() {
    const char* digits = SCALE_DATA[currentScale_].intervals;
    const int length = static_cast<int>(std::strlen(digits));

    std::string intervals = INTERVALS[0];
    int c = 0;
    for (int i = 0; i < length - 1; ++i) {
        c += digits[i] - '0';
        intervals += INTERVALS[c % 12];
    }
    scaleIntervalLabel_.setText(intervals);
    scaleNameLabel_.setText(SCALE_DATA[currentScale_].name);
    // Long names get a smaller size rather than running out of the window.
    float size = kScaleNameFontSize;
    while (size > kSmallestScaleNameFontSize &&
           Graphics::measureText(SCALE_DATA[currentScale_].name, Font{"Arial", size, false}).width >
               scaleNameLabel_.bounds().width)
        size -= 0.5f;
    scaleNameLabel_.setFont("Arial", size);

    int r = currentKey_ - 2;
    if (r <= 1)
        r = currentKey_ + 10;
    int j = 0;
    scaleNumNotes_ = 0;
    while (r <= kHighestSample && scaleNumNotes_ < kMaxScaleNotes) {
        scaleNoteOffset_[scaleNumNotes_++] = r;
        r += digits[j] - '0';
        if (++j == length)
            j = 0;
    }
    strip_.setBands(scaleNumNotes_, length);
    if (currentPlayingSampleNo_ == -1)
        hideFinger();
}

void ScaleGuitarView::setCurrentKey(int key) {
    if (key < 0 || key >= kNumKeys || key == currentKey_)
        return;
    currentKey_ = key;
    calculateScale();
    redrawOnKeyChange();
}

void ScaleGuitarView::setCurrentScale(int scale) {
    currentScale_ = ((scale % kNumScales) + kNumScales) % kNumScales;
    calculateScale();
}

void ScaleGuitarView::redrawOnKeyChange() {
    currentKeyLabel_.setText(KEYNAMES[currentKey_]);
    keyLight_.setFrame(keyRect(currentKey_));
}

void ScaleGuitarView::redraw() {
    GuitarScreenView::redraw();
    redrawOnKeyChange();
}

void ScaleGuitarView::stopCurrentNote() {
    if (currentPlayingPlaylistNo_ != -1 && soundEngine_)
        performer_->release(currentPlayingPlaylistNo_);
    currentPlayingPlaylistNo_ = -1;
}

void ScaleGuitarView::playStripNote(int sampleNo) {
    stopCurrentNote();
    if (sampleNo < 0)
        return;
    if (soundEngine_)
        currentPlayingPlaylistNo_ = performer_->play(currentGuitar(), sampleNo);
    currentPlayingSampleNo_ = sampleNo;
    currentNoteLabel_.setText(NOTENAMES[sampleNo]);
}

void ScaleGuitarView::selectKeyAt(Point p) {
    const int key = getKeyForCoord(p);
    if (key == -1 || key == currentKey_)
        return;
    setCurrentKey(key);
}

void ScaleGuitarView::fingerDown(const Touch& touch) {
    const Point p = touch.location;
    if (p.x < 52 && p.y < 45) {
        openMenu();
    } else if (inKeySelector(p)) {
        selectKeyAt(p);
    } else if (inPlayStrip(p)) {
        playStripNote(getScalePress(p));
        showFinger(p);
    } else if (p.x > 207 && p.x < 263 && p.y > 238 && p.y < 274) {
        setCurrentScale(currentScale_ - 1);
    } else if (p.x > 207 && p.x < 263 && p.y > 433) {
        setCurrentScale(currentScale_ + 1);
    }
}

void ScaleGuitarView::fingerMove(const Touch& touch) {
    const Point n = touch.location;
    const Point p = touch.previousLocation;
    if (inPlayStrip(p) && !inPlayStrip(n)) {
        stopCurrentNote();
        currentPlayingSampleNo_ = -1;
        currentNoteLabel_.setText("");
        hideFinger();
    }
    if (inKeySelector(n)) {
        selectKeyAt(n);
        return;
    }
    if (inPlayStrip(n)) {
        showFinger(n);
        const int s = getScalePress(n);
        if (s != currentPlayingSampleNo_)
            playStripNote(s);
    }
}

void ScaleGuitarView::fingerUp(const Touch& touch) {
    const Point p = touch.location;
    if (!inPlayStrip(p))
        return;
    stopCurrentNote();
    currentPlayingSampleNo_ = -1;
    currentNoteLabel_.setText("");
    hideFinger();
}

void ScaleGuitarView::liftAllFingerPresses() {
    stopCurrentNote();
    currentPlayingSampleNo_ = -1;
    hideFinger();
}

std::optional<Point> ScaleGuitarView::keyFingerPoint(const KeyEvent& event) const {
    return KeyFingers::scalePoint(event.key, scaleNumNotes_);
}
