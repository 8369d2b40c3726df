#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "song/GuitarTuning.h"
#include "song/Song.h"

// The section that keeps how a song is played, after the engine section in
// songs from version 3 on:
//   0  i16  tempo in beats per minute (0: none)
//   2  u8   beats per bar
//   3  per guitar, 7 bytes: the six open strings' samples (i8, low E first),
//           then the capo (u8)
// 17 bytes in all; a reader takes the first 17 and leaves any more for
// versions to come. A tab file keeps one tuning, the same 7 bytes, behind
// its own length after the tab section.
//
// Values are read as they stand; SongOptions holds them to what can be
// played when a song is loaded (an unplayable tuning becomes standard).
//
// Threads: any (pure functions).
class SongOptionsSection {
public:
    static constexpr size_t kTuningSize = 7;
    static constexpr size_t kSize = 3 + 2 * kTuningSize;

    static std::vector<uint8_t> write(const Song& song);
    // Fills the song's timing and tunings. Throws StrumwellFailure
    // ("TuningFailure-1") when the section is shorter than kSize.
    static void read(const uint8_t* section, size_t size, Song& song);

    static std::vector<uint8_t> writeTuning(const GuitarTuning& tuning);
    // Throws StrumwellFailure ("TuningFailure-1") when shorter than kTuningSize.
    static GuitarTuning readTuning(const uint8_t* section, size_t size);
};
