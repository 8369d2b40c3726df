#pragma once
// The storage tests' one fixture: temporary folders, whole-file reads and
// writes, command runs, song buffers, a bundle of stand-in samples and a
// model (tab, recorder, engine) with no device and no thread.
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "core/ByteWriter.h"
#include "platform/core/Clock.h"
#include "recorder/Recorder.h"
#include "recorder/WahChange.h"
#include "recorder/WhammyBarChange.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"
#include "storage/WavWriter.h"
#include "support/TempFolder.h"

using Bytes = std::vector<uint8_t>;
using testsupport::TempFolder;

inline Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void writeText(const std::string& path, const std::string& text) {
    writeFile(path, Bytes(text.begin(), text.end()));
}

inline size_t filesIn(const TempFolder& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
}

// A section behind the "VERSION2" header: a tab file.
inline Bytes version2(const Bytes& section) {
    ByteWriter w;
    w.text("VERSION2");
    w.bytes(section.data(), section.size());
    return w.take();
}

// What a command-line tool returned and printed.
struct CommandRun {
    int code;
    std::string out, err;
};

template <typename Command> CommandRun runCommand(Command command, const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = command(args, out, err);
    return {code, out.str(), err.str()};
}

// Every patch's 48 samples: a loud square wave of `frames` frames (`longFrames`
// for the one the test songs play, guitar 1's file 11).
inline void writeSquareBundle(const std::string& folder, size_t frames, size_t longFrames) {
    for (const char* prefix : {"A1-", "A2-", "E3-", "E2-", "CE-"})
        for (int k = 1; k <= 48; ++k) {
            const std::string name = prefix + std::to_string(k) + ".wav";
            std::vector<int16_t> values(name == "A2-11.wav" ? longFrames : frames);
            for (size_t i = 0; i < values.size(); ++i)
                values[i] = static_cast<int16_t>((i % 4410) / 50 % 2 ? 12000 : -12000);
            WavWriter w;
            if (!w.open(folder + "/" + name, 44100, 1) || !w.write(values.data(), values.size()) ||
                !w.finish())
                throw std::runtime_error("cannot write " + name);
        }
}

// The three model objects and a file manager over a temporary documents
// folder. The engine has no output and reads samples from `bundle` (an empty
// folder unless a test fills it).
struct Model {
    explicit Model(const std::string& documents, const std::string& bundle = std::string())
        : engine(nullptr, nullptr, nullptr, bundle.empty() ? documents : bundle, clock),
          recorder(nullptr, &engine, clock, false), files(&tab, &recorder, &engine, documents) {
        engine.setRecorder(&recorder);
        files.resetState();
    }
    ~Model() { engine.setRecorder(nullptr); }

    ManualClock clock;
    Tab tab;
    SoundEngine engine;
    Recorder recorder;
    FileManager files;
};

template <class Change> using PerGuitar = std::array<std::vector<Change>, 2>;

// A recorder section (version 2) holding these lists.
template <class Whammy = WhammyBarChange, class Wah = WahChange>
Bytes recorderSection(const std::vector<Note>& notes, const std::vector<PitchChange>& bends = {},
                      const PerGuitar<Whammy>& whammy = {}, const PerGuitar<Wah>& wah = {},
                      int32_t currentNoteID = 100) {
    ByteWriter w;
    for (size_t n : {size_t(currentNoteID), notes.size(), bends.size(), whammy[0].size(), whammy[1].size(),
                     wah[0].size(), wah[1].size()})
        w.i32(static_cast<int32_t>(n));
    for (const Note& n : notes) {
        w.u8(n.keyDown());
        w.i8(static_cast<int8_t>(n.sampleNo()));
        w.f64(n.time());
        w.i32(n.noteID());
        w.f32(n.volume());
        w.f64(n.releaseDelta());
    }
    for (const PitchChange& c : bends) {
        w.f64(c.time());
        w.i32(c.noteID());
        w.f32(c.pitch());
        w.i32(c.overdubNo());
    }
    const auto writeChanges = [&w](const auto& perGuitar) {
        for (const auto& list : perGuitar)
            for (const ControlChange& c : list) {
                w.f64(c.time());
                w.f32(c.pitch());
                w.i32(c.overdubNo());
            }
    };
    writeChanges(whammy);
    writeChanges(wah);
    return w.take();
}

// One complete note (sample 10 from 0.1 s to 0.6 s, volume 0.5, release
// -1.5e-5) and a bend of it at 0.3 s to 1.1233333.
inline Bytes oneNoteRecorderSection(int32_t currentNoteID = 1) {
    return recorderSection({Note(10, 0.5f, 0.1, 1, 0, -1.5e-5, 0.0), Note(0.6, 0, 0.0)},
                           {PitchChange(0.3, 0, 1.1233333f, 1)}, {}, {}, currentNoteID);
}

// Joins a header (or none) and sections into a song buffer.
inline Bytes songBuffer(const std::string& header, const Bytes& tab, const Bytes& recorder,
                        const Bytes& engine) {
    ByteWriter w;
    w.text(header);
    for (const Bytes* s : {&tab, &recorder, &engine}) {
        w.i32(static_cast<int32_t>(s->size()));
        w.bytes(s->data(), s->size());
    }
    return w.take();
}
