#include <algorithm>

#include "recorder/Recorder.h"
#include "recorder/RecorderInternals.h"

// The song taken from and given to the file manager as a plain value; the
// bytes are the storage's business.

using namespace recorder_internals;

Song Recorder::snapshot() {
    Lock lock(mutex_);
    mergeFinishedPassLocked();
    Song song;
    SongEvents& e = song.events.emplace();
    e.currentNoteID = currentNoteID_;
    const auto n = static_cast<std::size_t>(std::min(numNotes_, static_cast<int>(notes_.size())));
    e.notes.assign(notes_.begin(), notes_.begin() + static_cast<std::ptrdiff_t>(n));
    e.pitchBends = pitchBends_;
    for (int g = 0; g < kGuitars; ++g) {
        e.whammy[static_cast<std::size_t>(g)] = whammy_.song(g);
        e.wah[static_cast<std::size_t>(g)] = wah_.song(g);
    }
    return song;
}

int Recorder::loadRoom() const {
    Lock lock(mutex_);
    return loadRoomLocked();
}

int Recorder::loadRoomLocked() const {
    return std::max(0, restoredEventLimit_ - static_cast<int>(currentOverdubNotesToAdd_.size()));
}

void Recorder::load(const Song& song) {
    if (!song.events) {
        return;
    }
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    mergeFinishedPassLocked();
    eraseWholeSongLocked();
    SongEvents e = *song.events;
    // The song and the pass being recorded stay within the limit together.
    e.keepFirstNoteEvents(static_cast<std::size_t>(loadRoomLocked()));
    eventsLeftOutOnLoad_ = e.eventsLeftOut;
    currentNoteID_ = e.currentNoteID;
    const double now = clock_.now();
    notes_ = std::move(e.notes);
    for (Note& n : notes_) {
        n.setCreated(now);
        n.setPlaylistNo(Note::kNoVoice);
        if (n.keyDown()) {
            n.setOverdubNo(currentOverdubNo_);
        }
    }
    notesChangedLocked();
    pitchBends_ = std::move(e.pitchBends);
    for (int g = 0; g < kGuitars; ++g) {
        whammy_.setSong(g, std::move(e.whammy[static_cast<std::size_t>(g)]));
        std::vector<WahChange>& wah = e.wah[static_cast<std::size_t>(g)];
        // A song made by hand may hold any value; the recorder plays only the tilt's range.
        std::transform(wah.begin(), wah.end(), wah.begin(), [](const WahChange& c) {
            return WahChange(c.time(), SongEvents::heldWah(c.pitch()), c.overdubNo());
        });
        wah_.setSong(g, std::move(wah));
    }
}

int Recorder::eventsLeftOutOnLoad() const {
    Lock lock(mutex_);
    return eventsLeftOutOnLoad_;
}
