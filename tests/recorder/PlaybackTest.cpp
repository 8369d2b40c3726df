#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "RecorderTestSupport.h"
#include "audio/SoundEngine.h"
#include "recorder/Recorder.h"

namespace {

// An engine without output or accelerometer, and a recorder without thread,
// both on one manual clock: the test runs the playback passes.
struct Rig {
    TempFolder folder;
    ManualClock clock{500.0};
    FakeParent parent{clock};
    SoundEngine engine{&parent, nullptr, nullptr, folder.path(), clock};
    Recorder rec{&parent, &engine, clock, false};

    Rig() {
        engine.setRecorder(&rec);
        for (int slot : {2, 7, 10, 11, 12, 17, 21, 26, 50, 58, 74}) {
            engine.addSineWaveAtSlot(slot);
        }
        engine.setPitchBendOn(0, false);
        engine.setPitchBendOn(1, false);
        engine.setWhammyBarAttached(0, false);
        engine.setWhammyBarAttached(1, false);
        engine.setWahOn(0, false);
        engine.setWahOn(1, false);
    }
    ~Rig() { engine.setRecorder(nullptr); }

    void load(const SongBytes& song) {
        const auto bytes = song.version2();
        rec.restoreFromSaveBuffer(bytes.data(), bytes.size(), 2);
    }
    // Runs one pass at `seconds` after `start`.
    void passAt(double start, double seconds) {
        clock.set(start + seconds);
        rec.runPlaybackPass();
    }
    // The voice sounding the note with this identifier, or -1.
    int voiceOf(int noteID) const {
        for (int v = 0; v < SoundEngine::kNumVoices; ++v) {
            if (engine.voicePlaying(v) && engine.voiceNoteID(v) == noteID) {
                return v;
            }
        }
        return -1;
    }
};

} // namespace

TEST(Playback, OneNoteSongPlaysAndEndsWithPlaybackEnded) {
    Rig r;
    SongBytes song;
    song.currentNoteID = 1;
    song.down(0.10, 0, 10).up(0.60, 0);
    r.load(song);
    const double t0 = r.clock.now();
    r.rec.play();
    EXPECT_EQ(r.rec.getState(), 1);

    r.passAt(t0, 0.05);
    EXPECT_EQ(r.voiceOf(0), -1);
    r.passAt(t0, 0.10);
    const int v = r.voiceOf(0);
    ASSERT_NE(v, -1);
    EXPECT_EQ(r.engine.voiceState(v).sampleNo, 10);
    r.passAt(t0, 0.59);
    EXPECT_FALSE(r.engine.voiceState(v).wantToStop);
    EXPECT_EQ(r.rec.getState(), 1);
    r.parent.mainThreadQueue().runPending();
    EXPECT_EQ(r.parent.playbackEndedCalls.load(), 0);

    r.passAt(t0, 0.60);
    EXPECT_TRUE(r.engine.voiceState(v).wantToStop);
    EXPECT_EQ(r.rec.getState(), 0);
    // Told on the UI thread's queue, not directly.
    EXPECT_EQ(r.parent.playbackEndedCalls.load(), 0);
    r.parent.mainThreadQueue().runPending();
    EXPECT_EQ(r.parent.playbackEndedCalls.load(), 1);

    // Further passes change nothing and tell nobody again.
    r.passAt(t0, 0.70);
    r.parent.mainThreadQueue().runPending();
    EXPECT_EQ(r.parent.playbackEndedCalls.load(), 1);
    EXPECT_EQ(r.rec.getNumNotes(), 2);
}

TEST(Playback, ANoteUpWithoutAVoiceStopsNothing) {
    Rig r;
    SongBytes song;
    // A note-up recorded for a voice started before recording began.
    song.down(0.0, 0, 10).up(0.2, -1).up(0.3, 7).up(1.0, 0);
    r.load(song);
    const double t0 = r.clock.now();
    r.rec.play();
    r.passAt(t0, 0.0);
    const int v = r.voiceOf(0);
    ASSERT_EQ(v, 0); // the first free voice: a stop of "voice 0" would hit it
    r.passAt(t0, 0.5);
    EXPECT_FALSE(r.engine.voiceState(v).wantToStop);
    EXPECT_EQ(r.rec.getState(), 1);
    r.passAt(t0, 1.0);
    EXPECT_TRUE(r.engine.voiceState(v).wantToStop);
    EXPECT_EQ(r.rec.getState(), 0);
}

TEST(Playback, EventsLaterThanTheLastNoteAreNotPlayed) {
    Rig r;
    r.engine.setWhammyBarAttached(0, true);
    SongBytes song;
    song.down(0.0, 0).up(4.0, 0);
    song.whammy[0].push_back({5.0, 0.3f, 1});
    r.load(song);
    const double t0 = r.clock.now();
    r.rec.play();
    r.passAt(t0, 4.0);
    EXPECT_EQ(r.rec.getState(), 0);
    r.passAt(t0, 5.0);
    r.passAt(t0, 6.0);
    EXPECT_EQ(r.engine.whammy(0), 0.0f);
}

TEST(Playback, LiveWhammyIsRefusedUntilTheRecordedChangesArePassed) {
    Rig r;
    r.engine.setWhammyBarAttached(0, true);
    r.engine.setWhammyForGuitar(0, 0.45f);
    SongBytes song;
    song.down(0.0, 0).up(3.0, 0);
    song.whammy[0].push_back({0.0, 0.1f, 1});
    song.whammy[0].push_back({1.0, 0.2f, 1});
    r.load(song);
    const double t0 = r.clock.now();
    r.rec.play();
    EXPECT_EQ(r.engine.whammy(0), 0.0f); // play puts both bars at rest
    EXPECT_FALSE(r.rec.addWhammyBarChangeForGuitar(0, 0.4f));
    EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(1, 0.4f)); // nothing recorded there
    r.passAt(t0, 0.5);
    EXPECT_EQ(r.engine.whammy(0), 0.1f);
    EXPECT_FALSE(r.rec.addWhammyBarChangeForGuitar(0, 0.4f));
    r.passAt(t0, 1.0);
    EXPECT_EQ(r.engine.whammy(0), 0.2f);
    EXPECT_TRUE(r.rec.allowingLiveWhammyChanges(0));
    EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(0, 0.4f));
}

TEST(Playback, WahChangesFollowTheSongWhileTheWahIsOn) {
    Rig r;
    r.engine.setWahOn(1, true);
    SongBytes song;
    song.down(0.0, 0).up(3.0, 0);
    song.wah[1].push_back({0.0, 0.3f, 1});
    song.wah[1].push_back({2.0, 0.1f, 1});
    r.load(song);
    const double t0 = r.clock.now();
    r.rec.play();
    EXPECT_FALSE(r.rec.addWahChangeForGuitar(1, 0.5f));
    EXPECT_TRUE(r.rec.addWahChangeForGuitar(0, 0.5f));
    r.passAt(t0, 0.0);
    EXPECT_FLOAT_EQ(r.engine.wahForGuitar(1), 0.3f);
    r.passAt(t0, 2.5);
    EXPECT_FLOAT_EQ(r.engine.wahForGuitar(1), 0.1f);
    EXPECT_TRUE(r.rec.addWahChangeForGuitar(1, 0.5f));
}

TEST(Playback, BendsWaitWhileSwitchedOffAndFollowAllAtOnce) {
    Rig r;
    SongBytes song;
    song.down(0.0, 3, 10).up(1.0, 3);
    song.pitches.push_back({0.1, 3, SoundEngine::kFullBendPitch, 1});
    song.pitches.push_back({0.2, 3, SoundEngine::kHalfBendPitch, 1});
    r.load(song);
    const double t0 = r.clock.now();
    r.rec.play();
    r.passAt(t0, 0.0);
    const int v = r.voiceOf(3);
    ASSERT_NE(v, -1);
    r.passAt(t0, 0.3);
    EXPECT_EQ(r.engine.voiceState(v).requiredPitch, 1.0f);
    r.engine.setPitchBendOn(1, true); // either guitar will do
    r.passAt(t0, 0.31);
    EXPECT_EQ(r.engine.voiceState(v).requiredPitch, SoundEngine::kHalfBendPitch);
}

TEST(Playback, RecordingPlaysTheSongAndDoesNotEndWithIt) {
    Rig r;
    SongBytes song;
    song.currentNoteID = 1;
    song.down(0.0, 0, 10).up(0.5, 0);
    r.load(song);
    r.engine.setWhammyForGuitar(1, -0.3f);
    const double t0 = r.clock.now();
    r.rec.record();
    EXPECT_EQ(r.engine.whammy(1), 0.0f);
    EXPECT_EQ(r.rec.currentOverdubNo(), 1);
    r.passAt(t0, 0.0);
    EXPECT_NE(r.voiceOf(0), -1);
    // A player's note through the engine is recorded with a new identifier.
    r.passAt(t0, 0.25);
    const int voice = r.engine.playSampleWithGuitar(1, 2);
    ASSERT_NE(voice, -1);
    EXPECT_EQ(r.engine.voiceNoteID(voice), 1);
    r.passAt(t0, 1.0);
    EXPECT_EQ(r.rec.getState(), 2);
    r.engine.stopAndRecordSample(voice);
    r.rec.stop();
    r.rec.runPlaybackPass();
    const auto notes = r.rec.notes();
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[1].noteID(), 1);
    EXPECT_EQ(notes[1].sampleNo(), 50);
    EXPECT_DOUBLE_EQ(notes[1].time(), 0.25);
    EXPECT_EQ(notes[1].overdubNo(), 1);
    EXPECT_DOUBLE_EQ(notes[3].time(), 1.0);
    r.parent.mainThreadQueue().runPending();
    EXPECT_EQ(r.parent.playbackEndedCalls.load(), 0);
}

TEST(Playback, StopReleasesEveryVoiceAndAllowsLiveValues) {
    Rig r;
    SongBytes song;
    song.down(0.0, 0).down(0.0, 1, 11).up(5.0, 0).up(5.0, 1);
    song.whammy[0].push_back({0.0, 0.1f, 1});
    r.load(song);
    const double t0 = r.clock.now();
    r.rec.play();
    r.passAt(t0, 0.1);
    const int a = r.voiceOf(0);
    const int b = r.voiceOf(1);
    ASSERT_NE(a, -1);
    ASSERT_NE(b, -1);
    r.rec.stop();
    EXPECT_TRUE(r.engine.voiceState(a).wantToStop);
    EXPECT_TRUE(r.engine.voiceState(b).wantToStop);
    EXPECT_TRUE(r.rec.allowingLiveWhammyChanges(0));
    EXPECT_TRUE(r.rec.addWhammyBarChangeForGuitar(0, 0.2f));
}

// A pass compares only the events that fall due and the first one that does
// not; a note-down reaches its note-up without searching for it.
TEST(Playback, APassLooksOnlyAtTheEventsThatFallDue) {
    constexpr int kNotes = 1400; // with their stops, within the event limit
    struct Case {
        const char* name;
        bool withStops;
    };
    for (const Case& c : {Case{"note-downs only", false}, Case{"note-downs and their stops", true}}) {
        SCOPED_TRACE(c.name);
        Rig r;
        SongBytes song;
        for (int id = 0; id < kNotes; ++id) {
            song.down(0.0, id);
        }
        for (int id = 0; c.withStops && id < kNotes; ++id) {
            song.up(1.0, id);
        }
        song.down(5.0, kNotes).up(6.0, kNotes);
        r.load(song);
        const double t0 = r.clock.now();
        r.rec.play();
        std::uint64_t before = r.rec.playbackComparisons();
        const auto looked = [&r, &before] {
            const std::uint64_t now = r.rec.playbackComparisons();
            const std::uint64_t n = now - before;
            before = now;
            return n;
        };
        r.passAt(t0, 0.5);
        EXPECT_EQ(looked(), kNotes + 1u);
        r.passAt(t0, 0.6);
        EXPECT_EQ(looked(), 1u);
        r.passAt(t0, 1.0);
        EXPECT_EQ(looked(), c.withStops ? kNotes + 1u : 1u);
        r.passAt(t0, 6.0);
        EXPECT_EQ(looked(), 2u);
        EXPECT_EQ(r.rec.getState(), 0);
    }
}

namespace {

// Plays the whole song in one pass and checks that the first later event with
// a note-down's identifier (its note-up) took the voice the note-down got.
// Voices are handed out in order while none is freed, so the k-th note-down
// played gets voice k.
void expectStopsTakeTheirNotesVoices(Rig& r) {
    r.engine.stopAllSoundsImmediately();
    const std::vector<Note> song = r.rec.notes();
    ASSERT_LT(song.size(), 2u * SoundEngine::kNumVoices);
    std::map<std::size_t, int> expected;
    int voice = 0;
    for (std::size_t i = 0; i < song.size(); ++i) {
        if (!song[i].keyDown()) {
            continue;
        }
        for (std::size_t j = i + 1; j < song.size(); ++j) {
            if (song[j].noteID() == song[i].noteID()) {
                expected[j] = voice;
                break;
            }
        }
        ++voice;
    }
    const double t0 = r.clock.now();
    r.rec.play();
    r.passAt(t0, 100.0);
    const std::vector<Note> played = r.rec.notes();
    ASSERT_EQ(played.size(), song.size());
    for (const auto& [at, v] : expected) {
        EXPECT_EQ(played[at].playlistNo(), v) << "event " << at << ", note " << played[at].noteID();
    }
}

} // namespace

// The note-up index follows the song through every change to its notes.
TEST(Playback, StopsFindTheirNotesAfterEveryChangeToTheSong) {
    Rig r;
    SongBytes song;
    song.currentNoteID = 10;
    // An identifier used twice, a stop of a voice from before the recording,
    // and a note without a stop.
    song.down(0.0, 1).down(0.1, 2).up(0.2, 1).up(0.25, 7).down(0.3, 1).up(0.4, 2).up(0.5, 1).down(0.6, 3);
    r.load(song);
    {
        SCOPED_TRACE("restored");
        expectStopsTakeTheirNotesVoices(r);
    }
    // Two passes recorded over it: merged between the restored events (and
    // the first merge's sanity check takes the note without a stop).
    testing::internal::CaptureStdout();
    for (int pass = 0; pass < 2; ++pass) {
        const double start = r.clock.now();
        r.rec.record();
        r.clock.set(start + 0.15 + 0.1 * pass);
        const int id = r.rec.addPlayNote(12, 1.0f, 0.0);
        r.clock.set(start + 0.45 + 0.1 * pass);
        r.rec.addStopNote(id);
        r.clock.set(start + 0.7);
        r.rec.stop();
        r.rec.runPlaybackPass();
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SANITY CHECK FAILED:  Orphaned note for noteID=3. Deleting it.\n");
    ASSERT_EQ(r.rec.getNumNotes(), 11);
    {
        SCOPED_TRACE("merged");
        expectStopsTakeTheirNotesVoices(r);
    }
    r.rec.eraseLastXNotes(1);
    ASSERT_EQ(r.rec.getNumNotes(), 9);
    {
        SCOPED_TRACE("last note erased");
        expectStopsTakeTheirNotesVoices(r);
    }
    r.rec.eraseLastOverdub(); // overdub 2, already empty of notes
    r.rec.eraseLastOverdub(); // overdub 1
    ASSERT_EQ(r.rec.getNumNotes(), 7);
    {
        SCOPED_TRACE("last overdub erased");
        expectStopsTakeTheirNotesVoices(r);
    }
}

// When the playback thread has to run a pass next, in the recorder's clock.
TEST(Playback, NextPassTimeFollowsWhatFallsDue) {
    constexpr double kNever = std::numeric_limits<double>::infinity();
    constexpr double kAtOnce = -kNever;
    Rig r;
    EXPECT_EQ(r.rec.nextPassTime(), kNever) << "idle";
    r.rec.record();
    EXPECT_EQ(r.rec.nextPassTime(), kNever) << "recording into an empty song";
    r.rec.addStopNote(r.rec.addPlayNote(10, 1.0f, 0.0));
    EXPECT_EQ(r.rec.nextPassTime(), kNever) << "a recorded note is not played";
    r.rec.stop();
    EXPECT_EQ(r.rec.nextPassTime(), kAtOnce) << "the pass must be merged";
    r.rec.runPlaybackPass();
    EXPECT_EQ(r.rec.nextPassTime(), kNever);

    SongBytes song;
    song.down(1.0, 0).up(2.0, 0);
    song.wah[0].push_back({0.5, 0.3f, 1});
    r.load(song);
    const double t0 = r.clock.now();
    r.rec.play();
    // The wah is off: its change waits, looked at again now and then.
    EXPECT_DOUBLE_EQ(r.rec.nextPassTime(), t0 + 0.5);
    r.passAt(t0, 0.5);
    EXPECT_DOUBLE_EQ(r.rec.nextPassTime(), t0 + 0.55);
    r.engine.setWahOn(0, true);
    EXPECT_DOUBLE_EQ(r.rec.nextPassTime(), t0 + 0.5) << "due now";
    r.passAt(t0, 0.51);
    EXPECT_FLOAT_EQ(r.engine.wahForGuitar(0), 0.3f);
    EXPECT_DOUBLE_EQ(r.rec.nextPassTime(), t0 + 1.0);
    r.passAt(t0, 1.0);
    EXPECT_DOUBLE_EQ(r.rec.nextPassTime(), t0 + 2.0);
    r.passAt(t0, 2.0);
    EXPECT_EQ(r.rec.getState(), 0);
    EXPECT_EQ(r.rec.nextPassTime(), kAtOnce);
    r.rec.runPlaybackPass();
    EXPECT_EQ(r.rec.nextPassTime(), kNever);

    // A strum: at once, then one gap after each string, then never.
    const int chord[6] = {2, 7, -1, -1, -1, -1};
    r.rec.setChordStrum(chord, 0, false);
    EXPECT_EQ(r.rec.nextPassTime(), kAtOnce);
    r.rec.runPlaybackPass();
    const double first = r.clock.now();
    EXPECT_DOUBLE_EQ(r.rec.nextPassTime(), first + r.rec.currentTimeBetweenStrumStrings());
    r.clock.set(r.rec.nextPassTime() + 1e-6);
    r.rec.runPlaybackPass();
    r.clock.set(r.rec.nextPassTime() + 1e-6);
    r.rec.runPlaybackPass();
    EXPECT_EQ(r.rec.currentStrumString(), -1);
    EXPECT_EQ(r.rec.nextPassTime(), kNever);
    r.rec.stopChordStrum();
    EXPECT_EQ(r.rec.nextPassTime(), kAtOnce);
}

// Wah values beyond the tilt's range (a song's first change carries the value
// of before any tilt, 0) reach the engine held to that range.
TEST(Playback, PlayedBackWahValuesStayInTheTiltsRange) {
    Rig r;
    r.rec.record();
    const int id = r.rec.addPlayNote(10, 1.0f, 0.0);
    r.clock.advance(0.5);
    r.rec.addStopNote(id);
    r.rec.stop();
    r.rec.runPlaybackPass();
    ASSERT_EQ(r.rec.wahChanges(0).size(), 1u);
    EXPECT_EQ(r.rec.wahChanges(0)[0].pitch(), 0.0f) << "recorded as it came";
    r.engine.setWahOn(0, true);
    r.engine.setWahForGuitar(0, 0.3f);
    const double t0 = r.clock.now();
    r.rec.play();
    r.passAt(t0, 0.0);
    EXPECT_EQ(r.engine.wahForGuitar(0), Recorder::kMinWah);
}

// ---- Chord strums ----

TEST(ChordStrum, SpeedSetsTheGapAndSpread) {
    Rig r;
    EXPECT_FLOAT_EQ(r.rec.chordStrumSpeed(), 0.5f);
    r.rec.setChordStrumSpeed(1.0f);
    EXPECT_FLOAT_EQ(r.rec.chordStrumSpeed(), 1.0f);
    r.rec.setChordStrumSpeed(0.0f);
    EXPECT_FLOAT_EQ(r.rec.chordStrumSpeed(), 0.0f);
    const int chord[6] = {2, 7, -1, -1, -1, -1};
    r.rec.setChordStrum(chord, 0, false);
    r.rec.runPlaybackPass();
    EXPECT_DOUBLE_EQ(r.rec.currentTimeBetweenStrumStrings(), 0.007); // no spread below 10 ms
    r.rec.setChordStrumSpeed(-3.0f);
    EXPECT_FLOAT_EQ(r.rec.chordStrumSpeed(), 0.0f);
}

TEST(ChordStrum, StringsFollowOneAnotherWithTheGap) {
    Rig r;
    std::set<int> spreads;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        r.rec.setRandomSeed(seed);
        r.engine.stopAllSoundsImmediately();
        const int chord[6] = {2, -1, 12, 17, -1, -1};
        r.rec.setChordStrum(chord, 0, false);
        r.clock.advance(1.0);
        r.rec.runPlaybackPass();
        // String 0 at once.
        EXPECT_NE(r.rec.strumPlaylistNo(0), -1);
        EXPECT_EQ(r.rec.currentStrumString(), 1);
        const double gap1 = r.rec.currentTimeBetweenStrumStrings();
        EXPECT_GE(gap1, 0.0385 - 1e-9);
        EXPECT_LT(gap1, 0.0415);
        spreads.insert(static_cast<int>(std::lround((gap1 - 0.0385) * 1000.0)));

        // Not before the gap has passed; string 1 is skipped without a gap.
        r.clock.advance(gap1 - 1e-6);
        r.rec.runPlaybackPass();
        EXPECT_EQ(r.rec.strumPlaylistNo(2), -1);
        r.clock.advance(2e-6);
        r.rec.runPlaybackPass();
        EXPECT_NE(r.rec.strumPlaylistNo(2), -1);
        EXPECT_EQ(r.rec.strumPlaylistNo(1), -1);
        EXPECT_EQ(r.rec.currentStrumString(), 3);

        const double gap2 = r.rec.currentTimeBetweenStrumStrings();
        r.clock.advance(gap2 + 1e-6);
        r.rec.runPlaybackPass();
        EXPECT_NE(r.rec.strumPlaylistNo(3), -1);
        EXPECT_EQ(r.rec.currentStrumString(), 4);
        // One gap more and the strum is over; its voices sound on.
        r.clock.advance(r.rec.currentTimeBetweenStrumStrings() + 1e-6);
        r.rec.runPlaybackPass();
        EXPECT_EQ(r.rec.currentStrumString(), -1);
        EXPECT_NE(r.rec.strumPlaylistNo(3), -1);
    }
    // The spread is 0, 1 or 2 ms, and it does vary.
    for (int s : spreads) {
        EXPECT_GE(s, 0);
        EXPECT_LE(s, 2);
    }
    EXPECT_GT(spreads.size(), 1u);
}

TEST(ChordStrum, MuteWhenOverReleasesAtTheLastString) {
    Rig r;
    const int chord[6] = {-1, -1, -1, -1, -1, 26};
    r.rec.setChordStrum(chord, 1, true);
    r.clock.advance(0.5);
    r.rec.runPlaybackPass();
    // String 5 sounds and, the strum being over, is released in the same pass.
    const int v = r.voiceOf(-1);
    ASSERT_NE(v, -1);
    EXPECT_EQ(r.engine.voiceState(v).sampleNo, 48 + 26);
    EXPECT_TRUE(r.engine.voiceState(v).wantToStop);
    EXPECT_EQ(r.rec.strumPlaylistNo(5), -1);
    EXPECT_EQ(r.rec.currentStrumString(), -1);

    // A chord ending before string 5 is released one gap after its last string.
    const int early[6] = {2, -1, -1, -1, -1, -1};
    r.engine.stopAllSoundsImmediately();
    r.rec.setChordStrum(early, 0, true);
    r.clock.advance(0.5);
    r.rec.runPlaybackPass();
    const int w = r.rec.strumPlaylistNo(0);
    ASSERT_NE(w, -1);
    EXPECT_FALSE(r.engine.voiceState(w).wantToStop);
    r.clock.advance(r.rec.currentTimeBetweenStrumStrings() + 1e-6);
    r.rec.runPlaybackPass();
    EXPECT_TRUE(r.engine.voiceState(w).wantToStop);
    EXPECT_EQ(r.rec.currentStrumString(), -1);
}

TEST(ChordStrum, ANewChordStopsTheOldOneAndIsRecorded) {
    Rig r;
    r.rec.record();
    const int first[6] = {2, 7, 12, 17, 21, 26};
    r.rec.setChordStrum(first, 0, false);
    r.clock.advance(0.1);
    r.rec.runPlaybackPass();
    r.clock.advance(0.1);
    r.rec.runPlaybackPass();
    const int a = r.rec.strumPlaylistNo(0);
    const int b = r.rec.strumPlaylistNo(1);
    ASSERT_NE(a, -1);
    ASSERT_NE(b, -1);
    EXPECT_EQ(r.rec.currentStrumString(), 2);

    const int second[6] = {-1, 10, -1, -1, -1, -1};
    r.rec.setChordStrum(second, 0, false);
    r.clock.advance(0.001);
    r.rec.runPlaybackPass();
    EXPECT_TRUE(r.engine.voiceState(a).wantToStop);
    EXPECT_TRUE(r.engine.voiceState(b).wantToStop);
    EXPECT_EQ(r.rec.strumPlaylistNo(0), -1);
    const int c = r.rec.strumPlaylistNo(1);
    ASSERT_NE(c, -1);
    EXPECT_EQ(r.engine.voiceState(c).sampleNo, 10);

    // Strummed notes are recorded like played ones, their stops too.
    const auto pending = r.rec.currentOverdubNotesToAdd();
    ASSERT_EQ(pending.size(), 5u);
    EXPECT_TRUE(pending[0].keyDown());
    EXPECT_EQ(pending[0].sampleNo(), 2);
    EXPECT_TRUE(pending[1].keyDown());
    EXPECT_EQ(pending[1].sampleNo(), 7);
    EXPECT_FALSE(pending[2].keyDown());
    EXPECT_EQ(pending[2].noteID(), pending[0].noteID());
    EXPECT_FALSE(pending[3].keyDown());
    EXPECT_EQ(pending[3].noteID(), pending[1].noteID());
    EXPECT_TRUE(pending[4].keyDown());
    EXPECT_EQ(pending[4].sampleNo(), 10);

    r.rec.stopChordStrum();
    r.rec.runPlaybackPass();
    EXPECT_TRUE(r.engine.voiceState(c).wantToStop);
    EXPECT_EQ(r.rec.currentStrumString(), -1);
    EXPECT_EQ(r.rec.currentOverdubNotesToAdd().size(), 6u);
}

// A lift (stop) and a new pluck (chord) that reach the playback thread in the
// same pass: the old chord stops, the new one strums on to its last string.
TEST(ChordStrum, AStopStillPendingDoesNotCutOffTheNextChord) {
    Rig r;
    const int first[6] = {2, 7, 12, 17, 21, 26};
    r.rec.setChordStrum(first, 0, false);
    r.clock.advance(0.1);
    r.rec.runPlaybackPass();
    const int a = r.rec.strumPlaylistNo(0);
    ASSERT_NE(a, -1);

    r.rec.stopChordStrum();
    const int second[6] = {2, 7, 12, 17, 21, 26};
    r.rec.setChordStrum(second, 0, false);
    r.clock.advance(0.001);
    r.rec.runPlaybackPass();
    EXPECT_TRUE(r.engine.voiceState(a).wantToStop);
    EXPECT_EQ(r.rec.currentStrumString(), 1) << "the new chord's first string sounded and the strum goes on";
    for (int i = 0; i < 10; ++i) {
        r.clock.advance(0.1);
        r.rec.runPlaybackPass();
    }
    for (int s = 0; s < 6; ++s)
        EXPECT_NE(r.rec.strumPlaylistNo(s), -1) << s;
}
