#pragma once
// Whole files in and out, a quiet model to write or read back songs, tabs and
// states, and the check that everything a run saved still reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "platform/core/Clock.h"
#include "recorder/Recorder.h"
#include "storage/DumpCommand.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"

namespace reliability {

using Bytes = std::vector<uint8_t>;

inline Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeAll(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The model behind a file manager, with the default patches and no sound.
struct Model {
    explicit Model(const std::string& docs, const std::string& bundle = std::string())
        : engine(nullptr, nullptr, nullptr, bundle, clock), recorder(nullptr, &engine, clock, false),
          files(&tab, &recorder, &engine, docs) {
        engine.setRecorder(&recorder);
        files.setDiagnosticStream(quiet);
        files.resetState();
    }
    ~Model() { engine.setRecorder(nullptr); }
    ManualClock clock;
    Tab tab;
    SoundEngine engine;
    Recorder recorder;
    FileManager files;
    std::ostringstream quiet;
};

// Every song, tab and state in `docs` loads into a fresh model and dumps
// whole; returns how
// many temporary files of saves lie beside them.
inline int expectSavedFilesRead(const std::string& docs) {
    int temporaries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(docs)) {
        const std::string name = entry.path().filename().string();
        const bool tab = name.ends_with(".TAB");
        if (name.find(FileManager::kTemporaryInfix) != std::string::npos)
            ++temporaries;
        if (!tab && name != "system.state" && !name.ends_with(".SAV"))
            continue;
        const Bytes bytes = readAll(entry.path().string());
        Model m(docs);
        EXPECT_TRUE(tab ? m.files.loadTabFromBuffer(bytes.data(), bytes.size())
                        : m.files.loadStateFromBuffer(bytes.data(), bytes.size()))
            << name << ": " << m.files.lastFailure();
        std::ostringstream json, err;
        EXPECT_EQ(DumpCommand::dumpBuffer(bytes.data(), bytes.size(), tab, json, err), 0)
            << name << err.str();
    }
    return temporaries;
}

} // namespace reliability
