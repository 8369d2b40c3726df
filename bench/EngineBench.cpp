// The render callback's cost for one 256-frame buffer with 40 sounding voices:
// (a) plain mixer, no effects; (b) bend mixer with the whammy; (c) as (b) with
// wah, fuzz and ping-pong delay on both guitars; and with no voice sounding,
// with and without those effects.
//
// Counters: ns_per_voice_frame, voice_s_per_cpu_s (voice-seconds rendered per
// CPU-second) and core_share (share of one core's real-time budget).
//
// Loading the bundle's samples: an engine's creation (the 22 noises) and all
// five patches, 262 files, from the bundle in STRUMWELL_BUNDLE or the one
// found beside the program (files in the page cache: the cost of reading and
// placing them, not of the disk). Counters: MB_per_s and files.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "EngineRig.h"
#include "system/Folders.h"

namespace {

using namespace engine_rig;

void report(benchmark::State& state) {
    const double buffers = double(state.iterations());
    const double voiceFrames = buffers * kVoices * kFrames;
    state.counters["ns_per_voice_frame"] =
        benchmark::Counter(voiceFrames * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["voice_s_per_cpu_s"] =
        benchmark::Counter(voiceFrames / 44100.0, benchmark::Counter::kIsRate);
    state.counters["core_share_pct"] = benchmark::Counter(
        buffers * kFrames / 44100.0 / 100.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void run(benchmark::State& state, bool bend, bool effects) {
    Rig rig(bend, effects);
    int sinceRestart = 0;
    for (auto _ : state) {
        // Keep every voice sounding: start them again well before the
        // samples run out (outside the timing).
        if (++sinceRestart == 1200) {
            state.PauseTiming();
            rig.restart();
            sinceRestart = 0;
            state.ResumeTiming();
        }
        rig.renderOnce();
        benchmark::DoNotOptimize(rig.out.data());
    }
    report(state);
}

void BM_PlainMixer40Voices(benchmark::State& state) {
    run(state, false, false);
}
void BM_BendMixer40VoicesWhammy(benchmark::State& state) {
    run(state, true, false);
}
void BM_BendMixerWithEffects(benchmark::State& state) {
    run(state, true, true);
}

// A song with no voice sounding: what the callback costs at rest.
// Counter: realtime_x, seconds of sound rendered per CPU-second.
void silence(benchmark::State& state, bool effects) {
    Rig rig(false, effects, 0);
    for (auto _ : state) {
        rig.renderOnce();
        benchmark::DoNotOptimize(rig.out.data());
    }
    state.counters["realtime_x"] =
        benchmark::Counter(double(state.iterations()) * kFrames / 44100.0, benchmark::Counter::kIsRate);
}
void BM_SilenceNoEffects(benchmark::State& state) {
    silence(state, false);
}
void BM_SilenceWithEffects(benchmark::State& state) {
    silence(state, true);
}

void BM_LoadBundleSamples(benchmark::State& state) {
    const char* given = std::getenv("STRUMWELL_BUNDLE");
    const std::string bundle = given ? given : Folders::findBundleFolder();
    if (bundle.empty() || !std::filesystem::exists(bundle + "/A1-1.wav")) {
        state.SkipWithError("no bundle with samples (set STRUMWELL_BUNDLE)");
        return;
    }
    // The bytes of the 262 files, read once each per iteration.
    double fileBytes = 0;
    for (const char* prefix : {"A1-", "A2-", "E3-", "E2-", "CE-"})
        for (int k = 1; k <= 48; ++k)
            fileBytes +=
                double(std::filesystem::file_size(bundle + "/" + prefix + std::to_string(k) + ".wav"));
    for (int n = 1; n <= 10; ++n)
        fileBytes += double(std::filesystem::file_size(bundle + "/fret" + std::to_string(n) + ".wav"));
    for (int n = 1; n <= 12; ++n)
        fileBytes += double(std::filesystem::file_size(bundle + "/tap" + std::to_string(n) + ".wav"));
    ManualClock clock;
    double bytes = 0;
    for (auto _ : state) {
        SoundEngine engine(nullptr, nullptr, bundle, clock);
        // From no patch through all five: 0, 1, 2, 3, 4.
        for (int k = 0; k < 5; ++k)
            engine.nextPatch(nullptr, 0);
        bytes += fileBytes;
    }
    state.counters["MB_per_s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
    state.counters["files"] = 22 + 5 * 48;
}

BENCHMARK(BM_PlainMixer40Voices);
BENCHMARK(BM_BendMixer40VoicesWhammy);
BENCHMARK(BM_BendMixerWithEffects);
BENCHMARK(BM_SilenceNoEffects);
BENCHMARK(BM_SilenceWithEffects);
BENCHMARK(BM_LoadBundleSamples)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
