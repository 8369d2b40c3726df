#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "song/Song.h"

// The recorder section of a song or state file, read into and written from
// the song's events. Written in the version-2 (or version-0) layout, read in
// versions 0, 1 and 2 (SongVersion::recorderSectionKnown). All numbers
// little-endian.
//
//   header   currentNoteID, then the counts of notes, bends, whammy changes
//            of guitars 1 and 2, wah changes of guitars 1 and 2 (i32 each;
//            version 0 has only the first two)
//   notes    keyDown u8, sampleNo u8, time f64, noteID i32, volume f32,
//            releaseDelta f64
//   bends    time f64, noteID i32, pitch f32, overdubNo i32
//   changes  time f64, value f32, overdubNo i32: whammy, then wah
//
// Threads: any (pure functions).
class RecorderSection {
public:
    // A known version's section. Only a song other software made can hold
    // more note events than a recording can: the events keep the first
    // `eventLimit` (SongEvents::keepFirstNoteEvents) and count the rest in
    // eventsLeftOut. Wah values are held to SongEvents::kMinWah ... kMaxWah.
    // Notes come with overdub 0 and `created` 0. Throws StrumwellFailure
    // "RecorderFailure-1" (fewer than 8 bytes) or "RecorderFailure-2" (the
    // sizes disagree with the counts). Reads nothing outside
    // [data, data + size). A version-1 section is 8 bytes shorter than its
    // records: the missing end of its last record reads as zero.
    static SongEvents read(const uint8_t* data, size_t size, int32_t version,
                           int eventLimit = SongEvents::kMaxEvents);
    // The events in the version-2 layout, or (version 0) the notes only in
    // the version-0 layout, which older files have.
    static std::vector<uint8_t> write(const SongEvents& events, int32_t version = SongVersion::kCurrent);
};
