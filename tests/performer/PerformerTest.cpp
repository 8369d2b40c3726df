// The performer: what a player's notes, bends, noises and tilts sound like and
// what of them a recording keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "performer/Performer.h"
#include "recorder/Recorder.h"
#include "support/FakeParent.h"
#include "support/TempFolder.h"
#include "system/Accelerometer.h"
#include "system/Clock.h"

namespace {

// Readings come only from the tests.
class TestAccelerometer : public Accelerometer {
public:
    void setDelegate(AccelerometerDelegate* d) override { delegate = d; }
    void setUpdateInterval(double) override {}
    AccelerometerDelegate* delegate = nullptr;
};

// An engine with no samples and no output, a recorder without its thread and
// a performer over both, on a manual clock.
class PerformerTest : public ::testing::Test {
protected:
    PerformerTest() { engine.seedRandom(1234); }

    // Each note event of the pass: "+slot volume slope" or "-slot".
    std::vector<std::string> pass() const {
        std::vector<std::string> out;
        std::vector<Note> notes = recorder.currentOverdubNotesToAdd();
        for (const Note& n : notes) {
            const auto down = std::find_if(notes.begin(), notes.end(), [&](const Note& m) {
                return m.keyDown() && m.noteID() == n.noteID();
            });
            char text[64];
            if (n.keyDown())
                std::snprintf(text, sizeof text, "+%d %g %.6g", n.sampleNo(), double(n.volume()),
                              n.releaseDelta());
            else
                std::snprintf(text, sizeof text, "-%d", down == notes.end() ? -1 : down->sampleNo());
            out.push_back(text);
        }
        return out;
    }
    void feed(double x, double y, int times) {
        for (int k = 0; k < times; ++k)
            performer->accelerometerDidAccelerate(x, y, -1.0);
    }
    // Runs the UI queue for `seconds` of manual time, in 0.1 s steps.
    void runFor(double seconds) {
        for (double t = 0; t < seconds; t += 0.1) {
            clock.advance(0.1);
            parent.mainThreadQueue().runPending();
        }
    }

    testsupport::TempFolder folder{"strumwell-performer"};
    ManualClock clock{1000.0};
    TestAccelerometer accelerometer; // outlives the performer, which lets go of it when it ends
    FakeParent parent{clock};
    SoundEngine engine{&parent, nullptr, folder.str(), clock};
    Recorder recorder{&parent, &engine, clock, false};
    std::unique_ptr<Performer> performer =
        std::make_unique<Performer>(engine, recorder, &parent, &accelerometer);
};

// Each gesture sounds on a voice that carries the note's identifier, and a
// recording keeps it with the guitar's volume and release slope.
TEST_F(PerformerTest, NotesBendsAndNoisesAreRecordedWithTheGuitarsVolumeAndSlope) {
    engine.setGuitarVolume(0, 0.5f);
    engine.setGuitarVolume(1, 0.25f);
    engine.setGuitarSustain(0, 0.0f);
    engine.setGuitarSustain(1, 1.0f);
    recorder.record();
    const int v = performer->play(1, 10, 0.5f);
    ASSERT_GE(v, 0);
    EXPECT_EQ(engine.voiceNoteID(v), 0);
    performer->fullBend(v);
    EXPECT_EQ(engine.voiceState(v).requiredPitch, SoundEngine::kFullBendPitch);
    performer->halfBend(v);
    performer->unbend(v);
    performer->stopBend(v);
    engine.setPitch(1.05f, 0); // played back from a recording: not recorded again
    performer->release(v);
    performer->play(0, 3);
    performer->playFretNoise(0);
    performer->playTapNoise(1);
    const std::vector<std::string> events = pass();
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[0], "+58 0.125 -1.5e-05");
    EXPECT_EQ(events[1], "-58");
    EXPECT_EQ(events[2], "+3 0.5 -8.8e-05");
    // Noises are released at once: with no slope they play to their end.
    const int fret = std::stoi(events[3].substr(1)), tap = std::stoi(events[5].substr(1));
    EXPECT_TRUE(fret >= 100 && fret <= 109 && events[3].ends_with(" 0.35 0") &&
                events[4] == "-" + std::to_string(fret));
    EXPECT_TRUE(tap >= 110 && tap <= 121 && events[5].ends_with(" 0.125 0") &&
                events[6] == "-" + std::to_string(tap));
    std::vector<std::string> bends;
    for (const PitchChange& p : recorder.currentPitchBendsToAdd())
        bends.push_back(std::to_string(p.noteID()) + ":" + std::to_string(p.pitch()));
    EXPECT_EQ(bends, (std::vector<std::string>{"0:" + std::to_string(SoundEngine::kFullBendPitch),
                                               "0:" + std::to_string(SoundEngine::kHalfBendPitch),
                                               "0:1.000000", "0:1.000000"}));
    // A humanized volume is one of four steps of a tenth below the guitar's.
    std::set<long> steps;
    for (int k = 0; k < 40; ++k) {
        performer->playHumanized(0, 3);
        steps.insert(std::lround(recorder.currentOverdubNotesToAdd().back().volume() * 20.0f));
    }
    EXPECT_EQ(steps, std::set<long>({7, 8, 9, 10}));
}

// Numbers from screens are untrusted: outside their range they sound and
// record nothing.
TEST_F(PerformerTest, UntrustedGuitarsAndVoicesDoNothing) {
    recorder.record();
    for (int bad : {-1, 2}) {
        EXPECT_EQ(performer->play(bad, 0) + performer->play(bad, 0, 1.0f) + performer->playHumanized(bad, 0),
                  -3);
        performer->playFretNoise(bad);
        performer->playTapNoise(bad);
        performer->nextPatch(nullptr, bad);
    }
    EXPECT_EQ(performer->play(0, 200), -1);
    for (int bad : {-1, 40}) {
        performer->release(bad);
        performer->fullBend(bad);
        performer->stopBend(bad);
    }
    EXPECT_EQ(engine.numSamplesPlaying(), 0);
    EXPECT_TRUE(recorder.currentOverdubNotesToAdd().empty() && recorder.currentPitchBendsToAdd().empty());
    // A patch step stops the recording before the samples change.
    performer->nextPatch(nullptr, 0);
    EXPECT_EQ(recorder.getState(), 0);
}

// Without readings the twelfth check alerts once; readings move the pedals of
// the current guitar only, a recording keeps each change, and a song played
// back that moves them itself holds them.
TEST_F(PerformerTest, TiltsPlayThePedalsOfTheCurrentGuitarOrTheChecksAlertOnce) {
    EXPECT_EQ(accelerometer.delegate, performer.get());
    runFor(11.5);
    EXPECT_TRUE(parent.alerts.empty());
    runFor(6.0);
    EXPECT_EQ(parent.alerts,
              std::vector<std::string>(
                  {"Accelerometer Failure: " + std::string(Performer::kAccelerometerFailureMessage)}));
    EXPECT_EQ(std::pair(performer->numAccelerometerStartTries(), performer->accelerometerWorking()),
              std::pair(12, false));
    for (int g : {1, 0}) {
        performer->setGuitar(g);
        engine.setWahOn(g, true);
        engine.setWhammyBarAttached(g, true);
        recorder.record();
        const float other = engine.whammy(1 - g);
        performer->release(performer->play(g, 3)); // a song without notes does not play
        // The readings are smoothed across guitars: start from elsewhere, so
        // that each guitar's pass sees them move.
        feed(0.5, -0.5, 10 + 10 * g);
        feed(-0.3, 0.35, 400);
        EXPECT_NEAR(engine.wahForGuitar(g) + 10 * engine.whammy(g), 0.275f - 2.5f, 1e-4) << g;
        EXPECT_FALSE(recorder.wahChangesToAdd(g).empty() || recorder.whammyBarChangesToAdd(g).empty()) << g;
        EXPECT_EQ(engine.whammy(1 - g), other);
        EXPECT_FALSE(performer->songHoldsTilt(g));
        recorder.stop();
        recorder.runPlaybackPass();
        engine.setWhammyBarAttached(g, false);
    }
    // While the song plays back its own wah movements, a reading is
    // overruled: the sound keeps the song's, the reading still follows.
    engine.setWhammyBarAttached(0, true);
    recorder.play();
    const float wah = engine.wahForGuitar(0);
    feed(0.9, -0.9, 400);
    EXPECT_TRUE(performer->songHoldsTilt(0));
    EXPECT_EQ(engine.wahForGuitar(0), wah);
    EXPECT_NEAR(performer->currentAccelerometerReadingWah() - performer->currentAccelerometerReadingWhammy(),
                1.8f, 1e-3);
    recorder.stop();
    // Once readings come, checks stop; one alert is all.
    performer->checkAccelerometer();
    runFor(20.0);
    EXPECT_EQ(std::pair(parent.alerts.size(), performer->numAccelerometerStartTries()),
              std::pair(size_t(1), 12));
    performer.reset();
    EXPECT_EQ(accelerometer.delegate, nullptr);
}

} // namespace
