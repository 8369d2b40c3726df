// Tab model, tab section writing and reading.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/StrumwellFailure.h"
#include "storage/Tab.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string failureCode(Tab& tab, const Bytes& b) {
    try {
        tab.restoreFromSaveTabBuffer(b.data(), b.size(), 2);
    } catch (const StrumwellFailure& f) {
        return f.name();
    }
    return "";
}

std::vector<int32_t> fretsOf(const TablatureEntry& e) {
    return {e.frets().begin(), e.frets().end()};
}

Tab threeColumns() {
    Tab t;
    t.addNotesToTab(-1, "000000");
    t.addNotesToTab(-1, "111111");
    t.addNotesToTab(-1, "222222");
    return t;
}

} // namespace

TEST(TablatureEntry, FretsAndChord) {
    const int32_t one[6] = {-1, -1, 3, -1, -1, -1};
    const int32_t two[6] = {-1, 0, 3, -1, -1, -1};
    const int32_t none[6] = {-1, -1, -1, -1, -1, -1};
    TablatureEntry a(one), b(two), c(none);
    EXPECT_EQ(a.fret(2), 3);
    EXPECT_EQ(a.fret(0), -1);
    EXPECT_FALSE(a.isChord());
    EXPECT_TRUE(b.isChord());
    EXPECT_FALSE(c.isChord());
}

TEST(TabPositions, StartsEmptyAtZero) {
    Tab t;
    EXPECT_EQ(t.tabSize(), 0);
    EXPECT_EQ(t.currentTabIndex(), 0);
    EXPECT_FALSE(t.notAtEndOfTab());
}

TEST(TabPositions, IncrementWrapsAndEmptyStays) {
    Tab empty;
    empty.incrementTabPosition();
    EXPECT_EQ(empty.currentTabIndex(), 0);
    empty.setCurrentTabIndex(5);
    empty.incrementTabPosition();
    EXPECT_EQ(empty.currentTabIndex(), 5);

    Tab t = threeColumns();
    t.setCurrentTabIndex(2);
    t.incrementTabPosition();
    EXPECT_EQ(t.currentTabIndex(), 0);
    t.incrementTabPosition();
    EXPECT_EQ(t.currentTabIndex(), 1);
    // A position past the end also wraps to the start.
    t.setCurrentTabIndex(3);
    t.incrementTabPosition();
    EXPECT_EQ(t.currentTabIndex(), 0);
}

TEST(TabPositions, DecrementStopsAtZero) {
    Tab t = threeColumns();
    t.setCurrentTabIndex(1);
    t.decrementTabPosition();
    EXPECT_EQ(t.currentTabIndex(), 0);
    t.decrementTabPosition();
    EXPECT_EQ(t.currentTabIndex(), 0);
}

TEST(TabPositions, MoveToEndAndNotAtEnd) {
    Tab empty;
    empty.moveToEndOfTab();
    EXPECT_EQ(empty.currentTabIndex(), -1);
    EXPECT_FALSE(empty.notAtEndOfTab());

    Tab t = threeColumns();
    t.moveToEndOfTab();
    EXPECT_EQ(t.currentTabIndex(), 2);
    EXPECT_TRUE(t.notAtEndOfTab());
    EXPECT_EQ(t.tabEntryAtCurrentIndex().fret(0), 2);
    t.setCurrentTabIndex(3);
    EXPECT_FALSE(t.notAtEndOfTab());
    t.setCurrentTabIndex(-7);
    EXPECT_FALSE(t.notAtEndOfTab());
    t.moveToStartOfTab();
    EXPECT_EQ(t.currentTabIndex(), 0);
}

TEST(TabPositions, ClearResetsPosition) {
    Tab t = threeColumns();
    t.setCurrentTabIndex(2);
    t.clearTab();
    EXPECT_EQ(t.tabSize(), 0);
    EXPECT_EQ(t.currentTabIndex(), 0);
    EXPECT_FALSE(t.notAtEndOfTab());
    t = threeColumns();
    t.setCurrentTabIndex(1);
    t.resetState();
    EXPECT_EQ(t.tabSize(), 0);
    EXPECT_EQ(t.currentTabIndex(), 0);
}

TEST(TabEditing, InsertAtFrontAppendAtEndOrMinusOne) {
    Tab t = threeColumns();
    const int32_t f3[6] = {3, 3, 3, 3, 3, 3};
    t.addNotesToTab(0, f3);
    EXPECT_EQ(t.tabEntryAtIndex(0).fret(0), 3);
    EXPECT_EQ(t.tabEntryAtIndex(1).fret(0), 0);

    Tab u = threeColumns();
    const int32_t f4[6] = {4, 4, 4, 4, 4, 4};
    u.addNotesToTab(3, f4);
    ASSERT_EQ(u.tabSize(), 4);
    EXPECT_EQ(u.tabEntryAtIndex(3).fret(5), 4);
    const int32_t f5[6] = {5, 5, 5, 5, 5, 5};
    u.addNotesToTab(-1, f5);
    EXPECT_EQ(u.tabEntryAtIndex(4).fret(5), 5);
    const int32_t f6[6] = {6, 6, 6, 6, 6, 6};
    u.addNotesToTab(1, f6);
    EXPECT_EQ(u.tabEntryAtIndex(1).fret(0), 6);
    EXPECT_EQ(u.tabEntryAtIndex(2).fret(0), 1);
    EXPECT_EQ(u.currentTabIndex(), 0); // editing never moves the position
}

TEST(TabEditing, OneTwoThreeAndSixStringForms) {
    Tab t;
    t.addNoteToTab(-1, 4, 7);
    t.addTwoNoteChordToTab(-1, 1, 3, 1, 5); // same string: second wins
    t.addThreeNoteChordToTab(-1, 0, 1, 2, 2, 0, 9);
    t.addChordToTab(-1, 0, 1, 2, 3, 4, 5);
    ASSERT_EQ(t.tabSize(), 4);
    EXPECT_EQ(fretsOf(t.tabEntryAtIndex(0)), (std::vector<int32_t>{-1, -1, -1, -1, 7, -1}));
    EXPECT_EQ(fretsOf(t.tabEntryAtIndex(1)), (std::vector<int32_t>{-1, 5, -1, -1, -1, -1}));
    EXPECT_EQ(fretsOf(t.tabEntryAtIndex(2)), (std::vector<int32_t>{9, -1, 2, -1, -1, -1}));
    EXPECT_EQ(fretsOf(t.tabEntryAtIndex(3)), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
}

TEST(TabEditing, FretStringAlwaysAppends) {
    Tab t = threeColumns();
    t.addNotesToTab(0, "xx0232");
    ASSERT_EQ(t.tabSize(), 4);
    EXPECT_EQ(fretsOf(t.tabEntryAtIndex(3)), (std::vector<int32_t>{-1, -1, 0, 2, 3, 2}));
    t.addNotesToTab(0, "xx02"); // malformed: ignored rather than read past its end
    EXPECT_EQ(t.tabSize(), 4);
}

TEST(TabEditing, DeleteOnlyExistingEntries) {
    Tab t = threeColumns();
    t.deleteNotesFromTabAt(3);
    t.deleteNotesFromTabAt(-1);
    EXPECT_EQ(t.tabSize(), 3);
    t.deleteNotesFromTabAt(1);
    ASSERT_EQ(t.tabSize(), 2);
    EXPECT_EQ(t.tabEntryAtIndex(1).fret(0), 2);
}

TEST(TabSection, EmptyTabIsFourZeroBytes) {
    Tab t;
    EXPECT_EQ(t.createSaveTabBuffer(), (Bytes{0, 0, 0, 0}));
    Tab u = threeColumns();
    Bytes b{0, 0, 0, 0};
    EXPECT_EQ(failureCode(u, b), "");
    EXPECT_EQ(u.tabSize(), 0);
}

TEST(TabSection, OneColumnKnownBytesAndRoundTrip) {
    Tab t;
    t.addNotesToTab(-1, "x02220");
    Bytes b = t.createSaveTabBuffer();
    EXPECT_EQ(b, (Bytes{0x01, 0, 0, 0, 0xFF, 0x00, 0x02, 0x02, 0x02, 0x00}));
    Tab u;
    u.setCurrentTabIndex(4);
    u.restoreFromSaveTabBuffer(b.data(), b.size(), 7); // any version reads the same
    ASSERT_EQ(u.tabSize(), 1);
    EXPECT_EQ(u.currentTabIndex(), 0);
    EXPECT_EQ(fretsOf(u.tabEntryAtIndex(0)), (std::vector<int32_t>{-1, 0, 2, 2, 2, 0}));
}

TEST(TabSection, ManyColumnsRoundTripByteForByte) {
    Tab t;
    for (int i = 0; i < 200; ++i)
        t.addChordToTab(-1, i % 24 - 1, (i * 7) % 24 - 1, 22, -1, 0, i % 5);
    Bytes b = t.createSaveTabBuffer();
    ASSERT_EQ(b.size(), 4u + 6u * 200u);
    Tab u;
    u.restoreFromSaveTabBuffer(b.data(), b.size(), 2);
    EXPECT_EQ(u.tab(), t.tab());
    EXPECT_EQ(u.createSaveTabBuffer(), b);
}

TEST(TabSection, Failures) {
    Tab t = threeColumns();
    EXPECT_EQ(failureCode(t, Bytes{1, 0, 0}), "TabFailure-1");
    EXPECT_EQ(t.tabSize(), 0); // cleared before any check
    EXPECT_EQ(failureCode(t, Bytes{}), "TabFailure-1");
    Bytes two(10, 0);
    two[0] = 2;
    EXPECT_EQ(failureCode(t, two), "TabFailure-2");
    Bytes huge{0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0}; // 4 + 6 * INT32_MAX must not wrap
    EXPECT_EQ(failureCode(t, huge), "TabFailure-2");
    EXPECT_EQ(failureCode(t, Bytes{1, 0, 0, 0, 0, 0, 0x17, 0, 0, 0}), "TabFailure-3");
    EXPECT_EQ(failureCode(t, Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 0xFE}), "TabFailure-3");
    EXPECT_EQ(failureCode(t, Bytes{1, 0, 0, 0, 22, 22, 22, 22, 22, 22}), "");
    EXPECT_EQ(t.tabEntryAtIndex(0).fret(0), 22);
}

TEST(TabSection, NegativeCountGivesEmptyTabAndTailIsIgnored) {
    Tab t = threeColumns();
    EXPECT_EQ(failureCode(t, Bytes{0xFF, 0xFF, 0xFF, 0xFF}), "");
    EXPECT_EQ(t.tabSize(), 0);
    EXPECT_EQ(failureCode(t, Bytes{0x00, 0x00, 0x00, 0x80, 9, 9}), "");
    EXPECT_EQ(t.tabSize(), 0);
    EXPECT_EQ(failureCode(t, Bytes{1, 0, 0, 0, 1, 2, 3, 4, 5, 6, 99, 99}), "");
    EXPECT_EQ(t.tabSize(), 1);
}

TEST(TabSection, ColumnsBeforeABadFretStayUntilTheCallerResets) {
    Tab t;
    Bytes b{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0};
    EXPECT_EQ(failureCode(t, b), "TabFailure-3");
    EXPECT_EQ(t.tabSize(), 1);
}
