#pragma once

// What tells the song library from the tab library: the extension of its
// files, the name a nameless save gets and the words of its notices. The
// browser does the same things for both; only these differ.
struct LibraryKind {
    const char* extension;   // with its dot, upper case: "x.sav" is not a song
    const char* defaultName; // what a save without a name is called
    const char* saveUnnamedText;
    const char* savedText;
    const char* erasedText;
    const char* loadedText;
    // Notices for what did not work, instead of claiming success.
    const char* saveFailedText;
    const char* loadDamagedText;
    const char* loadMissingText;
    const char* eraseFailedText;
    // Shown in the first row when there is nothing to list (empty: blank).
    const char* emptyListText;

    static const LibraryKind kSongs;
    static const LibraryKind kTabs;
};

inline const LibraryKind LibraryKind::kSongs{
    .extension = ".SAV",
    .defaultName = "My Song",
    .saveUnnamedText = "You have not named your song. Save it as 'My Song'?",
    .savedText = "Song saved.",
    .erasedText = "Song erased.",
    .loadedText = "Song loaded.",
    .saveFailedText = "Song not saved.\nThe file could not be written.",
    .loadDamagedText = "Song not loaded.\nThe file is damaged.",
    .loadMissingText = "Song not loaded.\nThe file is missing.",
    .eraseFailedText = "Song not erased.\nThe file could not be removed.",
    .emptyListText = "",
};

// Tabs: names are made safe exactly as song names are, and a song "X.SAV"
// is never listed among them.
inline const LibraryKind LibraryKind::kTabs{
    .extension = ".TAB",
    .defaultName = "My Tab",
    .saveUnnamedText = "You have not named your tab. Save it as 'My Tab'?",
    .savedText = "Tab file saved.",
    .erasedText = "Tab file erased.",
    .loadedText = "Tab file loaded.",
    .saveFailedText = "Tab not saved.\nThe file could not be written.",
    .loadDamagedText = "Tab not loaded.\nThe file is damaged.",
    .loadMissingText = "Tab not loaded.\nThe file is missing.",
    .eraseFailedText = "Tab not erased.\nThe file could not be removed.",
    .emptyListText = "No saved tabs yet",
};
