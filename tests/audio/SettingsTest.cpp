// Settings, defaults and the engine's saved section.
#include <gtest/gtest.h>

#include <cstring>

#include "AudioTestSupport.h"
#include "core/StrumwellFailure.h"

namespace {

class SettingsTest : public EngineTest {
protected:
    void writeTwoPatches() {
        writePatch(folder, "A1-", 100);
        writePatch(folder, "A2-", 200);
        writePatch(folder, "E3-", 300);
        writePatch(folder, "E2-", 400);
        writePatch(folder, "CE-", 500);
    }
    template <typename T> static T read(const std::vector<uint8_t>& b, size_t at) {
        T v;
        std::memcpy(&v, b.data() + at, sizeof(T));
        return v;
    }
};

TEST_F(SettingsTest, SectionAfterResetHasTheDefaults) {
    writeTwoPatches();
    SoundEngine& e = makeEngine();
    e.resetState();
    const auto b = e.createSaveBuffer();
    ASSERT_EQ(b.size(), 72u);
    EXPECT_EQ(read<float>(b, 0), 0.5f);
    EXPECT_EQ(read<double>(b, 4), -8.8e-5 + 0.95f * 7.3e-5);
    EXPECT_EQ(b[12], 1);
    EXPECT_EQ(read<float>(b, 13), 0.5f);
    EXPECT_EQ(read<double>(b, 17), -8.8e-5 + 0.7f * 7.3e-5);
    EXPECT_EQ(b[25], 3);
    EXPECT_EQ(b[26], 0); // guitar 1 delay off
    EXPECT_EQ(b[27], 1);
    EXPECT_EQ(b[28], 26460 & 0xFF);
    EXPECT_EQ(b[29], 26460 >> 8);
    EXPECT_EQ(b[30], 0);
    EXPECT_EQ(b[31], 0);
    EXPECT_EQ(read<float>(b, 32), 0.4f);
    EXPECT_EQ(read<float>(b, 36), 0.9f);
    EXPECT_EQ(b[40], 1); // guitar 2 delay on
    EXPECT_EQ(b[41], 1);
    EXPECT_EQ(read<int32_t>(b, 42), 26460);
    EXPECT_EQ(b[54], 0);
    EXPECT_EQ(b[55], 5000 & 0xFF);
    EXPECT_EQ(b[56], 5000 >> 8);
    EXPECT_EQ(b[57], 0);
    EXPECT_EQ(read<int16_t>(b, 58), 5000);
    EXPECT_EQ(b[60], 0);
    EXPECT_EQ(b[61], 1);
    EXPECT_EQ(b[62], 5);
    EXPECT_EQ(b[63], 0);
    EXPECT_EQ(b[64], 1);
    EXPECT_EQ(b[65], 0);
    EXPECT_EQ(b[66], 1);
    const auto old = e.createSaveBufferOLDVersion0();
    ASSERT_EQ(old.size(), 60u);
    EXPECT_TRUE(std::equal(old.begin(), old.end(), b.begin()));
}

TEST_F(SettingsTest, ResetLeavesWhammyWahAndRingsAlone) {
    writeTwoPatches();
    SoundEngine& e = makeEngine();
    e.setWhammyForGuitar(0, 0.3f);
    e.setWahForGuitar(1, 0.1f);
    e.resetState();
    EXPECT_EQ(e.whammy(0), 0.3f);
    EXPECT_EQ(e.wahForGuitar(1), 0.1f);
    EXPECT_EQ(e.callbackUserData()->delaySetup[0].clearRequests.load(), 0u);
}

TEST_F(SettingsTest, VersionsOneAndTwoRoundTrip) {
    writeTwoPatches();
    for (int version : {1, 2}) {
        SoundEngine& a = makeEngine();
        a.resetState();
        a.setGuitarVolume(0, 0.8f);
        a.setGuitarSustain(1, 0.25f);
        a.setDelayTime(0, 1234);
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
        const auto saved = a.createSaveBuffer();
        SoundEngine b(nullptr, nullptr, nullptr, folder.path(), clock);
        b.resetState();
        b.restoreFromSaveBuffer(saved.data(), saved.size(), version);
        EXPECT_EQ(b.createSaveBuffer(), saved) << version;
        EXPECT_EQ(b.patchName(1), "Clean Electric");
        EXPECT_EQ(b.numFretsToShow(), -3);
        engine.reset();
    }
}

TEST_F(SettingsTest, VersionZeroTurnsTheNewerSwitchesOff) {
    writeTwoPatches();
    SoundEngine& e = makeEngine();
    e.resetState();
    const auto section = e.createSaveBuffer();
    e.setNumFretsToShow(9);
    e.setWahOn(0, true);
    e.setWhammyBarAttached(0, true);
    e.setPitchBendOn(0, true);
    std::vector<uint8_t> old(section.begin(), section.begin() + 60);
    e.restoreFromSaveBuffer(old.data(), old.size(), 0);
    for (int g = 0; g < 2; ++g) {
        EXPECT_FALSE(e.wahOn(g));
        EXPECT_FALSE(e.whammyBarAttached(g));
        EXPECT_FALSE(e.pitchBendOn(g));
    }
    EXPECT_EQ(e.numFretsToShow(), 5);
    EXPECT_TRUE(e.delayOn(1));
}

TEST_F(SettingsTest, ShortSectionsAreRefusedBeforeAnythingChanges) {
    writeTwoPatches();
    SoundEngine& e = makeEngine();
    e.resetState();
    auto section = e.createSaveBuffer();
    section[0] = 0x11; // would change guitar 1's volume
    section[12] = 4;
    const auto before = e.createSaveBuffer();
    for (int version : {1, 2}) {
        try {
            e.restoreFromSaveBuffer(section.data(), 71, version);
            ADD_FAILURE() << "no exception";
        } catch (const StrumwellFailure& failure) {
            EXPECT_EQ(failure.name(), "SoundEngineFailure-1");
            EXPECT_TRUE(failure.reason().empty());
        }
    }
    EXPECT_THROW(e.restoreFromSaveBuffer(section.data(), 59, 0), StrumwellFailure);
    EXPECT_THROW(e.restoreFromSaveBuffer(nullptr, 0, 1), StrumwellFailure);
    EXPECT_EQ(e.createSaveBuffer(), before);
    EXPECT_EQ(e.patchNo(0), 1);
    // Unknown versions are ignored.
    e.restoreFromSaveBuffer(section.data(), section.size(), 3);
    e.restoreFromSaveBuffer(section.data(), 10, -1);
    EXPECT_EQ(e.createSaveBuffer(), before);
    // Longer sections are fine; the extra bytes are ignored.
    std::vector<uint8_t> longer = section;
    longer.resize(80, 0xEE);
    e.restoreFromSaveBuffer(longer.data(), longer.size(), 1);
    EXPECT_EQ(e.patchNo(0), 4);
}

TEST_F(SettingsTest, EqualPatchesAreNotReloaded) {
    writeTwoPatches();
    SoundEngine& e = makeEngine();
    e.resetState();
    const auto section = e.createSaveBuffer();
    // Change the files on disk: a reload would be visible.
    writePatch(folder, "A2-", 900);
    e.restoreFromSaveBuffer(section.data(), section.size(), 2);
    EXPECT_EQ(e.sampleData(0)[0], 201);
    auto other = section;
    other[12] = 0;
    e.restoreFromSaveBuffer(other.data(), other.size(), 2);
    e.restoreFromSaveBuffer(section.data(), section.size(), 2);
    EXPECT_EQ(e.sampleData(0)[0], 901);
}

TEST_F(SettingsTest, SustainAndVolumeAccessors) {
    SoundEngine& e = makeEngine();
    e.setGuitarSustain(0, 0.7f);
    EXPECT_NEAR(e.guitarSustain(0), 0.7f, 1e-6);
    e.setGuitarSustain(1, 0.0f);
    EXPECT_DOUBLE_EQ(e.guitarReleaseDelta(1), -8.8e-5);
    e.setGuitarSustain(1, 1.0f);
    EXPECT_DOUBLE_EQ(e.guitarReleaseDelta(1), -8.8e-5 + 7.3e-5);
    e.setGuitarVolume(1, 0.3f);
    EXPECT_EQ(e.guitarVolume(1), 0.3f);
    // Invalid guitar numbers are ignored.
    e.setGuitarVolume(2, 0.9f);
    e.setDelayOn(-1, true);
    EXPECT_EQ(e.guitarVolume(2), 0.0f);
    EXPECT_FALSE(e.delayOn(-1));
}

TEST_F(SettingsTest, ReleaseSlopesOfTheDefaultSustains) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(100000, 10000));
    e.setGuitarVolume(0, 0.5f);
    e.setGuitarSustain(0, 0.95f);
    const int v = e.playSampleWithGuitar(0, 0);
    e.stopSample(v);
    render(e, 256);
    // -1 per frame from 32768: 32768 frames of release.
    int frames = 0;
    while (e.voicePlaying(v) && frames < 100000) {
        render(e, 256);
        frames += 256;
    }
    EXPECT_EQ(frames, 32768);
}

TEST_F(SettingsTest, RecorderForwarding) {
    SoundEngine& e = makeEngine();
    e.recorderRecord();
    e.recorderPlay();
    e.recorderStop();
    recorder.state = 2;
    EXPECT_EQ(e.getRecorderState(), 2);
    EXPECT_EQ(recorder.records, 1);
    EXPECT_EQ(recorder.playsCalled, 1);
    EXPECT_EQ(recorder.stopsCalled, 1);
    const int chord[6] = {2, -1, 14, 19, -1, -1};
    e.setChordStrum(chord, 1, true);
    EXPECT_EQ(recorder.strum, std::vector<int>({2, -1, 14, 19, -1, -1}));
    EXPECT_EQ(recorder.strumGuitar, 1);
    EXPECT_TRUE(recorder.strumMute);
    e.setChordStrumSpeed(0.25f);
    EXPECT_EQ(e.chordStrumSpeed(), 0.25f);
    e.stopChordStrum();
    EXPECT_EQ(recorder.strumStops, 1);
    // Without a recorder the null one answers.
    e.setRecorder(nullptr);
    EXPECT_EQ(e.getRecorderState(), 0);
    EXPECT_EQ(e.voiceNoteID(e.playSampleWithGuitar(0, 1)), -1);
}

} // namespace
