#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "recorder/Recorder.h"
#include "recorder/RecorderInternals.h"

// The song edits (the recorder screen's erase buttons and the check after a
// merge), the note-up index and the diagnostic listings.

using namespace recorder_internals;

// --------------------------------------------------------------- editing

void Recorder::eraseLastXNotes(int count) {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    mergeFinishedPassLocked();
    for (int k = 0; k < count && numNotes_ > 0; ++k) {
        // The last note played in real time, not the last in song time; among
        // equal creation times the earliest in the list.
        int best = -1;
        for (int i = 0; i < numNotes_; ++i) {
            const Note& n = notes_[static_cast<std::size_t>(i)];
            if (n.keyDown() && (best < 0 || n.created() > notes_[static_cast<std::size_t>(best)].created())) {
                best = i;
            }
        }
        if (best < 0) {
            break;
        }
        const int noteID = notes_[static_cast<std::size_t>(best)].noteID();
        notes_.erase(notes_.begin() + best);
        std::erase_if(pitchBends_, [noteID](const PitchChange& c) { return c.noteID() == noteID; });
        notes_.erase(std::remove_if(notes_.begin() + best, notes_.end(),
                                    [noteID](const Note& n) { return n.noteID() == noteID; }),
                     notes_.end());
        numNotes_ = static_cast<int>(notes_.size());
    }
    notesChangedLocked();
}

void Recorder::eraseLastOverdub() {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    mergeFinishedPassLocked();
    const int overdub = currentOverdubNo_;
    std::erase_if(pitchBends_, [overdub](const PitchChange& c) { return c.overdubNo() == overdub; });
    whammy_.eraseOverdub(overdub);
    wah_.eraseOverdub(overdub);
    std::size_t i = 0;
    while (i < notes_.size()) {
        const Note& n = notes_[i];
        if (n.keyDown() && n.overdubNo() == overdub) {
            const int noteID = n.noteID();
            notes_.erase(notes_.begin() + static_cast<std::ptrdiff_t>(i));
            for (std::size_t j = i; j < notes_.size(); ++j) {
                if (notes_[j].noteID() == noteID) {
                    notes_.erase(notes_.begin() + static_cast<std::ptrdiff_t>(j));
                    break;
                }
            }
        } else {
            ++i;
        }
    }
    notesChangedLocked();
    currentOverdubNo_ -= 1;
}

template <class Edit> void Recorder::editSong(const Edit& edit) {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    mergeFinishedPassLocked();
    edit();
}

void Recorder::eraseAllWahChanges(int guitar) {
    if (validGuitar(guitar)) {
        editSong([this, guitar] { wah_.clear(guitar); });
    }
}

void Recorder::eraseAllWhammyBarChanges(int guitar) {
    if (validGuitar(guitar)) {
        editSong([this, guitar] { whammy_.clear(guitar); });
    }
}

void Recorder::eraseWholeSong() {
    editSong([this] { eraseWholeSongLocked(); });
}

void Recorder::eraseWholeSongLocked() {
    notes_.clear();
    pitchBends_.clear();
    whammy_.eraseSong();
    wah_.eraseSong();
    notesChangedLocked();
    currentOverdubNo_ = 0;
    currentNoteNo_ = 0;
    currentNoteID_ = 0;
    currentPitchBendNo_ = 0;
}

void Recorder::sanityCheck() {
    Lock lock(mutex_);
    wakePlaybackThreadLocked();
    sanityCheckLocked();
}

void Recorder::sanityCheckLocked() {
    // Notes that name no sample. The position logged is the one the event has
    // once the earlier bad ones are gone.
    std::size_t kept = 0;
    for (std::size_t k = 0; k < notes_.size(); ++k) {
        if (notes_[k].sampleNo() == -1) {
            std::printf("SANITY CHECK FAILED:  SampleNo=-1 found for noteID=%d (postion %d).  Deleting it.\n",
                        notes_[k].noteID(), static_cast<int>(kept));
            continue;
        }
        if (kept != k) {
            notes_[kept] = notes_[k];
        }
        ++kept;
    }
    notes_.erase(notes_.begin() + static_cast<std::ptrdiff_t>(kept), notes_.end());

    // A note-down is an orphan when no later event carries its identifier.
    // Removing an orphan never changes the answer for an earlier note-down
    // (the events after it are untouched when it is looked at), so one
    // backward scan finds them all in linear time.
    std::vector<bool> orphan(notes_.size(), false);
    std::unordered_set<int> seenLater;
    for (std::size_t k = notes_.size(); k-- > 0;) {
        const Note& n = notes_[k];
        if (n.keyDown() && seenLater.count(n.noteID()) == 0) {
            orphan[k] = true;
        }
        seenLater.insert(n.noteID());
    }
    kept = 0;
    for (std::size_t k = 0; k < notes_.size(); ++k) {
        if (orphan[k]) {
            std::printf("SANITY CHECK FAILED:  Orphaned note for noteID=%d. Deleting it.\n",
                        notes_[k].noteID());
            continue;
        }
        if (kept != k) {
            notes_[kept] = notes_[k];
        }
        ++kept;
    }
    notes_.erase(notes_.begin() + static_cast<std::ptrdiff_t>(kept), notes_.end());
    std::fflush(stdout);
    notesChangedLocked();
}

int Recorder::getSampleNoForNoteID(int noteID) const {
    Lock lock(mutex_);
    for (const Note& n : currentOverdubNotesToAdd_) {
        if (n.keyDown() && n.noteID() == noteID) {
            return n.sampleNo();
        }
    }
    for (const Note& n : notes_) {
        if (n.keyDown() && n.noteID() == noteID) {
            return n.sampleNo();
        }
    }
    return -1;
}

void Recorder::notesChangedLocked() {
    numNotes_ = static_cast<int>(notes_.size());
    // One backward scan: the position last seen for an identifier is the
    // first later event that carries it.
    noteUpIndex_.assign(notes_.size(), -1);
    std::unordered_map<int, int> nextWithID;
    nextWithID.reserve(notes_.size());
    for (std::size_t k = notes_.size(); k-- > 0;) {
        const auto [it, first] = nextWithID.try_emplace(notes_[k].noteID(), static_cast<int>(k));
        if (!first) {
            noteUpIndex_[k] = it->second;
            it->second = static_cast<int>(k);
        }
    }
}
