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
// running index (left) and its negation (right) so the caller sees what was rendered.
struct Recorder {
    std::atomic<int> calls{0}, lastFrames{0};
    std::atomic<bool> inside{false}, overlapSeen{false}, torn{false};
    int result = 0;
    int16_t next = 0;
    // A pair the callback must only ever see whole: the data and its size.
    const std::vector<int>* data = nullptr;
    std::size_t size = 0;

    static int render(void* user, int16_t* out, int numFrames) {
        auto* self = static_cast<Recorder*>(user);
        if (self->inside.exchange(true))
            self->overlapSeen = true;
        if (self->data && self->data->size() != self->size)
            self->torn = true;
        for (int i = 0; i < numFrames; ++i, ++self->next) {
            out[2 * i] = self->next;
            out[2 * i + 1] = static_cast<int16_t>(-self->next);
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

} // namespace

TEST(OfflineAudioOutput, PullsRenderExactlyTheFramesAskedAndSilenceWhenNothingCanBe) {
    OfflineAudioOutput out(512);
    EXPECT_EQ(std::tuple(out.maxFramesPerBuffer(), OfflineAudioOutput(0).maxFramesPerBuffer()),
              std::tuple(512, 1));
    Recorder r;
    std::vector<int16_t> buf(2 * 1000);
    // Pulls into a buffer of garbage; a refused pull must leave silence, not the garbage.
    const auto pull = [&](int frames) {
        std::fill(buf.begin(), buf.end(), int16_t{99});
        const int answer = out.pull(buf.data(), frames);
        EXPECT_TRUE(answer == 0 ||
                    std::all_of(buf.begin(), buf.begin() + 2 * frames, [](int16_t v) { return v == 0; }));
        return answer;
    };
    EXPECT_EQ(pull(64), -1) << "no callback, not started";
    out.setRenderCallback(&Recorder::render, &r);
    EXPECT_EQ(pull(64), -1) << "not started";
    ASSERT_TRUE(out.start());
    EXPECT_EQ(pull(256), 0);
    // Frames past the request are untouched.
    EXPECT_EQ(std::tuple(r.calls.load(), r.lastFrames.load(), buf[0], buf[510], buf[511], buf[512]),
              std::tuple(1, 256, 0, 255, -255, 99));
    EXPECT_EQ(pull(3), 0);
    EXPECT_EQ(buf[0], 256) << "the second pull continues where the first ended";
    EXPECT_EQ(pull(1000), 0);
    EXPECT_EQ(r.lastFrames.load(), 1000) << "an oversized request is passed on unchanged";
    out.stop();
    EXPECT_EQ(pull(64), -1) << "stopped";
    out.start();
    r.result = -1;
    EXPECT_EQ(pull(64), -1) << "a callback that rendered nothing leaves no garbage";
    EXPECT_EQ(std::tuple(out.pull(buf.data(), 0), out.pull(buf.data(), -5), out.pull(nullptr, 16)),
              std::tuple(-1, -1, -1));
    EXPECT_EQ(r.calls.load(), 4);
}

TEST(NullAudioOutput, OneThreadDeliversFixedSizeBuffersUntilStoppedOrDestroyed) {
    auto out = std::make_unique<NullAudioOutput>();
    EXPECT_EQ(out->maxFramesPerBuffer(), NullAudioOutput::kFramesPerBuffer);
    out->start(); // runs without a callback too
    while (out->buffersDelivered() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    out->stop();
    const std::uint64_t silent = out->buffersDelivered();
    Recorder r;
    out->setRenderCallback(&Recorder::render, &r);
    ASSERT_TRUE(out->start());
    ASSERT_TRUE(out->start()); // a second start makes no second thread
    r.waitFor(3);
    out->stop();
    out->stop(); // a second stop is harmless
    const int callsAtStop = r.calls.load();
    EXPECT_EQ(r.lastFrames.load(), NullAudioOutput::kFramesPerBuffer);
    // stop() joined the thread: nothing can call the callback any more.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(r.calls.load(), callsAtStop);
    EXPECT_EQ(out->buffersDelivered(), silent + static_cast<std::uint64_t>(callsAtStop));
    out->start();
    r.waitFor(callsAtStop + 2);
    out.reset(); // the destructor joins the running thread; must not hang or crash
    EXPECT_FALSE(r.overlapSeen.load()) << "one pulling thread at a time";
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
    AudioOutputLock harmless(nullptr); // a null output neither crashes nor locks
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
