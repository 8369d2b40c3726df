#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Reads the little-endian values of a Guitar Pro 3 to 5 file from a byte
// span it never reads past. The first failure sticks: every later read gives
// zero and moves nothing, so a parser can read a whole block and look at
// ok() once. Failures name the byte they happened at.
//
// Threads: any; one cursor per thread.
class GpByteCursor {
public:
    explicit GpByteCursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    std::size_t offset() const { return at_; }
    std::size_t left() const { return bytes_.size() - at_; }

    uint8_t u8();
    int8_t i8() { return static_cast<int8_t>(u8()); }
    int16_t i16();
    int32_t i32();
    void skip(std::size_t count);
    // A one-byte length and then `width` bytes (or the length's, when 0).
    std::string byteString(std::size_t width);
    // A four-byte size, then a one-byte length and size - 1 bytes.
    std::string intByteString();
    // A four-byte length and the characters.
    std::string intString();
    // A count of items each at least `minBytes` long: refused, naming where,
    // when it is negative or more than the bytes left can hold.
    int32_t count(const char* what, std::size_t minBytes);
    // Records the failure (the first one only) with the byte it happened at.
    void fail(const std::string& what);
    void failAt(std::size_t at, const std::string& what);

private:
    bool take(std::size_t count);
    std::span<const uint8_t> bytes_;
    std::size_t at_ = 0;
    std::string error_;
};
