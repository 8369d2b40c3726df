#include "audio/SoundEngine.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "audio/EngineRenderer.h"
#include "audio/FixedPoint.h"
#include "audio/PatchChangeListener.h"
#include "audio/SoundEngineParent.h"
#include "system/LatencyProbe.h"
#include "system/MainThreadQueue.h"

namespace {

// Guitar 2's mix is rendered in pieces of at most this many frames.
constexpr int kMinChunkFrames = 1024;
constexpr int kMaxChunkFrames = 8192;

bool validVoice(int v) {
    return v >= 0 && v < kNumVoices;
}

} // namespace

SoundEngine::SoundEngine(SoundEngineParent* parent, AudioOutput* output, std::string bundleFolder,
                         const Clock& clock)
    : parent_(parent), output_(output), clock_(clock), bank_(cb_, output, std::move(bundleFolder)),
      random_(std::random_device{}()) {
    cb_.mainThreadQueue = parent_ ? &parent_->mainThreadQueue() : nullptr;
    cb_.output = output_;
    cb_.guitarSampleStartNo[0] = 0;
    cb_.guitarSampleStartNo[1] = 48;
    cb_.patchNo[0] = -1;
    cb_.patchNo[1] = -1;
    // The scratch buffer is allocated once, for the largest buffer the output
    // asks for (within sane bounds); longer requests are rendered in pieces.
    int frames = output_ ? output_->maxFramesPerBuffer() : 0;
    frames = std::clamp(frames, kMinChunkFrames, kMaxChunkFrames);
    cb_.secondAudioQueueBuffer = new int16_t[size_t(frames) * 2]();
    cb_.secondAudioQueueBufferSize = frames * 4;
    monoBuffer_ = new int16_t[size_t(frames) * 2]();
    cb_.monoBuffer = monoBuffer_;
    start();
    loadGenericSamples();
}

SoundEngine::~SoundEngine() {
    stop();
    delete[] cb_.secondAudioQueueBuffer;
    delete[] monoBuffer_;
}

long SoundEngine::random() {
    std::lock_guard<std::mutex> lock(randomMutex_);
    return static_cast<long>(random_() & 0x7fffffffu);
}

void SoundEngine::seedRandom(uint32_t seed) {
    std::lock_guard<std::mutex> lock(randomMutex_);
    random_.seed(seed == 0 ? 1u : seed);
}

// ---------------------------------------------------------------- samples

int SoundEngine::callbackProcStereo(void* userData, int16_t* out, int numFrames) {
    return EngineRenderer::render(*static_cast<CallbackUserData*>(userData), out, numFrames);
}

void SoundEngine::loadSampleAtSlot(int slot, const std::string& fileName) {
    bank_.loadSampleAtSlot(slot, fileName);
}

void SoundEngine::setNoteListener(NoteListener* listener) {
    listener_.store(listener, std::memory_order_release);
}

void SoundEngine::reloadGuitarSamples(int guitar) {
    if (!validGuitar(guitar))
        return;
    bank_.reloadGuitarSamples(guitar);
    if (NoteListener* l = listener_.load(std::memory_order_acquire))
        l->patchChanged(guitar, cb_.patchNo[guitar].load());
}

bool SoundEngine::reloadWaitingSamples() {
    bool any = false;
    for (int g = 0; g < kGuitars; ++g)
        if (bank_.samplesWaiting(g)) {
            reloadGuitarSamples(g);
            any = true;
        }
    return any;
}

void SoundEngine::loadGenericSamples() {
    bank_.loadGenericSamples();
}

std::string SoundEngine::patchName(int guitar) const {
    return validGuitar(guitar) ? bank_.patchName(guitar) : std::string();
}

void SoundEngine::addSineWaveAtSlot(int slot) {
    bank_.addSineWaveAtSlot(slot);
}

const int16_t* SoundEngine::sampleData(int slot) const {
    return bank_.sampleData(slot);
}

int32_t SoundEngine::sampleSize(int slot) const {
    return bank_.sampleSize(slot);
}

void SoundEngine::stepPatch(PatchChangeListener* caller, int guitar, int step) {
    if (!validGuitar(guitar))
        return;
    stopAllSoundsImmediately();
    int patch = cb_.patchNo[guitar].load() + step;
    if (patch > kNumPatches - 1)
        patch = 0;
    if (patch < 0)
        patch = kNumPatches - 1;
    cb_.patchNo[guitar].store(patch);
    reloadGuitarSamples(guitar);
    // The screen is told after the first buffer rendered with the new patch.
    cb_.callerWhoChangedPatch.store(caller, std::memory_order_release);
}

void SoundEngine::nextPatch(PatchChangeListener* caller, int guitar) {
    stepPatch(caller, guitar, +1);
}

void SoundEngine::prevPatch(PatchChangeListener* caller, int guitar) {
    stepPatch(caller, guitar, -1);
}

bool SoundEngine::isAcoustic(int guitar) const {
    return validGuitar(guitar) && cb_.isAcoustic[guitar].load(std::memory_order_relaxed);
}

int SoundEngine::patchNo(int guitar) const {
    return validGuitar(guitar) ? cb_.patchNo[guitar].load() : -1;
}

// ---------------------------------------------------------------- voices

int SoundEngine::startVoice(const NoteRequest& note, int noteID) {
    std::lock_guard<std::mutex> lock(voiceMutex_);
    int chosen = -1;
    for (int v = 0; v < kNumVoices; ++v) {
        if ((cb_.playlist[v].state.load(std::memory_order_acquire) & 1u) == 0) {
            chosen = v;
            break;
        }
    }
    if (chosen < 0) {
        // Steal the oldest voice whose sample may be cut off (lowest index on
        // a tie); the recorder is not told.
        double oldest = 0.0;
        for (int v = 0; v < kNumVoices; ++v) {
            const PlaylistVoice& voice = cb_.playlist[v];
            const int slot = voice.sampleNo.load(std::memory_order_relaxed);
            if (cb_.sampleList[slot].cannotBeCulledOnTooManyNotes.load(std::memory_order_relaxed))
                continue;
            const double created = voice.created.load(std::memory_order_relaxed);
            if (chosen < 0 || created < oldest) {
                chosen = v;
                oldest = created;
            }
        }
        if (chosen < 0)
            return -1;
    }
    PlaylistVoice& voice = cb_.playlist[chosen];
    const uint32_t generation = ((voice.state.load(std::memory_order_relaxed) >> 1) + 1) & 0x7fffffffu;
    // Mark the voice as being rewritten (not playing, new generation) before
    // touching its fields, so the render thread never mixes a half-filled
    // voice nor mistakes it for the old one.
    // The fields the render thread copies are stored with release ordering,
    // so reading any of them shows it this mark.
    voice.state.store(generation << 1, std::memory_order_relaxed);
    voice.sampleNo.store(note.slot, std::memory_order_release);
    voice.guitar.store(validGuitar(note.guitar) ? note.guitar : kNoGuitar, std::memory_order_release);
    voice.requiredVolume.store(note.volume, std::memory_order_release);
    voice.releaseDelta.store(note.releaseDelta, std::memory_order_release);
    voice.noteID.store(noteID, std::memory_order_relaxed);
    voice.created.store(clock_.now(), std::memory_order_relaxed);
    voice.startFrame.store(note.startFrame, std::memory_order_release);
    voice.requiredPitch.store(1.0f, std::memory_order_relaxed);
    voice.stopRequest.store(0, std::memory_order_relaxed);
    voice.pitchResetRequest.store(0, std::memory_order_relaxed);
    voice.state.store((generation << 1) | 1u, std::memory_order_release);
    LatencyProbe::voiceStartRequested();
    return chosen;
}

int SoundEngine::play(const NoteRequest& note, int noteID) {
    // Sample numbers from songs are untrusted: outside the bank they start nothing.
    if (note.slot < 0 || note.slot >= kNumSampleSlots)
        return -1;
    const int voice = startVoice(note, noteID);
    NoteListener* l = listener_.load(std::memory_order_acquire);
    if (l != nullptr && voice >= 0 && validGuitar(note.guitar)) {
        const int sampleNo = note.slot - cb_.guitarSampleStartNo[note.guitar];
        if (sampleNo >= 0 && sampleNo < SampleBank::kSamplesPerPatch)
            l->noteStarted(voice, note.guitar, sampleNo, note.string, static_cast<float>(note.volume),
                           note.source);
    }
    return voice;
}

SoundEngine::NoteRequest SoundEngine::noteFor(int guitar, int sampleNo) const {
    if (!validGuitar(guitar))
        return {};
    return {sampleNo + cb_.guitarSampleStartNo[guitar],
            cb_.guitarVolume[guitar].load(std::memory_order_relaxed),
            cb_.guitarReleaseDelta[guitar].load(std::memory_order_relaxed), guitar};
}

SoundEngine::NoteRequest SoundEngine::noteFor(int guitar, int sampleNo, float volume) const {
    if (!validGuitar(guitar))
        return {};
    // The product is taken in float, as the volume is kept.
    const float scaled = volume * cb_.guitarVolume[guitar].load(std::memory_order_relaxed);
    return {sampleNo + cb_.guitarSampleStartNo[guitar], scaled,
            cb_.guitarReleaseDelta[guitar].load(std::memory_order_relaxed), guitar};
}

SoundEngine::NoteRequest SoundEngine::humanizedNoteFor(int guitar, int sampleNo) {
    const long r = random();
    const float volume = static_cast<float>(1.0 - static_cast<double>(r % 4) / 10.0);
    return noteFor(guitar, sampleNo, volume);
}

SoundEngine::NoteRequest SoundEngine::fretNoiseFor(int guitar) {
    if (!validGuitar(guitar))
        return {};
    const int slot = kFirstFretNoiseSlot + static_cast<int>(random() % 10);
    return {slot, static_cast<double>(cb_.guitarVolume[guitar].load(std::memory_order_relaxed)) * 0.7, 0.0};
}

SoundEngine::NoteRequest SoundEngine::tapNoiseFor(int guitar) {
    if (!validGuitar(guitar))
        return {};
    const int slot = kFirstTapNoiseSlot + static_cast<int>(random() % 12);
    return {slot, static_cast<double>(cb_.guitarVolume[guitar].load(std::memory_order_relaxed)) * 0.5, 0.0};
}

int SoundEngine::playUnrecorded(int guitar, int sampleNo) {
    return play(noteFor(guitar, sampleNo), -1);
}

int SoundEngine::playUnrecorded(int guitar, int sampleNo, float volume) {
    return play(noteFor(guitar, sampleNo, volume), -1);
}

void SoundEngine::stopSample(int voice) {
    if (!validVoice(voice))
        return;
    PlaylistVoice& v = cb_.playlist[voice];
    const uint32_t word = v.state.load(std::memory_order_acquire);
    if (word & 1u)
        v.stopRequest.store(word, std::memory_order_release);
    if (NoteListener* l = listener_.load(std::memory_order_acquire))
        l->noteReleased(voice);
}

void SoundEngine::stopAllSounds() {
    // A stop on a voice that is not playing has no effect (a start clears
    // it), so only playing voices are marked.
    for (int v = 0; v < kNumVoices; ++v)
        stopSample(v);
}

void SoundEngine::stopAllSoundsImmediately() {
    std::lock_guard<std::mutex> lock(voiceMutex_);
    for (PlaylistVoice& voice : cb_.playlist)
        voice.state.fetch_and(~1u, std::memory_order_acq_rel);
}

void SoundEngine::start() {
    if (output_) {
        output_->setRenderCallback(&SoundEngine::callbackProcStereo, &cb_);
        cb_.done.store(false, std::memory_order_release);
        cb_.audioQueueStarted.store(output_->start(), std::memory_order_relaxed);
    } else {
        // No output: whoever pulls the callback (an offline renderer) gets sound.
        cb_.done.store(false, std::memory_order_release);
        cb_.audioQueueStarted.store(true, std::memory_order_relaxed);
    }
}

void SoundEngine::stop() {
    cb_.done.store(true, std::memory_order_release);
    if (output_)
        output_->stop();
    cb_.audioQueueStarted.store(false, std::memory_order_relaxed);
}

bool SoundEngine::voicePlaying(int voice) const {
    return validVoice(voice) && (cb_.playlist[voice].state.load(std::memory_order_acquire) & 1u) != 0;
}

int SoundEngine::voiceNoteID(int voice) const {
    return validVoice(voice) ? cb_.playlist[voice].noteID.load(std::memory_order_relaxed) : -1;
}

PlaylistVoiceState SoundEngine::voiceState(int voice) const {
    PlaylistVoiceState s;
    if (!validVoice(voice))
        return s;
    const PlaylistVoice& v = cb_.playlist[voice];
    const uint32_t word = v.state.load(std::memory_order_acquire);
    s.playing = (word & 1u) != 0;
    s.noteID = v.noteID.load();
    s.sampleNo = v.sampleNo.load();
    s.requiredVolume = v.requiredVolume.load();
    s.releaseDelta = v.releaseDelta.load();
    s.created = v.created.load();
    s.requiredPitch = v.requiredPitch.load();
    s.wantToStop = s.playing && v.stopRequest.load() == word;
    const RenderVoice& r = v.render;
    if ((word >> 1) == r.generation) {
        s.playPosition = r.playPosition;
        s.ADSRVolume = r.ADSRVolume;
        s.ADSRVolumeDelta = r.ADSRVolumeDelta;
        s.phase = r.phase;
        s.atLeastOneBufferFilled = r.atLeastOneBufferFilled;
        s.pitch = v.pitchResetRequest.load() == word ? 1.0f : r.pitch;
    }
    return s;
}

int SoundEngine::numSamplesPlaying() const {
    // Counted from the voices themselves, so it can never drift: a voice
    // sounds from its start until its release ends, it is cleared or stolen,
    // or the render thread finds that it can add nothing more.
    int count = 0;
    for (const PlaylistVoice& voice : cb_.playlist) {
        const uint32_t word = voice.state.load(std::memory_order_acquire);
        if ((word & 1u) != 0 && voice.silentState.load(std::memory_order_acquire) != word)
            ++count;
    }
    return count;
}

// ---------------------------------------------------------------- bends

void SoundEngine::bendTo(int voice, float pitch) {
    if (!validVoice(voice))
        return;
    cb_.playlist[voice].requiredPitch.store(pitch, std::memory_order_relaxed);
    if (NoteListener* l = listener_.load(std::memory_order_acquire))
        l->noteBent(voice, pitch);
}

void SoundEngine::stopBend(int voice) {
    if (!validVoice(voice))
        return;
    PlaylistVoice& v = cb_.playlist[voice];
    v.requiredPitch.store(1.0f, std::memory_order_relaxed);
    const uint32_t word = v.state.load(std::memory_order_acquire);
    if (word & 1u)
        v.pitchResetRequest.store(word, std::memory_order_release);
    if (NoteListener* l = listener_.load(std::memory_order_acquire))
        l->noteBent(voice, 1.0f);
}

void SoundEngine::setPitch(float pitch, int noteID) {
    for (int v = 0; v < kNumVoices; ++v) {
        PlaylistVoice& voice = cb_.playlist[v];
        if (voice.noteID.load(std::memory_order_relaxed) == noteID) {
            voice.requiredPitch.store(pitch, std::memory_order_relaxed);
            if (NoteListener* l = listener_.load(std::memory_order_acquire))
                l->noteBent(v, pitch);
            return;
        }
    }
}

void SoundEngine::setWhammyForGuitar(int guitar, float pitch, NoteListener::Source source) {
    if (!validGuitar(guitar))
        return;
    cb_.whammy[guitar].store(pitch, std::memory_order_relaxed);
    if (NoteListener* l = listener_.load(std::memory_order_acquire))
        l->whammyMoved(guitar, pitch, source);
}

float SoundEngine::whammy(int guitar) const {
    return validGuitar(guitar) ? cb_.whammy[guitar].load(std::memory_order_relaxed) : 0.0f;
}

bool SoundEngine::whammyBarAttached(int guitar) const {
    return validGuitar(guitar) && cb_.whammyBarAttached[guitar].load(std::memory_order_relaxed);
}

void SoundEngine::setWhammyBarAttached(int guitar, bool attached) {
    if (validGuitar(guitar))
        cb_.whammyBarAttached[guitar].store(attached, std::memory_order_relaxed);
}

bool SoundEngine::pitchBendOn(int guitar) const {
    return validGuitar(guitar) && cb_.pitchBendOn[guitar].load(std::memory_order_relaxed);
}

void SoundEngine::setPitchBendOn(int guitar, bool on) {
    if (validGuitar(guitar))
        cb_.pitchBendOn[guitar].store(on, std::memory_order_relaxed);
}

// ---------------------------------------------------------------- effects

bool SoundEngine::delayOn(int guitar) const {
    return validGuitar(guitar) && effect<DelayEffect>(guitar).on();
}

void SoundEngine::setDelayOn(int guitar, bool delayOn) {
    if (validGuitar(guitar))
        effect<DelayEffect>(guitar).setOn(delayOn);
}

bool SoundEngine::pingPong(int guitar) const {
    return validGuitar(guitar) && effect<DelayEffect>(guitar).pingPong();
}

void SoundEngine::setPingPong(int guitar, bool pingPong) {
    if (validGuitar(guitar))
        effect<DelayEffect>(guitar).setPingPong(pingPong);
}

int SoundEngine::delayTime(int guitar) const {
    return validGuitar(guitar) ? effect<DelayEffect>(guitar).time() : 0;
}

void SoundEngine::setDelayTime(int guitar, int delayTime) {
    if (validGuitar(guitar))
        effect<DelayEffect>(guitar).setTime(delayTime);
}

float SoundEngine::delayFeedback(int guitar) const {
    return validGuitar(guitar) ? effect<DelayEffect>(guitar).feedback() : 0.0f;
}

void SoundEngine::setDelayFeedback(int guitar, float delayFeedback) {
    if (validGuitar(guitar))
        effect<DelayEffect>(guitar).setFeedback(delayFeedback);
}

float SoundEngine::delayMix(int guitar) const {
    return validGuitar(guitar) ? effect<DelayEffect>(guitar).mix() : 0.0f;
}

void SoundEngine::setDelayMix(int guitar, float delayMix) {
    if (validGuitar(guitar))
        effect<DelayEffect>(guitar).setMix(delayMix);
}

bool SoundEngine::fuzzOn(int guitar) const {
    return validGuitar(guitar) && effect<FuzzEffect>(guitar).on();
}

void SoundEngine::setFuzzOn(int guitar, bool fuzzOn) {
    if (validGuitar(guitar))
        effect<FuzzEffect>(guitar).setOn(fuzzOn);
}

void SoundEngine::setFuzzThreshold(int guitar, float threshold) {
    if (validGuitar(guitar))
        effect<FuzzEffect>(guitar).setThreshold(threshold);
}

float SoundEngine::fuzzThreshold(int guitar) const {
    return validGuitar(guitar) ? effect<FuzzEffect>(guitar).threshold() : 0.0f;
}

bool SoundEngine::wahOn(int guitar) const {
    return validGuitar(guitar) && effect<WahEffect>(guitar).on();
}

void SoundEngine::setWahOn(int guitar, bool wahOn) {
    if (validGuitar(guitar))
        effect<WahEffect>(guitar).setOn(wahOn);
}

void SoundEngine::setWahForGuitar(int guitar, float pitch, NoteListener::Source source) {
    // Songs from elsewhere may hold any value; the pedal's range keeps the
    // filter from ringing.
    if (!validGuitar(guitar))
        return;
    effect<WahEffect>(guitar).setCoefficient(pitch);
    if (NoteListener* l = listener_.load(std::memory_order_acquire))
        l->wahMoved(guitar, effect<WahEffect>(guitar).coefficient(), source);
}

float SoundEngine::wahForGuitar(int guitar) const {
    return validGuitar(guitar) ? effect<WahEffect>(guitar).coefficient() : 0.5f;
}

// ---------------------------------------------------------------- settings

float SoundEngine::guitarVolume(int guitar) const {
    return validGuitar(guitar) ? cb_.guitarVolume[guitar].load(std::memory_order_relaxed) : 0.0f;
}

void SoundEngine::setGuitarVolume(int guitar, float volume) {
    if (validGuitar(guitar))
        cb_.guitarVolume[guitar].store(volume, std::memory_order_relaxed);
}

float SoundEngine::guitarSustain(int guitar) const {
    if (!validGuitar(guitar))
        return 0.0f;
    const float slope = static_cast<float>(cb_.guitarReleaseDelta[guitar].load(std::memory_order_relaxed));
    return static_cast<float>((slope + 8.8e-5) / 7.3e-5);
}

void SoundEngine::setGuitarSustain(int guitar, float sustain) {
    if (validGuitar(guitar))
        cb_.guitarReleaseDelta[guitar].store(-8.8e-5 + sustain * 7.3e-5, std::memory_order_relaxed);
}

double SoundEngine::guitarReleaseDelta(int guitar) const {
    return validGuitar(guitar) ? cb_.guitarReleaseDelta[guitar].load(std::memory_order_relaxed) : 0.0;
}

int SoundEngine::numFretsToShow() const {
    return numFretsToShow_.load(std::memory_order_relaxed);
}

void SoundEngine::setNumFretsToShow(int numFrets) {
    numFretsToShow_.store(numFrets, std::memory_order_relaxed);
}

void SoundEngine::resetState() {
    numFretsToShow_ = 5;
    const float sustain[kGuitars] = {0.95f, 0.7f};
    const int patch[kGuitars] = {1, 3};
    for (int g = 0; g < kGuitars; ++g) {
        cb_.guitarVolume[g] = 0.5f;
        cb_.whammyBarAttached[g] = g == 1;
        cb_.pitchBendOn[g] = g == 1;
        setGuitarSustain(g, sustain[g]);
        cb_.patchNo[g] = patch[g];
        reloadGuitarSamples(g);
        cb_.effects[g].forEach([g](auto& unit) { unit.apply(unit.kDefaults[g]); });
    }
}

EngineSettings SoundEngine::settings() const {
    EngineSettings s;
    for (int g = 0; g < kGuitars; ++g) {
        s.of<GuitarPatch>(g) = {cb_.guitarVolume[g].load(), cb_.guitarReleaseDelta[g].load(),
                                cb_.patchNo[g].load()};
        s.of<WhammyBar>(g).attached = cb_.whammyBarAttached[g].load();
        s.of<PitchBend>(g).on = cb_.pitchBendOn[g].load();
        cb_.effects[g].forEach(
            [&s, g](const auto& unit) { s.of<std::remove_cvref_t<decltype(unit)>>(g) = unit.params(); });
    }
    s.of<FretsShown>().count = numFretsToShow_.load();
    return s;
}

void SoundEngine::applySettings(const EngineSettings& s) {
    for (int g = 0; g < kGuitars; ++g) {
        const GuitarPatch::Params& patch = s.of<GuitarPatch>(g);
        cb_.guitarVolume[g] = patch.volume;
        cb_.guitarReleaseDelta[g] = patch.releaseDelta;
        if (patch.patchNo != cb_.patchNo[g].load()) {
            cb_.patchNo[g] = patch.patchNo;
            reloadGuitarSamples(g);
        }
        cb_.whammyBarAttached[g] = s.of<WhammyBar>(g).attached;
        cb_.pitchBendOn[g] = s.of<PitchBend>(g).on;
        cb_.effects[g].forEach(
            [&s, g](auto& unit) { unit.apply(s.of<std::remove_cvref_t<decltype(unit)>>(g)); });
    }
    numFretsToShow_ = s.of<FretsShown>().count;
}
