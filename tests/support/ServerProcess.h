#pragma once
// A sound server of the test's own (jackd, pulseaudio): started as a child
// process with its output thrown away, and always killed, with a bounded wait,
// when the test ends.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// Whether the program is on $PATH.
inline bool installed(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Polls until `ready` or `seconds` pass.
inline bool waitFor(const std::function<bool()>& ready, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The lines an output's status hook gave, from whichever thread gave them.
class StatusLines {
public:
    std::function<void(const std::string&)> hook() {
        return [this](const std::string& line) {
            std::lock_guard<std::mutex> g(mutex_);
            lines_.push_back(line);
        };
    }
    bool said(const std::string& words) const {
        std::lock_guard<std::mutex> g(mutex_);
        for (const std::string& l : lines_)
            if (l.find(words) != std::string::npos)
                return true;
        return false;
    }
    size_t size() const {
        std::lock_guard<std::mutex> g(mutex_);
        return lines_.size();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

class ServerProcess {
public:
    ServerProcess() = default;
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    ~ServerProcess() { kill(SIGTERM); }

    // Starts argv[0] (found on $PATH).
    bool spawn(const std::vector<std::string>& argv) {
        kill(SIGTERM);
        pid_ = ::fork();
        if (pid_ == 0) {
            // dup2, not freopen: closing the inherited stdout would write out
            // what the parent had buffered a second time.
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            std::vector<char*> args;
            for (const std::string& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
        return pid_ > 0;
    }
    bool running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }
    // Sends `sig`; after 3 s without an exit, SIGKILL. Returns once it is reaped.
    void kill(int sig) {
        if (pid_ <= 0)
            return;
        ::kill(pid_, sig);
        if (!waitFor([this] { return ::waitpid(pid_, nullptr, WNOHANG) != 0; }, 3.0)) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

} // namespace testsupport
