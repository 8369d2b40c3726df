// SdlAudioOutput through a PulseAudio daemon of the test's own: the tone the
// render callback plays is what the null sink's monitor hears, and after the
// daemon is killed and started again the output says so and sounds again.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>

#include "backend/sdl/SdlAudioOutput.h"
#include "support/PulseServer.h"

using testsupport::PulseServer;
using testsupport::waitFor;

namespace {

// 441 Hz at a quarter of full scale, on both channels.
struct Tone {
    static constexpr double kHz = 441, kAmplitude = 8192;
    std::atomic<uint64_t> frames{0}, calls{0};
    static int render(void* self, int16_t* out, int numFrames) {
        auto* t = static_cast<Tone*>(self);
        const uint64_t n0 = t->frames.fetch_add(static_cast<uint64_t>(numFrames));
        for (int i = 0; i < numFrames; ++i)
            out[2 * i] = out[2 * i + 1] = static_cast<int16_t>(
                std::lround(kAmplitude * std::sin(2 * M_PI * kHz * static_cast<double>(n0 + i) / 44100)));
        t->calls.fetch_add(1);
        return 0;
    }
};

// Half a second of the recording is the tone: the typical cycle (the median,
// so that a dropout on a busy machine does not count) lasts 100 frames, within
// one, and peaks at the tone's amplitude, within 10 %, on both channels.
void expectTone(const std::vector<int16_t>& recorded) {
    std::vector<int> cycles, peaks;
    int lastRise = -1, peak = 0;
    for (size_t i = 1; i < recorded.size() / 2; ++i) {
        peak = std::max({peak, std::abs(int(recorded[2 * i])), std::abs(int(recorded[2 * i + 1]))});
        if (recorded[2 * i - 2] < 0 && recorded[2 * i] >= 0) {
            if (lastRise >= 0)
                cycles.push_back(int(i) - lastRise), peaks.push_back(peak);
            lastRise = int(i), peak = 0;
        }
    }
    ASSERT_GE(cycles.size(), 220u) << "the sink heard too little of the tone";
    std::ranges::sort(cycles);
    std::ranges::sort(peaks);
    EXPECT_NEAR(cycles[cycles.size() / 2], 44100 / Tone::kHz, 1);
    EXPECT_NEAR(peaks[peaks.size() / 2], Tone::kAmplitude, Tone::kAmplitude * 0.1);
}

TEST(SdlAudioOutput, PlaysThroughPulseAudioAndSoundsAgainAfterTheServerRestarts) {
    PulseServer pulse;
    if (!pulse.start())
        GTEST_SKIP() << pulse.skipReason();
    ::setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    ::setenv("PULSE_SERVER", pulse.pulseServer().c_str(), 1);
    Tone tone;
    testsupport::StatusLines lines;
    {
        SdlAudioOutput output;
        output.setStatusHook(lines.hook());
        output.setRenderCallback(&Tone::render, &tone);
        output.start();
        ASSERT_TRUE(
            waitFor([&] { return output.maxFramesPerBuffer() != SdlAudioOutput::kUnknownMaxFrames; }, 10));
        ASSERT_FALSE(output.usingFallback()) << "no PulseAudio device";
        expectTone(pulse.record(1.0));

        pulse.crash();
        ASSERT_TRUE(waitFor([&] { return lines.said("lost"); }, 5.0)) << "no word of the lost device";
        EXPECT_TRUE(output.usingFallback());
        const uint64_t calls = tone.calls;
        EXPECT_TRUE(waitFor([&] { return tone.calls > calls + 5; }, 2.0)) << "the callback stopped";

        ASSERT_TRUE(pulse.start()) << pulse.skipReason();
        ASSERT_TRUE(waitFor([&] { return lines.said("back"); }, 8.0)) << "no word of the device's return";
        EXPECT_FALSE(output.usingFallback());
        expectTone(pulse.record(1.0));
    }
    EXPECT_EQ(lines.size(), 2u);
    SDL_AudioQuit();
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
}

} // namespace
