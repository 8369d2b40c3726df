// The engine's saved section and settings.
#include <cstring>

#include "AudioTestSupport.h"
#include "core/StrumwellFailure.h"

namespace {

// The section after a reset, little-endian: per guitar volume 0.5, release
// slope, patch (1, 3); per guitar delay (off / on, ping-pong, 26460, 0.4,
// 0.9); per guitar fuzz (off, 5000); wah off / on; 5 frets; whammy bar off /
// on; bends off / on; five reserved bytes.
const std::vector<uint8_t> kDefaultSection = {
    0x00, 0x00, 0x00, 0x3F, 0x10, 0x9E, 0x09, 0x4D, 0x52, 0x8E, 0xF3, 0xBE, 0x01, 0x00, 0x00,
    0x00, 0x3F, 0x82, 0x90, 0x2C, 0x60, 0xA2, 0x58, 0x03, 0xBF, 0x03, 0x00, 0x01, 0x5C, 0x67,
    0x00, 0x00, 0xCD, 0xCC, 0xCC, 0x3E, 0x66, 0x66, 0x66, 0x3F, 0x01, 0x01, 0x5C, 0x67, 0x00,
    0x00, 0xCD, 0xCC, 0xCC, 0x3E, 0x66, 0x66, 0x66, 0x3F, 0x00, 0x88, 0x13, 0x00, 0x88, 0x13,
    0x00, 0x01, 0x05, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};

// A reset restores the defaults but leaves whammy, wah and the delay rings
// alone; a section round-trips every setting (version 1 has version 2's
// layout; version 0 files are loaded in FileManagerTest), a longer section
// is read to its size, and restoring the patches a guitar already has
// reloads nothing.
TEST_F(EngineTest, ResetAndSectionRoundTrips) {
    writeBundle(folder);
    SoundEngine& a = makeEngine();
    a.resetState();
    a.setWhammyForGuitar(0, 0.3f);
    a.setWahForGuitar(1, 0.1f);
    a.resetState();
    EXPECT_EQ(engineSection(a), kDefaultSection);
    EXPECT_EQ(std::pair(a.whammy(0), a.wahForGuitar(1)), std::pair(0.3f, 0.1f));
    EXPECT_EQ(a.effect<DelayEffect>(0).clearRequests(), 0u);
    // Every setting, read back from the engine that was set and from one that
    // restored its section.
    auto settings = [](SoundEngine& x) {
        const double v[] = {
            x.guitarVolume(0),        x.guitarSustain(1),           double(x.delayTime(0)),
            1.0 * x.pingPong(1),      x.delayFeedback(1),           x.delayMix(0),
            1.0 * x.fuzzOn(1),        x.fuzzThreshold(1),           x.wahOn(0) + 2.0 * x.wahOn(1),
            1.0 * x.numFretsToShow(), 1.0 * x.whammyBarAttached(0), x.pitchBendOn(1) + 1.0 * x.patchNo(1)};
        return std::vector<double>(std::begin(v), std::end(v));
    };
    a.setGuitarVolume(0, 0.8f);
    a.setGuitarSustain(1, 0.25f);
    a.setDelayTime(0, 1234);
    a.setPingPong(1, false);
    a.setDelayFeedback(1, 0.125f);
    a.setDelayMix(0, 0.3f);
    a.setFuzzOn(1, true);
    a.setFuzzThreshold(1, 0.75f);
    a.setWahOn(0, true);
    a.setWahOn(1, false);
    a.setNumFretsToShow(-3);
    a.setWhammyBarAttached(0, true);
    a.setPitchBendOn(1, false);
    a.nextPatch(nullptr, 1);
    const double want[] = {0.8, 0.25, 1234, 0, 0.125, 0.3, 1, 0.75, 1, -3, 1, 4};
    for (size_t k = 0; k < std::size(want); ++k)
        EXPECT_NEAR(settings(a)[k], want[k], 1e-4) << "setting " << k;
    EXPECT_NEAR(a.guitarReleaseDelta(1), -8.8e-5 + 0.25 * 7.3e-5, 1e-9);
    const auto saved = engineSection(a);
    SoundEngine b(nullptr, nullptr, folder.str(), clock);
    b.resetState();
    loadEngineSection(b, saved, 1);
    EXPECT_EQ(engineSection(b), saved);
    EXPECT_EQ(settings(b), settings(a));
    // Change the files on disk: a reload would be visible.
    writeWav(folder.file("A2-1.wav"), constantSample(8, 901));
    loadEngineSection(a, kDefaultSection);
    EXPECT_EQ(firstValue(0), 201);
    auto section = kDefaultSection;
    section[12] = 4;
    section.resize(80, 0xEE);
    loadEngineSection(a, section, 1);
    EXPECT_EQ(a.patchNo(0), 4);
    loadEngineSection(a, kDefaultSection);
    EXPECT_EQ(firstValue(0), 901);
}

// Golden bytes: every known version's section, at the size the layout gives
// it, reads and writes back as it always did (version 0 gains the newer
// parts' initial values: wah off, 5 frets, bar and bends off); a byte less,
// or no section at all, is refused.
TEST(EngineSettings, EveryVersionReadsAndWritesItsGoldenBytes) {
    std::vector<uint8_t> version0(kDefaultSection.begin(), kDefaultSection.begin() + 60);
    version0.insert(version0.end(), {0, 0, 5, 0, 0, 0, 0});
    // Then the parts newer than version 2 (none yet) and the reserved tail.
    version0.insert(version0.end(), kDefaultSection.begin() + 67, kDefaultSection.end());
    const std::tuple<int, size_t, std::vector<uint8_t>> golden[] = {
        {0, 60, version0}, {1, 72, kDefaultSection}, {2, 72, kDefaultSection}};
    for (const auto& [version, size, written] : golden) {
        EXPECT_EQ(EngineSettings::minimumSize(version), size) << version;
        EXPECT_EQ(EngineSettings::read(kDefaultSection.data(), size, version).write(), written) << version;
        EXPECT_THROW(EngineSettings::read(kDefaultSection.data(), size - 1, version), StrumwellFailure);
        EXPECT_THROW(EngineSettings::read(nullptr, 0, version), StrumwellFailure);
    }
}

// A file from elsewhere may hold anything: a value is read held to its
// knob's range, NaN as the guitar's default, and saved again as read; a
// value within the range is read exactly. Offsets are into the section.
TEST(EngineSettings, ReadsHoldEveryValueToItsKnobsRange) {
    const double top = releaseForSustain(1.0f), bottom = releaseForSustain(0.0f), up = 1.0000001;
    // At each offset (4-byte floats, but the releases at 4 and 17 are
    // doubles): values as stored and as read.
    const std::pair<size_t, std::vector<std::pair<double, double>>> cases[] = {
        {0, {{0.75, 0.75}, {1.0, 1.0}, {up, 1.0}, {INFINITY, 1.0}}},
        {13, {{NAN, 0.5}, {-INFINITY, 0.0}, {-1e-45, 0.0}, {0.0, 0.0}}},
        {4, {{NAN, releaseForSustain(0.95f)}, {INFINITY, top}}},
        {17, {{NAN, releaseForSustain(0.7f)}, {-5e-4, bottom}, {bottom, bottom}, {top, top}, {0.0, top}}},
        {32, {{NAN, 0.4f}, {1.0, 1.0}}},
        {46, {{up, 1.0}, {-1e-45, 0.0}}},
        {36, {{-INFINITY, 0.0}, {0.0, 0.0}}},
        {50, {{NAN, 0.9f}, {0.5, 0.5}}}};
    auto with = [](size_t offset, double v) {
        std::vector<uint8_t> section = kDefaultSection;
        const float narrow = static_cast<float>(v);
        const bool wide = offset == 4 || offset == 17;
        std::memcpy(section.data() + offset, wide ? static_cast<const void*>(&v) : &narrow, wide ? 8 : 4);
        return section;
    };
    for (const auto& [offset, values] : cases)
        for (const auto& [stored, read] : values) {
            const std::vector<uint8_t> section = with(offset, stored);
            EXPECT_EQ(EngineSettings::read(section.data(), section.size(), SongVersion::kCurrent).write(),
                      with(offset, read))
                << "offset " << offset << ", " << stored;
        }
}

} // namespace
