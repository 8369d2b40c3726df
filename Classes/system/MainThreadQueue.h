#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "system/Clock.h"

// Calls queued for the user-interface thread, run by its main loop: the
// stand-in for performSelectorOnMainThread:...waitUntilDone:NO and
// performSelector:withObject:afterDelay:.
class MainThreadQueue {
public:
    using RealtimeFn = void (*)(void* context);
    using Token = std::uint64_t;
    // Told that something was queued, so a sleeping main loop wakes up. It is
    // called from the posting thread, the render thread included: it must
    // not lock, allocate or wait.
    using WakeFn = void (*)(void* context);

    explicit MainThreadQueue(const Clock& clock = SystemClock::shared());

    // UI thread, while no other thread posts: installs (or, with null,
    // removes) the wake-up.
    void setWakeHook(WakeFn fn, void* context);

    // Any thread except the render thread: queue fn to run on the UI thread
    // at its next turn. Never waits for fn to run.
    void post(std::function<void()> fn);

    // Render thread only (one producer): queue fn(context) without locking,
    // allocating or waiting. Returns false (and drops the call) only if 64
    // calls are already waiting.
    bool postFromRealtime(RealtimeFn fn, void* context) noexcept;

    // UI thread: run fn after delaySeconds, at the first turn of the main loop
    // at or after that time. Returns a token for cancel().
    Token postDelayed(double delaySeconds, std::function<void()> fn);
    // UI thread: forget a delayed call that has not run yet.
    void cancel(Token token);

    // UI thread: run everything that is due. Calls queued while running wait
    // for the next turn. Returns how many calls ran.
    int runPending();

    // UI thread: seconds until the next delayed call is due (0 if one is due
    // or something is queued, a large number when nothing waits).
    double secondsUntilNextDue() const;

    const Clock& clock() const { return clock_; }

private:
    struct Delayed {
        double due;
        Token token;
        std::function<void()> fn;
    };
    struct RealtimeItem {
        RealtimeFn fn;
        void* context;
    };
    static constexpr unsigned kRealtimeCapacity = 64;

    const Clock& clock_;
    mutable std::mutex mutex_;
    std::vector<std::function<void()>> posted_;
    std::vector<Delayed> delayed_;
    Token nextToken_ = 1;

    RealtimeItem ring_[kRealtimeCapacity] = {};
    std::atomic<unsigned> ringHead_{0}; // written by the consumer (UI thread)
    std::atomic<unsigned> ringTail_{0}; // written by the producer (render thread)

    std::atomic<WakeFn> wakeFn_{nullptr};
    std::atomic<void*> wakeContext_{nullptr};
    void wake() noexcept;
};
