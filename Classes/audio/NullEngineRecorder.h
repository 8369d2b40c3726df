#pragma once
#include <atomic>

#include "audio/EngineRecorder.h"

// The recorder the engine talks to before a real one is set: it records
// nothing (note identifiers are -1), lets every live whammy and wah value act
// on the sound, and only remembers the strum speed.
//
// Threads: any.
class NullEngineRecorder : public EngineRecorder {
public:
    int addPlayNote(int, float, double) override { return -1; }
    void addStopNote(int) override {}
    void addPitchChange(int, float) override {}
    bool addWhammyBarChangeForGuitar(int, float) override { return true; }
    bool addWahChangeForGuitar(int, float) override { return true; }
    void setChordStrum(const int*, int, bool) override {}
    float chordStrumSpeed() override { return speed_.load(std::memory_order_relaxed); }
    void setChordStrumSpeed(float speed) override { speed_.store(speed, std::memory_order_relaxed); }
    void stopChordStrum() override {}
    void record() override {}
    void stop() override {}
    void play() override {}
    int getState() override { return 0; }
    int getNumNotes() const override { return 0; }

private:
    std::atomic<float> speed_{0.5f};
};
