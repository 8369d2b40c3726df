#pragma once
#include <array>
#include <atomic>
#include <cstdint>

// The practice click: a short decaying sine burst on every beat, the first
// beat of each bar higher and louder, mixed into the engine's stereo output
// after the effects. It sounds only while it is both switched on (the
// player's choice) and running (the recorder plays or counts in), and then
// only where a beat's burst lies; otherwise the output is left untouched.
//
// The beats lie on a grid of output frames: beat k falls at
// beat0Frame + k * framesPerBeat (k may be negative; beat k is the first of
// its bar when k is a multiple of beatsPerBar). The render thread counts the
// frames it has mixed, so that a caller can place the grid relative to what is
// being heard now.
//
// Threads: setters on the UI or the recorder's playback thread, one at a
// time (the recorder calls them under its lock); getters on any thread; mix()
// on the render thread only, which takes no lock, allocates nothing and never
// waits (the grid is read through a sequence word; a grid caught half written
// is left for the next buffer).
class Metronome {
public:
    static constexpr int kSampleRate = 44100;
    // The burst's length: 30 ms.
    static constexpr int kClickFrames = 1323;
    static constexpr float kDefaultVolume = 0.7f;

    Metronome();

    void setOn(bool on) { on_.store(on, std::memory_order_relaxed); }
    bool on() const { return on_.load(std::memory_order_relaxed); }
    // 0 ... 1; other values are held to that range, NaN at 0.
    void setVolume(float volume);
    float volume() const { return volume_.load(std::memory_order_relaxed); }

    // Runs the click on this grid (framesPerBeat below 1 runs none).
    void start(double beat0Frame, double framesPerBeat, int beatsPerBar);
    void stop() { running_.store(false, std::memory_order_relaxed); }
    bool running() const { return running_.load(std::memory_order_relaxed); }

    // Frames mixed so far (every buffer counts, heard or not).
    int64_t framesRendered() const { return frames_.load(std::memory_order_acquire); }

    // Render thread. Adds the click to `frames` interleaved stereo frames
    // (clamped to -32767 ... 32767) and counts them.
    void mix(int16_t* interleaved, int frames);

private:
    std::array<float, kClickFrames> click_{};
    std::array<float, kClickFrames> accent_{};
    std::atomic<bool> on_{false};
    std::atomic<bool> running_{false};
    std::atomic<float> volume_{kDefaultVolume};
    std::atomic<int64_t> frames_{0};
    // The grid as last written; `sequence_` is odd while a write is under way.
    std::atomic<uint32_t> sequence_{0};
    std::atomic<double> beat0Frame_{0.0};
    std::atomic<double> framesPerBeat_{0.0};
    std::atomic<int> beatsPerBar_{4};
    // Render thread only: the grid as last read whole.
    double gridBeat0_ = 0.0;
    double gridFramesPerBeat_ = 0.0;
    int gridBeatsPerBar_ = 4;
};
