#include "screens/SongLibrary.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// "X.SAV" gives "X"; anything else (other or lower-case extension, nothing
// before the extension) gives an empty name.
std::string songNameOfFile(const std::string& fileName) {
    const std::string ext = SongLibrary::kSongExtension;
    if (fileName.size() <= ext.size())
        return {};
    if (fileName.compare(fileName.size() - ext.size(), ext.size(), ext) != 0)
        return {};
    return fileName.substr(0, fileName.size() - ext.size());
}

bool isPlainName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
           name.find('\0') == std::string::npos && name != "." && name != "..";
}

} // namespace

SongLibrary::SongLibrary(std::string documentsFolder, std::string bundleFolder)
    : documentsFolder_(std::move(documentsFolder)), bundleFolder_(std::move(bundleFolder)) {}

std::string SongLibrary::makeFileSafe(const std::string& text) {
    std::string safe = text;
    std::replace(safe.begin(), safe.end(), '.', '_');
    std::replace(safe.begin(), safe.end(), '/', '_');
    std::replace(safe.begin(), safe.end(), '\\', '_');
    return safe;
}

std::string SongLibrary::songFileName(const std::string& name) {
    return name + kSongExtension;
}

std::vector<std::string> SongLibrary::songNames() const {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(documentsFolder_, ec);
    if (ec)
        return names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        std::string name = songNameOfFile(it->path().filename().string());
        if (!name.empty())
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string SongLibrary::songPath(const std::string& name) const {
    return documentsFolder_ + "/" + songFileName(name);
}

bool SongLibrary::songExists(const std::string& name) const {
    if (!isPlainName(name))
        return false;
    std::error_code ec;
    return fs::is_regular_file(songPath(name), ec);
}

bool SongLibrary::eraseSong(const std::string& name) const {
    if (!isPlainName(name))
        return false;
    std::error_code ec;
    if (!fs::is_regular_file(songPath(name), ec))
        return false;
    return fs::remove(songPath(name), ec) && !ec;
}

int SongLibrary::copyDemoSongs() const {
    if (bundleFolder_.empty())
        return 0;
    int copied = 0;
    std::error_code ec;
    fs::directory_iterator it(bundleFolder_, ec);
    if (ec)
        return 0;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        const std::string fileName = it->path().filename().string();
        if (songNameOfFile(fileName).empty())
            continue;
        const fs::path target = fs::path(documentsFolder_) / fileName;
        std::error_code copyError;
        if (fs::exists(target, copyError))
            continue;
        if (fs::copy_file(it->path(), target, fs::copy_options::skip_existing, copyError) && !copyError)
            ++copied;
    }
    return copied;
}
