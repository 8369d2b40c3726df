#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "screens/LibraryKind.h"
#include "storage/LibraryFolder.h"
#include "toolkit/DefaultButtonMark.h"
#include "toolkit/FingerView.h"
#include "toolkit/HitTable.h"
#include "toolkit/KeyListener.h"
#include "toolkit/KeyListenerRegistration.h"
#include "toolkit/TextField.h"

class ImageView;
class Label;
class MessageBoxKeys;

// The part the song and tab libraries share: a name field, a list of five
// rows with scroll arrows, the save, load and erase buttons, and a message
// box that asks before every change and reports its outcome. The screen that
// owns it supplies its kind (extension and words), where everything stands,
// and through its Owner what saving, loading and erasing do.
//
// The browser puts its views into the owner's screen and takes the screen's
// fingers over the list; the message box, and the notice shown while a load
// runs, are modal layers of the screen, so nothing else takes a finger while
// they are up.
//
// Threads: UI thread only.
class LibraryBrowser : public TextFieldDelegate {
public:
    static constexpr int kVisibleRows = 5;
    static constexpr const char* kPlaceholder = "Enter Save Filename Here";
    static constexpr const char* kOverwriteText =
        "A saved file already exists with this name.\nOverwrite it?";

    // What the message box's OK does (optionChosen). Owners number their own
    // questions from kFirstOwnerOption on.
    enum Option : int32_t {
        kNoOption = 0,
        kSaveUnnamed = 1,
        kLoad = 2,
        kErase = 3,
        kNotice = 4,
        kOverwrite = 5,
        kFirstOwnerOption = 6,
    };

    // What a finger coming down on the browser's controls does.
    enum class Control {
        Load,
        Erase,
        Save,
        ScrollToStart,
        ScrollToEnd,
        Row0,
        OK = Row0 + kVisibleRows,
        Cancel
    };

    // The pictures, by where they stand in Layout::parts.
    enum Part { kUpArrow, kDownArrow, kSaveButton, kLoadButton, kEraseButton, kBox, kOK, kCancel, kParts };

    // Where everything stands, in the screen's coordinates.
    struct Layout {
        Rect field; // the name field's frame before its quarter turn
        // The list: its extent along y, the rows' touch bands along x from the
        // top row down (row r takes edges[r + 1] <= x < edges[r]), and where
        // each row's label stands.
        struct List {
            float top, bottom;
            float edges[kVisibleRows + 1];
            float centreX[kVisibleRows];
            float thickness[kVisibleRows];
        } list;
        Point parts[kParts]; // the pictures' centres
        Point boxText;
        Point loneButton; // OK alone for a notice, or Cancel alone
        // The touch areas; `saveCut` is a corner of the save area that
        // another control of the screen takes.
        struct Areas {
            Rect load, erase, save, scrollToStart, scrollToEnd, saveCut, ok, cancel;
        } areas;
        // Under the box the buttons are hidden (else only dimmed).
        bool hideButtonsUnderBox;
    };

    // What differs between the screens: where the names come from and what
    // saving, loading and erasing do.
    class Owner {
    public:
        // The names to list, in order.
        virtual std::vector<std::string> listNames() = 0;
        // Writes the working item to `fileName` (name + extension); whether it worked.
        virtual bool saveFile(const std::string& fileName) = 0;
        // Loads names()[index] and ends with showNotice of the outcome, at
        // once or later (showWait in between).
        virtual void startLoad(int index) = 0;
        // Removes names()[index]'s file; whether it went.
        virtual bool eraseEntry(int index) = 0;
        // OK and Cancel for the owner's own questions (option >=
        // kFirstOwnerOption), which also close the box when they should. A
        // screen with no questions of its own never gets them.
        virtual void ownerOK(int32_t option);
        virtual void ownerCancel(int32_t option);
        // Whether names()[index] is a file of another kind that loading
        // imports: the list writes it in another colour.
        virtual bool listedAsImport(int index) const {
            (void)index;
            return false;
        }
        // A finger down outside the box's buttons while it is up.
        virtual void fingerDownBesideBox(Point p) { (void)p; }
        // Something changed: the screen shows its state again.
        virtual void redraw() = 0;

    protected:
        ~Owner() = default;
    };

    // The views go into `screen` (which must outlive the browser), bottom to
    // top: the list panel, the buttons, the message box. The owner adds its
    // own views above or below those.
    LibraryBrowser(FingerView& screen, Owner& owner, const LibraryKind& kind, const Layout& layout,
                   const std::string& documentsFolder, const std::string& bundleFolder);
    ~LibraryBrowser() override;

    // The touch areas of the list and buttons, and of the box while it is up.
    std::span<const HitArea<Control>> listAreas() const { return listAreas_; }
    std::span<const HitArea<Control>> boxAreas() const { return boxAreas_; }

    // A finger down or moving on the screen while no layer is up: false when
    // it is on none of the browser's controls. Dragging over the list
    // selects the row under the finger.
    bool fingerDown(Point p);
    void fingerMove(Point p);

    // The message box: a question (OK and Cancel), a notice (OK alone), or
    // with `cancelOnly` Cancel alone, standing over both halves.
    void showBox(int32_t option, const std::string& text, bool cancelOnly = false);
    void showNotice(const std::string& text) { showBox(kNotice, text); }
    void setBoxText(const std::string& text);
    void closeBox();
    // The box with `text` and no buttons, ignoring every finger, until endWait.
    void showWait(const std::string& text);
    void endWait();
    void pressOK();
    void pressCancel();

    // Saves as `name` (made safe, extension added) and shows the outcome.
    void save(const std::string& name);
    // Removes names()[index]'s file and shows the outcome.
    void erase(int index);
    // Moves the list `rows` rows toward its start (negative: its end), as
    // the scroll arrows do; the mouse wheel calls it while the list shows.
    void scroll(int rows);
    // Re-reads the names; keeps the start and the selection inside the list.
    void loadNames();
    void clampSelection();
    // Selects `name` in the list, scrolling to it; nothing when it is not there.
    void selectName(const std::string& name);
    // Selects the first row, or nothing in an empty list.
    void selectFirst() { currentlySelected_ = names_.empty() ? -1 : 0; }
    // Copies the bundle's demos of this kind in without overwriting; how many.
    int copyDemos() { return folder_.copyDemos(); }

    // Shows the list, the box and the buttons as the state says. `listShown`
    // false hides the list and dims the buttons (the recorder's other mode).
    void redraw(bool listShown = true);

    // "Load 'NAME'? It replaces ..." with what this kind's load replaces.
    std::string loadQuestion(const std::string& name) const;

    // TextFieldDelegate: Return saves; the typed name is made safe when
    // editing ends.
    bool textFieldShouldReturn(TextField& field) override;
    void textFieldDidEndEditing(TextField& field) override;

    // State, for the screens, the drawing and the tests.
    const LibraryKind& kind() const { return kind_; }
    const Layout& layout() const { return layout_; }
    const LibraryFolder& folder() const { return folder_; }
    const std::vector<std::string>& names() const { return names_; }
    int32_t displayListStartIndex() const { return displayListStartIndex_; }
    int32_t currentlySelected() const { return currentlySelected_; }
    // The list index selected, or -1.
    int selectedIndex() const;
    int32_t indexToLoad() const { return indexToLoad_; }
    int32_t optionChosen() const { return optionChosen_; }
    bool showingMessageBox() const { return showingMessageBox_; }
    bool waiting() const { return waiting_; }
    // The box is up and answers fingers and keys (no layer above it).
    bool boxAnswers() const;

    View& panel() { return *panel_; }
    TextField& nameField() { return *nameField_; }
    const Label& row(int r) const { return *rows_[r]; }
    const Label& boxText() const { return *boxText_; }
    const DefaultButtonMark& defaultMark() const { return *defaultMark_; }
    ImageView& part(Part p) { return *parts_[p]; }
    const ImageView& part(Part p) const { return *parts_[p]; }

private:
    void build();
    void buildAreas();
    void perform(Control control);
    void boxFingerDown(Point p);
    void pressSave();
    // Where OK or Cancel stands now: a pair centred on the box, or alone in its middle.
    Point boxButtonCentre(Part button) const;

    FingerView& screen_;
    Owner& owner_;
    const LibraryKind& kind_;
    const Layout& layout_;
    LibraryFolder folder_;
    std::vector<HitArea<Control>> listAreas_;
    std::vector<HitArea<Control>> boxAreas_;
    // The box's layer: OK, Cancel, and the rest to the owner.
    FingerView::FingerDownLayer boxLayer_{[this](const Touch& touch) { boxFingerDown(touch.location); }};
    FingerView::FingerTarget waitLayer_; // takes every finger and does nothing

    std::vector<std::string> names_;
    int32_t displayListStartIndex_ = 0;
    int32_t currentlySelected_ = -1;
    int32_t indexToLoad_ = -1;
    int32_t optionChosen_ = kNoOption;
    bool showingMessageBox_ = false;
    bool cancelOnly_ = false;
    bool waiting_ = false;

    std::unique_ptr<View> panel_;
    std::unique_ptr<TextField> nameField_;
    std::unique_ptr<Label> rows_[kVisibleRows];
    std::unique_ptr<ImageView> parts_[kParts];
    std::unique_ptr<Label> boxText_;
    std::unique_ptr<DefaultButtonMark> defaultMark_;
    std::unique_ptr<MessageBoxKeys> boxKeys_;
    // The mouse wheel over the shown screen scrolls the list.
    struct Wheel : KeyListener {
        explicit Wheel(LibraryBrowser& b) : browser(b) {}
        bool keyDown(const KeyEvent&) override { return false; }
        bool wheel(int steps) override;
        LibraryBrowser& browser;
        KeyListenerRegistration registration{this};
    };
    std::unique_ptr<Wheel> wheel_;
};
