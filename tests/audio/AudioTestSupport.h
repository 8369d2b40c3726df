#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audio/EngineRecorder.h"
#include "audio/PatchChangeListener.h"
#include "audio/SoundEngine.h"
#include "audio/SoundEngineParent.h"
#include "platform/core/Clock.h"
#include "platform/core/MainThreadQueue.h"

// Helpers shared by the engine tests: a temporary bundle folder with small
// WAV files, a parent that records alerts, a recorder that records calls.

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The bytes of a RIFF/WAVE file.
std::vector<uint8_t> wavBytes(const std::vector<int16_t>& values, int channels = 1, int bits = 16,
                              int rate = 44100);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
void writeWav(const std::string& path, const std::vector<int16_t>& values);
// A sample of `count` values all equal to `value`.
std::vector<int16_t> constantSample(int count, int16_t value);
// Writes the 48 files of a patch prefix; file k holds `length` values equal to
// base + k.
void writePatch(const TempFolder& folder, const std::string& prefix, int base, int length = 64);

class TestParent : public SoundEngineParent {
public:
    explicit TestParent(const Clock& clock) : queue_(clock) {}
    int currentGuitar() const override { return guitar; }
    MainThreadQueue& mainThreadQueue() override { return queue_; }
    void showAlert(const std::string& title, const std::string& message, bool okButton) override {
        alerts.push_back({title, message, okButton});
    }
    void playbackEnded() override {}

    struct Alert {
        std::string title, message;
        bool okButton;
    };
    int guitar = 0;
    std::vector<Alert> alerts;

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
        strumGuitar = guitar;
        strumMute = mute;
    }
    float chordStrumSpeed() override { return speed; }
    void setChordStrumSpeed(float s) override { speed = s; }
    void stopChordStrum() override { ++strumStops; }
    void record() override { ++records; }
    void stop() override { ++stopsCalled; }
    void play() override { ++playsCalled; }
    int getState() override { return state; }

    struct Play {
        int sampleNo;
        float volume;
        double releaseDelta;
    };
    struct Change {
        int id;
        float value;
    };
    std::vector<Play> plays;
    std::vector<int> stops;
    std::vector<Change> pitches, whammies, wahs;
    std::vector<int> strum;
    int strumGuitar = -1, strumStops = 0, records = 0, stopsCalled = 0, playsCalled = 0, state = 0;
    bool strumMute = false, accept = true;
    float speed = 0.5f;
    int nextID = 100;
};

// Renders one buffer; returns the interleaved frames.
std::vector<int16_t> render(SoundEngine& engine, int frames);
// Left values only.
std::vector<int16_t> leftOf(const std::vector<int16_t>& stereo);
std::vector<int16_t> rightOf(const std::vector<int16_t>& stereo);

#include <gtest/gtest.h>

// An engine on a temporary bundle, a manual clock and a test parent, with no
// audio output: the tests pull the render callback themselves.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {}
    SoundEngine& makeEngine() {
        engine = std::make_unique<SoundEngine>(&parent, nullptr, nullptr, folder.path(), clock);
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

    TempFolder folder;
    ManualClock clock{1000.0};
    TestParent parent{clock};
    RecordingRecorder recorder;
    std::unique_ptr<SoundEngine> engine;
};
