#pragma once
// A headless run of the whole application for the screen tests, past its
// welcome message, with taps, keys and screen changes that wait for the
// screens to settle.

#include "support/HeadlessApp.h"
#include "toolkit/AlertView.h"
#include "toolkit/Key.h"

namespace screens_test {

class InAppRun {
public:
    // An empty `bundle` means an empty one of the run's own.
    explicit InAppRun(const std::string& bundle = std::string()) : run(folders, clock, bundle) {
        if (AlertView* alert = run.app().currentAlert())
            alert->pressButton(); // the welcome message
        settle();
    }
    // Lets any screen change or fade finish (the slowest takes 0.5 s).
    // Frames are costly without a graphics card, so the clock moves in big steps.
    void settle() {
        for (int i = 0; i < 8; ++i) {
            clock.advance(0.1);
            run.app().runFrames(1);
            if (!run.shell().transitionView()->isTransitioning() && View::runningAnimationCount() == 0)
                break;
        }
    }
    void touch(TouchPhase phase, Point p) {
        run.app().injectTouch(1, phase, p);
        run.app().runFrames(1);
    }
    void tap(Point p) {
        touch(TouchPhase::Began, p);
        touch(TouchPhase::Ended, p);
        settle();
    }
    void key(Key k) {
        const KeyEvent e{.key = k, .name = {}};
        for (bool down : {true, false}) {
            run.app().injectKey(e, down);
            run.app().runFrames(1);
        }
        settle();
    }
    void go(int screen) {
        run.shell().transitionToView(screen, run.shownScreen(), true);
        settle();
    }
    int shown() const { return run.shownScreenNo(); }
    Application& app() { return run.app(); }
    Strumwell& shell() { return run.shell(); }

    testsupport::AppFolders folders;
    ManualClock clock{100.0};
    testsupport::HeadlessApp run;
};

} // namespace screens_test
