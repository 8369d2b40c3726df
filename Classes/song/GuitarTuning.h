#pragma once
#include <array>
#include <cstddef>
#include <string>

// How one guitar is tuned: the sample (relative to the guitar, 0...47) each
// open string sounds, low E first, and a capo (0...12).
//
// Frets are counted two ways. On the fretboards a fret is counted from the
// nut, as the hand sees it: a finger behind the capo is held by the capo and
// sounds the capo's note. In a tab a fret is counted from the capo, as tabs
// for a capoed guitar are printed: tab fret 0 is the string at the capo.
//
// A patch holds 48 samples, and standard tuning's top string reaches the
// last of them at fret 21; a tuning is playable when every string can go
// from open to fret 21 inside the patch, else it is refused with problem().
//
// Threads: any (a plain value).
struct GuitarTuning {
    static constexpr int kNumStrings = 6;
    static constexpr int kNumSamples = 48;
    static constexpr int kMaxCapo = 12;
    static constexpr int kHighestFret = 21;
    // MIDI note of sample 0 (sample k sounds note 38 + k: D2 ... C#6).
    static constexpr int kFirstPitch = 38;
    static constexpr std::array<int, kNumStrings> kStandard = {2, 7, 12, 17, 21, 26};

    std::array<int, kNumStrings> openSample = kStandard;
    int capo = 0;

    // The sample string `string` sounds with a finger on `fret` counted from
    // the nut (0: open, or the capo); -1 when it lies outside the patch or the
    // string does not exist.
    int sampleAtFret(int string, int fret) const;
    // The sample a tab's fret (counted from the capo) sounds, or -1.
    int sampleForTab(int string, int tabFret) const;
    // The tab fret (from the capo) at which `string` sounds `sample`, or -1
    // when it cannot (below the capo's note, or past fret 21 from the nut).
    int tabFretFor(int string, int sample) const;
    // MIDI note of the open string (the capo not counted).
    int openPitch(int string) const { return kFirstPitch + openSample[static_cast<std::size_t>(string)]; }
    // Semitones from standard tuning of each string.
    std::array<int, kNumStrings> offsets() const;

    bool isStandard() const { return openSample == kStandard; }
    // Empty when playable; else a sentence saying which string is out of the
    // patch and why ("String 6 (low E) tuned to C2 is below the patch's lowest note, D2.").
    std::string problem() const;
    // The preset's name ("Drop D"), or "Custom".
    std::string name() const;
    // The open strings low to high ("D A D G B E"), with " capo 3" when there is one.
    std::string noteNames() const;
    // A note's name with its octave ("D#3").
    static std::string pitchName(int midiNote);

    struct Preset {
        const char* name;
        std::array<int, kNumStrings> offsets; // semitones from standard
    };
    static constexpr int kNumPresets = 9;
    static const std::array<Preset, kNumPresets>& presets();
    static GuitarTuning fromPreset(int index, int capo = 0);
    // Standard plus `offsets`, and the capo.
    static GuitarTuning fromOffsets(const std::array<int, kNumStrings>& offsets, int capo = 0);

    bool operator==(const GuitarTuning&) const = default;
};
