#pragma once
#include <vector>

// The tempo of a Guitar Pro score over time, to turn its positions (in
// ticks, kQuarter to a quarter note) into seconds. Changes may be added in
// any order, as the tracks are read one after another.
//
// Threads: any; one map per thread.
class GpTempoMap {
public:
    static constexpr double kQuarter = 960.0;
    static constexpr double kMinBpm = 1.0, kMaxBpm = 2000.0;

    explicit GpTempoMap(double bpm);
    // From `tick` on the beat is `bpm` quarter notes a minute (kept within
    // kMinBpm ... kMaxBpm).
    void change(double tick, double bpm);
    // The changes sorted and their times worked out; call before seconds().
    void settle();
    double seconds(double tick) const;

private:
    struct Change {
        double tick, bpm, seconds;
    };
    std::vector<Change> changes_;
};
