#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "import/Score.h"

// One reader per file format, each from a byte span it never reads past,
// never allocating from a count it has not checked against what is left.
// Every reader has this shape:
//
//     static bool read(std::span<const uint8_t> bytes, Score& score, std::string& error);
//
// false with `error` in words ("not a Standard MIDI File", "the track
// header at byte 14 says 9000000 bytes but 120 are left", ...) and `score`
// unspecified. Threads: any.
struct ScoreReader {
    enum class Format { Unknown, Midi, MusicXml, CompressedMusicXml, GuitarPro, GuitarProZip };

    // The file name's extension in lower case ("" for none).
    static std::string extensionOf(const std::string& fileName);
    // By the file's first bytes, then by its extension (lower or upper case).
    static Format detect(std::span<const uint8_t> bytes, const std::string& fileName);
    // Reads any known format.
    static bool read(std::span<const uint8_t> bytes, const std::string& fileName, Score& score,
                     std::string& error);
};
