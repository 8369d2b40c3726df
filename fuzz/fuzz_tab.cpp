// Tab files. Rules: the loader and `dump --tab` agree on what is valid; a
// failure prints one line with a code; save -> load -> save gives the same
// bytes; a tab load never touches the song or the engine.
#include "FuzzSupport.h"

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes input = exact(data, size);
    static Model model;
    static const Bytes untouched = [] {
        model.files.resetState();
        Bytes b = model.recorder.createSaveBuffer();
        const Bytes e = model.engine.createSaveBuffer();
        b.insert(b.end(), e.begin(), e.end());
        return b;
    }();
    model.tab.resetState();
    model.diagnostics.str("");
    const bool loaded = model.files.loadTabFromBuffer(input.data(), input.size());
    const int dumped = dumpAndCheck(input, true);
    require(loaded == (dumped == 0), "the loader and dump agree on what is valid",
            "loader: " + model.files.lastFailure());
    Bytes now = model.recorder.createSaveBuffer();
    const Bytes e = model.engine.createSaveBuffer();
    now.insert(now.end(), e.begin(), e.end());
    require(now == untouched, "a tab load leaves the song and the engine alone");
    if (!loaded) {
        const std::string said = model.diagnostics.str();
        require(!model.files.lastFailure().empty(), "a failed load names its failure");
        require(said.empty() || (said.back() == '\n' && said.find('\n') == said.size() - 1),
                "a failed load prints at most one line", said);
        static const Bytes cleared = [] {
            Tab t;
            t.resetState();
            return t.createSaveTabBuffer();
        }();
        require(model.tab.createSaveTabBuffer() == cleared, "a failed load clears the tab");
        return 0;
    }
    const Bytes first = model.files.createTabSaveBuffer();
    Tab other;
    FileManager files(&other, nullptr, nullptr, std::string());
    std::ostringstream quiet;
    files.setDiagnosticStream(quiet);
    require(files.loadTabFromBuffer(first.data(), first.size()), "what was saved loads", files.lastFailure());
    require(files.createTabSaveBuffer() == first, "save -> load -> save gives the same bytes");
    return 0;
}
