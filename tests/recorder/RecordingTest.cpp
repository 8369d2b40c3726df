#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "RecorderTestSupport.h"
#include "recorder/Recorder.h"

namespace {

// A recorder with no engine and no thread: passes are run by hand.
struct Rig {
    ManualClock clock{1000.0};
    FakeParent parent{clock};
    Recorder rec{&parent, nullptr, clock, false};

    // One complete pass recorded with the clock moved by the caller.
    void mergeNow() { rec.runPlaybackPass(); }
};

} // namespace

TEST(Recording, StateFollowsRecordStopAndPlay) {
    Rig r;
    EXPECT_EQ(r.rec.getState(), 0);
    r.rec.record();
    EXPECT_EQ(r.rec.getState(), 2); // recording, although the song also plays
    r.rec.stop();
    EXPECT_EQ(r.rec.getState(), 0);
    r.rec.play(); // empty song: stays idle
    EXPECT_EQ(r.rec.getState(), 0);
}

TEST(Recording, FirstNoteResetsTheTimeBaseAndAddsPedalPositions) {
    Rig r;
    r.rec.record();
    r.clock.advance(1.0);
    EXPECT_TRUE(r.rec.addWahChangeForGuitar(0, 0.3f));
    EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(0, 0.2f));
    EXPECT_EQ(r.rec.wahChangesToAdd().size(), 1u);
    r.clock.advance(2.0); // the first note comes 3 s after record
    EXPECT_EQ(r.rec.addPlayNote(10, 0.8f, -1e-5), 0);

    const auto pending = r.rec.currentOverdubNotesToAdd();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].time(), 0.0);
    EXPECT_EQ(pending[0].overdubNo(), 1);
    EXPECT_EQ(pending[0].sampleNo(), 10);
    EXPECT_EQ(pending[0].volume(), 0.8f);
    EXPECT_EQ(pending[0].releaseDelta(), -1e-5);

    // The changes made before the note are replaced by one of each at time 0.
    const auto wah = r.rec.wahChangesToAdd();
    ASSERT_EQ(wah.size(), 1u);
    EXPECT_EQ(wah[0].time(), 0.0);
    EXPECT_EQ(wah[0].pitch(), 0.3f);
    EXPECT_EQ(wah[0].overdubNo(), 1);
    const auto whammy = r.rec.whammyBarChangesToAdd();
    ASSERT_EQ(whammy.size(), 1u);
    EXPECT_EQ(whammy[0].time(), 0.0);
    EXPECT_EQ(whammy[0].pitch(), 0.2f);

    r.clock.advance(0.5);
    r.rec.addStopNote(0);
    r.rec.addPitchChange(0, 1.0616666f);
    const auto ups = r.rec.currentOverdubNotesToAdd();
    ASSERT_EQ(ups.size(), 2u);
    EXPECT_FALSE(ups[1].keyDown());
    EXPECT_DOUBLE_EQ(ups[1].time(), 0.5);
    ASSERT_EQ(r.rec.currentPitchBendsToAdd().size(), 1u);
    EXPECT_DOUBLE_EQ(r.rec.currentPitchBendsToAdd()[0].time(), 0.5);
}

TEST(Recording, NothingIsRecordedWhileNotRecording) {
    Rig r;
    EXPECT_EQ(r.rec.addPlayNote(10, 1.0f, 0.0), -1);
    r.rec.addStopNote(3);
    r.rec.addPitchChange(3, 1.1f);
    EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(0, 0.4f)); // idle: live values act
    EXPECT_TRUE(r.rec.addWahChangeForGuitar(1, 0.1f));
    EXPECT_FALSE(r.rec.addWahChangeForGuitar(2, 0.1f)); // no such guitar
    EXPECT_TRUE(r.rec.currentOverdubNotesToAdd().empty());
    EXPECT_TRUE(r.rec.currentPitchBendsToAdd().empty());
    EXPECT_TRUE(r.rec.whammyBarChangesToAdd().empty());
    EXPECT_EQ(r.rec.mostRecentWhammyBarValue(), 0.0f);
    EXPECT_EQ(r.rec.currentNoteID(), 0);
}

TEST(Recording, RepeatedValuesAreRecordedOnce) {
    Rig r;
    r.rec.record();
    r.rec.addPlayNote(1, 1.0f, 0.0);
    EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(0, 0.25f));
    EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(0, 0.25f));
    EXPECT_TRUE(r.rec.addWahChangeForGuitar(0, 0.4f));
    EXPECT_TRUE(r.rec.addWahChangeForGuitar(0, 0.4f));
    // The time-0 change plus one.
    EXPECT_EQ(r.rec.whammyBarChangesToAdd().size(), 2u);
    EXPECT_EQ(r.rec.wahChangesToAdd().size(), 2u);
    // The last value is shared by both guitars.
    EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(1, 0.25f));
    EXPECT_EQ(r.rec.whammyBarChangesToAdd().size(), 2u);
}

TEST(Recording, StopIdentifiersAreAcceptedWhateverTheyAre) {
    Rig r;
    r.rec.record();
    r.rec.addStopNote(-1); // a voice started before recording
    ASSERT_EQ(r.rec.currentOverdubNotesToAdd().size(), 1u);
    EXPECT_EQ(r.rec.currentOverdubNotesToAdd()[0].noteID(), -1);
}

TEST(Recording, OverdubNumberingAndMergeOrder) {
    Rig r;
    // Pass 1: notes at 0, 4 and 8 s, each lasting 1 s, the last ending at 10 s.
    r.rec.record();
    for (int i = 0; i < 3; ++i) {
        const int id = r.rec.addPlayNote(10 + i, 1.0f, 0.0);
        EXPECT_EQ(id, i);
        r.clock.advance(1.0);
        r.rec.addStopNote(id);
        r.clock.advance(3.0);
    }
    r.rec.stop();
    EXPECT_EQ(r.rec.getNumNotes(), 0); // not merged until the next pass
    r.mergeNow();
    EXPECT_EQ(r.rec.getNumNotes(), 6);
    EXPECT_TRUE(r.rec.currentOverdubNotesToAdd().empty());
    EXPECT_EQ(r.rec.currentOverdubNo(), 1);

    // Pass 2: one note 2 s after record.
    r.clock.advance(100.0);
    r.rec.record();
    EXPECT_EQ(r.rec.currentOverdubNo(), 2);
    r.clock.advance(2.0);
    const int id = r.rec.addPlayNote(20, 1.0f, 0.0);
    EXPECT_EQ(id, 3);
    const auto pending = r.rec.currentOverdubNotesToAdd();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_DOUBLE_EQ(pending[0].time(), 2.0);
    EXPECT_EQ(pending[0].overdubNo(), 2);
    r.clock.advance(0.5);
    r.rec.addStopNote(id);
    r.rec.stop();
    r.mergeNow();

    const auto notes = r.rec.notes();
    ASSERT_EQ(notes.size(), 8u);
    for (std::size_t i = 1; i < notes.size(); ++i) {
        EXPECT_LE(notes[i - 1].time(), notes[i].time());
    }
    // 0 down, 1 up, 2 down (pass 2), 2.5 up, 4 down ...
    EXPECT_EQ(notes[2].noteID(), 3);
    EXPECT_EQ(notes[2].overdubNo(), 2);
    EXPECT_EQ(notes[3].noteID(), 3);
    EXPECT_EQ(notes[3].overdubNo(), 0); // note-ups carry 0
    EXPECT_EQ(notes[0].overdubNo(), 1);
}

TEST(Recording, MergedChangesGoToTheCurrentGuitar) {
    Rig r;
    r.rec.record();
    r.rec.addPlayNote(1, 1.0f, 0.0);
    r.rec.addStopNote(0);
    r.parent.guitar = 1;
    r.rec.stop();
    r.mergeNow();
    EXPECT_TRUE(r.rec.whammyBarChanges(0).empty());
    EXPECT_TRUE(r.rec.wahChanges(0).empty());
    EXPECT_EQ(r.rec.whammyBarChanges(1).size(), 1u);
    EXPECT_EQ(r.rec.wahChanges(1).size(), 1u);
    EXPECT_TRUE(r.rec.whammyBarChangesToAdd().empty());
}

TEST(Recording, ANoteHeldWhenThePassStopsLeavesTheSong) {
    Rig r;
    r.rec.record();
    r.rec.addPlayNote(1, 1.0f, 0.0);
    r.clock.advance(0.1);
    r.rec.addPlayNote(2, 1.0f, 0.0);
    r.rec.addStopNote(0);
    r.rec.stop();
    testing::internal::CaptureStdout();
    r.mergeNow();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log, "SANITY CHECK FAILED:  Orphaned note for noteID=1. Deleting it.\n");
    EXPECT_EQ(r.rec.getNumNotes(), 2);
}

TEST(Recording, TheLimitIs3000Events) {
    Rig r;
    r.rec.record();
    // 2999 events: 1499 complete notes and one held note.
    for (int i = 0; i < 1499; ++i) {
        const int id = r.rec.addPlayNote(1, 1.0f, 0.0);
        ASSERT_EQ(id, i);
        r.clock.advance(0.001);
        r.rec.addStopNote(id);
    }
    EXPECT_EQ(r.rec.addPlayNote(2, 1.0f, 0.0), 1499);
    EXPECT_EQ(r.rec.currentOverdubNotesToAdd().size(), 2999u);
    // One more note-down is accepted, its note-up is not.
    const int last = r.rec.addPlayNote(3, 1.0f, 0.0);
    EXPECT_EQ(last, 1500);
    r.rec.addStopNote(last);
    r.rec.addStopNote(1499);
    EXPECT_EQ(r.rec.currentOverdubNotesToAdd().size(), 3000u);
    EXPECT_EQ(r.rec.addPlayNote(4, 1.0f, 0.0), -1);
    // Bends have no limit.
    r.rec.addPitchChange(last, 1.1f);
    EXPECT_EQ(r.rec.currentPitchBendsToAdd().size(), 1u);
    r.rec.stop();
    testing::internal::CaptureStdout();
    r.mergeNow();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(r.rec.getNumNotes(), 2998);
    EXPECT_EQ(r.rec.getSampleNoForNoteID(last), -1);
    EXPECT_EQ(r.rec.getSampleNoForNoteID(1499), -1);

    // The song counts towards the limit of the next pass.
    r.rec.record();
    EXPECT_EQ(r.rec.addPlayNote(5, 1.0f, 0.0), 1501);
    EXPECT_EQ(r.rec.addPlayNote(5, 1.0f, 0.0), 1502);
    EXPECT_EQ(r.rec.addPlayNote(5, 1.0f, 0.0), -1);
}

TEST(Recording, AStopFollowedAtOnceByRecordLosesNoPass) {
    Rig r;
    r.rec.record();
    r.rec.addPlayNote(1, 1.0f, 0.0);
    r.clock.advance(0.5);
    r.rec.addStopNote(0);
    r.rec.stop();
    // No playback pass ran between stop and the next record.
    r.clock.advance(0.001);
    r.rec.record();
    EXPECT_EQ(r.rec.getNumNotes(), 2);
    EXPECT_EQ(r.rec.currentOverdubNo(), 2);
    EXPECT_TRUE(r.rec.currentOverdubNotesToAdd().empty());
}

TEST(Recording, SaveRightAfterStopHoldsThePass) {
    Rig r;
    r.rec.record();
    r.rec.addPlayNote(1, 1.0f, 0.0);
    r.clock.advance(0.5);
    r.rec.addStopNote(0);
    r.rec.stop();
    const auto bytes = r.rec.createSaveBuffer();
    // Header, two notes, one whammy and one wah change.
    EXPECT_EQ(bytes.size(), 28u + 2 * 26u + 2 * 16u);
}

TEST(Recording, NoteIdentifiersFromADamagedFileStayUsable) {
    Rig r;
    for (const auto& [stored, first, next] : {std::array<int, 3>{2147483647, 2147483647, 0},
                                              std::array<int, 3>{-1, 0, 1}, std::array<int, 3>{-50, 0, 1}}) {
        std::vector<std::uint8_t> header(28, 0);
        for (int i = 0; i < 4; ++i) {
            header[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(static_cast<std::uint32_t>(stored) >> (8 * i));
        }
        r.rec.restoreFromSaveBuffer(header.data(), header.size(), 2);
        EXPECT_EQ(r.rec.currentNoteID(), stored);
        r.rec.record();
        EXPECT_EQ(r.rec.addPlayNote(1, 1.0f, 0.0), first);
        EXPECT_EQ(r.rec.addPlayNote(1, 1.0f, 0.0), next);
        r.rec.stop();
        testing::internal::CaptureStdout();
        r.mergeNow();
        testing::internal::GetCapturedStdout();
    }
}
