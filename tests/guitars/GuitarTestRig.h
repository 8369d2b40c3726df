#pragma once
// The one fixture of the guitar screens' tests: a real sound engine with no
// audio output and a recorder driven by hand. The recorder records from the
// start (unless asked not to), so that every note start, stop and bend a
// screen sends to the engine can be read back from the pass being recorded.
// A headless window is there for the tests that need the application's own
// routing.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <map>
#include <span>
#include <vector>

#include "audio/SoundEngine.h"
#include "performer/Performer.h"
#include "recorder/Recorder.h"
#include "support/HeadlessApp.h"
#include "support/Touches.h"
#include "toolkit/HitTable.h"
#include "toolkit/Key.h"

namespace guitartest {

using Log = std::vector<std::string>;

using testsupport::down;
using testsupport::move;
using testsupport::up;

template <typename V> void hold(V& v, long id, Point p) {
    v.processTouches({down(id, p)});
}
template <typename V> void lift(V& v, long id, Point p) {
    v.processTouches({up(id, p)});
}
template <typename V> void tap(V& v, long id, Point p) {
    hold(v, id, p);
    lift(v, id, p);
}

inline KeyEvent key(Key k, bool shift = false) {
    return {.key = k, .name = {}, .shift = shift};
}

// A screen that notes where its shortcuts lead instead of asking a host.
// The middle of the area of a hit table that does `action`.
template <typename Action> Point centreOf(std::span<const HitArea<Action>> areas, Action action) {
    for (const HitArea<Action>& a : areas)
        if (a.action == action)
            return a.rect.center();
    ADD_FAILURE() << "no area";
    return {};
}

template <typename Screen> class Navigating : public Screen {
public:
    using Screen::Screen;
    std::vector<int> visited;

protected:
    void goToScreen(int screenNo) override { visited.push_back(screenNo); }
};

struct Rig {
    explicit Rig(bool recording = true) {
        engine.setGuitarVolume(0, 1.0f);
        engine.setNumFretsToShow(5);
        engine.setPitchBendOn(0, true);
        if (recording)
            recorder.record();
    }

    // The note starts and stops of the pass so far, in order: "+S" for a
    // start of sample S at full volume, "+S@0.65" at another volume, "-S" for
    // the stop of a note of sample S.
    Log log() const {
        Log out;
        const std::map<int, int> sample = samples();
        for (const Note& n : recorder.currentOverdubNotesToAdd())
            out.push_back(n.keyDown() ? "+" + std::to_string(n.sampleNo()) + volume(n.volume())
                                      : "-" + std::to_string(sample.at(n.noteID())));
        return out;
    }
    // What happened since the last call.
    Log fresh() {
        Log all = log();
        if (seen_ > all.size())
            seen_ = 0; // a new pass began
        Log out(all.begin() + static_cast<long>(seen_), all.end());
        seen_ = all.size();
        return out;
    }
    // Bends so far: "S:half", "S:full" or "S:none" with the bent note's sample.
    Log bends() const {
        const std::map<int, int> sample = samples();
        Log out;
        for (const PitchChange& p : recorder.currentPitchBendsToAdd())
            out.push_back(std::to_string(sample.at(p.noteID())) +
                          (p.pitch() == SoundEngine::kFullBendPitch   ? ":full"
                           : p.pitch() == SoundEngine::kHalfBendPitch ? ":half"
                                                                      : ":none"));
        return out;
    }
    // What the last steps were heard to do: fresh(), or for a screen that
    // strums chords, what the playback passes strummed (volumes left out).
    Log heard() {
        if (!strums)
            return fresh();
        strum();
        Log out;
        for (const std::string& e : fresh())
            out.push_back(e.substr(0, e.find('@')));
        return out;
    }
    // Lets the playback passes strum a whole chord (and act on any stop).
    void strum() {
        for (int k = 0; k < 8; ++k) {
            clock.advance(0.01);
            recorder.runPlaybackPass();
        }
    }

    bool strums = false;
    std::function<std::string()> state;                  // what a script step may check besides the notes
    std::map<long, Point> fingers;                       // where each finger of a script last was
    testsupport::TempFolder bundle{"strumwell-guitars"}; // no samples: voices start all the same
    ManualClock clock;
    SoundEngine engine{nullptr, nullptr, bundle.str(), clock};
    Recorder recorder{nullptr, &engine, clock, false};
    Performer performer{engine, recorder, nullptr, nullptr};

private:
    // The sample of each note started in the pass so far.
    std::map<int, int> samples() const {
        std::map<int, int> out;
        for (const Note& n : recorder.currentOverdubNotesToAdd())
            out.emplace(n.noteID(), n.sampleNo());
        return out;
    }
    static std::string volume(float v) {
        if (std::fabs(v - 1.0f) <= 1e-6f)
            return "";
        char text[16];
        std::snprintf(text, sizeof text, "@%.2f", v);
        return text;
    }
    std::size_t seen_ = 0;
};

// One step of a touch script: what finger `id` does at `at` ('h' holds it
// down, 'l' lifts it, 't' taps, 'm' moves it there from where it was), and
// the note starts and stops heard after it, and the rig's state when given.
struct Step {
    char op;
    long id;
    Point at;
    Log heard = {};
    std::string state = {};
};
template <typename V> void play(V& view, Rig& rig, std::initializer_list<Step> steps) {
    int n = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << ++n << ": " << s.op << s.id);
        if (s.op == 'h' || s.op == 't')
            view.processTouches({down(s.id, s.at)});
        if (s.op == 'm')
            view.processTouches({move(s.id, s.at, rig.fingers[s.id])});
        if (s.op == 'l' || s.op == 't')
            view.processTouches({up(s.id, s.at)});
        rig.fingers[s.id] = s.at;
        EXPECT_EQ(rig.heard(), s.heard);
        if (!s.state.empty()) {
            EXPECT_EQ(rig.state(), s.state);
        }
    }
}

// A headless application window on a manual clock.
struct Window {
    ManualClock clock{100.0};
    testsupport::TempFolder bundle{"strumwell-window"}; // no pictures: nothing here looks at them
    std::unique_ptr<Application> app;

    Window() {
        app = std::make_unique<Application>(testsupport::headlessOptions(clock, bundle.str()));
        std::string error;
        EXPECT_TRUE(app->initialize(&error)) << error;
    }
    void turn(int frames = 1) {
        for (int i = 0; i < frames; ++i) {
            clock.advance(1.0 / 60);
            app->runFrames(1);
        }
    }
    void press(Key k, bool isDown, bool shift = false) {
        app->injectKey(key(k, shift), isDown);
        turn();
    }
};

} // namespace guitartest
