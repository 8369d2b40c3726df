#include "guitars/TabGuitarView.h"

#include <algorithm>
#include <cstdio>

#include "audio/SoundEngine.h"
#include "guitars/Bands.h"
#include "guitars/TabGuitarKeys.h"
#include "performer/Performer.h"
#include "recorder/SongOptions.h"
#include "song/Tab.h"
#include "toolkit/Graphics.h"
#include "toolkit/Knob.h"
#include "ui/ScreenHost.h"

namespace {

constexpr int kTabEditorScreen = 2;
constexpr int kTabLoadSaveScreen = 14;

using Area = TabGuitarView::Area;
using MenuItem = TabGuitarView::MenuItem;

// Disjoint, so their order does not matter.
constexpr HitArea<Area> kTouchAreas[] = {
    {{-1, -1, 53, 46}, Area::Plectrum},  {{42, 394, 247, 87}, Area::Pickup},
    {{105, -1, 126, 56}, Area::TabBack}, {{105, 308, 126, 67}, Area::TabForward},
    {{254, 295, 67, 80}, Area::Hold},    {{-1, 261, 100, 102}, Area::StrumKnob},
    {{265, -1, 56, 124}, Area::Noises},  {{99, 64, 121, 236}, Area::Loop},
};
// Over the Top Menu Bar's items, which the menu tests first.
constexpr HitArea<MenuItem> kMenuItemAreas[] = {
    {{174, 64, 147, 116}, MenuItem::Restart},
    {{174, 180, 147, 116}, MenuItem::Editor},
    {{174, 296, 147, 113}, MenuItem::Library},
};

constexpr Rect areaRect(Area area) {
    for (const HitArea<Area>& a : kTouchAreas)
        if (a.action == area)
            return a.rect;
    return {};
}

// The tab card: rows of Courier 12, high E on top (row s centred on
// x = 118 + 20 s), the cells starting at y = 78, three characters of 7.2
// points each.
constexpr float kRowCentreX0 = 118;
constexpr float kRowSpacing = 20;
constexpr float kCellsTop = 78;
constexpr float kCellLength = 3 * 7.2f;
constexpr float kRowLength = TabGuitarView::kTabDisplayCells * kCellLength;
// The card's paper, drawn behind each digit.
constexpr Color kCardColor{246, 238, 219, 255};

// One cell of a tab row: blank for a string not played, the fret right
// aligned in three characters otherwise.
// The next column's frets: beside each string's light, toward the tab card.
constexpr float kNextFretY = 410;

std::string tabCell(int fret) {
    if (fret == -1)
        return "   ";
    char text[16];
    std::snprintf(text, sizeof text, fret <= 9 ? "  %d" : " %d", fret);
    return text;
}

} // namespace

TabGuitarView::TabGuitarView(ScreenHost* parent, Performer* performer, Tab* tab)
    : GuitarScreenView(parent, performer, "TabGuitarBack.png", false, {150, 240}), tab_(tab),
      acousticNoises_("AcousticNoises.png"), restartTabMenu_("MenuRestartTab.png"),
      enterTabMenu_("MenuEnterTab.png"), loadSaveTabMenu_("MenuLoadSave.png") {
    for (int s = 0; s < kNumStrings; ++s) {
        TabRow& row = tabDisplay_[static_cast<std::size_t>(s)];
        const float cx = kRowCentreX0 + kRowSpacing * static_cast<float>(s);
        // A little longer than ten cells, so that a full row is never cut
        // short with "..." by a rounding of the font's widths.
        const float length = kRowLength + 8;
        const float cy = kCellsTop + length / 2;
        row.setFrame({cx - length / 2, cy - kRowSpacing / 2, length, kRowSpacing});
        row.setRotation(kQuarterTurn);
        row.setFont("Courier", 12);
        row.setTextColor(Color{20, 20, 20, 255});
        row.setTextAlignment(TextAlignment::Left);
        row.setUserInteractionEnabled(false);
        addSubview(&row);
    }

    // A translucent bar over the second cell of every row: the current column.
    // Cells hold their frets right-aligned in three characters: the bar
    // stands one character further on than the cell, centred on a single
    // digit and still covering both digits of a two-digit fret.
    positionMarker_.setFrame({kRowCentreX0 - kRowSpacing / 2, kCellsTop + kCellLength + kCellLength / 3,
                              kRowSpacing * kNumStrings, kCellLength});
    positionMarker_.setBackgroundColor(Color{0, 0, 0, 255});
    positionMarker_.setAlpha(0.15f);
    positionMarker_.setUserInteractionEnabled(false);
    addSubview(&positionMarker_);

    // A blank sheet over the card's staff, under its "TAB" heading: the
    // card's inside runs over view 99 < x < 220 and 64 < y < 300.
    emptyTabLabel_.setBounds({0, 0, 236, 121});
    emptyTabLabel_.setCenter({159.5f, 182});
    emptyTabLabel_.setRotation(kQuarterTurn);
    emptyTabLabel_.setFont("Arial", 13);
    emptyTabLabel_.setTextColor(Color{45, 32, 18, 255});
    emptyTabLabel_.setBackgroundColor(kCardColor);
    emptyTabLabel_.setTextAlignment(TextAlignment::Center);
    emptyTabLabel_.setNumberOfLines(0);
    emptyTabLabel_.setText(kEmptyTabText);
    emptyTabLabel_.setUserInteractionEnabled(false);
    addSubview(&emptyTabLabel_);

    for (int s = 0; s < kNumStrings; ++s) {
        ImageView& led = LEDLit_[static_cast<std::size_t>(s)];
        led.setImageNamed("TabGuitarLEDLit.png");
        led.setBounds({0, 0, 28, 28});
        led.setCenter({75.0f + 37.0f * static_cast<float>(s), 439});
        led.setAlpha(0);
        led.setUserInteractionEnabled(false);
        addSubview(&led);
    }

    for (int s = 0; s < kNumStrings; ++s) {
        Label& next = nextFrets_[static_cast<std::size_t>(s)];
        next.setBounds({0, 0, 22, 16});
        next.setCenter({75.0f + 37.0f * static_cast<float>(s), kNextFretY});
        next.setRotation(kQuarterTurn);
        next.setFont("Arial", 11);
        next.setTextColor(Color{240, 230, 210, 255});
        next.setBackgroundColor(Color{22, 16, 12, 255});
        next.setTextAlignment(TextAlignment::Center);
        next.setUserInteractionEnabled(false);
        addSubview(&next);
    }
    // Under the tab card, clear of the hold button.
    loopLabel_.setBounds({0, 0, 120, 20});
    loopLabel_.setCenter({238, 190});
    loopLabel_.setRotation(kQuarterTurn);
    loopLabel_.setFont("Arial", 13);
    loopLabel_.setTextColor(Color{45, 32, 18, 255});
    loopLabel_.setBackgroundColor(kCardColor);
    loopLabel_.setTextAlignment(TextAlignment::Center);
    loopLabel_.setUserInteractionEnabled(false);
    addSubview(&loopLabel_);

    strumSpeed_ = std::make_unique<Knob>(this, 45, 311, "TabGuitarStrumSpeedDial.png");

    acousticNoises_.setBounds({0, 0, 54, 120});
    acousticNoises_.setCenter({291, 62});
    acousticNoises_.setUserInteractionEnabled(false);
    addSubview(&acousticNoises_);

    // Beside the plectrum, under the title: no control there.
    placeStatusLights({24, 104});
    // Over the buttons as the picture draws them.
    const Rect shadeFrames[kNumButtons] = {
        {108, 3, 120, 49}, {108, 311, 120, 61}, {258, 298, 58, 74}, {270, 4, 45, 55}, {270, 65, 45, 55}};
    for (int b = 0; b < kNumButtons; ++b) {
        shades_[static_cast<std::size_t>(b)].setFrame(shadeFrames[b]);
        addSubview(&shades_[static_cast<std::size_t>(b)]);
    }
    // Below the tab card, beside the play light.
    placeTiltGauge({28, 200});
    addMenuViews();
    // The three Tab Guitar items ride in the Top Menu Bar's container.
    restartTabMenu_.setBounds({0, 0, 92, 108});
    restartTabMenu_.setCenter({223, 122});
    enterTabMenu_.setBounds({0, 0, 92, 108});
    enterTabMenu_.setCenter({223, 238});
    loadSaveTabMenu_.setBounds({0, 0, 92, 108});
    loadSaveTabMenu_.setCenter({223, 352});
    menu_.panel().addSubview(&restartTabMenu_);
    menu_.panel().addSubview(&enterTabMenu_);
    menu_.panel().addSubview(&loadSaveTabMenu_);

    redrawTabDisplay();
    if (soundEngine_)
        strumSpeed_->setValue(performer_->strumSpeed());
    redrawAcousticNoises();
}

TabGuitarView::~TabGuitarView() = default;

void TabGuitarView::TabRow::draw(Graphics& g) {
    const std::string& row = text();
    const float cell = Graphics::measureText("0", font()).width;
    const float height = Graphics::lineHeight(font()) * 0.8f;
    const float top = (bounds().height - height) / 2;
    for (size_t i = 0; i < row.size(); ++i)
        if (row[i] != ' ')
            g.fillRect({cell * static_cast<float>(i) - 1, top, cell + 2, height}, kCardColor);
    Label::draw(g);
}

int TabGuitarView::getStringForCoord(Point p) {
    static constexpr float kStringEnds[] = {93, 130, 167, 204, 242};
    return Bands::below(kStringEnds, p.x);
}

void TabGuitarView::redraw() {
    GuitarScreenView::redraw();
    redrawTabDisplay();
    if (soundEngine_)
        strumSpeed_->setValue(performer_->strumSpeed());
    redrawAcousticNoises();
}

void TabGuitarView::redrawAcousticNoises() {
    const bool acoustic = soundEngine_ && soundEngine_->isAcoustic(currentGuitar());
    acousticNoises_.setAlpha(acoustic ? 1.0f : 0.0f);
}

std::span<const HitArea<Area>> TabGuitarView::touchAreas() {
    return kTouchAreas;
}

std::span<const HitArea<MenuItem>> TabGuitarView::menuItemAreas() {
    return kMenuItemAreas;
}

bool TabGuitarView::onPickup(Point p) {
    return isInsideOpen(areaRect(Area::Pickup), p);
}

bool TabGuitarView::onHoldButton(Point p) {
    return isInsideOpen(areaRect(Area::Hold), p);
}

int TabGuitarView::buttonAt(Point p) {
    switch (hitActionInside(touchAreas(), p).value_or(Area::Plectrum)) {
    case Area::TabBack:
        return kBackButton;
    case Area::TabForward:
        return kNextButton;
    case Area::Hold:
        return kHoldButton;
    case Area::Noises:
        return p.y < 61 ? kFretButton : kTapButton;
    default:
        return -1;
    }
}

void TabGuitarView::redrawPressShades() {
    std::array<bool, kNumButtons> held{};
    for (const auto& [id, button] : buttonOfFinger_)
        held[static_cast<std::size_t>(button)] = true;
    for (int b = 0; b < kNumButtons; ++b)
        shades_[static_cast<std::size_t>(b)].setHidden(!held[static_cast<std::size_t>(b)]);
}

void TabGuitarView::fingerDown(const Touch& touch) {
    const Point p = touch.location;
    if (const int button = buttonAt(p); button >= 0) {
        buttonOfFinger_[touch.id] = button;
        redrawPressShades();
    }
    const std::optional<Area> area = hitActionInside(touchAreas(), p);
    if (!area)
        return;
    switch (*area) {
    case Area::Plectrum:
        openMenu();
        // The lifts of the fingers down now go to the menu and are never
        // seen here: a held hold button or knob would otherwise stay held.
        holdPosition_ = false;
        draggingKnob_ = -1;
        break;
    case Area::Pickup:
        ++numFingersPressingPickup_;
        pressString(getStringForCoord(p));
        break;
    case Area::TabBack:
        moveInTab(&Tab::decrementTabPosition);
        break;
    case Area::TabForward:
        moveInTab(&Tab::incrementTabPosition);
        break;
    case Area::Hold:
        holdPosition_ = true;
        break;
    case Area::StrumKnob:
        draggingKnob_ = 0;
        break;
    case Area::Loop:
        markLoop();
        break;
    case Area::Noises: {
        const int guitar = currentGuitar();
        if (soundEngine_ && soundEngine_->isAcoustic(guitar)) {
            if (p.y < 61)
                performer_->playFretNoise(guitar);
            else
                performer_->playTapNoise(guitar);
        }
        break;
    }
    }
}

void TabGuitarView::fingerUp(const Touch& touch) {
    const Point p = touch.location;
    if (buttonOfFinger_.erase(touch.id) > 0)
        redrawPressShades();
    draggingKnob_ = -1;
    if (onPickup(p)) {
        if (numFingersPressingPickup_ > 0)
            --numFingersPressingPickup_;
        liftString(getStringForCoord(p));
    } else if (onHoldButton(p)) {
        holdPosition_ = false;
        liftAllFingerPresses(numFingersPressingPickup_ == 0);
    }
}

void TabGuitarView::fingerMove(const Touch& touch) {
    const Point p = touch.location;
    const Point oldPoint = touch.previousLocation;
    if (auto it = buttonOfFinger_.find(touch.id); it != buttonOfFinger_.end() && buttonAt(p) != it->second) {
        buttonOfFinger_.erase(it);
        redrawPressShades();
    }
    if (draggingKnob_ == 0) {
        const float value = strumSpeed_->turnKnobFromCoord(oldPoint, p);
        if (soundEngine_)
            performer_->setStrumSpeed(value);
    }
    if (onHoldButton(oldPoint) && !onHoldButton(p)) {
        holdPosition_ = false;
        advanceAfterStrum();
        return;
    }
    if (onPickup(p)) {
        if (onPickup(oldPoint)) {
            const int newString = getStringForCoord(p);
            const int oldString = getStringForCoord(oldPoint);
            if (holdPosition_ && newString != oldString) {
                pressString(newString);
                liftString(oldString);
            }
        } else {
            ++numFingersPressingPickup_;
            pressString(getStringForCoord(p));
        }
    } else if (onPickup(oldPoint)) {
        if (numFingersPressingPickup_ > 0)
            --numFingersPressingPickup_;
        liftString(getStringForCoord(oldPoint));
    }
}

void TabGuitarView::menuItemDown(Point p) {
    const std::optional<MenuItem> item = hitActionInside(menuItemAreas(), p);
    if (!item) {
        GuitarScreenView::menuItemDown(p);
        return;
    }
    switch (*item) {
    case MenuItem::Restart:
        moveInTab(&Tab::moveToStartOfTab);
        break;
    case MenuItem::Editor:
        menu_.leaveFor(kTabEditorScreen);
        break;
    case MenuItem::Library:
        menu_.leaveFor(kTabLoadSaveScreen);
        break;
    }
}

void TabGuitarView::guitarChanged() {
    redrawAcousticNoises();
}

void TabGuitarView::pressString(int string) {
    if (!tab_ || !tab_->notAtEndOfTab() || string < 0 || string >= kNumStrings)
        return;
    const TablatureEntry& column = tab_->tabEntryAtCurrentIndex();
    const int guitar = currentGuitar();
    // A tab's frets count from the capo of the guitar's own tuning.
    const SongOptions* options = parent() ? parent()->songOptions() : nullptr;
    const GuitarTuning tuning = options ? options->tuning(guitar) : GuitarTuning();
    if (holdPosition_) {
        const int fret = column.fret(string);
        const int sample = tuning.sampleForTab(string, fret);
        if (sample < 0)
            return;
        int& voice = playlistNoForString_[static_cast<std::size_t>(string)];
        // A second finger on the same string: the first note is stopped, or
        // nothing would ever stop it (and a recording would keep it open).
        if (voice != -1 && soundEngine_)
            performer_->release(voice);
        voice = performer_ ? performer_->playHumanized(guitar, sample) : -1;
        return;
    }
    int samples[kNumStrings];
    for (int s = 0; s < kNumStrings; ++s) {
        const int fret = column.fret(s);
        samples[s] = tuning.sampleForTab(s, fret);
    }
    if (soundEngine_)
        performer_->strumChord(samples, guitar, false);
}

void TabGuitarView::liftString(int string) {
    if (soundEngine_)
        performer_->stopStrum();
    if (string >= 0 && string < kNumStrings) {
        int& voice = playlistNoForString_[static_cast<std::size_t>(string)];
        if (voice != -1) {
            if (soundEngine_)
                performer_->release(voice);
            voice = -1;
        }
    }
    if (!holdPosition_) {
        advanceAfterStrum();
    }
}

void TabGuitarView::liftAllFingerPresses(bool advance) {
    if (soundEngine_)
        performer_->stopStrum();
    numFingersPressingPickup_ = 0;
    for (int& voice : playlistNoForString_) {
        if (voice != -1) {
            if (soundEngine_)
                performer_->release(voice);
            voice = -1;
        }
    }
    if (advance && !holdPosition_) {
        advanceAfterStrum();
    }
}

void TabGuitarView::liftAllFingerPresses() {
    liftAllFingerPresses(false);
    // The lifts of these fingers go to the menu.
    buttonOfFinger_.clear();
    redrawPressShades();
}

void TabGuitarView::moveInTab(void (Tab::*move)()) {
    if (tab_)
        (tab_->*move)();
    redrawTabDisplay();
}

int TabGuitarView::columnAfter(int index) const {
    return loopLast_ >= 0 && index == loopLast_ ? loopFirst_ : index + 1;
}

void TabGuitarView::advanceAfterStrum() {
    if (tab_ && loopLast_ >= 0 && tab_->currentTabIndex() == loopLast_) {
        tab_->setCurrentTabIndex(loopFirst_);
        redrawTabDisplay();
        return;
    }
    moveInTab(&Tab::incrementTabPosition);
}

void TabGuitarView::markLoop() {
    const int here = tab_ ? tab_->currentTabIndex() : -1;
    if (loopLast_ >= 0 || here < 0 || here >= (tab_ ? tab_->tabSize() : 0)) {
        loopFirst_ = loopLast_ = -1;
    } else if (loopFirst_ < 0) {
        loopFirst_ = here;
    } else {
        loopLast_ = std::max(loopFirst_, here);
        loopFirst_ = std::min(loopFirst_, here);
    }
    redrawPractice();
}

void TabGuitarView::redrawPractice() {
    // A loop left beyond a tab that was shortened is dropped.
    const int size = tab_ ? tab_->tabSize() : 0;
    if (loopFirst_ >= size || loopLast_ >= size)
        loopFirst_ = loopLast_ = -1;
    std::string loop;
    if (loopFirst_ >= 0)
        loop = "Loop " + std::to_string(loopFirst_ + 1) + "\u2013" +
               (loopLast_ >= 0 ? std::to_string(loopLast_ + 1) : std::string("\u2026"));
    loopLabel_.setText(loop);
    loopLabel_.setHidden(loop.empty());
    const int here = tab_ ? tab_->currentTabIndex() : -1;
    const int next = here >= 0 && here < size ? columnAfter(here) : -1;
    for (int s = 0; s < kNumStrings; ++s) {
        const int fret = next >= 0 && next < size ? tab_->tabEntryAtIndex(next).fret(s) : -1;
        Label& label = nextFrets_[static_cast<std::size_t>(s)];
        label.setText(fret == -1 ? std::string() : std::to_string(fret));
        label.setAlpha(fret == -1 ? 0.0f : 0.7f);
    }
}

void TabGuitarView::redrawTabDisplay() {
    const bool empty = !tab_ || tab_->tabSize() == 0;
    for (int s = 0; s < kNumStrings; ++s) {
        std::string row;
        if (!empty) {
            int i = tab_->currentTabIndex() - 1;
            int count = 0;
            // Blank cells before the first column (and for any position left
            // below it), so that the current column stays the second cell.
            while (i < 0 && count < kTabDisplayCells) {
                row += "   ";
                ++count;
                ++i;
            }
            while (i < tab_->tabSize() && count <= 9) {
                row += tabCell(tab_->tabEntryAtIndex(i).fret(s));
                ++count;
                ++i;
            }
        }
        tabDisplay_[static_cast<std::size_t>(s)].setText(row);
    }
    emptyTabLabel_.setAlpha(empty ? 1.0f : 0.0f);
    positionMarker_.setAlpha(empty ? 0.0f : 0.15f);
    redrawLEDs();
    redrawPractice();
}

void TabGuitarView::redrawLEDs() {
    if (!tab_ || tab_->tabSize() == 0) {
        for (ImageView& led : LEDLit_)
            led.setAlpha(0);
        return;
    }
    // Past the last column the lights keep what they showed.
    if (!tab_->notAtEndOfTab())
        return;
    const TablatureEntry& column = tab_->tabEntryAtCurrentIndex();
    for (int s = 0; s < kNumStrings; ++s)
        LEDLit_[static_cast<std::size_t>(s)].setAlpha(column.fret(s) != -1 ? 1.0f : 0.0f);
}

std::optional<Point> TabGuitarView::keyFingerPoint(const KeyEvent& event) const {
    return TabGuitarKeys::pointForKey(event.key);
}
