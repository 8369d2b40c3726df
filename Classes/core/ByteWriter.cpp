#include "core/ByteWriter.h"

#include <bit>

void ByteWriter::i16(int16_t v) {
    uint16_t u = static_cast<uint16_t>(v);
    u8(static_cast<uint8_t>(u & 0xFF));
    u8(static_cast<uint8_t>(u >> 8));
}

void ByteWriter::u32(uint32_t v) {
    for (int i = 0; i < 4; ++i)
        u8(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
}

void ByteWriter::u64(uint64_t v) {
    for (int i = 0; i < 8; ++i)
        u8(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
}

void ByteWriter::f32(float v) {
    u32(std::bit_cast<uint32_t>(v));
}

void ByteWriter::f64(double v) {
    u64(std::bit_cast<uint64_t>(v));
}

void ByteWriter::bytes(const uint8_t* data, size_t size) {
    if (size > 0)
        bytes_.insert(bytes_.end(), data, data + size);
}

void ByteWriter::text(std::string_view s) {
    for (char c : s)
        u8(static_cast<uint8_t>(c));
}
