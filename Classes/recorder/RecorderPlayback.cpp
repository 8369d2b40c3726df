#include <algorithm>
#include <chrono>
#include <limits>

#include "audio/SoundEngine.h"
#include "audio/SoundEngineParent.h"
#include "recorder/Recorder.h"
#include "recorder/RecorderInternals.h"
#include "system/MainThreadQueue.h"

// The playback thread and its pass: chord strums, the song's events as they
// fall due, and when the next pass is needed.

using namespace recorder_internals;

namespace {

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
// Passes of the loop one playback pass goes through at most.
constexpr int kMaxWrapsPerPass = 1000;

} // namespace

void Recorder::playbackThread() {
    std::unique_lock<std::mutex> lock(mutex_);
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
    if (countingIn_) {
        // The count-in ends where the anchor lies.
        next = std::min(next, playbackStartTimeStamp_);
    }
    if (!playing_) {
        return next;
    }
    if (loopActiveLocked()) {
        next = std::min(next, realTimeOfLocked(loopB_));
    }
    const auto nextIn = [&](const auto& list, int position, bool switchedOn) {
        const auto pos = static_cast<std::size_t>(std::max(position, 0));
        if (pos >= list.size()) {
            return;
        }
        const double due = realTimeOfLocked(list[pos].time());
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
        for (int g = 0; g < kGuitars; ++g) {
            nextIn(whammy_.song(g), whammy_.position(g), whammy);
            nextIn(wah_.song(g), wah_.position(g), wah);
        }
    }
    return next;
}

// ---------------------------------------------------- playback and strums

void Recorder::runPlaybackPass() {
    Lock lock(mutex_);
    runPlaybackPassLocked();
}

void Recorder::runPlaybackPassLocked() {
    const double now = clock_.now();
    strumStep(now);
    if (countingIn_ && now >= playbackStartTimeStamp_) {
        startPlaybackLocked(playbackStartTimeStamp_, playbackStartSongTime_, true);
    }
    if (!playing_) {
        mergeFinishedPassLocked();
        return;
    }
    playSongEvents(now);
}

void Recorder::releaseStrumVoicesLocked() {
    for (int s = 0; s < 6; ++s) {
        if (strumPlaylistNo_[s] != -1) {
            if (soundEngine_ != nullptr) {
                soundEngine_->stopSample(strumPlaylistNo_[s]);
                addStopNoteLocked(soundEngine_->voiceNoteID(strumPlaylistNo_[s]));
            }
            strumPlaylistNo_[s] = -1;
        }
    }
}

int Recorder::playStrumString(int string, int sampleNo) {
    // A strummed string is recorded here, as a touched one is by the
    // performer: identifier first, then the voice that carries it.
    SoundEngine::NoteRequest note = soundEngine_->humanizedNoteFor(strumGuitar_, sampleNo);
    note.string = string;
    if (note.slot < 0 || note.slot >= SoundEngine::kNumSlots)
        return -1;
    const int noteID = addPlayNoteLocked(note.slot, static_cast<float>(note.volume), note.releaseDelta);
    return soundEngine_->play(note, noteID);
}

void Recorder::strumStep(double now) {
    // A new chord silences the old one and starts from string 0 in this pass.
    bool startingChord = false;
    if (wantANewStrum_) {
        releaseStrumVoicesLocked();
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
            strumPlaylistNo_[s] = soundEngine_ != nullptr ? playStrumString(s, currentChordStrum_[s]) : -1;
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
        releaseStrumVoicesLocked();
        currentStrumString_ = -1;
        stopStrumNotes_ = false;
    }
}

void Recorder::playSongEvents(double now) {
    double el = songTimeAtLocked(now);
    // Each time the song reaches the loop's end it goes back to its start, as
    // often as that happened since the last pass (a loop shorter than a pass).
    for (int wraps = 0; loopActiveLocked() && el >= loopB_; ++wraps) {
        playEventsUpTo(loopB_, false);
        wrapLoopLocked();
        if (!playing_) {
            return;
        }
        if (wraps >= kMaxWrapsPerPass) {
            // A clock that jumped far ahead: carry on from the loop's start now.
            playbackStartTimeStamp_ = now;
            playbackStartSongTime_ = loopA_;
            updateClickLocked(now);
        }
        el = songTimeAtLocked(now);
    }
    playEventsUpTo(el, true);
    if (!loopActiveLocked() && currentNoteNo_ >= numNotes_ && !recording_) {
        stopLocked();
        if (parent_ != nullptr) {
            SoundEngineParent* parent = parent_;
            parent->mainThreadQueue().post([parent] { parent->playbackEnded(); });
        }
    }
}

void Recorder::playEventsUpTo(double limit, bool inclusive) {
    SoundEngine* engine = soundEngine_;
    const auto due = [this, limit, inclusive](const auto& event) {
        ++comparisons_;
        return inclusive ? event.time() <= limit : event.time() < limit;
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

    // Whammy and wah: a guitar's recorded movements play while the effect is
    // on; one that has played them all lets live movements act again.
    if (engine != nullptr && (engine->whammyBarAttached(0) || engine->whammyBarAttached(1))) {
        whammy_.play(due, [engine](int g, float value) {
            engine->setWhammyForGuitar(g, value, NoteListener::Source::Song);
        });
    }
    if (engine != nullptr && (engine->wahOn(0) || engine->wahOn(1))) {
        wah_.play(due, [engine](int g, float value) {
            engine->setWahForGuitar(g, heldWah(value), NoteListener::Source::Song);
        });
    }

    if (currentNoteNo_ < 0) {
        currentNoteNo_ = 0;
    }
    int pos = currentNoteNo_;
    while (pos < numNotes_ && due(notes_[static_cast<std::size_t>(pos)])) {
        const Note& note = notes_[static_cast<std::size_t>(pos)];
        if (note.keyDown()) {
            const SoundEngine::NoteRequest request{note.sampleNo(),
                                                   static_cast<double>(note.volume()),
                                                   note.releaseDelta(),
                                                   SampleBank::guitarOfSlot(note.sampleNo()),
                                                   -1,
                                                   NoteListener::Source::Song};
            const int voice = engine != nullptr ? engine->play(request, note.noteID()) : -1;
            if (voice >= 0 && static_cast<std::size_t>(voice) < songVoiceNoteIDs_.size()) {
                songVoiceNoteIDs_[static_cast<std::size_t>(voice)] = note.noteID();
            }
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

float Recorder::chordStrumSpeed() const {
    Lock lock(mutex_);
    return static_cast<float>((averageTimeBetweenStrumStrings_ - 0.007) / 0.063);
}

void Recorder::setRandomSeed(unsigned seed) {
    Lock lock(mutex_);
    random_.seed(seed);
}
