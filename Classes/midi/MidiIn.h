#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "core/GuitarId.h"
#include "midi/MidiSettings.h"
#include "system/MidiMessage.h"

class Performer;
class SoundEngine;
class MainThreadQueue;

// MIDI that comes in, played on the guitars through the performer, so that
// what it plays is recorded exactly as touches are:
// - the channel chooses the guitar (and, a channel per string, the string);
// - the note chooses the patch's sample of that pitch (note 38 + k is
//   sample k); a note outside the patch's 48 samples is counted, never
//   played;
// - velocity sets the volume, note-off (or note-on at velocity 0) releases,
//   sustain (controller 64) holds releases until it is let go, controllers
//   120 and 123 release the channel's notes;
// - pitch bend bends the channel's notes, or moves the whammy of a guitar
//   whose bar is attached (2 or 12 semitones at the top of the wheel, as MIDI
//   out declares); controller 74 moves the wah (127 open ... 0 closed);
// - program change picks the patch of that General MIDI guitar program
//   (24 nylon, 25 steel, 26-28 clean, 29 overdriven, 30-31 distortion).
//
// Threads: handle on the MIDI thread (one at a time); the rest any thread.
class MidiIn {
public:
    // queue (may be null: program changes are ignored) runs patch changes
    // on the UI thread, where patches load.
    MidiIn(Performer& performer, const SoundEngine& engine, MainThreadQueue* queue);

    void setSettings(const MidiSettings& settings);
    void handle(const MidiMessage& message);
    // MIDI thread. Releases every note MIDI holds (a lost port, the end).
    void releaseAll();

    // Notes that asked for a pitch no sample holds.
    int ignoredNotes() const { return ignored_.load(std::memory_order_relaxed); }
    // The guitar's samples that MIDI holds now, bit k for sample k: what the
    // screen on show lights.
    uint64_t soundingSamples(GuitarId guitar) const;
    // Told (on the MIDI thread) whenever soundingSamples changes; empty for
    // none. Set before messages come.
    void setChangeObserver(std::function<void()> observer) { observer_ = std::move(observer); }

private:
    static constexpr int kChannels = 16;
    struct Held {
        int voice = -1;
        bool sustained = false; // released by its note-off, held by the pedal
    };

    void noteOn(int channel, int note, int velocity, int frame);
    void noteOff(int channel, int note);
    void releaseHeld(int channel, int note);
    void pitchBend(int channel, int value);
    void controller(int channel, int number, int value);
    void changed();

    Performer& performer_;
    const SoundEngine& engine_;
    MainThreadQueue* queue_;
    mutable std::mutex settingsMutex_;
    MidiSettings settings_; // as set, under settingsMutex_
    MidiSettings now_;      // as the MIDI thread plays by
    std::array<std::array<Held, 128>, kChannels> held_{};
    std::array<bool, kChannels> sustain_{};
    std::array<float, kChannels> bend_{};
    std::array<std::atomic<uint64_t>, kGuitars> sounding_{};
    std::atomic<int> ignored_{0};
    std::function<void()> observer_;
};
