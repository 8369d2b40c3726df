#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/core/OutputVolume.h"

// Every 16-bit value once, through the volume; out[i] is the result for i - 32768.
static std::vector<int16_t> everySampleAt(float volume) {
    std::vector<int16_t> samples;
    for (int v = -32768; v <= 32767; ++v)
        samples.push_back(static_cast<int16_t>(v));
    OutputVolume::applyVolume(samples.data(), static_cast<int>(samples.size()), volume);
    return samples;
}

TEST(OutputVolume, ScalesEverySampleByTheSquareOfTheVolumeTowardZero) {
    EXPECT_EQ(everySampleAt(1.0f), everySampleAt(2.0f)) << "full volume leaves the mix as it is";
    EXPECT_EQ(everySampleAt(1.0f).front(), -32768);
    EXPECT_EQ(everySampleAt(1.0f).back(), 32767);
    EXPECT_EQ(everySampleAt(0.0f), std::vector<int16_t>(65536, 0));
    for (const auto& [volume, gain] :
         {std::pair{0.5f, 0.25}, {0.1f, 0.01}, {0.9f, 0.81}, {0.004f, 0.000016}}) {
        SCOPED_TRACE(volume);
        const std::vector<int16_t> out = everySampleAt(volume);
        for (size_t i = 0; i < out.size(); ++i) {
            const int in = static_cast<int>(i) - 32768;
            // Within one step of the exact product, rounded toward zero.
            ASSERT_LE(std::abs(out[i]), std::abs(in));
            ASSERT_NEAR(out[i], in * gain, 1.0 + std::abs(in) * 1e-5) << in;
            ASSERT_TRUE(in == -32768 || out[i] == -out[static_cast<size_t>(-in + 32768)]) << in;
        }
        EXPECT_EQ(out[32768 - 1], 0) << "the smallest steps of a fading tail go to zero, not to -1";
    }
}

TEST(OutputVolume, SetKeepsToTheRangeAndApplyUsesIt) {
    for (const auto& [asked, kept] :
         {std::pair{2.0f, 1.0f}, {-1.0f, 0.0f}, {std::nanf(""), 1.0f}, {0.5f, 0.5f}}) {
        OutputVolume::set(asked);
        EXPECT_EQ(OutputVolume::get(), kept) << asked;
    }
    for (const float volume : {0.0f, 0.5f, 1.0f}) {
        OutputVolume::set(volume);
        int16_t buffer[2] = {32767, -32768};
        OutputVolume::apply(buffer, 2);
        EXPECT_EQ(buffer[0], everySampleAt(volume).back());
        EXPECT_EQ(buffer[1], everySampleAt(volume).front());
    }
}
