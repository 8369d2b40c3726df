#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "screens/LibraryImport.h"
#include "screens/LibraryScreen.h"
#include "toolkit/HitTable.h"

class FileManager;
class SoundEngine;

// The tab load/save screen (screen 14), the third face of the Tab Guitar
// beside playing and entering tab: the tab library (the browser). Plain-text
// tabs ("X.txt", as pasted from the web) are listed beside the tab files
// under their file name, and loading one imports it into the tab, with what
// the import had to skip shown in the box. So are Guitar Pro, MusicXML and
// MIDI files, in blue: loading one asks which track when it has several,
// saves the track as a tab file of the file's name (never over another) and
// loads that, the box telling what was moved or dropped. Instead of corner buttons it
// carries the Tab Guitar's plectrum, which opens a menu bar of screen buttons
// over a darkened screen (a modal layer, over the box too).
//
// Saving and loading a tab touch only the tab: the song and the engine
// settings stay as they are.
//
// Threads: UI thread only.
class TabGuitarLoadSaveView : public LibraryScreen {
public:
    // With the menu open: closing it, or the screen a button leads to.
    enum class MenuAction {
        ClosePlectrum,
        MainMenu,
        ChooseGuitar,
        EffectsSetup,
        GuitarPatchSetup,
        Recorder,
        Manual,
        PlayTab,
        EnterTab,
    };

    // The extension of text tabs, with its dot; shown in the list.
    static constexpr const char* kTextTabExtension = ".txt";
    // How many of an import's warnings the box shows; the rest are counted.
    static constexpr size_t kShownWarnings = 2;

    // "Tab imported from '<file>'." and the first warnings, one a line, then
    // how many more there are.
    static std::string importedText(const std::string& fileName, const std::vector<std::string>& warnings);

    // The plectrum's area (open or close the menu, also over a box) and the
    // menu's areas while it is open.
    static std::span<const HitArea<MenuAction>> plectrumAreas();
    static std::span<const HitArea<MenuAction>> menuAreas();
    // The screen number a menu action leads to; -1 for none.
    static int screenForMenuAction(MenuAction action);

    // The engine and the file manager are not owned and must outlive the
    // screen. parent may be null (tests): the frame is then the default
    // 320 x 480, the menu's buttons only close the menu, and the demo tabs
    // come from `bundleFolder` of the second constructor.
    TabGuitarLoadSaveView(ScreenHost* parent, SoundEngine* engine, FileManager* fileManager);
    TabGuitarLoadSaveView(ScreenHost* parent, SoundEngine* engine, FileManager* fileManager,
                          const std::string& bundleFolder);
    ~TabGuitarLoadSaveView() override;

    void redraw() override;
    void onExit() {}
    // Whether songNames()[index] is a text tab, or a file to import.
    bool isTextTab(int index) const;
    bool isScoreFile(int index) const;

    // State, for the drawing and the tests.
    bool menuShowing() const { return isModalOnTop(menu_); }
    const View& topBar() const { return *topBar_; }
    const View& greyout() const { return *greyout_; }

protected:
    // A menu button's screen change (nothing without a parent).
    virtual void goToScreen(int screenNo);

    bool ownFingerDown(Point p) override;
    void fingerDownBesideBox(Point p) override { ownFingerDown(p); }

    // LibraryBrowser::Owner
    std::vector<std::string> listNames() override;
    bool saveFile(const std::string& fileName) override;
    void startLoad(int index) override;
    bool eraseEntry(int index) override;
    bool listedAsImport(int index) const override { return isTextTab(index) || isScoreFile(index); }

private:
    void build();
    // Opens or closes the menu: the bar slides in or out, over 0.2 s when animated.
    void showMenu(bool show, bool animated);
    void menuFingerDown(Point p);
    // The text tab's name without ".txt".
    std::string textTabName(int index) const;
    // Loads the tab file or imports the text tab; the notice's text.
    std::string loadTabFile(const std::string& name);
    std::string importTextTab(const std::string& name);
    // Reads the score file, asks for the track when it has several, then
    // saves and loads the tab; the box shows how it went.
    void importScore(const std::string& fileName);
    void importTrack(size_t track);

    SoundEngine* soundEngine_;
    FileManager* fileManager_;
    LibraryFolder textLibrary_;
    LibraryImport scores_{false};
    enum class Entry { Tab, Text, Score };
    std::vector<Entry> entries_; // per listed name
    // The menu's layer: takes every finger while the menu is open.
    FingerView::FingerDownLayer menu_{[this](const Touch& touch) { menuFingerDown(touch.location); }};

    std::unique_ptr<View> frames_[2]; // around the name field and the list
    std::unique_ptr<ImageView> shineBottom_;
    std::unique_ptr<View> greyout_;
    std::unique_ptr<View> topBar_;               // the menu, sliding in and out
    std::unique_ptr<ImageView> menuPictures_[3]; // the bar, Play Tab, Enter Tab
    std::unique_ptr<ImageView> plectrum_;
};
