#pragma once
// The recorder tests' one fixture: a recorder over a real engine (sine waves in
// the slots the songs use, no output) and a parent that counts what it is told,
// all in a temporary folder and, unless asked otherwise, on a manual clock with
// the playback passes run by the test.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "core/StrumwellFailure.h"
#include "performer/Performer.h"
#include "recorder/Recorder.h"
#include "storage/RecorderSection.h"
#include "support/FakeParent.h"
#include "support/SongBytes.h"
#include "support/TempFolder.h"
#include "system/Clock.h"

// printf-style text, for short descriptions.
template <class... T> std::string fmt(const char* format, T... values) {
    char text[96];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

struct Rig {
    testsupport::TempFolder folder{"strumwell-recorder"};
    ManualClock clock{500.0};
    const Clock& time;
    FakeParent parent{time};
    SoundEngine engine;
    Recorder rec;
    Performer perf{engine, rec, nullptr, nullptr}; // a player's notes, recorded
    double t0 = clock.now();                       // the start of the song being played or recorded

    // With `thread`, the recorder runs its own playback thread; with
    // `systemClock`, everything runs on real time.
    explicit Rig(bool thread = false, bool systemClock = false)
        : time(systemClock ? static_cast<const Clock&>(SystemClock::shared()) : clock),
          engine(&parent, nullptr, folder.str(), time), rec(&parent, &engine, time, thread) {
        // The slots the tests play (guitar 2's start at 48); real-time runs
        // play across the range.
        for (int slot : {2, 7, 10, 11, 12, 17, 21, 26, 50, 58, 74})
            engine.addSineWaveAtSlot(slot);
        for (int slot = 0; systemClock && slot < 96; slot += 5)
            engine.addSineWaveAtSlot(slot);
        for (int g = 0; g < 2; ++g) {
            engine.setPitchBendOn(g, false);
            engine.setWhammyBarAttached(g, false);
            engine.setWahOn(g, false);
        }
    }

    // A recorder section read as a load reads it, then handed to the recorder.
    void load(const Bytes& bytes, int version = 2) {
        Song song;
        if (SongVersion::recorderSectionKnown(version))
            song.events = RecorderSection::read(bytes.data(), bytes.size(), version, rec.loadRoom());
        rec.load(song);
    }
    // The recorder section a save writes now.
    Bytes saved(int version = 2) { return RecorderSection::write(*rec.snapshot().events, version); }
    void load(const SongBytes& song) { load(song.version2()); }
    // The failure's name, or "" when the load succeeded.
    std::string failureOf(const Bytes& bytes, int version) {
        try {
            load(bytes, version);
        } catch (const StrumwellFailure& f) {
            EXPECT_EQ(f.reason(), "") << "the recorder's failures are known by their name alone";
            return f.name();
        }
        return "";
    }
    void play() {
        t0 = clock.now();
        rec.play();
    }
    // Silence, then play from the start.
    static void replay(Rig& r) {
        r.engine.stopAllSoundsImmediately();
        r.play();
    }
    void record() {
        t0 = clock.now();
        rec.record();
    }
    // What a pass `seconds` after the start leaves to be heard and seen.
    std::string at(double seconds) {
        clock.set(t0 + seconds);
        rec.runPlaybackPass();
        return snapshot();
    }
    // The same `dt` seconds after the last pass.
    std::string after(double dt) { return at(clock.now() - t0 + dt); }
    // When the next pass is due, from the start: "never", "now" or seconds.
    std::string next() const {
        const double t = rec.nextPassTime();
        return std::isinf(t) ? (t > 0 ? "never" : "now") : fmt("%g", t - t0);
    }
    // "<state> e<song ends told>", " w<whammy 1>,<2> h<wah 1>,<2>" unless
    // both rest (bars at 0, pedals at 0.5), " L<whammy 1><2><wah 1><2>" (1
    // where live moves act) while playing unless all do, " s<string>" while a
    // strum runs, then each sounding voice as " <voice>:<note id>/<sample>",
    // with "x" once released and "^<pitch>" when bent, and with `showNext`
    // " ><next()>". The parent's queue runs after it is read.
    bool showNext = false;
    std::string snapshot() {
        std::string out =
            std::to_string(rec.getState()) + " e" + std::to_string(parent.playbackEndedCalls.load());
        const double pedals[] = {engine.whammy(0), engine.whammy(1), engine.wahForGuitar(0),
                                 engine.wahForGuitar(1)};
        if (pedals[0] != 0.0 || pedals[1] != 0.0 || pedals[2] != 0.5 || pedals[3] != 0.5)
            out += fmt(" w%g,%g h%g,%g", pedals[0], pedals[1], pedals[2], pedals[3]);
        const bool live[] = {rec.allowingLiveWhammyChanges(0), rec.allowingLiveWhammyChanges(1),
                             rec.allowingLiveWahChanges(0), rec.allowingLiveWahChanges(1)};
        if (rec.getState() != 0 && !(live[0] && live[1] && live[2] && live[3]))
            out += fmt(" L%d%d%d%d", live[0], live[1], live[2], live[3]);
        if (rec.currentStrumString() != -1)
            out += " s" + std::to_string(rec.currentStrumString());
        for (int v = 0; v < SoundEngine::kNumVoices; ++v) {
            const PlaylistVoiceState voice = engine.voiceState(v);
            if (!engine.voicePlaying(v))
                continue;
            out += fmt(" %d:%d/%d%s", v, voice.noteID, voice.sampleNo, voice.wantToStop ? "x" : "");
            if (voice.requiredPitch != 1.0f)
                out += fmt("^%g", double(voice.requiredPitch));
        }
        if (showNext)
            out += " >" + next();
        parent.mainThreadQueue().runPending();
        return out;
    }
    // A timeline's step: `act` (if any) runs, then a pass `at` seconds after
    // the start (kNoPass: none; kNextPass: just after the pass the recorder
    // asks for next), then the snapshot must read `expected` (unless null).
    static constexpr double kNoPass = -1.0, kNextPass = -2.0;
    struct Step {
        double at;
        std::function<void(Rig&)> act;
        const char* expected;
    };
    void run(std::initializer_list<Step> steps) {
        int n = 0;
        for (const Step& s : steps) {
            SCOPED_TRACE(fmt("step %d, at %g s", ++n, s.at));
            if (s.act)
                s.act(*this);
            const double when = s.at == kNextPass ? rec.nextPassTime() - t0 + 1e-6 : s.at;
            const std::string got = s.at == kNoPass ? snapshot() : at(when);
            if (s.expected != nullptr) {
                EXPECT_EQ(got, s.expected);
            }
        }
    }
    // Records and merges one pass 100 s after the last: each note is {sample,
    // start, length} from the start of the pass; `extra` runs after the
    // note-downs (bends, pedal moves).
    void pass(std::initializer_list<std::array<double, 3>> notes, const std::function<void()>& extra = {}) {
        clock.advance(100.0);
        const double start = clock.now();
        rec.record();
        std::vector<std::pair<double, int>> ups;
        for (const auto& n : notes) {
            clock.set(start + n[1]);
            ups.emplace_back(start + n[1] + n[2], rec.addPlayNote(static_cast<int>(n[0]), 1.0f, 0.0));
        }
        if (extra)
            extra();
        for (const auto& [t, id] : ups) {
            clock.set(t);
            rec.addStopNote(id);
        }
        rec.stop();
        rec.runPlaybackPass();
    }
    std::string song() const { return describe(rec.notes()); }
    std::string pending() const { return describe(rec.currentOverdubNotesToAdd()); }
    // The bends' note ids, the sizes of the whammy and wah lists, the overdub
    // number: "~1 ~2 w1,0 h1,1 o2".
    std::string changes() const {
        std::string out;
        for (const PitchChange& p : rec.pitchBends())
            out += "~" + std::to_string(p.noteID()) + " ";
        return out + fmt("w%zu,%zu h%zu,%zu o%d", rec.whammyBarChanges(0).size(),
                         rec.whammyBarChanges(1).size(), rec.wahChanges(0).size(), rec.wahChanges(1).size(),
                         rec.currentOverdubNo());
    }
    // Notes as "+<id>/<sample>@<time>" (down) or "-<id>@<time>" (up), each
    // with "o<overdub>" unless 0.
    static std::string describe(const std::vector<Note>& notes) {
        std::string out;
        for (const Note& n : notes)
            out += (n.keyDown() ? fmt(" +%d/%d@%g", n.noteID(), n.sampleNo(), n.time())
                                : fmt(" -%d@%g", n.noteID(), n.time())) +
                   (n.overdubNo() != 0 ? fmt("o%d", n.overdubNo()) : "");
        return out.empty() ? out : out.substr(1);
    }
};
