#include <algorithm>
#include <limits>
#include <random>

#include "RecorderTestSupport.h"

namespace {

SongBytes oneBentNote() {
    SongBytes song(1);
    song.down(0.25, 0, 14, 0.95f, -2.1e-5).up(0.75, 0);
    song.pitches = {{0.5, 0, 1.1233333f, 1}};
    return song;
}

} // namespace

TEST(SaveBuffer, RecordedSongsSaveAndComeBack) {
    Rig r;
    // An empty song is its header: the note identifier and six counts.
    std::vector<std::uint8_t> empty(28, 0);
    empty[0] = 7;
    r.load(empty);
    EXPECT_EQ(r.rec.createSaveBuffer(), empty);
    EXPECT_EQ(r.rec.createSaveBufferOldVersion0(),
              std::vector<std::uint8_t>(empty.begin(), empty.begin() + 8));
    // One bent note recorded the ordinary way, stripped of its pedal positions.
    r.rec.resetState();
    r.pass({{14, 1.0, 0.5}}, [&] {
        r.clock.advance(0.25);
        r.rec.addPitchChange(0, 1.1233333f);
    });
    r.rec.eraseAllWahChanges(0);
    r.rec.eraseAllWhammyBarChanges(0);
    SongBytes expected(1);
    expected.down(0.0, 0, 14, 1.0f, 0.0).up(0.5, 0).pitches = {{0.25, 0, 1.1233333f, 1}};
    const auto bytes = r.rec.createSaveBuffer();
    EXPECT_EQ(bytes, expected.version2());
    // Restored notes come back with overdub 0, made at the restore.
    r.load(oneBentNote());
    EXPECT_EQ(r.rec.createSaveBuffer(), oneBentNote().version2());
    EXPECT_EQ(r.rec.notes()[0].overdubNo(), 0);
    EXPECT_EQ(r.rec.notes()[0].created(), r.clock.now());
    // Read as version 1 those counts need 92 bytes: the song is then erased.
    EXPECT_EQ(r.failureOf(bytes, 1), "RecorderFailure-2");
    EXPECT_EQ(r.rec.getNumNotes(), 0);
    EXPECT_EQ(r.rec.currentNoteID(), 1);
}

// A version-1 buffer is 8 bytes short: the end of its last record reads as 0.
TEST(SaveBuffer, Version1ReadsTheMissingBytesAsZero) {
    Rig r;
    EXPECT_EQ(r.failureOf(oneBentNote().version1(), 1), "");
    SongBytes lost = oneBentNote(); // the bend's pitch and overdub
    lost.pitches = {{0.5, 0, 0.0f, 0}};
    EXPECT_EQ(r.rec.createSaveBuffer(), lost.version2());
    // The last record a wah change of guitar 2: its value reads as 0, held to
    // the closed pedal.
    lost.pitches.clear();
    lost.wah[1] = {{0.75, 0.3f, 2}};
    EXPECT_EQ(r.failureOf(lost.version1(), 1), "");
    lost.wah[1] = {{0.75, Recorder::kMinWah, 0}};
    EXPECT_EQ(r.rec.createSaveBuffer(), lost.version2());
    // An empty version-1 song is 20 bytes.
    std::vector<std::uint8_t> empty(20, 0);
    empty[0] = 3;
    EXPECT_EQ(r.failureOf(empty, 1), "");
    EXPECT_EQ(r.rec.currentNoteID(), 3);
    empty.push_back(0);
    EXPECT_EQ(r.failureOf(empty, 1), "RecorderFailure-2");
}

// Version 0 holds the notes only, and a buffer may go on after them.
TEST(SaveBuffer, Version0) {
    Rig r;
    SongBytes song;
    song.down(0.0, 7, 20).up(0.5, 7).currentNoteID = 9;
    auto v0 = song.version0();
    song.pitches = {{0.1, 7, 1.1f, 1}};
    r.load(song);
    EXPECT_EQ(r.rec.createSaveBufferOldVersion0(), v0);
    song.pitches.clear();
    v0.insert(v0.end(), {0xAB, 0xCD});
    EXPECT_EQ(r.failureOf(v0, 0), "");
    EXPECT_EQ(r.rec.createSaveBuffer(), song.version2());
    v0.resize(8 + 52 - 1);
    EXPECT_EQ(r.failureOf(v0, 0), "RecorderFailure-2");
    EXPECT_EQ(r.rec.getNumNotes(), 0);
    EXPECT_EQ(r.rec.currentNoteID(), 9);
    // Eight bytes: two notes claimed; no room for a version-2 header.
    EXPECT_THROW(r.rec.restoreFromSaveBufferVersion0(v0.data(), 8), StrumwellFailure);
    EXPECT_THROW(r.rec.restoreFromSaveBufferVersion2(v0.data(), 8), StrumwellFailure);
}

// Damaged or hostile buffers fail with their code and leave the song erased
// (a short one also resets the note identifier); unknown versions change
// nothing.
TEST(SaveBuffer, DamagedBuffersFail) {
    Rig r;
    const auto good = oneBentNote().version2();
    const std::vector<std::uint8_t> five = {1, 2, 3, 4, 5};
    for (int version = 0; version <= 2; ++version) {
        r.load(good);
        EXPECT_EQ(r.failureOf(five, version), "RecorderFailure-1") << version;
        EXPECT_EQ(r.rec.createSaveBuffer(), std::vector<std::uint8_t>(28, 0));
    }
    EXPECT_THROW(r.rec.restoreFromSaveBuffer(nullptr, 0, 2), StrumwellFailure);
    r.load(good);
    for (int version : {3, -1, 50}) {
        EXPECT_EQ(r.failureOf(five, version), "");
        EXPECT_EQ(r.rec.getNumNotes(), 2);
    }
    // Version 2 wants the exact size.
    for (std::size_t size = 8; size < good.size() + 30; ++size) {
        std::vector<std::uint8_t> b(good.begin(), good.begin() + long(std::min(size, good.size())));
        b.resize(size, 0);
        EXPECT_EQ(r.failureOf(b, 2), size == good.size() ? "" : "RecorderFailure-2") << size;
    }
    // Negative or huge counts fail without reading anything.
    for (int field = 1; field <= 6; ++field) {
        for (std::uint32_t count : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu}) {
            auto b = good;
            std::memcpy(&b[std::size_t(4 * field)], &count, 4);
            EXPECT_EQ(r.failureOf(b, 2), "RecorderFailure-2");
            EXPECT_EQ(r.failureOf(b, 1), "RecorderFailure-2");
        }
    }
    // Counts whose sum would wrap a 32-bit size.
    std::vector<std::uint8_t> wrap(28, 0);
    for (int field = 1; field <= 6; ++field)
        wrap[std::size_t(4 * field + 3)] = 0x40;
    EXPECT_EQ(r.failureOf(wrap, 2), "RecorderFailure-2");
    EXPECT_EQ(r.failureOf({0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 0), "RecorderFailure-2");
}

// Each buffer is a block of exactly its size, so that the address sanitizer
// sees any read past its end.
TEST(SaveBuffer, RandomBytesNeverReadOutside) {
    Rig r;
    std::mt19937 rng(1234);
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        std::vector<std::uint8_t> block(rng() % 200);
        for (auto& b : block)
            b = static_cast<std::uint8_t>(rng());
        // Small counts make it likelier that the sizes agree.
        for (std::size_t f = 4; f + 4 <= block.size() && f < 28; f += 4) {
            block[f] %= 3;
            block[f + 1] = block[f + 2] = block[f + 3] = 0;
        }
        for (int version = 0; version <= 2; ++version) {
            const std::string failure = r.failureOf(block, version);
            EXPECT_TRUE(failure == "" || failure == "RecorderFailure-1" || failure == "RecorderFailure-2");
            // Whatever was accepted can be written again.
            accepted += failure.empty() && r.rec.createSaveBuffer().size() >= 28 ? 1 : 0;
        }
    }
    EXPECT_GT(accepted, 0);
}

// A song from elsewhere may hold more note events than a recording can; it is
// kept to the limit as a recording that reached it would be.
TEST(SaveBuffer, ARestoreKeepsToTheEventLimit) {
    constexpr int kMax = Recorder::kMaxEvents;
    SongBytes oneTooMany, cutOff, orphan, huge, within;
    for (int id = 0; id <= kMax / 2; ++id) // the last note goes whole
        oneTooMany.down(id * 0.01, id).up(id * 0.01 + 0.005, id);
    for (int id = 0; id < 2000; ++id) // 2000 downs, then their stops: 1000 keep theirs
        cutOff.down(id * 0.001, id);
    for (int id = 0; id < 2000; ++id)
        cutOff.up(10.0 + id * 0.001, id);
    orphan.down(0.0, 77); // a note-down that never had a stop stays
    for (int id = 0; id < kMax / 2; ++id)
        orphan.down(1.0 + id * 0.01, id).up(1.0 + id * 0.01 + 0.005, id);
    for (int id = 0; id < 50000; ++id)
        huge.down(0.0, id).up(1.0, id);
    for (int id = 0; id < kMax / 2; ++id)
        within.down(id * 0.01, id).up(5000.0, id);
    struct Case {
        const char* name;
        const SongBytes& song;
        int pending; // notes of a pass being recorded meanwhile
        int kept;
        int lastKeptID;
    } cases[] = {
        {"one note too many", oneTooMany, 0, kMax, kMax / 2 - 1},
        {"while a pass is being recorded", oneTooMany, 1, kMax - 2, kMax / 2 - 2},
        {"stops cut off", cutOff, 0, 2000, 999},
        {"an orphan of the file", orphan, 0, kMax - 1, kMax / 2 - 2},
        {"a hundred thousand events", huge, 0, kMax, kMax / 2 - 1},
        {"within the limit", within, 0, kMax, kMax / 2 - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        if (c.pending > 0) {
            r.rec.record();
            r.rec.addPlayNote(3, 1.0f, 0.0);
        }
        r.load(c.song);
        const auto notes = r.rec.notes();
        ASSERT_EQ(int(notes.size()), c.kept);
        EXPECT_EQ(r.rec.getNumNotes(), c.kept);
        EXPECT_EQ(notes.back().noteID(), c.lastKeptID);
        const int downs =
            int(std::count_if(notes.begin(), notes.end(), [](const Note& n) { return n.keyDown(); }));
        EXPECT_EQ(c.kept - downs, downs - (&c.song == &orphan ? 1 : 0)) << "every note whole";
        const auto bytes = r.rec.createSaveBuffer();
        EXPECT_EQ(bytes[4] | bytes[5] << 8, c.kept) << "what is kept is what is saved";
        EXPECT_TRUE(&c.song != &within || bytes == within.version2()) << "within it, event for event";
    }
}

TEST(SaveBuffer, RestoredWahValuesStayInTheTiltsRange) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::pair<float, float> cases[] = {{0.05f, 0.05f}, {0.3f, 0.3f},  {0.5f, 0.5f}, {0.049f, 0.05f},
                                             {0.0f, 0.05f},  {-inf, 0.05f}, {0.6f, 0.5f}, {1e30f, 0.5f},
                                             {inf, 0.5f},    {nan, 0.5f}};
    SongBytes song;
    song.down(0.0, 0).up(1.0, 0);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        song.wah[i % 2].push_back({0.1 * double(i), cases[i].first, 1});
    song.whammy[0] = {{0.0, 3.0f, 1}};
    Rig r;
    r.load(song);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(r.rec.wahChanges(int(i % 2))[i / 2].pitch(), cases[i].second) << cases[i].first;
    EXPECT_EQ(r.rec.whammyBarChanges(0)[0].pitch(), 3.0f) << "whammy values are kept as stored";
}

// A restore replaces the song, not the pass being recorded.
TEST(SaveBuffer, RestoreLeavesThePassBeingRecorded) {
    Rig r;
    r.rec.record();
    r.rec.addPlayNote(3, 1.0f, 0.0);
    r.load(oneBentNote());
    EXPECT_EQ(r.rec.getState(), 2);
    EXPECT_EQ(r.rec.currentOverdubNotesToAdd().size(), 1u);
}

// Identifiers a damaged file stored go on being handed out, wrapping to 0.
TEST(SaveBuffer, NoteIdentifiersFromADamagedFileStayUsable) {
    Rig r;
    for (const auto& [stored, first, next] :
         {std::array{2147483647, 2147483647, 0}, {-1, 0, 1}, {-50, 0, 1}}) {
        SongBytes song(stored);
        r.load(song);
        EXPECT_EQ(r.rec.currentNoteID(), stored);
        r.rec.record();
        EXPECT_EQ(r.rec.addPlayNote(1, 1.0f, 0.0), first);
        EXPECT_EQ(r.rec.addPlayNote(1, 1.0f, 0.0), next);
        r.rec.stop();
        r.mergeLog();
    }
}
