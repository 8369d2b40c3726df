#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/core/AudioOutput.h"

// An output with no sound device: a thread of its own pulls one buffer of
// framesPerBuffer frames every framesPerBuffer / 44100 s against
// steady_clock deadlines, so the engine runs at real-time pace and the
// rendered audio is thrown away. Used when no device can be opened, under
// SDL_AUDIODRIVER=dummy, and on machines without sound.
//
// lock() takes the mutex that the pulling thread holds around every call of
// the callback; that is acceptable here because this thread is not a real
// device's render thread and nothing is heard when it is held up.
class NullAudioOutput : public AudioOutput {
public:
    static constexpr int kFramesPerBuffer = 256;

    explicit NullAudioOutput(int framesPerBuffer = kFramesPerBuffer);
    // Stops the thread if it still runs.
    ~NullAudioOutput() override;
    NullAudioOutput(const NullAudioOutput&) = delete;
    NullAudioOutput& operator=(const NullAudioOutput&) = delete;

    // Control thread, before start().
    void setRenderCallback(RenderCallback callback, void* userData) override;
    // Control thread. Starts the pulling thread (a second call while it runs
    // does nothing). Always true.
    bool start() override;
    // Control thread. Joins the pulling thread: afterwards the callback is not
    // running and is not called again until start().
    void stop() override;
    // Any thread but the pulling one (the callback must not call them).
    void lock() override;
    void unlock() override;
    // Any thread: the frames per buffer it was made with.
    int maxFramesPerBuffer() const override;

    // Any thread: buffers delivered since construction (for diagnostics and
    // tests).
    std::uint64_t buffersDelivered() const;

private:
    void run();

    const int frames_;
    RenderCallback callback_ = nullptr;
    void* userData_ = nullptr;
    std::vector<int16_t> buffer_;
    std::mutex callbackMutex_;     // held around every callback call
    std::mutex stateMutex_;        // guards stopRequested_ for the wait
    std::condition_variable wake_; // cuts the wait short on stop()
    bool stopRequested_ = false;
    std::thread thread_;
    std::atomic<std::uint64_t> buffersDelivered_{0};
};
