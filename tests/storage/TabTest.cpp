// The tab model and its section, the chord library and the folders of
// songs and tabs.

#include "StorageTestSupport.h"
#include "core/StrumwellFailure.h"
#include "storage/ChordLibrary.h"
#include "storage/LibraryFolder.h"

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

// Moves through the tab wrap at its end and stop at its start; edits insert
// or append, delete only what exists and never move the position.
TEST(Tab, PositionsWrapAndStopAndEditsChangeOnlyWhatExists) {
    Tab t = tabOf("000000 111111 222222");
    const struct {
        void (Tab::*move)();
        int from, to;
    } moves[] = {{&Tab::incrementTabPosition, 1, 2},
                 {&Tab::incrementTabPosition, 3, 0},
                 {&Tab::decrementTabPosition, 0, 0},
                 {&Tab::moveToEndOfTab, 0, 2},
                 {&Tab::moveToStartOfTab, 2, 0}};
    for (const auto& m : moves) {
        t.setCurrentTabIndex(m.from);
        (t.*m.move)();
        EXPECT_EQ(t.currentTabIndex(), m.to) << "from " << m.from;
    }
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
    EXPECT_EQ(t.currentTabIndex(), 0);
    EXPECT_TRUE(t.notAtEndOfTab());
    EXPECT_TRUE(t.tabEntryAtIndex(6).isChord() && !t.tabEntryAtCurrentIndex().isChord());
    t.clearTab();
    t.incrementTabPosition(); // nothing to move through
    EXPECT_EQ(t.currentTabIndex(), 0);
    EXPECT_FALSE(t.notAtEndOfTab());
}

TEST(TabSection, KnownBytesReadBackAndDamagedOnesFailWithTheirCode) {
    EXPECT_EQ(Tab().createSaveTabBuffer(), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(tabOf("x02220").createSaveTabBuffer(),
              (Bytes{0x01, 0, 0, 0, 0xFF, 0x00, 0x02, 0x02, 0x02, 0x00}));
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
        // The good column before a bad one is kept until the caller resets.
        {{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0}, "TabFailure-3", 1},
        {{1, 0, 0, 0, 22, 22, 22, 22, 22, 22}, "", 1},
        {{1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}, "", 1},
        {{1, 0, 0, 0, 1, 2, 3, 4, 5, 6, 99, 99}, "", 1}, // the tail is ignored
        {{0, 0, 0, 0}, "", 0},
        {{0xFF, 0xFF, 0xFF, 0xFF}, "", 0}, // a negative count is an empty tab
        {{0x00, 0x00, 0x00, 0x80, 9, 9}, "", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        Tab t = tabOf("000000 111111 222222"); // cleared, at its start, before any check
        t.setCurrentTabIndex(2);
        EXPECT_EQ(failureCode(t, c.bytes), c.code);
        EXPECT_EQ(t.tabSize(), c.size);
        EXPECT_EQ(t.currentTabIndex(), 0);
        if (c.size && c.code[0] == '\0') {
            EXPECT_EQ(t.createSaveTabBuffer(), Bytes(c.bytes.begin(), c.bytes.begin() + 10)); // reads back
        }
    }
}

using Frets = ChordLibrary::Frets;

// The intervals above the root (hexadecimal digits) that each chord type may
// sound, in the library's type order, worked out from music rather than copied.
const char* const kIntervals[] = {"047",   "047a", "0247a", "02457a", "024579a", "07",
                                  "037",   "037a", "0237a", "02357a", "023579a", "048",
                                  "0247b", "027",  "057",   "057a",   "0479",    "02479"};

// Every key and type names the shape its table lists, and that shape sounds its
// root and only notes of its chord; out of range there is none.
TEST(ChordLibrary, ShapesSoundTheirChordsAndRefusals) {
    ASSERT_EQ(ChordLibrary::chordData().size(), 216u);
    const int openStrings[6] = {7, 0, 5, 10, 2, 7}; // E A D G B E from A, low E first
    for (int t = 0; t < ChordLibrary::kNumTypes; ++t)
        for (int k = 0; k < ChordLibrary::kNumKeys; ++k) {
            SCOPED_TRACE(testing::Message() << ChordLibrary::keyName(k) << ChordLibrary::typeName(t));
            EXPECT_EQ(ChordLibrary::fretString(k, t), ChordLibrary::chordData()[size_t(k + 12 * t)]);
            Frets parsed{};
            ASSERT_TRUE(ChordLibrary::parseFretString(ChordLibrary::fretString(k, t), parsed));
            EXPECT_EQ(ChordLibrary::fretsForChord(k, t), parsed);
            const std::string_view key = ChordLibrary::keyName(k);
            const int root = int(std::string_view("A BC D EF G").find(key[0])) + (key.size() > 1);
            // The m13 shapes of C# and D# repeat A#'s shape: the table keeps them as listed.
            if (t == 10 && (k == 4 || k == 6))
                continue;
            std::string sounded;
            for (int s = 0; s < 6; ++s)
                if (parsed[s] >= 0)
                    sounded += "0123456789ab"[(openStrings[s] + parsed[s] - root + 24) % 12];
            EXPECT_NE(sounded.find('0'), std::string::npos) << sounded;
            EXPECT_EQ(sounded.find_first_not_of(kIntervals[t]), std::string::npos) << sounded;
        }
    EXPECT_EQ(ChordLibrary::fretsForChord(0, 0), (Frets{-1, 0, 2, 2, 2, 0})); // A major
    for (auto [key, type] : {std::pair{-1, 0}, {12, 0}, {0, -1}, {0, 18}}) {
        EXPECT_EQ(ChordLibrary::chordIndex(key, type), -1);
        EXPECT_EQ(ChordLibrary::fretsForChord(key, type), (Frets{-1, -1, -1, -1, -1, -1}));
    }
    for (std::string_view name : {ChordLibrary::keyName(-1), ChordLibrary::keyName(12),
                                  ChordLibrary::typeName(-1), ChordLibrary::typeName(18)})
        EXPECT_EQ(name, "");
    EXPECT_EQ(ChordLibrary::chordIndex(11, 17), 215);
    Frets frets{7, 7, 7, 7, 7, 7};
    for (const char* bad : {"", "x0222", "x022200", "x0222a", "X02220", "-02220", "/02220", ":02220"})
        EXPECT_FALSE(ChordLibrary::parseFretString(bad, frets)) << bad;
    EXPECT_EQ(frets, (Frets{7, 7, 7, 7, 7, 7}));
    EXPECT_TRUE(ChordLibrary::parseFretString("9x1234", frets));
    EXPECT_EQ(frets, (Frets{9, -1, 1, 2, 3, 4}));
    // Off the panel there is no key or type (each label's own place is checked where the panel is drawn).
    EXPECT_EQ(ChordLibrary::keyAtPoint(91, 130) + ChordLibrary::typeAtPoint(200, 407), -2);
}

// The files of one kind in a documents folder: which are listed, making names
// safe, refusing paths, and the demos copied in from the bundle.
TEST(LibraryFolder, ListsErasesAndCopiesOnlyItsOwnKindInsideItsFolder) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(LibraryFolder::makeFileSafe("../my.song\\1"), "___my_song_1");
    TempFolder root;
    const std::string docs = root.sub("docs"), bundle = root.sub("bundle");
    for (const std::string& name : Names{"b tune.SAV", "a tune.SAV", "lower.sav", "riff.TAB", ".SAV"})
        writeFile(docs + "/" + name, pack("x"));
    std::filesystem::create_directory(docs + "/folder.SAV");
    writeFile(root.file("outside.TAB"), pack("x"));
    const LibraryFolder songs(docs, bundle, ".SAV"), tabs(docs, "", ".TAB");
    EXPECT_EQ(songs.names(), (Names{"a tune", "b tune"}));
    EXPECT_TRUE(LibraryFolder("/nonexistent/strumwell", "", ".SAV").names().empty());
    for (const char* refused : {"../outside", "../docs/riff", "", "gone"})
        EXPECT_FALSE(tabs.erase(refused)) << refused;
    EXPECT_TRUE(std::filesystem::exists(root.file("outside.TAB")));
    EXPECT_TRUE(tabs.erase("riff"));
    EXPECT_TRUE(tabs.names().empty());

    // Demos: songs of the bundle the folder lacks, never over the user's own
    // (even one that starts as the demo does); a copy an earlier run cut
    // short (empty, or the start of the demo) is made again.
    for (const char* name : {"a tune.SAV", "Demo.SAV", "Demo.TAB", "Cut.SAV", "Empty.SAV", "Long.SAV"})
        writeFile(bundle + "/" + name, pack(name));
    writeFile(docs + "/Cut.SAV", pack("Cut"));
    writeFile(docs + "/Empty.SAV", {});
    writeFile(docs + "/Long.SAV", pack("Long.SAV and more"));
    EXPECT_EQ(songs.copyDemos(), 3);
    for (const char* name : {"Demo.SAV", "Cut.SAV", "Empty.SAV", "a tune.SAV", "Long.SAV"})
        EXPECT_EQ(readFile(docs + "/" + name), pack(name[0] == 'a'   ? "x"
                                                    : name[0] == 'L' ? "Long.SAV and more"
                                                                     : name));
    EXPECT_EQ(songs.copyDemos() + tabs.copyDemos(), 0);
}
