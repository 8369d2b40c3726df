#include "storage/SongOptionsSection.h"

#include "core/ByteReader.h"
#include "core/ByteWriter.h"
#include "core/StrumwellFailure.h"

namespace {

constexpr const char* kCutShort = "TuningFailure-1";

void put(ByteWriter& w, const GuitarTuning& t) {
    for (int open : t.openSample)
        w.i8(static_cast<int8_t>(open));
    w.u8(static_cast<uint8_t>(t.capo));
}

GuitarTuning take(ByteReader& r) {
    GuitarTuning t;
    for (int& open : t.openSample)
        open = r.i8();
    t.capo = r.u8();
    return t;
}

} // namespace

std::vector<uint8_t> SongOptionsSection::write(const Song& song) {
    ByteWriter w(kSize);
    w.i16(static_cast<int16_t>(song.timing.tempo));
    w.u8(static_cast<uint8_t>(song.timing.beatsPerBar));
    for (const GuitarTuning& t : song.tunings)
        put(w, t);
    return w.take();
}

void SongOptionsSection::read(const uint8_t* section, size_t size, Song& song) {
    if (size < kSize)
        throw StrumwellFailure(kCutShort);
    ByteReader r(section, size);
    song.timing.tempo = r.i16();
    song.timing.beatsPerBar = r.u8();
    for (GuitarTuning& t : song.tunings)
        t = take(r);
}

std::vector<uint8_t> SongOptionsSection::writeTuning(const GuitarTuning& tuning) {
    ByteWriter w(kTuningSize);
    put(w, tuning);
    return w.take();
}

GuitarTuning SongOptionsSection::readTuning(const uint8_t* section, size_t size) {
    if (size < kTuningSize)
        throw StrumwellFailure(kCutShort);
    ByteReader r(section, size);
    return take(r);
}
