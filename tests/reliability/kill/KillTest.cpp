// The real program, headless, killed at random moments: with SIGKILL, with
// SIGTERM (an orderly end), or with SIGTERM and then SIGKILL within 50 ms,
// which can land in the middle of the final save. After every run each file
// must still read, the crash flag must have been honoured, and temporary
// files of earlier runs must not pile up.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "audio/SoundEngine.h"
#include "platform/core/Clock.h"
#include "recorder/Recorder.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"
#include "support/TempFolder.h"

extern char** environ;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int envInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : fallback;
}

// The model behind a file manager, to write the starting files and to check
// what the program left.
struct Model {
    explicit Model(const std::string& docs, const std::string& bundle)
        : engine(nullptr, nullptr, nullptr, bundle, clock), recorder(nullptr, &engine, clock, false),
          files(&tab, &recorder, &engine, docs) {
        engine.setRecorder(&recorder);
        files.setDiagnosticStream(quiet);
        files.resetState();
    }
    ~Model() { engine.setRecorder(nullptr); }
    ManualClock clock;
    Tab tab;
    SoundEngine engine;
    Recorder recorder;
    FileManager files;
    std::ostringstream quiet;
};

pid_t start(const std::vector<std::string>& args, const std::string& log) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

} // namespace

TEST(Kill, FilesSurviveRandomKillsAndTheCrashFlagIsHonoured) {
    const int runs = envInt("STRUMWELL_KILL_RUNS", 50);
    const unsigned seed = static_cast<unsigned>(envInt("STRUMWELL_KILL_SEED", 7));
    SCOPED_TRACE("seed " + std::to_string(seed));
    testsupport::TempFolder root("strumwell-kill");
    const std::string docs = root.sub("docs"), caches = root.sub("caches"), bundle = root.sub("bundle");

    // Songs and tabs, and a state that differs from the defaults.
    Bytes defaults, state;
    {
        Model m(docs, bundle);
        defaults = m.files.createSongSaveBuffer();
        for (int i = 0; i < 3; ++i) {
            m.tab.addChordToTab(i, 0, 2, 2, 1, 0, 0);
            ASSERT_TRUE(m.files.saveTab("Tab " + std::to_string(i) + ".TAB"));
            ASSERT_TRUE(m.files.saveState("Song " + std::to_string(i) + ".SAV"));
        }
        m.engine.setDelayOn(0, true);
        m.engine.setNumFretsToShow(7);
        state = m.files.createSongSaveBuffer();
        ASSERT_NE(state, defaults);
    }
    auto writeState = [&] {
        std::ofstream(docs + "/system.state", std::ios::binary)
            .write(reinterpret_cast<const char*>(state.data()), static_cast<std::streamsize>(state.size()));
    };
    writeState();

    int orderly = 0, killed = 0, flagResets = 0, temporariesSeen = 0, runsSinceOrderlyEnd = 0;
    // One run: started, signalled after waitMs (how: 0 SIGKILL, 1 SIGTERM,
    // 2 SIGTERM then SIGKILL gapMs later), then every check.
    auto runOnce = [&](int waitMs, int how, int gapMs) {
        const bool flagAtStart = fs::exists(caches + "/System.Running");
        const Bytes before = readAll(docs + "/system.state");
        // Each save puts a new file in place; a run that quits before it
        // has read the state saves nothing.
        auto stateFileId = [&] {
            struct stat st {};
            return ::stat((docs + "/system.state").c_str(), &st) == 0 ? st.st_ino : 0;
        };
        const ino_t idBefore = stateFileId();
        const pid_t pid = start(
            {STRUMWELL_PROGRAM, "--headless", "--documents", docs, "--caches", caches, "--bundle", bundle},
            root.file("log.txt"));
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
        clean ? ++orderly : ++killed;
        if (WIFEXITED(status)) {
            ASSERT_EQ(WEXITSTATUS(status), 0) << "the program failed:\n"
                                              << std::ifstream(root.file("log.txt")).rdbuf();
        }

        // Every file still reads.
        int temporaries = 0;
        for (const auto& entry : fs::directory_iterator(docs)) {
            const std::string name = entry.path().filename().string();
            if (name.find(FileManager::kTemporaryInfix) != std::string::npos) {
                ++temporaries;
                continue;
            }
            const bool tab = name.ends_with(".TAB");
            if (!tab && name != "system.state" && !name.ends_with(".SAV"))
                continue;
            const Bytes bytes = readAll(entry.path().string());
            Model m(docs, bundle);
            EXPECT_TRUE(tab ? m.files.loadTabFromBuffer(bytes.data(), bytes.size())
                            : m.files.loadStateFromBuffer(bytes.data(), bytes.size()))
                << name << ": " << m.files.lastFailure();
        }
        // A killed run leaves at most its own temporary file; the next run
        // that gets through its start removes those of the runs before.
        runsSinceOrderlyEnd = clean ? 0 : runsSinceOrderlyEnd + 1;
        EXPECT_LE(temporaries, runsSinceOrderlyEnd) << "temporary files pile up";
        temporariesSeen += temporaries;

        // An orderly end saves and removes the flag; the state it saves is
        // the defaults when the run began after a crash.
        if (clean) {
            EXPECT_FALSE(fs::exists(caches + "/System.Running"));
            const Bytes saved = readAll(docs + "/system.state");
            if (stateFileId() == idBefore) {
                EXPECT_EQ(saved, before) << "a run that saved nothing left the state alone";
            } else if (flagAtStart) {
                EXPECT_EQ(saved, defaults) << "a start after a crash must not load the state";
                ++flagResets;
            } else {
                // (What a killed run left, which may be the defaults.)
                EXPECT_EQ(saved, before) << "an orderly run keeps the state it loaded";
            }
            writeState();
        }
    };

    std::mt19937 rng(seed);
    for (int run = 0; run < runs && !HasFatalFailure(); ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const int waitMs = std::uniform_int_distribution<int>(0, 1500)(rng);
        const int how = std::uniform_int_distribution<int>(0, 2)(rng);
        const int gapMs = std::uniform_int_distribution<int>(0, 50)(rng);
        runOnce(waitMs, how, gapMs);
    }
    // A last, orderly run leaves nothing behind.
    runOnce(2000, 1, 0);
    EXPECT_EQ(runsSinceOrderlyEnd, 0) << "the last run should have ended in order";

    std::cout << runs << " random runs and an orderly one: " << orderly << " orderly ends, " << killed
              << " killed, " << flagResets << " starts after a crash checked, " << temporariesSeen
              << " temporary files seen after kills\n";
    EXPECT_GT(killed, 0);
    EXPECT_GT(flagResets, 0);
}
