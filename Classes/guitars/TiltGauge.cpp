#include "guitars/TiltGauge.h"

#include <cmath>
#include <string>

#include "audio/SoundEngine.h"
#include "performer/Performer.h"
#include "toolkit/Graphics.h"

namespace {

const Color kPlate{22, 16, 12, 225};
const Color kText{240, 230, 210, 255};
const Color kTrack{150, 140, 125, 255};
const Color kMarker{236, 190, 92, 255};
const Color kSongBack{170, 36, 28, 255};
constexpr float kLineY[2] = {10, 26}; // the middles of the whammy and wah lines

void setUp(Label& label, Rect frame, float size) {
    label.setFrame(frame);
    label.setFont("Arial", size);
    label.setTextColor(kText);
    label.setUserInteractionEnabled(false);
}

int along(float share) {
    if (!(share >= 0))
        share = 0;
    if (share > 1)
        share = 1;
    return static_cast<int>(
        std::lround(TiltGauge::kBarLeft + share * (TiltGauge::kBarRight - TiltGauge::kBarLeft)));
}

} // namespace

TiltGauge::Reading TiltGauge::read(const Performer& performer, int guitar, bool playingBack) {
    const SoundEngine& engine = performer.engine();
    Reading r;
    r.guitar = guitar;
    r.whammyAttached = engine.whammyBarAttached(guitar);
    r.wahOn = engine.wahOn(guitar);
    r.song = playingBack && performer.songHoldsTilt(guitar);
    // The whammy's pitch offset runs -0.5 (bar pushed down) ... 0.5.
    r.whammyAt = along(engine.whammy(guitar) + 0.5f);
    // The wah coefficient runs 0.05 (heel, closed) ... 0.5 (toe, open).
    r.wahAt = along((engine.wahForGuitar(guitar) - 0.05f) / 0.45f);
    return r;
}

TiltGauge::TiltGauge() {
    setBounds({0, 0, kWidth, kHeight});
    setRotation(kQuarterTurn);
    setUserInteractionEnabled(false);
    setUp(guitarLabel_, {3, 2, 30, 15}, 11);
    guitarLabel_.setTextAlignment(TextAlignment::Center);
    setUp(songLabel_, {3, 19, 30, 15}, 9);
    songLabel_.setTextAlignment(TextAlignment::Center);
    songLabel_.setText("SONG");
    songLabel_.setBackgroundColor(kSongBack);
    songLabel_.setHidden(true);
    const char* names[2] = {"WHAMMY", "WAH"};
    for (int i = 0; i < 2; ++i) {
        setUp(names_[i], {35, kLineY[i] - 7, 42, 14}, 9);
        names_[i].setText(names[i]);
        setUp(offLabels_[i], {kBarLeft - 4, kLineY[i] - 7, kBarRight - kBarLeft + 8, 14}, 8);
        offLabels_[i].setText("off for this guitar");
        offLabels_[i].setTextAlignment(TextAlignment::Center);
    }
    for (Label* label : {&guitarLabel_, &songLabel_, &names_[0], &names_[1], &offLabels_[0], &offLabels_[1]})
        addSubview(label);
    show(Reading{});
}

void TiltGauge::show(const Reading& reading) {
    if (shownOnce_ && reading == shown_)
        return;
    shownOnce_ = true;
    shown_ = reading;
    guitarLabel_.setText("G" + std::to_string(reading.guitar + 1));
    songLabel_.setHidden(!reading.song);
    offLabels_[0].setHidden(reading.whammyAttached);
    offLabels_[1].setHidden(reading.wahOn);
    setNeedsDisplay();
}

void TiltGauge::draw(Graphics& g) {
    const Rect b = bounds();
    g.fillRoundedRect(b, 6, kPlate);
    const bool on[2] = {shown_.whammyAttached, shown_.wahOn};
    const int at[2] = {shown_.whammyAt, shown_.wahAt};
    for (int i = 0; i < 2; ++i) {
        if (!on[i])
            continue;
        const float y = kLineY[i];
        g.drawLine({kBarLeft, y}, {kBarRight, y}, kTrack, 2);
        if (i == 0) // the whammy rests in the middle
            g.drawLine({(kBarLeft + kBarRight) / 2, y - 4}, {(kBarLeft + kBarRight) / 2, y + 4}, kTrack, 1);
        g.fillCircle({static_cast<float>(at[i]), y}, 4.5f, kMarker);
    }
}
