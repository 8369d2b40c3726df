// MusicXML: small scores written here, read into tracks and laid out as tabs;
// tabs exported as MusicXML and imported back; hostile files refused.
#include "ImportSupport.h"
#include "import/MusicXmlReader.h"
#include "import/TabArranger.h"
#include "storage/SongCodec.h"

namespace {

// A note of a quarter's `div`isions: "C4", "F#2", "+E4" (a chord's), "r" (a rest); `more` goes inside it.
std::string n(std::string p, int div, const std::string& more = "") {
    const std::string chord = p[0] == '+' ? "<chord/>" : "", d = std::to_string(div);
    p = p.substr(chord.size() ? 1 : 0);
    return "<note>" + chord +
           (p == "r"
                ? "<rest/>"
                : "<pitch><step>" + p.substr(0, 1) + "</step>" + (p[1] == '#' ? "<alter>1</alter>" : "") +
                      "<octave>" + p.substr(p.size() - 1) + "</octave></pitch>") +
           "<duration>" + d + "</duration>" + more + "</note>";
}
std::string sf(int string, int fret) {
    return "<notations><technical><string>" + std::to_string(string) + "</string><fret>" +
           std::to_string(fret) + "</fret></technical></notations>";
}
std::string attrs(const std::string& more) {
    return "<attributes><divisions>2</divisions>" + more + "</attributes>";
}
std::string score(const std::string& measures, const std::string& name = "Lead") {
    return "<score-partwise version=\"4.0\"><part-list><score-part id=\"P1\"><part-name>" + name +
           "</part-name></score-part></part-list><part id=\"P1\"><measure>" + measures +
           "</measure></part></score-partwise>";
}
} // namespace

TEST(MusicXmlReader, PartsBecomeTimedNotesAndTabs) {
    // Name (ending in "guitar" when the part is one), file, notes, tab.
    const std::vector<std::array<std::string, 4>> cases = {
        {"TAB frets kept, a chord: guitar",
         score(attrs("<clef><sign>TAB</sign></clef>") + n("C3", 2, sf(5, 3)) + n("+E4", 2, sf(2, 5))),
         "0:48s1f3 0:64s4f5", "x3xx5x"},
        {"notation assigned, tie, rest",
         score(attrs("") + n("E4", 2, "<tie type=\"start\"/>") + n("E4", 2, "<tie type=\"stop\"/>") +
               n("r", 1) + n("G3", 1)),
         "0:64 500:64~ 1250:55", "xxxxx0 xxx0xx"},
        {"backup for a second voice: guitar",
         score(attrs("") + n("A3", 4) + "<backup><duration>4</duration></backup>" + n("C3", 2) + n("D3", 2),
               "Nylon guitar"),
         "0:57 0:48 500:50", "x3x2xx xx0xxx"},
        {"tempo change",
         score(attrs("") + n("C4", 2) + "<sound tempo=\"60\"/>" + n("C4", 2) +
               "<direction><direction-type><metronome><beat-unit>half</beat-unit>"
               "<per-minute>60</per-minute></metronome></direction-type></direction>" +
               n("C4", 4) + n("C4", 1)),
         "0:60 500:60 1500:60 2500:60", "xxxx1x xxxx1x xxxx1x xxxx1x"},
        {"dropped D refretted: guitar",
         score(attrs("<staff-details><staff-tuning line=\"1\"><tuning-step>D</tuning-step>"
                     "<tuning-octave>2</tuning-octave></staff-tuning></staff-details>") +
               n("G2", 2, sf(6, 5))),
         "0:43s0f5", "3xxxxx"},
        {"notes and TAB of the same notes: guitar",
         score(attrs("<staves>2</staves><clef number=\"2\"><sign>TAB</sign></clef>") +
               n("B3", 2, "<staff>1</staff>") + "<backup><duration>2</duration></backup>" +
               n("B3", 2, "<staff>2</staff>" + sf(3, 4))),
         "0:59s3f4", "xxx4xx"},
        {"timewise",
         "<score-timewise><measure><part id=\"A\">" + attrs("") + n("D3", 2) +
             "</part></measure><measure><part id=\"A\">" + n("D3", 2) + "</part></measure></score-timewise>",
         "0:50 500:50", "xx0xxx xx0xxx"},
    };
    for (const auto& [name, file, notes, tab] : cases) {
        SCOPED_TRACE(name);
        const Score s = readScore(Bytes(file.begin(), file.end()), "a.musicxml");
        ASSERT_FALSE(s.tracks.empty());
        EXPECT_EQ(notesOf(s.tracks[0]), notes) << name;
        EXPECT_EQ(s.tracks[0].guitar, name.ends_with("guitar")) << name;
        EXPECT_EQ(TabArranger::arrange(s.tracks[0]).columns, columns(tab)) << name;
    }
}

TEST(ImportCommand, MusicXmlRoundTripsAndCompressedScoresAndHostileFiles) {
    TempFolder dir;
    writeFile(dir.file("t.TAB"), SongCodec::writeTab(tabOf("x32010 320003 xx0232 0xxxxx 3xxxxx")));
    EXPECT_EQ(runCommand(TabCommand::run, {"export", dir.file("t.TAB"), "-o", dir.file("t.musicxml")}),
              (CommandRun{0, "Wrote " + dir.file("t.musicxml") + ": 5 columns\n", ""}));
    const std::string xml =
        runCommand(TabCommand::run, {"export", dir.file("t.TAB"), "--format", "musicxml", "-o", "-"}).out;
    EXPECT_THAT(xml, HasSubstr("score-partwise PUBLIC \"-//Recordare//DTD MusicXML 4.0 Partwise//EN\""));
    // .mxl: by META-INF/container.xml, and by the first score at the top without it.
    writeFile(dir.file("c.mxl"),
              zipOf({{"META-INF/container.xml", "<container><rootfiles><rootfile full-path="
                                                "\"s/x.musicxml\"/></rootfiles></container>"},
                     {"s/x.musicxml", xml}}));
    writeFile(dir.file("f.mxl"), zipOf({{"readme.txt", "hi"}, {"x.xml", xml}}));
    for (const char* in : {"t.musicxml", "c.mxl", "f.mxl"}) {
        EXPECT_EQ(runCommand(ImportCommand::run, {dir.file(in), "-o", dir.file("back.TAB")}).code, 0) << in;
        EXPECT_EQ(readFile(dir.file("back.TAB")), readFile(dir.file("t.TAB"))) << in;
    }

    expectRefused(
        {{"in.xml", xml.substr(0, 900),
          "the score is not well-formed XML at byte 894: Start-end tags mismatch"},
         {"in.xml",
          "<!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 "
          "\"&lol;&lol;\">]><score-partwise>&lol2;</score-partwise>",
          "the score declares entities in its DOCTYPE, which are not read"},
         {"in.mxl", zipOf({{"x.xml", std::string(1 << 20, ' ')}}),
          "'x.xml' would inflate to 1048576 bytes, more than 206800 (a zip bomb?)"},
         {"in.xml", score("<attributes><divisions>0</divisions></attributes>"),
          "part P1, measure 1: <divisions> is '0' (1 ... 10000000 expected)"},
         {"in.xml", score(n("C4", 1) + "<forward><duration>1e300</duration></forward>"),
          "part P1, measure 1: <duration> is '1e300' (0 ... 100000000 expected)"},
         {"in.xml", score("<sound tempo=\"0\"/>"), "part P1, measure 1: tempo '0' (1 ... 1000 expected)"},
         {"in.xml", score(n("H9", 1)),
          "part P1, measure 1: a note's step 'H' is not A ... G or its pitch is beyond MIDI's"},
         {"in.xml", "<opus/>", "not a MusicXML score (the document is <opus>)"}});
}
