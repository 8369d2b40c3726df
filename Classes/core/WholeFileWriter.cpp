#include "core/WholeFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

std::atomic<unsigned long> temporaryCounter{0};

bool writeAll(int fd, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string WholeFileWriter::folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string WholeFileWriter::temporaryNameFor(const std::string& target) {
    const std::size_t slash = target.find_last_of('/');
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.size() > 180)
        name = "strumwell";
    return folderOf(target) + "/." + name + kTemporaryInfix + std::to_string(::getpid()) + "-" +
           std::to_string(temporaryCounter.fetch_add(1));
}

unsigned long WholeFileWriter::temporaryNamesGiven() {
    return temporaryCounter.load();
}

void WholeFileWriter::syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool WholeFileWriter::write(const std::string& path, const std::uint8_t* bytes, std::size_t size, Stop stop) {
    const std::string temporary = temporaryNameFor(path);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool shortWrite = stop == Stop::FailWhileWriting;
    bool written = writeAll(fd, bytes, shortWrite ? size / 2 : size) && !shortWrite;
    written = written && stop != Stop::FailAtSync && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (written && stop == Stop::CrashBeforeRename)
        return false; // nothing after this point runs in a crashed program
    if (!written || stop == Stop::FailAtRename || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(folderOf(path));
    return true;
}
