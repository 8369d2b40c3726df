// MusicXML: small scores written here, read into tracks and laid out as tabs;
// tabs exported as MusicXML and imported back; hostile files refused.
#include <zip.h>

#include "import/ImportCommand.h"
#include "import/MusicXmlReader.h"
#include "import/TabArranger.h"
#include "storage/SongCodec.h"
#include "storage/StorageTestSupport.h"

namespace {

// A note of a quarter's `div`isions: "C4", "F#2"; `more` goes inside it.
std::string n(const std::string& p, int div, const std::string& more = "") {
    return "<note><pitch><step>" + p.substr(0, 1) + "</step>" + (p[1] == '#' ? "<alter>1</alter>" : "") +
           "<octave>" + p.substr(p.size() - 1) + "</octave></pitch><duration>" + std::to_string(div) +
           "</duration>" + more + "</note>";
}
std::string chord(const std::string& note) {
    return "<note><chord/>" + note.substr(6);
}
std::string sf(int string, int fret) {
    return "<notations><technical><string>" + std::to_string(string) + "</string><fret>" +
           std::to_string(fret) + "</fret></technical></notations>";
}
std::string rest(int div) {
    return "<note><rest/><duration>" + std::to_string(div) + "</duration></note>";
}
std::string attrs(const std::string& more) {
    return "<attributes><divisions>2</divisions>" + more + "</attributes>";
}
const std::string kTab =
    "<clef><sign>TAB</sign></clef><staff-details><staff-lines>6</staff-lines></staff-details>";
std::string score(const std::string& measures, const std::string& name = "Lead") {
    return "<?xml version=\"1.0\"?><score-partwise version=\"4.0\"><part-list><score-part "
           "id=\"P1\"><part-name>" +
           name + "</part-name></score-part></part-list><part id=\"P1\"><measure>" + measures +
           "</measure></part></score-partwise>";
}
Bytes bytesOf(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// Notes as "ms:pitch", then "sSfF" where the file gave a string and fret, "~" when tied.
std::string notesOf(const ScoreTrack& t) {
    std::string s;
    for (const ScoreNote& x : t.notes)
        s += (s.empty() ? "" : " ") + std::to_string(std::lround(x.seconds * 1000)) + ":" +
             std::to_string(x.pitch) +
             (x.string >= 0 ? "s" + std::to_string(x.string) + "f" + std::to_string(x.fret) : "") +
             (x.tied ? "~" : "");
    return s;
}

Bytes zipOf(const std::vector<std::pair<std::string, std::string>>& entries) {
    TempFolder dir;
    int e = 0;
    zip_t* z = zip_open(dir.file("a.zip").c_str(), ZIP_CREATE | ZIP_TRUNCATE, &e);
    for (const auto& [name, text] : entries)
        zip_file_add(z, name.c_str(), zip_source_buffer(z, text.data(), text.size(), 0), 0);
    zip_close(z);
    return readFile(dir.file("a.zip"));
}

const std::string kDroppedD =
    "<staff-details><staff-lines>6</staff-lines><staff-tuning line=\"1\"><tuning-step>D"
    "</tuning-step><tuning-octave>2</tuning-octave></staff-tuning></staff-details>";

} // namespace

TEST(MusicXmlReader, PartsBecomeTimedNotesAndTabs) {
    struct Case {
        const char* name;
        std::string file, notes, tab;
        bool guitar;
    };
    const std::vector<Case> cases = {
        {"TAB frets kept, a chord", score(attrs(kTab) + n("C3", 2, sf(5, 3)) + chord(n("E4", 2, sf(2, 5)))),
         "0:48s1f3 0:64s4f5", "x3xx5x", true},
        {"notation assigned, tie, rest",
         score(attrs("") + n("E4", 2, "<tie type=\"start\"/>") + n("E4", 2, "<tie type=\"stop\"/>") +
               rest(1) + n("G3", 1)),
         "0:64 500:64~ 1250:55", "xxxxx0 xxx0xx", false},
        {"backup for a second voice",
         score(attrs("") + n("A3", 4) + "<backup><duration>4</duration></backup>" + n("C3", 2) + n("D3", 2),
               "Nylon guitar"),
         "0:57 0:48 500:50", "x3x2xx xx0xxx", true},
        {"tempo change",
         score(attrs("") + n("C4", 2) + "<direction><sound tempo=\"60\"/></direction>" + n("C4", 2) +
               "<direction><direction-type><metronome><beat-unit>half</beat-unit>"
               "<per-minute>60</per-minute></metronome></direction-type></direction>" +
               n("C4", 4) + n("C4", 1)),
         "0:60 500:60 1500:60 2500:60", "xxxx1x xxxx1x xxxx1x xxxx1x", false},
        {"dropped D refretted", score(attrs(kDroppedD) + n("G2", 2, sf(6, 5))), "0:43s0f5", "3xxxxx", true},
        {"notes and TAB of the same notes",
         score(attrs("<staves>2</staves><clef number=\"2\"><sign>TAB</sign>"
                     "</clef>") +
               n("B3", 2, "<staff>1</staff>") + "<backup><duration>2</duration></backup>" +
               n("B3", 2, "<staff>2</staff>" + sf(3, 4))),
         "0:59s3f4", "xxx4xx", true},
        {"timewise",
         "<score-timewise><measure><part id=\"A\">" + attrs("") + n("D3", 2) +
             "</part></measure><measure><part id=\"A\">" + n("D3", 2) + "</part></measure></score-timewise>",
         "0:50 500:50", "xx0xxx xx0xxx", false},
    };
    for (const Case& c : cases) {
        Score s;
        std::string error;
        ASSERT_TRUE(MusicXmlReader::read(bytesOf(c.file), s, error)) << c.name << ": " << error;
        EXPECT_EQ(notesOf(s.tracks.at(0)), c.notes) << c.name;
        EXPECT_EQ(s.tracks[0].guitar, c.guitar) << c.name;
        std::string letters;
        for (const auto& col : TabArranger::arrange(s.tracks[0]).columns) {
            letters += letters.empty() ? "" : " ";
            for (int f : col)
                letters += f < 0 ? 'x' : char('0' + f);
        }
        EXPECT_EQ(letters, c.tab) << c.name;
    }
}

TEST(ImportCommand, MusicXmlRoundTripsAndCompressedScoresAndHostileFiles) {
    TempFolder dir;
    const Tab tab = tabOf("x32010 320003 xx0232 0xxxxx 3xxxxx");
    writeFile(dir.file("t.TAB"), SongCodec::writeTab(tab));
    EXPECT_EQ(runCommand(TabCommand::run, {"export", dir.file("t.TAB"), "-o", dir.file("t.musicxml")}),
              (CommandRun{0, "Wrote " + dir.file("t.musicxml") + ": 5 columns\n", ""}));
    const std::string xml =
        runCommand(TabCommand::run, {"export", dir.file("t.TAB"), "--format", "musicxml", "-o", "-"}).out;
    EXPECT_THAT(xml, HasSubstr("<score-partwise version=\"4.0\">"));
    EXPECT_EQ(bytesOf(xml), readFile(dir.file("t.musicxml")));
    // .mxl: by META-INF/container.xml, and by the first score at the top without it.
    writeFile(dir.file("c.mxl"),
              zipOf({{"META-INF/container.xml", "<container><rootfiles><rootfile full-path="
                                                "\"s/x.musicxml\"/></rootfiles></container>"},
                     {"s/x.musicxml", xml}}));
    writeFile(dir.file("f.mxl"), zipOf({{"readme.txt", "hi"}, {"x.xml", xml}}));
    for (const char* in : {"t.musicxml", "c.mxl", "f.mxl"}) {
        EXPECT_EQ(runCommand(ImportCommand::run, {dir.file(in), "-o", dir.file("back.TAB")}).code, 0) << in;
        EXPECT_EQ(readFile(dir.file("back.TAB")), SongCodec::writeTab(tab)) << in;
    }

    const std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 "
                               "\"&lol;&lol;&lol;&lol;\">]><score-partwise>&lol2;</score-partwise>";
    const std::vector<std::tuple<std::string, Bytes, std::string>> cases = {
        {"in.xml", Bytes(xml.begin(), xml.begin() + 900),
         "the score is not well-formed XML at byte 894: "
         "Start-end tags mismatch"},
        {"in.xml", bytesOf(laughs), "the score declares entities in its DOCTYPE, which are not read"},
        {"in.mxl", zipOf({{"x.xml", std::string(1 << 20, ' ')}}),
         "'x.xml' would inflate to 1048576 bytes, more "
         "than 206800 (a zip bomb?)"},
        {"in.xml", bytesOf(score("<attributes><divisions>0</divisions></attributes>")),
         "part P1, measure 1: <divisions> is '0' (1 ... 10000000 expected)"},
        {"in.xml", bytesOf(score(n("C4", 1) + "<forward><duration>1e300</duration></forward>")),
         "part P1, measure 1: <duration> is '1e300' (0 ... 100000000 expected)"},
        {"in.xml", bytesOf(score("<sound tempo=\"0\"/>")),
         "part P1, measure 1: tempo '0' (1 ... 1000 expected)"},
        {"in.xml", bytesOf(score(n("H9", 1))),
         "part P1, measure 1: a note's step 'H' is not A ... G or its "
         "pitch is beyond MIDI's"},
        {"in.xml", bytesOf("<opus/>"), "not a MusicXML score (the document is <opus>)"}};
    for (const auto& [name, bytes, reason] : cases) {
        writeFile(dir.file(name), bytes);
        writeFile(dir.file("out.TAB"), Bytes{'o', 'l', 'd'});
        const CommandRun r = runCommand(ImportCommand::run, {dir.file(name), "-o", dir.file("out.TAB")});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err,
                  "strumwell: cannot read '" + dir.file(name) + "': " + reason + "; nothing written\n");
        EXPECT_EQ(readFile(dir.file("out.TAB")), (Bytes{'o', 'l', 'd'})) << reason;
    }
}
