#pragma once
#include "guitars/FretboardGuitarView.h"

// The Hammer-On guitar (screen 6): a note sounds as soon as a fret is
// pressed, each string sounding its highest held row. Pressing higher hammers
// on at full volume, lifting the sounding row pulls off to the highest lower
// one still held (volume 0.5) or silences the string. The board scrolls one
// step further than the Manual Fret's, to a zeroth fret above a drawn nut
// that plays the open string.
//
// Threads: UI thread only.
class HammerOnGuitarView : public FretboardGuitarView {
public:
    static constexpr float kPullOffVolume = 0.5f;
    static constexpr int kBoardLength = 428;
    // The right-handed touch areas, first match.
    static std::span<const HitArea<Area>> rightHandedTable();

    // parent may be null (tests); soundEngine must outlive the screen.
    HammerOnGuitarView(ScreenHost* parent, Performer* performer);
    ~HammerOnGuitarView() override;

    void pressString(int string, int row);
    void liftString(int string, int row);

    const ImageView& nut() const { return nut_; }
    // The mark of a finger holding a visible row of a string.
    const FingerMark& fingerMark(int string, int row) const { return marks_[string][row]; }

protected:
    void slotDown(Point p, int touchNo) override;
    void slotMove(Point p, Point oldPoint, int touchNo) override;
    void slotUp(Point p, int touchNo) override;
    void redrawOnFretPresses() override;
    void redrawOnNumFretsChange() override;
    void redrawOnFretboardScrolling() override;
    std::optional<Point> keyFingerPoint(const KeyEvent& event) const override;
    void placeFixedViews() override;

private:
    BoardImage nut_;
    std::array<std::array<FingerMark, kMaxRows>, kNumStrings> marks_;
};
