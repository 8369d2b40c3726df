#include "system/MainThreadQueue.h"

#include <algorithm>
#include <limits>

MainThreadQueue::MainThreadQueue(const Clock& clock) : clock_(clock) {}

void MainThreadQueue::setWakeHook(WakeFn fn, void* context) {
    wakeContext_.store(context, std::memory_order_release);
    wakeFn_.store(fn, std::memory_order_release);
}

void MainThreadQueue::wake() noexcept {
    if (WakeFn fn = wakeFn_.load(std::memory_order_acquire))
        fn(wakeContext_.load(std::memory_order_acquire));
}

void MainThreadQueue::post(std::function<void()> fn) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        posted_.push_back(std::move(fn));
    }
    wake();
}

bool MainThreadQueue::postFromRealtime(RealtimeFn fn, void* context) noexcept {
    const unsigned tail = ringTail_.load(std::memory_order_relaxed);
    const unsigned head = ringHead_.load(std::memory_order_acquire);
    if (tail - head >= kRealtimeCapacity)
        return false;
    ring_[tail % kRealtimeCapacity] = RealtimeItem{fn, context};
    ringTail_.store(tail + 1, std::memory_order_release);
    wake();
    return true;
}

MainThreadQueue::Token MainThreadQueue::postDelayed(double delaySeconds, std::function<void()> fn) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Token token = nextToken_++;
    delayed_.push_back(Delayed{clock_.now() + std::max(0.0, delaySeconds), token, std::move(fn)});
    return token;
}

void MainThreadQueue::cancel(Token token) {
    std::lock_guard<std::mutex> lock(mutex_);
    delayed_.erase(std::remove_if(delayed_.begin(), delayed_.end(),
                                  [token](const Delayed& d) { return d.token == token; }),
                   delayed_.end());
}

int MainThreadQueue::runPending() {
    int count = 0;

    // Messages from the render thread first: they are the oldest kind.
    const unsigned tail = ringTail_.load(std::memory_order_acquire);
    unsigned head = ringHead_.load(std::memory_order_relaxed);
    while (head != tail) {
        const RealtimeItem item = ring_[head % kRealtimeCapacity];
        ++head;
        ringHead_.store(head, std::memory_order_release);
        if (item.fn) {
            item.fn(item.context);
            ++count;
        }
    }

    std::vector<std::function<void()>> now;
    std::vector<Delayed> due;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        now.swap(posted_);
        const double t = clock_.now();
        auto it = std::stable_partition(delayed_.begin(), delayed_.end(),
                                        [t](const Delayed& d) { return d.due > t; });
        due.assign(std::make_move_iterator(it), std::make_move_iterator(delayed_.end()));
        delayed_.erase(it, delayed_.end());
    }
    for (auto& fn : now) {
        fn();
        ++count;
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const Delayed& a, const Delayed& b) { return a.due < b.due; });
    for (auto& d : due) {
        d.fn();
        ++count;
    }
    return count;
}

double MainThreadQueue::secondsUntilNextDue() const {
    if (ringTail_.load(std::memory_order_acquire) != ringHead_.load(std::memory_order_acquire))
        return 0.0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!posted_.empty())
        return 0.0;
    double next = std::numeric_limits<double>::max();
    const double t = clock_.now();
    for (const auto& d : delayed_)
        next = std::min(next, std::max(0.0, d.due - t));
    return next;
}
