#pragma once

// Which of the player's guitars something belongs to. Every per-guitar table
// (patches, pedals, change lists, recorded tilt) is sized kGuitars, and every
// guitar number from outside (files, screens, tools) is checked with
// validGuitar before it indexes one.
using GuitarId = int;

inline constexpr int kGuitars = 2;
// No guitar: what belongs to none (the fret and tap noises' mix).
inline constexpr GuitarId kNoGuitar = -1;

constexpr bool validGuitar(int guitar) {
    return guitar >= 0 && guitar < kGuitars;
}
