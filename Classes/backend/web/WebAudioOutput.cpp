#include "backend/web/WebAudioOutput.h"

#include <emscripten/em_js.h>
#include <emscripten/threading.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "system/LatencyProbe.h"
#include "system/OutputVolume.h"

namespace {
constexpr int kMask = WebAudioOutput::kCapacityFrames - 1;
static_assert((WebAudioOutput::kCapacityFrames & kMask) == 0, "the ring's size is a power of two");
static_assert(WebAudioOutput::kCapacityFrames % WebAudioOutput::kBlockFrames == 0,
              "a block never wraps around the ring's end");
static_assert(sizeof(std::atomic<int32_t>) == 4 && std::atomic<int32_t>::is_always_lock_free,
              "the worklet reads the indices as plain Int32 slots");

// The producer wakes at least this often to see a stop request even if
// the worklet has stopped reading (a suspended or closed context).
constexpr double kWaitMilliseconds = 20.0;

// When the ring runs dry the producer keeps a block more, at most this many
// frames more (23 ms), and gives a block back after a calm spell.
constexpr int kMaxExtraFrames = 1024;
constexpr double kGrowPauseSeconds = 0.1;
constexpr double kShrinkAfterSeconds = 10.0;

int roundTarget(int frames) {
    const int blocks =
        (std::clamp(frames, 1, WebAudioOutput::kCapacityFrames / 2) + WebAudioOutput::kBlockFrames - 1) /
        WebAudioOutput::kBlockFrames;
    return blocks * WebAudioOutput::kBlockFrames;
}

// Frames in the ring; the indices wrap at 2^32 like the worklet's (w - r) | 0.
int32_t fillOf(int32_t write, int32_t read) {
    return static_cast<int32_t>(static_cast<uint32_t>(write) - static_cast<uint32_t>(read));
}

// clang-format off
// The page's side, always on the browser's main thread (the only one with
// an AudioContext). Module.strumwellWebAudioOutputs holds each output's
// {context, node, analyser}, keyed by the address of its ring.

// 0 when the page cannot play through a worklet; otherwise 1 + the frames
// the browser pulls from the worklet at once.
EM_JS(int, strumwell_web_audio_open, (int header, int samples, int capacityFrames, int generation), {
    if (typeof AudioContext === 'undefined' || typeof AudioWorkletNode === 'undefined' ||
        typeof SharedArrayBuffer === 'undefined' || !(HEAP8.buffer instanceof SharedArrayBuffer))
        return 0;
    var context;
    try {
        context = new AudioContext({sampleRate: 44100, latencyHint: 'interactive'});
    } catch (e) {
        console.error('Audio: no AudioContext: ' + e);
        return 0;
    }
    if (!context.audioWorklet) {
        context.close();
        return 0;
    }
    var analyser = context.createAnalyser();
    analyser.fftSize = 2048;
    var audio = {context: context, node: null, analyser: analyser, closed: false};
    if (!Module.strumwellAudioContexts)
        Module.strumwellAudioContexts = [];
    Module.strumwellAudioContexts.push(context);
    if (!Module.strumwellWebAudioOutputs)
        Module.strumwellWebAudioOutputs = {};
    Module.strumwellWebAudioOutputs[header] = audio;
    Module.strumwellAudio = audio;
    // What the browser pulls from the worklet at once, in frames.
    var burst = Math.round((context.baseLatency || 0) * 44100);
    // The whole memory goes to the worklet: growing a shared memory leaves
    // the ring where it is in the same SharedArrayBuffer.
    var options = {buffer: HEAP8.buffer, headerOffset: header, samplesOffset: samples,
                   capacityFrames: capacityFrames, generation: generation};
    context.audioWorklet.addModule('audio-worklet.js').then(function() {
        if (audio.closed)
            return;
        var node = new AudioWorkletNode(context, 'strumwell-ring-reader', {
            numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [2], processorOptions: options});
        node.connect(context.destination);
        node.connect(analyser);
        audio.node = node;
    }).catch(function(e) {
        audio.error = String(e);
        console.error('Audio: cannot start audio-worklet.js: ' + e);
    });
    return 1 + burst;
});

EM_JS(int, strumwell_web_audio_close, (int header), {
    var outputs = Module.strumwellWebAudioOutputs;
    var audio = outputs && outputs[header];
    if (!audio)
        return 0;
    delete outputs[header];
    audio.closed = true;
    if (audio.node)
        audio.node.disconnect();
    var contexts = Module.strumwellAudioContexts || [];
    var i = contexts.indexOf(audio.context);
    if (i >= 0)
        contexts.splice(i, 1);
    if (Module.strumwellAudio === audio)
        Module.strumwellAudio = null;
    audio.context.close().catch(function() {});
    return 1;
});

// In microseconds (an int crosses threads where a double cannot).
EM_JS(int, strumwell_web_audio_latency, (int header), {
    var audio = Module.strumwellWebAudioOutputs && Module.strumwellWebAudioOutputs[header];
    if (!audio)
        return 0;
    return Math.round(1e6 * ((audio.context.baseLatency || 0) + (audio.context.outputLatency || 0)));
});
// clang-format on

int address(const void* p) {
    return static_cast<int>(reinterpret_cast<uintptr_t>(p));
}

// Runs a page function on the main thread, waiting for it when called from
// another thread.
template <typename... Args>
int onMainThread(EM_FUNC_SIGNATURE signature, int (*function)(int, Args...), const void* header,
                 Args... rest) {
    if (emscripten_is_main_runtime_thread())
        return function(address(header), rest...);
    return emscripten_sync_run_in_main_runtime_thread_(signature, reinterpret_cast<void*>(function),
                                                       address(header), rest...);
}
} // namespace

WebAudioOutput::WebAudioOutput(int targetFrames) : target_(roundTarget(targetFrames)) {
    // One block of memory: the header first (16-byte aligned for the Int32
    // slots), the samples right after it.
    constexpr size_t headerBytes = (sizeof(Header) + 15) / 16 * 16;
    auto* raw = static_cast<unsigned char*>(
        ::operator new (headerBytes + sizeof(int16_t) * kCapacityFrames * kChannels, std::align_val_t{16}));
    header_ = new (raw) Header{};
    samples_ = reinterpret_cast<int16_t*>(raw + headerBytes);
    std::memset(samples_, 0, sizeof(int16_t) * kCapacityFrames * kChannels);
}

WebAudioOutput::~WebAudioOutput() {
    stop();
    if (!ringShared_)
        ::operator delete (static_cast<void*>(header_), std::align_val_t{16});
}

void WebAudioOutput::setRenderCallback(RenderCallback callback, void* userData) {
    std::lock_guard<std::mutex> guard(renderMutex_);
    callback_ = callback;
    userData_ = userData;
}

void WebAudioOutput::setTargetFrames(int frames) {
    target_.store(roundTarget(frames), std::memory_order_relaxed);
}

int WebAudioOutput::targetFrames() const {
    return std::min(
        std::max(target_.load(std::memory_order_relaxed), floor_.load(std::memory_order_relaxed)) +
            extra_.load(std::memory_order_relaxed),
        kCapacityFrames / 2);
}

int WebAudioOutput::maxFramesPerBuffer() const {
    return kBlockFrames;
}

long WebAudioOutput::underruns() const {
    return header_->underruns.load();
}

long WebAudioOutput::blocksRendered() const {
    return blocks_.load(std::memory_order_relaxed);
}

void WebAudioOutput::lock() {
    renderMutex_.lock();
}

void WebAudioOutput::unlock() {
    renderMutex_.unlock();
}

bool WebAudioOutput::start() {
    if (producer_.joinable())
        return true;
    // A worklet of an earlier start() may still be running while its context
    // closes; a new generation tells it to leave the ring alone.
    const int32_t generation = header_->generation.load() + 1;
    header_->generation.store(generation);
    header_->running.store(0);
    header_->readIndex.store(0);
    header_->writeIndex.store(0);
    const int made = onMainThread(EM_FUNC_SIG_IIIII, &strumwell_web_audio_open, header_, address(samples_),
                                  int{kCapacityFrames}, int{generation});
    if (!made)
        return false;
    // The browser pulls a whole device buffer from the worklet at once
    // (several render quanta back to back: 10 ms on Linux); a smaller fill
    // would run dry in every one of them.
    floor_.store(roundTarget(made - 1), std::memory_order_relaxed);
    extra_.store(0, std::memory_order_relaxed);
    contextMade_ = true;
    ringShared_ = true;
    stopRequested_.store(false);
    LatencyProbe::setDeviceLatency(static_cast<double>(targetFrames()) / kSampleRate);
    LatencyProbe::resetSchedule();
    producer_ = std::thread([this] { produce(); });
    return true;
}

void WebAudioOutput::stop() {
    if (producer_.joinable()) {
        stopRequested_.store(true);
        header_->running.store(0);
        emscripten_futex_wake(&header_->readIndex, 1);
        producer_.join();
    }
    if (!contextMade_)
        return;
    contextMade_ = false;
    onMainThread(EM_FUNC_SIG_II, &strumwell_web_audio_close, header_);
}

double WebAudioOutput::outputLatencySeconds() const {
    double browser = 0;
    if (contextMade_)
        browser = onMainThread(EM_FUNC_SIG_II, &strumwell_web_audio_latency, header_) / 1e6;
    const double total = browser + static_cast<double>(targetFrames()) / kSampleRate;
    LatencyProbe::setDeviceLatency(total);
    return total;
}

void WebAudioOutput::adapt(int32_t& seenUnderruns, double& lastChange) {
    const int32_t underruns = header_->underruns.load();
    const double now = LatencyProbe::now();
    int extra = extra_.load(std::memory_order_relaxed);
    if (underruns != seenUnderruns) {
        seenUnderruns = underruns;
        // One starved moment runs several quanta dry in a row: one block
        // more per starved moment, not per quantum.
        if (now - lastChange >= kGrowPauseSeconds && extra < kMaxExtraFrames) {
            extra_.store(extra + kBlockFrames, std::memory_order_relaxed);
            lastChange = now;
        }
    } else if (extra > 0 && now - lastChange >= kShrinkAfterSeconds) {
        extra_.store(extra - kBlockFrames, std::memory_order_relaxed);
        lastChange = now;
    }
}

void WebAudioOutput::produce() {
    int32_t write = header_->writeIndex.load();
    int32_t seenUnderruns = header_->underruns.load();
    double lastChange = LatencyProbe::now();
    while (!stopRequested_.load(std::memory_order_relaxed)) {
        adapt(seenUnderruns, lastChange);
        const int32_t read = header_->readIndex.load();
        if (fillOf(write, read) < targetFrames()) {
            renderBlock(samples_ + static_cast<size_t>(write & kMask) * kChannels);
            write = static_cast<int32_t>(static_cast<uint32_t>(write) + kBlockFrames);
            // Sequentially consistent: the samples are visible before the
            // worklet's Atomics.load sees the new index.
            header_->writeIndex.store(write);
            // Underruns count from the first block on: before it the
            // worklet may run while the thread is still starting.
            header_->running.store(1);
            continue;
        }
        // Returns at once if the worklet has read since `read` was loaded.
        emscripten_futex_wait(&header_->readIndex, static_cast<uint32_t>(read), kWaitMilliseconds);
    }
}

void WebAudioOutput::renderBlock(int16_t* out) {
    LatencyProbe::bufferBegan(LatencyProbe::now(), kBlockFrames, kSampleRate);
    int result = -1;
    {
        std::lock_guard<std::mutex> guard(renderMutex_);
        if (callback_)
            result = callback_(userData_, out, kBlockFrames);
    }
    if (result != 0)
        std::memset(out, 0, sizeof(int16_t) * kBlockFrames * kChannels);
    else
        OutputVolume::apply(out, kBlockFrames * kChannels);
    blocks_.fetch_add(1, std::memory_order_relaxed);
}
