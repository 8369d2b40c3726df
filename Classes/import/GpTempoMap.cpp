#include "import/GpTempoMap.h"

#include <algorithm>

namespace {
double clampBpm(double bpm) {
    return std::clamp(bpm, GpTempoMap::kMinBpm, GpTempoMap::kMaxBpm);
}
} // namespace

GpTempoMap::GpTempoMap(double bpm) : changes_{{0.0, clampBpm(bpm), 0.0}} {}

void GpTempoMap::change(double tick, double bpm) {
    changes_.push_back({std::max(tick, 0.0), clampBpm(bpm), 0.0});
}

void GpTempoMap::settle() {
    // Stable: of two changes at one tick the later read wins.
    std::stable_sort(changes_.begin(), changes_.end(),
                     [](const Change& a, const Change& b) { return a.tick < b.tick; });
    for (std::size_t i = 1; i < changes_.size(); ++i) {
        const Change& p = changes_[i - 1];
        changes_[i].seconds = p.seconds + (changes_[i].tick - p.tick) / kQuarter * 60.0 / p.bpm;
    }
}

double GpTempoMap::seconds(double tick) const {
    auto it = std::upper_bound(changes_.begin(), changes_.end(), tick,
                               [](double t, const Change& c) { return t < c.tick; });
    const Change& c = it == changes_.begin() ? changes_.front() : *(it - 1);
    return c.seconds + (tick - c.tick) / kQuarter * 60.0 / c.bpm;
}
