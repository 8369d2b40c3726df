// strumwell_samples: renders the guitar patches and the fret and tap noises
// of the application bundle from a General MIDI SoundFont with FluidSynth.
//
//   strumwell_samples --out DIR [--patch A1-]... [--noises] [--jobs N] [--verbose]
//                     [--fluidsynth PROGRAM] [--soundfont FILE.sf2] [--work DIR]
//
// With no --patch and no --noises it makes everything. Each patch or the
// noise set is one FluidSynth run; --jobs runs that many at once; --verbose
// prints every note's loudness and peak.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FluidRenderer.h"
#include "NoiseBuilder.h"
#include "PatchBuilder.h"

namespace {

namespace fs = std::filesystem;

struct Job {
    const PatchBuilder::Patch* patch = nullptr; // null: the noises
};

std::mutex printMutex;
bool verbose = false;

void say(const std::string& line) {
    std::lock_guard<std::mutex> guard(printMutex);
    std::printf("samples: %s\n", line.c_str());
    std::fflush(stdout);
}

std::string fmt(const char* format, double a) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, a);
    return buf;
}

void usage() {
    std::fprintf(stderr,
                 "usage: strumwell_samples --out DIR [--patch PREFIX]... [--noises] [--jobs N] [--verbose]\n"
                 "                         [--fluidsynth PROGRAM] [--soundfont FILE] [--work DIR]\n"
                 "patches: A1- A2- E3- E2- CE-; with neither --patch nor --noises, everything\n");
}

// Removes whatever a failed job may have written, so that the build does not
// take a half-made set for an up-to-date one.
void removeOutputs(const Job& job, const std::string& outDir) {
    std::error_code ec;
    if (job.patch) {
        for (int k = 1; k <= PatchBuilder::kNotes; ++k)
            fs::remove(outDir + "/" + job.patch->prefix + std::to_string(k) + ".wav", ec);
    } else {
        for (const NoiseBuilder::Noise& n : NoiseBuilder::noises())
            fs::remove(outDir + "/" + n.file, ec);
    }
}

bool runJob(const Job& job, const FluidRenderer& renderer, const std::string& workDir,
            const std::string& outDir) {
    const auto t0 = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    };
    std::string error;
    if (job.patch) {
        const PatchBuilder::Patch& p = *job.patch;
        say(p.prefix + " (" + p.what + ", GM program " + std::to_string(p.program) + "): rendering " +
            std::to_string(PatchBuilder::kNotes) + " notes");
        PatchBuilder builder(renderer, workDir);
        PatchBuilder::Report r;
        if (!builder.build(p, outDir, r, &error)) {
            say(p.prefix + " FAILED: " + error);
            removeOutputs(job, outDir);
            return false;
        }
        say(p.prefix + " done in " + fmt("%.1f s", elapsed()) + ": loudness spread " +
            fmt("%.2f LU", r.spreadLu) + ", max neighbour step " + fmt("%.2f LU", r.maxStepLu) + ", peak " +
            fmt("%.2f dBFS", r.peakDbfs) + ", loudness " + fmt("%.1f LUFS", r.patchLufs) + " (mean " +
            fmt("%.1f", r.loudnessLufs) + ", " + std::to_string(r.heldBack) +
            " notes held back by the peak ceiling)" + ", unmatched spread " + fmt("%.1f LU", r.rawSpreadLu) +
            " / step " + fmt("%.1f LU", r.rawMaxStepLu) + ", lengths " + fmt("%.2f", r.minSeconds) +
            fmt("-%.2f s", r.maxSeconds));
        if (verbose)
            for (size_t k = 0; k < r.noteLoudness.size(); ++k)
                say(p.prefix + std::to_string(k + 1) + ": unmatched " + fmt("%.1f LUFS", r.rawLoudness[k]) +
                    ", written " + fmt("%.2f LUFS", r.noteLoudness[k]) + ", peak " +
                    fmt("%.1f dBFS", r.notePeakDbfs[k]));
        return true;
    }
    say("noises: rendering " + std::to_string(NoiseBuilder::noises().size()) + " fret and tap noises");
    NoiseBuilder builder(renderer, workDir);
    std::vector<NoiseBuilder::Report> reports;
    if (!builder.build(outDir, reports, &error)) {
        say("noises FAILED: " + error);
        removeOutputs(job, outDir);
        return false;
    }
    std::string line = "noises done in " + fmt("%.1f s", elapsed()) + ":";
    for (const NoiseBuilder::Report& r : reports)
        line += " " + r.file + fmt(" %.2fs", r.seconds) + fmt("/%.1fdB", r.peakDbfs);
    say(line);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string outDir, workRoot;
    std::string fluidsynth = "fluidsynth";
    std::string soundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
    int jobsWanted = 2;
    std::vector<Job> jobs;
    bool noises = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "strumwell_samples: %s needs a value\n", a.c_str());
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--out") {
            outDir = value();
        } else if (a == "--work") {
            workRoot = value();
        } else if (a == "--fluidsynth") {
            fluidsynth = value();
        } else if (a == "--soundfont") {
            soundFont = value();
        } else if (a == "--jobs") {
            jobsWanted = std::atoi(value().c_str());
        } else if (a == "--verbose") {
            verbose = true;
        } else if (a == "--noises") {
            noises = true;
        } else if (a == "--patch") {
            const std::string prefix = value();
            const PatchBuilder::Patch* p = PatchBuilder::find(prefix);
            if (!p) {
                std::fprintf(stderr, "strumwell_samples: unknown patch \"%s\"\n", prefix.c_str());
                usage();
                return 2;
            }
            jobs.push_back({p});
        } else if (a == "--help" || a == "-h") {
            usage();
            return 0;
        } else {
            std::fprintf(stderr, "strumwell_samples: unknown option \"%s\"\n", a.c_str());
            usage();
            return 2;
        }
    }
    if (outDir.empty()) {
        usage();
        return 2;
    }
    if (jobs.empty() && !noises) {
        for (const PatchBuilder::Patch& p : PatchBuilder::patches())
            jobs.push_back({&p});
        noises = true;
    }
    if (noises)
        jobs.push_back({nullptr});
    if (!fs::exists(soundFont)) {
        std::fprintf(stderr, "strumwell_samples: SoundFont \"%s\" not found\n", soundFont.c_str());
        return 1;
    }

    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (!fs::is_directory(outDir)) {
        std::fprintf(stderr, "strumwell_samples: cannot create \"%s\"\n", outDir.c_str());
        return 1;
    }
    // A private scratch folder for the MIDI files and raw renderings.
    if (workRoot.empty())
        workRoot = fs::temp_directory_path(ec).string();
    fs::create_directories(workRoot, ec);
    std::string pattern = workRoot + "/strumwell-samples-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::fprintf(stderr, "strumwell_samples: cannot make a scratch folder in \"%s\"\n", workRoot.c_str());
        return 1;
    }
    const std::string workDir = pattern;

    const FluidRenderer renderer(fluidsynth, soundFont);
    const auto t0 = std::chrono::steady_clock::now();
    std::atomic<size_t> next{0};
    std::atomic<bool> ok{true};
    const int threads = std::clamp(jobsWanted, 1, static_cast<int>(jobs.size()));
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            for (size_t j; (j = next.fetch_add(1)) < jobs.size();)
                if (!runJob(jobs[j], renderer, workDir, outDir))
                    ok = false;
        });
    for (std::thread& t : pool)
        t.join();
    fs::remove_all(workDir, ec);
    say(std::string(ok ? "finished" : "FAILED") + " in " +
        fmt("%.1f s", std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count()) + " -> " +
        outDir);
    return ok ? 0 : 1;
}
