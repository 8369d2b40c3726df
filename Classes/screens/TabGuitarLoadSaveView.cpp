#include "screens/TabGuitarLoadSaveView.h"

#include <algorithm>
#include <exception>
#include <sstream>
#include <utility>

#include "screens/ScreenParts.h"
#include "screens/TrackChooser.h"
#include "song/Tab.h"
#include "storage/FileManager.h"
#include "storage/TabTextImport.h"
#include "toolkit/ImageView.h"
#include "ui/ScreenHost.h"

namespace {

using MenuAction = TabGuitarLoadSaveView::MenuAction;

constexpr float kListTop = 93;
constexpr float kListBottom = 343;

// The tab list, with the scroll arrows reaching into its bottom end, and the
// buttons under it. Under a box the controls are hidden.
const LibraryBrowser::Layout kLayout{
    .field = {257 - 120, 218 - 14, 240, 28},
    .list = {kListTop,
             kListBottom,
             {239, 212, 185, 158, 132, 105},
             {225.5f, 198.5f, 171.5f, 145, 118.5f},
             {26, 26, 26, 25, 26}},
    // The arrows; save, load and erase; the box with OK and Cancel.
    .parts = {{230, 361},
              {119, 361},
              {285, 418.5f},
              {220, 418.5f},
              {119, 418.5f},
              {180, 240},
              {153, 192.5f},
              {153, 316}},
    .boxText = {235, 240},
    .loneButton = {153, 260.5f},
    // Load, erase, save, the arrows, (nothing cut from save), OK and Cancel.
    .areas = {{191, 387, 58, 63},
              {85, 387, 68, 63},
              {250, 387, 70, 63},
              {210, 339, 40, 44},
              {87, 339, 64, 44},
              {},
              {126, 137, 54, 111},
              {126, 248, 54, 136}},
    .hideButtonsUnderBox = true,
};

constexpr HitArea<MenuAction> kPlectrumAreas[] = {{{0, 0, 52, 45}, MenuAction::ClosePlectrum}};

// The bar's buttons down the right edge, each range taking what the ones
// before it left, and the two tab faces beside it.
constexpr HitArea<MenuAction> kMenuAreas[] = {
    {{0, 0, 52, 45}, MenuAction::ClosePlectrum},        {{271, 0, 49, 60}, MenuAction::MainMenu},
    {{271, 60, 49, 94}, MenuAction::ChooseGuitar},      {{271, 154, 49, 86}, MenuAction::EffectsSetup},
    {{271, 240, 49, 88}, MenuAction::GuitarPatchSetup}, {{271, 328, 49, 91}, MenuAction::Recorder},
    {{271, 419, 49, 61}, MenuAction::Manual},           {{113, 113, 158, 127}, MenuAction::PlayTab},
    {{113, 240, 158, 131}, MenuAction::EnterTab},
};

// The menu bar's container is a line one point wide: its children stand to
// its right, so that moving it slides them all in or out together.
constexpr Point kTopBarShown{0, 240};
constexpr Point kTopBarHidden{150, 240};
constexpr float kGreyoutShownAlpha = 0.8f;
constexpr double kMenuSlideSeconds = 0.2;

std::string importFailedText(const std::string& error) {
    return "Tab not imported.\n" + error;
}

std::string documentsFolderOf(ScreenHost* parent, FileManager* fileManager) {
    if (fileManager)
        return fileManager->documentsFolder();
    return parent ? parent->documentsFolder() : std::string();
}

// Why `fileName` holds no tab the file manager can read (empty when it
// does), found without touching the application's tab: a damaged file must
// not cost the user the tab in memory.
std::string tabFileFailure(const std::string& folder, const std::string& fileName) {
    Tab scratch;
    FileManager reader(&scratch, nullptr, nullptr, folder);
    std::ostringstream quiet;
    reader.setDiagnosticStream(quiet);
    return reader.loadTab(fileName) ? std::string() : reader.lastFailure();
}

} // namespace

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

std::span<const HitArea<MenuAction>> TabGuitarLoadSaveView::plectrumAreas() {
    return kPlectrumAreas;
}
std::span<const HitArea<MenuAction>> TabGuitarLoadSaveView::menuAreas() {
    return kMenuAreas;
}

int TabGuitarLoadSaveView::screenForMenuAction(MenuAction action) {
    // In the order of MenuAction; closing the menu leads nowhere.
    static constexpr int kScreens[] = {-1,
                                       ScreenHost::kMainMenu,
                                       ScreenHost::kChooseGuitar,
                                       ScreenHost::kEffectsSetupMenu,
                                       ScreenHost::kGuitarPatchMenu,
                                       ScreenHost::kRecorder,
                                       ScreenHost::kManual,
                                       ScreenHost::kTabGuitar,
                                       ScreenHost::kTabGuitarSetup};
    return kScreens[static_cast<int>(action)];
}

TabGuitarLoadSaveView::TabGuitarLoadSaveView(ScreenHost* parent, SoundEngine* engine,
                                             FileManager* fileManager)
    : TabGuitarLoadSaveView(parent, engine, fileManager, parent ? parent->bundleFolder() : std::string()) {}

TabGuitarLoadSaveView::TabGuitarLoadSaveView(ScreenHost* parent, SoundEngine* engine,
                                             FileManager* fileManager, const std::string& bundleFolder)
    : LibraryScreen(parent, "TabLibraryBack.png", LibraryKind::kTabs, kLayout,
                    documentsFolderOf(parent, fileManager), bundleFolder),
      soundEngine_(engine), fileManager_(fileManager),
      textLibrary_(documentsFolderOf(parent, fileManager), std::string(), kTextTabExtension) {
    (void)soundEngine_; // kept for the screen's owner; a tab needs no sound
    build();
    showMenu(false, false);
    start();
}

TabGuitarLoadSaveView::~TabGuitarLoadSaveView() {
    popModal(menu_);
}

void TabGuitarLoadSaveView::build() {
    // The frames around the name field and the list, under them: pale
    // paper under the list, as on the recorder, for dark writing.
    View& panel = browser().panel();
    const Rect frames[] = {{242, 90, 30, 256}, {104, kListTop - 2, 136, kListBottom - kListTop + 4}};
    const Color paper[] = {Color::fromFloats(1, 1, 1, 0.15f), Color{238, 230, 210, 255}};
    for (size_t i = 0; i < std::size(frames_); ++i) {
        frames_[i] = std::make_unique<View>(frames[i]);
        frames_[i]->setBackgroundColor(paper[i]);
        frames_[i]->setUserInteractionEnabled(false);
        panel.insertSubview(frames_[i].get(), i);
    }

    // Glass over the list, drawn above the rows and under the box.
    shineBottom_ = picture("StepGuitarSetupEntryTabShine.png", {0, 0});
    shineBottom_->setFrame(frames_[1]->frame());
    insertSubviewBelow(shineBottom_.get(), &browser().part(LibraryBrowser::kBox));

    // The plectrum menu, above everything.
    greyout_ = std::make_unique<View>(Rect{0, 0, 320, 480});
    greyout_->setBackgroundColor(Color::black());
    greyout_->setAlpha(0);
    greyout_->setUserInteractionEnabled(false);
    addSubview(greyout_.get());

    topBar_ = std::make_unique<View>(Rect{0, 0, 1, 480});
    topBar_->setUserInteractionEnabled(false);
    topBar_->setCenter(kTopBarHidden);
    menuPictures_[0] = picture("TopMenu.png", {298, 240}, {0, 0, 46, 480});
    menuPictures_[0]->setBounds({0, 0, 46, 480});
    menuPictures_[0]->setCenter({298, 240});
    menuPictures_[1] = picture("MenuPlayTab.png", {220, 176.5f}, {0, 0, 92, 108});
    menuPictures_[2] = picture("MenuEnterTab.png", {220, 305.5f}, {0, 0, 92, 108});
    addSubview(topBar_.get());
    for (auto& menuPicture : menuPictures_)
        topBar_->addSubview(menuPicture.get());

    plectrum_ = picture("PlectrumMenu.png", {26, 22.5f}, {0, 0, 48, 44});
    addSubview(plectrum_.get());
}

void TabGuitarLoadSaveView::redraw() {
    browser().redraw();
}

void TabGuitarLoadSaveView::showMenu(bool show, bool animated) {
    if (show)
        pushModal(menu_);
    else
        popModal(menu_);
    // The name field must not take the touches meant for the menu over it.
    TextField& field = browser().nameField();
    field.setUserInteractionEnabled(!show);
    if (show)
        field.resignFirstResponder();
    if (animated) {
        View::beginAnimations("MENU");
        View::setAnimationDuration(kMenuSlideSeconds);
    }
    topBar_->setCenter(show ? kTopBarShown : kTopBarHidden);
    greyout_->setAlpha(show ? kGreyoutShownAlpha : 0.0f);
    if (animated)
        View::commitAnimations();
}

bool TabGuitarLoadSaveView::ownFingerDown(Point p) {
    if (!hitAction<MenuAction>(kPlectrumAreas, p))
        return false;
    showMenu(true, true);
    return true;
}

void TabGuitarLoadSaveView::menuFingerDown(Point p) {
    const auto action = hitAction<MenuAction>(kMenuAreas, p);
    if (!action)
        return;
    if (*action == MenuAction::ClosePlectrum) {
        showMenu(false, true);
        return;
    }
    showMenu(false, false);
    goToScreen(screenForMenuAction(*action));
}

void TabGuitarLoadSaveView::goToScreen(int screenNo) {
    if (parent() && screenNo > 0)
        parent()->transitionToView(screenNo, this, true);
}

std::vector<std::string> TabGuitarLoadSaveView::listNames() {
    std::vector<std::pair<std::string, Entry>> entries;
    for (std::string& name : browser().folder().names())
        entries.emplace_back(std::move(name), Entry::Tab);
    // The application keeps its own settings beside the user's files, in
    // text too (the app's AppSettings file): that one is not a tab.
    static constexpr const char* kAppSettingsFile = "AppSettings.txt";
    for (const std::string& name : textLibrary_.names())
        if (name + kTextTabExtension != kAppSettingsFile)
            entries.emplace_back(name + kTextTabExtension, Entry::Text);
    for (std::string& name : scores_.files(browser().folder()))
        entries.emplace_back(std::move(name), Entry::Score);
    std::sort(entries.begin(), entries.end());
    std::vector<std::string> names;
    entries_.clear();
    for (auto& [name, entry] : entries) {
        names.push_back(std::move(name));
        entries_.push_back(entry);
    }
    return names;
}

bool TabGuitarLoadSaveView::isTextTab(int index) const {
    return index >= 0 && index < static_cast<int>(entries_.size()) &&
           entries_[static_cast<size_t>(index)] == Entry::Text;
}

bool TabGuitarLoadSaveView::isScoreFile(int index) const {
    return index >= 0 && index < static_cast<int>(entries_.size()) &&
           entries_[static_cast<size_t>(index)] == Entry::Score;
}

std::string TabGuitarLoadSaveView::textTabName(int index) const {
    const std::string& listed = browser().names()[static_cast<size_t>(index)];
    return listed.substr(0, listed.size() - std::string(kTextTabExtension).size());
}

bool TabGuitarLoadSaveView::saveFile(const std::string& fileName) {
    return fileManager_ && fileManager_->saveTab(fileName);
}

bool TabGuitarLoadSaveView::eraseEntry(int index) {
    if (isTextTab(index))
        return textLibrary_.erase(textTabName(index));
    if (isScoreFile(index))
        return LibraryImport::erase(browser().folder(), browser().names()[static_cast<size_t>(index)]);
    return browser().folder().erase(browser().names()[static_cast<size_t>(index)]);
}

void TabGuitarLoadSaveView::startLoad(int index) {
    LibraryBrowser& b = browser();
    b.closeBox();
    std::string outcome = b.kind().loadMissingText();
    if (isScoreFile(index)) {
        importScore(b.names()[static_cast<size_t>(index)]);
        return;
    }
    if (isTextTab(index))
        outcome = importTextTab(textTabName(index));
    else if (index >= 0 && index < static_cast<int>(b.names().size()))
        outcome = loadTabFile(b.names()[static_cast<size_t>(index)]);
    b.showNotice(outcome);
    redraw();
}

std::string TabGuitarLoadSaveView::loadTabFile(const std::string& name) {
    LibraryBrowser& b = browser();
    const std::string fileName = b.folder().fileName(name);
    if (!b.folder().exists(name) || !fileManager_) {
        // Gone since the list was read: the tab in memory stays.
        b.loadNames();
        return b.kind().loadMissingText();
    }
    // Damaged: the tab in memory stays too, and the notice names the file and why.
    if (const std::string failure = tabFileFailure(b.folder().documentsFolder(), fileName); !failure.empty())
        return b.kind().loadRefusedText(fileName, failure);
    if (!fileManager_->loadTab(fileName))
        return b.kind().loadRefusedText(fileName, fileManager_->lastFailure());
    b.nameField().setText(name);
    return b.kind().loadedText(name);
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
        browser().loadNames();
        return browser().kind().loadMissingText();
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
    browser().nameField().setText(LibraryFolder::makeFileSafe(name));
    return importedText(fileName, result.warnings);
}

void TabGuitarLoadSaveView::importScore(const std::string& fileName) {
    // A file that cannot be read changes nothing: no file, the same tab.
    if (const std::string failure = scores_.open(browser().folder(), fileName); !failure.empty()) {
        browser().showNotice(failure);
        redraw();
        return;
    }
    if (scores_.tracks().size() == 1) {
        importTrack(scores_.tracks()[0]);
        return;
    }
    chooser().show(scores_.question(), scores_.choices(), [this](int choice) {
        if (choice >= 0)
            importTrack(scores_.tracks()[static_cast<size_t>(choice)]);
        redraw();
    });
    redraw();
}

void TabGuitarLoadSaveView::importTrack(size_t track) {
    LibraryBrowser& b = browser();
    const LibraryImport::Saved saved = scores_.save(b.folder(), {track});
    if (saved.ok && fileManager_ && fileManager_->loadTabFromBuffer(saved.file.data(), saved.file.size())) {
        b.loadNames();
        b.selectName(saved.name);
        b.nameField().setText(saved.name);
    }
    b.showNotice(saved.text);
    redraw();
}
