#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "import/Score.h"

// Reads MusicXML, plain (.musicxml, .xml) or compressed (.mxl: a zip whose META-INF/container.xml names the
// score) into a Score; see ScoreReader for the rules every reader keeps. Threads: any.
struct MusicXmlReader {
    static bool read(std::span<const uint8_t> bytes, Score& score, std::string& error);
};
