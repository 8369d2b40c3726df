#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
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
    std::atomic<bool> afterStop{false};
    std::atomic<bool> calledAfterStop{false};
    int result = 0;
    int16_t next = 0;

    static int render(void* user, int16_t* out, int numFrames) {
        auto* self = static_cast<Recorder*>(user);
        if (self->inside.exchange(true))
            self->overlapSeen = true;
        if (self->afterStop)
            self->calledAfterStop = true;
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
};

// Waits (without any time limit that could make the test flaky on a loaded
// machine) until the output has called the callback `count` times.
void waitForCalls(const Recorder& r, int count) {
    while (r.calls.load() < count)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace

// ---- OfflineAudioOutput ----------------------------------------------------

TEST(OfflineAudioOutput, PullCallsTheCallbackOnceWithTheFramesAsked) {
    OfflineAudioOutput out(512);
    Recorder r;
    out.setRenderCallback(&Recorder::render, &r);
    ASSERT_TRUE(out.start());
    std::vector<int16_t> buf(2 * 300, 7);
    EXPECT_EQ(out.pull(buf.data(), 256), 0);
    EXPECT_EQ(r.calls.load(), 1);
    EXPECT_EQ(r.lastFrames.load(), 256);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[1], 0);
    EXPECT_EQ(buf[2 * 255], 255);
    EXPECT_EQ(buf[2 * 255 + 1], -255);
    EXPECT_EQ(buf[2 * 256], 7) << "frames past the request are untouched";
    EXPECT_EQ(out.pull(buf.data(), 3), 0);
    EXPECT_EQ(buf[0], 256) << "the second pull continues where the first ended";
    EXPECT_EQ(out.maxFramesPerBuffer(), 512);
}

TEST(OfflineAudioOutput, SilenceBeforeStartAfterStopAndWithoutCallback) {
    OfflineAudioOutput out;
    Recorder r;
    std::vector<int16_t> buf(2 * 64, 99);
    EXPECT_EQ(out.pull(buf.data(), 64), -1) << "no callback, not started";
    for (int16_t v : buf)
        ASSERT_EQ(v, 0);

    out.setRenderCallback(&Recorder::render, &r);
    std::fill(buf.begin(), buf.end(), int16_t{99});
    EXPECT_EQ(out.pull(buf.data(), 64), -1) << "not started";
    EXPECT_EQ(r.calls.load(), 0);
    for (int16_t v : buf)
        ASSERT_EQ(v, 0);

    out.start();
    EXPECT_EQ(out.pull(buf.data(), 64), 0);
    out.stop();
    std::fill(buf.begin(), buf.end(), int16_t{99});
    EXPECT_EQ(out.pull(buf.data(), 64), -1);
    EXPECT_EQ(r.calls.load(), 1);
    for (int16_t v : buf)
        ASSERT_EQ(v, 0);

    out.start();
    EXPECT_EQ(out.pull(buf.data(), 64), 0) << "a restart answers pulls again";
    EXPECT_EQ(r.calls.load(), 2);
}

TEST(OfflineAudioOutput, NothingRenderedBecomesSilenceAndBadSizesAreRefused) {
    OfflineAudioOutput out(0);
    EXPECT_EQ(out.maxFramesPerBuffer(), 1) << "never reports an unusable size";
    Recorder r;
    r.result = -1;
    out.setRenderCallback(&Recorder::render, &r);
    out.start();
    std::vector<int16_t> buf(2 * 16, 5);
    EXPECT_EQ(out.pull(buf.data(), 16), -1);
    EXPECT_EQ(r.calls.load(), 1);
    for (int16_t v : buf)
        ASSERT_EQ(v, 0) << "a callback that rendered nothing leaves no garbage";

    EXPECT_EQ(out.pull(buf.data(), 0), -1);
    EXPECT_EQ(out.pull(buf.data(), -5), -1);
    EXPECT_EQ(out.pull(nullptr, 16), -1);
    EXPECT_EQ(r.calls.load(), 1);
}

TEST(OfflineAudioOutput, OversizedRequestIsPassedOnUnchanged) {
    OfflineAudioOutput out(256);
    Recorder r;
    out.setRenderCallback(&Recorder::render, &r);
    out.start();
    std::vector<int16_t> buf(2 * 1000);
    EXPECT_EQ(out.pull(buf.data(), 1000), 0);
    EXPECT_EQ(r.lastFrames.load(), 1000);
    EXPECT_EQ(r.calls.load(), 1);
}

TEST(OfflineAudioOutput, LockExcludesPullFromAnotherThread) {
    OfflineAudioOutput out;
    Recorder r;
    out.setRenderCallback(&Recorder::render, &r);
    out.start();
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
    EXPECT_TRUE(pulled.load());
    EXPECT_EQ(r.calls.load(), 1);
}

TEST(AudioOutputLock, NullOutputIsAllowed) {
    AudioOutputLock guard(nullptr); // must neither crash nor lock anything
    SUCCEED();
}

// ---- NullAudioOutput -------------------------------------------------------

TEST(NullAudioOutput, DeliversFixedSizeBuffersUntilStopped) {
    NullAudioOutput out;
    EXPECT_EQ(out.maxFramesPerBuffer(), NullAudioOutput::kFramesPerBuffer);
    Recorder r;
    out.setRenderCallback(&Recorder::render, &r);
    ASSERT_TRUE(out.start());
    waitForCalls(r, 3);
    out.stop();
    r.afterStop = true;
    const int callsAtStop = r.calls.load();
    EXPECT_GE(callsAtStop, 3);
    EXPECT_EQ(r.lastFrames.load(), NullAudioOutput::kFramesPerBuffer);
    EXPECT_FALSE(r.overlapSeen.load());
    // stop() joined the thread: nothing can call the callback any more.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(r.calls.load(), callsAtStop);
    EXPECT_FALSE(r.calledAfterStop.load());
    EXPECT_EQ(out.buffersDelivered(), static_cast<std::uint64_t>(callsAtStop));
}

TEST(NullAudioOutput, RestartsAfterStopAndTwoStartsMakeOneThread) {
    NullAudioOutput out;
    Recorder r;
    out.setRenderCallback(&Recorder::render, &r);
    out.start();
    out.start();
    waitForCalls(r, 2);
    out.stop();
    out.stop(); // a second stop is harmless
    const int first = r.calls.load();
    out.start();
    waitForCalls(r, first + 2);
    out.stop();
    EXPECT_FALSE(r.overlapSeen.load()) << "one pulling thread at a time";
}

TEST(NullAudioOutput, RunsWithoutCallbackAndStopsPromptlyInDestructor) {
    auto out = std::make_unique<NullAudioOutput>();
    out->start();
    while (out->buffersDelivered() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    out.reset(); // joins the thread; must not hang or crash
    SUCCEED();
}

TEST(NullAudioOutput, LockKeepsTheCallbackOut) {
    NullAudioOutput out;
    Recorder r;
    out.setRenderCallback(&Recorder::render, &r);
    out.start();
    waitForCalls(r, 1);
    for (int i = 0; i < 20; ++i) {
        AudioOutputLock guard(&out);
        const int before = r.calls.load();
        EXPECT_FALSE(r.inside.load());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(r.calls.load(), before) << "no buffer is pulled while locked";
    }
    waitForCalls(r, r.calls.load() + 1); // and pulling resumes afterwards
    out.stop();
}

TEST(NullAudioOutput, SwapUnderLockIsSeenWholeByTheCallback) {
    // The pattern the engine uses for sample reloads: replace two related
    // values under the lock; the callback must never see a mixed pair.
    struct Pair {
        std::vector<int>* data = nullptr;
        int size = 0;
        std::atomic<bool> torn{false};
        std::atomic<int> calls{0};
        static int render(void* u, int16_t* out, int n) {
            auto* p = static_cast<Pair*>(u);
            if (static_cast<int>(p->data->size()) != p->size)
                p->torn = true;
            std::fill(out, out + 2 * n, int16_t{0});
            p->calls.fetch_add(1);
            return 0;
        }
    };
    std::vector<int> a(10), b(20);
    Pair p;
    p.data = &a;
    p.size = 10;
    NullAudioOutput out;
    out.setRenderCallback(&Pair::render, &p);
    out.start();
    for (int i = 0; i < 200; ++i) {
        AudioOutputLock guard(&out);
        p.data = (i % 2) ? &a : &b;
        p.size = (i % 2) ? 10 : 20;
    }
    while (p.calls.load() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    out.stop();
    EXPECT_FALSE(p.torn.load());
}
