// The render thread pulls buffers while two other threads start, stop and
// bend voices, change settings and reload patches. Run under
// ThreadSanitizer to check that nothing races; under AddressSanitizer to
// check that no freed sample data is read.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <random>
#include <thread>

#include "AudioTestSupport.h"

namespace {

// An output whose render thread holds a mutex while the callback runs, as
// SDL's audio device lock does.
class ThreadedOutput : public AudioOutput {
public:
    ~ThreadedOutput() override { stop(); }
    void setRenderCallback(RenderCallback cb, void* ud) override {
        callback_ = cb;
        userData_ = ud;
    }
    bool start() override {
        if (thread_.joinable())
            return true;
        running_ = true;
        thread_ = std::thread([this] {
            std::vector<int16_t> buffer(2 * 512);
            uint32_t n = 1;
            while (running_.load()) {
                n = n * 1103515245u + 12345u;
                const int frames = 1 + int((n >> 16) % 512);
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    callback_(userData_, buffer.data(), frames);
                }
                buffers_.fetch_add(1);
                std::this_thread::yield();
            }
        });
        return true;
    }
    void stop() override {
        running_ = false;
        if (thread_.joinable())
            thread_.join();
    }
    void lock() override { mutex_.lock(); }
    void unlock() override { mutex_.unlock(); }
    int maxFramesPerBuffer() const override { return 512; }
    long buffers() const { return buffers_.load(); }

private:
    RenderCallback callback_ = nullptr;
    void* userData_ = nullptr;
    std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<long> buffers_{0};
};

TEST(ThreadStressTest, RenderWhilePlayingBendingAndReloading) {
    TempFolder folder;
    for (const char* prefix : {"A1-", "A2-", "E3-", "E2-", "CE-"})
        writePatch(folder, prefix, 1000, 2000);
    for (int n = 1; n <= 10; ++n)
        writeWav(folder.file("fret" + std::to_string(n) + ".wav"), constantSample(300, 500));
    for (int n = 1; n <= 12; ++n)
        writeWav(folder.file("tap" + std::to_string(n) + ".wav"), constantSample(300, -500));
    ManualClock clock(0.0);
    TestParent parent(clock);
    ThreadedOutput output;
    SoundEngine engine(&parent, &output, nullptr, folder.path(), clock);
    engine.resetState();
    RecordingRecorder unused;
    (void)unused;

    std::atomic<bool> go{true};
    auto player = [&](uint32_t seed) {
        std::mt19937 rng(seed);
        while (go.load()) {
            const int v = int(rng() % 40);
            switch (rng() % 12) {
            case 0:
            case 1:
            case 2:
                engine.playSampleWithGuitar(int(rng() % 2), int(rng() % 48));
                break;
            case 3:
                engine.playSampleWithSampleNo(int(rng() % 200), 0.7, -0.001, int(rng() % 100));
                break;
            case 4:
                engine.stopSample(v);
                break;
            case 5:
                engine.startFullBend(v);
                break;
            case 6:
                engine.stopBend(v);
                break;
            case 7:
                engine.setPitch(1.05f, int(rng() % 100));
                break;
            case 8:
                engine.setWhammyForGuitar(int(rng() % 2), float(int(rng() % 100) - 50) / 100.0f);
                break;
            case 9:
                engine.playNoiseFretWithGuitar(int(rng() % 2));
                break;
            case 10:
                engine.stopAllSounds();
                break;
            default:
                engine.playSampleWithHumanizedVolumeAndGuitar(int(rng() % 2), int(rng() % 48));
                break;
            }
            clock.advance(0.0001);
        }
    };
    std::thread ui(player, 1u);
    std::thread playback(player, 2u);

    // This thread plays the part of the patch and pedal screens.
    std::mt19937 rng(3);
    TestListener listener;
    for (int round = 0; round < 60; ++round) {
        const int g = int(rng() % 2);
        switch (round % 6) {
        case 0:
            engine.nextPatch(&listener, g);
            break;
        case 1:
            engine.prevPatch(&listener, g);
            break;
        case 2:
            engine.resetState();
            break;
        case 3: {
            auto section = engine.createSaveBuffer();
            section[12] = int8_t(rng() % 5);
            section[25] = int8_t(rng() % 5);
            engine.restoreFromSaveBuffer(section.data(), section.size(), 2);
            break;
        }
        case 4:
            engine.setDelayOn(g, rng() % 2 == 0);
            engine.setDelayTime(g, int(rng() % 88400));
            engine.setPingPong(g, rng() % 2 == 0);
            engine.setWahOn(g, true);
            engine.setWahForGuitar(g, 0.2f);
            engine.setFuzzOn(g, rng() % 2 == 0);
            engine.setPitchBendOn(g, rng() % 2 == 0);
            engine.setWhammyBarAttached(g, rng() % 2 == 0);
            break;
        default:
            engine.addSineWaveAtSlot(int(rng() % 200));
            engine.stopAllSoundsImmediately();
            break;
        }
        parent.mainThreadQueue().runPending();
        // Read while every thread is busy: never out of bounds.
        const int sounding = engine.numSamplesPlaying();
        EXPECT_TRUE(sounding >= 0 && sounding <= 40) << sounding;
    }
    go = false;
    ui.join();
    playback.join();
    const long rendered = output.buffers();
    output.stop();
    parent.mainThreadQueue().runPending();
    EXPECT_GT(rendered, 0);
    EXPECT_GE(listener.calls, 1);
    int playing = 0;
    for (int v = 0; v < 40; ++v) {
        EXPECT_TRUE(engine.voiceState(v).sampleNo >= 0);
        playing += engine.voicePlaying(v) ? 1 : 0;
    }
    EXPECT_LE(engine.numSamplesPlaying(), playing);
}

} // namespace
