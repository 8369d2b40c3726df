#pragma once
#include <string>

#include "system/Geometry.h"

class View;
class Performer;
class SoundEngine;
class MainThreadQueue;
class MidiLink;
class Practice;
class SongOptions;
struct MidiSettings;

// What a screen or a guitar may ask of the application that shows it: the
// frame it fills, the current guitar, moving to another screen, the main
// thread's queue and a few application-wide actions. Screens know the
// application only through this, so they never include app/.
//
// Threads: UI thread only, except currentGuitar() and mainThreadQueue(),
// which any thread may call.
class ScreenHost {
public:
    // Screen numbers.
    enum ScreenNo : int {
        kNoScreen = -1,
        kTabGuitar = 1,
        kTabGuitarSetup = 2,
        kDelayEffectSetup = 4,
        kManualFretGuitar = 5,
        kHammerOnGuitar = 6,
        kMainMenu = 7,
        kChooseGuitar = 8,
        kSetupMenu = 9,
        kEffectsSetupMenu = 10,
        kGuitarPatchMenu = 11,
        kFuzzEffectSetup = 12,
        kScaleGuitar = 13,
        kTabGuitarLoadSave = 14,
        kRecorder = 15,
        kManual = 16,
        kAppSetup = 17,
        kWahEffectSetup = 18,
        kPractice = 19,
    };

    virtual Rect frame() const = 0;

    virtual int currentGuitar() const = 0;
    virtual void setCurrentGuitar(int guitar) = 0;
    virtual void incCurrentGuitar() = 0;

    // Shows screen screenNo in place of from; rememberBack puts from on the
    // back stack first.
    virtual void transitionToView(int screenNo, View* from, bool rememberBack) = 0;
    // Returns from `from` to the screen on top of the back stack.
    virtual void transitionBack(View* from) = 0;
    // The manual page to open when the manual is called from screen screenNo,
    // or -1 when that screen has none (the manual then stays where it was).
    virtual int manualStartPage(int screenNo) const = 0;

    virtual MainThreadQueue& mainThreadQueue() = 0;
    // Null until launch.
    virtual SoundEngine* soundEngine() const = 0;
    // What turns the screens' gestures into sound and the song; null until
    // launch (and in hosts of screens tested alone).
    virtual Performer* performer() const { return nullptr; }
    virtual const std::string& documentsFolder() const = 0;
    virtual const std::string& bundleFolder() const = 0;

    // Writes the app's own settings so they are read back at the next launch.
    virtual void saveAppSettings() = 0;
    virtual void visitWebsite() = 0;
    // A short message in a box with OK, for a screen that has no box of its
    // own (the playing screens).
    virtual void showNotice(const std::string& message) { (void)message; }
    // Shows `folder` in the desktop's file manager; false when the desktop
    // has none to start. With an empty folder it only answers whether it
    // could, opening nothing.
    virtual bool openFolder(const std::string& folder) {
        (void)folder;
        return false;
    }

    // Live MIDI, or null when the program has none (screens tested alone).
    virtual MidiLink* midi() const { return nullptr; }
    // Applies how Strumwell talks MIDI and keeps it with the app's settings
    // (written at once, so a crash loses nothing).
    virtual void setMidiSettings(const MidiSettings& settings) { (void)settings; }
    // The player asks for the sound output to be brought back now; returns
    // the line that answers the press.
    virtual std::string reconnectSound() { return std::string(); }
    // The sound output's latency as a line for the player ("Output latency
    // 12 ms"); empty when there is no output.
    virtual std::string soundOutputText() const { return std::string(); }
    // Loop, speed, trainer and metronome of song playback; null in hosts of
    // screens tested alone.
    virtual Practice* practice() const { return nullptr; }
    // Each guitar's tuning and capo and the song's beat; null in hosts of
    // screens tested alone.
    virtual SongOptions* songOptions() const { return nullptr; }
    // The fretboards mirrored for a left-handed player; the setter keeps it
    // with the app's settings (written at once).
    virtual bool leftHanded() const { return false; }
    virtual void setLeftHanded(bool on) { (void)on; }

protected:
    ~ScreenHost() = default;
};
