#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "system/DevicelessAudioOutput.h"

// An output with no sound device: a thread of its own pulls one buffer of
// framesPerBuffer frames every framesPerBuffer / 44100 s against
// steady_clock deadlines, so the engine runs at real-time pace and the
// rendered audio is thrown away. Used when no device can be opened, under
// SDL_AUDIODRIVER=dummy, and on machines without sound.
class NullAudioOutput : public DevicelessAudioOutput {
public:
    static constexpr int kFramesPerBuffer = 256;

    explicit NullAudioOutput(int framesPerBuffer = kFramesPerBuffer);
    // Stops the thread if it still runs.
    ~NullAudioOutput() override;

    // Control thread. Starts the pulling thread (a second call while it runs
    // does nothing). Always true.
    bool start() override;
    // Control thread. Joins the pulling thread: afterwards the callback is not
    // running and is not called again until start().
    void stop() override;

    // Any thread: buffers delivered since construction (for diagnostics and
    // tests).
    std::uint64_t buffersDelivered() const;

private:
    void run();

    const int frames_;
    std::vector<int16_t> buffer_;
    std::mutex stateMutex_;        // guards stopRequested_ for the wait
    std::condition_variable wake_; // cuts the wait short on stop()
    bool stopRequested_ = false;
    std::thread thread_;
    std::atomic<std::uint64_t> buffersDelivered_{0};
};
