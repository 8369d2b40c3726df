#pragma once
// A PulseAudio daemon of the test's own: a null sink named "strumwell_test"
// and a socket in a private runtime folder, so nothing is heard and no other
// daemon is reached. Clients find it through PULSE_SERVER (pulseServer()).
// What was played is read back from the sink's monitor with parec.
#include <fstream>
#include <string>
#include <vector>

#include "support/ServerProcess.h"
#include "support/TempFolder.h"

namespace testsupport {

class PulseServer {
public:
    static constexpr const char* kSink = "strumwell_test";

    PulseServer() {
        std::ofstream(folder_.file("script.pa"))
            << "load-module module-null-sink sink_name=" << kSink << " rate=44100 channels=2\n"
            << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << socket() << "\n"
            << "set-default-sink " << kSink << "\n";
    }
    // Starts it (again, on the same socket) and waits at most 10 s for it to
    // take connections.
    bool start() {
        if (!installed("pulseaudio") || !installed("parec")) {
            skip_ = "pulseaudio or parec is not installed (tools/install-deps.sh --tests installs them)";
            return false;
        }
        // As root it warns but runs as a per-user daemon; the runtime, state
        // and home folders all point into the test's folder.
        const std::string dir = folder_.str();
        std::filesystem::remove(socket()); // a crashed daemon's
        process_.spawn({"env", "HOME=" + dir, "XDG_RUNTIME_DIR=" + dir, "PULSE_RUNTIME_PATH=" + dir,
                        "PULSE_STATE_PATH=" + dir, "XDG_CONFIG_HOME=" + dir, "pulseaudio", "-n",
                        "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "--use-pid-file=no",
                        "--disable-shm=yes", "-F", folder_.file("script.pa")});
        if (!waitFor([this] { return std::filesystem::exists(socket()); }, 10.0)) {
            skip_ = "pulseaudio did not start";
            return false;
        }
        return true;
    }
    void crash() { process_.kill(SIGKILL); }
    std::string pulseServer() const { return "unix:" + socket(); }
    const std::string& skipReason() const { return skip_; }

    // `seconds` of what the sink plays, as interleaved 16-bit stereo, read
    // from its monitor (bounded by timeout).
    std::vector<int16_t> record(double seconds) const {
        const size_t bytes = static_cast<size_t>(seconds * 44100) * 4;
        const std::string command = "PULSE_SERVER=" + pulseServer() + " timeout " +
                                    std::to_string(static_cast<int>(seconds) + 5) + " parec -d " + kSink +
                                    ".monitor --rate=44100 --channels=2 --format=s16le --raw 2>/dev/null";
        std::vector<int16_t> out(bytes / 2);
        FILE* p = ::popen(command.c_str(), "r");
        size_t got = p ? std::fread(out.data(), 1, bytes, p) : 0;
        if (p)
            ::pclose(p);
        out.resize(got / 2);
        return out;
    }

private:
    std::string socket() const { return folder_.file("native"); }

    TempFolder folder_{"strumwell-pulse"};
    std::string skip_;
    ServerProcess process_;
};

} // namespace testsupport
