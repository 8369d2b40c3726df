#pragma once
#include <string>

// Where Strumwell keeps its files: the user's documents folder (songs, tabs,
// "system.state"), the caches folder (the crash flag) and the read-only
// bundle (samples, pictures, demo songs and tabs).
//
// Threads: UI thread (or any single thread before the UI starts).
class Folders {
public:
    // $XDG_DATA_HOME/strumwell, else ~/.local/share/strumwell.
    static std::string defaultDocumentsFolder();
    // $XDG_CACHE_HOME/strumwell, else ~/.cache/strumwell.
    static std::string defaultCachesFolder();
    // The bundle beside the executable ("bundle" next to it, or ../share/strumwell/bundle
    // for an installed copy), else the build-time bundle folder if it exists. Empty when none.
    static std::string findBundleFolder();
    // Creates the folder and its parents; true if it exists afterwards.
    static bool ensureFolder(const std::string& path);
    // The folder that holds the running executable.
    static std::string executableFolder();
};
