#include "FluidRenderer.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <utility>

extern char** environ;

FluidRenderer::FluidRenderer(std::string fluidsynth, std::string soundFont)
    : fluidsynth_(std::move(fluidsynth)), soundFont_(std::move(soundFont)) {}

bool FluidRenderer::render(const std::string& midiPath, const std::string& rawPath, std::vector<float>& mono,
                           std::string* error) const {
    // -n -i: no MIDI input, no shell; -q quiet; -R 0 -C 0 reverb and chorus
    // off; -g 0.5 leaves headroom (float output cannot clip anyway); dynamic
    // sample loading only loads the samples that are played, which starts
    // several times faster and gives the same audio.
    std::vector<std::string> args = {
        fluidsynth_, "-n",    "-i",       "-q",    "-R", "0",
        "-C",        "0",     "-g",       "0.5",   "-r", "44100",
        "-O",        "float", "-T",       "raw",   "-o", "synth.dynamic-sample-loading=1",
        "-F",        rawPath, soundFont_, midiPath};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::remove(rawPath.c_str());
    pid_t pid = 0;
    if (posix_spawnp(&pid, fluidsynth_.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        if (error)
            *error = "cannot start " + fluidsynth_;
        return false;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (error)
            *error = fluidsynth_ + " failed";
        std::remove(rawPath.c_str());
        return false;
    }
    const bool ok = readStereoFloat(rawPath, mono, error);
    std::remove(rawPath.c_str());
    return ok;
}

bool FluidRenderer::readStereoFloat(const std::string& path, std::vector<float>& mono, std::string* error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        if (error)
            *error = "no output from the synthesiser";
        return false;
    }
    mono.clear();
    std::vector<float> chunk(2 * 65536);
    for (;;) {
        f.read(reinterpret_cast<char*>(chunk.data()),
               static_cast<std::streamsize>(chunk.size() * sizeof(float)));
        const size_t frames = static_cast<size_t>(f.gcount()) / (2 * sizeof(float));
        for (size_t i = 0; i < frames; ++i)
            mono.push_back(0.5f * (chunk[2 * i] + chunk[2 * i + 1]));
        if (!f)
            break;
    }
    if (mono.empty()) {
        if (error)
            *error = "empty output from the synthesiser";
        return false;
    }
    return true;
}
