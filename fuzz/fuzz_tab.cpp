// Tab files. Rules: the loader and `dump --tab` agree on what is valid; a
// failure prints one line with a code; save -> load -> save gives the same
// bytes; a failed load leaves the tab as it was; a tab load never touches
// the song or the engine.
#include "FuzzSupport.h"

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes input = exact(data, size);
    static Model model;
    const auto songAndEngine = [] { return pack(model.savedEvents(), engineSection(model.engine)); };
    static const Bytes untouched = [&] {
        model.files.resetState();
        return songAndEngine();
    }();
    model.tab.resetState();
    model.tab.addNotesToTab(0, "x02220");
    const Bytes tabBefore = model.tab.createSaveTabBuffer();
    model.diagnostics.str("");
    const bool loaded = model.files.loadTabFromBuffer(input.data(), input.size());
    const int dumped = dumpAndCheck(input, true);
    require(loaded == (dumped == 0), "the loader and dump agree on what is valid",
            "loader: " + model.files.lastFailure());
    require(songAndEngine() == untouched, "a tab load leaves the song and the engine alone");
    if (!loaded) {
        checkFailedLoad(model);
        require(model.tab.createSaveTabBuffer() == tabBefore, "a failed load leaves the tab as it was");
        return 0;
    }
    const Bytes first = model.files.createTabSaveBuffer();
    Tab other;
    SongOptions otherOptions;
    FileManager files(&other, nullptr, nullptr, std::string());
    std::ostringstream quiet;
    files.setDiagnosticStream(quiet);
    files.setSongOptions(&otherOptions);
    require(files.loadTabFromBuffer(first.data(), first.size()), "what was saved loads", files.lastFailure());
    require(files.createTabSaveBuffer() == first, "save -> load -> save gives the same bytes");
    return 0;
}
