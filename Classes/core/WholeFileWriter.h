#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Writes a file whole or not at all: the bytes go to a temporary file in the
// same folder, which is flushed to disk and renamed over the old file, so a
// crash, a full disk or a failed write leaves the old file (or no file) and
// never a part of the new one. The temporary file is named "." + name +
// ".saving-" + process id + "-" + counter, the names the file manager clears
// away after a crash.
//
// Threads: any.
class WholeFileWriter {
public:
    // False (nothing changed at `path`, the temporary file removed) when the
    // file could not be written whole.
    static bool write(const std::string& path, const std::uint8_t* bytes, std::size_t size);
};
