#include "backend/sdl/EventArrivals.h"

#include "system/LatencyProbe.h"

namespace {

bool timed(std::uint32_t type) {
    switch (type) {
    case SDL_SYSWMEVENT:
    case SDL_KEYDOWN:
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
        return true;
    default:
        return type >= SDL_USEREVENT; // fingers posted from other threads
    }
}

} // namespace

EventArrivals::~EventArrivals() {
    stop();
}

void EventArrivals::start() {
    if (!watching_)
        SDL_AddEventWatch(&EventArrivals::watch, this);
    watching_ = true;
}

void EventArrivals::stop() {
    if (watching_ && SDL_WasInit(SDL_INIT_EVENTS))
        SDL_DelEventWatch(&EventArrivals::watch, this);
    watching_ = false;
}

int SDLCALL EventArrivals::watch(void* self, SDL_Event* event) {
    if (!timed(event->type))
        return 0;
    const double now = LatencyProbe::now();
    auto* a = static_cast<EventArrivals*>(self);
    std::lock_guard<std::mutex> guard(a->mutex_);
    a->arrivals_[a->next_] = {event->type, event->common.timestamp, now};
    a->next_ = (a->next_ + 1) % kKept;
    return 0;
}

double EventArrivals::take(const SDL_Event& event) {
    std::lock_guard<std::mutex> guard(mutex_);
    // The oldest arrival of this type and stamp: events of one type are
    // handled in the order they were queued.
    for (int i = 0; i < kKept; ++i) {
        Arrival& a = arrivals_[(next_ + i) % kKept];
        if (a.time >= 0 && a.type == event.type && a.stamp == event.common.timestamp) {
            const double t = a.time;
            a.time = -1;
            return t;
        }
    }
    return -1;
}
