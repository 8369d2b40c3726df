#pragma once
#include <functional>

#include "toolkit/FingerView.h"

// The output volume slider: a track with a round thumb, dragged along its
// length (its own x axis; turn it a quarter turn for a user holding the
// phone sideways). It sets OutputVolume, the gain the sound output applies
// after the mix, so the volume is the same wherever a slider shows it.
//
// Threads: UI thread only.
class VolumeSlider : public FingerView {
public:
    VolumeSlider();
    explicit VolumeSlider(const Rect& frame);

    // 0 to 1, read from OutputVolume.
    float value() const;
    void setValue(float value);
    // Called after a drag or tap changed the value.
    void setOnChange(std::function<void(float)> onChange) { onChange_ = std::move(onChange); }
    // Called when the finger that moved the slider lets go (a good moment
    // to keep the new value).
    void setOnRelease(std::function<void(float)> onRelease) { onRelease_ = std::move(onRelease); }

    // The value a touch at x (in the slider's coordinates) gives.
    float valueForX(float x) const;

    void draw(Graphics& g) override;

protected:
    // The thumb jumps to a finger that comes down and follows it.
    void fingerDown(const Touch& touch) override { fingerMove(touch); }
    void fingerMove(const Touch& touch) override;
    void fingerUp(const Touch& touch) override;

private:
    std::function<void(float)> onChange_;
    std::function<void(float)> onRelease_;
};
