#pragma once
// What a headless window shows: its picture after the clock moves on by
// `seconds` and one frame is drawn, read at a point of the 320 x 480 screen
// (which the capture holds on its side) or at a pixel of the capture.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "backend/sdl/Application.h"
#include "system/Clock.h"

namespace testsupport {

struct Picture {
    Picture(Application& app, ManualClock& clock, double seconds) {
        clock.advance(seconds);
        app.runFrames(1);
        px = app.captureLandscape(&w, &h);
    }
    // The colour as 0xBBGGRR.
    std::uint32_t pixel(int column, int row) const {
        const auto i = (static_cast<std::size_t>(row) * w + static_cast<std::size_t>(column)) * 4;
        return px[i] | px[i + 1] << 8 | px[i + 2] << 16;
    }
    std::uint32_t at(Point p) const {
        return pixel(static_cast<int>(p.y * (w / 480)), static_cast<int>((320 - p.x) * (w / 480)));
    }

    std::vector<std::uint8_t> px;
    int w = 0, h = 0;
};

} // namespace testsupport
