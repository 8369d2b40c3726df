#include <limits>

#include "RecorderTestSupport.h"
#include "song/TimeCompare.h"

// Nothing is recorded until recording (nor on a guitar that does not exist).
// The first note of a song starts it: whatever was waited or moved before,
// the song begins with the note and the whammy and wah where they are then.
// Repeated values are recorded once, the last value being both guitars'; a
// change lands on the guitar it was made on, not on the one current at the merge.
TEST(Recording, NothingBeforeRecordingAndTheFirstNoteStartsTheSong) {
    Rig r;
    r.rec.play(); // an empty song: stays idle
    EXPECT_EQ(r.rec.addPlayNote(10, 1.0f, 0.0), -1);
    r.rec.addStopNote(3);
    r.rec.addPitchChange(3, 1.1f);
    EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(0, 0.4f)); // idle: live values act
    EXPECT_TRUE(r.rec.addWahChangeForGuitar(1, 0.1f));
    EXPECT_FALSE(r.rec.addWahChangeForGuitar(2, 0.1f));
    EXPECT_EQ(r.snapshot() + r.pending(), "0 e0");
    EXPECT_TRUE(r.rec.currentPitchBendsToAdd().empty() && r.rec.whammyBarChangesToAdd(0).empty());
    r.record();
    r.clock.advance(1.0);
    EXPECT_TRUE(r.rec.addWahChangeForGuitar(0, 0.3f) && r.rec.addWhammyBarChangeForGuitar(0, 0.2f));
    EXPECT_EQ(r.rec.wahChangesToAdd(0).size(), 1u);
    r.clock.advance(2.0);
    EXPECT_EQ(r.rec.addPlayNote(10, 0.8f, -1e-5), 0);
    for (int g : {0, 0, 1})
        EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(g, 0.25f) && r.rec.addWahChangeForGuitar(0, 0.4f));
    EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(1, 0.5f) && r.rec.addWahChangeForGuitar(1, 0.45f));
    r.rec.addStopNote(-1); // a voice started before recording
    r.clock.advance(0.5);
    r.rec.addStopNote(0);
    r.rec.addPitchChange(0, 1.0616666f);
    EXPECT_EQ(r.pending(), "+0/10@0o1 --1@0 -0@0.5");
    EXPECT_EQ(r.rec.mostRecentWhammyBarValue(), 0.5f);
    r.rec.stop();
    SongBytes expected(1);
    expected.down(0.0, 0, 10, 0.8f, -1e-5).up(0.0, -1).up(0.5, 0).pitches = {{0.5, 0, 1.0616666f, 1}};
    expected.whammy[0] = {{0.0, 0.2f, 1}, {0.0, 0.25f, 1}}, expected.whammy[1] = {{0.0, 0.5f, 1}};
    expected.wah[0] = {{0.0, 0.3f, 1}, {0.0, 0.4f, 1}}, expected.wah[1] = {{0.0, 0.45f, 1}};
    EXPECT_EQ(r.saved(), expected.version2()) << "the save merges the stopped pass";
}

// Two passes (overdubs 1 and 2, the second on guitar 2, which has no recorded
// pedal changes yet) merged in time order, then taken off again: the last
// notes are the last played (with their bends) however early in the song;
// the last overdub one pass at a time. A note-up of a voice from before the
// recording has overdub 0 and stays.
TEST(Recording, OverdubsMergeInTimeOrderAndComeOffAgain) {
    Rig r;
    const auto expect = [&r](const char* song, const char* changes) {
        EXPECT_EQ(r.song(), song);
        EXPECT_EQ(r.changes(), changes);
    };
    r.pass({{10, 0.0, 1.0}, {11, 2.0, 1.0}}, [&] { r.rec.addPitchChange(1, 1.1f); });
    r.parent.guitar = 1;
    r.pass({{12, 0.5, 0.2}}, [&] {
        r.rec.addStopNote(-1);
        r.rec.addPitchChange(2, 1.2f);
        EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(1, 0.3f));
        EXPECT_TRUE(r.rec.addWahChangeForGuitar(1, 0.4f));
        EXPECT_FALSE(r.rec.addWahChangeForGuitar(0, 0.1f)) << "guitar 1's recorded changes play";
    });
    expect("+0/10@0o1 +2/12@0.5o2 --1@0.5 -2@0.7 -0@1 +1/11@2o1 -1@3", "~2 ~1 w1,1 h1,1 o2");
    r.rec.eraseLastXNotes(1);
    expect("+0/10@0o1 --1@0.5 -0@1 +1/11@2o1 -1@3", "~1 w1,1 h1,1 o2");
    r.rec.eraseLastOverdub();
    expect("+0/10@0o1 --1@0.5 -0@1 +1/11@2o1 -1@3", "~1 w1,0 h1,0 o1");
    r.rec.eraseLastXNotes(1);
    expect("+0/10@0o1 --1@0.5 -0@1", "w1,0 h1,0 o1");
    r.rec.eraseLastXNotes(3); // more than there are; the note-up stays
    expect("--1@0.5", "w1,0 h1,0 o1");
    r.rec.eraseLastOverdub();
    expect("--1@0.5", "w0,0 h0,0 o0");
    r.rec.eraseLastOverdub(); // nothing left, the number still goes down
    EXPECT_EQ(r.rec.currentOverdubNo(), -1);
    // A stopped pass is merged by the next record if no pass came first
    // (pedal changes going to the guitars they were made on).
    r.rec.record();
    r.rec.addStopNote(r.rec.addPlayNote(1, 1.0f, 0.0));
    r.rec.stop();
    r.rec.record();
    expect("+3/1@0 -3@0 --1@0.5", "w0,0 h0,0 o1");
    EXPECT_TRUE(r.pending().empty() && r.rec.whammyBarChangesToAdd(0).empty());
}

// A restored song's notes carry overdub 0 and share one creation time: the
// last overdub is all of them, the last note the first note-down in the
// list. Of the changes only those stored with overdub 0 go with them.
TEST(Recording, RestoredSongsAreErasedAndTheirPedalChangesToo) {
    Rig r;
    SongBytes song(1);
    song.down(0.0, 0).down(0.5, 1).up(1.0, 0).up(1.5, 1).pitches = {{0.2, 0, 1.1f, 1}, {0.3, 1, 1.1f, 0}};
    song.whammy[0] = song.whammy[1] = song.wah[0] = {{0.0, 0.1f, 1}};
    song.wah[1] = {{0.0, 0.1f, 0}};
    r.load(song);
    r.rec.eraseLastXNotes(1);
    EXPECT_EQ(r.song() + " | " + r.changes(), "+1/10@0.5 -1@1.5 | ~1 w1,1 h1,1 o0");
    r.load(song);
    r.rec.eraseAllWahChanges(0);
    r.rec.eraseAllWhammyBarChanges(1);
    r.rec.eraseAllWahChanges(7); // no such guitar: nothing
    EXPECT_EQ(r.song() + " | " + r.changes(), "+0/10@0 +1/10@0.5 -0@1 -1@1.5 | ~0 ~1 w1,0 h0,1 o0");
    r.rec.eraseLastOverdub();
    EXPECT_EQ(r.song() + " | " + r.changes(), " | ~0 w1,0 h0,0 o-1");
    // The whole song goes, but not the pass being recorded.
    r.rec.record();
    EXPECT_EQ(r.rec.currentOverdubNo(), 0) << "the pass after the restored overdub";
    r.rec.addPlayNote(11, 1.0f, 0.0);
    r.rec.eraseWholeSong();
    EXPECT_EQ(r.song() + " | " + r.changes(), " | w0,0 h0,0 o0");
    EXPECT_EQ(std::to_string(r.rec.getState()) + r.pending(), "2+1/11@0");
    EXPECT_EQ(r.rec.currentNoteID(), 0);
    r.rec.addPlayNote(11, 1.0f, 0.0);
    r.rec.resetState();
    EXPECT_EQ(r.rec.currentNoteID(), 0);
}

TEST(Recording, TheLimitIs3000Events) {
    Rig r;
    // A restored song of one note too many is kept to the limit, every note
    // whole, as a recording that reached it would be.
    SongBytes song(1499);
    for (int id = 0; id <= Recorder::kMaxEvents / 2; ++id)
        song.down(id * 0.01, id).up(id * 0.01 + 0.005, id);
    r.load(song);
    EXPECT_EQ(r.rec.getNumNotes(), Recorder::kMaxEvents);
    EXPECT_EQ(r.rec.notes().back().noteID(), Recorder::kMaxEvents / 2 - 1);
    EXPECT_EQ(r.saved().size(), 28 + 26 * std::size_t(Recorder::kMaxEvents));
    // 2999 events: a song of 1499 complete notes and one held note recorded.
    song.notes.erase(song.notes.end() - 4, song.notes.end());
    r.load(song);
    r.rec.record();
    EXPECT_EQ(r.rec.addPlayNote(2, 1.0f, 0.0), 1499);
    // One more note-down is accepted, its note-up is not.
    EXPECT_EQ(r.rec.addPlayNote(3, 1.0f, 0.0), 1500);
    r.rec.addStopNote(1500);
    r.rec.addStopNote(1499);
    EXPECT_EQ(r.rec.currentOverdubNotesToAdd().size(), 2u);
    EXPECT_EQ(r.rec.addPlayNote(4, 1.0f, 0.0), -1);
    r.rec.addPitchChange(1500, 1.1f); // bends have no limit
    EXPECT_EQ(r.rec.currentPitchBendsToAdd().size(), 1u);
    r.rec.stop();
    // The held notes leave the song.
    testing::internal::CaptureStdout();
    r.rec.runPlaybackPass();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SANITY CHECK FAILED:  Orphaned note for noteID=1499. Deleting it.\n"
              "SANITY CHECK FAILED:  Orphaned note for noteID=1500. Deleting it.\n");
    EXPECT_EQ(r.rec.getNumNotes(), 2998);
}

// Position 1 and then (after the first is gone) 1 again; an up without a
// down stays; of a repeated down the first is kept. Sample numbers -1 and 127
// survive a restore. (A merge runs the check too: see the limit and the
// note-up index.)
TEST(Recording, SanityCheckRemovesOrphansAndNotesWithoutSample) {
    Rig r;
    SongBytes song(10);
    song.down(0.0, 1).down(0.1, 2, -1).down(0.2, 3, -1).up(0.3, 1).up(0.4, 9).down(0.5, 6).down(0.6, 6);
    song.down(0.7, 4, 127).up(0.8, 4);
    r.load(song);
    EXPECT_EQ(r.saved(), song.version2());
    testing::internal::CaptureStdout();
    r.rec.sanityCheck();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SANITY CHECK FAILED:  SampleNo=-1 found for noteID=2 (postion 1).  Deleting it.\n"
              "SANITY CHECK FAILED:  SampleNo=-1 found for noteID=3 (postion 1).  Deleting it.\n"
              "SANITY CHECK FAILED:  Orphaned note for noteID=6. Deleting it.\n");
    const char* checked = "+1/10@0 -1@0.3 -9@0.4 +6/10@0.5 +4/127@0.7 -4@0.8";
    EXPECT_EQ(r.song(), checked);
    EXPECT_EQ(r.rec.getNumNotes(), 6);
    EXPECT_EQ(r.rec.getSampleNoForNoteID(4), 127);
    EXPECT_EQ(r.rec.getSampleNoForNoteID(9), -1) << "only a note-up has it";
    r.rec.record();
    r.rec.addPlayNote(33, 1.0f, 0.0);
    EXPECT_EQ(r.rec.getSampleNoForNoteID(10), 33) << "from the pass being recorded";
}

// Equal times keep the order received; times that are not numbers (only a
// damaged file brings them) go last.
TEST(SongEvents, SortsAreStableAndNotANumberGoesLast) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<Note> notes;
    for (auto [time, id] :
         {std::pair{2.0, 10}, {nan, 15}, {1.0, 11}, {1.0, 12}, {nan, 16}, {1.0, 13}, {0.5, 14}})
        notes.emplace_back(time, id, 0.0);
    sortByTime(notes);
    EXPECT_EQ(Rig::describe(notes), "-14@0.5 -11@1 -12@1 -13@1 -10@2 -15@nan -16@nan");
}
