// Song and state files: the container (header, three length-prefixed
// sections) and every section reader behind it, as the file manager loads
// them. Rules: the loader and `dump` agree on what is valid; a failure prints
// one line with a code; save -> load -> save gives the same bytes.
#include "FuzzSupport.h"
#include "core/StrumwellFailure.h"
#include "storage/SongCodec.h"

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes input = exact(data, size);
    static Model model;
    static Model again;
    model.files.resetState();
    model.diagnostics.str("");
    const bool loaded = model.files.loadStateFromBuffer(input.data(), input.size());
    const int dumped = dumpAndCheck(input, false);
    // The codec alone: it accepts what the loader does, and what it writes reads back to the same bytes.
    try {
        const Bytes once = SongCodec::writeSong(SongCodec::readSong(input.data(), input.size()));
        require(SongCodec::writeSong(SongCodec::readSong(once.data(), once.size())) == once,
                "the codec reads back what it writes");
    } catch (const StrumwellFailure& f) {
        require(!loaded, "the codec and the loader agree on what is valid", f.name());
    }
    require(loaded == (dumped == 0), "the loader and dump agree on what is valid",
            "loader: " + model.files.lastFailure());
    if (!loaded) {
        checkFailedLoad(model);
        return 0;
    }
    require(model.files.lastFailure().empty() && model.diagnostics.str().empty(),
            "a load that succeeds says nothing", model.diagnostics.str());

    const Bytes first = model.files.createSongSaveBuffer();
    again.files.resetState();
    require(again.files.loadStateFromBuffer(first.data(), first.size()), "what was saved loads",
            again.files.lastFailure());
    const Bytes second = again.files.createSongSaveBuffer();
    require(first == second, "save -> load -> save gives the same bytes");
    require(dumpAndCheck(first, false) == 0, "dump reads what was saved");
    return 0;
}
