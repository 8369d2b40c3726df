#include "audio/SoundEngine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/EffectsChain.h"
#include "audio/FixedPoint.h"
#include "audio/PatchChangeListener.h"
#include "audio/SoundEngineParent.h"
#include "audio/VoiceMixer.h"
#include "audio/WavReader.h"
#include "core/StrumwellFailure.h"
#include "platform/core/LatencyProbe.h"
#include "platform/core/MainThreadQueue.h"

namespace {

constexpr int kPatchSize = 48;
constexpr int kNumPatches = 5;
constexpr int kSectionSize = 72;
constexpr int kSectionSizeVersion0 = 60;
// Guitar 2's mix is rendered in pieces of at most this many frames.
constexpr int kMinChunkFrames = 1024;
constexpr int kMaxChunkFrames = 8192;

struct PatchInfo {
    const char* name;
    const char* prefix;
    bool acoustic;
};

PatchInfo patchInfo(int patchNo) {
    switch (patchNo) {
    case 0:
        return {"Acoustic 1", "A1-", true};
    case 1:
        return {"Acoustic 2", "A2-", true};
    case 2:
        return {"Electric 1", "E3-", false};
    case 3:
        return {"Electric 2", "E2-", false};
    case 4:
        return {"Clean Electric", "CE-", false};
    default:
        return {"Acoustic Fingerpick", "A1-", true};
    }
}

bool validGuitar(int g) {
    return g == 0 || g == 1;
}
bool validVoice(int v) {
    return v >= 0 && v < kNumVoices;
}

template <typename T> void putLE(std::vector<uint8_t>& out, T value) {
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    // Stored little-endian whatever the machine.
    if constexpr (std::endian::native == std::endian::big)
        std::reverse(bytes, bytes + sizeof(T));
    out.insert(out.end(), bytes, bytes + sizeof(T));
}

template <typename T> T getLE(const uint8_t* p) {
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, p, sizeof(T));
    if constexpr (std::endian::native == std::endian::big)
        std::reverse(bytes, bytes + sizeof(T));
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

void sendTurnTouchscreenBackOn(void* context) {
    static_cast<PatchChangeListener*>(context)->turnTouchscreenBackOn();
}

} // namespace

const char* const SoundEngine::kAccelerometerFailureMessage =
    "The accelerometer did not initialise.  Please close Strumwell by holding down the Home button for 10 "
    "seconds, and then relaunch it.";

SoundEngine::SoundEngine(SoundEngineParent* parent, AudioOutput* output, Accelerometer* accelerometer,
                         std::string bundleFolder, const Clock& clock)
    : parent_(parent), output_(output), accelerometer_(accelerometer), bundleFolder_(std::move(bundleFolder)),
      clock_(clock), recorder_(&nullRecorder_), random_(std::random_device{}()) {
    numAccelerometerStartTries_ = 0;
    setupAccelerometer();
    cb_.mainThreadQueue = parent_ ? &parent_->mainThreadQueue() : nullptr;
    cb_.output = output_;
    cb_.guitarSampleStartNo[0] = 0;
    cb_.guitarSampleStartNo[1] = 48;
    cb_.patchNo[0] = -1;
    cb_.patchNo[1] = -1;
    for (int g = 0; g < 2; ++g) {
        cb_.delaySetup[g].delayBuffer = new int16_t[kDelayRingValues]();
        cb_.wahSetup[g].f = 0.5f;
    }
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
    if (accelerometer_)
        accelerometer_->setDelegate(nullptr);
    if (parent_ && checkToken_ != 0)
        parent_->mainThreadQueue().cancel(checkToken_);
    for (SampleSlot& slot : cb_.sampleList)
        delete[] slot.rawData.load();
    for (DelaySetup& delay : cb_.delaySetup)
        delete[] delay.delayBuffer;
    delete[] cb_.secondAudioQueueBuffer;
    delete[] monoBuffer_;
}

void SoundEngine::setRecorder(EngineRecorder* recorder) {
    recorder_.store(recorder ? recorder : &nullRecorder_, std::memory_order_release);
}

EngineRecorder* SoundEngine::recorder() const {
    return recorder_.load(std::memory_order_acquire);
}

long SoundEngine::random() {
    std::lock_guard<std::mutex> lock(randomMutex_);
    return static_cast<long>(random_() & 0x7fffffffu);
}

void SoundEngine::seedRandom(uint32_t seed) {
    std::lock_guard<std::mutex> lock(randomMutex_);
    random_.seed(seed == 0 ? 1u : seed);
}

// ---------------------------------------------------------------- render

int SoundEngine::callbackProcStereo(void* userData, int16_t* out, int numFrames) {
    CallbackUserData& cb = *static_cast<CallbackUserData*>(userData);
    if (cb.done.load(std::memory_order_acquire))
        return -1;
    if (numFrames < 0 || (out == nullptr && numFrames > 0))
        return -1;
    cb.numFramesPerBuffer.store(numFrames, std::memory_order_relaxed);

    const bool bend[2] = {cb.pitchBendOn[0].load(std::memory_order_relaxed) ||
                              cb.whammyBarAttached[0].load(std::memory_order_relaxed),
                          cb.pitchBendOn[1].load(std::memory_order_relaxed) ||
                              cb.whammyBarAttached[1].load(std::memory_order_relaxed)};
    VoiceMixer::beginBuffer(cb, numFrames, bend);
    EffectsChain::BufferState effects[2] = {EffectsChain::begin(cb, 0), EffectsChain::begin(cb, 1)};

    const int chunk = cb.secondAudioQueueBufferSize / 4;
    int16_t* scratch = cb.secondAudioQueueBuffer;
    int16_t* mono = cb.monoBuffer;
    for (int offset = 0; offset < numFrames; offset += chunk) {
        const int frames = std::min(chunk, numFrames - offset);
        int16_t* output = out + 2 * offset;
        // Guitar 1 into the output, guitar 2 into the scratch buffer. Each is
        // mixed in mono (left and right are equal until the effects) and
        // then spread to both sides.
        for (int g = 0; g < 2; ++g) {
            int16_t* stereo = g == 0 ? output : scratch;
            std::memset(mono, 0, sizeof(int16_t) * size_t(frames));
            VoiceMixer::mixGuitarMono(cb, mono, frames, g, bend[g]);
            for (int k = 0; k < frames; ++k) {
                stereo[2 * k] = mono[k];
                stereo[2 * k + 1] = mono[k];
            }
        }
        EffectsChain::process(cb, 0, effects[0], output, frames);
        EffectsChain::process(cb, 1, effects[1], scratch, frames);
        // The noises bypass the effects.
        VoiceMixer::mixGenericStereo(cb, scratch, frames);
        for (int k = 0; k < 2 * frames; ++k)
            output[k] = int16_t(std::clamp(int32_t(scratch[k]) + int32_t(output[k]), -32767, 32767));
    }
    VoiceMixer::endBuffer(cb);
    EffectsChain::end(cb, 0, effects[0]);
    EffectsChain::end(cb, 1, effects[1]);

    if (PatchChangeListener* caller = cb.callerWhoChangedPatch.exchange(nullptr, std::memory_order_acq_rel)) {
        // The queue never blocks or allocates here; if it is full the message
        // goes with the next buffer.
        if (cb.mainThreadQueue == nullptr ||
            !cb.mainThreadQueue->postFromRealtime(&sendTurnTouchscreenBackOn, caller)) {
            if (cb.mainThreadQueue != nullptr) {
                PatchChangeListener* expected = nullptr;
                cb.callerWhoChangedPatch.compare_exchange_strong(expected, caller, std::memory_order_acq_rel);
            }
        }
    }
    return 0;
}

// ---------------------------------------------------------------- samples

bool SoundEngine::readSampleFile(const std::string& fileName, WavReader::Sample& sample) {
    std::string error;
    bool missing = false;
    const std::string path = bundleFolder_.empty() ? fileName : bundleFolder_ + "/" + fileName;
    const bool read = WavReader::readFile(path, sample, error, missing);
    // Each damaged or missing file is reported once, however often it is
    // asked for again (every patch change reloads the same files).
    std::string line;
    if (missing)
        line = "Sample file missing: " + fileName;
    else if (!read)
        line = "Error loading file " + fileName + ": " + error;
    else if (sample.cutShort)
        line = "Sample file cut short: " + fileName + " (playing the " + std::to_string(sample.count) +
               " values it holds)";
    if (!line.empty() && reportedFiles_.insert(fileName).second)
        std::printf("%s\n", line.c_str());
    return read;
}

void SoundEngine::swapSlots(std::vector<LoadedSample>& loaded) {
    std::vector<int16_t*> old(loaded.size(), nullptr);
    {
        // The callback is not running while the output is locked, so it never
        // reads a block after it has been freed below.
        AudioOutputLock lock(output_);
        for (size_t k = 0; k < loaded.size(); ++k) {
            SampleSlot& slot = cb_.sampleList[loaded[k].slot];
            old[k] = slot.rawData.load(std::memory_order_relaxed);
            slot.rawData.store(loaded[k].sample.values.release(), std::memory_order_relaxed);
            slot.rawDataSize.store(int32_t(loaded[k].sample.count), std::memory_order_relaxed);
            slot.cannotBeCulledOnTooManyNotes.store(false, std::memory_order_relaxed);
        }
    }
    for (int16_t* block : old)
        delete[] block;
    cb_.numSampleListEntries.fetch_add(int32_t(loaded.size()), std::memory_order_relaxed);
}

void SoundEngine::loadSampleAtSlot(int slot, const std::string& fileName) {
    if (slot < 0 || slot >= kNumSampleSlots)
        return;
    std::lock_guard<std::mutex> lock(loadMutex_);
    std::vector<LoadedSample> loaded(1);
    loaded[0].slot = slot;
    if (readSampleFile(fileName, loaded[0].sample))
        swapSlots(loaded);
}

void SoundEngine::reloadGuitarSamples(int guitar) {
    if (!validGuitar(guitar))
        return;
    std::lock_guard<std::mutex> lock(loadMutex_);
    const PatchInfo info = patchInfo(cb_.patchNo[guitar].load());
    cb_.patchNames[guitar] = info.name;
    cb_.isAcoustic[guitar].store(info.acoustic, std::memory_order_relaxed);
    // Every file is read before the render thread is held off, and only then
    // are the new blocks swapped in.
    std::vector<LoadedSample> loaded;
    loaded.reserve(kPatchSize);
    for (int k = 0; k < kPatchSize; ++k) {
        char name[64];
        std::snprintf(name, sizeof(name), "%s%d%s", info.prefix, k + 1, ".wav");
        LoadedSample entry;
        entry.slot = cb_.guitarSampleStartNo[guitar] + k;
        if (readSampleFile(name, entry.sample))
            loaded.push_back(std::move(entry));
    }
    if (!loaded.empty())
        swapSlots(loaded);
}

void SoundEngine::loadGenericSamples() {
    std::lock_guard<std::mutex> lock(loadMutex_);
    std::vector<LoadedSample> loaded;
    loaded.reserve(22);
    for (int n = 1; n <= 22; ++n) {
        char name[32];
        if (n <= 10)
            std::snprintf(name, sizeof(name), "fret%d.wav", n);
        else
            std::snprintf(name, sizeof(name), "tap%d.wav", n - 10);
        LoadedSample entry;
        entry.slot = (n <= 10) ? kFirstFretNoiseSlot + n - 1 : kFirstTapNoiseSlot + n - 11;
        if (readSampleFile(name, entry.sample))
            loaded.push_back(std::move(entry));
    }
    if (!loaded.empty())
        swapSlots(loaded);
}

void SoundEngine::stepPatch(PatchChangeListener* caller, int guitar, int step) {
    if (!validGuitar(guitar))
        return;
    recorder()->stop();
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

std::string SoundEngine::patchName(int guitar) const {
    if (!validGuitar(guitar))
        return std::string();
    std::lock_guard<std::mutex> lock(loadMutex_);
    return cb_.patchNames[guitar];
}

bool SoundEngine::isAcoustic(int guitar) const {
    return validGuitar(guitar) && cb_.isAcoustic[guitar].load(std::memory_order_relaxed);
}

int SoundEngine::patchNo(int guitar) const {
    return validGuitar(guitar) ? cb_.patchNo[guitar].load() : -1;
}

void SoundEngine::addSineWaveAtSlot(int slot) {
    if (slot < 0 || slot >= kNumSampleSlots)
        return;
    std::lock_guard<std::mutex> lock(loadMutex_);
    std::vector<LoadedSample> loaded(1);
    loaded[0].slot = slot;
    WavReader::Sample& tone = loaded[0].sample;
    tone.count = 176400;
    tone.values.reset(new int16_t[tone.count]);
    tone.values[0] = 0;
    double angle = 0.0;
    for (size_t i = 1; i < tone.count; ++i) {
        angle += 0.07;
        tone.values[i] = int16_t(std::sin(angle) * 32767.0);
    }
    // Unlike the first version of this tone, the old data is freed.
    swapSlots(loaded);
}

const int16_t* SoundEngine::sampleData(int slot) const {
    if (slot < 0 || slot >= kNumSampleSlots)
        return nullptr;
    return cb_.sampleList[slot].rawDataSize.load() > 0 ? cb_.sampleList[slot].rawData.load() : nullptr;
}

int32_t SoundEngine::sampleSize(int slot) const {
    if (slot < 0 || slot >= kNumSampleSlots)
        return 0;
    return cb_.sampleList[slot].rawDataSize.load();
}

// ---------------------------------------------------------------- voices

int SoundEngine::startVoice(int sampleNo, double volume, double releaseDelta, int noteID) {
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
    voice.sampleNo.store(sampleNo, std::memory_order_release);
    voice.requiredVolume.store(volume, std::memory_order_release);
    voice.releaseDelta.store(releaseDelta, std::memory_order_release);
    voice.noteID.store(noteID, std::memory_order_relaxed);
    voice.created.store(clock_.now(), std::memory_order_relaxed);
    voice.requiredPitch.store(1.0f, std::memory_order_relaxed);
    voice.stopRequest.store(0, std::memory_order_relaxed);
    voice.pitchResetRequest.store(0, std::memory_order_relaxed);
    voice.state.store((generation << 1) | 1u, std::memory_order_release);
    LatencyProbe::voiceStartRequested();
    return chosen;
}

int SoundEngine::playSampleWithSampleNo(int sampleNo, double volume, double releaseDelta, int noteID) {
    // Sample numbers from songs are untrusted: outside the bank they start nothing.
    if (sampleNo < 0 || sampleNo >= kNumSampleSlots)
        return -1;
    return startVoice(sampleNo, volume, releaseDelta, noteID);
}

int SoundEngine::playAndRecordSampleWithSampleNo(int sampleNo, double volume, double releaseDelta) {
    if (sampleNo < 0 || sampleNo >= kNumSampleSlots)
        return -1;
    const int noteID = recorder()->addPlayNote(sampleNo, static_cast<float>(volume), releaseDelta);
    return playSampleWithSampleNo(sampleNo, volume, releaseDelta, noteID);
}

int SoundEngine::playSampleWithGuitar(int guitar, int sampleNo) {
    if (!validGuitar(guitar))
        return -1;
    return playAndRecordSampleWithSampleNo(sampleNo + cb_.guitarSampleStartNo[guitar],
                                           cb_.guitarVolume[guitar].load(std::memory_order_relaxed),
                                           cb_.guitarReleaseDelta[guitar].load(std::memory_order_relaxed));
}

int SoundEngine::playSampleWithGuitar(int guitar, int sampleNo, float volume) {
    if (!validGuitar(guitar))
        return -1;
    const float scaled = volume * cb_.guitarVolume[guitar].load(std::memory_order_relaxed);
    return playAndRecordSampleWithSampleNo(sampleNo + cb_.guitarSampleStartNo[guitar], scaled,
                                           cb_.guitarReleaseDelta[guitar].load(std::memory_order_relaxed));
}

int SoundEngine::playSampleWithHumanizedVolumeAndGuitar(int guitar, int sampleNo) {
    const long r = random();
    const float volume = static_cast<float>(1.0 - static_cast<double>(r % 4) / 10.0);
    return playSampleWithGuitar(guitar, sampleNo, volume);
}

void SoundEngine::playNoiseFretWithGuitar(int guitar) {
    if (!validGuitar(guitar))
        return;
    const int sample = kFirstFretNoiseSlot + static_cast<int>(random() % 10);
    const int voice = playAndRecordSampleWithSampleNo(
        sample, static_cast<double>(cb_.guitarVolume[guitar].load(std::memory_order_relaxed)) * 0.7, 0.0);
    stopAndRecordSample(voice);
}

void SoundEngine::playNoiseTapWithGuitar(int guitar) {
    if (!validGuitar(guitar))
        return;
    const int sample = kFirstTapNoiseSlot + static_cast<int>(random() % 12);
    const int voice = playAndRecordSampleWithSampleNo(
        sample, static_cast<double>(cb_.guitarVolume[guitar].load(std::memory_order_relaxed)) * 0.5, 0.0);
    stopAndRecordSample(voice);
}

void SoundEngine::stopSample(int voice) {
    if (!validVoice(voice))
        return;
    PlaylistVoice& v = cb_.playlist[voice];
    const uint32_t word = v.state.load(std::memory_order_acquire);
    if (word & 1u)
        v.stopRequest.store(word, std::memory_order_release);
}

void SoundEngine::stopAndRecordSample(int voice) {
    if (!validVoice(voice))
        return;
    stopSample(voice);
    recorder()->addStopNote(cb_.playlist[voice].noteID.load(std::memory_order_relaxed));
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

void SoundEngine::startFullBend(int voice) {
    if (!validVoice(voice))
        return;
    cb_.playlist[voice].requiredPitch.store(kFullBendPitch, std::memory_order_relaxed);
    recorder()->addPitchChange(cb_.playlist[voice].noteID.load(std::memory_order_relaxed), kFullBendPitch);
}

void SoundEngine::startHalfBend(int voice) {
    if (!validVoice(voice))
        return;
    cb_.playlist[voice].requiredPitch.store(kHalfBendPitch, std::memory_order_relaxed);
    recorder()->addPitchChange(cb_.playlist[voice].noteID.load(std::memory_order_relaxed), kHalfBendPitch);
}

void SoundEngine::unbend(int voice) {
    if (!validVoice(voice))
        return;
    cb_.playlist[voice].requiredPitch.store(1.0f, std::memory_order_relaxed);
    recorder()->addPitchChange(cb_.playlist[voice].noteID.load(std::memory_order_relaxed), 1.0f);
}

void SoundEngine::stopBend(int voice) {
    if (!validVoice(voice))
        return;
    PlaylistVoice& v = cb_.playlist[voice];
    v.requiredPitch.store(1.0f, std::memory_order_relaxed);
    const uint32_t word = v.state.load(std::memory_order_acquire);
    if (word & 1u)
        v.pitchResetRequest.store(word, std::memory_order_release);
    recorder()->addPitchChange(v.noteID.load(std::memory_order_relaxed), 1.0f);
}

void SoundEngine::setPitch(float pitch, int noteID) {
    for (PlaylistVoice& voice : cb_.playlist) {
        if (voice.noteID.load(std::memory_order_relaxed) == noteID) {
            voice.requiredPitch.store(pitch, std::memory_order_relaxed);
            return;
        }
    }
}

void SoundEngine::setWhammyForGuitar(int guitar, float pitch) {
    if (validGuitar(guitar))
        cb_.whammy[guitar].store(pitch, std::memory_order_relaxed);
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

void SoundEngine::requestRingClear(int guitar) {
    cb_.delaySetup[guitar].clearRequests.fetch_add(1, std::memory_order_release);
}

bool SoundEngine::delayOn(int guitar) const {
    return validGuitar(guitar) && cb_.delaySetup[guitar].delayOn.load(std::memory_order_relaxed);
}

void SoundEngine::setDelayOn(int guitar, bool delayOn) {
    if (!validGuitar(guitar))
        return;
    requestRingClear(guitar);
    cb_.delaySetup[guitar].delayOn.store(delayOn, std::memory_order_relaxed);
}

bool SoundEngine::pingPong(int guitar) const {
    return validGuitar(guitar) && cb_.delaySetup[guitar].pingPong.load(std::memory_order_relaxed);
}

void SoundEngine::setPingPong(int guitar, bool pingPong) {
    if (validGuitar(guitar))
        cb_.delaySetup[guitar].pingPong.store(pingPong, std::memory_order_relaxed);
}

int SoundEngine::delayTime(int guitar) const {
    return validGuitar(guitar) ? cb_.delaySetup[guitar].delayTime.load(std::memory_order_relaxed) : 0;
}

void SoundEngine::setDelayTime(int guitar, int delayTime) {
    if (!validGuitar(guitar))
        return;
    requestRingClear(guitar);
    cb_.delaySetup[guitar].delayTime.store(delayTime, std::memory_order_relaxed);
}

float SoundEngine::delayFeedback(int guitar) const {
    return validGuitar(guitar) ? cb_.delaySetup[guitar].delayFeedback.load(std::memory_order_relaxed) : 0.0f;
}

void SoundEngine::setDelayFeedback(int guitar, float delayFeedback) {
    if (validGuitar(guitar))
        cb_.delaySetup[guitar].delayFeedback.store(FixedPoint::unitRange(delayFeedback),
                                                   std::memory_order_relaxed);
}

float SoundEngine::delayMix(int guitar) const {
    return validGuitar(guitar) ? cb_.delaySetup[guitar].delayMix.load(std::memory_order_relaxed) : 0.0f;
}

void SoundEngine::setDelayMix(int guitar, float delayMix) {
    if (validGuitar(guitar))
        cb_.delaySetup[guitar].delayMix.store(FixedPoint::unitRange(delayMix), std::memory_order_relaxed);
}

bool SoundEngine::fuzzOn(int guitar) const {
    return validGuitar(guitar) && cb_.fuzzSetup[guitar].fuzzOn.load(std::memory_order_relaxed);
}

void SoundEngine::setFuzzOn(int guitar, bool fuzzOn) {
    if (validGuitar(guitar))
        cb_.fuzzSetup[guitar].fuzzOn.store(fuzzOn, std::memory_order_relaxed);
}

void SoundEngine::setFuzzThreshold(int guitar, float threshold) {
    if (!validGuitar(guitar))
        return;
    // Knob values outside 0 ... 1 are held at the ends, keeping the result
    // within 1000 ... 19000.
    if (!(threshold >= 0.0f))
        threshold = 0.0f;
    if (threshold > 1.0f)
        threshold = 1.0f;
    const float value = 1000.0f + (1.0f - threshold) * 18000.0f;
    cb_.fuzzSetup[guitar].fuzzThreshold.store(int16_t(static_cast<int32_t>(value)),
                                              std::memory_order_relaxed);
}

float SoundEngine::fuzzThreshold(int guitar) const {
    if (!validGuitar(guitar))
        return 0.0f;
    const double t = cb_.fuzzSetup[guitar].fuzzThreshold.load(std::memory_order_relaxed);
    return static_cast<float>((t - 1000.0) / -18000.0 + 1.0);
}

bool SoundEngine::wahOn(int guitar) const {
    return validGuitar(guitar) && cb_.wahSetup[guitar].wahOn.load(std::memory_order_relaxed);
}

void SoundEngine::setWahOn(int guitar, bool wahOn) {
    if (validGuitar(guitar))
        cb_.wahSetup[guitar].wahOn.store(wahOn, std::memory_order_relaxed);
}

void SoundEngine::setWahForGuitar(int guitar, float pitch) {
    // Songs from elsewhere may hold any value; the pedal's range keeps the
    // filter from ringing.
    if (validGuitar(guitar))
        cb_.wahSetup[guitar].f.store(EffectsChain::usableWahCoefficient(pitch), std::memory_order_relaxed);
}

float SoundEngine::wahForGuitar(int guitar) const {
    return validGuitar(guitar) ? cb_.wahSetup[guitar].f.load(std::memory_order_relaxed) : 0.5f;
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
    cb_.guitarVolume[0] = 0.5f;
    cb_.whammyBarAttached[0] = false;
    cb_.whammyBarAttached[1] = true;
    cb_.pitchBendOn[0] = false;
    cb_.pitchBendOn[1] = true;
    setGuitarSustain(0, 0.95f);
    cb_.patchNo[0] = 1;
    reloadGuitarSamples(0);
    DelaySetup& d0 = cb_.delaySetup[0];
    d0.delayFeedback = 0.4f;
    d0.delayOn = false;
    d0.delayMix = 0.9f;
    d0.pingPong = true;
    d0.delayTime = 26460;
    cb_.fuzzSetup[0].fuzzThreshold = 5000;
    cb_.fuzzSetup[0].fuzzOn = false;
    cb_.wahSetup[0].wahOn = false;
    cb_.guitarVolume[1] = 0.5f;
    setGuitarSustain(1, 0.7f);
    cb_.patchNo[1] = 3;
    reloadGuitarSamples(1);
    DelaySetup& d1 = cb_.delaySetup[1];
    d1.delayFeedback = 0.4f;
    d1.delayMix = 0.9f;
    d1.delayTime = 26460;
    d1.delayOn = true;
    d1.pingPong = true;
    cb_.fuzzSetup[1].fuzzOn = false;
    cb_.fuzzSetup[1].fuzzThreshold = 5000;
    cb_.wahSetup[1].wahOn = true;
}

std::vector<uint8_t> SoundEngine::createSaveBuffer() const {
    std::vector<uint8_t> out;
    out.reserve(kSectionSize);
    for (int g = 0; g < 2; ++g) {
        putLE<float>(out, cb_.guitarVolume[g].load());
        putLE<double>(out, cb_.guitarReleaseDelta[g].load());
        putLE<int8_t>(out, int8_t(cb_.patchNo[g].load()));
    }
    for (int g = 0; g < 2; ++g) {
        const DelaySetup& d = cb_.delaySetup[g];
        putLE<uint8_t>(out, d.delayOn.load() ? 1 : 0);
        putLE<uint8_t>(out, d.pingPong.load() ? 1 : 0);
        putLE<int32_t>(out, d.delayTime.load());
        putLE<float>(out, d.delayFeedback.load());
        putLE<float>(out, d.delayMix.load());
    }
    for (int g = 0; g < 2; ++g) {
        putLE<uint8_t>(out, cb_.fuzzSetup[g].fuzzOn.load() ? 1 : 0);
        putLE<int16_t>(out, cb_.fuzzSetup[g].fuzzThreshold.load());
    }
    putLE<uint8_t>(out, cb_.wahSetup[0].wahOn.load() ? 1 : 0);
    putLE<uint8_t>(out, cb_.wahSetup[1].wahOn.load() ? 1 : 0);
    putLE<int8_t>(out, int8_t(numFretsToShow_.load()));
    putLE<uint8_t>(out, cb_.whammyBarAttached[0].load() ? 1 : 0);
    putLE<uint8_t>(out, cb_.whammyBarAttached[1].load() ? 1 : 0);
    putLE<uint8_t>(out, cb_.pitchBendOn[0].load() ? 1 : 0);
    putLE<uint8_t>(out, cb_.pitchBendOn[1].load() ? 1 : 0);
    out.resize(kSectionSize, 0); // five reserved bytes
    return out;
}

std::vector<uint8_t> SoundEngine::createSaveBufferOLDVersion0() const {
    std::vector<uint8_t> out = createSaveBuffer();
    out.resize(kSectionSizeVersion0);
    return out;
}

void SoundEngine::restoreSection(const uint8_t* data, size_t size, size_t minimum, bool newerFields) {
    if (data == nullptr || size < minimum)
        throw StrumwellFailure("SoundEngineFailure-1");
    const uint8_t* p = data;
    for (int g = 0; g < 2; ++g) {
        cb_.guitarVolume[g] = getLE<float>(p);
        cb_.guitarReleaseDelta[g] = getLE<double>(p + 4);
        const int patch = getLE<int8_t>(p + 12);
        if (patch != cb_.patchNo[g].load()) {
            cb_.patchNo[g] = patch;
            reloadGuitarSamples(g);
        }
        p += 13;
    }
    for (int g = 0; g < 2; ++g) {
        DelaySetup& d = cb_.delaySetup[g];
        d.delayOn = p[0] != 0;
        d.pingPong = p[1] != 0;
        d.delayTime = getLE<int32_t>(p + 2);
        // Held to the knobs' range: a file from elsewhere may hold anything.
        d.delayFeedback = FixedPoint::unitRange(getLE<float>(p + 6));
        d.delayMix = FixedPoint::unitRange(getLE<float>(p + 10));
        p += 14;
    }
    for (int g = 0; g < 2; ++g) {
        cb_.fuzzSetup[g].fuzzOn = p[0] != 0;
        cb_.fuzzSetup[g].fuzzThreshold = getLE<int16_t>(p + 1);
        p += 3;
    }
    if (newerFields) {
        cb_.wahSetup[0].wahOn = p[0] != 0;
        cb_.wahSetup[1].wahOn = p[1] != 0;
        numFretsToShow_ = getLE<int8_t>(p + 2);
        cb_.whammyBarAttached[0] = p[3] != 0;
        cb_.whammyBarAttached[1] = p[4] != 0;
        cb_.pitchBendOn[0] = p[5] != 0;
        cb_.pitchBendOn[1] = p[6] != 0;
    } else {
        cb_.wahSetup[0].wahOn = false;
        cb_.wahSetup[1].wahOn = false;
        numFretsToShow_ = 5;
        for (int g = 0; g < 2; ++g) {
            cb_.whammyBarAttached[g] = false;
            cb_.pitchBendOn[g] = false;
        }
    }
}

void SoundEngine::restoreFromSaveBuffer(const uint8_t* data, size_t size, int version) {
    switch (version) {
    case 0:
        restoreFromSaveBufferVersion0(data, size);
        break;
    case 1:
        restoreFromSaveBufferVersion1(data, size);
        break;
    case 2:
        restoreFromSaveBufferVersion2(data, size);
        break;
    default:
        break; // unknown versions change nothing
    }
}

void SoundEngine::restoreFromSaveBufferVersion0(const uint8_t* data, size_t size) {
    restoreSection(data, size, kSectionSizeVersion0, false);
}

void SoundEngine::restoreFromSaveBufferVersion1(const uint8_t* data, size_t size) {
    restoreSection(data, size, kSectionSize, true);
}

void SoundEngine::restoreFromSaveBufferVersion2(const uint8_t* data, size_t size) {
    restoreSection(data, size, kSectionSize, true);
}

void SoundEngine::recorderRecord() {
    recorder()->record();
}
void SoundEngine::recorderStop() {
    recorder()->stop();
}
void SoundEngine::recorderPlay() {
    recorder()->play();
}
int SoundEngine::getRecorderState() {
    return recorder()->getState();
}

// ---------------------------------------------------------------- accelerometer

void SoundEngine::setupAccelerometer() {
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

void SoundEngine::checkAccelerometer() {
    if (accelerometerWorking_)
        return;
    const int tries = numAccelerometerStartTries_.fetch_add(1);
    if (tries <= 10)
        setupAccelerometer();
    else if (parent_)
        parent_->showAlert("Accelerometer Failure", kAccelerometerFailureMessage, false);
}

void SoundEngine::accelerometerDidAccelerate(double x, double y, double /*z*/) {
    accelerometerWorking_ = true;
    int g = parent_ ? parent_->currentGuitar() : 0;
    if (!validGuitar(g))
        g = 0;
    if (wahOn(g)) {
        const float reading =
            static_cast<float>(static_cast<double>(currentAccelerometerReadingWah_.load()) * 0.5 + x * 0.5);
        currentAccelerometerReadingWah_ = reading;
        const double r = reading;
        float c;
        if (r < -0.5)
            c = 0.05f;
        else if (r > -0.1 && r < 0.1)
            c = 0.5f;
        else if (r > 0.5)
            c = 0.05f;
        else
            c = static_cast<float>(0.5 - 0.45 * (std::fabs(r) - 0.1) / 0.4);
        if (recorder()->addWahChangeForGuitar(g, c))
            setWahForGuitar(g, c);
    }
    if (whammyBarAttached(g)) {
        const float reading = static_cast<float>(
            static_cast<double>(currentAccelerometerReadingWhammy_.load()) * 0.9 + y * 0.1);
        currentAccelerometerReadingWhammy_ = reading;
        const double r = reading;
        float w;
        if (r < -0.5)
            w = 0.5f;
        else if (r > -0.2 && r < 0.2)
            w = 0.0f;
        else if (r > 0.5)
            w = -0.5f;
        else if (r > 0)
            w = static_cast<float>(-0.5 * (r - 0.2) / 0.3);
        else
            w = static_cast<float>(0.5 * (-r - 0.2) / 0.3);
        if (recorder()->addWhammyBarChangeForGuitar(g, w))
            setWhammyForGuitar(g, w);
    }
}

bool SoundEngine::accelerometerWorking() const {
    return accelerometerWorking_.load();
}
int SoundEngine::numAccelerometerStartTries() const {
    return numAccelerometerStartTries_.load();
}
float SoundEngine::currentAccelerometerReadingWhammy() const {
    return currentAccelerometerReadingWhammy_.load();
}
float SoundEngine::currentAccelerometerReadingWah() const {
    return currentAccelerometerReadingWah_.load();
}

void SoundEngine::setChordStrum(const int* samples, int guitar, bool muteWhenStrumOver) {
    if (samples == nullptr)
        return;
    recorder()->setChordStrum(samples, guitar, muteWhenStrumOver);
}

float SoundEngine::chordStrumSpeed() {
    return recorder()->chordStrumSpeed();
}
void SoundEngine::setChordStrumSpeed(float speed) {
    recorder()->setChordStrumSpeed(speed);
}
void SoundEngine::stopChordStrum() {
    recorder()->stopChordStrum();
}
