#include "screens/RecorderView.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>

#include "platform/Label.h"
#include "platform/MessageBoxKeys.h"
#include "platform/core/MainThreadQueue.h"
#include "recorder/Recorder.h"
#include "screens/BoxText.h"
#include "storage/FileManager.h"
#include "storage/MidiExport.h"
#include "storage/SongRenderJob.h"
#include "ui/ScreenHost.h"

namespace {

constexpr float kHalfTurn = 3.14159265359f;

// The light sockets beside the two mode buttons.
constexpr Point kModifyLight{239, 18};
constexpr Point kLoadSaveLight{181, 18};

// Row centres of the song list (x) and its extent along y.
// The rows are evenly spaced, each inside the band a touch finds it in.
constexpr float kRowCentreX[RecorderView::kVisibleRows] = {208.5f, 180.125f, 151.75f, 123.375f, 95};
constexpr float kListTop = 109;
// A file button where it does nothing (Modify mode, under a message box).
constexpr float kDisabledButtonAlpha = 0.3f;
constexpr float kListBottom = 351;

// The two export buttons share the free socket between load and erase:
// WAV above, MIDI below, split at kExportSplitX.
constexpr float kExportSplitX = 155;
// How often the box follows a running render.
constexpr double kExportPollSeconds = 0.1;
// The box's OK for a notice, and Cancel alone while a render runs.
constexpr Point kLoneButtonCentre{129.5f, 273};
constexpr Point kCancelCentre{129.5f, 339.5f};

Color selectedRowBackground() {
    return Color{40, 44, 42, 255};
}
Color selectedRowText() {
    return Color{206, 238, 196, 255}; // reads clearly on the dark selection, under the glass too
}
Color rowText() {
    return Color::fromFloats(0, 0, 0, 0.9f);
}
// The small export buttons, in the colours of the mode buttons.
Color exportButtonBackground() {
    return Color{34, 34, 36, 255};
}
Color exportButtonText() {
    return Color{196, 160, 92, 255};
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

std::unique_ptr<ImageView> picture(const char* name, Point centre) {
    auto view = std::make_unique<ImageView>(name);
    if (view->bounds().isEmpty())
        view->setBounds({0, 0, 40, 40}); // picture missing: keep a sensible size
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

} // namespace

std::string RecorderView::reallyLoadText(const std::string& name) {
    return "Really load '" + name + "'?";
}

std::string RecorderView::reallyEraseText(const std::string& name) {
    return "Really erase '" + name + "'?";
}

std::string RecorderView::exportOverwriteText(const std::string& fileName) {
    return "'" + fileName + "' already exists.\nOverwrite it?";
}

std::string RecorderView::exportingText(const std::string& fileName, int percent) {
    return "Exporting '" + fileName + "'...\n" + std::to_string(percent) + "%";
}

std::string RecorderView::exportedText(const std::string& fileName) {
    return "Song exported as '" + fileName + "'.";
}

std::string RecorderView::exportFailedText(const std::string& reason) {
    std::string text = reason.empty() ? std::string("Unknown failure") : reason;
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (text.back() != '.')
        text += '.';
    return "Song not exported.\n" + text;
}

RecorderView::Action RecorderView::actionForPoint(Point p, bool loadSaveMode, bool showingMessageBox) {
    const float x = p.x;
    const float y = p.y;
    if (showingMessageBox) {
        if (x <= 104)
            return Action::None;
        if (x > 104 && x < 155 && y > 141 && y < 274)
            return Action::OK;
        if (x > 104 && x < 155 && y > 274 && y < 405)
            return Action::Cancel;
        return Action::None;
    }
    if (x > 271 && y < 60)
        return Action::Back;
    if (x > 271 && y > 420)
        return Action::Help;
    if (x > 150 && x < 212 && y > 11 && y < 89)
        return Action::LoadSaveMode;
    if (x > 212 && x < 265 && y > 11 && y < 89)
        return Action::ModifyMode;
    if (loadSaveMode) {
        if (x > 177 && x < 230 && y > 386 && y < 437)
            return Action::Load;
        if (x > 68 && x < 133 && y > 386 && y < 437)
            return Action::Erase;
        if (x > 230 && x < 289 && y > 386 && y < 437)
            return Action::Save;
        if (x > kExportSplitX && x < 177 && y > 386 && y < 437)
            return Action::ExportWav;
        if (x > 133 && x < kExportSplitX && y > 386 && y < 437)
            return Action::ExportMidi;
        if (x > 185 && x < 228 && y > 339 && y < 383)
            return Action::ScrollToStart;
        if (x > 71 && x < 116 && y > 339 && y < 383)
            return Action::ScrollToEnd;
        if (x > 80 && x < 225 && y > kListTop && y < kListBottom)
            return Action::List;
        return Action::None;
    }
    if (y > 147 && y < 389) {
        if (x > 236 && x < 278)
            return Action::EraseLastTrack;
        if (x > 196 && x < 236)
            return Action::EraseLastNote;
        if (x > 157 && x < 196)
            return Action::EraseWahChanges;
        if (x > 116 && x < 157)
            return Action::EraseWhammyChanges;
        if (x > 77 && x < 116)
            return Action::EraseSong;
    }
    return Action::None;
}

int RecorderView::listRowForPoint(Point p) {
    const float x = p.x;
    if (!(x > 80 && x < 225 && p.y > kListTop && p.y < kListBottom))
        return -1;
    if (x > 192)
        return 0;
    if (x > 165 && x < 192)
        return 1;
    if (x > 140 && x < 165)
        return 2;
    if (x > 110 && x < 140)
        return 3;
    if (x < 110)
        return 4;
    return -1;
}

RecorderView::RecorderView(ScreenHost* parent, SoundEngine* engine, FileManager* fileManager,
                           Recorder* recorder)
    : RecorderView(parent, engine, fileManager, recorder, bundleFolderOf(parent)) {}

RecorderView::RecorderView(ScreenHost* parent, SoundEngine* engine, FileManager* fileManager,
                           Recorder* recorder, const std::string& bundleFolder)
    : ImageView("RecorderBack.png"), parent_(parent), soundEngine_(engine), fileManager_(fileManager),
      recorder_(recorder), library_(documentsFolderOf(parent, fileManager), bundleFolder) {
    (void)soundEngine_; // the file manager reloads the guitars' samples through it
    setFrame(parent_ ? parent_->frame() : Rect{0, 0, 320, 480});
    setUserInteractionEnabled(true);
    setMultipleTouchEnabled(true);
    build();
    boxKeys_ = std::make_unique<MessageBoxKeys>(
        *this, MessageBoxKeys::Box{[this] { return !showingPleaseWaitMessage_ && showingMessageBox_; },
                                   [this] { return optionChosen_ != kNotice; },
                                   [this] {
                                       pressOK();
                                       redraw();
                                   },
                                   [this] {
                                       pressCancel();
                                       redraw();
                                   }});
    copyDemoSongs();
    loadSongNames();
    currentlySelected_ = songNames_.empty() ? -1 : 0;
    redraw();
}

RecorderView::~RecorderView() {
    // Delayed steps still queued find the screen gone and do nothing; a
    // render still running is stopped (its job leaves no file behind).
    alive_.reset();
    renderJob_.reset();
    if (saveTextField_ && saveTextField_->isEditing()) {
        saveTextField_->setDelegate(nullptr);
        saveTextField_->resignFirstResponder();
    }
}

void RecorderView::build() {
    const Rect whole{0, 0, 320, 480};

    loadSaveView_ = std::make_unique<View>(whole);
    loadSaveView_->setBackgroundColor(Color::clear());
    addSubview(loadSaveView_.get());

    modifyView_ = std::make_unique<View>(whole);
    modifyView_->setBackgroundColor(Color::clear());
    addSubview(modifyView_.get());

    // Load/Save panel: the name field above the list, five rows, the scroll
    // arrows and the three buttons.
    saveTextField_ = std::make_unique<TextField>(Rect{245 - 120, 230 - 14, 240, 28});
    saveTextField_->setRotation(kQuarterTurn);
    saveTextField_->setFont(Font{"Helvetica", 15, false});
    saveTextField_->setPlaceholder(kPlaceholder);
    saveTextField_->setBorderStyle(TextField::BorderStyle::Line);
    saveTextField_->setClearButtonMode(TextField::ClearButtonMode::WhileEditing);
    saveTextField_->setBackgroundColor(Color::white());
    // Leaves room for ".SAV" and the save's temporary suffix within the
    // file system's 255-byte names.
    saveTextField_->setMaxLength(200);
    saveTextField_->setDelegate(this);
    loadSaveView_->addSubview(saveTextField_.get());

    for (int row = 0; row < kVisibleRows; ++row) {
        loadLabel_[row] = sidewaysLabel({kRowCentreX[row], (kListTop + kListBottom) / 2},
                                        kListBottom - kListTop - 2, 26, 15);
        loadLabel_[row]->setTextAlignment(TextAlignment::Left);
        loadSaveView_->addSubview(loadLabel_[row].get());
    }

    upArrow_ = picture("LoadUpArrow.png", {206.5f, 361});
    upArrow_->setAlpha(0.9f);
    loadSaveView_->addSubview(upArrow_.get());
    downArrow_ = picture("LoadUpArrow.png", {93.5f, 361});
    downArrow_->setRotation(kHalfTurn);
    downArrow_->setAlpha(0.9f);
    loadSaveView_->addSubview(downArrow_.get());

    // The file buttons stay in their sockets in every mode, dimmed where
    // they do nothing, so that the sockets never stand empty.
    saveButton_ = picture("SaveIcon.png", {259.5f, 411.5f});
    loadButton_ = picture("LoadIcon.png", {203.5f, 411.5f});
    deleteButton_ = picture("EraseIcon.png", {100.5f, 411.5f});
    addSubview(saveButton_.get());
    addSubview(loadButton_.get());
    addSubview(deleteButton_.get());

    // The export buttons, small, in the free socket between load and erase.
    exportWavLabel_ = sidewaysLabel({166, 411.5f}, 48, 19, 13);
    exportWavLabel_->setText("WAV");
    exportMidiLabel_ = sidewaysLabel({144, 411.5f}, 48, 19, 13);
    exportMidiLabel_->setText("MIDI");
    for (Label* label : {exportWavLabel_.get(), exportMidiLabel_.get()}) {
        label->setFont(Font{"Helvetica", 13, true});
        label->setBackgroundColor(exportButtonBackground());
        label->setTextColor(exportButtonText());
        label->setUserInteractionEnabled(false);
        loadSaveView_->addSubview(label);
    }

    // Modify panel: five buttons written across the display, centred in its
    // window (landscape 100..382).
    const float middle = (100.0f + 382.0f) / 2;
    const float length = 382.0f - 100.0f - 12;
    eraseLastTrackLabel_ = sidewaysLabel({257, middle}, length, 40, 16);
    eraseLastTrackLabel_->setText("Erase Last Track");
    eraseLastNoteLabel_ = sidewaysLabel({216, middle}, length, 38, 16);
    eraseLastNoteLabel_->setText("Erase Last Note");
    eraseWahLabel_ = sidewaysLabel({176.5f, middle}, length, 37, 16);
    eraseWahLabel_->setText("Erase Wah-Wah Changes");
    eraseWhammyBarLabel_ = sidewaysLabel({136.5f, middle}, length, 39, 16);
    eraseWhammyBarLabel_->setText("Erase Whammy Changes");
    eraseSongLabel_ = sidewaysLabel({96.5f, middle}, length, 37, 16);
    eraseSongLabel_->setText("Erase Song");
    for (Label* label : {eraseLastTrackLabel_.get(), eraseLastNoteLabel_.get(), eraseWahLabel_.get(),
                         eraseWhammyBarLabel_.get(), eraseSongLabel_.get()})
        modifyView_->addSubview(label);

    shine_ = picture("RecorderShine.png", {175, 241});
    shine_->setAlpha(0.8f);
    addSubview(shine_.get());

    LEDLit_ = picture("RecorderLED.png", kModifyLight);
    addSubview(LEDLit_.get());

    // The message box, on top of everything.
    messageBoxBackground_ = picture("MessageBox.png", {160, 240});
    addSubview(messageBoxBackground_.get());
    messageBoxText_ = sidewaysLabel({212, 240}, 310, 100, 20);
    messageBoxText_->setNumberOfLines(0);
    messageBoxText_->setTextColor(Color::black());
    addSubview(messageBoxText_.get());
    OKLabel_ = picture("MessageBoxOKButton.png", {129.5f, 207.5f});
    addSubview(OKLabel_.get());
    cancelLabel_ = picture("MessageBoxCancelButton.png", {129.5f, 339.5f});
    addSubview(cancelLabel_.get());
}

void RecorderView::setFileButtonsEnabled(bool enabled) {
    // Load and erase also need a song chosen in the list.
    const int selected = displayListStartIndex_ + currentlySelected_;
    const bool chosen =
        currentlySelected_ >= 0 && selected >= 0 && selected < static_cast<int>(songNames_.size());
    for (ImageView* button : {saveButton_.get(), loadButton_.get(), deleteButton_.get()}) {
        const bool acts = enabled && (button == saveButton_.get() || chosen);
        button->setAlpha(acts ? 1.0f : kDisabledButtonAlpha);
    }
    for (Label* label : {exportWavLabel_.get(), exportMidiLabel_.get()})
        label->setAlpha(enabled && chosen ? 1.0f : kDisabledButtonAlpha);
}

void RecorderView::redraw() {
    if (showingPleaseWaitMessage_) {
        messageBoxBackground_->setHidden(false);
        messageBoxText_->setHidden(false);
        OKLabel_->setHidden(true);
        cancelLabel_->setHidden(true);
        loadSaveView_->setHidden(true);
        modifyView_->setHidden(true);
        setFileButtonsEnabled(false);
        return;
    }
    if (showingMessageBox_) {
        messageBoxBackground_->setHidden(false);
        messageBoxText_->setHidden(false);
        OKLabel_->setHidden(optionChosen_ == kExporting);
        cancelLabel_->setCenter(kCancelCentre);
        if (optionChosen_ == kNotice) {
            OKLabel_->setCenter(kLoneButtonCentre);
            cancelLabel_->setHidden(true);
        } else if (optionChosen_ == kExporting) {
            cancelLabel_->setCenter(kLoneButtonCentre);
            cancelLabel_->setHidden(false);
        } else {
            OKLabel_->setCenter({129.5f, 207.5f});
            cancelLabel_->setHidden(false);
        }
        loadSaveView_->setHidden(true);
        modifyView_->setHidden(true);
        setFileButtonsEnabled(false);
        return;
    }

    messageBoxBackground_->setHidden(true);
    messageBoxText_->setHidden(true);
    OKLabel_->setHidden(true);
    cancelLabel_->setHidden(true);
    setFileButtonsEnabled(loadSaveMode_);
    loadSaveView_->setHidden(!loadSaveMode_);
    modifyView_->setHidden(loadSaveMode_);
    LEDLit_->setCenter(loadSaveMode_ ? kLoadSaveLight : kModifyLight);
    if (!loadSaveMode_)
        return;

    const int count = static_cast<int>(songNames_.size());
    upArrow_->setHidden(displayListStartIndex_ < 1);
    downArrow_->setHidden(!(displayListStartIndex_ + kVisibleRows < count));
    for (int row = 0; row < kVisibleRows; ++row) {
        Label& label = *loadLabel_[row];
        const int index = displayListStartIndex_ + row;
        label.setText(index >= 0 && index < count ? songNames_[static_cast<size_t>(index)] : std::string());
        if (row == currentlySelected_) {
            label.setBackgroundColor(selectedRowBackground());
            label.setTextColor(selectedRowText());
        } else {
            label.setBackgroundColor(Color::clear());
            label.setTextColor(rowText());
        }
    }
}

void RecorderView::touchesBegan(const TouchSet& touches) {
    processTouches(touches);
}
void RecorderView::touchesMoved(const TouchSet& touches) {
    processTouches(touches);
}
void RecorderView::touchesEnded(const TouchSet& touches) {
    processTouches(touches);
}
void RecorderView::touchesCancelled(const TouchSet& touches) {
    processTouches(touches);
}

void RecorderView::processTouches(const TouchSet& touches) {
    for (const Touch& touch : touches) {
        // Checked per touch: a touch may start the load notice.
        if (showingPleaseWaitMessage_)
            return;
        switch (touch.phase) {
        case TouchPhase::Began:
            fingerDown(touch.location);
            break;
        case TouchPhase::Moved:
            fingerMove(touch.location, touch.previousLocation);
            break;
        case TouchPhase::Ended:
        case TouchPhase::Cancelled:
            fingerUp(touch.location);
            break;
        case TouchPhase::Stationary:
            break;
        }
    }
}

void RecorderView::fingerDown(Point p) {
    if (showingPleaseWaitMessage_)
        return;
    const int count = static_cast<int>(songNames_.size());
    const int selected = displayListStartIndex_ + currentlySelected_;
    switch (actionForPoint(p, loadSaveMode_, showingMessageBox_)) {
    case Action::None:
        return;
    case Action::Back:
        goBack();
        return;
    case Action::Help:
        openHelp();
        return;
    case Action::LoadSaveMode:
        if (!loadSaveMode_) {
            loadSaveMode_ = true;
            showingMessageBox_ = false;
            optionChosen_ = kNoOption;
        }
        break;
    case Action::ModifyMode:
        if (loadSaveMode_) {
            saveTextField_->resignFirstResponder();
            loadSaveMode_ = false;
            showingMessageBox_ = false;
            optionChosen_ = kNoOption;
        }
        break;
    case Action::Load:
        // A selection past the list's end (never expected) must not be read.
        if (currentlySelected_ >= 0 && selected >= 0 && selected < count)
            showBox(kLoadSong, reallyLoadText(songNames_[static_cast<size_t>(selected)]));
        break;
    case Action::Erase:
        if (currentlySelected_ >= 0 && selected >= 0 && selected < count)
            showBox(kEraseSongFile, reallyEraseText(songNames_[static_cast<size_t>(selected)]));
        break;
    case Action::Save:
        pressSave();
        break;
    case Action::ExportWav:
        if (currentlySelected_ >= 0 && selected >= 0 && selected < count)
            exportWav(selected);
        break;
    case Action::ExportMidi:
        if (currentlySelected_ >= 0 && selected >= 0 && selected < count)
            exportMidi(selected);
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
    case Action::List:
        selectRowAt(p);
        break;
    case Action::EraseLastTrack:
        showBox(kEraseLastTrack, kEraseLastTrackText);
        break;
    case Action::EraseLastNote:
        showBox(kEraseLastNote, kEraseLastNoteText);
        break;
    case Action::EraseWahChanges:
        showBox(kEraseWah, kEraseWahText);
        break;
    case Action::EraseWhammyChanges:
        showBox(kEraseWhammy, kEraseWhammyText);
        break;
    case Action::EraseSong:
        showBox(kEraseWholeSong, kEraseWholeSongText);
        break;
    case Action::OK:
        // While a render runs, its lone Cancel stands over both halves.
        if (optionChosen_ == kExporting)
            pressCancel();
        else
            pressOK();
        break;
    case Action::Cancel:
        pressCancel();
        break;
    }
    redraw();
}

void RecorderView::fingerMove(Point p, Point) {
    if (showingPleaseWaitMessage_ || showingMessageBox_ || !loadSaveMode_)
        return;
    if (actionForPoint(p, loadSaveMode_, showingMessageBox_) == Action::List) {
        selectRowAt(p);
        redraw();
    }
}

void RecorderView::fingerUp(Point) {}

void RecorderView::selectRowAt(Point p) {
    const int row = listRowForPoint(p);
    if (row < 0)
        return;
    if (displayListStartIndex_ + row < static_cast<int>(songNames_.size()))
        currentlySelected_ = row;
}

void RecorderView::showBox(int32_t option, const std::string& text) {
    saveTextField_->resignFirstResponder();
    showingMessageBox_ = true;
    optionChosen_ = option;
    setBoxText(*messageBoxText_, text);
}

void RecorderView::closeBox() {
    showingMessageBox_ = false;
    optionChosen_ = kNoOption;
}

void RecorderView::pressCancel() {
    if (optionChosen_ == kExporting)
        cancelExport();
    else
        closeBox();
}

void RecorderView::pressSave() {
    // Ending the editing makes the field's text safe as well.
    saveTextField_->resignFirstResponder();
    const std::string name = makeFileSafe(saveTextField_->text());
    saveTextField_->setText(name);
    if (name.empty()) {
        showBox(kSaveUnnamed, kSaveUnnamedText);
        return;
    }
    if (library_.songExists(name)) {
        showBox(kOverwrite, kOverwriteText);
        return;
    }
    save(SongLibrary::songFileName(name));
}

void RecorderView::pressOK() {
    const std::string typed = saveTextField_->text();
    const std::string name = typed.empty() ? std::string(kDefaultSongName) : typed;
    switch (optionChosen_) {
    case kSaveUnnamed:
        if (library_.songExists(name)) {
            showBox(kOverwrite, kOverwriteText);
            return;
        }
        closeBox();
        save(SongLibrary::songFileName(name));
        return;
    case kOverwrite:
        closeBox();
        save(SongLibrary::songFileName(name));
        return;
    case kLoadSong: {
        songNumberToLoad_ = displayListStartIndex_ + currentlySelected_;
        showingPleaseWaitMessage_ = true;
        setBoxText(*messageBoxText_, kPleaseWaitText);
        redraw();
        after(0.001, [this] { load(); });
        return;
    }
    case kEraseSongFile:
        closeBox();
        erase(displayListStartIndex_ + currentlySelected_);
        return;
    case kExportOverwriteWav:
        closeBox();
        startWavExport(exportName_);
        return;
    case kExportOverwriteMidi:
        closeBox();
        writeMidi(exportName_);
        return;
    case kExporting:
        return; // only Cancel answers a running render
    case kEraseWholeSong:
        stopRecorder();
        if (recorder_)
            recorder_->eraseWholeSong();
        break;
    case kEraseLastTrack:
        stopRecorder();
        if (recorder_)
            recorder_->eraseLastOverdub();
        break;
    case kEraseLastNote:
        stopRecorder();
        if (recorder_)
            recorder_->eraseLastXNotes(1);
        break;
    case kEraseWah:
        stopRecorder();
        if (recorder_) {
            recorder_->eraseAllWahChanges(0);
            recorder_->eraseAllWahChanges(1);
        }
        break;
    case kEraseWhammy:
        stopRecorder();
        if (recorder_) {
            recorder_->eraseAllWhammyBarChanges(0);
            recorder_->eraseAllWhammyBarChanges(1);
        }
        break;
    default:
        break;
    }
    closeBox();
}

void RecorderView::save(const std::string& fileName) {
    stopRecorder();
    const bool saved = fileManager_ && fileManager_->saveState(fileName);
    loadSongNames();
    showBox(kNotice, saved ? kSongSavedText : kSaveFailedText);
    const int count = static_cast<int>(songNames_.size());
    if (!saved) {
        clampSelection();
        redraw();
        return;
    }
    // Show the list's end, and select the song just saved there (the list is
    // in name order, so it is not always the last one).
    displayListStartIndex_ = std::max(0, count - kVisibleRows);
    currentlySelected_ = count - displayListStartIndex_ - 1;
    const std::string ext = SongLibrary::kSongExtension;
    if (fileName.size() > ext.size()) {
        const std::string name = fileName.substr(0, fileName.size() - ext.size());
        const auto found = std::find(songNames_.begin(), songNames_.end(), name);
        if (found != songNames_.end()) {
            const int index = static_cast<int>(found - songNames_.begin());
            if (index < displayListStartIndex_)
                displayListStartIndex_ = index;
            currentlySelected_ = index - displayListStartIndex_;
        }
    }
    redraw();
}

void RecorderView::load() {
    const int count = static_cast<int>(songNames_.size());
    loadOutcomeText_ = kLoadMissingText;
    if (songNumberToLoad_ >= 0 && songNumberToLoad_ < count) {
        const std::string name = songNames_[static_cast<size_t>(songNumberToLoad_)];
        // A file that went away since the list was read must not cost the
        // user the song in memory: the file manager would reset everything.
        if (library_.songExists(name) && fileManager_) {
            stopRecorder();
            if (fileManager_->loadState(SongLibrary::songFileName(name))) {
                loadOutcomeText_ = kSongLoadedText;
                saveTextField_->setText(name);
            } else {
                loadOutcomeText_ = kLoadDamagedText;
            }
        } else {
            loadSongNames();
            clampSelection();
        }
    }
    after(0.1, [this] { stopShowingPleaseWait(); });
}

void RecorderView::stopShowingPleaseWait() {
    showingPleaseWaitMessage_ = false;
    showBox(kNotice, loadOutcomeText_.empty() ? kSongLoadedText : loadOutcomeText_);
    redraw();
}

void RecorderView::erase(int index) {
    const int count = static_cast<int>(songNames_.size());
    if (index < 0 || index >= count)
        return;
    const bool erased = library_.eraseSong(songNames_[static_cast<size_t>(index)]);
    showBox(kNotice, erased ? kSongErasedText : kEraseFailedText);
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

void RecorderView::clampSelection() {
    const int count = static_cast<int>(songNames_.size());
    if (count == 0) {
        currentlySelected_ = -1;
        displayListStartIndex_ = 0;
        return;
    }
    displayListStartIndex_ = std::clamp(displayListStartIndex_, 0, std::max(0, count - 1));
    if (currentlySelected_ >= 0 && displayListStartIndex_ + currentlySelected_ >= count)
        currentlySelected_ = count - 1 - displayListStartIndex_;
}

std::string RecorderView::exportPath(const std::string& name, const char* extension) const {
    return library_.documentsFolder() + "/" + name + extension;
}

void RecorderView::exportWav(int index) {
    if (index < 0 || index >= static_cast<int>(songNames_.size()) || renderJob_)
        return;
    exportName_ = songNames_[static_cast<size_t>(index)];
    std::error_code ec;
    if (std::filesystem::exists(exportPath(exportName_, kWavExtension), ec)) {
        showBox(kExportOverwriteWav, exportOverwriteText(exportName_ + kWavExtension));
        return;
    }
    startWavExport(exportName_);
}

void RecorderView::exportMidi(int index) {
    if (index < 0 || index >= static_cast<int>(songNames_.size()) || renderJob_)
        return;
    exportName_ = songNames_[static_cast<size_t>(index)];
    std::error_code ec;
    if (std::filesystem::exists(exportPath(exportName_, kMidiExtension), ec)) {
        showBox(kExportOverwriteMidi, exportOverwriteText(exportName_ + kMidiExtension));
        return;
    }
    writeMidi(exportName_);
}

namespace {

// The bytes of a song file; false with the reason when it cannot be read.
bool readSongFile(FileManager* fileManager, const SongLibrary& library, const std::string& name,
                  std::vector<uint8_t>& bytes, std::string& reason) {
    if (!fileManager || !library.songExists(name)) {
        reason = "the song file is missing";
        return false;
    }
    try {
        bytes = fileManager->loadDataFile(library.songPath(name));
    } catch (const std::exception&) {
        reason = "the song file is missing";
        return false;
    }
    if (bytes.empty()) {
        reason = "the song file cannot be read";
        return false;
    }
    return true;
}

} // namespace

void RecorderView::writeMidi(const std::string& name) {
    std::vector<uint8_t> bytes;
    std::string reason;
    const std::string fileName = name + kMidiExtension;
    if (!readSongFile(fileManager_, library_, name, bytes, reason)) {
        showBox(kNotice, exportFailedText(reason));
        return;
    }
    MidiExport::Song song;
    if (!MidiExport::readSongFile(bytes.data(), bytes.size(), song, reason)) {
        showBox(kNotice, exportFailedText("the song file is damaged (" + reason + ")"));
        return;
    }
    const MidiExport::Result result = MidiExport::build(song, {});
    if (!result.ok) {
        showBox(kNotice, exportFailedText(result.error));
        return;
    }
    if (!fileManager_->saveDataFile(exportPath(name, kMidiExtension), result.bytes.data(),
                                    result.bytes.size())) {
        showBox(kNotice, exportFailedText("cannot write " + fileName));
        return;
    }
    showBox(kNotice, exportedText(fileName));
}

void RecorderView::startWavExport(const std::string& name) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!readSongFile(fileManager_, library_, name, bytes, reason)) {
        showBox(kNotice, exportFailedText(reason));
        return;
    }
    exportFileName_ = name + kWavExtension;
    exportPercent_ = 0;
    renderJob_ = std::make_unique<SongRenderJob>(std::move(bytes), library_.bundleFolder(),
                                                 exportPath(name, kWavExtension));
    renderJob_->start();
    showBox(kExporting, exportingText(exportFileName_, 0));
    redraw();
    MainThreadQueue* queue = queue_ ? queue_ : (parent_ ? &parent_->mainThreadQueue() : nullptr);
    if (!queue) {
        // No main loop to follow it with: wait for the outcome.
        renderJob_->wait();
        finishExport();
        return;
    }
    const int generation = ++exportGeneration_;
    after(kExportPollSeconds, [this, generation] { pollExport(generation); });
}

void RecorderView::pollExport(int generation) {
    // A poll left over from an export already ended does nothing.
    if (!renderJob_ || generation != exportGeneration_)
        return;
    if (renderJob_->state() != SongRenderJob::State::Running) {
        finishExport();
        redraw();
        return;
    }
    const int percent = static_cast<int>(renderJob_->progress() * 100.0f);
    if (percent != exportPercent_) {
        exportPercent_ = percent;
        setBoxText(*messageBoxText_, exportingText(exportFileName_, percent));
    }
    after(kExportPollSeconds, [this, generation] { pollExport(generation); });
}

void RecorderView::cancelExport() {
    if (!renderJob_)
        return;
    renderJob_->cancel();
    // The worker stops at its next buffer and removes its temporary file.
    renderJob_->wait();
    finishExport();
}

void RecorderView::finishExport() {
    if (!renderJob_)
        return;
    renderJob_->wait();
    const SongRenderJob::State state = renderJob_->state();
    const std::string message = renderJob_->message();
    renderJob_.reset();
    switch (state) {
    case SongRenderJob::State::Done:
        // Also when Cancel came after the last buffer: the file is there.
        showBox(kNotice, exportedText(message.empty() ? exportFileName_ : message));
        break;
    case SongRenderJob::State::Cancelled:
        showBox(kNotice, kExportCancelledText);
        break;
    default:
        // Anything but a write failure comes from reading the song.
        showBox(kNotice, exportFailedText(message.rfind("cannot write", 0) == 0
                                              ? message
                                              : "the song file is damaged (" + message + ")"));
        break;
    }
}

int RecorderView::copyDemoSongs() {
    return library_.copyDemoSongs();
}

void RecorderView::loadSongNames() {
    songNames_ = library_.songNames();
}

bool RecorderView::textFieldShouldReturn(TextField& field) {
    field.resignFirstResponder();
    return true;
}

void RecorderView::textFieldDidEndEditing(TextField& field) {
    field.setText(makeFileSafe(field.text()));
}

void RecorderView::goBack() {
    if (parent_)
        parent_->transitionBack(this);
}

void RecorderView::openHelp() {
    if (parent_)
        parent_->transitionToView(ScreenHost::kManual, this, true);
}

void RecorderView::after(double seconds, std::function<void()> fn) {
    MainThreadQueue* queue = queue_ ? queue_ : (parent_ ? &parent_->mainThreadQueue() : nullptr);
    if (!queue) {
        fn();
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    queue->postDelayed(seconds, [alive, fn = std::move(fn)] {
        if (!alive.expired())
            fn();
    });
}

void RecorderView::stopRecorder() {
    if (recorder_ && recorder_->getState() != 0)
        recorder_->stop();
}
