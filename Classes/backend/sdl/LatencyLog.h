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
// Every time in it is of one clock, the probe's (LatencyProbe::now): an
// event's time is when it entered SDL's queue on that clock (EventArrivals),
// or the window system's press time (its own milliseconds) turned into it.
// A time that never came (a voice no buffer mixed) is written as -1.
//
// Threads: UI thread only.
class LatencyLog {
public:
    // `now` is the probe's clock; tests give their own.
    explicit LatencyLog(double (*now)() = nullptr);
    ~LatencyLog();

    // Starts the log in a new file and turns the probe on. false when the
    // file cannot be written.
    bool open(const std::string& path);
    bool isOpen() const { return file_ != nullptr; }
    // Writes what is pending and the closing line.
    void close();

    // The window system's time (ms of its own clock, modulo 2^32) of a
    // press, when it tells, and when SDL read the event that told (probe
    // clock; negative: now). The clocks' offset is learnt from these: the
    // smallest gap between a press and SDL reading it is taken as none.
    void notePressTime(std::uint32_t milliseconds, double read);

    // One input event being handled: begin() before, end() after.
    struct Input {
        const char* kind;
        double event;   // when it happened (probe clock)
        double handled; // when handling began
        std::uint64_t requestsBefore;
    };
    // arrived: when the event entered SDL's queue (probe clock; negative:
    // unknown, taken as now).
    Input begin(const char* kind, double arrived);
    void end(const Input& input);

    // Writes the lines whose sound has come (all: every pending line).
    void write(bool all);
    bool hasPending() const { return !pending_.empty(); }

private:
    double eventTime(double arrived);

    double (*now_)();

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
    // Presses not yet matched to their event, on the probe's clock.
    std::deque<double> pressTimes_;
    // The window system's clock: the last time seen, unwrapped (ms), and the
    // probe's clock minus it (s), once known.
    std::int64_t windowMs_ = 0;
    std::uint32_t lastWindowMs_ = 0;
    bool windowClockKnown_ = false;
    double windowOffset_ = 0;
};
