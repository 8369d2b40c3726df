#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <utility>
#include <vector>

#include "RecorderTestSupport.h"
#include "recorder/Recorder.h"

namespace {

struct Rig {
    ManualClock clock{10.0};
    FakeParent parent{clock};
    Recorder rec{&parent, nullptr, clock, false};

    // Records one pass: each note is (sample, start, length) relative to the
    // start of the pass; bends and pedal moves are added by `extra`.
    template <class Extra> void pass(std::initializer_list<std::array<double, 3>> notes, Extra extra) {
        clock.advance(100.0);
        const double start = clock.now();
        rec.record();
        std::vector<std::pair<double, int>> ups;
        for (const auto& n : notes) {
            clock.set(start + n[1]);
            const int id = rec.addPlayNote(static_cast<int>(n[0]), 1.0f, 0.0);
            ups.emplace_back(start + n[1] + n[2], id);
        }
        extra();
        for (const auto& [t, id] : ups) {
            clock.set(t);
            rec.addStopNote(id);
        }
        rec.stop();
        rec.runPlaybackPass();
    }
    void pass(std::initializer_list<std::array<double, 3>> notes) {
        pass(notes, [] {});
    }
};

std::vector<int> idsOf(const std::vector<Note>& notes) {
    std::vector<int> ids;
    for (const Note& n : notes) {
        ids.push_back(n.keyDown() ? n.noteID() : -100 - n.noteID());
    }
    return ids;
}

} // namespace

TEST(Editing, EraseLastOverdubTakesOnePassAtATime) {
    Rig r;
    r.pass({{10, 0.0, 1.0}, {11, 2.0, 1.0}}, [&] { r.rec.addPitchChange(1, 1.1f); });
    // Pass 2 on guitar 2, whose bar and pedal have no recorded changes yet.
    r.parent.guitar = 1;
    r.pass({{12, 0.5, 0.2}}, [&] {
        r.rec.addPitchChange(2, 1.2f);
        EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(1, 0.3f));
        EXPECT_TRUE(r.rec.addWahChangeForGuitar(1, 0.4f));
        // Guitar 1's recorded changes keep the live value out while the song plays.
        EXPECT_FALSE(r.rec.addWahChangeForGuitar(0, 0.1f));
    });
    EXPECT_EQ(r.rec.getNumNotes(), 6);
    EXPECT_EQ(r.rec.pitchBends().size(), 2u);
    EXPECT_EQ(r.rec.whammyBarChanges(0).size(), 1u); // the time-0 change of pass 1
    EXPECT_EQ(r.rec.wahChanges(0).size(), 1u);
    EXPECT_EQ(r.rec.whammyBarChanges(1).size(), 1u);
    EXPECT_EQ(r.rec.wahChanges(1).size(), 1u);
    EXPECT_EQ(r.rec.currentOverdubNo(), 2);

    r.rec.eraseLastOverdub();
    EXPECT_EQ(r.rec.currentOverdubNo(), 1);
    EXPECT_EQ(idsOf(r.rec.notes()), (std::vector<int>{0, -100, 1, -101}));
    ASSERT_EQ(r.rec.pitchBends().size(), 1u);
    EXPECT_EQ(r.rec.pitchBends()[0].noteID(), 1);
    EXPECT_EQ(r.rec.whammyBarChanges(0).size(), 1u);
    EXPECT_EQ(r.rec.wahChanges(0).size(), 1u);
    EXPECT_TRUE(r.rec.whammyBarChanges(1).empty());
    EXPECT_TRUE(r.rec.wahChanges(1).empty());

    r.rec.eraseLastOverdub();
    EXPECT_EQ(r.rec.currentOverdubNo(), 0);
    EXPECT_EQ(r.rec.getNumNotes(), 0);
    EXPECT_TRUE(r.rec.pitchBends().empty());
    EXPECT_TRUE(r.rec.whammyBarChanges(0).empty());
    EXPECT_TRUE(r.rec.wahChanges(0).empty());
    r.rec.eraseLastOverdub(); // nothing left, the number still goes down
    EXPECT_EQ(r.rec.currentOverdubNo(), -1);
}

TEST(Editing, AnOverdubKeepsNoteUpsOfEarlierVoices) {
    Rig r;
    r.pass({{10, 0.0, 1.0}});
    // Pass 2 records only a stop of an old voice, and one note.
    r.clock.advance(100.0);
    r.rec.record();
    r.rec.addStopNote(-1);
    r.rec.addPlayNote(11, 1.0f, 0.0);
    r.clock.advance(0.5);
    r.rec.addStopNote(1);
    r.rec.stop();
    r.rec.runPlaybackPass();
    EXPECT_EQ(r.rec.getNumNotes(), 5);
    r.rec.eraseLastOverdub();
    EXPECT_EQ(idsOf(r.rec.notes()), (std::vector<int>{0, -99, -100}));
}

TEST(Editing, EraseLastOverdubAfterARestoreTakesEveryNote) {
    Rig r;
    SongBytes song;
    song.currentNoteID = 2;
    song.down(0.0, 0).down(0.5, 1).up(1.0, 0).up(1.5, 1);
    song.pitches.push_back({0.2, 0, 1.1f, 1});
    song.pitches.push_back({0.3, 1, 1.1f, 0});
    song.whammy[1].push_back({0.0, 0.0f, 1});
    const auto bytes = song.version2();
    r.rec.restoreFromSaveBuffer(bytes.data(), bytes.size(), 2);
    EXPECT_EQ(r.rec.currentOverdubNo(), 0);
    r.rec.eraseLastOverdub();
    EXPECT_EQ(r.rec.getNumNotes(), 0);
    EXPECT_EQ(r.rec.currentOverdubNo(), -1);
    // Of the changes only those stored with overdub 0 go.
    ASSERT_EQ(r.rec.pitchBends().size(), 1u);
    EXPECT_EQ(r.rec.pitchBends()[0].noteID(), 0);
    EXPECT_EQ(r.rec.whammyBarChanges(1).size(), 1u);
    // The next pass is then overdub 0.
    r.rec.record();
    EXPECT_EQ(r.rec.currentOverdubNo(), 0);
}

TEST(Editing, EraseLastNoteTakesTheLastPlayedWithItsBends) {
    Rig r;
    // Played in this order in real time: 12 (at 3 s), then 10 (at 0 s) in a
    // second pass, so 10 is the last played although earliest in the song.
    r.pass({{11, 1.0, 0.5}, {12, 3.0, 0.5}}, [&] { r.rec.addPitchChange(0, 1.1f); });
    r.pass({{10, 0.0, 0.5}}, [&] {
        r.rec.addPitchChange(2, 1.1f);
        r.rec.addPitchChange(2, 1.0f);
    });
    EXPECT_EQ(r.rec.pitchBends().size(), 3u);
    r.rec.eraseLastXNotes(1);
    EXPECT_EQ(idsOf(r.rec.notes()), (std::vector<int>{0, -100, 1, -101}));
    ASSERT_EQ(r.rec.pitchBends().size(), 1u);
    EXPECT_EQ(r.rec.pitchBends()[0].noteID(), 0);
    EXPECT_EQ(r.rec.whammyBarChanges(0).size(), 1u); // untouched
    r.rec.eraseLastXNotes(1);
    EXPECT_EQ(idsOf(r.rec.notes()), (std::vector<int>{0, -100}));
}

TEST(Editing, EraseMoreNotesThanTheSongHolds) {
    Rig r;
    r.pass({{10, 0.0, 0.5}, {11, 1.0, 0.5}});
    r.rec.eraseLastXNotes(3);
    EXPECT_EQ(r.rec.getNumNotes(), 0);
    // Only note-ups left: nothing to take, nothing changes.
    SongBytes song;
    song.up(0.1, 4).up(0.2, 5);
    const auto bytes = song.version2();
    r.rec.restoreFromSaveBuffer(bytes.data(), bytes.size(), 2);
    r.rec.eraseLastXNotes(1);
    EXPECT_EQ(r.rec.getNumNotes(), 2);
}

TEST(Editing, RestoredNotesAreErasedLastInSongOrder) {
    // Restored notes share one creation time: the first note-down in the
    // list is taken, even with the clock at zero.
    ManualClock clock{0.0};
    Recorder rec(nullptr, nullptr, clock, false);
    SongBytes song;
    song.down(0.0, 0).down(0.5, 1).up(1.0, 0).up(1.5, 1);
    const auto bytes = song.version2();
    rec.restoreFromSaveBuffer(bytes.data(), bytes.size(), 2);
    rec.eraseLastXNotes(1);
    EXPECT_EQ(idsOf(rec.notes()), (std::vector<int>{1, -101}));
}

TEST(Editing, EraseAllPedalChangesOfOneGuitar) {
    Rig r;
    SongBytes song;
    song.down(0.0, 0).up(1.0, 0);
    song.wah[0].push_back({0.0, 0.5f, 1});
    song.wah[1].push_back({0.0, 0.3f, 1});
    song.whammy[0].push_back({0.0, 0.1f, 1});
    song.whammy[1].push_back({0.0, 0.2f, 1});
    const auto bytes = song.version2();
    r.rec.restoreFromSaveBuffer(bytes.data(), bytes.size(), 2);
    r.rec.eraseAllWahChanges(0);
    EXPECT_TRUE(r.rec.wahChanges(0).empty());
    EXPECT_EQ(r.rec.wahChanges(1).size(), 1u);
    r.rec.eraseAllWhammyBarChanges(1);
    EXPECT_EQ(r.rec.whammyBarChanges(0).size(), 1u);
    EXPECT_TRUE(r.rec.whammyBarChanges(1).empty());
    r.rec.eraseAllWahChanges(7); // no such guitar: nothing
    EXPECT_EQ(r.rec.wahChanges(1).size(), 1u);
    EXPECT_EQ(r.rec.getNumNotes(), 2);
}

TEST(Editing, EraseWholeSongLeavesThePassBeingRecorded) {
    Rig r;
    r.pass({{10, 0.0, 0.5}});
    r.rec.record();
    r.rec.addPlayNote(11, 1.0f, 0.0);
    r.rec.eraseWholeSong();
    EXPECT_EQ(r.rec.getNumNotes(), 0);
    EXPECT_EQ(r.rec.currentNoteID(), 0);
    EXPECT_EQ(r.rec.currentOverdubNo(), 0);
    EXPECT_TRUE(r.rec.whammyBarChanges(0).empty());
    EXPECT_EQ(r.rec.getState(), 2);
    EXPECT_EQ(r.rec.currentOverdubNotesToAdd().size(), 1u);

    r.rec.resetState();
    EXPECT_EQ(r.rec.currentNoteID(), 0);
}

TEST(Editing, SanityCheckRemovesOrphansAndNotesWithoutSample) {
    Rig r;
    SongBytes song;
    song.down(0.0, 4).down(0.1, 5).up(0.2, 4);
    auto bytes = song.version2();
    r.rec.restoreFromSaveBuffer(bytes.data(), bytes.size(), 2);
    testing::internal::CaptureStdout();
    r.rec.sanityCheck();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SANITY CHECK FAILED:  Orphaned note for noteID=5. Deleting it.\n");
    EXPECT_EQ(idsOf(r.rec.notes()), (std::vector<int>{4, -104}));
    EXPECT_EQ(r.rec.getNumNotes(), 2);

    SongBytes bad;
    // Position 1 and then (after the first is gone) 1 again; an up without a
    // down stays; a repeated down keeps the first.
    bad.down(0.0, 1).down(0.1, 2, -1).down(0.2, 3, -1).up(0.3, 1).up(0.4, 9).down(0.5, 6).down(0.6, 6);
    bytes = bad.version2();
    r.rec.restoreFromSaveBuffer(bytes.data(), bytes.size(), 2);
    testing::internal::CaptureStdout();
    r.rec.sanityCheck();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SANITY CHECK FAILED:  SampleNo=-1 found for noteID=2 (postion 1).  Deleting it.\n"
              "SANITY CHECK FAILED:  SampleNo=-1 found for noteID=3 (postion 1).  Deleting it.\n"
              "SANITY CHECK FAILED:  Orphaned note for noteID=6. Deleting it.\n");
    EXPECT_EQ(idsOf(r.rec.notes()), (std::vector<int>{1, -101, -109, 6}));
}

TEST(Editing, SampleNumberForANoteIdentifier) {
    Rig r;
    r.pass({{10, 0.0, 0.5}});
    r.rec.record();
    r.rec.addPlayNote(33, 1.0f, 0.0);
    EXPECT_EQ(r.rec.getSampleNoForNoteID(0), 10);
    EXPECT_EQ(r.rec.getSampleNoForNoteID(1), 33); // from the pass being recorded
    r.rec.addStopNote(77);
    EXPECT_EQ(r.rec.getSampleNoForNoteID(77), -1); // only a note-up has it
    EXPECT_EQ(r.rec.getSampleNoForNoteID(2), -1);
}

TEST(Editing, DumpsHaveTheirExactFormat) {
    Rig r;
    SongBytes song;
    song.down(0.0, 0, 12).up(0.25, 0);
    song.pitches.push_back({0.125, 0, 1.5f, 1});
    song.whammy[0].push_back({0.0, 0.0f, 1});
    song.whammy[1].push_back({1.0, -0.5f, 2});
    song.wah[1].push_back({0.5, 0.25f, 3});
    const auto bytes = song.version2();
    r.rec.restoreFromSaveBuffer(bytes.data(), bytes.size(), 2);
    EXPECT_EQ(captureFile([&](std::FILE* f) { r.rec.dumpNotesToLog(f); }),
              "Note[0] time=0.000000, noteID=0, sampleNo=12, press=1, overdubNo=0\n"
              "Note[1] time=0.250000, noteID=0, sampleNo=0, press=0, overdubNo=0\n");
    EXPECT_EQ(captureFile([&](std::FILE* f) { r.rec.dumpPitchBendsToLog(f); }),
              "Pitch Change(0):  Time=0.125000, noteID=0, pitch=1.500000, overdubNo=1\n");
    EXPECT_EQ(captureFile([&](std::FILE* f) { r.rec.dumpWhammyBarToLog(f); }),
              "Whammy Bar Change Guitar 1 (0):  Time=0.000000, pitch=0.000000, overdubNo=1\n"
              "Whammy Bar Change Guitar 2 (0):  Time=1.000000, pitch=-0.500000, overdubNo=2\n");
    EXPECT_EQ(captureFile([&](std::FILE* f) { r.rec.dumpWahToLog(f); }),
              "Wah Change Guitar 2 (0):  Time=0.500000, pitch=0.250000, overdubNo=3\n");
}
