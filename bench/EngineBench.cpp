// The render callback's cost for one 256-frame buffer with 40 sounding voices:
// (a) plain mixer, no effects; (b) bend mixer with the whammy; (c) as (b) with
// wah, fuzz and ping-pong delay on both guitars.
//
// Counters: ns_per_voice_frame, voice_s_per_cpu_s (voice-seconds rendered per
// CPU-second) and core_share (share of one core's real-time budget).
//
// Loading the bundle's samples: an engine's creation (the 22 noises) and all
// five patches, 262 files, from the bundle in STRUMWELL_BUNDLE or the one
// found beside the program (files in the page cache: the cost of reading and
// placing them, not of the disk). Counters: MB_per_s and files.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "platform/core/Clock.h"
#include "platform/core/Folders.h"

namespace {

constexpr int kFrames = 256;
constexpr int kVoices = 40;
constexpr int kSampleValues = 441000; // ten seconds

void writeWav(const std::string& path, const std::vector<int16_t>& values) {
    std::vector<uint8_t> out;
    auto put16 = [&](uint32_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    const uint32_t bytes = uint32_t(values.size() * 2);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(36 + bytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(16);
    put16(1);
    put16(1);
    put32(44100);
    put32(88200);
    put16(2);
    put16(16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(bytes);
    for (int16_t v : values)
        put16(uint16_t(v));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()), long(out.size()));
}

// Forty ten-second samples, twenty per guitar, written once.
const std::string& benchFolder() {
    static const std::string folder = [] {
        const std::string path =
            (std::filesystem::temp_directory_path() / "strumwell-bench-samples").string();
        std::filesystem::create_directories(path);
        std::mt19937 rng(5);
        for (int k = 0; k < kVoices; ++k) {
            const std::string file = path + "/b" + std::to_string(k) + ".wav";
            if (std::filesystem::exists(file))
                continue;
            std::vector<int16_t> values(kSampleValues);
            for (size_t i = 0; i < values.size(); ++i)
                values[i] = int16_t(int(rng() % 20000) - 10000);
            writeWav(file, values);
        }
        return path;
    }();
    return folder;
}

int slotOf(int k) {
    return k < 20 ? k : 48 + (k - 20);
}

struct Rig {
    ManualClock clock;
    std::unique_ptr<SoundEngine> engine;
    std::vector<int16_t> out = std::vector<int16_t>(2 * kFrames);

    explicit Rig(bool bend, bool effects) {
        engine = std::make_unique<SoundEngine>(nullptr, nullptr, nullptr, benchFolder(), clock);
        for (int k = 0; k < kVoices; ++k)
            engine->loadSampleAtSlot(slotOf(k), "b" + std::to_string(k) + ".wav");
        for (int g = 0; g < 2; ++g) {
            engine->setWhammyBarAttached(g, bend);
            engine->setPitchBendOn(g, bend);
            engine->setWhammyForGuitar(g, bend ? 0.05f : 0.0f);
            engine->setWahOn(g, effects);
            engine->setWahForGuitar(g, 0.3f);
            engine->setFuzzOn(g, effects);
            engine->setFuzzThreshold(g, 0.5f);
            engine->setDelayOn(g, effects);
            engine->setPingPong(g, true);
            engine->setDelayTime(g, 26460);
            engine->setDelayFeedback(g, 0.4f);
            engine->setDelayMix(g, 0.9f);
        }
        restart();
    }
    void restart() {
        engine->stopAllSoundsImmediately();
        for (int k = 0; k < kVoices; ++k) {
            const int v = engine->playSampleWithSampleNo(slotOf(k), 0.5, -1.865e-5, -1);
            if (engine->pitchBendOn(0) && k % 3 == 0)
                engine->startFullBend(v);
        }
    }
    void renderOnce() {
        SoundEngine::callbackProcStereo(engine->callbackUserData(), out.data(), kFrames);
        benchmark::DoNotOptimize(out.data());
    }
};

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
        SoundEngine engine(nullptr, nullptr, nullptr, bundle, clock);
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
BENCHMARK(BM_LoadBundleSamples)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
