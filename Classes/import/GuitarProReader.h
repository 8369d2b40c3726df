#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "import/Score.h"

// Reads Guitar Pro 3, 4 and 5 (.gp3, .gp4, .gp5: binary, little-endian) into a Score; see ScoreReader for the
// rules every reader keeps. Threads: any.
struct GuitarProReader {
    static bool read(std::span<const uint8_t> bytes, Score& score, std::string& error);
};
