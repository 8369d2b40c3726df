#include "core/ByteReader.h"

#include <bit>
#include <stdexcept>

void ByteReader::require(uint64_t count) const {
    if (!has(count))
        throw std::out_of_range("read past the end of a buffer");
}

void ByteReader::skip(uint64_t count) {
    require(count);
    pos_ += static_cast<size_t>(count);
}

void ByteReader::seek(size_t position) {
    if (position > size_)
        throw std::out_of_range("seek past the end of a buffer");
    pos_ = position;
}

uint8_t ByteReader::u8() {
    require(1);
    return data_[pos_++];
}

uint64_t ByteReader::little(int count) {
    require(static_cast<uint64_t>(count));
    uint64_t v = 0;
    for (int i = count - 1; i >= 0; --i)
        v = (v << 8) | data_[pos_ + static_cast<size_t>(i)];
    pos_ += static_cast<size_t>(count);
    return v;
}

int16_t ByteReader::i16() {
    return static_cast<int16_t>(static_cast<uint16_t>(little(2)));
}

uint32_t ByteReader::u32() {
    return static_cast<uint32_t>(little(4));
}

int32_t ByteReader::i32() {
    return static_cast<int32_t>(u32());
}

uint64_t ByteReader::u64() {
    return little(8);
}

float ByteReader::f32() {
    return std::bit_cast<float>(u32());
}

double ByteReader::f64() {
    return std::bit_cast<double>(u64());
}
