#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

#include "audio/EngineSettings.h"
#include "system/Clock.h"
#include "recorder/Recorder.h"
#include "storage/Tab.h"

// A song or state file read into parts of its own, apart from the working
// objects: for the tools that take a song apart without playing it (`dump`,
// `export`) and for a load that must not touch the working song before the
// whole file has been read. The recorder has no engine and no playback thread.
//
// Threads: any; one object on one thread at a time.
struct SongParts {
    SongParts();
    ~SongParts();
    SongParts(const SongParts&) = delete;
    SongParts& operator=(const SongParts&) = delete;

    // Reads the version header, then the tab, recorder and engine sections in
    // that order (the engine left empty when no reader knows its version).
    // Throws StrumwellFailure("Error loading file") when a section is
    // missing; the section readers throw for damage.
    void read(const uint8_t* bytes, size_t size);
    // Whether the recorder reads the file's version: an unknown one leaves
    // its song empty, so there is nothing of it to show.
    bool recorderKnowsVersion() const { return version >= 0 && version <= 2; }

    int32_t version = 0;
    Tab tab;
    std::optional<EngineSettings> engine;
    ManualClock clock;
    Recorder recorder;
};
