#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/Strumwell.h"
#include "backend/sdl/Application.h"
#include "backend/sdl/SdlAudioOutput.h"
#include "import/ImportCommand.h"
#include "storage/DumpCommand.h"
#include "storage/ExportCommand.h"
#include "storage/RenderCommand.h"
#include "storage/TabCommand.h"
#include "system/CommandLine.h"
#include "system/Folders.h"
#include "ui/ScreenCatalog.h"

#ifdef __EMSCRIPTEN__
#include "audio/SampleBank.h"
#include "audio/SoundEngine.h"
#include "backend/sdl/SdlAccelerometer.h"
#include "backend/web/WebPlatform.h"

namespace {

// A page's main thread may never block, so the loop runs one turn per
// animation frame after main() has returned; what it uses lives on the heap
// for as long as the page does.
int runInPage(const ApplicationOptions& appOptions, const Strumwell::Options& shell) {
    // The page fetches each patch's samples when it is first wanted.
    SampleBank::setPatchGate(&WebPlatform::patchSamplesReady);
    auto* application = new Application(appOptions);
    std::string error;
    if (!application->initialize(&error)) {
        std::fprintf(stderr, "strumwell: %s\n", error.c_str());
        return 1;
    }
    auto* strumwell = new Strumwell(shell);
    application->launch(*strumwell);
    WebPlatform::Hooks hooks;
    hooks.turn = [application] { return application->runFrames(1); };
    hooks.finish = [application] { application->finish(); };
    hooks.framesDrawn = [application] { return application->frameCount(); };
    hooks.playingVoices = [strumwell] {
        return strumwell->soundEngine() ? strumwell->soundEngine()->numSamplesPlaying() : 0;
    };
    hooks.shownScreen = [strumwell] { return strumwell->shownScreen(); };
    hooks.samplesArrived = [strumwell] { strumwell->samplesArrived(); };
    hooks.saveWork = [strumwell] { strumwell->saveWorkingState(); };
    hooks.deviceMotion = [application](const float ms2[3]) {
        if (auto* tilt = dynamic_cast<SdlAccelerometer*>(&application->accelerometer()))
            tilt->deliverSensorReading(ms2);
    };
    WebPlatform::run(std::move(hooks));
    return 0;
}

} // namespace
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);

    // The command-line tools open no window and no sound device.
    if (!args.empty() && args[0] == "dump")
        return DumpCommand::run({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (!args.empty() && args[0] == "render")
        return RenderCommand::run({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (!args.empty() && args[0] == "export")
        return ExportCommand::run({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (!args.empty() && args[0] == "tab")
        return TabCommand::run({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (!args.empty() && args[0] == "import")
        return ImportCommand::run({args.begin() + 1, args.end()}, std::cout, std::cerr);

    CommandLine options;
    options.screens = ScreenCatalog::forCommandLine();
    std::string error;
    if (!options.parse(args, error)) {
        std::fprintf(stderr, "strumwell: %s\nTry 'strumwell --help'.\n", error.c_str());
        return 2;
    }
    if (options.showHelp) {
        std::fputs(options.usage("strumwell").c_str(), stdout);
        return 0;
    }
    if (options.listScreens) {
        std::fputs(options.screenList().c_str(), stdout);
        return 0;
    }
    if (options.showVersion) {
        std::printf("strumwell %s\n", STRUMWELL_VERSION);
        return 0;
    }

    const std::string bundle =
        options.bundleFolder.empty() ? Folders::findBundleFolder() : options.bundleFolder;
    if (bundle.empty())
        std::fprintf(stderr, "strumwell: no bundle folder found beside the program; samples and pictures "
                             "are missing (build it, or give --bundle DIR)\n");

    ApplicationOptions appOptions;
    appOptions.headless = options.headless;
    appOptions.bundleFolder = bundle;
    appOptions.latencyLogFile = options.latencyLogFile;
    if (options.audioBufferFrames > 0)
        SdlAudioOutput::setDefaultBufferFrames(options.audioBufferFrames);

    Strumwell::Options shell;
    shell.documentsFolder = options.documentsFolder;
    shell.cachesFolder = options.cachesFolder;
    shell.bundleFolder = bundle;
    shell.startScreen = options.screen;
    shell.screenshotFile = options.screenshotFile;
    shell.audio = options.audio;
    shell.loadStateAfterFirstFrame = true;
#ifdef __EMSCRIPTEN__
    return runInPage(appOptions, shell);
#else
    Application application(appOptions);
    if (!application.initialize(&error)) {
        std::fprintf(stderr, "strumwell: %s\n", error.c_str());
        return 1;
    }
    Strumwell delegate(shell);
    return application.run(delegate);
#endif
}
