#pragma once
// The engine set up for measuring its render callback, shared by the timed
// benchmarks (EngineBench.cpp) and the instruction-count driver
// (RenderCount.cpp): forty ten-second noise samples, twenty per guitar, and
// the fret and tap noises, written once to a temporary bundle folder so the
// engine finds every file it asks for.
//
// Threads: one thread at a time.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "system/Clock.h"

namespace engine_rig {

constexpr int kFrames = 256;
constexpr int kVoices = 40;
constexpr int kSampleValues = 441000; // ten seconds

inline void writeWav(const std::string& path, const std::vector<int16_t>& values) {
    std::vector<uint8_t> out;
    auto put16 = [&](uint32_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    const uint32_t bytes = uint32_t(values.size() * 2);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(36 + bytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(16);
    put16(1);
    put16(1);
    put32(44100);
    put32(88200);
    put16(2);
    put16(16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(bytes);
    for (int16_t v : values)
        put16(uint16_t(v));
    const std::string temporary = path + ".part";
    std::ofstream(temporary, std::ios::binary)
        .write(reinterpret_cast<const char*>(out.data()), long(out.size()));
    std::filesystem::rename(temporary, path);
}

// The bundle folder, written on first use.
inline const std::string& benchFolder() {
    static const std::string folder = [] {
        const std::string path =
            (std::filesystem::temp_directory_path() / "strumwell-bench-samples").string();
        std::filesystem::create_directories(path);
        std::mt19937 rng(5);
        std::vector<std::string> names;
        for (int k = 0; k < kVoices; ++k)
            names.push_back("b" + std::to_string(k) + ".wav");
        for (int n = 1; n <= 10; ++n)
            names.push_back("fret" + std::to_string(n) + ".wav");
        for (int n = 1; n <= 12; ++n)
            names.push_back("tap" + std::to_string(n) + ".wav");
        for (const std::string& name : names) {
            const std::string file = path + "/" + name;
            if (std::filesystem::exists(file))
                continue;
            std::vector<int16_t> values(name[0] == 'b' ? kSampleValues : 4410);
            for (int16_t& v : values)
                v = int16_t(int(rng() % 20000) - 10000);
            writeWav(file, values);
        }
        return path;
    }();
    return folder;
}

inline int slotOf(int k) {
    return k < 20 ? k : 48 + (k - 20);
}

// bend: pitch bend and whammy on both guitars (a third of the voices bent
// up a whole tone); effects: wah, fuzz and ping-pong delay on both guitars;
// voices: how many voices each start() sets sounding (0: silence).
struct Rig {
    ManualClock clock;
    std::unique_ptr<SoundEngine> engine;
    std::vector<int16_t> out = std::vector<int16_t>(2 * kFrames);
    int voices = kVoices;

    Rig(bool bend, bool effects, int sounding = kVoices) : voices(sounding) {
        engine = std::make_unique<SoundEngine>(nullptr, nullptr, benchFolder(), clock);
        for (int k = 0; k < kVoices; ++k)
            engine->loadSampleAtSlot(slotOf(k), "b" + std::to_string(k) + ".wav");
        for (int g = 0; g < 2; ++g) {
            engine->setWhammyBarAttached(g, bend);
            engine->setPitchBendOn(g, bend);
            engine->setWhammyForGuitar(g, bend ? 0.05f : 0.0f);
            engine->setWahOn(g, effects);
            engine->setWahForGuitar(g, 0.3f);
            engine->setFuzzOn(g, effects);
            engine->setFuzzThreshold(g, 0.5f);
            engine->setDelayOn(g, effects);
            engine->setPingPong(g, true);
            engine->setDelayTime(g, 26460);
            engine->setDelayFeedback(g, 0.4f);
            engine->setDelayMix(g, 0.9f);
        }
        restart();
    }
    void restart() {
        engine->stopAllSoundsImmediately();
        for (int k = 0; k < voices; ++k) {
            const int v = engine->play({slotOf(k), 0.5, -1.865e-5, SampleBank::guitarOfSlot(slotOf(k))}, -1);
            if (engine->pitchBendOn(0) && k % 3 == 0)
                engine->bendTo(v, SoundEngine::kFullBendPitch);
        }
    }
    void renderOnce() { SoundEngine::callbackProcStereo(engine->callbackUserData(), out.data(), kFrames); }
};

} // namespace engine_rig
