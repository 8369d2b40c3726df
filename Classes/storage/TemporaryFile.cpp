#include "storage/TemporaryFile.h"

#include <cstdio>

#include "core/WholeFileWriter.h"

TemporaryFile::TemporaryFile(const std::string& target)
    : target_(target), path_(WholeFileWriter::temporaryNameFor(target)) {}

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
