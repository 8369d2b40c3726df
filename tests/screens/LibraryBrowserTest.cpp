// What the song library (the recorder's Load/Save mode) and the tab library
// do alike, tested once for both: the list, the name field, saving with its
// questions, loading and erasing with their notices.
#include "screens/InAppSupport.h"
#include "screens/LibraryTestSupport.h"
#include "support/SongBytes.h"

using namespace library_test;

namespace {

class LibraryBrowserTest : public ::testing::TestWithParam<LibraryCase>, public LibraryFixture {
protected:
    LibraryBrowserTest() : LibraryFixture(GetParam()) {}
    std::string defaultName() const { return std::string("My ") + case_.noun; }
};

INSTANTIATE_TEST_SUITE_P(Kinds, LibraryBrowserTest, ::testing::Values(kSongCase, kTabCase),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(LibraryBrowserTest, ListsItsOwnKindWithTheDemosAndScrollsKeepingTheChoice) {
    // Empty: nothing chosen, and Load and Erase do nothing.
    for (Control c : {Control::Load, Control::Erase, Control::Row0})
        tap(c);
    EXPECT_EQ(list(), List(0, -1, false, false));
    EXPECT_EQ(shownRows()[0], case_.emptyList);

    const std::string ext = case_.kind->extension;
    writeText(folders.bundle() + "/Demo" + ext, "demo");
    writeText(folders.bundle() + "/b" + ext, "demo b");
    writeItems({"b", "c", "d", "e", "f", "g"}, "the user's own");
    for (const char* other : {"song.SAV", "riff.TAB", "lower.sav", "lower.tab"})
        if (std::string(other).find(ext) == std::string::npos)
            writeText(folders.doc(other), "x");
    view.reset();
    EXPECT_EQ(browser().names(), (Names{"Demo", "b", "c", "d", "e", "f", "g"}));
    EXPECT_EQ(readText(item("b")), "the user's own");

    tapRow(2);                   // c
    tap(Control::ScrollToStart); // already at the start
    EXPECT_EQ(list(), List(0, 2, false, true));
    for (int i = 0; i < 3; ++i)
        tap(Control::ScrollToEnd); // the third finds nothing more below
    EXPECT_EQ(shownRows(), (Names{"c", "d", "e", "f", "g"}));
    EXPECT_EQ(list(), List(2, 0, true, false)); // still c
    tap(Control::ScrollToStart);
    EXPECT_EQ(browser().currentlySelected(), 1); // still c
    tapRow(4);
    tap(Control::ScrollToStart);
    EXPECT_EQ(browser().currentlySelected(), 4); // at most the last row
}

TEST_P(LibraryBrowserTest, SavesUnderASafeNameChosenWhereverItSorts) {
    saveAs("../my.item/1");
    EXPECT_EQ(browser().nameField().text(), "___my_item_1");
    EXPECT_EQ(box(), Box(LibraryBrowser::kNotice, done("saved", "___my_item_1")));
    EXPECT_EQ(readText(item("___my_item_1")).substr(0, 8), kWrittenHeader);
    tap(Control::OK);
    saveAs(std::string(400, 'n')); // very long names fit
    EXPECT_LE(browser().nameField().text().size(), 200u);
    EXPECT_TRUE(fs::exists(item(browser().nameField().text())));
    tap(Control::OK);

    for (const std::string& name : browser().names())
        fs::remove(item(name));
    writeItems({"a", "b", "c", "d", "e", "f", "h"});
    browser().loadNames();
    saveAs("g");
    EXPECT_EQ(shownRows(), (Names{"d", "e", "f", "g", "h"}));
    EXPECT_EQ(list(), List(3, 3, true, false)); // g, not the last name
    tap(Control::OK);
    saveAs("b2"); // before the rows shown: scrolled back to show it
    EXPECT_EQ(list(), List(2, 0, true, true));
}

TEST_P(LibraryBrowserTest, ANamelessSaveOffersTheDefaultNameAndAsksBeforeOverwriting) {
    saveAs("");
    EXPECT_EQ(browser().optionChosen(), LibraryBrowser::kSaveUnnamed);
    EXPECT_NE(boxText().find("Save it as '" + defaultName() + "'?"), std::string::npos) << boxText();
    tap(Control::OK);
    EXPECT_EQ(boxText(), done("saved", defaultName()));
    EXPECT_TRUE(fs::exists(item(defaultName())));
    writeText(item(defaultName()), "older");
    tap(Control::OK);
    saveAs(defaultName()); // the name is taken: the overwrite question
    EXPECT_EQ(box(),
              Box(LibraryBrowser::kOverwrite, "A saved file already exists with this name.\nOverwrite it?"));
    tap(Control::Cancel);
    EXPECT_EQ(readText(item(defaultName())), "older");
    saveAs("");
    tap({Control::OK}); // the default name is taken: the question again
    EXPECT_EQ(browser().optionChosen(), LibraryBrowser::kOverwrite);
    tap(Control::OK);
    EXPECT_EQ(boxText(), done("saved", defaultName()));
    EXPECT_EQ(readText(item(defaultName())).substr(0, 8), kWrittenHeader);
}

TEST_P(LibraryBrowserTest, AFailedSaveIsReportedAndKeepsTheOldFile) {
    writeText(item("kept"), "older");
    files.setSaveInterruptionForTesting(FileManager::SaveInterruption::FailWhileWriting);
    saveAs("kept");
    tap(Control::OK);
    EXPECT_EQ(boxText(), failed("saved", "could not be written"));
    EXPECT_EQ(readText(item("kept")), "older");
    tap(Control::OK);
    saveAs("fresh");
    EXPECT_EQ(boxText(), failed("saved", "could not be written"));
    EXPECT_FALSE(fs::exists(item("fresh")));
    EXPECT_EQ(browser().names(), (Names{"kept"}));
    EXPECT_EQ(browser().currentlySelected(), 0);

    tap(Control::OK);
    files.setSaveInterruptionForTesting(FileManager::SaveInterruption::None);
    fs::remove_all(folders.docs());
    saveAs("nowhere");
    EXPECT_EQ(boxText(), failed("saved", "could not be written"));
    EXPECT_EQ(list(), List(0, -1, false, false));
}

TEST_P(LibraryBrowserTest, DamagedAndVanishedFilesAreReportedNotLoaded) {
    writeText(item("broken"), case_.damaged);
    writeText(item("empty"), "");
    writeText(item("gone"), "x");
    case_.makeWork(*this);
    std::string before = case_.work(*this);
    // Both screens name the file and the reason.
    const std::string reasons[2][2] = {
        {"Song not loaded.\nCannot read 'broken.SAV': the file is damaged: its sections do not fit its "
         "length "
         "(Error loading file).",
         "Song not loaded.\nCannot read 'empty.SAV': the file is empty (Empty file)."},
        {"Tab not loaded.\nCannot read 'broken.TAB': the tab section is damaged: a fret is out of range "
         "(TabFailure-3).",
         "Tab not loaded.\nCannot read 'empty.TAB': the file is empty (Empty file)."}};
    for (int row : {0, 1}) {
        tapRow(row);
        tap(Control::Load);
        EXPECT_EQ(boxText(), browser().loadQuestion(browser().names()[static_cast<size_t>(row)]));
        tap(Control::OK);
        EXPECT_EQ(boxText(), reasons[case_.kind == &LibraryKind::kTabs][row]);
        EXPECT_EQ(browser().nameField().text(), "");
        EXPECT_EQ(case_.work(*this), before) << "what is in memory is kept";
        tap(Control::OK);
    }
    // A file gone since the list was read costs nothing in memory.
    case_.makeWork(*this);
    before = case_.work(*this);
    fs::remove(item("gone"));
    tapRow(2);
    tap({Control::Load, Control::OK});
    EXPECT_EQ(boxText(), failed("loaded", "is missing"));
    EXPECT_EQ(case_.work(*this), before);
    EXPECT_EQ(browser().names(), (Names{"broken", "empty"}));
    EXPECT_EQ(browser().currentlySelected(), 1);
}

TEST_P(LibraryBrowserTest, ErasingAsksFirstAndMovesTheChoiceUp) {
    writeItems({"a", "b", "c", "d", "e", "f", "g"});
    tapRow(2);
    tap(Control::Erase);
    EXPECT_EQ(box(), Box(LibraryBrowser::kErase, "Really erase 'c'?"));
    tap(Control::Cancel);
    EXPECT_TRUE(fs::exists(item("c")));
    tap({Control::Erase, Control::OK});
    EXPECT_EQ(boxText(), done("erased"));
    EXPECT_FALSE(fs::exists(item("c")));
    EXPECT_EQ(browser().currentlySelected(), 1);                    // b
    tap({Control::OK, Control::ScrollToEnd, Control::ScrollToEnd}); // six names: one step only, b on top
    EXPECT_EQ(list(), List(1, 0, true, false));
    tap({Control::Erase, Control::OK});
    EXPECT_EQ(list(), List(0, 0, false, false)); // a
    EXPECT_EQ(browser().names(), (Names{"a", "d", "e", "f", "g"}));
    for (int i = 0; i < 5; ++i)
        tap({Control::OK, Control::Erase, Control::OK});
    EXPECT_EQ(list(), List(0, -1, false, false));
    tap(Control::OK); // what cannot be erased is reported
    writeItems({"held"});
    browser().loadNames();
    fs::remove(item("held"));
    fs::create_directory(item("held")); // no longer a file of this kind
    tapRow(0);
    tap({Control::Erase, Control::OK});
    EXPECT_EQ(boxText(), failed("erased", "could not be removed"));
    EXPECT_TRUE(fs::exists(item("held")));
    EXPECT_TRUE(browser().names().empty());
}

// The screen as the application shows it, touched, typed into and answered
// through the platform's input; loading goes through the application's queue.
TEST_P(LibraryBrowserTest, SavesAndLoadsThroughARunningApplicationWithTheKeyboard) {
    screens_test::InAppRun run;
    const bool songs = case_.kind == &LibraryKind::kSongs;
    run.go(songs ? Strumwell::kRecorder : Strumwell::kTabGuitarLoadSave);
    LibraryBrowser& b = dynamic_cast<LibraryScreen&>(*run.run.shownScreen()).browser();
    if (songs)
        run.tap(inside(RecorderView::cornerAreas(), RecorderView::Action::LoadSaveMode));
    b.nameField().setText("older");
    run.tap(b.nameField().frame().center());
    ASSERT_TRUE(b.nameField().isEditing());
    run.app().injectText("take.2"); // over the name there: it was selected
    run.app().runFrames(1);
    EXPECT_EQ(b.nameField().text(), "take_2"); // as it will be saved
    run.key(Key::Return);                      // Return is Save
    EXPECT_EQ(b.boxText().text(), done("saved", "take_2"));
    run.key(Key::Return);
    EXPECT_FALSE(b.showingMessageBox());
    b.nameField().setText("");
    run.tap(inside(b.listAreas(), Control::Load));
    EXPECT_EQ(b.boxText().text(),
              songs ? "Load 'take_2'? It replaces the current song, the tab, the patches and "
                      "pedal settings."
                    : "Load 'take_2'? It replaces the current tab.");
    // The default button wears the ring, and the pair stands centred on the box.
    const Rect ok = b.part(LibraryBrowser::kOK).frame(), cancel = b.part(LibraryBrowser::kCancel).frame();
    EXPECT_EQ(b.defaultMark().frame().center(), ok.center());
    EXPECT_FLOAT_EQ((ok.center().y + cancel.center().y) / 2, b.part(LibraryBrowser::kBox).frame().center().y);
    run.key(Key::Space); // the safe answer
    EXPECT_FALSE(b.showingMessageBox());
    run.tap(inside(b.listAreas(), Control::Load));
    run.key(Key::Return);
    // Songs: a notice first, which Escape does not end, then the load.
    for (int i = 0; i < 5 && b.waiting(); ++i)
        run.key(Key::Escape);
    EXPECT_EQ(b.boxText().text(), done("loaded", "take_2"));
    EXPECT_EQ(b.nameField().text(), "take_2");
    EXPECT_EQ(b.part(LibraryBrowser::kOK).frame().center().y,
              b.part(LibraryBrowser::kBox).frame().center().y);
    run.key(Key::Return);
    EXPECT_FALSE(b.showingMessageBox());
    run.key(Key::Return); // with no box up the key passes on
    EXPECT_FALSE(b.showingMessageBox());
}

} // namespace
