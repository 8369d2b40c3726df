#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

// Opens web addresses in the system browser (xdg-open) without waiting for
// it, and reaps the launchers once they exit.
//
// Threads: UI thread only.
class BrowserLauncher {
public:
    // Only http and https addresses, handed over as one argument, never
    // through a shell. false when none could be started.
    bool open(const std::string& url);
    // Reaps the launchers that have exited; never waits.
    void reap();
    // Some launcher still runs (the loop then looks again soon).
    bool hasRunning() const { return !running_.empty(); }

private:
    std::vector<pid_t> running_;
};
