#pragma once
#include <atomic>

// Time in seconds as a double. The engine stamps voices with it, the recorder
// times events with it. Tests and the offline renderer inject their own.
//
// Threads: now() may be called from any thread, the render thread included
// (it must not lock or allocate).
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

// Monotonic wall time since an arbitrary reference point.
class SystemClock : public Clock {
public:
    double now() const override;
    static SystemClock& shared();
};

// A clock that only moves when told to: for tests and offline rendering.
class ManualClock : public Clock {
public:
    explicit ManualClock(double start = 0.0) : t_(start) {}
    double now() const override { return t_.load(std::memory_order_acquire); }
    void set(double t) { t_.store(t, std::memory_order_release); }
    void advance(double dt) { set(now() + dt); }

private:
    std::atomic<double> t_;
};
