#pragma once
#include <atomic>

// The application's own output volume, 0 to 1 (1 by default): what the
// system volume slider sets where the platform offers no system volume of
// its own. An audio output multiplies its samples by it.
//
// Threads: set() on the UI thread; get() from any thread, the render thread
// included (a lock-free atomic load).
class OutputVolume {
public:
    static float get() { return value().load(std::memory_order_relaxed); }
    static void set(float volume) {
        volume = volume < 0 ? 0 : (volume > 1 ? 1 : volume);
        value().store(volume, std::memory_order_relaxed);
    }

private:
    static std::atomic<float>& value() {
        static std::atomic<float> v{1.0f};
        return v;
    }
};
