#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "system/AnimationCurve.h"
#include "system/CommandLine.h"
#include "system/LatencyProbe.h"
#include "system/MainThreadQueue.h"
#include "system/NullAudioOutput.h"
#include "system/OfflineAudioOutput.h"
#include "system/OutputVolume.h"
#include "system/TextLineBreaker.h"
#include "system/ViewGeometry.h"
#include "system/VirtualTilt.h"

TEST(AnimationCurve, TheEaseIsClampedToItsEndsAndNoDurationIsAtTheEndAtOnce) {
    // Its shape is checked through the views' animations.
    using C = AnimationCurve;
    EXPECT_EQ(std::tuple(C::easeInEaseOut(-3.0), C::easeInEaseOut(7.0), C::progress(10.0, 0.0, 9.0)),
              std::tuple(0.0, 1.0, 1.0));
}

TEST(CommandLine, ReadsEveryOptionAndRefusesBadOnesWithAMessage) {
    // The screens are the caller's: a gap and an end of its own.
    CommandLine c;
    c.screens = {{1, "one", "menu"}, {2, "two", "menu"}, {5, "five", "playing"}};
    std::string error;
    ASSERT_TRUE(c.parse({"--documents", "/d", "--caches", "/c", "--bundle", "/b", "--headless", "--screen",
                         "5", "--screenshot", "s.png", "--audio-buffer", "256", "--latency-log", "l.txt",
                         "--list-screens", "--audio", "jack"},
                        error))
        << error;
    EXPECT_EQ(
        std::tuple(c.documentsFolder, c.cachesFolder, c.bundleFolder, c.screenshotFile, c.latencyLogFile),
        std::tuple("/d", "/c", "/b", "s.png", "l.txt"));
    EXPECT_EQ(
        std::tuple(c.headless, c.screen, c.audioBufferFrames, c.listScreens, c.audio, CommandLine().audio),
        std::tuple(true, 5, 256, true, "jack", "sdl"));
    // A missing value names its option; a bad one is quoted.
    for (auto [option, value] : {std::pair{"--frobnicate", ""},
                                 {"--screen", "3"},
                                 {"--screen", "6"},
                                 {"--screen", "5x"},
                                 {"--screen", ""},
                                 {"--documents", ""},
                                 {"--screen", "-1"},
                                 {"--audio-buffer", "100"},
                                 {"--audio-buffer", "1024"},
                                 {"--audio", "alsa"},
                                 {"--audio", ""},
                                 {"--latency-log", ""}}) {
        SCOPED_TRACE(option);
        std::vector<std::string> args{option};
        if (*value)
            args.emplace_back(value);
        EXPECT_FALSE(CommandLine(c).parse(args, error));
        EXPECT_NE(error.find(*value ? "'" + std::string(value) + "'" : option), std::string::npos) << error;
    }
    c.parse({"--screen", "4"}, error);
    EXPECT_EQ(error, "--screen takes a screen number from 1 to 5 (not 3 or 4), not '4'");
    // --help lists them, a column for each run of six numbers; --list-screens
    // a line each.
    const std::string usage = c.usage("strumwell");
    EXPECT_NE(usage.find("--audio-buffer"), std::string::npos);
    EXPECT_NE(usage.find("--audio jack|sdl"), std::string::npos);
    EXPECT_NE(usage.find("Screens (N for --screen):\n   1 one\n   2 two\n   5 five\n\n"), std::string::npos);
    EXPECT_EQ(c.screenList(), "1\tone\tmenu\n2\ttwo\tmenu\n5\tfive\tplaying\n");
}

TEST(TextLineBreaker, BreaksAtSpacesNewlinesAndWholeCharacters) {
    // Every character (not byte) is 10 points wide.
    const auto tenPerChar = [](std::string_view s) {
        float w = 0;
        for (std::size_t i = 0; i < s.size(); i += TextLineBreaker::utf8Length(s, i))
            w += 10;
        return w;
    };
    const std::initializer_list<std::tuple<const char*, float, int, std::vector<std::string>>> cases = {
        {"the quick brown fox", 100, 0, {"the quick", "brown fox"}}, // the breaking space goes
        {"Page 3\n\nIntro\n\n", 1000, 0, {"Page 3", "", "Intro", "", ""}},
        {"Page   3 - Intro", 1000, 0, {"Page   3 - Intro"}},
        {"abcdefghij xy", 40, 0, {"abcd", "efgh", "ij", "xy"}}, // a word too long for a line
        {"éé€€éé", 40, 0, {"éé€€", "éé"}},
        {"a b c d e f", 10, 3, {"a", "b", "c"}},
        {"", 100, 0, {""}},
        {"abc", 1, 0, {"a", "b", "c"}}, // too narrow for anything still makes progress
    };
    for (const auto& [text, width, maxLines, lines] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(TextLineBreaker::breakLines(text, width, tenPerChar, maxLines), lines);
    }
    for (auto [text, left] : {std::pair{"ab€", "ab"}, {"é", ""}, {"x", ""}, {"", ""}, {"a\x80", "a"}})
        EXPECT_EQ(TextLineBreaker::dropLastCharacter(text), left) << text;
    EXPECT_EQ(TextLineBreaker::utf8Length("\xE2\x82", 0), 1u); // truncated sequence
    EXPECT_EQ(TextLineBreaker::utf8Length("\xF0\x9F\x8E\xB8", 0), 4u);
}

TEST(VirtualTilt, HeldKeysLeanEachOnItsOwnAxisAtTheRateToSixtyDegreesAndBack) {
    using enum VirtualTilt::Direction;
    VirtualTilt tilt(150.0);
    tilt.advance(5.0);
    // Each row: a key held or let go, then time passing, then the lean.
    const std::initializer_list<std::tuple<VirtualTilt::Direction, bool, double, double, double>> steps = {
        {TiltLeft, true, 0.1, 15, 0},  {TiltLeft, true, 10, 60, 0},  {TiltLeft, false, 0.2, 30, 0},
        {TiltLeft, false, 1, 0, 0},    {TiltAway, true, 0, 0, 0},    {TiltToward, true, 1, 0, 0}, // cancel
        {TiltToward, false, 1, 0, 60}, {TiltAway, false, 10, 0, 0},  {TiltRight, true, 1, -60, 0},
        {TiltRight, false, 1, 0, 0},   {TiltToward, true, 1, 0, -60}};
    for (const auto& [dir, held, seconds, roll, pitch] : steps) {
        SCOPED_TRACE(testing::Message() << dir << held << seconds);
        tilt.setHeld(dir, held);
        tilt.advance(seconds);
        EXPECT_NEAR(tilt.rollDegrees(), roll, 1e-9);
        EXPECT_NEAR(tilt.pitchDegrees(), pitch, 1e-9);
    }
    tilt.level(); // lets go of everything at once; time going back changes nothing
    EXPECT_FALSE(tilt.isHeld(TiltToward));
    tilt.advance(-1.0);
    EXPECT_EQ(std::tuple(tilt.rollDegrees(), tilt.pitchDegrees()), std::tuple(0.0, 0.0));
}

TEST(ViewGeometry, TheViewStandsUprightInALetterboxedLandscapeWindow) {
    // The view's top-left is the window's bottom-left; its x runs up the window.
    const std::initializer_list<std::tuple<Point, Point>> corners = {
        {{0, 0}, {0, 320}}, {{320, 0}, {0, 0}}, {{0, 480}, {480, 320}}, {{320, 480}, {480, 0}}};
    for (const auto& [view, window] : corners) {
        EXPECT_EQ(ViewGeometry::viewToWindow(view), window);
        EXPECT_EQ(ViewGeometry::windowToView(window), view);
    }
    // The plectrum corner (x < 52, y < 45) sits at the window's bottom-left.
    EXPECT_EQ(ViewGeometry::viewRectToWindow({0, 0, 52, 45}), (Rect{0, 268, 45, 52}));
    EXPECT_EQ(ViewGeometry::normalizedTouchToView(0, 0), (Point{320, 0}));
    EXPECT_EQ(ViewGeometry::normalizedTouchToView(1, 1), (Point{0, 480}));
    float tx = 0, ty = 0;
    ViewGeometry::viewToNormalizedTouch({40, 120}, &tx, &ty);
    EXPECT_EQ(std::tuple(tx, ty), std::tuple(0.25f, 0.875f));
    // Outputs are letterboxed to three by two and scaled.
    const std::initializer_list<std::tuple<int, int, Rect, int>> outputs = {
        {960, 640, {0, 0, 960, 640}, 2},   {1000, 500, {125, 0, 750, 500}, 2}, // bars left and right
        {480, 800, {0, 240, 480, 320}, 1}, {1440, 960, {0, 0, 1440, 960}, 3},  // bars above and below
        {1000, 640, {20, 0, 960, 640}, 2}, {200, 100, {25, 0, 150, 100}, 1}};
    for (const auto& [w, h, box, scale] : outputs) {
        SCOPED_TRACE(w);
        EXPECT_EQ(ViewGeometry::letterbox(w, h), box);
        EXPECT_EQ(ViewGeometry::renderScale(w, h), scale);
    }
    EXPECT_TRUE(ViewGeometry::letterbox(0, 100).isEmpty());
    EXPECT_EQ(ViewGeometry::renderScale(100000, 100000), 4);
    // Output pixels go through the letterbox; those in a bar clamp to its edge.
    EXPECT_EQ(ViewGeometry::outputPixelToView(500, 250, 1000, 500), (Point{160, 240}));
    EXPECT_EQ(ViewGeometry::outputPixelToView(10, 250, 1000, 500).y, 0);
}

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
    std::string answers;
    // Pulls into a buffer of garbage; a refused pull must leave silence, not the garbage.
    const auto pull = [&](int frames) {
        std::fill(buf.begin(), buf.end(), int16_t{99});
        const int answer = out.pull(buf.data(), frames);
        answers += std::to_string(answer) + " ";
        EXPECT_TRUE(answer == 0 ||
                    std::all_of(buf.begin(), buf.begin() + 2 * frames, [](int16_t v) { return v == 0; }));
    };
    pull(64); // no callback, not started
    out.setRenderCallback(&Recorder::render, &r);
    pull(64); // not started
    ASSERT_TRUE(out.start());
    pull(256); // frames past the request are untouched
    EXPECT_EQ(std::tuple(r.lastFrames.load(), buf[0], buf[510], buf[511], buf[512]),
              std::tuple(256, 0, 255, -255, 99));
    pull(3);
    EXPECT_EQ(buf[0], 256) << "the second pull continues where the first ended";
    pull(1000);
    EXPECT_EQ(r.lastFrames.load(), 1000) << "an oversized request is passed on unchanged";
    out.stop();
    pull(64);
    out.start();
    r.result = -1;
    pull(64); // a callback that rendered nothing leaves no garbage
    EXPECT_EQ(answers, "-1 -1 0 0 0 -1 -1 ");
    EXPECT_EQ(
        std::tuple(out.pull(buf.data(), 0), out.pull(buf.data(), -5), out.pull(nullptr, 16), r.calls.load()),
        std::tuple(-1, -1, -1, 4));
}

// The lock is the pattern the engine uses for sample reloads: two related
// values replaced under it are never seen by the callback as a mixed pair.
TEST(NullAudioOutput, OneThreadDeliversFixedSizeBuffersUntilStoppedOrDestroyedAndTheLockKeepsItOut) {
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
    const std::vector<int> a(10), b(20);
    AudioOutputLock harmless(nullptr); // a null output neither crashes nor locks
    for (int i = 0; i < 200; ++i) {
        AudioOutputLock guard(out.get());
        const int before = r.calls.load();
        r.data = (i % 2) ? &a : &b;
        if (i < 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        r.size = (i % 2) ? 10 : 20;
        EXPECT_EQ(r.calls.load(), before) << "no buffer is pulled while locked";
    }
    r.waitFor(r.calls.load() + 1); // and pulling resumes afterwards
    out.reset();                   // the destructor joins the running thread; must not hang or crash
    EXPECT_FALSE(r.overlapSeen.load()) << "one pulling thread at a time";
    EXPECT_FALSE(r.torn.load());
}

TEST(LatencyProbe, AVoiceIsFirstMixedByTheNextBufferAndOnlyLateBuffersAreUnderruns) {
    using LP = LatencyProbe;
    LP::setEnabled(true);
    const std::uint64_t before = LP::requestCount();
    LP::bufferBegan(1000.0, 441, 44100);
    LP::voiceStartRequested();
    LP::voiceStartRequested();
    const std::uint64_t a = before + 1, b = before + 2;
    EXPECT_EQ(std::tuple(LP::requestCount(), LP::requestTime(a) > 0, LP::firstMixedTime(a)),
              std::tuple(b, true, 0.0)); // not mixed yet
    LP::bufferBegan(1000.01, 441, 44100);
    LP::bufferBegan(1000.02, 441, 44100);
    EXPECT_EQ(std::tuple(LP::firstMixedTime(a), LP::firstMixedTime(b)), std::tuple(1000.01, 1000.01));
    // Off, the engine's hook counts nothing.
    LP::setEnabled(false);
    LP::voiceStartRequested();
    EXPECT_EQ(LP::requestCount(), b);
    // Requests too old to be remembered read as unknown, not as another's.
    EXPECT_EQ(std::tuple(LP::requestTime(b + LP::kHistory), LP::firstMixedTime(0)), std::tuple(0.0, 0.0));
    // More requests than the history holds before one buffer: the newest are still marked mixed.
    LP::setEnabled(true);
    for (std::uint64_t i = 0; i < LP::kHistory + 5; ++i)
        LP::voiceStartRequested();
    LP::bufferBegan(1000.03, 441, 44100);
    EXPECT_DOUBLE_EQ(LP::firstMixedTime(LP::requestCount()), 1000.03);
    LP::setEnabled(false);
    // Only callbacks more than a buffer behind their schedule are underruns: the fifth
    // callback on time, half a buffer late, early, and a buffer and a half late.
    const double p = 441.0 / 44100;
    std::string underruns;
    for (const double lateness : {0.0, 0.5, -0.5, 1.5}) {
        LP::resetSchedule();
        const std::uint64_t start = LP::underruns();
        double t = 500.0;
        for (int i = 0; i < 4; ++i, t += p)
            LP::bufferBegan(t, 441, 44100);
        // The schedule starts again from a late callback: the next ones on its new pace are on time.
        for (int i = 0; i < 4; ++i)
            LP::bufferBegan(t + lateness * p + i * p, 441, 44100);
        underruns += std::to_string(LP::underruns() - start);
    }
    EXPECT_EQ(underruns, "0001");
}

TEST(MainThreadQueue, RunsCallsInOrderWhenDueAndWakesTheLoopForOtherThreadsWithinABoundedRing) {
    ManualClock clock(100.0);
    MainThreadQueue q(clock);
    std::vector<int> seen;
    q.post([&] { seen.push_back(1); });
    q.post([&] {
        seen.push_back(2);
        q.post([&] { seen.push_back(3); }); // queued while running: next turn
    });
    q.postDelayed(0.2, [&] { seen.push_back(4); });
    auto cancelled = q.postDelayed(0.1, [&] { seen.push_back(5); });
    EXPECT_EQ(q.runPending(), 2);
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    EXPECT_EQ(q.runPending(), 1);
    EXPECT_NEAR(q.secondsUntilNextDue(), 0.1, 1e-9);
    q.cancel(cancelled);
    clock.advance(0.15);
    EXPECT_EQ(q.runPending(), 0);
    clock.advance(0.05);
    EXPECT_EQ(q.runPending(), 1);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));

    // Posts from another thread wake the loop; the real-time ring is bounded.
    std::atomic<int> wakes{0};
    int count = 0, accepted = 0;
    const auto bump = [](void* p) { ++*static_cast<int*>(p); };
    q.setWakeHook([](void* c) { static_cast<std::atomic<int>*>(c)->fetch_add(1); }, &wakes);
    std::thread other([&] {
        q.post([] {});
        q.postFromRealtime(bump, &count);
    });
    other.join();
    EXPECT_EQ(wakes.load(), 2);
    // A delayed call is the UI thread's own: its loop asks when it falls due.
    q.postDelayed(0.5, [] {});
    EXPECT_EQ(q.runPending(), 2);
    EXPECT_EQ(std::tuple(wakes.load(), q.secondsUntilNextDue()), std::tuple(2, 0.5));
    q.setWakeHook(nullptr, nullptr);
    std::thread producer([&] {
        for (int i = 0; i < 100; ++i)
            accepted += q.postFromRealtime(bump, &count) ? 1 : 0;
    });
    producer.join();
    EXPECT_EQ(q.runPending(), 64);
    // The ring's capacity: the rest were dropped, not blocked on; room again once drained.
    EXPECT_EQ(std::tuple(wakes.load(), accepted, count, q.postFromRealtime(bump, &count)),
              std::tuple(2, 64, 65, true));
}

// Every 16-bit value once, through the volume; out[i] is the result for i - 32768.
static std::vector<int16_t> everySampleAt(float volume) {
    std::vector<int16_t> samples;
    for (int v = -32768; v <= 32767; ++v)
        samples.push_back(static_cast<int16_t>(v));
    OutputVolume::applyVolume(samples.data(), static_cast<int>(samples.size()), volume);
    return samples;
}

TEST(OutputVolume, ScalesEverySampleByTheSquareOfTheSetVolumeTowardZero) {
    EXPECT_EQ(everySampleAt(1.0f), everySampleAt(2.0f)) << "full volume leaves the mix as it is";
    EXPECT_EQ(std::tuple(everySampleAt(1.0f).front(), everySampleAt(1.0f).back()), std::tuple(-32768, 32767));
    EXPECT_EQ(everySampleAt(0.0f), std::vector<int16_t>(65536, 0));
    for (const auto& [volume, gain] :
         {std::pair{0.5f, 0.25}, {0.1f, 0.01}, {0.9f, 0.81}, {0.004f, 0.000016}}) {
        SCOPED_TRACE(volume);
        const std::vector<int16_t> out = everySampleAt(volume);
        for (size_t i = 0; i < out.size(); ++i) {
            const int in = static_cast<int>(i) - 32768;
            // Within one step of the exact product, rounded toward zero.
            ASSERT_LE(std::abs(out[i]), std::abs(in));
            ASSERT_NEAR(out[i], in * gain, 1.0 + std::abs(in) * 1e-5) << in;
            ASSERT_TRUE(in == -32768 || out[i] == -out[static_cast<size_t>(-in + 32768)]) << in;
        }
        EXPECT_EQ(out[32768 - 1], 0) << "the smallest steps of a fading tail go to zero, not to -1";
    }
    // Setting keeps to the range, and apply uses the set volume.
    for (const auto& [asked, kept] :
         {std::pair{2.0f, 1.0f}, {-1.0f, 0.0f}, {std::nanf(""), 1.0f}, {0.5f, 0.5f}}) {
        OutputVolume::set(asked);
        int16_t buffer[2] = {32767, -32768};
        OutputVolume::apply(buffer, 2);
        EXPECT_EQ(std::tuple(OutputVolume::get(), buffer[0], buffer[1]),
                  std::tuple(kept, everySampleAt(kept).back(), everySampleAt(kept).front()))
            << asked;
    }
}
