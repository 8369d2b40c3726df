#include "system/DevicelessAudioOutput.h"

#include <algorithm>

DevicelessAudioOutput::DevicelessAudioOutput(int maxFrames) : maxFrames_(maxFrames) {}

void DevicelessAudioOutput::setRenderCallback(RenderCallback callback, void* userData) {
    std::lock_guard<std::mutex> guard(renderMutex_);
    callback_ = callback;
    userData_ = userData;
}

void DevicelessAudioOutput::lock() {
    renderMutex_.lock();
}

void DevicelessAudioOutput::unlock() {
    renderMutex_.unlock();
}

int DevicelessAudioOutput::maxFramesPerBuffer() const {
    return maxFrames_;
}

int DevicelessAudioOutput::renderLocked(int16_t* out, int numFrames) {
    int result = -1;
    if (callback_)
        result = callback_(userData_, out, numFrames);
    if (result != 0)
        std::fill(out, out + static_cast<size_t>(numFrames) * kChannels, int16_t{0});
    return result;
}
