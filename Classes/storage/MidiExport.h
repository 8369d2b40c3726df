#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/GuitarId.h"
#include "song/Note.h"
#include "song/PitchChange.h"
#include "song/WahChange.h"
#include "song/WhammyBarChange.h"

struct Song;

// Turns a song (its event lists and the guitar settings saved with it) into
// a Standard MIDI File of type 1, as the song sounds when played back:
//
// - Track 0 holds the tempo: 1000 ticks per quarter note at 60 beats per
//   minute, so one tick is one millisecond and no event moves by more than
//   half a millisecond.
// - One track per guitar that has notes, on channel 0 (guitar 1) or 1
//   (guitar 2), with the General MIDI program of the guitar's patch.
// - A note sounds the pitch of its sample (sample k of a patch is MIDI note
//   38 + k), from its note-down until its note-up or the song's end, with
//   velocity volume x 127. Fret and tap noises are left out.
// - String bends and the whammy bar become pitch-bend messages after a
//   pitch-bend range (registered parameter 0) of 2 semitones, so that a full
//   bend is the whole step at the top of the wheel; a guitar whose whammy
//   bar goes further declares 12 (or 24) semitones instead. A bend glides to
//   its target in 5 ms steps at the engine's rates. Pitch bend acts on the
//   whole channel: a bend of one string while others ring bends them too.
// - The wah pedal becomes controller 74 (brightness): 127 with the pedal at
//   rest (open), 0 at full pedal.
// - Effects are exported where the song's settings make them heard (string
//   bends, whammy bar and wah switched on), unless Options::allEffects.
//
// Events are placed where playback issues them: a list is walked in its
// order, so an event is never earlier than the one before it, nor before 0;
// the song ends at its last note event, and later changes are not played.
//
// Threads: any (pure computation on copies).
class MidiExport {
public:
    static constexpr int kTicksPerQuarter = 1000;
    static constexpr int kMicrosecondsPerQuarter = 1000000;
    static constexpr int kWahController = 74;
    static constexpr int kFirstSampleNote = 38;
    static constexpr double kGlideStepSeconds = 0.005;
    // Times further out than this are taken as damage.
    static constexpr double kMaxSongSeconds = 24.0 * 3600.0;

    // What is exported: the song's lists and the settings that decide what
    // is heard.
    struct Song {
        std::vector<Note> notes;
        std::vector<PitchChange> pitchBends;
        std::array<std::vector<WhammyBarChange>, kGuitars> whammyBarChanges;
        std::array<std::vector<WahChange>, kGuitars> wahChanges;
        std::array<int32_t, kGuitars> patchNo{1, 3};
        std::array<bool, kGuitars> pitchBendOn{false, true};
        std::array<bool, kGuitars> whammyBarAttached{false, true};
        std::array<bool, kGuitars> wahOn{false, true};
        // Note events of the file that its load left out (beyond
        // Recorder::kMaxEvents); readSongFile fills it in.
        int eventsLeftOut = 0;
    };

    struct Options {
        // Export every recorded bend, whammy and wah change, even those the
        // song's settings keep silent.
        bool allEffects = false;
        // Glide bends at the engine's rates; false jumps to each target.
        bool glide = true;
    };

    struct GuitarSummary {
        int guitar = 0; // 0 or 1
        int track = 0;
        int channel = 0;
        int program = 0;
        int notes = 0;
        int bends = 0;         // pitch changes exported
        int whammyChanges = 0; // whammy changes exported
        int wahChanges = 0;    // wah changes exported
        int pitchBendMessages = 0;
        int bendRangeSemitones = 2;
        double lowestSemitones = 0.0; // the pitch-bend extremes reached
        double highestSemitones = 0.0;
        int silentBends = 0; // recorded but not heard with these settings
        int silentWhammy = 0;
        int silentWah = 0;
        int shortenedNotes = 0; // ended early by the same pitch struck again
    };

    struct Result {
        bool ok = false;
        std::string error; // why not, when !ok
        std::vector<uint8_t> bytes;
        std::vector<GuitarSummary> guitars;
        int noiseNotes = 0;      // fret and tap noises left out
        int unplayableNotes = 0; // sample numbers no patch holds
        double songSeconds = 0.0;
    };

    static Result build(const Song& song, const Options& options);

    // What is exported of a song read from a file: its events (none when
    // unknown) and the switches of its engine settings (the defaults above
    // when unknown).
    static Song songFrom(const ::Song& file);
    // Reads a song or state file's bytes exactly as a load in the program
    // reads them (a damaged tab or engine section fails the whole song, as
    // it would there), without an engine. False with the failure's code
    // ("Error loading file", "RecorderFailure-2", ...) in `error`.
    // Any thread (it touches nothing live).
    static bool readSongFile(const uint8_t* bytes, size_t size, Song& song, std::string& error);

    // General MIDI program (0-based) of an engine patch: nylon 24, steel 25,
    // overdriven 29, distortion 30, clean electric 27; the fallback patch
    // plays the nylon samples.
    static int gmProgramForPatch(int patchNo);
    // The reverse, for MIDI coming in (live or from a file): the patch a
    // General MIDI guitar program plays (24 nylon, 25 steel, 26-28 clean,
    // 29 overdriven, 30-31 distortion), -1 for any other program.
    static int patchForGmProgram(int program);
    // The guitar (0 or 1) whose patch a sample number belongs to, or -1 for
    // the noises and empty slots.
    static int guitarOfSample(int sampleNo);
    // MIDI note of a guitar sample, -1 when none.
    static int midiNoteForSample(int sampleNo);
    static int velocityForVolume(float volume);
    static int wahControllerValue(float f);
    // 14-bit pitch-bend value for a pitch in semitones under a bend range.
    static int pitchBendValue(double semitones, int rangeSemitones);
    // The semitones a voice sounds at: its bend (a pitch factor, 1 unbent)
    // plus the whammy offset, as the mixer adds them.
    static double semitonesOf(float pitch, float whammy);
    // The bend range declared for a guitar's channel: 2 semitones (a full
    // bend at the top of the wheel), 12 with the whammy bar attached.
    static int liveBendRange(bool whammyBarAttached) { return whammyBarAttached ? 12 : 2; }
};
