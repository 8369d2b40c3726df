#pragma once
#include <array>
#include <span>
#include <vector>

#include "guitars/BoardImage.h"
#include "guitars/GuitarScreenView.h"
#include "guitars/TouchSlot.h"
#include "guitars/Tuning.h"
#include "song/GuitarTuning.h"
#include "toolkit/HitTable.h"

// What the Manual Fret and Hammer-On guitars share: six strings over a
// fretboard of 3 to 10 visible rows that scrolls along the neck, six touch
// slots with the down / move / up split (and its menu variants), the mapping
// of points to strings and rows, bending by sideways drags, the number of
// visible frets (kept in the engine, shared by both screens) and the drawing
// of frets, markers and strings.
//
// The view is 320 x 480 points, held sideways: strings lie along y (string 0,
// the low E, at small x), the nut end of the board at small y.
//
// Left-handed, the screen is the right-handed one mirrored along the neck
// (y -> 480 - y): pictures, lights and touch areas alike, the control strip
// included; only the Plectrum menu, which is not part of the board, stays
// where it is. Fingers are mirrored as they arrive, so everything past that
// works in the right-handed board's points.
//
// Threads: UI thread only.
class FretboardGuitarView : public GuitarScreenView {
public:
    static constexpr int kNumStrings = Tuning::kNumStrings;
    // Rows on the board, and how many of them may be shown.
    static constexpr int kMaxRows = 10, kMinFrets = 3, kMaxFrets = 10;
    // The first fret line.
    static constexpr int kFirstFretLine = 57;
    // Numbers drawn over the board stand on small dark plates, light on dark:
    // the maple and the strings behind them vary too much for any one text
    // colour to read everywhere.
    static constexpr Color kNumberColor{240, 230, 210, 255};
    class NumberPlate : public View {
    public:
        NumberPlate();
        void draw(Graphics& g) override;
    };

    // A sounding string lit along its vibrating length: drawn at full
    // strength when plucked, it fades out over the note's ring (or at once
    // when the note is stopped), timed by the views' animation clock.
    class StringGlow : public View {
    public:
        StringGlow();
        void draw(Graphics& g) override;
    };
    // Where a finger holds a fret: a round mark on the string.
    class FingerMark : public View {
    public:
        FingerMark();
        void draw(Graphics& g) override;
    };
    // The capo drawn across the strings at its fret, hidden when that fret is
    // not on the board.
    class CapoBar : public View {
    public:
        CapoBar();
        void draw(Graphics& g) override;
    };
    const CapoBar& capoBar() const { return capoBar_; }
    // How long a plucked string shows after its pluck, and how fast it goes
    // dark when its note is stopped.
    static constexpr double kRingSeconds = 1.5, kStopSeconds = 0.15;

    // What a finger coming down on the board's screen does; first match in
    // a screen's table.
    enum class Area { Plectrum, ScrollTowardNut, ScrollTowardBody, Board, Pickup, Mute };
    // The screen's touch areas as they are now (left- or right-handed).
    std::span<const HitArea<Area>> touchAreas() const {
        return leftHanded_ ? std::span<const HitArea<Area>>(leftHandedAreas_) : rightHandedAreas_;
    }
    // The left-handed table of a right-handed one: each area mirrored, and
    // the Plectrum menu's own plectrum, which stays put, ahead of them.
    static std::vector<HitArea<Area>> leftHandedTable(std::span<const HitArea<Area>> rightHanded);
    // A point of the screen mirrored along the neck (its own inverse).
    static Point mirrored(Point p) { return {p.x, kScreenHeight - p.y}; }

    bool leftHanded() const { return leftHanded_; }
    // Mirrors the screen (places every view again); fingers down are lifted.
    void setLeftHanded(bool on);
    // Takes up the host's left-handed setting, then redraws.
    void willAppear(int previousScreen, int currentGuitar) override;
    void draw(Graphics& g) override;

    // The string under a point (its x only): always 0..5.
    static int getStringForCoord(Point p);
    // The visible row under a point (its y only): -1 above the first fret
    // line, at most 9.
    int getFretForCoord(Point p) const;
    // Where the line before row r lies (r may be past the visible rows: the
    // lines go on at the same pitch), and the middle of row r.
    int rowLine(int row) const;
    int rowMiddle(int row) const { return (rowLine(row) + rowLine(row + 1)) / 2; }

    // Each time the screen is shown: adopts the engine's fret count.
    void redraw() override;

    void lessFrets();
    void moreFrets();
    void setNumberFrets(int count);

    // Scroll arrows (not past the ends of the neck).
    void scrollTowardNut();
    void scrollTowardBody();

    // State, for tests and drawing.
    int numFretsToShow() const { return numFretsToShow_; }
    int fretSpacing() const { return fretSpacing_; }
    int leftmostFret() const { return leftmostFret_; }
    int fret(int string) const { return fret_[string]; }
    int playlistNoForString(int string) const { return playlistNoForString_[string]; }
    int currentBendPosition(int string) const { return currentBendPosition_[string]; }
    bool stringPressedAtFret(int string, int row) const { return stringPressedAtFret_[string][row]; }
    const TouchSlot& touchSlot(int touchNo) const { return touchSlots_[touchNo]; }
    const ImageView& stringUp(int string) const { return stringsUp_[string]; }
    const ImageView& stringDown(int string) const { return stringsDown_[string]; }
    const ImageView& fretImage(int row) const { return frets_[row]; }
    const Label& fretNumber(int row) const { return fretNumbers_[row]; }
    const ImageView& manualSpot(int row) const { return manualSpot_[row]; }
    const ImageView& manualDoubleSpotTop() const { return manualDoubleSpotTop_; }
    const ImageView& manualDoubleSpotBottom() const { return manualDoubleSpotBottom_; }
    const StringGlow& stringGlow(int string) const { return glows_[string]; }
    int midiRow(int string) const { return midiRow_[static_cast<std::size_t>(string)]; }
    // Where a string is drawn (its x).
    static float stringX(int string);

protected:
    // boardLength: the length the visible rows share (fretSpacing =
    // boardLength / numFretsToShow); lowestLeftmostFret: 1, or 0 when the
    // board can show the open strings. evenRows: the rows share the length
    // exactly (row r starts at 57 + r * boardLength / numFretsToShow, rounded
    // down), so that the last row ends at the end of the board and is as
    // wide as the others; otherwise every row is fretSpacing long and what
    // is left over goes to the last one.
    FretboardGuitarView(ScreenHost* parent, Performer* performer, std::span<const HitArea<Area>> areas,
                        int boardLength, int lowestLeftmostFret, bool evenRows = false);
    static constexpr float kScreenHeight = 480;

    // Where a point of the right-handed board is on the screen now, and a
    // view placed there.
    Point onScreen(Point p) const { return leftHanded_ ? mirrored(p) : p; }
    Rect onScreen(Rect r) const {
        return leftHanded_ ? Rect{r.x, kScreenHeight - r.y - r.height, r.width, r.height} : r;
    }
    void place(View& view, Point boardCentre) const { view.setCenter(onScreen(boardCentre)); }
    // Places the views that stand still on the board, and every picture the
    // right way up; each screen adds its own.
    virtual void placeFixedViews();

    // Each finger takes a slot; the screen sees it by its slot number.
    void fingerDown(const Touch& touch) override;
    void fingerMove(const Touch& touch) override;
    void fingerUp(const Touch& touch) override;
    FingerTarget* menuFingerWatcher() override { return &touchSlots_; }
    virtual void slotDown(Point p, int touchNo) = 0;
    virtual void slotMove(Point p, Point oldPoint, int touchNo) = 0;
    virtual void slotUp(Point p, int touchNo) = 0;

    // The area of the screen's table a finger down at a board point is in.
    std::optional<Area> areaAt(Point boardPoint) const {
        return hitActionInside(rightHandedAreas_, boardPoint);
    }
    // The plectrum and the two scroll arrows: true when `area` is one of
    // them (its action is done).
    bool controlStripFingerDown(std::optional<Area> area);

    // The bend step of a drag on the board: I the finger's reference point,
    // N where it is now, S0 the string of I.
    void bendStep(int string, Point now, Point reference);

    void fretCountMenuPress(Point p) override;
    void menuWillMove() override;

    virtual void redrawOnNumFretsChange();
    virtual void redrawOnFretboardScrolling();
    virtual void redrawOnFretPresses() = 0;
    void liftAllFingerPresses() override;
    void redrawStringsForBending();

    // Adds the views every fretboard has; each screen stacks them in its
    // own order.
    void addFretImages();
    void addFretNumbers();
    void addMarkers();
    void addStrings();
    void addScrollButtons();
    void addStringGlows();

    // Lights string s from fromY to the bridge end of the board and lets it
    // fade over the ring; darkenString fades it out quickly.
    void lightString(int string, float fromY);
    void darkenString(int string);
    // MIDI's notes: each sample held on the current guitar lights the lowest
    // free string that has it on the shown frets (or open), steady while it
    // is held; the board's own plucks keep their fading glow.
    void lightMidiSamples(uint64_t samples) override;
    // The row MIDI lights on each string (-1: open), kNoMidiRow for none.
    static constexpr int kNoMidiRow = -2;
    // Where a string vibrates from when it sounds the visible row (-1: open).
    float vibratingFrom(int row) const;

    // The current guitar's tuning and capo (standard without a host), and the
    // sample a finger on a fret (counted from the nut) sounds with it.
    GuitarTuning tuning() const;
    int sampleFor(int string, int fretNumber) const { return tuning().sampleAtFret(string, fretNumber); }
    void placeCapo();

    TouchSlots touchSlots_;
    std::array<int, kNumStrings> currentBendPosition_{};
    int numFretsToShow_ = 0;
    int fretSpacing_ = 0;
    int leftmostFret_;
    std::array<int, kNumStrings> fret_;
    std::array<int, kNumStrings> playlistNoForString_;
    std::array<std::array<bool, kMaxRows>, kNumStrings> stringPressedAtFret_{};

    std::array<BoardImage, kMaxRows> frets_;
    std::array<NumberPlate, kMaxRows> fretNumberPlates_;
    std::array<Label, kMaxRows> fretNumbers_;
    std::array<BoardImage, kMaxRows> manualSpot_;
    BoardImage manualDoubleSpotTop_;
    BoardImage manualDoubleSpotBottom_;
    std::array<BoardImage, kNumStrings> stringsUp_;
    std::array<BoardImage, kNumStrings> stringsDown_;
    BoardImage scrollButtons_;
    std::array<StringGlow, kNumStrings> glows_;
    std::array<int, kNumStrings> midiRow_;
    CapoBar capoBar_;

private:
    // boardMoved: the rows moved, so lit glows are placed again.
    void placeMidiGlows(uint64_t samples, bool boardMoved);

    // A touch as the right-handed board takes it.
    Touch boardTouch(const Touch& touch) const;

    int boardLength_;
    int lowestLeftmostFret_;
    bool evenRows_;
    bool leftHanded_ = false;
    std::span<const HitArea<Area>> rightHandedAreas_;
    std::vector<HitArea<Area>> leftHandedAreas_;
    std::shared_ptr<Image> background_;
};
