#include "app/Strumwell.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/AppSettings.h"
#include "app/ScreenRegistry.h"
#include "app/TransitionView.h"
#include "audio/SoundEngine.h"
#include "backend/sdl/Application.h"
#include "backend/sdl/SdlAudioOutput.h"
#if STRUMWELL_HAVE_RTMIDI
#include "backend/rtmidi/RtMidiPorts.h"
#endif
#if STRUMWELL_HAVE_WEB
#include "backend/web/WebAudioOutput.h"
#endif
#if STRUMWELL_HAVE_JACK
#include "backend/jack/JackAudioOutput.h"
#endif
#include "core/BoundedFile.h"
#include "core/FailureText.h"
#include "core/GuitarId.h"
#include "core/WholeFileWriter.h"
#include "guitars/GuitarScreenView.h"
#include "midi/MidiLink.h"
#include "performer/Performer.h"
#include "recorder/Recorder.h"
#include "recorder/SongOptions.h"
#include "screens/ManualPages.h"
#include "song/Tab.h"
#include "storage/FileManager.h"
#include "storage/StateRescue.h"
#include "system/BrowserLauncher.h"
#include "system/Folders.h"
#include "system/InstanceLock.h"
#include "system/MainThreadQueue.h"
#include "system/MetronomeSettings.h"
#include "system/MidiPorts.h"
#include "toolkit/AlertView.h"
#include "ui/HostedScreen.h"
#include "ui/ScreenCatalog.h"

namespace fs = std::filesystem;

namespace {
constexpr int kFirstScreen = 1;
constexpr int kLastScreen = ScreenCatalog::kLastNumber;
constexpr const char* kStateFile = "system.state";
// Put into the working tab on the first run, so that the Tab Guitar plays at
// the first touch.
constexpr const char* kFirstRunTab = "Demo - Open Chords.TAB";
constexpr const char* kWelcomeTitle = "Welcome to Strumwell";
constexpr const char* kWelcomeMessage =
    "Enjoy playing! For drums to jam along with, look out for Strumwell's companion, the Beatwell drum kit.";
constexpr const char* kCrashTitle = "Strumwell did not close properly";
constexpr const char* kDamagedTitle = "Working song damaged";
constexpr const char* kAlreadyRunningTitle = "Strumwell is already running";

std::tm systemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

// "Cannot read ...": the failure text as the start of a sentence.
} // namespace

// One slot per screen number; a screen is created the first time it is shown
// and kept for the rest of the run.
struct Strumwell::Screens {
    std::unique_ptr<View> byNumber[kLastScreen + 1];
    HostedScreen* hosted[kLastScreen + 1] = {};
    View* mainMenu = nullptr;
};

Strumwell::Strumwell() : Strumwell(Options{}) {}

Strumwell::Strumwell(Options options)
    : options_(std::move(options)), songOptions_(std::make_unique<SongOptions>()),
      screens_(std::make_unique<Screens>()) {}

Strumwell::~Strumwell() {
    // Screens hold references to the model objects and to the transition
    // view: they go first. The recorder's playback thread uses the engine, so
    // it ends before the engine.
    if (transitionView_) {
        transitionView_->setDelegate(nullptr);
        transitionView_->removeFromSuperview();
    }
    screens_.reset();
    delete transitionView_;
    transitionView_ = nullptr;
    // MIDI in plays through the performer; MIDI out hears the engine until
    // no other thread can ask it for sound (the recorder's thread is gone).
    if (midiLink_)
        midiLink_->stop();
    performer_.reset();
    fileManager_.reset();
    recorder_.reset();
    midiLink_.reset();
    midiPorts_.reset();
    if (soundEngine_)
        soundEngine_->stop();
    soundEngine_.reset();
    audioOutput_.reset();
    tab_.reset();
}

// ---------------------------------------------------------------------------
// Life cycle

void Strumwell::applicationDidFinishLaunching(Application& application) {
    application_ = &application;

    documentsFolder_ =
        options_.documentsFolder.empty() ? Folders::defaultDocumentsFolder() : options_.documentsFolder;
    libraryCachesFolder_ =
        options_.cachesFolder.empty() ? Folders::defaultCachesFolder() : options_.cachesFolder;
    if (!Folders::ensureFolder(documentsFolder_))
        std::printf("Cannot create the documents folder %s\n", documentsFolder_.c_str());
    // Before anything is read or written: a second program over the same
    // folder would take this one's crash flag for a crash and save over its
    // work at quit.
    instanceLock_ = std::make_unique<InstanceLock>(documentsFolder_);
    if (instanceLock_->busy()) {
        refuseSecondInstance(application);
        return;
    }
    if (!instanceLock_->held())
        std::printf("Cannot lock %s; not guarded against a second Strumwell\n",
                    instanceLock_->path().c_str());
    if (!Folders::ensureFolder(libraryCachesFolder_))
        std::printf("Cannot create the caches folder %s\n", libraryCachesFolder_.c_str());
    if (options_.bundleFolder.empty())
        options_.bundleFolder =
            application.bundleFolder().empty() ? Folders::findBundleFolder() : application.bundleFolder();
    // Before the sound starts, so that the first note plays at the user's
    // output volume.
    if (const std::string failure = AppSettings::load(documentsFolder_); !failure.empty())
        std::fprintf(stderr, "%s; using the default settings\n",
                     FailureText::toolLine(documentsFolder_ + "/" + AppSettings::kFileName, failure).c_str());

    // The engine loads the noises and starts the output; the recorder's
    // playback thread starts with it.
    audioOutput_ = makeAudioOutput();
    soundEngine_ = std::make_unique<SoundEngine>(this, audioOutput_.get(), options_.bundleFolder);
    recorder_ = std::make_unique<Recorder>(this, soundEngine_.get());
    performer_ = std::make_unique<Performer>(*soundEngine_, *recorder_, this, &application.accelerometer());
    performer_->setGuitar(currentGuitar());
    startMidi();

    frame_ = Rect{0, 0, 320, 480};
    transitionView_ = new TransitionView(frame_);
    transitionView_->setUserInteractionEnabled(true);
    transitionView_->setMultipleTouchEnabled(true);
    application.rootView().addSubview(transitionView_);

    tab_ = std::make_unique<Tab>();
    fileManager_ =
        std::make_unique<FileManager>(tab_.get(), recorder_.get(), soundEngine_.get(), documentsFolder_);
    fileManager_->setSongOptions(songOptions_.get());
    recorder_->setSongOptions(songOptions_.get());
    // The metronome as the app's settings left it, before anything can play.
    recorder_->setClickOn(MetronomeSettings::on());
    recorder_->setClickVolume(MetronomeSettings::volume());

    ScreenEntry::Made mainMenu = findScreenEntry(kMainMenu)->create(*this);
    screens_->mainMenu = mainMenu.view.get();
    transitionView_->addSubview(mainMenu.view.get());
    screens_->byNumber[kMainMenu] = std::move(mainMenu.view);
    screens_->hosted[kMainMenu] = mainMenu.screen;

    fileManager_->removeStaleTemporaryFiles();
    // Defaults first, as `render` does: a state file whose sections this
    // build cannot read (a newer version) then leaves the defaults in place
    // rather than a fresh engine with no patch loaded.
    const bool crashed = previouslyCrashed();
    application.setIdleTimerDisabled(true);
    if (options_.loadStateAfterFirstFrame)
        mainThreadQueue().post([this, crashed] { loadStartupStateAndFinish(crashed); });
    else
        loadStartupStateAndFinish(crashed);
}

std::unique_ptr<AudioOutput> Strumwell::makeAudioOutput() {
    // Called on the output's own threads: the message box waits for the UI.
    auto hook = [this](const std::string& line) {
        mainThreadQueue().post([this, line] { reportSoundServer(line); });
    };
    if (options_.audio == "jack") {
#if STRUMWELL_HAVE_JACK
        auto jack = std::make_unique<JackAudioOutput>();
        jack->setStatusHook(hook);
        outputMidiPorts_ = jack.get();
        return jack;
#else
        std::fprintf(stderr, "strumwell: this build has no JACK output; playing through SDL\n");
#endif
    }
#if STRUMWELL_HAVE_WEB
    // In a web page: an AudioWorklet fed from our own render thread, rather
    // than SDL's ScriptProcessorNode, which renders on the page's main thread.
    (void)hook;
    return std::make_unique<WebAudioOutput>();
#else
    auto sdl = std::make_unique<SdlAudioOutput>();
    sdl->setStatusHook(hook);
    return sdl;
#endif
}

void Strumwell::reportSoundServer(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    showAlert("Sound", line, true);
}

void Strumwell::startMidi() {
    midiLink_ = std::make_unique<MidiLink>(*performer_, *soundEngine_, &mainThreadQueue());
    midiLink_->out().setSongOptions(songOptions_.get());
    midiLink_->setSettings(AppSettings::midi());
    // MIDI thread: one queued redraw at a time, however fast notes come;
    // drawing happens only on the UI thread.
    midiLink_->in().setChangeObserver([this] {
        if (!midiRedrawQueued_.exchange(true))
            mainThreadQueue().post([this] {
                midiRedrawQueued_ = false;
                showMidiSounding();
            });
    });
    MidiPorts* ports = outputMidiPorts_;
#if STRUMWELL_HAVE_RTMIDI
    if (ports == nullptr) {
        midiPorts_ = std::make_unique<RtMidiPorts>();
        ports = midiPorts_.get();
    }
#endif
    // One line, once: the guitar plays on without MIDI.
    if (const std::string off = midiLink_->start(ports); !off.empty())
        std::fprintf(stderr, "%s\n", off.c_str());
}

void Strumwell::showMidiSounding() {
    if (!midiLink_ || !screens_)
        return;
    const uint64_t samples = midiLink_->in().soundingSamples(currentGuitar());
    for (const ScreenInfo& info : ScreenCatalog::all())
        if (auto* screen = dynamic_cast<GuitarScreenView*>(screens_->byNumber[info.number].get()))
            screen->showMidiSamples(samples);
}

void Strumwell::setMidiSettings(const MidiSettings& settings) {
    AppSettings::setMidi(settings);
    if (midiLink_)
        midiLink_->setSettings(settings);
    saveAppSettings();
}

bool Strumwell::leftHanded() const {
    return AppSettings::leftHanded();
}

void Strumwell::setLeftHanded(bool on) {
    AppSettings::setLeftHanded(on);
    saveAppSettings();
}

std::string Strumwell::reconnectSound() {
#if STRUMWELL_HAVE_JACK
    if (auto* jack = dynamic_cast<JackAudioOutput*>(audioOutput_.get())) {
        jack->reconnect();
        return "Reconnecting to JACK...";
    }
#endif
#if STRUMWELL_HAVE_WEB
    // The page starts a suspended output again on any touch or key, this
    // press included.
    return "The browser plays the sound from the first touch";
#else
    // Reopening SDL's device here could stall the screen for seconds; its
    // watcher already reopens a lost device every 2 s.
    return "The sound comes back by itself within 2 s";
#endif
}

std::string Strumwell::soundOutputText() const {
    if (!audioOutput_)
        return std::string();
    char line[48];
    std::snprintf(line, sizeof(line), "Output latency %.0f ms",
                  audioOutput_->outputLatencySeconds() * 1000.0);
    return line;
}

void Strumwell::loadStartupStateAndFinish(bool crashed) {
    // Queued calls run before the turn's frame is drawn: wait one more turn
    // until the main menu has been drawn.
    if (options_.loadStateAfterFirstFrame && application_ && application_->frameCount() == 0) {
        mainThreadQueue().post([this, crashed] { loadStartupStateAndFinish(crashed); });
        return;
    }
    resetState();
    // Before the quit's save is allowed: after a crash the working state is
    // not loaded (it may be what crashed), but it is kept.
    if (crashed) {
        const std::string kept = rescueState();
        if (!kept.empty())
            showAlert(kCrashTitle,
                      "Your working song from before the crash was kept as '" + kept +
                          "' and can be loaded from the recorder screen. Strumwell starts from the defaults.",
                      true);
    } else
        loadStartupState();
    startupStateLoaded_ = true;
    // After the state: the welcome puts the demo tab into an empty tab.
    testDisplayFirstTimeMessage();
    finishStartupRequests();
}

void Strumwell::finishStartupRequests() {
    if (options_.startScreen != 0)
        transitionToView(options_.startScreen, screens_->mainMenu, true);
    if (!options_.screenshotFile.empty())
        takeScreenshotWhenSettled(100);
}

void Strumwell::takeScreenshotWhenSettled(int triesLeft) {
    // Wait for the screen change (at most 0.5 s) to end, then one more frame
    // so the final look has been drawn.
    mainThreadQueue().postDelayed(0.1, [this, triesLeft] {
        if ((transitionView_->isTransitioning() || View::runningAnimationCount() > 0) && triesLeft > 0) {
            takeScreenshotWhenSettled(triesLeft - 1);
            return;
        }
        mainThreadQueue().postDelayed(0.05, [this] {
            if (!application_->saveScreenshot(options_.screenshotFile))
                std::fprintf(stderr, "strumwell: could not write the screenshot %s\n",
                             options_.screenshotFile.c_str());
            application_->terminate();
        });
    });
}

void Strumwell::loadStartupState() {
    if (!fileManager_)
        return;
    // No state yet is the normal first start, not a failure: the defaults.
    const std::string path = fileManager_->getPathFromFilename(kStateFile);
    std::error_code ec;
    if (!fs::exists(path, ec) && !ec)
        return;
    if (fileManager_->loadState(kStateFile))
        return;
    const std::string failure = fileManager_->lastFailure();
    std::fprintf(stderr, "%s; starting from the defaults\n", FailureText::toolLine(path, failure).c_str());
    const std::string kept = rescueState();
    // The file cannot be loaded, but it is not destroyed: it may be mended,
    // or sent with a report.
    showAlert(kDamagedTitle,
              FailureText::sentence(FailureText::cannotRead(kStateFile, failure)) +
                  (kept.empty() ? std::string() : " It was kept as the song '" + kept + "'.") +
                  " Strumwell starts from the defaults.",
              true);
}

std::string Strumwell::rescueState() {
    const std::tm now = options_.localTime ? options_.localTime() : systemLocalTime();
    const std::string kept = StateRescue(documentsFolder_).keep(kStateFile, now);
    if (!kept.empty())
        std::fprintf(stderr, "strumwell: the working song was kept as '%s/%s%s'\n", documentsFolder_.c_str(),
                     kept.c_str(), StateRescue::kExtension);
    // Could not be moved: then it must not be saved over either.
    std::error_code ec;
    keepStateFile_ = kept.empty() && fs::exists(fileManager_->getPathFromFilename(kStateFile), ec);
    return kept;
}

void Strumwell::refuseSecondInstance(Application& application) {
    const std::string message =
        "Strumwell is already running with the documents folder '" + documentsFolder_ + "'";
    std::fprintf(stderr, "strumwell: %s\n", message.c_str());
    // Headless, nobody would press the button: quit at once.
    application.showAlert(kAlreadyRunningTitle, message + ". This window closes; use the other one.", "Quit",
                          [&application] { application.terminate(); });
    if (application.isHeadless())
        application.terminate();
}

bool Strumwell::ownsDocumentsFolder() const {
    return !instanceLock_ || !instanceLock_->busy();
}

void Strumwell::applicationWillTerminate(Application&) {
    // The other program's files and flag are not ours to touch.
    if (!ownsDocumentsFolder())
        return;
    saveWorkingState();
    removeCrashTestFlag();
    if (soundEngine_)
        soundEngine_->stop();
}

void Strumwell::saveWorkingState() {
    if (!ownsDocumentsFolder())
        return;
    // Before the saved state was read, writing would replace the user's
    // state with an empty engine's.
    if (fileManager_ && startupStateLoaded_ && !keepStateFile_ && !saveState(kStateFile))
        std::printf("Could not save %s\n", kStateFile);
    saveAppSettings();
}

void Strumwell::applicationDidReceiveMemoryWarning(Application&) {
    std::printf("\nMEMORY WARNING!!!!\n");
}

// ---------------------------------------------------------------------------
// Model parent

int Strumwell::currentGuitar() const {
    return currentGuitar_.load(std::memory_order_relaxed);
}

void Strumwell::setCurrentGuitar(int guitar) {
    currentGuitar_.store(guitar, std::memory_order_relaxed);
    songOptions_->setTabGuitar(guitar);
    // The tilt moves the pedals of the guitar in the player's hands.
    if (performer_)
        performer_->setGuitar(guitar);
}

void Strumwell::incCurrentGuitar() {
    int g = currentGuitar() + 1;
    if (g >= kGuitars)
        g = 0;
    setCurrentGuitar(g);
}

MainThreadQueue& Strumwell::mainThreadQueue() {
    return application_->mainQueue();
}

void Strumwell::showAlert(const std::string& title, const std::string& message, bool okButton) {
    if (application_)
        application_->showAlert(title, message, okButton ? "OK" : "");
}

void Strumwell::playbackEnded() {
    // The playing screens that exist are told, so that their play lights go out.
    for (const ScreenInfo& info : ScreenCatalog::all())
        if (HostedScreen* screen = screens_->hosted[info.number]; screen && info.kind == ScreenKind::Playing)
            screen->playbackEnded();
}

void Strumwell::resetState() {
    if (fileManager_)
        fileManager_->resetState();
}

void Strumwell::loadState(const std::string& fileName) {
    if (fileManager_)
        fileManager_->loadState(fileName);
}

bool Strumwell::saveState(const std::string& fileName) {
    return fileManager_ && fileManager_->saveState(fileName);
}

void Strumwell::saveAppSettings() {
    if (!documentsFolder_.empty() && !AppSettings::save(documentsFolder_))
        std::printf("Could not save %s/%s\n", documentsFolder_.c_str(), AppSettings::kFileName);
}

void Strumwell::visitWebsite() {
    if (application_)
        application_->openURL(kWebsite);
}

bool Strumwell::openFolder(const std::string& folder) {
    if (!application_ || !BrowserLauncher::available())
        return false;
    if (folder.empty())
        return true;
    // Percent-encoded, so that spaces and the like survive as one address.
    std::string url = "file://";
    for (unsigned char c : folder) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            url += hex;
        }
    }
    return application_->openURL(url);
}

// ---------------------------------------------------------------------------
// Crash flag and first-run message

std::string Strumwell::crashFlagPath() const {
    return libraryCachesFolder_ + "/System.Running";
}

std::string Strumwell::firstRunMarkerPath() const {
    return documentsFolder_ + "/SystemMessage.DAT";
}

bool Strumwell::previouslyCrashed() {
    std::error_code ec;
    if (fs::exists(crashFlagPath(), ec)) {
        fs::remove(crashFlagPath(), ec);
        writeCrashTestFlag();
        return true;
    }
    writeCrashTestFlag();
    return false;
}

void Strumwell::writeCrashTestFlag() {
    std::ofstream flag(crashFlagPath(), std::ios::binary | std::ios::trunc);
}

void Strumwell::removeCrashTestFlag() {
    std::error_code ec;
    fs::remove(crashFlagPath(), ec);
}

void Strumwell::testDisplayFirstTimeMessage() {
    // The marker is one positive 32-bit number; anything else (a longer file,
    // a FIFO, a folder) counts as not seen, and is replaced below.
    std::vector<uint8_t> b;
    const bool seen =
        BoundedFile::read(firstRunMarkerPath(), BoundedFile::Limit::kFirstRunMarker, b).empty() &&
        b.size() == 4 &&
        static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                             static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24) > 0;
    if (!seen) {
        showAlert(kWelcomeTitle, kWelcomeMessage, true);
        putFirstRunTab();
    }
    const uint8_t one[4] = {1, 0, 0, 0};
    WholeFileWriter::write(firstRunMarkerPath(), one, sizeof one);
}

void Strumwell::putFirstRunTab() {
    // A tab the user already has (the marker was lost) is never replaced.
    if (!fileManager_ || !tab_ || tab_->tabSize() != 0)
        return;
    const std::string path = options_.bundleFolder + "/" + kFirstRunTab;
    std::vector<uint8_t> bytes;
    try {
        bytes = fileManager_->loadDataFile(path);
    } catch (const std::exception&) {
        std::printf("The first tab %s is missing\n", path.c_str());
        return;
    }
    if (!fileManager_->loadTabFromBuffer(bytes.data(), bytes.size()))
        std::printf("Could not load the first tab %s (%s)\n", path.c_str(),
                    fileManager_->lastFailure().c_str());
}

// ---------------------------------------------------------------------------
// Navigation

View* Strumwell::existingScreen(int screenNo) const {
    if (screenNo < kFirstScreen || screenNo > kLastScreen)
        return nullptr;
    return screens_->byNumber[screenNo].get();
}

int Strumwell::shownScreen() const {
    if (!transitionView_ || transitionView_->subviews().empty())
        return kNoScreen;
    return getScreenNoFromObj(transitionView_->subviews().back());
}

void Strumwell::samplesArrived() {
    if (soundEngine_)
        soundEngine_->reloadWaitingSamples();
}

int Strumwell::getScreenNoFromObj(const View* screen) const {
    if (!screen)
        return kNoScreen;
    for (int n = kFirstScreen; n <= kLastScreen; ++n)
        if (screens_->byNumber[n].get() == screen)
            return n;
    return kNoScreen;
}

View* Strumwell::convertScreenNumberToViewId(int screenNo, int previousScreen) {
    if (screenNo < kFirstScreen || screenNo > kLastScreen)
        return nullptr;
    const ScreenEntry* entry = findScreenEntry(screenNo);
    if (!entry)
        return nullptr;
    std::unique_ptr<View>& slot = screens_->byNumber[screenNo];
    if (!slot) {
        if (const int first = ScreenCatalog::find(screenNo)->createFirst; first != kNoScreen)
            convertScreenNumberToViewId(first, previousScreen);
        ScreenEntry::Made made = entry->create(*this);
        slot = std::move(made.view);
        screens_->hosted[screenNo] = made.screen;
    }
    // Also right after creation.
    screens_->hosted[screenNo]->willAppear(previousScreen, currentGuitar());
    return slot.get();
}

void Strumwell::pushBackScreen(int screenNo) {
    if (noBackScreens_ < kMaxBackScreens) {
        backScreens_[noBackScreens_++] = screenNo;
        return;
    }
    for (int i = 0; i < kMaxBackScreens - 1; ++i)
        backScreens_[i] = backScreens_[i + 1];
    backScreens_[kMaxBackScreens - 1] = screenNo;
}

int Strumwell::popBackScreen() {
    if (noBackScreens_ == 0)
        return kMainMenu;
    return backScreens_[--noBackScreens_];
}

void Strumwell::transitionToView(int screenNo, View* from, bool rememberBack) {
    const int previous = getScreenNoFromObj(from);
    View* target = convertScreenNumberToViewId(screenNo, previous);
    if (!target)
        return; // names no screen: nothing changes, the back stack included
    const ScreenInfo* left = ScreenCatalog::find(previous);
    const ScreenInfo* entered = ScreenCatalog::find(screenNo);
    const bool siblings =
        left && left->backGroup != ScreenInfo::kNoBackGroup && left->backGroup == entered->backGroup;
    if (rememberBack && !siblings)
        pushBackScreen(previous);
    if (entered->slides)
        transitionView_->newSubview(target, TransitionType::MoveIn, TransitionDirection::FromLeft, 0.5);
    else
        transitionView_->newSubview(target, TransitionType::Fade, TransitionDirection::FromTop, 0.25);
}

int Strumwell::manualStartPage(int screenNo) const {
    return ManualPages::helpPage(screenNo);
}

void Strumwell::transitionBack(View* from) {
    const int previous = getScreenNoFromObj(from);
    const int target = popBackScreen();
    View* view = convertScreenNumberToViewId(target, previous);
    if (!view)
        view = convertScreenNumberToViewId(kMainMenu, previous);
    const ScreenInfo* left = ScreenCatalog::find(previous);
    if (left && left->slides)
        transitionView_->newSubview(view, TransitionType::Reveal, TransitionDirection::FromRight, 0.5);
    else
        transitionView_->newSubview(view, TransitionType::Fade, TransitionDirection::FromTop, 0.25);
}

Practice* Strumwell::practice() const {
    return recorder_.get();
}
