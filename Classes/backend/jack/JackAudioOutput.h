#pragma once
#include <jack/jack.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "system/AudioOutput.h"
#include "system/MidiPorts.h"

class NullAudioOutput;

// The guitar as a JACK client named "Strumwell": stereo audio out (out_1,
// out_2), a MIDI in and a MIDI out, all served by one process callback, so
// incoming notes keep the frame they fell on and outgoing ones start a period.
// Incoming messages reach the inbox only after the period's audio has been
// rendered, so a note never sounds before its frame: it starts the next
// period, 1 ... period frames after it, if the MIDI thread hands it to the
// engine before that period is rendered.
//
// The client never starts a server. When the server goes away (or is not
// there at start()), a NullAudioOutput pulls the render callback at real-time
// pace so the program keeps time; a supervisor thread tries to reconnect
// every 2 s and the status hook says when JACK was lost and when it is back.
//
// Threads: every member is for the control (UI) thread unless it says
// otherwise. The render callback runs on JACK's process thread, or on the
// fallback's thread while JACK is away, never on both at once.
class JackAudioOutput : public AudioOutput, public MidiPorts {
public:
    struct Options {
        std::string serverName;        // empty: the default server ($JACK_DEFAULT_SERVER)
        bool connectToPlayback = true; // wire out_1/2 to the first physical playback ports
        double retrySeconds = 2.0;
    };
    // The most frames rendered in one go; a longer period is rendered in parts.
    static constexpr int kScratchFrames = 8192;
    // What maxFramesPerBuffer() says before a server told its period.
    static constexpr int kDefaultFrames = 256;

    explicit JackAudioOutput(Options options);
    JackAudioOutput() : JackAudioOutput(Options{}) {}
    // Stops, closes the MIDI ports and the client, and joins the supervisor.
    ~JackAudioOutput() override;
    JackAudioOutput(const JackAudioOutput&) = delete;
    JackAudioOutput& operator=(const JackAudioOutput&) = delete;

    // Control thread, before start() and open(): called with one line each time
    // JACK is lost or comes back, on the control thread or the supervisor's,
    // never the render thread (the app posts it to the UI).
    void setStatusHook(std::function<void(const std::string&)> hook);

    // AudioOutput. start() connects (or falls back) and returns true: buffers
    // will come either way.
    void setRenderCallback(RenderCallback callback, void* userData) override;
    bool start() override;
    void stop() override;
    // Any non-render thread; not re-entrant. Taken with an atomic the process
    // callback also tries: a period that finds it taken is silent.
    void lock() override;
    void unlock() override;
    // Any thread: the server's period, or the fallback's.
    int maxFramesPerBuffer() const override;

    // MidiPorts. open() also connects when start() has not.
    std::string open(MidiInbox& inbox) override;
    void close() override;
    // Any non-render thread, one at a time: queued wait-free, written at frame
    // 0 of the next period (dropped while JACK is away or the queue is full).
    void send(const MidiMessage& message) override;
    std::string describe() const override { return "JACK"; }

    // Any non-render thread: try to connect now rather than at the next retry.
    void reconnect();
    // Any thread.
    bool connected() const { return connected_.load(std::memory_order_acquire); }
    bool usingFallback() const { return usingFallback_.load(std::memory_order_acquire); }

private:
    static constexpr std::size_t kOutboxSize = 256; // a power of two
    static constexpr int kIdle = 0, kRendering = 1, kLocked = 2;

    // Control or supervisor thread, holding clientMutex_. The line to report
    // (empty for none).
    std::string connectLocked();
    std::string dropClientLocked(bool serverGone);
    void startFallbackLocked();
    void stopFallbackLocked();
    void ensureSupervisor();
    void supervise();
    void report(const std::string& line);

    // Render thread (JACK's or the fallback's).
    static int processTrampoline(jack_nframes_t nframes, void* self);
    static int bufferSizeChanged(jack_nframes_t nframes, void* self);
    static void serverShutdown(jack_status_t code, const char* reason, void* self);
    static int fallbackRender(void* self, int16_t* interleaved, int numFrames);
    int process(jack_nframes_t nframes);
    // Renders numFrames into out unless locked or stopped; false: silence.
    bool render(int16_t* out, int numFrames);

    const Options options_;
    RenderCallback callback_ = nullptr;
    void* userData_ = nullptr;
    std::function<void(const std::string&)> hook_;

    std::mutex clientMutex_; // client_, ports, fallback_; never the render thread's
    jack_client_t* client_ = nullptr;
    jack_port_t* audioOut_[2] = {nullptr, nullptr};
    jack_port_t* midiIn_ = nullptr;
    jack_port_t* midiOut_ = nullptr;
    std::unique_ptr<NullAudioOutput> fallback_;
    bool lost_ = false; // a "lost" line was said and no "back" since

    std::atomic<bool> audioOn_{false};    // between start() and stop()
    std::atomic<bool> serverGone_{false}; // set by JACK's shutdown handler only
    std::atomic<bool> connected_{false};
    std::atomic<bool> usingFallback_{false};
    std::atomic<int> maxFrames_{kDefaultFrames};
    std::atomic<int> renderState_{kIdle};
    std::atomic<bool> inProcess_{false};
    std::atomic<MidiInbox*> inbox_{nullptr};
    std::vector<int16_t> scratch_;

    // send()'s queue to the process callback.
    MidiMessage outbox_[kOutboxSize];
    std::atomic<std::size_t> outHead_{0}, outTail_{0};

    std::mutex superviseMutex_;
    std::condition_variable superviseWake_;
    bool quit_ = false, retryNow_ = false;
    std::thread supervisor_;
};
