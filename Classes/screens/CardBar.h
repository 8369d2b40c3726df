#pragma once
#include "toolkit/View.h"

// A bar or key drawn like the setup screens' pictures, for the pages and
// cards drawn over them (the MIDI page, the tuning card, the Practice
// screen): a light face in a grey rim, green while its tag is set (a switch
// that is on). It takes no fingers: the screen's hit table does.
//
// Threads: UI thread only.
class CardBar : public View {
public:
    explicit CardBar(const Rect& frame);
    void draw(Graphics& g) override;
};
