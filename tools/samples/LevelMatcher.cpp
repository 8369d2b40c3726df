#include "LevelMatcher.h"

#include <algorithm>
#include <cmath>
#include <limits>

LevelMatcher::Result LevelMatcher::match(const std::vector<double>& loudness,
                                         const std::vector<double>& peaks, double targetLufs, double ceiling,
                                         double spreadBudget, double stepLimit) {
    const size_t n = std::min(loudness.size(), peaks.size());
    Result r;
    r.gains.assign(loudness.size(), 0.0);
    r.loudness.assign(loudness.size(), -200.0);
    if (n == 0 || ceiling <= 0)
        return r;

    // The loudest each note may be with its peak at the ceiling.
    const double ceilingDb = 20.0 * std::log10(ceiling);
    std::vector<double> allowed(n, std::numeric_limits<double>::infinity());
    double lowest = std::numeric_limits<double>::infinity();
    for (size_t k = 0; k < n; ++k) {
        if (peaks[k] <= 0)
            continue;
        allowed[k] = loudness[k] + ceilingDb - 20.0 * std::log10(peaks[k]);
        lowest = std::min(lowest, allowed[k]);
    }
    if (!std::isfinite(lowest))
        return r;
    r.patchLoudness = std::min(targetLufs, lowest + spreadBudget);

    std::vector<double> target(n);
    for (size_t k = 0; k < n; ++k)
        target[k] = std::min(r.patchLoudness, allowed[k]);
    // Limit the steps by lowering the louder neighbour: a forward and a
    // backward pass give every note min over j of (target[j] + stepLimit |k - j|).
    // Silent notes (infinite allowance) are skipped over as if absent.
    auto pass = [&](auto begin, auto end) {
        double prev = std::numeric_limits<double>::infinity();
        for (auto it = begin; it != end; ++it) {
            const size_t k = static_cast<size_t>(*it);
            if (peaks[k] <= 0)
                continue;
            target[k] = std::min(target[k], prev + stepLimit);
            prev = target[k];
        }
    };
    std::vector<int> order(n);
    for (size_t k = 0; k < n; ++k)
        order[k] = static_cast<int>(k);
    pass(order.begin(), order.end());
    pass(order.rbegin(), order.rend());

    for (size_t k = 0; k < n; ++k) {
        if (peaks[k] <= 0)
            continue;
        r.gains[k] = std::pow(10.0, (target[k] - loudness[k]) / 20.0);
        r.loudness[k] = target[k];
        r.peak = std::max(r.peak, peaks[k] * r.gains[k]);
        if (target[k] < r.patchLoudness - 1e-9)
            ++r.heldBack;
    }
    return r;
}

double LevelMatcher::spread(const std::vector<double>& loudness) {
    if (loudness.empty())
        return 0;
    const auto [lo, hi] = std::minmax_element(loudness.begin(), loudness.end());
    return *hi - *lo;
}

double LevelMatcher::maxStep(const std::vector<double>& loudness) {
    double step = 0;
    for (size_t k = 1; k < loudness.size(); ++k)
        step = std::max(step, std::fabs(loudness[k] - loudness[k - 1]));
    return step;
}
