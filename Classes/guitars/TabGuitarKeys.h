#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "system/Geometry.h"
#include "toolkit/Key.h"

// Playing the Tab Guitar from a desktop keyboard: each key is a finger held
// at a fixed point of the screen, delivered through the screen's touch path.
//
// - A S D F G H touch the pickup over strings 1 to 6 (low E to high E): a
//   strum of the current column, or the single string while hold is down;
//   releasing the key moves on a column as a lifted finger does.
// - J holds the hold button.
// - Left and Right step back and forward through the tab.
// - N and M play the fret and tap noises on an acoustic guitar.
// - L marks the practice loop as a tap on the tab card does.
//
// None of them is kept by the platform (Shift + arrows, keypad 2 4 5 6 8,
// F11, Alt+Enter, Escape, Return) nor is Space.
//
// Threads: UI thread only.
class TabGuitarKeys {
public:
    struct Binding {
        std::string keys;
        std::string action;
    };

    // Where the key's finger goes, or nothing for a key the screen does not
    // use.
    static std::optional<Point> pointForKey(Key key);
    // The string a pickup key touches, -1 for other keys.
    static int stringForKey(Key key);
    // The key map, described for people.
    static std::vector<Binding> bindings();
};
