#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "platform/ImageView.h"
#include "platform/Label.h"
#include "ui/HostedScreen.h"

class ScreenHost;
class SoundEngine;
class Tab;
class MessageBoxKeys;

// The tab editor: the user builds one column at a time in a working chord of
// six frets, by fret (a small fretboard), by tab (a step up / step down pair
// per string) or from the chord library, listens to it and inserts it into
// the shared tab at the current position. Columns can be deleted, the
// position moved, the current column played and the whole tab erased (after
// a confirmation box). The Plectrum menu changes the mode and leads to the
// other screens.
//
// Every control is a fixed rectangle of the 320 x 480 view tested with strict
// comparisons in a fixed order. Sounds go to the engine as a chord strum and
// last until the finger is lifted.
//
// The parent may be null (tests): the current guitar is then 0 and the
// screen changes lead nowhere. The engine may be null too (nothing sounds).
//
// Threads: UI thread only.
class TabGuitarSetupView : public ImageView, public HostedScreen {
public:
    static constexpr int kNumStrings = 6;
    static constexpr int kFretMode = 0;
    static constexpr int kTabMode = 1;
    static constexpr int kChordMode = 2;
    static constexpr int kNumFretColumns = 5;
    static constexpr int kHighestLeftmostFret = 17;
    static constexpr int kHighestFret = 21;
    static constexpr int kTabDisplayCells = 12;
    static constexpr int kCellsBeforePosition = 6;
    static constexpr std::array<int, kNumStrings> kStandardTuningOffsets = {2, 7, 12, 17, 21, 26};

    // --- Pure hit tests (view points), -1 where a point names nothing ---
    // Fret mode: the fretboard column (0 to 4) of a y, the string of an x.
    static int fretColumnAtY(float y);
    static int fretStringAtX(float x);
    // Tab mode: the string of an x.
    static int tabStringAtX(float x);
    // The screen of the Top Menu Bar at height y.
    static int topMenuScreenForY(float y);
    // The six sample numbers (relative to a guitar) for six frets: -1 for a
    // string not played, fret + the open string's offset otherwise; a note
    // beyond the guitar's 48 samples is silent rather than another slot's.
    static std::array<int, kNumStrings> samplesForFrets(const std::array<int32_t, kNumStrings>& frets);
    // The text of one row of the tab display.
    static std::string tabDisplayRow(const Tab& tab, int string);

    TabGuitarSetupView(ScreenHost* parent, SoundEngine* engine, Tab* tab);
    ~TabGuitarSetupView() override;

    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;
    void touchesCancelled(const TouchSet& touches) override;

    // Sends each touch to the message box, the menu or the editor by phase.
    void processTouches(const TouchSet& touches);
    void fingerDown(Point p);
    void fingerMove(Point p, Point oldPoint);
    void fingerUp(Point p);
    void fingerDownMenu(Point p);
    void fingerMoveMenu(Point p, Point oldPoint);
    void fingerUpMenu(Point p);
    void fingerDownMessageBox(Point p);
    // The erase box's OK (erase the whole tab) or Cancel, by touch or key.
    void answerEraseBox(bool erase);

    // Each time the screen is shown, and after every edit.
    void redraw();
    // Redraws.
    void willAppear(int previousScreen, int currentGuitar) override;
    void redrawUIForMode();
    void redrawTabDisplay();
    void redrawOnPlectrumPress(bool animated);

    void clearFrets();
    void playTabPosition();
    void playCurrentEditorChord(bool muteWhenStrumOver);
    void changeChordToKey(int key, int type);
    void resetChord();
    void liftAllFingerPresses();
    void liftUpNotes();

    // State, for drawing checks and tests.
    int entryMode() const { return entryMode_; }
    const std::array<int32_t, kNumStrings>& fret() const { return fret_; }
    int leftmostFret() const { return leftmostFret_; }
    int chordKeyIndex() const { return chordKeyIndex_; }
    int chordTypeIndex() const { return chordTypeIndex_; }
    bool menuShowing() const { return menuShowing_; }
    bool messageBoxShowing() const { return messageBoxShowing_; }

    const Label& tabDisplay(int string) const { return tabDisplay_[static_cast<std::size_t>(string)]; }
    const Label& currentPositionLabel() const { return currentPositionLabel_; }
    const Label& tabEntryFretNumber(int string) const {
        return tabEntryFretNumbers_[static_cast<std::size_t>(string)];
    }
    const ImageView& fretEntryFingerPrint(int string) const {
        return fretEntryFingerPrints_[static_cast<std::size_t>(string)];
    }
    const Label& fretEntryFretLabel(int column) const {
        return fretEntryFretLabel_[static_cast<std::size_t>(column)];
    }
    const View& fretEntrySpot(int column) const { return fretEntrySpot_[static_cast<std::size_t>(column)]; }
    const View& fretEntryDoubleSpotTop() const { return fretEntryDoubleSpotTop_; }
    const View& fretEntryDoubleSpotBottom() const { return fretEntryDoubleSpotBottom_; }
    const Label& chordKeyLabel(int key) const { return chordKeyLabel_[static_cast<std::size_t>(key)]; }
    const Label& chordTypeLabel(int type) const { return chordTypeLabel_[static_cast<std::size_t>(type)]; }
    const View& fretEntryView() const { return fretEntryView_; }
    const View& tabEntryView() const { return tabEntryView_; }
    const View& chordEntryView() const { return chordEntryView_; }
    const View& greyout() const { return greyout_; }
    const View& menuPanel() const { return menuPanel_; }
    const ImageView& modeButton() const { return modeButton_; }
    const View& messageBoxVeil() const { return messageBoxVeil_; }
    const ImageView& messageBox() const { return messageBox_; }
    const Label& messageBoxText() const { return messageBoxText_; }
    const View& positionMarker() const { return positionMarker_; }

protected:
    // Moves to another screen, remembering the way back (nothing without a
    // parent).
    virtual void goToScreen(int screenNo);

private:
    int currentGuitar() const;
    void strum(const std::array<int32_t, kNumStrings>& frets);
    void loadChordShape();
    void setChordLabelLook(Label& label, bool selected);
    void redrawFretPanel();
    void redrawTabPanel();
    bool fretModeDown(Point p);
    void tabModeDown(Point p);
    void chordModeDown(Point p);

    ScreenHost* parent_;
    SoundEngine* soundEngine_;
    Tab* tab_;

    int entryMode_ = kFretMode;
    std::array<int32_t, kNumStrings> fret_{-1, -1, -1, -1, -1, -1};
    int leftmostFret_ = 0;
    int chordKeyIndex_ = 0;
    int chordTypeIndex_ = 0;
    bool menuShowing_ = false;
    bool messageBoxShowing_ = false;

    // Tab display and common buttons.
    std::array<Label, kNumStrings> tabDisplay_;
    View positionMarker_;
    Label currentPositionLabel_;
    ImageView clearButton_;
    ImageView insertButton_;
    ImageView deleteButton_;
    ImageView listenButton_;

    // Fret mode.
    View fretEntryView_;
    ImageView fretEntryShine_;
    std::array<Label, kNumFretColumns> fretEntryFretLabel_;
    std::array<ImageView, kNumFretColumns> fretEntrySpot_;
    ImageView fretEntryDoubleSpotTop_;
    ImageView fretEntryDoubleSpotBottom_;
    std::array<ImageView, kNumStrings> fretEntryFingerPrints_;

    // Tab mode.
    View tabEntryView_;
    ImageView tabEntryShine_;
    std::array<ImageView, kNumStrings> stepDownButtons_;
    std::array<ImageView, kNumStrings> stepUpButtons_;
    std::array<Label, kNumStrings> tabEntryStringNames_;
    std::array<Label, kNumStrings> tabEntryFretNumbers_;

    // Chord mode.
    View chordEntryView_;
    std::array<Label, 12> chordKeyLabel_;
    std::array<Label, 18> chordTypeLabel_;

    // Plectrum menu and the erase box.
    View greyout_;
    View menuPanel_;
    ImageView topMenuBar_;
    ImageView loadSaveMenu_;
    ImageView modeButton_;
    ImageView eraseTabMenu_;
    ImageView playTabMenu_;
    ImageView plectrum_;
    View messageBoxVeil_;
    ImageView messageBox_;
    Label messageBoxText_;
    ImageView messageBoxOKButton_;
    ImageView messageBoxCancelButton_;
    std::unique_ptr<MessageBoxKeys> boxKeys_;
};
