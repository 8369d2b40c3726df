#pragma once
// A host for screens tested alone: a 320 x 480 frame, two guitars, no sound
// engine, and a record of the screens it was asked to show (-1 for back) and
// of the settings saves. Playback's practice controls and the song's options
// are whatever the test points them at (by default, options of its own).
#include <string>
#include <vector>

#include "recorder/SongOptions.h"
#include "system/Clock.h"
#include "system/MainThreadQueue.h"
#include "ui/ScreenHost.h"

namespace testsupport {

struct FakeScreenHost : ScreenHost {
    explicit FakeScreenHost(const Clock& clock = SystemClock::shared()) : queue(clock) {}
    Rect frame() const override { return {0, 0, 320, 480}; }
    int currentGuitar() const override { return guitar; }
    void setCurrentGuitar(int g) override { guitar = g; }
    void incCurrentGuitar() override { guitar = 1 - guitar; }
    void transitionToView(int screen, View*, bool) override { shown.push_back(screen); }
    void transitionBack(View*) override { shown.push_back(-1); }
    int manualStartPage(int) const override { return -1; }
    MainThreadQueue& mainThreadQueue() override { return queue; }
    SoundEngine* soundEngine() const override { return nullptr; }
    const std::string& documentsFolder() const override { return folder; }
    const std::string& bundleFolder() const override { return folder; }
    void saveAppSettings() override { ++saves; }
    void visitWebsite() override {}
    Practice* practice() const override { return practiceModel; }
    SongOptions* songOptions() const override { return options; }

    MainThreadQueue queue;
    std::string folder;
    SongOptions ownOptions;
    Practice* practiceModel = nullptr;
    SongOptions* options = &ownOptions;
    std::vector<int> shown;
    int guitar = 0, saves = 0;
};

} // namespace testsupport
