#pragma once
// Song files as bytes: numbers, texts and sections laid out as the files lay
// them out. Shared by the storage tests and the fuzzers' seeds.
#include <array>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/ByteWriter.h"
#include "recorder/Note.h"
#include "recorder/PitchChange.h"
#include "recorder/WahChange.h"
#include "recorder/WhammyBarChange.h"

using Bytes = std::vector<uint8_t>;

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

template <class Change> using PerGuitar = std::array<std::vector<Change>, 2>;

// A recorder section (version 2) holding these lists.
inline Bytes recorderSection(const std::vector<Note>& notes, const std::vector<PitchChange>& bends = {},
                             const PerGuitar<WhammyBarChange>& whammy = {},
                             const PerGuitar<WahChange>& wah = {}, int32_t currentNoteID = 100) {
    Bytes b = pack(currentNoteID);
    for (size_t n :
         {notes.size(), bends.size(), whammy[0].size(), whammy[1].size(), wah[0].size(), wah[1].size()})
        put(b, static_cast<int32_t>(n));
    for (const Note& n : notes)
        put(b, n.keyDown(), static_cast<int8_t>(n.sampleNo()), n.time(), n.noteID(), n.volume(),
            n.releaseDelta());
    for (const PitchChange& c : bends)
        put(b, c.time(), c.noteID(), c.pitch(), c.overdubNo());
    const auto putChanges = [&b](const auto& perGuitar) {
        for (const auto& list : perGuitar)
            for (const ControlChange& c : list)
                put(b, c.time(), c.pitch(), c.overdubNo());
    };
    putChanges(whammy);
    putChanges(wah);
    return b;
}

// Joins a header (or none) and sections into a song buffer.
inline Bytes songBuffer(const std::string& header, const Bytes& tab, const Bytes& recorder,
                        const Bytes& engine) {
    return pack(header, static_cast<int32_t>(tab.size()), tab, static_cast<int32_t>(recorder.size()),
                recorder, static_cast<int32_t>(engine.size()), engine);
}
