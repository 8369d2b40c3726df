// The pedals: known echoes of the delay, and untrusted settings held to the
// knobs' range. The arithmetic on in-range settings is checked value by value
// against the reference model.
#include <cmath>
#include <cstring>
#include <random>

#include "AudioTestSupport.h"

namespace {

TEST_F(EngineTest, WahValuesAreHeldToThePedalsRange) {
    SoundEngine& e = makeEngine();
    const float cases[][2] = {{0.05f, 0.05f}, {0.3f, 0.3f},  {0.5f, 0.5f},   {0.6f, 0.5f},       {1.0f, 0.5f},
                              {1e30f, 0.5f},  {0.0f, 0.05f}, {-1.0f, 0.05f}, {-INFINITY, 0.05f}, {NAN, 0.5f}};
    for (const auto& c : cases) {
        e.setWahForGuitar(1, c[0]);
        EXPECT_EQ(e.wahForGuitar(1), c[1]) << c[0];
    }
}

// Whatever sequence of coefficients the pedal makes, the filter dies away
// once the notes have stopped; values beyond its range are held to it, also
// when they reach the render thread's record without the setter.
TEST_F(EngineTest, WahNeverRingsAfterTheNotesStop) {
    std::vector<int16_t> square(8820);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = int16_t((i / 40) % 2 ? 30000 : -30000);
    const struct {
        const char* name;
        float value; // < 0: -1 the two ends in turn, -2 random within the range
        bool direct;
    } cases[] = {{"open", 0.5f, false},      {"closed", 0.05f, false},  {"ends in turn", -1, false},
                 {"random", -2, false},      {"too open", 0.6f, false}, {"one", 1.0f, false},
                 {"direct 0.6", 0.6f, true}, {"direct 0.9", 0.9f, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SoundEngine& e = makeEngine();
        loadSlot(0, square);
        e.setWahOn(0, true);
        std::mt19937 rng(7);
        auto renderWith = [&](int buffer) {
            float f = c.value == -1 ? (buffer % 2 ? 0.05f : 0.5f) : c.value;
            if (c.value == -2)
                f = std::uniform_real_distribution<float>(0.05f, 0.5f)(rng);
            if (c.direct)
                e.effect<WahEffect>(0).storeUncheckedCoefficient(f);
            else
                e.setWahForGuitar(0, f);
            return render(e, 32);
        };
        for (int k = 0; k < 3; ++k)
            e.playSampleWithSampleNo(0, 0.6, -0.001, -1);
        for (int b = 0; b < 80; ++b)
            renderWith(b);
        e.stopAllSounds();
        // A quarter of a second for the release and the filter to settle...
        for (int b = 80; b < 425; ++b)
            renderWith(b);
        EXPECT_EQ(e.numSamplesPlaying(), 0);
        // ...after which it stays silent.
        for (int b = 425; b < 525; ++b)
            for (int16_t x : renderWith(b))
                ASSERT_TRUE(x >= -1 && x <= 1) << x << " in buffer " << b;
    }
}

// An impulse of 10000 on both sides of guitar 2 through a delay with mix 0.9
// (58982 in 16.16) and feedback 0.4 (26214): every value is silent but the
// impulse and the echoes listed.
TEST_F(EngineTest, DelayEchoesTheImpulseWhereItShould) {
    struct Echo {
        int side, frame, value;
    };
    const struct {
        const char* name;
        int time;
        bool pingPong;
        int firstBuffer, frames;
        bool thenNoise, thenSwitchOn; // after the first buffer
        std::vector<Echo> echoes;
    } cases[] = {
        // The second buffer starts where the second read position is exactly
        // at the ring's end: it wraps to 0. The noise played then bypasses
        // the delay and leaves the right echo in place.
        {"ping-pong",
         26460,
         true,
         6615,
         20480,
         true,
         false,
         {{0, 6615, 1000}, {1, 6615, 9999}, {0, 13230, 8999}, {1, 19845, 3599}}},
        {"time 0 is a full ring", 0, false, 256, 44800, false, false, {{0, 44200, 8999}, {1, 44200, 8999}}},
        {"odd time echoes left into right", 3, false, 3, 3, false, false, {{1, 1, 8999}, {0, 2, 8999}}},
        {"switching on again empties the ring", 200, false, 50, 306, false, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SoundEngine& e = makeEngine();
        loadSlot(48, {10000});
        loadSlot(100, {1000});
        e.setDelayOn(1, true);
        e.setPingPong(1, c.pingPong);
        e.setDelayTime(1, c.time);
        e.setDelayFeedback(1, 0.4f);
        e.setDelayMix(1, 0.9f);
        e.playSampleWithSampleNo(48, 1.0, 0, -1);
        std::vector<int16_t> out = render(e, c.firstBuffer), expected(size_t(c.frames) * 2, 0);
        if (c.thenNoise)
            e.playSampleWithSampleNo(100, 1.0, 0, -1);
        if (c.thenSwitchOn)
            e.setDelayOn(1, true);
        for (int done = c.firstBuffer; done < c.frames; done += 256) {
            const auto more = render(e, std::min(256, c.frames - done));
            out.insert(out.end(), more.begin(), more.end());
        }
        expected[0] = expected[1] = 10000;
        for (const Echo& echo : c.echoes)
            expected[size_t(2 * echo.frame + echo.side)] = int16_t(echo.value);
        ASSERT_EQ(out.size(), expected.size());
        for (size_t k = 0; k < out.size(); ++k)
            ASSERT_EQ(out[k], expected[k]) << "frame " << k / 2 << " side " << k % 2;
    }
}

TEST_F(EngineTest, UntrustedDelaySettingsStayInsideTheRingAndTheRange) {
    SoundEngine& e = makeEngine();
    loadSlot(48, constantSample(100, 20000));
    e.playSampleWithSampleNo(48, 1.0, 0, -1);
    int16_t highest = 0;
    for (int time : {2, -5, 88400, 100000, 88401, 1 << 30}) {
        for (bool pp : {false, true}) {
            e.setDelayOn(1, true);
            e.setPingPong(1, pp);
            e.setDelayTime(1, time);
            e.setDelayFeedback(1, 1e9f);
            e.setDelayMix(1, pp ? std::nanf("") : 1e9f);
            for (int16_t x : render(e, 300)) {
                ASSERT_TRUE(x >= -32767 && x <= 32766) << x;
                highest = std::max(highest, x);
            }
        }
    }
    EXPECT_EQ(highest, 32766); // the echoes saturate
}

// Feedback and mix restored from a file are held to 0 ... 1: the result is
// exactly that of the nearest knob setting, and the knobs hold the same way.
TEST_F(EngineTest, RestoredDelayGainsAreHeldToTheKnobsRange) {
    const float cases[][4] = {{1e30f, INFINITY, 1.0f, 1.0f},
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
        SCOPED_TRACE(c[0]);
        SoundEngine& e = makeEngine();
        loadSlot(48, constantSample(3000, 20000));
        auto section = e.createSaveBuffer();
        const int32_t time = 1000;
        section[40] = 1; // guitar 2's delay on, plain, 1000 values
        section[41] = 0;
        std::memcpy(&section[42], &time, 4);
        std::memcpy(&section[46], &c[0], 8);
        e.restoreFromSaveBuffer(section.data(), section.size(), 2);
        EXPECT_EQ(e.delayFeedback(1), c[2]);
        EXPECT_EQ(e.delayMix(1), c[3]);
        const auto restored = play(e);

        SoundEngine& knobs = makeEngine();
        loadSlot(48, constantSample(3000, 20000));
        knobs.setDelayOn(1, true);
        knobs.setPingPong(1, false);
        knobs.setDelayTime(1, 1000);
        knobs.setDelayFeedback(1, c[2]);
        knobs.setDelayMix(1, c[3]);
        EXPECT_EQ(play(knobs), restored);
        knobs.setDelayFeedback(1, c[0]);
        knobs.setDelayMix(1, c[1]);
        EXPECT_EQ(knobs.delayFeedback(1), c[2]);
        EXPECT_EQ(knobs.delayMix(1), c[3]);
    }
}

} // namespace
