#pragma once
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// The latency log: one line per touch or key that started a sound, with the
// times from the input event to the voice request and to the first buffer
// that mixed it (see LatencyProbe), and the underrun count. Lines wait until
// that buffer was mixed, or a second when none comes (no sound output).
//
// Threads: UI thread only.
class LatencyLog {
public:
    ~LatencyLog();

    // Starts the log in a new file and turns the probe on. false when the
    // file cannot be written.
    bool open(const std::string& path);
    bool isOpen() const { return file_ != nullptr; }
    // Writes what is pending and the closing line.
    void close();

    // The window system's time (ms, modulo 2^32) of a press, when it tells.
    void notePressTime(std::uint32_t milliseconds);

    // One input event being handled: begin() before, end() after.
    struct Input {
        const char* kind;
        double event;   // when it happened (probe clock)
        double handled; // when handling began
        std::uint64_t requestsBefore;
    };
    // sdlTimestamp and sdlTicks: the event's SDL_GetTicks stamp and now's.
    Input begin(const char* kind, std::uint32_t sdlTimestamp, std::uint32_t sdlTicks);
    void end(const Input& input);

    // Writes the lines whose sound has come (all: every pending line).
    void write(bool all);
    bool hasPending() const { return !pending_.empty(); }

private:
    double eventTime(std::uint32_t sdlTimestamp, std::uint32_t sdlTicks);

    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    struct Pending {
        const char* kind;
        double event;
        double handled;
        std::uint64_t request; // the first voice start it caused
    };
    std::vector<Pending> pending_;
    // Window-system times (ms) of presses not yet matched to their event.
    std::deque<std::uint32_t> pressTimes_;
};
