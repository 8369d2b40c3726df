#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Reads the bundle's sample files: RIFF/WAVE, 16-bit linear PCM, mono,
// 44100 Hz. Everything is bounds-checked against the bytes given; a file that
// is malformed, too large or in another format is refused with a short
// reason, never read past its end. A file cut short inside its data gives the
// values that are there and says so.
//
// Threads: any (no shared state).
class WavReader {
public:
    // The most sample values a file may hold: the mixer keeps positions in
    // single-precision floats, which count whole values exactly up to 2^24.
    static constexpr size_t kMaxValues = (size_t{1} << 24) - 1024;
    // Larger files are not even read.
    static constexpr size_t kMaxFileBytes = kMaxValues * 2 + (size_t{1} << 20);

    // The values of one file, in the block a sample slot will own (allocated
    // with new[], at least one value long even when `count` is 0).
    struct Sample {
        std::unique_ptr<int16_t[]> values;
        size_t count = 0;
        // The data chunk claims more values than the file holds.
        bool cutShort = false;
    };

    // Parses a whole file held in memory. On success fills `values`, sets
    // `cutShort` (when given) and returns true; otherwise returns false,
    // leaves `values` empty and puts the reason in `error`.
    static bool parse(const uint8_t* data, size_t size, std::vector<int16_t>& values, std::string& error,
                      bool* cutShort = nullptr);

    // Reads a file's values straight into the block they will stay in: the
    // header is read in small pieces and the data once, with no copy. A file
    // that does not exist gives false with `missing` set (and no error text).
    static bool readFile(const std::string& path, Sample& sample, std::string& error, bool& missing);
};
