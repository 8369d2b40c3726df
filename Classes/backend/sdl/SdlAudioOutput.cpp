#include "backend/sdl/SdlAudioOutput.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "system/LatencyProbe.h"
#include "system/NullAudioOutput.h"
#include "system/OutputVolume.h"

namespace {
std::atomic<int> gDefaultFrames{SdlAudioOutput::kRequestedFrames};

// What the render thread was granted: 0 not asked yet, 1 real-time, or the
// error number of the refusal, negated. Written once by the render thread,
// read by the UI thread.
std::atomic<int> gPriority{0};
std::atomic<bool> gPriorityReported{false};

// The calling thread to first-in-first-out real-time scheduling, above the
// desktop's ordinary threads but below the system's own (the priority JACK
// and PipeWire take for audio: 10, or what RLIMIT_RTPRIO allows). One
// system call or three, so only on the first callback.
int raiseToRealtime() {
    int policy = 0;
    sched_param param{};
    if (pthread_getschedparam(pthread_self(), &policy, &param) == 0 &&
        (policy == SCHED_FIFO || policy == SCHED_RR))
        return 1; // the driver or chrt did it already
    param.sched_priority = 10;
    int rc = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    rlimit limit{};
    if (rc == EPERM && getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur > 0 && limit.rlim_cur < 10) {
        param.sched_priority = static_cast<int>(limit.rlim_cur);
        rc = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    }
    return rc == 0 ? 1 : -rc;
}
} // namespace

void SdlAudioOutput::reportPriority() {
    const int p = gPriority.load(std::memory_order_acquire);
    if (p >= 0 || gPriorityReported.exchange(true))
        return;
    std::fprintf(stderr,
                 "Audio: real-time priority refused (%s); the sound may break up while the machine is busy "
                 "(allow it with an rtprio limit or RealtimeKit, or use --audio-buffer 256)\n",
                 std::strerror(-p));
}

void SdlAudioOutput::firstCallback() {
    if (priorityAsked_)
        return;
    priorityAsked_ = true;
    gPriority.store(raiseToRealtime(), std::memory_order_release);
}

int SdlAudioOutput::fallbackTrampoline(void* userData, int16_t* interleaved, int numFrames) {
    auto* self = static_cast<SdlAudioOutput*>(userData);
    self->firstCallback();
    return self->callback_ ? self->callback_(self->userData_, interleaved, numFrames) : -1;
}

bool SdlAudioOutput::isValidBufferFrames(int frames) {
    return frames == 64 || frames == 128 || frames == 256 || frames == 512;
}

void SdlAudioOutput::setDefaultBufferFrames(int frames) {
    int f = 64;
    while (f < frames && f < 512)
        f *= 2;
    gDefaultFrames.store(f);
}

int SdlAudioOutput::defaultBufferFrames() {
    return gDefaultFrames.load();
}

SdlAudioOutput::SdlAudioOutput() : bufferFrames_(defaultBufferFrames()) {}

SdlAudioOutput::~SdlAudioOutput() {
    stop();
    if (driverInitialisedHere_)
        SDL_AudioQuit();
}

void SdlAudioOutput::setRenderCallback(RenderCallback callback, void* userData) {
    std::lock_guard<std::mutex> guard(controlMutex_);
    callback_ = callback;
    userData_ = userData;
}

bool SdlAudioOutput::start() {
    {
        std::lock_guard<std::mutex> guard(controlMutex_);
        if (opener_.joinable() || device_ != 0 || fallback_)
            return true;
    }
    stopRequested_ = false;
    priorityAsked_ = false; // a new render thread (no callback runs now)
    const bool needDriver =
        !SDL_WasInit(SDL_INIT_AUDIO) && !SDL_GetCurrentAudioDriver() && !driverInitialisedHere_;
    opener_ = std::thread([this, needDriver] { watch(needDriver); });
    return true;
}

void SdlAudioOutput::setStatusHook(std::function<void(const std::string&)> hook) {
    hook_ = std::move(hook);
}

void SdlAudioOutput::report(const std::string& line) {
    if (hook_) {
        hook_(line);
    } else {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
}

SDL_AudioDeviceID SdlAudioOutput::openDevice(bool needDriver, SDL_AudioSpec& obtained, std::string& failure) {
    std::memset(&obtained, 0, sizeof obtained);
    if (needDriver) {
        if (SDL_AudioInit(nullptr) == 0)
            driverInitialisedHere_ = true;
        else
            failure = SDL_GetError();
    }
    // SDL's dummy and disk drivers sleep whole milliseconds and call back at
    // about 1.12 x real time; the null output keeps true real-time pace.
    const char* driver = SDL_GetCurrentAudioDriver();
    if (failure.empty() && driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "disk") == 0))
        failure = std::string("audio driver \"") + driver + "\" has no device";
    if (!failure.empty())
        return 0;
    SDL_AudioSpec want;
    std::memset(&want, 0, sizeof want);
    want.freq = kSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = kChannels;
    want.samples = static_cast<Uint16>(bufferFrames_);
    want.callback = &SdlAudioOutput::trampoline;
    want.userdata = this;
    // No changes allowed: SDL converts if the hardware differs, and the
    // callback always gets the format and buffer size asked for.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &obtained, 0);
    if (device == 0)
        failure = SDL_GetError();
    return device;
}

void SdlAudioOutput::installLocked(SDL_AudioDeviceID device, const SDL_AudioSpec& obtained) {
    if (fallback_) {
        fallback_->stop(); // joins its thread: the callback is not running after
        fallback_.reset();
        usingFallback_.store(false, std::memory_order_release);
    }
    device_ = device;
    const int frames = obtained.samples > 0 ? obtained.samples : bufferFrames_;
    maxFrames_.store(frames, std::memory_order_release);
    // SDL reports no latency of its own beyond the buffer it granted.
    LatencyProbe::setDeviceLatency(static_cast<double>(frames) /
                                   (obtained.freq > 0 ? obtained.freq : kSampleRate));
    LatencyProbe::resetSchedule();
    SDL_PauseAudioDevice(device_, 0);
}

void SdlAudioOutput::startFallbackLocked() {
    fallback_ = std::make_unique<NullAudioOutput>(bufferFrames_);
    fallback_->setRenderCallback(&SdlAudioOutput::fallbackTrampoline, this);
    maxFrames_.store(fallback_->maxFramesPerBuffer(), std::memory_order_release);
    usingFallback_.store(true, std::memory_order_release);
    fallback_->start();
}

void SdlAudioOutput::watch(bool needDriver) {
    using Clock = std::chrono::steady_clock;
    std::string failure;
    SDL_AudioSpec obtained;
    SDL_AudioDeviceID device = openDevice(needDriver, obtained, failure);
    // Without a real driver there is nothing to wait for.
    const char* driver = SDL_GetCurrentAudioDriver();
    const bool retry = driver && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "disk") != 0;
    {
        std::lock_guard<std::mutex> guard(controlMutex_);
        if (device != 0 && !stopRequested_.load()) {
            installLocked(device, obtained);
        } else if (device != 0) {
            SDL_CloseAudioDevice(device);
            return;
        } else if (!stopRequested_.load()) {
            if (!fallbackReported_) {
                fallbackReported_ = true;
                std::printf("Audio: no sound device (%s); running without sound output\n",
                            failure.empty() ? "unknown error" : failure.c_str());
                std::fflush(stdout);
            }
            startFallbackLocked();
        }
    }
    const auto retryEvery =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kRetrySeconds));
    auto nextTry = Clock::now() + retryEvery;
    bool lost = false;
    while (retry) {
        {
            std::unique_lock<std::mutex> state(wakeMutex_);
            if (wake_.wait_for(state, std::chrono::milliseconds(100),
                               [this] { return stopRequested_.load(); }))
                return;
        }
        std::string line;
        bool tryNow = false;
        {
            std::lock_guard<std::mutex> guard(controlMutex_);
            // A removed device (the server went away) stops playing for good.
            if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_PLAYING) {
                SDL_CloseAudioDevice(device_); // waits for a callback in progress
                device_ = 0;
                startFallbackLocked();
                lost = true;
                nextTry = Clock::now() + retryEvery;
                line = "Audio: lost the sound device; playing on without sound, trying again every " +
                       std::to_string(static_cast<int>(kRetrySeconds)) + " s";
            }
            tryNow = device_ == 0 && Clock::now() >= nextTry;
        }
        if (!line.empty())
            report(line);
        if (!tryNow)
            continue;
        nextTry = Clock::now() + retryEvery;
        failure.clear();
        device = openDevice(false, obtained, failure);
        if (device == 0 && driverInitialisedHere_) {
            // The driver's own connection may have died with the server: bring
            // it up anew (no device of ours is open now).
            SDL_AudioQuit();
            failure.clear();
            device = openDevice(true, obtained, failure);
        }
        if (device == 0)
            continue;
        {
            std::lock_guard<std::mutex> guard(controlMutex_);
            if (stopRequested_.load()) {
                SDL_CloseAudioDevice(device);
                return;
            }
            installLocked(device, obtained);
        }
        if (lost)
            report("Audio: the sound device is back");
        lost = false;
    }
}

void SdlAudioOutput::stop() {
    {
        std::lock_guard<std::mutex> state(wakeMutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    if (opener_.joinable())
        opener_.join();
    std::unique_ptr<NullAudioOutput> fallback;
    SDL_AudioDeviceID device = 0;
    {
        std::lock_guard<std::mutex> guard(controlMutex_);
        device = device_;
        device_ = 0;
        fallback = std::move(fallback_);
        usingFallback_.store(false, std::memory_order_release);
    }
    // SDL_CloseAudioDevice waits for a callback in progress to return.
    if (device != 0)
        SDL_CloseAudioDevice(device);
    if (fallback)
        fallback->stop();
}

void SdlAudioOutput::lock() {
    controlMutex_.lock();
    if (device_ != 0) {
        SDL_LockAudioDevice(device_);
        locked_ = Locked::Device;
    } else if (fallback_) {
        fallback_->lock();
        locked_ = Locked::Fallback;
    } else {
        // Nothing runs yet, and nothing can start while controlMutex_ is held.
        locked_ = Locked::Nothing;
    }
}

void SdlAudioOutput::unlock() {
    if (locked_ == Locked::Device)
        SDL_UnlockAudioDevice(device_);
    else if (locked_ == Locked::Fallback)
        fallback_->unlock();
    locked_ = Locked::Nothing;
    controlMutex_.unlock();
}

int SdlAudioOutput::maxFramesPerBuffer() const {
    return maxFrames_.load(std::memory_order_acquire);
}

bool SdlAudioOutput::usingFallback() const {
    return usingFallback_.load(std::memory_order_acquire);
}

void SDLCALL SdlAudioOutput::trampoline(void* userData, Uint8* stream, int len) {
    auto* self = static_cast<SdlAudioOutput*>(userData);
    self->firstCallback();
    const int frames = len / static_cast<int>(kChannels * sizeof(int16_t));
    LatencyProbe::bufferBegan(LatencyProbe::now(), frames, kSampleRate);
    int result = -1;
    // callback_ is set before start() and not changed while the device runs.
    if (self->callback_ && frames > 0)
        result = self->callback_(self->userData_, reinterpret_cast<int16_t*>(stream), frames);
    // The app's own output volume goes on after the mix (an atomic read, no
    // allocation).
    if (result != 0)
        std::memset(stream, 0, static_cast<size_t>(len));
    else
        OutputVolume::apply(reinterpret_cast<int16_t*>(stream), frames * kChannels);
}
