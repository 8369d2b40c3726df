#include "storage/SongRenderJob.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "audio/CallbackUserData.h"
#include "audio/SoundEngine.h"
#include "platform/core/Clock.h"
#include "platform/core/OfflineAudioOutput.h"
#include "recorder/Recorder.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"
#include "storage/WavWriter.h"

namespace {

constexpr int kSampleRate = 44100;
constexpr int kBufferFrames = 256;
constexpr double kMaxTailSeconds = 10.0;
constexpr double kMaxSongSeconds = 3600.0;

std::atomic<unsigned> temporaryCounter{0};

// Silence is at most one step from zero (the delay's feedback can keep a
// -1 circulating for ever, which no one hears).
bool allSilent(const int16_t* values, size_t count) {
    return std::all_of(values, values + count, [](int16_t v) { return v >= -1 && v <= 1; });
}

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

SongRenderJob::SongRenderJob(std::vector<uint8_t> songBuffer, std::string bundleFolder,
                             std::string outputPath)
    : songBuffer_(std::move(songBuffer)), bundleFolder_(std::move(bundleFolder)),
      outputPath_(std::move(outputPath)) {}

SongRenderJob::~SongRenderJob() {
    cancel();
    wait();
}

void SongRenderJob::start() {
    if (state_.load() != State::NotStarted)
        return;
    state_.store(State::Running, std::memory_order_release);
    thread_ = std::thread([this] {
        std::string message;
        const State end = render(songBuffer_, bundleFolder_, outputPath_, &progress_, &cancel_, message);
        finish(end, std::move(message));
    });
}

void SongRenderJob::cancel() {
    cancel_.store(true, std::memory_order_relaxed);
}

void SongRenderJob::wait() {
    if (thread_.joinable())
        thread_.join();
}

std::string SongRenderJob::message() const {
    std::lock_guard<std::mutex> lock(messageMutex_);
    return message_;
}

void SongRenderJob::finish(State state, std::string message) {
    {
        std::lock_guard<std::mutex> lock(messageMutex_);
        message_ = std::move(message);
    }
    state_.store(state, std::memory_order_release);
}

SongRenderJob::State SongRenderJob::render(const std::vector<uint8_t>& songBuffer,
                                           const std::string& bundleFolder, const std::string& outputPath,
                                           std::atomic<float>* progress, const std::atomic<bool>* cancel,
                                           std::string& message) {
    message.clear();
    ManualClock clock(0.0);
    OfflineAudioOutput output(kBufferFrames);
    SoundEngine engine(nullptr, &output, nullptr, bundleFolder, clock);
    engine.seedRandom(1);
    Recorder recorder(nullptr, &engine, clock, false);
    recorder.setRandomSeed(1);
    engine.setRecorder(&recorder);
    Tab tab;
    FileManager files(&tab, &recorder, &engine, std::string());
    std::ostringstream diagnostics;
    files.setDiagnosticStream(diagnostics);
    struct Detach {
        SoundEngine& engine;
        ~Detach() { engine.setRecorder(nullptr); }
    } detach{engine};

    // From the defaults, as the program starts: an engine section of a
    // version the engine does not read plays with the default settings.
    engine.resetState();
    if (!files.loadStateFromBuffer(songBuffer.data(), songBuffer.size())) {
        message = files.lastFailure();
        return State::Failed;
    }

    const size_t slash = outputPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : outputPath.substr(0, slash + 1);
    const std::string temporary = folder + "." + fileName(outputPath).substr(0, 180) + ".rendering-" +
                                  std::to_string(::getpid()) + "-" +
                                  std::to_string(temporaryCounter.fetch_add(1));
    WavWriter wav;
    if (!wav.open(temporary, kSampleRate, 2)) {
        message = "cannot write " + fileName(outputPath);
        return State::Failed;
    }

    double lastEvent = 0.0;
    for (const Note& note : recorder.notes())
        if (note.time() > lastEvent)
            lastEvent = note.time();
    lastEvent = std::min(lastEvent, kMaxSongSeconds);
    const uint64_t tailLimit = static_cast<uint64_t>(std::ceil((lastEvent + kMaxTailSeconds) * kSampleRate));
    const uint64_t silenceNeeded = kDelayRingValues / 2;
    const double expected = std::ceil(lastEvent * kSampleRate) + static_cast<double>(silenceNeeded);

    std::vector<int16_t> buffer(static_cast<size_t>(kBufferFrames) * 2);
    uint64_t frames = 0, silentFrames = 0;
    bool ok = true, cancelled = false;
    recorder.play();
    while (frames < tailLimit) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
            cancelled = true;
            break;
        }
        const uint64_t n = std::min<uint64_t>(kBufferFrames, tailLimit - frames);
        clock.set(static_cast<double>(frames) / kSampleRate);
        recorder.runPlaybackPass();
        output.pull(buffer.data(), static_cast<int>(n));
        if (!wav.write(buffer.data(), static_cast<size_t>(n))) {
            ok = false;
            break;
        }
        frames += n;
        if (progress != nullptr)
            progress->store(static_cast<float>(std::min(0.99, static_cast<double>(frames) / expected)),
                            std::memory_order_relaxed);
        silentFrames = allSilent(buffer.data(), static_cast<size_t>(n) * 2) ? silentFrames + n : 0;
        if (recorder.getState() == 0 && engine.numSamplesPlaying() == 0 && silentFrames >= silenceNeeded)
            break;
    }
    recorder.stop();

    ok = wav.finish() && ok;
    if (cancelled || !ok || std::rename(temporary.c_str(), outputPath.c_str()) != 0) {
        std::remove(temporary.c_str());
        if (cancelled)
            return State::Cancelled;
        message = "cannot write " + fileName(outputPath);
        return State::Failed;
    }
    if (progress != nullptr)
        progress->store(1.0f, std::memory_order_relaxed);
    message = fileName(outputPath);
    return State::Done;
}
