#pragma once
#include <array>

// Standard tuning as the guitars' sample patches lay it out: the sample number
// (relative to a guitar) of each open string, low E first. A fretted note is
// its open string's sample plus the fret.
namespace Tuning {

inline constexpr int kNumStrings = 6;
inline constexpr std::array<int, kNumStrings> kOpenStringSample = {2, 7, 12, 17, 21, 26};

constexpr int sampleFor(int string, int fret) {
    return kOpenStringSample[static_cast<std::size_t>(string)] + fret;
}

} // namespace Tuning
