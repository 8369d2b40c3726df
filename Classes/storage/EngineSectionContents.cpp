#include "storage/EngineSectionContents.h"

#include "core/ByteReader.h"
#include "core/StrumwellFailure.h"

namespace {
constexpr size_t kSectionSize = 72;
constexpr size_t kSectionSizeVersion0 = 60;
} // namespace

EngineSectionContents EngineSectionContents::parse(const uint8_t* data, size_t size, int32_t version) {
    const size_t minimum = version == 0 ? kSectionSizeVersion0 : kSectionSize;
    if (size < minimum)
        throw StrumwellFailure("SoundEngineFailure-1");
    EngineSectionContents e;
    ByteReader r(data, size);
    for (int g = 0; g < 2; ++g) {
        e.guitarVolume[static_cast<size_t>(g)] = r.f32();
        e.guitarReleaseDelta[static_cast<size_t>(g)] = r.f64();
        e.patchNo[static_cast<size_t>(g)] = r.i8();
    }
    for (int g = 0; g < 2; ++g) {
        e.delayOn[static_cast<size_t>(g)] = r.u8() != 0;
        e.pingPong[static_cast<size_t>(g)] = r.u8() != 0;
        e.delayTime[static_cast<size_t>(g)] = r.i32();
        e.delayFeedback[static_cast<size_t>(g)] = r.f32();
        e.delayMix[static_cast<size_t>(g)] = r.f32();
    }
    for (int g = 0; g < 2; ++g) {
        e.fuzzOn[static_cast<size_t>(g)] = r.u8() != 0;
        e.fuzzThreshold[static_cast<size_t>(g)] = r.i16();
    }
    if (version == 0)
        return e; // the later switches stay off, five frets shown
    e.wahOn[0] = r.u8() != 0;
    e.wahOn[1] = r.u8() != 0;
    e.numFretsToShow = r.i8();
    e.whammyBarAttached[0] = r.u8() != 0;
    e.whammyBarAttached[1] = r.u8() != 0;
    e.pitchBendOn[0] = r.u8() != 0;
    e.pitchBendOn[1] = r.u8() != 0;
    return e;
}
