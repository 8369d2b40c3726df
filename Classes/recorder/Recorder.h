#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "recorder/ChangeList.h"
#include "recorder/Practice.h"
#include "recorder/Transport.h"
#include "song/Song.h"
#include "song/SongTiming.h"
#include "system/Clock.h"

class SoundEngine;
class SoundEngineParent;
class SongOptions;

// The current song as time-sorted event lists, recording in overdubs, the
// playback thread (which also times chord strums), the song edits, and the
// song taken and given as a plain Song.
//
// Threads and locking. The recorder is used by the UI thread (the performer's
// notes, bends and tilt readings, record/stop/play, the edits, files) and by
// its own playback thread (the merge, playback and chord strums). One mutex
// guards all of its state; every public operation and every playback pass
// holds it for its whole length. The pass calls the engine while holding it
// (and records the strummed strings itself); the engine never calls the
// recorder, so the lock is never taken twice and the only order is recorder,
// then engine. The render thread never calls the recorder.
//
// The playback thread sleeps on a condition variable. It runs a pass when an
// operation changes what it has to do (record, stop, play, a strum, a load,
// an edit) and, while playing or strumming, at the time the next event or
// string falls due; with nothing to play or strum it waits without a timeout.
//
// Practice (see Practice.h): playback runs in song time, which advances at
// the speed from an anchor (a clock time and the song time it stands for)
// that every start, speed change and pass of the loop sets again. Recorded
// events are stored at the song time they were played over.
class Recorder : public Transport, public Practice {
public:
    // Most events `notes` and the pass being recorded may hold together.
    static constexpr int kMaxEvents = SongEvents::kMaxEvents;
    // The range of wah coefficients the tilt produces; played-back and
    // loaded wah values are held to it (see SongEvents).
    static constexpr float kMinWah = SongEvents::kMinWah;
    static constexpr float kMaxWah = SongEvents::kMaxWah;

    // UI thread. `parent` (may be null: then nobody is told of a song's end
    // and merged whammy/wah changes go to guitar 0) and `engine` (may be null
    // for tests of the song model alone) are not owned and must outlive the
    // recorder. With startPlaybackThread the playback thread starts at once and
    // runs a pass every millisecond until the recorder is destroyed; without
    // it, the owner drives the passes with runPlaybackPass().
    Recorder(SoundEngineParent* parent, SoundEngine* engine, const Clock& clock = SystemClock::shared(),
             bool startPlaybackThread = true);
    // UI thread. Stops and joins the playback thread.
    ~Recorder() override;

    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // ---- State ----

    // Any thread. 2 recording (the song also plays) or counting in before
    // recording (so that the record light is on), 1 playing, 0 idle.
    int getState() override;
    // Any thread. Number of events in the song (a complete note counts twice).
    int getNumNotes() const override;

    // UI thread. Starts a recording pass (a new overdub) over the song, which
    // plays back meanwhile, from the loop's start when the loop is on, else
    // from the song's start. With the click on and a tempo, first counts in
    // (countInBeatsLeft()): the pass and the playback start once the beats
    // before the start point (one bar) have clicked; notes played during the
    // count-in are not recorded. Called by the screens only when the state is 0.
    void record() override;
    // UI thread (and the playback thread at a song's end). Ends playing and
    // recording; the playback thread merges the pass within a pass or so, and
    // any operation that reads or changes the song merges it first.
    void stop() override;
    // UI thread. Plays the song from its start (the loop's start when the loop
    // is on); nothing when it is empty.
    void play() override;
    // UI thread. currentNoteID 0 and the whole song erased.
    void resetState();

    // ---- Practice (see Practice.h; setters UI thread, getters any thread) ----

    double songPosition() const override;
    double songLength() const override;
    void setLoop(double a, double b) override;
    double loopStart() const override;
    double loopEnd() const override;
    void setLoopOn(bool on) override;
    bool loopOn() const override;
    int loopPasses() const override;
    void setSpeedPercent(int percent) override;
    int speedPercent() const override;
    void setTrainer(bool on, int targetPercent) override;
    bool trainerOn() const override;
    int trainerTarget() const override;
    void setClickOn(bool on) override;
    bool clickOn() const override;
    void setClickVolume(float volume) override;
    float clickVolume() const override;
    int countInBeatsLeft() const override;
    // UI thread. The song's beat comes from `options` (not owned; null: no
    // tempo, so no click and no count-in).
    void setSongOptions(SongOptions* options);
    // UI thread (the offline renderer). Playback stops by itself once the loop
    // has been passed this many times (0: never).
    void setStopAfterPasses(int passes);

    // ---- Recording (called by the performer) ----

    // UI or playback thread (through the performer). The new note's identifier,
    // or -1 when nothing is recorded (not recording, or the event limit).
    int addPlayNote(int sampleNo, float volume, double releaseDelta);
    // UI or playback thread (through the performer). Records a note-up.
    void addStopNote(int noteID);
    // UI or playback thread (through the performer). Records a bend target.
    void addPitchChange(int noteID, float pitch);
    // UI thread (tilt readings, through the performer). Records a changed value
    // for the guitar the reading was for (the pass keeps it with that guitar
    // until it is merged) and answers whether the live value may act on the sound.
    bool addWhammyBarChangeForGuitar(int guitar, float pitch);
    bool addWahChangeForGuitar(int guitar, float pitch);

    // Playback thread (or whoever drives the passes). Merges the finished pass
    // into the song (each tilt change into its guitar's list), sorts every
    // list and runs the sanity check.
    void addOverdubNotes();

    // ---- Playback and chord strums ----

    // Playback thread, or any one thread driving passes when the recorder was
    // made without a thread (tests, the offline renderer). One pass: chord
    // strum, merge after a stop, then every song event that has fallen due.
    // A pass looks only at the events that fall due (and the one after them
    // in each list); a note-down finds its note-up through an index kept with
    // the song.
    void runPlaybackPass();
    // Any thread. The recorder clock's time at which a pass has something to
    // do next without being asked: -infinity for at once, +infinity for never
    // (idle, or recording with nothing left to play and no strum running).
    double nextPassTime() const;

    // UI thread (through the performer). Six note numbers within the guitar's
    // patch, string 0 first, -1 for a string not played; strummed by the
    // playback thread from its next pass.
    void setChordStrum(const int* chord, int guitar, bool muteWhenStrumOver);
    // UI thread. Releases the chord's voices at the next pass.
    void stopChordStrum();
    // UI thread. Speed 0 to 1: the gap between strings goes from 7 to 70 ms.
    void setChordStrumSpeed(float speed);
    // Any thread.
    float chordStrumSpeed() const;
    // UI thread (tests). Seeds the spread of the strum gaps.
    void setRandomSeed(unsigned seed);

    // ---- Editing (the recorder screen) ----

    // UI thread. Erases the most recently played note(s), with their bends.
    void eraseLastXNotes(int count);
    // UI thread. Erases the last pass; lowers the overdub number.
    void eraseLastOverdub();
    // UI thread. Empties one guitar's wah / whammy list.
    void eraseAllWahChanges(int guitar);
    void eraseAllWhammyBarChanges(int guitar);
    // UI thread. Empties the song (not a pass being recorded).
    void eraseWholeSong();
    // Playback thread (inside the merge); UI thread in tests. Removes notes
    // with sample number -1 and note-downs without a later event of theirs.
    void sanityCheck();
    // Any thread. Sample number of the first note-down with that identifier,
    // in the pass being recorded and then the song; -1 when none.
    int getSampleNoForNoteID(int noteID) const;

    // ---- The song as a value ----

    // UI thread. The song's events (merging a stopped pass first); the tab,
    // the engine settings and the version are the caller's to fill in.
    Song snapshot();
    // UI thread. How many note events a load keeps now: the limit less the
    // pass being recorded. A file read with this limit loads whole.
    int loadRoom() const;
    // UI thread. Replaces the song by the Song's events; a Song without
    // events (a file whose recorder section no reader knows) changes
    // nothing. Keeps the first loadRoom() note events, dropping the
    // note-downs whose note-up was cut off (SongEvents::keepFirstNoteEvents),
    // and holds wah values to kMinWah ... kMaxWah. Notes come back with the
    // current overdub (0) and the load time as `created`.
    void load(const Song& song);
    // Any thread. How many of the file's note events the last load left
    // out to keep to the limit (0 when it kept them all): a song of 3,100
    // events answers 100, and the user should be told that only the first
    // kMaxEvents play.
    int eventsLeftOutOnLoad() const;

    // ---- Read access (the dump tool, the tests) ----
    // Any thread. Copies taken under the lock.

    std::vector<Note> notes() const;
    std::vector<PitchChange> pitchBends() const;
    std::vector<WhammyBarChange> whammyBarChanges(int guitar) const;
    std::vector<WahChange> wahChanges(int guitar) const;
    std::vector<Note> currentOverdubNotesToAdd() const;
    std::vector<PitchChange> currentPitchBendsToAdd() const;
    std::vector<WhammyBarChange> whammyBarChangesToAdd(int guitar) const;
    std::vector<WahChange> wahChangesToAdd(int guitar) const;
    int currentNoteID() const;
    int currentOverdubNo() const;
    float mostRecentWhammyBarValue() const;
    float mostRecentWahValue() const;
    bool allowingLiveWhammyChanges(int guitar) const;
    bool allowingLiveWahChanges(int guitar) const;
    // -1 when no strum runs, else the next string to consider.
    int currentStrumString() const;
    int strumPlaylistNo(int string) const;
    // The gap before the next string of the strum, seconds.
    double currentTimeBetweenStrumStrings() const;

    // ---- Test and benchmark hooks ----

    // Any thread. Comparisons of a song event with the elapsed time that the
    // playback passes have made since the recorder was made, every list
    // counted. A note's stop is reached through the index, not compared.
    std::uint64_t playbackComparisons() const;
    // Any thread. Passes the playback thread has run, and whether it is now
    // waiting with no timeout (only an operation can wake it).
    std::uint64_t playbackThreadPasses() const;
    bool playbackThreadParked() const;
    // UI thread, benchmarks only. How many note events a load keeps
    // (kMaxEvents unless changed), to time passes over larger songs.
    void setRestoredEventLimit(int limit);

private:
    void playbackThread();
    void stopLocked();
    void rewindPlaybackLocked();
    void eraseWholeSongLocked();
    void addOverdubNotesLocked();
    void sanityCheckLocked();
    // Merges a pass that stop() ended and the playback thread has not merged yet.
    void mergeFinishedPassLocked();
    void strumStep(double now);
    // Plays and records one string of the strum; the voice or -1.
    int playStrumString(int string, int sampleNo);
    int addPlayNoteLocked(int sampleNo, float volume, double releaseDelta);
    void addStopNoteLocked(int noteID);
    int loadRoomLocked() const;
    void playSongEvents(double now);
    // Plays every event of every list due by `limit` song seconds (before
    // it, unless `inclusive`).
    void playEventsUpTo(double limit, bool inclusive);
    // Practice (RecorderPractice.cpp).
    double songTimeAtLocked(double now) const;
    // The clock time at which the song reaches `songTime` at the current anchor.
    double realTimeOfLocked(double songTime) const;
    bool loopActiveLocked() const;
    // A song time past the loop's end taken back into it.
    double inLoopLocked(double songTime) const;
    // The time a recorded event is stored at.
    double recordTimeLocked(double now) const;
    // Starts playing (and recording) at clock time `real` from song time `from`.
    void startPlaybackLocked(double real, double from, bool recording);
    // Every list to its first event at or after `songTime`; releases the
    // voices the song started.
    void seekLocked(double songTime);
    void releaseSongVoicesLocked();
    // The song reached the loop's end: back to its start, or a stop.
    void wrapLoopLocked();
    // Runs the click on the current anchor's beat, or stops it.
    void updateClickLocked(double now);
    // With the click on and a tempo: the count-in before recording from
    // song time `from` starts (the anchor then lies at its end). False else.
    bool countInLocked(double now, double from);
    SongTiming songTimingLocked() const;
    void runPlaybackPassLocked();
    double nextPassTimeLocked(double now) const;
    // Wakes the playback thread for a pass (once the caller lets the lock go).
    void wakePlaybackThreadLocked();
    // After any change to `notes`: numNotes and the note-up index follow it.
    void notesChangedLocked();
    int pendingAndSongEvents() const;
    // Records a whammy or wah movement; see addWahChangeForGuitar.
    template <class Change> bool addControlChangeLocked(ChangeList<Change>& list, int guitar, float value);
    // Runs edit() under the lock once a finished pass is merged, and wakes the
    // playback thread to look at the result.
    template <class Edit> void editSong(const Edit& edit);
    // A copy of one member, taken under the lock.
    template <class T> T copyLocked(const T& value) const;
    // Stops every voice the strum started.
    void releaseStrumVoicesLocked();

    SoundEngineParent* parent_;
    SoundEngine* soundEngine_;
    const Clock& clock_;

    mutable std::mutex mutex_;

    // The song.
    std::vector<Note> notes_;
    std::vector<PitchChange> pitchBends_;
    // The whammy bar and wah pedal movements of both guitars, each with the
    // changes of the pass being recorded and its playback positions.
    ChangeList<WhammyBarChange> whammy_;
    ChangeList<WahChange> wah_;

    // The pass being recorded.
    std::vector<Note> currentOverdubNotesToAdd_;
    std::vector<PitchChange> currentPitchBendsToAdd_;

    // For each event of `notes`, the position of the first later event with
    // the same identifier (a note-down's note-up), -1 when none.
    std::vector<int> noteUpIndex_;

    // Playback positions.
    int numNotes_ = 0;
    int currentNoteNo_ = 0;
    int currentPitchBendNo_ = 0;

    bool recording_ = false;
    bool playing_ = false;
    // The anchor: at clock time playbackStartTimeStamp_ the song stood at
    // playbackStartSongTime_, and it advances at speed_ from there.
    double playbackStartTimeStamp_ = 0.0;
    double playbackStartSongTime_ = 0.0;
    int currentNoteID_ = 0;
    int currentOverdubNo_ = 0;
    bool wasRecording_ = false;
    bool wasPlaying_ = false;

    // Chord strum.
    int currentChordStrum_[6] = {-1, -1, -1, -1, -1, -1};
    int strumPlaylistNo_[6] = {-1, -1, -1, -1, -1, -1};
    int requestedChordStrum_[6] = {-1, -1, -1, -1, -1, -1};
    bool wantANewStrum_ = false;
    bool stopStrumNotes_ = false;
    bool muteWhenStrumOver_ = false;
    double averageTimeBetweenStrumStrings_ = 0.0;
    double currentTimeBetweenStrumStrings_ = 0.0;
    int humanizeTimingAmount_ = 0;
    double lastStrumStringTime_ = 0.0;
    int currentStrumString_ = -1;
    int strumGuitar_ = 0;
    std::minstd_rand random_{1};

    // Practice.
    SongOptions* songOptions_ = nullptr;
    int speedPercent_ = 100;
    double speed_ = 1.0;
    double loopA_ = 0.0;
    double loopB_ = 0.0;
    bool loopOn_ = false;
    int loopPasses_ = 0;
    int stopAfterPasses_ = 0;
    bool trainerOn_ = false;
    int trainerTarget_ = 100;
    bool clickOn_ = false;
    float clickVolume_ = 0.7f;
    bool countingIn_ = false;
    // The pass started after a count-in (its first note keeps its song time).
    bool countedIn_ = false;
    double stoppedAt_ = 0.0;
    // Song time of the new song's first note, which becomes its time 0.
    double recordOrigin_ = 0.0;
    // For each voice, the identifier of the song's note it was started for
    // (-1: none), so that a pass of the loop releases only the song's voices.
    std::vector<int> songVoiceNoteIDs_;

    int restoredEventLimit_ = kMaxEvents;
    int eventsLeftOutOnLoad_ = 0;

    // The playback thread's sleep; all guarded by mutex_.
    std::condition_variable wake_;
    bool wakeRequested_ = false;
    bool quit_ = false;
    bool threadParked_ = false;
    std::uint64_t threadPasses_ = 0;
    std::uint64_t comparisons_ = 0;
    std::thread thread_;
};
