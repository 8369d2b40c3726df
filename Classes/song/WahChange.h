#pragma once

#include "song/ControlChange.h"

// A movement of the wah pedal of one guitar: the coefficient handed to
// setWahForGuitar. A type of its own so that a wah list and a whammy list
// cannot be mixed up.
class WahChange : public ControlChange {
public:
    using ControlChange::ControlChange;
};
