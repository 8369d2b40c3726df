// The engine against the plain reference model on random scenarios: every
// output value must be identical, with the vectorised loops on and off.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "AudioTestSupport.h"
#include "ReferenceModel.h"
#include "audio/VoiceMixer.h"

namespace {

class ReferenceComparisonTest : public EngineTest,
                                public ::testing::WithParamInterface<std::tuple<int, bool>> {};

struct Scenario {
    std::mt19937 rng;
    explicit Scenario(int seed) : rng(uint32_t(seed)) {}
    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }
    bool chance(double p) { return real(0, 1) < p; }
};

void runScenario(EngineTest& test, SoundEngine& e, ReferenceModel& m, ManualClock& clock, int seed,
                 std::function<void(int, const std::vector<int16_t>&)> loadSlot) {
    Scenario s(seed);
    // Sample bank: noise, ramps, loud constants, a few empty slots.
    std::vector<int> slots;
    for (int k = 0; k < 30; ++k) {
        const int group = s.uniform(0, 2);
        const int slot = group == 0 ? s.uniform(0, 47) : group == 1 ? s.uniform(48, 96) : s.uniform(97, 130);
        const int length = s.chance(0.1) ? s.uniform(0, 3) : s.uniform(10, 6000);
        std::vector<int16_t> data(static_cast<size_t>(length), 0);
        const int kind = s.uniform(0, 2);
        for (int i = 0; i < length; ++i)
            data[size_t(i)] = kind == 0   ? int16_t(s.uniform(-32768, 32767))
                              : kind == 1 ? int16_t((i * 37) % 65536 - 32768)
                                          : int16_t(s.chance(0.5) ? 32767 : -32768);
        loadSlot(slot, data);
        m.slots[slot] = data;
        slots.push_back(slot);
    }
    slots.push_back(99);  // never loaded
    slots.push_back(150); // never loaded
    const double volumes[] = {0.0, 0.35, 0.5, 0.7, 0.9, 1.0, 1.5, 2.0};
    const double releases[] = {0.0, -1.5e-5, -1.865e-5, -3.69e-5, -1e-3, -0.01, -0.3, -2.0};
    const int sizes[] = {1, 7, 64, 220, 256, 256, 256, 1000, 2500};
    int noteID = 0;
    for (int buffer = 0; buffer < 150; ++buffer) {
        const int ops = s.uniform(0, 6);
        for (int k = 0; k < ops; ++k) {
            const int op = s.uniform(0, 19);
            const int v = s.uniform(0, 39);
            const int g = s.uniform(0, 1);
            if (op <= 6) {
                const int slot = slots[size_t(s.uniform(0, int(slots.size()) - 1))];
                const double vol = s.chance(0.8) ? volumes[s.uniform(0, 7)] : s.real(0, 2);
                const double rd = s.chance(0.8) ? releases[s.uniform(0, 7)] : s.real(-0.01, 0);
                if (s.chance(0.3))
                    clock.advance(0.001);
                const int a = e.playSampleWithSampleNo(slot, vol, rd, noteID);
                const int b = m.play(slot, vol, rd, noteID, clock.now());
                ++noteID;
                ASSERT_EQ(a, b);
            } else if (op <= 9) {
                e.stopSample(v);
                m.stop(v);
            } else if (op == 10) {
                e.startFullBend(v);
                m.voices[v].requiredPitch = SoundEngine::kFullBendPitch;
            } else if (op == 11) {
                e.startHalfBend(v);
                m.voices[v].requiredPitch = SoundEngine::kHalfBendPitch;
            } else if (op == 12) {
                if (s.chance(0.5)) {
                    e.unbend(v);
                    m.voices[v].requiredPitch = 1.0f;
                } else {
                    e.stopBend(v);
                    m.voices[v].requiredPitch = 1.0f;
                    m.voices[v].pitch = 1.0f;
                }
            } else if (op == 13) {
                const float w = float(s.real(-0.5, 0.5));
                e.setWhammyForGuitar(g, w);
                m.whammy[g] = w;
            } else if (op == 14) {
                const bool on = s.chance(0.5);
                if (s.chance(0.5)) {
                    e.setWhammyBarAttached(g, on);
                    m.whammyBarAttached[g] = on;
                } else {
                    e.setPitchBendOn(g, on);
                    m.pitchBendOn[g] = on;
                }
            } else if (op == 15) {
                const bool on = s.chance(0.5);
                const float f = float(s.real(0.05, 0.5));
                e.setWahOn(g, on);
                e.setWahForGuitar(g, f);
                m.wahOn[g] = on;
                m.wahF[g] = f;
            } else if (op == 16) {
                const bool on = s.chance(0.5);
                const float t = float(s.real(0, 1));
                e.setFuzzOn(g, on);
                e.setFuzzThreshold(g, t);
                m.fuzzOn[g] = on;
                m.fuzzThreshold[g] = int16_t(int(1000.0f + (1.0f - t) * 18000.0f));
            } else if (op == 17) {
                const bool on = s.chance(0.6);
                const int time = s.chance(0.2) ? s.uniform(0, 3) : s.uniform(0, 88400);
                const bool pp = s.chance(0.5);
                const float fb = float(s.real(0, 1)), mix = float(s.real(0, 1));
                e.setDelayOn(g, on);
                m.setDelayOn(g, on);
                if (s.chance(0.5)) {
                    e.setDelayTime(g, time);
                    m.setDelayTime(g, time);
                }
                e.setPingPong(g, pp);
                e.setDelayFeedback(g, fb);
                e.setDelayMix(g, mix);
                m.delay[g].pingPong = pp;
                m.delay[g].feedback = fb;
                m.delay[g].mix = mix;
            } else if (op == 18) {
                if (s.chance(0.3)) {
                    e.stopAllSounds();
                    for (auto& x : m.voices)
                        x.wantToStop = true;
                }
            } else {
                const float p = float(s.real(0.9, 1.2));
                const int id = s.uniform(0, noteID);
                e.setPitch(p, id);
                for (auto& x : m.voices)
                    if (x.noteID == id) {
                        x.requiredPitch = p;
                        break;
                    }
            }
        }
        const int frames = sizes[s.uniform(0, 8)];
        std::vector<int16_t> expected(size_t(frames) * 2);
        m.render(expected.data(), frames);
        const auto got = render(e, frames);
        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(got[i], expected[i]) << "seed " << seed << " buffer " << buffer << " value " << i;
        for (int v = 0; v < 40; ++v)
            ASSERT_EQ(e.voicePlaying(v), m.voices[v].playing) << "seed " << seed << " buffer " << buffer;
        clock.advance(double(frames) / 44100.0);
    }
    (void)test;
}

TEST_P(ReferenceComparisonTest, MatchesTheReferenceModel) {
    const auto [seed, fast] = GetParam();
    SoundEngine& e = makeEngine();
    e.callbackUserData()->fastPath = fast;
    ReferenceModel m;
    runScenario(*this, e, m, clock, seed,
                [this](int slot, const std::vector<int16_t>& d) { loadSlot(slot, d); });
}

INSTANTIATE_TEST_SUITE_P(Seeds, ReferenceComparisonTest,
                         ::testing::Combine(::testing::Range(1, 13), ::testing::Bool()));

// The vectorised mixers against the per-frame loops on many random
// sustained, releasing and bent voices (both through the engine).
class FastPathTest : public EngineTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FastPathTest, MatchesPerFrameLoop) {
    if (!VoiceMixer::fastPathAvailable())
        GTEST_SKIP() << "no vector unit";
    const bool bend = GetParam();
    std::mt19937 rng(bend ? 78 : 77);
    std::vector<int16_t> data(50000);
    for (auto& x : data)
        x = int16_t(rng());
    SoundEngine fast(nullptr, nullptr, nullptr, folder.path(), clock);
    SoundEngine plain(nullptr, nullptr, nullptr, folder.path(), clock);
    plain.callbackUserData()->fastPath = false;
    writeWav(folder.file("d.wav"), data);
    for (SoundEngine* e : {&fast, &plain})
        for (int slot = 0; slot < 48; ++slot)
            e->loadSampleAtSlot(slot, "d.wav");
    for (SoundEngine* e : {&fast, &plain}) {
        e->setPitchBendOn(0, bend);
        e->setWhammyBarAttached(0, bend);
    }
    for (int round = 0; round < 300; ++round) {
        const int slot = int(rng() % 48);
        if (bend && round % 5 == 0) {
            const float w = float(int(rng() % 1000) - 500) / 1000.0f;
            fast.setWhammyForGuitar(0, w);
            plain.setWhammyForGuitar(0, w);
            const int v = int(rng() % 40);
            fast.startFullBend(v);
            plain.startFullBend(v);
        }
        const double vol = double(rng() % 140000) / 65536.0;
        const double release = -double(rng() % 3000) / 65536.0 / double(1 + rng() % 50);
        fast.playSampleWithSampleNo(slot, vol, release, round);
        plain.playSampleWithSampleNo(slot, vol, release, round);
        if (rng() % 3 == 0) {
            const int v = int(rng() % 40);
            fast.stopSample(v);
            plain.stopSample(v);
        }
        const int frames = 1 + int(rng() % 700);
        ASSERT_EQ(render(fast, frames), render(plain, frames)) << round;
        clock.advance(0.001);
    }
}

INSTANTIATE_TEST_SUITE_P(Mixers, FastPathTest, ::testing::Bool());

} // namespace
