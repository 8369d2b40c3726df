#pragma once
// Song files as bytes: numbers, texts and sections laid out as the files lay
// them out, written independently of the model. Shared by the storage and
// recorder tests and the fuzzers' seeds.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <vector>

#include "core/ByteWriter.h"
#include "core/SongVersion.h"
#include "song/Note.h"
#include "song/PitchChange.h"
#include "song/WahChange.h"
#include "song/WhammyBarChange.h"

using Bytes = std::vector<uint8_t>;

// The header this build writes: "VERSION" and the current version's digit.
// Older files keep the header they were written with.
inline const std::string kWrittenHeader = std::string("VERSION") + char('0' + SongVersion::kCurrent);

// Appends the values as the files lay them out: little-endian numbers as wide
// as their types (bool one byte), texts and byte buffers as they are.
template <class... T> void put(Bytes& b, const T&... values) {
    ByteWriter w;
    const auto one = [&w](const auto& v) {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<V, Bytes>)
            w.bytes(v.data(), v.size());
        else if constexpr (std::is_convertible_v<V, std::string_view>)
            w.text(v);
        else if constexpr (std::is_same_v<V, float>)
            w.f32(v);
        else if constexpr (std::is_same_v<V, double>)
            w.f64(v);
        else
            for (size_t i = 0; i < sizeof(V); ++i)
                w.u8(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
    };
    (one(values), ...);
    b.insert(b.end(), w.buffer().begin(), w.buffer().end());
}

template <class... T> Bytes pack(const T&... values) {
    Bytes b;
    put(b, values...);
    return b;
}

// A recorder section built field by field, in every saved version, where a
// test needs records the model would never write (odd samples, orphans).
struct SongBytes {
    // Records in their saved order of fields: a note is (down, sample, time,
    // id, volume, release rate), a bend (time, note id, pitch, overdub), a
    // whammy or wah change (time, value, overdub).
    using NoteRec = std::tuple<uint8_t, uint8_t, double, int32_t, float, double>;
    using PitchRec = std::tuple<double, int32_t, float, int32_t>;
    using ChangeRec = std::tuple<double, float, int32_t>;

    explicit SongBytes(int nextNoteID = 0) : currentNoteID(nextNoteID) {}

    int32_t currentNoteID;
    std::vector<NoteRec> notes;
    std::vector<PitchRec> pitches;
    std::vector<ChangeRec> whammy[2];
    std::vector<ChangeRec> wah[2];

    SongBytes& down(double time, int noteID, int sampleNo = 10, float volume = 0.9f,
                    double releaseDelta = -2e-5) {
        notes.emplace_back(1, uint8_t(sampleNo), time, noteID, volume, releaseDelta);
        return *this;
    }
    SongBytes& up(double time, int noteID) {
        notes.emplace_back(0, 0, time, noteID, 0.0f, 0.0);
        return *this;
    }
    template <class Rec> static void putAll(Bytes& b, const std::vector<Rec>& records) {
        for (const Rec& r : records)
            std::apply([&b](const auto&... fields) { put(b, fields...); }, r);
    }
    Bytes version0() const {
        Bytes b = pack(currentNoteID, int32_t(notes.size()));
        putAll(b, notes);
        return b;
    }
    Bytes version2() const {
        Bytes b = pack(currentNoteID);
        for (size_t n :
             {notes.size(), pitches.size(), whammy[0].size(), whammy[1].size(), wah[0].size(), wah[1].size()})
            put(b, int32_t(n));
        putAll(b, notes);
        putAll(b, pitches);
        for (const auto* list : {&whammy[0], &whammy[1], &wah[0], &wah[1]})
            putAll(b, *list);
        return b;
    }
    // The version-1 layout is version 2 with its last 8 bytes missing. (A
    // copy of the front, not a resize: GCC 12 with the address sanitizer
    // misreads resize's growing path as a huge memset.)
    Bytes version1() const {
        const Bytes b = version2();
        return Bytes(b.begin(), b.end() - 8);
    }
};

template <class Change> using PerGuitar = std::array<std::vector<Change>, 2>;

// A recorder section (version 2) holding these lists.
inline Bytes recorderSection(const std::vector<Note>& notes, const std::vector<PitchChange>& bends = {},
                             const PerGuitar<WhammyBarChange>& whammy = {},
                             const PerGuitar<WahChange>& wah = {}, int32_t currentNoteID = 100) {
    SongBytes s(currentNoteID);
    for (const Note& n : notes)
        s.notes.emplace_back(n.keyDown(), n.sampleNo(), n.time(), n.noteID(), n.volume(), n.releaseDelta());
    for (const PitchChange& c : bends)
        s.pitches.emplace_back(c.time(), c.noteID(), c.pitch(), c.overdubNo());
    for (size_t g = 0; g < 2; ++g) {
        for (const ControlChange& c : whammy[g])
            s.whammy[g].emplace_back(c.time(), c.pitch(), c.overdubNo());
        for (const ControlChange& c : wah[g])
            s.wah[g].emplace_back(c.time(), c.pitch(), c.overdubNo());
    }
    return s.version2();
}

// A tuning as files keep it (six open strings' samples, low E first, then the
// capo), and the section after the engine's from version 3 on: the tempo,
// the beats per bar and each guitar's tuning.
inline const Bytes kStandardTuning = {2, 7, 12, 17, 21, 26, 0};
inline Bytes optionsSection(int16_t tempo = 120, uint8_t beatsPerBar = 4,
                            const Bytes& guitar1 = kStandardTuning, const Bytes& guitar2 = kStandardTuning) {
    return pack(tempo, beatsPerBar, guitar1, guitar2);
}

// Joins a header (or none) and sections into a song buffer.
inline Bytes songBuffer(const std::string& header, const Bytes& tab, const Bytes& recorder,
                        const Bytes& engine) {
    return pack(header, static_cast<int32_t>(tab.size()), tab, static_cast<int32_t>(recorder.size()),
                recorder, static_cast<int32_t>(engine.size()), engine);
}

// A song and a tab file as this build writes them.
inline Bytes writtenSong(const Bytes& tab, const Bytes& recorder, const Bytes& engine,
                         const Bytes& options = optionsSection()) {
    Bytes b = songBuffer(kWrittenHeader, tab, recorder, engine);
    put(b, static_cast<int32_t>(options.size()), options);
    return b;
}
inline Bytes writtenTab(const Bytes& tab, const Bytes& tuning = kStandardTuning) {
    return pack(kWrittenHeader, static_cast<int32_t>(tab.size()), tab, static_cast<int32_t>(tuning.size()),
                tuning);
}
