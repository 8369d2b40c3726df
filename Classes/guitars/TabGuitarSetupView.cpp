#include "guitars/TabGuitarSetupView.h"

#include <algorithm>
#include <string>

#include "audio/SoundEngine.h"
#include "guitars/Bands.h"
#include "performer/Performer.h"
#include "recorder/SongOptions.h"
#include "song/Tab.h"
#include "storage/ChordLibrary.h"
#include "ui/ScreenHost.h"

// What the tab editor does with fingers and sounds.

namespace {

constexpr int kSamplesPerGuitar = 48;

using Button = TabGuitarSetupView::Button;
using Scroll = TabGuitarSetupView::Scroll;

// Disjoint; a finger on one of them also reaches the mode's controls.
constexpr HitArea<Button> kButtonAreas[] = {
    {{-1, -1, 53, 46}, Button::Plectrum}, {{0, 53, 77, 63}, Button::Back},
    {{0, 402, 77, 78}, Button::Forward},  {{248, 0, 72, 101}, Button::Clear},
    {{83, 399, 69, 64}, Button::Insert},  {{83, 37, 69, 68}, Button::Delete},
    {{256, 402, 65, 79}, Button::Listen}, {{0, 116, 75, 286}, Button::TabDisplay},
};
constexpr HitArea<Scroll> kScrollAreas[] = {
    {{157, 48, 88, 59}, Scroll::TowardNut},
    {{157, 400, 88, 80}, Scroll::TowardBody},
};
// The chord panel's key and type halves: a finger leaving one stops the chord.
constexpr Rect kKeyPanel = {91, 108, 219, 118};
constexpr Rect kTypePanel = {91, 226, 219, 181};

constexpr Rect buttonRect(Button button) {
    for (const HitArea<Button>& a : kButtonAreas)
        if (a.action == button)
            return a.rect;
    return {};
}
bool onListen(Point p) {
    return isInsideOpen(buttonRect(Button::Listen), p);
}
bool onTabDisplay(Point p) {
    return isInsideOpen(buttonRect(Button::TabDisplay), p);
}

} // namespace

std::span<const HitArea<Button>> TabGuitarSetupView::buttonAreas() {
    return kButtonAreas;
}

std::span<const HitArea<Scroll>> TabGuitarSetupView::scrollAreas() {
    return kScrollAreas;
}

int TabGuitarSetupView::fretColumnAtY(float y) {
    static constexpr float kColumnEdges[] = {114, 171, 227, 283, 339, 395};
    return Bands::between(kColumnEdges, y);
}

int TabGuitarSetupView::fretStringAtX(float x) {
    static constexpr float kStringEdges[] = {81, 127, 162, 199, 235, 274, 320};
    return Bands::between(kStringEdges, x);
}

int TabGuitarSetupView::tabStringAtX(float x) {
    static constexpr float kStringEdges[] = {88, 124, 160, 199, 237, 276, 320};
    return Bands::between(kStringEdges, x);
}

std::array<int, TabGuitarSetupView::kNumStrings>
TabGuitarSetupView::samplesForFrets(const std::array<int32_t, kNumStrings>& frets,
                                    const GuitarTuning& tuning) {
    std::array<int, kNumStrings> samples{};
    for (std::size_t s = 0; s < kNumStrings; ++s) {
        const int32_t f = frets[s];
        const int sample = tuning.sampleForTab(static_cast<int>(s), static_cast<int>(f));
        // A fret 22 on the high string (allowed in tab files) would name the
        // other guitar's first sample: it stays silent instead.
        samples[s] = sample >= 0 && sample < kSamplesPerGuitar ? sample : -1;
    }
    return samples;
}

void TabGuitarSetupView::fingerDown(const Touch& touch) {
    const Point p = touch.location;
    if (const std::optional<Rect> held = pressRectAt(p)) {
        pressedRects_[touch.id] = *held;
        redrawPressShades();
    }
    const std::optional<Button> button = hitActionInside(buttonAreas(), p);
    if (button && !pressButton(*button))
        return;
    if (menu_.isOpen())
        return; // the plectrum opened the menu: the point is the menu's now
    switch (entryMode_) {
    case kFretMode:
        fretModeDown(p);
        break;
    case kTabMode:
        tabModeDown(p);
        break;
    case kChordMode:
        chordModeDown(p);
        break;
    default:
        break;
    }
}

bool TabGuitarSetupView::pressButton(Button button) {
    switch (button) {
    case Button::Plectrum:
        liftAllFingerPresses();
        // The menu takes the fingers now, lifts included.
        pressedRects_.clear();
        redrawPressShades();
        menu_.open(true);
        break;
    case Button::Back:
        if (tab_) {
            // A position left out of range elsewhere comes back into the tab.
            const int32_t back = std::max(tab_->currentTabIndex() - 1, 0);
            tab_->setCurrentTabIndex(std::min(back, tab_->tabSize()));
        }
        redrawTabDisplay();
        break;
    case Button::Forward:
        if (tab_) {
            const int32_t forward = std::min(tab_->currentTabIndex() + 1, tab_->tabSize());
            tab_->setCurrentTabIndex(std::max(forward, 0));
        }
        redrawTabDisplay();
        break;
    case Button::Clear:
        clearFrets();
        chordKeyIndex_ = 0;
        chordTypeIndex_ = 0;
        if (entryMode_ == kChordMode)
            resetChord();
        redraw();
        break;
    case Button::Insert:
        // Nothing to insert: the finger does nothing else either.
        if (std::all_of(fret_.begin(), fret_.end(), [](int32_t f) { return f == -1; }))
            return false;
        if (tab_) {
            // The insertion point lies on a column or just past the last one.
            const int32_t at = std::clamp(tab_->currentTabIndex(), 0, tab_->tabSize());
            tab_->addNotesToTab(at, fret_.data());
            tab_->setCurrentTabIndex(at + 1);
        }
        redraw();
        break;
    case Button::Delete:
        if (tab_)
            tab_->deleteNotesFromTabAt(tab_->currentTabIndex());
        redraw();
        break;
    case Button::Listen:
        playCurrentEditorChord(false);
        break;
    case Button::TabDisplay:
        playTabPosition();
        break;
    }
    return true;
}

bool TabGuitarSetupView::fretModeDown(Point p) {
    const std::optional<Scroll> scroll = hitActionInside(scrollAreas(), p);
    if (scroll == Scroll::TowardNut) {
        leftmostFret_ = std::max(leftmostFret_ - 1, 0);
        redraw();
        return true;
    }
    if (scroll == Scroll::TowardBody) {
        leftmostFret_ = std::min(leftmostFret_ + 1, kHighestLeftmostFret);
        redraw();
        return true;
    }
    const int column = fretColumnAtY(p.y);
    const int string = fretStringAtX(p.x);
    if (column < 0 || string < 0)
        return false;
    const int32_t f = leftmostFret_ + column;
    int32_t& current = fret_[static_cast<std::size_t>(string)];
    current = current == f ? -1 : f;
    std::array<int32_t, kNumStrings> alone{-1, -1, -1, -1, -1, -1};
    alone[static_cast<std::size_t>(string)] = f;
    strum(alone);
    redraw();
    return true;
}

void TabGuitarSetupView::tabModeDown(Point p) {
    const int string = tabStringAtX(p.x);
    if (string < 0)
        return;
    int32_t& current = fret_[static_cast<std::size_t>(string)];
    if (p.y > 159 && p.y < 223) {
        current = std::max(current - 1, -1);
        redraw();
    } else if (p.y > 223 && p.y < 360) {
        current = std::min(current + 1, kHighestFret);
        redraw();
    }
}

void TabGuitarSetupView::chordModeDown(Point p) {
    const int key = ChordLibrary::keyAtPoint(p.x, p.y);
    if (key >= 0) {
        changeChordToKey(key, chordTypeIndex_);
        return;
    }
    const int type = ChordLibrary::typeAtPoint(p.x, p.y);
    if (type >= 0)
        changeChordToKey(chordKeyIndex_, type);
}

std::optional<Rect> TabGuitarSetupView::pressRectAt(Point p) const {
    if (const std::optional<Button> button = hitActionInside(buttonAreas(), p)) {
        if (*button == Button::TabDisplay)
            return positionMarker_.frame(); // the column it plays
        if (*button != Button::Plectrum)
            return buttonRect(*button);
    }
    if (entryMode_ == kFretMode) {
        for (const HitArea<Scroll>& a : kScrollAreas)
            if (isInsideOpen(a.rect, p))
                return a.rect;
    } else if (const int string = tabStringAtX(p.x); entryMode_ == kTabMode && string >= 0) {
        const auto s = static_cast<std::size_t>(string);
        if (p.y > 159 && p.y < 223)
            return stepDownButtons_[s].frame();
        if (p.y > 223 && p.y < 360)
            return stepUpButtons_[s].frame();
    } else if (entryMode_ == kChordMode) {
        if (const int key = ChordLibrary::keyAtPoint(p.x, p.y); key >= 0)
            return chordKeyLabel_[static_cast<std::size_t>(key)].frame();
        if (const int type = ChordLibrary::typeAtPoint(p.x, p.y); type >= 0)
            return chordTypeLabel_[static_cast<std::size_t>(type)].frame();
    }
    return std::nullopt;
}

void TabGuitarSetupView::redrawPressShades() {
    // Two fingers on one control darken it once.
    std::size_t shown = 0;
    for (const auto& [id, rect] : pressedRects_) {
        const auto same = [&rect = rect](const PressShade& s) {
            const Rect f = s.frame();
            return f.x == rect.x && f.y == rect.y && f.width == rect.width && f.height == rect.height;
        };
        if (shown < shades_.size() && std::none_of(shades_.begin(), shades_.begin() + shown, same))
            shades_[shown++].setFrame(rect);
    }
    for (std::size_t i = 0; i < shades_.size(); ++i)
        shades_[i].setHidden(i >= shown);
}

void TabGuitarSetupView::fingerMove(const Touch& touch) {
    const Point p = touch.location;
    const Point oldPoint = touch.previousLocation;
    if (auto it = pressedRects_.find(touch.id); it != pressedRects_.end() && !isInsideOpen(it->second, p)) {
        pressedRects_.erase(it);
        redrawPressShades();
    }
    if (onListen(oldPoint) && !onListen(p))
        liftUpNotes();
    if (entryMode_ == kChordMode) {
        if ((isInsideOpen(kKeyPanel, oldPoint) && !isInsideOpen(kKeyPanel, p)) ||
            (isInsideOpen(kTypePanel, oldPoint) && !isInsideOpen(kTypePanel, p)))
            liftUpNotes();
    }
}

void TabGuitarSetupView::fingerUp(const Touch& touch) {
    if (pressedRects_.erase(touch.id) > 0)
        redrawPressShades();
    if (onTabDisplay(touch.location) && tab_) {
        tab_->incrementTabPosition();
        redrawTabDisplay();
    }
    if (performer_)
        performer_->stopStrum();
}

void TabGuitarSetupView::menuItemDown(Point p) {
    if (p.x <= 113)
        return;
    if (p.y < 123) {
        menu_.leaveFor(ScreenHost::kTabGuitarLoadSave);
    } else if (p.y < 241) {
        entryMode_ = entryMode_ >= kChordMode ? kFretMode : entryMode_ + 1;
        if (entryMode_ == kChordMode) {
            chordKeyIndex_ = 0;
            chordTypeIndex_ = 0;
            resetChord();
        }
        redraw();
    } else if (p.y < 361) {
        eraseBox_.show();
        redrawUIForMode();
    } else {
        menu_.leaveFor(ScreenHost::kTabGuitar);
    }
}

void TabGuitarSetupView::answerEraseBox(bool erase) {
    if (erase) {
        if (tab_)
            tab_->clearTab();
        redrawTabDisplay();
    }
    eraseBox_.hide();
    redrawUIForMode();
}

int TabGuitarSetupView::currentGuitar() const {
    return parent_ ? parent_->currentGuitar() : 0;
}

GuitarTuning TabGuitarSetupView::tuning() const {
    const SongOptions* options = parent_ ? parent_->songOptions() : nullptr;
    return options ? options->tuning(currentGuitar()) : GuitarTuning();
}

void TabGuitarSetupView::goToScreen(int screenNo) {
    if (parent_)
        parent_->transitionToView(screenNo, this, true);
}

void TabGuitarSetupView::strum(const std::array<int32_t, kNumStrings>& frets) {
    if (!performer_)
        return;
    const std::array<int, kNumStrings> samples = samplesForFrets(frets, tuning());
    performer_->strumChord(samples.data(), currentGuitar(), false);
}

void TabGuitarSetupView::clearFrets() {
    fret_.fill(-1);
}

void TabGuitarSetupView::playTabPosition() {
    if (!tab_ || tab_->tabSize() == 0 || !tab_->notAtEndOfTab())
        return;
    strum(tab_->tabEntryAtCurrentIndex().frets());
}

void TabGuitarSetupView::playCurrentEditorChord(bool muteWhenStrumOver) {
    if (!performer_)
        return;
    const std::array<int, kNumStrings> samples = samplesForFrets(fret_, tuning());
    performer_->strumChord(samples.data(), currentGuitar(), muteWhenStrumOver);
}

void TabGuitarSetupView::loadChordShape() {
    // Moved to sound the same notes in the guitar's tuning; a shape that
    // cannot be has what can be played, and its type is marked with "*".
    const ChordLibrary::TunedShape shape = ChordLibrary::shapeFor(chordKeyIndex_, chordTypeIndex_, tuning());
    std::copy(shape.frets.begin(), shape.frets.end(), fret_.begin());
    for (int t = 0; t < ChordLibrary::kNumTypes; ++t)
        chordTypeLabel_[static_cast<std::size_t>(t)].setText(
            std::string(ChordLibrary::typeName(t)) + (t == chordTypeIndex_ && !shape.complete ? "*" : ""));
}

void TabGuitarSetupView::changeChordToKey(int key, int type) {
    if (key < 0 || key >= ChordLibrary::kNumKeys || type < 0 || type >= ChordLibrary::kNumTypes)
        return;
    if (key == chordKeyIndex_ && type == chordTypeIndex_) {
        playCurrentEditorChord(false);
        return;
    }
    setChordLabelLook(chordKeyLabel_[static_cast<std::size_t>(chordKeyIndex_)], false);
    setChordLabelLook(chordTypeLabel_[static_cast<std::size_t>(chordTypeIndex_)], false);
    chordKeyIndex_ = key;
    chordTypeIndex_ = type;
    loadChordShape();
    setChordLabelLook(chordKeyLabel_[static_cast<std::size_t>(chordKeyIndex_)], true);
    setChordLabelLook(chordTypeLabel_[static_cast<std::size_t>(chordTypeIndex_)], true);
    playCurrentEditorChord(false);
}

void TabGuitarSetupView::resetChord() {
    chordKeyIndex_ = std::clamp(chordKeyIndex_, 0, ChordLibrary::kNumKeys - 1);
    chordTypeIndex_ = std::clamp(chordTypeIndex_, 0, ChordLibrary::kNumTypes - 1);
    loadChordShape();
    for (Label& label : chordKeyLabel_)
        setChordLabelLook(label, false);
    for (Label& label : chordTypeLabel_)
        setChordLabelLook(label, false);
    setChordLabelLook(chordKeyLabel_[static_cast<std::size_t>(chordKeyIndex_)], true);
    setChordLabelLook(chordTypeLabel_[static_cast<std::size_t>(chordTypeIndex_)], true);
}

void TabGuitarSetupView::liftAllFingerPresses() {
    if (performer_)
        performer_->stopStrum();
}

void TabGuitarSetupView::liftUpNotes() {
    if (performer_)
        performer_->stopStrum();
}

void TabGuitarSetupView::willAppear(int, int) {
    pressedRects_.clear();
    redrawPressShades();
    // The tuning may have changed on another screen: the chord follows it.
    if (entryMode_ == kChordMode)
        loadChordShape();
    redraw();
}
