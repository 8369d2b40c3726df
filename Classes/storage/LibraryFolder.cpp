#include "storage/LibraryFolder.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "core/BoundedFile.h"
#include "core/WholeFileWriter.h"

namespace fs = std::filesystem;

namespace {

bool isPlainName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
           name.find('\0') == std::string::npos && name != "." && name != "..";
}

// Calls fn with the path of each regular file in `folder` (none when it
// cannot be read).
template <typename Fn> void forEachRegularFile(const std::string& folder, Fn fn) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec)
        return;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        std::error_code typeError;
        if (it->is_regular_file(typeError))
            fn(it->path());
    }
}

} // namespace

LibraryFolder::LibraryFolder(std::string documentsFolder, std::string bundleFolder, std::string extension)
    : documentsFolder_(std::move(documentsFolder)), bundleFolder_(std::move(bundleFolder)),
      extension_(std::move(extension)) {}

std::string LibraryFolder::makeFileSafe(const std::string& text) {
    std::string safe = text;
    std::replace(safe.begin(), safe.end(), '.', '_');
    std::replace(safe.begin(), safe.end(), '/', '_');
    std::replace(safe.begin(), safe.end(), '\\', '_');
    return safe;
}

std::string LibraryFolder::fileName(const std::string& name) const {
    return name + extension_;
}

std::string LibraryFolder::nameOfFile(const std::string& fileName) const {
    if (fileName.size() <= extension_.size())
        return {};
    if (fileName.compare(fileName.size() - extension_.size(), extension_.size(), extension_) != 0)
        return {};
    return fileName.substr(0, fileName.size() - extension_.size());
}

std::vector<std::string> LibraryFolder::names() const {
    std::vector<std::string> found;
    forEachRegularFile(documentsFolder_, [&](const fs::path& file) {
        std::string name = nameOfFile(file.filename().string());
        if (!name.empty())
            found.push_back(std::move(name));
    });
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::string>
LibraryFolder::otherFiles(const std::function<bool(const std::string&)>& accept) const {
    std::vector<std::string> found;
    forEachRegularFile(documentsFolder_, [&](const fs::path& file) {
        std::string name = file.filename().string();
        if (name[0] != '.' && accept(name))
            found.push_back(std::move(name));
    });
    std::sort(found.begin(), found.end());
    return found;
}

std::string LibraryFolder::freeName(const std::string& name) const {
    std::string free = name;
    for (int n = 2; exists(free); ++n)
        free = name + " " + std::to_string(n);
    return free;
}

std::string LibraryFolder::path(const std::string& name) const {
    return documentsFolder_ + "/" + fileName(name);
}

bool LibraryFolder::exists(const std::string& name) const {
    if (!isPlainName(name))
        return false;
    std::error_code ec;
    return fs::is_regular_file(path(name), ec);
}

bool LibraryFolder::erase(const std::string& name) const {
    if (!exists(name))
        return false;
    std::error_code ec;
    return fs::remove(path(name), ec) && !ec;
}

int LibraryFolder::copyDemos() const {
    if (bundleFolder_.empty())
        return 0;
    int copied = 0;
    forEachRegularFile(bundleFolder_, [&](const fs::path& demo) {
        const std::string file = demo.filename().string();
        if (nameOfFile(file).empty())
            return;
        const std::string target = documentsFolder_ + "/" + file;
        std::vector<uint8_t> demoBytes, targetBytes;
        if (!BoundedFile::read(demo.string(), BoundedFile::Limit::kSong, demoBytes).empty())
            return;
        // A target that is the demo cut short (an earlier copy into a full
        // folder) is copied again; anything else there is the player's own.
        const std::string there = BoundedFile::read(target, BoundedFile::Limit::kSong, targetBytes);
        const bool cutShortCopy = there.empty() && targetBytes.size() < demoBytes.size() &&
                                  std::equal(targetBytes.begin(), targetBytes.end(), demoBytes.begin());
        if ((there == "FileNotFound" || cutShortCopy) &&
            WholeFileWriter::write(target, demoBytes.data(), demoBytes.size()))
            ++copied;
    });
    return copied;
}
