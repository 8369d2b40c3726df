#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <utility>

#include "RecorderTestSupport.h"
#include "core/StrumwellFailure.h"
#include "recorder/Recorder.h"

namespace {

struct Rig {
    ManualClock clock{50.0};
    Recorder rec{nullptr, nullptr, clock, false};

    void restore(const std::vector<std::uint8_t>& bytes, int version) {
        rec.restoreFromSaveBuffer(bytes.data(), bytes.size(), version);
    }
    // The failure's name, or "" when the restore succeeded.
    std::string failureOf(const std::vector<std::uint8_t>& bytes, int version) {
        try {
            restore(bytes, version);
        } catch (const StrumwellFailure& f) {
            EXPECT_TRUE(f.reason().empty());
            return f.name();
        }
        return "";
    }
};

SongBytes oneBentNote() {
    SongBytes song;
    song.currentNoteID = 1;
    song.down(0.25, 0, 14, 0.95f, -2.1e-5).up(0.75, 0);
    song.pitches.push_back({0.5, 0, 1.1233333f, 1});
    return song;
}

std::vector<std::uint8_t> fuzzBytes(std::mt19937& rng, std::size_t size) {
    std::vector<std::uint8_t> b(size);
    for (auto& x : b) {
        x = static_cast<std::uint8_t>(rng());
    }
    return b;
}

} // namespace

TEST(SaveBuffer, EmptySongIs28Bytes) {
    Rig r;
    std::vector<std::uint8_t> header(28, 0);
    header[0] = 7;
    r.restore(header, 2);
    EXPECT_EQ(r.rec.currentNoteID(), 7);
    EXPECT_EQ(r.rec.createSaveBuffer(), header);
    const auto v0 = r.rec.createSaveBufferOldVersion0();
    EXPECT_EQ(v0, std::vector<std::uint8_t>({7, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(SaveBuffer, OneBentNoteIs100BytesAndComesBack) {
    // Recorded the ordinary way, then stripped of its pedal positions.
    ManualClock clock{5.0};
    Recorder rec(nullptr, nullptr, clock, false);
    rec.record();
    clock.advance(1.0);
    EXPECT_EQ(rec.addPlayNote(14, 0.95f, -2.1e-5), 0);
    clock.advance(0.25);
    rec.addPitchChange(0, 1.1233333f);
    clock.advance(0.25);
    rec.addStopNote(0);
    rec.stop();
    rec.runPlaybackPass();
    rec.eraseAllWahChanges(0);
    rec.eraseAllWhammyBarChanges(0);
    const auto bytes = rec.createSaveBuffer();
    ASSERT_EQ(bytes.size(), 100u);

    SongBytes expected;
    expected.currentNoteID = 1;
    expected.down(0.0, 0, 14, 0.95f, -2.1e-5).up(0.5, 0);
    expected.pitches.push_back({0.25, 0, 1.1233333f, 1});
    EXPECT_EQ(bytes, expected.version2());

    Rig r;
    r.restore(bytes, 2);
    EXPECT_EQ(r.rec.currentNoteID(), 1);
    const auto notes = r.rec.notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_TRUE(notes[0].keyDown());
    EXPECT_EQ(notes[0].sampleNo(), 14);
    EXPECT_EQ(notes[0].volume(), 0.95f);
    EXPECT_EQ(notes[0].releaseDelta(), -2.1e-5);
    EXPECT_EQ(notes[0].overdubNo(), 0);
    EXPECT_EQ(notes[0].created(), 50.0);
    EXPECT_FALSE(notes[1].keyDown());
    EXPECT_EQ(notes[1].time(), 0.5);
    const auto bends = r.rec.pitchBends();
    ASSERT_EQ(bends.size(), 1u);
    EXPECT_EQ(bends[0].pitch(), 1.1233333f);
    EXPECT_EQ(bends[0].overdubNo(), 1);
    EXPECT_EQ(r.rec.createSaveBuffer(), bytes);

    // As version 1 those counts need 92 bytes.
    EXPECT_EQ(r.failureOf(bytes, 1), "RecorderFailure-2");
    EXPECT_EQ(r.rec.getNumNotes(), 0);
    EXPECT_EQ(r.rec.currentNoteID(), 1);
}

TEST(SaveBuffer, Version1ReadsTheMissingBytesAsZero) {
    Rig r;
    const SongBytes song = oneBentNote();
    const auto v1 = song.version1();
    ASSERT_EQ(v1.size(), 92u);
    EXPECT_EQ(r.failureOf(v1, 1), "");
    EXPECT_EQ(r.rec.getNumNotes(), 2);
    const auto bends = r.rec.pitchBends();
    ASSERT_EQ(bends.size(), 1u);
    // The bend keeps its time and note; its pitch and overdub were never stored.
    EXPECT_EQ(bends[0].time(), 0.5);
    EXPECT_EQ(bends[0].noteID(), 0);
    EXPECT_EQ(bends[0].pitch(), 0.0f);
    EXPECT_EQ(bends[0].overdubNo(), 0);

    // A song of notes only loses the release rate of its last note-up, which
    // a note-up does not use.
    SongBytes notes;
    notes.down(0.0, 0).up(1.0, 0);
    r.restore(notes.version1(), 1);
    ASSERT_EQ(r.rec.getNumNotes(), 2);
    EXPECT_EQ(r.rec.notes()[1].time(), 1.0);

    // An empty version-1 song is 20 bytes: its last two counts read as 0.
    std::vector<std::uint8_t> empty(20, 0);
    empty[0] = 3;
    EXPECT_EQ(r.failureOf(empty, 1), "");
    EXPECT_EQ(r.rec.currentNoteID(), 3);
    empty.push_back(0);
    EXPECT_EQ(r.failureOf(empty, 1), "RecorderFailure-2");
    // A wah change of guitar 2 as the last record: its value and overdub are
    // lost (the value reads as 0, held to the closed pedal), its time survives.
    SongBytes wah;
    wah.down(0.0, 0).up(1.0, 0);
    wah.wah[1].push_back({0.75, 0.3f, 2});
    EXPECT_EQ(r.failureOf(wah.version1(), 1), "");
    ASSERT_EQ(r.rec.wahChanges(1).size(), 1u);
    EXPECT_EQ(r.rec.wahChanges(1)[0].time(), 0.75);
    EXPECT_EQ(r.rec.wahChanges(1)[0].pitch(), Recorder::kMinWah);
}

TEST(SaveBuffer, Version0ChecksAndExtraBytes) {
    Rig r;
    SongBytes song;
    song.currentNoteID = 9;
    song.down(0.0, 7, 20).up(0.5, 7);
    auto v0 = song.version0();
    ASSERT_EQ(v0.size(), 8u + 52u);
    EXPECT_EQ(r.failureOf(v0, 0), "");
    EXPECT_EQ(r.rec.getNumNotes(), 2);
    EXPECT_EQ(r.rec.currentNoteID(), 9);
    EXPECT_TRUE(r.rec.pitchBends().empty());

    v0.push_back(0xAB);
    v0.push_back(0xCD);
    EXPECT_EQ(r.failureOf(v0, 0), "");
    EXPECT_EQ(r.rec.getNumNotes(), 2);

    v0.resize(8 + 52 - 1);
    EXPECT_EQ(r.failureOf(v0, 0), "RecorderFailure-2");
    EXPECT_EQ(r.rec.getNumNotes(), 0);
    EXPECT_EQ(r.rec.currentNoteID(), 9);

    EXPECT_THROW(r.rec.restoreFromSaveBufferVersion0(v0.data(), 8), StrumwellFailure); // claims two notes
    EXPECT_EQ(r.rec.currentNoteID(), 9);
    EXPECT_THROW(r.rec.restoreFromSaveBufferVersion2(v0.data(), 8),
                 StrumwellFailure); // no room for the header
    EXPECT_EQ(r.rec.getNumNotes(), 0);

    Recorder writer(nullptr, nullptr, r.clock, false);
    const auto full = song.version2();
    writer.restoreFromSaveBuffer(full.data(), full.size(), 2);
    EXPECT_EQ(writer.createSaveBufferOldVersion0(), song.version0());
}

TEST(SaveBuffer, ShortBuffersFailWithCode1WhateverTheVersion) {
    Rig r;
    const auto song = oneBentNote().version2();
    for (int version = 0; version <= 2; ++version) {
        r.restore(song, 2);
        const std::vector<std::uint8_t> five = {1, 2, 3, 4, 5};
        EXPECT_EQ(r.failureOf(five, version), "RecorderFailure-1") << version;
        EXPECT_EQ(r.rec.getNumNotes(), 0);
        EXPECT_EQ(r.rec.currentNoteID(), 0);
        EXPECT_TRUE(r.rec.pitchBends().empty());
    }
    EXPECT_THROW(r.rec.restoreFromSaveBuffer(nullptr, 0, 2), StrumwellFailure);
}

TEST(SaveBuffer, OtherVersionsChangeNothing) {
    Rig r;
    const auto song = oneBentNote().version2();
    r.restore(song, 2);
    for (int version : {3, -1, 50}) {
        const std::vector<std::uint8_t> five = {1, 2, 3, 4, 5};
        EXPECT_EQ(r.failureOf(five, version), "");
        EXPECT_EQ(r.rec.getNumNotes(), 2);
        EXPECT_EQ(r.rec.currentNoteID(), 1);
    }
}

TEST(SaveBuffer, SizesAndCountsMustAgree) {
    Rig r;
    const auto good = oneBentNote().version2();
    // Every shorter or longer buffer fails (version 2 wants the exact size).
    for (std::size_t size = 8; size < good.size() + 30; ++size) {
        if (size == good.size()) {
            continue;
        }
        std::vector<std::uint8_t> b(good.begin(),
                                    good.begin() + static_cast<long>(std::min(size, good.size())));
        b.resize(size, 0);
        EXPECT_EQ(r.failureOf(b, 2), "RecorderFailure-2") << size;
    }
    // Negative or huge counts fail without reading anything.
    for (int field = 1; field <= 6; ++field) {
        for (std::int32_t count : {-1, -2147483647 - 1, 2147483647}) {
            auto b = good;
            const auto u = static_cast<std::uint32_t>(count);
            for (int i = 0; i < 4; ++i) {
                b[static_cast<std::size_t>(4 * field + i)] = static_cast<std::uint8_t>(u >> (8 * i));
            }
            EXPECT_EQ(r.failureOf(b, 2), "RecorderFailure-2");
            EXPECT_EQ(r.failureOf(b, 1), "RecorderFailure-2");
        }
    }
    // Counts whose sum would wrap a 32-bit size still fail.
    std::vector<std::uint8_t> wrap(28, 0);
    for (int field = 1; field <= 6; ++field) {
        wrap[static_cast<std::size_t>(4 * field + 3)] = 0x40;
    }
    EXPECT_EQ(r.failureOf(wrap, 2), "RecorderFailure-2");
    std::vector<std::uint8_t> negative0 = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(r.failureOf(negative0, 0), "RecorderFailure-2");
}

TEST(SaveBuffer, SampleNumberMinusOneSurvivesAndTheSanityCheckRemovesIt) {
    ManualClock clock{1.0};
    Recorder rec(nullptr, nullptr, clock, false);
    SongBytes song;
    song.down(0.0, 0, -1).up(0.5, 0).down(1.0, 1, 127).up(1.5, 1);
    const auto bytes = song.version2();
    rec.restoreFromSaveBuffer(bytes.data(), bytes.size(), 2);
    EXPECT_EQ(rec.notes()[0].sampleNo(), -1);
    EXPECT_EQ(rec.notes()[2].sampleNo(), 127);
    EXPECT_EQ(rec.createSaveBuffer(), bytes);
    // The next recording pass repairs it.
    rec.record();
    rec.stop();
    testing::internal::CaptureStdout();
    rec.runPlaybackPass();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SANITY CHECK FAILED:  SampleNo=-1 found for noteID=0 (postion 0).  Deleting it.\n");
    EXPECT_EQ(rec.getNumNotes(), 3); // the note-up of 0 stays
}

TEST(SaveBuffer, RestoreLeavesFlagsAndStrumAlone) {
    Rig r;
    r.rec.record();
    r.rec.addPlayNote(3, 1.0f, 0.0);
    r.restore(oneBentNote().version2(), 2);
    EXPECT_EQ(r.rec.getState(), 2);
    EXPECT_EQ(r.rec.currentOverdubNotesToAdd().size(), 1u); // the pass goes on
}

TEST(SaveBuffer, RandomBytesNeverReadOutside) {
    // Each buffer is copied into a block of exactly its size, so that the
    // address sanitizer sees any read past its end.
    Rig r;
    std::mt19937 rng(1234);
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::size_t size = rng() % 200;
        auto b = fuzzBytes(rng, size);
        // Small counts make it likelier that the sizes agree.
        for (std::size_t f = 4; f + 4 <= b.size() && f < 28; f += 4) {
            b[f + 1] = b[f + 2] = b[f + 3] = 0;
            b[f] = static_cast<std::uint8_t>(b[f] % 3);
        }
        auto block = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size);
        std::copy(b.begin(), b.end(), block.get());
        for (int version = 0; version <= 2; ++version) {
            try {
                r.rec.restoreFromSaveBuffer(block.get(), size, version);
                ++accepted;
                // Whatever was accepted can be written again.
                (void)r.rec.createSaveBuffer();
            } catch (const StrumwellFailure& f) {
                EXPECT_TRUE(f.name() == "RecorderFailure-1" || f.name() == "RecorderFailure-2");
            }
        }
    }
    EXPECT_GT(accepted, 0);
}

// A song from elsewhere may hold more note events than a recording can; it is
// kept to the limit as a recording that reached it would be.
TEST(SaveBuffer, ARestoreKeepsToTheEventLimit) {
    constexpr int kMax = Recorder::kMaxEvents;
    struct Case {
        const char* name;
        SongBytes song;
        int pending; // notes of a pass being recorded meanwhile
        int kept;
        int lastKeptID; // identifier of the last event kept
    };
    std::vector<Case> cases;
    {
        // 1501 complete notes, one after the other: the last one goes whole.
        SongBytes s;
        for (int id = 0; id <= kMax / 2; ++id) {
            s.down(id * 0.01, id).up(id * 0.01 + 0.005, id);
        }
        cases.push_back({"one note too many", s, 0, kMax, kMax / 2 - 1});
        cases.push_back({"while a pass is being recorded", s, 1, kMax - 2, kMax / 2 - 2});
    }
    {
        // 2000 note-downs, then their stops: only the first 1000 keep theirs.
        SongBytes s;
        for (int id = 0; id < 2000; ++id) {
            s.down(id * 0.001, id);
        }
        for (int id = 0; id < 2000; ++id) {
            s.up(10.0 + id * 0.001, id);
        }
        cases.push_back({"stops cut off", s, 0, 2000, 999});
    }
    {
        // A note-down that never had a stop stays, as in any restored song.
        SongBytes s;
        s.down(0.0, 77);
        for (int id = 0; id < kMax / 2; ++id) {
            s.down(1.0 + id * 0.01, id).up(1.0 + id * 0.01 + 0.005, id);
        }
        cases.push_back({"an orphan of the file", s, 0, kMax - 1, kMax / 2 - 2});
    }
    {
        SongBytes s;
        for (int id = 0; id < 50000; ++id) {
            s.down(0.0, id).up(1.0, id);
        }
        cases.push_back({"a hundred thousand events", s, 0, kMax, kMax / 2 - 1});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        if (c.pending > 0) {
            r.rec.record();
            for (int i = 0; i < c.pending; ++i) {
                r.rec.addPlayNote(3, 1.0f, 0.0);
            }
        }
        r.restore(c.song.version2(), 2);
        const auto notes = r.rec.notes();
        ASSERT_EQ(static_cast<int>(notes.size()), c.kept);
        EXPECT_EQ(r.rec.getNumNotes(), c.kept);
        EXPECT_EQ(notes.back().noteID(), c.lastKeptID);
        int downs = 0;
        for (const Note& n : notes) {
            downs += n.keyDown() ? 1 : 0;
        }
        EXPECT_EQ(c.kept - downs, downs - (c.song.notes.front().noteID == 77 ? 1 : 0)) << "every note whole";
        // What is kept is what is saved.
        const auto saved = r.rec.createSaveBuffer();
        EXPECT_EQ(saved[4] | saved[5] << 8, c.kept);
    }
    // A song within the limit comes back event for event.
    Rig r;
    SongBytes s;
    for (int id = 0; id < kMax / 2; ++id) {
        s.down(id * 0.01, id).up(5000.0, id);
    }
    const auto bytes = s.version2();
    r.restore(bytes, 2);
    EXPECT_EQ(r.rec.createSaveBuffer(), bytes);
}

TEST(SaveBuffer, RestoredWahValuesStayInTheTiltsRange) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<float, float>> cases = {
        {0.05f, 0.05f}, {0.3f, 0.3f}, {0.5f, 0.5f},  {0.049f, 0.05f}, {0.0f, 0.05f},
        {-inf, 0.05f},  {0.6f, 0.5f}, {1e30f, 0.5f}, {inf, 0.5f},     {nan, 0.5f},
    };
    SongBytes song;
    song.down(0.0, 0).up(1.0, 0);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        song.wah[i % 2].push_back({0.1 * static_cast<double>(i), cases[i].first, 1});
    }
    Rig r;
    r.restore(song.version2(), 2);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].first);
        const auto list = r.rec.wahChanges(static_cast<int>(i % 2));
        EXPECT_EQ(list[i / 2].pitch(), cases[i].second);
    }
    // Whammy values are kept as stored.
    song.whammy[0].push_back({0.0, 3.0f, 1});
    r.restore(song.version2(), 2);
    EXPECT_EQ(r.rec.whammyBarChanges(0)[0].pitch(), 3.0f);
}
