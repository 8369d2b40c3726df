#pragma once
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "guitars/GuitarScreenView.h"
#include "toolkit/HitTable.h"
#include "toolkit/ImageView.h"
#include "toolkit/Label.h"
#include "toolkit/PressShade.h"
#include "toolkit/View.h"

class Knob;
class Tab;

// The Tab Guitar (screen 1): the frets come from the shared tab and the user
// only plucks. A touch on the pickup area strums the current column at the
// strum speed knob's pace; lifting the finger moves on to the next column.
// While the hold button is held the position stays put and each string of
// the column can be plucked on its own. The screen shows ten cells of the tab
// around the position and one light per string played by the current column.
// The Plectrum menu adds restart, the tab editor and the tab library to the
// shared Recorder Bar and Top Menu Bar. An empty tab plays nothing: the tab
// card then says so and where a tab comes from.
//
// Practice: taps on the tab card (or the L key) mark a loop of columns, the
// first tap at the current column as its first, the second as its last (the
// two in either order), the third clears it; while a loop is marked the
// strum after its last column goes back to its first, and "Loop 3-8" shows
// under the card. The loop is not kept: it is gone when the screen is made
// again (it is no part of the tab's file). Beside each string's light a
// small dim number shows the fret the next column will play there.
//
// Threads: UI thread only.
class TabGuitarView : public GuitarScreenView {
public:
    static constexpr int kNumStrings = 6;
    static constexpr int kTabDisplayCells = 10;
    // What the tab card says while the tab is empty.
    static constexpr const char* kEmptyTabText = "The tab is empty: nothing to play yet.\n"
                                                 "Write one with MENU \u203a ENTER TAB,\n"
                                                 "or open one from the tab library\n"
                                                 "with MENU \u203a LOAD / SAVE.";
    // What a finger coming down on the playing surface touches, and the
    // items the screen adds to the open menu.
    enum class Area { Plectrum, Pickup, TabBack, TabForward, Hold, StrumKnob, Noises, Loop };
    enum class MenuItem { Restart, Editor, Library };
    static std::span<const HitArea<Area>> touchAreas();
    static std::span<const HitArea<MenuItem>> menuItemAreas();

    // parent may be null (tests); soundEngine and tab must outlive the screen.
    TabGuitarView(ScreenHost* parent, Performer* performer, Tab* tab);
    ~TabGuitarView() override;

    // Each time the screen is shown.
    void redraw() override;

    // The string under a point of the pickup area (its x only): 0 to 5.
    static int getStringForCoord(Point p);

    // Plays the current column: a strum, or the single string while held.
    void pressString(int string);
    // Stops what the string started and, unless held, moves on a column.
    void liftString(int string);
    // Stops everything the screen started; advance: then move on a column
    // (unless held).
    void liftAllFingerPresses(bool advance);
    // The menu opens: stop everything without moving on.
    void liftAllFingerPresses() override;

    void redrawTabDisplay();
    void redrawLEDs();

    // The loop's next step: marks its first column, then its last, then
    // clears it.
    void markLoop();
    // The marked loop's columns (0-based), -1 when not marked.
    int loopFirst() const { return loopFirst_; }
    int loopLast() const { return loopLast_; }
    // The column a strum moves on to from `index` (the loop's first after
    // its last).
    int columnAfter(int index) const;
    const Label& loopLabel() const { return loopLabel_; }
    const Label& nextFret(int string) const { return nextFrets_[static_cast<std::size_t>(string)]; }

    // State, for checks.
    Tab* tab() const { return tab_; }
    bool holdPosition() const { return holdPosition_; }
    int draggingKnob() const { return draggingKnob_; }
    int numFingersPressingPickup() const { return numFingersPressingPickup_; }
    int playlistNoForString(int string) const {
        return playlistNoForString_[static_cast<std::size_t>(string)];
    }
    const Label& tabDisplay(int string) const { return tabDisplay_[static_cast<std::size_t>(string)]; }
    const ImageView& LEDLit(int string) const { return LEDLit_[static_cast<std::size_t>(string)]; }
    const Knob& strumSpeed() const { return *strumSpeed_; }
    const ImageView& acousticNoises() const { return acousticNoises_; }
    const View& positionMarker() const { return positionMarker_; }
    const Label& emptyTabLabel() const { return emptyTabLabel_; }
    const ImageView& restartTabMenu() const { return restartTabMenu_; }
    const ImageView& enterTabMenu() const { return enterTabMenu_; }
    const ImageView& loadSaveTabMenu() const { return loadSaveTabMenu_; }
    // The buttons of the picture, drawn pressed while a finger holds them.
    enum Button { kBackButton, kNextButton, kHoldButton, kFretButton, kTapButton, kNumButtons };
    const PressShade& pressShade(int button) const { return shades_[static_cast<std::size_t>(button)]; }
    // The button under a point, or -1.
    static int buttonAt(Point p);

    // Areas of the playing surface (open: an edge is outside).
    static bool onPickup(Point p);
    static bool onHoldButton(Point p);

protected:
    void fingerDown(const Touch& touch) override;
    void fingerMove(const Touch& touch) override;
    void fingerUp(const Touch& touch) override;
    void menuItemDown(Point p) override;
    void guitarChanged() override;
    std::optional<Point> keyFingerPoint(const KeyEvent& event) const override;

private:
    // One row of the tab card: the digits stand on the row's staff line, which
    // is left out behind each of them as in printed tablature, so that the
    // line never strikes a digit through.
    class TabRow : public Label {
    public:
        void draw(Graphics& g) override;
    };
    void redrawAcousticNoises();
    // Moves through the tab (when there is one), then shows where it now is.
    void moveInTab(void (Tab::*move)());
    void redrawPressShades();
    // Moves on a column after a strum or a held position (the loop wraps).
    void advanceAfterStrum();
    void redrawPractice();

    Tab* tab_;
    std::array<TabRow, kNumStrings> tabDisplay_;
    View positionMarker_;
    Label emptyTabLabel_;
    std::array<ImageView, kNumStrings> LEDLit_;
    std::unique_ptr<Knob> strumSpeed_;
    ImageView acousticNoises_;
    ImageView restartTabMenu_;
    ImageView enterTabMenu_;
    ImageView loadSaveTabMenu_;

    int draggingKnob_ = -1;
    std::array<int, kNumStrings> playlistNoForString_ = {-1, -1, -1, -1, -1, -1};
    bool holdPosition_ = false;
    int numFingersPressingPickup_ = 0;
    std::array<PressShade, kNumButtons> shades_;
    std::map<long, int> buttonOfFinger_;
    int loopFirst_ = -1;
    int loopLast_ = -1;
    Label loopLabel_;
    std::array<Label, kNumStrings> nextFrets_;
};
