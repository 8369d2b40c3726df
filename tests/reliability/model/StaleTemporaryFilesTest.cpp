#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "storage/FileManager.h"

namespace fs = std::filesystem;

namespace {

class Folder {
public:
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "strumwell-stale-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void touch(const std::string& name) const { std::ofstream(file(name)) << "x"; }
    std::set<std::string> names() const {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(path_))
            out.insert(e.path().filename().string());
        return out;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A process id that was in use a moment ago and is no longer.
pid_t deadProcessId() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

std::string temporaryName(const std::string& name, pid_t pid, unsigned long counter) {
    return "." + name + FileManager::kTemporaryInfix + std::to_string(pid) + "-" + std::to_string(counter);
}

} // namespace

TEST(StaleTemporaryFiles, OnlyFilesOfProcessesThatAreGoneAreRemoved) {
    Folder f;
    FileManager files(nullptr, nullptr, nullptr, f.path());
    const pid_t dead = deadProcessId();
    const pid_t alive = ::getppid();

    const std::set<std::string> kept = {
        "song.SAV",
        ".hidden",
        temporaryName("song.SAV", alive, 3),      // its owner may be saving right now
        temporaryName("song.SAV", ::getpid(), 0), // this process's own, possibly in progress
        ".x.SAV.saving-abc-1",
        temporaryName("x.SAV", dead, 1) + "z",
        "." + std::string(FileManager::kTemporaryInfix) + std::to_string(dead) + "-1", // no name
        ".x.SAV.saving-" + std::to_string(dead) + "-",
    };
    for (const std::string& n : kept)
        f.touch(n);
    // A folder that looks like a temporary file is not a file we wrote.
    fs::create_directory(f.file(temporaryName("dir.SAV", dead, 2)));
    files.saveDataFile(f.file("tick"), reinterpret_cast<const uint8_t*>("x"), 1); // moves the counter on

    const std::set<std::string> removed = {
        temporaryName("song.SAV", dead, 0), temporaryName("My.saving-song.TAB", dead, 7),
        temporaryName("system.state", ::getpid(), 1000000), // an earlier process with our id
    };
    for (const std::string& n : removed)
        f.touch(n);

    EXPECT_EQ(files.removeStaleTemporaryFiles(), static_cast<int>(removed.size()));
    std::set<std::string> expected = kept;
    expected.insert(temporaryName("dir.SAV", dead, 2));
    expected.insert("tick");
    EXPECT_EQ(f.names(), expected);
}

TEST(StaleTemporaryFiles, ASaveCutShortInAnotherProcessIsCleanedUpAndTheOldFileStaysWhole) {
    Folder f;
    f.touch("song.SAV");
    const pid_t child = ::fork();
    if (child == 0) {
        FileManager files(nullptr, nullptr, nullptr, f.path());
        files.setSaveInterruptionForTesting(FileManager::SaveInterruption::CrashBeforeRename);
        const uint8_t bytes[] = {1, 2, 3};
        files.saveDataFile(f.file("song.SAV"), bytes, sizeof bytes);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(f.names().size(), 2u) << "the interrupted save left its temporary file";

    FileManager files(nullptr, nullptr, nullptr, f.path());
    EXPECT_EQ(files.removeStaleTemporaryFiles(), 1);
    EXPECT_EQ(f.names(), std::set<std::string>{"song.SAV"});
    EXPECT_EQ(files.loadDataFile(f.file("song.SAV")), std::vector<uint8_t>{'x'});
    EXPECT_EQ(FileManager(nullptr, nullptr, nullptr, f.file("missing")).removeStaleTemporaryFiles(), 0);
}
