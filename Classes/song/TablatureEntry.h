#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// One column of tablature: for each of the six strings (0 = low E ... 5 = high E)
// the fret held, 0 for the open string, or -1 for a string not played.
// An entry is set once at construction and never changed afterwards.
//
// Threads: UI thread (the tab is only used there).
class TablatureEntry {
public:
    static constexpr int kNumStrings = 6;

    // Copies the six frets, string 0 first.
    explicit TablatureEntry(const int32_t* frets);
    explicit TablatureEntry(const std::array<int32_t, kNumStrings>& frets);

    // The fret of one string; callers pass 0 to 5 only.
    int32_t fret(int string) const { return frets_[static_cast<std::size_t>(string)]; }
    // True when more than one string is played.
    bool isChord() const;
    const std::array<int32_t, kNumStrings>& frets() const { return frets_; }

    bool operator==(const TablatureEntry& other) const = default;

private:
    std::array<int32_t, kNumStrings> frets_{};
};
