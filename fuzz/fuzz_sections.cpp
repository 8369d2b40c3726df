// Each section reader on its own: the first byte chooses the reader (tab,
// the recorder section's codec, engine), the second the container version, the rest is the
// section, ending exactly where the input ends. Rules: a reader fails only
// with its own code; the engine and `dump`'s engine parser agree on what is
// valid; save -> load -> save gives the same bytes.
#include <optional>

#include "FuzzSupport.h"
#include "core/StrumwellFailure.h"
#include "storage/EngineSectionContents.h"
#include "storage/RecorderSection.h"

using namespace fuzz;

namespace {

// Runs a reader; the failure's code, or nothing when it succeeded.
template <typename F> std::optional<std::string> attempt(F read) {
    try {
        read();
    } catch (const StrumwellFailure& f) {
        return f.name();
    }
    return std::nullopt;
}

// Reads the section with `read` (model, bytes, version); a failure must
// carry `code`, a success must survive save -> load (at `saveVersion`) -> save.
template <typename Read, typename Save>
std::optional<std::string> readSection(const Bytes& section, int version, const char* code, int saveVersion,
                                       Read read, Save save) {
    static Model model;
    static Model again;
    model.files.resetState();
    again.files.resetState();
    const auto failure = attempt([&] { read(model, section, version); });
    if (failure) {
        require(failure->rfind(code, 0) == 0, "a reader fails with its own code", *failure);
        return failure;
    }
    const Bytes first = save(model);
    read(again, first, saveVersion);
    require(save(again) == first, "save -> load -> save gives the same bytes", code);
    return failure;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const int version = data[1] < 8 ? data[1] : static_cast<int8_t>(data[1]);
    const Bytes section = exact(data + 2, size - 2);
    switch (data[0] % 3) {
    case 0:
        readSection(
            section, version, "TabFailure-", 2,
            [](Model& m, const Bytes& b, int v) { m.tab.restoreFromSaveTabBuffer(b.data(), b.size(), v); },
            [](Model& m) { return m.tab.createSaveTabBuffer(); });
        break;
    case 1:
        readSection(
            section, version, "RecorderFailure-", SongVersion::kCurrent,
            [](Model& m, const Bytes& b, int v) {
                Song song;
                if (SongVersion::recorderSectionKnown(v))
                    song.events = RecorderSection::read(b.data(), b.size(), v);
                m.recorder.load(song);
            },
            [](Model& m) { return m.savedEvents(); });
        break;
    case 2: {
        const auto failure = readSection(
            section, version, "SoundEngineFailure-", 2,
            [](Model& m, const Bytes& b, int v) { loadEngineSection(m.engine, b, v); },
            [](Model& m) { return engineSection(m.engine); });
        if (SongVersion::engineSectionKnown(version)) {
            const auto parsed =
                attempt([&] { EngineSectionContents::parse(section.data(), section.size(), version); });
            require(failure.has_value() == parsed.has_value(),
                    "the engine and dump's parser agree on what is valid");
        }
        break;
    }
    }
    return 0;
}
