#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

// Opens web addresses in the system browser, and local folders (file:///
// addresses) in the file manager, through xdg-open without waiting for it;
// reaps the launchers once they exit. In a web page, the browser opens web
// addresses in a new tab.
//
// Threads: UI thread only.
class BrowserLauncher {
public:
    // Only http, https and file:/// addresses, handed over as one argument,
    // never through a shell. false when none could be started.
    bool open(const std::string& url);
    // Whether xdg-open is on PATH: whether open can start anything at all.
    static bool available();
    // Reaps the launchers that have exited; never waits.
    void reap();
    // Some launcher still runs (the loop then looks again soon).
    bool hasRunning() const { return !running_.empty(); }

private:
    std::vector<pid_t> running_;
};
