#include "core/BoundedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// Reads into `out` from `fd` (at `offset`, or from where it stands when
// offset is negative) until `count` bytes are in, the file ends or it fails.
// False on a failure; `done` says how many bytes arrived.
bool readSome(int fd, long long offset, std::uint8_t* out, std::size_t count, std::size_t& done) {
    done = 0;
    while (done < count) {
        const ssize_t got = offset < 0 ? ::read(fd, out + done, count - done)
                                       : ::pread(fd, out + done, count - done, off_t(offset) + off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        done += std::size_t(got);
    }
    return true;
}

} // namespace

BoundedFile::BoundedFile(const std::string& path, std::size_t limit) : limit_(limit) {
    // O_NONBLOCK: opening a FIFO with no writer (or a device) must not wait;
    // it is refused below like any other file that is not a regular one.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        failure_ = errno == ENOENT || errno == ENOTDIR ? "FileNotFound" : "Unreadable";
        return;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        failure_ = "Unreadable";
    else if (!S_ISREG(st.st_mode))
        failure_ = "NotARegularFile";
    else if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > limit_)
        failure_ = "FileTooLarge";
    else
        size_ = std::size_t(st.st_size);
}

BoundedFile::~BoundedFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::string BoundedFile::readDescriptor(int fd, bool positional, std::size_t limit, std::size_t expected,
                                        std::vector<std::uint8_t>& bytes) {
    // Grows in steps rather than trusting a size: the file may change while
    // it is read, and standard input has none. One byte past the limit is
    // enough to know the file is too large.
    bytes.clear();
    const std::size_t most = limit + 1;
    std::size_t have = 0;
    bool failed = false;
    while (have < most) {
        const std::size_t step = std::min(most - have, std::max({have, expected + 1, std::size_t{64} << 10}));
        bytes.resize(have + step);
        std::size_t got = 0;
        const long long offset = positional ? static_cast<long long>(have) : -1;
        failed = !readSome(fd, offset, bytes.data() + have, step, got);
        have += got;
        if (failed || got < step)
            break;
    }
    const char* failure = failed ? "Unreadable" : have > limit ? "FileTooLarge" : "";
    if (*failure != '\0') {
        bytes.clear();
        bytes.shrink_to_fit();
        return failure;
    }
    bytes.resize(have);
    return {};
}

bool BoundedFile::readAll(std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    if (failure_.empty()) {
        failure_ = readDescriptor(fd_, true, limit_, size_, bytes);
    }
    return failure_.empty();
}

std::size_t BoundedFile::readAt(std::size_t offset, void* destination, std::size_t count) const {
    if (!failure_.empty() || offset >= limit_)
        return 0;
    std::size_t done = 0;
    readSome(fd_, static_cast<long long>(offset), static_cast<std::uint8_t*>(destination),
             std::min(count, limit_ - offset), done);
    return done;
}

std::string BoundedFile::read(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes) {
    BoundedFile file(path, limit);
    file.readAll(bytes);
    return file.failure();
}

std::string BoundedFile::readStandardInput(std::size_t limit, std::vector<std::uint8_t>& bytes) {
    return readDescriptor(STDIN_FILENO, false, limit, 0, bytes);
}
