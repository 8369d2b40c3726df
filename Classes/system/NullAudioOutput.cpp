#include "system/NullAudioOutput.h"

#include <algorithm>
#include <chrono>

#include "system/LatencyProbe.h"

namespace {
// If the thread falls this far behind (a suspended process, a debugger), it
// does not try to catch up with a burst of buffers: it starts a new schedule.
constexpr std::chrono::milliseconds kMaxLag{100};
} // namespace

NullAudioOutput::NullAudioOutput(int framesPerBuffer)
    : DevicelessAudioOutput(std::clamp(framesPerBuffer, 16, 8192)),
      frames_(DevicelessAudioOutput::maxFramesPerBuffer()),
      buffer_(static_cast<size_t>(frames_) * kChannels, 0) {}

NullAudioOutput::~NullAudioOutput() {
    stop();
}

bool NullAudioOutput::start() {
    if (thread_.joinable())
        return true;
    {
        std::lock_guard<std::mutex> guard(stateMutex_);
        stopRequested_ = false;
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void NullAudioOutput::stop() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> guard(stateMutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

std::uint64_t NullAudioOutput::buffersDelivered() const {
    return buffersDelivered_.load(std::memory_order_acquire);
}

void NullAudioOutput::run() {
    using Clock = std::chrono::steady_clock;
    // Deadlines are computed from the start time and the buffer count, so
    // rounding in one period never accumulates into drift.
    const auto period = std::chrono::duration<double>(static_cast<double>(frames_) / kSampleRate);
    auto origin = Clock::now();
    LatencyProbe::setDeviceLatency(static_cast<double>(frames_) / kSampleRate);
    LatencyProbe::resetSchedule();
    std::uint64_t n = 0;
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(renderMutex_);
            LatencyProbe::bufferBegan(LatencyProbe::now(), frames_, kSampleRate);
            renderLocked(buffer_.data(), frames_);
        }
        buffersDelivered_.fetch_add(1, std::memory_order_release);
        ++n;
        auto deadline = origin + std::chrono::duration_cast<Clock::duration>(period * static_cast<double>(n));
        const auto now = Clock::now();
        if (now - deadline > kMaxLag) {
            origin = now;
            n = 0;
            deadline = now;
        }
        std::unique_lock<std::mutex> state(stateMutex_);
        if (wake_.wait_until(state, deadline, [this] { return stopRequested_; }))
            return;
    }
}
