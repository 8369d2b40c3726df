#include "guitars/TabGuitarKeys.h"

#include <array>

namespace {

// Middle of each string's band of the pickup, and a height on the pickup.
constexpr std::array<float, 6> kStringX = {67, 111, 148, 185, 223, 265};
constexpr float kPickupY = 440;

constexpr Point kHoldPoint = {287, 335};
constexpr Point kBackArrowPoint = {168, 27};
constexpr Point kForwardArrowPoint = {168, 341};
constexpr Point kFretNoisePoint = {292, 30};
constexpr Point kTapNoisePoint = {292, 92};

} // namespace

int TabGuitarKeys::stringForKey(Key key) {
    switch (key) {
    case Key::A:
        return 0;
    case Key::S:
        return 1;
    case Key::D:
        return 2;
    case Key::F:
        return 3;
    case Key::G:
        return 4;
    case Key::H:
        return 5;
    default:
        return -1;
    }
}

std::optional<Point> TabGuitarKeys::pointForKey(Key key) {
    const int s = stringForKey(key);
    if (s >= 0)
        return Point{kStringX[static_cast<std::size_t>(s)], kPickupY};
    switch (key) {
    case Key::J:
        return kHoldPoint;
    case Key::Left:
        return kBackArrowPoint;
    case Key::Right:
        return kForwardArrowPoint;
    case Key::N:
        return kFretNoisePoint;
    case Key::M:
        return kTapNoisePoint;
    default:
        return std::nullopt;
    }
}

std::vector<TabGuitarKeys::Binding> TabGuitarKeys::bindings() {
    return {
        {"A S D F G H",
         "touch the pickup over strings 1 to 6: strum the column (one string while hold is down)"},
        {"J", "hold the position"},
        {"Left / Right", "step back / forward through the tab"},
        {"N / M", "fret / tap noise (acoustic guitars)"},
    };
}
