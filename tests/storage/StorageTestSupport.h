#pragma once
// Helpers shared by the storage tests: temporary folders, whole-file reads
// and writes, and a model (tab, recorder, engine) with no device and no thread.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "core/ByteWriter.h"
#include "platform/core/Clock.h"
#include "recorder/Recorder.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "strumwell-storage-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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

// A recorder section (version 2) with one complete note and one bend.
inline Bytes oneNoteRecorderSection(int32_t currentNoteID = 1) {
    ByteWriter w;
    w.i32(currentNoteID);
    w.i32(2); // notes
    w.i32(1); // pitch changes
    for (int i = 0; i < 4; ++i)
        w.i32(0);
    // note-down: sample 10 at 0.1 s, id 0, volume 0.5, release -1.5e-5
    w.u8(1);
    w.i8(10);
    w.f64(0.1);
    w.i32(0);
    w.f32(0.5f);
    w.f64(-1.5e-5);
    // note-up at 0.6 s
    w.u8(0);
    w.i8(0);
    w.f64(0.6);
    w.i32(0);
    w.f32(0.0f);
    w.f64(0.0);
    // bend of note 0 at 0.3 s to 1.1233333, overdub 1
    w.f64(0.3);
    w.i32(0);
    w.f32(1.1233333f);
    w.i32(1);
    return w.take();
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
