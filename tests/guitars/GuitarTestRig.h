#pragma once
// A real sound engine with no audio output and a recorder driven by hand, for
// the playing screens' tests. The recorder records from the start (unless
// asked not to), so that every note start, stop and bend a screen sends to the
// engine can be read back from the pass being recorded.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "audio/SoundEngine.h"
#include "platform/Touch.h"
#include "platform/core/Clock.h"
#include "recorder/Recorder.h"

namespace guitartest {

inline Touch touch(long id, TouchPhase phase, Point at, Point previous) {
    Touch t;
    t.id = id;
    t.phase = phase;
    t.location = at;
    t.previousLocation = previous;
    return t;
}
inline Touch down(long id, Point at) {
    return touch(id, TouchPhase::Began, at, at);
}
inline Touch move(long id, Point at, Point previous) {
    return touch(id, TouchPhase::Moved, at, previous);
}
inline Touch up(long id, Point at) {
    return touch(id, TouchPhase::Ended, at, at);
}

// An empty bundle folder of its own (no samples: voices start all the same).
class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("strumwell-guitars-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

struct Rig {
    explicit Rig(bool recording = true) {
        engine.setRecorder(&recorder);
        engine.setGuitarVolume(0, 1.0f);
        engine.setGuitarVolume(1, 1.0f);
        engine.setNumFretsToShow(5);
        engine.setPitchBendOn(0, true);
        engine.setPitchBendOn(1, true);
        if (recording)
            recorder.record();
    }
    ~Rig() { engine.setRecorder(nullptr); }

    // The note starts and stops of the pass so far, in order: "+S" for a
    // start of sample S at full volume, "+S@0.65" at another volume, "-S" for
    // the stop of a note of sample S.
    std::vector<std::string> log() const {
        std::vector<std::string> out;
        std::map<int, int> sampleOfNote;
        for (const Note& n : recorder.currentOverdubNotesToAdd()) {
            if (n.keyDown()) {
                sampleOfNote[n.noteID()] = n.sampleNo();
                std::string s = "+" + std::to_string(n.sampleNo());
                if (std::fabs(n.volume() - 1.0f) > 1e-6f) {
                    char v[16];
                    std::snprintf(v, sizeof v, "@%.2f", n.volume());
                    s += v;
                }
                out.push_back(s);
            } else {
                auto it = sampleOfNote.find(n.noteID());
                out.push_back("-" +
                              (it == sampleOfNote.end() ? std::string("?") : std::to_string(it->second)));
            }
        }
        return out;
    }
    // What happened since the last call.
    std::vector<std::string> fresh() {
        std::vector<std::string> all = log();
        std::vector<std::string> out(all.begin() + static_cast<long>(seen_), all.end());
        seen_ = all.size();
        return out;
    }
    // Bends so far: "S:half", "S:full" or "S:none" with the bent note's sample.
    std::vector<std::string> bends() const {
        std::map<int, int> sampleOfNote;
        for (const Note& n : recorder.currentOverdubNotesToAdd())
            if (n.keyDown())
                sampleOfNote[n.noteID()] = n.sampleNo();
        std::vector<std::string> out;
        for (const PitchChange& p : recorder.currentPitchBendsToAdd()) {
            std::string kind = "none";
            if (p.pitch() == SoundEngine::kFullBendPitch)
                kind = "full";
            else if (p.pitch() == SoundEngine::kHalfBendPitch)
                kind = "half";
            out.push_back(std::to_string(sampleOfNote[p.noteID()]) + ":" + kind);
        }
        return out;
    }

    // Ends the pass and merges it into the song.
    void stopAndMerge() {
        recorder.stop();
        recorder.runPlaybackPass();
        recorder.runPlaybackPass();
    }

    TempFolder bundle;
    ManualClock clock;
    SoundEngine engine{nullptr, nullptr, nullptr, bundle.path(), clock};
    Recorder recorder{nullptr, &engine, clock, false};

private:
    std::size_t seen_ = 0;
};

using Log = std::vector<std::string>;

} // namespace guitartest
