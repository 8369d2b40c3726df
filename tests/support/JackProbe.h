#pragma once
// The other programs around Strumwell's JACK client, as two clients of the
// test's own: "probe-in" plays MIDI into Strumwell:midi_in at chosen frames,
// "probe-out" records Strumwell:out_1 and out_2 and what comes out of
// Strumwell:midi_out. Two clients, so the graph has no loop: each period runs
// probe-in, then Strumwell, then probe-out, and every frame is counted on the
// server's one clock. Shared by the live tests and the latency bench.
#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "support/ServerProcess.h"
#include "system/MidiMessage.h"

namespace testsupport {

class JackProbe {
public:
    struct Event {
        uint64_t frame; // on the server's clock
        MidiMessage message;
    };

    explicit JackProbe(const std::string& server) {
        auto open = [&](const char* name, JackProcessCallback process) {
            jack_status_t status{};
            jack_client_t* c =
                jack_client_open(name, static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                                 &status, server.c_str());
            if (c)
                jack_set_process_callback(c, process, this);
            return c;
        };
        in_ = open("probe-in", [](jack_nframes_t n, void* p) { return static_cast<JackProbe*>(p)->play(n); });
        out_ =
            open("probe-out", [](jack_nframes_t n, void* p) { return static_cast<JackProbe*>(p)->hear(n); });
        if (!in_ || !out_)
            return;
        midiOut_ = jack_port_register(in_, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        for (int c = 0; c < 2; ++c)
            audioIn_[c] =
                jack_port_register(out_, c ? "in_2" : "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        midiIn_ = jack_port_register(out_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        received_.resize(4096);
        ok_ = jack_activate(in_) == 0 && jack_activate(out_) == 0 &&
              jack_connect(in_, "probe-in:midi_out", "Strumwell:midi_in") == 0 &&
              jack_connect(out_, "Strumwell:out_1", "probe-out:in_1") == 0 &&
              jack_connect(out_, "Strumwell:out_2", "probe-out:in_2") == 0 &&
              jack_connect(out_, "Strumwell:midi_out", "probe-out:midi_in") == 0;
    }
    ~JackProbe() {
        for (jack_client_t* c : {in_, out_})
            if (c)
                jack_client_close(c);
    }
    JackProbe(const JackProbe&) = delete;
    JackProbe& operator=(const JackProbe&) = delete;

    bool ok() const { return ok_; }
    int period() const { return static_cast<int>(jack_get_buffer_size(out_)); }
    // The first frame of a period that starts at least `periods` periods
    // from now: far enough ahead for a script.
    uint64_t ahead(int periods) const {
        const uint64_t p = static_cast<uint64_t>(period());
        return (jack_frame_time(out_) / p + static_cast<uint64_t>(periods) + 1) * p;
    }

    // Sends `script` (sorted by frame, none in the past) and records out_1
    // and out_2 for `frames` frames from `from`; returns when both are done,
    // or false after `seconds`. heard(c)[i] is out_<c+1> at frame from + i.
    // One run at a time.
    bool run(std::vector<Event> script, uint64_t from, int frames, double seconds = 10.0) {
        script_ = std::move(script);
        sentAt_.assign(script_.size(), 0.0);
        next_ = 0;
        for (std::vector<float>& h : heard_)
            h.assign(static_cast<size_t>(frames), 0.0f);
        from_ = from;
        late_ = 0;
        armed_.store(true, std::memory_order_release);
        const bool done = waitFor([this] { return !armed_.load(); }, seconds);
        armed_.store(false);
        // The callbacks look at armed_ first; one period more and neither is inside.
        waitFor([] { return false; }, 4.0 * period() / 44100.0);
        return done;
    }
    const std::vector<float>& heard(int channel = 0) const { return heard_[channel]; }
    // Script messages that could only go out after their frame.
    int late() const { return late_; }
    // When each script message was due, on the steady clock in seconds: when
    // its period was played, plus its place in the period. A loaded machine
    // runs the dummy server's periods late; this is the time they ran.
    const std::vector<double>& sentAt() const { return sentAt_; }
    // Every message from Strumwell:midi_out since the last call.
    std::vector<Event> takeReceived() {
        const size_t end = count_.load(std::memory_order_acquire);
        std::vector<Event> out(received_.begin() + static_cast<long>(taken_),
                               received_.begin() + static_cast<long>(end));
        taken_ = end;
        return out;
    }

private:
    int play(jack_nframes_t n) {
        void* buffer = jack_port_get_buffer(midiOut_, n);
        jack_midi_clear_buffer(buffer);
        if (!armed_.load(std::memory_order_acquire))
            return 0;
        const uint64_t start = jack_last_frame_time(in_);
        const double now =
            std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        for (; next_ < script_.size() && script_[next_].frame < start + n; ++next_) {
            const Event& e = script_[next_];
            late_ += e.frame < start;
            sentAt_[next_] = now + double(e.frame < start ? 0 : e.frame - start) / 44100.0;
            jack_midi_event_write(buffer, static_cast<jack_nframes_t>(e.frame < start ? 0 : e.frame - start),
                                  e.message.bytes, e.message.size);
        }
        return 0;
    }
    int hear(jack_nframes_t n) {
        const uint64_t start = jack_last_frame_time(out_);
        void* midi = jack_port_get_buffer(midiIn_, n);
        for (uint32_t i = 0; i < jack_midi_get_event_count(midi); ++i) {
            jack_midi_event_t e;
            const size_t at = count_.load(std::memory_order_relaxed);
            if (jack_midi_event_get(&e, midi, i) != 0 || e.size > 3 || at == received_.size())
                continue;
            Event& r = received_[at];
            r = {start + e.time, {}};
            std::copy(e.buffer, e.buffer + e.size, r.message.bytes);
            r.message.size = static_cast<uint8_t>(e.size);
            count_.store(at + 1, std::memory_order_release);
        }
        if (!armed_.load(std::memory_order_acquire))
            return 0;
        const size_t size = heard_[0].size();
        for (int c = 0; c < 2; ++c) {
            const auto* audio = static_cast<const float*>(jack_port_get_buffer(audioIn_[c], n));
            for (jack_nframes_t i = 0; i < n; ++i)
                if (start + i >= from_ && start + i < from_ + size)
                    heard_[c][start + i - from_] = audio[i];
        }
        if (start + n >= from_ + size && next_ == script_.size())
            armed_.store(false, std::memory_order_release);
        return 0;
    }

    jack_client_t *in_ = nullptr, *out_ = nullptr;
    jack_port_t *midiOut_ = nullptr, *audioIn_[2] = {}, *midiIn_ = nullptr;
    bool ok_ = false;
    std::atomic<bool> armed_{false};
    std::vector<Event> script_;
    std::vector<double> sentAt_;
    size_t next_ = 0;
    std::vector<float> heard_[2];
    uint64_t from_ = 0;
    int late_ = 0;
    std::vector<Event> received_;
    std::atomic<size_t> count_{0};
    size_t taken_ = 0;
};

} // namespace testsupport
