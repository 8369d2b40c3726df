#include "audio/WavReader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/BoundedFile.h"

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
// The part of a format chunk that is looked at (up to the extensible form's
// sub-format tag).
constexpr size_t kFormatBytesRead = 26;

// Where a file's values lie.
struct DataLayout {
    size_t offset = 0; // byte offset of the first value
    size_t count = 0;  // values present
    bool cutShort = false;
};

// Walks the chunks of a file of `size` bytes, reading its header through
// `readAt(offset, destination, bytes)`, which must deliver exactly those
// bytes (the walker never asks for any beyond `size`).
template <typename ReadAt>
bool locateData(size_t size, ReadAt&& readAt, DataLayout& layout, std::string& error) {
    uint8_t header[12];
    if (size < 12 || !readAt(0, header, 12)) {
        error = "too short for a RIFF header";
        return false;
    }
    if (!tagIs(header, "RIFF") || !tagIs(header + 8, "WAVE")) {
        error = "not a RIFF/WAVE file";
        return false;
    }
    // The RIFF size may understate or overstate the file; only the bytes
    // actually there count.
    size_t end = size;
    const uint64_t riffEnd = uint64_t(le32(header + 4)) + 8;
    if (riffEnd < end)
        end = size_t(riffEnd);

    bool haveFormat = false;
    size_t pos = 12;
    while (pos + 8 <= end) {
        uint8_t chunk[8];
        if (!readAt(pos, chunk, 8))
            break;
        const uint32_t chunkSize = le32(chunk + 4);
        const size_t body = pos + 8;
        const size_t available = end - body;
        if (tagIs(chunk, "fmt ")) {
            if (chunkSize < 16 || chunkSize > available) {
                error = "damaged format chunk";
                return false;
            }
            uint8_t f[kFormatBytesRead] = {};
            if (!readAt(body, f, std::min<size_t>(chunkSize, kFormatBytesRead))) {
                error = "damaged format chunk";
                return false;
            }
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
            // Checked in this order: the first that fails names the fault.
            const struct {
                bool bad;
                const char* fault;
            } checks[] = {{format != kFormatPcm, "not linear PCM"},
                          {bits != 16, "not 16-bit"},
                          {channels != 1, "not mono"},
                          {rate != 44100, "not 44100 Hz"},
                          {blockAlign != 2, "damaged format chunk"}};
            for (const auto& check : checks) {
                if (check.bad) {
                    error = check.fault;
                    return false;
                }
            }
            haveFormat = true;
        } else if (tagIs(chunk, "data")) {
            if (!haveFormat) {
                error = "data before format";
                return false;
            }
            if (chunkSize % 2 != 0) {
                error = "odd data size";
                return false;
            }
            // A file cut short keeps the whole values it still holds.
            const size_t bytes = std::min<size_t>(chunkSize, available);
            if (bytes / 2 > WavReader::kMaxValues) {
                error = "too long";
                return false;
            }
            layout.offset = body;
            layout.count = bytes / 2;
            layout.cutShort = bytes < chunkSize;
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

// The values as stored (little-endian) into native order, in place.
void toNativeOrder(int16_t* values, size_t count) {
    if constexpr (std::endian::native == std::endian::big) {
        for (size_t i = 0; i < count; ++i)
            values[i] = int16_t(uint16_t(uint16_t(values[i]) >> 8 | uint16_t(values[i]) << 8));
    } else {
        (void)values;
        (void)count;
    }
}

} // namespace

bool WavReader::parse(const uint8_t* data, size_t size, std::vector<int16_t>& values, std::string& error,
                      bool* cutShort) {
    values.clear();
    if (data == nullptr)
        size = 0;
    DataLayout layout;
    auto readAt = [&](size_t offset, uint8_t* out, size_t bytes) {
        if (offset > size || bytes > size - offset)
            return false;
        std::memcpy(out, data + offset, bytes);
        return true;
    };
    if (!locateData(size, readAt, layout, error))
        return false;
    values.resize(layout.count);
    if (layout.count > 0)
        std::memcpy(values.data(), data + layout.offset, layout.count * 2);
    toNativeOrder(values.data(), values.size());
    if (cutShort)
        *cutShort = layout.cutShort;
    return true;
}

bool WavReader::readFile(const std::string& path, Sample& sample, std::string& error, bool& missing) {
    sample = Sample();
    missing = false;
    const BoundedFile file(path, kMaxFileBytes);
    if (!file.failure().empty()) {
        const std::string& failure = file.failure();
        missing = failure == "FileNotFound";
        error = missing                        ? ""
                : failure == "NotARegularFile" ? "not a file"
                : failure == "FileTooLarge"    ? "too large"
                                               : "cannot be opened";
        return false;
    }
    const size_t size = file.size();
    DataLayout layout;
    auto readAt = [&](size_t offset, uint8_t* out, size_t bytes) {
        return file.readAt(offset, out, bytes) == bytes;
    };
    if (!locateData(size, readAt, layout, error))
        return false;
    sample.values.reset(new int16_t[std::max<size_t>(layout.count, 1)]);
    const size_t got = file.readAt(layout.offset, sample.values.get(), layout.count * 2);
    // A file that shrank since it was measured keeps what could be read.
    sample.count = got / 2;
    sample.cutShort = layout.cutShort || sample.count < layout.count;
    toNativeOrder(sample.values.get(), sample.count);
    return true;
}
