#include "audio/EngineSettings.h"

#include "core/ByteReader.h"
#include "core/ByteWriter.h"
#include "core/StrumwellFailure.h"

namespace {

void writeValue(ByteWriter& w, FieldType type, bool v) {
    (void)type;
    w.u8(v ? 1 : 0);
}
void writeValue(ByteWriter& w, FieldType type, int32_t v) {
    if (type == FieldType::Int8)
        w.i8(int8_t(v));
    else if (type == FieldType::Int16)
        w.i16(int16_t(v));
    else
        w.i32(v);
}
void writeValue(ByteWriter& w, FieldType, float v) {
    w.f32(v);
}
void writeValue(ByteWriter& w, FieldType, double v) {
    w.f64(v);
}

void readValue(ByteReader& r, FieldType, bool& v) {
    v = r.u8() != 0;
}
void readValue(ByteReader& r, FieldType type, int32_t& v) {
    if (type == FieldType::Int8)
        v = r.i8();
    else if (type == FieldType::Int16)
        v = r.i16();
    else
        v = r.i32();
}
void readValue(ByteReader& r, FieldType, float& v) {
    v = r.f32();
}
void readValue(ByteReader& r, FieldType, double& v) {
    v = r.f64();
}

static_assert(EngineSettings::minimumSize(0) == 60 && EngineSettings::minimumSize(1) == 72 &&
              EngineSettings::minimumSize(2) == 72);

template <class Part> void writePart(const EngineSettings& s, ByteWriter& w) {
    const int guitars = oncePerEngine<Part>() ? 1 : 2;
    for (int g = 0; g < guitars; ++g)
        for (const auto& field : Part::kSavedFields)
            std::visit([&](auto member) { writeValue(w, field.type, s.of<Part>(g).*member); }, field.member);
}

template <class Part> void readPart(EngineSettings& s, ByteReader& r, int32_t version) {
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

template <class... Parts> void writeAll(SectionLayout<Parts...>*, const EngineSettings& s, ByteWriter& w) {
    (writePart<Parts>(s, w), ...);
}

template <class... Parts>
void readAll(SectionLayout<Parts...>*, EngineSettings& s, ByteReader& r, int32_t version) {
    (readPart<Parts>(s, r, version), ...);
}

} // namespace

EngineSettings EngineSettings::read(const uint8_t* data, size_t size, int32_t version) {
    if (data == nullptr || size < minimumSize(version))
        throw StrumwellFailure("SoundEngineFailure-1");
    EngineSettings s;
    ByteReader r(data, size);
    readAll(static_cast<EngineSectionLayout*>(nullptr), s, r, version);
    return s;
}

std::vector<uint8_t> EngineSettings::write() const {
    ByteWriter w(kSectionSize);
    writeAll(static_cast<EngineSectionLayout*>(nullptr), *this, w);
    w.zeros(kSectionSize - w.size()); // the reserved bytes
    return w.take();
}
