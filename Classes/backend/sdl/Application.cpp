#include "backend/sdl/Application.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "backend/sdl/EventArrivals.h"
#include "backend/sdl/FramePresenter.h"
#include "backend/sdl/LatencyLog.h"
#include "backend/sdl/SdlAccelerometer.h"
#include "backend/sdl/SdlAudioOutput.h"
#include "backend/sdl/SdlFingerTranslator.h"
#include "backend/sdl/SdlKeyTranslator.h"
#include "backend/sdl/SdlWindow.h"
#include "backend/sdl/WakeUpThread.h"
#include "backend/sdl/WindowSystemEvent.h"
#include "system/BrowserLauncher.h"
#include "system/Clock.h"
#include "system/MainThreadQueue.h"
#include "system/ViewGeometry.h"
#include "toolkit/AlertStack.h"
#include "toolkit/ApplicationDelegate.h"
#include "toolkit/FontCache.h"
#include "toolkit/GraphicsImpl.h"
#include "toolkit/Key.h"
#include "toolkit/KeyRouter.h"
#include "toolkit/TextField.h"
#include "toolkit/TouchRouter.h"
#include "toolkit/View.h"

namespace {

Application* gShared = nullptr;
std::atomic<bool> gSignalled{false};

extern "C" void onSignal(int) {
    gSignalled.store(true);
    WakeUpThread::wakeFromSignal();
}

// Frames are drawn at most this often.
constexpr double kFramePeriod = 1.0 / 60.0;

SDL_Event sdlEvent(Uint32 type) {
    SDL_Event e{};
    e.type = type;
    return e;
}

bool envIs(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v && std::strcmp(v, value) == 0;
}

} // namespace

struct Application::Impl {
    explicit Impl(const ApplicationOptions& o)
        : options(o), clock(o.clock ? *o.clock : SystemClock::shared()), queue(clock),
          accelerometer(clock, true), presenter([this] { serviceInput(); }), keys(keyHooks()) {}

    ApplicationOptions options;
    const Clock& clock;
    MainThreadQueue queue;
    SdlAccelerometer accelerometer;
    TouchRouter router;
    View root{Rect{0, 0, ViewGeometry::kViewWidth, ViewGeometry::kViewHeight}};
    AlertStack alerts;
    SdlFingerTranslator fingers;

    SdlWindow window;
    FramePresenter presenter;
    KeyRouter keys;
    WakeUpThread waker;
    LatencyLog latencyLog;
    EventArrivals arrivals;
    bool headless = false;
    bool initialized = false;
    bool sdlStarted = false;
    // No frame before this time (SystemClock), when pacing.
    double nextFrameDue = 0;

    ApplicationDelegate* delegate = nullptr;
    bool launched = false;
    bool finished = false;
    std::atomic<bool> terminating{false};
    std::string lastURL;
    BrowserLauncher browsers;
    bool idleTimerDisabled = true;

    KeyRouter::Hooks keyHooks();
    bool turn(bool wait);
    int millisecondsToWait() const;
    void drawFrame();
    void serviceInput();
    void setFullscreen(bool fullscreen);
    void handleEvent(const SDL_Event& e);
    void dispatchEvent(const SDL_Event& e);
    void handleKey(const SDL_KeyboardEvent& k, bool down);
    void handleFinger(SDL_TouchID touchId, SDL_FingerID fingerId, TouchPhase phase, float tx, float ty);
    void routeTouch(long id, TouchPhase phase, Point p);
    void updateTextInput(TextField* field, bool active);
    // Handles a pushed event now when the loop is not running.
    void push(SDL_Event e);
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
    KeyRouter::setActive(&impl_->keys);
    impl_->root.setBackgroundColor(Color::black());
    View::setAnimationClock(&impl_->clock);
    if (!options.bundleFolder.empty())
        Image::setBundleFolder(options.bundleFolder);
    View::setSnapshotProvider([this](const View& v) { return impl_->presenter.snapshot(v); });
    TextField::setTextInputHook(&textInputHook);
}

Application::~Application() {
    impl_->alerts.clear();
    if (TextField* f = TextField::editingField())
        f->resignFirstResponder();
    TextField::setTextInputHook(nullptr);
    View::setSnapshotProvider(nullptr);
    View::setAnimationClock(nullptr);
    impl_->queue.setWakeHook(nullptr, nullptr);
    impl_->waker.stop();
    impl_->latencyLog.close();
    impl_->arrivals.stop();
    impl_->accelerometer.close();
    Graphics::Impl::clearTextCache();
    impl_->presenter.destroyTargets();
    impl_->window.close();
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
    if (KeyRouter::active() == &impl_->keys)
        KeyRouter::setActive(nullptr);
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
    if (!m.window.openWindow(s, m.headless))
        return fail("Cannot open the window");
    if (m.options.fullscreen && !m.headless)
        m.setFullscreen(true);
    if (!m.window.openRenderer(!m.headless && SdlWindow::hasGraphicsCard()))
        return fail("Cannot draw in the window");
    m.presenter.attach(m.window.renderer(), m.window.isSoftware());
    if (!m.presenter.createTargets())
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
        if (!m.latencyLog.open(m.options.latencyLogFile))
            return fail("Cannot write the latency log " + m.options.latencyLogFile);
        // The window system's own events carry the time of each press.
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
        m.arrivals.start();
    }
    if (m.waker.start())
        m.queue.setWakeHook(&WakeUpThread::wake, &m.waker);
    m.initialized = true;
    return true;
}

KeyRouter::Hooks Application::Impl::keyHooks() {
    KeyRouter::Hooks h;
    h.toggleFullscreen = [this] { setFullscreen(!window.isFullscreen()); };
    h.alertShown = [this] { return alerts.isShowing(); };
    h.answerAlert = [this] { alerts.answer(); };
    h.tilt = [this](const KeyEvent& e, bool down) { return accelerometer.handleKey(e, down); };
    return h;
}

void Application::Impl::setFullscreen(bool fullscreen) {
    if (window.setFullscreen(fullscreen))
        root.setNeedsDisplay();
}

void Application::Impl::drawFrame() {
    presenter.draw([this](Graphics& g) {
        root.drawHierarchy(g);
        alerts.draw(g);
    });
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
    SDL_SetRenderTarget(window.renderer(), nullptr);
    SDL_PumpEvents();
    const Uint32 finger = waker.fingerEventType();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_SYSWMEVENT, SDL_SYSWMEVENT) > 0 ||
           SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_KEYDOWN, SDL_TEXTINPUT) > 0 ||
           SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FINGERDOWN, SDL_FINGERMOTION) > 0 ||
           (finger != 0 && SDL_PeepEvents(&e, 1, SDL_GETEVENT, finger, finger) > 0))
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
    browsers.reap();
    accelerometer.poll();
    View::advanceAnimations();
    alerts.prune();
    if (latencyLog.isOpen())
        latencyLog.write(false);
    SdlAudioOutput::reportPriority();
    const double now = SystemClock::shared().now();
    if (presenter.needsFrame() && (!wait || now >= nextFrameDue - 0.0005)) {
        // Paced from when this frame began; a late frame does not bring the
        // next one forward.
        nextFrameDue = now + kFramePeriod;
        drawFrame();
    } else if (presenter.isPresentPending()) {
        presenter.presentLastFrame();
    }
    if (options.handleSignals && gSignalled.load())
        terminating.store(true);
    return !terminating.load();
}

int Application::Impl::millisecondsToWait() const {
    const double now = SystemClock::shared().now();
    double t = 1e9;
    if (presenter.needsFrame() || presenter.isPresentPending())
        t = presenter.isPresentPending() ? 0.0 : nextFrameDue - now;
    t = std::min(t, queue.secondsUntilNextDue());
    t = std::min(t, accelerometer.secondsUntilNextReading());
    if (browsers.hasRunning())
        t = std::min(t, 0.5);
    if (latencyLog.hasPending())
        t = std::min(t, 0.005);
    if (t >= 1e8)
        return -1; // nothing falls due: sleep until an event comes
    return std::max(0, static_cast<int>(std::ceil(t * 1000.0)));
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
    window.startTextInput(
        {std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y)});
}

void Application::Impl::routeTouch(long id, TouchPhase phase, Point p) {
    router.dispatch(root, id, phase, p, clock.now(), alerts.modalView());
    // Whatever the touch changed is drawn next (views that call their own
    // setters would ask anyway; this is the safe default).
    root.setNeedsDisplay();
}

void Application::Impl::handleFinger(SDL_TouchID touchId, SDL_FingerID fingerId, TouchPhase phase, float tx,
                                     float ty) {
    if (const long id = fingers.touchId(touchId, fingerId, phase))
        routeTouch(id, phase, ViewGeometry::normalizedTouchToView(tx, ty));
}

void Application::Impl::handleKey(const SDL_KeyboardEvent& k, bool down) {
    root.setNeedsDisplay();
    const KeyEvent e = SdlKeyTranslator::keyEvent(k);
    if (down)
        keys.keyDown(e);
    else
        keys.keyUp(e);
    alerts.prune();
}

void Application::Impl::handleEvent(const SDL_Event& e) {
    const char* kind = nullptr;
    switch (e.type) {
    case SDL_SYSWMEVENT: {
        std::uint32_t ms = 0;
        if (WindowSystemEvent::inputPressTime(e, &ms))
            latencyLog.notePressTime(ms, arrivals.take(e));
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
            presenter.setPresentPending();
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
        if (waker.fingerEventType() != 0 && e.type == waker.fingerEventType()) {
            kind = e.user.code == static_cast<Sint32>(TouchPhase::Began) ? "touch" : nullptr;
            break;
        }
        // The wake-up from other threads needs no handling: the turn runs
        // the queue. Sensors and controllers feed the sound, not the views.
        dispatchEvent(e);
        return;
    }
    // Input: handled now, timed for the latency log, and drawn afterwards.
    const bool timed = kind && latencyLog.isOpen();
    const LatencyLog::Input input = timed ? latencyLog.begin(kind, arrivals.take(e)) : LatencyLog::Input{};
    dispatchEvent(e);
    root.setNeedsDisplay();
    if (timed)
        latencyLog.end(input);
}

void Application::Impl::dispatchEvent(const SDL_Event& e) {
    if (waker.fingerEventType() != 0 && e.type == waker.fingerEventType()) {
        const SdlFingerTranslator::Posted p = SdlFingerTranslator::readPosted(e);
        handleFinger(SdlFingerTranslator::kPostedDevice, p.finger, p.phase, p.x, p.y);
        return;
    }
    switch (e.type) {
    case SDL_QUIT:
    case SDL_APP_TERMINATING:
        terminating.store(true);
        break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE)
            terminating.store(true);
        else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
            keys.releaseAll();
        break;
    case SDL_APP_LOWMEMORY:
        Image::clearCache();
        if (delegate)
            delegate->applicationDidReceiveMemoryWarning(*gShared);
        break;
    case SDL_RENDER_DEVICE_RESET:
        ++rendererGeneration();
        presenter.deviceReset();
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
    case SDL_MOUSEWHEEL: // in notches, the same way round whatever the system's natural scrolling
        keys.wheel(e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y);
        break;
    default:
        accelerometer.handleEvent(e);
        break;
    }
    alerts.prune();
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
    return impl_->presenter.scale();
}
long Application::frameCount() const {
    return impl_->presenter.frameCount();
}
bool Application::needsFrame() const {
    return impl_->presenter.needsFrame();
}

AlertView* Application::showAlert(const std::string& title, const std::string& message,
                                  const std::string& buttonTitle, std::function<void()> onDismiss) {
    AlertView* a = impl_->alerts.show(title, message, buttonTitle, std::move(onDismiss));
    // Fingers on the screen below lose their touches to the alert.
    impl_->router.cancelAll();
    return a;
}

AlertView* Application::currentAlert() const {
    return impl_->alerts.current();
}

void Application::addKeyListener(KeyListener* listener) {
    impl_->keys.addListener(listener);
}

void Application::removeKeyListener(KeyListener* listener) {
    impl_->keys.removeListener(listener);
}

bool Application::openURL(const std::string& url) {
    impl_->lastURL = url;
    if (impl_->headless || std::getenv("STRUMWELL_NO_BROWSER"))
        return true;
    return impl_->browsers.open(url);
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
    return impl_->window.isFullscreen();
}

void Application::setFullscreen(bool fullscreen) {
    impl_->setFullscreen(fullscreen);
}

std::vector<std::uint8_t> Application::captureLandscape(int* width, int* height) {
    if (impl_->window.renderer() && impl_->presenter.needsFrame())
        impl_->drawFrame();
    return impl_->presenter.captureLandscape(width, height);
}

bool Application::saveScreenshot(const std::string& path) {
    if (impl_->window.renderer() && impl_->presenter.needsFrame())
        impl_->drawFrame();
    return impl_->presenter.saveLandscapePng(path);
}

void Application::injectTouch(long id, TouchPhase phase, Point viewPoint) {
    float tx = 0, ty = 0;
    ViewGeometry::viewToNormalizedTouch(viewPoint, &tx, &ty);
    injectFinger(id, phase, tx, ty);
}

void Application::injectFinger(long id, TouchPhase phase, float normalizedX, float normalizedY) {
    impl_->handleFinger(SdlFingerTranslator::kInjectedDevice, static_cast<SDL_FingerID>(id), phase,
                        std::clamp(normalizedX, 0.0f, 1.0f), std::clamp(normalizedY, 0.0f, 1.0f));
}

bool Application::postFinger(long id, TouchPhase phase, float normalizedX, float normalizedY) {
    if (!impl_->initialized || impl_->waker.fingerEventType() == 0)
        return false;
    SDL_Event e =
        SdlFingerTranslator::postedEvent(impl_->waker.fingerEventType(), id, phase, normalizedX, normalizedY);
    return SDL_PushEvent(&e) == 1;
}

void Application::injectKey(const KeyEvent& event, bool down) {
    impl_->push(SdlKeyTranslator::sdlEvent(event, down));
}

void Application::injectText(const std::string& utf8) {
    SDL_Event e = sdlEvent(SDL_TEXTINPUT);
    std::size_t n = std::min(utf8.size(), sizeof(e.text.text) - 1);
    std::memcpy(e.text.text, utf8.data(), n);
    e.text.text[n] = '\0';
    impl_->push(e);
}

void Application::injectWheel(int steps) {
    SDL_Event e = sdlEvent(SDL_MOUSEWHEEL); // direction: SDL_MOUSEWHEEL_NORMAL (0)
    e.wheel.y = steps;
    impl_->push(e);
}

void Application::injectMemoryWarning() {
    impl_->push(sdlEvent(SDL_APP_LOWMEMORY));
}

void Application::injectFocusLost() {
    SDL_Event e = sdlEvent(SDL_WINDOWEVENT);
    e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    impl_->push(e);
}

void Application::injectQuit() {
    impl_->push(sdlEvent(SDL_QUIT));
}

void Application::Impl::push(SDL_Event e) {
    if (initialized)
        SDL_PushEvent(&e);
    else if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP)
        handleKey(e.key, e.type == SDL_KEYDOWN);
    else
        handleEvent(e);
}
