#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/core/OutputVolume.h"

namespace {

// Every 16-bit value once, interleaved as a device buffer would be.
std::vector<int16_t> everySample() {
    std::vector<int16_t> samples;
    for (int v = -32768; v <= 32767; ++v)
        samples.push_back(static_cast<int16_t>(v));
    return samples;
}

TEST(OutputVolume, FullVolumeLeavesEverySampleAsMixed) {
    const std::vector<int16_t> mixed = everySample();
    std::vector<int16_t> out = mixed;
    OutputVolume::applyVolume(out.data(), static_cast<int>(out.size()), 1.0f);
    EXPECT_EQ(out, mixed);
}

TEST(OutputVolume, ZeroVolumeIsSilence) {
    std::vector<int16_t> out = everySample();
    OutputVolume::applyVolume(out.data(), static_cast<int>(out.size()), 0.0f);
    for (int16_t v : out)
        ASSERT_EQ(v, 0);
}

TEST(OutputVolume, InBetweenScalesBothSignsAlikeAndNeverGrows) {
    struct Case {
        float volume;
        double gain;
    };
    for (const Case c : {Case{0.5f, 0.25}, Case{0.1f, 0.01}, Case{0.9f, 0.81}, Case{0.004f, 0.000016}}) {
        SCOPED_TRACE(c.volume);
        std::vector<int16_t> out = everySample();
        OutputVolume::applyVolume(out.data(), static_cast<int>(out.size()), c.volume);
        for (size_t i = 0; i < out.size(); ++i) {
            const int in = static_cast<int>(i) - 32768;
            // Within one step of the exact product, rounded toward zero.
            ASSERT_LE(std::abs(out[i]), std::abs(in));
            ASSERT_NEAR(out[i], in * c.gain, 1.0 + std::abs(in) * 1e-5) << in;
            if (in > -32768) {
                ASSERT_EQ(out[i], -out[static_cast<size_t>(-in + 32768)]) << in;
            }
        }
        // The smallest steps of a fading tail go to zero, not to -1.
        EXPECT_EQ(out[32768 - 1], 0);
    }
}

TEST(OutputVolume, SetKeepsToTheRangeAndApplyUsesIt) {
    OutputVolume::set(2.0f);
    EXPECT_EQ(OutputVolume::get(), 1.0f);
    OutputVolume::set(-1.0f);
    EXPECT_EQ(OutputVolume::get(), 0.0f);
    OutputVolume::set(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(OutputVolume::get(), 1.0f);

    OutputVolume::set(0.0f);
    int16_t buffer[4] = {1000, -1000, 32767, -32768};
    OutputVolume::apply(buffer, 4);
    EXPECT_EQ(buffer[2], 0);
    OutputVolume::set(1.0f);
    int16_t same[2] = {32767, -32768};
    OutputVolume::apply(same, 2);
    EXPECT_EQ(same[0], 32767);
    EXPECT_EQ(same[1], -32768);
}

} // namespace
