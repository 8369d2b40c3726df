#pragma once
#include <string>

// The file a whole-file write goes through: written beside its target, then
// renamed over it, so that the target is either the old file or the new one,
// never a part. Its name is "." NAME ".saving-" PID "-" N, the name the
// documents folder's sweep (FileManager::removeStaleTemporaryFiles) knows:
// what a killed process leaves behind is removed at the next start, and is
// never taken for a song, a tab or a WAV file.
//
// Threads: any; an instance belongs to one thread at a time.
class TemporaryFile {
public:
    // Names the temporary file for `target`; nothing is created yet.
    explicit TemporaryFile(const std::string& target);
    // Removes the temporary file unless it was committed.
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return path_; }
    const std::string& target() const { return target_; }

    // Renames the temporary file over the target. False (the temporary file
    // then removed, the target as it was) when the rename fails.
    bool commit();

private:
    std::string target_;
    std::string path_;
    bool committed_ = false;
};
