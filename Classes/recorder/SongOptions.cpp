#include "recorder/SongOptions.h"

#include <algorithm>

namespace {

std::size_t at(int guitar) {
    return static_cast<std::size_t>(validGuitar(guitar) ? guitar : 0);
}

SongTiming held(SongTiming t) {
    if (t.tempo != SongTiming::kNoTempo)
        t.tempo = std::clamp(t.tempo, SongTiming::kMinTempo, SongTiming::kMaxTempo);
    t.beatsPerBar = std::clamp(t.beatsPerBar, 1, SongTiming::kMaxBeatsPerBar);
    return t;
}

GuitarTuning playable(const GuitarTuning& t) {
    return t.problem().empty() ? t : GuitarTuning();
}

} // namespace

GuitarTuning SongOptions::tuning(int guitar) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return tunings_[at(guitar)];
}

std::string SongOptions::setTuning(int guitar, const GuitarTuning& tuning) {
    std::string problem = tuning.problem();
    if (!problem.empty())
        return problem;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tunings_[at(guitar)] = tuning;
    }
    changes_.fetch_add(1, std::memory_order_acq_rel);
    return problem;
}

SongTiming SongOptions::timing() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return timing_;
}

void SongOptions::setTiming(const SongTiming& timing) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        timing_ = held(timing);
    }
    changes_.fetch_add(1, std::memory_order_acq_rel);
}

void SongOptions::setTabGuitar(int guitar) {
    tabGuitar_.store(validGuitar(guitar) ? guitar : 0, std::memory_order_relaxed);
}

void SongOptions::fill(Song& song) const {
    std::lock_guard<std::mutex> lock(mutex_);
    song.tunings = tunings_;
    song.timing = timing_;
}

void SongOptions::load(const Song& song) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::size_t g = 0; g < tunings_.size(); ++g)
            tunings_[g] = playable(song.tunings[g]);
        timing_ = held(song.timing);
    }
    changes_.fetch_add(1, std::memory_order_acq_rel);
}

void SongOptions::fillTab(Song& song) const {
    song.tunings[0] = tuning(tabGuitar());
}

void SongOptions::loadTab(const Song& song) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tunings_[at(tabGuitar())] = playable(song.tunings[0]);
    }
    changes_.fetch_add(1, std::memory_order_acq_rel);
}
