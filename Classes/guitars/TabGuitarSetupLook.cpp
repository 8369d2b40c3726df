#include "guitars/TabGuitarSetupView.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "song/Tab.h"
#include "storage/ChordLibrary.h"
#include "toolkit/Graphics.h"
#include "ui/ScreenHost.h"

// How the tab editor looks: its views, and drawing them from the editor's
// state.

namespace {

constexpr float kHalfTurn = 2 * kQuarterTurn;
constexpr float kMenuItemX = 222;

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

std::string TabGuitarSetupView::positionText(const Tab& tab) {
    // Columns count from 1, as the user names them; past the last column
    // the next insert goes at the end.
    const int size = tab.tabSize();
    const int at = tab.currentTabIndex();
    if (size == 0)
        return "0/0";
    if (at < 0 || at >= size)
        return "end/" + number(size);
    return number(at + 1) + "/" + number(size);
}

TabGuitarSetupView::TabGuitarSetupView(ScreenHost* parent, Performer* performer, Tab* tab)
    : parent_(parent), performer_(performer), tab_(tab),
      // The menu panel slides 150 points in from beyond the far edge.
      menu_(*this, *this, {{0, 0, 320, 480}, {310, 240}, {160, 240}, false}),
      eraseBox_(*this, MessageBoxLayer::Answers{[this] { answerEraseBox(true); },
                                                [this] { answerEraseBox(false); }}) {
    setBackgroundImage("TabGuitarSetupBack.png");
    setFrame(parent_ ? parent_->frame() : Rect{0, 0, 320, 480});
    setUserInteractionEnabled(true);
    setMultipleTouchEnabled(true);
    buildTabDisplay();
    buildFretPanel();
    buildTabPanel();
    buildChordPanel();
    // Over every control, under the menu and the erase box.
    for (PressShade& shade : shades_)
        addSubview(&shade);
    buildMenuAndBox();
    entryMode_ = kFretMode;
    clearFrets();
    redraw();
}

TabGuitarSetupView::~TabGuitarSetupView() = default;

// Tab display: one row per string, string 0 nearest x = 0; the position and
// the buttons every mode shows.
void TabGuitarSetupView::buildTabDisplay() {
    const float cellHeight = tabCellHeight();
    for (int s = 0; s < kNumStrings; ++s) {
        Label& row = tabDisplay_[static_cast<std::size_t>(s)];
        placeTurnedLabel(row,
                         {kTabLineX0 + kTabLineSpacing * static_cast<float>(s),
                          kTabDisplayTop + (cellHeight * kTabDisplayCells + 4) / 2},
                         cellHeight * kTabDisplayCells + 4, 12, "Courier", 12);
        addSubview(&row);
    }
    // The digits stand at the end of their three-character cell: the marker
    // covers the current cell's digits, a character on from the cell's start.
    positionMarker_.setFrame(
        {2, kTabDisplayTop + cellHeight * kCellsBeforePosition + cellHeight / 3, 70, cellHeight});
    positionMarker_.setBackgroundColor(Color::fromFloats(0, 0, 0, 0.15f));
    positionMarker_.setUserInteractionEnabled(false);
    addSubview(&positionMarker_);
    placeTurnedLabel(currentPositionLabel_, {76, 28}, 60, 14, "Arial", 12);
    currentPositionLabel_.setTextAlignment(TextAlignment::Center);
    currentPositionLabel_.setTextColor(Color{240, 228, 200, 255}); // on the dark walnut
    addSubview(&currentPositionLabel_);
    // The entry mode, under the position, so that the user sees it without
    // opening the menu.
    placeTurnedLabel(modeLabel_, {61, 28}, 54, 14, "Arial", 11);
    modeLabel_.setTextAlignment(TextAlignment::Center);
    modeLabel_.setTextColor(Color{236, 190, 92, 255});
    addSubview(&modeLabel_);

    placeImage(clearButton_, "TabGuitarClearButton.png", {284, 50.5f}, {72, 101});
    placeImage(insertButton_, "TabGuitarInsertButton.png", {117.5f, 431}, {69, 64});
    placeImage(deleteButton_, "TabGuitarDeleteButton.png", {117.5f, 71}, {69, 68});
    placeImage(listenButton_, "TabGuitarListenButton.png", {288, 441}, {64, 78});
    addSubview(&clearButton_);
    addSubview(&insertButton_);
    addSubview(&deleteButton_);
    addSubview(&listenButton_);
}

void TabGuitarSetupView::buildFretPanel() {
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
}

void TabGuitarSetupView::buildTabPanel() {
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
}

// Keys in two rows, types in three, over the bands the touches are found in.
void TabGuitarSetupView::buildChordPanel() {
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
}

void TabGuitarSetupView::buildMenuAndBox() {
    menu_.addVeil();
    placeImage(loadSaveMenu_, "MenuLoadSave.png", {kMenuItemX, 62}, {92, 108});
    placeImage(modeButton_, "MenuEditorModeFret.png", {kMenuItemX, 182}, {92, 108});
    placeImage(eraseTabMenu_, "MenuEraseTab.png", {kMenuItemX, 301}, {92, 108});
    placeImage(playTabMenu_, "MenuPlayTab.png", {kMenuItemX, 420}, {92, 108});
    for (ImageView* item : {&loadSaveMenu_, &modeButton_, &eraseTabMenu_, &playTabMenu_})
        menu_.panel().addSubview(item);
    menu_.addPanelAndPlectrum();

    Label& text = eraseBox_.text();
    // Centred at 200, 240 of the screen.
    placeTurnedLabel(text, {150, 170}, 280, 40, "Arial", 16);
    text.setText("Really erase all tab?");
    text.setTextColor(Color{60, 50, 40, 255});
    text.setTextAlignment(TextAlignment::Center);
    eraseBox_.addViews();
}

void TabGuitarSetupView::redraw() {
    redrawUIForMode();
    redrawTabDisplay();
    if (entryMode_ == kFretMode)
        redrawFretPanel();
    else if (entryMode_ == kTabMode)
        redrawTabPanel();
}

void TabGuitarSetupView::redrawUIForMode() {
    static constexpr const char* kModeImages[3] = {"MenuEditorModeFret.png", "MenuEditorModeTab.png",
                                                   "MenuEditorModeChord.png"};
    static constexpr const char* kModeNames[3] = {"by fret", "by tab", "by chord"};
    modeButton_.setImageNamed(kModeImages[std::clamp(entryMode_, 0, 2)]);
    modeLabel_.setText(kModeNames[std::clamp(entryMode_, 0, 2)]);
    fretEntryView_.setHidden(entryMode_ != kFretMode);
    tabEntryView_.setHidden(entryMode_ != kTabMode);
    chordEntryView_.setHidden(entryMode_ != kChordMode);
}

void TabGuitarSetupView::redrawTabDisplay() {
    for (int s = 0; s < kNumStrings; ++s)
        tabDisplay_[static_cast<std::size_t>(s)].setText(tab_ ? tabDisplayRow(*tab_, s) : std::string());
    currentPositionLabel_.setText(tab_ ? positionText(*tab_) : std::string("0/0"));
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

void TabGuitarSetupView::setChordLabelLook(Label& label, bool selected) {
    label.setBackgroundColor(selected ? kChordSelectedBack : Color::clear());
    label.setTextColor(selected ? kChordSelectedText : kChordPlainText);
}
