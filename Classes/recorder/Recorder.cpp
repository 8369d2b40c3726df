#include "recorder/Recorder.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "audio/SoundEngine.h"
#include "audio/SoundEngineParent.h"
#include "recorder/RecorderInternals.h"

// The recorder's state, recording and read access. The playback pass, the
// edits and the save buffer live in RecorderPlayback.cpp,
// RecorderEditing.cpp and RecorderSaveBuffer.cpp.

using namespace recorder_internals;

namespace {

constexpr std::size_t kInitialListCapacity = 1000;

} // namespace

Recorder::Recorder(SoundEngineParent* parent, SoundEngine* engine, const Clock& clock,
                   bool startPlaybackThread)
    : parent_(parent), soundEngine_(engine), clock_(clock) {
    notes_.reserve(kInitialListCapacity);
    pitchBends_.reserve(kInitialListCapacity);
    currentOverdubNotesToAdd_.reserve(kInitialListCapacity);
    currentPitchBendsToAdd_.reserve(kInitialListCapacity);
    whammy_.reserve(kInitialListCapacity);
    wah_.reserve(kInitialListCapacity);
    setChordStrumSpeed(0.5f);
    currentStrumString_ = -1;
    std::fill(std::begin(strumPlaylistNo_), std::end(strumPlaylistNo_), -1);
    lastStrumStringTime_ = clock_.now();
    songVoiceNoteIDs_.assign(SoundEngine::kNumVoices, -1);
    if (soundEngine_ != nullptr) {
        soundEngine_->metronome().setOn(clickOn_);
        soundEngine_->metronome().setVolume(clickVolume_);
    }
    if (startPlaybackThread) {
        thread_ = std::thread(&Recorder::playbackThread, this);
    }
}

Recorder::~Recorder() {
    {
        Lock lock(mutex_);
        quit_ = true;
        wake_.notify_all();
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

// ---------------------------------------------------------------- state

int Recorder::getState() {
    Lock lock(mutex_);
    if (recording_ || countingIn_) {
        return 2;
    }
    return playing_ ? 1 : 0;
}

int Recorder::getNumNotes() const {
    Lock lock(mutex_);
    return numNotes_;
}

int Recorder::pendingAndSongEvents() const {
    return numNotes_ + static_cast<int>(currentOverdubNotesToAdd_.size());
}

void Recorder::record() {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    mergeFinishedPassLocked();
    const double now = clock_.now();
    const double from = loopActiveLocked() ? loopA_ : 0.0;
    if (!countInLocked(now, from)) {
        startPlaybackLocked(now, from, true);
    }
}

void Recorder::rewindPlaybackLocked() {
    // Back to the start of every list. A guitar whose song has recorded
    // whammy or wah movements follows them; live movements wait until then.
    currentNoteNo_ = 0;
    currentPitchBendNo_ = 0;
    whammy_.rewind();
    wah_.rewind();
    if (soundEngine_ != nullptr) {
        soundEngine_->setWhammyForGuitar(0, 0.0f);
        soundEngine_->setWhammyForGuitar(1, 0.0f);
    }
}

void Recorder::stop() {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    stopLocked();
}

void Recorder::stopLocked() {
    if (playing_) {
        stoppedAt_ = inLoopLocked(songTimeAtLocked(clock_.now()));
    }
    countingIn_ = false;
    playing_ = false;
    wasPlaying_ = true;
    wasRecording_ = recording_;
    recording_ = false;
    if (soundEngine_ != nullptr) {
        soundEngine_->stopAllSounds();
    }
    whammy_.allowLiveChanges();
    wah_.allowLiveChanges();
    updateClickLocked(clock_.now());
}

void Recorder::play() {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    mergeFinishedPassLocked();
    if (numNotes_ <= 0) {
        return;
    }
    recording_ = false;
    startPlaybackLocked(clock_.now(), loopActiveLocked() ? loopA_ : 0.0, false);
}

void Recorder::resetState() {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    mergeFinishedPassLocked();
    currentNoteID_ = 0;
    eraseWholeSongLocked();
}

// ------------------------------------------------------------ recording

int Recorder::addPlayNote(int sampleNo, float volume, double releaseDelta) {
    Lock lock(mutex_);
    return addPlayNoteLocked(sampleNo, volume, releaseDelta);
}

int Recorder::addPlayNoteLocked(int sampleNo, float volume, double releaseDelta) {
    if (!recording_) {
        return -1;
    }
    if (pendingAndSongEvents() > kMaxEvents - 1) {
        return -1;
    }
    const double now = clock_.now();
    if (numNotes_ == 0 && currentOverdubNotesToAdd_.empty()) {
        // The first note of a new song: the song starts here, with the pedal
        // and bar where they are now, whatever was waited or moved before;
        // unless it was counted in or played into the loop, where it keeps
        // its place against the beat.
        if (!countedIn_ && !loopActiveLocked()) {
            recordOrigin_ = recordTimeLocked(now) + recordOrigin_;
        }
        wah_.startSong(currentOverdubNo_, SampleBank::guitarOfSlot(sampleNo));
        whammy_.startSong(currentOverdubNo_, SampleBank::guitarOfSlot(sampleNo));
    }
    const double time = recordTimeLocked(now);
    // Identifiers go up from 0. A damaged file may have left the counter
    // negative (where -1 would read as "not recorded") or at the top of the
    // range (where adding 1 would overflow); both start again at 0.
    const int noteID = currentNoteID_ < 0 ? 0 : currentNoteID_;
    currentNoteID_ = noteID == std::numeric_limits<int>::max() ? 0 : noteID + 1;
    currentOverdubNotesToAdd_.emplace_back(sampleNo, volume, time, currentOverdubNo_, noteID, releaseDelta,
                                           now);
    return noteID;
}

void Recorder::addStopNote(int noteID) {
    Lock lock(mutex_);
    addStopNoteLocked(noteID);
}

void Recorder::addStopNoteLocked(int noteID) {
    if (!recording_ || pendingAndSongEvents() > kMaxEvents - 1) {
        return;
    }
    const double now = clock_.now();
    double time = recordTimeLocked(now);
    if (loopActiveLocked()) {
        // A note held over the loop's end ends there rather than before its start.
        for (auto n = currentOverdubNotesToAdd_.rbegin(); n != currentOverdubNotesToAdd_.rend(); ++n) {
            if (n->noteID() == noteID) {
                if (n->keyDown() && time < n->time()) {
                    time = std::max(n->time(), std::nextafter(loopB_ - recordOrigin_, 0.0));
                }
                break;
            }
        }
    }
    currentOverdubNotesToAdd_.emplace_back(time, noteID, now);
}

void Recorder::addPitchChange(int noteID, float pitch) {
    Lock lock(mutex_);
    if (!recording_) {
        return;
    }
    currentPitchBendsToAdd_.emplace_back(recordTimeLocked(clock_.now()), noteID, pitch, currentOverdubNo_);
}

template <class Change>
bool Recorder::addControlChangeLocked(ChangeList<Change>& list, int guitar, float value) {
    if (!validGuitar(guitar)) {
        return false;
    }
    list.heldBy(guitar);
    if (recording_ && list.takeNewValue(value) && list.allowingLive(guitar)) {
        list.addToPass(recordTimeLocked(clock_.now()), value, currentOverdubNo_);
    }
    return !playing_ || list.allowingLive(guitar);
}

bool Recorder::addWhammyBarChangeForGuitar(int guitar, float pitch) {
    Lock lock(mutex_);
    return addControlChangeLocked(whammy_, guitar, pitch);
}

bool Recorder::addWahChangeForGuitar(int guitar, float pitch) {
    Lock lock(mutex_);
    return addControlChangeLocked(wah_, guitar, pitch);
}

void Recorder::addOverdubNotes() {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    addOverdubNotesLocked();
}

void Recorder::mergeFinishedPassLocked() {
    if (!playing_ && wasPlaying_) {
        wasPlaying_ = false;
        addOverdubNotesLocked();
    }
}

void Recorder::addOverdubNotesLocked() {
    if (!wasRecording_) {
        return;
    }
    wasRecording_ = false;

    notes_.insert(notes_.end(), currentOverdubNotesToAdd_.begin(), currentOverdubNotesToAdd_.end());
    currentOverdubNotesToAdd_.clear();
    sortByTime(notes_);
    notesChangedLocked();

    pitchBends_.insert(pitchBends_.end(), currentPitchBendsToAdd_.begin(), currentPitchBendsToAdd_.end());
    currentPitchBendsToAdd_.clear();
    sortByTime(pitchBends_);

    whammy_.mergePass();
    wah_.mergePass();

    sanityCheckLocked();
}

// ------------------------------------------------------------ test hooks

std::uint64_t Recorder::playbackComparisons() const {
    return copyLocked(comparisons_);
}
std::uint64_t Recorder::playbackThreadPasses() const {
    return copyLocked(threadPasses_);
}
bool Recorder::playbackThreadParked() const {
    return copyLocked(threadParked_);
}

void Recorder::setRestoredEventLimit(int limit) {
    Lock lock(mutex_);
    restoredEventLimit_ = std::max(limit, 0);
}

// ------------------------------------------------------------ read access

std::vector<Note> Recorder::notes() const {
    return copyLocked(notes_);
}
std::vector<PitchChange> Recorder::pitchBends() const {
    return copyLocked(pitchBends_);
}
std::vector<WhammyBarChange> Recorder::whammyBarChanges(int guitar) const {
    return validGuitar(guitar) ? copyLocked(whammy_.song(guitar)) : std::vector<WhammyBarChange>{};
}
std::vector<WahChange> Recorder::wahChanges(int guitar) const {
    return validGuitar(guitar) ? copyLocked(wah_.song(guitar)) : std::vector<WahChange>{};
}
std::vector<Note> Recorder::currentOverdubNotesToAdd() const {
    return copyLocked(currentOverdubNotesToAdd_);
}
std::vector<PitchChange> Recorder::currentPitchBendsToAdd() const {
    return copyLocked(currentPitchBendsToAdd_);
}
std::vector<WhammyBarChange> Recorder::whammyBarChangesToAdd(int guitar) const {
    return validGuitar(guitar) ? copyLocked(whammy_.pass(guitar)) : std::vector<WhammyBarChange>{};
}
std::vector<WahChange> Recorder::wahChangesToAdd(int guitar) const {
    return validGuitar(guitar) ? copyLocked(wah_.pass(guitar)) : std::vector<WahChange>{};
}
int Recorder::currentNoteID() const {
    return copyLocked(currentNoteID_);
}
int Recorder::currentOverdubNo() const {
    return copyLocked(currentOverdubNo_);
}
float Recorder::mostRecentWhammyBarValue() const {
    Lock lock(mutex_);
    return whammy_.mostRecentValue();
}
float Recorder::mostRecentWahValue() const {
    Lock lock(mutex_);
    return wah_.mostRecentValue();
}
bool Recorder::allowingLiveWhammyChanges(int guitar) const {
    Lock lock(mutex_);
    return validGuitar(guitar) && whammy_.allowingLive(guitar);
}
bool Recorder::allowingLiveWahChanges(int guitar) const {
    Lock lock(mutex_);
    return validGuitar(guitar) && wah_.allowingLive(guitar);
}
int Recorder::currentStrumString() const {
    return copyLocked(currentStrumString_);
}
int Recorder::strumPlaylistNo(int string) const {
    Lock lock(mutex_);
    return string >= 0 && string < 6 ? strumPlaylistNo_[string] : -1;
}
double Recorder::currentTimeBetweenStrumStrings() const {
    return copyLocked(currentTimeBetweenStrumStrings_);
}
