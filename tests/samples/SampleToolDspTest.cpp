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
std::vector<float> sine(double freq, double amplitude, double seconds, double rate = 44100.0) {
    std::vector<float> x(static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(amplitude *
                                  std::sin(2 * std::numbers::pi * freq * static_cast<double>(i) / rate));
    return x;
}
} // namespace

TEST(KWeighting, MatchesThePublished48kHzCoefficients) {
    const Biquad s1 = KWeighting::shelfStage(48000.0);
    EXPECT_NEAR(s1.b0, 1.53512485958697, 1e-9);
    EXPECT_NEAR(s1.b1, -2.69169618940638, 1e-9);
    EXPECT_NEAR(s1.b2, 1.19839281085285, 1e-9);
    EXPECT_NEAR(s1.a1, -1.69065929318241, 1e-9);
    EXPECT_NEAR(s1.a2, 0.73248077421585, 1e-9);
    const Biquad s2 = KWeighting::highPassStage(48000.0);
    EXPECT_DOUBLE_EQ(s2.b0, 1.0);
    EXPECT_DOUBLE_EQ(s2.b1, -2.0);
    EXPECT_DOUBLE_EQ(s2.b2, 1.0);
    EXPECT_NEAR(s2.a1, -1.99004745483398, 1e-9);
    EXPECT_NEAR(s2.a2, 0.99007225036621, 1e-9);
}

TEST(KWeighting, FrequencyResponseAt44100) {
    const double rate = 44100.0;
    const Biquad s1 = KWeighting::shelfStage(rate);
    const Biquad s2 = KWeighting::highPassStage(rate);
    auto db = [&](double f) { return 20 * std::log10(s1.gainAt(f, rate) * s2.gainAt(f, rate)); };
    EXPECT_NEAR(db(1000.0), 0.69, 0.05); // why the -0.691 offset exists
    EXPECT_NEAR(db(10000.0), 4.0, 0.3);  // the head shelf
    EXPECT_LT(db(20.0), -4.0);           // the low cut
    EXPECT_NEAR(db(38.0), -6.0, 0.2);    // Q 0.5: -6 dB at the corner
}

TEST(KWeighting, LoudnessOfReferenceSignals) {
    // A full-scale 1 kHz sine in one channel reads -3.01 LUFS.
    const std::vector<float> full = sine(1000.0, 1.0, 0.4);
    EXPECT_NEAR(KWeighting::loudness(full.data(), full.size(), 44100.0), -3.01, 0.05);
    // Half the amplitude is 6.02 LU less.
    const std::vector<float> half = sine(1000.0, 0.5, 0.4);
    EXPECT_NEAR(KWeighting::loudness(half.data(), half.size(), 44100.0), -3.01 - 6.02, 0.05);
    // High frequencies weigh more than low ones at the same level.
    const std::vector<float> high = sine(8000.0, 0.5, 0.4);
    const std::vector<float> low = sine(100.0, 0.5, 0.4);
    EXPECT_GT(KWeighting::loudness(high.data(), high.size(), 44100.0),
              KWeighting::loudness(low.data(), low.size(), 44100.0) + 3.0);
    // Silence and nothing.
    const std::vector<float> zeros(1000, 0.0f);
    EXPECT_EQ(KWeighting::loudness(zeros.data(), zeros.size(), 44100.0), -200.0);
    EXPECT_EQ(KWeighting::loudness(nullptr, 0, 44100.0), -200.0);
}

TEST(Biquad, LowAndHighPassShapes) {
    const double rate = 44100.0;
    const Biquad lp = Biquad::lowPass(2000.0, rate);
    EXPECT_NEAR(lp.gainAt(1.0, rate), 1.0, 1e-6);
    EXPECT_NEAR(lp.gainAt(2000.0, rate), std::sqrt(0.5), 1e-3);
    EXPECT_LT(lp.gainAt(16000.0, rate), 0.05);
    const Biquad hp = Biquad::highPass(500.0, rate);
    EXPECT_LT(hp.gainAt(20.0, rate), 0.01);
    EXPECT_NEAR(hp.gainAt(500.0, rate), std::sqrt(0.5), 1e-3);
    EXPECT_NEAR(hp.gainAt(15000.0, rate), 1.0, 1e-2);

    // Filtering in the time domain agrees with the response.
    std::vector<float> x = sine(8000.0, 1.0, 0.2);
    Biquad f = Biquad::lowPass(1000.0, rate);
    f.processInPlace(x.data(), x.size());
    float peak = 0;
    for (size_t i = x.size() / 2; i < x.size(); ++i)
        peak = std::max(peak, std::fabs(x[i]));
    EXPECT_NEAR(peak, f.gainAt(8000.0, rate), 0.01);
}

TEST(LevelMatcher, EqualPeakRatiosGiveOneFlatLoudness) {
    const std::vector<double> loudness = {-20, -25, -30, -22};
    const std::vector<double> peaks = {0.1, 0.1 * std::pow(10, -5 / 20.0), 0.1 * std::pow(10, -10 / 20.0),
                                       0.1 * std::pow(10, -2 / 20.0)};
    const LevelMatcher::Result r = LevelMatcher::match(loudness, peaks, -30.0, 0.5);
    ASSERT_EQ(r.gains.size(), 4u);
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_NEAR(r.loudness[k], -30.0, 1e-9);
        EXPECT_NEAR(loudness[k] + 20 * std::log10(r.gains[k]), -30.0, 1e-9);
    }
    EXPECT_EQ(r.heldBack, 0);
    EXPECT_NEAR(r.patchLoudness, -30.0, 1e-9);
    EXPECT_LE(r.peak, 0.5);
}

TEST(LevelMatcher, PeakyNoteIsHeldBackAndTheCeilingHolds) {
    // Note 2 has a peak 12 dB above the others for the same loudness: at the
    // target it would clip, so it is held back; its neighbours follow it down
    // by at most one step each.
    std::vector<double> loudness(9, -20.0);
    std::vector<double> peaks(9, 0.1);
    peaks[2] = 0.1 * std::pow(10, 12 / 20.0);
    const double ceiling = 0.5;
    const LevelMatcher::Result r = LevelMatcher::match(loudness, peaks, -14.0, ceiling, 3.5, 1.0);
    // Allowed loudness of note 2: -20 + (20 log10 0.5 - 20 log10 0.398) = -18.02.
    EXPECT_NEAR(r.loudness[2], -20.0 + 20 * std::log10(ceiling / peaks[2]), 1e-9);
    EXPECT_NEAR(r.patchLoudness, r.loudness[2] + 3.5, 1e-9) << "the spread budget caps the patch level";
    EXPECT_NEAR(r.loudness[1], r.loudness[2] + 1.0, 1e-9);
    EXPECT_NEAR(r.loudness[3], r.loudness[2] + 1.0, 1e-9);
    EXPECT_NEAR(r.loudness[0], r.loudness[2] + 2.0, 1e-9);
    EXPECT_NEAR(r.loudness[8], r.patchLoudness, 1e-9);
    EXPECT_NEAR(r.peak, ceiling, 1e-9);
    EXPECT_LE(LevelMatcher::spread(r.loudness), 3.5 + 1e-9);
    EXPECT_LE(LevelMatcher::maxStep(r.loudness), 1.0 + 1e-9);
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

TEST(LevelMatcher, SilentNotesAndEmptyInput) {
    const LevelMatcher::Result r = LevelMatcher::match({-20, -200, -22}, {0.1, 0.0, 0.1}, -20, 1.0);
    EXPECT_EQ(r.gains[1], 0.0);
    EXPECT_GT(r.gains[0], 0.0);
    EXPECT_NEAR(r.loudness[2], -20.0, 1e-9);
    EXPECT_TRUE(LevelMatcher::match({}, {}, -20, 1.0).gains.empty());
    const LevelMatcher::Result none = LevelMatcher::match({-20, -20}, {0, 0}, -20, 1.0);
    EXPECT_EQ(none.gains, (std::vector<double>{0, 0}));
    EXPECT_EQ(LevelMatcher::spread({}), 0.0);
    EXPECT_EQ(LevelMatcher::maxStep({-1, -4, -2}), 3.0);
    EXPECT_EQ(LevelMatcher::spread({-1, -4, -2}), 3.0);
}
