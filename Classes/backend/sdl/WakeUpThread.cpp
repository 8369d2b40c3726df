#include "backend/sdl/WakeUpThread.h"

#include <cerrno>

namespace {

// The semaphore of the running wake-up thread, for signal handlers.
std::atomic<sem_t*> gSemaphore{nullptr};

} // namespace

WakeUpThread::~WakeUpThread() {
    stop();
}

bool WakeUpThread::start() {
    if (thread_.joinable())
        return true;
    wakeEventType_ = SDL_RegisterEvents(2);
    if (wakeEventType_ == static_cast<Uint32>(-1) || sem_init(&semaphore_, 0, 0) != 0)
        return false;
    fingerEventType_ = wakeEventType_ + 1;
    semaphoreMade_ = true;
    stop_.store(false);
    thread_ = std::thread([this] {
        for (;;) {
            while (sem_wait(&semaphore_) != 0 && errno == EINTR) {
            }
            if (stop_.load())
                return;
            pending_.store(false);
            SDL_Event e{};
            e.type = wakeEventType_;
            SDL_PushEvent(&e);
        }
    });
    gSemaphore.store(&semaphore_);
    return true;
}

void WakeUpThread::stop() {
    if (gSemaphore.load() == &semaphore_)
        gSemaphore.store(nullptr);
    if (thread_.joinable()) {
        stop_.store(true);
        sem_post(&semaphore_);
        thread_.join();
    }
    if (semaphoreMade_) {
        sem_destroy(&semaphore_);
        semaphoreMade_ = false;
    }
}

void WakeUpThread::wake(void* context) noexcept {
    auto* self = static_cast<WakeUpThread*>(context);
    if (!self->pending_.exchange(true))
        sem_post(&self->semaphore_);
}

void WakeUpThread::wakeFromSignal() noexcept {
    // sem_post may be called from a signal handler.
    if (sem_t* s = gSemaphore.load())
        sem_post(s);
}
