#include "platform/core/OfflineAudioOutput.h"

#include <algorithm>

OfflineAudioOutput::OfflineAudioOutput(int maxFrames) : maxFrames_(std::max(1, maxFrames)) {}

void OfflineAudioOutput::setRenderCallback(RenderCallback callback, void* userData) {
    std::lock_guard<std::mutex> guard(mutex_);
    callback_ = callback;
    userData_ = userData;
}

bool OfflineAudioOutput::start() {
    std::lock_guard<std::mutex> guard(mutex_);
    started_ = true;
    return true;
}

void OfflineAudioOutput::stop() {
    std::lock_guard<std::mutex> guard(mutex_);
    started_ = false;
}

void OfflineAudioOutput::lock() {
    mutex_.lock();
}

void OfflineAudioOutput::unlock() {
    mutex_.unlock();
}

int OfflineAudioOutput::maxFramesPerBuffer() const {
    return maxFrames_;
}

int OfflineAudioOutput::pull(int16_t* out, int numFrames) {
    if (numFrames <= 0 || !out)
        return -1;
    std::lock_guard<std::mutex> guard(mutex_);
    int result = -1;
    if (started_ && callback_)
        result = callback_(userData_, out, numFrames);
    if (result != 0)
        std::fill(out, out + static_cast<size_t>(numFrames) * kChannels, int16_t{0});
    return result;
}
