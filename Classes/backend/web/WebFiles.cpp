#include "backend/web/WebFiles.h"

#include <emscripten.h>
#include <emscripten/threading.h>

#include <exception>
#include <new>
#include <sstream>
#include <system_error>
#include <thread>

#include "storage/ExportCommand.h"
#include "storage/RenderCommand.h"
#include "storage/TabCommand.h"

namespace {

struct Outcome {
    int id = 0;
    bool ok = false;
    std::string message;
};

// Runs on the main thread (the page's script lives there) and frees the
// outcome the export's thread handed over.
void deliver(Outcome* outcome) {
    MAIN_THREAD_EM_ASM(
        {
            var files = Module.strumwellFiles;
            var message = UTF8ToString($2);
            if (files && files.exported)
                files.exported($0, $1 != 0, message);
            else
                console.warn('strumwell: export ' + $0 + ' ended with nobody to tell: ' + message);
        },
        outcome->id, outcome->ok ? 1 : 0, outcome->message.c_str());
    delete outcome;
}

void report(Outcome* outcome) {
    if (emscripten_is_main_runtime_thread())
        deliver(outcome);
    else
        emscripten_async_run_in_main_runtime_thread(EM_FUNC_SIG_VI, reinterpret_cast<void*>(&deliver),
                                                    outcome);
}

void reportLater(void* outcome) {
    deliver(static_cast<Outcome*>(outcome));
}

int gLastId = 0;

} // namespace

std::vector<std::string> WebFiles::commandLine(Kind kind, const std::string& input, const std::string& output,
                                               const std::string& bundleFolder) {
    switch (kind) {
    case Kind::Midi:
        return {input, "-o", output};
    case Kind::Wav:
        return {input, "-o", output, "--bundle", bundleFolder};
    case Kind::TabText:
        return {"export", input, "-o", output, "--format", "ascii"};
    }
    return {};
}

bool WebFiles::run(Kind kind, const std::string& input, const std::string& output,
                   const std::string& bundleFolder, std::string& message) {
    const std::vector<std::string> args = commandLine(kind, input, output, bundleFolder);
    std::ostringstream out;
    std::ostringstream err;
    int code = 2;
    try {
        switch (kind) {
        case Kind::Midi:
            code = ExportCommand::run(args, out, err);
            break;
        case Kind::Wav:
            code = RenderCommand::run(args, out, err);
            break;
        case Kind::TabText:
            code = TabCommand::run(args, out, err);
            break;
        default:
            err << "strumwell: unknown kind of export " << static_cast<int>(kind) << "\n";
        }
    } catch (const std::bad_alloc&) {
        err << "strumwell: cannot export '" << input << "': out of memory\n";
        code = 1;
    } catch (const std::exception& e) {
        err << "strumwell: cannot export '" << input << "': " << e.what() << "\n";
        code = 1;
    }
    message = code == 0 ? out.str() : err.str();
    if (code != 0 && message.empty())
        message = "strumwell: cannot export '" + input + "'\n";
    return code == 0;
}

int WebFiles::start(Kind kind, const std::string& input, const std::string& output) {
    const int id = ++gLastId;
    try {
        std::thread([id, kind, input, output] {
            auto* outcome = new Outcome{id, false, {}};
            outcome->ok = run(kind, input, output, kBundleFolder, outcome->message);
            report(outcome);
        }).detach();
    } catch (const std::system_error& e) {
        // Told on a later turn, so that the page already knows the id.
        auto* outcome =
            new Outcome{id, false, "strumwell: cannot start the export of '" + input + "': " + e.what()};
        emscripten_async_call(reportLater, outcome, 0);
    }
    return id;
}

extern "C" {

// The page (web/files.js) calls this on the main thread; kind 0 is a MIDI
// file, 1 a WAV, 2 a tab's ASCII text.
EMSCRIPTEN_KEEPALIVE int strumwell_web_export(const char* songPath, const char* outPath, int kind) {
    if (!songPath || !outPath || kind < 0 || kind > 2)
        return -1;
    return WebFiles::start(static_cast<WebFiles::Kind>(kind), songPath, outPath);
}

} // extern "C"
