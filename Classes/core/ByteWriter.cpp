#include "core/ByteWriter.h"

#include <bit>

void ByteWriter::little(uint64_t v, int count) {
    for (int i = 0; i < count; ++i)
        u8(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
}

void ByteWriter::i16(int16_t v) {
    little(static_cast<uint16_t>(v), 2);
}

void ByteWriter::u32(uint32_t v) {
    little(v, 4);
}

void ByteWriter::u64(uint64_t v) {
    little(v, 8);
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

void ByteWriter::zeros(size_t count) {
    bytes_.insert(bytes_.end(), count, 0);
}

void ByteWriter::text(std::string_view s) {
    for (char c : s)
        u8(static_cast<uint8_t>(c));
}
