#include <set>

#include "RecorderTestSupport.h"

// One song played, stopped, played to its end and recorded over, with when
// the playback thread has to run its next pass (" >"). Note-ups of voices
// from before the recording (-1, 7) must not stop voices 0 and 1, which its
// notes get. Recorded whammy (guitar 1) and wah (guitar 2) changes drive the
// engine and hold off the live values of their guitar until they are passed;
// events after the last note are not played. Bends wait while bending is
// switched off (on either guitar will do), as a wah change does while its
// pedal is (looked at again every 50 ms). A stop is merged at once. The
// song's end is told once, through the UI thread's queue; recording plays
// the song and does not end with it.
TEST(Playback, OneSongPlayedStoppedPlayedToItsEndAndRecordedOver) {
    Rig r;
    SongBytes song(5);
    song.down(0.0, 3, 10).down(0.1, 4, 11).up(0.2, -1).up(0.3, 7).up(0.6, 4).up(3.0, 3);
    song.pitches = {{0.1, 3, SoundEngine::kFullBendPitch, 1}, {0.2, 3, SoundEngine::kHalfBendPitch, 1}};
    song.whammy[0] = {{0.0, 0.1f, 1}, {1.0, 0.2f, 1}, {5.0, 0.3f, 1}};
    song.wah[1] = {{0.0, 0.3f, 1}, {2.0, 0.1f, 1}};
    r.load(song);
    r.showNext = true;
    r.engine.setWhammyBarAttached(0, true);
    r.engine.setWahOn(1, true);
    r.engine.setWhammyForGuitar(0, 0.45f);
    const auto wah = [](bool on) { return [on](Rig& r) { r.engine.setWahOn(1, on); }; };
    int voice = -1;
    r.run({
        {Rig::kNoPass, {}, "0 e0 w0.45,0 h0.5,0.5 >never"},
        {Rig::kNoPass, [](Rig& r) { r.play(); }, "1 e0 L0110 >0"}, // the bars at rest
        {0.05, {}, "1 e0 w0.1,0 h0.5,0.3 L0110 0:3/10 >0.1"},
        {0.3, {}, "1 e0 w0.1,0 h0.5,0.3 L0110 0:3/10 1:4/11 >0.35"},
        {0.31, [](Rig& r) { r.engine.setPitchBendOn(1, true); },
         "1 e0 w0.1,0 h0.5,0.3 L0110 0:3/10^1.06167 1:4/11 >0.6"},
        {Rig::kNoPass, [](Rig& r) { r.rec.stop(); }, "0 e0 w0.1,0 h0.5,0.3 0:3/10x^1.06167 1:4/11x >now"},
        {0.32, {}, "0 e0 w0.1,0 h0.5,0.3 0:3/10x^1.06167 1:4/11x >never"},
        {0.0, Rig::replay, "1 e0 w0.1,0 h0.5,0.3 L0110 0:3/10 >0.1"},
        {0.15, {}, "1 e0 w0.1,0 h0.5,0.3 L0110 0:3/10^1.12333 1:4/11 >0.2"},
        {2.1, wah(false), "1 e0 w0.2,0 h0.5,0.3 L0110 0:3/10^1.06167 1:4/11x >2.15"},
        {Rig::kNoPass, wah(true), "1 e0 w0.2,0 h0.5,0.3 L0110 0:3/10^1.06167 1:4/11x >2"},
        {2.5, {}, "1 e0 w0.2,0 h0.5,0.1 L0111 0:3/10^1.06167 1:4/11x >3"},
        {3.0, {}, "0 e0 w0.2,0 h0.5,0.1 0:3/10x^1.06167 1:4/11x >now"},
        {3.1, {}, "0 e1 w0.2,0 h0.5,0.1 0:3/10x^1.06167 1:4/11x >never"},
        {6.0, {}, "0 e1 w0.2,0 h0.5,0.1 0:3/10x^1.06167 1:4/11x >never"},
        {Rig::kNoPass,
         [](Rig& r) {
             r.engine.stopAllSoundsImmediately();
             r.engine.setWhammyForGuitar(1, -0.3f);
             r.record();
         },
         "2 e1 w0,0 h0.5,0.1 L0110 >0"},
        {0.25, {}, "2 e1 w0.1,0 h0.5,0.3 L0110 0:3/10 1:4/11 >0.3"},
        {1.0, [&voice](Rig& r) { voice = r.perf.play(1, 2); },
         "2 e1 w0.2,0 h0.5,0.3 L0110 0:3/10 1:4/11x 2:5/50 >2"},
        {4.0, [&voice](Rig& r) { r.perf.release(voice); },
         "2 e1 w0.2,0 h0.5,0.1 L0111 0:3/10x 1:4/11x 2:5/50x >5"},
        {4.1, [](Rig& r) { r.rec.stop(); }, "0 e1 w0.2,0 h0.5,0.1 0:3/10x 1:4/11x 2:5/50x >never"},
    });
    EXPECT_EQ(r.song(), "+3/10@0 +4/11@0.1 --1@0.2 +5/50@0.25o1 -7@0.3 -4@0.6 -5@1 -3@3");

    // Moves 10 ms apart on the one guitar whose bar is attached, or whose pedal is on, are each due on time.
    Rig q;
    SongBytes moves(1);
    moves.down(0.0, 0, 10).up(0.05, 0);
    moves.whammy[0] = {{0.01, 0.1f, 1}, {0.02, 0.2f, 1}};
    moves.wah[1] = {{0.015, 0.3f, 1}, {0.025, 0.1f, 1}};
    q.load(moves);
    q.showNext = true;
    q.engine.setWhammyBarAttached(0, true);
    q.engine.setWahOn(1, true);
    q.run({{Rig::kNoPass, [](Rig& r) { r.play(); }, "1 e0 L0110 >0"},
           {0.001, {}, "1 e0 L0110 0:0/10 >0.01"},
           {0.011, {}, "1 e0 w0.1,0 h0.5,0.5 L0110 0:0/10 >0.015"},
           {0.016, {}, "1 e0 w0.1,0 h0.5,0.3 L0110 0:0/10 >0.02"},
           {0.021, {}, "1 e0 w0.2,0 h0.5,0.3 L1110 0:0/10 >0.025"}}); // past its last move, the live bar acts
}

// The note-up index follows the song through every change to its notes: the
// song is played to just before its last note after each, and each note-up
// must release its own note-down's voice. The song has an identifier used
// twice, a stop of a voice from before the recording and a note without a
// stop; two passes are merged between its events (the first merge's sanity
// check takes the note without a stop).
TEST(Playback, StopsFindTheirNotesAfterEveryChangeToTheSong) {
    Rig r;
    SongBytes song(10);
    song.down(0.0, 1).down(0.1, 2).up(0.2, 1).up(0.25, 7).down(0.3, 1).up(0.4, 2).up(0.5, 1).down(0.6, 3);
    r.load(song.down(50.0, 9).up(60.0, 9));
    r.run({{40.0, Rig::replay, "1 e0 0:1/10x 1:2/10x 2:1/10x 3:3/10"}});
    testing::internal::CaptureStdout();
    r.pass({{12, 0.15, 0.3}});
    r.pass({{12, 0.25, 0.3}});
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SANITY CHECK FAILED:  Orphaned note for noteID=3. Deleting it.\n");
    r.run({{40.0, Rig::replay, "1 e0 0:1/10x 1:2/10x 2:10/12x 3:11/12x 4:1/10x"}});
    r.rec.eraseLastXNotes(1);
    r.run({{40.0, Rig::replay, "1 e0 0:1/10x 1:2/10x 2:10/12x 3:1/10x"}});
    r.rec.eraseLastOverdub(); // overdub 2, its note already erased
    r.rec.eraseLastOverdub();
    r.run({{40.0, Rig::replay, "1 e0 0:1/10x 1:2/10x 2:1/10x"}});
}

using Chord = std::array<int, 6>;

// Each seed: string 0 at once, the gap (38.5 ms at the middle speed plus a
// spread of 0 to 2 ms) before each next string, skipped strings take no gap,
// and one gap after the last the strum is over with its voices sounding on
// (kept to stop with the next chord).
TEST(ChordStrum, StringsFollowOneAnotherWithTheGap) {
    Rig r;
    std::set<long> spreads;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        r.rec.setRandomSeed(seed);
        r.engine.stopAllSoundsImmediately();
        r.rec.setChordStrum(Chord{2, -1, 12, 17, -1, -1}.data(), 0, false);
        EXPECT_EQ(r.next(), "now");
        EXPECT_EQ(r.after(1.0), "0 e0 s1 0:-1/2");
        const double gap = r.rec.currentTimeBetweenStrumStrings();
        EXPECT_TRUE(gap >= 0.0385 - 1e-9 && gap < 0.0415) << gap;
        spreads.insert(std::lround((gap - 0.0385) * 1000.0));
        EXPECT_EQ(r.after(gap - 1e-6), "0 e0 s1 0:-1/2");
        r.run({{Rig::kNextPass, {}, "0 e0 s3 0:-1/2 1:-1/12"},
               {Rig::kNextPass, {}, "0 e0 s4 0:-1/2 1:-1/12 2:-1/17"},
               {Rig::kNextPass, {}, "0 e0 0:-1/2 1:-1/12 2:-1/17"}});
        EXPECT_EQ(r.next(), "never");
    }
    EXPECT_EQ(r.rec.strumPlaylistNo(3), 2);
    EXPECT_EQ(r.rec.strumPlaylistNo(1), -1) << "a string not played has no voice";
    EXPECT_EQ(r.rec.strumPlaylistNo(6), -1);
    EXPECT_TRUE(*spreads.begin() >= 0 && *spreads.rbegin() <= 2);
    EXPECT_GT(spreads.size(), 1u) << "the spread varies";
    r.rec.stopChordStrum();
    EXPECT_EQ(r.next(), "now") << "the voices to stop";
    // Speed 0 (and below): 7 ms, with no spread below 10 ms.
    r.rec.setChordStrumSpeed(-3.0f);
    EXPECT_EQ(r.rec.chordStrumSpeed(), 0.0f);
    r.rec.setChordStrum(Chord{2, 7, -1, -1, -1, -1}.data(), 0, false);
    r.rec.runPlaybackPass();
    EXPECT_DOUBLE_EQ(r.rec.currentTimeBetweenStrumStrings(), 0.007);
}

// Muted when over: a chord on string 5 is released in the pass that strums
// it, one ending before string 5 one gap after its last string. A new chord
// stops the old one (its voices hushed first, or not), even when the stop (a
// lift) is still pending with it; strummed notes are recorded like played
// ones.
TEST(ChordStrum, MutingStoppingAndRecordingStrums) {
    Rig r;
    const auto chord = [](Chord strings, int guitar, bool mute, bool hush = false, bool lift = false) {
        return [=](Rig& r) {
            if (hush)
                r.engine.stopAllSoundsImmediately();
            if (lift)
                r.rec.stopChordStrum();
            if (strings != Chord{})
                r.rec.setChordStrum(strings.data(), guitar, mute);
        };
    };
    const Chord all{2, 7, 12, 17, 21, 26}, three{2, 7, 12, -1, -1, -1}, none{};
    r.run({
        {0.5, chord({-1, -1, -1, -1, -1, 26}, 1, true), "0 e0 0:-1/74x"},
        {1.0, chord({2, -1, -1, -1, -1, -1}, 0, true, true), "0 e0 s1 0:-1/2"},
        {Rig::kNextPass, {}, "0 e0 0:-1/2x"},
        {1.5, chord(three, 0, false, true), "0 e0 s1 0:-1/2"},
        {1.501, chord(three, 0, false, false, true), "0 e0 s1 0:-1/2x 1:-1/2"},
        {Rig::kNextPass, {}, "0 e0 s2 0:-1/2x 1:-1/2 2:-1/7"},
        {Rig::kNextPass, {}, "0 e0 s3 0:-1/2x 1:-1/2 2:-1/7 3:-1/12"},
        {Rig::kNextPass, {}, "0 e0 0:-1/2x 1:-1/2 2:-1/7 3:-1/12"},
        {Rig::kNoPass, chord(none, 0, false, true), nullptr},
        {Rig::kNoPass, [](Rig& r) { r.record(); }, "2 e0"},
        {0.1, chord(all, 0, false), "2 e0 s1 0:0/2"},
        {0.2, {}, "2 e0 s2 0:0/2 1:1/7"},
        {0.201, chord({-1, 10, -1, -1, -1, -1}, 0, false), "2 e0 s2 0:0/2x 1:1/7x 2:2/10"},
        {0.202, chord(none, 0, false, false, true), "2 e0 0:0/2x 1:1/7x 2:2/10x"},
    });
    EXPECT_EQ(r.rec.strumPlaylistNo(0), -1) << "stopped with its chord";
    // The old chord's voices, from before the recording, are stopped as -1.
    EXPECT_EQ(r.pending(),
              "--1@0.1 --1@0.1 --1@0.1 +0/2@0.1o1 +1/7@0.2o1 -0@0.201 -1@0.201 +2/10@0.201o1 -2@0.202");
}
