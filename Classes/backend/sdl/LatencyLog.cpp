#include "backend/sdl/LatencyLog.h"

#include <algorithm>

#include "system/LatencyProbe.h"

LatencyLog::LatencyLog(double (*now)()) : now_(now ? now : &LatencyProbe::now) {}

LatencyLog::~LatencyLog() {
    close();
}

bool LatencyLog::open(const std::string& path) {
    file_.reset(std::fopen(path.c_str(), "w"));
    if (!file_)
        return false;
    LatencyProbe::setEnabled(true);
    std::fprintf(file_.get(),
                 "# One line per touch or key that started a sound. Times in seconds of the monotonic "
                 "clock:\n# kind event handled voice_request first_buffer device_latency_ms "
                 "event_to_request_ms event_to_buffer_ms underruns\n");
    std::fflush(file_.get());
    return true;
}

void LatencyLog::close() {
    if (!file_)
        return;
    write(true);
    std::fprintf(file_.get(), "# end: underruns %llu, callbacks %llu\n",
                 static_cast<unsigned long long>(LatencyProbe::underruns()),
                 static_cast<unsigned long long>(LatencyProbe::callbacks()));
    file_.reset();
}

void LatencyLog::notePressTime(std::uint32_t milliseconds, double read) {
    // Unwrapped across the 32-bit wrap (about every 49 days).
    if (!windowClockKnown_)
        windowMs_ = milliseconds;
    else
        windowMs_ += static_cast<std::int32_t>(milliseconds - lastWindowMs_);
    lastWindowMs_ = milliseconds;
    const double offset = (read < 0 ? now_() : read) - windowMs_ / 1000.0;
    // A press is never read before it happened: the smallest gap is the
    // truest offset.
    windowOffset_ = windowClockKnown_ ? std::min(windowOffset_, offset) : offset;
    windowClockKnown_ = true;
    pressTimes_.push_back(windowMs_ / 1000.0 + windowOffset_);
    if (pressTimes_.size() > 16)
        pressTimes_.pop_front();
}

LatencyLog::Input LatencyLog::begin(const char* kind, double arrived) {
    const double event = eventTime(arrived);
    return {kind, event, now_(), LatencyProbe::requestCount()};
}

void LatencyLog::end(const Input& input) {
    if (LatencyProbe::requestCount() > input.requestsBefore)
        pending_.push_back({input.kind, input.event, input.handled, input.requestsBefore + 1});
}

double LatencyLog::eventTime(double arrived) {
    const double stamped = arrived < 0 ? now_() : arrived;
    // The window system's time of the press, when it told us, includes the
    // time the press waited before SDL read it; one from before the last ten
    // seconds belongs to some other event. It counts in whole milliseconds:
    // a wait shorter than one is below its resolution, and the arrival's
    // finer time is kept.
    while (!pressTimes_.empty()) {
        const double pressed = pressTimes_.front();
        pressTimes_.pop_front();
        if (pressed <= stamped && stamped - pressed < 10.0)
            return stamped - pressed > 0.001 ? pressed : stamped;
    }
    return stamped;
}

void LatencyLog::write(bool all) {
    const double now = now_();
    for (auto it = pending_.begin(); it != pending_.end();) {
        const double mixed = LatencyProbe::firstMixedTime(it->request);
        // A voice no callback mixed within a second (no sound output) is
        // written without a buffer time.
        if (mixed == 0 && !all && now < it->handled + 1.0) {
            ++it;
            continue;
        }
        const double request = LatencyProbe::requestTime(it->request);
        std::fprintf(file_.get(), "%s %.6f %.6f %.6f %.6f %.3f %.3f %.3f %llu\n", it->kind, it->event,
                     it->handled, request > 0 ? request : -1.0, mixed > 0 ? mixed : -1.0,
                     LatencyProbe::deviceLatency() * 1000.0,
                     request > 0 ? (request - it->event) * 1000.0 : -1.0,
                     mixed > 0 ? (mixed - it->event) * 1000.0 : -1.0,
                     static_cast<unsigned long long>(LatencyProbe::underruns()));
        it = pending_.erase(it);
    }
    std::fflush(file_.get());
}
