#include "storage/SongSections.h"

#include "core/ByteReader.h"
#include "core/StrumwellFailure.h"

SongSections::SongSections(const uint8_t* data, size_t size, size_t offset)
    : data_(data), size_(size), pos_(offset > size ? size : offset) {}

bool SongSections::next(const uint8_t*& section, size_t& sectionSize) {
    ByteReader r(data_, size_);
    r.seek(pos_);
    if (!r.has(4))
        return false;
    const int32_t length = r.i32();
    if (length < 0 || !r.has(static_cast<uint64_t>(length)))
        return false;
    section = r.current();
    sectionSize = static_cast<size_t>(length);
    pos_ = r.position() + sectionSize;
    return true;
}

void SongSections::nextOrFail(const uint8_t*& section, size_t& sectionSize) {
    if (!next(section, sectionSize))
        throw StrumwellFailure("Error loading file");
}
