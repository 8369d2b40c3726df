#include <algorithm>
#include <limits>
#include <unordered_set>

#include "core/ByteReader.h"
#include "core/ByteWriter.h"
#include "core/StrumwellFailure.h"
#include "recorder/Recorder.h"
#include "recorder/RecorderInternals.h"

// The song's save buffer: written in the version-2 (or version-0) layout,
// read in versions 0, 1 and 2. All numbers little-endian.
//
//   header   currentNoteID, then the counts of notes, bends, whammy changes
//            of guitars 1 and 2, wah changes of guitars 1 and 2 (i32 each;
//            version 0 has only the first two)
//   notes    keyDown u8, sampleNo u8, time f64, noteID i32, volume f32,
//            releaseDelta f64
//   bends    time f64, noteID i32, pitch f32, overdubNo i32
//   changes  time f64, value f32, overdubNo i32: whammy, then wah

using namespace recorder_internals;

namespace {

// Sizes of the saved records, in bytes.
constexpr std::int64_t kHeaderSize = 28;
constexpr std::int64_t kHeaderSizeVersion0 = 8;
constexpr std::int64_t kNoteRecordSize = 26;
constexpr std::int64_t kPitchRecordSize = 20;
constexpr std::int64_t kChangeRecordSize = ChangeList<WahChange>::kRecordSize;
// A version-1 buffer is this much shorter than its records.
constexpr std::int64_t kVersion1Shortfall = 8;

} // namespace

void Recorder::writeNotesLocked(ByteWriter& w, std::size_t count) const {
    for (std::size_t i = 0; i < count; ++i) {
        const Note& n = notes_[i];
        w.boolean(n.keyDown());
        // Only the low 8 bits of the sample number are kept; every sample a
        // note can play lies below 128, and -1 survives as 0xFF.
        w.u8(static_cast<std::uint8_t>(n.sampleNo() & 0xFF));
        w.f64(n.time());
        w.i32(n.noteID());
        w.f32(n.volume());
        w.f64(n.releaseDelta());
    }
}

std::vector<std::uint8_t> Recorder::createSaveBuffer() {
    Lock lock(mutex_);
    mergeFinishedPassLocked();
    const auto n = static_cast<std::size_t>(std::min(numNotes_, static_cast<int>(notes_.size())));
    ByteWriter w(static_cast<std::size_t>(kHeaderSize) + n * kNoteRecordSize +
                 pitchBends_.size() * kPitchRecordSize + (whammy_.size() + wah_.size()) * kChangeRecordSize);
    w.i32(currentNoteID_);
    w.i32(static_cast<std::int32_t>(n));
    w.i32(static_cast<std::int32_t>(pitchBends_.size()));
    whammy_.writeCounts(w);
    wah_.writeCounts(w);
    writeNotesLocked(w, n);
    for (const PitchChange& c : pitchBends_) {
        w.f64(c.time());
        w.i32(c.noteID());
        w.f32(c.pitch());
        w.i32(c.overdubNo());
    }
    whammy_.write(w);
    wah_.write(w);
    return w.take();
}

std::vector<std::uint8_t> Recorder::createSaveBufferOldVersion0() {
    Lock lock(mutex_);
    mergeFinishedPassLocked();
    const auto n = static_cast<std::size_t>(std::min(numNotes_, static_cast<int>(notes_.size())));
    ByteWriter w(static_cast<std::size_t>(kHeaderSizeVersion0) + n * kNoteRecordSize);
    w.i32(currentNoteID_);
    w.i32(static_cast<std::int32_t>(n));
    writeNotesLocked(w, n);
    return w.take();
}

void Recorder::restoreFromSaveBuffer(const std::uint8_t* data, std::size_t size, int version) {
    if (version < 0 || version > 2) {
        return;
    }
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    mergeFinishedPassLocked();
    restoreLocked(data, size, version);
}

void Recorder::restoreFromSaveBufferVersion0(const std::uint8_t* data, std::size_t size) {
    restoreFromSaveBuffer(data, size, 0);
}

void Recorder::restoreFromSaveBufferVersion1(const std::uint8_t* data, std::size_t size) {
    restoreFromSaveBuffer(data, size, 1);
}

void Recorder::restoreFromSaveBufferVersion2(const std::uint8_t* data, std::size_t size) {
    restoreFromSaveBuffer(data, size, 2);
}

int Recorder::eventsLeftOutOnLoad() const {
    Lock lock(mutex_);
    return eventsLeftOutOnLoad_;
}

void Recorder::restoreLocked(const std::uint8_t* data, std::size_t size, int version) {
    eraseWholeSongLocked();
    eventsLeftOutOnLoad_ = 0;
    if (data == nullptr || size < 8) {
        throw StrumwellFailure("RecorderFailure-1");
    }
    // Bytes past the end read as zero where the layout relies on it: the
    // counts of a header cut short (the size check then decides) and the end
    // of a version-1 buffer's last record. They are read from a padded copy,
    // so nothing outside the buffer is touched.
    std::vector<std::uint8_t> padded;
    if (version == 1 || size < static_cast<std::size_t>(kHeaderSize)) {
        padded.assign(data, data + size);
        padded.resize(std::max(size + static_cast<std::size_t>(kVersion1Shortfall),
                               static_cast<std::size_t>(kHeaderSize)),
                      0);
    }
    ByteReader r(padded.empty() ? data : padded.data(), padded.empty() ? size : padded.size());
    currentNoteID_ = r.i32();

    const std::int64_t n = r.i32();
    std::int64_t p = 0;
    std::int64_t changeCounts[4] = {0, 0, 0, 0}; // whammy 1, whammy 2, wah 1, wah 2
    std::int64_t expected = 0;
    bool countsValid = n >= 0;
    if (version == 0) {
        expected = kHeaderSizeVersion0 + kNoteRecordSize * n;
    } else {
        // Counts that would lie past the end of a short version-1 buffer read as 0.
        p = r.i32();
        countsValid = countsValid && p >= 0;
        std::int64_t changes = 0;
        for (std::int64_t& c : changeCounts) {
            c = r.i32();
            countsValid = countsValid && c >= 0;
            changes += c;
        }
        expected = kHeaderSize + kNoteRecordSize * n + kPitchRecordSize * p + kChangeRecordSize * changes;
        if (version == 1) {
            expected -= kVersion1Shortfall;
        }
    }
    const auto actual =
        static_cast<std::int64_t>(std::min<std::size_t>(size, std::numeric_limits<std::int64_t>::max()));
    const bool sizeOk = version == 0 ? actual >= expected : actual == expected;
    if (!countsValid || !sizeOk) {
        throw StrumwellFailure("RecorderFailure-2");
    }

    // Every record now lies inside the buffer, except, in version 1, the
    // last 8 bytes of the last record, which read as zero.
    const double now = clock_.now();
    r.seek(version == 0 ? kHeaderSizeVersion0 : kHeaderSize);
    // The song and the pass being recorded stay within the limit together.
    const auto room = static_cast<std::int64_t>(
        std::max(0, restoredEventLimit_ - static_cast<int>(currentOverdubNotesToAdd_.size())));
    const std::int64_t keep = std::min(n, room);
    eventsLeftOutOnLoad_ = static_cast<int>(n - keep);
    notes_.reserve(static_cast<std::size_t>(keep));
    std::unordered_set<int> cutOffIDs;
    for (std::int64_t i = 0; i < n; ++i) {
        const bool keyDown = r.boolean();
        const int sampleNo = r.i8();
        const double time = r.f64();
        const int noteID = r.i32();
        const float volume = r.f32();
        const double releaseDelta = r.f64();
        if (i >= keep) {
            cutOffIDs.insert(noteID);
        } else if (keyDown) {
            notes_.emplace_back(sampleNo, volume, time, currentOverdubNo_, noteID, releaseDelta, now);
        } else {
            notes_.emplace_back(time, noteID, now);
        }
    }
    notesChangedLocked();
    if (!cutOffIDs.empty()) {
        dropNotesCutOffLocked(cutOffIDs);
    }
    if (version == 0) {
        return;
    }
    pitchBends_.reserve(static_cast<std::size_t>(p));
    for (std::int64_t i = 0; i < p; ++i) {
        const double time = r.f64();
        const int noteID = r.i32();
        const float pitch = r.f32();
        const int overdubNo = r.i32();
        pitchBends_.emplace_back(time, noteID, pitch, overdubNo);
    }
    whammy_.read(r, changeCounts, [](float value) { return value; });
    wah_.read(r, changeCounts + 2, heldWah);
}

void Recorder::dropNotesCutOffLocked(const std::unordered_set<int>& cutOffIDs) {
    // A note-down with no later kept event of its own whose identifier comes
    // again in the part cut off lost its note-up to the limit. Note-downs
    // that had no note-up in the file stay, as every restored song keeps them.
    std::size_t kept = 0;
    for (std::size_t k = 0; k < notes_.size(); ++k) {
        const Note& n = notes_[k];
        if (n.keyDown() && noteUpIndex_[k] < 0 && cutOffIDs.count(n.noteID()) != 0) {
            continue;
        }
        if (kept != k) {
            notes_[kept] = notes_[k];
        }
        ++kept;
    }
    notes_.erase(notes_.begin() + static_cast<std::ptrdiff_t>(kept), notes_.end());
    notesChangedLocked();
}
