#pragma once
#include "toolkit/Label.h"
#include "toolkit/View.h"

// The drawn button that leads to the Practice screen, for screens whose
// pictures have no such button (the recorder, the playing screens' Recorder
// Bar): a dark face in a chrome rim with "PRACTICE" read sideways. It takes
// no touches itself: the screen's own touch table has its area.
//
// Threads: UI thread only.
class PracticeButton : public View {
public:
    explicit PracticeButton(const Rect& frame);
    void draw(Graphics& g) override;
    const Label& caption() const { return caption_; }

private:
    Label caption_;
};
