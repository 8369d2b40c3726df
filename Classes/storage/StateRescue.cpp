#include "storage/StateRescue.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include "core/WholeFileWriter.h"
#include "storage/LibraryFolder.h"

namespace {

constexpr const char* kPrefix = "Recovered ";
// '9' stands for any digit.
constexpr std::string_view kStampPattern = "9999-99-99 99.99.99";

// A recovered song's name splits into its time stamp and its number (1 for
// the first copy of that second); false for any other name.
bool parseCopy(const std::string& name, std::string& stamp, int& number) {
    const std::string_view prefix = kPrefix;
    if (name.size() < prefix.size() + kStampPattern.size() || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    stamp = name.substr(prefix.size(), kStampPattern.size());
    for (size_t i = 0; i < kStampPattern.size(); ++i)
        if (kStampPattern[i] == '9' ? stamp[i] < '0' || stamp[i] > '9' : stamp[i] != kStampPattern[i])
            return false;
    const std::string rest = name.substr(prefix.size() + kStampPattern.size());
    number = 1;
    if (rest.empty())
        return true;
    // " (N)" with N from 2 up.
    if (rest.size() < 4 || rest.compare(0, 2, " (") != 0 || rest.back() != ')' || rest[2] == '0')
        return false;
    number = 0;
    for (size_t i = 2; i + 1 < rest.size(); ++i) {
        if (rest[i] < '0' || rest[i] > '9' || number > 100000)
            return false;
        number = number * 10 + (rest[i] - '0');
    }
    return number >= 2;
}

// -1 when there is no regular file at the path.
off_t regularFileSize(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
}

bool existsAtAll(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

StateRescue::StateRescue(std::string documentsFolder) : folder_(std::move(documentsFolder)) {}

std::string StateRescue::songName(const std::tm& when) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d.%02d.%02d", when.tm_year + 1900, when.tm_mon + 1,
                  when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
    return kPrefix + std::string(stamp);
}

std::string StateRescue::keep(const std::string& stateFile, const std::tm& when) const {
    const std::string from = folder_ + "/" + stateFile;
    const off_t size = regularFileSize(from);
    // An empty state holds nothing of the player's: it goes, not into the song list.
    if (size == 0)
        ::unlink(from.c_str());
    if (size <= 0)
        return {};
    const std::string base = songName(when);
    std::string name = base;
    for (int n = 2; existsAtAll(folder_ + "/" + name + kExtension); ++n) {
        if (n > 1000)
            return {};
        name = base + " (" + std::to_string(n) + ")";
    }
    // One program per documents folder: nobody else can take the name
    // between the look and the move.
    if (::rename(from.c_str(), (folder_ + "/" + name + kExtension).c_str()) != 0)
        return {};
    WholeFileWriter::syncFolder(folder_);
    const std::vector<std::string> all = copies();
    const LibraryFolder songs(folder_, std::string(), kExtension);
    for (size_t i = 0; i + kMaxCopies < all.size(); ++i)
        songs.erase(all[i]);
    return name;
}

std::vector<std::string> StateRescue::copies() const {
    std::vector<std::tuple<std::string, int, std::string>> found;
    for (const std::string& name : LibraryFolder(folder_, std::string(), kExtension).names()) {
        std::string stamp;
        int number = 0;
        if (parseCopy(name, stamp, number))
            found.emplace_back(stamp, number, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& entry : found)
        names.push_back(std::move(std::get<2>(entry)));
    return names;
}
