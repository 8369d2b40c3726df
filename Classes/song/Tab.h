#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "song/TablatureEntry.h"

// The tablature played by the Tab Guitar and written by the tab editor: an
// ordered list of columns and one current position. One Tab lives for the
// whole run; the screens and the file manager share it.
//
// The position normally lies in 0 ... tabSize(); tabSize() means "past the
// last column" and -1 (moveToEndOfTab on an empty tab) names no column.
// Nothing here clamps a position given to setCurrentTabIndex; the screens do.
//
// Threads: every operation is for the UI thread only; the tab has no lock.
class Tab {
public:
    Tab();

    // --- Positions ---------------------------------------------------------
    // UI thread.
    int32_t tabSize() const { return static_cast<int32_t>(tab_.size()); }
    // UI thread. The columns, for read-only use.
    const std::vector<TablatureEntry>& tab() const { return tab_; }
    // UI thread.
    int32_t currentTabIndex() const { return currentTabIndex_; }
    // UI thread. Plain set, no clamping.
    void setCurrentTabIndex(int32_t index) { currentTabIndex_ = index; }
    // UI thread.
    void moveToStartOfTab() { currentTabIndex_ = 0; }
    // UI thread. The last column; -1 for an empty tab.
    void moveToEndOfTab() { currentTabIndex_ = tabSize() - 1; }
    // UI thread. True when the position names an existing column.
    bool notAtEndOfTab() const;
    // UI thread. Callers check notAtEndOfTab() first.
    const TablatureEntry& tabEntryAtCurrentIndex() const;
    // UI thread. Callers pass 0 ... tabSize() - 1.
    const TablatureEntry& tabEntryAtIndex(int32_t index) const;
    // UI thread. Next column, back to 0 after the last; nothing on an empty tab.
    void incrementTabPosition();
    // UI thread. Previous column, never below 0.
    void decrementTabPosition();

    // --- Editing (none of these moves the position) ------------------------
    // UI thread. Inserts a column before `index`, or appends it when the index
    // (taken as unsigned, so -1 too) is at or past the end.
    void addNotesToTab(int32_t index, const int32_t* frets);
    // UI thread. A column with one string played.
    void addNoteToTab(int32_t index, int string, int32_t fret);
    // UI thread. Two strings played; if both name the same string the second wins.
    void addTwoNoteChordToTab(int32_t index, int string1, int32_t fret1, int string2, int32_t fret2);
    // UI thread. Three strings played, later pairs winning.
    void addThreeNoteChordToTab(int32_t index, int string1, int32_t fret1, int string2, int32_t fret2,
                                int string3, int32_t fret3);
    // UI thread. The six frets of strings 0 to 5.
    void addChordToTab(int32_t index, int32_t fret0, int32_t fret1, int32_t fret2, int32_t fret3,
                       int32_t fret4, int32_t fret5);
    // UI thread. Parses a six-character fret string ("x02220") and always
    // appends the column, whatever the index. A string that is not six
    // characters long adds nothing.
    void addNotesToTab(int32_t index, std::string_view fretString);
    // UI thread. Removes the column at `index` if it exists.
    void deleteNotesFromTabAt(int32_t index);
    // UI thread. No columns, position 0.
    void clearTab();
    // UI thread. Same as clearTab(); used when a file or the state is reset.
    void resetState() { clearTab(); }

    // --- Tab section ---------------------------------------------------------
    // Layout: int32 N, then N columns of six signed bytes, string 0 first.
    // UI thread. A new buffer of exactly 4 + 6 * N bytes.
    std::vector<uint8_t> createSaveTabBuffer() const;
    // UI thread. Replaces the tab with the section's. Clears first; throws
    // StrumwellFailure "TabFailure-1" (shorter than 4 bytes), "TabFailure-2"
    // (shorter than 4 + 6 * N) or "TabFailure-3" (a fret outside -1 ... 22).
    // The version is accepted and unused: the section has one layout.
    // Reads nothing outside [data, data + size).
    void restoreFromSaveTabBuffer(const uint8_t* data, size_t size, int32_t version);

    static constexpr int32_t kLowestFret = -1;
    static constexpr int32_t kHighestFret = 22;

    bool operator==(const Tab&) const = default;

private:
    std::vector<TablatureEntry> tab_;
    int32_t currentTabIndex_ = 0;
};
