#pragma once
#include <string>
#include <vector>

// The song files of the documents folder, without any drawing: their names,
// making a typed name safe to use as a file name, removing a song and copying
// the demo songs shipped in the bundle.
//
// A song named "X" is the file "X.SAV" in the documents folder (the extension
// in upper case; "x.sav" is not a song).
//
// Threads: UI thread only.
class SongLibrary {
public:
    // The extension of song files, with its dot.
    static constexpr const char* kSongExtension = ".SAV";

    // Folders are taken as given (no trailing slash needed). The bundle folder
    // may be empty: there are then no demo songs.
    SongLibrary(std::string documentsFolder, std::string bundleFolder);

    // Every ".", "/" and backslash becomes "_"; nothing else changes, so an
    // empty text stays empty and the result never leaves the folder it is
    // put in.
    static std::string makeFileSafe(const std::string& text);
    // name + ".SAV".
    static std::string songFileName(const std::string& name);

    // The names (without ".SAV") of the song files in the documents folder,
    // in byte order. Only regular files whose extension is exactly "SAV" and
    // whose name before it is not empty; the save's temporary files never
    // qualify. An unreadable folder gives no names.
    std::vector<std::string> songNames() const;
    // A regular file "<name>.SAV" exists in the documents folder.
    bool songExists(const std::string& name) const;
    // documents folder + "/" + name + ".SAV".
    std::string songPath(const std::string& name) const;
    // Removes "<name>.SAV"; false when it was not there or could not be
    // removed. Refuses names that are not a plain file name.
    bool eraseSong(const std::string& name) const;
    // Copies every "*.SAV" of the bundle folder into the documents folder
    // under its own name; a file already there is left as it is. Returns how
    // many were copied. A missing bundle folder copies nothing.
    int copyDemoSongs() const;

    const std::string& documentsFolder() const { return documentsFolder_; }
    const std::string& bundleFolder() const { return bundleFolder_; }

private:
    std::string documentsFolder_;
    std::string bundleFolder_;
};
