#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "core/GuitarId.h"
#include "song/TimeCompare.h"

// The recorded movements of one control (the whammy bar or the wah pedal):
// a time-sorted list per guitar in the song, the changes of the pass being
// recorded (each kept with the guitar it was made on), the playback position in each guitar's list and
// whether a guitar's live movements may act on the sound (only once its recorded ones have all played). The
// recorder keeps one for each control.
//
// Threads: only touched under the recorder's lock.
template <class Change> class ChangeList {
public:
    void reserve(std::size_t capacity) {
        for (int g = 0; g < kGuitars; ++g) {
            pass_[g].reserve(capacity);
            song_[g].reserve(capacity);
        }
    }

    // ---- Reading ----

    const std::vector<Change>& song(int guitar) const { return song_[guitar]; }
    const std::vector<Change>& pass(int guitar) const { return pass_[guitar]; }
    int position(int guitar) const { return position_[guitar]; }
    bool allowingLive(int guitar) const { return allowingLive_[guitar]; }
    float mostRecentValue() const { return mostRecent_; }
    // Changes in the song, both guitars.
    std::size_t size() const { return song_[0].size() + song_[1].size(); }

    // ---- Recording ----

    // True when `value` differs from the most recent one, which it becomes.
    bool takeNewValue(float value) {
        if (value == mostRecent_) {
            return false;
        }
        mostRecent_ = value;
        return true;
    }
    // The guitar the control now moves: the one its latest reading was for.
    void heldBy(int guitar) { holder_ = guitar; }
    void addToPass(double time, float value, int overdubNo) {
        pass_[holder_].emplace_back(time, value, overdubNo);
    }
    // The first note of a new song: its pass starts with the control where it
    // is now, whatever was moved before, on the guitar the note is played on
    // (on the one the control last moved when the note is no guitar's).
    void startSong(int overdubNo, int guitar) {
        if (validGuitar(guitar)) {
            holder_ = guitar;
        }
        for (auto& pass : pass_) {
            pass.clear();
        }
        pass_[holder_].emplace_back(0.0, mostRecent_, overdubNo);
    }
    // Adds the finished pass to the song, each change to the list of the
    // guitar it was made on.
    void mergePass() {
        for (int g = 0; g < kGuitars; ++g) {
            auto& list = song_[g];
            list.insert(list.end(), pass_[g].begin(), pass_[g].end());
            pass_[g].clear();
            sortByTime(list);
        }
    }

    // ---- Playback ----

    // Back to the start; a guitar with recorded movements follows them, and
    // its live movements wait until they have played.
    void rewind() {
        for (int g = 0; g < kGuitars; ++g) {
            position_[g] = 0;
            allowingLive_[g] = song_[g].empty();
        }
    }
    // Each guitar's position to its first change at or after `time` (a pass
    // of the loop); a guitar with none left allows live movements.
    void seek(double time) {
        for (int g = 0; g < kGuitars; ++g) {
            const auto& list = song_[g];
            const auto at = std::partition_point(list.begin(), list.end(),
                                                 [time](const Change& c) { return c.time() < time; });
            position_[g] = static_cast<int>(at - list.begin());
            allowingLive_[g] = at == list.end();
        }
    }
    void allowLiveChanges() { std::fill(std::begin(allowingLive_), std::end(allowingLive_), true); }
    // Hands every change that `due` says has fallen due to apply(guitar, value),
    // guitar 0 first. A guitar whose list has played out allows live movements.
    template <class Due, class Apply> void play(const Due& due, const Apply& apply) {
        for (int g = 0; g < kGuitars; ++g) {
            const auto& list = song_[g];
            auto pos = static_cast<std::size_t>(std::max(position_[g], 0));
            if (pos >= list.size()) {
                continue;
            }
            while (pos < list.size() && due(list[pos])) {
                apply(g, list[pos].pitch());
                ++pos;
            }
            position_[g] = static_cast<int>(pos);
            allowingLive_[g] = pos >= list.size();
        }
    }

    // ---- Editing ----

    void clear(int guitar) { song_[guitar].clear(); }
    // Empties both guitars' lists and rewinds.
    void eraseSong() {
        for (int g = 0; g < kGuitars; ++g) {
            song_[g].clear();
            position_[g] = 0;
        }
    }
    void eraseOverdub(int overdubNo) {
        for (auto& list : song_) {
            std::erase_if(list, [overdubNo](const Change& c) { return c.overdubNo() == overdubNo; });
        }
    }

    // ---- Loading ----

    // Replaces one guitar's list (a loaded song's).
    void setSong(int guitar, std::vector<Change> list) { song_[guitar] = std::move(list); }

private:
    std::vector<Change> song_[kGuitars];
    std::vector<Change> pass_[kGuitars];
    int holder_ = 0;
    int position_[kGuitars] = {};
    bool allowingLive_[kGuitars] = {};
    float mostRecent_ = 0.0f;
};
