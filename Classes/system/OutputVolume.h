#pragma once
#include <atomic>
#include <cstdint>

// The application's own output volume, 0 to 1 (1 by default): what the
// volume slider of the patch setup screen sets where the platform offers no
// system volume of its own. The sound output multiplies the finished mix by
// it on its way to the device, so the mix itself (and an offline render)
// never changes with it.
//
// The slider's position v gives the gain v * v, so that equal steps of the
// slider sound like roughly equal steps of loudness (half way is about
// -12 dB). At 1 the samples pass through untouched; at 0 they are silence.
//
// Threads: set() on the UI thread; get() and apply() from any thread, the
// render thread included (a lock-free atomic load, no allocation).
class OutputVolume {
public:
    static constexpr int32_t kUnityGain = 65536; // 16.16 fixed point

    static float get() { return value().load(std::memory_order_relaxed); }
    static void set(float volume) {
        // NaN counts as full volume rather than silencing the app for good.
        if (!(volume >= 0))
            volume = volume < 0 ? 0 : 1;
        volume = volume > 1 ? 1 : volume;
        value().store(volume, std::memory_order_relaxed);
    }

    // The 16.16 gain for a slider position (clamped to 0 ... 1).
    static int32_t gainFor(float volume) {
        if (!(volume > 0))
            return 0;
        if (volume >= 1)
            return kUnityGain;
        return static_cast<int32_t>(volume * volume * kUnityGain + 0.5f);
    }

    // Scales `count` interleaved samples in place by the gain of `volume`,
    // rounding toward zero so that a quiet tail fades to true silence.
    static void applyVolume(int16_t* samples, int count, float volume) {
        const int32_t gain = gainFor(volume);
        if (gain >= kUnityGain)
            return;
        for (int i = 0; i < count; ++i)
            samples[i] = static_cast<int16_t>(static_cast<int32_t>(samples[i]) * gain / kUnityGain);
    }

    // Real-time thread: applies the current volume.
    static void apply(int16_t* samples, int count) { applyVolume(samples, count, get()); }

private:
    static std::atomic<float>& value() {
        static std::atomic<float> v{1.0f};
        return v;
    }
};
