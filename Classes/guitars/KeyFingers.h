#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "system/Geometry.h"
#include "toolkit/Key.h"
#include "toolkit/Touch.h"

// Playing the fretboard screens from a desktop keyboard: a held key is a
// finger held at a fixed point of the screen, delivered through the screen's
// own touch path, so that everything a finger does (recording included)
// behaves the same.
//
// The maps live here, in one place, so that the README and the manual can list
// them (see bindings()). None of them uses the keys the platform keeps for
// itself: the virtual tilt (Shift + arrow keys, keypad 2 4 5 6 8), F11,
// Alt+Enter, Escape and Return.
//
// - Manual Fret: A S D F G H pluck strings 1 to 6 (low E to high E) over the
//   pickup while the mouse frets; Space presses MUTE.
// - Hammer-On: four keyboard rows hold frets, one row per string and one key
//   per visible fret from the nut end: Z X C V ... on the low E string, A S D F
//   ... on A, Q W E R ... on D, 1 2 3 4 ... on G. With Shift held the same rows
//   hold the four upper strings instead: D, G, B and high E.
// - Scale: the bottom row Z X C V B N M , . / plays the first ten notes of the
//   strip from the lowest, A S D F G H J K L ; ' the next eleven, Q ... ] the
//   next twelve and 1 ... = the twelve after them.
//
// Threads: UI thread only.
class KeyFingers {
public:
    enum class Screen { ManualFret, HammerOn, Scale };

    // One line of a key map for the help texts.
    struct Binding {
        std::string keys;
        std::string action;
    };

    // Where a key's finger goes on each screen, or nothing for a key the
    // screen does not use.
    static std::optional<Point> manualFretPoint(Key key);
    // numFretsToShow and fretSpacing: the board's current layout; a key past
    // the visible frets holds nothing.
    static std::optional<Point> hammerOnPoint(Key key, bool shift, int numFretsToShow, int fretSpacing);
    // scaleNumNotes: the bands of the strip; a key past the last holds nothing.
    static std::optional<Point> scalePoint(Key key, int scaleNumNotes);

    // The string and visible fret row a Hammer-On key holds ({-1, -1} for
    // none), the band a Scale key plays (-1 for none), the string a Manual
    // Fret key plucks (-1 for none).
    static std::pair<int, int> hammerOnStringAndRow(Key key, bool shift);
    static int scaleBand(Key key);
    static int manualFretString(Key key);

    // The key maps, described for people.
    static std::vector<Binding> bindings(Screen screen);
    // The keys the platform keeps for itself; no map uses them.
    static bool isReservedByPlatform(Key key, bool shift);

    // The touch identity of a key's finger: negative, so it never meets the
    // platform's own touch numbers.
    static long touchIdForKey(Key key);

    // Held keys. press() answers the Began touch of a key's finger, release()
    // its Ended touch (nothing when the key is not held here), releaseAll()
    // the Ended touches of every held key.
    bool isHeld(Key key) const { return held_.count(key) != 0; }
    std::size_t heldCount() const { return held_.size(); }
    Touch press(Key key, Point point);
    std::optional<Touch> release(Key key);
    std::vector<Touch> releaseAll();

private:
    std::map<Key, Point> held_;
};
