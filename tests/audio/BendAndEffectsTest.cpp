// Pitch bends, the whammy bar and the effects chain: known vectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "AudioTestSupport.h"

namespace {

class BendTest : public EngineTest {};

TEST_F(BendTest, FullBendGlidesUpInSixteenBuffersAndDownInFive) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(30000, 100));
    e.setPitchBendOn(0, true);
    const int v = e.playSampleWithSampleNo(0, 0.5, 0, -1);
    render(e, 220);
    e.startFullBend(v);
    int buffers = 0;
    while (e.voiceState(v).pitch != SoundEngine::kFullBendPitch && buffers < 100) {
        render(e, 220);
        ++buffers;
    }
    EXPECT_EQ(buffers, 16);
    e.unbend(v);
    buffers = 0;
    while (e.voiceState(v).pitch != 1.0f && buffers < 100) {
        render(e, 220);
        ++buffers;
    }
    EXPECT_EQ(buffers, 5);
    ASSERT_EQ(recorder.pitches.size(), 2u);
    EXPECT_FLOAT_EQ(recorder.pitches[0].value, 1.1233333f);
    EXPECT_FLOAT_EQ(recorder.pitches[1].value, 1.0f);
}

TEST_F(BendTest, HalfBendTarget) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(30000, 100));
    e.setPitchBendOn(0, true);
    const int v = e.playSampleWithSampleNo(0, 0.5, 0, -1);
    e.startHalfBend(v);
    for (int k = 0; k < 10; ++k)
        render(e, 220);
    EXPECT_EQ(e.voiceState(v).pitch, 1.0616666f);
}

TEST_F(BendTest, BendUndoneBeforeTheNextBufferNeverRises) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(30000, 100));
    e.setPitchBendOn(0, true);
    const int v = e.playSampleWithSampleNo(0, 0.5, 0, -1);
    e.startFullBend(v);
    e.unbend(v);
    for (int k = 0; k < 4; ++k) {
        render(e, 220);
        EXPECT_EQ(e.voiceState(v).pitch, 1.0f);
    }
}

TEST_F(BendTest, StopBendReturnsAtOnce) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(30000, 100));
    e.setPitchBendOn(0, true);
    const int v = e.playSampleWithSampleNo(0, 0.5, 0, -1);
    e.startFullBend(v);
    for (int k = 0; k < 20; ++k)
        render(e, 220);
    e.stopBend(v);
    EXPECT_EQ(e.voiceState(v).pitch, 1.0f);
    render(e, 220);
    EXPECT_EQ(e.voiceState(v).pitch, 1.0f);
}

TEST_F(BendTest, WhammyMinusHalfPlaysAtHalfSpeed) {
    SoundEngine& e = makeEngine();
    std::vector<int16_t> ramp(1000);
    for (int i = 0; i < 1000; ++i)
        ramp[size_t(i)] = int16_t(10 * i);
    loadSlot(0, ramp);
    e.setWhammyBarAttached(0, true);
    e.setWhammyForGuitar(0, -0.5f);
    e.playSampleWithSampleNo(0, 1.0, 0, -1);
    // Position 0.5 j interpolates to exactly 5 j.
    for (int b = 0; b < 3; ++b) {
        const auto out = render(e, 256);
        for (int j = 0; j < 256; ++j)
            ASSERT_EQ(out[2 * j], 5 * (256 * b + j)) << b << " " << j;
    }
    // At normal speed the 1000 values would be over by now; at half speed
    // the note is still sounding.
    render(e, 256);
    const auto more = render(e, 256);
    EXPECT_NE(more[0], 0);
}

TEST_F(BendTest, WhammyPlusHalfAndBendAdd) {
    SoundEngine& e = makeEngine();
    std::vector<int16_t> ramp(4000);
    for (int i = 0; i < 4000; ++i)
        ramp[size_t(i)] = int16_t(4 * i);
    loadSlot(50, ramp);
    e.setWhammyBarAttached(1, true);
    e.setWhammyForGuitar(1, 0.5f);
    e.playSampleWithSampleNo(50, 1.0, 0, -1);
    const auto out = render(e, 64);
    for (int j = 0; j < 64; ++j)
        EXPECT_EQ(out[2 * j], 6 * j); // 1.5 values per frame
}

TEST_F(BendTest, NoBendWhenBothSwitchesAreOff) {
    SoundEngine& e = makeEngine();
    std::vector<int16_t> ramp(5000);
    for (int i = 0; i < 5000; ++i)
        ramp[size_t(i)] = int16_t(i);
    loadSlot(0, ramp);
    e.setWhammyForGuitar(0, 0.5f);
    const int v = e.playSampleWithSampleNo(0, 1.0, 0, -1);
    e.startFullBend(v);
    for (int b = 0; b < 4; ++b) {
        const auto out = render(e, 256);
        for (int j = 0; j < 256; ++j)
            ASSERT_EQ(out[2 * j], 256 * b + j);
    }
    EXPECT_EQ(e.voiceState(v).pitch, 1.0f);
}

TEST_F(BendTest, SetPitchReachesFirstVoiceWithTheNoteIDEvenWhenStopped) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(30000, 100));
    e.playSampleWithSampleNo(0, 0.5, 0, 5);
    const int v = e.playSampleWithSampleNo(0, 0.5, 0, 9);
    e.playSampleWithSampleNo(0, 0.5, 0, 9);
    e.stopSample(v);
    e.setPitch(1.05f, 9);
    EXPECT_EQ(e.voiceState(v).requiredPitch, 1.05f);
    EXPECT_EQ(e.voiceState(v + 1).requiredPitch, 1.0f);
    e.setPitch(1.05f, 1234); // nobody: nothing happens
    EXPECT_TRUE(recorder.pitches.empty());
}

TEST_F(BendTest, BendNearTheEndNeverReadsPastTheSample) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(300, 1000));
    e.setWhammyBarAttached(0, true);
    e.setWhammyForGuitar(0, 0.5f);
    const int v = e.playSampleWithSampleNo(0, 1.0, -0.5, -1);
    e.startFullBend(v);
    for (int b = 0; b < 5; ++b)
        render(e, 256);
    e.stopSample(v);
    for (int b = 0; b < 5; ++b)
        for (int16_t x : render(e, 256))
            EXPECT_EQ(x, 0);
    EXPECT_TRUE(e.voicePlaying(v)); // silent and still playing, as in the plain mixer
}

TEST_F(BendTest, SpeedsAtOrBelowZeroAreRefused) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(3000, 1000));
    e.setWhammyBarAttached(0, true);
    e.setWhammyForGuitar(0, -5.0f);
    const int v = e.playSampleWithSampleNo(0, 1.0, 0, -1);
    for (int16_t x : render(e, 64))
        EXPECT_EQ(x, 0);
    EXPECT_EQ(e.voiceState(v).playPosition, 0.0f);
    e.setWhammyForGuitar(0, 1e30f); // absurdly fast: held, and stops at the end
    render(e, 64);
    render(e, 64);
    EXPECT_LE(e.voiceState(v).playPosition, 3000.0f + 64.0f);
}

class EffectsTest : public EngineTest {};

TEST_F(EffectsTest, WahOnConstantSettlesAt9995) {
    for (int frames : {220, 256}) {
        SoundEngine& e = makeEngine();
        loadSlot(0, constantSample(1000, 20000));
        e.setWahOn(0, true);
        e.setWahForGuitar(0, 0.5f);
        e.playSampleWithSampleNo(0, 0.5, 0, -1); // 10000 in every value
        const auto out = render(e, frames);
        EXPECT_EQ(out[size_t(2 * frames - 1)], 9995) << frames;
        // The first value leaves the filter at its starting state.
        EXPECT_EQ(out[0], 0);
        engine.reset();
    }
}

TEST_F(EffectsTest, WahValuesAreHeldToThePedalsRange) {
    SoundEngine& e = makeEngine();
    const struct {
        float given, held;
    } cases[] = {{0.05f, 0.05f}, {0.3f, 0.3f},  {0.5f, 0.5f},   {0.6f, 0.5f},       {1.0f, 0.5f},
                 {1e30f, 0.5f},  {0.0f, 0.05f}, {-1.0f, 0.05f}, {-INFINITY, 0.05f}, {NAN, 0.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        e.setWahForGuitar(1, c.given);
        EXPECT_EQ(e.wahForGuitar(1), c.held);
    }
}

// Whatever sequence of coefficients the pedal makes, the filter dies away
// once the notes have stopped; values beyond its range are held to it, also
// when they reach the render thread's record without the setter.
TEST_F(EffectsTest, WahNeverRingsAfterTheNotesStop) {
    std::vector<int16_t> square(8820);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = int16_t((i / 40) % 2 ? 30000 : -30000);
    const struct {
        const char* name;
        int pattern; // 0: constant `value`; 1: the two ends in turn; 2: random within the range
        float value;
        bool direct;
    } cases[] = {{"open", 0, 0.5f, false},      {"closed", 0, 0.05f, false},  {"ends in turn", 1, 0, false},
                 {"random", 2, 0, false},       {"too open", 0, 0.6f, false}, {"one", 0, 1.0f, false},
                 {"direct 0.6", 0, 0.6f, true}, {"direct 0.9", 0, 0.9f, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SoundEngine& e = makeEngine();
        loadSlot(0, square);
        e.setWahOn(0, true);
        std::mt19937 rng(7);
        int buffer = 0;
        auto setWah = [&] {
            float f = c.value;
            if (c.pattern == 1)
                f = buffer % 2 ? 0.05f : 0.5f;
            else if (c.pattern == 2)
                f = std::uniform_real_distribution<float>(0.05f, 0.5f)(rng);
            if (c.direct)
                e.effect<WahEffect>(0).storeUncheckedCoefficient(f);
            else
                e.setWahForGuitar(0, f);
            ++buffer;
        };
        for (int k = 0; k < 3; ++k)
            e.playSampleWithSampleNo(0, 0.6, -0.001, -1);
        for (int b = 0; b < 80; ++b) {
            setWah();
            render(e, 32);
        }
        e.stopAllSounds();
        // A quarter of a second for the release and the filter to settle...
        for (int b = 0; b < 345; ++b) {
            setWah();
            render(e, 32);
        }
        EXPECT_EQ(e.numSamplesPlaying(), 0);
        // ...after which it stays silent.
        for (int b = 0; b < 100; ++b) {
            setWah();
            for (int16_t x : render(e, 32))
                ASSERT_TRUE(x >= -1 && x <= 1) << x << " in buffer " << b;
        }
        engine.reset();
    }
}

TEST_F(EffectsTest, FuzzClipsSineToSquare) {
    SoundEngine& e = makeEngine();
    e.addSineWaveAtSlot(0);
    e.setFuzzOn(0, true);
    e.setFuzzThreshold(0, 1.0f);
    e.playSampleWithSampleNo(0, 1.0, 0, -1);
    const auto out = render(e, 4096);
    int atRail = 0;
    for (int16_t x : out) {
        ASSERT_GE(x, -1000);
        ASSERT_LE(x, 1000);
        atRail += (x == 1000 || x == -1000);
    }
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), 1000);
    EXPECT_EQ(*std::min_element(out.begin(), out.end()), -1000);
    EXPECT_GT(atRail, int(out.size() * 9 / 10));
}

TEST_F(EffectsTest, FuzzThresholdMapping) {
    SoundEngine& e = makeEngine();
    e.setFuzzThreshold(0, 1.0f);
    EXPECT_EQ(e.effect<FuzzEffect>(0).thresholdLevel(), 1000);
    EXPECT_FLOAT_EQ(e.fuzzThreshold(0), 1.0f);
    e.setFuzzThreshold(0, 0.0f);
    EXPECT_EQ(e.effect<FuzzEffect>(0).thresholdLevel(), 19000);
    EXPECT_FLOAT_EQ(e.fuzzThreshold(0), 0.0f);
    e.setFuzzThreshold(0, 0.5f);
    EXPECT_EQ(e.effect<FuzzEffect>(0).thresholdLevel(), 10000);
}

// An impulse of 10000 on both sides of guitar 2, then silence.
std::vector<int16_t> impulseRun(SoundEngine& e, int delayTime, bool pingPong,
                                const std::vector<int>& buffers) {
    e.setDelayOn(1, true);
    e.setPingPong(1, pingPong);
    e.setDelayTime(1, delayTime);
    e.setDelayFeedback(1, 0.4f);
    e.setDelayMix(1, 0.9f);
    e.playSampleWithSampleNo(48, 1.0, 0, -1);
    std::vector<int16_t> all;
    for (int frames : buffers) {
        const auto out = render(e, frames);
        all.insert(all.end(), out.begin(), out.end());
    }
    return all;
}

TEST_F(EffectsTest, PingPongEchoesAlternateSides) {
    SoundEngine& e = makeEngine();
    loadSlot(48, {10000});
    std::vector<int> buffers(80, 256);
    const auto out = impulseRun(e, 26460, true, buffers);
    const auto L = leftOf(out), R = rightOf(out);
    EXPECT_EQ(L[0], 10000);
    EXPECT_EQ(R[0], 10000);
    // mix 0.9 = 58982, feedback 0.4 = 26214 in 16.16.
    EXPECT_EQ(R[6615], 8999);
    EXPECT_EQ(L[13230], 8999);
    EXPECT_EQ(R[19845], 3599);
    for (size_t k = 1; k < L.size(); ++k) {
        if (k != 13230) {
            EXPECT_EQ(L[k], 0) << k;
        }
        if (k != 6615 && k != 19845) {
            EXPECT_EQ(R[k], 0) << k;
        }
    }
}

TEST_F(EffectsTest, SecondReadPositionWrapsToZero) {
    SoundEngine& e = makeEngine();
    loadSlot(48, {10000});
    // After 6615 frames the write position is 13230 and the second read
    // position is exactly 88400: it must wrap to 0.
    const auto out = impulseRun(e, 26460, true, {6615, 256});
    EXPECT_EQ(rightOf(out)[6615], 8999);
    EXPECT_EQ(leftOf(out)[6615], 0);
}

TEST_F(EffectsTest, DelayTimeZeroIsAFullRing) {
    SoundEngine& e = makeEngine();
    loadSlot(48, {10000});
    std::vector<int> buffers(175, 256);
    const auto out = impulseRun(e, 0, false, buffers);
    const auto L = leftOf(out), R = rightOf(out);
    EXPECT_EQ(L[0], 10000);
    EXPECT_EQ(L[44200], 8999);
    EXPECT_EQ(R[44200], 8999);
    for (size_t k = 1; k < 44200; ++k)
        ASSERT_EQ(L[k], 0) << k;
}

TEST_F(EffectsTest, OddDelayTimeEchoesLeftIntoRight) {
    SoundEngine& e = makeEngine();
    loadSlot(48, {10000});
    const auto out = impulseRun(e, 3, false, {16});
    // Value 3 after the left impulse is the right value of frame 1.
    EXPECT_EQ(out[3], 8999);
    EXPECT_EQ(out[4], 8999); // the right impulse, one value later
    EXPECT_EQ(out[2], 0);
}

TEST_F(EffectsTest, DelayNeverExceeds32766) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(5000, 32767));
    loadSlot(1, constantSample(5000, -32767));
    e.setDelayOn(0, true);
    e.setPingPong(0, false);
    e.setDelayTime(0, 2);
    e.setDelayFeedback(0, 0.9f);
    e.setDelayMix(0, 0.9f);
    e.playSampleWithSampleNo(0, 1.0, 0, -1);
    auto out = render(e, 512);
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), 32766);
    e.stopAllSoundsImmediately();
    e.playSampleWithSampleNo(1, 1.0, 0, -1);
    out = render(e, 512);
    EXPECT_EQ(*std::min_element(out.begin(), out.end()), -32767);
}

TEST_F(EffectsTest, UntrustedDelaySettingsStayInsideTheRing) {
    SoundEngine& e = makeEngine();
    loadSlot(48, constantSample(100, 20000));
    e.playSampleWithSampleNo(48, 1.0, 0, -1);
    for (int time : {-5, 88400, 100000, 88401, 1 << 30}) {
        for (bool pp : {false, true}) {
            e.setDelayOn(1, true);
            e.setPingPong(1, pp);
            e.setDelayTime(1, time);
            e.setDelayFeedback(1, 1e9f);
            e.setDelayMix(1, std::nanf(""));
            for (int16_t x : render(e, 300))
                ASSERT_TRUE(x >= -32767 && x <= 32767);
        }
    }
}

// Feedback and mix restored from a file are held to 0 ... 1: the result is
// exactly that of the nearest knob setting.
TEST_F(EffectsTest, RestoredDelayGainsAreHeldToTheKnobsRange) {
    const struct {
        float feedback, mix, heldFeedback, heldMix;
    } cases[] = {{1e30f, INFINITY, 1.0f, 1.0f},
                 {-INFINITY, -1e30f, 0.0f, 0.0f},
                 {NAN, NAN, 0.0f, 0.0f},
                 {1.5f, 0.25f, 1.0f, 0.25f},
                 {0.4f, 0.9f, 0.4f, 0.9f}};
    auto play = [&](SoundEngine& e) {
        std::vector<int16_t> all;
        e.playSampleWithSampleNo(48, 1.0, 0, -1);
        for (int b = 0; b < 40; ++b) {
            const auto out = render(e, 256);
            all.insert(all.end(), out.begin(), out.end());
        }
        return all;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.feedback);
        SoundEngine& e = makeEngine();
        loadSlot(48, constantSample(3000, 20000));
        auto section = e.createSaveBuffer();
        section[40] = 1; // guitar 2's delay on, plain, 1000 values
        section[41] = 0;
        const int32_t time = 1000;
        std::memcpy(&section[42], &time, 4);
        std::memcpy(&section[46], &c.feedback, 4);
        std::memcpy(&section[50], &c.mix, 4);
        e.restoreFromSaveBuffer(section.data(), section.size(), 2);
        EXPECT_EQ(e.delayFeedback(1), c.heldFeedback);
        EXPECT_EQ(e.delayMix(1), c.heldMix);
        const auto restored = play(e);

        SoundEngine& knobs = makeEngine();
        loadSlot(48, constantSample(3000, 20000));
        knobs.setDelayOn(1, true);
        knobs.setPingPong(1, false);
        knobs.setDelayTime(1, 1000);
        knobs.setDelayFeedback(1, c.heldFeedback);
        knobs.setDelayMix(1, c.heldMix);
        EXPECT_EQ(play(knobs), restored);
        // The setters hold the same way.
        knobs.setDelayFeedback(1, c.feedback);
        knobs.setDelayMix(1, c.mix);
        EXPECT_EQ(knobs.delayFeedback(1), c.heldFeedback);
        EXPECT_EQ(knobs.delayMix(1), c.heldMix);
    }
}

TEST_F(EffectsTest, NoisesKeepGuitarTwosRightEchoes) {
    // The noise is added to the left and right value separately: it must not
    // copy the left value over the right one's echo.
    SoundEngine& e = makeEngine();
    loadSlot(48, {10000});
    loadSlot(100, constantSample(2000, 1000));
    std::vector<int> buffers(25, 256); // 6400 frames
    impulseRun(e, 26460, true, buffers);
    e.playSampleWithSampleNo(100, 1.0, 0, -1);
    const auto out = render(e, 256);
    const int frame = 6615 - 6400;
    EXPECT_EQ(out[2 * frame], 1000);
    EXPECT_EQ(out[2 * frame + 1], 9999);
}

TEST_F(EffectsTest, SwitchingTheDelayEmptiesTheRing) {
    SoundEngine& e = makeEngine();
    loadSlot(48, {10000});
    impulseRun(e, 200, false, {50});
    e.setDelayOn(1, true); // empties the ring: the echo at frame 100 is gone
    const auto out = render(e, 256);
    for (int16_t x : out)
        EXPECT_EQ(x, 0);
}

} // namespace
