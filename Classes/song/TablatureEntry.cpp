#include "song/TablatureEntry.h"

TablatureEntry::TablatureEntry(const int32_t* frets) {
    for (int s = 0; s < kNumStrings; ++s)
        frets_[static_cast<std::size_t>(s)] = frets[s];
}

TablatureEntry::TablatureEntry(const std::array<int32_t, kNumStrings>& frets) : frets_(frets) {}

bool TablatureEntry::isChord() const {
    int played = 0;
    for (int32_t f : frets_)
        if (f != -1)
            ++played;
    return played > 1;
}
