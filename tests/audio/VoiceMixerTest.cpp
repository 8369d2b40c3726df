// Voices and the plain mixer: known vectors computed from the 16.16 arithmetic.
#include <gtest/gtest.h>

#include "AudioTestSupport.h"

namespace {

class VoicesTest : public EngineTest {};

TEST_F(VoicesTest, FirstFrameSoundsAtFullVolume) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(1000, 10000));
    ASSERT_EQ(e.playSampleWithSampleNo(0, 0.5, -1e-5, -1), 0);
    const auto out = render(e, 8);
    // target 0.5 = 32768; 10000 * 32768 >> 16 = 5000 from the first frame on.
    for (int16_t v : out)
        EXPECT_EQ(v, 5000);
}

TEST_F(VoicesTest, StopBeforeFirstBufferSoundsOneBufferThenReleases) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(1000, 10000));
    const int v = e.playSampleWithSampleNo(0, 0.5, -0.01, -1);
    e.stopSample(v);
    const auto first = render(e, 64);
    for (int16_t x : first)
        EXPECT_EQ(x, 5000);
    EXPECT_TRUE(e.voicePlaying(v));
    // The release slope -0.01 is -655 per frame in 16.16: frame j has volume
    // 32768 - 655 (j + 1); the volume reaches 0 or less on frame 50.
    const auto second = render(e, 64);
    for (int j = 0; j < 64; ++j) {
        const int expected = j < 50 ? int((10000LL * (32768 - 655 * (j + 1))) >> 16) : 0;
        EXPECT_EQ(second[2 * j], expected) << j;
        EXPECT_EQ(second[2 * j + 1], expected) << j;
    }
    EXPECT_EQ(second[0], 4900);
    EXPECT_FALSE(e.voicePlaying(v));
}

TEST_F(VoicesTest, StealsOldestVoiceLowestIndexOnTie) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(100, 1));
    for (int k = 0; k < 40; ++k)
        ASSERT_EQ(e.playSampleWithSampleNo(0, 0.5, 0, k), k);
    // All started at the same time: the lowest index goes first.
    clock.advance(1.0);
    EXPECT_EQ(e.playSampleWithSampleNo(0, 0.5, 0, 99), 0);
    EXPECT_EQ(e.voiceNoteID(0), 99);
    // Voice 0 is now the newest; voice 1 is among the oldest, lowest index.
    EXPECT_EQ(e.playSampleWithSampleNo(0, 0.5, 0, 100), 1);
}

TEST_F(VoicesTest, StealingSkipsProtectedSlotsAndFailsWhenAllAreProtected) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(100, 1));
    loadSlot(1, constantSample(100, 1));
    CallbackUserData* cb = e.callbackUserData();
    for (int k = 0; k < 40; ++k) {
        clock.advance(1.0);
        e.playSampleWithSampleNo(k < 3 ? 1 : 0, 0.5, 0, k);
    }
    cb->sampleList[1].cannotBeCulledOnTooManyNotes = true;
    // Voices 0..2 are the oldest but hold the protected slot.
    EXPECT_EQ(e.playSampleWithSampleNo(0, 0.5, 0, 50), 3);
    cb->sampleList[0].cannotBeCulledOnTooManyNotes = true;
    EXPECT_EQ(e.playSampleWithSampleNo(0, 0.5, 0, 51), -1);
    EXPECT_EQ(e.voiceNoteID(4), 4); // nothing changed
}

TEST_F(VoicesTest, NoisePlaysToItsEndAndKeepsItsVoice) {
    for (int n = 1; n <= 10; ++n)
        writeWav(folder.file("fret" + std::to_string(n) + ".wav"), constantSample(300, 1000));
    SoundEngine& e = makeEngine();
    e.setGuitarVolume(0, 0.5f);
    e.playNoiseFretWithGuitar(0);
    ASSERT_EQ(recorder.plays.size(), 1u);
    EXPECT_GE(recorder.plays[0].sampleNo, 100);
    EXPECT_LE(recorder.plays[0].sampleNo, 109);
    EXPECT_EQ(recorder.plays[0].releaseDelta, 0.0);
    ASSERT_EQ(recorder.stops.size(), 1u);
    EXPECT_EQ(recorder.stops[0], 100);
    // Volume 0.35 is 22937 in 16.16: 1000 * 22937 >> 16 = 349.
    const auto a = render(e, 256);
    for (int16_t v : a)
        EXPECT_EQ(v, 349);
    const auto b = render(e, 256);
    for (int j = 0; j < 256; ++j)
        EXPECT_EQ(b[2 * j], j < 44 ? 349 : 0) << j;
    EXPECT_TRUE(e.voicePlaying(0)); // silent, but still holding the voice
}

TEST_F(VoicesTest, TapNoiseUsesTapSlotsAtHalfVolume) {
    SoundEngine& e = makeEngine();
    e.setGuitarVolume(1, 0.8f);
    e.playNoiseTapWithGuitar(1);
    ASSERT_EQ(recorder.plays.size(), 1u);
    EXPECT_GE(recorder.plays[0].sampleNo, 110);
    EXPECT_LE(recorder.plays[0].sampleNo, 121);
    EXPECT_FLOAT_EQ(recorder.plays[0].volume, 0.4f);
}

TEST_F(VoicesTest, ClipsAtBothEnds) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(64, 30000));
    loadSlot(1, constantSample(64, -30000));
    e.playSampleWithSampleNo(0, 1.0, 0, -1);
    e.playSampleWithSampleNo(0, 1.0, 0, -1);
    auto out = render(e, 16);
    for (int16_t v : out)
        EXPECT_EQ(v, 32767);
    e.stopAllSoundsImmediately();
    e.playSampleWithSampleNo(1, 1.0, 0, -1);
    e.playSampleWithSampleNo(1, 1.0, 0, -1);
    e.playSampleWithSampleNo(49, 1.0, 0, -1); // guitar 2 adds nothing: empty slot
    out = render(e, 16);
    for (int16_t v : out)
        EXPECT_EQ(v, -32767);
}

TEST_F(VoicesTest, SumOfGuitarsClipsToo) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(64, -30000));
    loadSlot(48, constantSample(64, -30000));
    e.playSampleWithSampleNo(0, 1.0, 0, -1);
    e.playSampleWithSampleNo(48, 1.0, 0, -1);
    for (int16_t v : render(e, 16))
        EXPECT_EQ(v, -32767);
}

TEST_F(VoicesTest, SustainOneRingsToTheEndOfTheSample) {
    SoundEngine& e = makeEngine();
    e.setGuitarSustain(0, 1.0f);
    e.setGuitarVolume(0, 1.0f);
    loadSlot(5, constantSample(500, 100));
    const int v = e.playSampleWithGuitar(0, 5);
    e.stopAndRecordSample(v);
    render(e, 256);
    const auto b = render(e, 256);
    for (int j = 0; j < 256; ++j)
        EXPECT_EQ(b[2 * j], j < 244 ? 100 : 0) << j;
    EXPECT_TRUE(e.voicePlaying(v));
    EXPECT_EQ(e.voiceState(v).phase, 2);
    EXPECT_EQ(recorder.stops, std::vector<int>({100}));
}

TEST_F(VoicesTest, Sample96BelongsToGuitarTwoAnd97ToNoGuitar) {
    SoundEngine& e = makeEngine();
    loadSlot(96, constantSample(64, 10000));
    loadSlot(97, constantSample(64, 10000));
    e.setFuzzOn(1, true);
    e.setFuzzThreshold(1, 1.0f); // clips at 1000
    e.playSampleWithSampleNo(96, 1.0, 0, -1);
    auto out = render(e, 8);
    for (int16_t v : out)
        EXPECT_EQ(v, 1000);
    e.stopAllSoundsImmediately();
    e.playSampleWithSampleNo(97, 1.0, 0, -1);
    out = render(e, 8);
    for (int16_t v : out)
        EXPECT_EQ(v, 10000);
}

TEST_F(VoicesTest, LeftEqualsRightWithEffectsOff) {
    SoundEngine& e = makeEngine();
    std::vector<int16_t> noise(3000);
    uint32_t x = 7;
    for (auto& v : noise) {
        x = x * 1664525u + 1013904223u;
        v = int16_t(x >> 16);
    }
    loadSlot(3, noise);
    loadSlot(60, noise);
    loadSlot(105, noise);
    e.playSampleWithSampleNo(3, 0.9, -0.001, -1);
    e.playSampleWithSampleNo(60, 0.7, -0.001, -1);
    e.playSampleWithSampleNo(105, 0.5, 0, -1);
    for (int b = 0; b < 5; ++b) {
        const auto out = render(e, 256);
        EXPECT_EQ(leftOf(out), rightOf(out));
    }
}

TEST_F(VoicesTest, StoppedEngineRendersNothing) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(64, 1000));
    e.playSampleWithSampleNo(0, 1.0, 0, -1);
    e.stop();
    std::vector<int16_t> out(32, 77);
    EXPECT_EQ(SoundEngine::callbackProcStereo(e.callbackUserData(), out.data(), 16), -1);
    for (int16_t v : out)
        EXPECT_EQ(v, 77);
    e.start();
    EXPECT_EQ(SoundEngine::callbackProcStereo(e.callbackUserData(), out.data(), 16), 0);
    EXPECT_EQ(out[0], 1000);
}

TEST_F(VoicesTest, OperationsOnInvalidVoiceNumbersDoNothing) {
    SoundEngine& e = makeEngine();
    e.stopSample(-1);
    e.stopSample(40);
    e.stopAndRecordSample(-1);
    e.startFullBend(-1);
    e.stopBend(40);
    EXPECT_TRUE(recorder.stops.empty());
    EXPECT_TRUE(recorder.pitches.empty());
}

TEST_F(VoicesTest, StopOnSilentVoiceDoesNothingAndStopAfterStealActsOnNewNote) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(1000, 1000));
    loadSlot(1, constantSample(5000, 2000));
    const int v = e.playSampleWithSampleNo(0, 0.5, -2.0, -1);
    e.stopSample(v);
    render(e, 64);
    render(e, 64);
    EXPECT_FALSE(e.voicePlaying(v));
    e.stopSample(v);
    EXPECT_FALSE(e.voiceState(v).wantToStop);
    // The voice is taken again: a stop now acts on the new note.
    EXPECT_EQ(e.playSampleWithSampleNo(1, 0.5, -2.0, 7), v);
    render(e, 8);
    e.stopSample(v);
    render(e, 8);
    EXPECT_FALSE(e.voicePlaying(v));
}

TEST_F(VoicesTest, RecordedPlaysCarryTheRecordersNoteID) {
    SoundEngine& e = makeEngine();
    e.setGuitarVolume(1, 0.25f);
    e.setGuitarSustain(1, 0.7f);
    const int v = e.playSampleWithGuitar(1, 10, 0.5f);
    ASSERT_EQ(recorder.plays.size(), 1u);
    EXPECT_EQ(recorder.plays[0].sampleNo, 58);
    EXPECT_FLOAT_EQ(recorder.plays[0].volume, 0.125f);
    EXPECT_DOUBLE_EQ(recorder.plays[0].releaseDelta, -8.8e-5 + 0.7f * 7.3e-5);
    EXPECT_EQ(e.voiceNoteID(v), 100);
    e.stopAndRecordSample(v);
    EXPECT_EQ(recorder.stops, std::vector<int>({100}));
    // Unrecorded plays keep the identifier they were given.
    EXPECT_EQ(e.voiceNoteID(e.playSampleWithSampleNo(3, 0.5, 0, 42)), 42);
}

TEST_F(VoicesTest, HumanizedVolumeIsOneOfFourSteps) {
    SoundEngine& e = makeEngine();
    e.setGuitarVolume(0, 1.0f);
    for (int k = 0; k < 40; ++k)
        e.playSampleWithHumanizedVolumeAndGuitar(0, 3);
    bool seen[4] = {};
    for (const auto& p : recorder.plays) {
        const int step = int(std::lround((1.0f - p.volume) * 10.0f));
        ASSERT_GE(step, 0);
        ASSERT_LE(step, 3);
        EXPECT_FLOAT_EQ(p.volume, float(1.0 - step / 10.0));
        seen[step] = true;
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2] && seen[3]);
}

TEST_F(VoicesTest, UntrustedValuesAreHeldInRange) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(64, 30000));
    // Sample numbers outside the bank start nothing and record nothing.
    EXPECT_EQ(e.playSampleWithSampleNo(200, 1.0, 0, -1), -1);
    EXPECT_EQ(e.playSampleWithSampleNo(-1, 1.0, 0, -1), -1);
    EXPECT_EQ(e.playAndRecordSampleWithSampleNo(500, 1.0, 0), -1);
    EXPECT_TRUE(recorder.plays.empty());
    // A volume far above 2 plays as 2 (30000 * 2 clips); a positive or huge
    // release slope cannot overflow the envelope.
    const int v = e.playSampleWithSampleNo(0, 1e30, 1e30, -1);
    e.stopSample(v);
    for (int16_t x : render(e, 16))
        EXPECT_EQ(x, 32767);
    e.stopAllSoundsImmediately();
    const int w = e.playSampleWithSampleNo(0, std::nan(""), -1e300, -1);
    e.stopSample(w);
    for (int16_t x : render(e, 16))
        EXPECT_EQ(x, 0);
    render(e, 16);
    EXPECT_FALSE(e.voicePlaying(w));
}

TEST_F(VoicesTest, SampleThatRanOutStaysPlayingAndSilent) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(20, 1000));
    const int v = e.playSampleWithSampleNo(0, 0.5, -2.0, -1);
    e.stopSample(v);
    render(e, 64);
    const auto out = render(e, 64);
    for (int16_t x : out)
        EXPECT_EQ(x, 0);
    // The stop is taken but the release never runs: no frame is left.
    EXPECT_TRUE(e.voicePlaying(v));
    EXPECT_EQ(e.voiceState(v).phase, 2);
    EXPECT_FALSE(e.voiceState(v).wantToStop);
}

TEST_F(VoicesTest, VolumeTwoReachesItsLevelOnTheFirstFrame) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(64, 10000));
    e.playSampleWithSampleNo(0, 2.0, 0, -1);
    for (int16_t x : render(e, 8))
        EXPECT_EQ(x, 20000);
}

TEST_F(VoicesTest, LongRequestsRenderInPiecesWithTheSameResult) {
    SoundEngine& e = makeEngine();
    std::vector<int16_t> ramp(20000);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = int16_t(i % 20000);
    loadSlot(0, ramp);
    e.playSampleWithSampleNo(0, 0.5, -1e-4, -1);
    const auto out = render(e, 9000); // several times the scratch buffer
    for (int j = 0; j < 9000; ++j)
        ASSERT_EQ(out[2 * j], int16_t((int64_t(j) * 32768) >> 16)) << j;
}

} // namespace

namespace {

// The count of sounding voices, buffer by buffer, through releases, steals,
// stops of every kind and samples that run out.
TEST_F(VoicesTest, PlayingCountFollowsTheVoicesThemselves) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(5000, 10000));
    loadSlot(1, constantSample(20, 10000));
    // Three notes with a release of 50 frames.
    for (int k = 0; k < 3; ++k)
        e.playSampleWithSampleNo(0, 0.5, -0.01, -1);
    EXPECT_EQ(e.numSamplesPlaying(), 3); // before the render thread took them
    render(e, 64);
    EXPECT_EQ(e.numSamplesPlaying(), 3);
    // Released voices sound until their release ends, then count no more.
    e.stopAllSounds();
    EXPECT_EQ(e.numSamplesPlaying(), 3);
    render(e, 32);
    EXPECT_EQ(e.numSamplesPlaying(), 3);
    render(e, 32);
    EXPECT_EQ(e.numSamplesPlaying(), 0);
    render(e, 64);
    EXPECT_EQ(e.numSamplesPlaying(), 0);

    // Forty voices, then five steals: still forty.
    for (int k = 0; k < 45; ++k) {
        clock.advance(0.01);
        ASSERT_GE(e.playSampleWithSampleNo(0, 0.5, -0.01, -1), 0);
    }
    EXPECT_EQ(e.numSamplesPlaying(), 40);
    render(e, 16);
    e.stopAllSounds();
    e.playSampleWithSampleNo(0, 0.5, -0.01, -1); // steals a releasing voice
    EXPECT_EQ(e.numSamplesPlaying(), 40);
    for (int b = 0; b < 4; ++b)
        render(e, 32);
    EXPECT_EQ(e.numSamplesPlaying(), 1); // only the last start still sounds
    e.stopAllSoundsImmediately();
    EXPECT_EQ(e.numSamplesPlaying(), 0);

    // A sample that runs out leaves its voice playing but silent; so does an
    // empty slot.
    const int shortVoice = e.playSampleWithSampleNo(1, 0.5, 0, -1);
    const int emptyVoice = e.playSampleWithSampleNo(7, 0.5, 0, -1);
    EXPECT_EQ(e.numSamplesPlaying(), 2);
    render(e, 16);
    EXPECT_EQ(e.numSamplesPlaying(), 1);
    render(e, 16);
    EXPECT_TRUE(e.voicePlaying(shortVoice));
    EXPECT_TRUE(e.voicePlaying(emptyVoice));
    EXPECT_EQ(e.numSamplesPlaying(), 0);
    e.stopAllSoundsImmediately();
    e.playSampleWithSampleNo(0, 0.5, 0, -1);
    EXPECT_EQ(e.numSamplesPlaying(), 1);

    // A bent note held at a speed of 0 or less is silent until the whammy
    // lets it go on.
    e.setWhammyBarAttached(0, true);
    e.setWhammyForGuitar(0, -1.0f);
    render(e, 16);
    EXPECT_EQ(e.numSamplesPlaying(), 0);
    e.setWhammyForGuitar(0, 0.0f);
    render(e, 16);
    EXPECT_EQ(e.numSamplesPlaying(), 1);
}

} // namespace
