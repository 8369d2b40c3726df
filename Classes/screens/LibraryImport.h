#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "import/Score.h"

class LibraryFolder;

// The libraries' import of Guitar Pro, MusicXML and MIDI files found in the
// documents folder: which files the list shows, one file read and its
// tracks offered, and the chosen tracks made a tab or a song saved beside
// the others under a name of its own ("Riff.TAB", or "Riff 2.TAB" when that
// is taken), with the words of the box that reports it. The screen loads
// what was saved as it loads any file of its kind.
//
// Threads: UI thread only.
class LibraryImport {
public:
    // songs: the song library (MIDI files into songs), else the tab library.
    explicit LibraryImport(bool songs) : songs_(songs) {}

    // The importable files in the folder, by file name.
    std::vector<std::string> files(const LibraryFolder& folder) const;
    bool isImportFile(const std::string& fileName) const;
    // Removes the file from the folder (the library's Erase); whether it went.
    static bool erase(const LibraryFolder& folder, const std::string& fileName);
    // The library's names with the import files among them, in byte order,
    // and which of them are imports.
    std::vector<std::string> listWith(const LibraryFolder& folder, std::vector<std::string> names,
                                      std::vector<bool>& imported) const;

    // Reads `fileName` in the folder. Empty once it is read and has notes;
    // else the box's text, naming the file and why ("Tab not imported.\n
    // Cannot read 'a.mid': not a Standard MIDI File.").
    std::string open(const LibraryFolder& folder, const std::string& fileName);
    // The open file's tracks that have notes, and how a chooser shows each.
    const std::vector<size_t>& tracks() const { return tracks_; }
    std::vector<std::string> choices() const;
    // "Which track of 'a.mid' becomes the tab?"; for a song, which plays guitar 1 or 2.
    std::string question(int guitar = 0) const;

    struct Saved {
        bool ok = false;
        std::string name;          // the item saved, without its extension
        std::vector<uint8_t> file; // its bytes
        std::string text;          // the box's report, or why nothing was saved
    };
    // The open file's tracks (indexes into the score) saved whole as a tab
    // (one track) or a song (one or two) into `folder`, of that kind.
    Saved save(const LibraryFolder& folder, const std::vector<size_t>& tracks) const;

private:
    std::string failed(const std::string& why) const;

    bool songs_;
    std::string fileName_;
    std::vector<uint8_t> bytes_;
    Score score_;
    std::vector<size_t> tracks_;
};
