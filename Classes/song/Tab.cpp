#include "song/Tab.h"

#include "core/ByteReader.h"
#include "core/ByteWriter.h"
#include "core/StrumwellFailure.h"

namespace {

constexpr int kNumStrings = TablatureEntry::kNumStrings;

// A string outside the six is ignored.
void setFret(int32_t* frets, int string, int32_t fret) {
    if (string >= 0 && string < kNumStrings)
        frets[string] = fret;
}

} // namespace

Tab::Tab() {
    tab_.reserve(10);
}

bool Tab::notAtEndOfTab() const {
    return static_cast<uint32_t>(currentTabIndex_) < static_cast<uint32_t>(tab_.size());
}

const TablatureEntry& Tab::tabEntryAtCurrentIndex() const {
    return tabEntryAtIndex(currentTabIndex_);
}

const TablatureEntry& Tab::tabEntryAtIndex(int32_t index) const {
    // Callers guarantee a valid index; at() turns a broken promise into an
    // exception instead of a read outside the list.
    return tab_.at(static_cast<size_t>(static_cast<uint32_t>(index)));
}

void Tab::incrementTabPosition() {
    if (tab_.empty())
        return;
    ++currentTabIndex_;
    if (static_cast<uint32_t>(currentTabIndex_) > static_cast<uint32_t>(tab_.size() - 1))
        currentTabIndex_ = 0;
}

void Tab::decrementTabPosition() {
    --currentTabIndex_;
    if (currentTabIndex_ < 0)
        currentTabIndex_ = 0;
}

void Tab::addNotesToTab(int32_t index, const int32_t* frets) {
    TablatureEntry entry(frets);
    if (static_cast<uint32_t>(index) >= static_cast<uint32_t>(tab_.size()))
        tab_.push_back(entry);
    else
        tab_.insert(tab_.begin() + index, entry);
}

void Tab::addNoteToTab(int32_t index, int string, int32_t fret) {
    int32_t frets[kNumStrings] = {-1, -1, -1, -1, -1, -1};
    setFret(frets, string, fret);
    addNotesToTab(index, frets);
}

void Tab::addTwoNoteChordToTab(int32_t index, int string1, int32_t fret1, int string2, int32_t fret2) {
    int32_t frets[kNumStrings] = {-1, -1, -1, -1, -1, -1};
    setFret(frets, string1, fret1);
    setFret(frets, string2, fret2);
    addNotesToTab(index, frets);
}

void Tab::addThreeNoteChordToTab(int32_t index, int string1, int32_t fret1, int string2, int32_t fret2,
                                 int string3, int32_t fret3) {
    int32_t frets[kNumStrings] = {-1, -1, -1, -1, -1, -1};
    setFret(frets, string1, fret1);
    setFret(frets, string2, fret2);
    setFret(frets, string3, fret3);
    addNotesToTab(index, frets);
}

void Tab::addChordToTab(int32_t index, int32_t fret0, int32_t fret1, int32_t fret2, int32_t fret3,
                        int32_t fret4, int32_t fret5) {
    const int32_t frets[kNumStrings] = {fret0, fret1, fret2, fret3, fret4, fret5};
    addNotesToTab(index, frets);
}

void Tab::addNotesToTab(int32_t /*index*/, std::string_view fretString) {
    if (fretString.size() != static_cast<size_t>(kNumStrings))
        return;
    int32_t frets[kNumStrings];
    for (int s = 0; s < kNumStrings; ++s) {
        char c = fretString[static_cast<size_t>(s)];
        frets[s] = (c == 'x') ? -1 : static_cast<int32_t>(c) - static_cast<int32_t>('0');
    }
    addNotesToTab(-1, frets);
}

void Tab::deleteNotesFromTabAt(int32_t index) {
    if (static_cast<uint32_t>(index) < static_cast<uint32_t>(tab_.size()))
        tab_.erase(tab_.begin() + index);
}

void Tab::clearTab() {
    tab_.clear();
    currentTabIndex_ = 0;
}

std::vector<uint8_t> Tab::createSaveTabBuffer() const {
    ByteWriter w(4 + 6 * tab_.size());
    w.i32(static_cast<int32_t>(tab_.size()));
    for (const TablatureEntry& entry : tab_)
        for (int s = 0; s < kNumStrings; ++s)
            w.u8(static_cast<uint8_t>(entry.fret(s) & 0xFF));
    return w.take();
}

void Tab::restoreFromSaveTabBuffer(const uint8_t* data, size_t size, int32_t /*version*/) {
    clearTab();
    ByteReader r(data, size);
    if (!r.has(4))
        throw StrumwellFailure("TabFailure-1");
    const int32_t n = r.i32();
    // 64-bit: 4 + 6 * N cannot wrap, and a negative N passes and reads nothing.
    if (static_cast<int64_t>(size) < 4 + 6 * static_cast<int64_t>(n))
        throw StrumwellFailure("TabFailure-2");
    if (n <= 0)
        return;
    tab_.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        int32_t frets[kNumStrings];
        for (int s = 0; s < kNumStrings; ++s) {
            frets[s] = r.i8();
            if (frets[s] < kLowestFret || frets[s] > kHighestFret)
                throw StrumwellFailure("TabFailure-3");
        }
        addNotesToTab(-1, frets);
    }
}
