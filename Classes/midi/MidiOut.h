#pragma once
#include <array>
#include <mutex>

#include "audio/NoteListener.h"
#include "audio/SoundEngine.h"
#include "midi/MidiSettings.h"
#include "system/MidiMessage.h"

class MidiPorts;
class SongOptions;

// The engine's sounds as MIDI, sent as they are asked for, with the mapping
// of `strumwell export`: a note is its sample's pitch (sample k of a patch
// is note 38 + k), velocity volume x 127, the patch's General MIDI program,
// bends and the whammy as pitch bend after a bend range (registered
// parameter 0: 2 semitones, 12 with the whammy bar attached), the wah as
// controller 74. A voice whose note never said its string (a song, a tab
// strum of one string) takes the string that plays its pitch at the lowest
// fret, or the next one down when that string already sounds.
//
// A voice taken for a new note while its old note sounds ends the old one
// first, so no note is left hanging. Notes that came in over MIDI are not
// sent back out (a loop through a sequencer would play them again).
//
// Threads: the NoteListener calls from any non-render thread, serialised
// here by a mutex (never taken by the render thread); setPorts and
// setSettings from the UI thread.
class MidiOut : public NoteListener {
public:
    explicit MidiOut(const SoundEngine& engine);

    // Where messages go (null: nowhere). With ports, every channel in use
    // is told its program and bend range.
    void setPorts(MidiPorts* ports);
    // Ends the notes of channels that no longer send, then sets up the
    // channels that now do.
    void setSettings(const MidiSettings& settings);
    // UI thread, before notes flow. Each guitar's tuning and capo, which say
    // the string a note falls on (not owned; null: standard tuning).
    void setSongOptions(const SongOptions* options);
    MidiSettings settings() const;
    // Ends every sounding note (stop, quit, a lost port).
    void allNotesOff();

    void noteStarted(int voice, GuitarId guitar, int sampleNo, int string, float volume,
                     Source source) override;
    void noteReleased(int voice) override;
    void noteBent(int voice, float pitch) override;
    void whammyMoved(GuitarId guitar, float pitch, Source source) override;
    void wahMoved(GuitarId guitar, float coefficient, Source source) override;
    void patchChanged(GuitarId guitar, int patchNo) override;

private:
    static constexpr int kChannels = 16;
    struct Sounding {
        int channel = -1; // -1: no note out for this voice
        int note = 0;
        GuitarId guitar = kNoGuitar;
        float pitch = 1.0f;
    };

    bool sends(GuitarId guitar, Source source) const;
    void send(const MidiMessage& message);
    void setUpChannelsLocked();
    void setUpChannelLocked(int channel, GuitarId guitar);
    void endNoteLocked(int voice);
    int stringFor(GuitarId guitar, int sampleNo) const;
    // The channel's pitch bend from its latest bent note and the whammy.
    void sendBendLocked(int channel, GuitarId guitar, float pitch);

    const SoundEngine& engine_;
    mutable std::mutex mutex_;
    MidiPorts* ports_ = nullptr;
    MidiSettings settings_;
    const SongOptions* options_ = nullptr;
    std::array<Sounding, SoundEngine::kNumVoices> voices_{};
    std::array<float, kGuitars> whammy_{};
    // What each channel was last told (-1: nothing yet), so that repeated
    // values (the tilt sends one per reading) go out once.
    std::array<int, kChannels> program_{}, range_{}, bend_{}, wah_{};
};
