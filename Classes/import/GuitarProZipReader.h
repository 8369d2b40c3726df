#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "import/Score.h"

// Reads the zipped Guitar Pro of the current versions (.gp: a zip holding Content/score.gpif, an XML score)
// into a Score; see ScoreReader for the rules every reader keeps. Threads: any.
struct GuitarProZipReader {
    static bool read(std::span<const uint8_t> bytes, Score& score, std::string& error);
};
