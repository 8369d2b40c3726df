#include "storage/RecorderSectionContents.h"

#include "audio/StrumwellFailure.h"
#include "storage/ByteReader.h"

namespace {

constexpr int64_t kNoteRecord = 26;
constexpr int64_t kPitchRecord = 20;
constexpr int64_t kChangeRecord = 16;

RecorderSectionContents::NoteRecord readNote(ByteReader& r) {
    RecorderSectionContents::NoteRecord n;
    n.keyDown = r.u8() != 0;
    const int8_t sampleNo = r.i8();
    n.time = r.f64();
    n.noteID = r.i32();
    const float volume = r.f32();
    const double releaseDelta = r.f64();
    if (n.keyDown) {
        n.sampleNo = sampleNo;
        n.volume = volume;
        n.releaseDelta = releaseDelta;
    }
    return n;
}

RecorderSectionContents::PitchRecord readPitch(ByteReader& r) {
    RecorderSectionContents::PitchRecord p;
    p.time = r.f64();
    p.noteID = r.i32();
    p.pitch = r.f32();
    p.overdubNo = r.i32();
    return p;
}

RecorderSectionContents::ChangeRecord readChange(ByteReader& r) {
    RecorderSectionContents::ChangeRecord c;
    c.time = r.f64();
    c.pitch = r.f32();
    c.overdubNo = r.i32();
    return c;
}

}  // namespace

RecorderSectionContents RecorderSectionContents::parse(const uint8_t* data, size_t size, int32_t version) {
    RecorderSectionContents out;
    ByteReader r(data, size);
    if (!r.has(8))
        throw StrumwellFailure("RecorderFailure-1");
    out.currentNoteID = r.i32();
    const int32_t n = r.i32();

    if (version == 0) {
        if (n < 0 || static_cast<int64_t>(size) < 8 + kNoteRecord * n)
            throw StrumwellFailure("RecorderFailure-2");
        out.notes.reserve(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i)
            out.notes.push_back(readNote(r));
        return out;
    }

    if (!r.has(20))
        throw StrumwellFailure("RecorderFailure-2");
    const int32_t p = r.i32();
    int32_t w[2], h[2];
    w[0] = r.i32();
    w[1] = r.i32();
    h[0] = r.i32();
    h[1] = r.i32();
    if (n < 0 || p < 0 || w[0] < 0 || w[1] < 0 || h[0] < 0 || h[1] < 0)
        throw StrumwellFailure("RecorderFailure-2");
    const int64_t records = kNoteRecord * n + kPitchRecord * p +
                            kChangeRecord * (static_cast<int64_t>(w[0]) + w[1] + h[0] + h[1]);
    const int64_t expected = (version == 1 ? 20 : 28) + records;
    if (static_cast<int64_t>(size) != expected)
        throw StrumwellFailure("RecorderFailure-2");

    // Version 1 stops 8 bytes short of its last record: every record is read
    // only while it lies wholly inside the buffer, so that one is dropped.
    auto fits = [&r](int64_t recordSize) { return r.has(static_cast<uint64_t>(recordSize)); };
    for (int32_t i = 0; i < n && fits(kNoteRecord); ++i)
        out.notes.push_back(readNote(r));
    for (int32_t i = 0; i < p && fits(kPitchRecord); ++i)
        out.pitchChanges.push_back(readPitch(r));
    for (int g = 0; g < 2; ++g)
        for (int32_t i = 0; i < w[g] && fits(kChangeRecord); ++i)
            out.whammy[static_cast<size_t>(g)].push_back(readChange(r));
    for (int g = 0; g < 2; ++g)
        for (int32_t i = 0; i < h[g] && fits(kChangeRecord); ++i)
            out.wah[static_cast<size_t>(g)].push_back(readChange(r));
    return out;
}
