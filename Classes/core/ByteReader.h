#pragma once
#include <cstddef>
#include <cstdint>

// Reads little-endian numbers from a byte span that comes from a file, so it
// is untrusted: callers ask has() (64-bit arithmetic, no wrap) before they
// read, and every read checks again and throws std::out_of_range rather than
// touch a byte past the end.
//
// Threads: any; an instance belongs to one thread at a time.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t size() const { return size_; }
    size_t position() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    const uint8_t* current() const { return data_ + pos_; }
    // True when `count` more bytes lie inside the span.
    bool has(uint64_t count) const { return count <= static_cast<uint64_t>(size_ - pos_); }
    void skip(uint64_t count);
    void seek(size_t position);

    uint8_t u8();
    // One byte; any value but 0 is true.
    bool boolean() { return u8() != 0; }
    int8_t i8() { return static_cast<int8_t>(u8()); }
    int16_t i16();
    int32_t i32();
    uint32_t u32();
    uint64_t u64();
    float f32();
    double f64();

private:
    void require(uint64_t count) const;
    // The next `count` bytes (at most 8) as a little-endian number.
    uint64_t little(int count);

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};
