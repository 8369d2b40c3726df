// The tab model and its section, the chord library and the folders of
// songs and tabs.
#include <map>
#include <set>

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

TEST(Tab, PositionsWrapStopAndReset) {
    Tab empty; // nothing to move through
    empty.setCurrentTabIndex(5);
    empty.incrementTabPosition();
    EXPECT_EQ(empty.currentTabIndex(), 5);
    EXPECT_FALSE(empty.notAtEndOfTab());
    empty.moveToEndOfTab();
    EXPECT_EQ(empty.currentTabIndex(), -1);

    Tab t = tabOf("000000 111111 222222");
    EXPECT_EQ(t.tabEntryAtCurrentIndex().fret(0), 0);
    const struct {
        void (Tab::*move)(); // none: the index set is only read back
        int from, to;
    } moves[] = {{&Tab::incrementTabPosition, 1, 2},
                 {&Tab::incrementTabPosition, 2, 0},
                 {&Tab::incrementTabPosition, 3, 0},
                 {&Tab::decrementTabPosition, 1, 0},
                 {&Tab::decrementTabPosition, 0, 0},
                 {&Tab::moveToEndOfTab, 0, 2},
                 {&Tab::moveToStartOfTab, 2, 0},
                 {nullptr, -7, -7},
                 {nullptr, -1, -1},
                 {nullptr, 3, 3},
                 {&Tab::clearTab, 1, 0}};
    for (const auto& m : moves) {
        t.setCurrentTabIndex(m.from);
        if (m.move)
            (t.*m.move)();
        EXPECT_EQ(t.currentTabIndex(), m.to) << "from " << m.from;
        EXPECT_EQ(t.notAtEndOfTab(), m.to >= 0 && m.to < t.tabSize()) << "from " << m.from;
    }
    EXPECT_EQ(t.tabSize(), 0);
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

namespace {

using Frets = ChordLibrary::Frets;

// Pitch class (A = 0) of a key's name, as a musician reads it.
int pitchClassOf(std::string_view name) {
    const int natural[] = {0, 2, 3, 5, 7, 8, 10}; // A B C D E F G
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
                EXPECT_TRUE(frets[s] >= -1 && frets[s] <= 9) << frets[s];
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
}

TEST(ChordLibraryPanel, BandsAndRowsNameEveryKeyAndType) {
    // Keys run back along the first row and forward along the second; type
    // rows start at 0, 6 and 12 and also run back along the bands.
    const float bands[] = {100, 130, 170, 210, 250, 300};
    for (int b = 0; b < 6; ++b) {
        EXPECT_EQ(ChordLibrary::keyAtPoint(bands[b], 130), 5 - b);
        EXPECT_EQ(ChordLibrary::keyAtPoint(bands[b], 200), 6 + b);
        EXPECT_EQ(ChordLibrary::typeAtPoint(bands[b], 250), 5 - b);
        EXPECT_EQ(ChordLibrary::typeAtPoint(bands[b], 300), 11 - b);
        EXPECT_EQ(ChordLibrary::typeAtPoint(bands[b], 400), 17 - b);
    }
    EXPECT_EQ(ChordLibrary::keyAtPoint(91, 130), -1);
    EXPECT_EQ(ChordLibrary::typeAtPoint(200, 407), -1);
}

} // namespace

// The files of one kind in a documents folder: which are listed, making names
// safe, refusing paths, and the demos copied in from the bundle.
TEST(LibraryFolder, ListsErasesAndCopiesOnlyItsOwnKindInsideItsFolder) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(LibraryFolder::makeFileSafe("../my.song\\1"), "___my_song_1");
    EXPECT_EQ(LibraryFolder::makeFileSafe("caf\xC3\xA9 #2!"), "caf\xC3\xA9 #2!");
    const LibraryFolder named("", "", ".TAB");
    EXPECT_EQ(named.fileName("riff"), "riff.TAB");
    EXPECT_EQ(named.nameOfFile("riff.TAB"), "riff");
    for (const char* other : {"riff.tab", ".TAB", "riff.SAV"})
        EXPECT_EQ(named.nameOfFile(other), "") << other;

    TempFolder root;
    const std::string docs = root.sub("docs"), bundle = root.sub("bundle");
    for (const std::string& name : Names{"b tune.SAV", "a tune.SAV", "lower.sav", "riff.TAB", "old.SAV.bak",
                                         ".SAV", std::string(".c.SAV") + FileManager::kTemporaryInfix + "1"})
        writeFile(docs + "/" + name, pack("x"));
    std::filesystem::create_directory(docs + "/folder.SAV");
    writeFile(root.file("outside.TAB"), pack("x"));
    const LibraryFolder songs(docs, bundle, ".SAV"), tabs(docs, "", ".TAB");
    EXPECT_EQ(songs.names(), (Names{"a tune", "b tune"}));
    EXPECT_EQ(tabs.names(), (Names{"riff"}));
    EXPECT_TRUE(songs.exists("a tune"));
    for (const char* absent : {"lower", "folder", "riff", "../docs/a tune", ""})
        EXPECT_FALSE(songs.exists(absent)) << absent;
    EXPECT_TRUE(LibraryFolder("/nonexistent/strumwell", "", ".SAV").names().empty());
    for (const char* refused : {"../outside", "../docs/riff", "", "gone"})
        EXPECT_FALSE(tabs.erase(refused)) << refused;
    EXPECT_TRUE(std::filesystem::exists(root.file("outside.TAB")));
    EXPECT_TRUE(tabs.erase("riff"));
    EXPECT_TRUE(tabs.names().empty());

    // Demos: songs of the bundle the folder lacks, never over the user's own.
    for (const char* name : {"a tune.SAV", "Demo.SAV", "Demo.TAB", "lower.sav"})
        writeFile(bundle + "/" + name, pack(name));
    EXPECT_EQ(songs.copyDemos(), 1);
    EXPECT_EQ(readFile(docs + "/a tune.SAV"), pack("x"));
    EXPECT_EQ(readFile(docs + "/Demo.SAV"), pack("Demo.SAV"));
    EXPECT_EQ(songs.names(), (Names{"Demo", "a tune", "b tune"}));
    EXPECT_EQ(songs.copyDemos(), 0);
    ASSERT_TRUE(songs.erase("Demo")); // an erased demo comes back the next time
    EXPECT_EQ(songs.copyDemos(), 1);
    EXPECT_EQ(LibraryFolder(docs, "", ".SAV").copyDemos(), 0);
    EXPECT_EQ(LibraryFolder(docs, "/nonexistent/bundle", ".SAV").copyDemos(), 0);
}
