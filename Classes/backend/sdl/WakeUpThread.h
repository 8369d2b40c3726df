#pragma once
#include <SDL.h>
#include <semaphore.h>

#include <atomic>
#include <thread>

// Wakes the main loop sleeping in SDL_WaitEvent from other threads and from
// signal handlers. They post a semaphore, which never blocks or allocates (so
// the render thread may too, and a signal handler may), and this thread turns
// each post into an SDL event of the wake-up type.
//
// Threads: start() and stop() on the UI thread; wake() and wakeFromSignal()
// on any thread.
class WakeUpThread {
public:
    ~WakeUpThread();

    // After SDL is up: registers the wake-up and finger event types and
    // starts the thread. false when either cannot be had.
    bool start();
    void stop();

    // Wakes the loop; one wake-up at a time is enough, as the loop then runs
    // everything queued. Fits MainThreadQueue::setWakeHook (context: this).
    static void wake(void* context) noexcept;
    // From a signal handler: wakes the loop of the running thread, if any.
    static void wakeFromSignal() noexcept;

    // The event type of fingers posted from other threads, 0 before start().
    Uint32 fingerEventType() const { return fingerEventType_; }

private:
    sem_t semaphore_;
    bool semaphoreMade_ = false;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> pending_{false};
    Uint32 wakeEventType_ = 0;
    Uint32 fingerEventType_ = 0;
};
