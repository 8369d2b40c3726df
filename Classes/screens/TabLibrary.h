#pragma once
#include <string>
#include <vector>

#include "storage/LibraryFolder.h"

// The tab files of the documents folder: a tab named "X" is the file "X.TAB"
// (the extension in upper case; "x.tab" is not a tab, nor is a song "X.SAV").
// Names are made safe exactly as song names are.
//
// Threads: UI thread only.
class TabLibrary : public LibraryFolder {
public:
    // The extension of tab files, with its dot.
    static constexpr const char* kTabExtension = ".TAB";

    TabLibrary(std::string documentsFolder, std::string bundleFolder)
        : LibraryFolder(std::move(documentsFolder), std::move(bundleFolder), kTabExtension) {}

    // name + ".TAB".
    static std::string tabFileName(const std::string& name) { return name + kTabExtension; }
    // "X.TAB" gives "X"; any other file name gives an empty text.
    static std::string tabNameOfFile(const std::string& fileName) {
        return LibraryFolder({}, {}, kTabExtension).nameOfFile(fileName);
    }

    std::vector<std::string> tabNames() const { return names(); }
    bool tabExists(const std::string& name) const { return exists(name); }
    std::string tabPath(const std::string& name) const { return path(name); }
    bool eraseTab(const std::string& name) const { return erase(name); }
    int copyDemoTabs() const { return copyDemos(); }
};
