#pragma once
#include <atomic>

// The metronome's switch and volume as the app's settings keep them: the
// settings file reads them at launch and writes them back; the screens that
// change the metronome put their values here and hand them to song playback
// (Practice), which the settings file cannot reach.
//
// Threads: UI thread only (plain values; atomics only so that a late reader
// on another thread never sees a torn float).
class MetronomeSettings {
public:
    static bool on() { return on_().load(std::memory_order_relaxed); }
    static float volume() { return volume_().load(std::memory_order_relaxed); }
    static void setOn(bool on) { on_().store(on, std::memory_order_relaxed); }
    // Held to 0 ... 1; NaN counts as the default.
    static void setVolume(float volume) {
        if (!(volume >= 0))
            volume = volume < 0 ? 0 : kDefaultVolume;
        volume_().store(volume > 1 ? 1 : volume, std::memory_order_relaxed);
    }

    static constexpr float kDefaultVolume = 0.5f;

private:
    static std::atomic<bool>& on_() {
        static std::atomic<bool> value{false};
        return value;
    }
    static std::atomic<float>& volume_() {
        static std::atomic<float> value{kDefaultVolume};
        return value;
    }
};
