// Voices: stealing and untrusted numbers; the pedals: untrusted
// settings held to the knobs' range. The mix, the
// count of sounding voices and the pedals' arithmetic on in-range settings are
// checked value by value against the reference model.
#include <cmath>
#include <cstring>

#include "AudioTestSupport.h"

namespace {

// Which voice is stolen among equals is checked against the reference model;
// here, the voices whose slot may not be cut off.
TEST_F(EngineTest, AFullEngineStealsOnlyVoicesThatMayBeCutOff) {
    SoundEngine& e = makeEngine();
    for (int k = 0; k < 40; ++k)
        e.play({k < 3 ? 1 : 0, 0.5, 0, 0}, k);
    e.callbackUserData()->sampleList[1].cannotBeCulledOnTooManyNotes = true;
    EXPECT_EQ(e.play({0, 0.5, 0, 0}, 50), 3);
    e.callbackUserData()->sampleList[0].cannotBeCulledOnTooManyNotes = true;
    EXPECT_EQ(e.play({0, 0.5, 0, 0}, 51), -1);
    EXPECT_EQ(e.voiceNoteID(4), 4); // nothing changed
}

// Numbers from songs and screens are untrusted: outside their range they do
// nothing, record nothing, or are held to it.
TEST_F(EngineTest, UntrustedNumbersAreRefusedOrHeldInRange) {
    SoundEngine& e = makeEngine();
    loadSlot(0, constantSample(3000, 30000));
    // A stopped engine renders nothing, not even silence.
    e.play({0, 1.0, 0, 0}, -1);
    e.stop();
    std::vector<int16_t> out(32, 77);
    EXPECT_EQ(SoundEngine::callbackProcStereo(e.callbackUserData(), out.data(), 16), -1);
    EXPECT_EQ(out, std::vector<int16_t>(32, 77));
    e.start();
    EXPECT_EQ(SoundEngine::callbackProcStereo(e.callbackUserData(), out.data(), 16), 0);
    EXPECT_EQ(out, std::vector<int16_t>(32, 30000));
    e.stopAllSoundsImmediately();
    for (int slot : {200, -1})
        EXPECT_EQ(playSlot(e, slot, 1.0, 0, -1) + e.play({slot, 1.0, 0.0, 1}, -1), -2);
    for (int bad : {-1, 40}) {
        e.stopSample(bad);
        e.bendTo(bad, 2.0f);
        e.stopBend(bad);
        EXPECT_EQ(std::pair(e.voicePlaying(bad), e.voiceNoteID(bad)), std::pair(false, -1));
    }
    for (int bad : {-1, 2}) {
        e.setGuitarVolume(bad, 0.9f);
        e.setDelayOn(bad, true);
        e.nextPatch(nullptr, bad);
        EXPECT_EQ(e.fretNoiseFor(bad).slot + e.tapNoiseFor(bad).slot + e.noteFor(bad, 0).slot, -3);
        EXPECT_EQ(e.playUnrecorded(bad, 0), -1);
        EXPECT_EQ(e.guitarVolume(bad) + e.guitarSustain(bad), 0.0f);
        EXPECT_FALSE(e.delayOn(bad) || e.isAcoustic(bad));
        EXPECT_EQ(std::to_string(e.patchNo(bad)) + e.patchName(bad), "-1");
    }
    EXPECT_EQ(e.numSamplesPlaying(), 0);
    // A volume far above 2 plays as 2 (30000 * 2 clips); a positive or huge
    // release slope cannot overflow the envelope.
    e.stopSample(playSlot(e, 0, 1e30, 1e30, -1));
    EXPECT_EQ(render(e, 16), std::vector<int16_t>(32, 32767));
    e.stopAllSoundsImmediately();
    EXPECT_EQ(e.numSamplesPlaying(), 0);
    const int w = playSlot(e, 0, std::nan(""), -1e300, -1);
    e.stopSample(w);
    EXPECT_EQ(render(e, 16), std::vector<int16_t>(32, 0));
    render(e, 16);
    EXPECT_FALSE(e.voicePlaying(w));
    // A whammy that would play at a speed of 0 or less is refused; an absurdly
    // fast one is held, and stops at the end of the sample.
    e.setWhammyBarAttached(0, true);
    e.setWhammyForGuitar(0, -5.0f);
    const int v = e.play({0, 1.0, 0, 0}, -1);
    EXPECT_EQ(render(e, 64), std::vector<int16_t>(128, 0));
    EXPECT_EQ(e.voiceState(v).playPosition, 0.0f);
    EXPECT_EQ(e.numSamplesPlaying(), 0); // silent until the whammy lets it go on
    e.setWhammyForGuitar(0, 1e30f);
    render(e, 64);
    render(e, 64);
    EXPECT_LE(e.voiceState(v).playPosition, 3000.0f + 64.0f);
}

// Songs from elsewhere may hold any wah value: it is held to the pedal's
// range (0.05 ... 0.5), where the filter never rings, and so is a value that
// reaches the render thread's record without the setter. Feedback and mix
// restored from a file or set by the knobs are held to 0 ... 1 (NaN from a
// file is the default) (the render
// thread plays the values read back here); untrusted times and gains stay
// inside the ring and the output range.
TEST_F(EngineTest, UntrustedPedalSettingsAreHeldToTheKnobsRange) {
    std::vector<int16_t> square(2000);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = int16_t((i / 40) % 2 ? 30000 : -30000);
    auto wah = [&](float f, bool direct) {
        SoundEngine& e = makeEngine();
        loadSlot(0, square);
        e.setWahOn(0, true);
        direct ? e.effect<WahEffect>(0).storeUncheckedCoefficient(f) : e.setWahForGuitar(0, f);
        playSlot(e, 0, 0.6, 0, -1);
        return std::make_pair(e.wahForGuitar(0), render(e, 1024));
    };
    SoundEngine d(nullptr, nullptr, folder.str(), clock);
    // (feedback, mix, wah) as given and as held
    const float cases[][6] = {{1e30f, INFINITY, 1e30f, 1.0f, 1.0f, 0.5f},
                              {-INFINITY, -1e30f, -INFINITY, 0, 0, 0.05f},
                              {NAN, NAN, NAN, 0, 0, 0.5f},
                              {1.5f, 0.25f, 0.6f, 1.0f, 0.25f, 0.5f},
                              {0.4f, 0.9f, 0.0f, 0.4f, 0.9f, 0.05f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[2]);
        auto section = engineSection(d);
        std::memcpy(&section[46], &c[0], 8); // guitar 2's feedback and mix
        loadEngineSection(d, section);
        d.setDelayFeedback(0, c[0]);
        d.setDelayMix(0, c[1]);
        const bool nan = c[0] != c[0]; // read from a file as the defaults, set by a knob as 0
        EXPECT_EQ(std::vector<float>({d.delayFeedback(1), d.delayMix(1), d.delayFeedback(0), d.delayMix(0)}),
                  std::vector<float>({nan ? 0.4f : c[3], nan ? 0.9f : c[4], c[3], c[4]}));
        const auto held = wah(c[5], false);
        EXPECT_EQ(wah(c[2], false), held);
        EXPECT_EQ(wah(c[2], true).second, held.second);
        EXPECT_EQ(held.first, c[5]);
    }
    writeWav(folder.file("loud.wav"), constantSample(100, 20000));
    d.loadSampleAtSlot(48, "loud.wav");
    playSlot(d, 48, 1.0, 0, -1);
    int16_t highest = 0;
    for (int time : {2, -5, 88400, 100000, 88401, 1 << 30}) {
        for (bool pp : {false, true}) {
            d.setDelayOn(1, true);
            d.setPingPong(1, pp);
            d.setDelayTime(1, time);
            d.setDelayFeedback(1, 1e9f);
            d.setDelayMix(1, pp ? std::nanf("") : 1e9f);
            for (int16_t x : render(d, 300)) {
                ASSERT_TRUE(x >= -32767 && x <= 32766) << x;
                highest = std::max(highest, x);
            }
        }
    }
    EXPECT_EQ(highest, 32766); // the echoes saturate
}

} // namespace
