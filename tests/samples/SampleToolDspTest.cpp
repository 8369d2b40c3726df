// Filters and loudness used to even out the guitar samples.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "Biquad.h"
#include "KWeighting.h"
#include "LevelMatcher.h"

namespace {
std::vector<float> sine(double freq, double amplitude, double seconds = 0.4) {
    std::vector<float> x(size_t(seconds * 44100.0));
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = float(amplitude * std::sin(2 * std::numbers::pi * freq * double(i) / 44100.0));
    return x;
}
double lufs(const std::vector<float>& x) {
    return KWeighting::loudness(x.data(), x.size(), 44100.0);
}
} // namespace

TEST(KWeighting, PublishedCoefficientsResponseAndLoudnessOfReferenceSignals) {
    const Biquad s1 = KWeighting::shelfStage(48000.0), s2 = KWeighting::highPassStage(48000.0);
    const double got[] = {s1.b0, s1.b1, s1.b2, s1.a1, s1.a2, s2.b0, s2.b1, s2.b2, s2.a1, s2.a2};
    // Enough digits to catch a wrong corner, gain or Q at 48 kHz.
    const double published[] = {1.535125, -2.691696, 1.198393, -1.690659, 0.732481,
                                1.0,      -2.0,      1.0,      -1.990047, 0.990072};
    for (size_t k = 0; k < std::size(got); ++k)
        EXPECT_NEAR(got[k], published[k], 1e-6) << k;
    const double rate = 44100.0;
    const Biquad h1 = KWeighting::shelfStage(rate), h2 = KWeighting::highPassStage(rate);
    auto db = [&](double f) { return 20 * std::log10(h1.gainAt(f, rate) * h2.gainAt(f, rate)); };
    EXPECT_NEAR(db(1000.0), 0.69, 0.05); // why the -0.691 offset exists
    EXPECT_NEAR(db(10000.0), 4.0, 0.3);  // the head shelf
    EXPECT_NEAR(db(38.0), -6.0, 0.2);    // Q 0.5: -6 dB at the corner
    // A half-scale 1 kHz sine in one channel reads -3.01 - 6.02 LUFS; high
    // frequencies weigh more than low ones.
    EXPECT_NEAR(lufs(sine(1000.0, 0.5)), -3.01 - 6.02, 0.05);
    EXPECT_GT(lufs(sine(8000.0, 0.5)), lufs(sine(100.0, 0.5)) + 3.0);
    EXPECT_EQ(lufs(std::vector<float>(1000, 0.0f)), -200.0);
    EXPECT_EQ(KWeighting::loudness(nullptr, 0, 44100.0), -200.0);
}

TEST(Biquad, LowAndHighPassShapes) {
    const double rate = 44100.0, half = std::sqrt(0.5);
    const Biquad lp = Biquad::lowPass(2000.0, rate), hp = Biquad::highPass(500.0, rate);
    const struct {
        const Biquad& filter;
        double f, gain, tolerance;
    } cases[] = {{lp, 1.0, 1.0, 1e-6},  {lp, 2000.0, half, 1e-3}, {lp, 16000.0, 0.0, 0.05},
                 {hp, 20.0, 0.0, 0.01}, {hp, 500.0, half, 1e-3},  {hp, 15000.0, 1.0, 1e-2}};
    for (const auto& c : cases)
        EXPECT_NEAR(c.filter.gainAt(c.f, rate), c.gain, c.tolerance) << c.f;
    // Filtering in the time domain agrees with the response.
    std::vector<float> x = sine(8000.0, 1.0, 0.2);
    Biquad f = Biquad::lowPass(1000.0, rate);
    f.processInPlace(x.data(), x.size());
    EXPECT_NEAR(lufs(x) - lufs(sine(8000.0, 1.0, 0.2)), 20 * std::log10(f.gainAt(8000.0, rate)), 0.5);
}

TEST(LevelMatcher, PeakyNoteIsHeldBackAndTheCeilingHolds) {
    // Note 2 has a peak 12 dB above the others for the same loudness: at the
    // target it would clip, so it is held back; its neighbours follow it down
    // by at most one step each.
    std::vector<double> loudness(9, -20.0), peaks(9, 0.1);
    peaks[2] = 0.1 * std::pow(10, 12 / 20.0);
    const LevelMatcher::Result r = LevelMatcher::match(loudness, peaks, -14.0, 0.5, 3.5, 1.0);
    const double held = -20.0 + 20 * std::log10(0.5 / peaks[2]);
    const std::vector<double> expected = {held + 2, held + 1, held, held + 1, held + 2, held + 3, held + 3.5};
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_NEAR(r.loudness[k], expected[k], 1e-9) << k;
    EXPECT_NEAR(r.patchLoudness, held + 3.5, 1e-9) << "the spread budget caps the patch level";
    EXPECT_NEAR(r.peak, 0.5, 1e-9);
    // Equal peak ratios give one flat loudness at the target.
    const LevelMatcher::Result flat =
        LevelMatcher::match({-20, -25}, {0.1, 0.1 * std::pow(10, -0.25)}, -30, 0.5);
    EXPECT_NEAR(flat.loudness[0] + flat.loudness[1] + flat.patchLoudness, -90.0, 1e-9);
    EXPECT_EQ(flat.heldBack, 0);
    // Silent notes get no gain; nothing gives nothing.
    const LevelMatcher::Result r2 = LevelMatcher::match({-20, -200, -22}, {0.1, 0.0, 0.1}, -20, 1.0);
    EXPECT_EQ(r2.gains[1], 0.0);
    EXPECT_NEAR(r2.loudness[2], -20.0, 1e-9);
    EXPECT_TRUE(LevelMatcher::match({}, {}, -20, 1.0).gains.empty());
    EXPECT_EQ(LevelMatcher::match({-20, -20}, {0, 0}, -20, 1.0).gains, (std::vector<double>{0, 0}));
    EXPECT_EQ(LevelMatcher::maxStep({-1, -4, -2}) + LevelMatcher::spread({-1, -4, -2}), 6.0);
}

TEST(LevelMatcher, RandomPatchesKeepEveryLimit) {
    std::mt19937 rng(1234);
    std::uniform_real_distribution<double> loud(-40, -15), ratio(6, 22);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<double> loudness(48), peaks(48);
        for (int k = 0; k < 48; ++k) {
            loudness[k] = loud(rng);
            peaks[k] = std::pow(10, (loudness[k] + ratio(rng)) / 20.0);
        }
        const double ceiling = std::pow(10, -3 / 20.0);
        const LevelMatcher::Result r = LevelMatcher::match(loudness, peaks, -15.0, ceiling, 3.5, 1.0);
        for (int k = 0; k < 48; ++k) {
            ASSERT_LE(peaks[k] * r.gains[k], ceiling * (1 + 1e-12));
            ASSERT_LE(r.loudness[k], r.patchLoudness + 1e-9);
            ASSERT_NEAR(loudness[k] + 20 * std::log10(r.gains[k]), r.loudness[k], 1e-9);
        }
        ASSERT_LE(LevelMatcher::spread(r.loudness), 3.5 + 1e-9);
        ASSERT_LE(LevelMatcher::maxStep(r.loudness), 1.0 + 1e-9);
        ASSERT_LE(r.patchLoudness, -15.0);
    }
}
