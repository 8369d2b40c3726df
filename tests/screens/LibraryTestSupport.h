#pragma once
// What the library screen tests share: private documents and bundle folders,
// the model over them (file manager, tab, engine without output, recorder
// without a playback thread, on a manual clock), taps found from the screens'
// own hit tables, and the two kinds of library as table rows.

#include <algorithm>
#include <filesystem>
#include <functional>

#include "screens/EffectSetupView.h"
#include "screens/RecorderView.h"
#include "screens/TabGuitarLoadSaveView.h"
#include "support/Files.h"
#include "support/HeadlessApp.h"
#include "support/SongModel.h"
#include "support/Touches.h"
#include "toolkit/ImageView.h"
#include "toolkit/Label.h"

namespace library_test {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Control = LibraryBrowser::Control;
using List = std::tuple<int, int, bool, bool>;
using Box = std::pair<int32_t, std::string>;
using testsupport::down;
using testsupport::move;
using testsupport::up;

// Private documents and bundle folders, removed afterwards.
struct Folders : testsupport::AppFolders {
    std::string doc(const std::string& name) const { return docs() + "/" + name; }
    // Every file of the documents folder, temporary ones included.
    Names files() const {
        Names names;
        for (const auto& entry : fs::directory_iterator(docs()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

using testsupport::readText;
using testsupport::writeText;

// The first area doing `action`, and its centre: where a test taps for it.
template <typename Action> Rect areaOf(std::span<const HitArea<Action>> areas, Action action) {
    for (const HitArea<Action>& area : areas)
        if (area.action == action)
            return area.rect;
    ADD_FAILURE() << "no area for the action";
    return {};
}
template <typename Action> Point inside(std::span<const HitArea<Action>> areas, Action action) {
    return areaOf(areas, action).center();
}

// A pedal's areas, which run open beyond the screen on some sides, cut to
// just beyond it: hit areas to check and to tap the middle of.
inline std::vector<HitArea<EffectSetupView::Control>>
pedalAreas(std::span<const EffectSetupView::Area> areas) {
    const Rect b = hitBoundsOf({0, 0, 320, 480});
    std::vector<HitArea<EffectSetupView::Control>> out;
    for (const auto& a : areas) {
        const float l = std::max(a.left, b.x), t = std::max(a.top, b.y);
        out.push_back(
            {Rect{l, t, std::min(a.right, b.maxX()) - l, std::min(a.bottom, b.maxY()) - t}, a.control});
    }
    return out;
}

// A base, so the folders exist before the model made over them.
struct WithFolders {
    Folders folders;
};

// The model the application gives the library screens.
struct Model : WithFolders, testsupport::SongModel {
    Model() : SongModel(folders.docs(), folders.bundle(), nullptr, 100.0) {}

    // Records `count` notes `gap` seconds apart in one pass and merges it
    // into the song.
    void recordNotes(int count, int firstSample = 10, double gap = 0.1) {
        recorder.record();
        for (int i = 0; i < count; ++i) {
            clock.advance(gap);
            const int id = recorder.addPlayNote(firstSample + i, 1.0f, 0.1);
            clock.advance(0.1);
            recorder.addStopNote(id);
        }
        recorder.stop();
        recorder.runPlaybackPass();
    }
};

// The screens recording their corner buttons and screen changes instead of
// asking a delegate.
class RecordingRecorder : public RecorderView {
public:
    using RecorderView::RecorderView;
    int backs = 0, helps = 0;

protected:
    void goBack() override { ++backs; }
    void openHelp() override { ++helps; }
};
class RecordingTabLibrary : public TabGuitarLoadSaveView {
public:
    using TabGuitarLoadSaveView::TabGuitarLoadSaveView;
    std::vector<int> screens;

protected:
    void goToScreen(int screenNo) override { screens.push_back(screenNo); }
};

// One kind of library and the screen that shows it.
struct LibraryCase {
    const char* name;
    const LibraryKind* kind;
    // What its notices call an item: on failures, and on success.
    const char* noun;
    const char* doneNoun;
    const char* emptyList; // the first row of an empty list
    // Makes the screen over the model, showing its list.
    std::function<std::unique_ptr<LibraryScreen>(Model&)> make;
    // A file of this kind that the file manager refuses.
    std::string damaged = {};
    // Puts something into the song or tab in memory; what is there (the
    // whole song's bytes, or the tab's size).
    std::function<void(Model&)> makeWork = {};
    std::function<std::string(Model&)> work = {};
};

inline const LibraryCase kSongCase{
    "songs", &LibraryKind::kSongs, "Song", "Song", "",
    [](Model& m) -> std::unique_ptr<LibraryScreen> {
        auto s = std::make_unique<RecordingRecorder>(nullptr, &m.engine, &m.files, &m.recorder,
                                                     m.folders.bundle());
        s->fingerDown(inside(RecorderView::cornerAreas(), RecorderView::Action::LoadSaveMode));
        return s;
    },
    // A tab section of 10000 bytes that is not there.
    std::string("VERSION2\x10\x27\x00\x00junk", 16), [](Model& m) { m.recordNotes(2); },
    [](Model& m) {
        const std::vector<uint8_t> song = m.files.createSongSaveBuffer();
        return std::string(song.begin(), song.end());
    }};

inline const LibraryCase kTabCase{"tabs", &LibraryKind::kTabs, "Tab", "Tab file", "No saved tabs yet",
                                  [](Model& m) -> std::unique_ptr<LibraryScreen> {
                                      return std::make_unique<RecordingTabLibrary>(
                                          nullptr, &m.engine, &m.files, m.folders.bundle());
                                  },
                                  // One column announced, but a fret of 50.
                                  std::string("VERSION2\x01\x00\x00\x00\x00\x02\x02\x32\x00\x00", 18),
                                  [](Model& m) { m.tab.addNotesToTab(0, "022000"); },
                                  [](Model& m) { return std::to_string(m.tab.tabSize()) + " columns"; }};

// A library screen over a private model, made on first use, and taps on its
// controls by name.
class LibraryFixture : public Model {
public:
    explicit LibraryFixture(const LibraryCase& c) : case_(c) {}

    LibraryScreen& screen() {
        if (!view)
            view = case_.make(*this);
        return *view;
    }
    LibraryBrowser& browser() { return screen().browser(); }
    void tap(Point p) { screen().fingerDown(p); }
    void tap(Control c) {
        const bool box = c == Control::OK || c == Control::Cancel;
        tap(inside(box ? browser().boxAreas() : browser().listAreas(), c));
    }
    void tap(std::initializer_list<Control> controls) {
        for (Control c : controls)
            tap(c);
    }
    void tapRow(int row) { tap(inside(browser().listAreas(), Control(int(Control::Row0) + row))); }
    // Types a name into the field and presses Save.
    void saveAs(const std::string& typed) {
        browser().nameField().setText(typed);
        tap(Control::Save);
    }
    std::string boxText() { return browser().boxText().text(); }
    // Which question or notice the box shows, and its text.
    Box box() { return {browser().optionChosen(), boxText()}; }
    // The notices: "Song 'a' saved.", "Tab file erased.".
    std::string done(const char* verb, const std::string& name = {}) const {
        return std::string(case_.doneNoun) + (name.empty() ? "" : " '" + name + "'") + " " + verb + ".";
    }
    std::string failed(const char* verb, const char* why) const {
        return std::string(case_.noun) + " not " + verb + ".\nThe file " + why + ".";
    }
    // Where the list starts, the row chosen, and whether the up and down arrows show.
    List list() {
        return {browser().displayListStartIndex(), browser().currentlySelected(),
                !browser().part(LibraryBrowser::kUpArrow).isHidden(),
                !browser().part(LibraryBrowser::kDownArrow).isHidden()};
    }
    Names shownRows() {
        Names rows;
        for (int r = 0; r < LibraryBrowser::kVisibleRows; ++r)
            rows.push_back(browser().row(r).text());
        return rows;
    }
    // A file of this kind in the documents folder.
    std::string item(const std::string& name) const { return folders.doc(name + case_.kind->extension); }
    void writeItems(const Names& names, const std::string& content = "x") {
        for (const std::string& n : names)
            writeText(item(n), content);
    }

    const LibraryCase& case_;
    std::unique_ptr<LibraryScreen> view;
};

} // namespace library_test
