#pragma once
#include <memory>
#include <string>

#include "screens/LibraryBrowser.h"
#include "toolkit/BackKeys.h"
#include "toolkit/FingerView.h"
#include "ui/HostedScreen.h"

class ImageView;
class ScreenHost;
class TrackChooser;

// A screen built around a library browser: the background picture, the
// browser, and the state both library screens show the same way. The screen
// deriving from it supplies the browser's owner operations and its own
// controls, and calls start() once they are built.
//
// Threads: UI thread only.
class LibraryScreen : public FingerView, public LibraryBrowser::Owner, public HostedScreen {
public:
    ~LibraryScreen() override;

    LibraryBrowser& browser() { return *browser_; }
    const LibraryBrowser& browser() const { return *browser_; }

    // A finger coming down at p, taken as a touch would be: by the top modal
    // layer, or by the screen.
    void fingerDown(Point p);

    // The browser's state under the names the screens have always used.
    const std::vector<std::string>& songNames() const { return browser_->names(); }
    int32_t optionChosen() const { return browser_->optionChosen(); }
    bool showingMessageBox() const { return browser_->showingMessageBox(); }
    const Label& messageBoxText() const { return browser_->boxText(); }
    const ImageView& OKLabel() const { return browser_->part(LibraryBrowser::kOK); }
    const ImageView& cancelLabel() const { return browser_->part(LibraryBrowser::kCancel); }
    const Label& loadLabel(int row) const { return browser_->row(row); }
    TextField& saveTextField() { return browser_->nameField(); }
    const std::string& documentsDirectory() const { return browser_->folder().documentsFolder(); }
    // The box that asks which tracks of a file to import, over everything
    // (made the first time it is wanted).
    TrackChooser& chooser();

protected:
    // parent may be null (tests): the frame is then the default 320 x 480.
    // The folders are the file manager's documents folder and the bundle.
    LibraryScreen(ScreenHost* parent, const char* background, const LibraryKind& kind,
                  const LibraryBrowser::Layout& layout, const std::string& documentsFolder,
                  const std::string& bundleFolder);

    // Copies the demos in, reads the list, selects its first name and draws.
    void start();

    // The screen's own controls first, then (while the list is shown) the
    // browser's; moves drag over the list.
    void fingerDown(const Touch& touch) override;
    void fingerMove(const Touch& touch) override;
    // Carries out the screen's own control under p; false when there is none.
    virtual bool ownFingerDown(Point p) = 0;
    // Whether the list and its buttons are shown and take fingers.
    virtual bool listShown() const { return true; }

    ScreenHost* parent() const { return parent_; }
    // Escape or Backspace with no box, menu or editing up: one screen back
    // (nothing without a parent); whether there was a way back.
    virtual bool backKey();

private:
    ScreenHost* parent_;
    std::unique_ptr<ImageView> background_;
    std::unique_ptr<LibraryBrowser> browser_;
    std::unique_ptr<TrackChooser> chooser_;
    BackKeys backKeys_{*this, [this] { return backKey(); }};
};
