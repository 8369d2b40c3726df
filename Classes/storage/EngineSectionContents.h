#pragma once
#include <cstddef>
#include <cstdint>
#include <iosfwd>

#include "audio/EngineSettings.h"

// The engine section of a file read without a SoundEngine (so that `strumwell
// dump` and the exporters load no sample and need no bundle), by the engine's
// own codec: what is read is exactly what a load would set.
//
// Threads: any.
class EngineSectionContents {
public:
    // A version needs EngineSettings::minimumSize(version) bytes (72 for
    // versions 1 and 2, 60 for version 0, whose wah, whammy-bar and bend
    // switches read as off and the frets shown as 5). Longer sections are
    // accepted, their tail ignored. Throws
    // StrumwellFailure("SoundEngineFailure-1") when the section is shorter.
    static EngineSettings parse(const uint8_t* data, size_t size, int32_t version) {
        return EngineSettings::read(data, size, version);
    }

    // The settings as the "engine" object of `dump`: every saved field in
    // the order of the file, a pair for the per-guitar ones, floats with 9
    // significant digits and doubles with 17 (so they read back exactly),
    // NaN and the infinities as strings.
    static void printJson(std::ostream& out, const EngineSettings& settings);
};
