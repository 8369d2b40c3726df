#include "storage/VersionHeader.h"

#include "core/ByteWriter.h"

namespace {
constexpr char kMagic[] = "VERSION";
constexpr size_t kMagicLength = 7;
} // namespace

VersionHeader VersionHeader::read(const uint8_t* data, size_t size) {
    VersionHeader h;
    for (size_t i = 0; i < kMagicLength; ++i)
        if (i >= size || data[i] != static_cast<uint8_t>(kMagic[i]))
            return h;
    if (size < kSize)
        return h;
    h.version = static_cast<int32_t>(data[kMagicLength]) - static_cast<int32_t>('0');
    h.dataOffset = (h.version == 0) ? 0 : kSize;
    return h;
}

void VersionHeader::write(ByteWriter& out) {
    out.text(kMagic);
    out.u8(static_cast<uint8_t>('0' + kCurrentVersion));
}
