// `strumwell dump` on every kind of file, damaged ones included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <sstream>

#include "StorageTestSupport.h"
#include "storage/DumpCommand.h"

namespace {

// Guitar volumes, releases and patches; delay on and ping-pong off, then off
// and on (any non-zero byte); fuzz on at 5000, off at -7; wah on, off; 12
// frets shown; whammy bar off, on; bends on, off; the reserved tail.
Bytes handMadeEngineSection() {
    return pack(0.5f, -1.5e-5, int8_t(1), 0.3f, -2.5e-5, int8_t(3), true, false, 26460, 0.4f, 0.9f, false,
                uint8_t(7), 1000, 0.25f, 0.5f, true, int16_t(5000), false, int16_t(-7), true, false,
                int8_t(12), false, true, true, false, Bytes(5, 0xEE));
}

Bytes handMadeTab() {
    Tab t;
    t.addNotesToTab(-1, "x02220");
    t.addChordToTab(-1, 22, -1, 0, 1, 2, 3);
    return t.createSaveTabBuffer();
}

Bytes handMadeSong(const std::string& header = "VERSION2", Bytes rec = oneNoteRecorderSection(5)) {
    return songBuffer(header, handMadeTab(), rec, handMadeEngineSection());
}

CommandRun dump(const Bytes& b, bool tab = false) {
    std::ostringstream out, err;
    const int code = DumpCommand::dumpBuffer(b.data(), b.size(), tab, out, err);
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

TEST(DumpCommand, SongStateAndTabFilesExactly) {
    TempFolder folder;
    const CommandRun r = dump(handMadeSong());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kSongJson);
    for (const char* name : {"system.state", "Song.SAV"}) {
        writeFile(folder.file(name), handMadeSong());
        EXPECT_EQ(runCommand(DumpCommand::run, {folder.file(name)}).out, kSongJson) << name;
    }
    // A tab file by its name, or the same bytes named otherwise with --tab; a bare section is version 0.
    const std::string tabJson = ",\n  \"tab\": {\"currentTabIndex\": 0, \"columns\": "
                                "[[-1, 0, 2, 2, 2, 0], [22, -1, 0, 1, 2, 3]]}\n}\n";
    writeFile(folder.file("Riff.tab"), pack("VERSION2", handMadeTab()));
    writeFile(folder.file("riff.bin"), handMadeTab());
    EXPECT_EQ(runCommand(DumpCommand::run, {folder.file("Riff.tab")}),
              (CommandRun{0, "{\n  \"kind\": \"tab\",\n  \"version\": 2" + tabJson, ""}));
    EXPECT_EQ(runCommand(DumpCommand::run, {"--tab", folder.file("riff.bin")}).out,
              "{\n  \"kind\": \"tab\",\n  \"version\": 0" + tabJson);
}

TEST(DumpCommand, OlderUnknownAndSavedVersions) {
    // Version 0: no header, notes only, the 60-byte engine section.
    const Bytes rec0 = pack(3, 0), engine = handMadeEngineSection(),
                engine0(engine.begin(), engine.begin() + 60);
    // Version 1: the recorder section is 8 bytes shorter than its records; the
    // recorder reads the missing bytes of the last record as zero.
    Bytes rec1 = oneNoteRecorderSection(5);
    rec1.resize(rec1.size() - 8);
    TempFolder folder;
    Model m(folder.str());
    m.tab.addNotesToTab(-1, "x32010");
    const struct {
        Bytes file;
        std::vector<const char*> says;
    } cases[] = {{songBuffer("", handMadeTab(), rec0, engine0),
                  {"\"version\": 0,", "\"currentNoteID\": 3,", "\"wahOn\": [false, false]",
                   "\"numFretsToShow\": 5,", "\"pitchBendOn\": [false, false]"}},
                 {handMadeSong("VERSION1", rec1),
                  {"{\"time\": 0.29999999999999999, \"noteID\": 0, \"pitch\": 0, \"overdubNo\": 0}"}},
                 {songBuffer("VERSION7", handMadeTab(), Bytes(1, 0), Bytes(2, 0)),
                  {"\"version\": 7,", "\"recorder\": null,\n  \"engine\": null\n}"}},
                 {m.files.createSongSaveBuffer(),
                  {"\"columns\": [[-1, 3, 2, 0, 1, 0]]", "\"notes\": [],", "\"patchNo\": [1, 3]",
                   "\"delayOn\": [false, true]"}}};
    for (const auto& c : cases) {
        const CommandRun r = dump(c.file);
        EXPECT_EQ(r.code, 0) << r.err;
        for (const char* text : c.says)
            EXPECT_NE(r.out.find(text), std::string::npos) << text << " in " << r.out;
    }
}

TEST(DumpCommand, DamagedFilesAndBadCommandLinesPrintTheReason) {
    std::vector<DamagedSong> cases = damagedSongs();
    const Bytes tabFile = pack("VERSION2", handMadeTab());
    cases.push_back({"tab file cut", Bytes(tabFile.begin(), tabFile.end() - 2), "TabFailure-2"});
    cases.push_back({"tab file without its count", pack("VERSION2", uint8_t(1), uint8_t(0)), "TabFailure-1"});
    cases.push_back({"empty tab file", {}, "Empty file"});
    for (DamagedSong& c : cases) {
        SCOPED_TRACE(c.name);
        c.bytes.shrink_to_fit();
        EXPECT_EQ(dump(c.bytes, c.name.find("tab file") != std::string::npos),
                  (CommandRun{1, "", c.reason + "\n"}));
    }
    TempFolder folder;
    EXPECT_EQ(runCommand(DumpCommand::run, {folder.file("none.SAV")}),
              (CommandRun{1, "", "FileNotFound: " + folder.file("none.SAV") + "\n"}));
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"a", "b"}, {"--bogus", "a"}})
        EXPECT_EQ(runCommand(DumpCommand::run, args).code, 2);
    EXPECT_EQ(runCommand(DumpCommand::run, {"--help"}), (CommandRun{0, DumpCommand::usage(), ""}));
}

// Times and volumes print so that they read back as the same numbers, and
// values that are not numbers still make valid JSON.
TEST(DumpCommand, NumbersReadBackExactly) {
    std::mt19937 random(99);
    std::vector<Note> notes;
    for (int i = 0; i < 50; ++i) {
        const double t = std::ldexp(static_cast<double>(random()), -static_cast<int>(random() % 40));
        const float v = std::ldexp(static_cast<float>(random() % 1000003), -static_cast<int>(random() % 30));
        notes.emplace_back(i, v, t, 1, i, -t, 0.0);
    }
    const PerGuitar<WhammyBarChange> whammy = {{{WhammyBarChange(std::nan(""), -INFINITY, 2)}, {}}};
    const Bytes rec = recorderSection(notes, {}, whammy, {}, 50);
    const CommandRun r = dump(songBuffer("VERSION2", Bytes{0, 0, 0, 0}, rec, handMadeEngineSection()));
    ASSERT_EQ(r.code, 0) << r.err;
    size_t pos = 0;
    for (const Note& n : notes) {
        pos = r.out.find("{\"time\": ", pos);
        ASSERT_NE(pos, std::string::npos);
        EXPECT_EQ(std::strtod(r.out.c_str() + pos + 9, nullptr), n.time());
        pos = r.out.find("\"volume\": ", pos);
        EXPECT_EQ(std::strtof(r.out.c_str() + pos + 10, nullptr), n.volume());
    }
    EXPECT_NE(r.out.find("{\"time\": \"NaN\", \"pitch\": \"-Infinity\", \"overdubNo\": 2}"),
              std::string::npos)
        << r.out;
}

TEST(DumpCommand, RandomDamageNeverCrashes) {
    const Bytes song = handMadeSong();
    std::mt19937 random(4321);
    for (int i = 0; i < 300; ++i) {
        Bytes b = song;
        for (int k = 0; k < 3; ++k)
            b[random() % b.size()] = static_cast<uint8_t>(random());
        b.resize(random() % (b.size() + 1));
        b.shrink_to_fit();
        const CommandRun r = dump(b, i % 3 == 0);
        EXPECT_TRUE(r.code == 0 || r.code == 1);
        EXPECT_TRUE((r.code == 0) == r.err.empty());
    }
}
