#include "screens/RecorderView.h"

#include <algorithm>
#include <exception>
#include <filesystem>

#include "core/FailureText.h"
#include "core/GuitarId.h"
#include "recorder/Recorder.h"
#include "screens/ScreenParts.h"
#include "screens/TrackChooser.h"
#include "storage/FileManager.h"
#include "storage/MidiExport.h"
#include "storage/SongRenderJob.h"
#include "system/MainThreadQueue.h"
#include "toolkit/Label.h"
#include "ui/ScreenHost.h"

namespace {

using Action = RecorderView::Action;

constexpr const char* kPleaseWaitText = "Please wait.\nLoading Guitar samples.";
constexpr const char* kExportCancelledText = "Export cancelled.\nNo file was written.";
// The extensions of the exported files, with their dots.
constexpr const char* kWavExtension = ".wav";
constexpr const char* kMidiExtension = ".mid";

// The light sockets beside the two mode buttons.
constexpr Point kModifyLight{239, 18};
constexpr Point kLoadSaveLight{181, 18};
// A control where it does nothing (nothing chosen, Modify mode).
constexpr float kDisabledAlpha = 0.3f;
// How often the box follows a running render.
constexpr double kExportPollSeconds = 0.1;

// The song list: five evenly spaced rows, each inside the band a touch finds
// it in, with the scroll arrows reaching into its bottom end. The file
// buttons stay in their sockets in every mode, dimmed where they do nothing,
// so that the sockets never stand empty.
const LibraryBrowser::Layout kLayout{
    .field = {245 - 120, 230 - 14, 240, 28},
    .list = {109,
             351,
             {225, 192, 165, 140, 110, 80},
             {208.5f, 180.125f, 151.75f, 123.375f, 95},
             {26, 26, 26, 26, 26}},
    // The arrows; save, load and erase; the box with OK and Cancel.
    .parts = {{206.5f, 361},
              {93.5f, 361},
              {259.5f, 411.5f},
              {203.5f, 411.5f},
              {100.5f, 411.5f},
              {160, 240},
              {129.5f, 207.5f},
              {129.5f, 339.5f}},
    .boxText = {212, 240},
    .loneButton = {129.5f, 273},
    // Load, erase and save (less the help button's corner), the arrows, OK and Cancel.
    .areas = {{177, 386, 53, 51},
              {68, 386, 65, 51},
              {230, 386, 59, 51},
              {185, 339, 43, 44},
              {71, 339, 45, 44},
              {271, 420, 18, 17},
              {104, 141, 51, 133},
              {104, 274, 51, 131}},
    .hideButtonsUnderBox = false,
};

constexpr HitArea<Action> kCornerAreas[] = {
    {{271, 0, 49, 60}, Action::Back},
    {{271, 420, 49, 60}, Action::Help},
    {{150, 11, 62, 78}, Action::LoadSaveMode},
    {{212, 11, 53, 78}, Action::ModifyMode},
    {RecorderView::kPracticeArea, Action::Practice},
};

// Five buttons written across the display, centred in its window
// (landscape 100..382).
constexpr HitArea<Action> kModifyAreas[] = {
    {{236, 147, 42, 242}, Action::EraseLastTrack},  {{196, 147, 40, 242}, Action::EraseLastNote},
    {{157, 147, 39, 242}, Action::EraseWahChanges}, {{116, 147, 41, 242}, Action::EraseWhammyChanges},
    {{77, 147, 39, 242}, Action::EraseSong},
};
constexpr float kEditCentreX[] = {257, 216, 176.5f, 136.5f, 96.5f};
constexpr float kEditThickness[] = {40, 38, 37, 39, 37};
constexpr const char* kEditTitles[] = {"Erase Last Track", "Erase Last Note", "Erase Wah-Wah Changes",
                                       "Erase Whammy Changes", "Erase Song"};
struct Edit {
    int32_t option;
    const char* question;
};
constexpr Edit kEdits[] = {
    {RecorderView::kEraseLastTrack, "Really erase the last recorded track?"},
    {RecorderView::kEraseLastNote, "Really erase the last recorded note?"},
    {RecorderView::kEraseWah, "Really erase all Wah Wah changes?"},
    {RecorderView::kEraseWhammy, "Really erase all Whammy Bar changes?"},
    {RecorderView::kEraseWholeSong, "Really erase the current song?"},
};

// The two export buttons share the free socket between load and erase: WAV
// above, MIDI below.
constexpr HitArea<Action> kExportAreas[] = {
    {{155, 386, 22, 51}, Action::ExportWav},
    {{133, 386, 22, 51}, Action::ExportMidi},
};
constexpr Point kExportCentre[] = {{166, 411.5f}, {144, 411.5f}};
constexpr const char* kExportTitles[] = {"WAV", "MIDI"};
// In the colours of the mode buttons.
constexpr Color kExportBackground{34, 34, 36, 255};
constexpr Color kExportText{196, 160, 92, 255};

std::string exportOverwriteText(const std::string& fileName) {
    return "'" + fileName + "' already exists.\nOverwrite it?";
}

std::string exportingText(const std::string& fileName, int percent) {
    return "Exporting '" + fileName + "'...\n" + std::to_string(percent) + "%";
}

// With the whole path, so that the user can find the file.
std::string exportedText(const std::string& path) {
    return "Song exported as '" + path + "'.";
}

// "14 notes", "1 note".
std::string counted(size_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// The song's note-downs, a stopped pass not yet merged included: its notes
// as the user counts them.
size_t noteCount(const Recorder& recorder) {
    size_t count = 0;
    for (const auto& list : {recorder.notes(), recorder.currentOverdubNotesToAdd()})
        count += static_cast<size_t>(
            std::count_if(list.begin(), list.end(), [](const Note& n) { return n.keyDown(); }));
    return count;
}

// Where the song's summary stands in Modify mode: a small dark panel in the
// free metal beside the mode buttons, one line each for the name, the length
// and each guitar's notes.
constexpr Point kSongLabelCentre{107, 49};
constexpr const char* kShowFolderText = "Show folder";

// "Song not exported.\n<Reason>."
std::string exportFailedText(const std::string& reason) {
    return "Song not exported.\n" +
           FailureText::sentence(reason.empty() ? std::string("Unknown failure") : reason);
}

std::string documentsFolderOf(ScreenHost* parent, FileManager* fileManager) {
    if (fileManager)
        return fileManager->documentsFolder();
    return parent ? parent->documentsFolder() : std::string();
}

// The bytes of a song file; false with the reason when it cannot be read.
bool readSongFile(FileManager* fileManager, const LibraryFolder& library, const std::string& name,
                  std::vector<uint8_t>& bytes, std::string& reason) {
    reason = "the song file is missing";
    if (!fileManager || !library.exists(name))
        return false;
    try {
        bytes = fileManager->loadDataFile(library.path(name));
    } catch (const std::exception&) {
        return false;
    }
    reason = "the song file cannot be read";
    return !bytes.empty();
}

} // namespace

std::span<const HitArea<Action>> RecorderView::cornerAreas() {
    return kCornerAreas;
}
std::span<const HitArea<Action>> RecorderView::modifyAreas() {
    return kModifyAreas;
}
std::span<const HitArea<Action>> RecorderView::exportAreas() {
    return kExportAreas;
}

RecorderView::RecorderView(ScreenHost* parent, SoundEngine* engine, FileManager* fileManager,
                           Recorder* recorder)
    : RecorderView(parent, engine, fileManager, recorder, parent ? parent->bundleFolder() : std::string()) {}

RecorderView::RecorderView(ScreenHost* parent, SoundEngine* engine, FileManager* fileManager,
                           Recorder* recorder, const std::string& bundleFolder)
    : LibraryScreen(parent, "RecorderBack.png", LibraryKind::kSongs, kLayout,
                    documentsFolderOf(parent, fileManager), bundleFolder),
      soundEngine_(engine), fileManager_(fileManager), recorder_(recorder) {
    (void)soundEngine_; // the file manager reloads the guitars' samples through it
    build();
    start();
}

RecorderView::~RecorderView() {
    // Delayed steps still queued find the screen gone and do nothing; a
    // render still running is stopped (its job leaves no file behind).
    alive_.reset();
    renderJob_.reset();
}

void RecorderView::build() {
    LibraryBrowser& b = browser();
    for (int i = 0; i < 2; ++i) {
        exportLabels_[i] = sidewaysLabel(kExportCentre[i], 48, 19, 13);
        exportLabels_[i]->setText(kExportTitles[i]);
        exportLabels_[i]->setFont(Font{"Helvetica", 13, true});
        exportLabels_[i]->setBackgroundColor(kExportBackground);
        exportLabels_[i]->setTextColor(kExportText);
        exportLabels_[i]->setUserInteractionEnabled(false);
        b.panel().addSubview(exportLabels_[i].get());
    }

    modifyView_ = std::make_unique<View>(Rect{0, 0, 320, 480});
    modifyView_->setBackgroundColor(Color::clear());
    insertSubviewAbove(modifyView_.get(), &b.panel());
    const float middle = (100.0f + 382.0f) / 2;
    const float length = 382.0f - 100.0f - 12;
    for (int i = 0; i < 5; ++i) {
        editLabels_[i] = sidewaysLabel({kEditCentreX[i], middle}, length, kEditThickness[i], 16);
        editLabels_[i]->setText(kEditTitles[i]);
        modifyView_->addSubview(editLabels_[i].get());
    }

    // The glass and the mode light, under the message box.
    shine_ = picture("RecorderShine.png", {175, 241});
    shine_->setAlpha(0.8f);
    LEDLit_ = picture("RecorderLED.png", kModifyLight);
    insertSubviewBelow(shine_.get(), &b.part(LibraryBrowser::kBox));
    insertSubviewBelow(LEDLit_.get(), &b.part(LibraryBrowser::kBox));
    insertSubviewBelow(&practiceButton_, &b.part(LibraryBrowser::kBox));

    songLabel_ = sidewaysLabel(kSongLabelCentre, 80, 62, 11);
    songLabel_->setNumberOfLines(4);
    songLabel_->setTextColor(kExportText);
    songLabel_->setBackgroundColor(kExportBackground);
    modifyView_->addSubview(songLabel_.get());
    // Over the box's Cancel button while an export's notice offers the folder.
    showFolderLabel_ = sidewaysLabel({0, 0}, 84, 40, 13);
    showFolderLabel_->setText(kShowFolderText);
    showFolderLabel_->setBackgroundColor(kExportBackground);
    showFolderLabel_->setTextColor(kExportText);
    showFolderLabel_->setUserInteractionEnabled(false);
    addSubview(showFolderLabel_.get());
}

void RecorderView::willAppear(int, int) {
    redraw();
}

std::vector<size_t> RecorderView::songFingerprint() const {
    if (!recorder_)
        return {};
    std::vector<size_t> counts{static_cast<size_t>(recorder_->getNumNotes()),
                               static_cast<size_t>(recorder_->currentOverdubNo()),
                               recorder_->pitchBends().size()};
    for (int guitar : {0, 1}) {
        counts.push_back(recorder_->wahChanges(guitar).size());
        counts.push_back(recorder_->whammyBarChanges(guitar).size());
    }
    return counts;
}

void RecorderView::nameSong(const std::string& name) {
    songName_ = name;
    namedFingerprint_ = songFingerprint();
}

std::string RecorderView::songSummary() const {
    if (!recorder_)
        return {};
    double end = 0;
    size_t perGuitar[kGuitars] = {};
    for (const Note& n : recorder_->notes()) {
        end = std::max(end, n.time());
        // The guitar as the MIDI export tells it from the sample number.
        if (const int guitar = MidiExport::guitarOfSample(n.sampleNo()); n.keyDown() && guitar >= 0)
            ++perGuitar[guitar];
    }
    const bool named = !songName_.empty() && songFingerprint() == namedFingerprint_;
    const long seconds = static_cast<long>(end); // whole seconds, as a clock counts
    const std::string secs = std::to_string(seconds % 60);
    return (named ? songName_ : std::string("unsaved")) + "\n" + std::to_string(seconds / 60) + ":" +
           (secs.size() < 2 ? "0" : "") + secs + "\nG1 " + std::to_string(perGuitar[0]) + "\nG2 " +
           std::to_string(perGuitar[1]);
}

void RecorderView::redraw() {
    LibraryBrowser& b = browser();
    b.redraw(loadSaveMode_);
    const bool box = b.showingMessageBox() || b.waiting();
    modifyView_->setHidden(box || loadSaveMode_);
    if (!box)
        LEDLit_->setCenter(loadSaveMode_ ? kLoadSaveLight : kModifyLight);
    for (auto& label : exportLabels_)
        label->setAlpha(!box && loadSaveMode_ && b.selectedIndex() >= 0 ? 1.0f : kDisabledAlpha);
    songLabel_->setText(songSummary());
    showFolderLabel_->setHidden(!b.showingMessageBox() || b.optionChosen() != kExported);
    showFolderLabel_->setCenter(b.part(LibraryBrowser::kCancel).center());
}

bool RecorderView::ownFingerDown(Point p) {
    auto action = hitAction<Action>(kCornerAreas, p);
    if (!action)
        action = hitAction<Action>(loadSaveMode_ ? exportAreas() : modifyAreas(), p);
    if (!action)
        return false;
    const int selected = browser().selectedIndex();
    switch (*action) {
    case Action::Back:
        goBack();
        return true;
    case Action::Help:
        openHelp();
        return true;
    case Action::Practice:
        if (parent())
            parent()->transitionToView(ScreenHost::kPractice, this, true);
        return true;
    case Action::LoadSaveMode:
    case Action::ModifyMode:
        setMode(*action == Action::LoadSaveMode);
        break;
    case Action::ExportWav:
    case Action::ExportMidi:
        if (selected >= 0)
            exportAs(selected, *action == Action::ExportWav ? kWavExtension : kMidiExtension);
        break;
    default: {
        const Edit& edit = kEdits[static_cast<int>(*action) - static_cast<int>(Action::EraseLastTrack)];
        browser().showBox(edit.option, edit.question);
        break;
    }
    }
    redraw();
    return true;
}

void RecorderView::setMode(bool loadSave) {
    if (loadSave == loadSaveMode_)
        return;
    if (!loadSave)
        browser().nameField().resignFirstResponder();
    loadSaveMode_ = loadSave;
    browser().closeBox();
}

std::vector<std::string> RecorderView::listNames() {
    return midiFiles_.listWith(browser().folder(), browser().folder().names(), imported_);
}

bool RecorderView::listedAsImport(int index) const {
    return index >= 0 && index < static_cast<int>(imported_.size()) && imported_[static_cast<size_t>(index)];
}

bool RecorderView::saveFile(const std::string& fileName) {
    stopRecorder();
    if (!fileManager_ || !fileManager_->saveState(fileName))
        return false;
    nameSong(fileName.substr(0, fileName.size() - std::string(browser().kind().extension).size()));
    return true;
}

bool RecorderView::eraseEntry(int index) {
    const std::string& name = browser().names()[static_cast<size_t>(index)];
    return listedAsImport(index) ? LibraryImport::erase(browser().folder(), name)
                                 : browser().folder().erase(name);
}

void RecorderView::startLoad(int index) {
    const bool listed = index >= 0 && index < static_cast<int>(browser().names().size());
    const std::string name = listed ? browser().names()[static_cast<size_t>(index)] : std::string();
    if (listedAsImport(index)) {
        browser().closeBox();
        importMidi(name);
        return;
    }
    browser().showWait(kPleaseWaitText);
    redraw();
    after(0.001, [this, name] { load(name); });
}

void RecorderView::importMidi(const std::string& fileName) {
    // A file that cannot be read changes nothing: no file, the same song.
    if (const std::string failure = midiFiles_.open(browser().folder(), fileName); !failure.empty()) {
        browser().showNotice(failure);
        redraw();
        return;
    }
    const std::vector<size_t>& tracks = midiFiles_.tracks();
    if (tracks.size() == 1) {
        importTracks(tracks);
        return;
    }
    // Guitar 1's track, then guitar 2's among the rest, or just the one.
    chooser().show(midiFiles_.question(0), midiFiles_.choices(), [this](int first) {
        if (first < 0) {
            redraw();
            return;
        }
        std::vector<std::string> rest{"Just one"};
        std::vector<size_t> others;
        const std::vector<std::string> choices = midiFiles_.choices();
        for (size_t i = 0; i < choices.size(); ++i)
            if (i != static_cast<size_t>(first)) {
                rest.push_back(choices[i]);
                others.push_back(midiFiles_.tracks()[i]);
            }
        const size_t guitar1 = midiFiles_.tracks()[static_cast<size_t>(first)];
        chooser().show(midiFiles_.question(1), rest, [this, guitar1, others](int second) {
            if (second == 0)
                importTracks({guitar1});
            else if (second > 0)
                importTracks({guitar1, others[static_cast<size_t>(second - 1)]});
            redraw();
        });
        redraw();
    });
    redraw();
}

void RecorderView::importTracks(const std::vector<size_t>& tracks) {
    const LibraryImport::Saved saved = midiFiles_.save(browser().folder(), tracks);
    if (!saved.ok) {
        browser().showNotice(saved.text);
        redraw();
        return;
    }
    browser().loadNames();
    browser().selectName(saved.name);
    browser().showWait(kPleaseWaitText);
    redraw();
    after(0.001, [this, name = saved.name, text = saved.text] { load(name, text); });
}

void RecorderView::load(const std::string& name, const std::string& imported) {
    LibraryBrowser& b = browser();
    const LibraryKind& kind = b.kind();
    std::string outcome = kind.loadMissingText();
    if (!name.empty()) {
        // A file that fails to load leaves the song in memory as it was.
        if (b.folder().exists(name) && fileManager_) {
            stopRecorder();
            const std::string fileName = b.folder().fileName(name);
            if (fileManager_->loadState(fileName)) {
                outcome = imported.empty() ? kind.loadedText(name) : imported;
                if (const int leftOut = recorder_ ? recorder_->eventsLeftOutOnLoad() : 0; leftOut > 0)
                    outcome += "\nOnly the first " + std::to_string(Recorder::kMaxEvents) +
                               " events were kept (" + std::to_string(leftOut) + " left out).";
                b.nameField().setText(name);
                nameSong(name);
            } else {
                outcome = kind.loadRefusedText(fileName, fileManager_->lastFailure());
            }
        } else {
            b.loadNames();
        }
    }
    after(0.1, [this, outcome] {
        browser().endWait();
        browser().showNotice(outcome);
        redraw();
    });
}

void RecorderView::ownerOK(int32_t option) {
    LibraryBrowser& b = browser();
    switch (option) {
    case kExportOverwriteWav:
        b.closeBox();
        startWavExport(exportName_);
        return;
    case kExportOverwriteMidi:
        b.closeBox();
        writeMidi(exportName_);
        return;
    case kExporting:
        return; // only Cancel answers a running render
    case kExported:
        b.closeBox();
        return;
    default:
        break;
    }
    stopRecorder();
    const std::string notice = recorder_ ? erase(option) : std::string();
    b.closeBox();
    if (!notice.empty())
        b.showNotice(notice);
}

std::string RecorderView::erase(int32_t option) {
    const size_t notes = noteCount(*recorder_);
    size_t changes = 0;
    for (int guitar : {0, 1})
        changes += option == kEraseWah ? recorder_->wahChanges(guitar).size()
                                       : recorder_->whammyBarChanges(guitar).size();
    switch (option) {
    case kEraseWholeSong:
        recorder_->eraseWholeSong();
        return "Erased the song: " + counted(notes, "note") + ".";
    case kEraseLastTrack:
        recorder_->eraseLastOverdub();
        return "Erased the last track: " + counted(notes - noteCount(*recorder_), "note") + ".";
    case kEraseLastNote:
        recorder_->eraseLastXNotes(1);
        return notes == noteCount(*recorder_) ? "No note erased: the song has none."
                                              : "Erased the last note.";
    case kEraseWah:
    case kEraseWhammy:
        for (int guitar : {0, 1}) {
            if (option == kEraseWah)
                recorder_->eraseAllWahChanges(guitar);
            else
                recorder_->eraseAllWhammyBarChanges(guitar);
        }
        return "Erased " + counted(changes, option == kEraseWah ? "Wah Wah change" : "Whammy Bar change") +
               ".";
    default:
        return {};
    }
}

void RecorderView::ownerCancel(int32_t option) {
    if (option == kExporting)
        cancelExport();
    else if (option == kExported)
        openFolder(exportedFolder_);
    if (option != kExporting)
        browser().closeBox();
}

// Where the box offers "Show folder": when the desktop can open one.
void RecorderView::showExported(const std::string& path) {
    exportedFolder_ = std::filesystem::path(path).parent_path().string();
    if (openFolder({}))
        browser().showBox(kExported, exportedText(path));
    else
        browser().showNotice(exportedText(path));
}

std::string RecorderView::exportPath(const std::string& name, const char* extension) const {
    return browser().folder().documentsFolder() + "/" + name + extension;
}

void RecorderView::exportAs(int index, const char* extension) {
    if (renderJob_ || listedAsImport(index)) // a MIDI file is a song only once imported
        return;
    exportName_ = browser().names()[static_cast<size_t>(index)];
    const bool wav = std::string(extension) == kWavExtension;
    std::error_code ec;
    if (std::filesystem::exists(exportPath(exportName_, extension), ec))
        browser().showBox(wav ? kExportOverwriteWav : kExportOverwriteMidi,
                          exportOverwriteText(exportName_ + extension));
    else if (wav)
        startWavExport(exportName_);
    else
        writeMidi(exportName_);
}

void RecorderView::writeMidi(const std::string& name) {
    LibraryBrowser& b = browser();
    std::vector<uint8_t> bytes;
    std::string reason;
    const std::string fileName = name + kMidiExtension;
    MidiExport::Song song;
    if (!readSongFile(fileManager_, b.folder(), name, bytes, reason)) {
        b.showNotice(exportFailedText(reason));
    } else if (!MidiExport::readSongFile(bytes.data(), bytes.size(), song, reason)) {
        b.showNotice(exportFailedText("the song file is damaged (" + reason + ")"));
    } else if (const MidiExport::Result result = MidiExport::build(song, {}); !result.ok) {
        b.showNotice(exportFailedText(result.error));
    } else if (!fileManager_->saveDataFile(exportPath(name, kMidiExtension), result.bytes.data(),
                                           result.bytes.size())) {
        b.showNotice(exportFailedText("cannot write " + fileName));
    } else {
        showExported(exportPath(name, kMidiExtension));
    }
}

void RecorderView::startWavExport(const std::string& name) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!readSongFile(fileManager_, browser().folder(), name, bytes, reason)) {
        browser().showNotice(exportFailedText(reason));
        return;
    }
    exportFileName_ = name + kWavExtension;
    exportPercent_ = 0;
    renderJob_ = std::make_unique<SongRenderJob>(std::move(bytes), browser().folder().bundleFolder(),
                                                 exportPath(name, kWavExtension));
    renderJob_->start();
    browser().showBox(kExporting, exportingText(exportFileName_, 0), true);
    redraw();
    if (!callQueue()) {
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
        browser().setBoxText(exportingText(exportFileName_, percent));
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
        showExported(exportPath(exportName_, kWavExtension));
        break;
    case SongRenderJob::State::Cancelled:
        browser().showNotice(kExportCancelledText);
        break;
    default:
        // Anything but a write failure comes from reading the song.
        browser().showNotice(exportFailedText(
            message.rfind("cannot write", 0) == 0 ? message : "the song file is damaged (" + message + ")"));
        break;
    }
}

void RecorderView::goBack() {
    if (parent())
        parent()->transitionBack(this);
}

void RecorderView::openHelp() {
    if (parent())
        parent()->transitionToView(ScreenHost::kManual, this, true);
}

bool RecorderView::openFolder(const std::string& folder) {
    return parent() && parent()->openFolder(folder);
}

bool RecorderView::backKey() {
    goBack();
    return true;
}

MainThreadQueue* RecorderView::callQueue() const {
    return queue_ ? queue_ : (parent() ? &parent()->mainThreadQueue() : nullptr);
}

void RecorderView::after(double seconds, std::function<void()> fn) {
    MainThreadQueue* queue = callQueue();
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
