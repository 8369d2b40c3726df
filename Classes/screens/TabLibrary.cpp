#include "screens/TabLibrary.h"

#include <algorithm>
#include <filesystem>

#include "screens/SongLibrary.h"

namespace fs = std::filesystem;

namespace {

bool isPlainName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
           name.find('\0') == std::string::npos && name != "." && name != "..";
}

} // namespace

TabLibrary::TabLibrary(std::string documentsFolder, std::string bundleFolder)
    : documentsFolder_(std::move(documentsFolder)), bundleFolder_(std::move(bundleFolder)) {}

std::string TabLibrary::makeFileSafe(const std::string& text) { return SongLibrary::makeFileSafe(text); }

std::string TabLibrary::tabFileName(const std::string& name) { return name + kTabExtension; }

std::string TabLibrary::tabNameOfFile(const std::string& fileName) {
    const std::string ext = kTabExtension;
    if (fileName.size() <= ext.size())
        return {};
    if (fileName.compare(fileName.size() - ext.size(), ext.size(), ext) != 0)
        return {};
    return fileName.substr(0, fileName.size() - ext.size());
}

std::vector<std::string> TabLibrary::tabNames() const {
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
        std::string name = tabNameOfFile(it->path().filename().string());
        if (!name.empty())
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string TabLibrary::tabPath(const std::string& name) const { return documentsFolder_ + "/" + tabFileName(name); }

bool TabLibrary::tabExists(const std::string& name) const {
    if (!isPlainName(name))
        return false;
    std::error_code ec;
    return fs::is_regular_file(tabPath(name), ec);
}

bool TabLibrary::eraseTab(const std::string& name) const {
    if (!tabExists(name))
        return false;
    std::error_code ec;
    return fs::remove(tabPath(name), ec) && !ec;
}

int TabLibrary::copyDemoTabs() const {
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
        if (tabNameOfFile(fileName).empty())
            continue;
        const fs::path target = fs::path(documentsFolder_) / fileName;
        std::error_code copyError;
        if (fs::exists(target, copyError) || copyError)
            continue;
        if (fs::copy_file(it->path(), target, fs::copy_options::skip_existing, copyError) && !copyError)
            ++copied;
    }
    return copied;
}
