// The tab load/save screen without a window or an application delegate: the
// tab files of a private documents folder, saving, loading and erasing them
// by name through a real file manager, tab, engine (no audio output) and
// recorder (no playback thread), the message boxes, the plectrum menu and the
// touch rectangles with their borders.
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
#include "platform/Label.h"
#include "platform/core/Clock.h"
#include "recorder/Recorder.h"
#include "screens/SongLibrary.h"
#include "screens/TabGuitarLoadSaveView.h"
#include "screens/TabLibrary.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"

namespace fs = std::filesystem;

namespace {

using Action = TabGuitarLoadSaveView::Action;
using MenuAction = TabGuitarLoadSaveView::MenuAction;
using Names = std::vector<std::string>;

// Private documents and bundle folders, removed afterwards.
class Folders {
public:
    Folders() {
        std::random_device rd;
        root_ =
            fs::temp_directory_path() / ("strumwell-tablib-" + std::to_string(rd()) + std::to_string(rd()));
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
    std::string root() const { return root_.string(); }

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

// A tab file of the given columns, as the file manager writes it.
std::string tabFileBytes(const std::vector<std::string>& columns) {
    Tab tab;
    for (const std::string& c : columns)
        tab.addNotesToTab(tab.tabSize(), c);
    FileManager writer(&tab, nullptr, nullptr, "/nonexistent");
    const std::vector<uint8_t> bytes = writer.createTabSaveBuffer();
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::array<int32_t, 6>> columnsOf(const Tab& tab) {
    std::vector<std::array<int32_t, 6>> columns;
    for (const TablatureEntry& e : tab.tab())
        columns.push_back(e.frets());
    return columns;
}

// Points inside each control.
constexpr Point kPlectrum{26, 22};
constexpr Point kLoadButton{220, 418};
constexpr Point kEraseButton{119, 418};
constexpr Point kSaveButton{285, 418};
constexpr Point kScrollToStart{230, 361};
constexpr Point kScrollToEnd{119, 361};
constexpr Point kRow[5] = {{225, 200}, {198, 200}, {171, 200}, {145, 200}, {118, 200}};
constexpr Point kOK{153, 190};
constexpr Point kCancel{153, 316};

// Records the screen changes asked for by the menu instead of making them.
class RecordingScreen : public TabGuitarLoadSaveView {
public:
    using TabGuitarLoadSaveView::TabGuitarLoadSaveView;
    std::vector<int> screens;

protected:
    void goToScreen(int screenNo) override { screens.push_back(screenNo); }
};

class TabScreen : public ::testing::Test {
protected:
    TabScreen()
        : engine(nullptr, nullptr, nullptr, folders.bundle(), clock),
          recorder(nullptr, &engine, clock, false), files(&tab, &recorder, &engine, folders.docs()) {
        engine.setRecorder(&recorder);
        files.setDiagnosticStream(diagnostics);
        files.resetState();
    }
    ~TabScreen() override { engine.setRecorder(nullptr); }

    RecordingScreen& screen() {
        if (!view)
            view = std::make_unique<RecordingScreen>(nullptr, &engine, &files, folders.bundle());
        return *view;
    }

    void tap(Point p) { screen().fingerDown(p); }
    void saveAs(const std::string& typed) {
        screen().saveTextField().setText(typed);
        tap(kSaveButton);
    }
    std::string boxText() { return screen().messageBoxText().text(); }
    Names shownRows() {
        Names rows;
        for (int r = 0; r < 5; ++r)
            rows.push_back(screen().loadLabel(r).text());
        return rows;
    }
    void recordNotes(int count) {
        recorder.record();
        for (int i = 0; i < count; ++i) {
            clock.advance(0.1);
            const int id = recorder.addPlayNote(10 + i, 1.0f, 0.1);
            clock.advance(0.1);
            recorder.addStopNote(id);
        }
        recorder.stop();
        recorder.runPlaybackPass();
    }

    Folders folders;
    ManualClock clock{100.0};
    std::ostringstream diagnostics;
    Tab tab;
    SoundEngine engine;
    Recorder recorder;
    FileManager files;
    std::unique_ptr<RecordingScreen> view;
};

Touch touchAt(TouchPhase phase, Point p, Point previous = {}) {
    Touch t;
    t.phase = phase;
    t.location = p;
    t.previousLocation = previous;
    return t;
}

} // namespace

// ---------------------------------------------------------------- names ----

TEST(TabLibrary, NamesAreMadeSafeAndGetTheTabExtension) {
    EXPECT_EQ(TabLibrary::makeFileSafe("my.tab/1"), "my_tab_1");
    EXPECT_EQ(TabLibrary::makeFileSafe("..\\..\\x"), "______x");
    EXPECT_EQ(TabLibrary::makeFileSafe(""), "");
    EXPECT_EQ(TabGuitarLoadSaveView::makeFileSafe("Riff in E"), "Riff in E");
    EXPECT_EQ(TabLibrary::tabFileName("riff"), "riff.TAB");
    EXPECT_EQ(TabLibrary::tabNameOfFile("riff.TAB"), "riff");
    EXPECT_EQ(TabLibrary::tabNameOfFile("riff.tab"), "");
    EXPECT_EQ(TabLibrary::tabNameOfFile(".TAB"), "");
    EXPECT_EQ(TabLibrary::tabNameOfFile("riff.SAV"), "");
}

TEST(TabLibrary, ListsOnlyUpperCaseTabFilesAndSongsStaySeparate) {
    Folders folders;
    writeText(folders.doc("b riff.TAB"), "x");
    writeText(folders.doc("a riff.TAB"), "x");
    writeText(folders.doc("lower.tab"), "x");
    writeText(folders.doc("song.SAV"), "x");
    writeText(folders.doc("old.TAB.bak"), "x");
    writeText(folders.doc(".TAB"), "x");
    writeText(folders.doc(std::string(".c.TAB") + FileManager::kTemporaryInfix + "12345"), "x");
    fs::create_directory(folders.doc("folder.TAB"));
    TabLibrary library(folders.docs(), folders.bundle());
    EXPECT_EQ(library.tabNames(), (Names{"a riff", "b riff"}));
    EXPECT_TRUE(library.tabExists("a riff"));
    EXPECT_FALSE(library.tabExists("lower"));
    EXPECT_FALSE(library.tabExists("song"));
    EXPECT_FALSE(library.tabExists("folder"));
    EXPECT_FALSE(library.tabExists("../docs/a riff"));
    // The recorder screen's list does not show tabs.
    EXPECT_EQ(SongLibrary(folders.docs(), folders.bundle()).songNames(), (Names{"song"}));
}

TEST(TabLibrary, EraseRefusesPathsAndMissingFiles) {
    Folders folders;
    writeText(folders.doc("keep.TAB"), "x");
    writeText(folders.root() + "/outside.TAB", "x");
    TabLibrary library(folders.docs(), folders.bundle());
    EXPECT_FALSE(library.eraseTab("../outside"));
    EXPECT_FALSE(library.eraseTab("../docs/keep"));
    EXPECT_FALSE(library.eraseTab(""));
    EXPECT_FALSE(library.eraseTab("gone"));
    EXPECT_TRUE(fs::exists(folders.root() + "/outside.TAB"));
    EXPECT_TRUE(library.eraseTab("keep"));
    EXPECT_FALSE(fs::exists(folders.doc("keep.TAB")));
}

TEST(TabLibrary, DemoTabsAreCopiedWithoutOverwriting) {
    Folders folders;
    writeText(folders.bundle() + "/Demo One.TAB", "demo one");
    writeText(folders.bundle() + "/Demo Two.TAB", "demo two");
    writeText(folders.bundle() + "/Demo.SAV", "song");
    writeText(folders.bundle() + "/lower.tab", "lower");
    writeText(folders.doc("Demo One.TAB"), "the user's own");
    TabLibrary library(folders.docs(), folders.bundle());
    EXPECT_EQ(library.copyDemoTabs(), 1);
    EXPECT_EQ(readText(folders.doc("Demo One.TAB")), "the user's own");
    EXPECT_EQ(readText(folders.doc("Demo Two.TAB")), "demo two");
    EXPECT_FALSE(fs::exists(folders.doc("Demo.SAV")));
    EXPECT_FALSE(fs::exists(folders.doc("lower.tab")));
    EXPECT_EQ(library.copyDemoTabs(), 0);
    EXPECT_EQ(TabLibrary(folders.docs(), "").copyDemoTabs(), 0);
    EXPECT_EQ(TabLibrary(folders.docs(), "/nonexistent/bundle").copyDemoTabs(), 0);
    EXPECT_TRUE(TabLibrary("/nonexistent/docs", "").tabNames().empty());
}

// ------------------------------------------------------------ rectangles ----

TEST(TabGuitarLoadSaveRects, ControlsWithTheirBordersExclusive) {
    auto at = [](float x, float y) { return TabGuitarLoadSaveView::actionForPoint({x, y}, false); };
    EXPECT_EQ(at(51, 44), Action::Plectrum);
    EXPECT_EQ(at(52, 44), Action::None);
    EXPECT_EQ(at(51, 45), Action::None);
    // Load 191..249 x 387..450.
    EXPECT_EQ(at(192, 388), Action::Load);
    EXPECT_EQ(at(248, 449), Action::Load);
    EXPECT_EQ(at(191, 400), Action::None);
    EXPECT_EQ(at(220, 387), Action::None);
    EXPECT_EQ(at(220, 450), Action::None);
    // x = 249 falls between Load and Save; 250 too (Save starts above it).
    EXPECT_EQ(at(249, 400), Action::None);
    EXPECT_EQ(at(250, 400), Action::None);
    // Erase 85..153.
    EXPECT_EQ(at(86, 400), Action::Erase);
    EXPECT_EQ(at(152, 400), Action::Erase);
    EXPECT_EQ(at(85, 400), Action::None);
    EXPECT_EQ(at(153, 400), Action::None);
    // Scroll arrows, y 339..383.
    EXPECT_EQ(at(211, 340), Action::ScrollToStart);
    EXPECT_EQ(at(249, 382), Action::ScrollToStart);
    EXPECT_EQ(at(210, 360), Action::None);
    EXPECT_EQ(at(245, 339), Action::None);
    EXPECT_EQ(at(230, 339), Action::List); // the list reaches under the arrow
    EXPECT_EQ(at(88, 360), Action::ScrollToEnd);
    EXPECT_EQ(at(150, 360), Action::ScrollToEnd);
    EXPECT_EQ(at(151, 360), Action::None);
    // Save 250..320.
    EXPECT_EQ(at(251, 388), Action::Save);
    EXPECT_EQ(at(319, 449), Action::Save);
    EXPECT_EQ(at(320, 400), Action::None);
    // List 105..239 x 93..343, tested after the arrows that overlap it.
    EXPECT_EQ(at(106, 94), Action::List);
    EXPECT_EQ(at(238, 342), Action::ScrollToStart);
    EXPECT_EQ(at(238, 338), Action::List);
    EXPECT_EQ(at(120, 342), Action::ScrollToEnd);
    EXPECT_EQ(at(105, 200), Action::None);
    EXPECT_EQ(at(239, 200), Action::None);
    EXPECT_EQ(at(200, 93), Action::None);
    EXPECT_EQ(at(200, 343), Action::None);
    // Elsewhere.
    EXPECT_EQ(at(300, 200), Action::None);
    EXPECT_EQ(at(60, 200), Action::None);
}

TEST(TabGuitarLoadSaveRects, MessageBoxButtonsAndThePlectrumFirst) {
    auto at = [](float x, float y) { return TabGuitarLoadSaveView::actionForPoint({x, y}, true); };
    EXPECT_EQ(at(10, 10), Action::Plectrum);
    EXPECT_EQ(at(126, 200), Action::None);
    EXPECT_EQ(at(127, 138), Action::OK);
    EXPECT_EQ(at(179, 247), Action::OK);
    EXPECT_EQ(at(150, 137), Action::None);
    EXPECT_EQ(at(180, 200), Action::None);
    EXPECT_EQ(at(150, 248), Action::None);
    EXPECT_EQ(at(127, 249), Action::Cancel);
    EXPECT_EQ(at(179, 383), Action::Cancel);
    EXPECT_EQ(at(150, 384), Action::None);
    // The controls behind the box take nothing.
    EXPECT_EQ(at(285, 418), Action::None);
    EXPECT_EQ(at(220, 418), Action::None);
    EXPECT_EQ(at(200, 200), Action::None);
}

TEST(TabGuitarLoadSaveRects, ListRowsAndTheirBorders) {
    auto row = [](float x) { return TabGuitarLoadSaveView::listRowForPoint({x, 200}); };
    EXPECT_EQ(row(238), 0);
    EXPECT_EQ(row(213), 0);
    EXPECT_EQ(row(212), -1);
    EXPECT_EQ(row(211), 1);
    EXPECT_EQ(row(186), 1);
    EXPECT_EQ(row(185), -1);
    EXPECT_EQ(row(184), 2);
    EXPECT_EQ(row(159), 2);
    EXPECT_EQ(row(158), -1);
    EXPECT_EQ(row(157), 3);
    EXPECT_EQ(row(133), 3);
    EXPECT_EQ(row(132), -1);
    EXPECT_EQ(row(131), 4);
    EXPECT_EQ(row(106), 4);
    EXPECT_EQ(row(105), -1);
    EXPECT_EQ(row(239), -1);
    EXPECT_EQ(TabGuitarLoadSaveView::listRowForPoint({200, 93}), -1);
    EXPECT_EQ(TabGuitarLoadSaveView::listRowForPoint({200, 343}), -1);
}

TEST(TabGuitarLoadSaveRects, MenuBarBoundsBelongToTheNextRangeDown) {
    auto at = [](float x, float y) { return TabGuitarLoadSaveView::menuActionForPoint({x, y}); };
    EXPECT_EQ(at(51, 44), MenuAction::ClosePlectrum);
    EXPECT_EQ(at(52, 44), MenuAction::None);
    EXPECT_EQ(at(272, 0), MenuAction::MainMenu);
    EXPECT_EQ(at(272, 59), MenuAction::MainMenu);
    EXPECT_EQ(at(272, 60), MenuAction::ChooseGuitar);
    EXPECT_EQ(at(300, 153), MenuAction::ChooseGuitar);
    EXPECT_EQ(at(300, 154), MenuAction::EffectsSetup);
    EXPECT_EQ(at(300, 240), MenuAction::GuitarPatchSetup);
    EXPECT_EQ(at(300, 328), MenuAction::Recorder);
    EXPECT_EQ(at(300, 419), MenuAction::Manual);
    EXPECT_EQ(at(319, 479), MenuAction::Manual);
    EXPECT_EQ(at(271, 30), MenuAction::None);
    // Play Tab 113..271 x 113..240, Enter Tab 113..271 x 240..371.
    EXPECT_EQ(at(114, 114), MenuAction::PlayTab);
    EXPECT_EQ(at(270, 239), MenuAction::PlayTab);
    EXPECT_EQ(at(113, 200), MenuAction::None);
    EXPECT_EQ(at(200, 113), MenuAction::None);
    EXPECT_EQ(at(200, 240), MenuAction::None);
    EXPECT_EQ(at(114, 241), MenuAction::EnterTab);
    EXPECT_EQ(at(270, 370), MenuAction::EnterTab);
    EXPECT_EQ(at(271, 300), MenuAction::None);
    EXPECT_EQ(at(200, 371), MenuAction::None);
    EXPECT_EQ(at(100, 420), MenuAction::None);

    using V = TabGuitarLoadSaveView;
    EXPECT_EQ(V::screenForMenuAction(MenuAction::MainMenu), 7);
    EXPECT_EQ(V::screenForMenuAction(MenuAction::ChooseGuitar), 8);
    EXPECT_EQ(V::screenForMenuAction(MenuAction::EffectsSetup), 10);
    EXPECT_EQ(V::screenForMenuAction(MenuAction::GuitarPatchSetup), 11);
    EXPECT_EQ(V::screenForMenuAction(MenuAction::Recorder), 15);
    EXPECT_EQ(V::screenForMenuAction(MenuAction::Manual), 16);
    EXPECT_EQ(V::screenForMenuAction(MenuAction::PlayTab), 1);
    EXPECT_EQ(V::screenForMenuAction(MenuAction::EnterTab), 2);
    EXPECT_EQ(V::screenForMenuAction(MenuAction::ClosePlectrum), -1);
}

// ------------------------------------------------------------- creation ----

TEST_F(TabScreen, CreationCopiesDemoTabsAndSelectsTheFirst) {
    writeText(folders.bundle() + "/Demo.TAB", tabFileBytes({"x02220"}));
    writeText(folders.doc("Mine.TAB"), "the user's own");
    writeText(folders.bundle() + "/Mine.TAB", "demo");
    writeText(folders.doc("song.SAV"), "x");
    EXPECT_EQ(screen().songNames(), (Names{"Demo", "Mine"}));
    EXPECT_EQ(readText(folders.doc("Mine.TAB")), "the user's own");
    EXPECT_EQ(screen().currentlySelected(), 0);
    EXPECT_EQ(screen().displayListStartIndex(), 0);
    EXPECT_FALSE(screen().menuShowing());
    EXPECT_FALSE(screen().showingMessageBox());
    EXPECT_EQ(screen().documentsDirectory(), folders.docs());
    EXPECT_EQ(shownRows(), (Names{"Demo", "Mine", "", "", ""}));
    EXPECT_EQ(screen().saveTextField().placeholder(), "Enter Save Filename Here");
}

TEST_F(TabScreen, EmptyFolderSelectsNothingAndLoadEraseDoNothing) {
    EXPECT_TRUE(screen().songNames().empty());
    EXPECT_EQ(screen().currentlySelected(), -1);
    tap(kLoadButton);
    tap(kEraseButton);
    tap(kRow[0]);
    EXPECT_FALSE(screen().showingMessageBox());
    EXPECT_EQ(screen().currentlySelected(), -1);
    EXPECT_EQ(screen().upArrow().alpha(), 0.0f);
    EXPECT_EQ(screen().downArrow().alpha(), 0.0f);
}

// --------------------------------------------------------------- saving ----

TEST_F(TabScreen, EmptyNameOffersMyTabAndWritesIt) {
    tab.addNotesToTab(0, "x02220");
    tap(kSaveButton);
    EXPECT_TRUE(screen().showingMessageBox());
    EXPECT_EQ(screen().optionChosen(), TabGuitarLoadSaveView::kSaveUnnamed);
    EXPECT_EQ(boxText(), "You have not named your tab. Save it as 'My Tab'?");
    tap(kOK);
    EXPECT_EQ(screen().optionChosen(), TabGuitarLoadSaveView::kNotice);
    EXPECT_EQ(boxText(), "Tab file saved.");
    EXPECT_TRUE(screen().cancelLabel().isHidden());
    EXPECT_FALSE(screen().OKLabel().isHidden());
    EXPECT_EQ(readText(folders.doc("My Tab.TAB")), tabFileBytes({"x02220"}));
    EXPECT_EQ(screen().songNames(), (Names{"My Tab"}));
    tap(kOK);
    EXPECT_FALSE(screen().showingMessageBox());

    // A second unnamed save finds "My Tab" and asks before overwriting.
    tap(kSaveButton);
    tap(kOK);
    EXPECT_EQ(screen().optionChosen(), TabGuitarLoadSaveView::kOverwrite);
    EXPECT_EQ(boxText(), "A saved file already exists with this name.\nOverwrite it?");
    tap(kCancel);
    EXPECT_FALSE(screen().showingMessageBox());
}

TEST_F(TabScreen, TypedNameIsMadeSafeAndSavedInTheDocumentsFolder) {
    saveAs("../my.tab/1");
    EXPECT_EQ(screen().saveTextField().text(), "___my_tab_1");
    EXPECT_EQ(boxText(), "Tab file saved.");
    EXPECT_TRUE(fs::exists(folders.doc("___my_tab_1.TAB")));
    EXPECT_FALSE(fs::exists(folders.root() + "/my.tab"));
    EXPECT_EQ(screen().songNames(), (Names{"___my_tab_1"}));
    EXPECT_EQ(screen().currentlySelected(), 0);
    // Ending the editing makes the field safe as well.
    screen().saveTextField().setText("a.b\\c");
    screen().textFieldDidEndEditing(screen().saveTextField());
    EXPECT_EQ(screen().saveTextField().text(), "a_b_c");
    EXPECT_TRUE(screen().textFieldShouldReturn(screen().saveTextField()));
}

TEST_F(TabScreen, OverwriteAsksFirstAndCancelKeepsTheFile) {
    writeText(folders.doc("riff.TAB"), "older");
    tab.addNotesToTab(0, "022100");
    saveAs("riff");
    EXPECT_EQ(screen().optionChosen(), TabGuitarLoadSaveView::kOverwrite);
    EXPECT_EQ(boxText(), "A saved file already exists with this name.\nOverwrite it?");
    EXPECT_FALSE(screen().cancelLabel().isHidden());
    tap(kCancel);
    EXPECT_EQ(readText(folders.doc("riff.TAB")), "older");
    saveAs("riff");
    tap(kOK);
    EXPECT_EQ(boxText(), "Tab file saved.");
    EXPECT_EQ(readText(folders.doc("riff.TAB")), tabFileBytes({"022100"}));
}

TEST_F(TabScreen, FailedSaveIsReportedAndKeepsTheOldFile) {
    writeText(folders.doc("riff.TAB"), "older");
    files.setSaveInterruptionForTesting(FileManager::SaveInterruption::FailWhileWriting);
    saveAs("riff");
    tap(kOK);
    EXPECT_EQ(boxText(), TabGuitarLoadSaveView::kSaveFailedText);
    EXPECT_NE(boxText(), "Tab file saved.");
    EXPECT_EQ(readText(folders.doc("riff.TAB")), "older");
    tap(kOK);
    saveAs("fresh");
    EXPECT_EQ(boxText(), TabGuitarLoadSaveView::kSaveFailedText);
    EXPECT_FALSE(fs::exists(folders.doc("fresh.TAB")));
    EXPECT_EQ(screen().songNames(), (Names{"riff"}));
    EXPECT_EQ(screen().currentlySelected(), 0);
}

TEST_F(TabScreen, SavedTabIsSelectedAndShownAtTheListsEnd) {
    for (const char* n : {"a", "b", "c", "d", "e", "f", "h"})
        writeText(folders.doc(std::string(n) + ".TAB"), tabFileBytes({"x32010"}));
    saveAs("g");
    EXPECT_EQ(screen().songNames().size(), 8u);
    EXPECT_EQ(screen().displayListStartIndex(), 3);
    EXPECT_EQ(shownRows(), (Names{"d", "e", "f", "g", "h"}));
    EXPECT_EQ(screen().currentlySelected(), 3); // "g", not the last name
    tap(kOK);
    saveAs("0 first");
    EXPECT_EQ(screen().displayListStartIndex(), 0);
    EXPECT_EQ(screen().currentlySelected(), 0);
}

// -------------------------------------------------------------- loading ----

TEST_F(TabScreen, SaveEraseLoadRoundTripNeverTouchesTheSong) {
    recordNotes(2);
    ASSERT_EQ(recorder.getNumNotes(), 4);
    tab.addNotesToTab(0, "x02220");
    tab.addNotesToTab(1, "320003");
    tab.addNotesToTab(2, "xx0232");
    const auto saved = columnsOf(tab);
    saveAs("three chords");
    tap(kOK);
    screen().saveTextField().setText("");

    tab.clearTab();
    tab.addNotesToTab(0, "000000");
    tap(kRow[0]);
    tap(kLoadButton);
    EXPECT_EQ(screen().optionChosen(), TabGuitarLoadSaveView::kLoadTab);
    EXPECT_EQ(boxText(), "Really load 'three chords'?");
    tap(kOK);
    // Loaded at once: no waiting notice.
    EXPECT_EQ(screen().optionChosen(), TabGuitarLoadSaveView::kNotice);
    EXPECT_EQ(boxText(), "Tab file loaded.");
    EXPECT_EQ(screen().songNumberToLoad(), 0);
    EXPECT_EQ(columnsOf(tab), saved);
    EXPECT_EQ(screen().saveTextField().text(), "three chords");
    EXPECT_EQ(recorder.getNumNotes(), 4);
    tap(kOK);
    EXPECT_FALSE(screen().showingMessageBox());

    // Erase it: the file goes, the tab in memory stays.
    tap(kEraseButton);
    EXPECT_EQ(boxText(), "Really erase 'three chords'?");
    tap(kOK);
    EXPECT_EQ(boxText(), "Tab file erased.");
    EXPECT_FALSE(fs::exists(folders.doc("three chords.TAB")));
    EXPECT_TRUE(screen().songNames().empty());
    EXPECT_EQ(screen().currentlySelected(), -1);
    EXPECT_EQ(columnsOf(tab), saved);
    EXPECT_EQ(recorder.getNumNotes(), 4);
    tap(kOK);
    tap(kLoadButton);
    tap(kEraseButton);
    EXPECT_FALSE(screen().showingMessageBox());
}

TEST_F(TabScreen, DamagedOrVanishedFilesLeaveTheTabInMemory) {
    // One column announced, but a fret of 50: the file manager refuses it.
    const char damaged[] = {'V', 'E', 'R', 'S', 'I', 'O', 'N', '2', 1, 0, 0, 0, 0, 2, 2, 50, 0, 0};
    writeText(folders.doc("broken.TAB"), std::string(damaged, sizeof damaged));
    writeText(folders.doc("cut.TAB"), tabFileBytes({"x02220", "x32010"}).substr(0, 15));
    writeText(folders.doc("gone.TAB"), tabFileBytes({"x02220"}));
    tab.addNotesToTab(0, "022000");
    const auto before = columnsOf(tab);

    tap(kRow[0]);
    tap(kLoadButton);
    EXPECT_EQ(boxText(), "Really load 'broken'?");
    tap(kOK);
    EXPECT_EQ(boxText(), TabGuitarLoadSaveView::kLoadDamagedText);
    EXPECT_EQ(columnsOf(tab), before);
    EXPECT_EQ(screen().saveTextField().text(), "");
    tap(kOK);

    tap(kRow[1]);
    tap(kLoadButton);
    EXPECT_EQ(boxText(), "Really load 'cut'?");
    tap(kOK);
    EXPECT_EQ(boxText(), TabGuitarLoadSaveView::kLoadDamagedText);
    EXPECT_EQ(columnsOf(tab), before);
    tap(kOK);

    fs::remove(folders.doc("gone.TAB"));
    tap(kRow[2]);
    tap(kLoadButton);
    tap(kOK);
    EXPECT_EQ(boxText(), TabGuitarLoadSaveView::kLoadMissingText);
    EXPECT_EQ(columnsOf(tab), before);
    EXPECT_EQ(screen().songNames(), (Names{"broken", "cut"}));
    EXPECT_EQ(screen().currentlySelected(), 1);
    // Loaded directly, the file manager would have emptied the tab.
    EXPECT_FALSE(files.loadTab("broken.TAB"));
    EXPECT_EQ(files.lastFailure(), "TabFailure-3");
    EXPECT_EQ(tab.tabSize(), 0);
}

// ---------------------------------------------------- list and erasing ----

TEST_F(TabScreen, SevenNamesScrollAndKeepTheSelection) {
    for (int i = 0; i < 7; ++i)
        writeText(folders.doc("t" + std::to_string(i) + ".TAB"), "x");
    EXPECT_EQ(shownRows(), (Names{"t0", "t1", "t2", "t3", "t4"}));
    EXPECT_EQ(screen().upArrow().alpha(), 0.0f);
    EXPECT_FLOAT_EQ(screen().downArrow().alpha(), 0.9f);
    tap(kRow[3]);
    EXPECT_EQ(screen().currentlySelected(), 3);
    tap(kScrollToStart); // already at the start
    EXPECT_EQ(screen().displayListStartIndex(), 0);
    tap(kScrollToEnd);
    tap(kScrollToEnd);
    tap(kScrollToEnd); // no further
    EXPECT_EQ(screen().displayListStartIndex(), 2);
    EXPECT_EQ(shownRows(), (Names{"t2", "t3", "t4", "t5", "t6"}));
    EXPECT_EQ(screen().currentlySelected(), 1); // still t3
    EXPECT_FLOAT_EQ(screen().upArrow().alpha(), 0.9f);
    EXPECT_EQ(screen().downArrow().alpha(), 0.0f);
    tap(kScrollToStart);
    EXPECT_EQ(screen().displayListStartIndex(), 1);
    EXPECT_EQ(screen().currentlySelected(), 2);
    // Dragging selects by the same rows.
    screen().fingerMove(kRow[4], kRow[3]);
    EXPECT_EQ(screen().currentlySelected(), 4);
    screen().fingerMove({300, 200}, kRow[4]);
    EXPECT_EQ(screen().currentlySelected(), 4);
    tap(kEraseButton);
    EXPECT_EQ(boxText(), "Really erase 't5'?");
    tap(kOK);
    EXPECT_EQ(screen().currentlySelected(), 3);
    EXPECT_FALSE(fs::exists(folders.doc("t5.TAB")));
}

TEST_F(TabScreen, RowsWithoutANameCannotBeSelected) {
    writeText(folders.doc("only.TAB"), "x");
    tap(kRow[2]);
    EXPECT_EQ(screen().currentlySelected(), 0);
    EXPECT_EQ(screen().loadLabel(0).backgroundColor(), (Color{40, 44, 42, 255}));
    EXPECT_EQ(screen().loadLabel(0).textColor(), (Color{206, 238, 196, 255}));
    EXPECT_EQ(screen().loadLabel(1).backgroundColor(), Color::clear());
}

TEST_F(TabScreen, EraseThatFailsSaysSo) {
    writeText(folders.doc("held.TAB"), "x");
    screen();
    fs::remove(folders.doc("held.TAB"));
    fs::create_directory(folders.doc("held.TAB")); // no longer a tab file
    tap(kEraseButton);
    tap(kOK);
    EXPECT_EQ(boxText(), TabGuitarLoadSaveView::kEraseFailedText);
    EXPECT_TRUE(fs::exists(folders.doc("held.TAB")));
}

// ------------------------------------------------- message box and menu ----

TEST_F(TabScreen, MessageBoxHidesTheControlsAndShowsThemBack) {
    writeText(folders.doc("riff.TAB"), "x");
    EXPECT_TRUE(screen().messageBoxBackground().isHidden());
    EXPECT_FLOAT_EQ(screen().saveButton().alpha(), 1);
    EXPECT_FLOAT_EQ(screen().loadButton().alpha(), 1); // a tab is chosen
    EXPECT_FALSE(screen().loadLabel(0).isHidden());
    tap(kLoadButton);
    EXPECT_FALSE(screen().messageBoxBackground().isHidden());
    EXPECT_FALSE(screen().cancelLabel().isHidden());
    EXPECT_TRUE(screen().saveButton().isHidden());
    EXPECT_TRUE(screen().loadButton().isHidden());
    EXPECT_TRUE(screen().deleteButton().isHidden());
    EXPECT_TRUE(screen().upArrow().isHidden());
    EXPECT_TRUE(screen().loadLabel(0).isHidden());
    EXPECT_TRUE(screen().saveTextField().isHidden());
    // Touches on the hidden controls, or left of the box, do nothing.
    tap(kSaveButton);
    tap({100, 200});
    EXPECT_EQ(screen().optionChosen(), TabGuitarLoadSaveView::kLoadTab);
    tap(kCancel);
    EXPECT_TRUE(screen().messageBoxBackground().isHidden());
    EXPECT_FALSE(screen().saveButton().isHidden());
    EXPECT_FALSE(screen().saveTextField().isHidden());
}

TEST_F(TabScreen, PlectrumOpensTheMenuOverAMessageBox) {
    writeText(folders.doc("riff.TAB"), "x");
    EXPECT_EQ(screen().topBar().center().x, 150);
    EXPECT_EQ(screen().greyout().alpha(), 0.0f);
    tap(kEraseButton);
    ASSERT_TRUE(screen().showingMessageBox());
    tap(kPlectrum);
    EXPECT_TRUE(screen().menuShowing());
    EXPECT_TRUE(screen().showingMessageBox());
    EXPECT_EQ(screen().topBar().center().x, 0);
    EXPECT_FLOAT_EQ(screen().greyout().alpha(), 0.8f);
    EXPECT_FALSE(screen().saveTextField().isUserInteractionEnabled());
    // The menu takes the touches now: the box's buttons do nothing.
    screen().processTouches({touchAt(TouchPhase::Began, {140, 400})});
    EXPECT_TRUE(fs::exists(folders.doc("riff.TAB")));
    EXPECT_TRUE(screen().menuShowing());
    screen().processTouches({touchAt(TouchPhase::Began, kPlectrum)});
    EXPECT_FALSE(screen().menuShowing());
    EXPECT_EQ(screen().topBar().center().x, 150);
    EXPECT_EQ(screen().greyout().alpha(), 0.0f);
    EXPECT_TRUE(screen().saveTextField().isUserInteractionEnabled());
    EXPECT_TRUE(screen().showingMessageBox());
    EXPECT_TRUE(screen().screens.empty());
    screen().processTouches({touchAt(TouchPhase::Began, kOK)});
    EXPECT_FALSE(fs::exists(folders.doc("riff.TAB")));
    EXPECT_EQ(boxText(), "Tab file erased.");
}

TEST_F(TabScreen, OKUnderTheOpenMenuIsThePlayTabButton) {
    writeText(folders.doc("riff.TAB"), "x");
    tap(kEraseButton);
    tap(kPlectrum);
    screen().processTouches({touchAt(TouchPhase::Began, kOK)});
    EXPECT_EQ(screen().screens, (std::vector<int>{Strumwell::kTabGuitar}));
    EXPECT_FALSE(screen().menuShowing());
    EXPECT_TRUE(screen().showingMessageBox());
    EXPECT_TRUE(fs::exists(folders.doc("riff.TAB")));
}

TEST_F(TabScreen, MenuButtonsCloseTheMenuAndChangeScreen) {
    const std::vector<std::pair<Point, int>> buttons = {
        {{300, 30}, 7},   {{300, 100}, 8},  {{300, 200}, 10}, {{300, 300}, 11},
        {{300, 400}, 15}, {{300, 450}, 16}, {{200, 176}, 1},  {{200, 305}, 2},
    };
    for (const auto& [point, screenNo] : buttons) {
        tap(kPlectrum);
        ASSERT_TRUE(screen().menuShowing());
        screen().processTouches({touchAt(TouchPhase::Began, point)});
        EXPECT_FALSE(screen().menuShowing());
        ASSERT_FALSE(screen().screens.empty());
        EXPECT_EQ(screen().screens.back(), screenNo);
    }
    EXPECT_EQ(screen().screens.size(), buttons.size());
    // Outside every button the menu stays open.
    tap(kPlectrum);
    screen().processTouches({touchAt(TouchPhase::Began, {80, 420})});
    EXPECT_TRUE(screen().menuShowing());
    // Moves and lifts do nothing while it is open.
    screen().processTouches(
        {touchAt(TouchPhase::Moved, {300, 30}, {290, 30}), touchAt(TouchPhase::Ended, {300, 30})});
    EXPECT_TRUE(screen().menuShowing());
    EXPECT_EQ(screen().screens.size(), buttons.size());
}

TEST_F(TabScreen, TouchPhasesReachTheScreensHandlers) {
    for (int i = 0; i < 3; ++i)
        writeText(folders.doc("t" + std::to_string(i) + ".TAB"), "x");
    screen().processTouches({touchAt(TouchPhase::Began, kRow[1])});
    EXPECT_EQ(screen().currentlySelected(), 1);
    screen().processTouches({touchAt(TouchPhase::Moved, kRow[2], kRow[1])});
    EXPECT_EQ(screen().currentlySelected(), 2);
    screen().processTouches({touchAt(TouchPhase::Stationary, kRow[0]), touchAt(TouchPhase::Ended, kRow[0]),
                             touchAt(TouchPhase::Cancelled, kRow[0])});
    EXPECT_EQ(screen().currentlySelected(), 2);
}
