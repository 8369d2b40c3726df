#include "song/Song.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

float SongEvents::heldWah(float value) {
    if (std::isnan(value))
        return kMaxWah;
    return std::clamp(value, kMinWah, kMaxWah);
}

void SongEvents::keepFirstNoteEvents(std::size_t limit) {
    if (notes.size() <= limit)
        return;
    std::unordered_set<int> cutOffIDs;
    for (std::size_t i = limit; i < notes.size(); ++i)
        cutOffIDs.insert(notes[i].noteID());
    eventsLeftOut += static_cast<int>(notes.size() - limit);
    notes.erase(notes.begin() + static_cast<std::ptrdiff_t>(limit), notes.end());
    // Backwards, so that `later` holds the identifiers of the kept events
    // after the one looked at.
    std::vector<bool> drop(notes.size(), false);
    std::unordered_set<int> later;
    for (std::size_t k = notes.size(); k-- > 0;) {
        const Note& n = notes[k];
        const bool hasLater = !later.insert(n.noteID()).second;
        drop[k] = n.keyDown() && !hasLater && cutOffIDs.count(n.noteID()) != 0;
    }
    std::size_t kept = 0;
    for (std::size_t k = 0; k < notes.size(); ++k)
        if (!drop[k])
            notes[kept++] = notes[k];
    notes.erase(notes.begin() + static_cast<std::ptrdiff_t>(kept), notes.end());
}

bool Song::operator==(const Song& other) const {
    return version == other.version && tab == other.tab && events == other.events &&
           tunings == other.tunings && timing == other.timing &&
           engine.has_value() == other.engine.has_value() &&
           (!engine || engine->write() == other.engine->write());
}
