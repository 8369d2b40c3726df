#include "toolkit/VolumeSlider.h"

#include <algorithm>

#include "system/OutputVolume.h"
#include "toolkit/Graphics.h"

namespace {

// The thumb's radius; the track runs between the thumb's two end positions.
float thumbRadius(const Rect& b) {
    return std::min(b.height / 2, 12.0f);
}

} // namespace

VolumeSlider::VolumeSlider() = default;

VolumeSlider::VolumeSlider(const Rect& frame) : FingerView(frame) {}

float VolumeSlider::value() const {
    return OutputVolume::get();
}

void VolumeSlider::setValue(float value) {
    OutputVolume::set(value);
}

float VolumeSlider::valueForX(float x) const {
    Rect b = bounds();
    float r = thumbRadius(b);
    float span = b.width - 2 * r;
    if (span <= 0)
        return value();
    return std::clamp((x - r) / span, 0.0f, 1.0f);
}

void VolumeSlider::draw(Graphics& g) {
    View::draw(g);
    Rect b = bounds();
    float r = thumbRadius(b);
    float mid = b.height / 2;
    float span = b.width - 2 * r;
    float x = r + span * value();
    g.fillRect({r, mid - 2, span, 4}, Color{90, 90, 90, 255});
    g.fillRect({r, mid - 2, x - r, 4}, Color{70, 130, 230, 255});
    g.fillCircle({x, mid}, r, Color{235, 235, 235, 255});
    g.strokeCircle({x, mid}, r, Color{120, 120, 120, 255}, 1.0f);
}

void VolumeSlider::fingerMove(const Touch& touch) {
    float v = valueForX(touch.location.x);
    if (v == value())
        return;
    setValue(v);
    if (onChange_)
        onChange_(v);
}

void VolumeSlider::fingerUp(const Touch& touch) {
    // A finger the system took away leaves the value where it was.
    if (touch.phase != TouchPhase::Ended)
        return;
    fingerMove(touch);
    if (onRelease_)
        onRelease_(value());
}
