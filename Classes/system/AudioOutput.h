#pragma once
#include <cstdint>

// A pull-model audio output: once per hardware buffer it calls the render
// callback, which fills `numFrames` interleaved signed 16-bit stereo frames
// (left first) at 44100 Hz. Implementations: SdlAudioOutput (speakers),
// NullAudioOutput (no device: a timed thread keeps real-time pace) and
// OfflineAudioOutput (pulled buffer by buffer by tests and tools).
//
// Threads: every member is for the control (UI) thread unless it says
// otherwise. The callback runs on the output's render thread.
class AudioOutput {
public:
    static constexpr int kSampleRate = 44100;
    static constexpr int kChannels = 2;

    // Returns 0 when it rendered, -1 when it rendered nothing (the output
    // then plays silence for that buffer).
    using RenderCallback = int (*)(void* userData, int16_t* interleaved, int numFrames);

    virtual ~AudioOutput() = default;

    // Control thread, before start().
    virtual void setRenderCallback(RenderCallback callback, void* userData) = 0;
    // Control thread. Starts pulling buffers; false when no buffers will come.
    virtual bool start() = 0;
    // Control thread. After it returns the callback is not running and will
    // not be called again until start().
    virtual void stop() = 0;
    // Any non-render thread. While locked the callback is not running; hold it
    // only for a pointer swap, never across file reads.
    virtual void lock() = 0;
    virtual void unlock() = 0;
    // Any thread. The largest frame count one callback may be asked for.
    virtual int maxFramesPerBuffer() const = 0;
    // UI thread. How long a rendered frame takes to reach the speaker, as far
    // as the output can tell: at least one buffer; a browser adds what it
    // reports of its own.
    virtual double outputLatencySeconds() const { return maxFramesPerBuffer() / double(kSampleRate); }
};

// Scoped AudioOutput::lock()/unlock().
class AudioOutputLock {
public:
    explicit AudioOutputLock(AudioOutput* output) : output_(output) {
        if (output_)
            output_->lock();
    }
    ~AudioOutputLock() {
        if (output_)
            output_->unlock();
    }
    AudioOutputLock(const AudioOutputLock&) = delete;
    AudioOutputLock& operator=(const AudioOutputLock&) = delete;

private:
    AudioOutput* output_;
};
