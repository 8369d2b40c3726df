// ASCII tablature: export of tabs, import of pasted tabs of many styles (the
// corpus in tabs/), the round trip between them, and refusals.
#include "StorageTestSupport.h"
#include "storage/AsciiTabWriter.h"
#include "storage/TabTextImport.h"

namespace {

TabTextImport::Result import(const std::string& text) {
    return TabTextImport::read(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

Bytes corpus(const char* file) {
    return readFile(std::string(STRUMWELL_TAB_CORPUS) + "/" + file);
}

} // namespace

TEST(AsciiTabImport, ReadsTheCorpusOfPastedStyles) {
    const struct {
        const char* file;
        const char* expected;
        std::vector<const char*> warnings;
    } cases[] = {{"01-melody.txt", "xxx0xx xxx2xx xxx4xx xxx5xx xxx4xx xxx2xx xxx0xx", {}},
                 {"02-chords-lyrics.txt", "320003 x32010 xx0232 022000 x32010", {}},
                 {"03-no-names.txt", "xxx2xx xxxx1x xxxxx0 xxxx1x xxx2xx xxxx0x xxx2xx xxx0xx", {}},
                 {"04-no-bars.txt", "x5xxxx x7xxxx xx5xxx xx7xxx x7xxxx x5xxxx x3xxxx 3xxxxx", {}},
                 {"05-upper-names.txt", "x0xxxx xx2xxx xxx2xx xxxx1x xxx2xx xx2xxx x0xxxx", {}},
                 {"06-techniques.txt",
                  "xxx4xx xxxx5x xxxx7x xxxx5x xxxx8x xxxxax xxxx8x xxxxx5 xxxxx7 xxxxx5",
                  {"'h' (hammer-on)", "'p' (pull-off)", "'/' (slide)", "'\\' (slide)", "'b' (bend)",
                   "'r' (release)", "line 4, column 6: '~' (vibrato) skipped (3 in all)"}},
                 {"07-two-digit.txt", "xxecdc xxa9ax xxccca xxxxxf xxxxxh xxxxxf", {}},
                 {"08-muted.txt", "577555 xx7565", {"3 column(s) of only muted strings"}},
                 {"09-low-first.txt", "0xxxxx x2xxxx xx2xxx", {"low E first"}},
                 {"10-crlf-tabs-bom.txt", "x32010", {}},
                 {"11-palm-mute-repeats.txt", "13xxxx 13xxxx 13xxxx 13xxxx 35xxxx 35xxxx 3x5xxx", {}},
                 {"12-drop-d.txt", "000xxx 222xxx 000xxx", {"EBGDAD, not standard tuning"}},
                 {"13-lowercase-rules.txt",
                  "xx2xxx xxx2xx xxxx1x xxxxx0 xxxx1x",
                  {"line 2: a dashed line on its own"}},
                 {"14-numbered-strings.txt", "xx2xxx xxx0xx xxxx1x xxxxx0 xxxx1x xxx0xx xx2xxx", {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes text = corpus(c.file);
        ASSERT_FALSE(text.empty());
        const TabTextImport::Result r = TabTextImport::read(text.data(), text.size());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.columns, columns(c.expected));
        EXPECT_EQ(r.warnings.size() > 0, c.warnings.size() > 0);
        for (const char* w : c.warnings)
            EXPECT_THAT(r.warnings, testing::Contains(HasSubstr(w)));
    }
}

TEST(AsciiTabImport, RefusesUnreadableInputNamingTheLine) {
    struct Case {
        std::string text;
        int line, column;
        const char* says;
    };
    const std::string good = "e|--0--|\nB|--1--|\nG|--0--|\nD|--2--|\nA|--3--|\nE|-----|\n";
    const std::vector<Case> cases = {
        {good + "\ne|--0--|\nB|--1--|\nG|-----|\nD|--23-25|\nA|--3--|\nE|-----|\n", 11, 5,
         "fret 23 is above 22"},
        {"Bass line\nG|-----|\nD|--2--|\nA|--3--|\nE|-----|\nx|-----|\n", 2, 0, "5 string lines"},
        {good + "song\x01\x02", 7, 5, "not a text file"},
        {"Just the lyrics\nof a song\n", 0, 0, "no tab found"},
        {"", 0, 0, "no tab found"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const TabTextImport::Result r = import(c.text);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.errorLine, c.line);
        EXPECT_EQ(r.errorColumn, c.column);
        EXPECT_THAT(r.error, HasSubstr(c.says));
        EXPECT_EQ(r.error.rfind(c.line ? "line " + std::to_string(c.line) : "", 0), 0u) << r.error;
    }
    // Fret 22 is the highest a tab holds, and is taken.
    const TabTextImport::Result top = import("e|-22-|\nB|----|\nG|----|\nD|----|\nA|----|\nE|----|\n");
    ASSERT_TRUE(top.ok);
    EXPECT_EQ(top.columns, columns("xxxxxm"));
}

TEST(AsciiTabImport, ReadsOnlyItsByteSpan) {
    // The same text inside a larger buffer whose tail would add a bad fret.
    const std::string text = "e|--0--|\nB|--1--|\nG|--0--|\nD|--2--|\nA|--3--|\nE|-----";
    const std::string larger = text + "--99|\n";
    const TabTextImport::Result r =
        TabTextImport::read(reinterpret_cast<const uint8_t*>(larger.data()), text.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.columns, columns("x32010"));

    // Mangled tabs, each in a buffer of exactly its size (so that a memory
    // checker sees any read past it), are read or refused, never more.
    const Bytes seed = corpus("07-two-digit.txt");
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
        mangled.shrink_to_fit();
        const TabTextImport::Result m = TabTextImport::read(mangled.data(), mangled.size());
        EXPECT_TRUE(m.ok || !m.error.empty());
        for (const auto& c : m.columns)
            EXPECT_TRUE(
                std::all_of(c.begin(), c.end(), [](int32_t f) { return f >= -1 && f <= Tab::kHighestFret; }));
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
    EXPECT_TRUE(import(empty).ok && import(empty).columns.empty());
}

TEST(AsciiTabExport, RoundTripGivesTheSameTab) {
    std::mt19937 random(14);
    for (int trial = 0; trial < 40; ++trial) {
        // Up to 120 columns of one to six strings, each fret 0 to 22.
        Tab tab;
        Columns written(random() % 120, {-1, -1, -1, -1, -1, -1});
        for (auto& f : written) {
            for (int k = 1 + static_cast<int>(random() % 6); k > 0; --k)
                f[random() % 6] = static_cast<int32_t>(random() % 23);
            tab.addNotesToTab(-1, f.data());
        }
        const int bar = static_cast<int>(random() % 12); // 0: no bar lines; large bars are split
        SCOPED_TRACE(testing::Message() << "trial " << trial << ", bar " << bar);
        const std::string text = AsciiTabWriter(bar == 11 ? 40 : bar).write(tab);
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            EXPECT_LE(line.size(), static_cast<size_t>(AsciiTabWriter::kLineWidth)) << line;
        // Whole bars fill each line: the next line's first bar would not have fitted on it.
        std::vector<std::string> high;
        std::istringstream again(text);
        for (std::string line; std::getline(again, line);)
            if (line.rfind("e|", 0) == 0)
                high.push_back(line);
        for (size_t k = 0; bar > 0 && bar < 11 && k + 1 < high.size(); ++k)
            EXPECT_GT(high[k].size() + high[k + 1].find('|', 2) - 1, size_t(AsciiTabWriter::kLineWidth))
                << text;
        const TabTextImport::Result r = import(text);
        EXPECT_TRUE(r.ok && r.warnings.empty()) << r.error;
        EXPECT_EQ(r.columns, written) << text;
    }
}

TEST(TabCommand, ImportAndExportThroughFilesLeaveNothingHalfDone) {
    TempFolder dir;
    const auto tab = [](const std::vector<std::string>& args) { return runCommand(TabCommand::run, args); };
    const std::string pasted = std::string(STRUMWELL_TAB_CORPUS) + "/02-chords-lyrics.txt";
    EXPECT_EQ(tab({"import", pasted, "-o", dir.file("song.TAB")}).code, 0);
    EXPECT_EQ(tab({"export", dir.file("song.TAB"), "-o", dir.file("song.txt"), "--bar", "2"}).code, 0);
    EXPECT_EQ(tab({"import", dir.file("song.txt"), "-o", dir.file("again.TAB")}).code, 0);
    const Bytes saved = readFile(dir.file("song.TAB"));
    EXPECT_EQ(saved, writtenTab(tabOf("320003 x32010 xx0232 022000 x32010").createSaveTabBuffer()));
    EXPECT_EQ(readFile(dir.file("again.TAB")), saved);
    // A refused import leaves the existing tab file whole and no temporary
    // file; a damaged tab file is not exported.
    writeFile(dir.file("bad.txt"), Bytes{'e', '|', '-', '9', '9', '-', '\n'});
    writeFile(dir.file("cut.TAB"), Bytes(saved.begin(), saved.end() - 3));
    EXPECT_THAT(tab({"import", dir.file("bad.txt"), "-o", dir.file("song.TAB")}),
                testing::FieldsAre(1, "", HasSubstr("line 1")));
    EXPECT_THAT(tab({"export", dir.file("cut.TAB"), "-o", dir.file("cut.txt")}),
                testing::FieldsAre(1, "", HasSubstr("sections do not fit")));
    EXPECT_EQ(readFile(dir.file("song.TAB")), saved);
    EXPECT_EQ(filesIn(dir), 5u);
}
