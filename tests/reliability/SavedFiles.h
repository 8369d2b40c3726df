#pragma once
// Whole files in and out, a quiet model to write or read back songs, tabs and
// states, and the check that everything a run saved still reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "storage/DumpCommand.h"
#include "storage/FileManager.h"
#include "support/Files.h"
#include "support/SongModel.h"

namespace reliability {

using Bytes = std::vector<uint8_t>;

// Whole files as bytes.
using testsupport::readFile;
using testsupport::writeFile;

// The model behind a file manager, with the default patches and no sound.
using Model = testsupport::SongModel;

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
        const Bytes bytes = readFile(entry.path().string());
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
