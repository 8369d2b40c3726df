#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <semaphore>

#include "system/MidiMessage.h"

// Incoming MIDI on its way from a port's thread to the thread that plays
// it. The port's thread may be a real-time one (a JACK process callback), so
// push never locks, allocates or waits: a full inbox drops the message and
// counts it. One producer and one consumer at a time.
class MidiInbox {
public:
    static constexpr std::size_t kCapacity = 1024; // a power of two

    // Producer (any thread, the render thread included): wait-free. False
    // (and counted in dropped()) when the inbox is full.
    bool push(const MidiMessage& message) noexcept;
    // Consumer. The oldest message, waiting at most `seconds` for one; false
    // when none came (or wake() was called).
    bool pop(MidiMessage& out, double seconds);
    // Any thread: makes a waiting pop return (to stop the consumer).
    void wake() noexcept;
    // Any thread.
    uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

private:
    MidiMessage ring_[kCapacity];
    std::atomic<std::size_t> head_{0}; // next to write (producer)
    std::atomic<std::size_t> tail_{0}; // next to read (consumer)
    std::atomic<uint64_t> dropped_{0};
    std::counting_semaphore<> ready_{0};
};
