#pragma once
#include <functional>

// The browser's side of the platform, beside what SDL already does there
// (the canvas, touches, keys, mouse):
// - runs the application's loop one turn per animation frame, since a page's
//   main thread may never block;
// - turns the device's motion sensor (devicemotion) into tilt readings;
// - tells the page when the first frame is drawn, lets the page's sample
//   fetcher say that a patch has arrived, and answers the page's tests
//   (voices sounding, frames drawn, the screen shown).
// The page's own script (web/pre.js) keeps the documents folder in the
// browser's storage and fetches the samples; this class only calls it.
//
// Threads: the browser's main thread only; the page calls the hooks there.
class WebPlatform {
public:
    struct Hooks {
        // One turn of the application's loop; false ends the run.
        std::function<bool()> turn;
        // Once, after the last turn.
        std::function<void()> finish;
        std::function<long()> framesDrawn;
        std::function<int()> playingVoices;
        std::function<int()> shownScreen;
        // Save what must outlive the page: called when it is hidden or goes
        // away (a reload, a closed tab, another app on the phone), and every
        // few seconds while frames are being drawn.
        std::function<void()> saveWork;
        // A patch's sample files are all in the bundle folder now.
        std::function<void()> samplesArrived;
        // The device's acceleration including gravity in m/s², along the
        // device's own axes (x right, y up the screen in its natural
        // orientation, z out of the screen): reads +9.81 on z lying face up.
        std::function<void(const float ms2[3])> deviceMotion;
    };

    // Starts the loop and returns; the browser calls each turn from then on.
    // Whatever the hooks refer to must live as long as the page.
    static void run(Hooks hooks);

    // The sample bank's gate: whether the patch's files (PREFIX1.wav ...)
    // are all in the bundle folder; when not, the page starts fetching them
    // and calls samplesArrived once they are.
    static bool patchSamplesReady(const char* prefix);
};
