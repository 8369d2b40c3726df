#pragma once
// A private temporary folder, removed with everything in it at the end of the
// test. Every test that writes files writes them here, never in the user's
// real folders.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace testsupport {

class TempFolder {
public:
    explicit TempFolder(const char* prefix = "strumwell-test") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // A sub-folder, made on first use.
    std::string sub(const std::string& name) const {
        std::filesystem::create_directories(path_ / name);
        return (path_ / name).string();
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

} // namespace testsupport
