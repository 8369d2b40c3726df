#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A piece of music as the importers read it from a Guitar Pro, MusicXML or
// Standard MIDI file, before it becomes a tab or a song: tracks of timed
// notes with whatever the file said of their strings and frets, and (from
// MIDI files) the controller movements a song can play.
//
// Pitches are MIDI note numbers as they sound; strings are counted as the
// tab counts them, 0 the lowest (low E in standard tuning) to 5.
//
// Threads: any (a plain value).
struct ScoreNote {
    double seconds = 0.0;  // when it starts, the tempo map applied
    double duration = 0.0; // how long it sounds, in seconds (0: unknown)
    int pitch = 0;
    int velocity = 100; // 1 ... 127
    int string = -1;    // -1: the file did not say
    int fret = -1;      // -1: the file did not say
    // The continuation of a tied note: it sounds on but starts no new
    // column and no new note.
    bool tied = false;
    int channel = 0; // MIDI files: the channel it was played on
};

// A movement of a controller the song can play back, from MIDI files.
struct ScoreControl {
    enum class Kind { PitchBend, Wah, Program };
    double seconds = 0.0;
    Kind kind = Kind::PitchBend;
    // Pitch bend: semitones (after the track's bend range); wah: the
    // controller's value 0 ... 127; program: the General MIDI program.
    double value = 0.0;
    int channel = 0;
};

struct ScoreTrack {
    static constexpr std::array<int, 6> kStandardTuning = {40, 45, 50, 55, 59, 64};

    std::string name;
    std::string instrument; // in words, as the file or the General MIDI list names it
    int program = -1;       // General MIDI program, -1 unknown
    // A guitar part: a Guitar Pro guitar track, a MusicXML part with a TAB
    // staff or a guitar instrument, a MIDI track with a program 24 ... 31.
    bool guitar = false;
    // The open strings, lowest first, as MIDI pitches; a track with fewer
    // strings than six leaves the rest at standard.
    std::array<int, 6> tuning = kStandardTuning;
    int capo = 0;
    std::vector<ScoreNote> notes;       // in time order
    std::vector<ScoreControl> controls; // in time order
};

struct Score {
    std::vector<ScoreTrack> tracks;
    // What the reader skipped or guessed, in words, for the command to say.
    std::vector<std::string> warnings;
};
