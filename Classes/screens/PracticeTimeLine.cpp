#include "screens/PracticeTimeLine.h"

#include <algorithm>

#include "toolkit/Graphics.h"

namespace {

constexpr Color kTrack{150, 146, 140, 255};
constexpr Color kTrackFace{247, 239, 220, 255};
constexpr Color kLoopOn{70, 130, 200, 255};
constexpr Color kLoopOff{182, 196, 214, 255};
constexpr Color kHead{190, 30, 30, 255};

} // namespace

PracticeTimeLine::PracticeTimeLine(const Rect& frame) {
    setFrame(frame);
    setUserInteractionEnabled(false);
}

void PracticeTimeLine::show(const State& state) {
    if (state == state_)
        return;
    state_ = state;
    setNeedsDisplay();
}

double PracticeTimeLine::length() const {
    return std::max({state_.length, state_.b, kMinLength});
}

double PracticeTimeLine::timeAt(float screenY) const {
    const float along = frame().height - 2 * kEnds;
    const float y = std::clamp(screenY - frame().y - kEnds, 0.0f, along);
    return length() * y / along;
}

float PracticeTimeLine::yOf(double seconds) const {
    const float along = frame().height - 2 * kEnds;
    return frame().y + kEnds + static_cast<float>(std::clamp(seconds / length(), 0.0, 1.0)) * along;
}

void PracticeTimeLine::draw(Graphics& g) {
    const Rect b = bounds();
    g.fillRoundedRect(b, 6, kTrack);
    g.fillRoundedRect({b.x + 2, b.y + 2, b.width - 4, b.height - 4}, 5, kTrackFace);
    const float top = frame().y;
    const float a = yOf(state_.a) - top, e = yOf(state_.b) - top;
    g.fillRect({b.x + 5, a, b.width - 10, std::max(e - a, 2.0f)}, state_.loopOn ? kLoopOn : kLoopOff);
    const float head = yOf(state_.position) - top;
    g.fillRect({b.x + 2, head - 1.5f, b.width - 4, 3}, kHead);
}
