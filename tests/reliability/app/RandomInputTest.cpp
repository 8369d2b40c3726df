#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "platform/AlertView.h"
#include "platform/Key.h"
#include "recorder/Recorder.h"
#include "storage/DumpCommand.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"
#include "support/HeadlessApp.h"

namespace fs = std::filesystem;

namespace {

// Every key but the window's own (F11 toggles fullscreen).
std::vector<Key> randomKeys() {
    std::vector<Key> keys;
    for (int k = static_cast<int>(Key::A); k <= static_cast<int>(Key::RightAlt); ++k)
        if (static_cast<Key>(k) != Key::F11)
            keys.push_back(static_cast<Key>(k));
    return keys;
}

} // namespace

// Seeded random touches, keys and typing over every screen. Throughout, the
// recorder stays within its event limit and the shell's own numbers stay in
// range; at the end, the state saved and every song and tab written on the way
// read back. Run under the address and undefined-behaviour sanitizers in CI.
TEST(RandomInput, HundredThousandEventsOverEveryScreenKeepTheInvariants) {
    auto envInt = [](const char* name, int fallback) {
        return std::getenv(name) ? std::atoi(std::getenv(name)) : fallback;
    };
    const unsigned seed = static_cast<unsigned>(envInt("STRUMWELL_RANDOM_SEED", 12));
    const int events = envInt("STRUMWELL_RANDOM_EVENTS", 100000);
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };

    testsupport::AppFolders f;
    ManualClock clock;
    std::set<int> screensSeen;
    int mostEvents = 0;
    {
        testsupport::HeadlessApp run(f, clock);
        Strumwell& shell = run.shell();
        Application& app = run.app();
        const std::vector<Key> keys = randomKeys();
        std::map<long, Point> down;
        std::set<Key> held;
        for (int i = 0; i < events; ++i) {
            const double what = std::uniform_real_distribution<double>(0, 1)(rng);
            if (what < 0.60) {
                const long id = 1 + pick(4);
                const Point p{static_cast<float>(pick(340) - 10), static_cast<float>(pick(500) - 10)};
                auto it = down.find(id);
                if (it == down.end()) {
                    app.injectTouch(id, TouchPhase::Began, p);
                    down[id] = p;
                } else if (chance(0.6)) {
                    app.injectTouch(id, TouchPhase::Moved, p);
                    it->second = p;
                } else {
                    app.injectTouch(id, chance(0.9) ? TouchPhase::Ended : TouchPhase::Cancelled, it->second);
                    down.erase(it);
                }
            } else if (what < 0.85) {
                KeyEvent e;
                e.key = keys[static_cast<size_t>(pick(static_cast<int>(keys.size())))];
                e.shift = chance(0.1);
                e.ctrl = chance(0.05);
                e.alt = chance(0.05);
                const bool press = !held.count(e.key) || chance(0.2);
                e.repeat = press && held.count(e.key);
                app.injectKey(e, press);
                if (press)
                    held.insert(e.key);
                else
                    held.erase(e.key);
            } else if (what < 0.90) {
                app.injectText(std::string(1, static_cast<char>(' ' + pick(95))));
            } else if (what < 0.902) {
                // Jumps keep every screen in play; taps alone rarely reach the deep ones.
                int to = 1 + pick(18);
                if (to == 3)
                    to = Strumwell::kMainMenu;
                shell.transitionToView(to, run.shownScreen(), chance(0.5));
            } else if (what < 0.903) {
                shell.transitionBack(run.shownScreen());
            } else if (what < 0.91 && app.currentAlert() != nullptr) {
                app.currentAlert()->pressButton();
            }
            if (i % 16 == 15 || i == events - 1) {
                clock.advance(chance(0.02) ? 0.6 : 1.0 / 60);
                ASSERT_TRUE(app.runFrames(1)) << "the run ended by itself at event " << i;
                screensSeen.insert(run.shownScreenNo());
                Recorder& r = *shell.recorder();
                const int events = r.getNumNotes() + static_cast<int>(r.currentOverdubNotesToAdd().size());
                ASSERT_LE(events, Recorder::kMaxEvents) << "at event " << i;
                mostEvents = std::max(mostEvents, events);
                const int state = r.getState();
                ASSERT_TRUE(state >= 0 && state <= 2) << state;
                ASSERT_TRUE(shell.currentGuitar() == 0 || shell.currentGuitar() == 1);
                ASSERT_TRUE(shell.noBackScreens() >= 0 &&
                            shell.noBackScreens() <= Strumwell::kMaxBackScreens);
            }
        }
        for (const auto& [id, at] : down)
            app.injectTouch(id, TouchPhase::Ended, at);
        app.runFrames(1);
    } // an orderly end saves the state

    for (int n = 1; n <= 18 && events >= 100000; ++n)
        EXPECT_TRUE(n == 3 || screensSeen.count(n)) << "screen " << n << " was never shown";

    // The state and every song and tab written on the way read back.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(f.docs())) {
        const std::string name = entry.path().filename().string();
        const bool tab = name.ends_with(".TAB");
        if (name != "system.state" && !tab && !name.ends_with(".SAV"))
            continue;
        SCOPED_TRACE(name);
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
        std::ostringstream json, err;
        EXPECT_EQ(DumpCommand::dumpBuffer(bytes.data(), bytes.size(), tab, json, err), 0) << err.str();
        ++files;
    }
    EXPECT_GE(files, 1);
    std::cout << events << " events: " << screensSeen.size() << " screens shown, at most " << mostEvents
              << " song events held, " << files << " saved files read back\n";
    // A fresh model (default patches) loads the state the run saved.
    ManualClock modelClock;
    Tab tab;
    SoundEngine engine(nullptr, nullptr, nullptr, f.bundle(), modelClock);
    Recorder recorder(nullptr, &engine, modelClock, false);
    engine.setRecorder(&recorder);
    FileManager fm(&tab, &recorder, &engine, f.docs());
    EXPECT_TRUE(fm.loadState("system.state")) << fm.lastFailure();
    engine.setRecorder(nullptr);
}
