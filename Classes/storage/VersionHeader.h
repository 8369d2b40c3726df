#pragma once
#include <cstddef>
#include <cstdint>

#include "core/SongVersion.h"

class ByteWriter;

// The header in front of song, state and tab files: the seven characters
// "VERSION" and one version character. Files written before the header
// existed have none and are version 0.
//
// Threads: any (pure functions).
class VersionHeader {
public:
    static constexpr int32_t kCurrentVersion = SongVersion::kCurrent;
    static constexpr size_t kSize = 8;

    // Reads the header of a buffer without ever looking past `size` bytes.
    // With "VERSION" and an eighth byte present, the version is that byte
    // minus '0' (any byte value is taken) and the data start at 8, except
    // that version 0 starts at 0. Otherwise version 0 from offset 0.
    static VersionHeader read(const uint8_t* data, size_t size);
    // Appends "VERSION" and the current version digit.
    static void write(ByteWriter& out);

    int32_t version = 0;
    size_t dataOffset = 0;
};
