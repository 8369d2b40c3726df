#include "guitars/TabGuitarKeys.h"

#include <array>

namespace {

// Middle of each string's band of the pickup, and a height on the pickup.
constexpr std::array<float, 6> kStringX = {67, 111, 148, 185, 223, 265};
constexpr float kPickupY = 440;

// The keys over strings 1 to 6, in order.
constexpr std::array<Key, 6> kStringKeys = {Key::A, Key::S, Key::D, Key::F, Key::G, Key::H};

struct KeyPoint {
    Key key;
    Point point;
};
constexpr std::array<KeyPoint, 6> kKeyPoints = {{
    {Key::J, {287, 335}},     // hold
    {Key::Left, {168, 27}},   // back arrow
    {Key::Right, {168, 341}}, // forward arrow
    {Key::N, {292, 30}},      // fret noise
    {Key::M, {292, 92}},      // tap noise
    {Key::L, {160, 182}},     // the tab card: mark the loop
}};

} // namespace

int TabGuitarKeys::stringForKey(Key key) {
    for (std::size_t s = 0; s < kStringKeys.size(); ++s)
        if (kStringKeys[s] == key)
            return static_cast<int>(s);
    return -1;
}

std::optional<Point> TabGuitarKeys::pointForKey(Key key) {
    const int s = stringForKey(key);
    if (s >= 0)
        return Point{kStringX[static_cast<std::size_t>(s)], kPickupY};
    for (const KeyPoint& k : kKeyPoints)
        if (k.key == key)
            return k.point;
    return std::nullopt;
}

std::vector<TabGuitarKeys::Binding> TabGuitarKeys::bindings() {
    return {
        {"A S D F G H",
         "touch the pickup over strings 1 to 6: strum the column (one string while hold is down)"},
        {"J", "hold the position"},
        {"Left / Right", "step back / forward through the tab"},
        {"N / M", "fret / tap noise (acoustic guitars)"},
        {"L", "mark the loop's first column, then its last; again to clear it"},
    };
}
