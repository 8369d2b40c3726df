#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "audio/NullEngineRecorder.h"
#include "audio/PatchChangeListener.h"
#include "audio/SoundEngine.h"
#include "system/Clock.h"
#include "support/FakeParent.h"
#include "support/Files.h"
#include "support/SampleBundle.h"
#include "support/TempFolder.h"

// The one fixture of the engine tests: a temporary bundle folder with small
// WAV files, a parent that records alerts, a recorder that records calls.

using testsupport::wavBytes;
using testsupport::writeFile;

inline void writeWav(const std::string& path, const std::vector<int16_t>& values) {
    writeFile(path, wavBytes(values));
}
inline std::vector<int16_t> constantSample(int count, int16_t value) {
    return std::vector<int16_t>(size_t(count), value);
}

// The five patches (file k of patch p holds `length` values 100 (p + 1) + k)
// and the noises (fret n holds n, tap n holds 20 + n).
inline void writeBundle(const testsupport::TempFolder& folder, int length = 64) {
    testsupport::writeSampleBundle(folder.str(), [length](int g, int k) {
        return constantSample(length, int16_t(g < 5 ? 100 * (g + 1) + k : g == 5 ? k : 20 + k));
    });
}

// Renders one buffer; returns the interleaved frames.
inline std::vector<int16_t> render(SoundEngine& engine, int frames) {
    std::vector<int16_t> out(size_t(frames) * 2, int16_t(0x5555));
    SoundEngine::callbackProcStereo(engine.callbackUserData(), out.data(), frames);
    return out;
}

// Readings come only from the tests.
class TestAccelerometer : public Accelerometer {
public:
    void setDelegate(AccelerometerDelegate* d) override { delegate = d; }
    void setUpdateInterval(double) override {}
    AccelerometerDelegate* delegate = nullptr;
};

class TestListener : public PatchChangeListener {
public:
    void turnTouchscreenBackOn() override { ++calls; }
    int calls = 0;
};

// Records what the engine tells it: plays with their numbers, the rest as
// one line of text; answers note identifiers 100, 101, ...
class RecordingRecorder : public NullEngineRecorder {
public:
    int addPlayNote(int sampleNo, float volume, double releaseDelta) override {
        plays.emplace_back(sampleNo, volume, releaseDelta);
        return nextID++;
    }
    void addStopNote(int noteID) override { calls += "stop " + std::to_string(noteID) + ", "; }
    void addPitchChange(int noteID, float pitch) override {
        calls += "pitch " + std::to_string(noteID) + " " + std::to_string(pitch) + ", ";
    }
    // Wah changes of guitar g are logged as 'a' + g, whammy changes as 'c' + g.
    bool addWhammyBarChangeForGuitar(int guitar, float) override { return pedal('c' + guitar); }
    bool addWahChangeForGuitar(int guitar, float) override { return pedal('a' + guitar); }
    bool pedal(int which) {
        pedals += char(which);
        return accept;
    }
    void stop() override { calls += "S"; }

    std::vector<std::tuple<int, float, double>> plays; // sample, volume, release slope
    std::string pedals;
    std::string calls;
    bool accept = true;
    int nextID = 100;
};

// An engine on a temporary bundle, a manual clock and a test parent, with no
// audio output: the tests pull the render callback themselves.
class EngineTest : public ::testing::Test {
protected:
    SoundEngine& makeEngine(Accelerometer* accelerometer = nullptr) {
        engine = std::make_unique<SoundEngine>(&parent, nullptr, accelerometer, folder.str(), clock);
        engine->seedRandom(1234);
        engine->setRecorder(&recorder);
        return *engine;
    }
    // Loads `values` into a slot through a file of the bundle.
    void loadSlot(int slot, const std::vector<int16_t>& values) {
        const std::string name = "slot" + std::to_string(slot) + ".wav";
        writeWav(folder.file(name), values);
        engine->loadSampleAtSlot(slot, name);
    }
    void feed(double x, double y, int times) {
        for (int k = 0; k < times; ++k)
            engine->accelerometerDidAccelerate(x, y, -1.0);
    }
    // Runs the UI queue for `seconds` of manual time, in 0.1 s steps.
    void runFor(double seconds) {
        for (double t = 0; t < seconds; t += 0.1) {
            clock.advance(0.1);
            parent.mainThreadQueue().runPending();
        }
    }
    int16_t firstValue(int slot) const {
        const int16_t* d = engine->sampleData(slot);
        return d ? d[0] : int16_t(-1);
    }

    testsupport::TempFolder folder{"strumwell-audio"};
    ManualClock clock{1000.0};
    TestAccelerometer accelerometer; // outlives the engine, which lets go of it when it ends
    FakeParent parent{clock};
    RecordingRecorder recorder;
    std::unique_ptr<SoundEngine> engine;
};
