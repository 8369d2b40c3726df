#pragma once
// The storage tests' one fixture: temporary folders, whole-file reads and
// writes, command runs, byte layouts, song buffers (sound and damaged), a
// bundle of stand-in samples and a model (tab, recorder, engine) with no
// device and no thread.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "song/Tab.h"
#include "storage/DumpCommand.h"
#include "storage/ExportCommand.h"
#include "storage/RenderCommand.h"
#include "storage/TabCommand.h"
#include "storage/WavWriter.h"
#include "support/Files.h"
#include "support/SongBytes.h"
#include "support/SongModel.h"
#include "support/TempFolder.h"

using testing::HasSubstr;
using testsupport::TempFolder;

using testsupport::readFile;
using testsupport::writeFile;

inline size_t filesIn(const TempFolder& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
}

using Columns = std::vector<std::array<int32_t, 6>>;

// Columns of six frets, low E first, one letter a fret: 'x' not played, then
// 0 to 9 and 'a' (10) to 'm' (22).
inline Columns columns(const std::string& letters) {
    Columns c;
    std::istringstream in(letters);
    for (std::string column; in >> column;) {
        c.emplace_back();
        for (size_t s = 0; s < 6; ++s)
            c.back()[s] = column[s] == 'x' ? -1 : column[s] <= '9' ? column[s] - '0' : column[s] - 'a' + 10;
    }
    return c;
}

inline Tab tabOf(const std::string& letters) {
    Tab t;
    for (const auto& c : columns(letters))
        t.addNotesToTab(-1, c.data());
    return t;
}

// What a command-line tool returned and printed.
struct CommandRun {
    int code;
    std::string out, err;
    bool operator==(const CommandRun&) const = default;
};

using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

inline CommandRun runCommand(Command command, const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = command(args, out, err);
    return {code, out.str(), err.str()};
}

// What `dump` makes of the bytes, read in place.
inline CommandRun dump(const Bytes& b, bool tab = false) {
    std::ostringstream out, err;
    const int code = DumpCommand::dumpBuffer(b.data(), b.size(), tab, out, err);
    return {code, out.str(), err.str()};
}

// The model over a temporary documents folder. The engine plays into `output`
// (none by default) and reads samples from `bundle` (the documents folder
// unless a test names one).
struct Model : testsupport::SongModel {
    explicit Model(const std::string& documents, const std::string& bundle = std::string(),
                   AudioOutput* output = nullptr)
        : SongModel(documents, bundle.empty() ? documents : bundle, output) {}
};

// One complete note (sample 10 from 0.1 s to 0.6 s, volume 0.5, release
// -1.5e-5) and a bend of it at 0.3 s to 1.1233333.
inline Bytes oneNoteRecorderSection(int32_t currentNoteID = 1) {
    return recorderSection({Note(10, 0.5f, 0.1, 1, 0, -1.5e-5, 0.0), Note(0.6, 0, 0.0)},
                           {PitchChange(0.3, 0, 1.1233333f, 1)}, {}, {}, currentNoteID);
}

// Damaged song files every reader of songs refuses, with the reason it gives.
struct DamagedSong {
    std::string name;
    Bytes bytes;
    std::string reason;
};

inline std::vector<DamagedSong> damagedSongs() {
    const Bytes tab = pack(1, Bytes(6, 0)), rec = oneNoteRecorderSection(), eng(72, 0);
    const Bytes good = songBuffer("VERSION2", tab, rec, eng);
    const auto withLength = [&](size_t at, int32_t length) {
        Bytes b = good;
        const Bytes l = pack(length);
        std::copy(l.begin(), l.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
        return b;
    };
    return {{"cut by a byte", Bytes(good.begin(), good.end() - 1), "Error loading file"},
            {"cut inside the recorder", Bytes(good.begin(), good.begin() + 56), "Error loading file"},
            {"negative length", withLength(22, -1), "Error loading file"},
            {"huge length", withLength(8, INT32_MAX), "Error loading file"},
            {"no version word", pack("VERSIOn2", Bytes(good.begin() + 8, good.end())), "Error loading file"},
            {"tab cut", songBuffer("VERSION2", Bytes{1, 0, 0}, rec, eng), "TabFailure-1"},
            {"tab short", songBuffer("VERSION2", pack(2, Bytes(6, 1)), rec, eng), "TabFailure-2"},
            {"fret 23", songBuffer("VERSION2", pack(1, Bytes{1, 1, 23, 1, 1, 1}), rec, eng), "TabFailure-3"},
            {"recorder cut", songBuffer("VERSION2", tab, Bytes(5, 0), eng), "RecorderFailure-1"},
            {"recorder longer than its counts", songBuffer("VERSION2", tab, Bytes(29, 0), eng),
             "RecorderFailure-2"},
            {"version 1 counts", songBuffer("VERSION1", tab, rec, eng), "RecorderFailure-2"},
            {"engine short", songBuffer("VERSION2", tab, rec, Bytes(71, 0)), "SoundEngineFailure-1"},
            {"empty", Bytes{}, "Empty file"}};
}
