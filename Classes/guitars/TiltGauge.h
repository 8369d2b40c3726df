#pragma once
#include <array>

#include "toolkit/Label.h"
#include "toolkit/View.h"

class Performer;

// The small gauge on every playing screen that shows what tilting the phone
// does: the whammy bar's and the wah's positions, the guitar they act on,
// "off for this guitar" where the guitar has no whammy bar or its wah is
// off, and SONG while a song being played back moves them itself and
// overrules the live tilt.
//
// It reads as the user holds the phone: bounds 140 x 36, turned a quarter
// turn; it takes no touches, so the playing surface under it still plays.
// It asks for a frame only when what it shows changes.
//
// Threads: UI thread only.
class TiltGauge : public View {
public:
    static constexpr float kWidth = 148, kHeight = 36;
    // Where the bars run (gauge coordinates, as the user reads them).
    static constexpr float kBarLeft = 84, kBarRight = 142;

    // What the gauge shows, the positions in whole points along the bars.
    struct Reading {
        int guitar = 0;
        bool whammyAttached = false;
        bool wahOn = false;
        bool song = false;
        int whammyAt = 0; // kBarLeft ... kBarRight, the middle at rest
        int wahAt = 0;    // heel (closed) at kBarLeft, toe (open) at kBarRight
        bool operator==(const Reading&) const = default;
    };
    // The engine's state for a guitar: whether the song being played back
    // overrules the tilt needs the recorder's state too.
    static Reading read(const Performer& performer, int guitar, bool playingBack);

    TiltGauge();
    // Shows a reading; nothing is redrawn when it is the one shown.
    void show(const Reading& reading);
    const Reading& shown() const { return shown_; }

    void draw(Graphics& g) override;

    const Label& guitarLabel() const { return guitarLabel_; }
    const Label& songLabel() const { return songLabel_; }
    const Label& whammyLabel() const { return names_[0]; }
    const Label& wahLabel() const { return names_[1]; }
    const Label& whammyOffLabel() const { return offLabels_[0]; }
    const Label& wahOffLabel() const { return offLabels_[1]; }

private:
    Reading shown_;
    bool shownOnce_ = false;
    Label guitarLabel_;
    Label songLabel_;
    std::array<Label, 2> names_;
    std::array<Label, 2> offLabels_;
};
