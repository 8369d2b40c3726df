// `strumwell export`: songs written as MIDI files and read back with a small,
// independent MIDI reader, then compared with the song's own events.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <filesystem>
#include <map>
#include <sstream>

#include "StorageTestSupport.h"
#include "storage/ExportCommand.h"
#include "storage/MidiExport.h"

namespace {

// ---- A small Standard MIDI File reader (running status, meta, sysex) ----

struct MidiEvent {
    int track;
    uint32_t tick;
    uint8_t status; // 0xFF for meta
    uint8_t d1 = 0, d2 = 0;
    uint8_t metaType = 0;
    Bytes meta;
    int channel() const { return status & 0x0F; }
    int kind() const { return status & 0xF0; }
};

struct MidiRead {
    bool valid = false;
    std::string error;
    int format = -1, tracks = 0, division = 0;
    std::vector<MidiEvent> events;
};

MidiRead readMidi(const Bytes& b) {
    MidiRead m;
    size_t p = 0;
    auto need = [&](size_t n) {
        if (b.size() - p < n)
            throw std::string("cut short at byte ") + std::to_string(p);
    };
    auto be = [&](int n) {
        need(static_cast<size_t>(n));
        uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | b[p++];
        return v;
    };
    auto var = [&] {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            need(1);
            const uint8_t c = b[p++];
            v = (v << 7) | (c & 0x7F);
            if (!(c & 0x80))
                return v;
        }
        throw std::string("variable-length number too long");
    };
    try {
        if (be(4) != 0x4D546864 || be(4) != 6)
            throw std::string("no MThd");
        m.format = static_cast<int>(be(2));
        m.tracks = static_cast<int>(be(2));
        m.division = static_cast<int>(be(2));
        for (int t = 0; t < m.tracks; ++t) {
            if (be(4) != 0x4D54726B)
                throw std::string("no MTrk");
            const uint32_t length = be(4);
            need(length);
            const size_t end = p + length;
            uint32_t tick = 0;
            uint8_t running = 0;
            bool ended = false;
            while (p < end) {
                tick += var();
                need(1);
                uint8_t s = b[p];
                if (s & 0x80)
                    ++p;
                else if (running)
                    s = running;
                else
                    throw std::string("data byte without status");
                MidiEvent e{t, tick, s, 0, 0, 0, {}};
                if (s == 0xFF) {
                    need(1);
                    e.metaType = b[p++];
                    const uint32_t n = var();
                    need(n);
                    e.meta.assign(b.begin() + static_cast<long>(p), b.begin() + static_cast<long>(p + n));
                    p += n;
                    if (e.metaType == 0x2F)
                        ended = true;
                } else if (s == 0xF0 || s == 0xF7) {
                    const uint32_t n = var();
                    need(n);
                    p += n;
                } else {
                    running = s;
                    need(1);
                    e.d1 = b[p++];
                    if (e.kind() != 0xC0 && e.kind() != 0xD0) {
                        need(1);
                        e.d2 = b[p++];
                    }
                }
                m.events.push_back(e);
            }
            if (p != end || !ended)
                throw std::string("track ") + std::to_string(t) + " has no end";
        }
        if (p != b.size())
            throw std::string("bytes after the last track");
        m.valid = true;
    } catch (const std::string& e) {
        m.error = e;
    }
    return m;
}

struct ReadNote {
    int track, channel, pitch, velocity;
    uint32_t on, off;
};

// Pairs each note-on with the next note-off of its key (first in, first out).
std::vector<ReadNote> notesOf(const MidiRead& m) {
    std::vector<ReadNote> notes;
    std::map<std::pair<int, int>, std::deque<size_t>> open;
    for (const MidiEvent& e : m.events) {
        const bool on = e.kind() == 0x90 && e.d2 > 0;
        const bool off = e.kind() == 0x80 || (e.kind() == 0x90 && e.d2 == 0);
        if (on) {
            open[{e.channel(), e.d1}].push_back(notes.size());
            notes.push_back({e.track, e.channel(), e.d1, e.d2, e.tick, UINT32_MAX});
        } else if (off) {
            auto& q = open[{e.channel(), e.d1}];
            if (!q.empty()) {
                notes[q.front()].off = e.tick;
                q.pop_front();
            }
        }
    }
    return notes;
}

std::vector<MidiEvent> ofKind(const MidiRead& m, int kind, int channel) {
    std::vector<MidiEvent> out;
    for (const MidiEvent& e : m.events)
        if (e.status != 0xFF && e.kind() == kind && e.channel() == channel)
            out.push_back(e);
    return out;
}

// Pitch-bend values in semitones under the range declared by RPN 0.
double semitones(const MidiEvent& e, int range) {
    return ((e.d1 | (e.d2 << 7)) - 8192) / 8192.0 * range;
}

int declaredRange(const MidiRead& m, int channel) {
    int rpnMsb = -1, rpnLsb = -1, range = -1;
    for (const MidiEvent& e : ofKind(m, 0xB0, channel)) {
        if (e.d1 == 101)
            rpnMsb = e.d2;
        else if (e.d1 == 100)
            rpnLsb = e.d2;
        else if (e.d1 == 6 && rpnMsb == 0 && rpnLsb == 0)
            range = e.d2;
    }
    return range;
}

// ---- Songs written as files ----

Note down(int sample, float volume, double t, int id) {
    return Note(sample, volume, t, 1, id, -2e-5, 0.0);
}
Note up(double t, int id) {
    return Note(t, id, 0.0);
}

Bytes recorderSection(const MidiExport::Song& s) {
    ByteWriter w;
    w.i32(100);
    w.i32(static_cast<int32_t>(s.notes.size()));
    w.i32(static_cast<int32_t>(s.pitchBends.size()));
    for (int g = 0; g < 2; ++g)
        w.i32(static_cast<int32_t>(s.whammyBarChanges[static_cast<size_t>(g)].size()));
    for (int g = 0; g < 2; ++g)
        w.i32(static_cast<int32_t>(s.wahChanges[static_cast<size_t>(g)].size()));
    for (const Note& n : s.notes) {
        w.u8(n.keyDown() ? 1 : 0);
        w.i8(static_cast<int8_t>(n.sampleNo()));
        w.f64(n.time());
        w.i32(n.noteID());
        w.f32(n.volume());
        w.f64(n.releaseDelta());
    }
    for (const PitchChange& c : s.pitchBends) {
        w.f64(c.time());
        w.i32(c.noteID());
        w.f32(c.pitch());
        w.i32(1);
    }
    for (const auto& list : s.whammyBarChanges)
        for (const WhammyBarChange& c : list) {
            w.f64(c.time());
            w.f32(c.pitch());
            w.i32(1);
        }
    for (const auto& list : s.wahChanges)
        for (const WahChange& c : list) {
            w.f64(c.time());
            w.f32(c.pitch());
            w.i32(1);
        }
    return w.take();
}

Bytes engineSection(const MidiExport::Song& s) {
    ByteWriter w;
    for (size_t g = 0; g < 2; ++g) {
        w.f32(0.5f);
        w.f64(-2e-5);
        w.i8(static_cast<int8_t>(s.patchNo[g]));
    }
    for (int g = 0; g < 2; ++g) {
        w.u8(0);
        w.u8(1);
        w.i32(26460);
        w.f32(0.4f);
        w.f32(0.9f);
    }
    for (int g = 0; g < 2; ++g) {
        w.u8(0);
        w.i16(5000);
    }
    w.u8(s.wahOn[0]);
    w.u8(s.wahOn[1]);
    w.i8(5);
    w.u8(s.whammyBarAttached[0]);
    w.u8(s.whammyBarAttached[1]);
    w.u8(s.pitchBendOn[0]);
    w.u8(s.pitchBendOn[1]);
    for (int i = 0; i < 5; ++i)
        w.u8(0);
    return w.take();
}

Bytes songFile(const MidiExport::Song& s) {
    return songBuffer("VERSION2", Tab().createSaveTabBuffer(), recorderSection(s), engineSection(s));
}

CommandRun exportCommand(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = ExportCommand::run(args, out, err);
    return {code, out.str(), err.str()};
}

MidiRead exportAndRead(const TempFolder& dir, const MidiExport::Song& song,
                       std::vector<std::string> extra = {}) {
    writeFile(dir.file("song.SAV"), songFile(song));
    std::vector<std::string> args = {dir.file("song.SAV"), "-o", dir.file("song.mid")};
    args.insert(args.end(), extra.begin(), extra.end());
    const CommandRun r = exportCommand(args);
    EXPECT_EQ(r.code, 0) << r.err;
    const MidiRead m = readMidi(readFile(dir.file("song.mid")));
    EXPECT_TRUE(m.valid) << m.error;
    return m;
}

} // namespace

TEST(MidiExport, NotesComeBackAtTheirPitchTimeAndVelocity) {
    // Two guitars, odd times, a note cut by the song's end, a noise, and a
    // note-up far from its note-down.
    MidiExport::Song song;
    song.patchNo = {4, 2};
    song.notes = {
        down(2, 0.5f, 0.1234567, 0),    // open low E on guitar 1
        down(26, 1.0f, 0.2502, 1),      // open high E
        down(48 + 14, 0.3f, 0.2505, 2), // guitar 2, D string fret 2
        up(0.7499, 0),
        down(103, 0.35f, 0.8, 3), // a fret noise
        up(0.8, 3),
        down(47, 0.05f, 1.0006, 4), // top sample of guitar 1
        up(1.3333, 1),
        up(2.25, 2),
        down(48, 0.75f, 2.5, 5), // bottom sample of guitar 2, never let go
        up(3.0004, 4),
    };
    struct Expected {
        int channel, pitch, velocity;
        double on, off;
    };
    const std::vector<Expected> expected = {
        {0, 40, 64, 0.1234567, 0.7499}, {0, 64, 127, 0.2502, 1.3333}, {1, 52, 38, 0.2505, 2.25},
        {0, 85, 6, 1.0006, 3.0004},     {1, 38, 95, 2.5, 3.0004},
    };
    TempFolder dir;
    const MidiRead m = exportAndRead(dir, song);
    ASSERT_TRUE(m.valid);
    EXPECT_EQ(m.format, 1);
    EXPECT_EQ(m.tracks, 3);
    EXPECT_EQ(m.division, MidiExport::kTicksPerQuarter);
    bool tempoFound = false;
    for (const MidiEvent& e : m.events)
        if (e.status == 0xFF && e.metaType == 0x51) {
            tempoFound = true;
            EXPECT_EQ(e.track, 0);
            EXPECT_EQ(e.meta, (Bytes{0x0F, 0x42, 0x40})); // 1 000 000 us a quarter: 1 ms a tick
        }
    EXPECT_TRUE(tempoFound);

    const std::vector<ReadNote> notes = notesOf(m);
    ASSERT_EQ(notes.size(), expected.size());
    double worst = 0.0;
    for (const Expected& x : expected) {
        SCOPED_TRACE(testing::Message() << "note " << x.pitch << " at " << x.on);
        const auto found = std::find_if(notes.begin(), notes.end(), [&](const ReadNote& n) {
            return n.channel == x.channel && n.pitch == x.pitch && std::fabs(n.on / 1000.0 - x.on) < 0.002;
        });
        ASSERT_NE(found, notes.end());
        EXPECT_EQ(found->track, x.channel + 1);
        EXPECT_EQ(found->velocity, x.velocity);
        worst =
            std::max({worst, std::fabs(found->on / 1000.0 - x.on), std::fabs(found->off / 1000.0 - x.off)});
    }
    EXPECT_LE(worst, 0.0005 + 1e-9); // half a tick
    RecordProperty("max_timing_error_ms", std::to_string(worst * 1000.0));
}

TEST(MidiExport, EachPatchGetsItsGeneralMidiProgram) {
    const std::vector<std::pair<int, int>> table = {{0, 24}, {1, 25}, {2, 29}, {3, 30}, {4, 27}, {7, 24}};
    for (const auto& [patch, program] : table) {
        SCOPED_TRACE(testing::Message() << "patch " << patch);
        MidiExport::Song song;
        song.patchNo = {patch, (patch + 1) % 5};
        song.notes = {down(10, 0.5f, 0.0, 0), down(58, 0.5f, 0.0, 1), up(0.5, 0), up(0.5, 1)};
        TempFolder dir;
        const MidiRead m = exportAndRead(dir, song);
        const std::vector<MidiEvent> p0 = ofKind(m, 0xC0, 0), p1 = ofKind(m, 0xC0, 1);
        ASSERT_EQ(p0.size(), 1u);
        ASSERT_EQ(p1.size(), 1u);
        EXPECT_EQ(p0[0].d1, program);
        EXPECT_EQ(p0[0].track, 1);
        EXPECT_EQ(p1[0].d1, MidiExport::gmProgramForPatch((patch + 1) % 5));
        EXPECT_EQ(p1[0].track, 2);
    }
}

TEST(MidiExport, BendsGlideOnTheWheelAndAFullBendIsAWholeStep) {
    MidiExport::Song song; // guitar 2 bends by default
    song.notes = {down(48 + 20, 0.5f, 0.1, 7), up(1.5, 7), down(48 + 22, 0.5f, 2.0, 8), up(2.5, 8)};
    song.pitchBends = {PitchChange(0.5, 7, 1.1233333f, 1), PitchChange(1.0, 7, 1.0f, 1),
                       PitchChange(2.1, 8, 1.0616666f, 1)};
    struct Case {
        const char* name;
        std::vector<std::string> options;
        size_t messages; // pitch-bend messages after the centre at 0
    };
    for (const Case& c : {Case{"glide", {}, 0}, Case{"no glide", {"--no-glide"}, 3}}) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        const MidiRead m = exportAndRead(dir, song, c.options);
        EXPECT_EQ(declaredRange(m, 1), 2);
        const std::vector<MidiEvent> bends = ofKind(m, 0xE0, 1);
        ASSERT_GE(bends.size(), 4u);
        EXPECT_EQ(bends[0].tick, 0u);
        EXPECT_DOUBLE_EQ(semitones(bends[0], 2), 0.0);
        if (c.messages) {
            EXPECT_EQ(bends.size(), c.messages + 1);
        }
        // The full bend reaches the top of the wheel; up takes about 75 ms,
        // down about 20, as the engine glides.
        double top = -1, topAt = 0, backAt = 0, halfAt = 0, half = 0;
        for (const MidiEvent& e : bends) {
            const double s = semitones(e, 2);
            if (s > top) {
                top = s;
                topAt = e.tick / 1000.0;
            }
            if (e.tick >= 1000 && e.tick < 2000 && std::fabs(s) < 1e-9)
                backAt = e.tick / 1000.0;
            if (e.tick >= 2100 && s > half) {
                half = s;
                halfAt = e.tick / 1000.0;
            }
        }
        EXPECT_NEAR(top, 2.0, 0.001);
        EXPECT_NEAR(half, 1.036, 0.001); // the engine's half bend, a little over a semitone
        if (c.messages) {
            EXPECT_DOUBLE_EQ(topAt, 0.5);
            EXPECT_DOUBLE_EQ(backAt, 1.0);
            EXPECT_DOUBLE_EQ(halfAt, 2.1);
        } else {
            EXPECT_NEAR(topAt, 0.575, 0.0011);
            EXPECT_NEAR(backAt, 1.02, 0.0011);
            EXPECT_NEAR(halfAt, 2.1 + 7 * 0.005, 0.0011);
        }
    }
}

TEST(MidiExport, WhammyWiderThanTwoSemitonesDeclaresTwelve) {
    struct Case {
        float whammy;
        int range;
        double semitones;
    };
    for (const Case& c :
         {Case{-0.5f, 12, -12.0}, Case{0.1f, 2, 12.0 * std::log2(1.1)}, Case{0.5f, 12, 7.02}}) {
        SCOPED_TRACE(c.whammy);
        MidiExport::Song song; // guitar 2 has the whammy bar by default
        song.notes = {down(60, 0.5f, 0.1, 0), up(1.0, 0)};
        song.whammyBarChanges[1] = {WhammyBarChange(0.0, 0.0f, 1), WhammyBarChange(0.4, c.whammy, 1)};
        TempFolder dir;
        const MidiRead m = exportAndRead(dir, song);
        EXPECT_EQ(declaredRange(m, 1), c.range);
        const std::vector<MidiEvent> bends = ofKind(m, 0xE0, 1);
        ASSERT_EQ(bends.size(), 2u);
        EXPECT_EQ(bends[1].tick, 400u);
        EXPECT_NEAR(semitones(bends[1], c.range), c.semitones, 0.01);
    }
}

TEST(MidiExport, WahIsController74AndSilentEffectsStayOut) {
    MidiExport::Song song;
    song.notes = {down(5, 0.5f, 0.1, 0), up(2.0, 0)}; // guitar 1: wah, bends and whammy off by default
    song.pitchBends = {PitchChange(0.5, 0, 1.1233333f, 1)};
    song.whammyBarChanges[0] = {WhammyBarChange(0.6, -0.2f, 1)};
    song.wahChanges[0] = {WahChange(0.0, 0.5f, 1), WahChange(0.3, 0.05f, 1), WahChange(0.9, 0.275f, 1),
                          WahChange(2.5, 0.1f, 1)}; // the last is after the song's end
    {
        TempFolder dir;
        const MidiRead m = exportAndRead(dir, song);
        EXPECT_EQ(ofKind(m, 0xE0, 0).size(), 1u); // only the centre
        for (const MidiEvent& e : ofKind(m, 0xB0, 0))
            EXPECT_NE(e.d1, MidiExport::kWahController);
    }
    song.wahOn[0] = true;
    song.pitchBendOn[0] = true;
    song.whammyBarAttached[0] = true;
    TempFolder dir;
    const MidiRead m = exportAndRead(dir, song);
    std::vector<std::pair<uint32_t, int>> wah;
    for (const MidiEvent& e : ofKind(m, 0xB0, 0))
        if (e.d1 == MidiExport::kWahController)
            wah.push_back({e.tick, e.d2});
    EXPECT_EQ(wah, (std::vector<std::pair<uint32_t, int>>{{0, 127}, {300, 0}, {900, 64}}));
    EXPECT_GT(ofKind(m, 0xE0, 0).size(), 10u);
}

TEST(MidiExport, EventsPlayWherePlaybackPutsThem) {
    MidiExport::Song song;
    song.notes = {
        down(10, 0.5f, 1.0, 0),
        down(12, 0.5f, 0.5, 1), // listed after 1.0 s: playback reaches it at 1.0 s
        down(10, 0.5f, 1.5, 2), // the same pitch again while note 0 still sounds
        up(2.0, 0),             // ends nothing: note 0 ended at 1.5
        up(2.2, 2),
        down(14, 0.5f, 2.4, 3), // its next event is another note-down: held to the end
        down(15, 0.5f, 2.6, 3),
        up(3.0, 1),
    };
    TempFolder dir;
    const MidiRead m = exportAndRead(dir, song);
    std::vector<std::tuple<int, uint32_t, uint32_t>> got;
    for (const ReadNote& n : notesOf(m))
        got.push_back({n.pitch, n.on, n.off});
    std::sort(got.begin(), got.end(),
              [](const auto& a, const auto& b) { return std::get<1>(a) < std::get<1>(b); });
    const std::vector<std::tuple<int, uint32_t, uint32_t>> expected = {
        {48, 1000, 1500}, {50, 1000, 3000}, {48, 1500, 2200}, {52, 2400, 3000}, {53, 2600, 3000}};
    EXPECT_EQ(got, expected);
}

TEST(MidiExport, DamagedSongsAreRefusedAndNothingIsWritten) {
    MidiExport::Song good;
    good.notes = {down(10, 0.5f, 0.1, 0), up(0.5, 0)};
    MidiExport::Song notANumber = good;
    notANumber.notes[1].setTime(std::nan(""));
    const Bytes whole = songFile(good);
    struct Case {
        const char* name;
        Bytes bytes;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"cut short", Bytes(whole.begin(), whole.end() - 30), "Error loading file"},
        {"recorder counts wrong",
         songBuffer("VERSION2", Tab().createSaveTabBuffer(), Bytes(12, 0), engineSection(good)),
         "RecorderFailure-2"},
        {"bad tab",
         songBuffer("VERSION2", Bytes{1, 0, 0, 0, 0, 0, 40, 0, 0, 0}, recorderSection(good),
                    engineSection(good)),
         "TabFailure-3"},
        {"time not a number", songFile(notANumber), "not"},
        {"empty", Bytes(), "Empty file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        writeFile(dir.file("bad.SAV"), c.bytes);
        writeFile(dir.file("old.mid"), Bytes{'o', 'l', 'd'});
        const CommandRun r = exportCommand({dir.file("bad.SAV"), "-o", dir.file("old.mid")});
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(readFile(dir.file("old.mid")), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.str()), {}), 2);
    }
    TempFolder dir;
    EXPECT_EQ(exportCommand({dir.file("missing.SAV"), "-o", dir.file("x.mid")}).code, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.mid")));
    EXPECT_EQ(exportCommand({dir.file("a.SAV")}).code, 2);
}
