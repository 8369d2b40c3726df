// The JACK output against a real (dummy-driver) jackd of the test's own, read
// back by a JACK client of the test's: the notes it sends keep their frames,
// the rendered samples are what its input ports receive, send() arrives at
// the start of a period, and a crashed server is survived and rejoined.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <tuple>
#include <vector>

#include "backend/jack/JackAudioOutput.h"
#include "support/JackProbe.h"
#include "support/JackServer.h"
#include "system/MidiInbox.h"

using testsupport::JackProbe;
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

// Records a stretch of both outputs: each frame must follow the ramp from the
// first (within 1 LSB), left up and right down.
void expectRamp(JackProbe& probe) {
    ASSERT_TRUE(probe.ok());
    ASSERT_TRUE(probe.run({}, probe.ahead(2), 1024, 3.0)) << "no audio came";
    const auto value = [&](int c, size_t i) {
        return static_cast<int>(std::lround(probe.heard(c)[i] * 32768.0f));
    };
    int worst = 0;
    for (size_t i = 0; i < 1024; ++i) {
        const int16_t want = Ramp::at(static_cast<uint64_t>(value(0, 0) + 16384) + i);
        worst = std::max({worst, std::abs(value(0, i) - want), std::abs(value(1, i) + want)});
    }
    EXPECT_LE(worst, 1) << "the ramp read back differs";
}

class JackPeriods : public ::testing::TestWithParam<int> {};

TEST_P(JackPeriods, NotesKeepFramesSamplesArriveExactlySendStartsAPeriodAndACrashIsSurvived) {
    const int period = GetParam();
    JackServer server(period);
    if (!server.start())
        GTEST_SKIP() << server.skipReason();
    Ramp ramp;
    MidiInbox inbox;
    testsupport::StatusLines lines;
    JackAudioOutput output({.serverName = server.name(), .connectToPlayback = false});
    output.setRenderCallback(&Ramp::render, &ramp);
    output.setStatusHook(lines.hook());
    output.start();
    ASSERT_EQ(output.open(inbox), "");
    EXPECT_EQ(output.maxFramesPerBuffer(), period);
    EXPECT_EQ(output.describe(), "JACK");
    auto probe = std::make_unique<JackProbe>(server.name());
    ASSERT_TRUE(probe->ok());

    // Notes on channel 4 at the first, second, middle and last frame of a period.
    const uint32_t frames[] = {0, 1, static_cast<uint32_t>(period / 2), static_cast<uint32_t>(period - 1)};
    const uint64_t from = probe->ahead(4);
    std::vector<JackProbe::Event> script;
    for (int i = 0; i < 4; ++i)
        script.push_back({from + frames[i], MidiMessage::make(MidiMessage::kNoteOn, 3, 40 + i, 100)});
    ASSERT_TRUE(probe->run(script, from, period));
    EXPECT_EQ(probe->late(), 0);
    MidiMessage m;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(inbox.pop(m, 1.0)) << "note " << i << " did not arrive";
        EXPECT_EQ(std::tuple(int(m.size), int(m.status()), m.channel(), int(m.bytes[1]), m.frame),
                  std::tuple(3, int(MidiMessage::kNoteOn), 3, 40 + i, frames[i]));
    }

    expectRamp(*probe);

    output.send(MidiMessage::make(MidiMessage::kController, 2, 74, 99));
    std::vector<JackProbe::Event> got;
    ASSERT_TRUE(waitFor([&] { return !(got = probe->takeReceived()).empty(); }, 3.0))
        << "send() did not arrive";
    EXPECT_EQ(got[0].frame % static_cast<uint64_t>(period), 0u) << "not at the start of a period";
    EXPECT_EQ(std::vector<int>(got[0].message.bytes, got[0].message.bytes + got[0].message.size),
              (std::vector<int>{0xb2, 74, 99}));
    EXPECT_EQ(lines.size(), 0u);

    // A crashed server: the hook says so once, the callback is still pulled at
    // real-time pace, and a new server of the same name is joined again.
    probe.reset();
    server.crash();
    ASSERT_TRUE(waitFor([&] { return lines.said("lost"); }, 5.0)) << "no word of the lost server";
    EXPECT_TRUE(output.usingFallback());
    const uint64_t calls = ramp.calls;
    EXPECT_TRUE(waitFor([&] { return ramp.calls > calls + 5; }, 2.0)) << "the callback stopped";
    JackServer again(period, server.name());
    ASSERT_TRUE(again.start()) << again.skipReason();
    ASSERT_TRUE(waitFor([&] { return lines.said("are back"); }, 6.0)) << "no word of the server's return";
    EXPECT_FALSE(output.usingFallback());
    JackProbe rejoined(again.name());
    expectRamp(rejoined);
    EXPECT_EQ(lines.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Live, JackPeriods, ::testing::Values(64, 128, 256));

} // namespace
