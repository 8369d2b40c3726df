#include "storage/SongRenderJob.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "storage/OfflineSong.h"
#include "storage/RenderCommand.h"
#include "storage/TemporaryFile.h"
#include "storage/WavWriter.h"

namespace {

constexpr int kSampleRate = RenderCommand::kSampleRate;
constexpr int kBufferFrames = RenderCommand::kDefaultBufferFrames;

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
    OfflineSong song(bundleFolder, kBufferFrames);
    if (!song.load(songBuffer)) {
        message = song.files().lastFailure();
        return State::Failed;
    }

    if (RenderCommand::lastEventSeconds(song.recorder()) > RenderCommand::kMaxSongSeconds) {
        message =
            "cannot write " + fileName(outputPath) + ": the song's last event lies more than an hour in";
        return State::Failed;
    }

    TemporaryFile temporary(outputPath);
    WavWriter wav;
    if (!wav.open(temporary.path(), kSampleRate, 2)) {
        message = "cannot write " + fileName(outputPath);
        return State::Failed;
    }

    bool cancelled = false, writeFailed = false;
    song.render(std::nullopt, [&](const int16_t* buffer, uint64_t n, uint64_t done, uint64_t expected) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
            cancelled = true;
            return false;
        }
        if (!wav.write(buffer, static_cast<size_t>(n))) {
            writeFailed = true;
            return false;
        }
        if (progress != nullptr && expected > 0)
            progress->store(
                static_cast<float>(std::min(0.99, static_cast<double>(done) / static_cast<double>(expected))),
                std::memory_order_relaxed);
        return true;
    });
    bool ok = !writeFailed;

    ok = wav.finish() && ok;
    if (cancelled || !ok || !temporary.commit()) {
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
