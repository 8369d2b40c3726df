#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "system/AudioOutput.h"

// The speakers in the browser: an AudioContext (44100 Hz, 'interactive')
// with an AudioWorkletNode (audio-worklet.js, which must sit beside the
// page) that reads 16-bit stereo frames from a single-producer,
// single-consumer ring in the wasm memory (shared under -pthread), and a
// producer thread of ours that calls the render callback whenever the ring
// holds less than the target fill.
//
// The worklet runs on the browser's audio thread and never waits: it copies
// what is there, plays silence and counts an underrun when the ring runs dry,
// and wakes the producer after every read. The producer is not the audio
// thread, so lock() can be an ordinary mutex it holds around each callback;
// the ring's fill is what covers a short hold.
//
// The sound is what the producer rendered up to targetFrames() ago, plus
// what the browser adds (outputLatencySeconds()). The browser keeps the
// context suspended until the user first touches the page (pre.js resumes
// every context in Module.strumwellAudioContexts); until then the producer
// fills the ring once and waits, so the engine is not pulled.
//
// Threads: every member is for the control thread (the browser's main
// thread: start() and stop() build and tear down the page's audio graph)
// unless it says otherwise.
class WebAudioOutput : public AudioOutput {
public:
    // Frames per callback: the size of the worklet's render quantum.
    static constexpr int kBlockFrames = 128;
    // About 5.8 ms of sound waiting in the ring.
    static constexpr int kDefaultTargetFrames = 256;
    // The ring's size (a power of two): the largest target is half of it.
    static constexpr int kCapacityFrames = 8192;

    explicit WebAudioOutput(int targetFrames = kDefaultTargetFrames);
    // Stops the output and closes its context.
    ~WebAudioOutput() override;
    WebAudioOutput(const WebAudioOutput&) = delete;
    WebAudioOutput& operator=(const WebAudioOutput&) = delete;

    // Control thread, before start().
    void setRenderCallback(RenderCallback callback, void* userData) override;
    // Control thread. Creates the context and the worklet node (the module
    // loads asynchronously; the node joins the graph when it has) and
    // starts the producer. False when the page has no Web Audio, AudioWorklet
    // or shared memory; then no buffers will come. A second call while it
    // runs does nothing.
    bool start() override;
    // Control thread. Joins the producer, then disconnects the node and
    // closes the context: afterwards the callback is not running and is not
    // called again until start().
    void stop() override;
    // Any thread but the producer (the callback must not call them). While
    // locked the callback is not running.
    void lock() override;
    void unlock() override;
    // Any thread: kBlockFrames.
    int maxFramesPerBuffer() const override;

    // Any thread: the frames the producer should keep in the ring (rounded up
    // to whole blocks, kBlockFrames ... kCapacityFrames / 2). Takes effect at
    // once.
    void setTargetFrames(int frames);
    // Any thread: the frames it keeps: the target, or more when the browser
    // pulls more at once (its baseLatency, learnt in start(): 441 frames in
    // Chromium on Linux, so 512 there); plus a block for every moment the
    // ring ran dry (a busy machine starved the producer), up to 1024 frames
    // more, given back one block per 10 s without an underrun.
    int targetFrames() const;

    // Control thread: the context's baseLatency, plus its outputLatency when
    // the browser reports it, plus the ring's target fill; the target alone
    // before start().
    double outputLatencySeconds() const override;
    // Any thread: render quanta the worklet had to pad with silence while
    // the producer ran, since construction.
    long underruns() const;
    // Any thread: callbacks made since construction.
    long blocksRendered() const;

private:
    // Shared with audio-worklet.js as Int32 slots at the ring's start; the
    // order and the slot numbers are the worklet's too.
    struct Header {
        std::atomic<int32_t> readIndex;  // frames consumed (worklet), wrapping
        std::atomic<int32_t> writeIndex; // frames published (producer), wrapping
        std::atomic<int32_t> underruns;  // worklet
        std::atomic<int32_t> running;    // 1 while the producer runs
        std::atomic<int32_t> generation; // which start()'s worklet may read
    };

    // The producer: grows or shrinks extra_ after the worklet's underruns.
    void adapt(int32_t& seenUnderruns, double& lastChange);
    // The producer thread: keeps the ring at the target fill until stop().
    void produce();
    // The producer: one block into the ring at out, silence unless the
    // callback rendered.
    void renderBlock(int16_t* out);

    // The header and kCapacityFrames interleaved stereo frames after it. A
    // context closes asynchronously, so a worklet may read and advance the
    // ring after stop(): once a context has seen it, the ring is never freed
    // (32 KiB per output made and started).
    Header* header_;
    int16_t* samples_;
    bool ringShared_ = false;
    std::atomic<int> target_;
    std::atomic<int> floor_{0}; // the browser's pull, in whole blocks
    std::atomic<int> extra_{0}; // what underruns added
    std::atomic<bool> stopRequested_{false};
    std::atomic<long> blocks_{0};
    std::mutex renderMutex_; // held by the producer around each callback
    RenderCallback callback_ = nullptr;
    void* userData_ = nullptr;
    std::thread producer_;
    bool contextMade_ = false; // a live context and node for this output
};
