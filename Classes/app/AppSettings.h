#pragma once
#include <string>

#include "midi/MidiSettings.h"

// The application's own settings, kept apart from songs and from the working
// state (which travel with every song): a small text file in the documents
// folder, one "name value" pair per line. It holds the output volume and
// how Strumwell talks MIDI, and the metronome's switch and volume.
//
// Threads: UI thread only.
class AppSettings {
public:
    static constexpr const char* kFileName = "AppSettings.txt";

    // Reads the file in `folder` and applies what it holds (the output
    // volume). A missing file, or a line that cannot be read, leaves the
    // default. Returns the reader's failure code (see FailureText) when a
    // file exists but could not be read, else an empty text.
    static std::string load(const std::string& folder);
    // Writes the current settings into `folder`, replacing the old file only
    // once the new one is complete. False when it could not be written.
    static bool save(const std::string& folder);

    // The file's text for the current settings, and the reverse.
    static std::string text();
    static void apply(const std::string& text);

    // The MIDI settings last loaded or set.
    static MidiSettings midi();
    static void setMidi(const MidiSettings& settings);

    // The fretboards drawn and played mirrored, for a left-handed player
    // (the line "leftHanded 0|1").
    static bool leftHanded();
    static void setLeftHanded(bool on);
};
