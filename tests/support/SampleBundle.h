#pragma once
// Stand-in sample files: WAV bytes laid out by hand, and a bundle folder
// holding every file the engine asks for. Shared by the engine, storage and
// fuzz targets, so that none of them depends on the writer under test.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/Files.h"

namespace testsupport {

// The bytes of a RIFF/WAVE file.
inline std::vector<uint8_t> wavBytes(const std::vector<int16_t>& values, int channels = 1, int bits = 16,
                                     int rate = 44100) {
    std::vector<uint8_t> out;
    auto put = [&](uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k)
            out.push_back(uint8_t(v >> (8 * k)));
    };
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put(uint32_t(36 + values.size() * 2), 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0});
    put(uint32_t(channels), 2);
    put(uint32_t(rate), 4);
    put(uint32_t(rate * channels * bits / 8), 4);
    put(uint32_t(channels * bits / 8), 2);
    put(uint32_t(bits), 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put(uint32_t(values.size() * 2), 4);
    for (int16_t v : values)
        put(uint16_t(v), 2);
    return out;
}

// The groups of sample files, in the engine's order: five patches of 48
// files, then 10 fret noises and 12 tap noises.
inline const char* const kSampleGroups[] = {"A1-", "A2-", "E3-", "E2-", "CE-", "fret", "tap"};

// Writes file k (from 1) of every group into `dir` as mono 16-bit WAV
// holding `values(group, k)`.
inline void writeSampleBundle(const std::string& dir,
                              const std::function<std::vector<int16_t>(int group, int k)>& values) {
    for (int g = 0; g < 7; ++g)
        for (int k = 1; k <= (g < 5 ? 48 : g == 5 ? 10 : 12); ++k)
            writeFile(dir + "/" + kSampleGroups[g] + std::to_string(k) + ".wav", wavBytes(values(g, k)));
}

} // namespace testsupport
