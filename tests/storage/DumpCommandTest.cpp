// `strumwell dump` on every kind of file, damaged ones included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <sstream>

#include "StorageTestSupport.h"
#include "storage/DumpCommand.h"

namespace {

Bytes handMadeEngineSection() {
    ByteWriter w;
    w.f32(0.5f);
    w.f64(-1.5e-5);
    w.i8(1);
    w.f32(0.3f);
    w.f64(-2.5e-5);
    w.i8(3);
    w.u8(1); // guitar 0: delay on, ping-pong off, 26460, 0.4, 0.9
    w.u8(0);
    w.i32(26460);
    w.f32(0.4f);
    w.f32(0.9f);
    w.u8(0); // guitar 1: delay off, ping-pong on (any non-zero), 1000, 0.25, 0.5
    w.u8(7);
    w.i32(1000);
    w.f32(0.25f);
    w.f32(0.5f);
    w.u8(1); // fuzz on 5000
    w.i16(5000);
    w.u8(0); // fuzz off -7
    w.i16(-7);
    w.u8(1); // wah on, off
    w.u8(0);
    w.i8(12); // frets shown
    w.u8(0);  // whammy bar off, on
    w.u8(1);
    w.u8(1); // bends on, off
    w.u8(0);
    for (int i = 0; i < 5; ++i)
        w.u8(0xEE);
    return w.take();
}

Bytes handMadeTab() {
    Tab t;
    t.addNotesToTab(-1, "x02220");
    t.addChordToTab(-1, 22, -1, 0, 1, 2, 3);
    return t.createSaveTabBuffer();
}

struct Result {
    int code;
    std::string out;
    std::string err;
};

Result dump(const Bytes& b, bool tab) {
    std::ostringstream out, err;
    const int code = DumpCommand::dumpBuffer(b.data(), b.size(), tab, out, err);
    return {code, out.str(), err.str()};
}

Result dumpFile(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = DumpCommand::run(args, out, err);
    return {code, out.str(), err.str()};
}

const char* const kSongJson = R"({
  "kind": "song",
  "version": 2,
  "tab": {"currentTabIndex": 0, "columns": [[-1, 0, 2, 2, 2, 0], [22, -1, 0, 1, 2, 3]]},
  "recorder": {
    "currentNoteID": 5,
    "notes": [
      {"time": 0.10000000000000001, "keyDown": true, "sampleNo": 10, "noteID": 0, "volume": 0.5, "releaseDelta": -1.5e-05},
      {"time": 0.59999999999999998, "keyDown": false, "sampleNo": 0, "noteID": 0, "volume": 0, "releaseDelta": 0}
    ],
    "pitchChanges": [
      {"time": 0.29999999999999999, "noteID": 0, "pitch": 1.12333333, "overdubNo": 1}
    ],
    "whammy": [[], []],
    "wah": [[], []]
  },
  "engine": {
    "guitarVolume": [0.5, 0.300000012],
    "guitarReleaseDelta": [-1.5e-05, -2.5000000000000001e-05],
    "patchNo": [1, 3],
    "delayOn": [true, false],
    "pingPong": [false, true],
    "delayTime": [26460, 1000],
    "delayFeedback": [0.400000006, 0.25],
    "delayMix": [0.899999976, 0.5],
    "fuzzOn": [true, false],
    "fuzzThreshold": [5000, -7],
    "wahOn": [true, false],
    "numFretsToShow": 12,
    "whammyBarAttached": [false, true],
    "pitchBendOn": [true, false]
  }
}
)";

} // namespace

TEST(DumpCommand, SongFileExactly) {
    const Bytes file =
        songBuffer("VERSION2", handMadeTab(), oneNoteRecorderSection(5), handMadeEngineSection());
    const Result r = dump(file, false);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kSongJson);
}

TEST(DumpCommand, StateAndSongFilesFromDiskAndTabFile) {
    TempFolder folder;
    const Bytes file =
        songBuffer("VERSION2", handMadeTab(), oneNoteRecorderSection(5), handMadeEngineSection());
    writeFile(folder.file("system.state"), file);
    writeFile(folder.file("Song.SAV"), file);
    EXPECT_EQ(dumpFile({folder.file("system.state")}).out, kSongJson);
    EXPECT_EQ(dumpFile({folder.file("Song.SAV")}).out, kSongJson);

    Bytes tabFile = {'V', 'E', 'R', 'S', 'I', 'O', 'N', '2'};
    const Bytes tab = handMadeTab();
    tabFile.insert(tabFile.end(), tab.begin(), tab.end());
    writeFile(folder.file("Riff.tab"), tabFile);
    const char* const tabJson =
        "{\n  \"kind\": \"tab\",\n  \"version\": 2,\n"
        "  \"tab\": {\"currentTabIndex\": 0, \"columns\": [[-1, 0, 2, 2, 2, 0], [22, -1, 0, 1, 2, 3]]}\n}\n";
    const Result r = dumpFile({folder.file("Riff.tab")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, tabJson);
    // The same bytes named otherwise need --tab; a bare section is version 0.
    writeFile(folder.file("riff.bin"), tab);
    const Result bare = dumpFile({"--tab", folder.file("riff.bin")});
    EXPECT_EQ(bare.code, 0);
    EXPECT_NE(bare.out.find("\"version\": 0,"), std::string::npos);
    EXPECT_NE(bare.out.find("[22, -1, 0, 1, 2, 3]"), std::string::npos);
}

TEST(DumpCommand, FileWrittenByTheFileManager) {
    TempFolder folder;
    Model m(folder.str());
    std::ostringstream quiet;
    m.files.setDiagnosticStream(quiet);
    m.tab.addNotesToTab(-1, "x32010");
    ASSERT_TRUE(m.files.saveState("system.state"));
    const Result r = dumpFile({folder.file("system.state")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\"columns\": [[-1, 3, 2, 0, 1, 0]]"), std::string::npos);
    EXPECT_NE(r.out.find("\"notes\": [],"), std::string::npos);
    EXPECT_NE(r.out.find("\"patchNo\": [1, 3]"), std::string::npos);
    EXPECT_NE(r.out.find("\"delayOn\": [false, true]"), std::string::npos);
}

TEST(DumpCommand, OlderAndUnknownVersions) {
    // Version 0: no header, notes only, the 60-byte engine section.
    ByteWriter rec;
    rec.i32(3);
    rec.i32(0);
    Bytes engine0 = handMadeEngineSection();
    engine0.resize(60);
    const Result v0 = dump(songBuffer("", handMadeTab(), rec.take(), engine0), false);
    EXPECT_EQ(v0.code, 0) << v0.err;
    EXPECT_NE(v0.out.find("\"version\": 0,"), std::string::npos);
    EXPECT_NE(v0.out.find("\"currentNoteID\": 3,"), std::string::npos);
    EXPECT_NE(v0.out.find("\"wahOn\": [false, false]"), std::string::npos);
    EXPECT_NE(v0.out.find("\"numFretsToShow\": 5,"), std::string::npos);
    EXPECT_NE(v0.out.find("\"pitchBendOn\": [false, false]"), std::string::npos);

    // Version 1: the recorder section is 8 bytes shorter than its records; the
    // recorder reads the missing bytes of the last record as zero.
    Bytes rec1 = oneNoteRecorderSection(5);
    rec1.resize(rec1.size() - 8);
    const Result v1 = dump(songBuffer("VERSION1", handMadeTab(), rec1, handMadeEngineSection()), false);
    EXPECT_EQ(v1.code, 0) << v1.err;
    EXPECT_NE(v1.out.find("{\"time\": 0.29999999999999999, \"noteID\": 0, \"pitch\": 0, \"overdubNo\": 0}"),
              std::string::npos)
        << v1.out;

    // Version 7: the tab is read; the other sections are not understood.
    const Result v7 = dump(songBuffer("VERSION7", handMadeTab(), Bytes(1, 0), Bytes(2, 0)), false);
    EXPECT_EQ(v7.code, 0) << v7.err;
    EXPECT_NE(v7.out.find("\"version\": 7,"), std::string::npos);
    EXPECT_NE(v7.out.find("\"recorder\": null,\n  \"engine\": null\n}"), std::string::npos) << v7.out;
}

TEST(DumpCommand, DamagedFilesPrintTheCode) {
    const Bytes tab = handMadeTab();
    const Bytes rec = oneNoteRecorderSection();
    const Bytes eng = handMadeEngineSection();
    const Bytes song = songBuffer("VERSION2", tab, rec, eng);
    Bytes tabFile = {'V', 'E', 'R', 'S', 'I', 'O', 'N', '2'};
    tabFile.insert(tabFile.end(), tab.begin(), tab.end());
    struct Case {
        Bytes bytes;
        bool tab;
        const char* code;
    } cases[] = {
        {Bytes(song.begin(), song.end() - 1), false, "Error loading file"},
        {Bytes(song.begin(), song.begin() + 40), false, "Error loading file"},
        {songBuffer("VERSION2", Bytes{9, 0}, rec, eng), false, "TabFailure-1"},
        {songBuffer("VERSION2", Bytes{5, 0, 0, 0}, rec, eng), false, "TabFailure-2"},
        {songBuffer("VERSION2", Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 0xFE}, rec, eng), false, "TabFailure-3"},
        {songBuffer("VERSION2", tab, Bytes{1, 2, 3}, eng), false, "RecorderFailure-1"},
        {songBuffer("VERSION2", tab, Bytes(29, 0), eng), false, "RecorderFailure-2"},
        {songBuffer("VERSION2", tab, rec, Bytes(71, 0)), false, "SoundEngineFailure-1"},
        {Bytes(tabFile.begin(), tabFile.end() - 2), true, "TabFailure-2"},
        {Bytes{'V', 'E', 'R', 'S', 'I', 'O', 'N', '2', 1, 0}, true, "TabFailure-1"},
        {Bytes{}, false, "Empty file"},
        {Bytes{}, true, "Empty file"},
    };
    for (const Case& c : cases) {
        Bytes exact = c.bytes;
        exact.shrink_to_fit();
        const Result r = dump(exact, c.tab);
        EXPECT_EQ(r.code, 1) << c.code;
        EXPECT_EQ(r.out, "") << c.code;
        EXPECT_EQ(r.err, std::string(c.code) + "\n");
    }
}

TEST(DumpCommand, CommandLine) {
    TempFolder folder;
    const Result missing = dumpFile({folder.file("none.SAV")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "FileNotFound: " + folder.file("none.SAV") + "\n");
    EXPECT_EQ(dumpFile({}).code, 2);
    EXPECT_EQ(dumpFile({"a", "b"}).code, 2);
    EXPECT_EQ(dumpFile({"--bogus", "a"}).code, 2);
    const Result help = dumpFile({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("strumwell dump"), std::string::npos);
}

TEST(DumpCommand, NumbersReadBackExactly) {
    std::mt19937 random(99);
    ByteWriter rec;
    const int n = 50;
    rec.i32(n);
    rec.i32(n);
    for (int i = 0; i < 5; ++i)
        rec.i32(0);
    std::vector<double> times;
    std::vector<float> volumes;
    for (int i = 0; i < n; ++i) {
        const double t = std::ldexp(static_cast<double>(random()), -static_cast<int>(random() % 40));
        const float v = std::ldexp(static_cast<float>(random() % 1000003), -static_cast<int>(random() % 30));
        times.push_back(t);
        volumes.push_back(v);
        rec.u8(1);
        rec.i8(static_cast<int8_t>(i));
        rec.f64(t);
        rec.i32(i);
        rec.f32(v);
        rec.f64(-t);
    }
    const Result r =
        dump(songBuffer("VERSION2", Bytes{0, 0, 0, 0}, rec.take(), handMadeEngineSection()), false);
    ASSERT_EQ(r.code, 0) << r.err;
    size_t pos = 0;
    for (int i = 0; i < n; ++i) {
        pos = r.out.find("{\"time\": ", pos);
        ASSERT_NE(pos, std::string::npos);
        const double t = std::strtod(r.out.c_str() + pos + 9, nullptr);
        const size_t vpos = r.out.find("\"volume\": ", pos);
        const float v = std::strtof(r.out.c_str() + vpos + 10, nullptr);
        EXPECT_EQ(t, times[static_cast<size_t>(i)]);
        EXPECT_EQ(v, volumes[static_cast<size_t>(i)]);
        pos = vpos;
    }
}

TEST(DumpCommand, NonFiniteValuesStayValidJson) {
    ByteWriter rec;
    rec.i32(0);
    rec.i32(0);
    rec.i32(0);
    rec.i32(1); // one whammy change of guitar 1
    rec.i32(0);
    rec.i32(0);
    rec.i32(0);
    rec.f64(std::nan(""));
    rec.f32(-INFINITY);
    rec.i32(2);
    const Result r =
        dump(songBuffer("VERSION2", Bytes{0, 0, 0, 0}, rec.take(), handMadeEngineSection()), false);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("{\"time\": \"NaN\", \"pitch\": \"-Infinity\", \"overdubNo\": 2}"),
              std::string::npos)
        << r.out;
}

TEST(DumpCommand, RandomDamageNeverCrashes) {
    const Bytes song =
        songBuffer("VERSION2", handMadeTab(), oneNoteRecorderSection(), handMadeEngineSection());
    std::mt19937 random(4321);
    for (int i = 0; i < 300; ++i) {
        Bytes b = song;
        for (int k = 0; k < 3; ++k)
            b[random() % b.size()] = static_cast<uint8_t>(random());
        b.resize(random() % (b.size() + 1));
        b.shrink_to_fit();
        const Result r = dump(b, i % 3 == 0);
        EXPECT_TRUE(r.code == 0 || r.code == 1);
        EXPECT_TRUE((r.code == 0) == r.err.empty());
    }
}
