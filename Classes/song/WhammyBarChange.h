#pragma once

#include "song/ControlChange.h"

// A movement of the whammy bar of one guitar: the offset handed to
// setWhammyForGuitar (0 at rest). A type of its own so that a whammy list and
// a wah list cannot be mixed up.
class WhammyBarChange : public ControlChange {
public:
    using ControlChange::ControlChange;
};
