#include <limits>
#include <map>
#include <set>

#include "RecorderTestSupport.h"

// Runs the passes in order, each compared with what it should leave.
static void expectTimeline(Rig& r, std::initializer_list<std::pair<double, const char*>> passes) {
    for (const auto& [seconds, expected] : passes)
        EXPECT_EQ(r.at(seconds), expected) << "at " << seconds << " s";
}

// A note-up of a voice from before the recording (-1, 7) must not stop voice 0,
// which the note gets. The song's end is told once, through the UI thread's
// queue.
TEST(Playback, ASongPlaysToItsEndAndTellsTheUiThreadOnce) {
    Rig r;
    r.play(SongBytes().down(0.10, 0, 10).up(0.2, -1).up(0.3, 7).up(0.60, 0));
    expectTimeline(r, {{0.05, "1 e0"},
                       {0.10, "1 e0 0:0/10"},
                       {0.59, "1 e0 0:0/10"},
                       {0.60, "0 e0 0:0/10x"},
                       {0.70, "0 e1 0:0/10x"},
                       {0.80, "0 e1 0:0/10x"}});
    EXPECT_EQ(r.rec.getNumNotes(), 4);
}

// Recorded whammy and wah changes drive the engine and keep the live values of
// their guitar out until they are passed; events after the last note are not
// played.
TEST(Playback, RecordedPedalsFollowTheSongAndHoldOffLiveValues) {
    Rig r;
    r.engine.setWhammyBarAttached(0, true);
    r.engine.setWahOn(1, true);
    r.engine.setWhammyForGuitar(0, 0.45f);
    SongBytes song;
    song.down(0.0, 0).up(3.0, 0);
    song.whammy[0] = {{0.0, 0.1f, 1}, {1.0, 0.2f, 1}, {5.0, 0.3f, 1}};
    song.wah[1] = {{0.0, 0.3f, 1}, {2.0, 0.1f, 1}};
    r.play(song);
    EXPECT_EQ(r.engine.whammy(0), 0.0f) << "play puts the bars at rest";
    const auto live = [&r](int g) {
        return std::pair{r.rec.addWhammyBarChangeForGuitar(g, 0.4f), r.rec.addWahChangeForGuitar(g, 0.4f)};
    };
    EXPECT_EQ(live(0), std::pair(false, true));
    EXPECT_EQ(live(1), std::pair(true, false));
    expectTimeline(r, {{0.5, "1 e0 w0.1,0 h0.5,0.3 0:0/10"}});
    EXPECT_EQ(live(0), std::pair(false, true));
    expectTimeline(r, {{2.5, "1 e0 w0.2,0 h0.5,0.1 0:0/10"}});
    EXPECT_EQ(live(1), std::pair(true, true));
    expectTimeline(r, {{3.0, "0 e0 w0.2,0 h0.5,0.1 0:0/10x"}, {6.0, "0 e1 w0.2,0 h0.5,0.1 0:0/10x"}});
    EXPECT_EQ(live(0), std::pair(true, true));
    EXPECT_TRUE(r.rec.allowingLiveWhammyChanges(0) && r.rec.allowingLiveWahChanges(1));
}

TEST(Playback, BendsWaitWhileSwitchedOffAndStopReleasesEveryVoice) {
    Rig r;
    SongBytes song;
    song.down(0.0, 3, 10).down(0.0, 4, 11).up(1.0, 3).up(1.0, 4);
    song.pitches = {{0.1, 3, SoundEngine::kFullBendPitch, 1}, {0.2, 3, SoundEngine::kHalfBendPitch, 1}};
    song.whammy[0] = {{0.0, 0.1f, 1}};
    r.play(song);
    expectTimeline(r, {{0.0, "1 e0 0:3/10 1:4/11"}, {0.3, "1 e0 0:3/10 1:4/11"}});
    r.engine.setPitchBendOn(1, true); // either guitar will do
    expectTimeline(r, {{0.31, "1 e0 0:3/10^1.06167 1:4/11"}});
    EXPECT_FALSE(r.rec.addWhammyBarChangeForGuitar(0, 0.2f));
    r.rec.stop();
    EXPECT_EQ(r.snapshot(), "0 e0 0:3/10x^1.06167 1:4/11x");
    EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(0, 0.2f));
}

TEST(Playback, RecordingPlaysTheSongAndDoesNotEndWithIt) {
    Rig r;
    SongBytes song(1);
    song.down(0.0, 0, 10).up(0.5, 0);
    r.load(song);
    r.engine.setWhammyForGuitar(1, -0.3f);
    r.record();
    EXPECT_EQ(r.engine.whammy(1), 0.0f);
    expectTimeline(r, {{0.0, "2 e0 0:0/10"}, {0.25, "2 e0 0:0/10"}});
    const int voice = r.engine.playSampleWithGuitar(1, 2); // recorded with a new identifier
    expectTimeline(r, {{1.0, "2 e0 0:0/10x 1:1/50"}});
    r.engine.stopAndRecordSample(voice);
    r.rec.stop();
    r.rec.runPlaybackPass();
    EXPECT_EQ(r.song(), "+0/10@0 +1/50@0.25o1 -0@0.5 -1@1");
    EXPECT_EQ(r.snapshot(), "0 e0 0:0/10x 1:1/50x");
}

// A pass compares only the events that fall due and the first one that does
// not; a note-down reaches its note-up without searching for it.
TEST(Playback, APassLooksOnlyAtTheEventsThatFallDue) {
    constexpr unsigned kNotes = 1400; // with their stops, within the event limit
    for (bool withStops : {false, true}) {
        SCOPED_TRACE(withStops);
        Rig r;
        SongBytes song;
        for (unsigned id = 0; id < kNotes; ++id)
            song.down(0.0, int(id));
        for (unsigned id = 0; withStops && id < kNotes; ++id)
            song.up(1.0, int(id));
        r.play(song.down(5.0, int(kNotes)).up(6.0, int(kNotes)));
        std::uint64_t before = r.rec.playbackComparisons();
        for (auto [at, looked] :
             {std::pair{0.5, kNotes + 1}, {0.6, 1u}, {1.0, withStops ? kNotes + 1 : 1u}, {6.0, 2u}}) {
            r.at(at);
            EXPECT_EQ(r.rec.playbackComparisons() - before, looked) << at;
            before = r.rec.playbackComparisons();
        }
        EXPECT_EQ(r.rec.getState(), 0);
    }
}

// Plays the whole song in one pass: the first later event with a note-down's
// identifier (its note-up) must take the voice the note-down got. While none
// is freed, the k-th note-down gets voice k.
static void expectStopsTakeTheirNotesVoices(Rig& r) {
    r.engine.stopAllSoundsImmediately();
    const std::vector<Note> song = r.rec.notes();
    std::map<std::size_t, int> expected;
    for (std::size_t i = 0, voice = 0; i < song.size(); ++i) {
        for (std::size_t j = i + 1; song[i].keyDown() && j < song.size(); ++j)
            if (song[j].noteID() == song[i].noteID()) {
                expected[j] = int(voice);
                break;
            }
        voice += song[i].keyDown() ? 1 : 0;
    }
    r.t0 = r.clock.now();
    r.rec.play();
    r.at(100.0);
    const std::vector<Note> played = r.rec.notes();
    for (const auto& [at, v] : expected)
        EXPECT_EQ(played[at].playlistNo(), v) << "event " << at << ", note " << played[at].noteID();
}

// The note-up index follows the song through every change to its notes.
TEST(Playback, StopsFindTheirNotesAfterEveryChangeToTheSong) {
    Rig r;
    SongBytes song(10);
    // An identifier used twice, a stop of a voice from before the recording,
    // and a note without a stop.
    song.down(0.0, 1).down(0.1, 2).up(0.2, 1).up(0.25, 7).down(0.3, 1).up(0.4, 2).up(0.5, 1).down(0.6, 3);
    r.load(song);
    expectStopsTakeTheirNotesVoices(r);
    // Two passes merged between the restored events; the first merge's sanity
    // check takes the note without a stop.
    testing::internal::CaptureStdout();
    r.pass({{12, 0.15, 0.3}});
    r.pass({{12, 0.25, 0.3}});
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SANITY CHECK FAILED:  Orphaned note for noteID=3. Deleting it.\n");
    ASSERT_EQ(r.rec.getNumNotes(), 11);
    expectStopsTakeTheirNotesVoices(r);
    r.rec.eraseLastXNotes(1);
    ASSERT_EQ(r.rec.getNumNotes(), 9);
    expectStopsTakeTheirNotesVoices(r);
    r.rec.eraseLastOverdub(); // overdub 2, its note already erased
    r.rec.eraseLastOverdub();
    ASSERT_EQ(r.rec.getNumNotes(), 7);
    expectStopsTakeTheirNotesVoices(r);
}

// When the playback thread has to run a pass next, in the recorder's clock.
TEST(Playback, NextPassTimeFollowsWhatFallsDue) {
    constexpr double kNever = std::numeric_limits<double>::infinity(), kAtOnce = -kNever;
    Rig r;
    EXPECT_EQ(r.rec.nextPassTime(), kNever) << "idle";
    r.rec.record();
    r.rec.addStopNote(r.rec.addPlayNote(10, 1.0f, 0.0));
    EXPECT_EQ(r.rec.nextPassTime(), kNever) << "a recorded note is not played";
    r.rec.stop();
    EXPECT_EQ(r.rec.nextPassTime(), kAtOnce) << "the pass must be merged";
    r.rec.runPlaybackPass();
    EXPECT_EQ(r.rec.nextPassTime(), kNever);
    // That song's first wah change carries the value of before any tilt, 0:
    // played back, it is held to the tilt's range.
    EXPECT_EQ(r.rec.wahChanges(0).at(0).pitch(), 0.0f) << "recorded as it came";
    r.engine.setWahOn(0, true);
    r.engine.setWahForGuitar(0, 0.3f);
    r.rec.play();
    r.rec.runPlaybackPass();
    EXPECT_EQ(r.engine.wahForGuitar(0), Recorder::kMinWah);
    r.rec.stop();
    r.engine.setWahOn(0, false);
    r.engine.stopAllSoundsImmediately();
    r.parent.mainThreadQueue().runPending();
    r.parent.playbackEndedCalls = 0;

    SongBytes song;
    song.down(1.0, 0).up(2.0, 0);
    song.wah[0] = {{0.5, 0.3f, 1}};
    r.play(song);
    EXPECT_DOUBLE_EQ(r.rec.nextPassTime(), r.t0 + 0.5);
    r.at(0.5);
    EXPECT_DOUBLE_EQ(r.rec.nextPassTime(), r.t0 + 0.55) << "the wah is off: looked at again now and then";
    r.engine.setWahOn(0, true);
    EXPECT_DOUBLE_EQ(r.rec.nextPassTime(), r.t0 + 0.5) << "due now";
    EXPECT_EQ(r.at(0.51), "1 e0 w0,0 h0.3,0.5");
    EXPECT_DOUBLE_EQ(r.rec.nextPassTime(), r.t0 + 1.0);
    r.at(1.0);
    EXPECT_DOUBLE_EQ(r.rec.nextPassTime(), r.t0 + 2.0);
    r.at(2.0);
    EXPECT_EQ(r.rec.nextPassTime(), kAtOnce);
    r.rec.runPlaybackPass();
    EXPECT_EQ(r.rec.nextPassTime(), kNever);

    // A strum: at once, then one gap after each string, then never.
    r.rec.setChordStrum(std::array{2, 7, -1, -1, -1, -1}.data(), 0, false);
    EXPECT_EQ(r.rec.nextPassTime(), kAtOnce);
    r.rec.runPlaybackPass();
    EXPECT_DOUBLE_EQ(r.rec.nextPassTime(), r.clock.now() + r.rec.currentTimeBetweenStrumStrings());
    for (int s = 0; s < 2; ++s)
        r.after(r.rec.nextPassTime() - r.clock.now() + 1e-6);
    EXPECT_EQ(r.rec.currentStrumString(), -1);
    EXPECT_EQ(r.rec.nextPassTime(), kNever);
    r.rec.stopChordStrum();
    EXPECT_EQ(r.rec.nextPassTime(), kAtOnce);
}

using Chord = std::array<int, 6>;

// Each seed: string 0 at once, the gap (38.5 ms at the middle speed plus a
// spread of 0 to 2 ms) before each next string, skipped strings take no gap,
// and one gap after the last the strum is over with its voices sounding on.
TEST(ChordStrum, StringsFollowOneAnotherWithTheGap) {
    Rig r;
    std::set<long> spreads;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        r.rec.setRandomSeed(seed);
        r.engine.stopAllSoundsImmediately();
        r.rec.setChordStrum(Chord{2, -1, 12, 17, -1, -1}.data(), 0, false);
        EXPECT_EQ(r.after(1.0), "0 e0 s1 0:-1/2");
        const double gap = r.rec.currentTimeBetweenStrumStrings();
        EXPECT_TRUE(gap >= 0.0385 - 1e-9 && gap < 0.0415) << gap;
        spreads.insert(std::lround((gap - 0.0385) * 1000.0));
        EXPECT_EQ(r.after(gap - 1e-6), "0 e0 s1 0:-1/2");
        EXPECT_EQ(r.after(2e-6), "0 e0 s3 0:-1/2 1:-1/12");
        EXPECT_EQ(r.after(r.rec.currentTimeBetweenStrumStrings() + 1e-6), "0 e0 s4 0:-1/2 1:-1/12 2:-1/17");
        EXPECT_EQ(r.after(r.rec.currentTimeBetweenStrumStrings() + 1e-6), "0 e0 0:-1/2 1:-1/12 2:-1/17");
        EXPECT_EQ(r.rec.strumPlaylistNo(3), 2) << "kept to stop with the next chord";
    }
    EXPECT_EQ(r.rec.strumPlaylistNo(1), -1) << "a string not played has no voice";
    EXPECT_EQ(r.rec.strumPlaylistNo(6), -1);
    EXPECT_TRUE(*spreads.begin() >= 0 && *spreads.rbegin() <= 2);
    EXPECT_GT(spreads.size(), 1u) << "the spread varies";
    // Speed 0 (and below): 7 ms, with no spread below 10 ms.
    r.rec.setChordStrumSpeed(-3.0f);
    EXPECT_EQ(r.rec.chordStrumSpeed(), 0.0f);
    r.rec.setChordStrum(Chord{2, 7, -1, -1, -1, -1}.data(), 0, false);
    r.rec.runPlaybackPass();
    EXPECT_DOUBLE_EQ(r.rec.currentTimeBetweenStrumStrings(), 0.007);
}

// Muted when over: a chord on string 5 is released in the pass that strums it,
// one ending before string 5 one gap after its last string.
TEST(ChordStrum, MuteWhenOverReleasesAtTheLastStringAndANewChordStopsTheOld) {
    Rig r;
    r.rec.setChordStrum(Chord{-1, -1, -1, -1, -1, 26}.data(), 1, true);
    EXPECT_EQ(r.after(0.5), "0 e0 0:-1/74x");
    EXPECT_EQ(r.rec.strumPlaylistNo(5), -1);
    r.engine.stopAllSoundsImmediately();
    r.rec.setChordStrum(Chord{2, -1, -1, -1, -1, -1}.data(), 0, true);
    EXPECT_EQ(r.after(0.5), "0 e0 s1 0:-1/2");
    EXPECT_EQ(r.after(r.rec.currentTimeBetweenStrumStrings() + 1e-6), "0 e0 0:-1/2x");
    // A new chord stops the old one; strummed notes are recorded like played
    // ones.
    r.engine.stopAllSoundsImmediately();
    r.record();
    r.rec.setChordStrum(Chord{2, 7, 12, 17, 21, 26}.data(), 0, false);
    r.after(0.1);
    EXPECT_EQ(r.after(0.1), "2 e0 s2 0:0/2 1:1/7");
    r.rec.setChordStrum(Chord{-1, 10, -1, -1, -1, -1}.data(), 0, false);
    EXPECT_EQ(r.after(0.001), "2 e0 s2 0:0/2x 1:1/7x 2:2/10");
    EXPECT_EQ(r.rec.strumPlaylistNo(0), -1);
    r.rec.stopChordStrum();
    EXPECT_EQ(r.after(0.001), "2 e0 0:0/2x 1:1/7x 2:2/10x");
    std::vector<std::pair<int, int>> pending; // sample (-1 for a stop), note
    for (const Note& n : r.rec.currentOverdubNotesToAdd())
        pending.emplace_back(n.keyDown() ? n.sampleNo() : -1, n.noteID());
    EXPECT_EQ(pending,
              (std::vector<std::pair<int, int>>{{2, 0}, {7, 1}, {-1, 0}, {-1, 1}, {10, 2}, {-1, 2}}));
}

// A lift (stop) and a new pluck (chord) that reach the playback thread in the
// same pass: the old chord stops, the new one strums on to its last string.
TEST(ChordStrum, AStopStillPendingDoesNotCutOffTheNextChord) {
    Rig r;
    r.rec.setChordStrum(Chord{2, 7, 12, 17, 21, 26}.data(), 0, false);
    r.after(0.1);
    r.rec.stopChordStrum();
    r.rec.setChordStrum(Chord{2, 7, 12, 17, 21, 26}.data(), 0, false);
    EXPECT_EQ(r.after(0.001), "0 e0 s1 0:-1/2x 1:-1/2");
    for (int i = 0; i < 5; ++i)
        r.after(0.1);
    EXPECT_EQ(r.after(0.1), "0 e0 0:-1/2x 1:-1/2 2:-1/7 3:-1/12 4:-1/17 5:-1/21 6:-1/26");
}
