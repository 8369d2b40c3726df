#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "reliability/SavedFiles.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> namesIn(const testsupport::TempFolder& f) {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(f.path()))
        out.insert(e.path().filename().string());
    return out;
}

// Runs `body` in a child process to its end; returns the child's process id,
// no longer in use.
template <typename F> pid_t inChild(F body) {
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

std::string temporaryName(const std::string& name, pid_t pid, unsigned long counter) {
    return "." + name + FileManager::kTemporaryInfix + std::to_string(pid) + "-" + std::to_string(counter);
}

} // namespace

TEST(StaleTemporaryFiles, OnlyFilesOfProcessesThatAreGoneAreRemovedAndTheOldFileStaysWhole) {
    testsupport::TempFolder f;
    std::ofstream(f.file("song.SAV")) << "x";
    // A save cut short leaves its temporary file. Then, in the same process
    // as an unprivileged user, the sweep keeps the file of an owner that
    // lives but may not be signalled (pid 1).
    const std::string unsignalled = temporaryName("song.SAV", 1, 5);
    std::ofstream(f.file(unsignalled)) << "x";
    fs::permissions(f.path(), fs::perms::all);
    const pid_t dead = inChild([&] {
        FileManager files(nullptr, nullptr, nullptr, f.str());
        files.setSaveInterruptionForTesting(FileManager::SaveInterruption::CrashBeforeRename);
        const uint8_t bytes[] = {1, 2, 3};
        files.saveDataFile(f.file("song.SAV"), bytes, sizeof bytes);
        // Root may signal anyone; where no process may not be signalled, this sweep proves nothing.
        if ((::geteuid() != 0 || ::setuid(65534) == 0) && ::kill(1, 0) != 0 && errno == EPERM)
            files.removeStaleTemporaryFiles();
    });
    ASSERT_EQ(namesIn(f).size(), 3u) << "the interrupted save left its temporary file; pid 1's stays";
    std::set<std::string> kept = {
        "song.SAV",
        unsignalled,
        ".hidden",
        temporaryName("song.SAV", ::getppid(), 3), // its owner may be saving right now
        temporaryName("song.SAV", ::getpid(), 0),  // this process's own, possibly in progress
        ".x.SAV.saving-abc-1",
        temporaryName("x.SAV", dead, 1) + "z",
        "." + std::string(FileManager::kTemporaryInfix) + std::to_string(dead) + "-1", // no name
        ".x.SAV.saving-" + std::to_string(dead) + "-",
    };
    const std::set<std::string> removed = {
        temporaryName("song.SAV", dead, 9), temporaryName("My.saving-song.TAB", dead, 7),
        temporaryName("system.state", ::getpid(), 1000000), // an earlier process with our id
    };
    for (const auto& names : {kept, removed})
        for (const std::string& n : names)
            std::ofstream(f.file(n)) << "x";
    // A folder that looks like a temporary file is not a file we wrote.
    fs::create_directory(f.file(temporaryName("dir.SAV", dead, 2)));
    FileManager files(nullptr, nullptr, nullptr, f.str());
    files.saveDataFile(f.file("tick"), reinterpret_cast<const uint8_t*>("x"), 1); // moves the counter on

    EXPECT_EQ(files.removeStaleTemporaryFiles(), static_cast<int>(removed.size()) + 1);
    kept.insert({temporaryName("dir.SAV", dead, 2), "tick"});
    EXPECT_EQ(namesIn(f), kept);
    EXPECT_EQ(files.loadDataFile(f.file("song.SAV")), std::vector<uint8_t>{'x'});
    EXPECT_EQ(FileManager(nullptr, nullptr, nullptr, f.file("missing")).removeStaleTemporaryFiles(), 0);
}
