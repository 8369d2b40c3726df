#include <limits>
#include <random>

#include "RecorderTestSupport.h"
#include "core/SongVersion.h"

static SongBytes oneBentNote() {
    SongBytes song(1);
    song.down(0.25, 0, 14, 0.95f, -2.1e-5).up(0.75, 0);
    song.pitches = {{0.5, 0, 1.1233333f, 1}};
    return song;
}

// An empty song is its header: the note identifier and the counts.
static Bytes header(std::uint8_t nextNoteID, std::size_t size = 28) {
    Bytes b(size, 0);
    b[0] = nextNoteID;
    return b;
}

// Each load follows a good song: a failure or an unknown version changes
// nothing (the section is read whole before the recorder is touched). A version-1 buffer is 8 bytes short:
// the end of its last record reads as 0 (a wah value then held to the closed pedal); version 0 holds the
// notes only and may go on after them.
TEST(SaveBuffer, RestoreEdgeCases) {
    SongBytes lostBend = oneBentNote(), wahLast = oneBentNote(), wahRead, v0(9);
    lostBend.pitches = {{0.5, 0, 0.0f, 0}};
    wahLast.pitches.clear();
    wahRead = wahLast;
    wahLast.wah[1] = {{0.75, 0.3f, 2}};
    wahRead.wah[1] = {{0.75, Recorder::kMinWah, 0}};
    v0.down(0.0, 7, 20).up(0.5, 7);
    Bytes v0More = v0.version0(), v0Short = v0More, wrap = header(0), negative = header(5, 8);
    v0More.insert(v0More.end(), {0xAB, 0xCD});
    v0Short.pop_back();
    for (int field = 1; field <= 6; ++field) // counts whose sum would wrap a 32-bit size
        wrap[std::size_t(4 * field + 3)] = 0x40;
    negative[7] = 0x80;
    // Restored wah values are held to the tilt's range; whammy values are kept.
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    SongBytes wahsStored = SongBytes().down(0.0, 0).up(1.0, 0), wahsHeld;
    wahsStored.whammy[0] = {{0.0, 3.0f, 1}};
    wahsHeld = wahsStored;
    wahsStored.wah[0] = {{0.0, 0.05f, 1}, {0.2, 0.049f, 1}, {0.4, 0.6f, 1}, {0.6, nan, 1}};
    wahsStored.wah[1] = {{0.1, 0.5f, 1}, {0.3, -inf, 1}, {0.5, inf, 1}};
    wahsHeld.wah[0] = {{0.0, 0.05f, 1}, {0.2, 0.05f, 1}, {0.4, 0.5f, 1}, {0.6, 0.5f, 1}};
    wahsHeld.wah[1] = {{0.1, 0.5f, 1}, {0.3, 0.05f, 1}, {0.5, 0.5f, 1}};
    const Bytes five = {1, 2, 3, 4, 5}, good = oneBentNote().version2();
    const std::tuple<const char*, Bytes, int, const char*, Bytes> cases[] = {
        {"empty", header(7), 2, "", header(7)},
        {"wah values", wahsStored.version2(), 2, "", wahsHeld.version2()},
        {"empty version 1", header(3, 20), 1, "", header(3)},
        {"version 1 a byte long", header(3, 21), 1, "RecorderFailure-2", good},
        {"version 1: the bend's last fields", lostBend.version1(), 1, "", lostBend.version2()},
        {"version 1: a wah value", wahLast.version1(), 1, "", wahRead.version2()},
        {"version 2 read as version 1", good, 1, "RecorderFailure-2", good},
        {"version 2 a byte short", Bytes(good.begin(), good.end() - 1), 2, "RecorderFailure-2", good},
        {"version 2 a byte long", header(1, 29), 2, "RecorderFailure-2", good},
        {"version 0 going on", v0More, 0, "", v0.version2()},
        {"version 0 cut short", v0Short, 0, "RecorderFailure-2", good},
        {"version 0 negative count", negative, 0, "RecorderFailure-2", good},
        {"counts wrapping", wrap, 2, "RecorderFailure-2", good},
        {"short 0", five, 0, "RecorderFailure-1", good},
        {"short 1", five, 1, "RecorderFailure-1", good},
        {"short 2", five, 2, "RecorderFailure-1", good},
        {"a version newer than this build", five, SongVersion::kCurrent + 1, "", good},
        {"version -1", five, -1, "", good},
    };
    Rig r;
    for (const auto& [name, bytes, version, failure, after] : cases) {
        SCOPED_TRACE(name);
        r.load(good);
        EXPECT_EQ(r.failureOf(bytes, version), failure);
        EXPECT_EQ(r.saved(), after);
    }
    // Version 0 saves the notes only.
    EXPECT_EQ(r.saved(0), oneBentNote().version0());
    // Negative or huge counts fail without reading anything.
    for (int field = 1; field <= 6; ++field)
        for (std::uint32_t count : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu}) {
            auto b = good;
            std::memcpy(&b[std::size_t(4 * field)], &count, 4);
            EXPECT_EQ(r.failureOf(b, 2), "RecorderFailure-2");
            EXPECT_EQ(r.failureOf(b, 1), "RecorderFailure-2");
        }
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
            accepted += failure.empty() && r.saved().size() >= 28 ? 1 : 0;
        }
    }
    EXPECT_GT(accepted, 0);
}

// A damaged file may store any next note identifier: the ones handed out
// after it stay usable, never negative and never overflowing.
TEST(SaveBuffer, NoteIdentifiersFromADamagedFileStayUsable) {
    Rig r;
    for (const auto& [stored, first, next] :
         {std::array{2147483647, 2147483647, 0}, {-1, 0, 1}, {-50, 0, 1}}) {
        r.load(SongBytes(stored));
        EXPECT_EQ(r.rec.currentNoteID(), stored);
        r.rec.record();
        EXPECT_EQ(r.rec.addPlayNote(1, 1.0f, 0.0), first);
        EXPECT_EQ(r.rec.addPlayNote(1, 1.0f, 0.0), next);
        r.rec.stop();
        r.rec.runPlaybackPass();
    }
}

// A song from elsewhere may hold more note events than a recording can; it is
// kept to the limit as a recording that reached it would be, every note
// whole (a note-down that never had a stop stays). A restore replaces the
// song, not the pass being recorded, which counts towards the limit. The
// real limit is reached with the recording limit; here a limit of 6.
TEST(SaveBuffer, ARestoreKeepsToTheEventLimit) {
    Rig r;
    r.rec.setRestoredEventLimit(6);
    SongBytes cutOff, orphan, within;
    for (int id = 0; id < 4; ++id) // four downs, then their stops: two keep theirs
        cutOff.down(id * 0.1, id);
    for (int id = 0; id < 4; ++id)
        cutOff.up(1.0 + id * 0.1, id);
    orphan.down(0.0, 7);
    for (int id = 0; id < 3; ++id) {
        orphan.down(0.5 + id, id).up(0.6 + id, id);
        within.down(id, id).up(5.0, id);
    }
    // The events left out past the limit are counted, for the user to be told.
    const std::tuple<const char*, SongBytes, bool, const char*, int> cases[] = {
        {"stops cut off", cutOff, false, "+0/10@0 +1/10@0.1 -0@1 -1@1.1", 2},
        {"an orphan of the file", orphan, false, "+7/10@0 +0/10@0.5 -0@0.6 +1/10@1.5 -1@1.6", 1},
        {"within the limit", within, false, "+0/10@0 -0@5 +1/10@1 -1@5 +2/10@2 -2@5", 0},
        {"while a pass is being recorded", within, true, "+0/10@0 -0@5 +1/10@1 -1@5", 1},
    };
    for (const auto& [name, song, recording, kept, leftOut] : cases) {
        SCOPED_TRACE(name);
        if (recording) {
            r.rec.record();
            r.rec.addPlayNote(3, 1.0f, 0.0);
        }
        r.load(song);
        EXPECT_EQ(r.song(), kept);
        EXPECT_EQ(r.rec.eventsLeftOutOnLoad(), leftOut);
        EXPECT_EQ(r.pending(), recording ? "+0/3@0o1" : "") << "the pass stays";
        EXPECT_EQ(r.saved().size(), 28 + 26 * r.rec.notes().size()) << "what is kept is saved";
    }
}
