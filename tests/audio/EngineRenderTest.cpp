// The engine against the plain reference model on random scenarios: every
// output value must be identical, with the vectorised loops on and off, and
// the engine must stand being driven from several threads at once.
#include <atomic>
#include <functional>
#include <random>
#include <thread>

#include "AudioTestSupport.h"
#include "ReferenceModel.h"
#include "audio/VoiceMixer.h"
#include "system/NullAudioOutput.h"

namespace {

class ReferenceComparisonTest : public EngineTest,
                                public ::testing::WithParamInterface<std::tuple<int, bool>> {};

// The same scenario runs with the vectorised loops and with the per-frame
// loops: both must give the model's values, and so each other's.
TEST_P(ReferenceComparisonTest, MatchesTheReferenceModel) {
    const auto [seed, fast] = GetParam();
    std::mt19937 rng{uint32_t(seed)};
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto real = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    auto chance = [&](double p) { return real(0, 1) < p; };
    SoundEngine& e = makeEngine();
    e.callbackUserData()->fastPath = fast;
    if (fast && !VoiceMixer::fastPathAvailable())
        GTEST_SKIP() << "no vector unit: the per-frame run covers it";
    ReferenceModel m;
    // Sample bank: noise, ramps, loud constants, a few empty slots; the slots
    // either side of each mix's edge (47 | 48, 96 | 97) always among them.
    std::vector<int> slots = {99, 150}; // never loaded
    for (int k = 0; k < 30; ++k) {
        const int slot = k < 2 ? 47 + k : k < 4 ? 94 + k : uniform(0, 130);
        const int length = chance(0.1) ? uniform(0, 3) : uniform(10, 6000), kind = uniform(0, 2);
        std::vector<int16_t> data(size_t(length), 0);
        for (int i = 0; i < length; ++i)
            data[size_t(i)] = kind == 0   ? int16_t(uniform(-32768, 32767))
                              : kind == 1 ? int16_t((i * 37) % 65536 - 32768)
                                          : int16_t(chance(0.5) ? 32767 : -32768);
        loadSlot(slot, data);
        m.slots[slot] = data;
        slots.push_back(slot);
    }
    const double volumes[] = {0.0, 0.35, 0.5, 0.7, 0.9, 1.0, 1.5, 2.0};
    const double releases[] = {0.0, -1.5e-5, -1.865e-5, -3.69e-5, -1e-3, -0.01, -0.3, -2.0};
    const int sizes[] = {1, 7, 64, 220, 256, 256, 256, 1000, 2500};
    int noteID = 0;
    for (int buffer = 0; buffer < 150; ++buffer) {
        for (int k = uniform(0, 6); k > 0; --k) {
            const int op = uniform(0, 19), v = uniform(0, 39), g = uniform(0, 1);
            ReferenceModel::Voice& x = m.voices[v];
            const bool on = chance(0.5);
            if (op <= 6) {
                const int slot = slots[size_t(uniform(0, int(slots.size()) - 1))];
                const double vol = chance(0.8) ? volumes[uniform(0, 7)] : real(0, 2);
                const double rd = chance(0.8) ? releases[uniform(0, 7)] : real(-0.01, 0);
                if (chance(0.3))
                    clock.advance(0.001);
                ASSERT_EQ(playSlot(e, slot, vol, rd, noteID), m.play(slot, vol, rd, noteID, clock.now()));
                ++noteID;
            } else if (op <= 9) {
                e.stopSample(v);
                x.wantToStop = x.wantToStop || x.playing;
            } else if (op == 10 || op == 11) {
                e.bendTo(v, op == 10 ? SoundEngine::kFullBendPitch : SoundEngine::kHalfBendPitch);
                x.requiredPitch = op == 10 ? SoundEngine::kFullBendPitch : SoundEngine::kHalfBendPitch;
            } else if (op == 12) {
                on ? e.bendTo(v, 1.0f) : e.stopBend(v);
                x.requiredPitch = 1.0f;
                x.pitch = on ? x.pitch : 1.0f;
            } else if (op == 13) {
                m.whammy[g] = float(real(-0.5, 0.5));
                e.setWhammyForGuitar(g, m.whammy[g]);
            } else if (op == 14) {
                chance(0.5) ? e.setWhammyBarAttached(g, m.whammyBarAttached[g] = on)
                            : e.setPitchBendOn(g, m.pitchBendOn[g] = on);
            } else if (op == 15) {
                m.wahF[g] = float(real(0.05, 0.5));
                e.setWahOn(g, m.wahOn[g] = on);
                e.setWahForGuitar(g, m.wahF[g]);
            } else if (op == 16) {
                const float t = float(real(0, 1));
                e.setFuzzOn(g, m.fuzzOn[g] = on);
                e.setFuzzThreshold(g, t);
                m.fuzzThreshold[g] = int16_t(int(1000.0f + (1.0f - t) * 18000.0f));
            } else if (op == 17) {
                ReferenceModel::Delay& d = m.delay[g];
                d.on = chance(0.6);
                d.pingPong = chance(0.5);
                d.feedback = float(real(0, 1));
                d.mix = float(real(0, 1));
                m.clearRing(g);
                e.setDelayOn(g, d.on);
                if (chance(0.5))
                    e.setDelayTime(g, d.time = chance(0.2) ? uniform(0, 3) : uniform(0, 88400));
                e.setPingPong(g, d.pingPong);
                e.setDelayFeedback(g, d.feedback);
                e.setDelayMix(g, d.mix);
            } else if (op == 18 && chance(0.3)) {
                e.stopAllSounds();
                for (auto& y : m.voices)
                    y.wantToStop = true;
            } else if (op == 19) {
                const float p = float(real(0.9, 1.2));
                const int id = uniform(0, noteID);
                e.setPitch(p, id);
                auto it =
                    std::find_if(m.voices, m.voices + 40, [&](const auto& y) { return y.noteID == id; });
                if (it != m.voices + 40)
                    it->requiredPitch = p;
            }
        }
        SCOPED_TRACE(testing::Message() << "seed " << seed << " buffer " << buffer);
        ASSERT_EQ(e.numSamplesPlaying(), m.sounding());
        const int frames = sizes[uniform(0, 8)];
        std::vector<int16_t> expected(size_t(frames) * 2);
        m.render(expected.data(), frames);
        ASSERT_EQ(render(e, frames), expected);
        for (int v = 0; v < 40; ++v)
            ASSERT_EQ(e.voicePlaying(v), m.voices[v].playing) << v;
        ASSERT_EQ(e.numSamplesPlaying(), m.sounding());
        clock.advance(double(frames) / 44100.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ReferenceComparisonTest,
                         ::testing::Combine(::testing::Range(1, 13), ::testing::Bool()));

// Scripted scenes on one long note of guitar 1, bent by the whammy through
// several float binades, with its effects: the note, a silence long enough
// for the effects to settle (and, where the delay feeds nothing back, to be
// skipped), the note again. Speeds of 1 + 2^-20, 1 + 3 * 2^-21 and
// 1.5 + 2^-15 fall half-way between two float steps at some binades (the
// additions round to the even step); 1.9 and exactly 2 are read through the
// vector loop's short windows, 2 + 2^-9 and 2.3 are too fast for them, 0.55
// reads values twice.
TEST_F(EngineTest, ScriptedBendsAndSilencesMatchTheReferenceModel) {
    struct Scene {
        float whammy;
        float wahF; // 0: wah off
        int delayTime, silentBuffers;
        float feedback;
        bool pingPong;
    };
    const Scene scenes[] = {{0x1p-20f, 0.5f, 3000, 18, 0.0f, false},
                            {0x3p-21f, 0.3f, 26460, 8, 0.4f, true},
                            {0.5f + 0x1p-15f, 0, 0, 20, 0.0f, false},
                            {0.9f, 0.05f, 88400, 20, 0.0f, true},
                            {-0.45f, 0.5f, 1, 4, 0.9f, true},
                            {1.3f, 0, 2, 4, 0.5f, false},
                            {1.0f, 0, 5, 2, 0.0f, false},
                            {1.0f + 0x1p-9f, 0, 5, 2, 0.0f, false}};
    std::mt19937 rng(7);
    std::vector<int16_t> note(70000);
    for (int16_t& v : note)
        v = int16_t(int(rng() % 40000) - 20000);
    for (const Scene& c : scenes)
        for (const bool fast : {true, false}) {
            SCOPED_TRACE(testing::Message() << "whammy " << c.whammy << " fast " << fast);
            SoundEngine& e = makeEngine();
            e.callbackUserData()->fastPath = fast;
            ReferenceModel m;
            loadSlot(5, m.slots[5] = note);
            e.setWhammyBarAttached(0, m.whammyBarAttached[0] = true);
            e.setWhammyForGuitar(0, m.whammy[0] = c.whammy);
            e.setWahOn(0, m.wahOn[0] = c.wahF > 0);
            e.setWahForGuitar(0, m.wahF[0] = c.wahF);
            e.setFuzzOn(0, m.fuzzOn[0] = true);
            e.setFuzzThreshold(0, 0.25f);
            m.fuzzThreshold[0] = int16_t(int(1000.0f + 0.75f * 18000.0f));
            ReferenceModel::Delay& d = m.delay[0];
            std::tie(d.on, d.time, d.feedback, d.pingPong, d.mix) =
                std::make_tuple(true, c.delayTime, c.feedback, c.pingPong, 0.7f);
            e.setDelayOn(0, true);
            e.setDelayTime(0, d.time);
            e.setDelayFeedback(0, d.feedback);
            e.setPingPong(0, d.pingPong);
            e.setDelayMix(0, d.mix);
            for (int step = 0; step < 12 + c.silentBuffers; ++step) {
                if (step == 0 || step == 8 + c.silentBuffers) {
                    ASSERT_EQ(playSlot(e, 5, 0.9, -1e-3, step), m.play(5, 0.9, -1e-3, step, 0));
                }
                if (step == 4) {
                    e.stopSample(0);
                    m.voices[0].wantToStop = true;
                }
                const int frames = step % 3 == 0 ? 256 : 2500;
                std::vector<int16_t> expected(size_t(frames) * 2);
                m.render(expected.data(), frames);
                ASSERT_EQ(render(e, frames), expected) << "step " << step;
            }
        }
}

// The render thread pulls buffers while two other threads start, stop and
// bend voices, change settings and reload patches. Run under
// ThreadSanitizer to check that nothing races; under AddressSanitizer to
// check that no freed sample data is read.
TEST_F(EngineTest, RenderWhilePlayingBendingAndReloadingFromOtherThreads) {
    writeBundle(folder, 2000);
    // An output whose own thread pulls small buffers while holding its lock,
    // as SDL's audio device does.
    NullAudioOutput output(64);
    SoundEngine e(&parent, &output, folder.str(), clock);
    e.resetState();
    std::atomic<bool> go{true};
    auto player = [&](uint32_t seed) {
        std::mt19937 rng(seed);
        for (; go.load(); clock.advance(0.0001)) {
            const int v = int(rng() % 40), g = int(rng() % 2), n = int(rng() % 200);
            const std::function<void()> ops[] = {
                [&] { playSlot(e, n, 0.7, -0.001, n % 100); },
                [&] { e.stopSample(v); },
                [&] { e.bendTo(v, SoundEngine::kFullBendPitch); },
                [&] { e.stopBend(v); },
                [&] { e.setPitch(1.05f, n % 100); },
                [&] { e.setWhammyForGuitar(g, float(n % 100 - 50) / 100.0f); },
                [&] { e.stopSample(e.play(e.fretNoiseFor(g), -1)); },
                [&] { e.stopAllSounds(); },
                [&] { e.play(e.humanizedNoteFor(g, n % 48), -1); },
                [&] { e.playUnrecorded(g, n % 48); }};
            // Plays by guitar come up three times as often as the others.
            ops[std::min(int(rng() % 12), 9)]();
        }
    };
    std::thread ui(player, 1u), playback(player, 2u);
    // This thread plays the part of the patch and pedal screens.
    std::mt19937 rng(3);
    TestListener listener;
    for (int round = 0; round < 60; ++round) {
        const int g = int(rng() % 2);
        auto section = engineSection(e);
        section[12] = uint8_t(rng() % 5);
        section[25] = uint8_t(rng() % 5);
        const std::function<void()> ops[] = {[&] { e.nextPatch(&listener, g); },
                                             [&] { e.prevPatch(&listener, g); },
                                             [&] { e.resetState(); },
                                             [&] { loadEngineSection(e, section); },
                                             [&] {
                                                 e.setDelayOn(g, rng() % 2 == 0);
                                                 e.setDelayTime(g, int(rng() % 88400));
                                                 e.setPingPong(g, rng() % 2 == 0);
                                                 e.setWahOn(g, true);
                                                 e.setWahForGuitar(g, 0.2f);
                                                 e.setFuzzOn(g, rng() % 2 == 0);
                                                 e.setPitchBendOn(g, rng() % 2 == 0);
                                                 e.setWhammyBarAttached(g, rng() % 2 == 0);
                                             },
                                             [&] {
                                                 e.addSineWaveAtSlot(int(rng() % 200));
                                                 e.stopAllSoundsImmediately();
                                             }};
        ops[round % 6]();
        parent.mainThreadQueue().runPending();
        // Read while every thread is busy: never out of bounds.
        const int sounding = e.numSamplesPlaying();
        EXPECT_TRUE(sounding >= 0 && sounding <= 40) << sounding;
    }
    go = false;
    ui.join();
    playback.join();
    const auto rendered = output.buffersDelivered();
    output.stop();
    parent.mainThreadQueue().runPending();
    EXPECT_TRUE(rendered > 0 && listener.calls >= 1);
    int playing = 0;
    for (int v = 0; v < 40; ++v)
        playing += e.voicePlaying(v) && e.voiceState(v).sampleNo >= 0 ? 1 : 0;
    EXPECT_LE(e.numSamplesPlaying(), playing);
}

} // namespace
