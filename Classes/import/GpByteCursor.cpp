#include "import/GpByteCursor.h"

#include <algorithm>

bool GpByteCursor::take(std::size_t count) {
    if (!ok())
        return false;
    if (count > left()) {
        fail("the file ends in the middle of a value");
        at_ = bytes_.size();
        return false;
    }
    at_ += count;
    return true;
}

uint8_t GpByteCursor::u8() {
    return take(1) ? bytes_[at_ - 1] : 0;
}

int16_t GpByteCursor::i16() {
    if (!take(2))
        return 0;
    return static_cast<int16_t>(bytes_[at_ - 2] | (bytes_[at_ - 1] << 8));
}

int32_t GpByteCursor::i32() {
    if (!take(4))
        return 0;
    const uint8_t* p = &bytes_[at_ - 4];
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
}

void GpByteCursor::skip(std::size_t count) {
    take(count);
}

std::string GpByteCursor::byteString(std::size_t width) {
    const std::size_t length = u8();
    const std::size_t start = at_;
    const std::size_t span = width > 0 ? width : length;
    if (!take(span))
        return {};
    return std::string(reinterpret_cast<const char*>(&bytes_[start]), std::min(length, span));
}

std::string GpByteCursor::intByteString() {
    const std::size_t where = at_;
    const int32_t size = i32();
    if (ok() && (size < 0 || static_cast<std::size_t>(size) > left())) {
        failAt(where,
               "a text says " + std::to_string(size) + " bytes but " + std::to_string(left()) + " are left");
        return {};
    }
    // A size of 0 or 1 is followed by the length byte alone.
    return byteString(size > 1 ? static_cast<std::size_t>(size - 1) : 0);
}

std::string GpByteCursor::intString() {
    const std::size_t where = at_;
    const int32_t size = i32();
    if (ok() && (size < 0 || static_cast<std::size_t>(size) > left())) {
        failAt(where,
               "a text says " + std::to_string(size) + " bytes but " + std::to_string(left()) + " are left");
        return {};
    }
    const std::size_t start = at_;
    if (!take(static_cast<std::size_t>(size)))
        return {};
    return std::string(reinterpret_cast<const char*>(&bytes_[start]), static_cast<std::size_t>(size));
}

int32_t GpByteCursor::count(const char* what, std::size_t minBytes) {
    const std::size_t where = at_;
    const int32_t n = i32();
    if (!ok())
        return 0;
    if (n < 0 || static_cast<std::size_t>(n) * minBytes > left()) {
        failAt(where, std::string("the ") + what + " says " + std::to_string(n) + " but " +
                          std::to_string(left()) + " bytes are left");
        return 0;
    }
    return n;
}

void GpByteCursor::fail(const std::string& what) {
    failAt(at_, what);
}

void GpByteCursor::failAt(std::size_t at, const std::string& what) {
    if (ok())
        error_ = what + " (at byte " + std::to_string(at) + ")";
}
