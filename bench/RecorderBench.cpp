// Rendering a song of 100,000 note events as the offline renderer does: a
// playback pass per 256-frame buffer on a frame clock, then the buffer is
// mixed. Each iteration renders 10 s of audio.
//
// Songs: "downs" has 100,000 note-downs at 0 s; "downs_and_stops" adds their
// 100,000 stops at 1 s, after every note-down. As a file would, the song is
// restored from its saved form, which keeps the recorder's event limit;
// the "_whole" variants lift that limit, so that every pass walks the full
// song and shows what a pass costs at that size.
//
// Counter: x_real_time (seconds of audio rendered per second of wall time).
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include "audio/SoundEngine.h"
#include "recorder/Recorder.h"
#include "storage/RecorderSection.h"
#include "system/Clock.h"
#include "system/OfflineAudioOutput.h"

namespace {

constexpr int kSampleRate = 44100;
constexpr int kBufferFrames = 256;
constexpr int kSeconds = 10;
constexpr int kNotes = 100000;
constexpr int kSampleNo = 10;

void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put64(std::vector<std::uint8_t>& b, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void putNote(std::vector<std::uint8_t>& b, bool down, double time, int noteID) {
    b.push_back(down ? 1 : 0);
    b.push_back(down ? kSampleNo : 0);
    put64(b, std::bit_cast<std::uint64_t>(time));
    put32(b, static_cast<std::uint32_t>(noteID));
    put32(b, std::bit_cast<std::uint32_t>(down ? 0.5f : 0.0f));
    put64(b, std::bit_cast<std::uint64_t>(down ? -2e-5 : 0.0));
}

// The recorder's saved form (version 2) of the song.
std::vector<std::uint8_t> songBytes(bool withStops) {
    const int events = withStops ? 2 * kNotes : kNotes;
    std::vector<std::uint8_t> b;
    put32(b, kNotes);
    put32(b, static_cast<std::uint32_t>(events));
    for (int i = 0; i < 5; ++i)
        put32(b, 0);
    for (int id = 0; id < kNotes; ++id)
        putNote(b, true, 0.0, id);
    for (int id = 0; withStops && id < kNotes; ++id)
        putNote(b, false, 1.0, id);
    return b;
}

const std::string& emptyBundle() {
    static const std::string folder = [] {
        const auto path = std::filesystem::temp_directory_path() / "strumwell-bench-recorder";
        std::filesystem::create_directories(path);
        return path.string();
    }();
    return folder;
}

void renderSong(benchmark::State& state, bool withStops, bool whole) {
    const std::vector<std::uint8_t> bytes = songBytes(withStops);
    std::vector<int16_t> buffer(2 * kBufferFrames);
    std::int64_t events = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ManualClock clock(0.0);
        OfflineAudioOutput output(kBufferFrames);
        auto engine = std::make_unique<SoundEngine>(nullptr, &output, emptyBundle(), clock);
        engine->addSineWaveAtSlot(kSampleNo);
        auto recorder = std::make_unique<Recorder>(nullptr, engine.get(), clock, false);
        if (whole)
            recorder->setRestoredEventLimit(std::numeric_limits<int>::max());
        Song song;
        song.events = RecorderSection::read(bytes.data(), bytes.size(), 2, recorder->loadRoom());
        recorder->load(song);
        events = recorder->getNumNotes();
        state.ResumeTiming();

        recorder->play();
        for (std::int64_t frames = 0; frames < std::int64_t(kSeconds) * kSampleRate;
             frames += kBufferFrames) {
            clock.set(static_cast<double>(frames) / kSampleRate);
            recorder->runPlaybackPass();
            output.pull(buffer.data(), kBufferFrames);
        }
        benchmark::DoNotOptimize(buffer.data());

        state.PauseTiming();
        recorder->stop();
        recorder.reset();
        engine.reset();
        state.ResumeTiming();
    }
    state.counters["events_played"] = static_cast<double>(events);
    state.counters["x_real_time"] =
        benchmark::Counter(double(state.iterations()) * kSeconds, benchmark::Counter::kIsRate);
}

void BM_RenderSong_downs(benchmark::State& state) {
    renderSong(state, false, false);
}
void BM_RenderSong_downs_and_stops(benchmark::State& state) {
    renderSong(state, true, false);
}
void BM_RenderSong_downs_whole(benchmark::State& state) {
    renderSong(state, false, true);
}
void BM_RenderSong_downs_and_stops_whole(benchmark::State& state) {
    renderSong(state, true, true);
}

BENCHMARK(BM_RenderSong_downs)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RenderSong_downs_and_stops)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RenderSong_downs_whole)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RenderSong_downs_and_stops_whole)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace
