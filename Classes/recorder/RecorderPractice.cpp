#include <algorithm>
#include <cmath>

#include "audio/SoundEngine.h"
#include "recorder/Recorder.h"
#include "recorder/RecorderInternals.h"
#include "recorder/SongOptions.h"

// Practising with the song: song time against the clock (the anchor and the
// speed), the loop and its passes, the speed trainer, the click and the
// count-in.

using namespace recorder_internals;

namespace {

// Loop ends beyond this many seconds (a damaged value) are held here.
constexpr double kLatestLoopEnd = 1.0e6;

int heldSpeed(int percent) {
    const long rounded =
        std::lround(static_cast<double>(percent) / Practice::kSpeedStep) * Practice::kSpeedStep;
    return static_cast<int>(std::clamp<long>(rounded, Practice::kMinSpeed, Practice::kMaxSpeed));
}

double heldLoopTime(double t) {
    return t >= 0.0 ? std::min(t, kLatestLoopEnd) : 0.0; // NaN too
}

} // namespace

// ---------------------------------------------------------- song time

double Recorder::songTimeAtLocked(double now) const {
    return playbackStartSongTime_ + (now - playbackStartTimeStamp_) * speed_;
}

double Recorder::realTimeOfLocked(double songTime) const {
    return playbackStartTimeStamp_ + (songTime - playbackStartSongTime_) / speed_;
}

bool Recorder::loopActiveLocked() const {
    return loopOn_ && loopB_ > loopA_;
}

double Recorder::inLoopLocked(double songTime) const {
    // Between the loop's end and the pass that takes the song back, the time
    // already counts from the loop's start.
    if (loopActiveLocked() && songTime >= loopB_) {
        return loopA_ + std::fmod(songTime - loopA_, loopB_ - loopA_);
    }
    return songTime;
}

double Recorder::recordTimeLocked(double now) const {
    return inLoopLocked(songTimeAtLocked(now)) - recordOrigin_;
}

SongTiming Recorder::songTimingLocked() const {
    return songOptions_ != nullptr ? songOptions_->timing() : SongTiming{SongTiming::kNoTempo, 4};
}

// ---------------------------------------------------------- starts and passes

void Recorder::startPlaybackLocked(double real, double from, bool recording) {
    if (recording) {
        currentOverdubNo_ += 1;
        recording_ = true;
        countedIn_ = countingIn_;
        recordOrigin_ = 0.0;
    }
    countingIn_ = false;
    playing_ = true;
    playbackStartTimeStamp_ = real;
    playbackStartSongTime_ = from;
    loopPasses_ = 0;
    std::fill(songVoiceNoteIDs_.begin(), songVoiceNoteIDs_.end(), -1);
    rewindPlaybackLocked();
    if (from > 0.0) {
        seekLocked(from);
    }
    updateClickLocked(clock_.now());
}

bool Recorder::countInLocked(double now, double from) {
    const SongTiming timing = songTimingLocked();
    if (!clickOn_ || !timing.hasTempo()) {
        return false;
    }
    // The count-in clicks the bar of beats before the start point; playback
    // and the pass begin where the song reaches it.
    const double beat = timing.beatSeconds();
    const double firstBeat = std::ceil(from / beat - 1e-9) - timing.beatsPerBar;
    countingIn_ = true;
    recording_ = false;
    playing_ = false;
    playbackStartSongTime_ = from;
    playbackStartTimeStamp_ = now + (from - firstBeat * beat) / speed_;
    updateClickLocked(now);
    return true;
}

void Recorder::seekLocked(double songTime) {
    const auto before = [songTime](const auto& event) { return event.time() < songTime; };
    const auto first = notes_.begin();
    currentNoteNo_ = static_cast<int>(std::partition_point(first, first + numNotes_, before) - first);
    // A note-up whose note-down lies before this point has no voice of this
    // pass to release; one whose note-down follows gets its voice from it.
    for (int i = currentNoteNo_; i < numNotes_; ++i) {
        Note& note = notes_[static_cast<std::size_t>(i)];
        if (!note.keyDown()) {
            note.setPlaylistNo(Note::kNoVoice);
        }
    }
    currentPitchBendNo_ = static_cast<int>(
        std::partition_point(pitchBends_.begin(), pitchBends_.end(), before) - pitchBends_.begin());
    whammy_.seek(songTime);
    wah_.seek(songTime);
}

void Recorder::releaseSongVoicesLocked() {
    for (std::size_t v = 0; v < songVoiceNoteIDs_.size(); ++v) {
        const int noteID = songVoiceNoteIDs_[v];
        const int voice = static_cast<int>(v);
        if (noteID != -1 && soundEngine_ != nullptr && soundEngine_->voicePlaying(voice) &&
            soundEngine_->voiceNoteID(voice) == noteID) {
            soundEngine_->stopSample(voice);
        }
        songVoiceNoteIDs_[v] = -1;
    }
}

void Recorder::wrapLoopLocked() {
    const double wrapAt = realTimeOfLocked(loopB_);
    ++loopPasses_;
    if (stopAfterPasses_ > 0 && loopPasses_ >= stopAfterPasses_) {
        stopLocked();
        return;
    }
    releaseSongVoicesLocked();
    if (trainerOn_ && speedPercent_ < trainerTarget_) {
        speedPercent_ = std::min(trainerTarget_, speedPercent_ + kSpeedStep);
        speed_ = speedPercent_ / 100.0;
    }
    // The next pass starts where this one reached the end, at the new speed.
    playbackStartTimeStamp_ = wrapAt;
    playbackStartSongTime_ = loopA_;
    seekLocked(loopA_);
    updateClickLocked(clock_.now());
}

void Recorder::updateClickLocked(double now) {
    if (soundEngine_ == nullptr) {
        return;
    }
    Metronome& click = soundEngine_->metronome();
    const SongTiming timing = songTimingLocked();
    if (!(playing_ || countingIn_) || !clickOn_ || !timing.hasTempo()) {
        click.stop();
        return;
    }
    // Beat k lies at song time k beats; song time 0 lies at the clock time
    // `origin`, which the frames the click has mixed by now place on its grid.
    const double rate = Metronome::kSampleRate;
    const double origin = realTimeOfLocked(0.0);
    const double beat0 = static_cast<double>(click.framesRendered()) + (origin - now) * rate;
    click.start(beat0, timing.beatSeconds(speed_) * rate, timing.beatsPerBar);
}

// ---------------------------------------------------------- the controls

double Recorder::songPosition() const {
    Lock lock(mutex_);
    if (playing_) {
        return inLoopLocked(songTimeAtLocked(clock_.now()));
    }
    return countingIn_ ? playbackStartSongTime_ : stoppedAt_;
}

double Recorder::songLength() const {
    Lock lock(mutex_);
    double last = 0.0;
    for (const Note& note : notes_) {
        last = std::max(last, note.time()); // a time that is not a number is left out
    }
    return last;
}

void Recorder::setLoop(double a, double b) {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    a = heldLoopTime(a);
    b = heldLoopTime(b);
    loopA_ = std::min(a, b);
    loopB_ = std::max(loopA_ + kMinLoop, std::max(a, b));
}

double Recorder::loopStart() const {
    return copyLocked(loopA_);
}
double Recorder::loopEnd() const {
    return copyLocked(loopB_);
}

void Recorder::setLoopOn(bool on) {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    loopOn_ = on;
}

bool Recorder::loopOn() const {
    return copyLocked(loopOn_);
}
int Recorder::loopPasses() const {
    return copyLocked(loopPasses_);
}

void Recorder::setSpeedPercent(int percent) {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    const double now = clock_.now();
    if (playing_) {
        // The song goes on from where it is now, at the new pace.
        playbackStartSongTime_ = songTimeAtLocked(now);
        playbackStartTimeStamp_ = now;
    }
    speedPercent_ = heldSpeed(percent);
    speed_ = speedPercent_ / 100.0;
    updateClickLocked(now);
}

int Recorder::speedPercent() const {
    return copyLocked(speedPercent_);
}

void Recorder::setTrainer(bool on, int targetPercent) {
    Lock lock(mutex_);
    trainerOn_ = on;
    trainerTarget_ = heldSpeed(targetPercent);
}

bool Recorder::trainerOn() const {
    return copyLocked(trainerOn_);
}
int Recorder::trainerTarget() const {
    return copyLocked(trainerTarget_);
}

void Recorder::setClickOn(bool on) {
    Lock lock(mutex_);
    clickOn_ = on;
    if (soundEngine_ != nullptr) {
        soundEngine_->metronome().setOn(on);
    }
    updateClickLocked(clock_.now());
}

bool Recorder::clickOn() const {
    return copyLocked(clickOn_);
}

void Recorder::setClickVolume(float volume) {
    Lock lock(mutex_);
    clickVolume_ = volume >= 0.0f ? std::min(volume, 1.0f) : 0.0f;
    if (soundEngine_ != nullptr) {
        soundEngine_->metronome().setVolume(clickVolume_);
    }
}

float Recorder::clickVolume() const {
    return copyLocked(clickVolume_);
}

int Recorder::countInBeatsLeft() const {
    Lock lock(mutex_);
    const double beat = songTimingLocked().beatSeconds(speed_);
    if (!countingIn_ || !(beat > 0.0)) {
        return 0;
    }
    return std::max(0, static_cast<int>(std::ceil((playbackStartTimeStamp_ - clock_.now()) / beat - 1e-9)));
}

void Recorder::setSongOptions(SongOptions* options) {
    Lock lock(mutex_);
    songOptions_ = options;
}

void Recorder::setStopAfterPasses(int passes) {
    Lock lock(mutex_);
    stopAfterPasses_ = std::max(passes, 0);
}
