#pragma once
#include <string>
#include <vector>

// The tab files of the documents folder, without any drawing: their names,
// removing a tab and copying the demo tabs shipped in the bundle. Names are
// made safe exactly as song names are (SongLibrary::makeFileSafe).
//
// A tab named "X" is the file "X.TAB" in the documents folder (the extension
// in upper case; "x.tab" is not a tab, nor is a song "X.SAV").
//
// Threads: UI thread only.
class TabLibrary {
public:
    // The extension of tab files, with its dot.
    static constexpr const char* kTabExtension = ".TAB";

    // Folders are taken as given (no trailing slash needed). The bundle folder
    // may be empty: there are then no demo tabs.
    TabLibrary(std::string documentsFolder, std::string bundleFolder);

    // Every ".", "/" and backslash becomes "_"; nothing else changes.
    static std::string makeFileSafe(const std::string& text);
    // name + ".TAB".
    static std::string tabFileName(const std::string& name);
    // "X.TAB" gives "X"; any other file name gives an empty text.
    static std::string tabNameOfFile(const std::string& fileName);

    // The names (without ".TAB") of the tab files in the documents folder, in
    // byte order. Only regular files whose extension is exactly "TAB" and
    // whose name before it is not empty. An unreadable folder gives no names.
    std::vector<std::string> tabNames() const;
    // A regular file "<name>.TAB" exists in the documents folder; false for a
    // name that is not a plain file name.
    bool tabExists(const std::string& name) const;
    // documents folder + "/" + name + ".TAB".
    std::string tabPath(const std::string& name) const;
    // Removes "<name>.TAB"; false when it was not there or could not be
    // removed. Refuses names that are not a plain file name.
    bool eraseTab(const std::string& name) const;
    // Copies every "*.TAB" of the bundle folder into the documents folder
    // under its own name; a file already there is left as it is. Returns how
    // many were copied. A missing bundle folder copies nothing.
    int copyDemoTabs() const;

    const std::string& documentsFolder() const { return documentsFolder_; }
    const std::string& bundleFolder() const { return bundleFolder_; }

private:
    std::string documentsFolder_;
    std::string bundleFolder_;
};
