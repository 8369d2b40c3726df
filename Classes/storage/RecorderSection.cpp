#include "storage/RecorderSection.h"

#include <algorithm>
#include <limits>

#include "core/ByteReader.h"
#include "core/ByteWriter.h"
#include "core/GuitarId.h"
#include "core/StrumwellFailure.h"

namespace {

// Sizes of the saved records, in bytes.
constexpr int64_t kHeaderSize = 28;
constexpr int64_t kHeaderSizeVersion0 = 8;
constexpr int64_t kNoteRecordSize = 26;
constexpr int64_t kPitchRecordSize = 20;
constexpr int64_t kChangeRecordSize = 16;
// A version-1 section is this much shorter than its records.
constexpr int64_t kVersion1Shortfall = 8;

template <class Change>
void writeChanges(ByteWriter& w, const std::array<std::vector<Change>, kGuitars>& lists) {
    for (const auto& list : lists)
        for (const Change& c : list) {
            w.f64(c.time());
            w.f32(c.pitch());
            w.i32(c.overdubNo());
        }
}

template <class Change, class Hold>
void readChanges(ByteReader& r, const int64_t* counts, std::array<std::vector<Change>, kGuitars>& lists,
                 Hold hold) {
    for (size_t g = 0; g < kGuitars; ++g) {
        lists[g].reserve(static_cast<size_t>(counts[g]));
        for (int64_t i = 0; i < counts[g]; ++i) {
            const double time = r.f64();
            const float value = r.f32();
            const int overdubNo = r.i32();
            lists[g].emplace_back(time, hold(value), overdubNo);
        }
    }
}

} // namespace

std::vector<uint8_t> RecorderSection::write(const SongEvents& e, int32_t version) {
    const size_t changes = e.whammy[0].size() + e.whammy[1].size() + e.wah[0].size() + e.wah[1].size();
    ByteWriter w(version == 0 ? static_cast<size_t>(kHeaderSizeVersion0) + e.notes.size() * kNoteRecordSize
                              : static_cast<size_t>(kHeaderSize) + e.notes.size() * kNoteRecordSize +
                                    e.pitchBends.size() * kPitchRecordSize + changes * kChangeRecordSize);
    w.i32(e.currentNoteID);
    w.i32(static_cast<int32_t>(e.notes.size()));
    if (version != 0) {
        w.i32(static_cast<int32_t>(e.pitchBends.size()));
        for (const auto* list : {&e.whammy[0], &e.whammy[1]})
            w.i32(static_cast<int32_t>(list->size()));
        for (const auto* list : {&e.wah[0], &e.wah[1]})
            w.i32(static_cast<int32_t>(list->size()));
    }
    for (const Note& n : e.notes) {
        w.boolean(n.keyDown());
        // Only the low 8 bits of the sample number are kept; every sample a
        // note can play lies below 128, and -1 survives as 0xFF.
        w.u8(static_cast<uint8_t>(n.sampleNo() & 0xFF));
        w.f64(n.time());
        w.i32(n.noteID());
        w.f32(n.volume());
        w.f64(n.releaseDelta());
    }
    if (version == 0)
        return w.take();
    for (const PitchChange& c : e.pitchBends) {
        w.f64(c.time());
        w.i32(c.noteID());
        w.f32(c.pitch());
        w.i32(c.overdubNo());
    }
    writeChanges(w, e.whammy);
    writeChanges(w, e.wah);
    return w.take();
}

SongEvents RecorderSection::read(const uint8_t* data, size_t size, int32_t version, int eventLimit) {
    SongEvents e;
    if (data == nullptr || size < 8)
        throw StrumwellFailure("RecorderFailure-1");
    // Bytes past the end read as zero where the layout relies on it: the
    // counts of a header cut short (the size check then decides) and the end
    // of a version-1 section's last record. They are read from a padded copy,
    // so nothing outside the section is touched.
    std::vector<uint8_t> padded;
    if (version == 1 || size < static_cast<size_t>(kHeaderSize)) {
        padded.assign(data, data + size);
        padded.resize(
            std::max(size + static_cast<size_t>(kVersion1Shortfall), static_cast<size_t>(kHeaderSize)), 0);
    }
    ByteReader r(padded.empty() ? data : padded.data(), padded.empty() ? size : padded.size());
    e.currentNoteID = r.i32();

    const int64_t n = r.i32();
    int64_t p = 0;
    int64_t changeCounts[4] = {0, 0, 0, 0}; // whammy 1, whammy 2, wah 1, wah 2
    int64_t expected = 0;
    bool countsValid = n >= 0;
    if (version == 0) {
        expected = kHeaderSizeVersion0 + kNoteRecordSize * n;
    } else {
        // Counts that would lie past the end of a short section read as 0.
        p = r.i32();
        countsValid = countsValid && p >= 0;
        int64_t changes = 0;
        for (int64_t& c : changeCounts) {
            c = r.i32();
            countsValid = countsValid && c >= 0;
            changes += c;
        }
        expected = kHeaderSize + kNoteRecordSize * n + kPitchRecordSize * p + kChangeRecordSize * changes;
        if (version == 1)
            expected -= kVersion1Shortfall;
    }
    const auto actual = static_cast<int64_t>(std::min<uint64_t>(size, std::numeric_limits<int64_t>::max()));
    const bool sizeOk = version == 0 ? actual >= expected : actual == expected;
    if (!countsValid || !sizeOk)
        throw StrumwellFailure("RecorderFailure-2");

    // Every record now lies inside the section, except, in version 1, the
    // last 8 bytes of the last record, which read as zero.
    r.seek(version == 0 ? kHeaderSizeVersion0 : kHeaderSize);
    e.notes.reserve(static_cast<size_t>(std::min<int64_t>(n, std::max(eventLimit, 0))));
    for (int64_t i = 0; i < n; ++i) {
        const bool keyDown = r.boolean();
        const int sampleNo = r.i8();
        const double time = r.f64();
        const int noteID = r.i32();
        const float volume = r.f32();
        const double releaseDelta = r.f64();
        if (keyDown)
            e.notes.emplace_back(sampleNo, volume, time, 0, noteID, releaseDelta, 0.0);
        else
            e.notes.emplace_back(time, noteID, 0.0);
    }
    e.keepFirstNoteEvents(static_cast<size_t>(std::max(eventLimit, 0)));
    if (version == 0)
        return e;
    e.pitchBends.reserve(static_cast<size_t>(p));
    for (int64_t i = 0; i < p; ++i) {
        const double time = r.f64();
        const int noteID = r.i32();
        const float pitch = r.f32();
        const int overdubNo = r.i32();
        e.pitchBends.emplace_back(time, noteID, pitch, overdubNo);
    }
    readChanges(r, changeCounts, e.whammy, [](float value) { return value; });
    readChanges(r, changeCounts + 2, e.wah, SongEvents::heldWah);
    return e;
}
