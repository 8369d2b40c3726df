#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "audio/NullEngineRecorder.h"
#include "audio/PatchChangeListener.h"
#include "audio/SoundEngine.h"
#include "platform/core/Clock.h"
#include "support/FakeParent.h"
#include "support/Files.h"
#include "support/TempFolder.h"

// The one fixture of the engine tests: a temporary bundle folder with small
// WAV files, a parent that records alerts, a recorder that records calls.

// The bytes of a RIFF/WAVE file.
inline std::vector<uint8_t> wavBytes(const std::vector<int16_t>& values, int channels = 1, int bits = 16,
                                     int rate = 44100) {
    std::vector<uint8_t> out;
    auto put = [&](uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k)
            out.push_back(uint8_t(v >> (8 * k)));
    };
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put(uint32_t(36 + values.size() * 2), 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0});
    put(uint32_t(channels), 2);
    put(uint32_t(rate), 4);
    put(uint32_t(rate * channels * bits / 8), 4);
    put(uint32_t(channels * bits / 8), 2);
    put(uint32_t(bits), 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put(uint32_t(values.size() * 2), 4);
    for (int16_t v : values)
        put(uint16_t(v), 2);
    return out;
}

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
    const char* prefixes[] = {"A1-", "A2-", "E3-", "E2-", "CE-"};
    for (int p = 0; p < 5; ++p)
        for (int k = 1; k <= 48; ++k)
            writeWav(folder.file(prefixes[p] + std::to_string(k) + ".wav"),
                     constantSample(length, int16_t(100 * (p + 1) + k)));
    for (int n = 1; n <= 12; ++n) {
        if (n <= 10)
            writeWav(folder.file("fret" + std::to_string(n) + ".wav"), constantSample(length, int16_t(n)));
        writeWav(folder.file("tap" + std::to_string(n) + ".wav"), constantSample(length, int16_t(20 + n)));
    }
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
