#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "import/Score.h"

// Reads a Standard MIDI File (type 0 or 1) into a Score; see ScoreReader for the rules every reader keeps.
// Threads: any.
struct MidiFileReader {
    static bool read(std::span<const uint8_t> bytes, Score& score, std::string& error);
};
