#pragma once
#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "system/AudioOutput.h"

class NullAudioOutput;

// The speakers through SDL audio: 44100 Hz, signed 16-bit native order,
// stereo, buffers of defaultBufferFrames() frames asked for (128 unless the
// program chose otherwise: about 2.9 ms).
//
// Opening the device can stall for seconds (PulseAudio start-up, a missing
// server), so start() returns at once and an opener thread brings
// the audio driver up and opens the device; the first frame of the UI never
// waits for it. Until the device runs, no buffers are pulled. If no device
// can be had, the opener falls back to a NullAudioOutput, so the engine is
// still pulled at real-time pace, and prints one line saying so.
//
// A device that stops while playing (the sound server restarted or went
// away: SDL reports it no longer playing) is closed, the null fallback pulls
// meanwhile, and the watcher thread (the opener, which stays until stop())
// opens it again every 2 s; the status hook says when the device was lost
// and when it is back.
//
// The render thread asks for real-time scheduling (SCHED_FIFO) on its first
// callback, the only one that makes a system call of its own; a refusal is
// printed by the UI thread (reportPriority).
//
// The opener uses SDL_AudioInit rather than SDL_InitSubSystem when audio is
// not up yet: the latter also counts the shared events subsystem, which the
// UI thread may be initialising at the same moment (video, sensors), and
// SDL's subsystem counts are not thread-safe.
class SdlAudioOutput : public AudioOutput {
public:
    static constexpr int kRequestedFrames = 128;
    // What maxFramesPerBuffer() reports until the device says what it granted.
    static constexpr int kUnknownMaxFrames = 4096;

    // Control thread, before outputs are made: the buffer size asked of the
    // device (64, 128, 256 or 512 frames; other values are rounded to one).
    static void setDefaultBufferFrames(int frames);
    static int defaultBufferFrames();
    static bool isValidBufferFrames(int frames);

    SdlAudioOutput();
    // Stops the output and shuts the audio driver down if it brought it up.
    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    // Control thread, before start().
    void setRenderCallback(RenderCallback callback, void* userData) override;
    // Control thread. Starts opening the device in the background and returns
    // at once; true (the fallback guarantees that buffers will come).
    bool start() override;
    // Control thread. Waits for an open in progress, then closes the device
    // (or stops the fallback): afterwards the callback is not running and is
    // not called again until start().
    void stop() override;
    // Any non-render thread; not re-entrant. While locked the callback is
    // not running (SDL_LockAudioDevice, or the fallback's lock).
    void lock() override;
    void unlock() override;
    // Any thread: the frames SDL granted per callback, or kUnknownMaxFrames
    // while the device is still being opened.
    int maxFramesPerBuffer() const override;

    // Any thread: true while the output runs on the null fallback.
    bool usingFallback() const;
    // Control thread, before start(): called with one line when the device
    // is lost and when it is back, on the watcher thread (never the render
    // thread). Without a hook the line is printed.
    void setStatusHook(std::function<void(const std::string&)> hook);
    static constexpr double kRetrySeconds = 2.0;

    // UI thread, every turn of the loop: says once on stderr when the
    // render thread was refused real-time priority (it asks on its first
    // callback, SCHED_FIFO; it never prints itself).
    static void reportPriority();

private:
    enum class Locked { Nothing, Device, Fallback };

    // The watcher thread: opens, then watches and reopens until stop().
    void watch(bool needDriver);
    // Opens a device (outside controlMutex_: it may stall); 0 and failure set
    // when none.
    SDL_AudioDeviceID openDevice(bool needDriver, SDL_AudioSpec& obtained, std::string& failure);
    // Holding controlMutex_: runs `device` in place of the fallback.
    void installLocked(SDL_AudioDeviceID device, const SDL_AudioSpec& obtained);
    void startFallbackLocked();
    void report(const std::string& line);
    static void SDLCALL trampoline(void* userData, Uint8* stream, int len);
    static int fallbackTrampoline(void* userData, int16_t* interleaved, int numFrames);
    // Render thread: real-time priority, asked for once.
    void firstCallback();

    RenderCallback callback_ = nullptr;
    void* userData_ = nullptr;
    const int bufferFrames_;

    // Guards device_, fallback_ and the published state; never taken by the
    // render thread. lock() holds it until unlock(), so the opener cannot
    // start a device while a caller relies on the callback being out.
    std::mutex controlMutex_;
    SDL_AudioDeviceID device_ = 0;
    std::unique_ptr<NullAudioOutput> fallback_;
    Locked locked_ = Locked::Nothing;

    std::thread opener_; // the watcher
    std::function<void(const std::string&)> hook_;
    std::mutex wakeMutex_;
    std::condition_variable wake_; // cuts the watcher's waits short on stop()
    std::atomic<bool> stopRequested_{false};
    std::atomic<int> maxFrames_{kUnknownMaxFrames};
    std::atomic<bool> usingFallback_{false};
    // Written by the opener, read by the control thread only after joining it.
    bool driverInitialisedHere_ = false;
    bool fallbackReported_ = false; // one line per output, not per start()
    bool priorityAsked_ = false;    // render thread only
};
