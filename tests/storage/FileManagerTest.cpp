// File containers, loads of missing and damaged files, round trips and the
// atomic save.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "StorageTestSupport.h"
#include "core/StrumwellFailure.h"
#include "storage/DumpCommand.h"
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
        m.recorder.restoreFromSaveBuffer(rec.data(), rec.size(), 2);
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

    bool modelIsReset(Model& m) {
        return m.tab.tabSize() == 0 && m.recorder.getNumNotes() == 0 && m.recorder.currentNoteID() == 0 &&
               m.engine.guitarVolume(0) == 0.5f && m.engine.numFretsToShow() == 5 && !m.engine.delayOn(0) &&
               m.engine.delayOn(1);
    }

    TempFolder folder;
    std::ostringstream log;
    Model model;
};

Bytes oneColumnTab(const char* frets) {
    Tab t;
    t.addNotesToTab(-1, frets);
    return t.createSaveTabBuffer();
}

} // namespace

TEST(VersionHeader, EightBytesOrVersionZeroFromTheStart) {
    const struct {
        std::string text;
        int version;
        size_t offset;
    } cases[] = {{"VERSION2xyz", 2, 8}, {"VERSION7", 7, 8}, {"VERSIONA", 'A' - '0', 8},
                 {"VERSION0abc", 0, 0}, {"VERSION", 0, 0},  {"VERSIOn2", 0, 0},
                 {"VER", 0, 0},         {"", 0, 0}};
    for (const auto& c : cases) {
        const VersionHeader h =
            VersionHeader::read(reinterpret_cast<const uint8_t*>(c.text.data()), c.text.size());
        EXPECT_EQ(h.version, c.version) << c.text;
        EXPECT_EQ(h.dataOffset, c.offset) << c.text;
    }
}

TEST_F(FileManagerTest, StateAndTabFileLayouts) {
    ASSERT_TRUE(model.files.saveState("system.state"));
    ASSERT_TRUE(model.files.saveTab("empty.TAB"));
    const Bytes b = readFile(folder.file("system.state"));
    const Bytes sections = songBuffer("VERSION2", Bytes{0, 0, 0, 0}, model.recorder.createSaveBuffer(),
                                      model.engine.createSaveBuffer());
    ASSERT_EQ(b.size(), 20u + 4u + 28u + 72u);
    EXPECT_EQ(b, sections);
    EXPECT_EQ(b, model.files.createSongSaveBuffer());
    EXPECT_EQ(readFile(folder.file("empty.TAB")), pack("VERSION2", Bytes{0, 0, 0, 0}));
    EXPECT_EQ(model.files.createTabSaveBuffer(), pack("VERSION2", Bytes{0, 0, 0, 0}));
    EXPECT_EQ(model.files.getPathFromFilename("a.SAV"), folder.file("a.SAV"));
}

TEST_F(FileManagerTest, OlderFilesWithoutHeaders) {
    // A bare tab section is a version 0 tab file.
    writeFile(folder.file("old.TAB"), oneColumnTab("x02220"));
    EXPECT_TRUE(model.files.loadTab("old.TAB"));
    EXPECT_EQ(model.tab.createSaveTabBuffer(), oneColumnTab("x02220"));
    const Bytes withHeader = pack("VERSION2", oneColumnTab("022100"));
    EXPECT_TRUE(model.files.loadTabFromBuffer(withHeader.data(), withHeader.size()));
    EXPECT_EQ(model.tab.createSaveTabBuffer(), oneColumnTab("022100"));

    // A version 0 song: currentNoteID, n, then n notes (a tail is ignored), and the old engine section.
    const Bytes rec = pack(9, 1, true, int8_t(12), 0.25, 3, 0.75f, -2e-5, uint8_t(0xEE));
    const Bytes engine0 = Model(folder.str()).engine.createSaveBufferOLDVersion0();
    model.engine.setWahOn(0, true);
    model.engine.setPitchBendOn(1, true);
    const Bytes file = songBuffer("", oneColumnTab("x02220"), rec, engine0);
    ASSERT_TRUE(model.files.loadStateFromBuffer(file.data(), file.size())) << log.str();
    EXPECT_EQ(model.tab.createSaveTabBuffer(), oneColumnTab("x02220"));
    EXPECT_EQ(model.recorder.createSaveBuffer(),
              recorderSection({Note(12, 0.75f, 0.25, 0, 3, -2e-5, 0.0)}, {}, {}, {}, 9));
    // The old section reads back as written; the settings newer than it are off, with 5 frets shown.
    EXPECT_EQ(model.engine.createSaveBuffer(), pack(engine0, false, false, int8_t(5), Bytes(9, 0)));

    // A version 0 file of zeros is an empty song with the first patch.
    const Bytes zeros = songBuffer("", Bytes{0, 0, 0, 0}, Bytes(8, 0), Bytes(60, 0));
    EXPECT_TRUE(model.files.loadStateFromBuffer(zeros.data(), zeros.size()));
    EXPECT_EQ(model.recorder.getNumNotes(), 0);

    // An unknown version reads the tab and keeps the rest.
    fillModel(model);
    const Bytes songBefore = model.recorder.createSaveBuffer();
    const Bytes v7 = songBuffer("VERSION7", oneColumnTab("x32010"), Bytes(3, 0), Bytes(1, 0));
    EXPECT_TRUE(model.files.loadStateFromBuffer(v7.data(), v7.size()));
    EXPECT_EQ(model.tab.createSaveTabBuffer(), oneColumnTab("x32010"));
    EXPECT_EQ(model.recorder.createSaveBuffer(), songBefore);
    EXPECT_EQ(model.engine.guitarVolume(0), 0.25f);
}

TEST_F(FileManagerTest, DamagedOrMissingSongsResetEverything) {
    std::vector<DamagedSong> cases = damagedSongs();
    cases.push_back({"missing", {}, "FileNotFound"});
    for (const DamagedSong& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.name != "missing")
            writeFile(folder.file("song.SAV"), c.bytes);
        fillModel(model);
        log.str("");
        EXPECT_FALSE(model.files.loadState("song.SAV"));
        EXPECT_EQ(model.files.lastFailure(), c.reason);
        // Exceptions are logged as such, a file cut short by its reason alone, an empty file not at all.
        const bool thrown = c.reason.find('-') != std::string::npos || c.name == "missing";
        EXPECT_EQ(log.str(), c.name == "empty" ? "" : (thrown ? "EXCEPTION: " : "") + c.reason + "\n");
        EXPECT_TRUE(modelIsReset(model));
        std::filesystem::remove(folder.file("song.SAV"));
    }
    // Every prefix of a song, in a buffer of exactly its size, fails cleanly.
    fillModel(model);
    const Bytes full = model.files.createSongSaveBuffer();
    for (size_t n = 0; n < full.size(); ++n) {
        Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        prefix.shrink_to_fit();
        EXPECT_FALSE(model.files.loadStateFromBuffer(prefix.data(), prefix.size())) << n;
        EXPECT_EQ(model.files.lastFailure(), n == 0 ? "Empty file" : "Error loading file") << n;
    }
}

TEST_F(FileManagerTest, TabLoadsNeverTouchSongOrEngine) {
    fillModel(model);
    const Bytes songBefore = model.recorder.createSaveBuffer(),
                engineBefore = model.engine.createSaveBuffer();
    const Bytes good = pack("VERSION2", oneColumnTab("xx0232"));
    writeFile(folder.file("good.TAB"), good);
    writeFile(folder.file("cut.TAB"), Bytes(good.begin(), good.end() - 3));
    writeFile(folder.file("empty.TAB"), Bytes{});
    EXPECT_TRUE(model.files.loadTab("good.TAB"));
    EXPECT_EQ(model.files.createTabSaveBuffer(), good);
    for (auto [name, logged] : {std::pair{"cut.TAB", "EXCEPTION: TabFailure-2\n"},
                                {"empty.TAB", ""},
                                {"missing.TAB", "EXCEPTION: FileNotFound\n"}}) {
        log.str("");
        model.tab.addNotesToTab(-1, "000000");
        EXPECT_FALSE(model.files.loadTab(name));
        EXPECT_EQ(log.str(), logged) << name;
        EXPECT_EQ(model.tab.tabSize(), 0) << name;
    }
    EXPECT_EQ(model.recorder.createSaveBuffer(), songBefore);
    EXPECT_EQ(model.engine.createSaveBuffer(), engineBefore);

    EXPECT_THROW(model.files.loadDataFile(folder.file("missing")), StrumwellFailure);
    EXPECT_TRUE(model.files.loadDataFile(folder.str()).empty()); // exists, cannot be read as a file
    EXPECT_EQ(model.files.loadDataFile(folder.file("good.TAB")), good);
}

TEST_F(FileManagerTest, SaveLoadSaveGivesTheSameBytes) {
    fillModel(model);
    ASSERT_TRUE(model.files.saveState("round.SAV"));
    ASSERT_TRUE(model.files.saveTab("round.TAB"));
    Model other(folder.str());
    other.tab.addNotesToTab(-1, "111111"); // a song load replaces the tab
    ASSERT_TRUE(other.files.loadState("round.SAV"));
    EXPECT_EQ(other.files.createSongSaveBuffer(), readFile(folder.file("round.SAV")));
    EXPECT_EQ(other.recorder.getNumNotes(), 2);
    EXPECT_EQ(other.files.numNotesToSave(), 1);
    EXPECT_EQ(other.engine.numFretsToShow(), 7);
    other.tab.clearTab();
    ASSERT_TRUE(other.files.loadTab("round.TAB"));
    EXPECT_EQ(other.files.createTabSaveBuffer(), readFile(folder.file("round.TAB")));
    EXPECT_EQ(other.tab.tab(), model.tab.tab());
}

// Randomly damaged songs and tabs: the file manager and `dump` read or refuse
// the same files, and a refused file leaves nothing of itself behind.
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
        std::ostringstream out, err;
        const bool loaded = model.files.loadStateFromBuffer(b.data(), b.size());
        EXPECT_EQ(DumpCommand::dumpBuffer(b.data(), b.size(), false, out, err) == 0, loaded) << err.str();
        if (!loaded) {
            EXPECT_TRUE(modelIsReset(model));
        }
        const bool tabLoaded = model.files.loadTabFromBuffer(b.data(), b.size());
        EXPECT_EQ(DumpCommand::dumpBuffer(b.data(), b.size(), true, out, err) == 0, tabLoaded) << err.str();
        EXPECT_TRUE(tabLoaded || model.tab.tabSize() == 0);
    }
}

TEST_F(FileManagerTest, AFailedSaveKeepsTheOldFile) {
    const Bytes old(300, 0xAB);
    writeFile(folder.file("keep.SAV"), old);
    fillModel(model);
    model.files.setSaveInterruptionForTesting(FileManager::SaveInterruption::FailWhileWriting);
    EXPECT_FALSE(model.files.saveState("keep.SAV"));
    EXPECT_FALSE(model.files.saveTab("keep.SAV"));
    EXPECT_EQ(log.str(), "[saveDataFile] Could not save file\n[saveDataFile] Could not save file\n");
    EXPECT_EQ(readFile(folder.file("keep.SAV")), old);
    EXPECT_TRUE(temporaryFiles().empty());

    // A crash before the rename leaves the new content complete in a hidden file no library lists.
    model.files.setSaveInterruptionForTesting(FileManager::SaveInterruption::CrashBeforeRename);
    EXPECT_FALSE(model.files.saveState("keep.SAV"));
    EXPECT_EQ(readFile(folder.file("keep.SAV")), old);
    const std::vector<std::string> left = temporaryFiles();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(std::filesystem::path(left[0]).filename().string().front(), '.');
    EXPECT_EQ(readFile(left[0]), model.files.createSongSaveBuffer());
    std::filesystem::remove(left[0]);

    model.files.setSaveInterruptionForTesting(FileManager::SaveInterruption::None);
    const std::string longName = std::string(240, 'n') + ".SAV";
    for (const std::string& name : {std::string("keep.SAV"), longName}) {
        ASSERT_TRUE(model.files.saveState(name)) << log.str();
        EXPECT_EQ(readFile(folder.file(name)), model.files.createSongSaveBuffer());
    }
    EXPECT_TRUE(temporaryFiles().empty());

    // Nowhere to write: no folder, or a folder in the way of the file.
    log.str("");
    FileManager nowhere(&model.tab, &model.recorder, &model.engine, folder.file("no/such/folder"));
    nowhere.setDiagnosticStream(log);
    EXPECT_FALSE(nowhere.saveState("a.SAV"));
    EXPECT_FALSE(nowhere.saveTab("a.TAB"));
    EXPECT_EQ(log.str(), "[saveDataFile] Could not save file\n[saveDataFile] Could not save file\n");
    std::filesystem::create_directory(folder.file("taken.SAV"));
    EXPECT_FALSE(model.files.saveState("taken.SAV"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("taken.SAV")));
    EXPECT_TRUE(temporaryFiles().empty());
}
