#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "audio/PatchChangeListener.h"
#include "audio/SoundEngine.h"
#include "support/EngineSection.h"
#include "support/FakeParent.h"
#include "support/Files.h"
#include "support/SampleBundle.h"
#include "support/TempFolder.h"
#include "system/Clock.h"

// The one fixture of the engine tests: a temporary bundle folder with small
// WAV files and a parent that records alerts and runs the UI queue.

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

// Starts a voice on an absolute slot, in the mix a recorded note of that slot joins.
inline int playSlot(SoundEngine& e, int slot, double volume, double releaseDelta, int noteID) {
    return e.play({slot, volume, releaseDelta, SampleBank::guitarOfSlot(slot)}, noteID);
}

// Renders one buffer; returns the interleaved frames.
inline std::vector<int16_t> render(SoundEngine& engine, int frames) {
    std::vector<int16_t> out(size_t(frames) * 2, int16_t(0x5555));
    SoundEngine::callbackProcStereo(engine.callbackUserData(), out.data(), frames);
    return out;
}

class TestListener : public PatchChangeListener {
public:
    void turnTouchscreenBackOn() override { ++calls; }
    int calls = 0;
};

// An engine on a temporary bundle, a manual clock and a test parent, with no
// audio output: the tests pull the render callback themselves.
class EngineTest : public ::testing::Test {
protected:
    SoundEngine& makeEngine() {
        engine = std::make_unique<SoundEngine>(&parent, nullptr, folder.str(), clock);
        engine->seedRandom(1234);
        return *engine;
    }
    // Loads `values` into a slot through a file of the bundle.
    void loadSlot(int slot, const std::vector<int16_t>& values) {
        const std::string name = "slot" + std::to_string(slot) + ".wav";
        writeWav(folder.file(name), values);
        engine->loadSampleAtSlot(slot, name);
    }
    int16_t firstValue(int slot) const {
        const int16_t* d = engine->sampleData(slot);
        return d ? d[0] : int16_t(-1);
    }

    testsupport::TempFolder folder{"strumwell-audio"};
    ManualClock clock{1000.0};
    FakeParent parent{clock};
    std::unique_ptr<SoundEngine> engine;
};
