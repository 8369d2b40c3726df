#pragma once
// Writes small Guitar Pro 3, 4 and 5 files for the reader's tests and the
// fuzzers' seeds: only the blocks the reader walks through, with a few
// decorations (chord diagrams, texts, bends, grace notes, harmonics, strokes)
// whose bytes it must step over exactly.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// String 1 is the highest; kind 1 normal, 2 tied, 3 dead; dynamic 1 (ppp) ... 8 (fff), 0 none.
struct GpNote {
    int string = 1, fret = 0, kind = 1, dynamic = 0;
    bool decorate = false;
};
struct GpBeat {
    int value = 0; // -2 whole ... 0 quarter, 1 eighth ...
    bool dotted = false, rest = false, decorate = false;
    int tuplet = 0, tempo = -1;
    std::vector<GpNote> notes;
};
struct GpTrack {
    std::string name;
    std::vector<int> tuning{64, 59, 55, 50, 45, 40}; // highest first
    int channel = 1, capo = 0;
    bool drums = false;
    std::vector<std::vector<GpBeat>> measures;
};
struct GpSong {
    int major = 5;
    bool v500 = false;
    int tempo = 120;
    std::vector<int> programs;              // of channels 1, 2, ...
    std::vector<std::pair<int, int>> times; // of each measure
    bool repeat = false;                    // a repeat sign on the first measure
    std::vector<GpTrack> tracks;
};

inline std::vector<uint8_t> writeGuitarPro(const GpSong& s) {
    std::vector<uint8_t> b;
    const bool gp5 = s.major == 5, gp3 = s.major == 3, rse = gp5 && !s.v500;
    auto u8 = [&](int v) { b.push_back(static_cast<uint8_t>(v)); };
    auto zeros = [&](int n) { b.insert(b.end(), static_cast<size_t>(n), 0); };
    auto i32 = [&](int v) {
        for (int k = 0; k < 4; ++k)
            u8(static_cast<int>(static_cast<uint32_t>(v) >> (8 * k)));
    };
    auto text = [&](const std::string& t, int width = 0) { // width 0: the int-sized form
        if (width == 0)
            i32(static_cast<int>(t.size()) + 1);
        u8(static_cast<int>(t.size()));
        b.insert(b.end(), t.begin(), t.end());
        zeros(width > 0 ? width - static_cast<int>(t.size()) : 0);
    };
    auto bend = [&] {
        u8(1), i32(100), i32(2);
        for (int p : {0, 60})
            i32(p), i32(p / 15), u8(0);
    };
    const char* version = gp5 ? (s.v500 ? "5.00" : "5.10") : gp3 ? "3.00" : "4.06";
    text(std::string("FICHIER GUITAR PRO v") + version, 30);
    for (int i = 0; i < (gp5 ? 9 : 8); ++i)
        text(""); // title, artist, ...
    // Notice lines, triplet feel, lyrics, the sound engine's master, page setup.
    zeros(4 + (gp5 ? 0 : 1) + (gp3 ? 0 : 44) + (gp5 ? (rse ? 19 : 0) + 30 : 0));
    for (int i = 0; i < (gp5 ? 11 : 0); ++i)
        text(""); // headers, footers and the tempo's name
    i32(s.tempo);
    zeros((rse ? 1 : 0) + (gp3 ? 4 : 5));
    for (int c = 0; c < 64; ++c)
        i32(c < int(s.programs.size()) ? s.programs[size_t(c)] : 0), zeros(8);
    zeros(gp5 ? 42 : 0);
    i32(static_cast<int>(s.times.size())), i32(static_cast<int>(s.tracks.size()));
    for (size_t m = 0; m < s.times.size(); ++m) {
        const int flags =
            (m == 0 || s.times[m] != s.times[m - 1] ? 0x03 : 0) | (m == 0 && s.repeat ? 0x04 : 0);
        zeros(gp5 && m > 0 ? 1 : 0);
        u8(flags);
        if (flags & 0x03)
            u8(s.times[m].first), u8(s.times[m].second), zeros(gp5 ? 4 : 0);
        zeros(gp5 ? 2 : 0);
    }
    for (size_t t = 0; t < s.tracks.size(); ++t) {
        const GpTrack& k = s.tracks[t];
        zeros(gp5 && (t == 0 || s.v500) ? 1 : 0);
        u8(k.drums ? 1 : 0);
        text(k.name, 40);
        i32(static_cast<int>(k.tuning.size()));
        for (size_t i = 0; i < 7; ++i)
            i32(i < k.tuning.size() ? k.tuning[i] : -1);
        i32(1), i32(k.channel), i32(k.channel), i32(24), i32(k.capo), i32(0);
        if (gp5) {
            zeros(29 + (rse ? 20 : 15));
            if (rse)
                text(""), text("");
        }
    }
    zeros(gp5 ? (s.v500 ? 2 : 1) : 0);
    for (size_t m = 0; m < s.times.size(); ++m) {
        for (const GpTrack& k : s.tracks) {
            const auto& beats = m < k.measures.size() ? k.measures[m] : std::vector<GpBeat>{};
            i32(static_cast<int>(beats.size()));
            for (const GpBeat& e : beats) {
                u8((e.dotted ? 0x01 : 0) | (e.decorate ? 0x0e : 0) | (e.tempo > 0 ? 0x10 : 0) |
                   (e.tuplet ? 0x20 : 0) | (e.rest ? 0x40 : 0));
                if (e.rest)
                    u8(2);
                u8(e.value);
                if (e.tuplet)
                    i32(e.tuplet);
                if (e.decorate) {
                    u8(1), zeros(gp3 ? 124 : 106); // chord diagram
                    text("Am");
                    u8(gp3 ? 0x60 : 0x40),
                        gp3 ? zeros(7) : (u8(0x04), bend(), zeros(2)); // strokes, tremolo bar
                }
                if (e.tempo > 0) {
                    // No instrument, sound or volume changes; the tempo.
                    b.insert(b.end(), 7 + (gp5 ? (rse ? 16 : 15) : 0), 0xff);
                    if (gp5)
                        text("");
                    i32(e.tempo), zeros((rse ? 2 : 1) + (gp3 ? 0 : 1));
                    if (gp5)
                        u8(-1), rse ? (text(""), text("")) : void();
                }
                int mask = 0; // the notes go highest string first
                for (const GpNote& n : e.notes)
                    mask |= 1 << (7 - n.string);
                u8(mask);
                for (const GpNote& n : e.notes) {
                    u8(0x20 | (n.dynamic ? 0x10 : 0) | (n.decorate ? 0x08 : 0));
                    u8(n.kind);
                    if (n.dynamic)
                        u8(n.dynamic);
                    u8(n.fret);
                    zeros(gp5 ? 1 : 0);
                    if (n.decorate) { // a bend, a grace note, a slide and a harmonic
                        u8(0x11), gp3 ? void() : u8(0x18);
                        bend();
                        zeros(gp5 ? 5 : 4);
                        if (!gp3)
                            u8(1), gp5 ? (u8(2), zeros(3)) : u8(1);
                    }
                }
                zeros(gp5 ? 2 : 0);
            }
            if (gp5)
                i32(0), u8(0); // an empty second voice, no line break
        }
    }
    return b;
}

} // namespace testsupport
