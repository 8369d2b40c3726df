#include "storage/WavWriter.h"

#include <vector>

#include "core/ByteWriter.h"

WavWriter::~WavWriter() {
    if (file_ != nullptr)
        std::fclose(file_);
}

bool WavWriter::open(const std::string& path, int sampleRate, int channels) {
    if (file_ != nullptr)
        std::fclose(file_);
    sampleRate_ = sampleRate;
    channels_ = channels;
    frames_ = 0;
    failed_ = false;
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr)
        return false;
    return writeHeader(0);
}

bool WavWriter::writeHeader(uint64_t dataBytes) {
    const uint32_t data = static_cast<uint32_t>(dataBytes);
    const uint16_t blockAlign = static_cast<uint16_t>(channels_ * 2);
    ByteWriter w(44);
    w.text("RIFF");
    w.u32(36 + data);
    w.text("WAVE");
    w.text("fmt ");
    w.u32(16);
    w.i16(1); // PCM
    w.i16(static_cast<int16_t>(channels_));
    w.u32(static_cast<uint32_t>(sampleRate_));
    w.u32(static_cast<uint32_t>(sampleRate_) * blockAlign);
    w.i16(static_cast<int16_t>(blockAlign));
    w.i16(16);
    w.text("data");
    w.u32(data);
    if (std::fwrite(w.buffer().data(), 1, w.size(), file_) != w.size())
        failed_ = true;
    return !failed_;
}

bool WavWriter::write(const int16_t* interleaved, size_t numFrames) {
    if (file_ == nullptr || failed_)
        return false;
    const size_t values = numFrames * static_cast<size_t>(channels_);
    if ((frames_ + numFrames) * static_cast<uint64_t>(channels_) * 2 > kMaxDataBytes) {
        failed_ = true;
        return false;
    }
    std::vector<uint8_t> bytes(values * 2);
    for (size_t i = 0; i < values; ++i) {
        const uint16_t v = static_cast<uint16_t>(interleaved[i]);
        bytes[2 * i] = static_cast<uint8_t>(v & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        failed_ = true;
    else
        frames_ += numFrames;
    return !failed_;
}

bool WavWriter::finish() {
    if (file_ == nullptr)
        return false;
    if (!failed_) {
        if (std::fseek(file_, 0, SEEK_SET) != 0)
            failed_ = true;
        else
            writeHeader(frames_ * static_cast<uint64_t>(channels_) * 2);
    }
    if (std::fclose(file_) != 0)
        failed_ = true;
    file_ = nullptr;
    return !failed_;
}
