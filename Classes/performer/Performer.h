#pragma once
#include <atomic>
#include <cstdint>
#include <functional>

#include "audio/SoundEngine.h"
#include "core/GuitarId.h"
#include "system/Accelerometer.h"

class PatchChangeListener;
class Recorder;
class Transport;
class SoundEngine;
class SoundEngineParent;

// Turns what a player does into sound and, while recording, into the song:
// notes, bends, fret and tap noises, chord strums, patch steps and the tilt
// (whammy bar and wah). For each note it asks the recorder for an identifier
// (when recording) and then hands the engine the note to play with it, so
// the engine never knows the recorder. Touches, keys and the accelerometer
// come here today; any other source of gestures (MIDI) comes the same way.
//
// Threads: UI thread, unless a function says otherwise. The engine and the
// recorder are not owned and must outlive the performer.
class Performer : public AccelerometerDelegate {
public:
    // parent (may be null: no alerts) and accelerometer (may be null) are not
    // owned. Sets up the accelerometer. Tilt readings act on guitar 0 until
    // setGuitar says otherwise.
    Performer(SoundEngine& engine, Recorder& recorder, SoundEngineParent* parent,
              Accelerometer* accelerometer);
    ~Performer() override;
    Performer(const Performer&) = delete;
    Performer& operator=(const Performer&) = delete;

    // What the screens read and drive besides the gestures: the engine's
    // settings and the song's transport (record, play, stop).
    SoundEngine& engine() const { return engine_; }
    Transport& transport() const;

    // ---- Notes ----
    // The guitar's note sampleNo (relative to its patch) at the guitar's
    // volume (times volume); recorded. Returns the voice or -1.
    // UI, playback or MIDI thread (the notes, bends and releases: the
    // recorder and the engine guard themselves).
    int play(int guitar, int sampleNo);
    int play(int guitar, int sampleNo, float volume);
    // The same, telling MIDI out which string (0 low E ... 5) sounds it.
    int playOnString(int guitar, int string, int sampleNo);
    int playOnString(int guitar, int string, int sampleNo, float volume);
    // A note a MIDI message asked for (string -1 when it did not say):
    // played and recorded as a touch is, not sent back out; its sound starts
    // startFrame frames into the next buffer (the message's frame within
    // its period).
    int playFromMidi(int guitar, int string, int sampleNo, float volume, int startFrame = 0);
    // At 0.7 ... 1 of the volume, drawn from the engine's random numbers.
    int playHumanized(int guitar, int sampleNo);
    // A fret or tap noise: recorded, and at once recorded as released (it
    // plays to its end).
    void playFretNoise(int guitar);
    void playTapNoise(int guitar);
    // Releases the voice; recorded.
    void release(int voice);

    // ---- Bends (recorded when the voice's note is) ----
    void fullBend(int voice);
    void halfBend(int voice);
    void unbend(int voice);
    // Back to pitch 1 at once.
    void stopBend(int voice);
    // Any target pitch (1 unbent), as a pitch wheel gives.
    void bendTo(int voice, float pitch);

    // ---- Whammy and wah from a controller (MIDI) ----
    // UI or MIDI thread. Moves the guitar's whammy bar (pitch factor) or wah
    // (coefficient 0.05 ... 0.5) and records the move, unless the song being
    // played back moves them itself. False when overruled.
    bool moveWhammy(int guitar, float pitch);
    bool moveWah(int guitar, float coefficient);

    // ---- Chord strums, timed by the recorder's playback thread ----
    // Six sample numbers within the guitar's patch, string 0 first, -1 for a
    // string not played.
    void strumChord(const int* samples, int guitar, bool muteWhenStrumOver);
    void stopStrum();
    float strumSpeed() const;
    void setStrumSpeed(float speed);

    // ---- Patches ----
    // Stops the recorder, then steps the guitar's patch; caller (may be null)
    // is told once the next buffer has been rendered with it.
    void nextPatch(PatchChangeListener* caller, int guitar);
    void prevPatch(PatchChangeListener* caller, int guitar);
    // Stops the recorder and loads the guitar's patch patchNo (0 ... 4;
    // other numbers and the patch already loaded do nothing).
    void setPatch(int guitar, int patchNo);

    // ---- Tilt ----
    // The guitar the player holds, whose wah and whammy the tilt moves; the
    // application hands it over whenever its current guitar changes. A
    // number that is no guitar's means guitar 0.
    void setGuitar(GuitarId guitar);
    // (Re)connects to the accelerometer; checks after 1 s.
    void setupAccelerometer();
    void checkAccelerometer();
    // One reading, in g: moves the wah and the whammy of the guitar being
    // played where they are switched on, unless the song being played back
    // moves them itself.
    void accelerometerDidAccelerate(double x, double y, double z) override;
    // Any thread.
    bool accelerometerWorking() const;
    int numAccelerometerStartTries() const;
    float currentAccelerometerReadingWhammy() const;
    float currentAccelerometerReadingWah() const;
    // Told after each tilt reading (also one that a song's own movements
    // overrule), so that the screen on show can follow the whammy and wah
    // without drawing every frame. Empty for none.
    void setTiltObserver(std::function<void()> observer);
    // Any thread. Whether the last tilt reading for the guitar was overruled
    // because the song being played back moves its wah or whammy itself.
    bool songHoldsTilt(int guitar) const;

    // The message shown when the accelerometer never delivers.
    static const char* const kAccelerometerFailureMessage;

private:
    int playRecorded(SoundEngine::NoteRequest note);

    SoundEngine& engine_;
    Recorder& recorder_;
    SoundEngineParent* parent_;
    Accelerometer* accelerometer_;

    std::atomic<float> currentAccelerometerReadingWhammy_{0.0f};
    std::atomic<float> currentAccelerometerReadingWah_{0.0f};
    std::atomic<bool> accelerometerWorking_{false};
    std::atomic<GuitarId> guitar_{0};
    std::atomic<bool> songHoldsTilt_[kGuitars] = {};
    std::function<void()> tiltObserver_;
    std::atomic<int> numAccelerometerStartTries_{0};
    uint64_t checkToken_ = 0; // the pending accelerometer check
};
