#pragma once
#include <array>
#include <atomic>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "audio/SoundEngineParent.h"
#include "system/Geometry.h"
#include "toolkit/ApplicationDelegate.h"
#include "ui/ScreenHost.h"

class View;
class TransitionView;
class SoundEngine;
class Performer;
class Recorder;
class Tab;
class FileManager;
class MainThreadQueue;
class Application;
class AudioOutput;
class InstanceLock;
class MidiLink;
class MidiPorts;

// The application delegate: owns the model objects (engine, recorder, tab,
// file manager) and every screen, keeps the current guitar, the back stack and
// the crash flag, and moves between screens with animated transitions.
//
// One program per documents folder: a second one over the same folder says
// so and quits without reading or writing anything. A working state that
// cannot be loaded (after a crash the defaults are used; a damaged state
// cannot be read) is moved aside as a recovered song before the quit's save
// could replace it, and the player is told where it went.
//
// Threads: UI thread only, except currentGuitar() and mainThreadQueue(),
// which any thread may call.
class Strumwell : public ApplicationDelegate, public SoundEngineParent, public ScreenHost {
public:
    static constexpr int kMaxBackScreens = 5;

    struct Options {
        std::string documentsFolder; // empty: the default
        std::string cachesFolder;    // empty: the default
        std::string bundleFolder;    // empty: found beside the executable
        int startScreen = 0;         // 0: stay on the main menu
        std::string screenshotFile;  // non-empty: save a screenshot after start-up and quit
        // "sdl" (PipeWire, PulseAudio, ALSA through SDL; MIDI through
        // RtMidi) or "jack" (one JACK client for the sound and the MIDI).
        std::string audio = "sdl";
        // Draw the main menu before reading the saved state and its samples
        // (tens of megabytes), so the window shows at once. The state, the
        // start screen and the screenshot follow on the next turn.
        bool loadStateAfterFirstFrame = false;
        // The local date and time that names a recovered song (empty: the
        // system's).
        std::function<std::tm()> localTime;
    };

    Strumwell();
    explicit Strumwell(Options options);
    ~Strumwell() override;

    // ApplicationDelegate
    void applicationDidFinishLaunching(Application& application) override;
    void applicationWillTerminate(Application& application) override;
    void applicationDidReceiveMemoryWarning(Application& application) override;

    // SoundEngineParent and ScreenHost
    int currentGuitar() const override;
    MainThreadQueue& mainThreadQueue() override;
    void showAlert(const std::string& title, const std::string& message, bool okButton) override;
    void playbackEnded() override;

    // ScreenHost
    void setCurrentGuitar(int guitar) override;
    void incCurrentGuitar() override;
    Rect frame() const override { return frame_; }

    void resetState();
    void loadState(const std::string& fileName);
    // Whether the start-up state has been read (at once, or after the first
    // frame); until then nothing is saved over the user's state.
    bool startupStateLoaded() const { return startupStateLoaded_; }
    // False when the file could not be written (the old file is then whole).
    bool saveState(const std::string& fileName);
    // Writes the app's own settings (the output volume) to the documents
    // folder; they are read back at the next launch.
    void saveAppSettings() override;
    void visitWebsite() override;
    // As a file:/// address, through the browser launcher (xdg-open).
    bool openFolder(const std::string& folder) override;
    void showNotice(const std::string& message) override { showAlert("Recorder", message, true); }
    MidiLink* midi() const override { return midiLink_.get(); }
    // Sets the link's settings and writes AppSettings.txt at once.
    void setMidiSettings(const MidiSettings& settings) override;
    bool leftHanded() const override;
    void setLeftHanded(bool on) override;
    // JACK: connects now. SDL: its watcher already retries every 2 s.
    std::string reconnectSound() override;
    std::string soundOutputText() const override;
    SongOptions* songOptions() const override { return songOptions_.get(); }
    Practice* practice() const override;

    // False when another program holds the documents folder: this one then
    // does nothing but say so and quit.
    bool ownsDocumentsFolder() const;
    // Where the crash flag and the first-run marker live.
    std::string crashFlagPath() const;
    std::string firstRunMarkerPath() const;
    bool previouslyCrashed();
    void writeCrashTestFlag();
    void removeCrashTestFlag();
    // Shows the welcome message on the first run, and then puts the demo tab
    // "Demo - Open Chords" into an empty working tab.
    void testDisplayFirstTimeMessage();

    // Navigation.
    int getScreenNoFromObj(const View* screen) const;
    View* convertScreenNumberToViewId(int screenNo, int previousScreen);
    void pushBackScreen(int screenNo);
    int popBackScreen();
    void transitionToView(int screenNo, View* from, bool rememberBack) override;
    void transitionBack(View* from) override;
    int manualStartPage(int screenNo) const override;

    // Model objects (owned here; null until launch).
    SoundEngine* soundEngine() const override { return soundEngine_.get(); }
    Recorder* recorder() const { return recorder_.get(); }
    Performer* performer() const override { return performer_.get(); }
    Tab* tab() const { return tab_.get(); }
    FileManager* fileManager() const { return fileManager_.get(); }
    TransitionView* transitionView() const { return transitionView_; }
    Application* application() const { return application_; }
    const std::string& documentsFolder() const override { return documentsFolder_; }
    const std::string& libraryCachesFolder() const { return libraryCachesFolder_; }
    const std::string& bundleFolder() const override { return options_.bundleFolder; }
    int noBackScreens() const { return noBackScreens_; }
    const std::array<int, kMaxBackScreens>& backScreens() const { return backScreens_; }

    // The maker's web site, opened by visitWebsite().
    static constexpr const char* kWebsite = "https://github.com/strumwell/strumwell";

    // The screen object for a number if it has been created, else null.
    View* existingScreen(int screenNo) const;
    // The number of the screen on top (kNoScreen before launch).
    int shownScreen() const;
    // Saves the working state and the app's settings as the end of a run
    // does, and goes on: a web page can be closed at any moment with no end.
    void saveWorkingState();
    // Where samples arrive after start-up (the browser): a patch's files are
    // there now, so the guitars that waited for them load them.
    void samplesArrived();

private:
    void loadStartupStateAndFinish(bool crashed);
    bool startupStateLoaded_ = false;
    // A state that could be neither loaded nor moved aside is not saved over.
    bool keepStateFile_ = false;
    struct Screens;
    void finishStartupRequests();
    // The working state at launch: "system.state", or silently the defaults
    // when there is none yet; a file that fails to load is named.
    void loadStartupState();
    // Moves "system.state" aside as a recovered song before the quit's save
    // can replace it; its name, or empty when there was nothing to keep.
    std::string rescueState();
    // Opens the MIDI ports and applies the saved MIDI settings.
    void startMidi();
    // The sound output the options ask for; its news (a server lost or
    // back) reach the player in a message box.
    std::unique_ptr<AudioOutput> makeAudioOutput();
    void reportSoundServer(const std::string& line);
    // UI thread: hands the samples MIDI holds on the current guitar to the
    // playing screens (each redraws only what changed).
    void showMidiSounding();
    void refuseSecondInstance(Application& application);
    void putFirstRunTab();
    void takeScreenshotWhenSettled(int triesLeft);

    Options options_;
    Application* application_ = nullptr;
    Rect frame_{0, 0, 320, 480};
    TransitionView* transitionView_ = nullptr;
    std::unique_ptr<InstanceLock> instanceLock_;
    std::unique_ptr<AudioOutput> audioOutput_;
    std::unique_ptr<SoundEngine> soundEngine_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<Performer> performer_; // after the engine and recorder it plays into
    std::unique_ptr<MidiPorts> midiPorts_; // RtMidi's; null when the audio output has the ports
    MidiPorts* outputMidiPorts_ = nullptr; // the JACK output's, when it plays
    std::unique_ptr<MidiLink> midiLink_;
    // A redraw for MIDI's notes is already queued (set on the MIDI thread).
    std::atomic<bool> midiRedrawQueued_{false};
    std::unique_ptr<SongOptions> songOptions_;
    std::unique_ptr<FileManager> fileManager_;
    std::unique_ptr<Tab> tab_;
    std::unique_ptr<Screens> screens_;
    std::atomic<int> currentGuitar_{0};
    std::array<int, kMaxBackScreens> backScreens_{};
    int noBackScreens_ = 0;
    std::string documentsFolder_;
    std::string libraryCachesFolder_;
};
