#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "import/Score.h"
#include "song/Song.h"
#include "song/Tab.h"

// What `strumwell import` and the libraries' import share: which files can
// be imported, reading one under the bounded reader, the words for its
// tracks, and a track made a tab or up to two tracks made a song, with the
// bytes of the file to save and what was moved, dropped or left out.
//
// Threads: any (pure computation, and reading a file).
struct Importer {
    // Any case: .gp3 .gp4 .gp5 .gp .musicxml .xml .mxl .mid .midi.
    static bool readsFile(const std::string& fileName);
    // Only MIDI files (.mid .midi) become songs.
    static bool makesSongs(const std::string& fileName);
    // The file at `path`, read whole under the song file limit: empty once
    // `bytes` holds it, else the failure code (FailureText words it).
    static std::string readFile(const std::string& path, std::vector<uint8_t>& bytes);

    struct Tracks {
        Score score;
        std::string error; // in words; empty when the file was read
    };
    static Tracks listTracks(std::span<const uint8_t> bytes, const std::string& fileName);

    // "1: Lead, Steel guitar, tuning E2 A2 D3 G3 B3 E4, 20 notes (guitar)".
    static std::string trackListing(const Score& score, size_t track);
    // "1: Lead, Steel guitar, 20 notes": what a chooser shows.
    static std::string trackSummary(const Score& score, size_t track);
    // "track 2 (Lead)".
    static std::string trackText(const Score& score, size_t track);
    // Up to `wanted` tracks with notes, guitar tracks first, in file order;
    // none when no track has notes.
    static std::vector<size_t> defaultTracks(const Score& score, size_t wanted);
    // The tracks that have notes, in file order.
    static std::vector<size_t> tracksWithNotes(const Score& score);

    struct TabResult {
        Tab tab;
        std::vector<uint8_t> file; // the tab file's bytes, as the program's tab save writes them
        std::string summary;       // "20 columns, 20 notes from track 2 (Lead)"
        std::string details;       // "1 notes moved by octaves, 0 dropped, 0 refretted to standard tuning"
        int movedByOctave = 0, dropped = 0, refretted = 0;
        std::string error; // in words; empty when it worked
    };
    // track: index into score.tracks, or -1 for the default.
    static TabResult toTab(const Score& score, int track);
    static TabResult toTab(std::span<const uint8_t> bytes, const std::string& fileName, int track);

    struct SongResult {
        Song song;
        std::vector<uint8_t> file; // the song file's bytes, as the program's song save writes them
        std::string summary;       // "40 notes, 0 bends, 0 whammy and 0 wah changes"
        // "guitar 1: track 1 (Lead), patch 0", one a guitar.
        std::vector<std::string> guitars;
        std::string moved;   // "3 notes moved by octaves onto the guitar's samples", or empty
        std::string leftOut; // "the song keeps the first 3000 note events; 200 were left out", or empty
        std::string error;   // in words; empty when it worked
    };
    // tracks: indexes into score.tracks (at most two), or none for the default.
    static SongResult toSong(const Score& score, const std::vector<size_t>& tracks);
    static SongResult toSong(std::span<const uint8_t> bytes, const std::string& fileName,
                             const std::vector<size_t>& tracks);
};
