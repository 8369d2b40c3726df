#pragma once
#include <array>

#include "guitars/FretboardGuitarView.h"

// The Manual Fret guitar (screen 5): fingers hold frets on the board, other
// fingers pluck or strum the strings over the pickup; a string sounds at its
// highest held fret when plucked. Pressing above a sounding fret hammers on,
// lifting the sounding fret pulls off to a lower held one (volume 0.65),
// sideways drags bend, MUTE silences every string.
//
// Threads: UI thread only.
class ManualFretAndPluckGuitarView : public FretboardGuitarView {
public:
    static constexpr float kHammerOnVolume = 0.65f;
    static constexpr float kPullOffVolume = 0.65f;
    static constexpr int kBoardLength = 350;

    // parent may be null (tests); soundEngine must outlive the screen.
    ManualFretAndPluckGuitarView(Strumwell* parent, SoundEngine* soundEngine);
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
    const Label& muteLabel() const { return muteLabel_; }

protected:
    void fingerDown(Point p, int touchNo) override;
    void fingerMove(Point p, Point oldPoint, int touchNo) override;
    void fingerUp(Point p, int touchNo) override;
    void redrawOnFretPresses() override;
    void redrawOnFretboardScrolling() override;
    std::optional<Point> keyFingerPoint(const KeyEvent& event) const override;

private:
    std::array<int, kNumStrings> fretBeingPlayed_;
    std::array<Label, kNumStrings> stringFrettedNumbers_;
    Label muteLabel_;
    ImageView pickupIV_;
};
