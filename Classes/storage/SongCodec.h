#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "song/Song.h"

// Song, state and tab files as bytes, and back:
//   "system.state" and "<name>.SAV": "VERSION3", then the tab, recorder,
//     engine and options (tunings and beat) sections, each behind a 32-bit
//     little-endian length; versions 1 and 2 have the first three only;
//   "<name>.TAB": "VERSION3", then the tab section and the tab's tuning, each
//     behind a length; versions 1 and 2 hold the bare tab section.
// Files without the header are version 0 and start at offset 0. Which
// versions each section reader knows is SongVersion's to say.
//
// Reading touches nothing but the bytes given and the Song it returns, so a
// file can be read on any thread before anything live is changed.
//
// Threads: any (pure functions).
class SongCodec {
public:
    // A song or state file: the header, then the tab, recorder and engine
    // sections in that order, each read before the next length is looked at.
    // The events and the engine are left empty when their reader does not
    // know the version; the events keep the first `eventLimit` note events.
    // Throws StrumwellFailure("Error loading file") when a section is
    // missing, and the section readers' failures ("TabFailure-N",
    // "RecorderFailure-N", "SoundEngineFailure-1") for damage.
    static Song readSong(const uint8_t* bytes, size_t size, int eventLimit = SongEvents::kMaxEvents);
    // A tab file: the header, then the tab section (its version in the
    // Song; no events, no engine) and, from version 3, its tuning in
    // tunings[0] (older: standard). Throws the tab reader's failures, and
    // "Error loading file" when a version 3 file's sections do not fit.
    static Song readTab(const uint8_t* bytes, size_t size);

    // The song in the current version. Empty events write an empty song;
    // empty settings write those of a new EngineSettings.
    static std::vector<uint8_t> writeSong(const Song& song);
    // The tab file of the song's tab and its tunings[0], in the current version.
    static std::vector<uint8_t> writeTab(const Song& song);
    // The same for a tab in standard tuning.
    static std::vector<uint8_t> writeTab(const Tab& tab);
};
