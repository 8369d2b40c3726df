#include "WavFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {
void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 0; s < 32; s += 8)
        out.push_back(static_cast<uint8_t>(v >> s));
}
uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t get16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
bool fail(std::string* error, const char* why) {
    if (error)
        *error = why;
    return false;
}
} // namespace

std::vector<uint8_t> WavFile::encodeMono16(const std::vector<int16_t>& samples) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 1); // linear PCM
    put16(out, 1); // mono
    put32(out, kSampleRate);
    put32(out, kSampleRate * 2); // bytes per second
    put16(out, 2);               // bytes per frame
    put16(out, 16);              // bits per sample
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, dataBytes);
    for (int16_t s : samples)
        put16(out, static_cast<uint16_t>(s));
    return out;
}

bool WavFile::writeMono16(const std::string& path, const std::vector<int16_t>& samples, std::string* error) {
    const std::vector<uint8_t> image = encodeMono16(samples);
    const std::string temp = path + ".part";
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        f.flush();
        if (!f) {
            std::remove(temp.c_str());
            return fail(error, "cannot write file");
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return fail(error, "cannot rename file into place");
    }
    return true;
}

bool WavFile::readMono16(const std::string& path, std::vector<int16_t>& samples, std::string* error) {
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return fail(error, "cannot open file");
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    return decodeMono16(bytes, samples, error);
}

bool WavFile::decodeMono16(const std::vector<uint8_t>& b, std::vector<int16_t>& samples, std::string* error) {
    if (b.size() < 12 || get32(b, 0) != 0x46464952u /*RIFF*/ || get32(b, 8) != 0x45564157u /*WAVE*/)
        return fail(error, "not a RIFF/WAVE file");
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        const uint32_t id = get32(b, at);
        const uint32_t size = get32(b, at + 4);
        const size_t body = at + 8;
        if (size > b.size() - body)
            return fail(error, "chunk runs past the end of the file");
        if (id == 0x20746d66u /*fmt */) {
            if (size < 16)
                return fail(error, "format chunk too short");
            if (get16(b, body) != 1 || get16(b, body + 2) != 1 || get32(b, body + 4) != kSampleRate ||
                get16(b, body + 14) != 16)
                return fail(error, "not mono 16-bit 44100 Hz linear PCM");
            haveFormat = true;
        } else if (id == 0x61746164u /*data*/) {
            if (!haveFormat)
                return fail(error, "data chunk before format chunk");
            samples.resize(size / 2);
            for (size_t i = 0; i < samples.size(); ++i)
                samples[i] = static_cast<int16_t>(get16(b, body + 2 * i));
            return true;
        }
        at = body + size + (size & 1);
    }
    return fail(error, "no data chunk");
}

std::vector<int16_t> WavFile::toInt16(const std::vector<float>& samples) {
    std::vector<int16_t> out(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        const double v = std::nearbyint(static_cast<double>(samples[i]) * 32767.0);
        out[i] = static_cast<int16_t>(std::clamp(v, -32767.0, 32767.0));
    }
    return out;
}
