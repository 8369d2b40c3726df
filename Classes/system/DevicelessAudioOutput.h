#pragma once
#include <cstdint>
#include <mutex>

#include "system/AudioOutput.h"

// What the outputs without a sound device share: the callback runs under one
// mutex, which lock() takes. That is acceptable because their render thread
// is not a real device's: nothing is heard when it is held up.
class DevicelessAudioOutput : public AudioOutput {
public:
    // Control thread, before start().
    void setRenderCallback(RenderCallback callback, void* userData) override;
    // Any thread but the render thread (the callback must not call them).
    void lock() override;
    void unlock() override;
    // Any thread: the frames per buffer it was made with.
    int maxFramesPerBuffer() const override;

protected:
    explicit DevicelessAudioOutput(int maxFrames);

    // The render thread, holding renderMutex_: the callback fills numFrames
    // interleaved stereo frames of out and its result is returned; with no
    // callback -1. Unless the result is 0, out is silenced.
    int renderLocked(int16_t* out, int numFrames);

    std::mutex renderMutex_;

private:
    const int maxFrames_;
    RenderCallback callback_ = nullptr;
    void* userData_ = nullptr;
};
