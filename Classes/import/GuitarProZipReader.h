#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "import/Score.h"

// Reads the zipped Guitar Pro of the current versions (.gp: a zip holding Content/score.gpif, an XML score)
// into a Score; see ScoreReader for the rules every reader keeps. Threads: any.
struct GuitarProZipReader {
    // The most beats and notes one score may unfold into: bars may share
    // voices and voices beats, so a small file could otherwise ask for
    // billions.
    static constexpr std::size_t kMaxEvents = 2'000'000;

    static bool read(std::span<const uint8_t> bytes, Score& score, std::string& error);
    // The score.gpif document alone.
    static bool readGpif(std::string_view xml, Score& score, std::string& error);
};
