#include "app/Strumwell.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/TransitionView.h"
#include "audio/SoundEngine.h"
#include "guitars/HammerOnGuitarView.h"
#include "guitars/ManualFretAndPluckGuitarView.h"
#include "guitars/ScaleGuitarView.h"
#include "guitars/TabGuitarSetupView.h"
#include "guitars/TabGuitarView.h"
#include "platform/AlertView.h"
#include "platform/Application.h"
#include "platform/SdlAudioOutput.h"
#include "platform/core/Folders.h"
#include "platform/core/MainThreadQueue.h"
#include "recorder/Recorder.h"
#include "screens/ChooseGuitarView.h"
#include "screens/DelayEffectSetupView.h"
#include "screens/FuzzEffectSetupView.h"
#include "screens/ManualView.h"
#include "screens/MenuAppSetupView.h"
#include "screens/MenuEffectsSetupView.h"
#include "screens/MenuMainView.h"
#include "screens/MenuSetupGuitarPatchView.h"
#include "screens/MenuSetupView.h"
#include "screens/RecorderView.h"
#include "screens/TabGuitarLoadSaveView.h"
#include "screens/WahEffectSetupView.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"

namespace fs = std::filesystem;

namespace {
constexpr int kFirstScreen = 1;
constexpr int kLastScreen = 18;
constexpr const char* kStateFile = "system.state";
constexpr const char* kWelcomeTitle = "Welcome to Strumwell";
constexpr const char* kWelcomeMessage =
    "Enjoy playing! For drums to jam along with, look out for Strumwell's companion, the Beatwell drum kit.";
} // namespace

// One slot per screen number; a screen is created the first time it is shown
// and kept for the rest of the run.
struct Strumwell::Screens {
    std::unique_ptr<View> byNumber[kLastScreen + 1];
    MenuMainView* mainMenu = nullptr;
};

Strumwell::Strumwell() : Strumwell(Options{}) {}

Strumwell::Strumwell(Options options) : options_(std::move(options)), screens_(std::make_unique<Screens>()) {}

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
    if (soundEngine_)
        soundEngine_->setRecorder(nullptr);
    fileManager_.reset();
    recorder_.reset();
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
    if (!Folders::ensureFolder(libraryCachesFolder_))
        std::printf("Cannot create the caches folder %s\n", libraryCachesFolder_.c_str());
    if (options_.bundleFolder.empty())
        options_.bundleFolder =
            application.bundleFolder().empty() ? Folders::findBundleFolder() : application.bundleFolder();

    // The engine loads the noises and starts the output; the recorder's
    // playback thread starts with it.
    audioOutput_ = std::make_unique<SdlAudioOutput>();
    soundEngine_ = std::make_unique<SoundEngine>(this, audioOutput_.get(), &application.accelerometer(),
                                                 options_.bundleFolder);
    recorder_ = std::make_unique<Recorder>(this, soundEngine_.get());
    soundEngine_->setRecorder(recorder_.get());

    frame_ = Rect{0, 0, 320, 480};
    transitionView_ = new TransitionView(frame_);
    transitionView_->setUserInteractionEnabled(true);
    transitionView_->setMultipleTouchEnabled(true);
    application.rootView().addSubview(transitionView_);

    tab_ = std::make_unique<Tab>();
    fileManager_ =
        std::make_unique<FileManager>(tab_.get(), recorder_.get(), soundEngine_.get(), documentsFolder_);

    auto mainMenu = std::make_unique<MenuMainView>(this);
    screens_->mainMenu = mainMenu.get();
    transitionView_->addSubview(mainMenu.get());
    screens_->byNumber[kMainMenu] = std::move(mainMenu);

    fileManager_->removeStaleTemporaryFiles();
    // Defaults first, as `render` does: a state file whose sections this
    // build cannot read (a newer version) then leaves the defaults in place
    // rather than a fresh engine with no patch loaded.
    const bool crashed = previouslyCrashed();
    resetState();
    if (!crashed)
        loadState(kStateFile);

    testDisplayFirstTimeMessage();
    application.setIdleTimerDisabled(true);

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

void Strumwell::applicationWillTerminate(Application&) {
    if (fileManager_ && !saveState(kStateFile))
        std::printf("Could not save %s\n", kStateFile);
    removeCrashTestFlag();
    if (soundEngine_)
        soundEngine_->stop();
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
}

void Strumwell::incCurrentGuitar() {
    int g = currentGuitar() + 1;
    if (g > 1)
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
    // The playing screens that exist are told, in this order: Hammer-On,
    // Manual Fret, Tab Guitar, Scale Guitar.
    if (auto* v = static_cast<HammerOnGuitarView*>(existingScreen(kHammerOnGuitar)))
        v->playbackEnded();
    if (auto* v = static_cast<ManualFretAndPluckGuitarView*>(existingScreen(kManualFretGuitar)))
        v->playbackEnded();
    if (auto* v = static_cast<TabGuitarView*>(existingScreen(kTabGuitar)))
        v->playbackEnded();
    if (auto* v = static_cast<ScaleGuitarView*>(existingScreen(kScaleGuitar)))
        v->playbackEnded();
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

void Strumwell::visitWebsite() {
    if (application_)
        application_->openURL(kWebsite);
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
    bool seen = false;
    {
        std::ifstream in(firstRunMarkerPath(), std::ios::binary);
        std::error_code ec;
        if (in && fs::file_size(firstRunMarkerPath(), ec) == 4 && !ec) {
            unsigned char b[4] = {};
            in.read(reinterpret_cast<char*>(b), 4);
            const int32_t value =
                static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                     static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
            seen = in.gcount() == 4 && value > 0;
        }
    }
    if (!seen)
        showAlert(kWelcomeTitle, kWelcomeMessage, true);
    std::ofstream out(firstRunMarkerPath(), std::ios::binary | std::ios::trunc);
    const unsigned char one[4] = {1, 0, 0, 0};
    out.write(reinterpret_cast<const char*>(one), 4);
}

// ---------------------------------------------------------------------------
// Navigation

View* Strumwell::existingScreen(int screenNo) const {
    if (screenNo < kFirstScreen || screenNo > kLastScreen)
        return nullptr;
    return screens_->byNumber[screenNo].get();
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
    std::unique_ptr<View>& slot = screens_->byNumber[screenNo];
    if (!slot) {
        switch (screenNo) {
        case kMainMenu:
            slot = std::make_unique<MenuMainView>(this);
            break;
        case kChooseGuitar:
            slot = std::make_unique<ChooseGuitarView>(this);
            break;
        case kSetupMenu:
            slot = std::make_unique<MenuSetupView>(this);
            break;
        case kEffectsSetupMenu:
            slot = std::make_unique<MenuEffectsSetupView>(this);
            break;
        case kManual:
            slot = std::make_unique<ManualView>(this);
            break;
        case kManualFretGuitar:
            slot = std::make_unique<ManualFretAndPluckGuitarView>(this, soundEngine_.get());
            break;
        case kHammerOnGuitar:
            slot = std::make_unique<HammerOnGuitarView>(this, soundEngine_.get());
            break;
        case kScaleGuitar:
            slot = std::make_unique<ScaleGuitarView>(this, soundEngine_.get());
            break;
        case kDelayEffectSetup:
            slot = std::make_unique<DelayEffectSetupView>(this, soundEngine_.get());
            break;
        case kFuzzEffectSetup:
            slot = std::make_unique<FuzzEffectSetupView>(this, soundEngine_.get());
            break;
        case kWahEffectSetup:
            slot = std::make_unique<WahEffectSetupView>(this, soundEngine_.get());
            break;
        case kGuitarPatchMenu:
            slot = std::make_unique<MenuSetupGuitarPatchView>(this, soundEngine_.get());
            break;
        case kAppSetup:
            slot = std::make_unique<MenuAppSetupView>(this, soundEngine_.get());
            break;
        case kTabGuitar:
            slot = std::make_unique<TabGuitarView>(this, soundEngine_.get(), tab_.get());
            break;
        case kTabGuitarSetup:
            // The editor strums through the Tab Guitar's settings: that
            // screen exists first.
            convertScreenNumberToViewId(kTabGuitar, previousScreen);
            slot = std::make_unique<TabGuitarSetupView>(this, soundEngine_.get(), tab_.get());
            break;
        case kTabGuitarLoadSave:
            slot = std::make_unique<TabGuitarLoadSaveView>(this, soundEngine_.get(), fileManager_.get());
            break;
        case kRecorder:
            slot =
                std::make_unique<RecorderView>(this, soundEngine_.get(), fileManager_.get(), recorder_.get());
            break;
        default:
            // Screen 3 names no screen; the others are not part of this build yet.
            return nullptr;
        }
    }
    // What each screen does on arrival (also right after creation).
    switch (screenNo) {
    case kManual:
        static_cast<ManualView*>(slot.get())->setStartPageForScreen(previousScreen);
        break;
    case kManualFretGuitar:
        static_cast<ManualFretAndPluckGuitarView*>(slot.get())->redraw();
        break;
    case kHammerOnGuitar:
        static_cast<HammerOnGuitarView*>(slot.get())->redraw();
        break;
    case kScaleGuitar:
        static_cast<ScaleGuitarView*>(slot.get())->redraw();
        break;
    case kTabGuitar:
        static_cast<TabGuitarView*>(slot.get())->redraw();
        break;
    case kTabGuitarSetup:
        static_cast<TabGuitarSetupView*>(slot.get())->redraw();
        break;
    case kDelayEffectSetup:
        static_cast<DelayEffectSetupView*>(slot.get())->setCurrentGuitar(currentGuitar());
        break;
    case kFuzzEffectSetup:
        static_cast<FuzzEffectSetupView*>(slot.get())->setCurrentGuitar(currentGuitar());
        break;
    case kWahEffectSetup:
        static_cast<WahEffectSetupView*>(slot.get())->setCurrentGuitar(currentGuitar());
        break;
    case kGuitarPatchMenu:
        static_cast<MenuSetupGuitarPatchView*>(slot.get())->redraw();
        break;
    case kAppSetup:
        static_cast<MenuAppSetupView*>(slot.get())->redraw();
        break;
    default:
        break;
    }
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
    if (rememberBack)
        pushBackScreen(previous);
    if (screenNo == kManual)
        transitionView_->newSubview(target, TransitionType::MoveIn, TransitionDirection::FromLeft, 0.5);
    else
        transitionView_->newSubview(target, TransitionType::Fade, TransitionDirection::FromTop, 0.25);
}

void Strumwell::transitionBack(View* from) {
    const int previous = getScreenNoFromObj(from);
    const int target = popBackScreen();
    View* view = convertScreenNumberToViewId(target, previous);
    if (!view)
        view = convertScreenNumberToViewId(kMainMenu, previous);
    if (previous == kManual)
        transitionView_->newSubview(view, TransitionType::Reveal, TransitionDirection::FromRight, 0.5);
    else
        transitionView_->newSubview(view, TransitionType::Fade, TransitionDirection::FromTop, 0.25);
}
