#include "system/Folders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {
std::string fromXdg(const char* variable, const char* fallbackBelowHome) {
    const char* xdg = std::getenv(variable);
    if (xdg && *xdg && fs::path(xdg).is_absolute())
        return (fs::path(xdg) / "strumwell").string();
    const char* home = std::getenv("HOME");
    fs::path base = (home && *home) ? fs::path(home) : fs::temp_directory_path();
    return (base / fallbackBelowHome / "strumwell").string();
}

bool isBundle(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}
} // namespace

std::string Folders::defaultDocumentsFolder() {
    return fromXdg("XDG_DATA_HOME", ".local/share");
}

std::string Folders::defaultCachesFolder() {
    return fromXdg("XDG_CACHE_HOME", ".cache");
}

std::string Folders::executableFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return fs::current_path(ec).string();
    return exe.parent_path().string();
}

std::string Folders::findBundleFolder() {
    const fs::path exeDir = executableFolder();
    const fs::path candidates[] = {
        exeDir / "bundle",
        exeDir / ".." / "share" / "strumwell" / "bundle",
#ifdef STRUMWELL_BUILD_BUNDLE_DIR
        fs::path(STRUMWELL_BUILD_BUNDLE_DIR),
#endif
    };
    for (const auto& c : candidates)
        if (isBundle(c))
            return fs::weakly_canonical(c).string();
    return {};
}

bool Folders::ensureFolder(const std::string& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}
