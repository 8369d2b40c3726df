#include "system/MidiInbox.h"

#include <chrono>

bool MidiInbox::push(const MidiMessage& message) noexcept {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head - tail_.load(std::memory_order_acquire) >= kCapacity) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    ring_[head & (kCapacity - 1)] = message;
    head_.store(head + 1, std::memory_order_release);
    // A futex wake at most: the consumer may sleep, the producer never does.
    ready_.release();
    return true;
}

bool MidiInbox::pop(MidiMessage& out, double seconds) {
    for (;;) {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail != head_.load(std::memory_order_acquire)) {
            out = ring_[tail & (kCapacity - 1)];
            tail_.store(tail + 1, std::memory_order_release);
            return true;
        }
        // Each push and each wake releases once; a release whose message was
        // already taken just sends the loop round again.
        if (!ready_.try_acquire_for(std::chrono::duration<double>(seconds)))
            return false;
        if (tail_.load(std::memory_order_relaxed) == head_.load(std::memory_order_acquire))
            return false; // woken with nothing to read
    }
}

void MidiInbox::wake() noexcept {
    ready_.release();
}
