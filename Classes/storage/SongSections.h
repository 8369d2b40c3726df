#pragma once
#include <cstddef>
#include <cstdint>

// Walks the three length-prefixed sections of a song buffer (tab, recorder,
// engine), one at a time, so that each can be handed to its reader before
// the next length is even looked at. Every length is checked in 64-bit
// arithmetic against the bytes that are left before anything is read.
//
// Threads: any; an instance belongs to one thread at a time.
class SongSections {
public:
    // `data` and `size` are the whole buffer; `offset` is where the first
    // length field starts (after the version header, if any).
    SongSections(const uint8_t* data, size_t size, size_t offset);

    // The next section. False when its 4-byte length or the bytes it
    // announces do not lie wholly inside the buffer, or the length is
    // negative; the walk cannot go on after that.
    bool next(const uint8_t*& section, size_t& sectionSize);
    // The same, for readers that give up on the whole file: a section that is
    // not there throws StrumwellFailure("Error loading file").
    void nextOrFail(const uint8_t*& section, size_t& sectionSize);

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_;
};
