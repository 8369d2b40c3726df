// The recorder screen without a window or an application delegate: the song
// files of a private documents folder, saving, loading and erasing them by
// name through a real file manager, engine (no audio output) and recorder
// (no playback thread, manual clock), the message boxes, the song edits and
// the touch rectangles.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/Strumwell.h"
#include "audio/SoundEngine.h"
#include "platform/AlertView.h"
#include "platform/Application.h"
#include "platform/Label.h"
#include "platform/core/Clock.h"
#include "platform/core/MainThreadQueue.h"
#include "recorder/Recorder.h"
#include "screens/RecorderView.h"
#include "screens/SongLibrary.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"

namespace fs = std::filesystem;

namespace {

using Action = RecorderView::Action;

// Private documents and bundle folders, removed afterwards.
class Folders {
public:
    Folders() {
        std::random_device rd;
        root_ =
            fs::temp_directory_path() / ("strumwell-recorder-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(root_ / "docs");
        fs::create_directories(root_ / "bundle");
    }
    ~Folders() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    std::string docs() const { return (root_ / "docs").string(); }
    std::string bundle() const { return (root_ / "bundle").string(); }
    std::string doc(const std::string& name) const { return docs() + "/" + name; }

private:
    fs::path root_;
};

void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Points inside each control.
constexpr Point kLoadSaveModeButton{180, 50};
constexpr Point kModifyModeButton{240, 50};
constexpr Point kLoadButton{200, 410};
constexpr Point kEraseButton{100, 410};
constexpr Point kSaveButton{260, 410};
constexpr Point kScrollToStart{206, 361};
constexpr Point kScrollToEnd{93, 361};
constexpr Point kRow[5] = {{210, 200}, {178, 200}, {152, 200}, {125, 200}, {95, 200}};
constexpr Point kOK{130, 200};
constexpr Point kCancel{130, 340};
constexpr Point kEraseLastTrackButton{257, 268};
constexpr Point kEraseLastNoteButton{216, 268};
constexpr Point kEraseWahButton{176, 268};
constexpr Point kEraseWhammyButton{136, 268};
constexpr Point kEraseSongButton{96, 268};

// The model objects over the private folders, and the screen made the way
// the application makes it (null delegate).
class RecorderScreen : public ::testing::Test {
protected:
    RecorderScreen()
        : engine(nullptr, nullptr, nullptr, folders.bundle(), clock),
          recorder(nullptr, &engine, clock, false), files(&tab, &recorder, &engine, folders.docs()) {
        engine.setRecorder(&recorder);
        files.setDiagnosticStream(diagnostics);
        files.resetState();
    }
    ~RecorderScreen() override { engine.setRecorder(nullptr); }

    RecorderView& screen() {
        if (!view)
            view = std::make_unique<RecorderView>(nullptr, &engine, &files, &recorder, folders.bundle());
        return *view;
    }

    void tap(Point p) { screen().fingerDown(p); }

    // Records `count` notes in one pass (each a note-down and a note-up) and
    // merges it into the song.
    void recordNotes(int count, int firstSample = 10) {
        recorder.record();
        for (int i = 0; i < count; ++i) {
            clock.advance(0.1);
            const int id = recorder.addPlayNote(firstSample + i, 1.0f, 0.1);
            clock.advance(0.1);
            recorder.addStopNote(id);
        }
        recorder.stop();
        recorder.runPlaybackPass();
    }

    void openLoadSave() {
        tap(kLoadSaveModeButton);
        ASSERT_TRUE(screen().loadSaveMode());
    }

    // Types a name into the field and presses Save.
    void saveAs(const std::string& typed) {
        screen().saveTextField().setText(typed);
        tap(kSaveButton);
    }

    std::string boxText() { return screen().messageBoxText().text(); }

    Folders folders;
    ManualClock clock{100.0};
    std::ostringstream diagnostics;
    Tab tab;
    SoundEngine engine;
    Recorder recorder;
    FileManager files;
    std::unique_ptr<RecorderView> view;
};

// ---------------------------------------------------------------- names ----

TEST(SongLibrary, MakeFileSafeReplacesDotsAndSlashesOnly) {
    EXPECT_EQ(SongLibrary::makeFileSafe("my.song/1"), "my_song_1");
    EXPECT_EQ(SongLibrary::makeFileSafe("a\\b"), "a_b");
    EXPECT_EQ(SongLibrary::makeFileSafe("../../etc/passwd"), "______etc_passwd");
    EXPECT_EQ(SongLibrary::makeFileSafe(""), "");
    EXPECT_EQ(SongLibrary::makeFileSafe("Blues in A"), "Blues in A");
    EXPECT_EQ(SongLibrary::makeFileSafe("caf\xC3\xA9 #2!"), "caf\xC3\xA9 #2!");
    EXPECT_EQ(RecorderView::makeFileSafe("x.SAV"), "x_SAV");
    EXPECT_EQ(SongLibrary::songFileName("tune"), "tune.SAV");
}

TEST(SongLibrary, ListsOnlyUpperCaseSavFiles) {
    Folders folders;
    writeText(folders.doc("b tune.SAV"), "x");
    writeText(folders.doc("a tune.SAV"), "x");
    writeText(folders.doc("lower.sav"), "x");
    writeText(folders.doc("tab.TAB"), "x");
    writeText(folders.doc("old.SAV.bak"), "x");
    writeText(folders.doc(".SAV"), "x");
    writeText(folders.doc(std::string(".c.SAV") + FileManager::kTemporaryInfix + "12345"), "x");
    writeText(folders.doc("system.state"), "x");
    fs::create_directory(folders.doc("folder.SAV"));
    SongLibrary library(folders.docs(), folders.bundle());
    EXPECT_EQ(library.songNames(), (std::vector<std::string>{"a tune", "b tune"}));
    EXPECT_TRUE(library.songExists("a tune"));
    EXPECT_FALSE(library.songExists("lower"));
    EXPECT_FALSE(library.songExists("folder"));
    EXPECT_FALSE(library.songExists("../docs/a tune"));
}

TEST(SongLibrary, MissingFolderHasNoSongs) {
    SongLibrary library("/nonexistent/strumwell-folder", "/nonexistent/bundle");
    EXPECT_TRUE(library.songNames().empty());
    EXPECT_EQ(library.copyDemoSongs(), 0);
    EXPECT_FALSE(library.eraseSong("x"));
}

TEST(SongLibrary, EraseRefusesPathsAndMissingFiles) {
    Folders folders;
    writeText(folders.doc("keep.SAV"), "x");
    SongLibrary library(folders.docs(), folders.bundle());
    EXPECT_FALSE(library.eraseSong("../docs/keep"));
    EXPECT_FALSE(library.eraseSong(""));
    EXPECT_FALSE(library.eraseSong("gone"));
    EXPECT_TRUE(fs::exists(folders.doc("keep.SAV")));
    EXPECT_TRUE(library.eraseSong("keep"));
    EXPECT_FALSE(fs::exists(folders.doc("keep.SAV")));
}

TEST(SongLibrary, DemoSongsAreCopiedWithoutOverwriting) {
    Folders folders;
    writeText(folders.bundle() + "/Demo One.SAV", "demo one");
    writeText(folders.bundle() + "/Demo Two.SAV", "demo two");
    writeText(folders.bundle() + "/Demo.TAB", "tab");
    writeText(folders.bundle() + "/lower.sav", "lower");
    writeText(folders.doc("Demo One.SAV"), "the user's own");
    SongLibrary library(folders.docs(), folders.bundle());
    EXPECT_EQ(library.copyDemoSongs(), 1);
    EXPECT_EQ(readText(folders.doc("Demo One.SAV")), "the user's own");
    EXPECT_EQ(readText(folders.doc("Demo Two.SAV")), "demo two");
    EXPECT_FALSE(fs::exists(folders.doc("Demo.TAB")));
    EXPECT_FALSE(fs::exists(folders.doc("lower.sav")));
    EXPECT_EQ(library.copyDemoSongs(), 0);
    // An erased demo comes back the next time.
    ASSERT_TRUE(library.eraseSong("Demo Two"));
    EXPECT_EQ(library.copyDemoSongs(), 1);
    EXPECT_EQ(readText(folders.doc("Demo Two.SAV")), "demo two");
    EXPECT_EQ(SongLibrary(folders.docs(), "").copyDemoSongs(), 0);
}

// ------------------------------------------------------------ rectangles ----

TEST(RecorderViewRectangles, CornerAndModeButtons) {
    for (bool loadSave : {false, true}) {
        EXPECT_EQ(RecorderView::actionForPoint({272, 59}, loadSave, false), Action::Back);
        EXPECT_EQ(RecorderView::actionForPoint({271, 30}, loadSave, false), Action::None);
        EXPECT_EQ(RecorderView::actionForPoint({300, 60}, loadSave, false), Action::None);
        EXPECT_EQ(RecorderView::actionForPoint({272, 421}, loadSave, false), Action::Help);
        EXPECT_EQ(RecorderView::actionForPoint({300, 420}, loadSave, false), Action::None);
        EXPECT_EQ(RecorderView::actionForPoint({151, 12}, loadSave, false), Action::LoadSaveMode);
        EXPECT_EQ(RecorderView::actionForPoint({150, 50}, loadSave, false), Action::None);
        EXPECT_EQ(RecorderView::actionForPoint({212, 50}, loadSave, false), Action::None);
        EXPECT_EQ(RecorderView::actionForPoint({213, 88}, loadSave, false), Action::ModifyMode);
        EXPECT_EQ(RecorderView::actionForPoint({264, 50}, loadSave, false), Action::ModifyMode);
        EXPECT_EQ(RecorderView::actionForPoint({265, 50}, loadSave, false), Action::None);
        EXPECT_EQ(RecorderView::actionForPoint({240, 11}, loadSave, false), Action::None);
        EXPECT_EQ(RecorderView::actionForPoint({240, 89}, loadSave, false), Action::None);
    }
}

TEST(RecorderViewRectangles, LoadSaveControls) {
    auto at = [](float x, float y) { return RecorderView::actionForPoint({x, y}, true, false); };
    EXPECT_EQ(at(178, 387), Action::Load);
    EXPECT_EQ(at(229, 436), Action::Load);
    EXPECT_EQ(at(177, 400), Action::None);
    EXPECT_EQ(at(230, 400), Action::None); // between Load and Save
    EXPECT_EQ(at(231, 400), Action::Save);
    EXPECT_EQ(at(288, 400), Action::Save);
    EXPECT_EQ(at(289, 400), Action::None);
    EXPECT_EQ(at(200, 386), Action::None);
    EXPECT_EQ(at(200, 437), Action::None);
    EXPECT_EQ(at(69, 400), Action::Erase);
    EXPECT_EQ(at(132, 400), Action::Erase);
    EXPECT_EQ(at(133, 400), Action::None);
    EXPECT_EQ(at(186, 340), Action::ScrollToStart);
    EXPECT_EQ(at(227, 382), Action::ScrollToStart);
    EXPECT_EQ(at(185, 345), Action::List);          // the arrow's border falls to the list
    EXPECT_EQ(at(224, 350), Action::ScrollToStart); // the arrow comes before the list
    EXPECT_EQ(at(72, 340), Action::ScrollToEnd);
    EXPECT_EQ(at(116, 360), Action::None);
    EXPECT_EQ(at(81, 110), Action::List);
    EXPECT_EQ(at(224, 338), Action::List);
    EXPECT_EQ(at(80, 200), Action::None);
    EXPECT_EQ(at(225, 200), Action::None);
    EXPECT_EQ(at(150, 109), Action::None);
    EXPECT_EQ(at(150, 351), Action::None);
    // The Modify buttons do nothing in this mode.
    EXPECT_EQ(at(257, 268), Action::None);
}

TEST(RecorderViewRectangles, ModifyButtons) {
    auto at = [](float x, float y) { return RecorderView::actionForPoint({x, y}, false, false); };
    EXPECT_EQ(at(277, 148), Action::EraseLastTrack);
    EXPECT_EQ(at(278, 200), Action::None);
    EXPECT_EQ(at(236, 200), Action::None);
    EXPECT_EQ(at(235, 388), Action::EraseLastNote);
    EXPECT_EQ(at(197, 200), Action::EraseLastNote);
    EXPECT_EQ(at(196, 200), Action::None);
    EXPECT_EQ(at(195, 200), Action::EraseWahChanges);
    EXPECT_EQ(at(158, 200), Action::EraseWahChanges);
    EXPECT_EQ(at(157, 200), Action::None);
    EXPECT_EQ(at(156, 200), Action::EraseWhammyChanges);
    EXPECT_EQ(at(117, 200), Action::EraseWhammyChanges);
    EXPECT_EQ(at(116, 200), Action::None);
    EXPECT_EQ(at(115, 200), Action::EraseSong);
    EXPECT_EQ(at(78, 200), Action::EraseSong);
    EXPECT_EQ(at(77, 200), Action::None);
    EXPECT_EQ(at(200, 147), Action::None);
    EXPECT_EQ(at(200, 389), Action::None);
    // The Load/Save controls do nothing in this mode.
    EXPECT_EQ(at(200, 410), Action::None);
}

TEST(RecorderViewRectangles, MessageBoxOnlyHasOKAndCancel) {
    for (bool loadSave : {false, true}) {
        auto at = [loadSave](float x, float y) {
            return RecorderView::actionForPoint({x, y}, loadSave, true);
        };
        EXPECT_EQ(at(104, 200), Action::None);
        EXPECT_EQ(at(105, 142), Action::OK);
        EXPECT_EQ(at(154, 273), Action::OK);
        EXPECT_EQ(at(130, 141), Action::None);
        EXPECT_EQ(at(130, 274), Action::None);
        EXPECT_EQ(at(130, 275), Action::Cancel);
        EXPECT_EQ(at(130, 404), Action::Cancel);
        EXPECT_EQ(at(130, 405), Action::None);
        EXPECT_EQ(at(155, 200), Action::None);
        EXPECT_EQ(at(300, 30), Action::None); // no back button under a box
        EXPECT_EQ(at(180, 50), Action::None);
    }
}

TEST(RecorderViewRectangles, ListRows) {
    auto row = [](float x) { return RecorderView::listRowForPoint({x, 200}); };
    EXPECT_EQ(row(224), 0);
    EXPECT_EQ(row(193), 0);
    EXPECT_EQ(row(192), -1);
    EXPECT_EQ(row(191), 1);
    EXPECT_EQ(row(166), 1);
    EXPECT_EQ(row(165), -1);
    EXPECT_EQ(row(164), 2);
    EXPECT_EQ(row(141), 2);
    EXPECT_EQ(row(140), -1);
    EXPECT_EQ(row(139), 3);
    EXPECT_EQ(row(111), 3);
    EXPECT_EQ(row(110), -1);
    EXPECT_EQ(row(109), 4);
    EXPECT_EQ(row(81), 4);
    EXPECT_EQ(row(80), -1);
    EXPECT_EQ(RecorderView::listRowForPoint({210, 109}), -1);
    EXPECT_EQ(RecorderView::listRowForPoint({210, 351}), -1);
}

// --------------------------------------------------------- creation, list ----

TEST_F(RecorderScreen, StartsInModifyModeWithDemoSongsCopiedIn) {
    writeText(folders.bundle() + "/Demo.SAV", "demo");
    writeText(folders.doc("Mine.SAV"), "mine");
    RecorderView& s = screen();
    EXPECT_FALSE(s.loadSaveMode());
    EXPECT_FALSE(s.showingMessageBox());
    EXPECT_EQ(s.songNames(), (std::vector<std::string>{"Demo", "Mine"}));
    EXPECT_EQ(s.currentlySelected(), 0);
    EXPECT_EQ(s.displayListStartIndex(), 0);
    EXPECT_EQ(readText(folders.doc("Demo.SAV")), "demo");
    EXPECT_EQ(s.documentsDirectory(), folders.docs());
    EXPECT_FALSE(s.modifyView().isHidden());
    EXPECT_TRUE(s.loadSaveView().isHidden());
    EXPECT_TRUE(s.messageBoxBackground().isHidden());
    EXPECT_EQ(s.LEDLit().center(), (Point{239, 18}));
    EXPECT_EQ(s.saveTextField().placeholder(), "Enter Save Filename Here");
}

TEST_F(RecorderScreen, EmptyFolderSelectsNothing) {
    EXPECT_TRUE(screen().songNames().empty());
    EXPECT_EQ(screen().currentlySelected(), -1);
}

TEST_F(RecorderScreen, ModeButtonsSwitchPanelsAndLight) {
    openLoadSave();
    EXPECT_TRUE(screen().modifyView().isHidden());
    EXPECT_FALSE(screen().loadSaveView().isHidden());
    EXPECT_EQ(screen().LEDLit().center(), (Point{181, 18}));
    tap(kModifyModeButton);
    EXPECT_FALSE(screen().loadSaveMode());
    EXPECT_EQ(screen().optionChosen(), 0);
    EXPECT_EQ(screen().LEDLit().center(), (Point{239, 18}));
}

TEST_F(RecorderScreen, SevenNamesScrollAndKeepTheSelection) {
    for (char c = 'a'; c <= 'g'; ++c)
        writeText(folders.doc(std::string(1, c) + ".SAV"), "x");
    openLoadSave();
    RecorderView& s = screen();
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(s.loadLabel(row).text(), std::string(1, static_cast<char>('a' + row)));
    EXPECT_TRUE(s.upArrow().isHidden());
    EXPECT_FALSE(s.downArrow().isHidden());
    EXPECT_FLOAT_EQ(s.downArrow().alpha(), 0.9f);

    tap(kRow[2]); // "c"
    EXPECT_EQ(s.currentlySelected(), 2);
    tap(kScrollToEnd);
    tap(kScrollToEnd);
    EXPECT_EQ(s.displayListStartIndex(), 2);
    EXPECT_EQ(s.currentlySelected(), 0); // still "c"
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(s.loadLabel(row).text(), std::string(1, static_cast<char>('c' + row)));
    EXPECT_TRUE(s.downArrow().isHidden());
    EXPECT_FALSE(s.upArrow().isHidden());
    tap(kScrollToEnd); // nothing more below
    EXPECT_EQ(s.displayListStartIndex(), 2);
    tap(kScrollToEnd);
    EXPECT_EQ(s.currentlySelected(), 0);

    // Selected row drawn dark with grey text, the others clear and black.
    EXPECT_EQ(s.loadLabel(0).backgroundColor(), (Color{40, 44, 42, 255}));
    EXPECT_EQ(s.loadLabel(0).textColor(), (Color{206, 238, 196, 255}));
    EXPECT_TRUE(s.loadLabel(1).backgroundColor().isClear());

    tap(kScrollToStart);
    EXPECT_EQ(s.displayListStartIndex(), 1);
    EXPECT_EQ(s.currentlySelected(), 1); // still "c"
    tap(kRow[4]);
    EXPECT_EQ(s.currentlySelected(), 4);
    tap(kScrollToStart);
    EXPECT_EQ(s.currentlySelected(), 4); // at most row 4
    EXPECT_EQ(s.displayListStartIndex(), 0);
}

TEST_F(RecorderScreen, RowsWithoutNamesCannotBeSelected) {
    writeText(folders.doc("one.SAV"), "x");
    writeText(folders.doc("two.SAV"), "x");
    openLoadSave();
    tap(kRow[3]);
    EXPECT_EQ(screen().currentlySelected(), 0);
    tap(kRow[1]);
    EXPECT_EQ(screen().currentlySelected(), 1);
    // Dragging over the list selects too.
    screen().fingerMove(kRow[0], kRow[1]);
    EXPECT_EQ(screen().currentlySelected(), 0);
    screen().fingerMove(kRow[4], kRow[0]);
    EXPECT_EQ(screen().currentlySelected(), 0);
    EXPECT_EQ(screen().loadLabel(2).text(), "");
}

// A screen that records its corner buttons instead of asking a delegate.
class CornerRecordingView : public RecorderView {
public:
    using RecorderView::RecorderView;
    int backs = 0;
    int helps = 0;

protected:
    void goBack() override { ++backs; }
    void openHelp() override { ++helps; }
};

TEST_F(RecorderScreen, CornerButtonsOutsideAMessageBoxOnly) {
    CornerRecordingView s(nullptr, &engine, &files, &recorder, folders.bundle());
    s.fingerDown({300, 30});
    s.fingerDown({300, 450});
    EXPECT_EQ(s.backs, 1);
    EXPECT_EQ(s.helps, 1);
    s.fingerDown(kEraseSongButton);
    ASSERT_TRUE(s.showingMessageBox());
    s.fingerDown({300, 30});
    s.fingerDown({300, 450});
    EXPECT_EQ(s.backs, 1);
    EXPECT_EQ(s.helps, 1);
    // Moves and lifts do nothing.
    Touch t;
    t.phase = TouchPhase::Ended;
    t.location = kOK;
    s.processTouches({t});
    EXPECT_TRUE(s.showingMessageBox());
}

// ------------------------------------------------------------------ save ----

TEST_F(RecorderScreen, TypedNameIsMadeSafeAndSaved) {
    recordNotes(2);
    openLoadSave();
    saveAs("my.song/1");
    EXPECT_EQ(screen().saveTextField().text(), "my_song_1");
    ASSERT_TRUE(fs::exists(folders.doc("my_song_1.SAV")));
    EXPECT_EQ(readText(folders.doc("my_song_1.SAV")).substr(0, 8), "VERSION2");
    EXPECT_TRUE(screen().showingMessageBox());
    EXPECT_EQ(screen().optionChosen(), RecorderView::kNotice);
    EXPECT_EQ(boxText(), "Song saved.");
    EXPECT_TRUE(screen().cancelLabel().isHidden());
    EXPECT_FALSE(screen().OKLabel().isHidden());
    EXPECT_EQ(screen().songNames(), (std::vector<std::string>{"my_song_1"}));
    EXPECT_EQ(screen().currentlySelected(), 0);
    tap(kOK);
    EXPECT_FALSE(screen().showingMessageBox());
    EXPECT_FALSE(screen().loadSaveView().isHidden());
}

TEST_F(RecorderScreen, SaveSelectsTheNewSongAtTheListsEnd) {
    for (char c = 'a'; c <= 'g'; ++c)
        writeText(folders.doc(std::string(1, c) + ".SAV"), "x");
    openLoadSave();
    saveAs("zz");
    EXPECT_EQ(screen().displayListStartIndex(), 3);
    EXPECT_EQ(screen().currentlySelected(), 4);
    tap(kOK);
    EXPECT_EQ(screen().loadLabel(4).text(), "zz");
    saveAs("b2"); // index 2 among a b b2 c ...: scrolled back to show it
    EXPECT_EQ(screen().displayListStartIndex(), 2);
    EXPECT_EQ(screen().currentlySelected(), 0);
    tap(kOK);
    EXPECT_EQ(screen().loadLabel(0).text(), "b2");
}

TEST_F(RecorderScreen, UnnamedSongOffersMySongThenAsksBeforeOverwriting) {
    openLoadSave();
    saveAs("");
    EXPECT_EQ(screen().optionChosen(), RecorderView::kSaveUnnamed);
    EXPECT_EQ(boxText(), "You have not named your song. Save it as 'My Song'?");
    EXPECT_FALSE(screen().cancelLabel().isHidden());
    EXPECT_TRUE(screen().loadSaveView().isHidden());
    tap(kOK);
    EXPECT_TRUE(fs::exists(folders.doc("My Song.SAV")));
    EXPECT_EQ(boxText(), "Song saved.");
    tap(kOK);

    writeText(folders.doc("My Song.SAV"), "older");
    saveAs("...");
    EXPECT_EQ(screen().saveTextField().text(), "___"); // not empty once made safe
    tap(kOK);
    saveAs("");
    tap(kOK); // the file exists: the box turns into the overwrite question
    EXPECT_TRUE(screen().showingMessageBox());
    EXPECT_EQ(screen().optionChosen(), RecorderView::kOverwrite);
    EXPECT_EQ(boxText(), "A saved file already exists with this name.\nOverwrite it?");
    tap(kCancel);
    EXPECT_FALSE(screen().showingMessageBox());
    EXPECT_EQ(readText(folders.doc("My Song.SAV")), "older");
}

TEST_F(RecorderScreen, OverwriteAsksAndCancelLeavesTheFile) {
    writeText(folders.doc("tune.SAV"), "older");
    openLoadSave();
    saveAs("tune");
    EXPECT_EQ(screen().optionChosen(), RecorderView::kOverwrite);
    EXPECT_EQ(boxText(), "A saved file already exists with this name.\nOverwrite it?");
    tap(kCancel);
    EXPECT_EQ(readText(folders.doc("tune.SAV")), "older");
    saveAs("tune");
    tap({100, 200}); // left of the box: ignored
    EXPECT_EQ(screen().optionChosen(), RecorderView::kOverwrite);
    tap(kOK);
    EXPECT_EQ(boxText(), "Song saved.");
    EXPECT_EQ(readText(folders.doc("tune.SAV")).substr(0, 8), "VERSION2");
}

TEST_F(RecorderScreen, FailedSaveIsReportedAndKeepsTheOldFile) {
    writeText(folders.doc("tune.SAV"), "older");
    openLoadSave();
    files.setSaveInterruptionForTesting(FileManager::SaveInterruption::FailWhileWriting);
    saveAs("tune");
    tap(kOK);
    EXPECT_EQ(boxText(), RecorderView::kSaveFailedText);
    EXPECT_NE(boxText(), "Song saved.");
    EXPECT_EQ(readText(folders.doc("tune.SAV")), "older");
    tap(kOK);
    saveAs("fresh");
    EXPECT_EQ(boxText(), RecorderView::kSaveFailedText);
    EXPECT_FALSE(fs::exists(folders.doc("fresh.SAV")));
    EXPECT_EQ(screen().songNames(), (std::vector<std::string>{"tune"}));
    EXPECT_EQ(screen().currentlySelected(), 0);
}

TEST_F(RecorderScreen, SaveIntoAMissingFolderIsReported) {
    RecorderView& s = screen();
    fs::remove_all(folders.docs());
    s.save("gone.SAV");
    EXPECT_EQ(boxText(), RecorderView::kSaveFailedText);
    EXPECT_TRUE(s.songNames().empty());
    EXPECT_EQ(s.currentlySelected(), -1);
}

TEST_F(RecorderScreen, VeryLongNamesStillSave) {
    openLoadSave();
    saveAs(std::string(400, 'n'));
    EXPECT_LE(screen().saveTextField().text().size(), 200u);
    EXPECT_EQ(boxText(), "Song saved.");
    ASSERT_EQ(screen().songNames().size(), 1u);
    EXPECT_EQ(screen().songNames()[0], screen().saveTextField().text());
}

TEST_F(RecorderScreen, FieldEditingMakesTheNameSafe) {
    TextField& field = screen().saveTextField();
    field.setText("a.b\\c/d");
    EXPECT_TRUE(screen().textFieldShouldReturn(field));
    screen().textFieldDidEndEditing(field);
    EXPECT_EQ(field.text(), "a_b_c_d");
}

// --------------------------------------------------------------- loading ----

TEST_F(RecorderScreen, SaveEraseAndLoadRoundTrip) {
    recordNotes(3);
    ASSERT_EQ(recorder.getNumNotes(), 6);
    std::vector<int> recorded;
    for (const Note& n : recorder.notes())
        recorded.push_back(n.sampleNo());
    openLoadSave();
    saveAs("three notes");
    tap(kOK);
    screen().saveTextField().setText("");

    // Erase the song in memory from the Modify panel.
    tap(kModifyModeButton);
    tap(kEraseSongButton);
    EXPECT_EQ(boxText(), "Really erase the current song?");
    tap(kOK);
    EXPECT_EQ(recorder.getNumNotes(), 0);

    tap(kLoadSaveModeButton);
    tap(kRow[0]);
    tap(kLoadButton);
    EXPECT_EQ(screen().optionChosen(), RecorderView::kLoadSong);
    EXPECT_EQ(boxText(), "Really load 'three notes'?");
    tap(kOK); // no queue: the delayed steps run at once
    EXPECT_FALSE(screen().showingPleaseWaitMessage());
    EXPECT_EQ(screen().songNumberToLoad(), 0);
    EXPECT_EQ(boxText(), "Song loaded.");
    EXPECT_EQ(recorder.getNumNotes(), 6);
    EXPECT_EQ(screen().saveTextField().text(), "three notes");
    std::vector<int> samples;
    for (const Note& n : recorder.notes())
        samples.push_back(n.sampleNo());
    EXPECT_EQ(samples, recorded);
    EXPECT_EQ(samples[0], 10);
    EXPECT_EQ(samples[4], 12);
    tap(kOK);
    EXPECT_FALSE(screen().showingMessageBox());
}

TEST_F(RecorderScreen, TouchesAreIgnoredDuringTheLoadNotice) {
    recordNotes(1);
    ASSERT_TRUE(files.saveState("song.SAV"));
    MainThreadQueue queue(clock);
    screen().setCallQueue(&queue);
    openLoadSave();
    tap(kLoadButton);
    recorder.eraseWholeSong();
    tap(kOK);
    EXPECT_TRUE(screen().showingPleaseWaitMessage());
    EXPECT_EQ(boxText(), "Please wait.\nLoading Guitar samples.");
    EXPECT_TRUE(screen().OKLabel().isHidden());
    EXPECT_TRUE(screen().cancelLabel().isHidden());
    EXPECT_TRUE(screen().loadSaveView().isHidden());
    EXPECT_EQ(recorder.getNumNotes(), 0);

    Touch t;
    for (Point p : {kOK, kCancel, kModifyModeButton, kSaveButton, Point{300, 30}}) {
        t.phase = TouchPhase::Began;
        t.location = p;
        screen().processTouches({t});
    }
    EXPECT_TRUE(screen().showingPleaseWaitMessage());
    EXPECT_TRUE(screen().loadSaveMode());

    clock.advance(0.002);
    queue.runPending(); // load
    EXPECT_EQ(recorder.getNumNotes(), 2);
    EXPECT_TRUE(screen().showingPleaseWaitMessage());
    clock.advance(0.05);
    queue.runPending();
    EXPECT_TRUE(screen().showingPleaseWaitMessage());
    clock.advance(0.06);
    queue.runPending(); // the notice ends
    EXPECT_FALSE(screen().showingPleaseWaitMessage());
    EXPECT_EQ(boxText(), "Song loaded.");
    t.location = kOK;
    screen().processTouches({t});
    EXPECT_FALSE(screen().showingMessageBox());
}

TEST_F(RecorderScreen, QueuedLoadStepsOutlivingTheScreenDoNothing) {
    recordNotes(1);
    ASSERT_TRUE(files.saveState("song.SAV"));
    recorder.eraseWholeSong();
    MainThreadQueue queue(clock);
    screen().setCallQueue(&queue);
    openLoadSave();
    tap(kLoadButton);
    tap(kOK);
    ASSERT_TRUE(screen().showingPleaseWaitMessage());
    view.reset();
    clock.advance(1.0);
    EXPECT_EQ(queue.runPending(), 1);
    EXPECT_EQ(recorder.getNumNotes(), 0);
}

TEST_F(RecorderScreen, DamagedSongFileIsReportedNotLoaded) {
    std::string damaged = "VERSION2";
    damaged += std::string("\x10\x27\x00\x00", 4); // a tab section of 10000 bytes that is not there
    damaged += "junk";
    writeText(folders.doc("broken.SAV"), damaged);
    writeText(folders.doc("empty.SAV"), "");
    openLoadSave();
    tap(kLoadButton); // "broken"
    EXPECT_EQ(boxText(), "Really load 'broken'?");
    tap(kOK);
    EXPECT_EQ(boxText(), RecorderView::kLoadDamagedText);
    EXPECT_EQ(screen().saveTextField().text(), "");
    tap(kOK);
    tap(kRow[1]);
    tap(kLoadButton);
    tap(kOK);
    EXPECT_EQ(boxText(), RecorderView::kLoadDamagedText);
}

TEST_F(RecorderScreen, SongFileGoneSinceListingKeepsTheSongInMemory) {
    writeText(folders.doc("vanished.SAV"), "x");
    recordNotes(2);
    openLoadSave();
    fs::remove(folders.doc("vanished.SAV"));
    tap(kLoadButton);
    tap(kOK);
    EXPECT_EQ(boxText(), RecorderView::kLoadMissingText);
    EXPECT_EQ(recorder.getNumNotes(), 4);
    EXPECT_TRUE(screen().songNames().empty());
    EXPECT_EQ(screen().currentlySelected(), -1);
}

// ---------------------------------------------------------------- erasing ----

TEST_F(RecorderScreen, ErasingTheOnlySongLeavesNothingToLoad) {
    writeText(folders.doc("only.SAV"), "x");
    openLoadSave();
    tap(kEraseButton);
    EXPECT_EQ(screen().optionChosen(), RecorderView::kEraseSongFile);
    EXPECT_EQ(boxText(), "Really erase 'only'?");
    tap(kCancel);
    EXPECT_TRUE(fs::exists(folders.doc("only.SAV")));
    tap(kEraseButton);
    tap(kOK);
    EXPECT_EQ(boxText(), "Song erased.");
    EXPECT_FALSE(fs::exists(folders.doc("only.SAV")));
    EXPECT_TRUE(screen().songNames().empty());
    EXPECT_EQ(screen().currentlySelected(), -1);
    EXPECT_EQ(screen().displayListStartIndex(), 0);
    tap(kOK);
    tap(kLoadButton);
    EXPECT_FALSE(screen().showingMessageBox());
    tap(kEraseButton);
    EXPECT_FALSE(screen().showingMessageBox());
    EXPECT_EQ(screen().loadLabel(0).text(), "");
}

TEST_F(RecorderScreen, ErasingMovesTheSelectionUp) {
    for (char c = 'a'; c <= 'g'; ++c)
        writeText(folders.doc(std::string(1, c) + ".SAV"), "x");
    openLoadSave();
    tap(kRow[2]); // c
    tap(kEraseButton);
    tap(kOK);
    EXPECT_EQ(screen().songNames().size(), 6u);
    EXPECT_EQ(screen().currentlySelected(), 1); // b
    tap(kOK);
    tap(kScrollToEnd);
    tap(kScrollToEnd); // start 1? only 6 names: start 1, row 0 (b)
    EXPECT_EQ(screen().displayListStartIndex(), 1);
    EXPECT_EQ(screen().currentlySelected(), 0);
    tap(kEraseButton);
    EXPECT_EQ(boxText(), "Really erase 'b'?");
    tap(kOK);
    EXPECT_EQ(screen().displayListStartIndex(), 0);
    EXPECT_EQ(screen().currentlySelected(), 0); // a
    EXPECT_EQ(screen().songNames(), (std::vector<std::string>{"a", "d", "e", "f", "g"}));
}

TEST_F(RecorderScreen, FailedEraseIsReported) {
    writeText(folders.doc("x.SAV"), "x");
    openLoadSave();
    fs::remove(folders.doc("x.SAV"));
    tap(kEraseButton);
    tap(kOK);
    EXPECT_EQ(boxText(), RecorderView::kEraseFailedText);
    EXPECT_TRUE(screen().songNames().empty());
    EXPECT_EQ(screen().currentlySelected(), -1);
}

TEST_F(RecorderScreen, LowerCaseSavIsNotListed) {
    writeText(folders.doc("quiet.sav"), "x");
    EXPECT_TRUE(screen().songNames().empty());
}

// ------------------------------------------------------------ song edits ----

TEST_F(RecorderScreen, EraseButtonsAskThenEdit) {
    recordNotes(2);
    recordNotes(1, 20);
    ASSERT_EQ(recorder.getNumNotes(), 6);
    RecorderView& s = screen();

    tap(kEraseLastNoteButton);
    EXPECT_EQ(boxText(), "Really erase the last recorded note?");
    EXPECT_EQ(s.optionChosen(), RecorderView::kEraseLastNote);
    EXPECT_TRUE(s.modifyView().isHidden());
    tap(kCancel);
    EXPECT_EQ(recorder.getNumNotes(), 6);
    EXPECT_FALSE(s.modifyView().isHidden());
    tap(kEraseLastNoteButton);
    tap(kOK);
    EXPECT_EQ(recorder.getNumNotes(), 4);
    EXPECT_FALSE(s.showingMessageBox());

    recordNotes(1, 30);
    tap(kEraseLastTrackButton);
    EXPECT_EQ(boxText(), "Really erase the last recorded track?");
    tap(kOK);
    EXPECT_EQ(recorder.getNumNotes(), 4);
    for (const Note& n : recorder.notes())
        EXPECT_LT(n.sampleNo(), 20);

    tap(kEraseSongButton);
    EXPECT_EQ(boxText(), "Really erase the current song?");
    tap(kCancel);
    EXPECT_EQ(recorder.getNumNotes(), 4);
    tap(kEraseSongButton);
    tap(kOK);
    EXPECT_EQ(recorder.getNumNotes(), 0);
}

TEST_F(RecorderScreen, EraseWahAndWhammyChanges) {
    recorder.record();
    clock.advance(0.1);
    recorder.addWahChangeForGuitar(0, 0.25f);
    recorder.addWhammyBarChangeForGuitar(0, 0.5f);
    clock.advance(0.1);
    recorder.addWahChangeForGuitar(0, 0.75f);
    recorder.addWhammyBarChangeForGuitar(0, 0.9f);
    recorder.stop();
    recorder.runPlaybackPass();
    ASSERT_FALSE(recorder.wahChanges(0).empty());
    ASSERT_FALSE(recorder.whammyBarChanges(0).empty());

    tap(kEraseWahButton);
    EXPECT_EQ(boxText(), "Really erase all Wah Wah changes?");
    tap(kCancel);
    EXPECT_FALSE(recorder.wahChanges(0).empty());
    tap(kEraseWahButton);
    tap(kOK);
    EXPECT_TRUE(recorder.wahChanges(0).empty());
    EXPECT_TRUE(recorder.wahChanges(1).empty());
    EXPECT_FALSE(recorder.whammyBarChanges(0).empty());

    tap(kEraseWhammyButton);
    EXPECT_EQ(boxText(), "Really erase all Whammy Bar changes?");
    tap(kOK);
    EXPECT_TRUE(recorder.whammyBarChanges(0).empty());
    EXPECT_TRUE(recorder.whammyBarChanges(1).empty());
}

TEST_F(RecorderScreen, EditStopsARecordingPassFirst) {
    recordNotes(1);
    recorder.record();
    clock.advance(0.1);
    const int id = recorder.addPlayNote(40, 1.0f, 0.1);
    recorder.addStopNote(id);
    ASSERT_EQ(recorder.getState(), 2);
    tap(kEraseLastTrackButton);
    tap(kOK);
    EXPECT_EQ(recorder.getState(), 0);
    // The pass in progress was merged and then erased as the last track.
    EXPECT_EQ(recorder.getNumNotes(), 2);
    EXPECT_TRUE(recorder.currentOverdubNotesToAdd().empty());
}

// ------------------------------------------- inside a running application ----

// The screen made by hand inside a headless run of the application (as the
// delegate makes it), shown on top of everything, touched through the
// platform's input.
class RecorderInApplication : public ::testing::Test {
protected:
    void SetUp() override {
        writeText(folders.bundle() + "/Demo Song.SAV", "demo");
        ApplicationOptions o;
        o.headless = true;
        o.clock = &clock;
        o.paced = false;
        o.handleSignals = false;
        o.bundleFolder = folders.bundle();
        app = std::make_unique<Application>(o);
        std::string error;
        ASSERT_TRUE(app->initialize(&error)) << error;
        Strumwell::Options options;
        options.documentsFolder = folders.docs();
        options.cachesFolder = folders.docs() + "/caches";
        options.bundleFolder = folders.bundle();
        shell = std::make_unique<Strumwell>(options);
        app->launch(*shell);
        app->runFrames(1);
        if (AlertView* alert = app->currentAlert())
            alert->pressButton();
        app->runFrames(1);
        view = std::make_unique<RecorderView>(shell.get(), shell->soundEngine(), shell->fileManager(),
                                              shell->recorder());
        app->rootView().addSubview(view.get());
    }
    void TearDown() override {
        view.reset();
        app->finish();
    }
    void tap(Point p) {
        app->injectTouch(7, TouchPhase::Began, p);
        app->runFrames(1);
        app->injectTouch(7, TouchPhase::Ended, p);
        app->runFrames(1);
    }
    void frames(int n, double step) {
        for (int i = 0; i < n; ++i) {
            clock.advance(step);
            app->runFrames(1);
        }
    }

    Folders folders;
    ManualClock clock{10.0};
    std::unique_ptr<Application> app;
    std::unique_ptr<Strumwell> shell;
    std::unique_ptr<RecorderView> view;
};

TEST_F(RecorderInApplication, DemoSongsCopiedAndSongsSavedAndLoadedThroughTheRun) {
    EXPECT_EQ(view->documentsDirectory(), folders.docs());
    EXPECT_EQ(readText(folders.doc("Demo Song.SAV")), "demo");
    EXPECT_EQ(view->songNames(), (std::vector<std::string>{"Demo Song"}));
    EXPECT_EQ(view->frame(), shell->frame());

    tap(kLoadSaveModeButton);
    ASSERT_TRUE(view->loadSaveMode());
    // Typing into the field through the platform's keyboard input.
    tap({245, 230});
    ASSERT_TRUE(view->saveTextField().isEditing());
    app->injectText("take.2");
    app->runFrames(1);
    view->saveTextField().returnPressed();
    EXPECT_FALSE(view->saveTextField().isEditing());
    EXPECT_EQ(view->saveTextField().text(), "take_2");
    tap(kSaveButton);
    EXPECT_EQ(view->messageBoxText().text(), "Song saved.");
    EXPECT_TRUE(fs::exists(folders.doc("take_2.SAV")));
    tap(kOK);

    // Loading goes through the application's queue: the notice first, then
    // the load, then the result.
    tap(kRow[1]);
    tap(kLoadButton);
    EXPECT_EQ(view->messageBoxText().text(), "Really load 'take_2'?");
    tap(kOK);
    EXPECT_TRUE(view->showingPleaseWaitMessage());
    tap(kCancel); // ignored while the notice is up
    EXPECT_TRUE(view->showingPleaseWaitMessage());
    frames(5, 0.05);
    EXPECT_FALSE(view->showingPleaseWaitMessage());
    EXPECT_EQ(view->messageBoxText().text(), "Song loaded.");
    EXPECT_EQ(view->saveTextField().text(), "take_2");

    // The demo's content is no song file: it is reported, not loaded.
    tap(kOK);
    tap(kRow[0]);
    tap(kLoadButton);
    tap(kOK);
    frames(5, 0.05);
    EXPECT_EQ(view->messageBoxText().text(), RecorderView::kLoadDamagedText);
}

} // namespace
