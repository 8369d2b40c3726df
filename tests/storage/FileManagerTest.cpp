// File containers, old and damaged files as every reader of songs sees them,
// round trips and the atomic save.
#include "StorageTestSupport.h"
#include "core/FailureText.h"
#include "core/StrumwellFailure.h"
#include "storage/SongCodec.h"
#include "storage/StateRescue.h"
#include "storage/VersionHeader.h"

namespace {

class FileManagerTest : public ::testing::Test {
protected:
    FileManagerTest() : model(folder.str()) { model.files.setDiagnosticStream(log); }

    // A state worth saving: a tab, a one-note song and settings off the defaults.
    void fillModel(Model& m) {
        m.tab.addNotesToTab(-1, "x02220");
        m.tab.addNotesToTab(-1, "320003");
        const Bytes rec = oneNoteRecorderSection(5);
        m.loadEvents(rec);
        m.engine.setGuitarVolume(0, 0.25f);
        m.engine.setDelayOn(0, true);
        m.engine.setNumFretsToShow(7);
    }

    std::vector<std::string> temporaryFiles() const {
        std::vector<std::string> found;
        for (const auto& e : std::filesystem::directory_iterator(folder.path()))
            if (e.path().filename().string().find(FileManager::kTemporaryInfix) != std::string::npos)
                found.push_back(e.path().string());
        return found;
    }

    TempFolder folder;
    std::ostringstream log;
    Model model;
};

Bytes oneColumnTab(const char* frets) {
    return tabOf(frets).createSaveTabBuffer();
}

} // namespace

TEST(VersionHeader, EightBytesOrVersionZeroFromTheStart) {
    const std::pair<std::string, int> cases[] = {
        {"VERSION2xyz", 2}, {"VERSION7", 7}, {"VERSIONA", 'A' - '0'}, {"VERSION0abc", 0}, {"VERSION", 0},
        {"VERSIOn2", 0},    {"", 0}};
    for (const auto& [text, version] : cases) {
        const VersionHeader h =
            VersionHeader::read(reinterpret_cast<const uint8_t*>(text.data()), text.size());
        EXPECT_EQ(h.version, version) << text;
        EXPECT_EQ(h.dataOffset, version ? 8u : 0u) << text;
    }
}

TEST_F(FileManagerTest, SavedFilesHaveTheirLayoutAndLoadBackToTheSameBytes) {
    ASSERT_TRUE(model.files.saveState("system.state"));
    ASSERT_TRUE(model.files.saveTab("empty.TAB"));
    EXPECT_EQ(readFile(folder.file("system.state")),
              writtenSong(Bytes{0, 0, 0, 0}, model.savedEvents(), engineSection(model.engine)));
    EXPECT_EQ(readFile(folder.file("empty.TAB")), writtenTab(Bytes{0, 0, 0, 0}));

    fillModel(model);
    ASSERT_TRUE(model.files.saveState("round.SAV"));
    ASSERT_TRUE(model.files.saveTab("round.TAB"));
    Model other(folder.str());
    other.tab.addNotesToTab(-1, "111111"); // a song load replaces the tab
    ASSERT_TRUE(other.files.loadState("round.SAV"));
    EXPECT_EQ(other.files.createSongSaveBuffer(), readFile(folder.file("round.SAV")));
    EXPECT_EQ(other.files.numNotesToSave(), 1);
    EXPECT_EQ(other.engine.numFretsToShow(), 7);
    other.tab.clearTab();
    ASSERT_TRUE(other.files.loadTab("round.TAB"));
    EXPECT_EQ(other.files.createTabSaveBuffer(), readFile(folder.file("round.TAB")));
    EXPECT_EQ(other.tab.tab(), model.tab.tab());
}

// Older and unknown versions, as the loader and `dump` read them.
TEST_F(FileManagerTest, OlderFilesWithoutHeadersAndUnknownVersions) {
    // A bare tab section is a version 0 tab file.
    writeFile(folder.file("old.TAB"), oneColumnTab("x02220"));
    EXPECT_TRUE(model.files.loadTab("old.TAB"));
    EXPECT_EQ(model.tab.createSaveTabBuffer(), oneColumnTab("x02220"));

    // A version 0 song: currentNoteID, n, then n notes (a tail is ignored), and the old engine section.
    const Bytes rec = pack(9, 1, true, int8_t(12), 0.25, 3, 0.75f, -2e-5, uint8_t(0xEE));
    const Bytes engine0 = engineSection(model.engine, 0), engine2 = engineSection(model.engine);
    model.engine.setWahOn(0, true);
    model.engine.setPitchBendOn(1, true);
    const Bytes file = songBuffer("", oneColumnTab("x02220"), rec, engine0);
    ASSERT_TRUE(model.files.loadStateFromBuffer(file.data(), file.size())) << log.str();
    EXPECT_EQ(model.tab.createSaveTabBuffer(), oneColumnTab("x02220"));
    EXPECT_EQ(model.savedEvents(), recorderSection({Note(12, 0.75f, 0.25, 0, 3, -2e-5, 0.0)}, {}, {}, {}, 9));
    // The old section reads back as written; the settings newer than it are off, with 5 frets shown,
    // and those newer than version 2 (then the reserved tail) as fresh settings write them.
    const Bytes saved = engineSection(model.engine), fresh = EngineSettings{}.write();
    const auto v2Parts =
        static_cast<std::ptrdiff_t>(EngineSettings::minimumSize(2) - EngineSettings::kReservedTail);
    EXPECT_EQ(Bytes(saved.begin(), saved.begin() + v2Parts),
              pack(engine0, false, false, int8_t(5), Bytes(4, 0)));
    EXPECT_EQ(Bytes(saved.begin() + v2Parts, saved.end()), Bytes(fresh.begin() + v2Parts, fresh.end()));
    for (const char* text : {"\"version\": 0,", "\"currentNoteID\": 9,", "\"wahOn\": [false, false]",
                             "\"numFretsToShow\": 5,", "\"pitchBendOn\": [false, false]"})
        EXPECT_THAT(dump(file).out, HasSubstr(text));

    // Version 1: the recorder section is 8 bytes shorter than its records;
    // the missing bytes of the last record read as zero.
    Bytes rec1 = oneNoteRecorderSection(5);
    rec1.resize(rec1.size() - 8);
    EXPECT_THAT(dump(songBuffer("VERSION1", oneColumnTab("x02220"), rec1, engine2)).out,
                HasSubstr("{\"time\": 0.29999999999999999, \"noteID\": 0, \"pitch\": 0, \"overdubNo\": 0}"));

    // An unknown version reads the tab and keeps the rest.
    fillModel(model);
    const Bytes songBefore = model.savedEvents();
    const Bytes v7 = songBuffer("VERSION7", oneColumnTab("x32010"), Bytes(3, 0), Bytes(1, 0));
    EXPECT_TRUE(model.files.loadStateFromBuffer(v7.data(), v7.size()));
    EXPECT_EQ(model.tab.createSaveTabBuffer(), oneColumnTab("x32010"));
    EXPECT_EQ(model.savedEvents(), songBefore);
    EXPECT_EQ(model.engine.guitarVolume(0), 0.25f);
    EXPECT_THAT(dump(v7).out, HasSubstr("\"version\": 7,\n  \"tab\""));
    EXPECT_THAT(dump(v7).out, HasSubstr("\"recorder\": null,\n  \"engine\": null\n}"));
    // Written again, such a song gets settings that read back as written.
    const Bytes once = SongCodec::writeSong(SongCodec::readSong(v7.data(), v7.size()));
    EXPECT_EQ(SongCodec::writeSong(SongCodec::readSong(once.data(), once.size())), once);
}

// The shared table of damaged songs through every reader: a load leaves the
// working song's bytes as they were, `dump` prints the reason alone, `render` and `export` write nothing.
TEST_F(FileManagerTest, DamagedSongsAreRefusedByEveryReaderWithTheirReason) {
    std::vector<DamagedSong> cases = damagedSongs();
    cases.push_back({"missing", {}, "FileNotFound"});
    const std::string song = folder.file("song.SAV"), wav = folder.file("x.wav"),
                      mid = folder.file("old.mid");
    const std::string bundle = folder.sub("bundle");
    writeFile(mid, pack("old"));
    for (const DamagedSong& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.name != "missing")
            writeFile(song, c.bytes);
        fillModel(model);
        const Bytes kept = model.files.createSongSaveBuffer();
        log.str("");
        EXPECT_FALSE(model.files.loadState("song.SAV"));
        EXPECT_EQ(model.files.lastFailure(), c.reason);
        // Exceptions are logged as such, a file cut short by its reason alone, an empty file not at all.
        const bool thrown = c.reason.find('-') != std::string::npos || c.name == "missing";
        EXPECT_EQ(log.str(), c.name == "empty" ? "" : (thrown ? "EXCEPTION: " : "") + c.reason + "\n");
        EXPECT_EQ(model.files.createSongSaveBuffer(), kept);
        EXPECT_EQ(runCommand(DumpCommand::run, {song}),
                  (CommandRun{1, "", FailureText::toolLine(song, c.reason) + "\n"}));
        for (auto [command, args] : {std::pair<Command, std::vector<std::string>>{
                                         RenderCommand::run, {song, "-o", wav, "--bundle", bundle}},
                                     {ExportCommand::run, {song, "-o", mid}}}) {
            const CommandRun r = runCommand(command, args);
            EXPECT_EQ(r.code, 1);
            EXPECT_THAT(r.err, HasSubstr(c.reason));
        }
        EXPECT_FALSE(std::filesystem::exists(wav));
        EXPECT_EQ(readFile(mid), pack("old"));
        std::filesystem::remove(song);
    }
    EXPECT_EQ(filesIn(folder), 2u);
    // A time that is not a number loads, but is no song to export.
    const Bytes rec = recorderSection({Note(10, 0.5f, 0.1, 1, 0, -2e-5, 0.0), Note(std::nan(""), 0, 0.0)});
    writeFile(song, songBuffer("VERSION2", Bytes{0, 0, 0, 0}, rec, Bytes(72, 0)));
    EXPECT_THAT(runCommand(ExportCommand::run, {song, "-o", mid}).err, HasSubstr("not"));
    EXPECT_EQ(readFile(mid), pack("old"));
    // Every prefix of a song, in a buffer of exactly its size, fails cleanly.
    fillModel(model);
    const Bytes full = model.files.createSongSaveBuffer();
    for (size_t n = 0; n < full.size(); ++n) {
        Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(model.files.loadStateFromBuffer(prefix.data(), prefix.size())) << n;
        EXPECT_EQ(model.files.lastFailure(), n == 0 ? "Empty file" : "Error loading file") << n;
    }
}

// Damaged tab files are refused by the loader and `dump --tab` alike and
// leave the tab as it was; a tab load, good or not, leaves the song and the
// settings alone.
TEST_F(FileManagerTest, DamagedTabsAreRefusedAndTabLoadsNeverTouchSongOrEngine) {
    fillModel(model);
    const Bytes before = pack(model.savedEvents(), engineSection(model.engine));
    const Bytes good = writtenTab(oneColumnTab("xx0232"));
    const Bytes older = pack("VERSION2", oneColumnTab("xx0232"));
    writeFile(folder.file("good.TAB"), good);
    EXPECT_TRUE(model.files.loadTab("good.TAB"));
    EXPECT_EQ(model.files.createTabSaveBuffer(), good);
    for (const auto& [name, bytes, reason] :
         {std::tuple<const char*, Bytes, std::string>{"cut.TAB", Bytes(older.begin(), older.end() - 3),
                                                      "TabFailure-2"},
          {"tuning cut.TAB", Bytes(good.begin(), good.end() - 3), "Error loading file"},
          {"count cut.TAB", pack("VERSION2", uint8_t(1), uint8_t(0)), "TabFailure-1"},
          {"empty.TAB", {}, "Empty file"},
          {"missing.TAB", {}, "FileNotFound"}}) {
        if (reason != "FileNotFound")
            writeFile(folder.file(name), bytes);
        log.str("");
        model.tab.addNotesToTab(-1, "000000");
        const Bytes tabBefore = model.files.createTabSaveBuffer();
        EXPECT_FALSE(model.files.loadTab(name));
        EXPECT_EQ(log.str(), reason == "Empty file" ? "" : "EXCEPTION: " + reason + "\n") << name;
        EXPECT_EQ(model.files.createTabSaveBuffer(), tabBefore) << name;
        EXPECT_TRUE(reason == "FileNotFound" || dump(bytes, true) == (CommandRun{1, "", reason + "\n"}))
            << name;
    }
    EXPECT_EQ(pack(model.savedEvents(), engineSection(model.engine)), before);
    EXPECT_THROW(model.files.loadDataFile(folder.file("missing")), StrumwellFailure);
    EXPECT_THROW(model.files.loadDataFile(folder.str()), StrumwellFailure); // exists, not a file
}

// Randomly damaged songs and tabs: the file manager and `dump` read or refuse
// the same files, and a refused file changes nothing.
TEST_F(FileManagerTest, RandomDamageNeverCrashesAReader) {
    fillModel(model);
    const Bytes song = model.files.createSongSaveBuffer(), tab = model.files.createTabSaveBuffer();
    std::mt19937 random(1234);
    for (int i = 0; i < 400; ++i) {
        SCOPED_TRACE(i);
        Bytes b = (i % 2) ? song : tab;
        for (int k = 1 + static_cast<int>(random() % 4); k > 0; --k)
            b[random() % b.size()] = static_cast<uint8_t>(random());
        b.resize(random() % (b.size() + 1));
        b.shrink_to_fit();
        const Bytes before = model.files.createSongSaveBuffer();
        const bool loaded = model.files.loadStateFromBuffer(b.data(), b.size());
        EXPECT_EQ(dump(b).code == 0, loaded);
        EXPECT_TRUE(loaded || model.files.createSongSaveBuffer() == before);
        const Bytes tabBefore = model.files.createTabSaveBuffer();
        const bool tabLoaded = model.files.loadTabFromBuffer(b.data(), b.size());
        EXPECT_EQ(dump(b, true).code == 0, tabLoaded);
        EXPECT_TRUE(tabLoaded || model.files.createTabSaveBuffer() == tabBefore);
    }
}

TEST_F(FileManagerTest, AFailedSaveKeepsTheOldFile) {
    const Bytes old(300, 0xAB);
    writeFile(folder.file("keep.SAV"), old);
    fillModel(model);
    const std::string couldNot = "[saveDataFile] Could not save file\n";
    using Stop = FileManager::SaveInterruption;
    for (Stop stop : {Stop::FailWhileWriting, Stop::FailAtSync, Stop::FailAtRename}) {
        SCOPED_TRACE(static_cast<int>(stop));
        log.str("");
        model.files.setSaveInterruptionForTesting(stop);
        EXPECT_FALSE(model.files.saveState("keep.SAV"));
        EXPECT_FALSE(model.files.saveTab("keep.SAV"));
        EXPECT_EQ(readFile(folder.file("keep.SAV")), old);
        EXPECT_TRUE(temporaryFiles().empty());
        EXPECT_EQ(log.str(), couldNot + couldNot);
    }

    // A crash before the rename leaves the new content complete in a hidden file no library lists.
    model.files.setSaveInterruptionForTesting(Stop::CrashBeforeRename);
    EXPECT_FALSE(model.files.saveState("keep.SAV"));
    EXPECT_EQ(readFile(folder.file("keep.SAV")), old);
    const std::vector<std::string> left = temporaryFiles();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(std::filesystem::path(left[0]).filename().string().front(), '.');
    EXPECT_EQ(readFile(left[0]), model.files.createSongSaveBuffer());
    std::filesystem::remove(left[0]);

    model.files.setSaveInterruptionForTesting(FileManager::SaveInterruption::None);
    for (const std::string& name : {std::string("keep.SAV"), std::string(240, 'n') + ".SAV"}) {
        ASSERT_TRUE(model.files.saveState(name)) << log.str();
        EXPECT_EQ(readFile(folder.file(name)), model.files.createSongSaveBuffer());
    }

    // Nowhere to write: no folder, or a folder in the way of the file.
    log.str("");
    FileManager nowhere(&model.tab, &model.recorder, &model.engine, folder.file("no/such/folder"));
    nowhere.setDiagnosticStream(log);
    EXPECT_FALSE(nowhere.saveState("a.SAV"));
    EXPECT_FALSE(nowhere.saveTab("a.TAB"));
    EXPECT_EQ(log.str(), couldNot + couldNot);
    std::filesystem::create_directory(folder.file("taken.SAV"));
    EXPECT_FALSE(model.files.saveState("taken.SAV"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("taken.SAV")));
    EXPECT_TRUE(temporaryFiles().empty());
}

// A working state given up is moved whole to a recovered song; only the
// newest five of those are kept, and no other file is ever removed.
TEST(StateRescue, KeepsTheStateAsASongAndOnlyTheNewestFiveCopies) {
    TempFolder folder;
    const StateRescue rescue(folder.str());
    std::tm at{};
    at.tm_year = 99, at.tm_mon = 11, at.tm_mday = 31, at.tm_hour = 23, at.tm_min = 59, at.tm_sec = 59;
    EXPECT_EQ(rescue.keep("system.state", at), "") << "nothing to keep";
    const char* others[] = {"Recovered notes.SAV", "Recovered 1999-12-31 23.59.5.SAV",
                            "Recovered 1999-12-31 23.59.58.TAB", "Recovered 1999-12-31 23.59.58 (1).SAV"};
    for (const char* other : others)
        writeFile(folder.file(other), {7});
    std::vector<std::string> kept;
    for (int i = 0; i < 6; ++i) {
        if (i >= 2) // the first two in the same second
            at = std::tm{}, at.tm_year = 100, at.tm_mday = 1, at.tm_sec = i;
        writeFile(folder.file("system.state"), {uint8_t(i)});
        kept.push_back(rescue.keep("system.state", at));
    }
    EXPECT_EQ(kept,
              (std::vector<std::string>{"Recovered 1999-12-31 23.59.59", "Recovered 1999-12-31 23.59.59 (2)",
                                        "Recovered 2000-01-01 00.00.02", "Recovered 2000-01-01 00.00.03",
                                        "Recovered 2000-01-01 00.00.04", "Recovered 2000-01-01 00.00.05"}));
    EXPECT_EQ(rescue.copies(), std::vector<std::string>(kept.begin() + 1, kept.end()));
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(readFile(folder.file(kept[i] + ".SAV")), Bytes{uint8_t(i)});
    EXPECT_FALSE(std::filesystem::exists(folder.file("system.state")));
    for (const char* other : others)
        EXPECT_EQ(readFile(folder.file(other)), Bytes{7}) << other;
}
