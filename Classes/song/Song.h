#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "audio/EngineSettings.h"
#include "core/GuitarId.h"
#include "song/GuitarTuning.h"
#include "song/Note.h"
#include "song/PitchChange.h"
#include "song/SongTiming.h"
#include "song/Tab.h"
#include "song/WahChange.h"
#include "song/WhammyBarChange.h"

// The recorded events of a song, as a file holds them and as the recorder
// takes and gives them: plain values, no lock, no thread.
//
// Threads: any (a plain value).
struct SongEvents {
    // Most note events a song (with the pass being recorded) may hold.
    static constexpr int kMaxEvents = 3000;
    // The range of wah coefficients the tilt produces (pedal closed ... open).
    // Played-back and loaded wah values are held to it: beyond it the filter
    // can ring on long after the notes have ended.
    static constexpr float kMinWah = 0.05f;
    static constexpr float kMaxWah = 0.5f;

    // The wah value as held to the tilt's range; a value that is not a number
    // leaves the pedal open.
    static float heldWah(float value);

    // Keeps the first `limit` note events (all when there are fewer) and, as
    // a recording stopped at the limit would, drops the note-downs whose
    // note-up was cut off: a note-down with no later kept event of its own
    // whose identifier comes again in the part cut off. Note-downs that had
    // no note-up at all stay. Adds the events cut to eventsLeftOut (the
    // dropped note-downs are not counted again).
    void keepFirstNoteEvents(std::size_t limit);

    // The identifier the next recorded note takes.
    int32_t currentNoteID = 0;
    std::vector<Note> notes;
    std::vector<PitchChange> pitchBends;
    std::array<std::vector<WhammyBarChange>, kGuitars> whammy;
    std::array<std::vector<WahChange>, kGuitars> wah;
    // Note events of the file left out to keep to a limit: a song of 3,100
    // events answers 100, and the user is told that only the first play.
    int eventsLeftOut = 0;

    bool operator==(const SongEvents&) const = default;
};

// A song, state or tab file as values: the version it was read as, the tab,
// the events (empty when the file's recorder section has a version no reader
// knows) and the engine settings (likewise).
//
// Threads: any (a plain value).
struct Song {
    int32_t version = SongVersion::kCurrent;
    Tab tab;
    std::optional<SongEvents> events;
    std::optional<EngineSettings> engine;
    // Each guitar's tuning and capo, and the song's beat. A file from before
    // they were kept reads as standard tuning, no capo and no tempo. A tab
    // file keeps one tuning, the one the tab was written for: tunings[0].
    std::array<GuitarTuning, kGuitars> tunings{};
    SongTiming timing;

    // Engines compare by their saved bytes.
    bool operator==(const Song& other) const;
};
