#pragma once
#include <ctime>
#include <string>
#include <vector>

// Keeps a working state that the program is about to give up (after a crash
// it starts from the defaults; a damaged state cannot be read) as a song in
// the documents folder, so that the quit's save cannot destroy it: the file
// is moved, not copied, to "Recovered YYYY-MM-DD HH.MM.SS.SAV", which the
// recorder screen lists and loads like any song. Only the newest kMaxCopies
// recovered songs are kept; no other file is ever removed.
//
// Threads: UI thread only (launch).
class StateRescue {
public:
    static constexpr int kMaxCopies = 5;
    static constexpr const char* kExtension = ".SAV";

    explicit StateRescue(std::string documentsFolder);

    // "Recovered 2024-05-06 07.08.09" for that local time.
    static std::string songName(const std::tm& when);

    // Moves the regular file documents folder + "/" + stateFile to
    // songName(when) + ".SAV" (" (2)", " (3)" ... before the extension when
    // that name is taken), makes the move durable, then removes the oldest
    // recovered songs beyond kMaxCopies. Returns the song name, or an empty
    // text when there was no regular file to keep or it could not be moved
    // (the file is then where it was). An empty file holds nothing of the
    // player's: it is removed, and nothing is kept.
    std::string keep(const std::string& stateFile, const std::tm& when) const;

    // The names of the recovered songs in the folder, oldest first.
    std::vector<std::string> copies() const;

private:
    std::string folder_;
};
