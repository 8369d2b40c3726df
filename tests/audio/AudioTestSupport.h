#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/EngineRecorder.h"
#include "audio/PatchChangeListener.h"
#include "audio/SoundEngine.h"
#include "audio/SoundEngineParent.h"
#include "platform/core/Clock.h"
#include "platform/core/MainThreadQueue.h"
#include "support/TempFolder.h"

// The one fixture of the engine tests: a temporary bundle folder with small
// WAV files, a parent that records alerts, a recorder that records calls.

// The bytes of a RIFF/WAVE file.
std::vector<uint8_t> wavBytes(const std::vector<int16_t>& values, int channels = 1, int bits = 16,
                              int rate = 44100);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
inline void writeWav(const std::string& path, const std::vector<int16_t>& values) {
    writeFile(path, wavBytes(values));
}
inline std::vector<int16_t> constantSample(int count, int16_t value) {
    return std::vector<int16_t>(size_t(count), value);
}
// The five patches (file k of patch p holds `length` values 100 (p + 1) + k)
// and the noises (fret n holds n, tap n holds 20 + n).
void writeBundle(const testsupport::TempFolder& folder, int length = 64);
// Renders one buffer; returns the interleaved frames.
std::vector<int16_t> render(SoundEngine& engine, int frames);
// One side of interleaved frames.
std::vector<int16_t> sideOf(const std::vector<int16_t>& stereo, int side);

class TestParent : public SoundEngineParent {
public:
    explicit TestParent(const Clock& clock) : queue_(clock) {}
    int currentGuitar() const override { return guitar; }
    MainThreadQueue& mainThreadQueue() override { return queue_; }
    void showAlert(const std::string& title, const std::string& message, bool okButton) override {
        alerts.push_back(title + ": " + message + (okButton ? " [OK]" : ""));
    }
    void playbackEnded() override {}
    int guitar = 0;
    std::vector<std::string> alerts;

private:
    MainThreadQueue queue_;
};

class TestListener : public PatchChangeListener {
public:
    void turnTouchscreenBackOn() override { ++calls; }
    int calls = 0;
};

// Records what the engine tells it; answers note identifiers 100, 101, ...
class RecordingRecorder : public EngineRecorder {
public:
    struct Play {
        int sampleNo;
        float volume;
        double releaseDelta;
    };
    struct Change {
        int id;
        float value;
    };
    int addPlayNote(int sampleNo, float volume, double releaseDelta) override {
        plays.push_back({sampleNo, volume, releaseDelta});
        return nextID++;
    }
    void addStopNote(int noteID) override { stops.push_back(noteID); }
    void addPitchChange(int noteID, float pitch) override { pitches.push_back({noteID, pitch}); }
    bool addWhammyBarChangeForGuitar(int guitar, float pitch) override {
        whammies.push_back({guitar, pitch});
        return accept;
    }
    bool addWahChangeForGuitar(int guitar, float pitch) override {
        wahs.push_back({guitar, pitch});
        return accept;
    }
    void setChordStrum(const int* samples, int guitar, bool mute) override {
        strum.assign(samples, samples + 6);
        strum.push_back(guitar);
        strum.push_back(mute);
    }
    float chordStrumSpeed() override { return speed; }
    void setChordStrumSpeed(float s) override { speed = s; }
    void stopChordStrum() override { calls += "s"; }
    void record() override { calls += "R"; }
    void stop() override { calls += "S"; }
    void play() override { calls += "P"; }
    int getState() override { return 2; }

    std::vector<Play> plays;
    std::vector<int> stops, strum;
    std::vector<Change> pitches, whammies, wahs;
    std::string calls;
    bool accept = true;
    float speed = 0.5f;
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
    int16_t firstValue(int slot) const {
        const int16_t* d = engine->sampleData(slot);
        return d ? d[0] : int16_t(-1);
    }

    testsupport::TempFolder folder{"strumwell-audio"};
    ManualClock clock{1000.0};
    TestParent parent{clock};
    RecordingRecorder recorder;
    std::unique_ptr<SoundEngine> engine;
};
