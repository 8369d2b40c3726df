#pragma once
// A JACK server of the test's own: the dummy driver at 44100 Hz with the
// period asked for, under a server name no other program uses, so nothing on
// the machine is heard or disturbed. skipReason() says why there is none.
#include <jack/jack.h>

#include <string>

#include "support/ServerProcess.h"

namespace testsupport {

class JackServer {
public:
    explicit JackServer(int period, std::string name = "")
        : name_(name.empty() ? "strumwell-test-" + std::to_string(::getpid()) + "-" + std::to_string(period)
                             : std::move(name)),
          period_(period) {}

    // Starts it and waits (at most 10 s) until it takes clients.
    bool start() {
        if (!installed("jackd")) {
            skip_ = "jackd is not installed (tools/install-deps.sh --tests installs jackd2)";
            return false;
        }
        // -S: synchronous, every client's period ends before the next begins, so
        // a busy machine delays the read-back rather than skipping a period.
        process_.spawn({"jackd", "-n", name_, "-S", "--no-realtime", "-d", "dummy", "-r", "44100", "-p",
                        std::to_string(period_)});
        if (!waitFor([this] { return takesClients(); }, 10.0)) {
            skip_ = "jackd -n " + name_ + " did not start";
            return false;
        }
        return true;
    }
    // SIGKILL: the server dies as in a crash, telling its clients nothing.
    void crash() { process_.kill(SIGKILL); }
    const std::string& name() const { return name_; }
    const std::string& skipReason() const { return skip_; }

private:
    bool takesClients() const {
        jack_status_t status{};
        jack_client_t* c = jack_client_open(
            "probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status, name_.c_str());
        if (c)
            jack_client_close(c);
        return c != nullptr;
    }

    std::string name_;
    int period_;
    std::string skip_;
    ServerProcess process_;
};

} // namespace testsupport
