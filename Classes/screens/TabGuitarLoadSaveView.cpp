#include "screens/TabGuitarLoadSaveView.h"

#include <algorithm>
#include <exception>
#include <sstream>

#include "platform/Label.h"
#include "platform/MessageBoxKeys.h"
#include "screens/BoxText.h"
#include "storage/FileManager.h"
#include "storage/Tab.h"
#include "storage/TabTextImport.h"
#include "ui/ScreenHost.h"

namespace {

constexpr const char* kNoTabsText = "No saved tabs yet";

constexpr float kHalfTurn = 3.14159265359f;

// Row centres of the tab list (x) and its extent along y.
constexpr float kRowCentreX[TabGuitarLoadSaveView::kVisibleRows] = {225.5f, 198.5f, 171.5f, 145, 118.5f};
constexpr float kRowThickness[TabGuitarLoadSaveView::kVisibleRows] = {26, 26, 26, 25, 26};
constexpr float kListTop = 93;
constexpr float kListBottom = 343;

// The menu bar's container is a line one point wide: its children stand to
// its right, so that moving it slides them all in or out together.
constexpr Point kTopBarShown{0, 240};
constexpr Point kTopBarHidden{150, 240};
constexpr float kGreyoutShownAlpha = 0.8f;
constexpr float kDisabledButtonAlpha = 0.3f;
constexpr double kMenuSlideSeconds = 0.2;

// The box's OK button, beside Cancel or alone for a notice.
constexpr Point kOKCentre{153, 192.5f};
constexpr Point kOKAloneCentre{153, 260.5f};
constexpr Point kCancelCentre{153, 316};

Color selectedRowBackground() {
    return Color{40, 44, 42, 255};
}
Color selectedRowText() {
    return Color{206, 238, 196, 255}; // reads clearly on the dark selection, under the glass too
}
Color rowText() {
    return Color::fromFloats(0, 0, 0, 0.9f);
}

// A label turned a quarter turn, so that it reads along y, centred on
// `centre`, `length` long (along y) and `thickness` wide (along x).
std::unique_ptr<Label> sidewaysLabel(Point centre, float length, float thickness, float fontSize) {
    auto label =
        std::make_unique<Label>(Rect{centre.x - length / 2, centre.y - thickness / 2, length, thickness});
    label->setFont("Helvetica", fontSize);
    label->setTextAlignment(TextAlignment::Center);
    label->setBackgroundColor(Color::clear());
    label->setRotation(kQuarterTurn);
    return label;
}

std::unique_ptr<ImageView> picture(const char* name, Point centre, Rect fallbackBounds = {0, 0, 40, 40}) {
    auto view = std::make_unique<ImageView>(name);
    if (view->bounds().isEmpty())
        view->setBounds(fallbackBounds); // picture missing: keep a sensible size
    view->setCenter(centre);
    view->setUserInteractionEnabled(false);
    return view;
}

std::string bundleFolderOf(ScreenHost* parent) {
    return parent ? parent->bundleFolder() : std::string();
}

std::string documentsFolderOf(ScreenHost* parent, FileManager* fileManager) {
    if (fileManager)
        return fileManager->documentsFolder();
    return parent ? parent->documentsFolder() : std::string();
}

// Whether `fileName` holds a tab the file manager can read, found without
// touching the application's tab: a damaged file must not cost the user the
// tab in memory.
bool tabFileReadable(const std::string& folder, const std::string& fileName) {
    Tab scratch;
    FileManager reader(&scratch, nullptr, nullptr, folder);
    std::ostringstream quiet;
    reader.setDiagnosticStream(quiet);
    return reader.loadTab(fileName);
}

} // namespace

std::string TabGuitarLoadSaveView::reallyLoadText(const std::string& name) {
    return "Really load '" + name + "'?";
}

std::string TabGuitarLoadSaveView::reallyEraseText(const std::string& name) {
    return "Really erase '" + name + "'?";
}

std::string TabGuitarLoadSaveView::importedText(const std::string& fileName,
                                                const std::vector<std::string>& warnings) {
    std::string text = "Tab imported from '" + fileName + "'.";
    for (size_t i = 0; i < warnings.size() && i < kShownWarnings; ++i)
        text += "\n" + warnings[i];
    if (warnings.size() > kShownWarnings)
        text += "\n(" + std::to_string(warnings.size() - kShownWarnings) +
                (warnings.size() - kShownWarnings == 1 ? " more warning)" : " more warnings)");
    return text;
}

std::string TabGuitarLoadSaveView::importFailedText(const std::string& error) {
    return "Tab not imported.\n" + error;
}

TabGuitarLoadSaveView::Action TabGuitarLoadSaveView::actionForPoint(Point p, bool showingMessageBox) {
    const float x = p.x;
    const float y = p.y;
    if (x < 52 && y < 45)
        return Action::Plectrum;
    if (showingMessageBox) {
        if (x <= 126)
            return Action::None;
        if (x > 126 && x < 180 && y > 137 && y < 248)
            return Action::OK;
        if (x > 126 && x < 180 && y > 248 && y < 384)
            return Action::Cancel;
        return Action::None;
    }
    if (x > 191 && x < 249 && y > 387 && y < 450)
        return Action::Load;
    if (x > 85 && x < 153 && y > 387 && y < 450)
        return Action::Erase;
    if (x > 210 && x < 250 && y > 339 && y < 383)
        return Action::ScrollToStart;
    if (x > 87 && x < 151 && y > 339 && y < 383)
        return Action::ScrollToEnd;
    if (x > 250 && x < 320 && y > 387 && y < 450)
        return Action::Save;
    if (x > 105 && x < 239 && y > kListTop && y < kListBottom)
        return Action::List;
    return Action::None;
}

TabGuitarLoadSaveView::MenuAction TabGuitarLoadSaveView::menuActionForPoint(Point p) {
    const float x = p.x;
    const float y = p.y;
    if (x < 52 && y < 45)
        return MenuAction::ClosePlectrum;
    if (x > 271) {
        // Each range takes what the ones before it left, so a bound belongs
        // to the next range down.
        if (y < 60)
            return MenuAction::MainMenu;
        if (y < 154)
            return MenuAction::ChooseGuitar;
        if (y < 240)
            return MenuAction::EffectsSetup;
        if (y < 328)
            return MenuAction::GuitarPatchSetup;
        if (y < 419)
            return MenuAction::Recorder;
        return MenuAction::Manual;
    }
    if (x > 113 && x < 271 && y > 113 && y < 240)
        return MenuAction::PlayTab;
    if (x > 113 && x < 271 && y > 240 && y < 371)
        return MenuAction::EnterTab;
    return MenuAction::None;
}

int TabGuitarLoadSaveView::screenForMenuAction(MenuAction action) {
    switch (action) {
    case MenuAction::MainMenu:
        return ScreenHost::kMainMenu;
    case MenuAction::ChooseGuitar:
        return ScreenHost::kChooseGuitar;
    case MenuAction::EffectsSetup:
        return ScreenHost::kEffectsSetupMenu;
    case MenuAction::GuitarPatchSetup:
        return ScreenHost::kGuitarPatchMenu;
    case MenuAction::Recorder:
        return ScreenHost::kRecorder;
    case MenuAction::Manual:
        return ScreenHost::kManual;
    case MenuAction::PlayTab:
        return ScreenHost::kTabGuitar;
    case MenuAction::EnterTab:
        return ScreenHost::kTabGuitarSetup;
    case MenuAction::None:
    case MenuAction::ClosePlectrum:
        break;
    }
    return -1;
}

int TabGuitarLoadSaveView::listRowForPoint(Point p) {
    const float x = p.x;
    if (!(x > 105 && x < 239 && p.y > kListTop && p.y < kListBottom))
        return -1;
    if (x > 212)
        return 0;
    if (x > 185 && x < 212)
        return 1;
    if (x > 158 && x < 185)
        return 2;
    if (x > 132 && x < 158)
        return 3;
    if (x < 132)
        return 4;
    return -1;
}

TabGuitarLoadSaveView::TabGuitarLoadSaveView(ScreenHost* parent, SoundEngine* engine,
                                             FileManager* fileManager)
    : TabGuitarLoadSaveView(parent, engine, fileManager, bundleFolderOf(parent)) {}

TabGuitarLoadSaveView::TabGuitarLoadSaveView(ScreenHost* parent, SoundEngine* engine,
                                             FileManager* fileManager, const std::string& bundleFolder)
    : ImageView("TabLibraryBack.png"), parent_(parent), soundEngine_(engine), fileManager_(fileManager),
      library_(documentsFolderOf(parent, fileManager), bundleFolder),
      textLibrary_(documentsFolderOf(parent, fileManager), std::string(), kTextTabExtension) {
    (void)soundEngine_; // kept for the screen's owner; a tab needs no sound
    setFrame(parent_ ? parent_->frame() : Rect{0, 0, 320, 480});
    setUserInteractionEnabled(true);
    setMultipleTouchEnabled(true);
    build();
    boxKeys_ = std::make_unique<MessageBoxKeys>(
        *this, MessageBoxKeys::Box{[this] { return !menuShowing_ && showingMessageBox_; },
                                   [this] { return optionChosen_ != kNotice; },
                                   [this] {
                                       pressOK();
                                       redraw();
                                   },
                                   [this] {
                                       closeBox();
                                       redraw();
                                   }});
    copyDemoSongs();
    loadSongNames();
    currentlySelected_ = songNames_.empty() ? -1 : 0;
    redrawOnPlectrumPress(false);
    redraw();
}

TabGuitarLoadSaveView::~TabGuitarLoadSaveView() {
    if (saveTextField_ && saveTextField_->isEditing()) {
        saveTextField_->setDelegate(nullptr);
        saveTextField_->resignFirstResponder();
    }
}

void TabGuitarLoadSaveView::build() {
    // The frames around the name field and the list.
    saveBox_ = std::make_unique<View>(Rect{242, 90, 30, 256});
    saveBox_->setBackgroundColor(Color::fromFloats(1, 1, 1, 0.15f));
    saveBox_->setUserInteractionEnabled(false);
    addSubview(saveBox_.get());
    loadBox_ = std::make_unique<View>(Rect{104, kListTop - 2, 136, kListBottom - kListTop + 4});
    // Pale paper under the list, as on the recorder, for dark writing.
    loadBox_->setBackgroundColor(Color{238, 230, 210, 255});
    loadBox_->setUserInteractionEnabled(false);
    addSubview(loadBox_.get());

    saveTextField_ = std::make_unique<TextField>(Rect{257 - 120, 218 - 14, 240, 28});
    saveTextField_->setRotation(kQuarterTurn);
    saveTextField_->setFont(Font{"Helvetica", 15, false});
    saveTextField_->setPlaceholder(kPlaceholder);
    saveTextField_->setBorderStyle(TextField::BorderStyle::Line);
    saveTextField_->setClearButtonMode(TextField::ClearButtonMode::WhileEditing);
    saveTextField_->setBackgroundColor(Color::white());
    // Leaves room for ".TAB" and the save's temporary suffix within the file
    // system's 255-byte names.
    saveTextField_->setMaxLength(200);
    saveTextField_->setDelegate(this);
    addSubview(saveTextField_.get());

    for (int row = 0; row < kVisibleRows; ++row) {
        loadLabel_[row] = sidewaysLabel({kRowCentreX[row], (kListTop + kListBottom) / 2},
                                        kListBottom - kListTop - 2, kRowThickness[row], 15);
        loadLabel_[row]->setTextAlignment(TextAlignment::Left);
        addSubview(loadLabel_[row].get());
    }

    upArrow_ = picture("LoadUpArrow.png", {230, 361});
    upArrow_->setAlpha(0.9f);
    addSubview(upArrow_.get());
    downArrow_ = picture("LoadUpArrow.png", {119, 361});
    downArrow_->setRotation(kHalfTurn);
    downArrow_->setAlpha(0.9f);
    addSubview(downArrow_.get());

    saveButton_ = picture("SaveIcon.png", {285, 418.5f});
    loadButton_ = picture("LoadIcon.png", {220, 418.5f});
    deleteButton_ = picture("EraseIcon.png", {119, 418.5f});
    addSubview(saveButton_.get());
    addSubview(loadButton_.get());
    addSubview(deleteButton_.get());

    // Glass over the list, drawn above the rows.
    shineBottom_ = picture("StepGuitarSetupEntryTabShine.png", {0, 0});
    shineBottom_->setFrame(loadBox_->frame());
    addSubview(shineBottom_.get());

    // The message box, above the controls.
    messageBoxBackground_ = picture("MessageBox.png", {180, 240}, {0, 0, 220, 340});
    addSubview(messageBoxBackground_.get());
    messageBoxText_ = sidewaysLabel({235, 240}, 310, 100, 20);
    messageBoxText_->setNumberOfLines(0);
    messageBoxText_->setTextColor(Color::black());
    addSubview(messageBoxText_.get());
    OKLabel_ = picture("MessageBoxOKButton.png", kOKCentre, {0, 0, 54, 96});
    addSubview(OKLabel_.get());
    cancelLabel_ = picture("MessageBoxCancelButton.png", kCancelCentre, {0, 0, 54, 96});
    addSubview(cancelLabel_.get());

    // The plectrum menu, above everything.
    greyout_ = std::make_unique<View>(Rect{0, 0, 320, 480});
    greyout_->setBackgroundColor(Color::black());
    greyout_->setAlpha(0);
    greyout_->setUserInteractionEnabled(false);
    addSubview(greyout_.get());

    topBar_ = std::make_unique<View>(Rect{0, 0, 1, 480});
    topBar_->setUserInteractionEnabled(false);
    topBar_->setCenter(kTopBarHidden);
    topMenuBar_ = picture("TopMenu.png", {298, 240}, {0, 0, 46, 480});
    topMenuBar_->setBounds({0, 0, 46, 480});
    topMenuBar_->setCenter({298, 240});
    playTabMenu_ = picture("MenuPlayTab.png", {220, 176.5f}, {0, 0, 92, 108});
    enterTabMenu_ = picture("MenuEnterTab.png", {220, 305.5f}, {0, 0, 92, 108});
    addSubview(topBar_.get());
    topBar_->addSubview(topMenuBar_.get());
    topBar_->addSubview(playTabMenu_.get());
    topBar_->addSubview(enterTabMenu_.get());

    plectrum_ = picture("PlectrumMenu.png", {26, 22.5f}, {0, 0, 48, 44});
    addSubview(plectrum_.get());
}

void TabGuitarLoadSaveView::redraw() {
    redrawMessageBox();
    // The rows and arrows are kept up to date under a box too (they are
    // hidden then), so that closing the box shows them right.
    const int count = static_cast<int>(songNames_.size());
    upArrow_->setAlpha(displayListStartIndex_ >= 1 ? 0.9f : 0.0f);
    downArrow_->setAlpha(displayListStartIndex_ + kVisibleRows < count ? 0.9f : 0.0f);
    for (int row = 0; row < kVisibleRows; ++row) {
        Label& label = *loadLabel_[row];
        const int index = displayListStartIndex_ + row;
        if (count == 0 && row == 0)
            label.setText(kNoTabsText); // an empty list says so rather than showing a blank box
        else
            label.setText(index >= 0 && index < count ? songNames_[static_cast<size_t>(index)]
                                                      : std::string());
        if (row == currentlySelected_) {
            label.setBackgroundColor(selectedRowBackground());
            label.setTextColor(selectedRowText());
        } else {
            label.setBackgroundColor(Color::clear());
            label.setTextColor(rowText());
        }
    }
}

void TabGuitarLoadSaveView::redrawMessageBox() {
    const bool box = showingMessageBox_;
    messageBoxBackground_->setHidden(!box);
    messageBoxText_->setHidden(!box);
    OKLabel_->setHidden(!box);
    cancelLabel_->setHidden(!box || optionChosen_ == kNotice);
    OKLabel_->setCenter(optionChosen_ == kNotice ? kOKAloneCentre : kOKCentre);

    // Load and erase need a tab chosen in the list; without one they are
    // dimmed, as they do nothing.
    const int selected = displayListStartIndex_ + currentlySelected_;
    const bool chosen =
        currentlySelected_ >= 0 && selected >= 0 && selected < static_cast<int>(songNames_.size());
    for (ImageView* button : {saveButton_.get(), loadButton_.get(), deleteButton_.get()}) {
        button->setHidden(box);
        button->setAlpha(button == saveButton_.get() || chosen ? 1.0f : kDisabledButtonAlpha);
    }
    for (View* view : {static_cast<View*>(saveBox_.get()), static_cast<View*>(loadBox_.get()),
                       static_cast<View*>(saveTextField_.get())}) {
        view->setHidden(box);
        view->setAlpha(1);
    }
    for (auto& label : loadLabel_) {
        label->setHidden(box);
        label->setAlpha(1);
    }
    upArrow_->setHidden(box);
    downArrow_->setHidden(box);
    if (!box) {
        upArrow_->setAlpha(1);
        downArrow_->setAlpha(1);
    }
}

void TabGuitarLoadSaveView::redrawOnPlectrumPress(bool animated) {
    // The name field must not take the touches meant for the menu over it.
    saveTextField_->setUserInteractionEnabled(!menuShowing_);
    if (menuShowing_)
        saveTextField_->resignFirstResponder();
    if (animated) {
        View::beginAnimations("MENU");
        View::setAnimationDuration(kMenuSlideSeconds);
    }
    topBar_->setCenter(menuShowing_ ? kTopBarShown : kTopBarHidden);
    greyout_->setAlpha(menuShowing_ ? kGreyoutShownAlpha : 0.0f);
    if (animated)
        View::commitAnimations();
}

void TabGuitarLoadSaveView::touchesBegan(const TouchSet& touches) {
    processTouches(touches);
}
void TabGuitarLoadSaveView::touchesMoved(const TouchSet& touches) {
    processTouches(touches);
}
void TabGuitarLoadSaveView::touchesEnded(const TouchSet& touches) {
    processTouches(touches);
}
void TabGuitarLoadSaveView::touchesCancelled(const TouchSet& touches) {
    processTouches(touches);
}

void TabGuitarLoadSaveView::processTouches(const TouchSet& touches) {
    for (const Touch& touch : touches) {
        // Checked per touch: a touch may open or close the menu.
        const bool menu = menuShowing_;
        switch (touch.phase) {
        case TouchPhase::Began:
            if (menu)
                fingerDownMenu(touch.location);
            else
                fingerDown(touch.location);
            break;
        case TouchPhase::Moved:
            if (menu)
                fingerMoveMenu(touch.location, touch.previousLocation);
            else
                fingerMove(touch.location, touch.previousLocation);
            break;
        case TouchPhase::Ended:
        case TouchPhase::Cancelled:
            if (menu)
                fingerUpMenu(touch.location);
            else
                fingerUp(touch.location);
            break;
        case TouchPhase::Stationary:
            break;
        }
    }
}

void TabGuitarLoadSaveView::fingerDown(Point p) {
    const int count = static_cast<int>(songNames_.size());
    const int selected = displayListStartIndex_ + currentlySelected_;
    switch (actionForPoint(p, showingMessageBox_)) {
    case Action::None:
        return;
    case Action::Plectrum:
        menuShowing_ = true;
        redrawOnPlectrumPress(true);
        return;
    case Action::Load:
        // A selection past the list's end (never expected) must not be read.
        if (currentlySelected_ >= 0 && selected >= 0 && selected < count)
            showBox(kLoadTab, reallyLoadText(songNames_[static_cast<size_t>(selected)]));
        break;
    case Action::Erase:
        if (currentlySelected_ >= 0 && selected >= 0 && selected < count)
            showBox(kEraseTabFile, reallyEraseText(songNames_[static_cast<size_t>(selected)]));
        break;
    case Action::ScrollToStart:
        if (displayListStartIndex_ >= 1) {
            --displayListStartIndex_;
            currentlySelected_ = std::min(currentlySelected_ + 1, kVisibleRows - 1);
        }
        break;
    case Action::ScrollToEnd:
        if (displayListStartIndex_ + kVisibleRows < count) {
            ++displayListStartIndex_;
            currentlySelected_ = std::max(currentlySelected_ - 1, 0);
        }
        break;
    case Action::Save:
        pressSave();
        break;
    case Action::List:
        selectRowAt(p);
        break;
    case Action::OK:
        pressOK();
        break;
    case Action::Cancel:
        closeBox();
        break;
    }
    redraw();
}

void TabGuitarLoadSaveView::fingerMove(Point p, Point) {
    if (showingMessageBox_)
        return;
    if (actionForPoint(p, false) == Action::List) {
        selectRowAt(p);
        redraw();
    }
}

void TabGuitarLoadSaveView::fingerDownMenu(Point p) {
    const MenuAction action = menuActionForPoint(p);
    if (action == MenuAction::None)
        return;
    menuShowing_ = false;
    if (action == MenuAction::ClosePlectrum) {
        redrawOnPlectrumPress(true);
        return;
    }
    redrawOnPlectrumPress(false);
    goToScreen(screenForMenuAction(action));
}

void TabGuitarLoadSaveView::goToScreen(int screenNo) {
    if (parent_ && screenNo > 0)
        parent_->transitionToView(screenNo, this, true);
}

void TabGuitarLoadSaveView::selectRowAt(Point p) {
    const int row = listRowForPoint(p);
    if (row < 0)
        return;
    if (displayListStartIndex_ + row < static_cast<int>(songNames_.size()))
        currentlySelected_ = row;
}

void TabGuitarLoadSaveView::showBox(int32_t option, const std::string& text) {
    saveTextField_->resignFirstResponder();
    showingMessageBox_ = true;
    optionChosen_ = option;
    setBoxText(*messageBoxText_, text);
}

void TabGuitarLoadSaveView::closeBox() {
    showingMessageBox_ = false;
    optionChosen_ = kNoOption;
}

void TabGuitarLoadSaveView::pressSave() {
    // Ending the editing makes the field's text safe as well.
    saveTextField_->resignFirstResponder();
    const std::string name = makeFileSafe(saveTextField_->text());
    saveTextField_->setText(name);
    if (name.empty()) {
        showBox(kSaveUnnamed, kSaveUnnamedText);
        return;
    }
    if (library_.tabExists(name)) {
        showBox(kOverwrite, kOverwriteText);
        return;
    }
    save(TabLibrary::tabFileName(name));
}

void TabGuitarLoadSaveView::pressOK() {
    const std::string typed = makeFileSafe(saveTextField_->text());
    const std::string name = typed.empty() ? std::string(kDefaultTabName) : typed;
    switch (optionChosen_) {
    case kSaveUnnamed:
        if (library_.tabExists(name)) {
            showBox(kOverwrite, kOverwriteText);
            return;
        }
        closeBox();
        save(TabLibrary::tabFileName(name));
        return;
    case kOverwrite:
        closeBox();
        save(TabLibrary::tabFileName(name));
        return;
    case kLoadTab:
        closeBox();
        songNumberToLoad_ = displayListStartIndex_ + currentlySelected_;
        load();
        return;
    case kEraseTabFile:
        closeBox();
        erase(displayListStartIndex_ + currentlySelected_);
        return;
    default:
        break;
    }
    closeBox();
}

void TabGuitarLoadSaveView::save(const std::string& fileName) {
    const bool saved = fileManager_ && fileManager_->saveTab(fileName);
    loadSongNames();
    showBox(kNotice, saved ? kTabSavedText : kSaveFailedText);
    if (!saved) {
        clampSelection();
        redraw();
        return;
    }
    // Show the list's end, then make sure the tab just saved is the one
    // selected (the list is in name order, so it is not always the last).
    const int count = static_cast<int>(songNames_.size());
    displayListStartIndex_ = std::max(0, count - kVisibleRows);
    currentlySelected_ = count - displayListStartIndex_ - 1;
    const std::string name = TabLibrary::tabNameOfFile(fileName);
    if (!name.empty())
        selectName(name);
    redraw();
}

void TabGuitarLoadSaveView::selectName(const std::string& name) {
    const auto found = std::find(songNames_.begin(), songNames_.end(), name);
    if (found == songNames_.end())
        return;
    const int index = static_cast<int>(found - songNames_.begin());
    if (index < displayListStartIndex_)
        displayListStartIndex_ = index;
    else if (index >= displayListStartIndex_ + kVisibleRows)
        displayListStartIndex_ = index - kVisibleRows + 1;
    currentlySelected_ = index - displayListStartIndex_;
}

void TabGuitarLoadSaveView::load() {
    const int count = static_cast<int>(songNames_.size());
    std::string outcome = kLoadMissingText;
    if (isTextTab(songNumberToLoad_)) {
        const std::string& listed = songNames_[static_cast<size_t>(songNumberToLoad_)];
        outcome = importTextTab(listed.substr(0, listed.size() - std::string(kTextTabExtension).size()));
    } else if (songNumberToLoad_ >= 0 && songNumberToLoad_ < count) {
        const std::string name = songNames_[static_cast<size_t>(songNumberToLoad_)];
        const std::string fileName = TabLibrary::tabFileName(name);
        if (!library_.tabExists(name) || !fileManager_) {
            // Gone since the list was read: the tab in memory stays.
            loadSongNames();
            clampSelection();
        } else if (!tabFileReadable(library_.documentsFolder(), fileName)) {
            // Damaged: the tab in memory stays too.
            outcome = kLoadDamagedText;
        } else if (fileManager_->loadTab(fileName)) {
            outcome = kTabLoadedText;
            saveTextField_->setText(name);
        } else {
            outcome = kLoadDamagedText;
        }
    }
    showBox(kNotice, outcome);
    redraw();
}

void TabGuitarLoadSaveView::erase(int index) {
    const int count = static_cast<int>(songNames_.size());
    if (index < 0 || index >= count)
        return;
    const std::string& listed = songNames_[static_cast<size_t>(index)];
    const bool erased =
        isTextTab(index)
            ? textLibrary_.erase(listed.substr(0, listed.size() - std::string(kTextTabExtension).size()))
            : library_.eraseTab(listed);
    showBox(kNotice, erased ? kTabErasedText : kEraseFailedText);
    loadSongNames();
    if (erased) {
        if (!songNames_.empty()) {
            --currentlySelected_;
            if (currentlySelected_ < 0) {
                currentlySelected_ = 0;
                displayListStartIndex_ = std::max(0, displayListStartIndex_ - 1);
            }
        } else {
            currentlySelected_ = -1;
            displayListStartIndex_ = 0;
        }
    }
    clampSelection();
    redraw();
}

void TabGuitarLoadSaveView::clampSelection() {
    const int count = static_cast<int>(songNames_.size());
    if (count == 0) {
        currentlySelected_ = -1;
        displayListStartIndex_ = 0;
        return;
    }
    displayListStartIndex_ = std::clamp(displayListStartIndex_, 0, count - 1);
    if (currentlySelected_ >= 0 && displayListStartIndex_ + currentlySelected_ >= count)
        currentlySelected_ = count - 1 - displayListStartIndex_;
}

int TabGuitarLoadSaveView::copyDemoSongs() {
    return library_.copyDemoTabs();
}

void TabGuitarLoadSaveView::loadSongNames() {
    std::vector<std::pair<std::string, bool>> entries;
    for (std::string& name : library_.tabNames())
        entries.emplace_back(std::move(name), false);
    // The application keeps its own settings beside the user's files, in
    // text too (the app's AppSettings file): that one is not a tab.
    static constexpr const char* kAppSettingsFile = "AppSettings.txt";
    for (const std::string& name : textLibrary_.names())
        if (name + kTextTabExtension != kAppSettingsFile)
            entries.emplace_back(name + kTextTabExtension, true);
    std::sort(entries.begin(), entries.end());
    songNames_.clear();
    textTab_.clear();
    for (auto& [name, text] : entries) {
        songNames_.push_back(std::move(name));
        textTab_.push_back(text);
    }
}

bool TabGuitarLoadSaveView::isTextTab(int index) const {
    return index >= 0 && index < static_cast<int>(textTab_.size()) && textTab_[static_cast<size_t>(index)];
}

std::string TabGuitarLoadSaveView::importTextTab(const std::string& name) {
    const std::string fileName = name + kTextTabExtension;
    std::vector<uint8_t> bytes;
    bool readable = fileManager_ && textLibrary_.exists(name);
    if (readable) {
        try {
            bytes = fileManager_->loadDataFile(textLibrary_.path(name));
        } catch (const std::exception&) {
            readable = false;
        }
    }
    if (!readable) {
        // Gone since the list was read: the tab in memory stays.
        loadSongNames();
        clampSelection();
        return kLoadMissingText;
    }
    const TabTextImport::Result result = TabTextImport::read(bytes.data(), bytes.size());
    if (!result.ok)
        return importFailedText(result.error);
    // Built aside and handed over as a tab file's bytes, so the application's
    // tab changes only through the file manager, as for any tab loaded.
    Tab imported;
    TabTextImport::apply(result, imported);
    const std::vector<uint8_t> tabBytes = FileManager(&imported, nullptr, nullptr, {}).createTabSaveBuffer();
    if (!fileManager_->loadTabFromBuffer(tabBytes.data(), tabBytes.size()))
        return importFailedText("the tab could not be taken in");
    saveTextField_->setText(makeFileSafe(name));
    return importedText(fileName, result.warnings);
}

bool TabGuitarLoadSaveView::textFieldShouldReturn(TextField& field) {
    field.resignFirstResponder();
    return true;
}

void TabGuitarLoadSaveView::textFieldDidEndEditing(TextField& field) {
    field.setText(makeFileSafe(field.text()));
}
