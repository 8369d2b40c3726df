#pragma once
#include <array>
#include <atomic>
#include <mutex>
#include <string>

#include "core/GuitarId.h"
#include "song/GuitarTuning.h"
#include "song/Song.h"
#include "song/SongTiming.h"

// What the current song says about how it is played, beside its events:
// each guitar's tuning and capo, and the beat the metronome and the count-in
// follow. Saved with songs (all of it) and tabs (the tab guitar's tuning);
// the file manager fills a Song from it and loads one into it.
//
// The fretboards, the Tab Guitar, the tab editor and MIDI out read the
// tunings; the metronome and the count-in read the timing.
//
// Threads: any (a mutex guards the values; never called from the render
// thread). changes() lets a screen see cheaply whether to look again.
class SongOptions {
public:
    GuitarTuning tuning(int guitar) const;
    // Sets a guitar's tuning and capo when playable; else changes nothing and
    // returns the reason (GuitarTuning::problem()).
    std::string setTuning(int guitar, const GuitarTuning& tuning);

    SongTiming timing() const;
    // Held to the ranges of SongTiming (a tempo of 0 stays "none").
    void setTiming(const SongTiming& timing);

    // The guitar whose tuning a tab is saved with and loaded into: the
    // current guitar, which the application keeps here.
    int tabGuitar() const { return tabGuitar_.load(std::memory_order_relaxed); }
    void setTabGuitar(int guitar);

    // Copies the tunings and timing into a song to be saved, and back from a
    // loaded one (a tuning a file holds that is not playable is left
    // standard, so nothing unplayable ever reaches a screen).
    void fill(Song& song) const;
    void load(const Song& song);
    // A tab file's tuning (its tunings[0]) into the tab guitar, and the tab
    // guitar's tuning into a tab file's song.
    void fillTab(Song& song) const;
    void loadTab(const Song& song);

    // Counts every change; a reader that kept the old count knows to look again.
    unsigned changes() const { return changes_.load(std::memory_order_acquire); }

private:
    mutable std::mutex mutex_;
    std::array<GuitarTuning, kGuitars> tunings_{};
    SongTiming timing_;
    std::atomic<int> tabGuitar_{0};
    std::atomic<unsigned> changes_{0};
};
