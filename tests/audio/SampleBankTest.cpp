// The sample bank, patches and WAV reading, including damaged files.
#include <algorithm>

#include "AudioTestSupport.h"
#include "audio/SampleBank.h"
#include "audio/WavReader.h"

namespace {

// Guitar 1's patch (A2-) loses file 5, file 6 is cut inside its data and file
// 7 inside its header; one noise is cut short. Missing and header-cut files
// are silent, data-cut ones shorter; each is reported once.
TEST_F(EngineTest, PatchesLoadStepRoundTheTableAndDamagedFilesAreReportedOnce) {
    writeBundle(folder);
    std::filesystem::remove(folder.file("A2-5.wav"));
    const auto six = wavBytes(constantSample(64, 206));
    writeFile(folder.file("A2-6.wav"), std::vector<uint8_t>(six.begin(), six.begin() + 44 + 2 * 20 + 1));
    writeFile(folder.file("A2-7.wav"), std::vector<uint8_t>(six.begin(), six.begin() + 20));
    writeFile(folder.file("tap12.wav"), std::vector<uint8_t>(six.begin(), six.begin() + 44 + 6));
    testing::internal::CaptureStdout();
    SoundEngine& e = makeEngine();
    auto patch = [&](int g) {
        return std::to_string(e.patchNo(g)) + " " + e.patchName(g) + (e.isAcoustic(g) ? " acoustic" : "");
    };
    // Creation loads only the noises (fret n holds n, tap n 20 + n).
    EXPECT_EQ(std::vector<int>({firstValue(0), firstValue(99), firstValue(100), firstValue(109),
                                firstValue(110), firstValue(121), firstValue(122), firstValue(199)}),
              std::vector<int>({-1, -1, 1, 10, 21, 206, -1, -1}));
    e.resetState();
    for (int k = 0; k < 48; ++k) {
        EXPECT_EQ(firstValue(k), k == 5 ? 206 : k == 4 || k == 6 ? -1 : 200 + k + 1) << k;
        EXPECT_EQ(firstValue(48 + k), 400 + k + 1);
    }
    EXPECT_EQ(std::vector<int>(
                  {e.sampleSize(4), e.sampleSize(6), e.sampleSize(5), e.sampleSize(121), e.sampleSize(96)}),
              std::vector<int>({0, 0, 20, 3, 0}));
    EXPECT_EQ(patch(0) + ", " + patch(1), "1 Acoustic 2 acoustic, 3 Electric 2");
    TestListener listener;
    // Guitar 0 starts on patch 1: 2, 3, 4, 0; guitar 1 on patch 3: back to 2,
    // 1, 0, 4. Each step silences the guitar and tells the screen after one buffer.
    for (int step = 0; step < 4; ++step) {
        e.prevPatch(nullptr, 1);
        e.nextPatch(&listener, 0);
        const int p0 = (2 + step) % 5, p1 = (7 - step) % 5;
        EXPECT_EQ(std::vector<int>({e.patchNo(0), e.patchNo(1), firstValue(47), firstValue(48)}),
                  std::vector<int>({p0, p1, 100 * p0 + 148, 100 * p1 + 101}));
    }
    EXPECT_FALSE(e.voicePlaying(0));
    for (int expected : {0, 1, 1}) {
        parent.mainThreadQueue().runPending();
        EXPECT_EQ(listener.calls, expected);
        render(e, 256);
    }
    // Back on the damaged patch nothing is reported twice, and a file that
    // cannot be read leaves the previous patch's sample.
    e.nextPatch(nullptr, 0);
    EXPECT_EQ(std::pair(int(firstValue(6)), int(firstValue(4))), std::pair(107, 105));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Sample file cut short: tap12.wav (playing the 3 values it holds)\n"
              "Sample file missing: A2-5.wav\n"
              "Sample file cut short: A2-6.wav (playing the 20 values it holds)\n"
              "Error loading file A2-7.wav: damaged format chunk\n");
    // A damaged file loaded into a slot is refused with one line and the slot
    // keeps what it held.
    auto good = wavBytes(constantSample(100, 5)), oversized = good, odd = good;
    oversized[40] = oversized[41] = oversized[42] = 0xFF; // data size far beyond the file
    oversized[43] = 0x7F;
    odd[40] = 199; // an odd byte count
    const std::vector<std::vector<uint8_t>> damaged = {
        wavBytes(constantSample(100, 5), 2),                  // stereo
        wavBytes(constantSample(100, 5), 1, 8),               // 8-bit
        wavBytes(constantSample(100, 5), 1, 16, 22050),       // other rate
        {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, // no chunks
        std::vector<uint8_t>(1000, 0xAB),                     // noise
        oversized,
        odd};
    for (size_t k = 0; k < damaged.size(); ++k) {
        const std::string name = "bad" + std::to_string(k) + ".wav";
        writeFile(folder.file(name), damaged[k]);
        testing::internal::CaptureStdout();
        e.loadSampleAtSlot(20, name);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_NE(printed.find(name), std::string::npos) << k;
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << k;
        EXPECT_EQ(std::pair(e.sampleSize(20), int(firstValue(20))), std::pair(64, 221)) << k;
    }
    // A patch number from a damaged file loads the fallback; the next step
    // goes back to the table.
    auto section = engineSection(e);
    section[12] = 7;
    loadEngineSection(e, section);
    EXPECT_EQ(patch(0) + std::to_string(firstValue(0)), "7 Acoustic Fingerpick acoustic101");
    e.nextPatch(nullptr, 0);
    EXPECT_EQ(e.patchNo(0), 0);
}

// Where samples arrive after start-up (a web page), a patch still on its way
// keeps the slots as they were, and the guitars that waited load it once the
// gate says it is there.
TEST_F(EngineTest, APatchStillOnItsWayKeepsTheSlotsUntilItArrives) {
    writeBundle(folder);
    SoundEngine& e = makeEngine();
    e.resetState(); // guitar 1 on patch 1 (A2-), guitar 2 on patch 3 (E2-)
    static bool electric1Here = false;
    SampleBank::setPatchGate(
        [](const char* prefix) { return std::string(prefix) != "E3-" || electric1Here; });
    e.nextPatch(nullptr, 0);
    e.prevPatch(nullptr, 1); // both on patch 2 (E3-), not there yet
    const auto firstValues = [&] { return std::vector<int>({e.patchNo(0), firstValue(0), firstValue(48)}); };
    EXPECT_EQ(firstValues(), std::vector<int>({2, 201, 401}));
    e.reloadWaitingSamples();
    EXPECT_EQ(firstValues(), std::vector<int>({2, 201, 401}));
    electric1Here = true;
    EXPECT_TRUE(e.reloadWaitingSamples());
    EXPECT_EQ(firstValues(), std::vector<int>({2, 301, 301}));
    EXPECT_FALSE(e.reloadWaitingSamples());
    SampleBank::setPatchGate(nullptr);
}

// Other chunks and padding are skipped; a missing file is told apart;
// every prefix of a file gives the values it holds and never more, and
// random damage to the header never reads past the input.
TEST(WavReaderTest, ReadsWhatTheBytesHoldAndNeverMore) {
    std::vector<uint8_t> bytes = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E',
                                  'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    const auto rest = wavBytes({1, -2, 32767, -32768});
    bytes.insert(bytes.end(), rest.begin() + 12, rest.end());
    bytes[4] = uint8_t(bytes.size() - 8);
    std::vector<int16_t> values;
    std::string error;
    ASSERT_TRUE(WavReader::parse(bytes.data(), bytes.size(), values, error)) << error;
    EXPECT_EQ(values, std::vector<int16_t>({1, -2, 32767, -32768}));
    WavReader::Sample sample;
    bool missing = false;
    EXPECT_TRUE(!WavReader::readFile("/nonexistent/strumwell.wav", sample, error, missing) && missing);
    std::vector<int16_t> full(50);
    for (size_t i = 0; i < full.size(); ++i)
        full[i] = int16_t(1000 - 37 * int(i));
    const auto good = wavBytes(full);
    testsupport::TempFolder folder;
    for (size_t n = 0; n <= good.size(); ++n) {
        SCOPED_TRACE(n);
        std::vector<uint8_t> cut(good.begin(), good.begin() + long(n));
        bool cutShort = false, missing = true;
        const bool parsed = WavReader::parse(cut.data(), cut.size(), values, error, &cutShort);
        EXPECT_EQ(parsed, n >= 44);
        EXPECT_EQ(values, std::vector<int16_t>(full.begin(), full.begin() + (parsed ? long(n - 44) / 2 : 0)));
        EXPECT_EQ(cutShort, parsed && n < good.size());
        writeFile(folder.file("cut.wav"), cut);
        EXPECT_EQ(WavReader::readFile(folder.file("cut.wav"), sample, error, missing), parsed);
        EXPECT_FALSE(missing);
        EXPECT_TRUE(!parsed || (sample.count == values.size() && sample.cutShort == cutShort &&
                                std::equal(values.begin(), values.end(), sample.values.get())));
    }
    uint32_t x = 99;
    for (int trial = 0; trial < 2000; ++trial) {
        auto bytes = good;
        for (int k = 0; k < 4; ++k) {
            x = x * 1664525u + 1013904223u;
            bytes[(x >> 8) % 44] = uint8_t(x >> 24);
        }
        values.clear();
        WavReader::parse(bytes.data(), bytes.size(), values, error);
        EXPECT_LE(values.size() * 2, bytes.size());
    }
}

} // namespace
