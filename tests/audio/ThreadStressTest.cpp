// The render thread pulls buffers while two other threads start, stop and
// bend voices, change settings and reload patches. Run under
// ThreadSanitizer to check that nothing races; under AddressSanitizer to
// check that no freed sample data is read.
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
            for (uint32_t n = 1; running_.load(); std::this_thread::yield()) {
                n = n * 1103515245u + 12345u;
                std::lock_guard<std::mutex> lock(mutex_);
                callback_(userData_, buffer.data(), 1 + int((n >> 16) % 512));
                buffers_.fetch_add(1);
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
    std::atomic<long> buffers_{0};

private:
    RenderCallback callback_ = nullptr;
    void* userData_ = nullptr;
    std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> running_{false};
};

TEST_F(EngineTest, RenderWhilePlayingBendingAndReloadingFromOtherThreads) {
    writeBundle(folder, 2000);
    ThreadedOutput output;
    SoundEngine e(&parent, &output, nullptr, folder.str(), clock);
    e.resetState();
    std::atomic<bool> go{true};
    auto player = [&](uint32_t seed) {
        std::mt19937 rng(seed);
        for (; go.load(); clock.advance(0.0001)) {
            const int v = int(rng() % 40), g = int(rng() % 2);
            switch (rng() % 12) {
            case 0:
                e.playSampleWithSampleNo(int(rng() % 200), 0.7, -0.001, int(rng() % 100));
                break;
            case 1:
                e.stopSample(v);
                break;
            case 2:
                e.startFullBend(v);
                break;
            case 3:
                e.stopBend(v);
                break;
            case 4:
                e.setPitch(1.05f, int(rng() % 100));
                break;
            case 5:
                e.setWhammyForGuitar(g, float(int(rng() % 100) - 50) / 100.0f);
                break;
            case 6:
                e.playNoiseFretWithGuitar(g);
                break;
            case 7:
                e.stopAllSounds();
                break;
            case 8:
                e.playSampleWithHumanizedVolumeAndGuitar(g, int(rng() % 48));
                break;
            default:
                e.playSampleWithGuitar(g, int(rng() % 48));
            }
        }
    };
    std::thread ui(player, 1u), playback(player, 2u);
    // This thread plays the part of the patch and pedal screens.
    std::mt19937 rng(3);
    TestListener listener;
    for (int round = 0; round < 60; ++round) {
        const int g = int(rng() % 2);
        if (round % 6 == 0) {
            e.nextPatch(&listener, g);
        } else if (round % 6 == 1) {
            e.prevPatch(&listener, g);
        } else if (round % 6 == 2) {
            e.resetState();
        } else if (round % 6 == 3) {
            auto section = e.createSaveBuffer();
            section[12] = uint8_t(rng() % 5);
            section[25] = uint8_t(rng() % 5);
            e.restoreFromSaveBuffer(section.data(), section.size(), 2);
        } else if (round % 6 == 4) {
            e.setDelayOn(g, rng() % 2 == 0);
            e.setDelayTime(g, int(rng() % 88400));
            e.setPingPong(g, rng() % 2 == 0);
            e.setWahOn(g, true);
            e.setWahForGuitar(g, 0.2f);
            e.setFuzzOn(g, rng() % 2 == 0);
            e.setPitchBendOn(g, rng() % 2 == 0);
            e.setWhammyBarAttached(g, rng() % 2 == 0);
        } else {
            e.addSineWaveAtSlot(int(rng() % 200));
            e.stopAllSoundsImmediately();
        }
        parent.mainThreadQueue().runPending();
        // Read while every thread is busy: never out of bounds.
        const int sounding = e.numSamplesPlaying();
        EXPECT_TRUE(sounding >= 0 && sounding <= 40) << sounding;
    }
    go = false;
    ui.join();
    playback.join();
    const long rendered = output.buffers_.load();
    output.stop();
    parent.mainThreadQueue().runPending();
    EXPECT_GT(rendered, 0);
    EXPECT_GE(listener.calls, 1);
    int playing = 0;
    for (int v = 0; v < 40; ++v) {
        EXPECT_GE(e.voiceState(v).sampleNo, 0);
        playing += e.voicePlaying(v) ? 1 : 0;
    }
    EXPECT_LE(e.numSamplesPlaying(), playing);
}

} // namespace
