// File containers, loads of missing and damaged files, round trips and the
// atomic save.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "StorageTestSupport.h"
#include "core/StrumwellFailure.h"
#include "storage/VersionHeader.h"

namespace {

class FileManagerTest : public ::testing::Test {
protected:
    FileManagerTest() : model(folder.path()) { model.files.setDiagnosticStream(log); }

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

} // namespace

// ---- Version header ----

TEST(VersionHeader, Rules) {
    auto read = [](const std::string& s) {
        return VersionHeader::read(reinterpret_cast<const uint8_t*>(s.data()), s.size());
    };
    EXPECT_EQ(read("VERSION2xyz").version, 2);
    EXPECT_EQ(read("VERSION2xyz").dataOffset, 8u);
    EXPECT_EQ(read("VERSION7").version, 7);
    EXPECT_EQ(read("VERSIONA").version, 'A' - '0'); // any byte is taken
    EXPECT_EQ(read("VERSION0abc").dataOffset, 0u);
    EXPECT_EQ(read("VERSION0abc").version, 0);
    EXPECT_EQ(read("VERSION").version, 0); // no eighth byte
    EXPECT_EQ(read("VERSION").dataOffset, 0u);
    EXPECT_EQ(read("VERSIOn2").version, 0);
    EXPECT_EQ(read("VER").dataOffset, 0u);
    EXPECT_EQ(read("").version, 0);
}

// ---- Containers ----

TEST_F(FileManagerTest, StateFileLayout) {
    ASSERT_TRUE(model.files.saveState("system.state"));
    const Bytes b = readFile(folder.file("system.state"));
    ASSERT_EQ(b.size(), 20u + 4u + 28u + 72u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 8), "VERSION2");
    EXPECT_EQ(Bytes(b.begin() + 8, b.begin() + 16), (Bytes{4, 0, 0, 0, 0, 0, 0, 0})); // T, empty tab
    EXPECT_EQ(Bytes(b.begin() + 16, b.begin() + 20), (Bytes{28, 0, 0, 0}));
    EXPECT_EQ(Bytes(b.begin() + 48, b.begin() + 52), (Bytes{72, 0, 0, 0}));
    EXPECT_EQ(Bytes(b.begin() + 52, b.end()), model.engine.createSaveBuffer());
    EXPECT_EQ(b, model.files.createSongSaveBuffer());
    EXPECT_EQ(model.files.getPathFromFilename("a.SAV"), folder.path() + "/a.SAV");
}

TEST_F(FileManagerTest, EmptyTabFileIsTwelveBytes) {
    ASSERT_TRUE(model.files.saveTab("empty.TAB"));
    const Bytes expected{'V', 'E', 'R', 'S', 'I', 'O', 'N', '2', 0, 0, 0, 0};
    EXPECT_EQ(readFile(folder.file("empty.TAB")), expected);
    EXPECT_EQ(model.files.createTabSaveBuffer(), expected);
}

TEST_F(FileManagerTest, BareTabSectionLoadsAsVersionZero) {
    Tab source;
    source.addNotesToTab(-1, "x02220");
    source.addNotesToTab(-1, "022100");
    writeFile(folder.file("old.TAB"), source.createSaveTabBuffer());
    EXPECT_TRUE(model.files.loadTab("old.TAB"));
    EXPECT_EQ(model.tab.tab(), source.tab());
    Bytes withHeader = {'V', 'E', 'R', 'S', 'I', 'O', 'N', '2'};
    const Bytes section = source.createSaveTabBuffer();
    withHeader.insert(withHeader.end(), section.begin(), section.end());
    model.tab.clearTab();
    EXPECT_TRUE(model.files.loadTabFromBuffer(withHeader.data(), withHeader.size()));
    EXPECT_EQ(model.tab.tab(), source.tab());
}

TEST_F(FileManagerTest, VersionZeroSongWithoutHeader) {
    Tab t;
    t.addNotesToTab(-1, "x02220");
    ByteWriter rec; // version 0: currentNoteID, n, then n notes
    rec.i32(9);
    rec.i32(1);
    rec.u8(1);
    rec.i8(12);
    rec.f64(0.25);
    rec.i32(3);
    rec.f32(0.75f);
    rec.f64(-2e-5);
    rec.u8(0xEE); // tail of a version 0 section is ignored
    Model writer(folder.path());
    writer.files.resetState();
    Bytes engine = writer.engine.createSaveBufferOLDVersion0();
    model.engine.setWahOn(0, true);
    model.engine.setPitchBendOn(1, true);
    const Bytes file = songBuffer("", t.createSaveTabBuffer(), rec.take(), engine);
    ASSERT_TRUE(model.files.loadStateFromBuffer(file.data(), file.size())) << log.str();
    EXPECT_EQ(model.tab.tab(), t.tab());
    ASSERT_EQ(model.recorder.getNumNotes(), 1);
    EXPECT_EQ(model.recorder.currentNoteID(), 9);
    EXPECT_EQ(model.recorder.notes()[0].sampleNo(), 12);
    EXPECT_EQ(model.recorder.notes()[0].time(), 0.25);
    EXPECT_FALSE(model.engine.wahOn(0));
    EXPECT_FALSE(model.engine.wahOn(1));
    EXPECT_FALSE(model.engine.pitchBendOn(1));
    EXPECT_EQ(model.engine.numFretsToShow(), 5);
}

TEST_F(FileManagerTest, NoVersionWordMeansVersionZeroFromOffsetZero) {
    // "VERSIOn2" is not a header: its first four bytes are read as a length.
    Bytes file = songBuffer("", Bytes{0, 0, 0, 0}, Bytes(8, 0), Bytes(60, 0));
    Bytes bad = file;
    bad.insert(bad.begin(), {'V', 'E', 'R', 'S', 'I', 'O', 'n', '2'});
    EXPECT_TRUE(model.files.loadStateFromBuffer(file.data(), file.size()));
    EXPECT_FALSE(model.files.loadStateFromBuffer(bad.data(), bad.size()));
    EXPECT_EQ(model.files.lastFailure(), "Error loading file");
}

TEST_F(FileManagerTest, SongCutInsideRecorderSection) {
    fillModel(model);
    Bytes full = model.files.createSongSaveBuffer();
    Model other(folder.path());
    other.files.setDiagnosticStream(log);
    fillModel(other);
    Tab t;
    t.addNotesToTab(-1, "000000");
    const Bytes cut = songBuffer("VERSION2", t.createSaveTabBuffer(), oneNoteRecorderSection(), Bytes(72, 0));
    const Bytes truncated(cut.begin(), cut.begin() + 8 + 4 + 10 + 4 + 30);
    writeFile(folder.file("cut.SAV"), truncated);
    EXPECT_FALSE(other.files.loadState("cut.SAV"));
    EXPECT_EQ(log.str(), "Error loading file\n");
    EXPECT_EQ(other.files.lastFailure(), "Error loading file");
    EXPECT_TRUE(modelIsReset(other)); // the whole tab section before it is dropped too
}

TEST_F(FileManagerTest, BadLengthsNeverReadPastTheEnd) {
    const Bytes tab{0, 0, 0, 0};
    const Bytes rec = oneNoteRecorderSection();
    const Bytes eng(72, 0);
    Bytes negative = songBuffer("VERSION2", tab, rec, eng);
    negative[8 + 4 + 4] = 0xFF; // R = -1
    negative[8 + 4 + 5] = 0xFF;
    negative[8 + 4 + 6] = 0xFF;
    negative[8 + 4 + 7] = 0xFF;
    Bytes huge = songBuffer("VERSION2", tab, rec, eng);
    huge[8] = 0xFF; // T = 0x7FFFFFFF
    huge[9] = 0xFF;
    huge[10] = 0xFF;
    huge[11] = 0x7F;
    for (const Bytes* b : {&negative, &huge}) {
        fillModel(model);
        EXPECT_FALSE(model.files.loadStateFromBuffer(b->data(), b->size()));
        EXPECT_EQ(model.files.lastFailure(), "Error loading file");
        EXPECT_TRUE(modelIsReset(model));
    }
}

TEST_F(FileManagerTest, EveryPrefixOfASongFailsCleanly) {
    fillModel(model);
    const Bytes full = model.files.createSongSaveBuffer();
    for (size_t n = 0; n < full.size(); ++n) {
        Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        prefix.shrink_to_fit(); // so a sanitizer sees any read past the end
        EXPECT_FALSE(model.files.loadStateFromBuffer(prefix.data(), prefix.size())) << n;
        EXPECT_EQ(model.files.lastFailure(), n == 0 ? "Empty file" : "Error loading file") << n;
    }
    EXPECT_TRUE(model.files.loadStateFromBuffer(full.data(), full.size()));
}

TEST_F(FileManagerTest, SectionReaderFailuresResetEverything) {
    const Bytes goodTab{0, 0, 0, 0};
    const Bytes goodRec = oneNoteRecorderSection();
    const Bytes goodEng(72, 0);
    struct Case {
        Bytes file;
        const char* code;
    } cases[] = {
        {songBuffer("VERSION2", Bytes{1, 0, 0}, goodRec, goodEng), "TabFailure-1"},
        {songBuffer("VERSION2", Bytes{2, 0, 0, 0, 1, 1, 1, 1, 1, 1}, goodRec, goodEng), "TabFailure-2"},
        {songBuffer("VERSION2", Bytes{1, 0, 0, 0, 1, 1, 23, 1, 1, 1}, goodRec, goodEng), "TabFailure-3"},
        {songBuffer("VERSION2", goodTab, Bytes(5, 0), goodEng), "RecorderFailure-1"},
        {songBuffer("VERSION1", goodTab, goodRec, goodEng), "RecorderFailure-2"},
        {songBuffer("VERSION2", goodTab, goodRec, Bytes(71, 0)), "SoundEngineFailure-1"},
    };
    for (const Case& c : cases) {
        fillModel(model);
        log.str("");
        EXPECT_FALSE(model.files.loadStateFromBuffer(c.file.data(), c.file.size()));
        EXPECT_EQ(log.str(), std::string("EXCEPTION: ") + c.code + "\n");
        EXPECT_EQ(model.files.lastFailure(), c.code);
        EXPECT_TRUE(modelIsReset(model)) << c.code;
    }
}

TEST_F(FileManagerTest, MissingAndEmptyStateFiles) {
    fillModel(model);
    EXPECT_FALSE(model.files.loadState("nothing.SAV"));
    EXPECT_EQ(log.str(), "EXCEPTION: FileNotFound\n");
    EXPECT_TRUE(modelIsReset(model));

    fillModel(model);
    log.str("");
    writeFile(folder.file("empty.SAV"), Bytes{});
    EXPECT_FALSE(model.files.loadState("empty.SAV"));
    EXPECT_EQ(log.str(), "");
    EXPECT_TRUE(modelIsReset(model));
}

TEST_F(FileManagerTest, LoadDataFile) {
    EXPECT_THROW(
        {
            try {
                model.files.loadDataFile(folder.file("missing"));
            } catch (const StrumwellFailure& f) {
                EXPECT_EQ(f.name(), "FileNotFound");
                throw;
            }
        },
        StrumwellFailure);
    EXPECT_TRUE(model.files.loadDataFile(folder.path()).empty()); // exists, cannot be read as a file
    writeFile(folder.file("x"), Bytes{1, 2, 3});
    EXPECT_EQ(model.files.loadDataFile(folder.file("x")), (Bytes{1, 2, 3}));
}

TEST_F(FileManagerTest, UnknownVersionReadsTheTabOnly) {
    fillModel(model);
    const Bytes songBefore = model.recorder.createSaveBuffer();
    Tab t;
    t.addNotesToTab(-1, "x32010");
    const Bytes file = songBuffer("VERSION7", t.createSaveTabBuffer(), Bytes(3, 0), Bytes(1, 0));
    EXPECT_TRUE(model.files.loadStateFromBuffer(file.data(), file.size()));
    EXPECT_EQ(model.tab.tab(), t.tab());
    EXPECT_EQ(model.recorder.createSaveBuffer(), songBefore);
    EXPECT_EQ(model.engine.guitarVolume(0), 0.25f);
}

// ---- Tab files ----

TEST_F(FileManagerTest, TabLoadNeverTouchesSongOrEngine) {
    fillModel(model);
    const Bytes songBefore = model.recorder.createSaveBuffer();
    const Bytes engineBefore = model.engine.createSaveBuffer();
    Tab other;
    other.addNotesToTab(-1, "xx0232");
    Bytes tabFile = {'V', 'E', 'R', 'S', 'I', 'O', 'N', '2'};
    const Bytes s = other.createSaveTabBuffer();
    tabFile.insert(tabFile.end(), s.begin(), s.end());
    writeFile(folder.file("good.TAB"), tabFile);
    Bytes cut = tabFile;
    cut.resize(cut.size() - 3); // inside the last column
    writeFile(folder.file("cut.TAB"), cut);
    writeFile(folder.file("empty.TAB"), Bytes{});

    EXPECT_TRUE(model.files.loadTab("good.TAB"));
    EXPECT_EQ(model.tab.tab(), other.tab());
    EXPECT_FALSE(model.files.loadTab("cut.TAB"));
    EXPECT_EQ(log.str(), "EXCEPTION: TabFailure-2\n");
    EXPECT_EQ(model.tab.tabSize(), 0);
    model.tab.addNotesToTab(-1, "000000");
    log.str("");
    EXPECT_FALSE(model.files.loadTab("empty.TAB"));
    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(model.tab.tabSize(), 0);
    model.tab.addNotesToTab(-1, "000000");
    EXPECT_FALSE(model.files.loadTab("missing.TAB"));
    EXPECT_EQ(log.str(), "EXCEPTION: FileNotFound\n");
    EXPECT_EQ(model.tab.tabSize(), 0);

    EXPECT_EQ(model.recorder.createSaveBuffer(), songBefore);
    EXPECT_EQ(model.engine.createSaveBuffer(), engineBefore);
}

TEST_F(FileManagerTest, SongLoadReplacesTheTab) {
    Model writer(folder.path());
    writer.tab.addNotesToTab(-1, "x02220");
    ASSERT_TRUE(writer.files.saveState("song.SAV"));
    model.tab.addNotesToTab(-1, "000000");
    model.tab.addNotesToTab(-1, "111111");
    ASSERT_TRUE(model.files.loadState("song.SAV"));
    EXPECT_EQ(model.tab.tab(), writer.tab.tab());
}

// ---- Round trips ----

TEST_F(FileManagerTest, SaveLoadSaveGivesTheSameBytes) {
    fillModel(model);
    ASSERT_TRUE(model.files.saveState("round.SAV"));
    ASSERT_TRUE(model.files.saveTab("round.TAB"));
    const Bytes song = readFile(folder.file("round.SAV"));
    const Bytes tab = readFile(folder.file("round.TAB"));

    Model other(folder.path());
    ASSERT_TRUE(other.files.loadState("round.SAV"));
    EXPECT_EQ(other.files.createSongSaveBuffer(), song);
    EXPECT_EQ(other.recorder.getNumNotes(), 2);
    EXPECT_EQ(other.files.numNotesToSave(), 1);
    EXPECT_EQ(other.engine.guitarVolume(0), 0.25f);
    EXPECT_EQ(other.engine.numFretsToShow(), 7);
    other.tab.clearTab();
    ASSERT_TRUE(other.files.loadTab("round.TAB"));
    EXPECT_EQ(other.files.createTabSaveBuffer(), tab);
    EXPECT_EQ(other.tab.tab(), model.tab.tab());
}

TEST_F(FileManagerTest, RandomDamageNeverCrashes) {
    fillModel(model);
    const Bytes song = model.files.createSongSaveBuffer();
    const Bytes tab = model.files.createTabSaveBuffer();
    std::mt19937 random(1234);
    for (int i = 0; i < 400; ++i) {
        Bytes b = (i % 2) ? song : tab;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < flips; ++k)
            b[random() % b.size()] = static_cast<uint8_t>(random());
        b.resize(random() % (b.size() + 1));
        b.shrink_to_fit();
        model.files.loadStateFromBuffer(b.data(), b.size());
        model.files.loadTabFromBuffer(b.data(), b.size());
    }
    SUCCEED();
}

// ---- Atomic save ----

TEST_F(FileManagerTest, FailedWriteLeavesTheOldFileWhole) {
    const Bytes old(300, 0xAB);
    writeFile(folder.file("keep.SAV"), old);
    fillModel(model);
    model.files.setSaveInterruptionForTesting(FileManager::SaveInterruption::FailWhileWriting);
    EXPECT_FALSE(model.files.saveState("keep.SAV"));
    EXPECT_EQ(log.str(), "[saveDataFile] Could not save file\n");
    EXPECT_EQ(readFile(folder.file("keep.SAV")), old);
    EXPECT_TRUE(temporaryFiles().empty());
    EXPECT_FALSE(model.files.saveTab("keep.SAV"));
    EXPECT_EQ(readFile(folder.file("keep.SAV")), old);
}

TEST_F(FileManagerTest, CrashBeforeRenameLeavesTheOldFileWhole) {
    const Bytes old(300, 0xCD);
    writeFile(folder.file("keep.SAV"), old);
    fillModel(model);
    model.files.setSaveInterruptionForTesting(FileManager::SaveInterruption::CrashBeforeRename);
    EXPECT_FALSE(model.files.saveState("keep.SAV"));
    EXPECT_EQ(readFile(folder.file("keep.SAV")), old);
    // The new content lies complete in a hidden file that no library lists.
    const std::vector<std::string> left = temporaryFiles();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(std::filesystem::path(left[0]).filename().string().front(), '.');
    EXPECT_EQ(readFile(left[0]), model.files.createSongSaveBuffer());

    model.files.setSaveInterruptionForTesting(FileManager::SaveInterruption::None);
    EXPECT_TRUE(model.files.saveState("keep.SAV"));
    EXPECT_EQ(readFile(folder.file("keep.SAV")), model.files.createSongSaveBuffer());
}

TEST_F(FileManagerTest, LongNamesStillSave) {
    const std::string name = std::string(240, 'n') + ".SAV";
    fillModel(model);
    ASSERT_TRUE(model.files.saveState(name)) << log.str();
    EXPECT_EQ(readFile(folder.file(name)), model.files.createSongSaveBuffer());
    EXPECT_TRUE(temporaryFiles().empty());
}

TEST_F(FileManagerTest, UnwritableFolderReportsFailure) {
    FileManager nowhere(&model.tab, &model.recorder, &model.engine, folder.file("no/such/folder"));
    nowhere.setDiagnosticStream(log);
    EXPECT_FALSE(nowhere.saveState("a.SAV"));
    EXPECT_FALSE(nowhere.saveTab("a.TAB"));
    EXPECT_EQ(log.str(), "[saveDataFile] Could not save file\n[saveDataFile] Could not save file\n");
    // A folder in the way of the file cannot be replaced either.
    std::filesystem::create_directory(folder.file("taken.SAV"));
    EXPECT_FALSE(model.files.saveState("taken.SAV"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("taken.SAV")));
    EXPECT_TRUE(temporaryFiles().empty());
}
