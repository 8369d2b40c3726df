#pragma once
#include <cctype>
#include <string>

#include "core/FailureText.h"

// What tells the song library from the tab library: the extension of its
// files and the words of its notices. The browser does the same things for
// both; only these differ.
struct LibraryKind {
    const char* extension;     // with its dot, upper case: "x.sav" is not a song
    const char* noun;          // the item, as the default name and the failures say it
    const char* doneNoun;      // what the notices of success say was saved, loaded or erased
    const char* emptyListText; // shown in the first row when there is nothing to list (empty: blank)

    static const LibraryKind kSongs;
    static const LibraryKind kTabs;

    // What a save without a name is called: "My Song".
    std::string defaultName() const { return std::string("My ") + noun; }
    // "You have not named your song. Save it as 'My Song'?"
    std::string saveUnnamedText() const {
        std::string lower = noun;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return "You have not named your " + lower + ". Save it as '" + defaultName() + "'?";
    }

    // "Song 'Blues' saved.", "Tab file 'Riff' loaded." (without a name:
    // "Song saved.") and so on.
    std::string savedText(const std::string& name = {}) const { return done("saved", name); }
    std::string loadedText(const std::string& name = {}) const { return done("loaded", name); }
    std::string erasedText() const { return done("erased"); }

    // Notices for what did not work, instead of claiming success: "Song not
    // saved.\nThe file could not be written." and so on.
    std::string saveFailedText() const { return failed("saved", "could not be written"); }
    std::string loadMissingText() const { return failed("loaded", "is missing"); }
    std::string eraseFailedText() const { return failed("erased", "could not be removed"); }
    // A file that was there but did not read, with the file and the reason
    // in words: "Song not loaded.\nCannot read 'X.SAV': the recorder section
    // is damaged (RecorderFailure-2)."
    std::string loadRefusedText(const std::string& fileName, const std::string& code) const {
        return std::string(noun) + " not loaded.\n" +
               FailureText::sentence(FailureText::cannotRead(fileName, code));
    }

private:
    std::string done(const char* what, const std::string& name = {}) const {
        return std::string(doneNoun) + (name.empty() ? "" : " '" + name + "'") + " " + what + ".";
    }
    std::string failed(const char* what, const char* why) const {
        return std::string(noun) + " not " + what + ".\nThe file " + why + ".";
    }
};

inline const LibraryKind LibraryKind::kSongs{".SAV", "Song", "Song", ""};
// Tab names are made safe exactly as song names are, and a song "X.SAV" is
// never listed among the tabs.
inline const LibraryKind LibraryKind::kTabs{".TAB", "Tab", "Tab file", "No saved tabs yet"};
