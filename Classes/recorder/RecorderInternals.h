#pragma once

// Helpers shared by the recorder's source files (Recorder*.cpp) and by no one
// else.

#include <mutex>

#include "recorder/Recorder.h"

namespace recorder_internals {

using Lock = std::lock_guard<std::mutex>;

inline int clampGuitar(int guitar) {
    return guitar == 1 ? 1 : 0;
}

// The wah value a played-back change hands to the engine: the tilt's range.
inline float heldWah(float value) {
    return SongEvents::heldWah(value);
}

} // namespace recorder_internals

template <class T> T Recorder::copyLocked(const T& value) const {
    recorder_internals::Lock lock(mutex_);
    return value;
}
