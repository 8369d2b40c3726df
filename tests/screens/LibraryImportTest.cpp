// Scores in the documents folder, imported from the tab library and the
// recorder as a player would: listed in blue, a track chosen, the tab or
// song loaded and saved beside the others with the bytes `strumwell import`
// writes, never over an older file, and a damaged file refused with its name.
#include <sstream>

#include "import/ImportCommand.h"
#include "screens/LibraryTestSupport.h"
#include "screens/TrackChooser.h"
#include "storage/MidiFileWriter.h"

using namespace library_test;

namespace {

// Two tracks, "Lead" (steel guitar, three notes) and "Bass" (two).
std::string twoTrackMidi() {
    MidiFileWriter w(480);
    for (int t : {0, 1}) {
        w.addTrack();
        w.trackName(t, 0, t ? "Bass" : "Lead");
        w.programChange(t, 0, t, t ? 33 : 25);
        for (int i = 0; i < 3 - t; ++i) {
            w.noteOn(t, i * 480, t, (t ? 40 : 64) + 2 * i, 100);
            w.noteOff(t, i * 480 + 240, t, (t ? 40 : 64) + 2 * i);
        }
    }
    const std::vector<uint8_t> b = w.bytes();
    return {b.begin(), b.end()};
}

struct Import : LibraryFixture {
    using LibraryFixture::LibraryFixture;
    // Selects the file in the list and loads it.
    void load(const std::string& name) {
        const Names& n = browser().names();
        const int i = static_cast<int>(std::find(n.begin(), n.end(), name) - n.begin());
        ASSERT_LT(i, LibraryBrowser::kVisibleRows) << name;
        tap({Control(int(Control::Row0) + i), Control::Load, Control::OK});
    }
    TrackChooser& chooser() { return screen().chooser(); }
    // The chooser's question and rows, then a finger on row `row`.
    Names pick(int row) {
        Names shown{chooser().question().text()};
        for (int r = 0; r < TrackChooser::kRows; ++r)
            shown.push_back(chooser().row(r).text());
        tap(chooser().areaOf(TrackChooser::Control(row)).center());
        return shown;
    }
    // What `strumwell import` writes for the same tracks.
    std::string command(const std::string& tracks, const char* extension) {
        std::ostringstream out, err;
        const std::string to = folders.bundle() + "/out" + extension;
        EXPECT_EQ(ImportCommand::run({folders.doc("Riff.mid"), "--track", tracks, "-o", to}, out, err), 0);
        return readText(to);
    }
};

const Names kTracks{"1: Lead, Steel guitar, 3 notes", "2: Bass, Bass, 2 notes", "", "", ""};

} // namespace

TEST(LibraryImport, TheTabLibraryImportsATrackAsATabFile) {
    Import f(kTabCase);
    f.writeItems({"A"});
    writeText(f.folders.doc("Riff.mid"), twoTrackMidi());
    writeText(f.folders.doc("Bad.MID"), "MThd\0\0\0\6\0\1\0\2\1");
    writeText(f.folders.doc("notes.doc"), "not a score");
    EXPECT_EQ(f.shownRows(), (Names{"A", "Bad.MID", "Riff.mid", "", ""}));
    const auto ink = [&](int r) { return f.browser().row(r).textColor(); };
    f.tapRow(0);
    EXPECT_NE(ink(1), ink(0));
    EXPECT_EQ(ink(1), ink(2)) << "both imports in the same colour";

    // A damaged file: its name and why, nothing written, the tab as it was.
    f.tab.addNotesToTab(0, "022000");
    const Names before = f.folders.files();
    f.load("Bad.MID");
    EXPECT_EQ(f.boxText().rfind("Tab not imported.\nCannot read 'Bad.MID': ", 0), 0u) << f.boxText();
    EXPECT_EQ(std::make_tuple(f.folders.files(), f.tab.tabSize()), std::make_tuple(before, 1));
    f.tap(Control::OK);

    // Track 2, then track 1 beside it: "Riff 2", the first file kept.
    f.load("Riff.mid");
    EXPECT_EQ(f.pick(1),
              (Names{"Which track of 'Riff.mid' becomes the tab?", kTracks[0], kTracks[1], "", "", ""}));
    EXPECT_EQ(f.box(), Box(LibraryBrowser::kNotice,
                           "Tab 'Riff' imported from 'Riff.mid': 2 columns, 2 notes from track 2 (Bass).\n"
                           "0 notes moved by octaves, 0 dropped, 0 refretted to standard tuning."));
    const std::string riff = f.command("2", ".TAB");
    EXPECT_EQ(readText(f.item("Riff")), riff);
    EXPECT_EQ(f.tab.tabSize(), 2);
    const std::vector<uint8_t> inMemory = f.files.createTabSaveBuffer();
    EXPECT_EQ(std::string(inMemory.begin(), inMemory.end()), riff) << "the tab loaded is the tab saved";
    f.tap(Control::OK);
    f.load("Riff.mid");
    f.pick(0);
    EXPECT_EQ(f.boxText().substr(0, 45), "Tab 'Riff 2' imported from 'Riff.mid': 3 colu");
    EXPECT_EQ(std::make_tuple(readText(f.item("Riff")), readText(f.item("Riff 2")), f.tab.tabSize()),
              std::make_tuple(riff, f.command("1", ".TAB"), 3));
    EXPECT_EQ(
        std::make_tuple(f.browser().nameField().text(), f.browser().names()[f.browser().selectedIndex()]),
        std::make_tuple("Riff 2", "Riff 2"));

    // Cancel in the chooser: nothing written, nothing loaded.
    f.tap(Control::OK);
    const Names after = f.folders.files();
    f.load("Riff.mid");
    f.tap(f.chooser().areaOf(TrackChooser::Control::Cancel).center());
    EXPECT_EQ(std::make_tuple(f.folders.files(), f.tab.tabSize(), f.chooser().showing()),
              std::make_tuple(after, 3, false));
}

TEST(LibraryImport, TheRecorderImportsAMidiFileAsASong) {
    Import f(kSongCase);
    writeText(f.folders.doc("Riff.mid"), twoTrackMidi());
    writeText(f.folders.doc("Score.gp5"), "only MIDI files become songs");
    f.screen();
    EXPECT_EQ(f.shownRows(), (Names{"Riff.mid", "", "", "", ""}));

    // Guitar 1 plays Bass, guitar 2 Lead.
    f.load("Riff.mid");
    EXPECT_EQ(f.pick(1),
              (Names{"Which track of 'Riff.mid' does guitar 1 play?", kTracks[0], kTracks[1], "", "", ""}));
    EXPECT_EQ(f.pick(1),
              (Names{"Which track of 'Riff.mid' does guitar 2 play?", "Just one", kTracks[0], "", "", ""}));
    EXPECT_EQ(f.box(), Box(LibraryBrowser::kNotice, "Song 'Riff' imported from 'Riff.mid': 5 notes, 0 bends, "
                                                    "0 whammy and 0 wah changes.\n"
                                                    "guitar 1: track 2 (Bass), patch unchanged (no guitar "
                                                    "program).\nguitar 2: track 1 (Lead), patch 1."));
    EXPECT_EQ(readText(f.item("Riff")), f.command("2,1", ".SAV"));
    EXPECT_EQ(f.recorder.getNumNotes(), 10);
    EXPECT_EQ(static_cast<RecorderView&>(f.screen()).songSummary().substr(0, 5), "Riff\n");

    // Just one, beside the first.
    f.tap(Control::OK);
    f.load("Riff.mid");
    f.pick(0);
    f.pick(0);
    EXPECT_EQ(f.boxText().substr(0, 39), "Song 'Riff 2' imported from 'Riff.mid':");
    EXPECT_EQ(std::make_tuple(readText(f.item("Riff 2")), f.recorder.getNumNotes()),
              std::make_tuple(f.command("1", ".SAV"), 6));
}
