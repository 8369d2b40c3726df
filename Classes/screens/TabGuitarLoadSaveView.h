#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ImageView.h"
#include "platform/TextField.h"
#include "screens/TabLibrary.h"
#include "ui/HostedScreen.h"

class FileManager;
class Label;
class MessageBoxKeys;
class SoundEngine;
class ScreenHost;

// The tab load/save screen (screen 14), the third face of the Tab Guitar
// beside playing and entering tab. It lists the tab files of the documents
// folder and saves, loads and erases them by name; every change asks first
// in a message box and reports its result in the same box. Plain-text tabs
// ("X.txt", as pasted from the web) are listed beside them under their file
// name, and loading one imports it into the tab, with what the import had to
// skip shown in the box. Instead of corner
// buttons it carries the Tab Guitar's plectrum, which opens a menu bar of
// screen buttons over a darkened screen.
//
// What a touch means is worked out by pure functions of the point and the
// screen's state (actionForPoint, menuActionForPoint), so the rectangles can
// be checked without a window; fingerDown and fingerDownMenu carry the action
// out. Rectangles are open (strict comparisons) and tested in a fixed order,
// the first match winning.
//
// Saving and loading a tab touch only the tab: the song and the engine
// settings stay as they are.
//
// Threads: UI thread only.
class TabGuitarLoadSaveView : public ImageView, public TextFieldDelegate, public HostedScreen {
public:
    enum class Action {
        None,
        Plectrum,
        Load,
        Erase,
        ScrollToStart,
        ScrollToEnd,
        Save,
        List,
        OK,
        Cancel,
    };

    // With the menu open: closing it, or the screen a button leads to.
    enum class MenuAction {
        None,
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

    // What the message box's OK does (optionChosen).
    enum Option : int32_t {
        kNoOption = 0,
        kSaveUnnamed = 1,
        kLoadTab = 2,
        kEraseTabFile = 3,
        kNotice = 4,
        kOverwrite = 5,
    };

    static constexpr int kVisibleRows = 5;
    static constexpr const char* kDefaultTabName = "My Tab";
    static constexpr const char* kPlaceholder = "Enter Save Filename Here";

    static constexpr const char* kSaveUnnamedText = "You have not named your tab. Save it as 'My Tab'?";
    static constexpr const char* kOverwriteText =
        "A saved file already exists with this name.\nOverwrite it?";
    static constexpr const char* kTabSavedText = "Tab file saved.";
    static constexpr const char* kTabErasedText = "Tab file erased.";
    static constexpr const char* kTabLoadedText = "Tab file loaded.";
    // Notices for what did not work, instead of claiming success.
    static constexpr const char* kSaveFailedText = "Tab not saved.\nThe file could not be written.";
    static constexpr const char* kLoadDamagedText = "Tab not loaded.\nThe file is damaged.";
    static constexpr const char* kLoadMissingText = "Tab not loaded.\nThe file is missing.";
    static constexpr const char* kEraseFailedText = "Tab not erased.\nThe file could not be removed.";
    // The extension of text tabs, with its dot; shown in the list.
    static constexpr const char* kTextTabExtension = ".txt";
    // How many of an import's warnings the box shows; the rest are counted.
    static constexpr size_t kShownWarnings = 2;

    // "Really load '<name>'?" and "Really erase '<name>'?".
    static std::string reallyLoadText(const std::string& name);
    static std::string reallyEraseText(const std::string& name);
    // "Tab imported from '<file>'." and the first warnings, one a line, then
    // how many more there are.
    static std::string importedText(const std::string& fileName, const std::vector<std::string>& warnings);
    // "Tab not imported.\n<error>".
    static std::string importFailedText(const std::string& error);

    // The action for a finger coming down at p with the menu closed: the
    // plectrum first (also while a box is up), then the box's OK and Cancel
    // while a message box is up, else the buttons, arrows and the list.
    static Action actionForPoint(Point p, bool showingMessageBox);
    // The action for a finger coming down at p with the menu open.
    static MenuAction menuActionForPoint(Point p);
    // The screen number a menu action leads to; -1 for none.
    static int screenForMenuAction(MenuAction action);
    // The list row (0 to 4) under p, or -1 outside the list or on a border
    // between rows.
    static int listRowForPoint(Point p);

    // The engine and the file manager are not owned and must outlive the
    // screen. parent may be null (tests): the frame is then the default
    // 320 x 480, the menu's buttons only close the menu, and the demo tabs
    // come from `bundleFolder` of the second constructor.
    TabGuitarLoadSaveView(ScreenHost* parent, SoundEngine* engine, FileManager* fileManager);
    TabGuitarLoadSaveView(ScreenHost* parent, SoundEngine* engine, FileManager* fileManager,
                          const std::string& bundleFolder);
    ~TabGuitarLoadSaveView() override;

    // Shows the current state: the message box first, then the list.
    void redraw();
    // Shows or hides the message box and the controls behind it.
    void redrawMessageBox();
    // Slides the menu bar in (menu open) or out, over 0.2 s when animated.
    void redrawOnPlectrumPress(bool animated);

    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;
    void touchesCancelled(const TouchSet& touches) override;
    // Began, moved and ended/cancelled touches go to the menu handlers while
    // the menu is open and to the screen's own otherwise.
    void processTouches(const TouchSet& touches);
    void fingerDown(Point p);
    // Dragging over the list selects the row under the finger.
    void fingerMove(Point p, Point oldPoint);
    void fingerUp(Point) {}
    void fingerDownMenu(Point p);
    void fingerMoveMenu(Point, Point) {}
    void fingerUpMenu(Point) {}
    void liftAllFingerPresses() {}
    void onExit() {}

    // Writes the tab to `fileName` (with ".TAB") and shows the outcome.
    void save(const std::string& fileName);
    // Loads tabNames()[songNumberToLoad()] into the tab and shows the outcome.
    void load();
    // Removes tabNames()[index]'s file and shows the outcome.
    void erase(int index);
    // Copies the bundle's demo tabs in without overwriting; how many.
    int copyDemoSongs();
    // Re-reads the names of the tab files and the text tabs (the latter
    // listed as "X.txt"), in byte order together.
    void loadSongNames();
    // Whether songNames()[index] is a text tab.
    bool isTextTab(int index) const;
    static std::string makeFileSafe(const std::string& text) { return TabLibrary::makeFileSafe(text); }

    // TextFieldDelegate
    bool textFieldShouldReturn(TextField& field) override;
    void textFieldDidEndEditing(TextField& field) override;

    // State, for the drawing and the tests.
    bool menuShowing() const { return menuShowing_; }
    bool showingMessageBox() const { return showingMessageBox_; }
    int32_t optionChosen() const { return optionChosen_; }
    int32_t displayListStartIndex() const { return displayListStartIndex_; }
    int32_t currentlySelected() const { return currentlySelected_; }
    int32_t songNumberToLoad() const { return songNumberToLoad_; }
    const std::vector<std::string>& songNames() const { return songNames_; }
    const std::string& documentsDirectory() const { return library_.documentsFolder(); }
    const TabLibrary& library() const { return library_; }

    TextField& saveTextField() { return *saveTextField_; }
    const Label& loadLabel(int row) const { return *loadLabel_[row]; }
    const Label& messageBoxText() const { return *messageBoxText_; }
    const ImageView& messageBoxBackground() const { return *messageBoxBackground_; }
    const ImageView& OKLabel() const { return *OKLabel_; }
    const ImageView& cancelLabel() const { return *cancelLabel_; }
    const ImageView& upArrow() const { return *upArrow_; }
    const ImageView& downArrow() const { return *downArrow_; }
    const ImageView& saveButton() const { return *saveButton_; }
    const ImageView& loadButton() const { return *loadButton_; }
    const ImageView& deleteButton() const { return *deleteButton_; }
    const View& topBar() const { return *topBar_; }
    const View& greyout() const { return *greyout_; }

protected:
    // A menu button's screen change (nothing without a parent).
    virtual void goToScreen(int screenNo);

private:
    void build();
    void showBox(int32_t option, const std::string& text);
    void closeBox();
    void pressSave();
    void pressOK();
    void selectRowAt(Point p);
    // Keeps the start and the selection inside the list.
    void clampSelection();
    // Selects `name` in the list, scrolled so that it shows.
    void selectName(const std::string& name);
    // Imports the text tab `name` (without ".txt"); the notice's text.
    std::string importTextTab(const std::string& name);

    ScreenHost* parent_;
    SoundEngine* soundEngine_;
    FileManager* fileManager_;
    TabLibrary library_;
    LibraryFolder textLibrary_;

    bool menuShowing_ = false;
    int32_t displayListStartIndex_ = 0;
    int32_t currentlySelected_ = -1;
    std::vector<std::string> songNames_;
    std::vector<bool> textTab_; // per entry of songNames_
    bool showingMessageBox_ = false;
    int32_t optionChosen_ = kNoOption;
    int32_t songNumberToLoad_ = -1;

    std::unique_ptr<ImageView> shineBottom_;
    std::unique_ptr<View> saveBox_;
    std::unique_ptr<View> loadBox_;
    std::unique_ptr<TextField> saveTextField_;
    std::unique_ptr<Label> loadLabel_[kVisibleRows];
    std::unique_ptr<ImageView> upArrow_;
    std::unique_ptr<ImageView> downArrow_;
    std::unique_ptr<ImageView> saveButton_;
    std::unique_ptr<ImageView> loadButton_;
    std::unique_ptr<ImageView> deleteButton_;
    std::unique_ptr<ImageView> messageBoxBackground_;
    std::unique_ptr<Label> messageBoxText_;
    std::unique_ptr<ImageView> OKLabel_;
    std::unique_ptr<ImageView> cancelLabel_;
    std::unique_ptr<View> greyout_;
    std::unique_ptr<View> topBar_;
    std::unique_ptr<ImageView> topMenuBar_;
    std::unique_ptr<ImageView> playTabMenu_;
    std::unique_ptr<ImageView> enterTabMenu_;
    std::unique_ptr<ImageView> plectrum_;
    std::unique_ptr<MessageBoxKeys> boxKeys_;
};
