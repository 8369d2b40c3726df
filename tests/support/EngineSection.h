#pragma once
// The engine section of a song file, saved and loaded the way the file
// manager does: through the engine's settings. Shared by the audio and
// storage tests and the fuzzers.
#include "audio/SoundEngine.h"

// The section a save writes now, cut to `version`'s layout (2, or 0 for the
// 60-byte one).
inline std::vector<uint8_t> engineSection(const SoundEngine& engine, int version = SongVersion::kCurrent) {
    std::vector<uint8_t> section = engine.settings().write();
    section.resize(EngineSettings::minimumSize(version));
    return section;
}

// A section applied as a load applies it: one of an unknown version is
// ignored; one too short throws StrumwellFailure("SoundEngineFailure-1")
// and changes nothing.
inline void loadEngineSection(SoundEngine& engine, const std::vector<uint8_t>& section,
                              int version = SongVersion::kCurrent) {
    if (EngineSettings::knowsVersion(version))
        engine.applySettings(EngineSettings::read(section.data(), section.size(), version));
}
