#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// Writes a 16-bit PCM WAV file as it is rendered: the header first, with its
// sizes filled in by finish(). Samples are written little-endian whatever
// the machine.
//
// Threads: one thread at a time.
class WavWriter {
public:
    // RIFF sizes are 32-bit: a file holds at most this many data bytes.
    static constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates (or truncates) the file and writes a provisional header.
    bool open(const std::string& path, int sampleRate, int channels);
    // Appends interleaved frames.
    bool write(const int16_t* interleaved, size_t numFrames);
    // Fills in the sizes and closes the file; false on any write error so far.
    bool finish();

    uint64_t framesWritten() const { return frames_; }

private:
    bool writeHeader(uint64_t dataBytes);

    std::FILE* file_ = nullptr;
    int sampleRate_ = 44100;
    int channels_ = 2;
    uint64_t frames_ = 0;
    bool failed_ = false;
};
