// Voices: stealing, recording and untrusted numbers. The mix itself and the
// count of sounding voices are checked value by value against the reference
// model.
#include <set>

#include "AudioTestSupport.h"

namespace {

TEST_F(EngineTest, FortyVoicesStealTheOldestUnprotectedVoiceLowestIndexFirst) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(100, 1));
    loadSlot(1, constantSample(100, 1));
    for (int k = 0; k < 40; ++k)
        ASSERT_EQ(e.playSampleWithSampleNo(k < 3 ? 1 : 0, 0.5, 0, k), k);
    clock.advance(1.0);
    EXPECT_EQ(e.playSampleWithSampleNo(0, 0.5, 0, 99), 0);
    EXPECT_EQ(e.voiceNoteID(0), 99);
    EXPECT_EQ(e.playSampleWithSampleNo(0, 0.5, 0, 100), 1); // voice 0 is now the newest
    // Voice 2 is the oldest but holds a slot that may not be cut off.
    e.callbackUserData()->sampleList[1].cannotBeCulledOnTooManyNotes = true;
    EXPECT_EQ(e.playSampleWithSampleNo(0, 0.5, 0, 50), 3);
    e.callbackUserData()->sampleList[0].cannotBeCulledOnTooManyNotes = true;
    EXPECT_EQ(e.playSampleWithSampleNo(0, 0.5, 0, 51), -1);
    EXPECT_EQ(e.voiceNoteID(4), 4); // nothing changed
}

TEST_F(EngineTest, PlaysBendsNoisesAndControlsAreRecordedWithTheGuitarsVolumeAndSlope) {
    SoundEngine& e = makeEngine();
    e.setGuitarVolume(0, 0.5f);
    e.setGuitarVolume(1, 0.25f);
    e.setGuitarSustain(0, 0.0f);
    e.setGuitarSustain(1, 1.0f);
    const int v = e.playSampleWithGuitar(1, 10, 0.5f);
    EXPECT_EQ(e.voiceNoteID(v), 100);
    EXPECT_NEAR(e.guitarSustain(1), 1.0f, 1e-6);
    e.startFullBend(v);
    e.startHalfBend(v);
    e.unbend(v);
    e.stopBend(v);
    e.setPitch(1.05f, 100); // played back from a recording: not recorded again
    e.stopAndRecordSample(v);
    e.playSampleWithGuitar(0, 3);
    e.playNoiseFretWithGuitar(0);
    e.playNoiseTapWithGuitar(1);
    const std::tuple<int, int, float, double> expected[] = {{58, 58, 0.125f, -8.8e-5 + 7.3e-5},
                                                            {3, 3, 0.5f, -8.8e-5},
                                                            {100, 109, 0.35f, 0.0},
                                                            {110, 121, 0.125f, 0.0}};
    ASSERT_EQ(recorder.plays.size(), 4u);
    for (size_t k = 0; k < 4; ++k) {
        const auto [first, last, volume, release] = expected[k];
        EXPECT_TRUE(std::get<0>(recorder.plays[k]) >= first && std::get<0>(recorder.plays[k]) <= last) << k;
        EXPECT_FLOAT_EQ(std::get<1>(recorder.plays[k]), volume) << k;
        EXPECT_FLOAT_EQ(float(std::get<2>(recorder.plays[k])), float(release)) << k;
    }
    // Noises are stopped at once: with no release they play to their end.
    EXPECT_EQ(recorder.stops, std::vector<int>({100, 102, 103}));
    EXPECT_EQ(recorder.pitches, (std::vector<std::pair<int, float>>{{100, SoundEngine::kFullBendPitch},
                                                                    {100, SoundEngine::kHalfBendPitch},
                                                                    {100, 1.0f},
                                                                    {100, 1.0f}}));
    // Unrecorded plays keep the identifier they were given.
    EXPECT_EQ(e.voiceNoteID(e.playSampleWithSampleNo(3, 0.5, 0, 42)), 42);
    // A humanized volume is one of four steps of a tenth below the guitar's.
    std::set<long> steps;
    for (int k = 0; k < 40; ++k)
        e.playSampleWithHumanizedVolumeAndGuitar(0, 3);
    for (size_t k = 4; k < recorder.plays.size(); ++k)
        steps.insert(std::lround(std::get<1>(recorder.plays[k]) * 20.0f));
    EXPECT_EQ(steps, std::set<long>({7, 8, 9, 10}));
    // The recorder's own controls and strums reach it; without one, the null
    // recorder answers.
    e.recorderRecord();
    e.recorderPlay();
    e.recorderStop();
    e.stopChordStrum();
    EXPECT_EQ(recorder.calls + std::to_string(e.getRecorderState()), "RPSs2");
    const int chord[6] = {2, -1, 14, 19, -1, -1};
    e.setChordStrum(chord, 1, true);
    e.setChordStrum(nullptr, 0, false);
    EXPECT_EQ(recorder.strum, std::vector<int>({2, -1, 14, 19, -1, -1, 1, 1}));
    e.setChordStrumSpeed(0.25f);
    EXPECT_EQ(e.chordStrumSpeed(), 0.25f);
    e.setRecorder(nullptr);
    EXPECT_EQ(e.getRecorderState(), 0);
    EXPECT_EQ(e.voiceNoteID(e.playSampleWithGuitar(0, 1)), -1);
    EXPECT_EQ(recorder.plays.size(), 44u);
}

// Numbers from songs and screens are untrusted: outside their range they do
// nothing, record nothing, or are held to it.
TEST_F(EngineTest, UntrustedNumbersAreRefusedOrHeldInRange) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(3000, 30000));
    // A stopped engine renders nothing, not even silence.
    e.playSampleWithSampleNo(0, 1.0, 0, -1);
    e.stop();
    std::vector<int16_t> out(32, 77);
    EXPECT_EQ(SoundEngine::callbackProcStereo(e.callbackUserData(), out.data(), 16), -1);
    EXPECT_EQ(out, std::vector<int16_t>(32, 77));
    e.start();
    EXPECT_EQ(SoundEngine::callbackProcStereo(e.callbackUserData(), out.data(), 16), 0);
    EXPECT_EQ(out, std::vector<int16_t>(32, 30000));
    e.stopAllSoundsImmediately();
    for (int slot : {200, -1})
        EXPECT_EQ(
            e.playSampleWithSampleNo(slot, 1.0, 0, -1) + e.playAndRecordSampleWithSampleNo(slot, 1.0, 0), -2);
    for (int bad : {-1, 40}) {
        e.stopSample(bad);
        e.stopAndRecordSample(bad);
        e.startFullBend(bad);
        e.startHalfBend(bad);
        e.unbend(bad);
        e.stopBend(bad);
        EXPECT_EQ(std::pair(e.voicePlaying(bad), e.voiceNoteID(bad)), std::pair(false, -1));
    }
    for (int bad : {-1, 2}) {
        e.setGuitarVolume(bad, 0.9f);
        e.setDelayOn(bad, true);
        e.nextPatch(nullptr, bad);
        e.playNoiseFretWithGuitar(bad);
        e.playNoiseTapWithGuitar(bad);
        EXPECT_EQ(e.playSampleWithGuitar(bad, 0), -1);
        EXPECT_EQ(e.guitarVolume(bad) + e.guitarSustain(bad), 0.0f);
        EXPECT_FALSE(e.delayOn(bad) || e.isAcoustic(bad));
        EXPECT_EQ(std::to_string(e.patchNo(bad)) + e.patchName(bad), "-1");
    }
    EXPECT_TRUE(recorder.plays.empty() && recorder.stops.empty() && recorder.pitches.empty() &&
                recorder.calls.empty());
    // A volume far above 2 plays as 2 (30000 * 2 clips); a positive or huge
    // release slope cannot overflow the envelope.
    e.stopSample(e.playSampleWithSampleNo(0, 1e30, 1e30, -1));
    EXPECT_EQ(render(e, 16), std::vector<int16_t>(32, 32767));
    e.stopAllSoundsImmediately();
    EXPECT_EQ(e.numSamplesPlaying(), 0);
    const int w = e.playSampleWithSampleNo(0, std::nan(""), -1e300, -1);
    e.stopSample(w);
    EXPECT_EQ(render(e, 16), std::vector<int16_t>(32, 0));
    render(e, 16);
    EXPECT_FALSE(e.voicePlaying(w));
    // A whammy that would play at a speed of 0 or less is refused; an absurdly
    // fast one is held, and stops at the end of the sample.
    e.setWhammyBarAttached(0, true);
    e.setWhammyForGuitar(0, -5.0f);
    const int v = e.playSampleWithSampleNo(0, 1.0, 0, -1);
    EXPECT_EQ(render(e, 64), std::vector<int16_t>(128, 0));
    EXPECT_EQ(e.voiceState(v).playPosition, 0.0f);
    EXPECT_EQ(e.numSamplesPlaying(), 0); // silent until the whammy lets it go on
    e.setWhammyForGuitar(0, 1e30f);
    render(e, 64);
    render(e, 64);
    EXPECT_LE(e.voiceState(v).playPosition, 3000.0f + 64.0f);
}

} // namespace
