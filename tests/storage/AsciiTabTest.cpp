// ASCII tablature: export of tabs, import of pasted tabs of many styles (the
// corpus in tabs/), the round trip between them, and refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <sstream>

#include "StorageTestSupport.h"
#include "storage/AsciiTabWriter.h"
#include "storage/TabCommand.h"
#include "storage/TabTextImport.h"

namespace {

using Columns = std::vector<std::array<int32_t, 6>>;

// "x 3 2 0 1 0": six frets, low E first.
std::array<int32_t, 6> col(const std::string& text) {
    std::array<int32_t, 6> f{};
    std::istringstream in(text);
    for (int32_t& v : f) {
        std::string t;
        in >> t;
        v = t == "x" ? -1 : std::stoi(t);
    }
    return f;
}

Columns cols(std::initializer_list<const char*> texts) {
    Columns c;
    for (const char* t : texts)
        c.push_back(col(t));
    return c;
}

TabTextImport::Result import(const std::string& text) {
    return TabTextImport::read(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

Columns columnsOf(const Tab& tab) {
    Columns c;
    for (const TablatureEntry& e : tab.tab())
        c.push_back(e.frets());
    return c;
}

bool anyWarning(const TabTextImport::Result& r, const std::string& text) {
    for (const std::string& w : r.warnings)
        if (w.find(text) != std::string::npos)
            return true;
    return false;
}

CommandRun tabCommand(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = TabCommand::run(args, out, err);
    return {code, out.str(), err.str()};
}

} // namespace

TEST(AsciiTabImport, ReadsTheCorpusOfPastedStyles) {
    struct Case {
        const char* file;
        Columns expected;
        std::vector<const char*> warnings;
    };
    const std::vector<Case> cases = {
        {"01-melody.txt",
         cols({"x x x 0 x x", "x x x 2 x x", "x x x 4 x x", "x x x 5 x x", "x x x 4 x x", "x x x 2 x x",
               "x x x 0 x x"}),
         {}},
        {"02-chords-lyrics.txt",
         cols({"3 2 0 0 0 3", "x 3 2 0 1 0", "x x 0 2 3 2", "0 2 2 0 0 0", "x 3 2 0 1 0"}),
         {}},
        {"03-no-names.txt",
         cols({"x x x 2 x x", "x x x x 1 x", "x x x x x 0", "x x x x 1 x", "x x x 2 x x", "x x x x 0 x",
               "x x x 2 x x", "x x x 0 x x"}),
         {}},
        {"04-no-bars.txt",
         cols({"x 5 x x x x", "x 7 x x x x", "x x 5 x x x", "x x 7 x x x", "x 7 x x x x", "x 5 x x x x",
               "x 3 x x x x", "3 x x x x x"}),
         {}},
        {"05-upper-names.txt",
         cols({"x 0 x x x x", "x x 2 x x x", "x x x 2 x x", "x x x x 1 x", "x x x 2 x x", "x x 2 x x x",
               "x 0 x x x x"}),
         {}},
        {"06-techniques.txt",
         cols({"x x x 4 x x", "x x x x 5 x", "x x x x 7 x", "x x x x 5 x", "x x x x 8 x", "x x x x 10 x",
               "x x x x 8 x", "x x x x x 5", "x x x x x 7", "x x x x x 5"}),
         {"'h' (hammer-on)", "'p' (pull-off)", "'/' (slide)", "'\\' (slide)", "'b' (bend)", "'r' (release)",
          "line 4, column 6: '~' (vibrato) skipped (3 in all)"}},
        {"07-two-digit.txt",
         cols({"x x 14 12 13 12", "x x 10 9 10 x", "x x 12 12 12 10", "x x x x x 15", "x x x x x 17",
               "x x x x x 15"}),
         {}},
        {"08-muted.txt", cols({"5 7 7 5 5 5", "x x 7 5 6 5"}), {"3 column(s) of only muted strings"}},
        {"09-low-first.txt", cols({"0 x x x x x", "x 2 x x x x", "x x 2 x x x"}), {"low E first"}},
        {"10-crlf-tabs-bom.txt", cols({"x 3 2 0 1 0"}), {}},
        {"11-palm-mute-repeats.txt",
         cols({"1 3 x x x x", "1 3 x x x x", "1 3 x x x x", "1 3 x x x x", "3 5 x x x x", "3 5 x x x x",
               "3 x 5 x x x"}),
         {}},
        {"12-drop-d.txt",
         cols({"0 0 0 x x x", "2 2 2 x x x", "0 0 0 x x x"}),
         {"EBGDAD, not standard tuning"}},
        {"13-lowercase-rules.txt",
         cols({"x x 2 x x x", "x x x 2 x x", "x x x x 1 x", "x x x x x 0", "x x x x 1 x"}),
         {"line 2: a dashed line on its own"}},
        {"14-numbered-strings.txt",
         cols({"x x 2 x x x", "x x x 0 x x", "x x x x 1 x", "x x x x x 0", "x x x x 1 x", "x x x 0 x x",
               "x x 2 x x x"}),
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes text = readFile(std::string(STRUMWELL_TAB_CORPUS) + "/" + c.file);
        ASSERT_FALSE(text.empty());
        const TabTextImport::Result r = TabTextImport::read(text.data(), text.size());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.columns, c.expected);
        for (const char* w : c.warnings)
            EXPECT_TRUE(anyWarning(r, w)) << w;
        if (c.warnings.empty()) {
            EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
        }

        // What the import gives survives an export and a second import.
        Tab tab;
        TabTextImport::apply(r, tab);
        const std::string again = AsciiTabWriter(3).write(tab);
        EXPECT_EQ(import(again).columns, c.expected) << again;
    }
}

TEST(AsciiTabImport, RefusesUnreadableInputNamingTheLine) {
    struct Case {
        const char* name;
        std::string text;
        int line, column;
        const char* says;
    };
    const std::string good = "e|--0--|\nB|--1--|\nG|--0--|\nD|--2--|\nA|--3--|\nE|-----|\n";
    const std::vector<Case> cases = {
        {"fret too high", good + "\ne|--0--|\nB|--1--|\nG|-----|\nD|--23-25|\nA|--3--|\nE|-----|\n", 11, 5,
         "fret 23 is above 22"},
        {"five strings", "Bass line\nG|-----|\nD|--2--|\nA|--3--|\nE|-----|\nx|-----|\n", 2, 0,
         "5 string lines"},
        {"four strings", good + "\nG|--0--|\nD|--2--|\nA|--3--|\nE|-----|\n", 8, 0, "4 string lines"},
        {"not text", good + "song\x01\x02", 7, 5, "not a text file"},
        {"no tab", "Just the lyrics\nof a song\n", 0, 0, "no tab found"},
        {"empty", "", 0, 0, "no tab found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TabTextImport::Result r = import(c.text);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.errorLine, c.line);
        EXPECT_EQ(r.errorColumn, c.column);
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
        if (c.line > 0) {
            EXPECT_EQ(r.error.rfind("line " + std::to_string(c.line), 0), 0u) << r.error;
        }
    }
    // Fret 22 is the highest a tab holds, and is taken.
    const TabTextImport::Result top = import("e|-22-|\nB|----|\nG|----|\nD|----|\nA|----|\nE|----|\n");
    ASSERT_TRUE(top.ok);
    EXPECT_EQ(top.columns, cols({"x x x x x 22"}));
}

TEST(AsciiTabImport, ReadsOnlyItsByteSpan) {
    // The same text inside a larger buffer whose tail would add a bad fret.
    const std::string text = "e|--0--|\nB|--1--|\nG|--0--|\nD|--2--|\nA|--3--|\nE|-----";
    const std::string larger = text + "--99|\n";
    const TabTextImport::Result r =
        TabTextImport::read(reinterpret_cast<const uint8_t*>(larger.data()), text.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.columns, cols({"x 3 2 0 1 0"}));

    // Mangled tabs, each in a buffer of exactly its size (so that a memory
    // checker sees any read past it), are read or refused, never more.
    const Bytes seed = readFile(std::string(STRUMWELL_TAB_CORPUS) + "/07-two-digit.txt");
    const char alphabet[] = "-|0123456789xhpb/\\~eEBGDA \n\r\t(";
    std::mt19937 random(7);
    for (int trial = 0; trial < 500; ++trial) {
        Bytes mangled = seed;
        const int edits = 1 + static_cast<int>(random() % 20);
        for (int e = 0; e < edits && !mangled.empty(); ++e) {
            const size_t at = random() % mangled.size();
            if (random() % 3 == 0)
                mangled.erase(mangled.begin() + static_cast<long>(at));
            else
                mangled[at] = static_cast<uint8_t>(alphabet[random() % (sizeof alphabet - 1)]);
        }
        mangled.resize(random() % (mangled.size() + 1));
        std::unique_ptr<uint8_t[]> exact(new uint8_t[mangled.size() + 1]);
        std::copy(mangled.begin(), mangled.end(), exact.get());
        const TabTextImport::Result m = TabTextImport::read(exact.get(), mangled.size());
        EXPECT_TRUE(m.ok || !m.error.empty());
        for (const auto& c : m.columns)
            for (int32_t f : c)
                EXPECT_TRUE(f >= -1 && f <= Tab::kHighestFret);
    }
}

TEST(AsciiTabExport, WritesSixAlignedLinesWithBars) {
    Tab tab;
    tab.addNotesToTab(-1, "x02220");
    tab.addChordToTab(-1, -1, -1, -1, -1, 12, 3);
    tab.addNoteToTab(-1, 0, 22);
    const std::string expected = "e|--0--3---|------|\n"
                                 "B|--2--12--|------|\n"
                                 "G|--2------|------|\n"
                                 "D|--2------|------|\n"
                                 "A|--0------|------|\n"
                                 "E|---------|--22--|\n";
    EXPECT_EQ(AsciiTabWriter(2).write(tab), expected);
    // An empty tab is one empty system, and reads back as an empty tab.
    const std::string empty = AsciiTabWriter().write(Tab());
    EXPECT_EQ(empty, "e|--|\nB|--|\nG|--|\nD|--|\nA|--|\nE|--|\n");
    const TabTextImport::Result r = import(empty);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.columns.empty());
}

TEST(AsciiTabExport, RoundTripGivesTheSameTab) {
    std::mt19937 random(14);
    for (int trial = 0; trial < 40; ++trial) {
        Tab tab;
        const int n = static_cast<int>(random() % 120);
        for (int i = 0; i < n; ++i) {
            std::array<int32_t, 6> f{};
            f.fill(-1);
            const int strings = 1 + static_cast<int>(random() % 6);
            for (int k = 0; k < strings; ++k)
                f[random() % 6] = static_cast<int32_t>(random() % 23);
            tab.addNotesToTab(-1, f.data());
        }
        const int bar = static_cast<int>(random() % 12); // 0: no bar lines; large bars are split
        SCOPED_TRACE(testing::Message() << "trial " << trial << ", " << n << " columns, bar " << bar);
        AsciiTabWriter writer(bar == 11 ? 40 : bar);
        const std::string text = writer.write(tab);
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            EXPECT_LE(line.size(), static_cast<size_t>(AsciiTabWriter::kLineWidth)) << line;
        const TabTextImport::Result r = import(text);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(r.warnings.empty());
        EXPECT_EQ(r.columns, columnsOf(tab)) << text;
    }
}

TEST(TabCommand, ImportAndExportThroughFilesLeaveNothingHalfDone) {
    TempFolder dir;
    const std::string corpus = std::string(STRUMWELL_TAB_CORPUS) + "/02-chords-lyrics.txt";
    CommandRun r = tabCommand({"import", corpus, "-o", dir.file("song.TAB")});
    ASSERT_EQ(r.code, 0) << r.err;
    const Bytes saved = readFile(dir.file("song.TAB"));
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 8), "VERSION2");

    r = tabCommand({"export", dir.file("song.TAB"), "-o", dir.file("song.txt"), "--bar", "2"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = tabCommand({"import", dir.file("song.txt"), "-o", dir.file("again.TAB")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readFile(dir.file("again.TAB")), saved);

    // A refused import leaves the existing tab file whole and no temporary file.
    writeFile(dir.file("bad.txt"), Bytes{'e', '|', '-', '9', '9', '-', '\n'});
    r = tabCommand({"import", dir.file("bad.txt"), "-o", dir.file("song.TAB")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("line 1"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(dir.file("song.TAB")), saved);
    // A damaged tab file is not exported.
    writeFile(dir.file("cut.TAB"), Bytes(saved.begin(), saved.end() - 3));
    r = tabCommand({"export", dir.file("cut.TAB"), "-o", dir.file("cut.txt")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("TabFailure-2"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("cut.txt")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.str()), {}), 5);

    EXPECT_EQ(tabCommand({"export", dir.file("song.TAB")}).code, 2);
    EXPECT_EQ(tabCommand({"convert", dir.file("song.TAB"), "-o", "x"}).code, 2);
    EXPECT_EQ(tabCommand({"export", dir.file("song.TAB"), "-o", "x", "--bar", "many"}).code, 2);
}
