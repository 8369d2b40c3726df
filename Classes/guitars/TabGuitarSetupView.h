#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>

#include "guitars/PlectrumMenu.h"
#include "guitars/Tuning.h"
#include "song/GuitarTuning.h"
#include "toolkit/FingerView.h"
#include "toolkit/HitTable.h"
#include "toolkit/ImageView.h"
#include "toolkit/Label.h"
#include "toolkit/PressShade.h"
#include "ui/HostedScreen.h"
#include "ui/MessageBoxLayer.h"

class ScreenHost;
class Performer;
class Tab;

// The tab editor: the user builds one column at a time in a working chord of
// six frets, by fret (a small fretboard), by tab (a step up / step down pair
// per string) or from the chord library, listens to it and inserts it into
// the shared tab at the current position. Columns can be deleted, the
// position moved, the current column played and the whole tab erased (after
// a confirmation box). The Plectrum menu changes the mode and leads to the
// other screens.
//
// Every control is a fixed open rectangle of the 320 x 480 view. Sounds go to
// the engine as a chord strum and last until the finger is lifted. A button,
// arrow, step or chord name darkens while a finger holds it (and not once the
// finger slides off it); a finger on the tab display darkens the column it
// plays.
//
// The parent may be null (tests): the current guitar is then 0 and the
// screen changes lead nowhere. The engine may be null too (nothing sounds).
//
// Threads: UI thread only.
class TabGuitarSetupView : public FingerView, public HostedScreen, protected PlectrumMenu::Owner {
public:
    static constexpr int kNumStrings = Tuning::kNumStrings;
    enum EntryMode : int { kFretMode, kTabMode, kChordMode };
    // The fret mode's board: five columns from a leftmost fret of 0 to 17.
    static constexpr int kNumFretColumns = 5, kHighestLeftmostFret = 17;
    static constexpr int kHighestFret = 21;
    // The tab display: twelve cells, the position in the seventh.
    static constexpr int kTabDisplayCells = 12, kCellsBeforePosition = 6;

    // The buttons of the editor in every mode, and the fret mode's scroll
    // arrows (a finger on a button also reaches the mode's own controls).
    enum class Button { Plectrum, Back, Forward, Clear, Insert, Delete, Listen, TabDisplay };
    enum class Scroll { TowardNut, TowardBody };
    static std::span<const HitArea<Button>> buttonAreas();
    static std::span<const HitArea<Scroll>> scrollAreas();

    // --- Pure hit tests (view points), -1 where a point names nothing ---
    // Fret mode: the fretboard column (0 to 4) of a y, the string of an x.
    static int fretColumnAtY(float y);
    static int fretStringAtX(float x);
    // Tab mode: the string of an x.
    static int tabStringAtX(float x);
    // The six sample numbers (relative to a guitar) for six frets: -1 for a
    // string not played, fret + the open string's offset otherwise; a note
    // beyond the guitar's 48 samples is silent rather than another slot's.
    // Frets count from the capo of `tuning`.
    static std::array<int, kNumStrings> samplesForFrets(const std::array<int32_t, kNumStrings>& frets,
                                                        const GuitarTuning& tuning = GuitarTuning());
    // The text of one row of the tab display.
    static std::string tabDisplayRow(const Tab& tab, int string);
    // The position as the counter shows it: "3/12" for the third of twelve
    // columns (the one under the marker, which DELETE removes and INSERT puts
    // the new column before), "end/12" past the last, "0/0" for no tab.
    static std::string positionText(const Tab& tab);

    TabGuitarSetupView(ScreenHost* parent, Performer* performer, Tab* tab);
    ~TabGuitarSetupView() override;

    // The erase box's OK (erase the whole tab) or Cancel, by touch or key.
    void answerEraseBox(bool erase);

    // Each time the screen is shown, and after every edit.
    void redraw();
    // Redraws.
    void willAppear(int previousScreen, int currentGuitar) override;
    void redrawUIForMode();
    void redrawTabDisplay();

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
    bool menuShowing() const { return menu_.isOpen(); }
    bool messageBoxShowing() const { return eraseBox_.isShown(); }

    const Label& tabDisplay(int string) const { return tabDisplay_[static_cast<std::size_t>(string)]; }
    const Label& currentPositionLabel() const { return currentPositionLabel_; }
    // "by fret", "by tab" or "by chord": how the working chord is entered.
    const Label& modeLabel() const { return modeLabel_; }
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
    const View& greyout() const { return menu_.veil(); }
    const View& menuPanel() const { return menu_.panel(); }
    const ImageView& modeButton() const { return modeButton_; }
    const MessageBoxLayer& eraseBox() const { return eraseBox_; }
    const View& positionMarker() const { return positionMarker_; }

protected:
    void fingerDown(const Touch& touch) override;
    void fingerMove(const Touch& touch) override;
    void fingerUp(const Touch& touch) override;
    void menuItemDown(Point p) override;
    // Moves to another screen, remembering the way back (nothing without a
    // parent).
    void goToScreen(int screenNo) override;

private:
    void buildTabDisplay();
    void buildFretPanel();
    void buildTabPanel();
    void buildChordPanel();
    void buildMenuAndBox();
    // false: the finger goes no further (to the mode's controls).
    bool pressButton(Button button);
    int currentGuitar() const;
    // The current guitar's tuning; standard without a parent.
    GuitarTuning tuning() const;
    void strum(const std::array<int32_t, kNumStrings>& frets);
    void loadChordShape();
    void setChordLabelLook(Label& label, bool selected);
    void redrawFretPanel();
    void redrawTabPanel();
    bool fretModeDown(Point p);
    void tabModeDown(Point p);
    void chordModeDown(Point p);
    // What darkens under a finger at p: the control it holds, if any.
    std::optional<Rect> pressRectAt(Point p) const;
    void redrawPressShades();

    ScreenHost* parent_;
    Performer* performer_;
    Tab* tab_;

    int entryMode_ = kFretMode;
    std::array<int32_t, kNumStrings> fret_{-1, -1, -1, -1, -1, -1};
    int leftmostFret_ = 0;
    int chordKeyIndex_ = 0;
    int chordTypeIndex_ = 0;

    // Tab display and common buttons.
    std::array<Label, kNumStrings> tabDisplay_;
    View positionMarker_;
    Label currentPositionLabel_;
    Label modeLabel_;
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
    PlectrumMenu menu_;
    ImageView loadSaveMenu_;
    ImageView modeButton_;
    ImageView eraseTabMenu_;
    ImageView playTabMenu_;
    MessageBoxLayer eraseBox_;

    // What each finger holds down, and the shades over it (one per control
    // held, as many as fingers usually are).
    std::map<long, Rect> pressedRects_;
    std::array<PressShade, 4> shades_;
};
