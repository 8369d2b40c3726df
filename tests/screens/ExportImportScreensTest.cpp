// Songs and tabs leaving and entering through the screens: the recorder's
// WAV and MIDI export of the selected song (the render followed in the box,
// cancelled, refused for a damaged file) and the tab library's text tabs.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

#include "app/AppSettings.h"
#include "platform/core/MainThreadQueue.h"
#include "screens/LibraryTestSupport.h"

using namespace library_test;

namespace {

using Action = RecorderView::Action;

class ExportScreens : public ::testing::Test, public LibraryFixture {
protected:
    ExportScreens() : LibraryFixture(kSongCase) {}
    // Records notes `gap` seconds apart and saves the song as `name`.
    void saveSong(const std::string& name, int count, double gap) {
        recordNotes(count, 10, gap);
        ASSERT_TRUE(files.saveState(name + ".SAV"));
    }
    RecorderView& recorderView() { return static_cast<RecorderView&>(screen()); }
    void press(Action a) { tap(inside(RecorderView::exportAreas(), a)); }
};

TEST_F(ExportScreens, SelectedSongBecomesWavAndMidiFilesAndAsksBeforeReplacing) {
    saveSong("tiny", 3, 0.1);
    for (const auto& [action, file, magic] : {std::tuple{Action::ExportWav, "tiny.wav", "RIFF"},
                                              std::tuple{Action::ExportMidi, "tiny.mid", "MThd"}}) {
        SCOPED_TRACE(file);
        press(action); // without a main loop the render is waited for
        EXPECT_EQ(box(), Box(RecorderView::kNotice, std::string("Song exported as '") + file + "'."));
        EXPECT_FALSE(recorderView().exporting());
        EXPECT_EQ(readText(folders.doc(file)).substr(0, 4), magic);
        tap(Control::OK);
        writeText(folders.doc(file), "old");
        press(action);
        EXPECT_EQ(boxText(), std::string("'") + file + "' already exists.\nOverwrite it?");
        tap(Control::Cancel);
        EXPECT_EQ(readText(folders.doc(file)), "old");
        press(action);
        tap(Control::OK);
        EXPECT_EQ(readText(folders.doc(file)).substr(0, 4), magic);
        tap(Control::OK);
    }
    EXPECT_EQ(folders.files(), (Names{"tiny.SAV", "tiny.mid", "tiny.wav"}));
}

TEST_F(ExportScreens, DamagedSongIsNotExported) {
    writeText(folders.doc("broken.SAV"), "VERSION2 and then nothing a song holds");
    tapRow(0);
    for (Action a : {Action::ExportWav, Action::ExportMidi}) {
        press(a);
        EXPECT_EQ(boxText().rfind("Song not exported.\nThe song file is damaged", 0), 0u) << boxText();
        tap(Control::OK);
    }
    EXPECT_EQ(folders.files(), (Names{"broken.SAV"}));
}

TEST_F(ExportScreens, RenderIsFollowedInTheBoxAndCancelLeavesNoFile) {
    // A last note almost an hour in: far more to render than the test waits.
    saveSong("long", 2, 3000.0);
    ManualClock loopClock{0.0};
    MainThreadQueue queue(loopClock);
    recorderView().setCallQueue(&queue);
    press(Action::ExportWav);
    ASSERT_TRUE(recorderView().exporting());
    const std::string start = "Exporting 'long.wav'...\n0%";
    EXPECT_EQ(box(), Box(RecorderView::kExporting, start));
    EXPECT_TRUE(browser().part(LibraryBrowser::kOK).isHidden());
    EXPECT_FALSE(browser().part(LibraryBrowser::kCancel).isHidden());
    // The main loop's turns bring the percentage up as the worker goes.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (boxText() == start && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        loopClock.advance(0.1);
        queue.runPending();
    }
    EXPECT_NE(boxText(), start);
    EXPECT_EQ(boxText().rfind("Exporting 'long.wav'...\n", 0), 0u);
    // Cancel answers at once and leaves nothing behind, not even the
    // temporary file; so does leaving the screen mid-render.
    tap(Control::Cancel);
    EXPECT_FALSE(recorderView().exporting());
    EXPECT_EQ(boxText(), "Export cancelled.\nNo file was written.");
    EXPECT_EQ(folders.files(), (Names{"long.SAV"}));
    tap(Control::OK);
    press(Action::ExportWav);
    ASSERT_TRUE(recorderView().exporting());
    view.reset();
    EXPECT_EQ(folders.files(), (Names{"long.SAV"}));
}

class ImportScreens : public ::testing::Test, public LibraryFixture {
protected:
    ImportScreens() : LibraryFixture(kTabCase) {}
};

TEST_F(ImportScreens, TextTabsAreListedAndImportedWithTheirWarnings) {
    ASSERT_TRUE(files.saveTab("Mine.TAB"));
    writeText(folders.doc("riff.txt"), "Intro riff\n"
                                       "e|--0-----------|\n"
                                       "B|--1-----------|\n"
                                       "G|--0-----------|\n"
                                       "D|--2--5h7p5/7~-|\n"
                                       "A|--3-----------|\n"
                                       "E|--------------|\n");
    writeText(folders.doc("wide.txt"), "e|--0--|\nB|--0--|\nG|--0--|\nD|--0--|\nA|--0--|\nE|--30-|\n");
    writeText(folders.doc("notes.txt.bak"), "not a tab");
    writeText(folders.doc(AppSettings::kFileName), "volume=1\n");
    auto& tabs = static_cast<TabGuitarLoadSaveView&>(screen());
    ASSERT_EQ(browser().names(), (Names{"Mine", "riff.txt", "wide.txt"}));
    EXPECT_FALSE(tabs.isTextTab(0));
    EXPECT_TRUE(tabs.isTextTab(1));
    EXPECT_EQ(browser().row(1).text(), "riff.txt");

    tapRow(1);
    tap(Control::Load);
    EXPECT_EQ(boxText(), "Really load 'riff.txt'?");
    tap(Control::OK);
    const std::string text = boxText();
    EXPECT_EQ(text.rfind("Tab imported from 'riff.txt'.\nline 5, column 9: 'h'", 0), 0u) << text;
    EXPECT_NE(text.find("\n(2 more warnings)"), std::string::npos) << text;
    // Every word of it shows in the box.
    const auto printable = [](const std::string& t) { return std::count_if(t.begin(), t.end(), ::isgraph); };
    long shown = 0;
    for (const std::string& line : browser().boxText().layoutLines())
        shown += printable(line);
    EXPECT_EQ(shown, printable(text));
    ASSERT_EQ(tab.tabSize(), 5);
    EXPECT_EQ(tab.tabEntryAtIndex(0).frets(), (std::array<int32_t, 6>{-1, 3, 2, 0, 1, 0}));
    EXPECT_EQ(tab.tabEntryAtIndex(2).fret(2), 7);
    EXPECT_EQ(browser().nameField().text(), "riff");
    tap(Control::OK);

    // A fret the tab cannot hold: the reason with its place, the tab kept,
    // the text file left as it was.
    tapRow(2);
    tap(Control::Load);
    tap(Control::OK);
    EXPECT_EQ(boxText().rfind("Tab not imported.\nline 6, column", 0), 0u) << boxText();
    EXPECT_EQ(tab.tabSize(), 5);
    EXPECT_TRUE(fs::exists(folders.doc("wide.txt")));
}

} // namespace
