#pragma once
#include <string>
#include <vector>

#include "storage/LibraryFolder.h"

// The song files of the documents folder: a song named "X" is the file
// "X.SAV" (the extension in upper case; "x.sav" is not a song).
//
// Threads: UI thread only.
class SongLibrary : public LibraryFolder {
public:
    // The extension of song files, with its dot.
    static constexpr const char* kSongExtension = ".SAV";

    SongLibrary(std::string documentsFolder, std::string bundleFolder)
        : LibraryFolder(std::move(documentsFolder), std::move(bundleFolder), kSongExtension) {}

    // name + ".SAV".
    static std::string songFileName(const std::string& name) { return name + kSongExtension; }

    std::vector<std::string> songNames() const { return names(); }
    bool songExists(const std::string& name) const { return exists(name); }
    std::string songPath(const std::string& name) const { return path(name); }
    bool eraseSong(const std::string& name) const { return erase(name); }
    int copyDemoSongs() const { return copyDemos(); }
};
