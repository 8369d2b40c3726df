#include "storage/TemporaryFile.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "storage/FileManager.h"

namespace {

std::atomic<unsigned long> temporaryCounter{0};

} // namespace

TemporaryFile::TemporaryFile(const std::string& target) : target_(target), path_(nameFor(target)) {}

TemporaryFile::~TemporaryFile() {
    if (!committed_)
        std::remove(path_.c_str());
}

bool TemporaryFile::commit() {
    if (committed_)
        return true;
    if (std::rename(path_.c_str(), target_.c_str()) != 0) {
        std::remove(path_.c_str());
        return false;
    }
    committed_ = true;
    return true;
}

std::string TemporaryFile::nameFor(const std::string& target) {
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.size() > 180)
        name = "strumwell";
    return folder + "." + name + FileManager::kTemporaryInfix + std::to_string(::getpid()) + "-" +
           std::to_string(temporaryCounter.fetch_add(1));
}
