#include "audio/WavReader.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

bool tagIs(const uint8_t* p, const char* tag) {
    return std::memcmp(p, tag, 4) == 0;
}

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

} // namespace

bool WavReader::parse(const uint8_t* data, size_t size, std::vector<int16_t>& values, std::string& error) {
    values.clear();
    if (data == nullptr || size < 12) {
        error = "too short for a RIFF header";
        return false;
    }
    if (!tagIs(data, "RIFF") || !tagIs(data + 8, "WAVE")) {
        error = "not a RIFF/WAVE file";
        return false;
    }
    // The RIFF size may understate or overstate the file; only the bytes we
    // actually hold count.
    size_t end = size;
    const uint64_t riffEnd = uint64_t(le32(data + 4)) + 8;
    if (riffEnd < end)
        end = size_t(riffEnd);

    bool haveFormat = false;
    size_t pos = 12;
    while (pos + 8 <= end) {
        const uint8_t* chunk = data + pos;
        const uint32_t chunkSize = le32(chunk + 4);
        const size_t body = pos + 8;
        const size_t available = end - body;
        if (tagIs(chunk, "fmt ")) {
            if (chunkSize < 16 || chunkSize > available) {
                error = "damaged format chunk";
                return false;
            }
            const uint8_t* f = data + body;
            uint16_t format = le16(f);
            const uint16_t channels = le16(f + 2);
            const uint32_t rate = le32(f + 4);
            const uint16_t blockAlign = le16(f + 12);
            const uint16_t bits = le16(f + 14);
            if (format == kFormatExtensible) {
                // The sub-format's first two bytes hold the real format tag.
                if (chunkSize < 40) {
                    error = "damaged extensible format chunk";
                    return false;
                }
                format = le16(f + 24);
            }
            if (format != kFormatPcm) {
                error = "not linear PCM";
                return false;
            }
            if (bits != 16) {
                error = "not 16-bit";
                return false;
            }
            if (channels != 1) {
                error = "not mono";
                return false;
            }
            if (rate != 44100) {
                error = "not 44100 Hz";
                return false;
            }
            if (blockAlign != 2) {
                error = "damaged format chunk";
                return false;
            }
            haveFormat = true;
        } else if (tagIs(chunk, "data")) {
            if (!haveFormat) {
                error = "data before format";
                return false;
            }
            if (chunkSize > available) {
                error = "truncated data";
                return false;
            }
            if (chunkSize % 2 != 0) {
                error = "odd data size";
                return false;
            }
            const size_t count = chunkSize / 2;
            if (count > kMaxValues) {
                error = "too long";
                return false;
            }
            values.resize(count);
            const uint8_t* p = data + body;
            for (size_t i = 0; i < count; ++i)
                values[i] = int16_t(le16(p + 2 * i));
            return true;
        }
        // Chunks are padded to an even length.
        const uint64_t next = uint64_t(body) + chunkSize + (chunkSize & 1u);
        if (next > end)
            break;
        pos = size_t(next);
    }
    error = haveFormat ? "no data chunk" : "no format chunk";
    return false;
}

bool WavReader::readFile(const std::string& path, std::vector<int16_t>& values, std::string& error,
                         bool& missing) {
    values.clear();
    missing = false;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        missing = true;
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "not a file";
        return false;
    }
    if (size_t(st.st_size) > kMaxFileBytes) {
        error = "too large";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot be opened";
        return false;
    }
    std::vector<uint8_t> bytes(size_t(st.st_size));
    const size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    bytes.resize(got);
    return parse(bytes.data(), bytes.size(), values, error);
}
