#pragma once
#include <cstdint>
#include <mutex>

#include "system/DevicelessAudioOutput.h"

// An output with no device and no thread: whoever owns it (a test, the
// offline renderer) pulls buffers one at a time with pull(), on the thread it
// chooses; that thread is then the render thread.
class OfflineAudioOutput : public DevicelessAudioOutput {
public:
    // maxFrames: what maxFramesPerBuffer() reports (the largest buffer the
    // puller promises to ask for).
    explicit OfflineAudioOutput(int maxFrames = 4096);

    // Control thread. Pulls are answered by the callback from now on. True.
    bool start() override;
    // Control thread. Pulls get silence until the next start(); waits for a
    // pull in progress on another thread to end.
    void stop() override;

    // The render thread (the puller's thread). Calls the callback once for
    // numFrames interleaved stereo frames into out and returns its result.
    // Before start(), after stop(), with no callback or numFrames <= 0 the
    // callback is not called, out (if numFrames > 0) is filled with silence
    // and -1 is returned. When the callback returns -1, out is silenced too.
    // numFrames is passed on as asked, even above maxFramesPerBuffer(), so
    // that tests can check how a callback copes with an oversized request.
    int pull(int16_t* out, int numFrames);

private:
    bool started_ = false; // guarded by renderMutex_
};
