#include <chrono>
#include <thread>

#include "RecorderTestSupport.h"
#include "support/ServerProcess.h"

// These tests run the recorder's own playback thread; they wait, but assert
// nothing about timing. Run them under ThreadSanitizer.

using namespace std::chrono_literals;

// Waits for cond, up to a generous limit; false if it never came.
static bool waitFor(const std::function<bool()>& cond) {
    return testsupport::waitFor(cond, 10.0);
}

// On the injected clock: the thread sleeps with no timeout while idle,
// however the clock moves; an operation wakes it, and playing, it follows
// the clock to the song's end.
TEST(RecorderThreads, ThePlaybackThreadWakesOnlyWhenItHasWork) {
    Rig r(true);
    ASSERT_TRUE(waitFor([&] { return r.rec.playbackThreadParked(); }));
    const std::uint64_t passes = r.rec.playbackThreadPasses();
    r.clock.advance(5.0);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(r.rec.playbackThreadPasses(), passes) << "idle";
    r.load(SongBytes().down(0.0, 0).up(0.5, 0));
    r.rec.play();
    r.clock.advance(1.0);
    ASSERT_TRUE(waitFor([&] {
        r.parent.mainThreadQueue().runPending();
        return r.parent.playbackEndedCalls.load() == 1 && r.rec.playbackThreadParked();
    }));
    EXPECT_EQ(r.rec.getState(), 0);
    EXPECT_GT(r.rec.playbackThreadPasses(), passes);
}

// The UI, a second touching thread, the playback thread and the render thread
// all at once, on real time.
TEST(RecorderThreads, StressUiPlaybackAndRenderThreads) {
    Rig r(true, true);
    r.engine.setWhammyBarAttached(0, true);
    r.engine.setWahOn(0, true);
    r.engine.setPitchBendOn(0, true);
    r.rec.setChordStrumSpeed(0.0f);
    std::atomic<bool> done{false};
    std::atomic<long> buffers{0};
    std::thread render([&] {
        std::vector<int16_t> out(2 * 256);
        for (; !done.load(); std::this_thread::yield(), ++buffers)
            SoundEngine::callbackProcStereo(r.engine.callbackUserData(), out.data(), 256);
    });
    std::thread toucher([&] {
        for (int n = 0; !done.load(); ++n, std::this_thread::sleep_for(200us)) {
            const int voice = r.perf.play(n % 2, n % 40);
            r.perf.halfBend(voice);
            r.perf.unbend(voice);
            r.perf.release(voice);
        }
    });
    // The sanity check reports the strummed notes still sounding at each stop.
    testing::internal::CaptureStdout();
    const auto end = std::chrono::steady_clock::now() + 1500ms;
    int round = 0;
    for (; std::chrono::steady_clock::now() < end; ++round) {
        r.rec.record();
        for (int i = 0; i < 20; ++i) {
            const int voice = r.perf.play(0, (round + i) % 40);
            r.perf.fullBend(voice);
            r.perf.accelerometerDidAccelerate(0.3 * ((i % 3) - 1), 0.4 * ((i % 5) - 2), -1.0);
            if (i % 7 == 0)
                r.perf.strumChord(std::array{2, 7, -1, 17, 21, 26}.data(), i % 2, (i % 2) == 0);
            std::this_thread::sleep_for(100us);
            r.perf.release(voice);
        }
        r.rec.stop();
        std::this_thread::sleep_for(2ms);
        r.rec.play();
        std::this_thread::sleep_for(3ms);
        if (round % 5 == 4) {
            r.rec.stopChordStrum();
            r.rec.eraseLastXNotes(3);
            r.rec.eraseLastOverdub();
        }
        if (round % 7 == 6)
            r.load(r.saved());
        if (round % 11 == 10)
            r.rec.eraseWholeSong();
        r.rec.stop();
        r.parent.mainThreadQueue().runPending();
        (void)r.rec.getSampleNoForNoteID(round);
    }
    done.store(true);
    toucher.join();
    render.join();
    r.rec.stop();
    const bool merged = waitFor([&] { return r.rec.currentOverdubNotesToAdd().empty(); });
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(merged);
    EXPECT_GT(buffers.load(), 0);
    // The song is whole: sorted, counted, within the limit, no orphan notes.
    const auto notes = r.rec.notes();
    EXPECT_EQ(int(notes.size()), r.rec.getNumNotes());
    EXPECT_LE(int(notes.size()), Recorder::kMaxEvents);
    EXPECT_TRUE(
        std::is_sorted(notes.begin(), notes.end(), [](auto& a, auto& b) { return a.time() < b.time(); }));
    for (auto i = notes.begin(); i != notes.end(); ++i)
        EXPECT_TRUE(!i->keyDown() ||
                    std::any_of(i + 1, notes.end(), [&](auto& n) { return n.noteID() == i->noteID(); }))
            << "orphan note " << i->noteID();
}
