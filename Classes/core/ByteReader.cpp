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

int16_t ByteReader::i16() {
    require(2);
    uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return static_cast<int16_t>(v);
}

uint32_t ByteReader::u32() {
    require(4);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | data_[pos_ + static_cast<size_t>(i)];
    pos_ += 4;
    return v;
}

int32_t ByteReader::i32() {
    return static_cast<int32_t>(u32());
}

uint64_t ByteReader::u64() {
    require(8);
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | data_[pos_ + static_cast<size_t>(i)];
    pos_ += 8;
    return v;
}

float ByteReader::f32() {
    return std::bit_cast<float>(u32());
}

double ByteReader::f64() {
    return std::bit_cast<double>(u64());
}
