#include "screens/LibraryScreen.h"

#include "screens/TrackChooser.h"
#include "toolkit/ImageView.h"
#include "ui/ScreenHost.h"

LibraryScreen::LibraryScreen(ScreenHost* parent, const char* background, const LibraryKind& kind,
                             const LibraryBrowser::Layout& layout, const std::string& documentsFolder,
                             const std::string& bundleFolder)
    : FingerView(parent ? parent->frame() : Rect{0, 0, 320, 480}), parent_(parent),
      background_(std::make_unique<ImageView>(background)) {
    setMultipleTouchEnabled(true);
    background_->setFrame(bounds());
    addSubview(background_.get());
    browser_ = std::make_unique<LibraryBrowser>(*this, *this, kind, layout, documentsFolder, bundleFolder);
}

LibraryScreen::~LibraryScreen() = default;

TrackChooser& LibraryScreen::chooser() {
    if (!chooser_)
        chooser_ = std::make_unique<TrackChooser>(*this, browser_->layout().parts[LibraryBrowser::kBox]);
    return *chooser_;
}

void LibraryScreen::fingerDown(Point p) {
    Touch touch;
    touch.location = p;
    touch.previousLocation = p;
    touchesBegan({touch});
}

void LibraryScreen::fingerDown(const Touch& touch) {
    if (!ownFingerDown(touch.location) && listShown())
        browser_->fingerDown(touch.location);
}

void LibraryScreen::fingerMove(const Touch& touch) {
    if (listShown())
        browser_->fingerMove(touch.location);
}

void LibraryScreen::start() {
    browser_->copyDemos();
    browser_->loadNames();
    browser_->selectFirst();
    redraw();
}

bool LibraryScreen::backKey() {
    if (!parent_)
        return false;
    parent_->transitionBack(this);
    return true;
}
