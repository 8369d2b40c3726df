#include <gtest/gtest.h>

#include <set>
#include <string>

#include "storage/ChordLibrary.h"

namespace {

using Frets = ChordLibrary::Frets;

TEST(ChordLibraryTable, HoldsTwelveKeysTimesEighteenTypes) {
    EXPECT_EQ(ChordLibrary::kNumChords, 216);
    EXPECT_EQ(ChordLibrary::chordData().size(), 216u);
}

TEST(ChordLibraryTable, EveryShapeIsAValidFretString) {
    for (std::size_t i = 0; i < ChordLibrary::chordData().size(); ++i) {
        const std::string_view s = ChordLibrary::chordData()[i];
        ASSERT_EQ(s.size(), 6u) << "entry " << i;
        Frets frets{};
        ASSERT_TRUE(ChordLibrary::parseFretString(s, frets)) << "entry " << i << " " << s;
        bool anyPlayed = false;
        for (int32_t f : frets) {
            EXPECT_GE(f, -1);
            EXPECT_LE(f, 9);
            anyPlayed = anyPlayed || f >= 0;
        }
        EXPECT_TRUE(anyPlayed) << "entry " << i;
    }
}

TEST(ChordLibraryTable, FirstAndLastShapeOfEveryType) {
    const char* const firstAndLast[18][2] = {
        {"x02220", "431114"}, {"x02020", "434142"}, {"x02423", "434344"}, {"x00000", "444344"},
        {"x02022", "434141"}, {"x022xx", "466xxx"}, {"x02210", "421144"}, {"x02010", "421442"},
        {"5x5557", "424344"}, {"x00010", "444444"}, {"x02012", "4x446x"}, {"x03221", "032110"},
        {"x02424", "43534x"}, {"x02200", "x11144"}, {"x02230", "xx1124"}, {"x02030", "xx1122"},
        {"x02222", "xx1111"}, {"x04420", "43334x"},
    };
    for (int t = 0; t < 18; ++t) {
        EXPECT_EQ(ChordLibrary::fretString(0, t), firstAndLast[t][0]) << "type " << t;
        EXPECT_EQ(ChordLibrary::fretString(11, t), firstAndLast[t][1]) << "type " << t;
    }
}

TEST(ChordLibraryTable, SampleOfShapesInsideTheTable) {
    struct Cell {
        int key, type;
        const char* shape;
    };
    const Cell cells[] = {
        {3, 0, "x32010"},  {5, 0, "xx0232"},  {7, 0, "022100"},  {10, 0, "320003"}, {8, 1, "101211"},
        {2, 1, "x21202"},  {9, 2, "212120"},  {6, 2, "xx1021"},  {7, 3, "000202"},  {8, 3, "111011"},
        {4, 4, "x43304"},  {6, 4, "x68688"},  {9, 4, "211320"},  {5, 5, "x577xx"},  {7, 5, "022xxx"},
        {3, 6, "x31043"},  {4, 6, "x42120"},  {3, 7, "x31313"},  {4, 7, "x42100"},  {9, 7, "202220"},
        {1, 8, "686669"},  {10, 8, "300331"}, {7, 9, "000000"},  {1, 10, "x1x123"}, {5, 10, "xx0411"},
        {3, 11, "x3211x"}, {9, 11, "xx0332"}, {8, 12, "10201x"}, {9, 12, "2x33x4"}, {4, 13, "xx112x"},
        {9, 13, "2xx122"}, {3, 14, "x3301x"}, {4, 14, "x46674"}, {3, 15, "3x331x"}, {7, 15, "x2223x"},
        {2, 16, "22110x"}, {8, 16, "13x23x"}, {4, 17, "x11121"}, {5, 17, "x54200"}, {7, 17, "02x122"},
    };
    for (const Cell& c : cells)
        EXPECT_EQ(ChordLibrary::fretString(c.key, c.type), c.shape) << "key " << c.key << " type " << c.type;
}

TEST(ChordLibraryTable, RepeatedCellsAreKeptAsListed) {
    // Some cells repeat another's shape; the table keeps them all.
    EXPECT_EQ(ChordLibrary::fretString(1, 10), "x1x123");
    EXPECT_EQ(ChordLibrary::fretString(4, 10), "x1x123");
    EXPECT_EQ(ChordLibrary::fretString(6, 10), "x1x123");
    EXPECT_EQ(ChordLibrary::fretString(5, 11), "xx0332");
    EXPECT_EQ(ChordLibrary::fretString(9, 11), "xx0332");
    std::set<std::string_view> distinct(ChordLibrary::chordData().begin(), ChordLibrary::chordData().end());
    EXPECT_LT(distinct.size(), 216u);
}

TEST(ChordLibraryTable, EntryIsKeyPlusTwelveTimesType) {
    EXPECT_EQ(ChordLibrary::chordIndex(0, 0), 0);
    EXPECT_EQ(ChordLibrary::chordIndex(3, 7), 87);
    EXPECT_EQ(ChordLibrary::chordIndex(11, 17), 215);
    EXPECT_EQ(ChordLibrary::chordData()[215], "43334x");
    EXPECT_EQ(ChordLibrary::chordData()[87], "x31313");
    for (int t = 0; t < 18; ++t)
        for (int k = 0; k < 12; ++k)
            EXPECT_EQ(ChordLibrary::fretString(k, t),
                      ChordLibrary::chordData()[static_cast<std::size_t>(k + 12 * t)]);
}

TEST(ChordLibraryTable, OutOfRangeKeysAndTypesGiveNothing) {
    EXPECT_EQ(ChordLibrary::chordIndex(-1, 0), -1);
    EXPECT_EQ(ChordLibrary::chordIndex(12, 0), -1);
    EXPECT_EQ(ChordLibrary::chordIndex(0, -1), -1);
    EXPECT_EQ(ChordLibrary::chordIndex(0, 18), -1);
    EXPECT_EQ(ChordLibrary::fretString(12, 17), "");
    EXPECT_EQ(ChordLibrary::fretsForChord(0, 18), (Frets{-1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(ChordLibrary::keyName(12), "");
    EXPECT_EQ(ChordLibrary::typeName(-1), "");
}

TEST(ChordLibraryNames, KeysAndTypesInIndexOrder) {
    const char* keys[] = {"A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"};
    const char* types[] = {"maj", "7",   "9",   "11",   "13",   "5",    "m",     "m7", "m9",
                           "m11", "m13", "aug", "maj9", "sus2", "sus4", "7sus4", "6",  "6/9"};
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(ChordLibrary::keyName(k), keys[k]);
    for (int t = 0; t < 18; ++t)
        EXPECT_EQ(ChordLibrary::typeName(t), types[t]);
}

TEST(ChordLibraryFrets, ShapesBecomeFrets) {
    EXPECT_EQ(ChordLibrary::fretsForChord(0, 0), (Frets{-1, 0, 2, 2, 2, 0}));
    EXPECT_EQ(ChordLibrary::fretsForChord(3, 7), (Frets{-1, 3, 1, 3, 1, 3}));
    EXPECT_EQ(ChordLibrary::fretsForChord(11, 17), (Frets{4, 3, 3, 3, 4, -1}));
    EXPECT_EQ(ChordLibrary::fretsForChord(6, 4), (Frets{-1, 6, 8, 6, 8, 8}));
    EXPECT_EQ(ChordLibrary::fretsForChord(0, 8), (Frets{5, -1, 5, 5, 5, 7}));
}

TEST(ChordLibraryFrets, ParseRejectsDamagedText) {
    Frets frets{7, 7, 7, 7, 7, 7};
    EXPECT_FALSE(ChordLibrary::parseFretString("", frets));
    EXPECT_FALSE(ChordLibrary::parseFretString("x0222", frets));
    EXPECT_FALSE(ChordLibrary::parseFretString("x022200", frets));
    EXPECT_FALSE(ChordLibrary::parseFretString("x0222a", frets));
    EXPECT_FALSE(ChordLibrary::parseFretString("X02220", frets));
    EXPECT_FALSE(ChordLibrary::parseFretString("-02220", frets));
    EXPECT_EQ(frets, (Frets{7, 7, 7, 7, 7, 7}));
    EXPECT_TRUE(ChordLibrary::parseFretString("xxxxxx", frets));
    EXPECT_EQ(frets, (Frets{-1, -1, -1, -1, -1, -1}));
    EXPECT_TRUE(ChordLibrary::parseFretString("901234", frets));
    EXPECT_EQ(frets, (Frets{9, 0, 1, 2, 3, 4}));
}

TEST(ChordLibraryPanel, KeysRunBackAlongTheFirstRowAndForwardAlongTheSecond) {
    const float bandX[6] = {100, 140, 180, 220, 260, 300};
    for (int b = 0; b < 6; ++b) {
        EXPECT_EQ(ChordLibrary::keyAtPoint(bandX[b], 130), 5 - b) << "band " << b;
        EXPECT_EQ(ChordLibrary::keyAtPoint(bandX[b], 200), 6 + b) << "band " << b;
    }
}

TEST(ChordLibraryPanel, BandAndRowBorders) {
    EXPECT_EQ(ChordLibrary::keyAtPoint(125.9f, 130), 5);
    EXPECT_EQ(ChordLibrary::keyAtPoint(126, 130), 4);
    EXPECT_EQ(ChordLibrary::keyAtPoint(163, 130), 3);
    EXPECT_EQ(ChordLibrary::keyAtPoint(201, 130), 2);
    EXPECT_EQ(ChordLibrary::keyAtPoint(238, 130), 1);
    EXPECT_EQ(ChordLibrary::keyAtPoint(274, 130), 0);
    EXPECT_EQ(ChordLibrary::keyAtPoint(100, 168.9f), 5);
    EXPECT_EQ(ChordLibrary::keyAtPoint(100, 169), 6);
    // Strict borders of the areas.
    EXPECT_EQ(ChordLibrary::keyAtPoint(91, 130), -1);
    EXPECT_EQ(ChordLibrary::keyAtPoint(310, 130), -1);
    EXPECT_EQ(ChordLibrary::keyAtPoint(200, 108), -1);
    EXPECT_EQ(ChordLibrary::keyAtPoint(200, 226), -1);
    EXPECT_EQ(ChordLibrary::typeAtPoint(200, 226), -1);
    EXPECT_EQ(ChordLibrary::typeAtPoint(310, 300), -1);
    EXPECT_EQ(ChordLibrary::typeAtPoint(200, 407), -1);
    EXPECT_EQ(ChordLibrary::typeAtPoint(91, 300), -1);
}

TEST(ChordLibraryPanel, TypeRowsStartAtZeroSixAndTwelve) {
    const float bandX[6] = {100, 140, 180, 220, 260, 300};
    const float rowY[3] = {250, 300, 380};
    for (int r = 0; r < 3; ++r)
        for (int b = 0; b < 6; ++b)
            EXPECT_EQ(ChordLibrary::typeAtPoint(bandX[b], rowY[r]), 6 * r + 5 - b) << r << "," << b;
    EXPECT_EQ(ChordLibrary::typeAtPoint(100, 288.9f), 5);
    EXPECT_EQ(ChordLibrary::typeAtPoint(100, 289), 11);
    EXPECT_EQ(ChordLibrary::typeAtPoint(300, 345), 12);
    EXPECT_EQ(ChordLibrary::typeAtPoint(300, 344.9f), 6);
}

TEST(ChordLibraryPanel, EveryKeyAndTypeHasAPlace) {
    std::set<int> keys, types;
    for (float x = 92; x < 310; x += 3)
        for (float y = 109; y < 407; y += 3) {
            if (int k = ChordLibrary::keyAtPoint(x, y); k >= 0)
                keys.insert(k);
            if (int t = ChordLibrary::typeAtPoint(x, y); t >= 0)
                types.insert(t);
        }
    EXPECT_EQ(keys.size(), 12u);
    EXPECT_EQ(types.size(), 18u);
    EXPECT_EQ(*keys.rbegin(), 11);
    EXPECT_EQ(*types.rbegin(), 17);
}

} // namespace
