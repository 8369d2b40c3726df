#include "recorder/Recorder.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "audio/SoundEngine.h"
#include "audio/SoundEngineParent.h"
#include "core/StrumwellFailure.h"
#include "platform/core/MainThreadQueue.h"
#include "recorder/TimeCompare.h"

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

constexpr std::size_t kInitialListCapacity = 1000;

constexpr double kNever = std::numeric_limits<double>::infinity();
constexpr double kAtOnce = -std::numeric_limits<double>::infinity();
// A pass that found nothing it was woken for (an event whose time rounds to
// just after the wake) tries again this much later.
constexpr double kRetryWait = 0.001;
// A list whose effect is switched off holds its due changes until the effect
// is on again; the thread looks again this often while that lasts.
constexpr double kSwitchedOffRecheck = 0.05;
// The longest single wait with a timeout (for an event far ahead).
constexpr double kLongestWait = 60.0;

// The wah value a played-back or restored change hands to the engine: the
// tilt's range; a value that is not a number leaves the pedal open.
float heldWah(float value) {
    if (std::isnan(value)) {
        return Recorder::kMaxWah;
    }
    return std::clamp(value, Recorder::kMinWah, Recorder::kMaxWah);
}

// Sizes of the saved records, in bytes.
constexpr std::int64_t kHeaderSize = 28;
constexpr std::int64_t kHeaderSizeVersion0 = 8;
constexpr std::int64_t kNoteRecordSize = 26;
constexpr std::int64_t kPitchRecordSize = 20;
constexpr std::int64_t kChangeRecordSize = 16;
// A version-1 buffer is this much shorter than its records.
constexpr std::int64_t kVersion1Shortfall = 8;

int clampGuitar(int guitar) {
    return guitar == 1 ? 1 : 0;
}
bool validGuitar(int guitar) {
    return guitar == 0 || guitar == 1;
}

// Little-endian writer into a byte vector.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void u8(std::uint8_t v) { out_.push_back(v); }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    }
    void u64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) {
            out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void f32(float v) { u32(std::bit_cast<std::uint32_t>(v)); }
    void f64(double v) { u64(std::bit_cast<std::uint64_t>(v)); }

private:
    std::vector<std::uint8_t>& out_;
};

// Little-endian reader over [data, data + size). A byte at or past `size`
// reads as 0 and is never touched: the short version-1 layout relies on it.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    void seek(std::int64_t offset) { pos_ = offset; }

    std::uint8_t u8() {
        const std::int64_t at = pos_++;
        if (at < 0 || data_ == nullptr || static_cast<std::uint64_t>(at) >= size_) {
            return 0;
        }
        return data_[at];
    }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            v |= static_cast<std::uint32_t>(u8()) << (8 * i);
        }
        return v;
    }
    std::uint64_t u64() {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) {
            v |= static_cast<std::uint64_t>(u8()) << (8 * i);
        }
        return v;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    float f32() { return std::bit_cast<float>(u32()); }
    double f64() { return std::bit_cast<double>(u64()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::int64_t pos_ = 0;
};

void writeNote(ByteWriter& w, const Note& n) {
    w.u8(n.keyDown() ? 1 : 0);
    // Only the low 8 bits of the sample number are kept; every sample a note
    // can play lies below 128, and -1 survives as 0xFF.
    w.u8(static_cast<std::uint8_t>(n.sampleNo() & 0xFF));
    w.f64(n.time());
    w.i32(n.noteID());
    w.f32(n.volume());
    w.f64(n.releaseDelta());
}

template <class Change> void writeChange(ByteWriter& w, const Change& c) {
    w.f64(c.time());
    w.f32(c.pitch());
    w.i32(c.overdubNo());
}

template <class Change>
void printChanges(std::FILE* out, const char* format, const std::vector<Change>& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::fprintf(out, format, static_cast<int>(i), list[i].time(), static_cast<double>(list[i].pitch()),
                     list[i].overdubNo());
    }
}

} // namespace

Recorder::Recorder(SoundEngineParent* parent, SoundEngine* engine, const Clock& clock,
                   bool startPlaybackThread)
    : parent_(parent), soundEngine_(engine), clock_(clock) {
    notes_.reserve(kInitialListCapacity);
    pitchBends_.reserve(kInitialListCapacity);
    currentOverdubNotesToAdd_.reserve(kInitialListCapacity);
    currentPitchBendsToAdd_.reserve(kInitialListCapacity);
    whammyBarChangesToAdd_.reserve(kInitialListCapacity);
    wahChangesToAdd_.reserve(kInitialListCapacity);
    for (int g = 0; g < 2; ++g) {
        whammyBarChanges_[g].reserve(kInitialListCapacity);
        wahChanges_[g].reserve(kInitialListCapacity);
    }
    setChordStrumSpeed(0.5f);
    currentStrumString_ = -1;
    std::fill(std::begin(strumPlaylistNo_), std::end(strumPlaylistNo_), -1);
    lastStrumStringTime_ = clock_.now();
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

void Recorder::playbackThread() {
    std::unique_lock<std::recursive_mutex> lock(mutex_);
    const auto woken = [this] { return wakeRequested_ || quit_; };
    while (!quit_) {
        wakeRequested_ = false;
        runPlaybackPassLocked();
        ++threadPasses_;
        const double now = clock_.now();
        const double next = nextPassTimeLocked(now);
        if (next == kAtOnce) {
            continue;
        }
        if (next == kNever) {
            threadParked_ = true;
            wake_.wait(lock, woken);
            threadParked_ = false;
            continue;
        }
        const double wait = next > now ? std::min(next - now, kLongestWait) : kRetryWait;
        wake_.wait_for(lock, std::chrono::duration<double>(wait), woken);
    }
}

void Recorder::wakePlaybackThreadLocked() {
    // The thread cannot look before the caller lets the lock go, so waking it
    // at the start of an operation is as good as at its end.
    wakeRequested_ = true;
    wake_.notify_all();
}

double Recorder::nextPassTime() const {
    Lock lock(mutex_);
    return nextPassTimeLocked(clock_.now());
}

double Recorder::nextPassTimeLocked(double now) const {
    if (wantANewStrum_ || stopStrumNotes_ || (!playing_ && wasPlaying_)) {
        return kAtOnce;
    }
    double next = kNever;
    // std::min keeps `next` when a time is not a number: such an event is
    // never due, so it never needs a pass.
    if (currentStrumString_ != -1) {
        next = std::min(next, lastStrumStringTime_ + currentTimeBetweenStrumStrings_);
    }
    if (!playing_) {
        return next;
    }
    const double start = playbackStartTimeStamp_;
    const auto nextIn = [&](const auto& list, int position, bool switchedOn) {
        const auto pos = static_cast<std::size_t>(std::max(position, 0));
        if (pos >= list.size()) {
            return;
        }
        const double due = start + list[pos].time();
        next = std::min(next, switchedOn ? due : std::max(due, now + kSwitchedOffRecheck));
    };
    if (currentNoteNo_ < numNotes_) {
        nextIn(notes_, currentNoteNo_, true);
    }
    SoundEngine* engine = soundEngine_;
    if (engine != nullptr) {
        nextIn(pitchBends_, currentPitchBendNo_, engine->pitchBendOn(0) || engine->pitchBendOn(1));
        const bool whammy = engine->whammyBarAttached(0) || engine->whammyBarAttached(1);
        const bool wah = engine->wahOn(0) || engine->wahOn(1);
        for (int g = 0; g < 2; ++g) {
            nextIn(whammyBarChanges_[g], currentWhammyBarChangeNo_[g], whammy);
            nextIn(wahChanges_[g], currentWahChangeNo_[g], wah);
        }
    }
    return next;
}

// ---------------------------------------------------------------- state

int Recorder::getState() {
    Lock lock(mutex_);
    if (recording_) {
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
    currentOverdubNo_ += 1;
    const double now = clock_.now();
    recordStartTimeStamp_ = now;
    playbackStartTimeStamp_ = now;
    recording_ = true;
    playing_ = true;
    rewindPlaybackLocked();
}

void Recorder::rewindPlaybackLocked() {
    // Back to the start of every list. A guitar whose song has recorded
    // whammy or wah movements follows them; live movements wait until then.
    currentNoteNo_ = 0;
    currentPitchBendNo_ = 0;
    for (int g = 0; g < 2; ++g) {
        currentWhammyBarChangeNo_[g] = 0;
        currentWahChangeNo_[g] = 0;
        allowingLiveWhammyChanges_[g] = whammyBarChanges_[g].empty();
        allowingLiveWahChanges_[g] = wahChanges_[g].empty();
    }
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
    playing_ = false;
    wasPlaying_ = true;
    wasRecording_ = recording_;
    recording_ = false;
    if (soundEngine_ != nullptr) {
        soundEngine_->stopAllSounds();
    }
    for (int g = 0; g < 2; ++g) {
        allowingLiveWhammyChanges_[g] = true;
        allowingLiveWahChanges_[g] = true;
    }
}

void Recorder::play() {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    mergeFinishedPassLocked();
    if (numNotes_ <= 0) {
        return;
    }
    playbackStartTimeStamp_ = clock_.now();
    recording_ = false;
    playing_ = true;
    rewindPlaybackLocked();
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
    if (!recording_) {
        return -1;
    }
    if (pendingAndSongEvents() > kMaxEvents - 1) {
        return -1;
    }
    const double now = clock_.now();
    if (numNotes_ == 0 && currentOverdubNotesToAdd_.empty()) {
        // The first note of a new song: the song starts here, with the pedal
        // and bar where they are now, whatever was waited or moved before.
        recordStartTimeStamp_ = now;
        wahChangesToAdd_.clear();
        whammyBarChangesToAdd_.clear();
        wahChangesToAdd_.emplace_back(0.0, mostRecentWahValue_, currentOverdubNo_);
        whammyBarChangesToAdd_.emplace_back(0.0, mostRecentWhammyBarValue_, currentOverdubNo_);
    }
    const double time = now - recordStartTimeStamp_;
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
    if (!recording_ || pendingAndSongEvents() > kMaxEvents - 1) {
        return;
    }
    const double now = clock_.now();
    currentOverdubNotesToAdd_.emplace_back(now - recordStartTimeStamp_, noteID, now);
}

void Recorder::addPitchChange(int noteID, float pitch) {
    Lock lock(mutex_);
    if (!recording_) {
        return;
    }
    currentPitchBendsToAdd_.emplace_back(clock_.now() - recordStartTimeStamp_, noteID, pitch,
                                         currentOverdubNo_);
}

bool Recorder::addWhammyBarChangeForGuitar(int guitar, float pitch) {
    Lock lock(mutex_);
    if (!validGuitar(guitar)) {
        return false;
    }
    if (recording_ && pitch != mostRecentWhammyBarValue_) {
        mostRecentWhammyBarValue_ = pitch;
        if (allowingLiveWhammyChanges_[guitar]) {
            whammyBarChangesToAdd_.emplace_back(clock_.now() - recordStartTimeStamp_, pitch,
                                                currentOverdubNo_);
        }
    }
    return !playing_ || allowingLiveWhammyChanges_[guitar];
}

bool Recorder::addWahChangeForGuitar(int guitar, float pitch) {
    Lock lock(mutex_);
    if (!validGuitar(guitar)) {
        return false;
    }
    if (recording_ && pitch != mostRecentWahValue_) {
        mostRecentWahValue_ = pitch;
        if (allowingLiveWahChanges_[guitar]) {
            wahChangesToAdd_.emplace_back(clock_.now() - recordStartTimeStamp_, pitch, currentOverdubNo_);
        }
    }
    return !playing_ || allowingLiveWahChanges_[guitar];
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
    const int g = parent_ != nullptr ? clampGuitar(parent_->currentGuitar()) : 0;
    wasRecording_ = false;

    notes_.insert(notes_.end(), currentOverdubNotesToAdd_.begin(), currentOverdubNotesToAdd_.end());
    currentOverdubNotesToAdd_.clear();
    sortByTime(notes_);
    notesChangedLocked();

    pitchBends_.insert(pitchBends_.end(), currentPitchBendsToAdd_.begin(), currentPitchBendsToAdd_.end());
    currentPitchBendsToAdd_.clear();
    sortByTime(pitchBends_);

    whammyBarChanges_[g].insert(whammyBarChanges_[g].end(), whammyBarChangesToAdd_.begin(),
                                whammyBarChangesToAdd_.end());
    whammyBarChangesToAdd_.clear();
    sortByTime(whammyBarChanges_[g]);

    wahChanges_[g].insert(wahChanges_[g].end(), wahChangesToAdd_.begin(), wahChangesToAdd_.end());
    wahChangesToAdd_.clear();
    sortByTime(wahChanges_[g]);

    sanityCheckLocked();
}

// ---------------------------------------------------- playback and strums

void Recorder::runPlaybackPass() {
    Lock lock(mutex_);
    runPlaybackPassLocked();
}

void Recorder::runPlaybackPassLocked() {
    const double now = clock_.now();
    strumStep(now);
    if (!playing_) {
        mergeFinishedPassLocked();
        return;
    }
    playSongEvents(now);
}

void Recorder::strumStep(double now) {
    // A new chord silences the old one and starts from string 0 in this pass.
    bool startingChord = false;
    if (wantANewStrum_) {
        for (int s = 0; s < 6; ++s) {
            if (strumPlaylistNo_[s] != -1) {
                if (soundEngine_ != nullptr) {
                    soundEngine_->stopAndRecordSample(strumPlaylistNo_[s]);
                }
                strumPlaylistNo_[s] = -1;
            }
        }
        std::copy(std::begin(requestedChordStrum_), std::end(requestedChordStrum_),
                  std::begin(currentChordStrum_));
        currentStrumString_ = 0;
        currentTimeBetweenStrumStrings_ = 0.0;
        wantANewStrum_ = false;
        startingChord = true;
    }

    // The first string of a new chord sounds at once, even when the clock has
    // not moved since the previous string; later strings wait their gap.
    if (currentStrumString_ != -1 &&
        (startingChord || now - lastStrumStringTime_ > currentTimeBetweenStrumStrings_)) {
        lastStrumStringTime_ = now;
        int s = currentStrumString_;
        while (s < 6 && currentChordStrum_[s] == -1) {
            ++s;
        }
        if (s < 6) {
            const int voice = soundEngine_ != nullptr ? soundEngine_->playSampleWithHumanizedVolumeAndGuitar(
                                                            strumGuitar_, currentChordStrum_[s])
                                                      : -1;
            strumPlaylistNo_[s] = voice;
            currentStrumString_ = s + 1;
        } else {
            currentStrumString_ = 6;
        }
        if (currentStrumString_ > 5) {
            currentStrumString_ = -1;
            if (muteWhenStrumOver_) {
                stopStrumNotes_ = true;
            }
        }
        // The spread is below humanizeTimingAmount ms; none when that is 0.
        float spread = 0.0f;
        if (humanizeTimingAmount_ > 0) {
            const auto r = static_cast<int>(random_() & 0x7fffffffu);
            spread = static_cast<float>(r % humanizeTimingAmount_) / 1000.0f;
        }
        currentTimeBetweenStrumStrings_ = averageTimeBetweenStrumStrings_ + spread;
    }

    if (stopStrumNotes_) {
        for (int s = 0; s < 6; ++s) {
            if (strumPlaylistNo_[s] != -1) {
                if (soundEngine_ != nullptr) {
                    soundEngine_->stopAndRecordSample(strumPlaylistNo_[s]);
                }
                strumPlaylistNo_[s] = -1;
            }
        }
        currentStrumString_ = -1;
        stopStrumNotes_ = false;
    }
}

void Recorder::playSongEvents(double now) {
    const double el = now - playbackStartTimeStamp_;
    SoundEngine* engine = soundEngine_;
    const auto due = [this, el](const auto& event) {
        ++comparisons_;
        return event.time() <= el;
    };

    // Bends: while both guitars have them off, the position waits, and the
    // changes that fell due meanwhile go out together once they are on.
    if (engine != nullptr && (engine->pitchBendOn(0) || engine->pitchBendOn(1))) {
        auto pos = static_cast<std::size_t>(std::max(currentPitchBendNo_, 0));
        while (pos < pitchBends_.size() && due(pitchBends_[pos])) {
            int noteID = 0;
            const float pitch = pitchBends_[pos].getPitchAndNoteID(&noteID);
            engine->setPitch(pitch, noteID);
            ++pos;
        }
        currentPitchBendNo_ = static_cast<int>(pos);
    }

    if (engine != nullptr && (engine->whammyBarAttached(0) || engine->whammyBarAttached(1))) {
        for (int g = 0; g < 2; ++g) {
            const auto& list = whammyBarChanges_[g];
            auto pos = static_cast<std::size_t>(std::max(currentWhammyBarChangeNo_[g], 0));
            if (pos >= list.size()) {
                continue;
            }
            while (pos < list.size() && due(list[pos])) {
                engine->setWhammyForGuitar(g, list[pos].pitch());
                ++pos;
            }
            currentWhammyBarChangeNo_[g] = static_cast<int>(pos);
            allowingLiveWhammyChanges_[g] = pos >= list.size();
        }
    }

    if (engine != nullptr && (engine->wahOn(0) || engine->wahOn(1))) {
        for (int g = 0; g < 2; ++g) {
            const auto& list = wahChanges_[g];
            auto pos = static_cast<std::size_t>(std::max(currentWahChangeNo_[g], 0));
            if (pos >= list.size()) {
                continue;
            }
            while (pos < list.size() && due(list[pos])) {
                engine->setWahForGuitar(g, heldWah(list[pos].pitch()));
                ++pos;
            }
            currentWahChangeNo_[g] = static_cast<int>(pos);
            allowingLiveWahChanges_[g] = pos >= list.size();
        }
    }

    if (currentNoteNo_ < 0) {
        currentNoteNo_ = 0;
    }
    if (currentNoteNo_ >= numNotes_) {
        return;
    }
    int pos = currentNoteNo_;
    while (pos < numNotes_ && due(notes_[static_cast<std::size_t>(pos)])) {
        const Note& note = notes_[static_cast<std::size_t>(pos)];
        if (note.keyDown()) {
            const int voice =
                engine != nullptr
                    ? engine->playSampleWithSampleNo(note.sampleNo(), static_cast<double>(note.volume()),
                                                     note.releaseDelta(), note.noteID())
                    : -1;
            // The note's stop (the first later event with its identifier)
            // takes this voice; a note that got none leaves its stop with no
            // voice, so that it releases nothing.
            const auto at = static_cast<std::size_t>(pos);
            const int stopAt = at < noteUpIndex_.size() ? noteUpIndex_[at] : -1;
            if (stopAt > pos && stopAt < numNotes_) {
                notes_[static_cast<std::size_t>(stopAt)].setPlaylistNo(voice);
            }
        } else if (note.playlistNo() != Note::kNoVoice && engine != nullptr) {
            engine->stopSample(note.playlistNo());
        }
        ++pos;
    }
    currentNoteNo_ = pos;
    if (currentNoteNo_ >= numNotes_ && !recording_) {
        stopLocked();
        if (parent_ != nullptr) {
            SoundEngineParent* parent = parent_;
            parent->mainThreadQueue().post([parent] { parent->playbackEnded(); });
        }
    }
}

void Recorder::setChordStrum(const int* chord, int guitar, bool muteWhenStrumOver) {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    for (int s = 0; s < 6; ++s) {
        requestedChordStrum_[s] = chord != nullptr ? chord[s] : -1;
    }
    strumGuitar_ = clampGuitar(guitar);
    muteWhenStrumOver_ = muteWhenStrumOver;
    wantANewStrum_ = true;
    // A stop still waiting for the playback pass was meant for the old chord,
    // which the new chord stops anyway; left pending, it would cut the new
    // strum off after its first string.
    stopStrumNotes_ = false;
}

void Recorder::stopChordStrum() {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    stopStrumNotes_ = true;
}

void Recorder::setChordStrumSpeed(float speed) {
    Lock lock(mutex_);
    // The knob gives 0 to 1; anything else (a damaged setting) is held there.
    if (!(speed >= 0.0f)) {
        speed = 0.0f;
    }
    speed = std::min(speed, 1.0f);
    averageTimeBetweenStrumStrings_ = 0.007 + static_cast<double>(speed) * 0.063;
    humanizeTimingAmount_ = static_cast<int>(averageTimeBetweenStrumStrings_ * 100.0);
}

float Recorder::chordStrumSpeed() {
    Lock lock(mutex_);
    return static_cast<float>((averageTimeBetweenStrumStrings_ - 0.007) / 0.063);
}

void Recorder::setRandomSeed(unsigned seed) {
    Lock lock(mutex_);
    random_.seed(seed);
}

// --------------------------------------------------------------- editing

void Recorder::eraseLastXNotes(int count) {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    mergeFinishedPassLocked();
    for (int k = 0; k < count && numNotes_ > 0; ++k) {
        // The last note played in real time, not the last in song time; among
        // equal creation times the earliest in the list.
        int best = -1;
        for (int i = 0; i < numNotes_; ++i) {
            const Note& n = notes_[static_cast<std::size_t>(i)];
            if (n.keyDown() && (best < 0 || n.created() > notes_[static_cast<std::size_t>(best)].created())) {
                best = i;
            }
        }
        if (best < 0) {
            break;
        }
        const int noteID = notes_[static_cast<std::size_t>(best)].noteID();
        notes_.erase(notes_.begin() + best);
        std::erase_if(pitchBends_, [noteID](const PitchChange& c) { return c.noteID() == noteID; });
        notes_.erase(std::remove_if(notes_.begin() + best, notes_.end(),
                                    [noteID](const Note& n) { return n.noteID() == noteID; }),
                     notes_.end());
        numNotes_ = static_cast<int>(notes_.size());
    }
    notesChangedLocked();
}

void Recorder::eraseLastOverdub() {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    mergeFinishedPassLocked();
    const int overdub = currentOverdubNo_;
    std::erase_if(pitchBends_, [overdub](const PitchChange& c) { return c.overdubNo() == overdub; });
    for (int g = 0; g < 2; ++g) {
        std::erase_if(whammyBarChanges_[g],
                      [overdub](const WhammyBarChange& c) { return c.overdubNo() == overdub; });
        std::erase_if(wahChanges_[g], [overdub](const WahChange& c) { return c.overdubNo() == overdub; });
    }
    std::size_t i = 0;
    while (i < notes_.size()) {
        const Note& n = notes_[i];
        if (n.keyDown() && n.overdubNo() == overdub) {
            const int noteID = n.noteID();
            notes_.erase(notes_.begin() + static_cast<std::ptrdiff_t>(i));
            for (std::size_t j = i; j < notes_.size(); ++j) {
                if (notes_[j].noteID() == noteID) {
                    notes_.erase(notes_.begin() + static_cast<std::ptrdiff_t>(j));
                    break;
                }
            }
        } else {
            ++i;
        }
    }
    notesChangedLocked();
    currentOverdubNo_ -= 1;
}

void Recorder::eraseAllWahChanges(int guitar) {
    Lock lock(mutex_);
    if (validGuitar(guitar)) {
        wakePlaybackThreadLocked();
        mergeFinishedPassLocked();
        wahChanges_[guitar].clear();
    }
}

void Recorder::eraseAllWhammyBarChanges(int guitar) {
    Lock lock(mutex_);
    if (validGuitar(guitar)) {
        wakePlaybackThreadLocked();
        mergeFinishedPassLocked();
        whammyBarChanges_[guitar].clear();
    }
}

void Recorder::eraseWholeSong() {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    mergeFinishedPassLocked();
    eraseWholeSongLocked();
}

void Recorder::eraseWholeSongLocked() {
    notes_.clear();
    pitchBends_.clear();
    for (int g = 0; g < 2; ++g) {
        whammyBarChanges_[g].clear();
        wahChanges_[g].clear();
        currentWhammyBarChangeNo_[g] = 0;
        currentWahChangeNo_[g] = 0;
    }
    notesChangedLocked();
    currentOverdubNo_ = 0;
    currentNoteNo_ = 0;
    currentNoteID_ = 0;
    currentPitchBendNo_ = 0;
}

void Recorder::sanityCheck() {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    sanityCheckLocked();
}

void Recorder::sanityCheckLocked() {
    // Notes that name no sample. The position logged is the one the event has
    // once the earlier bad ones are gone.
    std::size_t kept = 0;
    for (std::size_t k = 0; k < notes_.size(); ++k) {
        if (notes_[k].sampleNo() == -1) {
            std::printf("SANITY CHECK FAILED:  SampleNo=-1 found for noteID=%d (postion %d).  Deleting it.\n",
                        notes_[k].noteID(), static_cast<int>(kept));
            continue;
        }
        if (kept != k) {
            notes_[kept] = notes_[k];
        }
        ++kept;
    }
    notes_.erase(notes_.begin() + static_cast<std::ptrdiff_t>(kept), notes_.end());

    // A note-down is an orphan when no later event carries its identifier.
    // Removing an orphan never changes the answer for an earlier note-down
    // (the events after it are untouched when it is looked at), so one
    // backward scan finds them all in linear time.
    std::vector<bool> orphan(notes_.size(), false);
    std::unordered_set<int> seenLater;
    for (std::size_t k = notes_.size(); k-- > 0;) {
        const Note& n = notes_[k];
        if (n.keyDown() && seenLater.count(n.noteID()) == 0) {
            orphan[k] = true;
        }
        seenLater.insert(n.noteID());
    }
    kept = 0;
    for (std::size_t k = 0; k < notes_.size(); ++k) {
        if (orphan[k]) {
            std::printf("SANITY CHECK FAILED:  Orphaned note for noteID=%d. Deleting it.\n",
                        notes_[k].noteID());
            continue;
        }
        if (kept != k) {
            notes_[kept] = notes_[k];
        }
        ++kept;
    }
    notes_.erase(notes_.begin() + static_cast<std::ptrdiff_t>(kept), notes_.end());
    std::fflush(stdout);
    notesChangedLocked();
}

int Recorder::getSampleNoForNoteID(int noteID) const {
    Lock lock(mutex_);
    for (const Note& n : currentOverdubNotesToAdd_) {
        if (n.keyDown() && n.noteID() == noteID) {
            return n.sampleNo();
        }
    }
    for (const Note& n : notes_) {
        if (n.keyDown() && n.noteID() == noteID) {
            return n.sampleNo();
        }
    }
    return -1;
}

// ------------------------------------------------------------------ dumps

void Recorder::dumpNotesToLog(std::FILE* out) const {
    Lock lock(mutex_);
    const int count = std::min(numNotes_, static_cast<int>(notes_.size()));
    for (int i = 0; i < count; ++i) {
        const Note& n = notes_[static_cast<std::size_t>(i)];
        std::fprintf(out, "Note[%d] time=%f, noteID=%d, sampleNo=%d, press=%d, overdubNo=%d\n", i, n.time(),
                     n.noteID(), n.sampleNo(), n.keyDown() ? 1 : 0, n.overdubNo());
    }
    std::fflush(out);
}

void Recorder::dumpPitchBendsToLog(std::FILE* out) const {
    Lock lock(mutex_);
    for (std::size_t i = 0; i < pitchBends_.size(); ++i) {
        const PitchChange& c = pitchBends_[i];
        std::fprintf(out, "Pitch Change(%d):  Time=%f, noteID=%d, pitch=%f, overdubNo=%d\n",
                     static_cast<int>(i), c.time(), c.noteID(), static_cast<double>(c.pitch()),
                     c.overdubNo());
    }
    std::fflush(out);
}

void Recorder::dumpWhammyBarToLog(std::FILE* out) const {
    Lock lock(mutex_);
    printChanges(out, "Whammy Bar Change Guitar 1 (%d):  Time=%f, pitch=%f, overdubNo=%d\n",
                 whammyBarChanges_[0]);
    printChanges(out, "Whammy Bar Change Guitar 2 (%d):  Time=%f, pitch=%f, overdubNo=%d\n",
                 whammyBarChanges_[1]);
    std::fflush(out);
}

void Recorder::dumpWahToLog(std::FILE* out) const {
    Lock lock(mutex_);
    printChanges(out, "Wah Change Guitar 1 (%d):  Time=%f, pitch=%f, overdubNo=%d\n", wahChanges_[0]);
    printChanges(out, "Wah Change Guitar 2 (%d):  Time=%f, pitch=%f, overdubNo=%d\n", wahChanges_[1]);
    std::fflush(out);
}

std::string Recorder::squeezeFloat(float value) {
    if (value == 0.0f) {
        return "0";
    }
    if (value == 1.0f) {
        return "1";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// ------------------------------------------------------------ save buffer

std::vector<std::uint8_t> Recorder::createSaveBuffer() {
    Lock lock(mutex_);
    mergeFinishedPassLocked();
    const auto n = static_cast<std::size_t>(std::min(numNotes_, static_cast<int>(notes_.size())));
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(kHeaderSize) + n * kNoteRecordSize +
                pitchBends_.size() * kPitchRecordSize +
                (whammyBarChanges_[0].size() + whammyBarChanges_[1].size() + wahChanges_[0].size() +
                 wahChanges_[1].size()) *
                    kChangeRecordSize);
    ByteWriter w(out);
    w.i32(currentNoteID_);
    w.i32(static_cast<std::int32_t>(n));
    w.i32(static_cast<std::int32_t>(pitchBends_.size()));
    w.i32(static_cast<std::int32_t>(whammyBarChanges_[0].size()));
    w.i32(static_cast<std::int32_t>(whammyBarChanges_[1].size()));
    w.i32(static_cast<std::int32_t>(wahChanges_[0].size()));
    w.i32(static_cast<std::int32_t>(wahChanges_[1].size()));
    for (std::size_t i = 0; i < n; ++i) {
        writeNote(w, notes_[i]);
    }
    for (const PitchChange& c : pitchBends_) {
        w.f64(c.time());
        w.i32(c.noteID());
        w.f32(c.pitch());
        w.i32(c.overdubNo());
    }
    for (int g = 0; g < 2; ++g) {
        for (const WhammyBarChange& c : whammyBarChanges_[g]) {
            writeChange(w, c);
        }
    }
    for (int g = 0; g < 2; ++g) {
        for (const WahChange& c : wahChanges_[g]) {
            writeChange(w, c);
        }
    }
    return out;
}

std::vector<std::uint8_t> Recorder::createSaveBufferOldVersion0() {
    Lock lock(mutex_);
    mergeFinishedPassLocked();
    const auto n = static_cast<std::size_t>(std::min(numNotes_, static_cast<int>(notes_.size())));
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(kHeaderSizeVersion0) + n * kNoteRecordSize);
    ByteWriter w(out);
    w.i32(currentNoteID_);
    w.i32(static_cast<std::int32_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
        writeNote(w, notes_[i]);
    }
    return out;
}

void Recorder::restoreFromSaveBuffer(const std::uint8_t* data, std::size_t size, int version) {
    if (version < 0 || version > 2) {
        return;
    }
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    mergeFinishedPassLocked();
    restoreLocked(data, size, version);
}

void Recorder::restoreFromSaveBufferVersion0(const std::uint8_t* data, std::size_t size) {
    restoreFromSaveBuffer(data, size, 0);
}

void Recorder::restoreFromSaveBufferVersion1(const std::uint8_t* data, std::size_t size) {
    restoreFromSaveBuffer(data, size, 1);
}

void Recorder::restoreFromSaveBufferVersion2(const std::uint8_t* data, std::size_t size) {
    restoreFromSaveBuffer(data, size, 2);
}

void Recorder::restoreLocked(const std::uint8_t* data, std::size_t size, int version) {
    eraseWholeSongLocked();
    if (data == nullptr || size < 8) {
        throw StrumwellFailure("RecorderFailure-1");
    }
    ByteReader r(data, size);
    currentNoteID_ = r.i32();

    const std::int64_t n = r.i32();
    std::int64_t p = 0;
    std::int64_t changeCounts[4] = {0, 0, 0, 0}; // whammy 1, whammy 2, wah 1, wah 2
    std::int64_t expected = 0;
    bool countsValid = n >= 0;
    if (version == 0) {
        expected = kHeaderSizeVersion0 + kNoteRecordSize * n;
    } else {
        // Counts that would lie past the end of a short version-1 buffer read as 0.
        p = r.i32();
        countsValid = countsValid && p >= 0;
        std::int64_t changes = 0;
        for (std::int64_t& c : changeCounts) {
            c = r.i32();
            countsValid = countsValid && c >= 0;
            changes += c;
        }
        expected = kHeaderSize + kNoteRecordSize * n + kPitchRecordSize * p + kChangeRecordSize * changes;
        if (version == 1) {
            expected -= kVersion1Shortfall;
        }
    }
    const auto actual =
        static_cast<std::int64_t>(std::min<std::size_t>(size, std::numeric_limits<std::int64_t>::max()));
    const bool sizeOk = version == 0 ? actual >= expected : actual == expected;
    if (!countsValid || !sizeOk) {
        throw StrumwellFailure("RecorderFailure-2");
    }

    // Every record now lies inside the buffer, except, in version 1, the
    // last 8 bytes of the last record, which read as zero.
    const double now = clock_.now();
    r.seek(version == 0 ? kHeaderSizeVersion0 : kHeaderSize);
    // The song and the pass being recorded stay within the limit together.
    const auto room = static_cast<std::int64_t>(
        std::max(0, restoredEventLimit_ - static_cast<int>(currentOverdubNotesToAdd_.size())));
    const std::int64_t keep = std::min(n, room);
    notes_.reserve(static_cast<std::size_t>(keep));
    std::unordered_set<int> cutOffIDs;
    for (std::int64_t i = 0; i < n; ++i) {
        const bool keyDown = r.u8() != 0;
        const int sampleNo = static_cast<std::int8_t>(r.u8());
        const double time = r.f64();
        const int noteID = r.i32();
        const float volume = r.f32();
        const double releaseDelta = r.f64();
        if (i >= keep) {
            cutOffIDs.insert(noteID);
        } else if (keyDown) {
            notes_.emplace_back(sampleNo, volume, time, currentOverdubNo_, noteID, releaseDelta, now);
        } else {
            notes_.emplace_back(time, noteID, now);
        }
    }
    notesChangedLocked();
    if (!cutOffIDs.empty()) {
        dropNotesCutOffLocked(cutOffIDs);
    }
    if (version == 0) {
        return;
    }
    pitchBends_.reserve(static_cast<std::size_t>(p));
    for (std::int64_t i = 0; i < p; ++i) {
        const double time = r.f64();
        const int noteID = r.i32();
        const float pitch = r.f32();
        const int overdubNo = r.i32();
        pitchBends_.emplace_back(time, noteID, pitch, overdubNo);
    }
    for (int g = 0; g < 2; ++g) {
        whammyBarChanges_[g].reserve(static_cast<std::size_t>(changeCounts[g]));
        for (std::int64_t i = 0; i < changeCounts[g]; ++i) {
            const double time = r.f64();
            const float pitch = r.f32();
            const int overdubNo = r.i32();
            whammyBarChanges_[g].emplace_back(time, pitch, overdubNo);
        }
    }
    for (int g = 0; g < 2; ++g) {
        wahChanges_[g].reserve(static_cast<std::size_t>(changeCounts[2 + g]));
        for (std::int64_t i = 0; i < changeCounts[2 + g]; ++i) {
            const double time = r.f64();
            const float pitch = r.f32();
            const int overdubNo = r.i32();
            wahChanges_[g].emplace_back(time, heldWah(pitch), overdubNo);
        }
    }
}

void Recorder::dropNotesCutOffLocked(const std::unordered_set<int>& cutOffIDs) {
    // A note-down with no later kept event of its own whose identifier comes
    // again in the part cut off lost its note-up to the limit. Note-downs
    // that had no note-up in the file stay, as every restored song keeps them.
    std::size_t kept = 0;
    for (std::size_t k = 0; k < notes_.size(); ++k) {
        const Note& n = notes_[k];
        if (n.keyDown() && noteUpIndex_[k] < 0 && cutOffIDs.count(n.noteID()) != 0) {
            continue;
        }
        if (kept != k) {
            notes_[kept] = notes_[k];
        }
        ++kept;
    }
    notes_.erase(notes_.begin() + static_cast<std::ptrdiff_t>(kept), notes_.end());
    notesChangedLocked();
}

void Recorder::notesChangedLocked() {
    numNotes_ = static_cast<int>(notes_.size());
    // One backward scan: the position last seen for an identifier is the
    // first later event that carries it.
    noteUpIndex_.assign(notes_.size(), -1);
    std::unordered_map<int, int> nextWithID;
    nextWithID.reserve(notes_.size());
    for (std::size_t k = notes_.size(); k-- > 0;) {
        const auto [it, first] = nextWithID.try_emplace(notes_[k].noteID(), static_cast<int>(k));
        if (!first) {
            noteUpIndex_[k] = it->second;
            it->second = static_cast<int>(k);
        }
    }
}

// ------------------------------------------------------------ test hooks

std::uint64_t Recorder::playbackComparisons() const {
    Lock lock(mutex_);
    return comparisons_;
}

std::uint64_t Recorder::playbackThreadPasses() const {
    Lock lock(mutex_);
    return threadPasses_;
}

bool Recorder::playbackThreadParked() const {
    Lock lock(mutex_);
    return threadParked_;
}

void Recorder::setRestoredEventLimit(int limit) {
    Lock lock(mutex_);
    restoredEventLimit_ = std::max(limit, 0);
}

// ------------------------------------------------------------ read access

std::vector<Note> Recorder::notes() const {
    Lock lock(mutex_);
    return notes_;
}

std::vector<PitchChange> Recorder::pitchBends() const {
    Lock lock(mutex_);
    return pitchBends_;
}

std::vector<WhammyBarChange> Recorder::whammyBarChanges(int guitar) const {
    Lock lock(mutex_);
    return validGuitar(guitar) ? whammyBarChanges_[guitar] : std::vector<WhammyBarChange>{};
}

std::vector<WahChange> Recorder::wahChanges(int guitar) const {
    Lock lock(mutex_);
    return validGuitar(guitar) ? wahChanges_[guitar] : std::vector<WahChange>{};
}

std::vector<Note> Recorder::currentOverdubNotesToAdd() const {
    Lock lock(mutex_);
    return currentOverdubNotesToAdd_;
}

std::vector<PitchChange> Recorder::currentPitchBendsToAdd() const {
    Lock lock(mutex_);
    return currentPitchBendsToAdd_;
}

std::vector<WhammyBarChange> Recorder::whammyBarChangesToAdd() const {
    Lock lock(mutex_);
    return whammyBarChangesToAdd_;
}

std::vector<WahChange> Recorder::wahChangesToAdd() const {
    Lock lock(mutex_);
    return wahChangesToAdd_;
}

int Recorder::currentNoteID() const {
    Lock lock(mutex_);
    return currentNoteID_;
}

int Recorder::currentOverdubNo() const {
    Lock lock(mutex_);
    return currentOverdubNo_;
}

float Recorder::mostRecentWhammyBarValue() const {
    Lock lock(mutex_);
    return mostRecentWhammyBarValue_;
}

float Recorder::mostRecentWahValue() const {
    Lock lock(mutex_);
    return mostRecentWahValue_;
}

bool Recorder::allowingLiveWhammyChanges(int guitar) const {
    Lock lock(mutex_);
    return validGuitar(guitar) && allowingLiveWhammyChanges_[guitar];
}

bool Recorder::allowingLiveWahChanges(int guitar) const {
    Lock lock(mutex_);
    return validGuitar(guitar) && allowingLiveWahChanges_[guitar];
}

int Recorder::currentStrumString() const {
    Lock lock(mutex_);
    return currentStrumString_;
}

int Recorder::strumPlaylistNo(int string) const {
    Lock lock(mutex_);
    return string >= 0 && string < 6 ? strumPlaylistNo_[string] : -1;
}

double Recorder::currentTimeBetweenStrumStrings() const {
    Lock lock(mutex_);
    return currentTimeBetweenStrumStrings_;
}
