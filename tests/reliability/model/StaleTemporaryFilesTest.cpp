#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "storage/FileManager.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> namesIn(const testsupport::TempFolder& f) {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(f.path()))
        out.insert(e.path().filename().string());
    return out;
}

// A process id that was in use a moment ago and is no longer, or (child)
// one that ran `inChild` first.
template <typename F> pid_t finishedProcess(F inChild) {
    const pid_t child = ::fork();
    if (child == 0) {
        inChild();
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

std::string temporaryName(const std::string& name, pid_t pid, unsigned long counter) {
    return "." + name + FileManager::kTemporaryInfix + std::to_string(pid) + "-" + std::to_string(counter);
}

} // namespace

TEST(StaleTemporaryFiles, OnlyFilesOfProcessesThatAreGoneAreRemoved) {
    testsupport::TempFolder f;
    FileManager files(nullptr, nullptr, nullptr, f.str());
    const pid_t dead = finishedProcess([] {});
    std::set<std::string> kept = {
        "song.SAV",
        ".hidden",
        temporaryName("song.SAV", ::getppid(),
                      3), // its owner may be saving right now
        temporaryName("song.SAV", ::getpid(),
                      0), // this process's own, possibly in progress
        ".x.SAV.saving-abc-1",
        temporaryName("x.SAV", dead, 1) + "z",
        "." + std::string(FileManager::kTemporaryInfix) + std::to_string(dead) + "-1", // no name
        ".x.SAV.saving-" + std::to_string(dead) + "-",
    };
    const std::set<std::string> removed = {
        temporaryName("song.SAV", dead, 0), temporaryName("My.saving-song.TAB", dead, 7),
        temporaryName("system.state", ::getpid(),
                      1000000), // an earlier process with our id
    };
    for (const auto& names : {kept, removed})
        for (const std::string& n : names)
            std::ofstream(f.file(n)) << "x";
    // A folder that looks like a temporary file is not a file we wrote.
    fs::create_directory(f.file(temporaryName("dir.SAV", dead, 2)));
    files.saveDataFile(f.file("tick"), reinterpret_cast<const uint8_t*>("x"),
                       1); // moves the counter on

    // A live owner keeps its files whatever an earlier failed check left in errno.
    errno = ESRCH;
    EXPECT_EQ(files.removeStaleTemporaryFiles(), static_cast<int>(removed.size()));
    kept.insert({temporaryName("dir.SAV", dead, 2), "tick"});
    EXPECT_EQ(namesIn(f), kept);
}

TEST(StaleTemporaryFiles, ASaveCutShortInAnotherProcessIsCleanedUpAndTheOldFileStaysWhole) {
    testsupport::TempFolder f;
    std::ofstream(f.file("song.SAV")) << "x";
    finishedProcess([&] {
        FileManager files(nullptr, nullptr, nullptr, f.str());
        files.setSaveInterruptionForTesting(FileManager::SaveInterruption::CrashBeforeRename);
        const uint8_t bytes[] = {1, 2, 3};
        files.saveDataFile(f.file("song.SAV"), bytes, sizeof bytes);
    });
    ASSERT_EQ(namesIn(f).size(), 2u) << "the interrupted save left its temporary file";
    FileManager files(nullptr, nullptr, nullptr, f.str());
    EXPECT_EQ(files.removeStaleTemporaryFiles(), 1);
    EXPECT_EQ(namesIn(f), std::set<std::string>{"song.SAV"});
    EXPECT_EQ(files.loadDataFile(f.file("song.SAV")), std::vector<uint8_t>{'x'});
    EXPECT_EQ(FileManager(nullptr, nullptr, nullptr, f.file("missing")).removeStaleTemporaryFiles(), 0);
}
