#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Plain RIFF/WAVE files: linear PCM, mono, 16-bit, 44100 Hz, with a 16-byte
// "fmt " chunk followed directly by the "data" chunk (44-byte header), which
// every reader understands.
class WavFile {
public:
    static constexpr int kSampleRate = 44100;

    // The file image of the given samples.
    static std::vector<uint8_t> encodeMono16(const std::vector<int16_t>& samples);
    // Writes through a temporary name and renames it into place, so that an
    // interrupted run never leaves a half-written file under the real name.
    static bool writeMono16(const std::string& path, const std::vector<int16_t>& samples, std::string* error);

    // Reads a file written as above (or any canonical mono 16-bit 44100 Hz
    // PCM file, other chunks skipped). False, with a reason, on anything else.
    static bool readMono16(const std::string& path, std::vector<int16_t>& samples, std::string* error);
    static bool decodeMono16(const std::vector<uint8_t>& bytes, std::vector<int16_t>& samples,
                             std::string* error);

    // Float (full scale 1.0) to 16-bit: rounded to nearest, clamped to
    // -32767 ... 32767 so that the waveform stays symmetric.
    static std::vector<int16_t> toInt16(const std::vector<float>& samples);
};
