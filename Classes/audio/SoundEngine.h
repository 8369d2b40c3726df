#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
#include <string>

#include "audio/CallbackUserData.h"
#include "audio/EngineSettings.h"
#include "audio/NoteListener.h"
#include "audio/SampleBank.h"
#include "audio/WavReader.h"
#include "system/AudioOutput.h"
#include "system/Clock.h"

class PatchChangeListener;
class SoundEngineParent;

// A voice as seen from outside the render thread (tests, diagnostics).
struct PlaylistVoiceState {
    int32_t noteID = -1;
    bool playing = false;
    int32_t sampleNo = 0;
    float playPosition = 0.0f;
    double requiredVolume = 0.0;
    double ADSRVolume = 1.0;
    double ADSRVolumeDelta = 1.0;
    double releaseDelta = 0.0;
    int32_t phase = 0;
    bool atLeastOneBufferFilled = false;
    bool wantToStop = false;
    double created = 0.0;
    float pitch = 1.0f;
    float requiredPitch = 1.0f;
};

// The sound engine: a 200-slot sample bank, five guitar patches, 40 voices
// mixed in 16.16 fixed point into 44100 Hz stereo, string bends and the
// whammy bar, a wah / fuzz / delay chain per guitar, the settings with their
// saved section. It only sounds: what a player does (and what is recorded
// of it) goes through the Performer, which hands the engine what to play.
//
// Threads. "UI" is the user-interface thread, "playback" the recorder's
// playback thread, "render" the audio output's thread. The render thread takes
// no lock, allocates nothing and never waits. Voices are started under a
// mutex the render thread never takes; sample data is swapped while the audio
// output excludes the callback. Start, stop and bend requests are direct
// atomic writes to the voice (a generation word guards each): the caller
// learns at once which voice it got, to bend or release it later, and the
// render thread sees every request at the start of its next buffer.
class SoundEngine {
public:
    static constexpr int kNumVoices = ::kNumVoices;
    static constexpr int kNumSlots = kNumSampleSlots;
    static constexpr int kNumPatches = 5;
    static constexpr int kFirstFretNoiseSlot = SampleBank::kFirstFretNoiseSlot;
    static constexpr int kFirstTapNoiseSlot = SampleBank::kFirstTapNoiseSlot;
    static constexpr float kFullBendPitch = 1.1233333f;
    static constexpr float kHalfBendPitch = 1.0616666f;

    // What a note asks of the mixer: the absolute sample slot, its volume,
    // its release slope and the guitar whose mix (bends, whammy, pedals) it
    // joins. The fret and tap noises join none: they have always sounded in
    // the generic stereo mix, outside both guitars' pedals.
    // The string (0 low E ... 5, -1 unknown) and who asked only travel to
    // the note listener (MIDI out); they do not change the sound. startFrame
    // places the note's first frame that far into the first buffer that
    // mixes it (a MIDI note's frame within its period), so notes keep their
    // spacing to the frame.
    struct NoteRequest {
        int slot = -1;
        double volume = 0.0;
        double releaseDelta = 0.0;
        GuitarId guitar = kNoGuitar;
        int string = -1;
        NoteListener::Source source = NoteListener::Source::Player;
        int startFrame = 0;
    };

    // UI thread. Either of parent and output may be null (tests, offline
    // rendering). bundleFolder holds the sample files ("A1-1.wav",
    // "fret1.wav", ...). Starts the output and loads the fret and tap noises;
    // no guitar patch is loaded yet.
    SoundEngine(SoundEngineParent* parent, AudioOutput* output, std::string bundleFolder,
                const Clock& clock = SystemClock::shared());
    // UI thread. Stops the output first.
    ~SoundEngine();
    SoundEngine(const SoundEngine&) = delete;
    SoundEngine& operator=(const SoundEngine&) = delete;

    // Render thread (or whoever pulls an offline output): the output's render
    // callback. userData is callbackUserData(). Returns 0, or -1 (nothing
    // written) while stopped.
    static int callbackProcStereo(void* userData, int16_t* interleaved, int numFrames);
    // Any thread. The record to hand to the callback.
    CallbackUserData* callbackUserData() { return &cb_; }
    // Any thread; its own functions say which thread may call them. The
    // practice click, which the recorder runs on the song's beat.
    Metronome& metronome() { return cb_.metronome; }

    // UI thread, while no other thread asks the engine for sound (before
    // the performer and the recorder start, or after they stop): who is told
    // of every note, bend, whammy and wah move and patch change (null: no
    // one). Not owned.
    void setNoteListener(NoteListener* listener);

    // Any thread. The engine's own non-negative pseudo-random numbers.
    long random();
    // Any thread (tests).
    void seedRandom(uint32_t seed);

    // ---- Sample bank and patches ----
    // UI thread. Loads one file of the bundle into a slot, reading it once,
    // straight into the block the slot keeps. A missing file leaves the slot
    // as it was, as does a damaged one; a file cut short inside its data
    // gives the values it holds. Each missing, damaged or cut file is
    // reported once per engine, in one line naming it.
    void loadSampleAtSlot(int slot, const std::string& fileName);
    // UI thread. Loads the 48 samples of the guitar's patch; sets its name and
    // acoustic flag. Does not stop the voices.
    void reloadGuitarSamples(int guitar);
    // UI thread. Reloads the guitars whose patch's files had not all arrived
    // at their last reload (see SampleBank::setPatchGate); true when one was.
    bool reloadWaitingSamples();
    // UI thread. The 22 fret and tap noises into slots 100 to 121.
    void loadGenericSamples();
    // UI thread. Step the guitar's patch; caller (may be null) is told
    // turnTouchscreenBackOn() once the next buffer has been rendered.
    void nextPatch(PatchChangeListener* caller, int guitar);
    void prevPatch(PatchChangeListener* caller, int guitar);
    // UI thread.
    std::string patchName(int guitar) const;
    // Any thread.
    bool isAcoustic(int guitar) const;
    // Any thread. -1 before a patch is loaded.
    int patchNo(int guitar) const;
    // UI thread. A four-second test tone into the slot.
    void addSineWaveAtSlot(int slot);
    // Not while a reload runs (tests). The slot's values and their count.
    const int16_t* sampleData(int slot) const;
    int32_t sampleSize(int slot) const;

    // ---- Voices ----
    // UI and playback threads. Start a voice; returns the voice number or -1.
    // noteID is the recorder's identifier of the note (-1: not recorded).
    int play(const NoteRequest& note, int noteID);
    // UI and playback threads. What the guitar's note sampleNo (relative to
    // its patch) asks for at its volume (times `volume`); slot -1 for a guitar
    // other than 0 or 1. humanized draws the engine's random number first and
    // takes 0.7 ... 1 of the volume from it.
    NoteRequest noteFor(int guitar, int sampleNo) const;
    NoteRequest noteFor(int guitar, int sampleNo, float volume) const;
    NoteRequest humanizedNoteFor(int guitar, int sampleNo);
    // UI and playback threads. A fret or tap noise of the guitar, drawn with
    // the engine's random numbers.
    NoteRequest fretNoiseFor(int guitar);
    NoteRequest tapNoiseFor(int guitar);
    // UI and playback threads: the note as noteFor describes it, not
    // recorded (tests, tools; a player's notes go through the Performer).
    int playUnrecorded(int guitar, int sampleNo);
    int playUnrecorded(int guitar, int sampleNo, float volume);
    // UI and playback threads. Release the voice (from the next buffer on).
    void stopSample(int voice);
    // Any thread but render.
    void stopAllSounds();
    void stopAllSoundsImmediately();
    // UI thread. Start and stop the audio output.
    void start();
    void stop();
    // Any thread.
    bool voicePlaying(int voice) const;
    int voiceNoteID(int voice) const;
    // Not while the render thread runs (tests): every field of a voice.
    PlaylistVoiceState voiceState(int voice) const;
    // Any thread. The voices sounding now: started (also those not yet
    // mixed) and neither ended, cleared, stolen away nor run out of sample.
    // A steal replaces one sounding voice by another.
    int numSamplesPlaying() const;

    // ---- Pitch bend and whammy ----
    // UI and playback threads. The voice glides to the pitch (1 unbent).
    void bendTo(int voice, float pitch);
    // UI and playback threads. Back to 1 at once, from the next buffer.
    void stopBend(int voice);
    // UI and playback threads; not recorded.
    void setPitch(float pitch, int noteID);
    void setWhammyForGuitar(int guitar, float pitch,
                            NoteListener::Source source = NoteListener::Source::Player);
    // Any thread.
    float whammy(int guitar) const;
    bool whammyBarAttached(int guitar) const;
    // UI thread.
    void setWhammyBarAttached(int guitar, bool attached);
    // Any thread.
    bool pitchBendOn(int guitar) const;
    // UI thread.
    void setPitchBendOn(int guitar, bool on);

    // ---- Effects ----
    // Any thread. Guitar g's pedal of type U (WahEffect, FuzzEffect,
    // DelayEffect, ...); its own functions say which thread may call them.
    // g must be 0 or 1.
    template <class U> U& effect(int guitar) { return cb_.effects[guitar].unit<U>(); }
    template <class U> const U& effect(int guitar) const { return cb_.effects[guitar].unit<U>(); }
    // The named operations below pass on to the pedals; guitars other than 0
    // and 1 are ignored (getters give off / 0). Getters: any thread; setters:
    // UI thread, the wah coefficient also the playback thread. Switching the
    // delay and setting its time empty its ring.
    bool delayOn(int guitar) const;
    void setDelayOn(int guitar, bool delayOn);
    bool pingPong(int guitar) const;
    void setPingPong(int guitar, bool pingPong);
    int delayTime(int guitar) const;
    void setDelayTime(int guitar, int delayTime);
    // Feedback and mix are shares of 0 ... 1; other values are held to that
    // range, NaN at 0.
    float delayFeedback(int guitar) const;
    void setDelayFeedback(int guitar, float delayFeedback);
    float delayMix(int guitar) const;
    void setDelayMix(int guitar, float delayMix);
    bool fuzzOn(int guitar) const;
    void setFuzzOn(int guitar, bool fuzzOn);
    // threshold 0 ... 1 (1 clips hardest).
    void setFuzzThreshold(int guitar, float threshold);
    float fuzzThreshold(int guitar) const;
    bool wahOn(int guitar) const;
    void setWahOn(int guitar, bool wahOn);
    // UI and playback threads. The wah coefficient f (0.05 closed ... 0.5
    // open); other values are held to that range, NaN at 0.5.
    void setWahForGuitar(int guitar, float pitch, NoteListener::Source source = NoteListener::Source::Player);
    // Any thread.
    float wahForGuitar(int guitar) const;

    // ---- Settings and saved state ----
    // Getters any thread, setters UI thread.
    float guitarVolume(int guitar) const;
    void setGuitarVolume(int guitar, float volume);
    float guitarSustain(int guitar) const;
    void setGuitarSustain(int guitar, float sustain);
    double guitarReleaseDelta(int guitar) const;
    int numFretsToShow() const;
    void setNumFretsToShow(int numFrets);
    // UI thread. Every setting to its default; reloads both patches.
    void resetState();
    // UI thread. Every saved setting as it is now.
    EngineSettings settings() const;
    // UI thread. Sets every saved setting as a load does: a guitar whose
    // patch changes reloads it; delay feedback and mix are held to 0 ... 1;
    // the delay rings and the wah and whammy positions are left as they are.
    void applySettings(const EngineSettings& settings);

private:
    int startVoice(const NoteRequest& note, int noteID);
    void stepPatch(PatchChangeListener* caller, int guitar, int step);

    SoundEngineParent* parent_;
    AudioOutput* output_;
    std::atomic<NoteListener*> listener_{nullptr};
    const Clock& clock_;

    CallbackUserData cb_;
    SampleBank bank_; // after cb_: frees the sample blocks before cb_ goes

    std::mutex voiceMutex_; // voice allocation; never taken by render
    std::mutex randomMutex_;
    std::minstd_rand random_;

    std::atomic<int> numFretsToShow_{5};
    int16_t* monoBuffer_ = nullptr;
};
