// Touch-to-sound latency of the whole program: Strumwell on the Manual Fret
// screen, its main loop running as in the real program, gets presses on the
// strings over the pickup at random moments (so at random phases of the
// frames being drawn).
//
// The presses are real window-system events: the bench starts a virtual X
// server (Xvfb, unless DISPLAY names one already), opens the window there
// and presses the mouse button over the strings with XTest, so each press
// goes through the X server, SDL's reading of the connection and the loop's
// wait as a user's would. Without Xvfb (or with --dummy) it says so and
// falls back to SDL's dummy video driver, with presses posted into SDL's
// event queue from another thread; that driver polls for input about 900
// times a second, so its figures do not show the real waits.
//
// For each press, from the moment it was sent:
//   - to the engine's voice start request (the main loop's part);
//   - to the start of the first audio callback that mixed the voice (the
//     first buffer holding it);
//   - to audible: the end of that buffer plus the output latency the device
//     reports.
// It prints p50, p99 and max of each, and the underruns per callback over
// the same span (from the first press to the last).
//
//   strumwell_latency_bench [--bundle DIR] [--touches N] [--audio-buffer N]
//                           [--rest] [--seed N] [--dummy]
//
// --rest: no animation runs, so frames are drawn only after each press (the
// plucked string's light fading). By default a view animates all the time,
// so every press meets the frame drawing. Run with SDL_AUDIODRIVER=dummy for
// a null output at real-time pace, or with a real driver.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#ifdef STRUMWELL_BENCH_XTEST
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#endif

#include "app/Strumwell.h"
#include "backend/sdl/Application.h"
#include "backend/sdl/SdlAudioOutput.h"
#include "system/Folders.h"
#include "system/LatencyProbe.h"
#include "system/MainThreadQueue.h"
#include "system/ViewGeometry.h"
#include "toolkit/AlertView.h"
#include "toolkit/View.h"

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

// A virtual X server of our own, when none is named: its process id, or 0.
pid_t startXvfb() {
    if (std::getenv("DISPLAY"))
        return 0;
    const std::string display = ":" + std::to_string(90 + ::getpid() % 100);
    const std::string socket = "/tmp/.X11-unix/X" + display.substr(1);
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stderr);
        ::execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid < 0)
        return 0;
    for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return 0; // no Xvfb
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!std::filesystem::exists(socket)) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        return 0;
    }
    ::setenv("DISPLAY", display.c_str(), 1);
    return pid;
}

// Presses as the window system delivers them (XTest), or posted into SDL's
// queue (dummy driver).
class Presser {
public:
    Presser(Application& app, bool x11) : app_(app) {
#ifdef STRUMWELL_BENCH_XTEST
        if (x11)
            display_ = XOpenDisplay(nullptr);
#else
        (void)x11;
#endif
    }
    ~Presser() {
#ifdef STRUMWELL_BENCH_XTEST
        if (display_)
            XCloseDisplay(display_);
#endif
    }
    bool windowSystem() const {
        return display_ != nullptr;
    }

    // UI thread: where the window is on the screen.
    void findWindow() {
        if (SDL_Window* w = SDL_GetWindowFromID(1)) {
            SDL_GetWindowPosition(w, &x_, &y_);
            SDL_GetWindowSize(w, &w_, &h_);
        }
    }
    // Moves the pointer to a point of the root view, without a button held.
    void hover(Point p) {
        ViewGeometry::viewToNormalizedTouch(p, &tx_, &ty_);
#ifdef STRUMWELL_BENCH_XTEST
        if (display_) {
            XTestFakeMotionEvent(display_, -1, x_ + static_cast<int>(tx_ * static_cast<float>(w_)),
                                 y_ + static_cast<int>(ty_ * static_cast<float>(h_)), CurrentTime);
            XFlush(display_);
        }
#endif
    }
    // Presses or lets go there; returns when the event has left this process.
    void button(bool down) {
#ifdef STRUMWELL_BENCH_XTEST
        if (display_) {
            XTestFakeButtonEvent(display_, 1, down ? True : False, CurrentTime);
            XFlush(display_);
            return;
        }
#endif
        app_.postFinger(1, down ? TouchPhase::Began : TouchPhase::Ended, tx_, ty_);
    }

private:
    Application& app_;
#ifdef STRUMWELL_BENCH_XTEST
    Display* display_ = nullptr;
#else
    void* display_ = nullptr;
#endif
    int x_ = 0, y_ = 0, w_ = 960, h_ = 640;
    float tx_ = 0, ty_ = 0;
};

void print(const char* what, const std::vector<double>& v) {
    const Stats s = stats(v);
    std::printf("  event -> %-30s p50 %6.3f ms  p99 %6.3f ms  max %7.3f ms\n", what, s.p50, s.p99, s.max);
}

} // namespace

int main(int argc, char** argv) {
    std::string bundle;
    int touches = 200;
    int buffer = 0;
    bool rest = false, dummy = false;
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
        else if (a == "--dummy")
            dummy = true;
        else {
            std::fprintf(stderr,
                         "usage: %s [--bundle DIR] [--touches N] [--audio-buffer N] [--rest] [--seed N] "
                         "[--dummy]\n",
                         argv[0]);
            return 2;
        }
    }
    if (bundle.empty())
        bundle = Folders::findBundleFolder();
    if (buffer > 0)
        SdlAudioOutput::setDefaultBufferFrames(buffer);

    pid_t xvfb = 0;
#ifdef STRUMWELL_BENCH_XTEST
    if (!dummy) {
        xvfb = startXvfb();
        if (!std::getenv("DISPLAY")) {
            std::fprintf(stderr, "latency bench: Xvfb is not available; falling back to SDL's dummy video "
                                 "driver (input posted into SDL's queue, which it polls)\n");
            dummy = true;
        } else {
            ::setenv("SDL_VIDEODRIVER", "x11", 1);
        }
    }
#else
    if (!dummy)
        std::fprintf(stderr,
                     "latency bench: built without XTest; falling back to SDL's dummy video driver\n");
    dummy = true;
#endif

    // Ended after the window's connection (declared first, destroyed last).
    struct ServerGuard {
        pid_t pid;
        ~ServerGuard() {
            if (pid > 0) {
                ::kill(pid, SIGTERM);
                ::waitpid(pid, nullptr, 0);
            }
        }
    } server{xvfb};

    namespace fs = std::filesystem;
    const fs::path temp = fs::temp_directory_path() / ("strumwell-latency-" + std::to_string(::getpid()));
    fs::create_directories(temp / "docs");
    fs::create_directories(temp / "caches");

    ApplicationOptions o;
    o.headless = dummy;
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
    Presser presser(app, !dummy);

    std::vector<double> toRequest, toBuffer, toAudible;
    int missed = 0;
    long framesAtStart = 0;
    // Underruns and callbacks are both counted over the presses alone, from
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
            presser.findWindow();
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
            // Over the pickup, on one of the six strings.
            presser.hover({26.0f + 53.0f * static_cast<float>(string(rng)), 440.0f});
            std::this_thread::sleep_for(std::chrono::duration<double>(gap(rng)));
            const std::uint64_t before = LatencyProbe::requestCount();
            const double t0 = LatencyProbe::now();
            presser.button(true);
            const std::uint64_t n = before + 1;
            if (waitFor([&] { return LatencyProbe::requestCount() >= n; }, 1.0) &&
                waitFor([&] { return LatencyProbe::firstMixedTime(n) > 0; }, 1.0)) {
                const double buffer = SdlAudioOutput::defaultBufferFrames() / 44100.0;
                toRequest.push_back((LatencyProbe::requestTime(n) - t0) * 1000.0);
                toBuffer.push_back((LatencyProbe::firstMixedTime(n) - t0) * 1000.0);
                toAudible.push_back(
                    (LatencyProbe::firstMixedTime(n) + buffer + LatencyProbe::deviceLatency() - t0) * 1000.0);
            } else {
                ++missed;
                if (std::getenv("LATENCY_BENCH_DEBUG"))
                    std::fprintf(stderr, "miss %d: requests %llu -> %llu, mixed %.6f\n", i,
                                 static_cast<unsigned long long>(before),
                                 static_cast<unsigned long long>(LatencyProbe::requestCount()),
                                 LatencyProbe::firstMixedTime(n));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            presser.button(false);
        }
        underruns = LatencyProbe::underruns() - underrunsAtStart;
        callbacks = LatencyProbe::callbacks() - callbacksAtStart;
        app.terminate();
    });
    app.run(delegate);
    driver.join();
    animated.removeFromSuperview();

    const int frames = SdlAudioOutput::defaultBufferFrames();
    std::printf("latency bench: %zu presses (%d without a sound), %s, %s, buffer %d frames (%.2f ms), "
                "output latency reported %.2f ms, %ld frames drawn\n",
                toBuffer.size(), missed,
                presser.windowSystem() ? "X server (Xvfb) with XTest presses"
                                       : "DUMMY video driver (polled; presses posted into SDL's queue)",
                rest ? "screen at rest" : "frames drawn all the time", frames, frames * 1000.0 / 44100.0,
                LatencyProbe::deviceLatency() * 1000.0, app.frameCount() - framesAtStart);
    print("voice start request:", toRequest);
    print("first buffer holding the voice:", toBuffer);
    print("audible (buffer end + output):", toAudible);
    std::printf("  underruns %llu in %llu callbacks (%.2f per 10,000)\n",
                static_cast<unsigned long long>(underruns), static_cast<unsigned long long>(callbacks),
                callbacks ? 10000.0 * static_cast<double>(underruns) / static_cast<double>(callbacks) : 0.0);
    std::error_code ec;
    fs::remove_all(temp, ec);
    return missed == 0 ? 0 : 1;
}
