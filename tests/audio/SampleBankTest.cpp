// The sample bank, patches and WAV reading.
#include <gtest/gtest.h>

#include <cmath>

#include "AudioTestSupport.h"
#include "audio/WavReader.h"

namespace {

class SampleBankTest : public EngineTest {
protected:
    void writeAllPatches() {
        writePatch(folder, "A1-", 100);
        writePatch(folder, "A2-", 200);
        writePatch(folder, "E3-", 300);
        writePatch(folder, "E2-", 400);
        writePatch(folder, "CE-", 500);
    }
    int16_t firstValue(int slot) {
        const int16_t* d = engine->sampleData(slot);
        return d ? d[0] : int16_t(-1);
    }
};

TEST_F(SampleBankTest, CreationLoadsOnlyTheNoisesIntoTheirSlots) {
    writeAllPatches();
    for (int n = 1; n <= 10; ++n)
        writeWav(folder.file("fret" + std::to_string(n) + ".wav"), constantSample(10, int16_t(n)));
    for (int n = 1; n <= 12; ++n)
        writeWav(folder.file("tap" + std::to_string(n) + ".wav"), constantSample(10, int16_t(20 + n)));
    SoundEngine& e = makeEngine();
    for (int n = 1; n <= 10; ++n)
        EXPECT_EQ(firstValue(100 + n - 1), n);
    for (int n = 1; n <= 12; ++n)
        EXPECT_EQ(firstValue(110 + n - 1), 20 + n);
    for (int slot : {0, 47, 48, 95, 96, 97, 98, 99, 122, 199})
        EXPECT_EQ(e.sampleSize(slot), 0) << slot;
    EXPECT_EQ(e.patchNo(0), -1);
    EXPECT_EQ(e.patchNo(1), -1);
}

TEST_F(SampleBankTest, ResetLoadsPatchesIntoBothBlocks) {
    writeAllPatches();
    SoundEngine& e = makeEngine();
    e.resetState();
    EXPECT_EQ(e.patchName(0), "Acoustic 2");
    EXPECT_TRUE(e.isAcoustic(0));
    EXPECT_EQ(e.patchName(1), "Electric 2");
    EXPECT_FALSE(e.isAcoustic(1));
    for (int k = 0; k < 48; ++k) {
        EXPECT_EQ(firstValue(k), 200 + k + 1);
        EXPECT_EQ(firstValue(48 + k), 400 + k + 1);
    }
    EXPECT_EQ(e.sampleSize(96), 0);
}

TEST_F(SampleBankTest, PatchSteppingWrapsAndUsesTheTable) {
    writeAllPatches();
    SoundEngine& e = makeEngine();
    e.resetState();
    TestListener listener;
    const char* names[] = {"Acoustic 1", "Acoustic 2", "Electric 1", "Electric 2", "Clean Electric"};
    const int bases[] = {100, 200, 300, 400, 500};
    // Guitar 0 starts on patch 1: 2, 3, 4, 0, 1.
    for (int step = 0; step < 5; ++step) {
        e.nextPatch(&listener, 0);
        const int p = (2 + step) % 5;
        EXPECT_EQ(e.patchNo(0), p);
        EXPECT_EQ(e.patchName(0), names[p]);
        EXPECT_EQ(firstValue(0), bases[p] + 1);
        EXPECT_EQ(firstValue(47), bases[p] + 48);
    }
    EXPECT_EQ(recorder.stopsCalled, 5);
    // Guitar 1 starts on patch 3: back to 2, 1, 0, 4.
    for (int expected : {2, 1, 0, 4}) {
        e.prevPatch(&listener, 1);
        EXPECT_EQ(e.patchNo(1), expected);
        EXPECT_EQ(firstValue(48), bases[expected] + 1);
    }
    EXPECT_EQ(e.patchName(1), "Clean Electric");
}

TEST_F(SampleBankTest, PatchChangeSilencesVoicesAndTellsTheScreenAfterOneBuffer) {
    writeAllPatches();
    SoundEngine& e = makeEngine();
    e.resetState();
    e.playSampleWithSampleNo(3, 0.5, 0, -1);
    TestListener listener;
    e.nextPatch(&listener, 0);
    EXPECT_FALSE(e.voicePlaying(0));
    parent.mainThreadQueue().runPending();
    EXPECT_EQ(listener.calls, 0);
    render(e, 256);
    parent.mainThreadQueue().runPending();
    EXPECT_EQ(listener.calls, 1);
    render(e, 256);
    parent.mainThreadQueue().runPending();
    EXPECT_EQ(listener.calls, 1);
}

TEST_F(SampleBankTest, OutOfRangePatchLoadsTheFallback) {
    writeAllPatches();
    SoundEngine& e = makeEngine();
    e.resetState();
    auto section = e.createSaveBuffer();
    section[12] = 7;
    e.restoreFromSaveBuffer(section.data(), section.size(), 2);
    EXPECT_EQ(e.patchNo(0), 7);
    EXPECT_EQ(e.patchName(0), "Acoustic Fingerpick");
    EXPECT_TRUE(e.isAcoustic(0));
    EXPECT_EQ(firstValue(0), 101);
    e.nextPatch(nullptr, 0); // 8 is past 4: back to 0
    EXPECT_EQ(e.patchNo(0), 0);
}

TEST_F(SampleBankTest, BothGuitarsMayShareAPatch) {
    writeAllPatches();
    SoundEngine& e = makeEngine();
    e.resetState();
    e.nextPatch(nullptr, 1); // 3 -> 4
    e.prevPatch(nullptr, 1);
    e.prevPatch(nullptr, 1);
    e.prevPatch(nullptr, 1); // 1, like guitar 0
    EXPECT_EQ(firstValue(5), firstValue(53));
}

TEST_F(SampleBankTest, MissingFileLeavesTheSlotAsItWas) {
    writeAllPatches();
    SoundEngine& e = makeEngine();
    e.resetState();
    std::filesystem::remove(folder.file("E3-7.wav"));
    e.nextPatch(nullptr, 0); // to patch 2
    EXPECT_EQ(firstValue(5), 306);
    EXPECT_EQ(firstValue(6), 207); // still patch 1's sample
    e.loadSampleAtSlot(10, "nothing-here.wav");
    EXPECT_EQ(firstValue(10), 311);
}

TEST_F(SampleBankTest, DamagedFilesAreRefusedWithOneLineAndKeepTheSlot) {
    SoundEngine& e = makeEngine();
    loadSlot(20, constantSample(16, 1234));
    std::vector<std::vector<uint8_t>> damaged;
    auto good = wavBytes(constantSample(100, 5));
    damaged.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 60)); // truncated data
    damaged.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 30)); // truncated header
    damaged.push_back(wavBytes(constantSample(100, 5), 2));                   // stereo
    damaged.push_back(wavBytes(constantSample(100, 5), 1, 8));                // 8-bit
    damaged.push_back(wavBytes(constantSample(100, 5), 1, 16, 22050));        // other rate
    damaged.push_back({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});  // no chunks
    damaged.push_back(std::vector<uint8_t>(1000, 0xAB));                      // noise
    auto oversized = good;
    oversized[40] = 0xFF; // data size far beyond the file
    oversized[41] = 0xFF;
    oversized[42] = 0xFF;
    oversized[43] = 0x7F;
    damaged.push_back(oversized);
    auto odd = good;
    odd[40] = 199; // an odd byte count
    damaged.push_back(odd);
    for (size_t k = 0; k < damaged.size(); ++k) {
        const std::string name = "bad" + std::to_string(k) + ".wav";
        writeFile(folder.file(name), damaged[k]);
        testing::internal::CaptureStdout();
        e.loadSampleAtSlot(20, name);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_NE(printed.find(name), std::string::npos) << k;
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << k;
        EXPECT_EQ(e.sampleSize(20), 16) << k;
        EXPECT_EQ(firstValue(20), 1234) << k;
    }
}

TEST_F(SampleBankTest, SineWaveSlotAndReplacement) {
    SoundEngine& e = makeEngine();
    e.addSineWaveAtSlot(150);
    e.addSineWaveAtSlot(150); // the first block is freed, not leaked
    ASSERT_EQ(e.sampleSize(150), 176400);
    const int16_t* d = e.sampleData(150);
    EXPECT_EQ(d[0], 0);
    double angle = 0.0;
    for (int i = 1; i < 176400; ++i) {
        angle += 0.07;
        ASSERT_EQ(d[i], int16_t(std::sin(angle) * 32767.0)) << i;
    }
    EXPECT_EQ(d[1], 2291); // sin(0.07) * 32767 = 2291.8
}

TEST(WavReaderTest, ReadsMonoSixteenBitWithOtherChunksAndPadding) {
    std::vector<uint8_t> bytes = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    const std::vector<uint8_t> list = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    bytes.insert(bytes.end(), list.begin(), list.end());
    auto rest = wavBytes({1, -2, 32767, -32768});
    bytes.insert(bytes.end(), rest.begin() + 12, rest.end());
    const uint32_t riff = uint32_t(bytes.size() - 8);
    bytes[4] = uint8_t(riff);
    bytes[5] = uint8_t(riff >> 8);
    std::vector<int16_t> values;
    std::string error;
    ASSERT_TRUE(WavReader::parse(bytes.data(), bytes.size(), values, error)) << error;
    EXPECT_EQ(values, std::vector<int16_t>({1, -2, 32767, -32768}));
}

TEST(WavReaderTest, NeverReadsPastItsInput) {
    const auto good = wavBytes(std::vector<int16_t>(50, 3));
    std::vector<int16_t> values;
    std::string error;
    // Every prefix either parses to fewer values or is refused; none crashes.
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + long(n));
        EXPECT_FALSE(WavReader::parse(cut.data(), cut.size(), values, error)) << n;
        EXPECT_TRUE(values.empty());
    }
    // Random damage to the header.
    uint32_t x = 99;
    for (int trial = 0; trial < 2000; ++trial) {
        auto bytes = good;
        for (int k = 0; k < 4; ++k) {
            x = x * 1664525u + 1013904223u;
            bytes[(x >> 8) % 44] = uint8_t(x >> 24);
        }
        if (WavReader::parse(bytes.data(), bytes.size(), values, error)) {
            EXPECT_LE(values.size() * 2, bytes.size());
        }
    }
}

TEST(WavReaderTest, MissingFileIsReportedAsMissing) {
    std::vector<int16_t> values;
    std::string error;
    bool missing = false;
    EXPECT_FALSE(WavReader::readFile("/nonexistent/strumwell.wav", values, error, missing));
    EXPECT_TRUE(missing);
}

} // namespace
