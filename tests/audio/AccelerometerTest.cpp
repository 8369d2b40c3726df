// The accelerometer's tilt controls and its start-up check.
#include <gtest/gtest.h>

#include "AudioTestSupport.h"

namespace {

class FakeAccelerometer : public Accelerometer {
public:
    void setDelegate(AccelerometerDelegate* d) override {
        delegate = d;
        ++delegateSets;
    }
    void setUpdateInterval(double seconds) override { interval = seconds; }
    AccelerometerDelegate* delegate = nullptr;
    int delegateSets = 0;
    double interval = 0;
};

class AccelerometerTest : public EngineTest {
protected:
    // The engine lets go of the accelerometer when it ends, so it must end
    // before this class's accelerometer does.
    ~AccelerometerTest() override { engine.reset(); }
    SoundEngine& makeWithAccelerometer() {
        engine = std::make_unique<SoundEngine>(&parent, nullptr, &accelerometer, folder.path(), clock);
        engine->setRecorder(&recorder);
        return *engine;
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
    FakeAccelerometer accelerometer;
};

TEST_F(AccelerometerTest, SetsItselfUpAsDelegateAtFiftyReadingsASecond) {
    SoundEngine& e = makeWithAccelerometer();
    EXPECT_EQ(accelerometer.delegate, &e);
    EXPECT_DOUBLE_EQ(accelerometer.interval, 0.02);
    EXPECT_FALSE(e.accelerometerWorking());
}

TEST_F(AccelerometerTest, AlertOnTheTwelfthCheckWithoutReadings) {
    SoundEngine& e = makeWithAccelerometer();
    runFor(11.5);
    EXPECT_TRUE(parent.alerts.empty());
    runFor(1.0);
    ASSERT_EQ(parent.alerts.size(), 1u);
    EXPECT_EQ(parent.alerts[0].title, "Accelerometer Failure");
    EXPECT_EQ(parent.alerts[0].message,
              "The accelerometer did not initialise.  Please close Strumwell by holding down the Home button "
              "for 10 seconds, and then relaunch it.");
    EXPECT_FALSE(parent.alerts[0].okButton);
    EXPECT_EQ(e.numAccelerometerStartTries(), 12);
    runFor(5.0);
    EXPECT_EQ(parent.alerts.size(), 1u); // checking has stopped
}

TEST_F(AccelerometerTest, AReadingStopsTheChecks) {
    SoundEngine& e = makeWithAccelerometer();
    runFor(2.5);
    e.accelerometerDidAccelerate(0, 0, -1);
    runFor(20.0);
    EXPECT_TRUE(parent.alerts.empty());
    EXPECT_TRUE(e.accelerometerWorking());
}

TEST_F(AccelerometerTest, LevelPhoneGivesOpenWahAndNoWhammy) {
    SoundEngine& e = makeWithAccelerometer();
    e.setWahOn(0, true);
    e.setWhammyBarAttached(0, true);
    feed(0.0, 0.0, 10);
    EXPECT_EQ(e.wahForGuitar(0), 0.5f);
    EXPECT_EQ(e.whammy(0), 0.0f);
}

TEST_F(AccelerometerTest, SteadyTiltsGiveTheStatedValues) {
    SoundEngine& e = makeWithAccelerometer();
    e.setWahOn(0, true);
    e.setWhammyBarAttached(0, true);
    feed(-0.3, 0.35, 400);
    EXPECT_NEAR(e.whammy(0), -0.25f, 1e-5);
    EXPECT_NEAR(e.wahForGuitar(0), 0.275f, 1e-5);
    feed(0.9, -0.9, 400);
    EXPECT_EQ(e.wahForGuitar(0), 0.05f);
    EXPECT_EQ(e.whammy(0), 0.5f);
    feed(0.0, 0.9, 400);
    EXPECT_EQ(e.whammy(0), -0.5f);
    // Every value was offered to the recorder first.
    EXPECT_EQ(recorder.wahs.size(), 1200u);
    EXPECT_EQ(recorder.whammies.back().id, 0);
}

TEST_F(AccelerometerTest, RefusedChangesKeepTheSoundButTheReadingFollows) {
    SoundEngine& e = makeWithAccelerometer();
    e.setWahOn(0, true);
    e.setWhammyBarAttached(0, true);
    recorder.accept = false;
    feed(-0.3, 0.35, 400);
    EXPECT_EQ(e.wahForGuitar(0), 0.5f);
    EXPECT_EQ(e.whammy(0), 0.0f);
    EXPECT_NEAR(e.currentAccelerometerReadingWah(), -0.3f, 1e-5);
    EXPECT_NEAR(e.currentAccelerometerReadingWhammy(), 0.35f, 1e-5);
}

TEST_F(AccelerometerTest, ReadingsOnlyMoveWhileTheEffectIsOnForTheCurrentGuitar) {
    SoundEngine& e = makeWithAccelerometer();
    feed(-0.3, 0.35, 50);
    EXPECT_EQ(e.currentAccelerometerReadingWah(), 0.0f);
    EXPECT_EQ(e.currentAccelerometerReadingWhammy(), 0.0f);
    EXPECT_TRUE(recorder.wahs.empty());
    e.setWahOn(1, true);
    e.setWhammyBarAttached(1, true);
    parent.guitar = 1;
    feed(-0.3, 0.35, 400);
    EXPECT_NEAR(e.whammy(1), -0.25f, 1e-5);
    EXPECT_EQ(e.whammy(0), 0.0f);
    EXPECT_EQ(recorder.wahs.back().id, 1);
}

TEST_F(AccelerometerTest, WorksWithoutParentOrAccelerometer) {
    SoundEngine e(nullptr, nullptr, nullptr, folder.path(), clock);
    e.setWahOn(0, true);
    e.accelerometerDidAccelerate(0.8, 0, 0);
    e.checkAccelerometer();
    EXPECT_TRUE(e.accelerometerWorking());
}

} // namespace
