#pragma once
// Shared by the fuzz targets: a model with no device, a tiny synthetic bundle,
// and the rules every target checks besides "no crash". A broken rule aborts,
// so libFuzzer keeps the input that broke it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "storage/DumpCommand.h"
#include "support/SampleBundle.h"
#include "support/SongBytes.h"
#include "support/SongModel.h"
#include "support/TempFolder.h"

namespace fuzz {

inline void require(bool ok, const char* rule, const std::string& detail = std::string()) {
    if (ok)
        return;
    std::fprintf(stderr, "RULE BROKEN: %s\n%s\n", rule, detail.c_str());
    std::abort();
}

// A copy in a block of exactly its own size, so that reading one byte past
// the end is an address-sanitizer report.
inline Bytes exact(const uint8_t* data, size_t size) {
    return Bytes(data, data + size);
}

// A folder holding every sample file the engine asks for, each a few dozen
// values long: enough for voices to sound, cheap to load for every input.
// Removed at exit.
inline const std::string& tinyBundle() {
    static const testsupport::TempFolder folder("strumwell-fuzz-bundle");
    static const std::string dir = [] {
        testsupport::writeSampleBundle(folder.str(), [](int g, int k) {
            const int count = g < 5 ? 64 + k : 32, step = g < 5 ? 37 + k : (g == 5 ? 11 : 13) * k;
            std::vector<int16_t> v(static_cast<size_t>(count));
            for (int i = 0; i < count; ++i)
                v[static_cast<size_t>(i)] = static_cast<int16_t>(((i * step) % 2000 - 1000) * 20);
            return v;
        });
        return folder.str();
    }();
    return dir;
}

// A folder with no samples: the engine then loads nothing, which keeps the
// targets that only read files fast.
inline const std::string& emptyBundle() {
    static const std::string& folder = *new std::string("/nonexistent-strumwell-bundle");
    return folder;
}

// Tab, recorder (no thread) and engine (no device) behind a file manager,
// with their random numbers seeded.
struct Model : testsupport::SongModel {
    explicit Model(AudioOutput* output = nullptr, const std::string& bundle = emptyBundle())
        : SongModel(std::string(), bundle, output) {
        engine.seedRandom(1);
        recorder.setRandomSeed(1);
    }
};

// What `strumwell dump` makes of the bytes: its exit code, and the rule that
// a failure prints one line with a code and no JSON at all, while a success
// prints one whole JSON document and nothing else.
inline int dumpAndCheck(const Bytes& bytes, bool tabFile) {
    std::ostringstream out, err;
    const int rc = DumpCommand::dumpBuffer(bytes.data(), bytes.size(), tabFile, out, err);
    const std::string o = out.str(), e = err.str();
    if (rc == 0) {
        require(e.empty(), "a successful dump writes no error", e);
        require(o.size() > 4 && o.front() == '{' && o.compare(o.size() - 2, 2, "}\n") == 0,
                "a successful dump is one whole JSON document", o.substr(0, 200));
    } else {
        require(rc == 1, "a damaged file gives exit code 1");
        require(o.empty(), "a failed dump prints no JSON, not even half", o.substr(0, 200));
        require(!e.empty() && e.back() == '\n' && e.find('\n') == e.size() - 1 &&
                    e.find('{') == std::string::npos,
                "a failed dump prints its code on one line", e);
    }
    return rc;
}

// A failed load names its failure and prints at most one line.
inline void checkFailedLoad(const Model& model) {
    const std::string said = model.diagnostics.str();
    require(!model.files.lastFailure().empty(), "a failed load names its failure");
    require(said.empty() || (said.back() == '\n' && said.find('\n') == said.size() - 1),
            "a failed load prints at most one line", said);
}

} // namespace fuzz
