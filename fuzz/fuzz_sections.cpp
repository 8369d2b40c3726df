// Each section reader on its own: the first byte chooses the reader (tab,
// recorder, engine), the second the container version, the rest is the
// section, ending exactly where the input ends. Rules: a reader fails only
// with its own code; the engine and `dump`'s engine parser agree on what is
// valid; save -> load -> save gives the same bytes.
#include <cstring>
#include <optional>

#include "FuzzSupport.h"
#include "core/StrumwellFailure.h"
#include "storage/EngineSectionContents.h"

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

void requireCode(const std::optional<std::string>& code, const char* prefix) {
    if (code)
        require(code->rfind(prefix, 0) == 0, "a reader fails with its own code", *code);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const int reader = data[0] % 3;
    const int version = data[1] < 8 ? data[1] : static_cast<int8_t>(data[1]);
    const Bytes section = exact(data + 2, size - 2);
    static Model model;
    static Model again;
    model.files.resetState();
    again.files.resetState();

    switch (reader) {
    case 0: {
        const auto code =
            attempt([&] { model.tab.restoreFromSaveTabBuffer(section.data(), section.size(), version); });
        requireCode(code, "TabFailure-");
        if (code)
            return 0;
        const Bytes first = model.tab.createSaveTabBuffer();
        again.tab.restoreFromSaveTabBuffer(first.data(), first.size(), 2);
        require(again.tab.createSaveTabBuffer() == first, "tab: save -> load -> save gives the same bytes");
        break;
    }
    case 1: {
        const auto code =
            attempt([&] { model.recorder.restoreFromSaveBuffer(section.data(), section.size(), version); });
        requireCode(code, "RecorderFailure-");
        if (code)
            return 0;
        const Bytes first = model.recorder.createSaveBuffer();
        again.recorder.restoreFromSaveBuffer(first.data(), first.size(), Recorder::kSaveBufferVersion);
        require(again.recorder.createSaveBuffer() == first,
                "recorder: save -> load -> save gives the same bytes");
        break;
    }
    case 2: {
        const auto code =
            attempt([&] { model.engine.restoreFromSaveBuffer(section.data(), section.size(), version); });
        requireCode(code, "SoundEngineFailure-");
        if (EngineSectionContents::knowsVersion(version)) {
            const auto parsed =
                attempt([&] { EngineSectionContents::parse(section.data(), section.size(), version); });
            require(code.has_value() == parsed.has_value(),
                    "the engine and dump's parser agree on what is valid");
        }
        if (code)
            return 0;
        const Bytes first = model.engine.createSaveBuffer();
        again.engine.restoreFromSaveBuffer(first.data(), first.size(), 2);
        require(again.engine.createSaveBuffer() == first,
                "engine: save -> load -> save gives the same bytes");
        break;
    }
    }
    return 0;
}
