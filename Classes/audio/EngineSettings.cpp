#include "audio/EngineSettings.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/StrumwellFailure.h"

namespace {

// The engine's own little-endian reading and writing, kept to this file until
// a byte codec sits below the engine. Constructors and names follow that
// codec's ByteReader and ByteWriter, so moving to them is an include and two
// aliases in place of these classes.
class SectionWriter {
public:
    explicit SectionWriter(size_t reserve) { bytes_.reserve(reserve); }
    void u8(uint8_t v) { put(v); }
    void i8(int8_t v) { put(v); }
    void i16(int16_t v) { put(v); }
    void i32(int32_t v) { put(v); }
    void f32(float v) { put(v); }
    void f64(double v) { put(v); }
    std::vector<uint8_t>& buffer() { return bytes_; }

private:
    template <typename T> void put(T value) {
        uint8_t bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        if constexpr (std::endian::native == std::endian::big)
            std::reverse(bytes, bytes + sizeof(T));
        bytes_.insert(bytes_.end(), bytes, bytes + sizeof(T));
    }
    std::vector<uint8_t> bytes_;
};

// Reads from a span whose length the caller has checked.
class SectionReader {
public:
    SectionReader(const uint8_t* data, size_t /*size*/) : p_(data) {}
    uint8_t u8() { return get<uint8_t>(); }
    int8_t i8() { return get<int8_t>(); }
    int16_t i16() { return get<int16_t>(); }
    int32_t i32() { return get<int32_t>(); }
    float f32() { return get<float>(); }
    double f64() { return get<double>(); }

private:
    template <typename T> T get() {
        uint8_t bytes[sizeof(T)];
        std::memcpy(bytes, p_, sizeof(T));
        p_ += sizeof(T);
        if constexpr (std::endian::native == std::endian::big)
            std::reverse(bytes, bytes + sizeof(T));
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }
    const uint8_t* p_;
};

void writeValue(SectionWriter& w, FieldType type, bool v) {
    (void)type;
    w.u8(v ? 1 : 0);
}
void writeValue(SectionWriter& w, FieldType type, int32_t v) {
    if (type == FieldType::Int8)
        w.i8(int8_t(v));
    else if (type == FieldType::Int16)
        w.i16(int16_t(v));
    else
        w.i32(v);
}
void writeValue(SectionWriter& w, FieldType, float v) {
    w.f32(v);
}
void writeValue(SectionWriter& w, FieldType, double v) {
    w.f64(v);
}

void readValue(SectionReader& r, FieldType, bool& v) {
    v = r.u8() != 0;
}
void readValue(SectionReader& r, FieldType type, int32_t& v) {
    if (type == FieldType::Int8)
        v = r.i8();
    else if (type == FieldType::Int16)
        v = r.i16();
    else
        v = r.i32();
}
void readValue(SectionReader& r, FieldType, float& v) {
    v = r.f32();
}
void readValue(SectionReader& r, FieldType, double& v) {
    v = r.f64();
}

template <class Part> constexpr size_t partSize() {
    size_t size = 0;
    for (const auto& field : Part::kSavedFields)
        size += static_cast<size_t>(fieldSize(field.type));
    return oncePerEngine<Part>() ? size : 2 * size;
}

template <class... Parts> constexpr size_t sectionSize(SectionLayout<Parts...>*, int version) {
    return ((Parts::kSavedSince <= version ? partSize<Parts>() : 0) + ...);
}

static_assert(sectionSize(static_cast<EngineSectionLayout*>(nullptr), 0) ==
              EngineSettings::kSectionSizeVersion0);
static_assert(sectionSize(static_cast<EngineSectionLayout*>(nullptr), 2) <= EngineSettings::kSectionSize);

template <class Part> void writePart(const EngineSettings& s, SectionWriter& w) {
    const int guitars = oncePerEngine<Part>() ? 1 : 2;
    for (int g = 0; g < guitars; ++g)
        for (const auto& field : Part::kSavedFields)
            std::visit([&](auto member) { writeValue(w, field.type, s.of<Part>(g).*member); }, field.member);
}

template <class Part> void readPart(EngineSettings& s, SectionReader& r, int32_t version) {
    if (Part::kSavedSince > version)
        return; // not in this file: the part keeps its initial values
    const int guitars = oncePerEngine<Part>() ? 1 : 2;
    for (int g = 0; g < guitars; ++g)
        for (const auto& field : Part::kSavedFields)
            std::visit(
                [&](auto member) {
                    auto& value = s.of<Part>(g).*member;
                    readValue(r, field.type, value);
                    value = field.range.hold(value, g);
                },
                field.member);
}

template <class... Parts> void writeAll(SectionLayout<Parts...>*, const EngineSettings& s, SectionWriter& w) {
    (writePart<Parts>(s, w), ...);
}

template <class... Parts>
void readAll(SectionLayout<Parts...>*, EngineSettings& s, SectionReader& r, int32_t version) {
    (readPart<Parts>(s, r, version), ...);
}

} // namespace

EngineSettings EngineSettings::read(const uint8_t* data, size_t size, int32_t version) {
    const size_t minimum = version == 0 ? kSectionSizeVersion0 : kSectionSize;
    if (data == nullptr || size < minimum)
        throw StrumwellFailure("SoundEngineFailure-1");
    EngineSettings s;
    SectionReader r(data, size);
    readAll(static_cast<EngineSectionLayout*>(nullptr), s, r, version);
    return s;
}

std::vector<uint8_t> EngineSettings::write() const {
    SectionWriter w(kSectionSize);
    writeAll(static_cast<EngineSectionLayout*>(nullptr), *this, w);
    w.buffer().resize(kSectionSize, 0); // the reserved bytes
    return std::move(w.buffer());
}
