// Songs and tabs leaving and entering through the screens: the recorder's
// WAV and MIDI export of the selected song (the render followed in the box,
// cancelled, refused for a damaged file) and the tab library's text tabs,
// all in a private documents folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/AppSettings.h"
#include "audio/SoundEngine.h"
#include "platform/ImageView.h"
#include "platform/Label.h"
#include "platform/core/Clock.h"
#include "platform/core/MainThreadQueue.h"
#include "recorder/Recorder.h"
#include "screens/LibraryTestSupport.h"
#include "screens/RecorderView.h"
#include "screens/TabGuitarLoadSaveView.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"

namespace fs = std::filesystem;

namespace {

// The library tests' folders, and a listing of the documents folder.
class Folders : public library_test::Folders {
public:
    // Every file of the documents folder, temporary ones included.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(docs()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string head(const std::string& path, size_t n) {
    std::ifstream in(path, std::ios::binary);
    std::string text(n, '\0');
    in.read(text.data(), static_cast<std::streamsize>(n));
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

constexpr Point kLoadSaveModeButton{180, 50};
constexpr Point kExportWav{166, 411};
constexpr Point kExportMidi{144, 411};
constexpr Point kRecorderOK{130, 200};
constexpr Point kRecorderCancel{130, 340};
constexpr Point kRecorderRow0{210, 200};

constexpr Point kTabLoadButton{220, 418};
constexpr Point kTabOK{153, 190};
constexpr Point kTabRow[3] = {{225, 200}, {198, 200}, {171, 200}};

// The model objects over a private folder (no sound output, manual clock).
class ExportScreens : public ::testing::Test {
protected:
    ExportScreens()
        : engine(nullptr, nullptr, nullptr, folders.bundle(), clock),
          recorder(nullptr, &engine, clock, false), files(&tab, &recorder, &engine, folders.docs()) {
        engine.setRecorder(&recorder);
        files.setDiagnosticStream(diagnostics);
        files.resetState();
    }
    ~ExportScreens() override {
        recorder_view.reset();
        engine.setRecorder(nullptr);
    }

    // Records notes `gap` seconds apart and saves the song as `name`.
    void saveSong(const std::string& name, int count, double gap) {
        recorder.record();
        for (int i = 0; i < count; ++i) {
            clock.advance(gap);
            const int id = recorder.addPlayNote(10 + i, 1.0f, 0.1);
            clock.advance(0.1);
            recorder.addStopNote(id);
        }
        recorder.stop();
        recorder.runPlaybackPass();
        ASSERT_TRUE(files.saveState(name + ".SAV"));
    }

    RecorderView& recorderScreen() {
        if (!recorder_view) {
            recorder_view =
                std::make_unique<RecorderView>(nullptr, &engine, &files, &recorder, folders.bundle());
            recorder_view->fingerDown(kLoadSaveModeButton);
        }
        return *recorder_view;
    }
    std::string recorderBox() { return recorderScreen().messageBoxText().text(); }

    Folders folders;
    ManualClock clock{100.0};
    std::ostringstream diagnostics;
    Tab tab;
    SoundEngine engine;
    Recorder recorder;
    FileManager files;
    std::unique_ptr<RecorderView> recorder_view;
};

TEST_F(ExportScreens, SelectedSongBecomesWavAndMidiFiles) {
    saveSong("tiny", 3, 0.1);
    RecorderView& screen = recorderScreen();
    ASSERT_EQ(screen.songNames(), (std::vector<std::string>{"tiny"}));

    // Without a main loop the render is waited for.
    screen.fingerDown(kExportWav);
    EXPECT_EQ(recorderBox(), "Song exported as 'tiny.wav'.");
    EXPECT_EQ(screen.optionChosen(), RecorderView::kNotice);
    EXPECT_FALSE(screen.exporting());
    EXPECT_EQ(head(folders.doc("tiny.wav"), 4), "RIFF");
    screen.fingerDown(kRecorderOK);

    screen.fingerDown(kExportMidi);
    EXPECT_EQ(recorderBox(), "Song exported as 'tiny.mid'.");
    EXPECT_EQ(head(folders.doc("tiny.mid"), 4), "MThd");
    screen.fingerDown(kRecorderOK);
    EXPECT_EQ(folders.files(), (std::vector<std::string>{"tiny.SAV", "tiny.mid", "tiny.wav"}));

    // An existing file is replaced only when the user agrees.
    for (const Point button : {kExportWav, kExportMidi}) {
        const std::string file = button.x == kExportWav.x ? "tiny.wav" : "tiny.mid";
        SCOPED_TRACE(file);
        writeText(folders.doc(file), "old");
        screen.fingerDown(button);
        EXPECT_EQ(recorderBox(), "'" + file + "' already exists.\nOverwrite it?");
        screen.fingerDown(kRecorderCancel);
        EXPECT_FALSE(screen.showingMessageBox());
        EXPECT_EQ(head(folders.doc(file), 10), "old");
        screen.fingerDown(button);
        screen.fingerDown(kRecorderOK);
        EXPECT_EQ(recorderBox(), "Song exported as '" + file + "'.");
        EXPECT_NE(head(folders.doc(file), 10), "old");
        screen.fingerDown(kRecorderOK);
    }
}

TEST_F(ExportScreens, DamagedSongIsNotExported) {
    writeText(folders.doc("broken.SAV"), "VERSION2 and then nothing a song holds");
    RecorderView& screen = recorderScreen();
    screen.fingerDown(kRecorderRow0);
    for (const Point button : {kExportWav, kExportMidi}) {
        screen.fingerDown(button);
        EXPECT_EQ(recorderBox().rfind("Song not exported.\nThe song file is damaged", 0), 0u)
            << recorderBox();
        screen.fingerDown(kRecorderOK);
    }
    EXPECT_EQ(folders.files(), (std::vector<std::string>{"broken.SAV"}));
}

TEST_F(ExportScreens, RenderIsFollowedInTheBoxAndCancelLeavesNoFile) {
    // A last note almost an hour in: far more to render than the test waits.
    saveSong("long", 2, 3000.0);
    ManualClock loopClock{0.0};
    MainThreadQueue queue(loopClock);
    RecorderView& screen = recorderScreen();
    screen.setCallQueue(&queue);

    screen.fingerDown(kExportWav);
    ASSERT_TRUE(screen.exporting());
    EXPECT_EQ(screen.optionChosen(), RecorderView::kExporting);
    EXPECT_EQ(recorderBox(), "Exporting 'long.wav'...\n0%");
    EXPECT_TRUE(screen.OKLabel().isHidden());
    EXPECT_FALSE(screen.cancelLabel().isHidden());

    // The main loop's turns bring the percentage up as the worker goes.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (recorderBox() == "Exporting 'long.wav'...\n0%" && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        loopClock.advance(0.1);
        queue.runPending();
    }
    EXPECT_NE(recorderBox(), "Exporting 'long.wav'...\n0%");
    EXPECT_EQ(recorderBox().rfind("Exporting 'long.wav'...\n", 0), 0u);

    // Cancel answers at once and nothing is left behind, not even the
    // temporary file.
    screen.fingerDown(kRecorderCancel);
    EXPECT_FALSE(screen.exporting());
    EXPECT_EQ(recorderBox(), "Export cancelled.\nNo file was written.");
    EXPECT_EQ(screen.optionChosen(), RecorderView::kNotice);
    EXPECT_EQ(folders.files(), (std::vector<std::string>{"long.SAV"}));
    screen.fingerDown(kRecorderOK);

    // Leaving the screen mid-render stops it the same way.
    screen.fingerDown(kExportWav);
    ASSERT_TRUE(screen.exporting());
    recorder_view.reset();
    EXPECT_EQ(folders.files(), (std::vector<std::string>{"long.SAV"}));
}

TEST_F(ExportScreens, TextTabsAreListedAndImportedWithTheirWarnings) {
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
    TabGuitarLoadSaveView screen(nullptr, &engine, &files, folders.bundle());
    ASSERT_EQ(screen.songNames(), (std::vector<std::string>{"Mine", "riff.txt", "wide.txt"}));
    EXPECT_FALSE(screen.isTextTab(0));
    EXPECT_TRUE(screen.isTextTab(1));
    EXPECT_EQ(screen.loadLabel(1).text(), "riff.txt");

    screen.fingerDown(kTabRow[1]);
    screen.fingerDown(kTabLoadButton);
    EXPECT_EQ(screen.messageBoxText().text(), "Really load 'riff.txt'?");
    screen.fingerDown(kTabOK);
    const std::string text = screen.messageBoxText().text();
    EXPECT_EQ(text.rfind("Tab imported from 'riff.txt'.\nline 5, column 9: 'h'", 0), 0u) << text;
    EXPECT_NE(text.find("\n(2 more warnings)"), std::string::npos) << text;
    // Every word of it shows in the box.
    const auto printable = [](const std::string& t) { return std::count_if(t.begin(), t.end(), ::isgraph); };
    long shown = 0;
    for (const std::string& line : screen.messageBoxText().layoutLines())
        shown += printable(line);
    EXPECT_EQ(shown, printable(text));
    ASSERT_EQ(tab.tabSize(), 5);
    EXPECT_EQ(tab.tabEntryAtIndex(0).frets(), (std::array<int32_t, 6>{-1, 3, 2, 0, 1, 0}));
    EXPECT_EQ(tab.tabEntryAtIndex(2).fret(2), 7);
    EXPECT_EQ(screen.saveTextField().text(), "riff");
    screen.fingerDown(kTabOK);

    // A fret the tab cannot hold: the reason with its place, the tab kept,
    // the text file left as it was.
    screen.fingerDown(kTabRow[2]);
    screen.fingerDown(kTabLoadButton);
    screen.fingerDown(kTabOK);
    EXPECT_EQ(screen.messageBoxText().text().rfind("Tab not imported.\nline 6, column", 0), 0u)
        << screen.messageBoxText().text();
    EXPECT_EQ(tab.tabSize(), 5);
    EXPECT_TRUE(fs::exists(folders.doc("wide.txt")));
}

} // namespace
