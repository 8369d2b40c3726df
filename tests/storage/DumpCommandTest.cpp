// `strumwell dump` on every kind of file, damaged ones included.
#include "StorageTestSupport.h"
#include "audio/EngineSettings.h"

namespace {

// Up to the last field a version 2 file holds.
const std::string kSongJson = R"({
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
    "whammy": [[
      {"time": "NaN", "pitch": "-Infinity", "overdubNo": 2}
    ], [
      {"time": 0.25, "pitch": "Infinity", "overdubNo": 1}
    ]],
    "wah": [[], [
      {"time": 0.5, "pitch": 0.25, "overdubNo": 1},
      {"time": 1.0000000000000001e+300, "pitch": 0.5, "overdubNo": 3}
    ]]
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
    "pitchBendOn": [true, false])";

// What follows the values of the field `last` (a list).
std::string after(const std::string& json, const char* last) {
    return json.substr(json.find(']', json.find(last)) + 1);
}

} // namespace

TEST(DumpCommand, SongStateAndTabFilesExactly) {
    // Guitar volumes, releases and patches; delay on and ping-pong off, then
    // off and on (any non-zero byte); fuzz on at 5000, off at -7; wah on, off;
    // 12 frets shown; whammy bar off, on; bends on, off; the reserved tail.
    const Bytes engine = pack(0.5f, -1.5e-5, int8_t(1), 0.3f, -2.5e-5, int8_t(3), true, false, 26460, 0.4f,
                              0.9f, false, uint8_t(7), 1000, 0.25f, 0.5f, true, int16_t(5000), false,
                              int16_t(-7), true, false, int8_t(12), false, true, true, false, Bytes(5, 0xEE));
    // One note and its bend, whammy and wah changes (values that are not
    // numbers still make valid JSON).
    const Bytes rec = recorderSection(
        {Note(10, 0.5f, 0.1, 1, 0, -1.5e-5, 0.0), Note(0.6, 0, 0.0)}, {PitchChange(0.3, 0, 1.1233333f, 1)},
        {{{WhammyBarChange(NAN, -INFINITY, 2)}, {WhammyBarChange(0.25, INFINITY, 1)}}},
        {{{}, {WahChange(0.5, 0.25f, 1), WahChange(1e300, 0.5f, 3)}}}, 5);
    const Bytes tab = tabOf("x02220 mx0123").createSaveTabBuffer();
    TempFolder folder;
    writeFile(folder.file("Song.SAV"), songBuffer("VERSION2", tab, rec, engine));
    // The fields of parts newer than the file are shown as a song saved with
    // fresh settings shows them.
    writeFile(folder.file("Fresh.SAV"), songBuffer("VERSION2", tab, rec, EngineSettings{}.write()));
    const std::string newer =
        after(runCommand(DumpCommand::run, {folder.file("Fresh.SAV")}).out, "pitchBendOn");
    EXPECT_THAT(newer, testing::EndsWith("\n  }\n}\n"));
    // A file of this build adds the tunings and the beat; a file with another
    // version number is read as its version says.
    writeFile(folder.file("Tuned.SAV"), writtenSong(tab, rec, EngineSettings{}.write(),
                                                    optionsSection(96, 3, {0, 7, 12, 17, 19, 24, 2})));
    EXPECT_THAT(runCommand(DumpCommand::run, {folder.file("Tuned.SAV")}).out,
                testing::EndsWith("\n  },\n  \"tunings\": [\n    {\"name\": \"DADGAD\", \"openSamples\": "
                                  "[0, 7, 12, 17, 19, 24], \"capo\": 2},\n    {\"name\": \"Standard\", "
                                  "\"openSamples\": [2, 7, 12, 17, 21, 26], \"capo\": 0}\n  ],\n  \"beat\": "
                                  "{\"tempo\": 96, \"beatsPerBar\": 3}\n}\n"));
    EXPECT_EQ(runCommand(DumpCommand::run, {folder.file("Song.SAV")}),
              (CommandRun{0, kSongJson + newer, ""}));
    // A tab file by its name, or the same bytes named otherwise with --tab; a bare section is version 0.
    const std::string tabJson = ",\n  \"tab\": {\"currentTabIndex\": 0, \"columns\": "
                                "[[-1, 0, 2, 2, 2, 0], [22, -1, 0, 1, 2, 3]]}\n}\n";
    writeFile(folder.file("Riff.tab"), pack("VERSION2", tab));
    writeFile(folder.file("riff.bin"), tab);
    EXPECT_EQ(runCommand(DumpCommand::run, {folder.file("Riff.tab")}),
              (CommandRun{0, "{\n  \"kind\": \"tab\",\n  \"version\": 2" + tabJson, ""}));
    EXPECT_EQ(runCommand(DumpCommand::run, {"--tab", folder.file("riff.bin")}).out,
              "{\n  \"kind\": \"tab\",\n  \"version\": 0" + tabJson);
    writeFile(folder.file("Drop.TAB"), writtenTab(tab, {0, 7, 12, 17, 21, 26, 3}));
    EXPECT_EQ(runCommand(DumpCommand::run, {folder.file("Drop.TAB")}).out,
              "{\n  \"kind\": \"tab\",\n  \"version\": " + kWrittenHeader.substr(7) +
                  tabJson.substr(0, tabJson.size() - 3) +
                  ",\n  \"tuning\": {\"name\": \"Drop D\", \"openSamples\": [0, 7, 12, 17, 21, 26], "
                  "\"capo\": 3}\n}\n");
}
