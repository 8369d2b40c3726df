#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "storage/ChordLibrary.h"

namespace {

using Frets = ChordLibrary::Frets;

// Pitch class (A = 0) of a key's name, as a musician reads it.
int pitchClassOf(std::string_view name) {
    const int natural[] = {0, 2, 3, 5, 7, 8, 10}; // A B C D E F G
    if (name.empty() || name[0] < 'A' || name[0] > 'G')
        return -1;
    return (natural[name[0] - 'A'] + (name.size() > 1 && name[1] == '#' ? 1 : 0)) % 12;
}

// The intervals above the root (hexadecimal digits) that a chord type may sound.
const std::map<std::string_view, std::string_view> kIntervals = {
    {"maj", "047"},     {"7", "047a"},  {"9", "0247a"},    {"11", "02457a"}, {"13", "024579a"},
    {"5", "07"},        {"m", "037"},   {"m7", "037a"},    {"m9", "0237a"},  {"m11", "02357a"},
    {"m13", "023579a"}, {"aug", "048"}, {"maj9", "0247b"}, {"sus2", "027"},  {"sus4", "057"},
    {"7sus4", "057a"},  {"6", "0479"},  {"6/9", "02479"}};

TEST(ChordLibrary, EveryShapeSoundsOnlyNotesOfItsChordAndItsRoot) {
    const int openStrings[6] = {7, 0, 5, 10, 2, 7}; // E A D G B E, low E first
    std::set<int> keys;
    ASSERT_EQ(ChordLibrary::chordData().size(), 216u);
    for (int t = 0; t < ChordLibrary::kNumTypes; ++t)
        for (int k = 0; k < ChordLibrary::kNumKeys; ++k) {
            SCOPED_TRACE(testing::Message() << ChordLibrary::keyName(k) << ChordLibrary::typeName(t));
            const Frets frets = ChordLibrary::fretsForChord(k, t);
            EXPECT_EQ(ChordLibrary::fretString(k, t), ChordLibrary::chordData()[size_t(k + 12 * t)]);
            const int root = pitchClassOf(ChordLibrary::keyName(k));
            keys.insert(root);
            ASSERT_EQ(kIntervals.count(ChordLibrary::typeName(t)), 1u);
            // The m13 shapes of C# and D# repeat A#'s shape: the table keeps them as listed.
            if (t == 10 && (k == 4 || k == 6)) {
                EXPECT_EQ(frets, ChordLibrary::fretsForChord(1, 10));
                continue;
            }
            std::set<int> sounded;
            for (int s = 0; s < 6; ++s) {
                EXPECT_GE(frets[s], -1);
                EXPECT_LE(frets[s], 9);
                if (frets[s] >= 0)
                    sounded.insert((openStrings[s] + frets[s] - root + 12) % 12);
            }
            EXPECT_EQ(sounded.count(0), 1u);
            for (int interval : sounded)
                EXPECT_NE(kIntervals.at(ChordLibrary::typeName(t)).find("0123456789ab"[interval]),
                          std::string::npos);
        }
    EXPECT_EQ(keys.size(), 12u); // every key name is a different note
}

TEST(ChordLibrary, OutOfRangeAndDamagedTextGiveNothing) {
    for (auto [key, type] : {std::pair{-1, 0}, {12, 0}, {0, -1}, {0, 18}}) {
        EXPECT_EQ(ChordLibrary::chordIndex(key, type), -1);
        EXPECT_EQ(ChordLibrary::fretString(key, type), "");
        EXPECT_EQ(ChordLibrary::fretsForChord(key, type), (Frets{-1, -1, -1, -1, -1, -1}));
    }
    EXPECT_EQ(ChordLibrary::chordIndex(11, 17), 215);
    EXPECT_EQ(ChordLibrary::keyName(12), "");
    EXPECT_EQ(ChordLibrary::keyName(-1), "");
    EXPECT_EQ(ChordLibrary::typeName(-1), "");
    EXPECT_EQ(ChordLibrary::typeName(18), "");
    Frets frets{7, 7, 7, 7, 7, 7};
    for (const char* bad : {"", "x0222", "x022200", "x0222a", "X02220", "-02220", "/02220", ":02220"})
        EXPECT_FALSE(ChordLibrary::parseFretString(bad, frets)) << bad;
    EXPECT_EQ(frets, (Frets{7, 7, 7, 7, 7, 7}));
    EXPECT_TRUE(ChordLibrary::parseFretString("9x1234", frets));
    EXPECT_EQ(frets, (Frets{9, -1, 1, 2, 3, 4}));
}

TEST(ChordLibraryPanel, BandsAndRowsNameEveryKeyAndType) {
    // Keys run back along the first row and forward along the second; type
    // rows start at 0, 6 and 12 and also run back along the bands.
    const float borders[] = {91, 126, 163, 201, 238, 274, 310};
    for (int b = 0; b < 6; ++b)
        for (float x : {borders[b] + (b == 0 ? 0.1f : 0.0f), borders[b + 1] - 0.1f}) {
            SCOPED_TRACE(testing::Message() << "x " << x);
            EXPECT_EQ(ChordLibrary::keyAtPoint(x, 108.1f), 5 - b);
            EXPECT_EQ(ChordLibrary::keyAtPoint(x, 168.9f), 5 - b);
            EXPECT_EQ(ChordLibrary::keyAtPoint(x, 169), 6 + b);
            EXPECT_EQ(ChordLibrary::keyAtPoint(x, 225.9f), 6 + b);
            EXPECT_EQ(ChordLibrary::typeAtPoint(x, 226.1f), 5 - b);
            EXPECT_EQ(ChordLibrary::typeAtPoint(x, 288.9f), 5 - b);
            EXPECT_EQ(ChordLibrary::typeAtPoint(x, 289), 11 - b);
            EXPECT_EQ(ChordLibrary::typeAtPoint(x, 344.9f), 11 - b);
            EXPECT_EQ(ChordLibrary::typeAtPoint(x, 345), 17 - b);
            EXPECT_EQ(ChordLibrary::typeAtPoint(x, 406.9f), 17 - b);
        }
    for (auto [x, y] : {std::pair{91.f, 130.f}, {310.f, 130.f}, {200.f, 108.f}, {200.f, 226.f}})
        EXPECT_EQ(ChordLibrary::keyAtPoint(x, y), -1) << x << "," << y;
    for (auto [x, y] : {std::pair{91.f, 300.f}, {310.f, 300.f}, {200.f, 226.f}, {200.f, 407.f}})
        EXPECT_EQ(ChordLibrary::typeAtPoint(x, y), -1) << x << "," << y;
}

} // namespace
