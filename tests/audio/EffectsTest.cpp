// The pedals: known echoes of the delay, and untrusted settings held to the
// knobs' range. The arithmetic on in-range settings is checked value by value
// against the reference model.
#include <cmath>
#include <cstring>

#include "AudioTestSupport.h"

namespace {

// Songs from elsewhere may hold any wah value: it is held to the pedal's
// range (0.05 ... 0.5), where the filter never rings, and so is a value that
// reaches the render thread's record without the setter.
TEST_F(EngineTest, WahValuesAreHeldToThePedalsRange) {
    std::vector<int16_t> square(2000);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = int16_t((i / 40) % 2 ? 30000 : -30000);
    auto play = [&](float f, bool direct) {
        SoundEngine& e = makeEngine();
        loadSlot(0, square);
        e.setWahOn(0, true);
        direct ? e.effect<WahEffect>(0).storeUncheckedCoefficient(f) : e.setWahForGuitar(0, f);
        e.playSampleWithSampleNo(0, 0.6, 0, -1);
        return std::make_pair(e.wahForGuitar(0), render(e, 1024));
    };
    const float cases[][2] = {{0.05f, 0.05f}, {0.3f, 0.3f},  {0.5f, 0.5f},   {0.6f, 0.5f},       {1.0f, 0.5f},
                              {1e30f, 0.5f},  {0.0f, 0.05f}, {-1.0f, 0.05f}, {-INFINITY, 0.05f}, {NAN, 0.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        const auto held = play(c[1], false);
        EXPECT_EQ(play(c[0], false), held);
        EXPECT_EQ(play(c[0], true).second, held.second);
        EXPECT_EQ(held.first, c[1]);
    }
}

// An impulse of 10000 on both sides of guitar 2 through a delay with mix 0.9
// (58982 in 16.16) and feedback 0.4 (26214): every value is silent but the
// impulse and the echoes listed.
TEST_F(EngineTest, DelayEchoesTheImpulseWhereItShould) {
    const struct {
        const char* name;
        int time, pingPong, firstBuffer, frames;
        int then; // after the first buffer: 1 plays a noise, 2 switches the delay on again
        std::vector<std::pair<size_t, int16_t>> echoes; // (value index = 2 frame + side, value)
    } cases[] = {
        // The second buffer starts where the second read position is exactly
        // at the ring's end: it wraps to 0. The noise played then bypasses
        // the delay and leaves the right echo in place.
        {"ping-pong", 26460, 1, 6615, 20480, 1, {{13230, 1000}, {13231, 9999}, {26460, 8999}, {39691, 3599}}},
        {"time 0 is a full ring", 0, 0, 256, 44800, 0, {{88400, 8999}, {88401, 8999}}},
        {"odd time echoes left into right", 3, 0, 3, 3, 0, {{3, 8999}, {4, 8999}}},
        {"switching on again empties the ring", 200, 0, 50, 306, 2, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SoundEngine& e = makeEngine();
        loadSlot(48, {10000});
        loadSlot(100, {1000});
        e.setDelayOn(1, true);
        e.setPingPong(1, c.pingPong == 1);
        e.setDelayTime(1, c.time);
        e.setDelayFeedback(1, 0.4f);
        e.setDelayMix(1, 0.9f);
        e.playSampleWithSampleNo(48, 1.0, 0, -1);
        std::vector<int16_t> out = render(e, c.firstBuffer), expected(size_t(c.frames) * 2, 0);
        if (c.then == 1)
            e.playSampleWithSampleNo(100, 1.0, 0, -1);
        if (c.then == 2)
            e.setDelayOn(1, true);
        for (int done = c.firstBuffer; done < c.frames; done += 256) {
            const auto more = render(e, std::min(256, c.frames - done));
            out.insert(out.end(), more.begin(), more.end());
        }
        expected[0] = expected[1] = 10000;
        for (const auto& [index, value] : c.echoes)
            expected[index] = value;
        ASSERT_EQ(out.size(), expected.size());
        for (size_t k = 0; k < out.size(); ++k)
            ASSERT_EQ(out[k], expected[k]) << "frame " << k / 2 << " side " << k % 2;
    }
}

// Feedback and mix restored from a file or set by the knobs are held to
// 0 ... 1 (the render thread plays the values read back here); untrusted
// times and gains stay inside the ring and the output range.
TEST_F(EngineTest, UntrustedDelaySettingsStayInsideTheRingAndTheRange) {
    SoundEngine& e = makeEngine();
    const float cases[][4] = {{1e30f, INFINITY, 1.0f, 1.0f},
                              {-INFINITY, -1e30f, 0.0f, 0.0f},
                              {NAN, NAN, 0.0f, 0.0f},
                              {1.5f, 0.25f, 1.0f, 0.25f},
                              {0.4f, 0.9f, 0.4f, 0.9f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        auto section = e.createSaveBuffer();
        std::memcpy(&section[46], &c[0], 8); // guitar 2's feedback and mix
        e.restoreFromSaveBuffer(section.data(), section.size(), 2);
        e.setDelayFeedback(0, c[0]);
        e.setDelayMix(0, c[1]);
        EXPECT_EQ(std::vector<float>({e.delayFeedback(1), e.delayMix(1), e.delayFeedback(0), e.delayMix(0)}),
                  std::vector<float>({c[2], c[3], c[2], c[3]}));
    }
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

} // namespace
