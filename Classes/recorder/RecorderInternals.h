#pragma once

// Helpers shared by the recorder's source files (Recorder*.cpp) and by no one
// else.

#include <algorithm>
#include <cmath>
#include <mutex>

#include "recorder/Recorder.h"

namespace recorder_internals {

using Lock = std::lock_guard<std::recursive_mutex>;

inline int clampGuitar(int guitar) {
    return guitar == 1 ? 1 : 0;
}
inline bool validGuitar(int guitar) {
    return guitar == 0 || guitar == 1;
}

// The wah value a played-back or restored change hands to the engine: the
// tilt's range; a value that is not a number leaves the pedal open.
inline float heldWah(float value) {
    if (std::isnan(value)) {
        return Recorder::kMaxWah;
    }
    return std::clamp(value, Recorder::kMinWah, Recorder::kMaxWah);
}

} // namespace recorder_internals
