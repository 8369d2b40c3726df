#include "backend/jack/JackAudioOutput.h"

#include <jack/midiport.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "system/LatencyProbe.h"
#include "system/MidiInbox.h"
#include "system/NullAudioOutput.h"
#include "system/OutputVolume.h"

namespace {
// libjack prints every failed connection attempt; the status hook says what
// matters, once, instead of a line every 2 s while the server is away.
void quiet(const char*) {}

void briefly() {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
}
} // namespace

JackAudioOutput::JackAudioOutput(Options options)
    : options_(std::move(options)), scratch_(static_cast<size_t>(kScratchFrames) * kChannels, 0) {
    static std::once_flag silenced;
    std::call_once(silenced, [] {
        jack_set_error_function(quiet);
        jack_set_info_function(quiet);
    });
}

JackAudioOutput::~JackAudioOutput() {
    stop();
    close();
    {
        std::lock_guard<std::mutex> guard(superviseMutex_);
        quit_ = true;
    }
    superviseWake_.notify_all();
    if (supervisor_.joinable())
        supervisor_.join();
    std::lock_guard<std::mutex> guard(clientMutex_);
    dropClientLocked(false);
}

void JackAudioOutput::setStatusHook(std::function<void(const std::string&)> hook) {
    hook_ = std::move(hook);
}

void JackAudioOutput::setRenderCallback(RenderCallback callback, void* userData) {
    callback_ = callback;
    userData_ = userData;
}

bool JackAudioOutput::start() {
    audioOn_.store(true);
    std::string line;
    {
        std::lock_guard<std::mutex> guard(clientMutex_);
        if (!client_)
            line = connectLocked();
        else if (!connected_.load())
            startFallbackLocked();
    }
    ensureSupervisor();
    report(line);
    return true;
}

void JackAudioOutput::stop() {
    audioOn_.store(false);
    {
        std::lock_guard<std::mutex> guard(clientMutex_);
        stopFallbackLocked();
    }
    // render() checks audioOn_ after claiming renderState_, so once a render
    // in progress ends no other will call back.
    while (renderState_.load() == kRendering)
        briefly();
}

void JackAudioOutput::lock() {
    for (int expected = kIdle; !renderState_.compare_exchange_weak(expected, kLocked); expected = kIdle)
        briefly();
}

void JackAudioOutput::unlock() {
    renderState_.store(kIdle, std::memory_order_release);
}

int JackAudioOutput::maxFramesPerBuffer() const {
    return maxFrames_.load(std::memory_order_acquire);
}

std::string JackAudioOutput::open(MidiInbox& inbox) {
    inbox_.store(&inbox);
    std::string line;
    {
        std::lock_guard<std::mutex> guard(clientMutex_);
        if (!client_)
            line = connectLocked();
    }
    ensureSupervisor();
    report(line);
    if (connected())
        return "";
    return "no JACK server" + (options_.serverName.empty() ? "" : " '" + options_.serverName + "'") +
           " (trying again every 2 s)";
}

void JackAudioOutput::close() {
    inbox_.store(nullptr);
    // The process callback raises inProcess_ before it reads inbox_: once it
    // is down, no push into the old inbox can follow.
    while (inProcess_.load())
        briefly();
}

void JackAudioOutput::send(const MidiMessage& message) {
    const std::size_t head = outHead_.load(std::memory_order_relaxed);
    if (!connected() || head - outTail_.load(std::memory_order_acquire) >= kOutboxSize)
        return;
    outbox_[head & (kOutboxSize - 1)] = message;
    outHead_.store(head + 1, std::memory_order_release);
}

void JackAudioOutput::reconnect() {
    {
        std::lock_guard<std::mutex> guard(superviseMutex_);
        retryNow_ = true;
    }
    superviseWake_.notify_all();
}

std::string JackAudioOutput::connectLocked() {
    const std::string server = options_.serverName.empty() ? "" : " '" + options_.serverName + "'";
    jack_status_t status{};
    const int flags = JackNoStartServer | (options_.serverName.empty() ? 0 : JackServerName);
    jack_client_t* client =
        jack_client_open(kPortName, static_cast<jack_options_t>(flags), &status, options_.serverName.c_str());
    bool ok = client != nullptr;
    if (ok) {
        client_ = client;
        serverGone_.store(false);
        jack_set_process_callback(client, &JackAudioOutput::processTrampoline, this);
        jack_set_buffer_size_callback(client, &JackAudioOutput::bufferSizeChanged, this);
        jack_on_info_shutdown(client, &JackAudioOutput::serverShutdown, this);
        audioOut_[0] = jack_port_register(client, "out_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        audioOut_[1] = jack_port_register(client, "out_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        midiIn_ = jack_port_register(client, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        midiOut_ = jack_port_register(client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        maxFrames_.store(static_cast<int>(jack_get_buffer_size(client)));
        ok = audioOut_[0] && audioOut_[1] && midiIn_ && midiOut_ && jack_activate(client) == 0;
        if (!ok)
            dropClientLocked(false);
    }
    if (!ok) {
        startFallbackLocked();
        if (lost_ || !audioOn_.load())
            return "";
        lost_ = true;
        return "JACK: no server" + server +
               " to play through; playing on without sound, trying again every " +
               std::to_string(static_cast<int>(options_.retrySeconds)) + " s";
    }
    connected_.store(true);
    stopFallbackLocked();
    if (options_.connectToPlayback) {
        if (const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                                JackPortIsPhysical | JackPortIsInput)) {
            for (int c = 0; c < 2 && ports[0]; ++c)
                jack_connect(client, jack_port_name(audioOut_[c]), ports[ports[1] ? c : 0]);
            jack_free(ports);
        }
    }
    LatencyProbe::setDeviceLatency(static_cast<double>(maxFrames_.load()) / kSampleRate);
    LatencyProbe::resetSchedule();
    if (!lost_)
        return "";
    lost_ = false;
    return "JACK: connected to the server" + server + " again; sound and MIDI are back";
}

std::string JackAudioOutput::dropClientLocked(bool serverGone) {
    if (!client_)
        return "";
    // After jack_client_close the process callback is not running and never
    // runs again, so nothing it uses is freed under it.
    jack_client_close(client_);
    client_ = nullptr;
    audioOut_[0] = audioOut_[1] = midiIn_ = midiOut_ = nullptr;
    connected_.store(false);
    // Messages queued for the old client would arrive late on the new one.
    outTail_.store(outHead_.load(std::memory_order_acquire), std::memory_order_release);
    startFallbackLocked();
    if (!serverGone || lost_)
        return "";
    lost_ = true;
    return "JACK: lost the server" + (options_.serverName.empty() ? "" : " '" + options_.serverName + "'") +
           "; playing on without sound, trying again every " +
           std::to_string(static_cast<int>(options_.retrySeconds)) + " s";
}

void JackAudioOutput::startFallbackLocked() {
    if (fallback_ || !audioOn_.load())
        return;
    fallback_ = std::make_unique<NullAudioOutput>(maxFrames_.load());
    fallback_->setRenderCallback(&JackAudioOutput::fallbackRender, this);
    usingFallback_.store(true);
    fallback_->start();
}

void JackAudioOutput::stopFallbackLocked() {
    if (!fallback_)
        return;
    fallback_->stop(); // joins its thread
    fallback_.reset();
    usingFallback_.store(false);
}

void JackAudioOutput::ensureSupervisor() {
    if (!supervisor_.joinable())
        supervisor_ = std::thread([this] { supervise(); });
}

void JackAudioOutput::supervise() {
    using Clock = std::chrono::steady_clock;
    const auto retry =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options_.retrySeconds));
    auto nextTry = Clock::now() + retry;
    std::unique_lock<std::mutex> state(superviseMutex_);
    while (!quit_) {
        // The shutdown handler may only set a flag, so it is looked at often.
        superviseWake_.wait_for(state, std::chrono::milliseconds(50), [this] { return quit_ || retryNow_; });
        if (quit_)
            break;
        const bool tryNow = retryNow_ || Clock::now() >= nextTry;
        retryNow_ = false;
        state.unlock();
        std::string line;
        {
            std::lock_guard<std::mutex> guard(clientMutex_);
            if (client_ && serverGone_.load())
                line = dropClientLocked(true);
            else if (!client_ && tryNow && (audioOn_.load() || inbox_.load()))
                line = connectLocked();
        }
        if (tryNow)
            nextTry = Clock::now() + retry;
        report(line);
        state.lock();
    }
}

void JackAudioOutput::report(const std::string& line) {
    if (line.empty())
        return;
    if (hook_) {
        hook_(line);
    } else {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
}

int JackAudioOutput::processTrampoline(jack_nframes_t nframes, void* self) {
    return static_cast<JackAudioOutput*>(self)->process(nframes);
}

int JackAudioOutput::bufferSizeChanged(jack_nframes_t nframes, void* self) {
    static_cast<JackAudioOutput*>(self)->maxFrames_.store(static_cast<int>(nframes));
    return 0;
}

void JackAudioOutput::serverShutdown(jack_status_t, const char*, void* self) {
    static_cast<JackAudioOutput*>(self)->serverGone_.store(true);
}

int JackAudioOutput::fallbackRender(void* self, int16_t* interleaved, int numFrames) {
    return static_cast<JackAudioOutput*>(self)->render(interleaved, numFrames) ? 0 : -1;
}

bool JackAudioOutput::render(int16_t* out, int numFrames) {
    int expected = kIdle;
    if (!renderState_.compare_exchange_strong(expected, kRendering))
        return false; // locked (or the other render thread is inside): silence
    const bool rendered = audioOn_.load() && callback_ && callback_(userData_, out, numFrames) == 0;
    renderState_.store(kIdle, std::memory_order_release);
    if (rendered)
        OutputVolume::apply(out, numFrames * kChannels);
    return rendered;
}

int JackAudioOutput::process(jack_nframes_t nframes) {
    void* out = jack_port_get_buffer(midiOut_, nframes);
    jack_midi_clear_buffer(out);
    for (std::size_t tail = outTail_.load(std::memory_order_relaxed);
         tail != outHead_.load(std::memory_order_acquire); ++tail) {
        const MidiMessage& m = outbox_[tail & (kOutboxSize - 1)];
        jack_midi_event_write(out, 0, m.bytes, m.size); // a full buffer drops it
        outTail_.store(tail + 1, std::memory_order_release);
    }

    LatencyProbe::bufferBegan(LatencyProbe::now(), static_cast<int>(nframes), kSampleRate);
    auto* left = static_cast<float*>(jack_port_get_buffer(audioOut_[0], nframes));
    auto* right = static_cast<float*>(jack_port_get_buffer(audioOut_[1], nframes));
    for (jack_nframes_t done = 0; done < nframes;) {
        const int n = static_cast<int>(std::min<jack_nframes_t>(nframes - done, kScratchFrames));
        const int16_t* s = scratch_.data();
        if (render(scratch_.data(), n)) {
            for (int i = 0; i < n; ++i) {
                left[done + i] = s[2 * i] / 32768.0f;
                right[done + i] = s[2 * i + 1] / 32768.0f;
            }
        } else {
            std::fill(left + done, left + done + n, 0.0f);
            std::fill(right + done, right + done + n, 0.0f);
        }
        done += static_cast<jack_nframes_t>(n);
    }
    // MIDI in last, once this period's audio is rendered: a message whose
    // frame falls in this period may only start its note in the next one,
    // never earlier than it was played. The MIDI thread then has the rest
    // of the period to hand the note to the engine.
    inProcess_.store(true);
    if (MidiInbox* inbox = inbox_.load()) {
        void* in = jack_port_get_buffer(midiIn_, nframes);
        const uint32_t count = jack_midi_get_event_count(in);
        for (uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, in, i) != 0 || event.size == 0 || event.size > 3 ||
                MidiMessage::lengthOf(event.buffer[0]) != static_cast<int>(event.size))
                continue; // system messages and running status are not carried
            MidiMessage m;
            std::memcpy(m.bytes, event.buffer, event.size);
            m.size = static_cast<uint8_t>(event.size);
            m.frame = event.time;
            inbox->push(m);
        }
    }
    inProcess_.store(false);
    return 0;
}
