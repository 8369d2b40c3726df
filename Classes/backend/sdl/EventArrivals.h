#pragma once
#include <SDL.h>

#include <cstdint>
#include <mutex>

// When each input event entered SDL's queue, on the latency probe's clock
// (LatencyProbe::now, microseconds and finer): SDL's own stamps are whole
// milliseconds. An SDL event watch notes the time as each touch, key, mouse
// button or window-system event is queued (while the UI thread pumps the
// window system, or on the thread that pushed it); the UI thread takes the
// time back when it handles the event.
//
// Threads: start(), stop() and take() on the UI thread; the watch on any.
class EventArrivals {
public:
    EventArrivals() = default;
    ~EventArrivals();
    EventArrivals(const EventArrivals&) = delete;
    EventArrivals& operator=(const EventArrivals&) = delete;

    // Watches SDL's queue (after SDL_Init) until stop() (before SDL_Quit).
    void start();
    void stop();

    // When this event was queued, or a negative number when it was not seen
    // (queued before start(), or pushed out by newer ones).
    double take(const SDL_Event& event);

private:
    static int SDLCALL watch(void* self, SDL_Event* event);

    struct Arrival {
        std::uint32_t type = 0;
        std::uint32_t stamp = 0;
        double time = -1;
    };
    static constexpr int kKept = 64;
    std::mutex mutex_;
    Arrival arrivals_[kKept];
    int next_ = 0;
    bool watching_ = false;
};
