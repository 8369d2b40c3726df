#include "system/LatencyProbe.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr std::uint64_t H = LatencyProbe::kHistory;

std::atomic<bool> gEnabled{false};
std::atomic<std::uint64_t> gRequested{0};
std::atomic<std::uint64_t> gCovered{0};
// Each slot holds the time of one request (and the first callback that mixed
// it), tagged with the request's number so a reused slot is not misread.
std::atomic<double> gRequestTime[H];
std::atomic<std::uint64_t> gRequestTag[H];
std::atomic<double> gMixedTime[H];
std::atomic<std::uint64_t> gMixedTag[H];

std::atomic<std::uint64_t> gUnderruns{0};
std::atomic<std::uint64_t> gCallbacks{0};
std::atomic<bool> gResetSchedule{true};
std::atomic<double> gDeviceLatency{0};

// Render thread only: the schedule the callbacks keep.
double gAnchor = 0;       // when callback 0 of the schedule was due
std::uint64_t gIndex = 0; // callbacks since the anchor

} // namespace

double LatencyProbe::now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void LatencyProbe::setEnabled(bool enabled) {
    gEnabled.store(enabled, std::memory_order_relaxed);
}

bool LatencyProbe::isEnabled() {
    return gEnabled.load(std::memory_order_relaxed);
}

void LatencyProbe::voiceStartRequested() noexcept {
    if (!gEnabled.load(std::memory_order_relaxed))
        return;
    const double t = now();
    const std::uint64_t n = gRequested.fetch_add(1, std::memory_order_acq_rel) + 1;
    gRequestTime[n % H].store(t, std::memory_order_relaxed);
    gRequestTag[n % H].store(n, std::memory_order_release);
}

std::uint64_t LatencyProbe::requestCount() noexcept {
    return gRequested.load(std::memory_order_acquire);
}

double LatencyProbe::requestTime(std::uint64_t n) noexcept {
    if (n == 0 || gRequestTag[n % H].load(std::memory_order_acquire) != n)
        return 0;
    const double t = gRequestTime[n % H].load(std::memory_order_relaxed);
    return gRequestTag[n % H].load(std::memory_order_acquire) == n ? t : 0;
}

double LatencyProbe::firstMixedTime(std::uint64_t n) noexcept {
    if (n == 0 || gMixedTag[n % H].load(std::memory_order_acquire) != n)
        return 0;
    const double t = gMixedTime[n % H].load(std::memory_order_relaxed);
    return gMixedTag[n % H].load(std::memory_order_acquire) == n ? t : 0;
}

void LatencyProbe::bufferBegan(double t, int frames, int sampleRate) noexcept {
    gCallbacks.fetch_add(1, std::memory_order_relaxed);
    // Every request published before this callback began is mixed by it.
    const std::uint64_t requested = gRequested.load(std::memory_order_acquire);
    std::uint64_t covered = gCovered.load(std::memory_order_relaxed);
    if (requested > covered + H)
        covered = requested - H;
    for (std::uint64_t k = covered + 1; k <= requested; ++k) {
        gMixedTag[k % H].store(0, std::memory_order_relaxed);
        gMixedTime[k % H].store(t, std::memory_order_relaxed);
        gMixedTag[k % H].store(k, std::memory_order_release);
    }
    gCovered.store(requested, std::memory_order_release);

    // Callback n of the schedule is due at anchor + n * period; the device
    // holds about one more buffer, so a callback more than one period past
    // its due time has let the output run dry. Early callbacks (drivers that
    // run ahead) pull the schedule earlier, so that lateness is measured
    // against the pace actually kept.
    if (frames <= 0 || sampleRate <= 0)
        return;
    const double period = static_cast<double>(frames) / sampleRate;
    if (gResetSchedule.exchange(false, std::memory_order_acq_rel)) {
        gAnchor = t;
        gIndex = 0;
        return;
    }
    ++gIndex;
    const double due = gAnchor + static_cast<double>(gIndex) * period;
    if (t > due + period) {
        gUnderruns.fetch_add(1, std::memory_order_relaxed);
        gAnchor = t;
        gIndex = 0;
    } else if (t < due) {
        gAnchor = t - static_cast<double>(gIndex) * period;
    }
}

std::uint64_t LatencyProbe::underruns() noexcept {
    return gUnderruns.load(std::memory_order_relaxed);
}

std::uint64_t LatencyProbe::callbacks() noexcept {
    return gCallbacks.load(std::memory_order_relaxed);
}

void LatencyProbe::resetSchedule() noexcept {
    gResetSchedule.store(true, std::memory_order_release);
}

void LatencyProbe::setDeviceLatency(double seconds) noexcept {
    gDeviceLatency.store(seconds, std::memory_order_relaxed);
}

double LatencyProbe::deviceLatency() noexcept {
    return gDeviceLatency.load(std::memory_order_relaxed);
}
