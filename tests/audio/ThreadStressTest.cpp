// The render thread pulls buffers while two other threads start, stop and
// bend voices, change settings and reload patches. Run under
// ThreadSanitizer to check that nothing races; under AddressSanitizer to
// check that no freed sample data is read.
#include <atomic>
#include <functional>
#include <random>
#include <thread>

#include "AudioTestSupport.h"
#include "platform/core/NullAudioOutput.h"

namespace {

TEST_F(EngineTest, RenderWhilePlayingBendingAndReloadingFromOtherThreads) {
    writeBundle(folder, 2000);
    // An output whose own thread pulls small buffers while holding its lock,
    // as SDL's audio device does.
    NullAudioOutput output(64);
    SoundEngine e(&parent, &output, nullptr, folder.str(), clock);
    e.resetState();
    std::atomic<bool> go{true};
    auto player = [&](uint32_t seed) {
        std::mt19937 rng(seed);
        for (; go.load(); clock.advance(0.0001)) {
            const int v = int(rng() % 40), g = int(rng() % 2), n = int(rng() % 200);
            const std::function<void()> ops[] = {
                [&] { e.playSampleWithSampleNo(n, 0.7, -0.001, n % 100); },
                [&] { e.stopSample(v); },
                [&] { e.startFullBend(v); },
                [&] { e.stopBend(v); },
                [&] { e.setPitch(1.05f, n % 100); },
                [&] { e.setWhammyForGuitar(g, float(n % 100 - 50) / 100.0f); },
                [&] { e.playNoiseFretWithGuitar(g); },
                [&] { e.stopAllSounds(); },
                [&] { e.playSampleWithHumanizedVolumeAndGuitar(g, n % 48); },
                [&] { e.playSampleWithGuitar(g, n % 48); },
                [&] { e.playSampleWithGuitar(g, n % 48); },
                [&] { e.playSampleWithGuitar(g, n % 48); }};
            ops[rng() % 12]();
        }
    };
    std::thread ui(player, 1u), playback(player, 2u);
    // This thread plays the part of the patch and pedal screens.
    std::mt19937 rng(3);
    TestListener listener;
    for (int round = 0; round < 60; ++round) {
        const int g = int(rng() % 2);
        auto section = e.createSaveBuffer();
        section[12] = uint8_t(rng() % 5);
        section[25] = uint8_t(rng() % 5);
        const std::function<void()> ops[] = {
            [&] { e.nextPatch(&listener, g); },
            [&] { e.prevPatch(&listener, g); },
            [&] { e.resetState(); },
            [&] { e.restoreFromSaveBuffer(section.data(), section.size(), 2); },
            [&] {
                e.setDelayOn(g, rng() % 2 == 0);
                e.setDelayTime(g, int(rng() % 88400));
                e.setPingPong(g, rng() % 2 == 0);
                e.setWahOn(g, true);
                e.setWahForGuitar(g, 0.2f);
                e.setFuzzOn(g, rng() % 2 == 0);
                e.setPitchBendOn(g, rng() % 2 == 0);
                e.setWhammyBarAttached(g, rng() % 2 == 0);
            },
            [&] {
                e.addSineWaveAtSlot(int(rng() % 200));
                e.stopAllSoundsImmediately();
            }};
        ops[round % 6]();
        parent.mainThreadQueue().runPending();
        // Read while every thread is busy: never out of bounds.
        const int sounding = e.numSamplesPlaying();
        EXPECT_TRUE(sounding >= 0 && sounding <= 40) << sounding;
    }
    go = false;
    ui.join();
    playback.join();
    const auto rendered = output.buffersDelivered();
    output.stop();
    parent.mainThreadQueue().runPending();
    EXPECT_GT(rendered, 0u);
    EXPECT_GE(listener.calls, 1);
    int playing = 0;
    for (int v = 0; v < 40; ++v) {
        EXPECT_GE(e.voiceState(v).sampleNo, 0);
        playing += e.voicePlaying(v) ? 1 : 0;
    }
    EXPECT_LE(e.numSamplesPlaying(), playing);
}

} // namespace
