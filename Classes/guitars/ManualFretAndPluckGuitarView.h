#pragma once
#include <array>

#include "guitars/FretboardGuitarView.h"

// The Manual Fret guitar (screen 5): fingers hold frets on the board, other
// fingers pluck or strum the strings over the pickup; a string sounds at its
// highest held fret when plucked. Pressing above a sounding fret hammers on,
// lifting the sounding fret pulls off to a lower held one (volume 0.65),
// sideways drags bend, MUTE silences every string.
//
// The rows share the board between the first fret line (57) and the pickup
// (394) evenly, so the last row is as wide as the others.
//
// Threads: UI thread only.
class ManualFretAndPluckGuitarView : public FretboardGuitarView {
public:
    static constexpr float kHammerOnVolume = 0.65f;
    static constexpr float kPullOffVolume = 0.65f;
    static constexpr int kBoardLength = 394 - kFirstFretLine;
    // The MUTE button's touch area: 156 < x < 231 in the control strip.
    static bool onMuteButton(Point p) { return p.y < 55 && p.x > 156 && p.x < 231; }
    // The right-handed touch areas, first match.
    static std::span<const HitArea<Area>> rightHandedTable();

    // parent may be null (tests); soundEngine must outlive the screen.
    ManualFretAndPluckGuitarView(ScreenHost* parent, Performer* performer);
    ~ManualFretAndPluckGuitarView() override;

    void pressFret(int row, int string);
    void liftFret(int row, int string);
    void refretStrings();
    void hammerOn(int string, int row);
    void pressString(int string);
    void liftString(int string);
    void dampenStrings();

    int fretBeingPlayed(int string) const { return fretBeingPlayed_[string]; }
    const Label& stringFrettedNumber(int string) const { return stringFrettedNumbers_[string]; }
    // The MUTE button, drawn pressed while a finger holds it.
    const ImageView& muteButton() const { return muteButton_; }
    const ImageView& muteButtonPressed() const { return muteButtonPressed_; }
    bool muteButtonHeld() const;

protected:
    void slotDown(Point p, int touchNo) override;
    void slotMove(Point p, Point oldPoint, int touchNo) override;
    void slotUp(Point p, int touchNo) override;
    void redrawOnFretPresses() override;
    void redrawOnFretboardScrolling() override;
    std::optional<Point> keyFingerPoint(const KeyEvent& event) const override;
    void liftAllFingerPresses() override;
    void placeFixedViews() override;

private:
    void redrawMuteButton();

    std::array<int, kNumStrings> fretBeingPlayed_;
    // Under each fretted number, so that the string running under it does
    // not strike the number through.
    std::array<NumberPlate, kNumStrings> stringFrettedPlates_;
    std::array<Label, kNumStrings> stringFrettedNumbers_;
    BoardImage muteButton_;
    BoardImage muteButtonPressed_;
    // Per touch slot: that finger came down on MUTE and is still on it.
    std::array<bool, kNumStrings> muteHeldBy_{};
    BoardImage pickupIV_;
};
