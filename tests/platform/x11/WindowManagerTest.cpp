// F11 on a real X server (an Xvfb of the test's own), with no window manager
// and with one. The window manager is emulated: the root names a supporting
// window (_NET_SUPPORTING_WM_CHECK, what the detection reads) and fullscreen
// requests (_NET_WM_STATE) are answered by sizing the window to the screen, as
// an EWMH window manager does. This program holds only these tests: it points
// DISPLAY at its server. Skips when Xvfb is not installed.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "backend/sdl/Application.h"
#include "backend/sdl/WindowSystemEvent.h"
#include "support/ServerProcess.h"
#include "system/Clock.h"
#include "toolkit/Key.h"
#include "toolkit/View.h"
// After the toolkit's headers: Xlib's macros (None, Always, ...) clash with them.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// A 1280 x 800 server with a black root, on a display number it picks itself.
struct Xvfb {
    testsupport::ServerProcess process;
    std::string display;
    Xvfb() {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        ::fcntl(fds[0], F_SETFD, FD_CLOEXEC); // the server holds only the end it writes
        const bool started = process.spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                            "1280x800x24", "-br", "-nolisten", "tcp"});
        ::close(fds[1]);
        // It writes its display number and a newline once it takes connections
        // (and dies if the pipe closes before the newline).
        pollfd ready{fds[0], POLLIN, 0};
        std::string number;
        char c = 0;
        while (started && ::poll(&ready, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        if (c == '\n')
            display = ":" + number;
        ::close(fds[0]);
    }
};

// What an EWMH window manager does, as far as F11 goes.
struct EmulatedWindowManager {
    Display* d;
    Atom state = XInternAtom(d, "_NET_WM_STATE", False);
    Atom fullscreen = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
    explicit EmulatedWindowManager(Display* display) : d(display) {
        const Window root = DefaultRootWindow(d),
                     check = XCreateSimpleWindow(d, root, -10, -10, 1, 1, 0, 0, 0);
        const Atom supporting = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
        for (Window w : {root, check})
            XChangeProperty(d, w, supporting, XA_WINDOW, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&check), 1);
        // Clients send their requests to the root for whoever watches it.
        XSelectInput(d, root, SubstructureNotifyMask);
        XSync(d, False);
    }
    void answerRequests() {
        for (XEvent e; XPending(d);) {
            XNextEvent(d, &e);
            if (e.type != ClientMessage || e.xclient.message_type != state ||
                static_cast<Atom>(e.xclient.data.l[1]) != fullscreen)
                continue;
            if (e.xclient.data.l[0] == 1) { // add
                XMoveResizeWindow(d, e.xclient.window, 0, 0, 1280, 800);
                XChangeProperty(d, e.xclient.window, state, XA_ATOM, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(&fullscreen), 1);
            } else {
                XDeleteProperty(d, e.xclient.window, state);
            }
        }
        XSync(d, False);
    }
};

// What the screen shows: whether the application is fullscreen (and by SDL's
// fullscreen), the window's place and size, the picture's scale, and along
// the screen's bottom row at x = 20, 100, 1180 and 1260 black (K) or the
// picture (P).
std::string screen(Display* d, SDL_Window* window, const Application& app) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info))
        return "no X11 window";
    int x = 0, y = 0;
    Window child;
    XWindowAttributes a;
    XGetWindowAttributes(d, info.info.x11.window, &a);
    XTranslateCoordinates(d, info.info.x11.window, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    std::string s = std::string(app.isFullscreen() ? "full " : "windowed ") +
                    (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP ? "(SDL's) " : "") +
                    std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(a.width) + "x" +
                    std::to_string(a.height) + " x" + std::to_string(app.renderScale()) + " ";
    XImage* row = XGetImage(d, DefaultRootWindow(d), 0, 799, 1280, 1, AllPlanes, ZPixmap);
    for (int px : {20, 100, 1180, 1260})
        s += row && XGetPixel(row, px, 0) != 0 ? 'P' : 'K';
    if (row)
        XDestroyImage(row);
    return s;
}

} // namespace

TEST(WindowManagerX11, F11CoversTheScreenWithTheLetterboxedPictureWithAndWithoutAWindowManager) {
    if (!testsupport::installed("Xvfb"))
        GTEST_SKIP() << "Xvfb is not installed (tools/install-deps.sh --tests installs it)";
    Xvfb server;
    ASSERT_FALSE(server.display.empty()) << "Xvfb did not start within 10 s";
    ::setenv("DISPLAY", server.display.c_str(), 1);
    ::setenv("SDL_VIDEODRIVER", "x11", 1);
    Display* d = XOpenDisplay(server.display.c_str());
    ASSERT_NE(d, nullptr) << server.display;
    // Fullscreen without a window manager is the window sized to the screen by
    // hand; with one, SDL's desktop fullscreen. Either way a 1200 x 800
    // picture between 40-pixel bars; F11 again puts the window back.
    const std::string windowed = "windowed 160,80 960x640 x2 KKKK";
    for (bool withManager : {false, true}) {
        SCOPED_TRACE(withManager ? "with a window manager" : "without a window manager");
        std::unique_ptr<EmulatedWindowManager> manager(withManager ? new EmulatedWindowManager(d) : nullptr);
        ManualClock clock{100.0};
        ApplicationOptions options;
        options.clock = &clock;
        options.paced = false;
        options.handleSignals = false;
        Application app(options);
        ASSERT_TRUE(app.initialize());
        app.rootView().setBackgroundColor({255, 255, 255, 255});
        SDL_Window* window = SDL_GetWindowFromID(1);
        EXPECT_EQ(WindowSystemEvent::hasWindowManager(window), withManager);
        const std::string full =
            withManager ? "full (SDL's) 0,0 1280x800 x3 KPPK" : "full 0,0 1280x800 x3 KPPK";
        int presses = 0;
        for (const std::string& expected : {windowed, full, windowed}) {
            KeyEvent f11;
            f11.key = Key::F11;
            for (int i = 0; i < presses; ++i)
                app.injectKey(f11, i == 0);
            presses = 2;
            // The server and the window manager answer in their own time.
            std::string shown;
            for (int i = 0; i < 150 && shown != expected; ++i) {
                if (manager)
                    manager->answerRequests();
                clock.advance(0.02);
                app.runFrames(1);
                XSync(d, False);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                shown = screen(d, window, app);
            }
            EXPECT_EQ(shown, expected);
        }
    }
    XCloseDisplay(d);
}
