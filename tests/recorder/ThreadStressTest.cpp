#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "RecorderTestSupport.h"
#include "audio/SoundEngine.h"
#include "core/StrumwellFailure.h"
#include "recorder/Recorder.h"

// These tests run the real playback thread on the system clock; they wait,
// but assert nothing about timing. Run them under ThreadSanitizer.

namespace {

using namespace std::chrono_literals;

struct ThreadRig {
    TempFolder folder;
    FakeParent parent;
    SoundEngine engine{&parent, nullptr, nullptr, folder.path()};
    Recorder rec{&parent, &engine};

    ThreadRig() {
        for (int slot = 0; slot < 96; slot += 5) {
            engine.addSineWaveAtSlot(slot);
        }
        engine.setRecorder(&rec);
    }
    ~ThreadRig() { engine.setRecorder(nullptr); }
};

// Waits for cond, up to a generous limit; false if it never came.
template <class Cond> bool waitFor(Cond cond) {
    const auto limit = std::chrono::steady_clock::now() + 10s;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > limit) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

} // namespace

TEST(RecorderThreads, ThePlaybackThreadPlaysASongToItsEnd) {
    ThreadRig r;
    SongBytes song;
    song.currentNoteID = 2;
    song.down(0.0, 0, 10).down(0.01, 1, 15).up(0.03, 0).up(0.04, 1);
    const auto bytes = song.version2();
    r.rec.restoreFromSaveBuffer(bytes.data(), bytes.size(), 2);
    r.rec.play();
    ASSERT_TRUE(waitFor([&] { return r.rec.getState() == 0; }));
    ASSERT_TRUE(waitFor([&] {
        r.parent.mainThreadQueue().runPending();
        return r.parent.playbackEndedCalls.load() == 1;
    }));
    EXPECT_EQ(r.rec.getNumNotes(), 4);
}

TEST(RecorderThreads, ThePlaybackThreadMergesAfterStop) {
    ThreadRig r;
    r.rec.record();
    const int voice = r.engine.playSampleWithGuitar(0, 10);
    r.engine.stopAndRecordSample(voice);
    r.rec.stop();
    ASSERT_TRUE(waitFor([&] { return r.rec.getNumNotes() == 2; }));
    EXPECT_TRUE(r.rec.currentOverdubNotesToAdd().empty());
}

// The thread sleeps with no timeout while idle or only recording: over a
// stretch of real time it runs no pass at all, and it runs one for each
// operation that gives it something to do.
TEST(RecorderThreads, ThePlaybackThreadSleepsWhileIdleOrOnlyRecording) {
    ThreadRig r;
    const auto restsAfter = [&r](std::uint64_t passes) {
        return waitFor(
            [&] { return r.rec.playbackThreadParked() && r.rec.playbackThreadPasses() >= passes; });
    };
    ASSERT_TRUE(restsAfter(1));
    const std::uint64_t start = r.rec.playbackThreadPasses();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(r.rec.playbackThreadPasses(), start) << "idle";

    r.rec.record();
    ASSERT_TRUE(restsAfter(start + 1));
    const int voice = r.engine.playSampleWithGuitar(0, 10);
    r.engine.accelerometerDidAccelerate(0.3, 0.4, -1.0);
    std::this_thread::sleep_for(30ms);
    r.engine.stopAndRecordSample(voice);
    EXPECT_EQ(r.rec.playbackThreadPasses(), start + 1) << "recording into an empty song";
    EXPECT_TRUE(r.rec.playbackThreadParked());

    r.rec.stop();
    ASSERT_TRUE(restsAfter(start + 2));
    EXPECT_EQ(r.rec.getNumNotes(), 2) << "merged";
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(r.rec.playbackThreadPasses(), start + 2) << "idle again";
}

TEST(RecorderThreads, StressUiPlaybackAndRenderThreads) {
    ThreadRig r;
    r.engine.setWhammyBarAttached(0, true);
    r.engine.setWahOn(0, true);
    r.engine.setPitchBendOn(0, true);
    r.rec.setChordStrumSpeed(0.0f);

    std::atomic<bool> done{false};
    std::atomic<long> buffers{0};
    std::thread render([&] {
        std::vector<int16_t> out(2 * 256);
        while (!done.load()) {
            SoundEngine::callbackProcStereo(r.engine.callbackUserData(), out.data(), 256);
            buffers.fetch_add(1);
            std::this_thread::yield();
        }
    });

    // A second helper stands in for a touch arriving through the engine from
    // another thread than the one pressing the buttons (both are "UI" work).
    std::thread toucher([&] {
        int n = 0;
        while (!done.load()) {
            const int voice = r.engine.playSampleWithGuitar(n % 2, n % 40);
            r.engine.startHalfBend(voice);
            r.engine.unbend(voice);
            r.engine.stopAndRecordSample(voice);
            ++n;
            std::this_thread::sleep_for(200us);
        }
    });

    // The sanity check reports the strummed notes that were still sounding at
    // each stop; keep that out of the test's output.
    testing::internal::CaptureStdout();
    const auto end = std::chrono::steady_clock::now() + 1500ms;
    int round = 0;
    while (std::chrono::steady_clock::now() < end) {
        r.rec.record();
        for (int i = 0; i < 20; ++i) {
            const int voice = r.engine.playSampleWithGuitar(0, (round + i) % 40);
            r.engine.startFullBend(voice);
            r.engine.accelerometerDidAccelerate(0.3 * ((i % 3) - 1), 0.4 * ((i % 5) - 2), -1.0);
            if (i % 7 == 0) {
                const int chord[6] = {2, 7, -1, 17, 21, 26};
                r.engine.setChordStrum(chord, i % 2, (i % 2) == 0);
            }
            std::this_thread::sleep_for(100us);
            r.engine.stopAndRecordSample(voice);
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
        if (round % 7 == 6) {
            const auto saved = r.rec.createSaveBuffer();
            r.rec.restoreFromSaveBuffer(saved.data(), saved.size(), 2);
        }
        if (round % 11 == 10) {
            r.rec.eraseWholeSong();
        }
        r.rec.stop();
        r.parent.mainThreadQueue().runPending();
        (void)r.rec.getState();
        (void)r.rec.getSampleNoForNoteID(round);
        ++round;
    }
    done.store(true);
    toucher.join();
    render.join();
    r.rec.stop();
    const bool merged = waitFor([&] { return r.rec.currentOverdubNotesToAdd().empty(); });
    const std::string log = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(merged);

    EXPECT_GT(round, 0);
    EXPECT_GT(buffers.load(), 0);
    // The song is whole: sorted, counted, within the limit, no orphan notes.
    const auto notes = r.rec.notes();
    EXPECT_EQ(static_cast<int>(notes.size()), r.rec.getNumNotes());
    EXPECT_LE(notes.size(), static_cast<std::size_t>(Recorder::kMaxEvents));
    for (std::size_t i = 1; i < notes.size(); ++i) {
        EXPECT_LE(notes[i - 1].time(), notes[i].time());
    }
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (!notes[i].keyDown()) {
            continue;
        }
        bool later = false;
        for (std::size_t j = i + 1; j < notes.size() && !later; ++j) {
            later = notes[j].noteID() == notes[i].noteID();
        }
        EXPECT_TRUE(later) << "orphan note " << notes[i].noteID();
    }
}
