// Tab model, tab section writing and reading.
#include <gtest/gtest.h>

#include "StorageTestSupport.h"
#include "core/StrumwellFailure.h"

namespace {

std::string failureCode(Tab& tab, const Bytes& b) {
    try {
        tab.restoreFromSaveTabBuffer(b.data(), b.size(), 2);
    } catch (const StrumwellFailure& f) {
        return f.name();
    }
    return "";
}

} // namespace

TEST(Tab, PositionsWrapStopAndReset) {
    Tab empty;
    EXPECT_FALSE(empty.notAtEndOfTab());
    empty.setCurrentTabIndex(5);
    empty.incrementTabPosition(); // nothing to move through
    EXPECT_EQ(empty.currentTabIndex(), 5);
    empty.moveToEndOfTab();
    EXPECT_EQ(empty.currentTabIndex(), -1);

    Tab t = tabOf("000000 111111 222222");
    const struct {
        void (Tab::*move)();
        int from, to;
    } moves[] = {{&Tab::incrementTabPosition, 1, 2}, {&Tab::incrementTabPosition, 2, 0},
                 {&Tab::incrementTabPosition, 3, 0}, {&Tab::decrementTabPosition, 1, 0},
                 {&Tab::decrementTabPosition, 0, 0}, {&Tab::moveToEndOfTab, 0, 2},
                 {&Tab::moveToStartOfTab, 2, 0}};
    for (const auto& m : moves) {
        t.setCurrentTabIndex(m.from);
        (t.*m.move)();
        EXPECT_EQ(t.currentTabIndex(), m.to) << "from " << m.from;
    }
    for (int index : {-7, -1, 0, 3, 2}) {
        t.setCurrentTabIndex(index);
        EXPECT_EQ(t.notAtEndOfTab(), index >= 0 && index < 3) << index;
    }
    EXPECT_EQ(t.tabEntryAtCurrentIndex().fret(0), 2);
    for (void (Tab::*clear)() : {&Tab::clearTab, &Tab::resetState}) {
        t.setCurrentTabIndex(1);
        (t.*clear)();
        EXPECT_EQ(t.tabSize(), 0);
        EXPECT_EQ(t.currentTabIndex(), 0);
        t = tabOf("000000 111111 222222");
    }
}

TEST(Tab, EditingInsertsAppendsAndDeletesOnlyWhatExists) {
    Tab t = tabOf("000000 111111 222222");
    t.addNoteToTab(0, 4, 7);
    t.addTwoNoteChordToTab(4, 1, 3, 1, 5); // same string: second wins
    t.addThreeNoteChordToTab(-1, 0, 1, 2, 2, 0, 9);
    t.addChordToTab(1, 0, 1, 2, 3, 4, 5);
    t.addNotesToTab(2, "xx0232"); // a fret string always appends
    t.addNotesToTab(0, "xx02");   // malformed: ignored rather than read past its end
    t.deleteNotesFromTabAt(8);
    t.deleteNotesFromTabAt(-1);
    t.deleteNotesFromTabAt(3);
    EXPECT_EQ(t.tab(), tabOf("xxxx7x 012345 000000 222222 x5xxxx 9x2xxx xx0232").tab());
    EXPECT_EQ(t.currentTabIndex(), 0); // editing never moves the position
    EXPECT_FALSE(t.tabEntryAtIndex(0).isChord());
    EXPECT_TRUE(t.tabEntryAtIndex(6).isChord());
    EXPECT_FALSE(TablatureEntry(std::array<int32_t, 6>{-1, -1, -1, -1, -1, -1}.data()).isChord());
}

TEST(TabSection, KnownBytesAndRoundTrips) {
    Tab t;
    EXPECT_EQ(t.createSaveTabBuffer(), (Bytes{0, 0, 0, 0}));
    t.addNotesToTab(-1, "x02220");
    const Bytes one = t.createSaveTabBuffer();
    EXPECT_EQ(one, (Bytes{0x01, 0, 0, 0, 0xFF, 0x00, 0x02, 0x02, 0x02, 0x00}));
    Tab u = tabOf("000000 111111 222222");
    u.setCurrentTabIndex(2);
    u.restoreFromSaveTabBuffer(one.data(), one.size(), 7); // any version reads the same
    EXPECT_EQ(u.tab(), t.tab());
    EXPECT_EQ(u.currentTabIndex(), 0);

    for (int i = 0; i < 200; ++i)
        t.addChordToTab(-1, i % 24 - 1, (i * 7) % 24 - 1, 22, -1, 0, i % 5);
    const Bytes many = t.createSaveTabBuffer();
    ASSERT_EQ(many.size(), 4u + 6u * 201u);
    u.restoreFromSaveTabBuffer(many.data(), many.size(), 2);
    EXPECT_EQ(u.tab(), t.tab());
}

TEST(TabSection, DamagedSectionsFailWithTheirCode) {
    const struct {
        Bytes bytes;
        const char* code;
        int size; // columns left
    } cases[] = {
        {{}, "TabFailure-1", 0},
        {{1, 0, 0}, "TabFailure-1", 0},
        {{2, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "TabFailure-2", 0},
        {{0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0}, "TabFailure-2", 0}, // 4 + 6 * INT32_MAX must not wrap
        {{1, 0, 0, 0, 0, 0, 0x17, 0, 0, 0}, "TabFailure-3", 0},
        {{1, 0, 0, 0, 0, 0, 0, 0, 0, 0xFE}, "TabFailure-3", 0},
        {{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0},
         "TabFailure-3",
         1}, // kept until the caller resets
        {{1, 0, 0, 0, 22, 22, 22, 22, 22, 22}, "", 1},
        {{1, 0, 0, 0, 1, 2, 3, 4, 5, 6, 99, 99}, "", 1}, // the tail is ignored
        {{0, 0, 0, 0}, "", 0},
        {{0xFF, 0xFF, 0xFF, 0xFF}, "", 0}, // a negative count is an empty tab
        {{0x00, 0x00, 0x00, 0x80, 9, 9}, "", 0}};
    for (const auto& c : cases) {
        Tab t = tabOf("000000 111111 222222"); // cleared before any check
        EXPECT_EQ(failureCode(t, c.bytes), c.code) << testing::PrintToString(c.bytes);
        EXPECT_EQ(t.tabSize(), c.size) << testing::PrintToString(c.bytes);
    }
}
