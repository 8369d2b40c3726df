#pragma once
#include <cstdint>

// The versions of the song, state and tab files ("VERSION" and one digit, see
// storage/VersionHeader), and which of them each section's reader knows. The
// one place these rules live: the header writer, the section readers, the
// load and `dump` all ask here. It sits in the core because the engine's
// settings reader, below the storage, asks too.
//
// Threads: any (constants).
namespace SongVersion {

// The version every save writes.
constexpr int32_t kCurrent = 3;
// The oldest version written; files before the header existed are version 0.
constexpr int32_t kOldest = 0;

// Versions whose recorder section is read; any other leaves the song's
// events unknown (nothing of them is shown, loaded or exported).
constexpr bool recorderSectionKnown(int32_t version) {
    return version >= kOldest && version <= kCurrent;
}
// Versions with a fourth section in songs (tunings, capo and the beat), and
// in tab files the tab section behind a length followed by the tab's tuning.
// Earlier ones read as standard tuning, no capo and no tempo.
constexpr int32_t kFirstWithOptions = 3;
constexpr bool optionsSectionKnown(int32_t version) {
    return version >= kFirstWithOptions && version <= kCurrent;
}
// Versions whose engine section is read; any other leaves the settings as
// they are (a load) or unknown (`dump`, `export`).
constexpr bool engineSectionKnown(int32_t version) {
    return version >= kOldest && version <= kCurrent;
}

} // namespace SongVersion
