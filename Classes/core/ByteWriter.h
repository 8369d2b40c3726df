#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

// Appends little-endian numbers to a growing byte buffer (the saved forms of
// the model objects are all little-endian, whatever the machine).
//
// Threads: any; an instance belongs to one thread at a time.
class ByteWriter {
public:
    ByteWriter() = default;
    explicit ByteWriter(size_t reserve) { bytes_.reserve(reserve); }

    void u8(uint8_t v) { bytes_.push_back(v); }
    void boolean(bool v) { u8(v ? 1 : 0); }
    void i8(int8_t v) { u8(static_cast<uint8_t>(v)); }
    void i16(int16_t v);
    void u32(uint32_t v);
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void u64(uint64_t v);
    void f32(float v);
    void f64(double v);
    void bytes(const uint8_t* data, size_t size);
    void text(std::string_view s);
    // `count` zero bytes (reserved fields, padding).
    void zeros(size_t count);

    size_t size() const { return bytes_.size(); }
    std::vector<uint8_t>& buffer() { return bytes_; }
    std::vector<uint8_t> take() { return std::move(bytes_); }

private:
    // The low `count` bytes of v, lowest first.
    void little(uint64_t v, int count);

    std::vector<uint8_t> bytes_;
};
