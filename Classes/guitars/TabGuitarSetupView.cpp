#include "guitars/TabGuitarSetupView.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "audio/SoundEngine.h"
#include "platform/Graphics.h"
#include "platform/MessageBoxKeys.h"
#include "storage/ChordLibrary.h"
#include "storage/Tab.h"
#include "ui/ScreenHost.h"

namespace {

constexpr float kHalfTurn = 2 * kQuarterTurn;
constexpr float kVeilAlpha = 0.8f;
constexpr double kMenuSlideSeconds = 0.2;
// The menu panel slides 150 points in from beyond the far edge.
constexpr Point kMenuPanelShown = {160, 240};
constexpr Point kMenuPanelHidden = {310, 240};
constexpr float kMenuItemX = 222;
constexpr int kSamplesPerGuitar = 48;

// Where things lie on the view.
constexpr float kFirstFretColumnY = 143;
constexpr float kFretColumnSpacing = 56;
constexpr float kFirstStringX = 110;
constexpr float kStringSpacing = 36;
constexpr float kCellHeightGuess = 21.6f; // three Courier characters at 12 points
constexpr float kTabDisplayTop = 118;
constexpr float kChordBandCentreX[6] = {108.5f, 144.5f, 182, 219.5f, 256, 292};
constexpr float kChordKeyRowY[2] = {139, 197};
constexpr float kChordTypeRowY[3] = {258, 316, 374};
constexpr float kTabStringCentreX[6] = {106, 142, 179.5f, 218, 256.5f, 298};
constexpr const char* kTabStringNames[6] = {"E", "A", "D", "G", "B", "E"};

// Light text on the dark chord panel; the chosen key and type are lit in
// gold with dark text, so that they stand out at a glance.
const Color kChordPlainText = {236, 226, 204, 255};
const Color kChordSelectedBack = {226, 184, 92, 255};
const Color kChordSelectedText = {28, 22, 14, 255};
// The six lines of the tab paper in the background picture, string 0 (low E)
// nearest x = 0: each row of digits is centred on its line.
constexpr float kTabLineX0 = 10.5f;
constexpr float kTabLineSpacing = 11.5f;

// The height of one three-character cell of the tab display as the font
// draws it, so that the position marker covers the seventh cell exactly.
float tabCellHeight() {
    const float width = Graphics::measureText("000000000000", Font{"Courier", 12, false}).width;
    return width > 0 ? width / 4 : kCellHeightGuess;
}

bool onListen(Point p) {
    return p.x > 256 && p.y > 402;
}
bool onTabDisplay(Point p) {
    return p.x > 0 && p.x < 75 && p.y > 116 && p.y < 402;
}
bool onKeyPanel(Point p) {
    return p.x > 91 && p.x < 310 && p.y > 108 && p.y < 226;
}
bool onTypePanel(Point p) {
    return p.x > 91 && p.x < 310 && p.y > 226 && p.y < 407;
}

std::string number(int value) {
    return std::to_string(value);
}

// A quarter-turned label centred at c whose text runs along y.
void placeTurnedLabel(Label& label, Point c, float length, float height, const char* font, float size) {
    label.setBounds({0, 0, length, height});
    label.setCenter(c);
    label.setRotation(kQuarterTurn);
    label.setFont(font, size);
    label.setUserInteractionEnabled(false);
}

void placeImage(ImageView& view, const char* name, Point centre, Size size, float rotation = 0) {
    view.setImageNamed(name);
    view.setBounds({0, 0, size.width, size.height});
    view.setCenter(centre);
    view.setRotation(rotation);
    view.setUserInteractionEnabled(false);
}

void makeContainer(View& view) {
    view.setFrame({0, 0, 320, 480});
    view.setUserInteractionEnabled(false);
}

} // namespace

// --- Pure functions ---------------------------------------------------------

int TabGuitarSetupView::fretColumnAtY(float y) {
    if (y > 114 && y < 171)
        return 0;
    if (y > 171 && y < 227)
        return 1;
    if (y > 227 && y < 283)
        return 2;
    if (y > 283 && y < 339)
        return 3;
    if (y > 339 && y < 395)
        return 4;
    return -1;
}

int TabGuitarSetupView::fretStringAtX(float x) {
    if (x > 81 && x < 127)
        return 0;
    if (x > 127 && x < 162)
        return 1;
    if (x > 162 && x < 199)
        return 2;
    if (x > 199 && x < 235)
        return 3;
    if (x > 235 && x < 274)
        return 4;
    if (x > 274 && x < 320)
        return 5;
    return -1;
}

int TabGuitarSetupView::tabStringAtX(float x) {
    if (x > 88 && x < 124)
        return 0;
    if (x > 124 && x < 160)
        return 1;
    if (x > 160 && x < 199)
        return 2;
    if (x > 199 && x < 237)
        return 3;
    if (x > 237 && x < 276)
        return 4;
    if (x > 276 && x < 320)
        return 5;
    return -1;
}

int TabGuitarSetupView::topMenuScreenForY(float y) {
    if (y < 60)
        return ScreenHost::kMainMenu;
    if (y < 154)
        return ScreenHost::kChooseGuitar;
    if (y < 240)
        return ScreenHost::kEffectsSetupMenu;
    if (y < 328)
        return ScreenHost::kGuitarPatchMenu;
    if (y < 419)
        return ScreenHost::kRecorder;
    return ScreenHost::kManual;
}

std::array<int, TabGuitarSetupView::kNumStrings>
TabGuitarSetupView::samplesForFrets(const std::array<int32_t, kNumStrings>& frets) {
    std::array<int, kNumStrings> samples{};
    for (std::size_t s = 0; s < kNumStrings; ++s) {
        const int32_t f = frets[s];
        const int sample = f < 0 ? -1 : static_cast<int>(f) + kStandardTuningOffsets[s];
        // A fret 22 on the high string (allowed in tab files) would name the
        // other guitar's first sample: it stays silent instead.
        samples[s] = sample >= 0 && sample < kSamplesPerGuitar ? sample : -1;
    }
    return samples;
}

std::string TabGuitarSetupView::tabDisplayRow(const Tab& tab, int string) {
    std::string row;
    if (tab.tabSize() == 0)
        return row; // an empty tab shows empty rows
    int count = 0;
    int i = tab.currentTabIndex() - kCellsBeforePosition;
    // Cells before the first column are blank; a position far below 0 still
    // draws only the twelve cells there is room for.
    while (i < 0 && count < kTabDisplayCells) {
        row += "   ";
        ++count;
        ++i;
    }
    while (i < tab.tabSize() && count < kTabDisplayCells) {
        const int32_t f = tab.tabEntryAtIndex(i).fret(string);
        char cell[16];
        if (f == -1)
            std::snprintf(cell, sizeof cell, "   ");
        else if (f <= 9)
            std::snprintf(cell, sizeof cell, "  %d", static_cast<int>(f));
        else
            std::snprintf(cell, sizeof cell, " %d", static_cast<int>(f));
        row += cell;
        ++count;
        ++i;
    }
    return row;
}

// --- Construction -------------------------------------------------------------

TabGuitarSetupView::TabGuitarSetupView(ScreenHost* parent, SoundEngine* engine, Tab* tab)
    : ImageView("TabGuitarSetupBack.png"), parent_(parent), soundEngine_(engine), tab_(tab) {
    setFrame(parent_ ? parent_->frame() : Rect{0, 0, 320, 480});
    setUserInteractionEnabled(true);
    setMultipleTouchEnabled(true);

    // Tab display: one row per string, string 0 nearest x = 0.
    const float cellHeight = tabCellHeight();
    for (int s = 0; s < kNumStrings; ++s) {
        Label& row = tabDisplay_[static_cast<std::size_t>(s)];
        placeTurnedLabel(row,
                         {kTabLineX0 + kTabLineSpacing * static_cast<float>(s),
                          kTabDisplayTop + (cellHeight * kTabDisplayCells + 4) / 2},
                         cellHeight * kTabDisplayCells + 4, 12, "Courier", 12);
        addSubview(&row);
    }
    positionMarker_.setFrame({2, kTabDisplayTop + cellHeight * kCellsBeforePosition, 70, cellHeight});
    positionMarker_.setBackgroundColor(Color::fromFloats(0, 0, 0, 0.15f));
    positionMarker_.setUserInteractionEnabled(false);
    addSubview(&positionMarker_);
    placeTurnedLabel(currentPositionLabel_, {70, 28}, 60, 16, "Arial", 12);
    currentPositionLabel_.setTextAlignment(TextAlignment::Center);
    currentPositionLabel_.setTextColor(Color{240, 228, 200, 255}); // on the dark walnut
    addSubview(&currentPositionLabel_);

    placeImage(clearButton_, "TabGuitarClearButton.png", {284, 50.5f}, {72, 101});
    placeImage(insertButton_, "TabGuitarInsertButton.png", {117.5f, 431}, {69, 64});
    placeImage(deleteButton_, "TabGuitarDeleteButton.png", {117.5f, 71}, {69, 68});
    placeImage(listenButton_, "TabGuitarListenButton.png", {288, 441}, {64, 78});
    addSubview(&clearButton_);
    addSubview(&insertButton_);
    addSubview(&deleteButton_);
    addSubview(&listenButton_);

    // Fret mode panel.
    makeContainer(fretEntryView_);
    placeImage(fretEntryShine_, "StepGuitarSetupEntryFretShine.png", {200.5f, 264}, {239, 432});
    fretEntryView_.addSubview(&fretEntryShine_);
    for (int c = 0; c < kNumFretColumns; ++c) {
        const float y = kFirstFretColumnY + kFretColumnSpacing * c;
        ImageView& spot = fretEntrySpot_[static_cast<std::size_t>(c)];
        placeImage(spot, "ManualSpot.png", {200, y}, {14, 14});
        fretEntryView_.addSubview(&spot);
        Label& label = fretEntryFretLabel_[static_cast<std::size_t>(c)];
        placeTurnedLabel(label, {90, y}, 26, 14, "Arial", 11);
        label.setTextAlignment(TextAlignment::Center);
        fretEntryView_.addSubview(&label);
    }
    for (ImageView* dot : {&fretEntryDoubleSpotTop_, &fretEntryDoubleSpotBottom_}) {
        placeImage(*dot, "ManualSpot.png", {0, 0}, {14, 14});
        fretEntryView_.addSubview(dot);
    }
    for (int s = 0; s < kNumStrings; ++s) {
        ImageView& mark = fretEntryFingerPrints_[static_cast<std::size_t>(s)];
        placeImage(mark, "StepGuitarSetupEntryFretMarker.png",
                   {kFirstStringX + kStringSpacing * s, kFirstFretColumnY}, {26, 26});
        mark.setAlpha(0);
        fretEntryView_.addSubview(&mark);
    }
    addSubview(&fretEntryView_);

    // Tab mode panel.
    makeContainer(tabEntryView_);
    placeImage(tabEntryShine_, "StepGuitarSetupEntryTabShine.png", {204, 259.5f}, {232, 201});
    tabEntryView_.addSubview(&tabEntryShine_);
    for (int s = 0; s < kNumStrings; ++s) {
        const auto i = static_cast<std::size_t>(s);
        const float x = kTabStringCentreX[s];
        placeImage(stepDownButtons_[i], "StepGuitarSetupEntryStepRightButton.png", {x, 191}, {32, 56},
                   kHalfTurn);
        placeImage(stepUpButtons_[i], "StepGuitarSetupEntryStepRightButton.png", {x, 330}, {32, 56});
        placeTurnedLabel(tabEntryStringNames_[i], {x, 238}, 24, 20, "Arial", 12);
        tabEntryStringNames_[i].setText(kTabStringNames[s]);
        tabEntryStringNames_[i].setTextAlignment(TextAlignment::Center);
        tabEntryStringNames_[i].setTextColor(Color{200, 200, 190, 255});
        placeTurnedLabel(tabEntryFretNumbers_[i], {x, 270}, 30, 24, "Arial", 16);
        tabEntryFretNumbers_[i].setTextAlignment(TextAlignment::Center);
        tabEntryFretNumbers_[i].setTextColor(Color{240, 240, 230, 255});
        tabEntryView_.addSubview(&stepDownButtons_[i]);
        tabEntryView_.addSubview(&stepUpButtons_[i]);
        tabEntryView_.addSubview(&tabEntryStringNames_[i]);
        tabEntryView_.addSubview(&tabEntryFretNumbers_[i]);
    }
    addSubview(&tabEntryView_);

    // Chord mode panel: keys in two rows, types in three, over the bands
    // the touches are found in.
    makeContainer(chordEntryView_);
    for (int k = 0; k < ChordLibrary::kNumKeys; ++k) {
        const int row = k < 6 ? 0 : 1;
        const int band = k < 6 ? 5 - k : k - 6;
        Label& label = chordKeyLabel_[static_cast<std::size_t>(k)];
        placeTurnedLabel(label, {kChordBandCentreX[band], kChordKeyRowY[row]}, 54, 34, "Arial", 14);
        label.setTextAlignment(TextAlignment::Center);
        label.setText(std::string(ChordLibrary::keyName(k)));
        setChordLabelLook(label, false);
        chordEntryView_.addSubview(&label);
    }
    for (int t = 0; t < ChordLibrary::kNumTypes; ++t) {
        const int row = t / 6;
        const int band = 5 - t % 6;
        Label& label = chordTypeLabel_[static_cast<std::size_t>(t)];
        placeTurnedLabel(label, {kChordBandCentreX[band], kChordTypeRowY[row]}, 54, 34, "Arial", 14);
        label.setTextAlignment(TextAlignment::Center);
        label.setText(std::string(ChordLibrary::typeName(t)));
        setChordLabelLook(label, false);
        chordEntryView_.addSubview(&label);
    }
    addSubview(&chordEntryView_);

    // Plectrum menu.
    makeContainer(greyout_);
    greyout_.setBackgroundColor(Color::black());
    greyout_.setAlpha(0);
    addSubview(&greyout_);
    makeContainer(menuPanel_);
    menuPanel_.setCenter(kMenuPanelHidden);
    placeImage(topMenuBar_, "TopMenu.png", {298, 240}, {46, 480});
    placeImage(loadSaveMenu_, "MenuLoadSave.png", {kMenuItemX, 62}, {92, 108});
    placeImage(modeButton_, "MenuEditorModeFret.png", {kMenuItemX, 182}, {92, 108});
    placeImage(eraseTabMenu_, "MenuEraseTab.png", {kMenuItemX, 301}, {92, 108});
    placeImage(playTabMenu_, "MenuPlayTab.png", {kMenuItemX, 420}, {92, 108});
    for (ImageView* item : {&topMenuBar_, &loadSaveMenu_, &modeButton_, &eraseTabMenu_, &playTabMenu_})
        menuPanel_.addSubview(item);
    addSubview(&menuPanel_);
    placeImage(plectrum_, "PlectrumMenu.png", {31, 29}, {48, 44});
    addSubview(&plectrum_);

    // Erase confirmation.
    makeContainer(messageBoxVeil_);
    messageBoxVeil_.setBackgroundColor(Color::fromFloats(0, 0, 0, kVeilAlpha));
    messageBoxVeil_.setHidden(true);
    addSubview(&messageBoxVeil_);
    placeImage(messageBox_, "MessageBox.png", {160, 240}, {220, 340});
    messageBox_.setHidden(true);
    placeTurnedLabel(messageBoxText_, {200, 240}, 280, 40, "Arial", 16);
    messageBoxText_.setText("Really erase all tab?");
    messageBoxText_.setTextColor(Color{60, 50, 40, 255});
    messageBoxText_.setTextAlignment(TextAlignment::Center);
    messageBoxText_.setHidden(true);
    placeImage(messageBoxOKButton_, "MessageBoxOKButton.png", {119.5f, 181.5f}, {54, 96});
    messageBoxOKButton_.setHidden(true);
    placeImage(messageBoxCancelButton_, "MessageBoxCancelButton.png", {119.5f, 288.5f}, {54, 96});
    messageBoxCancelButton_.setHidden(true);
    addSubview(&messageBox_);
    addSubview(&messageBoxText_);
    addSubview(&messageBoxOKButton_);
    addSubview(&messageBoxCancelButton_);

    boxKeys_ = std::make_unique<MessageBoxKeys>(
        *this, MessageBoxKeys::Box{[this] { return messageBoxShowing_; }, [] { return true; },
                                   [this] { answerEraseBox(true); }, [this] { answerEraseBox(false); }});

    entryMode_ = kFretMode;
    clearFrets();
    redraw();
}

TabGuitarSetupView::~TabGuitarSetupView() = default;

// --- Touches -------------------------------------------------------------------

void TabGuitarSetupView::touchesBegan(const TouchSet& touches) {
    processTouches(touches);
}
void TabGuitarSetupView::touchesMoved(const TouchSet& touches) {
    processTouches(touches);
}
void TabGuitarSetupView::touchesEnded(const TouchSet& touches) {
    processTouches(touches);
}
void TabGuitarSetupView::touchesCancelled(const TouchSet& touches) {
    processTouches(touches);
}

void TabGuitarSetupView::processTouches(const TouchSet& touches) {
    for (const Touch& touch : touches) {
        switch (touch.phase) {
        case TouchPhase::Began:
            if (messageBoxShowing_)
                fingerDownMessageBox(touch.location);
            else if (menuShowing_)
                fingerDownMenu(touch.location);
            else
                fingerDown(touch.location);
            break;
        case TouchPhase::Moved:
            if (menuShowing_)
                fingerMoveMenu(touch.location, touch.previousLocation);
            else
                fingerMove(touch.location, touch.previousLocation);
            break;
        case TouchPhase::Ended:
        case TouchPhase::Cancelled:
            if (menuShowing_)
                fingerUpMenu(touch.location);
            else
                fingerUp(touch.location);
            break;
        case TouchPhase::Stationary:
            break;
        }
    }
}

void TabGuitarSetupView::fingerDown(Point p) {
    const float x = p.x;
    const float y = p.y;
    if (x < 52 && y < 45) {
        liftAllFingerPresses();
        menuShowing_ = true;
        redrawOnPlectrumPress(true);
    } else if (x > 0 && x < 77 && y > 53 && y < 116) {
        if (tab_) {
            // A position left out of range elsewhere comes back into the tab.
            const int32_t back = std::max(tab_->currentTabIndex() - 1, 0);
            tab_->setCurrentTabIndex(std::min(back, tab_->tabSize()));
        }
        redrawTabDisplay();
    } else if (x > 0 && x < 77 && y > 402 && y < 480) {
        if (tab_) {
            const int32_t forward = std::min(tab_->currentTabIndex() + 1, tab_->tabSize());
            tab_->setCurrentTabIndex(std::max(forward, 0));
        }
        redrawTabDisplay();
    } else if (x > 248 && x < 320 && y > 0 && y < 101) {
        clearFrets();
        chordKeyIndex_ = 0;
        chordTypeIndex_ = 0;
        if (entryMode_ == kChordMode)
            resetChord();
        redraw();
    } else if (x > 83 && x < 152 && y > 399 && y < 463) {
        const bool empty = std::all_of(fret_.begin(), fret_.end(), [](int32_t f) { return f == -1; });
        if (empty)
            return;
        if (tab_) {
            // The insertion point lies on a column or just past the last one.
            const int32_t at = std::clamp(tab_->currentTabIndex(), 0, tab_->tabSize());
            tab_->addNotesToTab(at, fret_.data());
            tab_->setCurrentTabIndex(at + 1);
        }
        redraw();
    } else if (x > 83 && x < 152 && y > 37 && y < 105) {
        if (tab_)
            tab_->deleteNotesFromTabAt(tab_->currentTabIndex());
        redraw();
    } else if (onListen(p)) {
        playCurrentEditorChord(false);
    } else if (onTabDisplay(p)) {
        playTabPosition();
    }

    if (menuShowing_)
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

bool TabGuitarSetupView::fretModeDown(Point p) {
    const float x = p.x;
    const float y = p.y;
    if (x > 157 && x < 245 && y > 48 && y < 107) {
        leftmostFret_ = std::max(leftmostFret_ - 1, 0);
        redraw();
        return true;
    }
    if (x > 157 && x < 245 && y > 400 && y < 480) {
        leftmostFret_ = std::min(leftmostFret_ + 1, kHighestLeftmostFret);
        redraw();
        return true;
    }
    const int column = fretColumnAtY(y);
    const int string = fretStringAtX(x);
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

void TabGuitarSetupView::fingerMove(Point p, Point oldPoint) {
    if (onListen(oldPoint) && !onListen(p))
        liftUpNotes();
    if (entryMode_ == kChordMode) {
        if ((onKeyPanel(oldPoint) && !onKeyPanel(p)) || (onTypePanel(oldPoint) && !onTypePanel(p)))
            liftUpNotes();
    }
}

void TabGuitarSetupView::fingerUp(Point p) {
    if (onTabDisplay(p) && tab_) {
        tab_->incrementTabPosition();
        redrawTabDisplay();
    }
    if (soundEngine_)
        soundEngine_->stopChordStrum();
}

void TabGuitarSetupView::fingerDownMenu(Point p) {
    const float x = p.x;
    const float y = p.y;
    if (x < 52 && y < 45) {
        menuShowing_ = false;
        redrawOnPlectrumPress(true);
    } else if (x > 271) {
        menuShowing_ = false;
        redrawOnPlectrumPress(false);
        goToScreen(topMenuScreenForY(y));
    } else if (x > 113 && y < 123) {
        menuShowing_ = false;
        redrawOnPlectrumPress(false);
        goToScreen(ScreenHost::kTabGuitarLoadSave);
    } else if (x > 113 && y >= 123 && y < 241) {
        entryMode_ = entryMode_ >= kChordMode ? kFretMode : entryMode_ + 1;
        if (entryMode_ == kChordMode) {
            chordKeyIndex_ = 0;
            chordTypeIndex_ = 0;
            resetChord();
        }
        redraw();
    } else if (x > 113 && y >= 241 && y < 361) {
        messageBoxShowing_ = true;
        redrawUIForMode();
    } else if (x > 113 && y >= 361) {
        menuShowing_ = false;
        redrawOnPlectrumPress(false);
        goToScreen(ScreenHost::kTabGuitar);
    }
}

void TabGuitarSetupView::fingerMoveMenu(Point, Point) {}
void TabGuitarSetupView::fingerUpMenu(Point) {}

void TabGuitarSetupView::fingerDownMessageBox(Point p) {
    if (p.x > 91 && p.x < 148 && p.y > 132 && p.y < 231)
        answerEraseBox(true);
    else if (p.x > 91 && p.x < 148 && p.y > 231 && p.y < 346)
        answerEraseBox(false);
}

void TabGuitarSetupView::answerEraseBox(bool erase) {
    if (erase) {
        if (tab_)
            tab_->clearTab();
        redrawTabDisplay();
    }
    messageBoxShowing_ = false;
    redrawUIForMode();
}

// --- Drawing ------------------------------------------------------------------------

void TabGuitarSetupView::redraw() {
    redrawUIForMode();
    redrawTabDisplay();
    if (entryMode_ == kFretMode)
        redrawFretPanel();
    else if (entryMode_ == kTabMode)
        redrawTabPanel();
}

void TabGuitarSetupView::redrawUIForMode() {
    const bool box = messageBoxShowing_;
    messageBoxVeil_.setHidden(!box);
    messageBox_.setHidden(!box);
    messageBoxText_.setHidden(!box);
    messageBoxOKButton_.setHidden(!box);
    messageBoxCancelButton_.setHidden(!box);
    static constexpr const char* kModeImages[3] = {"MenuEditorModeFret.png", "MenuEditorModeTab.png",
                                                   "MenuEditorModeChord.png"};
    modeButton_.setImageNamed(kModeImages[std::clamp(entryMode_, 0, 2)]);
    fretEntryView_.setHidden(entryMode_ != kFretMode);
    tabEntryView_.setHidden(entryMode_ != kTabMode);
    chordEntryView_.setHidden(entryMode_ != kChordMode);
}

void TabGuitarSetupView::redrawTabDisplay() {
    for (int s = 0; s < kNumStrings; ++s)
        tabDisplay_[static_cast<std::size_t>(s)].setText(tab_ ? tabDisplayRow(*tab_, s) : std::string());
    char text[32];
    std::snprintf(text, sizeof text, "%d/%d", tab_ ? static_cast<int>(tab_->currentTabIndex()) : 0,
                  tab_ ? static_cast<int>(tab_->tabSize()) : 0);
    currentPositionLabel_.setText(text);
}

void TabGuitarSetupView::redrawFretPanel() {
    for (int c = 0; c < kNumFretColumns; ++c) {
        const int f = leftmostFret_ + c;
        fretEntryFretLabel_[static_cast<std::size_t>(c)].setText(number(f));
        const bool dot = f == 3 || f == 5 || f == 7 || f == 9 || f == 15 || f == 17 || f == 19 || f == 21;
        fretEntrySpot_[static_cast<std::size_t>(c)].setAlpha(dot ? 1.0f : 0.0f);
    }
    const bool twelve = leftmostFret_ >= 8 && leftmostFret_ <= 12;
    const float y12 = kFirstFretColumnY + kFretColumnSpacing * static_cast<float>(12 - leftmostFret_);
    fretEntryDoubleSpotTop_.setCenter({164, y12});
    fretEntryDoubleSpotBottom_.setCenter({236, y12});
    fretEntryDoubleSpotTop_.setAlpha(twelve ? 1.0f : 0.0f);
    fretEntryDoubleSpotBottom_.setAlpha(twelve ? 1.0f : 0.0f);
    for (int s = 0; s < kNumStrings; ++s) {
        ImageView& mark = fretEntryFingerPrints_[static_cast<std::size_t>(s)];
        const int32_t f = fret_[static_cast<std::size_t>(s)];
        if (f >= 0 && f >= leftmostFret_ && f <= leftmostFret_ + kNumFretColumns - 1) {
            mark.setCenter({kFirstStringX + kStringSpacing * static_cast<float>(s),
                            kFirstFretColumnY + kFretColumnSpacing * static_cast<float>(f - leftmostFret_)});
            mark.setAlpha(1);
        } else {
            mark.setAlpha(0);
        }
    }
}

void TabGuitarSetupView::redrawTabPanel() {
    for (int s = 0; s < kNumStrings; ++s) {
        const int32_t f = fret_[static_cast<std::size_t>(s)];
        tabEntryFretNumbers_[static_cast<std::size_t>(s)].setText(f == -1 ? std::string("-") : number(f));
    }
}

void TabGuitarSetupView::redrawOnPlectrumPress(bool animated) {
    if (animated) {
        View::beginAnimations("MENU");
        View::setAnimationDuration(kMenuSlideSeconds);
    }
    greyout_.setAlpha(menuShowing_ ? kVeilAlpha : 0.0f);
    menuPanel_.setCenter(menuShowing_ ? kMenuPanelShown : kMenuPanelHidden);
    if (animated)
        View::commitAnimations();
}

// --- Sound and chords -------------------------------------------------------------

int TabGuitarSetupView::currentGuitar() const {
    return parent_ ? parent_->currentGuitar() : 0;
}

void TabGuitarSetupView::goToScreen(int screenNo) {
    if (parent_)
        parent_->transitionToView(screenNo, this, true);
}

void TabGuitarSetupView::strum(const std::array<int32_t, kNumStrings>& frets) {
    if (!soundEngine_)
        return;
    const std::array<int, kNumStrings> samples = samplesForFrets(frets);
    soundEngine_->setChordStrum(samples.data(), currentGuitar(), false);
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
    if (!soundEngine_)
        return;
    const std::array<int, kNumStrings> samples = samplesForFrets(fret_);
    soundEngine_->setChordStrum(samples.data(), currentGuitar(), muteWhenStrumOver);
}

void TabGuitarSetupView::loadChordShape() {
    const ChordLibrary::Frets shape = ChordLibrary::fretsForChord(chordKeyIndex_, chordTypeIndex_);
    std::copy(shape.begin(), shape.end(), fret_.begin());
}

void TabGuitarSetupView::setChordLabelLook(Label& label, bool selected) {
    label.setBackgroundColor(selected ? kChordSelectedBack : Color::clear());
    label.setTextColor(selected ? kChordSelectedText : kChordPlainText);
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
    if (soundEngine_)
        soundEngine_->stopChordStrum();
}

void TabGuitarSetupView::liftUpNotes() {
    if (soundEngine_)
        soundEngine_->stopChordStrum();
}

void TabGuitarSetupView::willAppear(int, int) {
    redraw();
}
