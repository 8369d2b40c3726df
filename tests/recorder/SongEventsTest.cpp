#include <gtest/gtest.h>

#include "recorder/Note.h"
#include "recorder/PitchChange.h"
#include "recorder/Recorder.h"
#include "recorder/TimeCompare.h"
#include "recorder/WahChange.h"
#include "recorder/WhammyBarChange.h"

#include <cmath>
#include <limits>

TEST(SongEvents, NoteDownKeepsEveryArgument) {
    const Note n(12, 0.75f, 1.25, 3, 41, -2.5e-5, 99.0);
    EXPECT_TRUE(n.keyDown());
    EXPECT_EQ(n.sampleNo(), 12);
    EXPECT_FLOAT_EQ(n.volume(), 0.75f);
    EXPECT_DOUBLE_EQ(n.time(), 1.25);
    EXPECT_EQ(n.overdubNo(), 3);
    EXPECT_EQ(n.noteID(), 41);
    EXPECT_DOUBLE_EQ(n.releaseDelta(), -2.5e-5);
    EXPECT_DOUBLE_EQ(n.created(), 99.0);
    EXPECT_EQ(n.playlistNo(), Note::kNoVoice);
}

TEST(SongEvents, NoteUpHasZeroFieldsAndNoVoice) {
    const Note n(2.5, 7, 5.0);
    EXPECT_FALSE(n.keyDown());
    EXPECT_EQ(n.sampleNo(), 0);
    EXPECT_EQ(n.volume(), 0.0f);
    EXPECT_EQ(n.overdubNo(), 0);
    EXPECT_EQ(n.releaseDelta(), 0.0);
    EXPECT_EQ(n.noteID(), 7);
    EXPECT_DOUBLE_EQ(n.time(), 2.5);
    // Unknown until playback gives its note-down a voice: a stop must not
    // release voice 0.
    EXPECT_EQ(n.playlistNo(), -1);
}

TEST(SongEvents, NoteSettersWriteTheirField) {
    Note n(0.0, 0, 0.0);
    n.setSampleNo(5);
    n.setTime(3.0);
    n.setkeyDown(true);
    n.setVolume(0.5f);
    n.setOverdubNo(2);
    n.setCreated(8.0);
    n.setNoteID(9);
    n.setReleaseDelta(-1.0);
    n.setPlaylistNo(39);
    EXPECT_EQ(n.sampleNo(), 5);
    EXPECT_EQ(n.time(), 3.0);
    EXPECT_TRUE(n.keyDown());
    EXPECT_EQ(n.volume(), 0.5f);
    EXPECT_EQ(n.overdubNo(), 2);
    EXPECT_EQ(n.created(), 8.0);
    EXPECT_EQ(n.noteID(), 9);
    EXPECT_EQ(n.releaseDelta(), -1.0);
    EXPECT_EQ(n.playlistNo(), 39);
}

TEST(SongEvents, ChangesKeepTheirFields) {
    const PitchChange p(1.5, 7, 1.0f, 2);
    int id = -5;
    EXPECT_EQ(p.getPitchAndNoteID(&id), 1.0f);
    EXPECT_EQ(id, 7);
    EXPECT_EQ(p.getPitchAndNoteID(nullptr), 1.0f);
    EXPECT_EQ(p.overdubNo(), 2);
    EXPECT_EQ(p.time(), 1.5);

    const WhammyBarChange w(0.25, -0.5f, 4);
    EXPECT_EQ(w.time(), 0.25);
    EXPECT_EQ(w.pitch(), -0.5f);
    EXPECT_EQ(w.overdubNo(), 4);
    const WahChange h(0.5, 0.05f, 1);
    EXPECT_EQ(h.time(), 0.5);
    EXPECT_EQ(h.pitch(), 0.05f);
    EXPECT_EQ(h.overdubNo(), 1);
}

TEST(SongEvents, TimeCompareAcrossKinds) {
    const Note early(0, 1.0f, 1.5, 1, 0, 0.0, 0.0);
    const PitchChange late(2.0, 0, 1.0f, 1);
    const WahChange same(1.5, 0.5f, 1);
    EXPECT_EQ(timeCompare(early, late, nullptr), -1);
    EXPECT_EQ(timeCompare(late, early, nullptr), 1);
    EXPECT_EQ(timeCompare(early, same, nullptr), 0);
    EXPECT_EQ(timeCompare(same, early), 0);
}

TEST(SongEvents, SortIsStableAndKeepsRecordingOrder) {
    std::vector<Note> notes;
    notes.emplace_back(0, 1.0f, 2.0, 1, 10, 0.0, 0.0);
    notes.emplace_back(1.0, 11, 0.0);
    notes.emplace_back(0, 1.0f, 1.0, 1, 12, 0.0, 0.0);
    notes.emplace_back(1.0, 13, 0.0);
    notes.emplace_back(0.5, 14, 0.0);
    sortByTime(notes);
    ASSERT_EQ(notes.size(), 5u);
    EXPECT_EQ(notes[0].noteID(), 14);
    EXPECT_EQ(notes[1].noteID(), 11); // equal times stay in the order received
    EXPECT_EQ(notes[2].noteID(), 12);
    EXPECT_EQ(notes[3].noteID(), 13);
    EXPECT_EQ(notes[4].noteID(), 10);
}

TEST(SongEvents, SortCopesWithTimesThatAreNotNumbers) {
    // Only a damaged file brings such times; the sort must stay inside the list.
    std::vector<WahChange> list;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < 200; ++i) {
        list.emplace_back(i % 3 == 0 ? nan : static_cast<double>(200 - i), 0.5f, i);
    }
    sortByTime(list);
    ASSERT_EQ(list.size(), 200u);
    std::size_t i = 0;
    while (i < list.size() && !std::isnan(list[i].time())) {
        if (i > 0) {
            EXPECT_LE(list[i - 1].time(), list[i].time());
        }
        ++i;
    }
    for (; i < list.size(); ++i) {
        EXPECT_TRUE(std::isnan(list[i].time()));
    }
}

TEST(SongEvents, SqueezeFloat) {
    EXPECT_EQ(Recorder::squeezeFloat(0.0f), "0");
    EXPECT_EQ(Recorder::squeezeFloat(-0.0f), "0");
    EXPECT_EQ(Recorder::squeezeFloat(1.0f), "1");
    EXPECT_EQ(Recorder::squeezeFloat(0.5f), "0.5");
    EXPECT_EQ(Recorder::squeezeFloat(1.1233333f), "1.12333");
    EXPECT_EQ(Recorder::squeezeFloat(-0.25f), "-0.25");
    EXPECT_EQ(Recorder::squeezeFloat(1e-7f), "1e-07");
}
