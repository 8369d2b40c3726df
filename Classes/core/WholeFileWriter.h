#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Writes a file whole or not at all: the bytes go to a temporary file in the
// same folder, which is flushed to disk and renamed over the old file, so a
// crash, a full disk or a failed write leaves the old file (or no file) and
// never a part of the new one. Every temporary file of the program (saves,
// settings, demo copies, rendered WAVs) is named here, "." + name +
// ".saving-" + process id + "-" + counter, from one counter: the names the
// documents folder's sweep clears away after a crash, and never taken for a
// song, a tab or a WAV file.
//
// Threads: any.
class WholeFileWriter {
public:
    static constexpr const char* kTemporaryInfix = ".saving-";

    // Tests only: a failure injected at one step of a write, to prove that
    // every way a write can fail leaves the old file whole.
    enum class Stop {
        None,
        // A short write after half the bytes, then a full disk (ENOSPC).
        FailWhileWriting,
        // The flush to disk reports an I/O error (EIO).
        FailAtSync,
        // The rename over the old file fails.
        FailAtRename,
        // As if the program died after the temporary file was written and
        // flushed but before the rename: the temporary file stays behind.
        CrashBeforeRename,
    };

    // False (nothing changed at `path`, the temporary file removed) when the
    // file could not be written whole.
    static bool write(const std::string& path, const std::uint8_t* bytes, std::size_t size,
                      Stop stop = Stop::None);

    // A fresh temporary name beside `target` (a name near the length limit
    // is replaced by "strumwell", leaving room for the suffix).
    static std::string temporaryNameFor(const std::string& target);
    // How many temporary names this process has handed out: a name of this
    // process with a counter at or above it is not one of ours (an old run
    // with the same process id left it).
    static unsigned long temporaryNamesGiven();
    // Makes a rename in `folder` durable; a folder that cannot be synced
    // loses at most the new name in a power cut, never the data.
    static void syncFolder(const std::string& folder);
    // The folder part of a path ("." for a bare name).
    static std::string folderOf(const std::string& path);
};
