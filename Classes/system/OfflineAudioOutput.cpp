#include "system/OfflineAudioOutput.h"

#include <algorithm>

OfflineAudioOutput::OfflineAudioOutput(int maxFrames) : DevicelessAudioOutput(std::max(1, maxFrames)) {}

bool OfflineAudioOutput::start() {
    std::lock_guard<std::mutex> guard(renderMutex_);
    started_ = true;
    return true;
}

void OfflineAudioOutput::stop() {
    std::lock_guard<std::mutex> guard(renderMutex_);
    started_ = false;
}

int OfflineAudioOutput::pull(int16_t* out, int numFrames) {
    if (numFrames <= 0 || !out)
        return -1;
    std::lock_guard<std::mutex> guard(renderMutex_);
    if (started_)
        return renderLocked(out, numFrames);
    std::fill(out, out + static_cast<size_t>(numFrames) * kChannels, int16_t{0});
    return -1;
}
