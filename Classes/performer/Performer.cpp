#include "performer/Performer.h"

#include <utility>

#include "audio/SoundEngine.h"
#include "audio/SoundEngineParent.h"
#include "audio/TiltMapping.h"
#include "core/GuitarId.h"
#include "recorder/Recorder.h"
#include "system/MainThreadQueue.h"

const char* const Performer::kAccelerometerFailureMessage =
    "The accelerometer did not initialise.  Please close Strumwell by holding down the Home button for 10 "
    "seconds, and then relaunch it.";

Performer::Performer(SoundEngine& engine, Recorder& recorder, SoundEngineParent* parent,
                     Accelerometer* accelerometer)
    : engine_(engine), recorder_(recorder), parent_(parent), accelerometer_(accelerometer) {
    setupAccelerometer();
}

Performer::~Performer() {
    if (accelerometer_)
        accelerometer_->setDelegate(nullptr);
    if (parent_ && checkToken_ != 0)
        parent_->mainThreadQueue().cancel(checkToken_);
}

Transport& Performer::transport() const {
    return recorder_;
}

// ---------------------------------------------------------------- notes

// The recorder is asked for an identifier only for a note the engine can
// play: a slot outside the bank starts nothing and is not recorded.
int Performer::playRecorded(SoundEngine::NoteRequest note) {
    if (note.slot < 0 || note.slot >= SoundEngine::kNumSlots)
        return -1;
    const int noteID = recorder_.addPlayNote(note.slot, static_cast<float>(note.volume), note.releaseDelta);
    return engine_.play(note, noteID);
}

int Performer::play(int guitar, int sampleNo) {
    return playRecorded(engine_.noteFor(guitar, sampleNo));
}

int Performer::play(int guitar, int sampleNo, float volume) {
    return playRecorded(engine_.noteFor(guitar, sampleNo, volume));
}

int Performer::playOnString(int guitar, int string, int sampleNo) {
    SoundEngine::NoteRequest note = engine_.noteFor(guitar, sampleNo);
    note.string = string;
    return playRecorded(note);
}

int Performer::playOnString(int guitar, int string, int sampleNo, float volume) {
    SoundEngine::NoteRequest note = engine_.noteFor(guitar, sampleNo, volume);
    note.string = string;
    return playRecorded(note);
}

int Performer::playFromMidi(int guitar, int string, int sampleNo, float volume, int startFrame) {
    SoundEngine::NoteRequest note = engine_.noteFor(guitar, sampleNo, volume);
    note.string = string;
    note.startFrame = startFrame;
    note.source = NoteListener::Source::Midi;
    return playRecorded(note);
}

int Performer::playHumanized(int guitar, int sampleNo) {
    return playRecorded(engine_.humanizedNoteFor(guitar, sampleNo));
}

void Performer::playFretNoise(int guitar) {
    if (validGuitar(guitar))
        release(playRecorded(engine_.fretNoiseFor(guitar)));
}

void Performer::playTapNoise(int guitar) {
    if (validGuitar(guitar))
        release(playRecorded(engine_.tapNoiseFor(guitar)));
}

void Performer::release(int voice) {
    if (voice < 0 || voice >= SoundEngine::kNumVoices)
        return;
    engine_.stopSample(voice);
    recorder_.addStopNote(engine_.voiceNoteID(voice));
}

// ---------------------------------------------------------------- bends

void Performer::bendTo(int voice, float pitch) {
    if (voice < 0 || voice >= SoundEngine::kNumVoices)
        return;
    engine_.bendTo(voice, pitch);
    recorder_.addPitchChange(engine_.voiceNoteID(voice), pitch);
}

void Performer::fullBend(int voice) {
    bendTo(voice, SoundEngine::kFullBendPitch);
}

void Performer::halfBend(int voice) {
    bendTo(voice, SoundEngine::kHalfBendPitch);
}

void Performer::unbend(int voice) {
    bendTo(voice, 1.0f);
}

void Performer::stopBend(int voice) {
    if (voice < 0 || voice >= SoundEngine::kNumVoices)
        return;
    engine_.stopBend(voice);
    recorder_.addPitchChange(engine_.voiceNoteID(voice), 1.0f);
}

// ---------------------------------------------------------------- strums and patches

void Performer::strumChord(const int* samples, int guitar, bool muteWhenStrumOver) {
    if (samples != nullptr)
        recorder_.setChordStrum(samples, guitar, muteWhenStrumOver);
}

void Performer::stopStrum() {
    recorder_.stopChordStrum();
}

float Performer::strumSpeed() const {
    return recorder_.chordStrumSpeed();
}

void Performer::setStrumSpeed(float speed) {
    recorder_.setChordStrumSpeed(speed);
}

void Performer::nextPatch(PatchChangeListener* caller, int guitar) {
    if (!validGuitar(guitar))
        return;
    recorder_.stop();
    engine_.nextPatch(caller, guitar);
}

void Performer::prevPatch(PatchChangeListener* caller, int guitar) {
    if (!validGuitar(guitar))
        return;
    recorder_.stop();
    engine_.prevPatch(caller, guitar);
}

void Performer::setPatch(int guitar, int patchNo) {
    if (!validGuitar(guitar) || patchNo < 0 || patchNo >= SoundEngine::kNumPatches ||
        engine_.patchNo(guitar) == patchNo)
        return;
    recorder_.stop();
    EngineSettings settings = engine_.settings();
    settings.of<GuitarPatch>(guitar).patchNo = patchNo;
    engine_.stopAllSoundsImmediately();
    engine_.applySettings(settings);
}

bool Performer::moveWhammy(int guitar, float pitch) {
    if (!validGuitar(guitar) || !recorder_.addWhammyBarChangeForGuitar(guitar, pitch))
        return false;
    engine_.setWhammyForGuitar(guitar, pitch, NoteListener::Source::Midi);
    return true;
}

bool Performer::moveWah(int guitar, float coefficient) {
    if (!validGuitar(guitar) || !recorder_.addWahChangeForGuitar(guitar, coefficient))
        return false;
    engine_.setWahForGuitar(guitar, coefficient, NoteListener::Source::Midi);
    return true;
}

// ---------------------------------------------------------------- tilt

void Performer::setupAccelerometer() {
    if (accelerometer_) {
        accelerometer_->setDelegate(nullptr);
        accelerometer_->setUpdateInterval(0.02);
        accelerometer_->setDelegate(this);
    }
    accelerometerWorking_ = false;
    if (parent_)
        checkToken_ = parent_->mainThreadQueue().postDelayed(1.0, [this] {
            checkToken_ = 0;
            checkAccelerometer();
        });
}

void Performer::checkAccelerometer() {
    if (accelerometerWorking_)
        return;
    const int tries = numAccelerometerStartTries_.fetch_add(1);
    if (tries <= 10)
        setupAccelerometer();
    else if (parent_)
        parent_->showAlert("Accelerometer Failure", kAccelerometerFailureMessage, false);
}

void Performer::accelerometerDidAccelerate(double x, double y, double /*z*/) {
    accelerometerWorking_ = true;
    const GuitarId g = guitar_.load(std::memory_order_relaxed);
    bool overruled = false;
    if (engine_.wahOn(g)) {
        const float reading =
            static_cast<float>(static_cast<double>(currentAccelerometerReadingWah_.load()) * 0.5 + x * 0.5);
        currentAccelerometerReadingWah_ = reading;
        const float c = TiltMapping::wahCoefficient(reading);
        if (recorder_.addWahChangeForGuitar(g, c))
            engine_.setWahForGuitar(g, c);
        else
            overruled = true;
    }
    if (engine_.whammyBarAttached(g)) {
        const float reading = static_cast<float>(
            static_cast<double>(currentAccelerometerReadingWhammy_.load()) * 0.9 + y * 0.1);
        currentAccelerometerReadingWhammy_ = reading;
        const float w = TiltMapping::whammy(reading);
        if (recorder_.addWhammyBarChangeForGuitar(g, w))
            engine_.setWhammyForGuitar(g, w);
        else
            overruled = true;
    }
    songHoldsTilt_[g] = overruled;
    if (tiltObserver_)
        tiltObserver_();
}

void Performer::setGuitar(GuitarId guitar) {
    guitar_.store(validGuitar(guitar) ? guitar : 0, std::memory_order_relaxed);
}

void Performer::setTiltObserver(std::function<void()> observer) {
    tiltObserver_ = std::move(observer);
}

bool Performer::songHoldsTilt(int guitar) const {
    return validGuitar(guitar) && songHoldsTilt_[guitar].load();
}

bool Performer::accelerometerWorking() const {
    return accelerometerWorking_.load();
}

int Performer::numAccelerometerStartTries() const {
    return numAccelerometerStartTries_.load();
}

float Performer::currentAccelerometerReadingWhammy() const {
    return currentAccelerometerReadingWhammy_.load();
}

float Performer::currentAccelerometerReadingWah() const {
    return currentAccelerometerReadingWah_.load();
}
