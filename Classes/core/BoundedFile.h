#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The one way the program reads a file. A file is opened without waiting
// (a FIFO with no writer never blocks the caller), measured on the open
// descriptor, accepted only when it is a regular file no larger than the
// limit of its kind, and never read past that limit: a file that grows while
// it is read is refused once limit + 1 bytes have been seen, so a reader
// never holds more than that. Failures are the codes FailureText knows:
// "FileNotFound", "NotARegularFile", "FileTooLarge", "Unreadable".
//
// Threads: any; one object on one thread at a time.
class BoundedFile {
public:
    // The largest file of each kind, in bytes. No valid file reaches them.
    struct Limit {
        // Songs and states (and everything else read as a data file: tabs,
        // text tabs). The notes are capped at 3000 events of 26 bytes, but
        // bends and whammy and wah changes are recorded with no cap, one
        // 16- or 20-byte record per move: 64 MiB is some fifteen hours of
        // bending at sixty moves a second.
        static constexpr std::size_t kSong = std::size_t{64} << 20;
        // Tab files: 6 bytes a column and no cap on the columns; 16 MiB is
        // close to three million columns.
        static constexpr std::size_t kTab = std::size_t{16} << 20;
        // Pictures: an uncompressed RGBA picture at the largest pixel count
        // the program accepts (see kPicturePixels), plus room for the header.
        static constexpr std::size_t kPicturePixels = std::size_t{4096} * 4096;
        static constexpr std::size_t kPicture = kPicturePixels * 4 + (std::size_t{1} << 20);
        // TrueType fonts: the Latin faces are under 1 MiB; 32 MiB leaves
        // room for the largest faces with every script.
        static constexpr std::size_t kFont = std::size_t{32} << 20;
        // AppSettings.txt: a line per setting.
        static constexpr std::size_t kSettings = std::size_t{64} << 10;
        // SystemMessage.DAT: one 32-bit number.
        static constexpr std::size_t kFirstRunMarker = 4;
    };

    // Opens `path` for reading at most `limit` bytes. failure() tells whether it worked.
    BoundedFile(const std::string& path, std::size_t limit);
    ~BoundedFile();
    BoundedFile(const BoundedFile&) = delete;
    BoundedFile& operator=(const BoundedFile&) = delete;

    // Empty while the file is open and good; otherwise the failure code.
    const std::string& failure() const { return failure_; }
    // The size the file had when it was opened.
    std::size_t size() const { return size_; }

    // The whole file from its start. False (with failure() set and `bytes`
    // empty) when it is not open, cannot be read or grew past the limit.
    bool readAll(std::vector<std::uint8_t>& bytes);
    // Up to `count` bytes at `offset`; fewer when the file ends or fails
    // first, and never any at or past the limit. Returns how many were read.
    std::size_t readAt(std::size_t offset, void* destination, std::size_t count) const;

    // The whole file at `path`: the failure code, or empty once `bytes` holds
    // it (an empty file gives no bytes and no failure).
    static std::string read(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes);
    // The same from standard input (a pipe, a terminal, a file): read until
    // it ends, or refused with "FileTooLarge" after limit + 1 bytes.
    static std::string readStandardInput(std::size_t limit, std::vector<std::uint8_t>& bytes);

private:
    // positional: read with pread from offset 0 (a file), else from where
    // the descriptor stands (a pipe). `expected`: the size to read at once.
    static std::string readDescriptor(int fd, bool positional, std::size_t limit, std::size_t expected,
                                      std::vector<std::uint8_t>& bytes);

    int fd_ = -1;
    std::size_t limit_;
    std::size_t size_ = 0;
    std::string failure_;
};
