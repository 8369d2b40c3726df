#pragma once
// The model's parent as the engine and recorder tests see it: a guitar they
// choose, a main-thread queue on their clock, and a record of the alerts shown
// and the song ends told.
#include <atomic>
#include <string>
#include <vector>

#include "audio/SoundEngineParent.h"
#include "system/Clock.h"
#include "system/MainThreadQueue.h"

class FakeParent : public SoundEngineParent {
public:
    explicit FakeParent(const Clock& clock) : queue_(clock) {}
    int currentGuitar() const override { return guitar.load(); }
    MainThreadQueue& mainThreadQueue() override { return queue_; }
    // "<title>: <message>", with " [OK]" when it has a button.
    void showAlert(const std::string& title, const std::string& message, bool okButton) override {
        alerts.push_back(title + ": " + message + (okButton ? " [OK]" : ""));
    }
    void playbackEnded() override { ++playbackEndedCalls; }

    std::atomic<int> guitar{0};
    std::atomic<int> playbackEndedCalls{0};
    std::vector<std::string> alerts; // read on the main thread only

private:
    MainThreadQueue queue_;
};
