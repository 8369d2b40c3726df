#include "platform/LatencyLog.h"

#include "platform/core/LatencyProbe.h"

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

void LatencyLog::notePressTime(std::uint32_t milliseconds) {
    pressTimes_.push_back(milliseconds);
    if (pressTimes_.size() > 16)
        pressTimes_.pop_front();
}

LatencyLog::Input LatencyLog::begin(const char* kind, std::uint32_t sdlTimestamp, std::uint32_t sdlTicks) {
    const double event = eventTime(sdlTimestamp, sdlTicks);
    return {kind, event, LatencyProbe::now(), LatencyProbe::requestCount()};
}

void LatencyLog::end(const Input& input) {
    if (LatencyProbe::requestCount() > input.requestsBefore)
        pending_.push_back({input.kind, input.event, input.handled, input.requestsBefore + 1});
}

double LatencyLog::eventTime(std::uint32_t sdlTimestamp, std::uint32_t sdlTicks) {
    const double now = LatencyProbe::now();
    // The window system's time of the press, when it told us (it includes
    // the time the press waited before the loop read it).
    while (!pressTimes_.empty()) {
        const std::uint32_t pressed = pressTimes_.front();
        pressTimes_.pop_front();
        const std::uint32_t nowMs = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now * 1000.0));
        const std::uint32_t age = nowMs - pressed;
        if (age < 10000)
            return now - age / 1000.0;
    }
    // Otherwise SDL's own stamp, in whole milliseconds of SDL_GetTicks.
    const std::uint32_t age = sdlTicks - sdlTimestamp;
    return age < 10000 ? now - age / 1000.0 : now;
}

void LatencyLog::write(bool all) {
    const double now = LatencyProbe::now();
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
                     it->handled, request, mixed, LatencyProbe::deviceLatency() * 1000.0,
                     request > 0 ? (request - it->event) * 1000.0 : -1.0,
                     mixed > 0 ? (mixed - it->event) * 1000.0 : -1.0,
                     static_cast<unsigned long long>(LatencyProbe::underruns()));
        it = pending_.erase(it);
    }
    std::fflush(file_.get());
}
