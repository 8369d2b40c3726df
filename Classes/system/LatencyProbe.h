#pragma once
#include <atomic>
#include <cstdint>

// Times the way from a touch or key to the sound: the engine calls
// voiceStartRequested() when it starts a voice, the audio output calls
// bufferBegan() at the start of every callback, and the main loop brackets
// the handling of each input event. Everything here is lock-free and
// allocation-free, so the render thread may call it.
//
// Voice start requests are numbered 1, 2, ... A callback that begins after
// request n was published mixes voice n (the engine starts a voice fully
// before it is counted), so the first such callback's start time is the time
// the voice was first mixed.
//
// Also counts underruns: callbacks that begin later than the device could
// wait for them (more than one buffer behind their schedule).
//
// Threads: as each member says. Times are seconds of steady_clock.
class LatencyProbe {
public:
    // Any thread.
    static double now();

    // Any thread: turns the probe on (it is off by default, and the engine's
    // hook then costs one relaxed load). Clears nothing.
    static void setEnabled(bool enabled);
    static bool isEnabled();

    // Any thread, real-time safe: a voice has been started (call it after the
    // voice is ready for the render thread).
    static void voiceStartRequested() noexcept;
    // Any thread: how many voice starts have been requested so far.
    static std::uint64_t requestCount() noexcept;
    // Any thread: when request n was made (0 when unknown or too old).
    static double requestTime(std::uint64_t n) noexcept;
    // Any thread: the start of the first callback that mixed request n, or 0
    // when none has yet (or it is too old to be remembered).
    static double firstMixedTime(std::uint64_t n) noexcept;

    // Render thread, real-time safe: a callback of `frames` frames at
    // `sampleRate` begins at time t.
    static void bufferBegan(double t, int frames, int sampleRate) noexcept;
    // Any thread: callbacks later than their buffer, since start-up or reset.
    static std::uint64_t underruns() noexcept;
    static std::uint64_t callbacks() noexcept;
    // Control thread, when an output starts: a new schedule for underruns.
    static void resetSchedule() noexcept;

    // The output latency the device reports, in seconds (set by the output).
    static void setDeviceLatency(double seconds) noexcept;
    static double deviceLatency() noexcept;

    // How many requests are remembered for requestTime/firstMixedTime.
    static constexpr std::uint64_t kHistory = 1024;
};
