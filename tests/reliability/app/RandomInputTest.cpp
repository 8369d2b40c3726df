// Seeded random touches, keys and typing over every screen. Throughout, the
// recorder stays within its event limit and the shell's own numbers stay in
// range; at the end, the state saved and every song and tab written on the way
// read back. Run under the address and undefined-behaviour sanitizers in CI.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <random>
#include <set>

#include "platform/AlertView.h"
#include "platform/Key.h"
#include "reliability/SavedFiles.h"
#include "support/HeadlessApp.h"

TEST(RandomInput, HundredThousandEventsOverEveryScreenKeepTheInvariants) {
    const unsigned seed = static_cast<unsigned>(reliability::envInt("STRUMWELL_RANDOM_SEED", 12));
    const int events = reliability::envInt("STRUMWELL_RANDOM_EVENTS", 100000);
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    // Every key but the window's own (F11 toggles fullscreen).
    std::vector<Key> keys;
    for (int k = static_cast<int>(Key::A); k <= static_cast<int>(Key::RightAlt); ++k)
        if (static_cast<Key>(k) != Key::F11)
            keys.push_back(static_cast<Key>(k));

    testsupport::AppFolders f;
    ManualClock clock;
    std::set<int> screensSeen;
    int mostEvents = 0;
    {
        testsupport::HeadlessApp run(f, clock);
        Strumwell& shell = run.shell();
        Application& app = run.app();
        std::map<long, Point> down;
        std::set<Key> held;
        for (int i = 0; i < events; ++i) {
            const double what = std::uniform_real_distribution<double>(0, 1)(rng);
            if (what < 0.60) {
                const long id = 1 + pick(4);
                const Point p{static_cast<float>(pick(340) - 10), static_cast<float>(pick(500) - 10)};
                const auto it = down.find(id);
                const TouchPhase phase = it == down.end() ? TouchPhase::Began
                                         : chance(0.6)    ? TouchPhase::Moved
                                         : chance(0.9)    ? TouchPhase::Ended
                                                          : TouchPhase::Cancelled;
                const bool lifted = phase == TouchPhase::Ended || phase == TouchPhase::Cancelled;
                app.injectTouch(id, phase, lifted ? it->second : p);
                if (lifted)
                    down.erase(it);
                else
                    down[id] = p;
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
                const int to = 1 + pick(18);
                shell.transitionToView(to == 3 ? Strumwell::kMainMenu : to, run.shownScreen(), chance(0.5));
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
                const int notes = r.getNumNotes() + static_cast<int>(r.currentOverdubNotesToAdd().size());
                ASSERT_LE(notes, Recorder::kMaxEvents) << "at event " << i;
                mostEvents = std::max(mostEvents, notes);
                ASSERT_TRUE(r.getState() >= 0 && r.getState() <= 2) << r.getState();
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
    const int files = reliability::expectSavedFilesRead(f.docs()).files;
    EXPECT_GE(files, 1);
    std::cout << events << " events: " << screensSeen.size() << " screens shown, at most " << mostEvents
              << " song events held, " << files << " saved files read back\n";
}
