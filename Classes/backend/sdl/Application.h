#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "system/Geometry.h"
#include "toolkit/Touch.h"

class Accelerometer;
class AlertView;
class ApplicationDelegate;
class Clock;
class KeyListener;
class MainThreadQueue;
class View;
struct KeyEvent;

struct ApplicationOptions {
    // No window on screen: SDL's dummy video driver and a software renderer.
    // Also chosen when SDL_VIDEODRIVER is "dummy" or "offscreen".
    bool headless = false;
    // Window size = 480 x 320 times this.
    int windowScale = 2;
    bool fullscreen = false;
    // Where Image::named finds pictures.
    std::string bundleFolder;
    // The clock of the main loop, the animations, the queue and the virtual
    // tilt (null: the system clock). Tests pass a ManualClock.
    const Clock* clock = nullptr;
    // false: runFrames() steps as fast as asked (tests); true: run() paces
    // itself to the display.
    bool paced = true;
    // Signal handlers for SIGINT and SIGTERM that end the run in order.
    bool handleSignals = true;
    // Non-empty: one line per touch or key that started a sound is written
    // here (see LatencyProbe), with the underrun count.
    std::string latencyLogFile;
};

// The platform: the window "Strumwell" (a 320 x 480 portrait view shown
// sideways in a 480 x 320 landscape window, scaled, letterboxed, fullscreen
// on F11 or Alt+Enter), the main loop (touches, keyboard, the main-thread
// queue, the accelerometer, animations, drawing) and the life cycle. One per
// process.
//
// The main loop sleeps in SDL_WaitEventTimeout until an event comes or
// something falls due (a frame while views changed or animate, a delayed
// call of the queue, a tilt reading), and handles input the moment it
// arrives: also between the passes of a frame being drawn. A frame is drawn
// only when a view asked for it (View::setNeedsDisplay), an animation runs,
// input or a queued call was handled, or the window was resized; at most 60
// a second, with no vertical sync, so presenting never holds input up. An
// exposed window is shown again from the last picture. A screen at rest
// wakes nothing at all.
//
// Threads: UI thread only, except mainQueue().post and terminate(), which any
// thread may call.
class Application {
public:
    explicit Application(const ApplicationOptions& options = {});
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The one live application, or null.
    static Application* shared();

    // Opens the window. false, with a message in error, when it cannot.
    bool initialize(std::string* error = nullptr);

    // Runs until the window closes, a signal arrives or terminate() is
    // called: applicationDidFinishLaunching, the loop, then
    // applicationWillTerminate. Returns the process exit status (0).
    int run(ApplicationDelegate& delegate);

    // Stepping for tests and tools: launch() calls
    // applicationDidFinishLaunching; runFrames(n) runs n turns of the loop
    // (events, queue, accelerometer, animations, and a frame when one is
    // needed) without waiting; finish() calls applicationWillTerminate once.
    // runFrames returns false once the run has been asked to end.
    void launch(ApplicationDelegate& delegate);
    bool runFrames(int frames = 1);
    void finish();

    // Any thread: ends the run in order at the end of the current turn.
    void terminate();
    bool isTerminating() const;

    // The 320 x 480 view everything is drawn in.
    View& rootView();
    MainThreadQueue& mainQueue();
    const Clock& clock() const;
    Accelerometer& accelerometer();
    const std::string& bundleFolder() const;
    bool isHeadless() const;

    // Alerts (owned by the application; newest on top).
    AlertView* showAlert(const std::string& title, const std::string& message,
                         const std::string& buttonTitle = "OK", std::function<void()> onDismiss = {});
    // The alert on top, or null.
    AlertView* currentAlert() const;

    // Keyboard (see KeyListener). Not owned.
    void addKeyListener(KeyListener* listener);
    void removeKeyListener(KeyListener* listener);

    // Opens an address in the system browser without waiting for it.
    // false when no browser could be started.
    bool openURL(const std::string& url);
    // The last address given to openURL (headless runs open no browser).
    const std::string& lastOpenedURL() const;
    // Keeps the screen saver off while true (the default while running).
    void setIdleTimerDisabled(bool disabled);
    bool isFullscreen() const;
    void setFullscreen(bool fullscreen);

    // A PNG of the window as the user sees it (landscape), at the window's
    // pixel size. false when it could not be written.
    bool saveScreenshot(const std::string& path);
    // The last drawn frame as the user sees it: width x height RGBA pixels.
    std::vector<std::uint8_t> captureLandscape(int* width, int* height);
    // Pixels of the drawn picture per logical window point (2 for the
    // default window).
    int renderScale() const;
    // How many frames have been drawn.
    long frameCount() const;
    // Whether the next turn of the loop would draw a frame.
    bool needsFrame() const;

    // Synthetic input, going through the same translation as the platform's
    // events. A point in the root view's coordinates, or a position
    // normalised to the letterboxed picture (0..1 across, 0..1 down the
    // landscape window) as the platform reports fingers.
    void injectTouch(long id, TouchPhase phase, Point viewPoint);
    void injectFinger(long id, TouchPhase phase, float normalizedX, float normalizedY);
    // Any thread: a finger as injectFinger describes it, queued as an event
    // and handled by the loop like a real one (also between the passes of a
    // frame). false before initialize().
    bool postFinger(long id, TouchPhase phase, float normalizedX, float normalizedY);
    // Pushes platform events, handled at the next turn: a key, typed text, a
    // low-memory event, the window losing the keyboard, a window close.
    void injectKey(const KeyEvent& event, bool down);
    void injectText(const std::string& utf8);
    // The mouse wheel turned `steps` notches (positive: away from the user).
    void injectWheel(int steps);
    void injectMemoryWarning();
    void injectFocusLost();
    void injectQuit();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
