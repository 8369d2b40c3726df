// Touch-to-sound latency of the whole program: a headless Strumwell on the
// Manual Fret screen, its main loop running as in the real program, gets
// synthetic finger presses on the strings over the pickup, posted into SDL's
// event queue from another thread at random moments (so at random phases of
// the frames being drawn). For each press it measures, from the moment the
// event was pushed:
//   - to the engine's voice start request (the main loop's part);
//   - to the start of the first audio callback that mixed the voice, that is
//     the first buffer holding it.
// It prints p50, p99 and max of both, the buffer length, the underruns and
// the frames drawn.
//
//   strumwell_latency_bench [--bundle DIR] [--touches N] [--audio-buffer N]
//                           [--rest] [--seed N]
//
// --rest: no animation runs, so frames are drawn only after each press.
// By default a view animates all the time, so every press meets the frame
// drawing. Run with SDL_AUDIODRIVER=dummy for a null output at real-time
// pace, or with a real driver.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "app/Strumwell.h"
#include "platform/AlertView.h"
#include "platform/Application.h"
#include "platform/SdlAudioOutput.h"
#include "platform/View.h"
#include "platform/core/Folders.h"
#include "platform/core/LatencyProbe.h"
#include "platform/core/MainThreadQueue.h"
#include "platform/core/ViewGeometry.h"

namespace {

struct Stats {
    double p50 = 0, p99 = 0, max = 0;
};

Stats stats(std::vector<double> v) {
    Stats s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    auto at = [&](double q) {
        std::size_t i = static_cast<std::size_t>(std::ceil(q * static_cast<double>(v.size()))) - 1;
        return v[std::min(i, v.size() - 1)];
    };
    s.p50 = at(0.50);
    s.p99 = at(0.99);
    s.max = v.back();
    return s;
}

// A small view that fades in and out for as long as the bench runs, so that
// frames are drawn all the time.
void keepAnimating(View* v) {
    View::beginAnimations();
    View::setAnimationDuration(0.5);
    View::setAnimationDidStop([v] { keepAnimating(v); });
    v->setAlpha(v->alpha() > 0.5f ? 0.2f : 1.0f);
    View::commitAnimations();
}

template <typename F> bool waitFor(F done, double seconds) {
    const double end = LatencyProbe::now() + seconds;
    while (!done()) {
        if (LatencyProbe::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string bundle;
    int touches = 200;
    int buffer = 0;
    bool rest = false;
    unsigned seed = 1;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--bundle" && i + 1 < argc)
            bundle = argv[++i];
        else if (a == "--touches" && i + 1 < argc)
            touches = std::max(1, std::atoi(argv[++i]));
        else if (a == "--audio-buffer" && i + 1 < argc)
            buffer = std::atoi(argv[++i]);
        else if (a == "--seed" && i + 1 < argc)
            seed = static_cast<unsigned>(std::atoi(argv[++i]));
        else if (a == "--rest")
            rest = true;
        else {
            std::fprintf(stderr,
                         "usage: %s [--bundle DIR] [--touches N] [--audio-buffer N] [--rest] [--seed N]\n",
                         argv[0]);
            return 2;
        }
    }
    if (bundle.empty())
        bundle = Folders::findBundleFolder();
    if (buffer > 0)
        SdlAudioOutput::setDefaultBufferFrames(buffer);

    namespace fs = std::filesystem;
    const fs::path temp = fs::temp_directory_path() / ("strumwell-latency-" + std::to_string(::getpid()));
    fs::create_directories(temp / "docs");
    fs::create_directories(temp / "caches");

    ApplicationOptions o;
    o.headless = true;
    o.bundleFolder = bundle;
    o.handleSignals = false;
    Application app(o);
    std::string error;
    if (!app.initialize(&error)) {
        std::fprintf(stderr, "latency bench: %s\n", error.c_str());
        return 1;
    }
    Strumwell::Options shell;
    shell.documentsFolder = (temp / "docs").string();
    shell.cachesFolder = (temp / "caches").string();
    shell.bundleFolder = bundle;
    shell.startScreen = Strumwell::kManualFretGuitar;
    Strumwell delegate(shell);
    LatencyProbe::setEnabled(true);

    std::vector<double> toRequest, toBuffer;
    int missed = 0;
    long framesAtStart = 0;
    // Underruns and callbacks are both counted over the touches alone, from
    // the same two moments, so start-up glitches do not count.
    std::uint64_t underrunsAtStart = 0, callbacksAtStart = 0, underruns = 0, callbacks = 0;
    View animated(Rect{0, 0, 4, 4});
    std::thread driver([&] {
        // Start-up: the screen shown, the sound device running.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        waitFor([] { return LatencyProbe::callbacks() > 20; }, 5.0);
        std::atomic<bool> ready{false};
        app.mainQueue().post([&] {
            // The first-run message would take the touches: dismiss it.
            while (AlertView* a = app.currentAlert())
                a->pressButton();
            if (!rest) {
                app.rootView().addSubview(&animated);
                keepAnimating(&animated);
            }
            ready = true;
        });
        waitFor([&] { return ready.load(); }, 5.0);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        framesAtStart = app.frameCount();
        underrunsAtStart = LatencyProbe::underruns();
        callbacksAtStart = LatencyProbe::callbacks();
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> gap(0.030, 0.090);
        std::uniform_int_distribution<int> string(0, 5);
        for (int i = 0; i < touches; ++i) {
            std::this_thread::sleep_for(std::chrono::duration<double>(gap(rng)));
            // Over the pickup, on one of the six strings.
            float tx = 0, ty = 0;
            ViewGeometry::viewToNormalizedTouch({26.0f + 53.0f * static_cast<float>(string(rng)), 440.0f},
                                                &tx, &ty);
            const std::uint64_t before = LatencyProbe::requestCount();
            const double t0 = LatencyProbe::now();
            app.postFinger(1, TouchPhase::Began, tx, ty);
            const std::uint64_t n = before + 1;
            if (waitFor([&] { return LatencyProbe::requestCount() >= n; }, 1.0) &&
                waitFor([&] { return LatencyProbe::firstMixedTime(n) > 0; }, 1.0)) {
                toRequest.push_back((LatencyProbe::requestTime(n) - t0) * 1000.0);
                toBuffer.push_back((LatencyProbe::firstMixedTime(n) - t0) * 1000.0);
            } else {
                ++missed;
                if (std::getenv("LATENCY_BENCH_DEBUG"))
                    std::fprintf(stderr, "miss %d: requests %llu -> %llu, mixed %.6f\n", i,
                                 static_cast<unsigned long long>(before),
                                 static_cast<unsigned long long>(LatencyProbe::requestCount()),
                                 LatencyProbe::firstMixedTime(n));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            app.postFinger(1, TouchPhase::Ended, tx, ty);
        }
        underruns = LatencyProbe::underruns() - underrunsAtStart;
        callbacks = LatencyProbe::callbacks() - callbacksAtStart;
        app.terminate();
    });
    app.run(delegate);
    driver.join();
    animated.removeFromSuperview();

    const Stats r = stats(toRequest), b = stats(toBuffer);
    const int frames = SdlAudioOutput::defaultBufferFrames();
    std::printf("latency bench: %zu touches (%d without a sound), %s, buffer %d frames (%.2f ms), "
                "%ld frames drawn\n",
                toBuffer.size(), missed, rest ? "screen at rest" : "frames drawn all the time", frames,
                frames * 1000.0 / 44100.0, app.frameCount() - framesAtStart);
    std::printf("  event -> voice start request: p50 %.3f ms  p99 %.3f ms  max %.3f ms\n", r.p50, r.p99,
                r.max);
    std::printf("  event -> first buffer holding the voice: p50 %.3f ms  p99 %.3f ms  max %.3f ms\n", b.p50,
                b.p99, b.max);
    std::printf("  goal: p99 <= one buffer + 1 ms = %.2f ms; underruns %llu in %llu callbacks\n",
                frames * 1000.0 / 44100.0 + 1.0, static_cast<unsigned long long>(underruns),
                static_cast<unsigned long long>(callbacks));
    std::error_code ec;
    fs::remove_all(temp, ec);
    return missed == 0 ? 0 : 1;
}
