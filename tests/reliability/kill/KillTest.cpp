// The real program, headless, killed at random moments: with SIGKILL, with
// SIGTERM (an orderly end), or with SIGTERM and then SIGKILL within 50 ms,
// which can land in the middle of the final save. After every run each file
// must still read, the crash flag must have been honoured, and temporary
// files of earlier runs must not pile up.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "reliability/SavedFiles.h"
#include "storage/StateRescue.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;
using namespace reliability;

TEST(Kill, FilesSurviveRandomKillsAndTheCrashFlagIsHonoured) {
    const int runs = 50;
    testsupport::TempFolder root("strumwell-kill");
    const std::string docs = root.sub("docs"), caches = root.sub("caches"), bundle = root.sub("bundle");
    const std::string state = docs + "/system.state", flag = caches + "/System.Running";

    // A state that differs from the defaults.
    Bytes defaults, ours;
    {
        Model m(docs, bundle);
        defaults = m.files.createSongSaveBuffer();
        m.tab.addChordToTab(0, 0, 2, 2, 1, 0, 0);
        m.engine.setDelayOn(0, true);
        m.engine.setNumFretsToShow(7);
        ours = m.files.createSongSaveBuffer();
    }
    writeFile(state, ours);
    // Each save puts a new file in place; a run that quits before it has
    // read the state saves nothing.
    auto stateFileId = [&] {
        struct stat st {};
        return ::stat(state.c_str(), &st) == 0 ? st.st_ino : 0;
    };

    int killed = 0, flagResets = 0, runsSinceOrderlyEnd = 0;
    std::mt19937 rng(7);
    auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    // Each run is signalled after waitMs (how: 0 SIGKILL, 1 SIGTERM, 2 SIGTERM
    // then SIGKILL gapMs later), then checked. A last, orderly run leaves
    // nothing behind.
    for (int run = 0; run <= runs && !HasFatalFailure(); ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const bool last = run == runs;
        const int waitMs = last ? 2000 : between(0, 1500), how = last ? 1 : between(0, 2),
                  gapMs = between(0, 50);
        const bool flagAtStart = fs::exists(flag);
        const Bytes before = readFile(state);
        const ino_t idBefore = stateFileId();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(STRUMWELL_PROGRAM, STRUMWELL_PROGRAM, "--headless", "--documents", docs.c_str(),
                    "--caches", caches.c_str(), "--bundle", bundle.c_str(), nullptr);
            ::_exit(127);
        }
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        ::kill(pid, how == 0 ? SIGKILL : SIGTERM);
        if (how == 2) {
            std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
            ::kill(pid, SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        const bool clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        killed += !clean;
        ASSERT_TRUE(clean || !WIFEXITED(status)) << "the program failed";

        // Every file still reads. A killed run leaves at most its own
        // temporary file; the next run that gets through its start removes
        // those of the runs before.
        runsSinceOrderlyEnd = clean ? 0 : runsSinceOrderlyEnd + 1;
        EXPECT_LE(expectSavedFilesRead(docs), runsSinceOrderlyEnd) << "temporary files pile up";
        EXPECT_LE(StateRescue(docs).copies().size(), size_t(StateRescue::kMaxCopies))
            << "recovered songs pile up";
        if (!clean)
            continue;
        // An orderly end saves and removes the flag; the state it saves is
        // the defaults when the run began after a crash.
        EXPECT_FALSE(fs::exists(flag));
        const Bytes saved = readFile(state);
        if (stateFileId() == idBefore) {
            EXPECT_EQ(saved, before) << "a run that saved nothing left the state alone";
        } else if (flagAtStart) {
            EXPECT_EQ(saved, defaults) << "a start after a crash must not load the state";
            ++flagResets;
        } else {
            // (What a killed run left, which may be the defaults.)
            EXPECT_EQ(saved, before) << "an orderly run keeps the state it loaded";
        }
        writeFile(state, ours);
    }
    EXPECT_EQ(runsSinceOrderlyEnd, 0) << "the last run should have ended in order";
    EXPECT_GT(killed, 0);
    EXPECT_GT(flagResets, 0);
}
