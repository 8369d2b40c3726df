#pragma once
#include <string>

class MainThreadQueue;

// What the model objects (engine, recorder) need of the application that owns
// them. The application delegate implements it; tests and the offline
// renderer pass their own.
class SoundEngineParent {
public:
    virtual ~SoundEngineParent() = default;
    // Any thread. The guitar being played and set up, 0 or 1.
    virtual int currentGuitar() const = 0;
    // Any thread. The UI thread's queue (delayed calls, messages from other threads).
    virtual MainThreadQueue& mainThreadQueue() = 0;
    // UI thread. Shows an alert; okButton false gives an alert with no button.
    virtual void showAlert(const std::string& title, const std::string& message, bool okButton) = 0;
    // UI thread. A song finished playing (queued there by the playback thread).
    virtual void playbackEnded() = 0;
};
