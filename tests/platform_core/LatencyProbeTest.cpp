#include <gtest/gtest.h>

#include "platform/core/LatencyProbe.h"

namespace {
constexpr int kRate = 44100;
constexpr int kFrames = 441; // 10 ms
} // namespace

TEST(LatencyProbe, AVoiceIsFirstMixedByTheFirstBufferBegunAfterItsRequest) {
    LatencyProbe::setEnabled(true);
    const std::uint64_t before = LatencyProbe::requestCount();
    LatencyProbe::bufferBegan(1000.0, kFrames, kRate);
    LatencyProbe::voiceStartRequested();
    LatencyProbe::voiceStartRequested();
    const std::uint64_t a = before + 1, b = before + 2;
    EXPECT_EQ(LatencyProbe::requestCount(), b);
    EXPECT_GT(LatencyProbe::requestTime(a), 0.0);
    EXPECT_EQ(LatencyProbe::firstMixedTime(a), 0.0); // not mixed yet
    LatencyProbe::bufferBegan(1000.01, kFrames, kRate);
    LatencyProbe::bufferBegan(1000.02, kFrames, kRate);
    EXPECT_DOUBLE_EQ(LatencyProbe::firstMixedTime(a), 1000.01);
    EXPECT_DOUBLE_EQ(LatencyProbe::firstMixedTime(b), 1000.01);
    // Off, the engine's hook counts nothing.
    LatencyProbe::setEnabled(false);
    LatencyProbe::voiceStartRequested();
    EXPECT_EQ(LatencyProbe::requestCount(), b);
    // Requests too old to be remembered read as unknown, not as another's.
    EXPECT_EQ(LatencyProbe::requestTime(b + LatencyProbe::kHistory), 0.0);
    EXPECT_EQ(LatencyProbe::firstMixedTime(0), 0.0);
    // More requests than the history holds before one buffer: the newest are still marked mixed.
    LatencyProbe::setEnabled(true);
    for (std::uint64_t i = 0; i < LatencyProbe::kHistory + 5; ++i)
        LatencyProbe::voiceStartRequested();
    LatencyProbe::bufferBegan(1000.03, kFrames, kRate);
    EXPECT_DOUBLE_EQ(LatencyProbe::firstMixedTime(LatencyProbe::requestCount()), 1000.03);
    LatencyProbe::setEnabled(false);
}

TEST(LatencyProbe, OnlyCallbacksMoreThanABufferBehindTheirScheduleAreUnderruns) {
    const double p = static_cast<double>(kFrames) / kRate;
    struct Case {
        const char* what;
        double lateness; // of the fifth callback, in buffers
        bool underrun;
    } cases[] = {{"on time", 0.0, false},
                 {"half a buffer late", 0.5, false},
                 {"early", -0.5, false},
                 {"a buffer and a half late", 1.5, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LatencyProbe::resetSchedule();
        const std::uint64_t before = LatencyProbe::underruns();
        double t = 500.0;
        for (int i = 0; i < 4; ++i, t += p)
            LatencyProbe::bufferBegan(t, kFrames, kRate);
        LatencyProbe::bufferBegan(t + c.lateness * p, kFrames, kRate);
        // The schedule starts again from a late callback: the next ones on
        // its new pace are on time.
        for (int i = 1; i < 4; ++i)
            LatencyProbe::bufferBegan(t + c.lateness * p + i * p, kFrames, kRate);
        EXPECT_EQ(LatencyProbe::underruns() - before, c.underrun ? 1u : 0u);
    }
}
