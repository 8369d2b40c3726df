#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/core/MainThreadQueue.h"

TEST(MainThreadQueue, RunsPostedCallsInOrderOnNextTurnAndDelayedOnesWhenDue) {
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
}

namespace {
void bump(void* p) {
    ++*static_cast<int*>(p);
}
} // namespace

TEST(MainThreadQueue, RealtimeRingIsBoundedAndDeliversFromAnotherThread) {
    ManualClock clock;
    MainThreadQueue q(clock);
    int count = 0;
    int accepted = 0;
    std::thread producer([&] {
        for (int i = 0; i < 100; ++i)
            accepted += q.postFromRealtime(&bump, &count) ? 1 : 0;
    });
    producer.join();
    EXPECT_EQ(accepted, 64); // capacity; the rest were dropped, not blocked on
    EXPECT_EQ(q.runPending(), 64);
    EXPECT_EQ(count, 64);
    EXPECT_TRUE(q.postFromRealtime(&bump, &count));
    q.runPending();
    EXPECT_EQ(count, 65);
}

TEST(MainThreadQueue, EveryPostFromAnotherThreadWakesTheLoop) {
    ManualClock clock(0.0);
    MainThreadQueue q(clock);
    std::atomic<int> wakes{0};
    q.setWakeHook([](void* c) { static_cast<std::atomic<int>*>(c)->fetch_add(1); }, &wakes);
    std::thread other([&] {
        q.post([] {});
        q.postFromRealtime([](void*) {}, nullptr);
    });
    other.join();
    EXPECT_EQ(wakes.load(), 2);
    // A delayed call is the UI thread's own: its loop asks when it falls due.
    q.postDelayed(0.5, [] {});
    EXPECT_EQ(wakes.load(), 2);
    EXPECT_EQ(q.runPending(), 2);
    EXPECT_DOUBLE_EQ(q.secondsUntilNextDue(), 0.5);
    q.setWakeHook(nullptr, nullptr);
    q.post([] {});
    EXPECT_EQ(wakes.load(), 2);
}
