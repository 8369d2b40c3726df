// What the recorder and the tab library do beside their browser, each opened
// as the library tests open it: the recorder's two modes, corner buttons, song edits, loading behind a
// "please wait" notice and WAV and MIDI export; the tab library's plectrum menu over its box, loading that
// touches the tab alone, and text tabs imported.
#include "screens/LibraryTestSupport.h"
#include "system/MainThreadQueue.h"
#include "ui/ScreenHost.h"

using namespace library_test;

namespace {

using Action = RecorderView::Action;
using MenuAction = TabGuitarLoadSaveView::MenuAction;

template <const LibraryCase& kCase, typename View> class On : public ::testing::Test, public LibraryFixture {
protected:
    On() : LibraryFixture(kCase) {}
    View& shown() { return static_cast<View&>(screen()); }
    static Rect rectOf(Action a) {
        std::vector<HitArea<Action>> all;
        for (auto t : {RecorderView::cornerAreas(), RecorderView::modifyAreas(), RecorderView::exportAreas()})
            all.insert(all.end(), t.begin(), t.end());
        return areaOf<Action>(all, a);
    }
    void press(Action a) { tap(rectOf(a).center()); }
    const Point plectrum = inside(TabGuitarLoadSaveView::plectrumAreas(), MenuAction::ClosePlectrum);
    using LibraryFixture::tap;
};
using RecorderScreen = On<kSongCase, RecordingRecorder>;
using TabScreen = On<kTabCase, RecordingTabLibrary>;

TEST_F(RecorderScreen, ModesAndCornerButtons) {
    RecordingRecorder& s = shown();
    // The mode and which panel is hidden.
    const auto mode = [&] {
        return std::make_tuple(s.loadSaveMode(), s.modifyView().isHidden(), browser().panel().isHidden());
    };
    EXPECT_FALSE(RecorderView(nullptr, &engine, &files, &recorder, folders.bundle()).loadSaveMode())
        << "it opens in Modify mode";
    const auto loadSave = std::make_tuple(true, true, false);
    EXPECT_EQ(mode(), loadSave);
    press(Action::EraseSong); // the edits do nothing in this mode
    EXPECT_FALSE(browser().showingMessageBox());
    press(Action::ModifyMode);
    EXPECT_EQ(mode(), std::make_tuple(false, false, true));
    tap(Control::Save); // the Load/Save controls do nothing in this mode
    EXPECT_FALSE(browser().showingMessageBox());
    press(Action::LoadSaveMode);
    EXPECT_EQ(mode(), loadSave);

    press(Action::Back);
    press(Action::Help);
    EXPECT_EQ(s.backs + 10 * s.helps, 11);
}

TEST_F(RecorderScreen, EditButtonsAskThenEditAndStopARecordingPassFirst) {
    press(Action::ModifyMode);
    recorder.record();
    for (float value : {0.25f, 0.75f}) {
        clock.advance(0.1);
        recorder.addWahChangeForGuitar(1, value);
        recorder.addWhammyBarChangeForGuitar(0, value);
    }
    recorder.stop();
    recorder.runPlaybackPass();
    recordNotes(2);
    recordNotes(1, 20);
    // A pass in progress, merged before the edit.
    recorder.record();
    clock.advance(0.1);
    recorder.addStopNote(recorder.addPlayNote(40, 1.0f, 0.1));
    const auto state = [&] {
        const bool wah = !recorder.wahChanges(0).empty() || !recorder.wahChanges(1).empty();
        const bool whammy = !recorder.whammyBarChanges(0).empty() || !recorder.whammyBarChanges(1).empty();
        return std::to_string(recorder.getState()) + ": " + std::to_string(recorder.getNumNotes()) +
               " notes" + (wah ? ", wah" : "") + (whammy ? ", whammy" : "");
    };
    EXPECT_EQ(state(), "2: 6 notes, wah, whammy");
    // Each edit asks, then tells what went.
    const std::tuple<Action, const char*, const char*, const char*> edits[] = {
        {Action::EraseLastTrack, "Really erase the last recorded track?", "0: 6 notes, wah, whammy",
         "Erased the last track: 1 note."},
        {Action::EraseLastTrack, "Really erase the last recorded track?", "0: 4 notes, wah, whammy",
         "Erased the last track: 1 note."},
        {Action::EraseLastNote, "Really erase the last recorded note?", "0: 2 notes, wah, whammy",
         "Erased the last note."},
        {Action::EraseWahChanges, "Really erase all Wah Wah changes?", "0: 2 notes, whammy",
         "Erased 3 Wah Wah changes."},
        {Action::EraseWhammyChanges, "Really erase all Whammy Bar changes?", "0: 2 notes",
         "Erased 3 Whammy Bar changes."},
        {Action::EraseSong, "Really erase the current song?", "0: 0 notes", "Erased the song: 1 note."}};
    for (const auto& [button, question, after, notice] : edits) {
        SCOPED_TRACE(after);
        press(button);
        EXPECT_EQ(boxText(), question);
        if (after != std::get<2>(edits[0])) { // the first answers at once: Cancel would end the pass too
            const std::string before = state();
            tap(Control::Cancel);
            EXPECT_EQ(state(), before);
            press(button);
        }
        tap(Control::OK);
        EXPECT_EQ(state(), after);
        EXPECT_EQ(box(), Box(RecorderView::kNotice, notice));
        tap(Control::OK);
    }
    EXPECT_TRUE(recorder.currentOverdubNotesToAdd().empty());
}

TEST_F(RecorderScreen, FingersDoNothingWhileTheLoadNoticeIsUpAndTheSongIsNamed) {
    recordNotes(4, 10, 20.0);
    ASSERT_TRUE(files.saveState("song.SAV"));
    recorder.setRestoredEventLimit(6); // as a song too long for the recorder
    MainThreadQueue queue(clock);
    shown().setCallQueue(&queue);
    press(Action::LoadSaveMode);
    tap(Control::Load);
    recorder.eraseWholeSong();
    tap(Control::OK);
    EXPECT_EQ(boxText(), "Please wait.\nLoading Guitar samples.");
    for (Point p :
         {inside(browser().boxAreas(), Control::Cancel), inside(browser().listAreas(), Control::Save),
          rectOf(Action::ModifyMode).center(), rectOf(Action::Back).center()})
        tap(p);
    EXPECT_TRUE(shown().loadSaveMode());
    EXPECT_EQ(shown().backs, 0);
    // The load, then the notice a tenth of a second later.
    for (const auto& [seconds, notes, waiting] : {std::tuple{0.002, 6, true}, {0.11, 6, false}}) {
        clock.advance(seconds);
        queue.runPending();
        EXPECT_EQ(recorder.getNumNotes(), notes);
        EXPECT_EQ(browser().waiting(), waiting);
    }
    EXPECT_EQ(boxText(), "Song 'song' loaded.\nOnly the first 3000 events were kept (2 left out).");
    tap(Control::OK);
    EXPECT_EQ(shown().songLabel().text(), "song\n0:40\nG1 3\nG2 0");
    recordNotes(1, 90);
    press(Action::LoadSaveMode);
    EXPECT_EQ(shown().songLabel().text(), "unsaved\n0:40\nG1 3\nG2 1");
    saveAs("again");
    EXPECT_EQ(shown().songLabel().text().substr(0, 6), "again\n");
    tap(Control::OK);
    // Steps still queued when the screen goes do nothing.
    tap({Control::Load, Control::OK});
    recorder.eraseWholeSong();
    view.reset();
    clock.advance(1.0);
    EXPECT_EQ(queue.runPending(), 1);
    EXPECT_EQ(recorder.getNumNotes(), 0);
}

TEST_F(RecorderScreen, SelectedSongBecomesWavAndMidiFilesAndAsksBeforeReplacing) {
    recordNotes(3);
    ASSERT_TRUE(files.saveState("tiny.SAV"));
    writeText(folders.doc("broken.SAV"), "VERSION2 and then nothing a song holds");
    for (const auto& [action, file, magic] : {std::tuple{Action::ExportWav, "tiny.wav", "RIFF"},
                                              std::tuple{Action::ExportMidi, "tiny.mid", "MThd"}}) {
        SCOPED_TRACE(file);
        tapRow(0);
        press(action);
        EXPECT_EQ(boxText().rfind("Song not exported.\nThe song file is damaged", 0), 0u) << boxText();
        tap(Control::OK);
        tapRow(1);
        press(action); // without a main loop the render is waited for
        EXPECT_EQ(box(), Box(RecorderView::kNotice, "Song exported as '" + folders.doc(file) + "'."));
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
    EXPECT_EQ(folders.files(), (Names{"broken.SAV", "tiny.SAV", "tiny.mid", "tiny.wav"}));
}

TEST_F(RecorderScreen, RenderShowsInTheBoxAndCancelLeavesNoFile) {
    // A last note almost an hour in: far more to render than the test waits.
    recordNotes(2, 10, 3000.0);
    ASSERT_TRUE(files.saveState("long.SAV"));
    ManualClock loopClock{0.0};
    MainThreadQueue queue(loopClock);
    shown().setCallQueue(&queue);
    press(Action::ExportWav);
    ASSERT_TRUE(shown().exporting());
    EXPECT_EQ(box(), Box(RecorderView::kExporting, "Exporting 'long.wav'...\n0%"));
    // Cancel answers at once and leaves nothing behind, not even the
    // temporary file; so does leaving the screen mid-render.
    tap(Control::Cancel);
    EXPECT_FALSE(shown().exporting());
    EXPECT_EQ(boxText(), "Export cancelled.\nNo file was written.");
    tap(Control::OK);
    press(Action::ExportWav);
    ASSERT_TRUE(shown().exporting());
    view.reset();
    EXPECT_EQ(folders.files(), (Names{"long.SAV"}));
}

TEST_F(TabScreen, TextTabsAreListedAndImportedWithTheirWarnings) {
    ASSERT_TRUE(files.saveTab("Mine.TAB"));
    writeText(folders.doc("riff.txt"), "Intro riff\n"
                                       "e|--0-----------|\n"
                                       "B|--1-----------|\n"
                                       "G|--0-----------|\n"
                                       "D|--2--5h7p5/7~-|\n"
                                       "A|--3-----------|\n"
                                       "E|--------------|\n");
    writeText(folders.doc("wide.txt"), "e|--0--|\nB|--0--|\nG|--0--|\nD|--0--|\nA|--0--|\nE|--30-|\n");
    ASSERT_EQ(browser().names(), (Names{"Mine", "riff.txt", "wide.txt"}));
    tapRow(1);
    tap({Control::Load, Control::OK});
    const std::string text = boxText();
    EXPECT_EQ(text.rfind("Tab imported from 'riff.txt'.\nline 5, column 9: 'h'", 0), 0u) << text;
    EXPECT_NE(text.find("\n(2 more warnings)"), std::string::npos) << text;
    ASSERT_EQ(tab.tabSize(), 5);
    EXPECT_EQ(tab.tabEntryAtIndex(0).frets(), (std::array<int32_t, 6>{-1, 3, 2, 0, 1, 0}));
    EXPECT_EQ(tab.tabEntryAtIndex(2).fret(2), 7);
    EXPECT_EQ(browser().nameField().text(), "riff");
    tap(Control::OK);
    // A fret the tab cannot hold: the reason with its place, the tab kept,
    // the text file left as it was.
    tapRow(2);
    tap({Control::Load, Control::OK});
    EXPECT_EQ(boxText().rfind("Tab not imported.\nline 6, column", 0), 0u) << boxText();
    EXPECT_EQ(tab.tabSize(), 5);
    EXPECT_TRUE(fs::exists(folders.doc("wide.txt")));
}

TEST_F(TabScreen, LoadingTakesTheTabAtOnceAndNeverTouchesTheSong) {
    recordNotes(2);
    tab.addNotesToTab(0, "x02220");
    tab.addNotesToTab(1, "320003");
    const auto saved = tab.tabEntryAtIndex(1).frets();
    saveAs("two chords");
    tap(Control::OK);
    browser().nameField().setText("");
    tab.clearTab();
    tab.addNotesToTab(0, "000000");
    tap({Control::Load, Control::OK});
    EXPECT_EQ(box(), Box(LibraryBrowser::kNotice, "Tab file 'two chords' loaded.")); // no waiting notice
    ASSERT_EQ(tab.tab().size(), 2u);
    EXPECT_EQ(tab.tab()[1].frets(), saved);
    EXPECT_EQ(browser().nameField().text(), "two chords");
    EXPECT_EQ(recorder.getNumNotes(), 4);
}

TEST_F(TabScreen, ThePlectrumOpensTheMenuOverTheBoxAndTheMenuTakesEveryFinger) {
    writeItems({"riff"});
    const auto menuState = [&] {
        return std::make_tuple(shown().menuShowing(), browser().nameField().isUserInteractionEnabled(),
                               browser().boxAnswers());
    };
    tap(Control::Erase);
    ASSERT_TRUE(browser().showingMessageBox());
    tap(plectrum);
    EXPECT_EQ(menuState(), std::make_tuple(true, false, false));
    tap(plectrum);
    EXPECT_EQ(menuState(), std::make_tuple(false, true, true));
    EXPECT_TRUE(fs::exists(item("riff")));
    tap(Control::OK);
    EXPECT_FALSE(fs::exists(item("riff")));

    // Every menu button closes the menu and changes screen; over the box's
    // OK the open menu's Play Tab button wins.
    writeItems({"riff"});
    browser().loadNames();
    tap(Control::Erase);
    const std::pair<MenuAction, int> buttons[] = {{MenuAction::PlayTab, ScreenHost::kTabGuitar},
                                                  {MenuAction::MainMenu, 7},
                                                  {MenuAction::ChooseGuitar, 8},
                                                  {MenuAction::EffectsSetup, 10},
                                                  {MenuAction::GuitarPatchSetup, 11},
                                                  {MenuAction::Recorder, 15},
                                                  {MenuAction::Manual, 16},
                                                  {MenuAction::EnterTab, 2}};
    for (const auto& [action, screenNo] : buttons) {
        tap(plectrum);
        tap(action == MenuAction::PlayTab ? inside(browser().boxAreas(), Control::OK)
                                          : inside(TabGuitarLoadSaveView::menuAreas(), action));
        EXPECT_FALSE(shown().menuShowing());
        ASSERT_FALSE(shown().screens.empty());
        EXPECT_EQ(shown().screens.back(), screenNo);
    }
    EXPECT_TRUE(fs::exists(item("riff")));
    // Moves and lifts over an open menu's button do nothing.
    tap(plectrum);
    const Point mainMenu = inside(TabGuitarLoadSaveView::menuAreas(), MenuAction::MainMenu);
    shown().processTouches({move(1, mainMenu, mainMenu), up(1, mainMenu)});
    EXPECT_TRUE(shown().menuShowing());
}

} // namespace
