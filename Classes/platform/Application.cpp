#include "platform/Application.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <map>
#include <semaphore.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <utility>

#include "platform/AlertView.h"
#include "platform/ApplicationDelegate.h"
#include "platform/FontCache.h"
#include "platform/GraphicsImpl.h"
#include "platform/Key.h"
#include "platform/KeyListener.h"
#include "platform/SdlAccelerometer.h"
#include "platform/TextField.h"
#include "platform/TouchRouter.h"
#include "platform/View.h"
#include "platform/WindowSystemEvent.h"
#include "platform/core/Clock.h"
#include "platform/core/LatencyProbe.h"
#include "platform/core/MainThreadQueue.h"
#include "platform/core/ViewGeometry.h"

extern char** environ;

namespace {

Application* gShared = nullptr;
std::atomic<bool> gSignalled{false};
// The semaphore that wakes the sleeping main loop (see Impl::waker).
std::atomic<sem_t*> gWakeSemaphore{nullptr};

extern "C" void onSignal(int) {
    gSignalled.store(true);
    // sem_post may be called from a signal handler.
    if (sem_t* s = gWakeSemaphore.load())
        sem_post(s);
}

// Frames are drawn at most this often.
constexpr double kFramePeriod = 1.0 / 60.0;

struct KeyMapping {
    Key key;
    SDL_Scancode scancode;
};

const KeyMapping kKeys[] = {
    {Key::A, SDL_SCANCODE_A},
    {Key::B, SDL_SCANCODE_B},
    {Key::C, SDL_SCANCODE_C},
    {Key::D, SDL_SCANCODE_D},
    {Key::E, SDL_SCANCODE_E},
    {Key::F, SDL_SCANCODE_F},
    {Key::G, SDL_SCANCODE_G},
    {Key::H, SDL_SCANCODE_H},
    {Key::I, SDL_SCANCODE_I},
    {Key::J, SDL_SCANCODE_J},
    {Key::K, SDL_SCANCODE_K},
    {Key::L, SDL_SCANCODE_L},
    {Key::M, SDL_SCANCODE_M},
    {Key::N, SDL_SCANCODE_N},
    {Key::O, SDL_SCANCODE_O},
    {Key::P, SDL_SCANCODE_P},
    {Key::Q, SDL_SCANCODE_Q},
    {Key::R, SDL_SCANCODE_R},
    {Key::S, SDL_SCANCODE_S},
    {Key::T, SDL_SCANCODE_T},
    {Key::U, SDL_SCANCODE_U},
    {Key::V, SDL_SCANCODE_V},
    {Key::W, SDL_SCANCODE_W},
    {Key::X, SDL_SCANCODE_X},
    {Key::Y, SDL_SCANCODE_Y},
    {Key::Z, SDL_SCANCODE_Z},
    {Key::Num0, SDL_SCANCODE_0},
    {Key::Num1, SDL_SCANCODE_1},
    {Key::Num2, SDL_SCANCODE_2},
    {Key::Num3, SDL_SCANCODE_3},
    {Key::Num4, SDL_SCANCODE_4},
    {Key::Num5, SDL_SCANCODE_5},
    {Key::Num6, SDL_SCANCODE_6},
    {Key::Num7, SDL_SCANCODE_7},
    {Key::Num8, SDL_SCANCODE_8},
    {Key::Num9, SDL_SCANCODE_9},
    {Key::Keypad0, SDL_SCANCODE_KP_0},
    {Key::Keypad1, SDL_SCANCODE_KP_1},
    {Key::Keypad2, SDL_SCANCODE_KP_2},
    {Key::Keypad3, SDL_SCANCODE_KP_3},
    {Key::Keypad4, SDL_SCANCODE_KP_4},
    {Key::Keypad5, SDL_SCANCODE_KP_5},
    {Key::Keypad6, SDL_SCANCODE_KP_6},
    {Key::Keypad7, SDL_SCANCODE_KP_7},
    {Key::Keypad8, SDL_SCANCODE_KP_8},
    {Key::Keypad9, SDL_SCANCODE_KP_9},
    {Key::KeypadPlus, SDL_SCANCODE_KP_PLUS},
    {Key::KeypadMinus, SDL_SCANCODE_KP_MINUS},
    {Key::KeypadMultiply, SDL_SCANCODE_KP_MULTIPLY},
    {Key::KeypadDivide, SDL_SCANCODE_KP_DIVIDE},
    {Key::KeypadEnter, SDL_SCANCODE_KP_ENTER},
    {Key::KeypadPeriod, SDL_SCANCODE_KP_PERIOD},
    {Key::Left, SDL_SCANCODE_LEFT},
    {Key::Right, SDL_SCANCODE_RIGHT},
    {Key::Up, SDL_SCANCODE_UP},
    {Key::Down, SDL_SCANCODE_DOWN},
    {Key::Space, SDL_SCANCODE_SPACE},
    {Key::Return, SDL_SCANCODE_RETURN},
    {Key::Escape, SDL_SCANCODE_ESCAPE},
    {Key::Backspace, SDL_SCANCODE_BACKSPACE},
    {Key::Tab, SDL_SCANCODE_TAB},
    {Key::Delete, SDL_SCANCODE_DELETE},
    {Key::Insert, SDL_SCANCODE_INSERT},
    {Key::Home, SDL_SCANCODE_HOME},
    {Key::End, SDL_SCANCODE_END},
    {Key::PageUp, SDL_SCANCODE_PAGEUP},
    {Key::PageDown, SDL_SCANCODE_PAGEDOWN},
    {Key::Minus, SDL_SCANCODE_MINUS},
    {Key::Equals, SDL_SCANCODE_EQUALS},
    {Key::LeftBracket, SDL_SCANCODE_LEFTBRACKET},
    {Key::RightBracket, SDL_SCANCODE_RIGHTBRACKET},
    {Key::Backslash, SDL_SCANCODE_BACKSLASH},
    {Key::Semicolon, SDL_SCANCODE_SEMICOLON},
    {Key::Apostrophe, SDL_SCANCODE_APOSTROPHE},
    {Key::Grave, SDL_SCANCODE_GRAVE},
    {Key::Comma, SDL_SCANCODE_COMMA},
    {Key::Period, SDL_SCANCODE_PERIOD},
    {Key::Slash, SDL_SCANCODE_SLASH},
    {Key::F1, SDL_SCANCODE_F1},
    {Key::F2, SDL_SCANCODE_F2},
    {Key::F3, SDL_SCANCODE_F3},
    {Key::F4, SDL_SCANCODE_F4},
    {Key::F5, SDL_SCANCODE_F5},
    {Key::F6, SDL_SCANCODE_F6},
    {Key::F7, SDL_SCANCODE_F7},
    {Key::F8, SDL_SCANCODE_F8},
    {Key::F9, SDL_SCANCODE_F9},
    {Key::F10, SDL_SCANCODE_F10},
    {Key::F11, SDL_SCANCODE_F11},
    {Key::F12, SDL_SCANCODE_F12},
    {Key::LeftShift, SDL_SCANCODE_LSHIFT},
    {Key::RightShift, SDL_SCANCODE_RSHIFT},
    {Key::LeftCtrl, SDL_SCANCODE_LCTRL},
    {Key::RightCtrl, SDL_SCANCODE_RCTRL},
    {Key::LeftAlt, SDL_SCANCODE_LALT},
    {Key::RightAlt, SDL_SCANCODE_RALT},
};

Key keyFromScancode(SDL_Scancode sc) {
    for (const auto& m : kKeys)
        if (m.scancode == sc)
            return m.key;
    return Key::Unknown;
}

SDL_Scancode scancodeFromKey(Key key) {
    for (const auto& m : kKeys)
        if (m.key == key)
            return m.scancode;
    return SDL_SCANCODE_UNKNOWN;
}

bool envIs(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v && std::strcmp(v, value) == 0;
}

} // namespace

struct Application::Impl {
    explicit Impl(const ApplicationOptions& o)
        : options(o), clock(o.clock ? *o.clock : SystemClock::shared()), queue(clock),
          accelerometer(clock, true) {}

    ApplicationOptions options;
    const Clock& clock;
    MainThreadQueue queue;
    SdlAccelerometer accelerometer;
    TouchRouter router;
    View root{Rect{0, 0, ViewGeometry::kViewWidth, ViewGeometry::kViewHeight}};
    View overlay{Rect{0, 0, ViewGeometry::kViewWidth, ViewGeometry::kViewHeight}};
    std::vector<std::unique_ptr<AlertView>> alerts;
    std::vector<KeyListener*> keyListeners;
    // Keys whose down went to the listeners and whose up has not come yet.
    std::map<Key, KeyEvent> heldKeys;
    std::map<std::pair<SDL_TouchID, SDL_FingerID>, long> fingerIds;
    long nextTouchId = 1;

    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* viewTarget = nullptr;      // 320 x 480 times scale
    SDL_Texture* landscapeTarget = nullptr; // 480 x 320 times scale
    // Software rendering turns the picture itself: the renderer's own
    // rotation is slow there. The landscape texture is then a streaming one
    // fed from these pixels (ARGB8888).
    std::vector<Uint32> portraitPixels;
    std::vector<Uint32> landscapePixels;
    int scale = 0;
    bool headless = false;
    bool software = false;
    bool initialized = false;
    bool sdlStarted = false;
    bool drewFrame = false;
    long frames = 0;
    // View::displayGeneration() when the last frame began.
    std::uint64_t drawnGeneration = 0;
    // The window must be shown again from the last picture (exposed).
    bool presentPending = false;
    // No frame before this time (SystemClock), when pacing.
    double nextFrameDue = 0;

    // Wakes the main loop from other threads and from signal handlers: they
    // post the semaphore (which never blocks or allocates, so the render
    // thread may too), and this thread turns that into an SDL event.
    sem_t wakeSemaphore;
    bool wakeSemaphoreMade = false;
    std::thread waker;
    std::atomic<bool> wakerStop{false};
    std::atomic<bool> wakePending{false};
    Uint32 wakeEventType = 0;
    // Fingers posted from other threads (postFinger).
    Uint32 fingerEventType = 0;

    // The latency log.
    std::FILE* latencyLog = nullptr;
    struct PendingLatency {
        const char* kind;
        double event;
        double handled;
        std::uint64_t request; // the first voice start it caused
    };
    std::vector<PendingLatency> pendingLatency;
    // Window-system times (ms) of presses not yet matched to their event.
    std::deque<std::uint32_t> pressTimes;

    // The window's place before fullscreen, to go back to.
    SDL_Rect windowed{0, 0, 0, 0};
    bool haveWindowed = false;
    // Fullscreen made by sizing the window to the screen (no window manager).
    bool handFullscreen = false;

    ApplicationDelegate* delegate = nullptr;
    bool launched = false;
    bool finished = false;
    std::atomic<bool> terminating{false};
    std::string lastURL;
    std::vector<pid_t> browsers; // started by openURL, reaped once they exit
    bool idleTimerDisabled = true;

    bool createTargets();
    void destroyTargets();
    bool needsFrame() const;
    bool turn(bool wait);
    int millisecondsToWait() const;
    void drawFrame();
    void presentLastFrame();
    void serviceInput();
    void turnInSoftware();
    void startWaker();
    void stopWaker();
    static void wakeFromAnyThread(void* context) noexcept;
    double eventTime(const SDL_Event& e);
    void noteLatency(const char* kind, double event, double handled, std::uint64_t before);
    void writeLatency(bool all);
    bool isFullscreen() const;
    void setFullscreen(bool fullscreen);
    void handleEvent(const SDL_Event& e);
    void dispatchEvent(const SDL_Event& e);
    void handleKey(const SDL_KeyboardEvent& k, bool down);
    void releaseHeldKeys();
    void handleFinger(SDL_TouchID touchId, SDL_FingerID fingerId, TouchPhase phase, float tx, float ty);
    void routeTouch(long id, TouchPhase phase, Point p);
    void pruneAlerts();
    std::shared_ptr<Image> snapshot(const View& view);
    void updateTextInput(TextField* field, bool active);
};

namespace {

Application::Impl* gImpl = nullptr;

void textInputHook(TextField* field, bool active) {
    if (gImpl)
        gImpl->updateTextInput(field, active);
}

} // namespace

Application::Application(const ApplicationOptions& options) : impl_(std::make_unique<Impl>(options)) {
    gShared = this;
    gImpl = impl_.get();
    impl_->root.setBackgroundColor(Color::black());
    impl_->overlay.setBackgroundColor(Color::clear());
    View::setAnimationClock(&impl_->clock);
    if (!options.bundleFolder.empty())
        Image::setBundleFolder(options.bundleFolder);
    View::setSnapshotProvider([this](const View& v) { return impl_->snapshot(v); });
    TextField::setTextInputHook(&textInputHook);
}

Application::~Application() {
    impl_->alerts.clear();
    if (TextField* f = TextField::editingField())
        f->resignFirstResponder();
    TextField::setTextInputHook(nullptr);
    View::setSnapshotProvider(nullptr);
    View::setAnimationClock(nullptr);
    impl_->stopWaker();
    if (impl_->latencyLog) {
        impl_->writeLatency(true);
        std::fprintf(impl_->latencyLog, "# end: underruns %llu, callbacks %llu\n",
                     static_cast<unsigned long long>(LatencyProbe::underruns()),
                     static_cast<unsigned long long>(LatencyProbe::callbacks()));
        std::fclose(impl_->latencyLog);
        impl_->latencyLog = nullptr;
    }
    impl_->accelerometer.close();
    Graphics::Impl::clearTextCache();
    impl_->destroyTargets();
    if (impl_->renderer) {
        SDL_DestroyRenderer(impl_->renderer);
        ++rendererGeneration();
    }
    if (impl_->window)
        SDL_DestroyWindow(impl_->window);
    FontCache::shared().clear();
    if (impl_->sdlStarted) {
        if (TTF_WasInit())
            TTF_Quit();
        IMG_Quit();
        SDL_Quit();
    }
    if (impl_->options.handleSignals) {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        gSignalled.store(false);
    }
    if (gShared == this) {
        gShared = nullptr;
        gImpl = nullptr;
    }
}

Application* Application::shared() {
    return gShared;
}

bool Application::initialize(std::string* error) {
    Impl& m = *impl_;
    if (m.initialized)
        return true;
    auto fail = [&](const std::string& what) {
        if (error)
            *error = what + ": " + SDL_GetError();
        return false;
    };
    m.headless =
        m.options.headless || envIs("SDL_VIDEODRIVER", "dummy") || envIs("SDL_VIDEODRIVER", "offscreen");
    // Asked for headless, it is headless whatever the environment says
    // (an offscreen driver named there is kept).
    if (m.options.headless && !envIs("SDL_VIDEODRIVER", "offscreen"))
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
    // The mouse acts as one finger; real fingers are never turned into a mouse.
    SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "1");
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    SDL_SetHint(SDL_HINT_APP_NAME, "Strumwell");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        return fail("Cannot start the display");
    m.sdlStarted = true;
    // Sensors and controllers are optional.
    SDL_InitSubSystem(SDL_INIT_SENSOR);
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    IMG_Init(IMG_INIT_PNG | IMG_INIT_JPG);
    if (!TTF_WasInit())
        TTF_Init();

    int s = std::clamp(m.options.windowScale, 1, 8);
    Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    if (m.headless)
        flags |= SDL_WINDOW_HIDDEN;
    m.window = SDL_CreateWindow("Strumwell", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                static_cast<int>(ViewGeometry::kWindowWidth) * s,
                                static_cast<int>(ViewGeometry::kWindowHeight) * s, flags);
    if (!m.window)
        return fail("Cannot open the window");
    SDL_SetWindowMinimumSize(m.window, 240, 160);
    if (m.options.fullscreen && !m.headless)
        m.setFullscreen(true);
    // No vertical sync: a present that waits for the display would hold up
    // the input behind it; the loop paces the frames itself.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    if (!m.headless)
        m.renderer = SDL_CreateRenderer(m.window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
    if (!m.renderer) {
        m.renderer = SDL_CreateRenderer(m.window, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
        m.software = true;
    }
    if (!m.renderer)
        return fail("Cannot draw in the window");
    // What was actually made (a hint can swap the driver).
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(m.renderer, &info) == 0)
        m.software = (info.flags & SDL_RENDERER_SOFTWARE) != 0 || std::strcmp(info.name, "software") == 0;
    ++rendererGeneration();
    SDL_RenderSetLogicalSize(m.renderer, static_cast<int>(ViewGeometry::kWindowWidth),
                             static_cast<int>(ViewGeometry::kWindowHeight));
    if (!m.createTargets())
        return fail("Cannot make the drawing surfaces");
    // Text input runs only while a text field is being edited.
    SDL_StopTextInput();
    if (m.idleTimerDisabled)
        SDL_DisableScreenSaver();
    if (m.options.handleSignals) {
        gSignalled.store(false);
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }
    m.accelerometer.open();
    if (!m.options.latencyLogFile.empty()) {
        m.latencyLog = std::fopen(m.options.latencyLogFile.c_str(), "w");
        if (!m.latencyLog)
            return fail("Cannot write the latency log " + m.options.latencyLogFile);
        LatencyProbe::setEnabled(true);
        // The window system's own events carry the time of each press.
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
        std::fprintf(m.latencyLog,
                     "# One line per touch or key that started a sound. Times in seconds of the monotonic "
                     "clock:\n# kind event handled voice_request first_buffer device_latency_ms "
                     "event_to_request_ms event_to_buffer_ms underruns\n");
        std::fflush(m.latencyLog);
    }
    m.startWaker();
    m.initialized = true;
    return true;
}

bool Application::Impl::createTargets() {
    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(renderer, &ow, &oh);
    if ((ow <= 0 || oh <= 0) && viewTarget && landscapeTarget)
        return true; // minimised: keep what there is
    int s = ViewGeometry::renderScale(ow, oh);
    if (s == scale && viewTarget && landscapeTarget)
        return true;
    destroyTargets();
    scale = s;
    viewTarget =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, 320 * s, 480 * s);
    landscapeTarget = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888,
                                        software ? SDL_TEXTUREACCESS_STREAMING : SDL_TEXTUREACCESS_TARGET,
                                        480 * s, 320 * s);
    if (!viewTarget || !landscapeTarget)
        return false;
    // Blended text would otherwise leave the targets' alpha below opaque.
    SDL_SetTextureBlendMode(viewTarget, SDL_BLENDMODE_NONE);
    SDL_SetTextureBlendMode(landscapeTarget, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(landscapeTarget, SDL_ScaleModeLinear);
    drewFrame = false;
    return true;
}

void Application::Impl::destroyTargets() {
    if (viewTarget)
        SDL_DestroyTexture(viewTarget);
    if (landscapeTarget)
        SDL_DestroyTexture(landscapeTarget);
    viewTarget = landscapeTarget = nullptr;
}

std::shared_ptr<Image> Application::Impl::snapshot(const View& view) {
    if (!renderer || !viewTarget || !drewFrame)
        return nullptr;
    // The view's box in the root's coordinates, as it was last drawn.
    Point a = view.convertPointTo({0, 0}, nullptr);
    Point b = view.convertPointTo({view.bounds().width, view.bounds().height}, nullptr);
    SDL_Rect src{static_cast<int>(std::lround(std::min(a.x, b.x) * scale)),
                 static_cast<int>(std::lround(std::min(a.y, b.y) * scale)),
                 static_cast<int>(std::lround(std::fabs(b.x - a.x) * scale)),
                 static_cast<int>(std::lround(std::fabs(b.y - a.y) * scale))};
    if (src.w <= 0 || src.h <= 0)
        return nullptr;
    SDL_Texture* t =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, src.w, src.h);
    if (!t)
        return nullptr;
    SDL_Texture* previous = SDL_GetRenderTarget(renderer);
    SDL_SetRenderTarget(renderer, t);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 0);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, viewTarget, &src, nullptr);
    SDL_SetRenderTarget(renderer, previous);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    auto impl = std::make_unique<Image::Impl>();
    impl->texture = t;
    impl->textureRenderer = renderer;
    impl->textureGeneration = rendererGeneration();
    impl->ownsTextureOnly = true;
    impl->width = src.w;
    impl->height = src.h;
    impl->scale = static_cast<float>(scale);
    return std::make_shared<Image>(std::move(impl));
}

bool Application::Impl::needsFrame() const {
    return !drewFrame || View::displayGeneration() != drawnGeneration || View::runningAnimationCount() > 0;
}

void Application::Impl::drawFrame() {
    if (!renderer)
        return;
    if (!createTargets())
        return;
    ++frames;
    // Changes made from here on (input handled between the passes) ask for
    // the next frame.
    drawnGeneration = View::displayGeneration();
    SDL_SetRenderTarget(renderer, viewTarget);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    {
        Graphics::Impl gi(renderer, static_cast<float>(scale), static_cast<int>(frames));
        Graphics g(gi);
        root.drawHierarchy(g);
        if (!alerts.empty()) {
            g.fillRect({0, 0, ViewGeometry::kViewWidth, ViewGeometry::kViewHeight}, Color{0, 0, 0, 110});
            overlay.drawHierarchy(g);
        }
        gi.endFrame();
    }
    serviceInput();
    // Turn the portrait picture a quarter turn into the landscape one, one
    // pixel to one pixel, then show that scaled into the window.
    if (software) {
        turnInSoftware();
    } else {
        SDL_SetRenderTarget(renderer, landscapeTarget);
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        SDL_Rect dst{80 * scale, -80 * scale, 320 * scale, 480 * scale};
        SDL_RenderCopyEx(renderer, viewTarget, nullptr, &dst, -90.0, nullptr, SDL_FLIP_NONE);
    }
    serviceInput();
    drewFrame = true;
    presentLastFrame();
    serviceInput();
}

void Application::Impl::presentLastFrame() {
    presentPending = false;
    if (!renderer || !landscapeTarget || !drewFrame)
        return;
    SDL_SetRenderTarget(renderer, nullptr);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, landscapeTarget, nullptr, nullptr);
    SDL_RenderPresent(renderer);
}

void Application::Impl::serviceInput() {
    // Between the passes of a frame: touches, keys and typed text are handled
    // at once, so a note never waits for the drawing. Other events (window
    // changes that would remake the drawing surfaces) wait for the turn.
    if (!initialized)
        return;
    // SDL's renderer turns finger positions into the letterboxed picture's
    // as it reads them, from the viewport in force: the window's, not a
    // drawing target's.
    SDL_SetRenderTarget(renderer, nullptr);
    SDL_PumpEvents();
    SDL_Event e;
    while (
        SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_SYSWMEVENT, SDL_SYSWMEVENT) > 0 ||
        SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_KEYDOWN, SDL_TEXTINPUT) > 0 ||
        SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FINGERDOWN, SDL_FINGERMOTION) > 0 ||
        (fingerEventType != 0 && SDL_PeepEvents(&e, 1, SDL_GETEVENT, fingerEventType, fingerEventType) > 0))
        handleEvent(e);
}

bool Application::Impl::turn(bool wait) {
    if (options.handleSignals && gSignalled.load())
        terminating.store(true);
    if (terminating.load())
        return false;
    if (initialized) {
        SDL_Event e;
        int ms = wait ? millisecondsToWait() : 0;
        int got = 0;
        if (ms < 0)
            got = SDL_WaitEvent(&e);
        else if (ms > 0)
            got = SDL_WaitEventTimeout(&e, ms);
        else
            got = SDL_PollEvent(&e);
        if (got)
            handleEvent(e);
        while (SDL_PollEvent(&e))
            handleEvent(e);
    }
    // Whatever a queued call did may show: draw once more.
    if (queue.runPending() > 0)
        root.setNeedsDisplay();
    // Browsers started by openURL are reaped without waiting for them.
    for (auto it = browsers.begin(); it != browsers.end();)
        it = waitpid(*it, nullptr, WNOHANG) != 0 ? browsers.erase(it) : std::next(it);
    accelerometer.poll();
    View::advanceAnimations();
    pruneAlerts();
    if (latencyLog)
        writeLatency(false);
    const double now = SystemClock::shared().now();
    if (needsFrame() && (!wait || now >= nextFrameDue - 0.0005)) {
        // Paced from when this frame began; a late frame does not bring the
        // next one forward.
        nextFrameDue = now + kFramePeriod;
        drawFrame();
    } else if (presentPending) {
        presentLastFrame();
    }
    if (options.handleSignals && gSignalled.load())
        terminating.store(true);
    return !terminating.load();
}

int Application::Impl::millisecondsToWait() const {
    const double now = SystemClock::shared().now();
    double t = 1e9;
    if (needsFrame() || presentPending)
        t = presentPending ? 0.0 : nextFrameDue - now;
    t = std::min(t, queue.secondsUntilNextDue());
    t = std::min(t, accelerometer.secondsUntilNextReading());
    if (!browsers.empty())
        t = std::min(t, 0.5);
    if (!pendingLatency.empty())
        t = std::min(t, 0.005);
    if (t >= 1e8)
        return -1; // nothing falls due: sleep until an event comes
    return std::max(0, static_cast<int>(std::ceil(t * 1000.0)));
}

void Application::Impl::startWaker() {
    if (waker.joinable())
        return;
    wakeEventType = SDL_RegisterEvents(2);
    if (wakeEventType == static_cast<Uint32>(-1) || sem_init(&wakeSemaphore, 0, 0) != 0)
        return;
    fingerEventType = wakeEventType + 1;
    wakeSemaphoreMade = true;
    wakerStop.store(false);
    waker = std::thread([this] {
        for (;;) {
            while (sem_wait(&wakeSemaphore) != 0 && errno == EINTR) {
            }
            if (wakerStop.load())
                return;
            wakePending.store(false);
            SDL_Event e{};
            e.type = wakeEventType;
            SDL_PushEvent(&e);
        }
    });
    gWakeSemaphore.store(&wakeSemaphore);
    queue.setWakeHook(&Impl::wakeFromAnyThread, this);
}

void Application::Impl::stopWaker() {
    queue.setWakeHook(nullptr, nullptr);
    if (gWakeSemaphore.load() == &wakeSemaphore)
        gWakeSemaphore.store(nullptr);
    if (waker.joinable()) {
        wakerStop.store(true);
        sem_post(&wakeSemaphore);
        waker.join();
    }
    if (wakeSemaphoreMade) {
        sem_destroy(&wakeSemaphore);
        wakeSemaphoreMade = false;
    }
}

void Application::Impl::wakeFromAnyThread(void* context) noexcept {
    auto* m = static_cast<Impl*>(context);
    // One wake-up at a time is enough: the loop runs everything queued.
    if (!m->wakePending.exchange(true))
        sem_post(&m->wakeSemaphore);
}

double Application::Impl::eventTime(const SDL_Event& e) {
    const double now = LatencyProbe::now();
    // The window system's time of the press, when it told us (it includes
    // the time the press waited before the loop read it).
    while (!pressTimes.empty()) {
        const std::uint32_t pressed = pressTimes.front();
        pressTimes.pop_front();
        const std::uint32_t nowMs = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now * 1000.0));
        const std::uint32_t age = nowMs - pressed;
        if (age < 10000)
            return now - age / 1000.0;
    }
    // Otherwise SDL's own stamp, in whole milliseconds of SDL_GetTicks.
    const Uint32 age = SDL_GetTicks() - e.common.timestamp;
    return age < 10000 ? now - age / 1000.0 : now;
}

void Application::Impl::noteLatency(const char* kind, double event, double handled, std::uint64_t before) {
    if (LatencyProbe::requestCount() > before)
        pendingLatency.push_back({kind, event, handled, before + 1});
}

void Application::Impl::writeLatency(bool all) {
    const double now = LatencyProbe::now();
    for (auto it = pendingLatency.begin(); it != pendingLatency.end();) {
        const double mixed = LatencyProbe::firstMixedTime(it->request);
        // A voice no callback mixed within a second (no sound output) is
        // written without a buffer time.
        if (mixed == 0 && !all && now < it->handled + 1.0) {
            ++it;
            continue;
        }
        const double request = LatencyProbe::requestTime(it->request);
        std::fprintf(latencyLog, "%s %.6f %.6f %.6f %.6f %.3f %.3f %.3f %llu\n", it->kind, it->event,
                     it->handled, request, mixed, LatencyProbe::deviceLatency() * 1000.0,
                     request > 0 ? (request - it->event) * 1000.0 : -1.0,
                     mixed > 0 ? (mixed - it->event) * 1000.0 : -1.0,
                     static_cast<unsigned long long>(LatencyProbe::underruns()));
        it = pendingLatency.erase(it);
    }
    std::fflush(latencyLog);
}

bool Application::Impl::isFullscreen() const {
    return window && (handFullscreen || (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0);
}

void Application::Impl::setFullscreen(bool fullscreen) {
    if (!window || isFullscreen() == fullscreen)
        return;
    if (fullscreen) {
        // Where the window was, to go back there: without a window manager
        // nothing else remembers it.
        SDL_GetWindowPosition(window, &windowed.x, &windowed.y);
        SDL_GetWindowSize(window, &windowed.w, &windowed.h);
        haveWindowed = windowed.w > 0 && windowed.h > 0;
        SDL_Rect screen;
        if (!WindowSystemEvent::hasWindowManager(window) &&
            SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window)), &screen) == 0) {
            // No one to ask for fullscreen: cover the screen by hand. (Asking
            // SDL would leave the window as it was while SDL draws for the
            // whole screen, showing a corner of the picture, for good.)
            handFullscreen = true;
            SDL_SetWindowBordered(window, SDL_FALSE);
            SDL_SetWindowPosition(window, screen.x, screen.y);
            SDL_SetWindowSize(window, screen.w, screen.h);
        } else {
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        }
    } else {
        if (handFullscreen) {
            handFullscreen = false;
            SDL_SetWindowBordered(window, SDL_TRUE);
        } else {
            SDL_SetWindowFullscreen(window, 0);
        }
        if (haveWindowed) {
            SDL_SetWindowSize(window, windowed.w, windowed.h);
            SDL_SetWindowPosition(window, windowed.x, windowed.y);
        }
    }
    root.setNeedsDisplay();
}

void Application::Impl::turnInSoftware() {
    int pw = 320 * scale, ph = 480 * scale; // portrait
    int lw = ph, lh = pw;                   // landscape
    portraitPixels.resize(static_cast<std::size_t>(pw) * static_cast<std::size_t>(ph));
    landscapePixels.resize(portraitPixels.size());
    SDL_SetRenderTarget(renderer, viewTarget);
    SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, portraitPixels.data(), pw * 4);
    // View pixel (px, py) is landscape pixel (py, lh - 1 - px). Turned in
    // square tiles, which keeps both pictures' rows in the cache, and in
    // bands with input handled between them.
    constexpr int kTile = 32;
    constexpr int kBand = 128;
    for (int band = 0; band < ph; band += kBand) {
        for (int ty = band; ty < std::min(band + kBand, ph); ty += kTile) {
            for (int tx = 0; tx < pw; tx += kTile) {
                const int yEnd = std::min(ty + kTile, ph), xEnd = std::min(tx + kTile, pw);
                for (int py = ty; py < yEnd; ++py) {
                    const Uint32* row =
                        portraitPixels.data() + static_cast<std::size_t>(py) * static_cast<std::size_t>(pw);
                    Uint32* column = landscapePixels.data() + py;
                    for (int px = tx; px < xEnd; ++px)
                        column[static_cast<std::size_t>(lh - 1 - px) * static_cast<std::size_t>(lw)] =
                            row[px] | 0xFF000000u;
                }
            }
        }
        serviceInput();
    }
    SDL_UpdateTexture(landscapeTarget, nullptr, landscapePixels.data(), lw * 4);
}

void Application::Impl::updateTextInput(TextField* field, bool active) {
    if (!initialized)
        return;
    if (!active) {
        if (!TextField::editingField())
            SDL_StopTextInput();
        return;
    }
    // The field's box as the window shows it, for the input method's popup.
    Point a = field->convertPointTo({0, 0}, nullptr);
    Point b = field->convertPointTo({field->bounds().width, field->bounds().height}, nullptr);
    Rect view{std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y)};
    Rect w = ViewGeometry::viewRectToWindow(view);
    int ww = 0, wh = 0;
    SDL_GetWindowSize(window, &ww, &wh);
    Rect box = ViewGeometry::letterbox(ww, wh);
    float k = box.width / ViewGeometry::kWindowWidth;
    SDL_Rect r{static_cast<int>(box.x + w.x * k), static_cast<int>(box.y + w.y * k),
               static_cast<int>(w.width * k), static_cast<int>(w.height * k)};
    SDL_SetTextInputRect(&r);
    SDL_StartTextInput();
}

void Application::Impl::pruneAlerts() {
    for (auto it = alerts.begin(); it != alerts.end();) {
        if ((*it)->isDismissed()) {
            (*it)->removeFromSuperview();
            it = alerts.erase(it);
        } else {
            ++it;
        }
    }
}

void Application::Impl::routeTouch(long id, TouchPhase phase, Point p) {
    View* modal = alerts.empty() ? nullptr : &overlay;
    router.dispatch(root, id, phase, p, clock.now(), modal);
    // Whatever the touch changed is drawn next (views that call their own
    // setters would ask anyway; this is the safe default).
    root.setNeedsDisplay();
}

void Application::Impl::handleFinger(SDL_TouchID touchId, SDL_FingerID fingerId, TouchPhase phase, float tx,
                                     float ty) {
    auto key = std::make_pair(touchId, fingerId);
    long id = 0;
    auto it = fingerIds.find(key);
    if (phase == TouchPhase::Began || it == fingerIds.end()) {
        if (phase != TouchPhase::Began)
            return; // a finger we never saw go down
        id = nextTouchId++;
        fingerIds[key] = id;
    } else {
        id = it->second;
    }
    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled)
        fingerIds.erase(key);
    routeTouch(id, phase, ViewGeometry::normalizedTouchToView(tx, ty));
}

void Application::Impl::releaseHeldKeys() {
    // Keys let go while the window is not in focus are never reported: let
    // them go now, so no note or tilt stays held.
    accelerometer.handleKey(KeyEvent{}, false);
    std::map<Key, KeyEvent> held;
    held.swap(heldKeys);
    for (auto& [key, e] : held) {
        e.repeat = false;
        std::vector<KeyListener*> listeners = keyListeners;
        for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
            if ((*it)->keyUp(e))
                break;
    }
}

void Application::Impl::handleKey(const SDL_KeyboardEvent& k, bool down) {
    root.setNeedsDisplay();
    KeyEvent e;
    e.key = keyFromScancode(k.keysym.scancode);
    e.name = SDL_GetKeyName(k.keysym.sym);
    e.repeat = k.repeat != 0;
    e.shift = (k.keysym.mod & KMOD_SHIFT) != 0;
    e.ctrl = (k.keysym.mod & KMOD_CTRL) != 0;
    e.alt = (k.keysym.mod & KMOD_ALT) != 0;
    if (!down) {
        // Releases always reach the tilt and the listeners, so nothing sticks.
        accelerometer.handleKey(e, false);
        heldKeys.erase(e.key);
        std::vector<KeyListener*> listeners = keyListeners;
        for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
            if ((*it)->keyUp(e))
                break;
        return;
    }
    if ((e.key == Key::F11 || (e.alt && (e.key == Key::Return || e.key == Key::KeypadEnter))) && !e.repeat) {
        setFullscreen(!isFullscreen());
        return;
    }
    if (!alerts.empty()) {
        AlertView* top = alerts.back().get();
        if ((e.key == Key::Return || e.key == Key::KeypadEnter || e.key == Key::Escape ||
             e.key == Key::Space) &&
            !e.repeat)
            top->pressButton();
        pruneAlerts();
        return;
    }
    if (TextField* field = TextField::editingField()) {
        switch (e.key) {
        case Key::Backspace:
            field->deleteBackward();
            break;
        case Key::Return:
        case Key::KeypadEnter:
            if (!e.repeat)
                field->returnPressed();
            break;
        case Key::Escape:
            field->resignFirstResponder();
            break;
        case Key::Delete:
            field->deleteForward();
            break;
        case Key::Left:
            field->moveCaret(-1);
            break;
        case Key::Right:
            field->moveCaret(1);
            break;
        case Key::Home:
            field->moveCaretToStart();
            break;
        case Key::End:
            field->moveCaretToEnd();
            break;
        default:
            break;
        }
        return;
    }
    if (accelerometer.handleKey(e, true))
        return;
    if (!e.repeat)
        heldKeys[e.key] = e;
    // A copy: listeners may come and go while handling a key.
    std::vector<KeyListener*> listeners = keyListeners;
    for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
        if ((*it)->keyDown(e))
            return;
}

void Application::Impl::handleEvent(const SDL_Event& e) {
    const char* kind = nullptr;
    switch (e.type) {
    case SDL_SYSWMEVENT: {
        std::uint32_t ms = 0;
        if (WindowSystemEvent::inputPressTime(e, &ms)) {
            pressTimes.push_back(ms);
            if (pressTimes.size() > 16)
                pressTimes.pop_front();
        }
        return;
    }
    case SDL_FINGERDOWN:
        kind = "touch";
        break;
    case SDL_FINGERMOTION:
        kind = "move";
        break;
    case SDL_KEYDOWN:
        kind = e.key.repeat ? nullptr : "key";
        break;
    case SDL_FINGERUP:
    case SDL_KEYUP:
    case SDL_TEXTINPUT:
        break;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
            presentPending = true;
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
            root.setNeedsDisplay();
            break;
        default:
            break;
        }
        dispatchEvent(e);
        return;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
        root.setNeedsDisplay();
        dispatchEvent(e);
        return;
    default:
        if (fingerEventType != 0 && e.type == fingerEventType) {
            kind = e.user.code == static_cast<Sint32>(TouchPhase::Began) ? "touch" : nullptr;
            break;
        }
        // The wake-up from other threads needs no handling: the turn runs
        // the queue. Sensors and controllers feed the sound, not the views.
        dispatchEvent(e);
        return;
    }
    // Input: handled now, timed for the latency log, and drawn afterwards.
    const bool timed = kind && latencyLog;
    const double event = timed ? eventTime(e) : 0;
    const double handled = timed ? LatencyProbe::now() : 0;
    const std::uint64_t before = timed ? LatencyProbe::requestCount() : 0;
    dispatchEvent(e);
    root.setNeedsDisplay();
    if (timed)
        noteLatency(kind, event, handled, before);
}

void Application::Impl::dispatchEvent(const SDL_Event& e) {
    if (fingerEventType != 0 && e.type == fingerEventType) {
        float x = 0, y = 0;
        std::memcpy(&x, &e.user.data1, sizeof x);
        std::memcpy(&y, &e.user.data2, sizeof y);
        constexpr SDL_TouchID kPosted = 0x5358;
        handleFinger(kPosted, static_cast<SDL_FingerID>(e.user.windowID),
                     static_cast<TouchPhase>(e.user.code), x, y);
        return;
    }
    switch (e.type) {
    case SDL_QUIT:
        terminating.store(true);
        break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE)
            terminating.store(true);
        else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
            releaseHeldKeys();
        break;
    case SDL_APP_LOWMEMORY:
        Image::clearCache();
        if (delegate)
            delegate->applicationDidReceiveMemoryWarning(*gShared);
        break;
    case SDL_APP_TERMINATING:
        terminating.store(true);
        break;
    case SDL_RENDER_DEVICE_RESET:
        ++rendererGeneration();
        viewTarget = landscapeTarget = nullptr; // gone with the device
        scale = 0;
        createTargets();
        break;
    case SDL_FINGERDOWN:
        handleFinger(e.tfinger.touchId, e.tfinger.fingerId, TouchPhase::Began, e.tfinger.x, e.tfinger.y);
        break;
    case SDL_FINGERMOTION:
        handleFinger(e.tfinger.touchId, e.tfinger.fingerId, TouchPhase::Moved, e.tfinger.x, e.tfinger.y);
        break;
    case SDL_FINGERUP:
        handleFinger(e.tfinger.touchId, e.tfinger.fingerId, TouchPhase::Ended, e.tfinger.x, e.tfinger.y);
        break;
    case SDL_KEYDOWN:
        handleKey(e.key, true);
        break;
    case SDL_KEYUP:
        handleKey(e.key, false);
        break;
    case SDL_TEXTINPUT:
        if (TextField* field = TextField::editingField())
            field->insertText(e.text.text);
        break;
    default:
        accelerometer.handleEvent(e);
        break;
    }
    pruneAlerts();
}

int Application::run(ApplicationDelegate& delegate) {
    if (!impl_->initialized) {
        std::string error;
        if (!initialize(&error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    launch(delegate);
    while (impl_->turn(impl_->options.paced)) {
    }
    finish();
    return 0;
}

void Application::launch(ApplicationDelegate& delegate) {
    if (impl_->launched)
        return;
    if (!impl_->initialized)
        initialize(nullptr);
    impl_->delegate = &delegate;
    impl_->launched = true;
    delegate.applicationDidFinishLaunching(*this);
}

bool Application::runFrames(int frames) {
    for (int i = 0; i < frames; ++i)
        if (!impl_->turn(false))
            return false;
    return !impl_->terminating.load();
}

void Application::finish() {
    Impl& m = *impl_;
    if (m.finished)
        return;
    m.finished = true;
    m.terminating.store(true);
    if (m.delegate && m.launched)
        m.delegate->applicationWillTerminate(*this);
    if (m.idleTimerDisabled && m.initialized)
        SDL_EnableScreenSaver();
}

void Application::terminate() {
    impl_->terminating.store(true);
}

bool Application::isTerminating() const {
    return impl_->terminating.load() || (impl_->options.handleSignals && gSignalled.load());
}

View& Application::rootView() {
    return impl_->root;
}
MainThreadQueue& Application::mainQueue() {
    return impl_->queue;
}
const Clock& Application::clock() const {
    return impl_->clock;
}
Accelerometer& Application::accelerometer() {
    return impl_->accelerometer;
}
const std::string& Application::bundleFolder() const {
    return impl_->options.bundleFolder;
}
bool Application::isHeadless() const {
    return impl_->headless;
}
int Application::renderScale() const {
    return impl_->scale;
}
long Application::frameCount() const {
    return impl_->frames;
}
bool Application::needsFrame() const {
    return impl_->needsFrame();
}

AlertView* Application::showAlert(const std::string& title, const std::string& message,
                                  const std::string& buttonTitle, std::function<void()> onDismiss) {
    auto alert = std::make_unique<AlertView>(title, message, buttonTitle, std::move(onDismiss));
    AlertView* a = alert.get();
    impl_->overlay.addSubview(a);
    impl_->alerts.push_back(std::move(alert));
    // Fingers on the screen below lose their touches to the alert.
    impl_->router.cancelAll();
    return a;
}

AlertView* Application::currentAlert() const {
    for (auto it = impl_->alerts.rbegin(); it != impl_->alerts.rend(); ++it)
        if (!(*it)->isDismissed())
            return it->get();
    return nullptr;
}

void Application::addKeyListener(KeyListener* listener) {
    if (listener && std::find(impl_->keyListeners.begin(), impl_->keyListeners.end(), listener) ==
                        impl_->keyListeners.end())
        impl_->keyListeners.push_back(listener);
}

void Application::removeKeyListener(KeyListener* listener) {
    auto& l = impl_->keyListeners;
    l.erase(std::remove(l.begin(), l.end(), listener), l.end());
}

bool Application::openURL(const std::string& url) {
    impl_->lastURL = url;
    if (impl_->headless || std::getenv("STRUMWELL_NO_BROWSER"))
        return true;
    // Only web addresses, handed over as one argument, never through a shell.
    if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    std::string arg = url;
    char prog[] = "xdg-open";
    char* argv[] = {prog, arg.data(), nullptr};
    int rc = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    impl_->browsers.push_back(pid);
    return true;
}

const std::string& Application::lastOpenedURL() const {
    return impl_->lastURL;
}

void Application::setIdleTimerDisabled(bool disabled) {
    impl_->idleTimerDisabled = disabled;
    if (!impl_->initialized)
        return;
    if (disabled)
        SDL_DisableScreenSaver();
    else
        SDL_EnableScreenSaver();
}

bool Application::isFullscreen() const {
    return impl_->isFullscreen();
}

void Application::setFullscreen(bool fullscreen) {
    impl_->setFullscreen(fullscreen);
}

std::vector<std::uint8_t> Application::captureLandscape(int* width, int* height) {
    Impl& m = *impl_;
    *width = *height = 0;
    if (!m.renderer || !m.landscapeTarget)
        return {};
    if (m.needsFrame())
        m.drawFrame();
    int w = 480 * m.scale, h = 320 * m.scale;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    if (m.software) {
        if (m.landscapePixels.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h))
            return {};
        // ARGB words to RGBA bytes.
        for (std::size_t i = 0; i < m.landscapePixels.size(); ++i) {
            Uint32 p = m.landscapePixels[i];
            pixels[i * 4] = static_cast<std::uint8_t>(p >> 16);
            pixels[i * 4 + 1] = static_cast<std::uint8_t>(p >> 8);
            pixels[i * 4 + 2] = static_cast<std::uint8_t>(p);
            pixels[i * 4 + 3] = 255;
        }
    } else {
        SDL_Texture* previous = SDL_GetRenderTarget(m.renderer);
        SDL_SetRenderTarget(m.renderer, m.landscapeTarget);
        int rc = SDL_RenderReadPixels(m.renderer, nullptr, SDL_PIXELFORMAT_RGBA32, pixels.data(), w * 4);
        SDL_SetRenderTarget(m.renderer, previous);
        if (rc != 0)
            return {};
    }
    // The picture is opaque whatever the blending left in the alpha channel.
    for (std::size_t i = 3; i < pixels.size(); i += 4)
        pixels[i] = 255;
    *width = w;
    *height = h;
    return pixels;
}

bool Application::saveScreenshot(const std::string& path) {
    int w = 0, h = 0;
    std::vector<std::uint8_t> pixels = captureLandscape(&w, &h);
    if (pixels.empty())
        return false;
    SDL_Surface* s =
        SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_RGBA32);
    if (!s)
        return false;
    int rc = IMG_SavePNG(s, path.c_str());
    SDL_FreeSurface(s);
    return rc == 0;
}

void Application::injectTouch(long id, TouchPhase phase, Point viewPoint) {
    float tx = 0, ty = 0;
    ViewGeometry::viewToNormalizedTouch(viewPoint, &tx, &ty);
    injectFinger(id, phase, tx, ty);
}

void Application::injectFinger(long id, TouchPhase phase, float normalizedX, float normalizedY) {
    // Synthetic fingers get a touch device of their own.
    constexpr SDL_TouchID kInjected = 0x5357;
    impl_->handleFinger(kInjected, static_cast<SDL_FingerID>(id), phase, std::clamp(normalizedX, 0.0f, 1.0f),
                        std::clamp(normalizedY, 0.0f, 1.0f));
}

bool Application::postFinger(long id, TouchPhase phase, float normalizedX, float normalizedY) {
    if (!impl_->initialized || impl_->fingerEventType == 0)
        return false;
    SDL_Event e{};
    e.type = impl_->fingerEventType;
    e.user.code = static_cast<Sint32>(phase);
    e.user.windowID = static_cast<Uint32>(id);
    float x = std::clamp(normalizedX, 0.0f, 1.0f), y = std::clamp(normalizedY, 0.0f, 1.0f);
    std::memcpy(&e.user.data1, &x, sizeof x);
    std::memcpy(&e.user.data2, &y, sizeof y);
    return SDL_PushEvent(&e) == 1;
}

void Application::injectKey(const KeyEvent& event, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = event.repeat ? 1 : 0;
    e.key.keysym.scancode = scancodeFromKey(event.key);
    e.key.keysym.sym = SDL_GetKeyFromScancode(e.key.keysym.scancode);
    Uint16 mod = 0;
    if (event.shift)
        mod |= KMOD_LSHIFT;
    if (event.ctrl)
        mod |= KMOD_LCTRL;
    if (event.alt)
        mod |= KMOD_LALT;
    e.key.keysym.mod = mod;
    if (impl_->initialized)
        SDL_PushEvent(&e);
    else
        impl_->handleKey(e.key, down);
}

void Application::injectText(const std::string& utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::size_t n = std::min(utf8.size(), sizeof(e.text.text) - 1);
    std::memcpy(e.text.text, utf8.data(), n);
    e.text.text[n] = '\0';
    if (impl_->initialized)
        SDL_PushEvent(&e);
    else
        impl_->handleEvent(e);
}

void Application::injectMemoryWarning() {
    SDL_Event e{};
    e.type = SDL_APP_LOWMEMORY;
    if (impl_->initialized)
        SDL_PushEvent(&e);
    else
        impl_->handleEvent(e);
}

void Application::injectFocusLost() {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    if (impl_->initialized)
        SDL_PushEvent(&e);
    else
        impl_->handleEvent(e);
}

void Application::injectQuit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    if (impl_->initialized)
        SDL_PushEvent(&e);
    else
        impl_->handleEvent(e);
}
