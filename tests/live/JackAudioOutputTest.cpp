// The JACK output against a real (dummy-driver) jackd of the test's own, read
// back by a JACK client of the test's: the notes it sends keep their frames,
// the rendered samples are what its input ports receive, send() arrives at
// the start of a period, and a crashed server is survived and rejoined.
#include <gtest/gtest.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include "backend/jack/JackAudioOutput.h"
#include "support/JackServer.h"
#include "system/MidiInbox.h"

using testsupport::JackServer;
using testsupport::waitFor;

namespace {

// A render callback that plays a ramp, one step a frame, left up and right
// down, so any lost, repeated or misplaced frame shows.
struct Ramp {
    std::atomic<uint64_t> frames{0}, calls{0};
    static int16_t at(uint64_t n) { return static_cast<int16_t>(static_cast<int>(n % 32768) - 16384); }
    static int render(void* self, int16_t* out, int numFrames) {
        auto* r = static_cast<Ramp*>(self);
        const uint64_t n0 = r->frames.fetch_add(static_cast<uint64_t>(numFrames));
        for (int i = 0; i < numFrames; ++i) {
            out[2 * i] = at(n0 + static_cast<uint64_t>(i));
            out[2 * i + 1] = static_cast<int16_t>(-at(n0 + static_cast<uint64_t>(i)));
        }
        r->calls.fetch_add(1);
        return 0;
    }
};

// The other program: sends notes at chosen frames of one period, records
// what comes to its MIDI and audio inputs.
struct Tester {
    static constexpr int kCapture = 1024;
    jack_client_t* client = nullptr;
    jack_port_t *midiOut, *midiIn, *in[2];
    std::vector<uint32_t> noteFrames; // sent in the period after `arm`
    std::atomic<bool> arm{false}, capture{false};
    std::atomic<int> captured{0}, received{0};
    float samples[2][kCapture] = {};
    jack_midi_event_t events[64] = {};
    uint8_t eventBytes[64][3] = {};

    explicit Tester(const std::string& server) {
        jack_status_t status{};
        client = jack_client_open("tester", static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                                  &status, server.c_str());
        if (!client)
            return;
        midiOut = jack_port_register(client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        midiIn = jack_port_register(client, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        in[0] = jack_port_register(client, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        in[1] = jack_port_register(client, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client, [](jack_nframes_t n, void* t) { return static_cast<Tester*>(t)->process(n); },
                                  this);
        jack_activate(client);
        jack_connect(client, "tester:midi_out", "Strumwell:midi_in");
        jack_connect(client, "Strumwell:midi_out", "tester:midi_in");
        jack_connect(client, "Strumwell:out_1", "tester:in_1");
        jack_connect(client, "Strumwell:out_2", "tester:in_2");
    }
    ~Tester() {
        if (client)
            jack_client_close(client);
    }
    int process(jack_nframes_t n) {
        void* out = jack_port_get_buffer(midiOut, n);
        jack_midi_clear_buffer(out);
        if (arm.exchange(false))
            for (size_t i = 0; i < noteFrames.size(); ++i) {
                const uint8_t on[3] = {0x93, static_cast<uint8_t>(40 + i), 100};
                jack_midi_event_write(out, noteFrames[i], on, 3);
            }
        void* midi = jack_port_get_buffer(midiIn, n);
        for (uint32_t i = 0; i < jack_midi_get_event_count(midi) && received < 64; ++i) {
            jack_midi_event_t& e = events[received.load()];
            jack_midi_event_get(&e, midi, i);
            std::copy(e.buffer, e.buffer + std::min<size_t>(e.size, 3), eventBytes[received.load()]);
            received.fetch_add(1);
        }
        for (jack_nframes_t i = 0; capture && i < n && captured < kCapture; ++i) {
            for (int c = 0; c < 2; ++c)
                samples[c][captured.load()] = static_cast<float*>(jack_port_get_buffer(in[c], n))[i];
            captured.fetch_add(1);
        }
        return 0;
    }
    // The frames captured after `capture`, as 16-bit values; each must follow
    // the ramp from the first (within 1 LSB).
    void expectRamp() {
        capture = true;
        ASSERT_TRUE(waitFor([this] { return captured == kCapture; }, 3.0)) << "no audio came";
        const int first = static_cast<int>(std::lround(samples[0][0] * 32768.0f));
        int worst = 0;
        for (int i = 0; i < kCapture; ++i) {
            const int16_t want = Ramp::at(static_cast<uint64_t>(first + 16384 + i));
            worst = std::max({worst, std::abs(static_cast<int>(std::lround(samples[0][i] * 32768.0f)) - want),
                              std::abs(static_cast<int>(std::lround(samples[1][i] * 32768.0f)) + want)});
        }
        EXPECT_LE(worst, 1) << "the ramp read back differs";
    }
};

struct Live {
    JackServer server;
    Ramp ramp;
    MidiInbox inbox;
    std::mutex linesMutex;
    std::vector<std::string> lines;
    JackAudioOutput output{{.serverName = server.name(), .connectToPlayback = false}};

    explicit Live(int period) : server(period) {}
    bool start() {
        if (!server.start())
            return false;
        output.setRenderCallback(&Ramp::render, &ramp);
        output.setStatusHook([this](const std::string& line) {
            std::lock_guard<std::mutex> g(linesMutex);
            lines.push_back(line);
        });
        output.start();
        return output.open(inbox).empty();
    }
    bool said(const std::string& words) {
        std::lock_guard<std::mutex> g(linesMutex);
        return std::ranges::any_of(lines, [&](const std::string& l) { return l.find(words) != std::string::npos; });
    }
};

class JackPeriods : public ::testing::TestWithParam<int> {};

TEST_P(JackPeriods, NotesKeepFramesSamplesArriveExactlySendStartsAPeriodAndACrashIsSurvived) {
    const int period = GetParam();
    Live live(period);
    if (!live.start())
        GTEST_SKIP() << live.server.skipReason();
    EXPECT_EQ(live.output.maxFramesPerBuffer(), period);
    EXPECT_EQ(live.output.describe(), "JACK");
    auto tester = std::make_unique<Tester>(live.server.name());
    ASSERT_TRUE(tester->client);

    const std::vector<uint32_t> frames = {0, 1, static_cast<uint32_t>(period / 2), static_cast<uint32_t>(period - 1)};
    tester->noteFrames = frames;
    MidiMessage m;
    // The new connections may take a period or two to carry data.
    bool first = false;
    for (int tries = 0; tries < 10 && !first; ++tries) {
        tester->arm = true;
        first = live.inbox.pop(m, 0.3);
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        ASSERT_TRUE((i == 0 && first) || live.inbox.pop(m, 1.0)) << "note " << i << " did not arrive";
        EXPECT_EQ(m.size, 3);
        EXPECT_EQ(m.status(), MidiMessage::kNoteOn);
        EXPECT_EQ(m.channel(), 3);
        EXPECT_EQ(m.bytes[1], 40 + i);
        EXPECT_EQ(m.frame, frames[i]);
    }

    tester->expectRamp();

    live.output.send(MidiMessage::make(MidiMessage::kController, 2, 74, 99));
    ASSERT_TRUE(waitFor([&] { return tester->received > 0; }, 3.0)) << "send() did not arrive";
    EXPECT_EQ(tester->events[0].time, 0u);
    EXPECT_EQ(tester->events[0].size, 3u);
    EXPECT_EQ((std::vector<int>{tester->eventBytes[0][0], tester->eventBytes[0][1], tester->eventBytes[0][2]}),
              (std::vector<int>{0xb2, 74, 99}));
    EXPECT_TRUE(live.lines.empty());

    // A crashed server: the hook says so once, the callback is still pulled at
    // real-time pace, and a new server of the same name is joined again.
    tester.reset();
    live.server.crash();
    ASSERT_TRUE(waitFor([&] { return live.said("lost"); }, 5.0)) << "no word of the lost server";
    EXPECT_TRUE(live.output.usingFallback());
    const uint64_t calls = live.ramp.calls;
    EXPECT_TRUE(waitFor([&] { return live.ramp.calls > calls + 5; }, 2.0)) << "the callback stopped";
    JackServer again(period, live.server.name());
    ASSERT_TRUE(again.start()) << again.skipReason();
    ASSERT_TRUE(waitFor([&] { return live.said("are back"); }, 6.0)) << "no word of the server's return";
    EXPECT_FALSE(live.output.usingFallback());
    Tester(again.name()).expectRamp();
    std::lock_guard<std::mutex> g(live.linesMutex);
    EXPECT_EQ(live.lines.size(), 2u);
}


INSTANTIATE_TEST_SUITE_P(Live, JackPeriods, ::testing::Values(64, 128, 256));

} // namespace
