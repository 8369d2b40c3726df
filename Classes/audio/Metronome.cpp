#include "audio/Metronome.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A sine burst of `hz` that starts at full `level` (a share of full scale)
// and decays with time constant `decay` seconds; the last frames fade to zero
// so that the burst ends without a step.
void fillBurst(float* values, int count, double hz, double level, double decay) {
    const int fade = count / 8;
    for (int i = 0; i < count; ++i) {
        const double t = i / double(Metronome::kSampleRate);
        double v = level * 32767.0 * std::sin(2.0 * kPi * hz * t) * std::exp(-t / decay);
        if (i >= count - fade)
            v *= double(count - i) / fade;
        values[i] = static_cast<float>(v);
    }
}

} // namespace

Metronome::Metronome() {
    fillBurst(click_.data(), kClickFrames, 2000.0, 0.35, 0.006);
    fillBurst(accent_.data(), kClickFrames, 3000.0, 0.6, 0.008);
}

void Metronome::setVolume(float volume) {
    volume_.store(volume >= 0.0f ? std::min(volume, 1.0f) : 0.0f, std::memory_order_relaxed);
}

void Metronome::start(double beat0Frame, double framesPerBeat, int beatsPerBar) {
    sequence_.fetch_add(1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    beat0Frame_.store(beat0Frame, std::memory_order_relaxed);
    framesPerBeat_.store(framesPerBeat, std::memory_order_relaxed);
    beatsPerBar_.store(std::max(beatsPerBar, 1), std::memory_order_relaxed);
    sequence_.fetch_add(1, std::memory_order_release);
    running_.store(true, std::memory_order_relaxed);
}

void Metronome::mix(int16_t* out, int frames) {
    const int64_t first = frames_.load(std::memory_order_relaxed);
    frames_.store(first + frames, std::memory_order_release);
    if (!on_.load(std::memory_order_relaxed) || !running_.load(std::memory_order_relaxed))
        return;
    const float volume = volume_.load(std::memory_order_relaxed);
    if (!(volume > 0.0f))
        return;

    const uint32_t before = sequence_.load(std::memory_order_acquire);
    if ((before & 1u) == 0) {
        const double beat0 = beat0Frame_.load(std::memory_order_relaxed);
        const double perBeat = framesPerBeat_.load(std::memory_order_relaxed);
        const int perBar = beatsPerBar_.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (sequence_.load(std::memory_order_relaxed) == before) {
            gridBeat0_ = beat0;
            gridFramesPerBeat_ = perBeat;
            gridBeatsPerBar_ = perBar;
        }
    }
    if (!(gridFramesPerBeat_ >= 1.0) || !std::isfinite(gridBeat0_))
        return;

    for (int i = 0; i < frames; ++i) {
        const double n = double(first + i);
        // The latest beat at or before this frame; the small allowance keeps
        // a beat that lies on a whole frame from slipping to the next one
        // through rounding.
        const double k = std::floor((n - gridBeat0_) / gridFramesPerBeat_ + 1e-9);
        const double into = n - (gridBeat0_ + k * gridFramesPerBeat_);
        const auto d = static_cast<int64_t>(std::max(0.0, into + 1e-6));
        if (d >= kClickFrames)
            continue;
        const auto beat = static_cast<int64_t>(k);
        const bool accented = ((beat % gridBeatsPerBar_) + gridBeatsPerBar_) % gridBeatsPerBar_ == 0;
        const float value = (accented ? accent_ : click_)[static_cast<size_t>(d)] * volume;
        for (int c = 0; c < 2; ++c) {
            int16_t& s = out[2 * i + c];
            s = static_cast<int16_t>(
                std::clamp(static_cast<int32_t>(s) + static_cast<int32_t>(value), -32767, 32767));
        }
    }
}
