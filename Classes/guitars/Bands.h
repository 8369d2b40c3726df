#pragma once
#include <span>

// Strips of a screen cut into bands along one coordinate, as the guitars'
// strings, frets, keys and menu shortcuts are.
namespace Bands {

// The band of v when each band ends (exclusively) where `ends` says, in
// order: 0 below the first end, ends.size() at or past the last.
inline int below(std::span<const float> ends, float v) {
    int band = 0;
    for (float end : ends) {
        if (v < end)
            return band;
        ++band;
    }
    return band;
}

// The open band between two consecutive edges holding v, or -1 on an edge or
// outside them all.
inline int between(std::span<const float> edges, float v) {
    for (std::size_t i = 0; i + 1 < edges.size(); ++i)
        if (v > edges[i] && v < edges[i + 1])
            return static_cast<int>(i);
    return -1;
}

} // namespace Bands
