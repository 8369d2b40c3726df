#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/core/NullAudioOutput.h"
#include "platform/core/OfflineAudioOutput.h"

namespace {

// Records what the output asks of the callback; fills each frame with its
// running index so that the caller can see what was rendered.
struct Recorder {
    std::atomic<int> calls{0};
    std::atomic<int> lastFrames{0};
    std::atomic<bool> inside{false};
    std::atomic<bool> overlapSeen{false};
    int result = 0;
    int16_t next = 0;
    // A pair the callback must only ever see whole: the data and its size.
    const std::vector<int>* data = nullptr;
    std::size_t size = 0;
    std::atomic<bool> torn{false};

    static int render(void* user, int16_t* out, int numFrames) {
        auto* self = static_cast<Recorder*>(user);
        if (self->inside.exchange(true))
            self->overlapSeen = true;
        if (self->data && self->data->size() != self->size)
            self->torn = true;
        for (int i = 0; i < numFrames; ++i) {
            out[2 * i] = self->next;
            out[2 * i + 1] = static_cast<int16_t>(-self->next);
            ++self->next;
        }
        self->lastFrames = numFrames;
        self->calls.fetch_add(1);
        self->inside = false;
        return self->result;
    }
    // Waits, with no time limit that could fail on a loaded machine, for `count` calls.
    void waitFor(int count) const {
        while (calls.load() < count)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

// Pulls `frames` from an output whose buffer held garbage; returns the pull's answer.
int pullInto(OfflineAudioOutput& out, std::vector<int16_t>& buf, int frames) {
    std::fill(buf.begin(), buf.end(), int16_t{99});
    return out.pull(buf.data(), frames);
}

bool allSilent(const std::vector<int16_t>& buf) {
    return std::all_of(buf.begin(), buf.end(), [](int16_t v) { return v == 0; });
}

} // namespace

TEST(OfflineAudioOutput, PullRendersExactlyTheFramesAskedAndContinues) {
    OfflineAudioOutput out(512);
    EXPECT_EQ(out.maxFramesPerBuffer(), 512);
    Recorder r;
    out.setRenderCallback(&Recorder::render, &r);
    ASSERT_TRUE(out.start());
    std::vector<int16_t> buf(2 * 1000, 7);
    EXPECT_EQ(out.pull(buf.data(), 256), 0);
    EXPECT_EQ(std::tuple(r.calls.load(), r.lastFrames.load()), std::tuple(1, 256));
    EXPECT_EQ(std::vector<int16_t>(buf.begin(), buf.begin() + 2), (std::vector<int16_t>{0, 0}));
    EXPECT_EQ(std::vector<int16_t>(buf.begin() + 510, buf.begin() + 513),
              (std::vector<int16_t>{255, -255, 7}))
        << "frames past the request are untouched";
    EXPECT_EQ(out.pull(buf.data(), 3), 0);
    EXPECT_EQ(buf[0], 256) << "the second pull continues where the first ended";
    EXPECT_EQ(out.pull(buf.data(), 1000), 0);
    EXPECT_EQ(r.lastFrames.load(), 1000) << "an oversized request is passed on unchanged";
}

TEST(OfflineAudioOutput, SilenceWhenStoppedWithoutCallbackOrWhenNothingWasRendered) {
    OfflineAudioOutput out(0);
    EXPECT_EQ(out.maxFramesPerBuffer(), 1) << "never reports an unusable size";
    Recorder r;
    std::vector<int16_t> buf(2 * 64);
    EXPECT_EQ(pullInto(out, buf, 64), -1) << "no callback, not started";
    EXPECT_TRUE(allSilent(buf));
    out.setRenderCallback(&Recorder::render, &r);
    EXPECT_EQ(pullInto(out, buf, 64), -1) << "not started";
    EXPECT_TRUE(allSilent(buf));
    out.start();
    EXPECT_EQ(pullInto(out, buf, 64), 0);
    out.stop();
    EXPECT_EQ(pullInto(out, buf, 64), -1) << "stopped";
    EXPECT_TRUE(allSilent(buf));
    EXPECT_EQ(r.calls.load(), 1);
    out.start();
    r.result = -1;
    EXPECT_EQ(pullInto(out, buf, 64), -1) << "a restart answers pulls again";
    EXPECT_EQ(r.calls.load(), 2);
    EXPECT_TRUE(allSilent(buf)) << "a callback that rendered nothing leaves no garbage";
    EXPECT_EQ(out.pull(buf.data(), 0), -1);
    EXPECT_EQ(out.pull(buf.data(), -5), -1);
    EXPECT_EQ(out.pull(nullptr, 16), -1);
    EXPECT_EQ(r.calls.load(), 2);
}

TEST(OfflineAudioOutput, LockExcludesPullFromAnotherThread) {
    OfflineAudioOutput out;
    Recorder r;
    out.setRenderCallback(&Recorder::render, &r);
    out.start();
    AudioOutputLock harmless(nullptr); // a null output neither crashes nor locks
    std::atomic<bool> pulled{false};
    std::thread puller;
    {
        AudioOutputLock guard(&out);
        puller = std::thread([&] {
            std::vector<int16_t> buf(2 * 32);
            out.pull(buf.data(), 32);
            pulled = true;
        });
        // The puller cannot get in while the lock is held, however long we wait.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(pulled.load());
        EXPECT_EQ(r.calls.load(), 0);
    }
    puller.join();
    EXPECT_EQ(r.calls.load(), 1);
}

TEST(NullAudioOutput, OneThreadDeliversFixedSizeBuffersUntilStoppedAndRestarts) {
    NullAudioOutput out;
    EXPECT_EQ(out.maxFramesPerBuffer(), NullAudioOutput::kFramesPerBuffer);
    Recorder r;
    out.setRenderCallback(&Recorder::render, &r);
    ASSERT_TRUE(out.start());
    ASSERT_TRUE(out.start()); // a second start makes no second thread
    r.waitFor(3);
    out.stop();
    out.stop(); // a second stop is harmless
    const int callsAtStop = r.calls.load();
    EXPECT_EQ(r.lastFrames.load(), NullAudioOutput::kFramesPerBuffer);
    // stop() joined the thread: nothing can call the callback any more.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(r.calls.load(), callsAtStop);
    EXPECT_EQ(out.buffersDelivered(), static_cast<std::uint64_t>(callsAtStop));
    out.start();
    r.waitFor(callsAtStop + 2);
    out.stop();
    EXPECT_FALSE(r.overlapSeen.load()) << "one pulling thread at a time";
}

TEST(NullAudioOutput, RunsWithoutCallbackAndStopsPromptlyInDestructor) {
    auto out = std::make_unique<NullAudioOutput>();
    out->start();
    while (out->buffersDelivered() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    out.reset(); // joins the thread; must not hang or crash
}

TEST(NullAudioOutput, LockKeepsTheCallbackOutSoASwapUnderItIsSeenWhole) {
    // The pattern the engine uses for sample reloads: replace two related
    // values under the lock; the callback must never see a mixed pair.
    const std::vector<int> a(10), b(20);
    Recorder p;
    p.data = &a;
    p.size = 10;
    NullAudioOutput out;
    out.setRenderCallback(&Recorder::render, &p);
    out.start();
    p.waitFor(1);
    for (int i = 0; i < 200; ++i) {
        AudioOutputLock guard(&out);
        const int before = p.calls.load();
        p.data = (i % 2) ? &a : &b;
        if (i < 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        p.size = (i % 2) ? 10 : 20;
        EXPECT_EQ(p.calls.load(), before) << "no buffer is pulled while locked";
    }
    p.waitFor(p.calls.load() + 1); // and pulling resumes afterwards
    out.stop();
    EXPECT_FALSE(p.torn.load());
}
