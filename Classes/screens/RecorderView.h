#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ImageView.h"
#include "platform/TextField.h"
#include "screens/SongLibrary.h"
#include "ui/HostedScreen.h"

class FileManager;
class Label;
class MessageBoxKeys;
class MainThreadQueue;
class Recorder;
class SongRenderJob;
class SoundEngine;
class ScreenHost;

// The recorder screen (screen 15). Two modes, picked with two buttons on the
// left of the sideways screen: Modify offers five song edits (erase the last
// track, the last note, the wah or whammy changes, the whole song); Load/Save
// lists the song files of the documents folder and saves, loads and erases
// them by name, and exports the selected song into the documents folder as
// sound (WAV, rendered on a worker thread, its progress in the message box,
// cancellable) or as MIDI. Every change asks first in a message box and
// reports its result in the same box.
//
// What a touch means is worked out by a pure function of the point and the
// screen's state (actionForPoint), so the rectangles can be checked without a
// window; fingerDown carries the action out. Rectangles are open (strict
// comparisons) and tested in a fixed order, the first match winning.
//
// The recorder is stopped before anything that saves, loads or edits the
// song, so that a pass still being recorded neither goes missing from a saved
// file nor merges into a song loaded or edited under it.
//
// Threads: UI thread only.
class RecorderView : public ImageView, public TextFieldDelegate, public HostedScreen {
public:
    enum class Action {
        None,
        Back,
        Help,
        LoadSaveMode,
        ModifyMode,
        Load,
        Erase,
        Save,
        ScrollToStart,
        ScrollToEnd,
        List,
        EraseLastTrack,
        EraseLastNote,
        EraseWahChanges,
        EraseWhammyChanges,
        EraseSong,
        ExportWav,
        ExportMidi,
        OK,
        Cancel,
    };

    // What the message box's OK does (optionChosen).
    enum Option : int32_t {
        kNoOption = 0,
        kSaveUnnamed = 1,
        kLoadSong = 2,
        kEraseSongFile = 3,
        kNotice = 4,
        kOverwrite = 5,
        kEraseWholeSong = 6,
        kEraseLastTrack = 7,
        kEraseLastNote = 8,
        kEraseWah = 9,
        kEraseWhammy = 10,
        kExportOverwriteWav = 11,
        kExportOverwriteMidi = 12,
        // A WAV render is running: the box shows its progress and Cancel only.
        kExporting = 13,
    };

    static constexpr int kVisibleRows = 5;
    static constexpr const char* kDefaultSongName = "My Song";
    static constexpr const char* kPlaceholder = "Enter Save Filename Here";

    static constexpr const char* kSaveUnnamedText = "You have not named your song. Save it as 'My Song'?";
    static constexpr const char* kOverwriteText =
        "A saved file already exists with this name.\nOverwrite it?";
    static constexpr const char* kEraseWholeSongText = "Really erase the current song?";
    static constexpr const char* kEraseLastTrackText = "Really erase the last recorded track?";
    static constexpr const char* kEraseLastNoteText = "Really erase the last recorded note?";
    static constexpr const char* kEraseWahText = "Really erase all Wah Wah changes?";
    static constexpr const char* kEraseWhammyText = "Really erase all Whammy Bar changes?";
    static constexpr const char* kSongSavedText = "Song saved.";
    static constexpr const char* kSongErasedText = "Song erased.";
    static constexpr const char* kSongLoadedText = "Song loaded.";
    static constexpr const char* kPleaseWaitText = "Please wait.\nLoading Guitar samples.";
    // Notices for what did not work, instead of claiming success.
    static constexpr const char* kSaveFailedText = "Song not saved.\nThe file could not be written.";
    static constexpr const char* kLoadDamagedText = "Song not loaded.\nThe file is damaged.";
    static constexpr const char* kLoadMissingText = "Song not loaded.\nThe file is missing.";
    static constexpr const char* kEraseFailedText = "Song not erased.\nThe file could not be removed.";
    static constexpr const char* kExportCancelledText = "Export cancelled.\nNo file was written.";
    // The extensions of the exported files, with their dots.
    static constexpr const char* kWavExtension = ".wav";
    static constexpr const char* kMidiExtension = ".mid";

    // "Really load '<name>'?" and "Really erase '<name>'?".
    static std::string reallyLoadText(const std::string& name);
    static std::string reallyEraseText(const std::string& name);
    // "'<file>' already exists.\nOverwrite it?"
    static std::string exportOverwriteText(const std::string& fileName);
    // "Exporting '<file>'...\n<percent>%"
    static std::string exportingText(const std::string& fileName, int percent);
    // "Song exported as '<file>'."
    static std::string exportedText(const std::string& fileName);
    // "Song not exported.\n<reason>."
    static std::string exportFailedText(const std::string& reason);

    // The action for a finger coming down at p: the box's OK and Cancel while
    // a message box is up, else back, help, the mode buttons and then the
    // current mode's controls.
    static Action actionForPoint(Point p, bool loadSaveMode, bool showingMessageBox);
    // The list row (0 to 4) under p, or -1 outside the list or on a border
    // between rows.
    static int listRowForPoint(Point p);

    // The engine, the file manager and the recorder are not owned and must
    // outlive the screen. parent may be null (tests): the frame is then the
    // default 320 x 480, back and help do nothing, the delayed steps of a
    // load run at once unless setCallQueue gives a queue, and the demo songs
    // come from `bundleFolder` of the second constructor.
    RecorderView(ScreenHost* parent, SoundEngine* engine, FileManager* fileManager, Recorder* recorder);
    RecorderView(ScreenHost* parent, SoundEngine* engine, FileManager* fileManager, Recorder* recorder,
                 const std::string& bundleFolder);
    ~RecorderView() override;

    void redraw();

    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;
    void touchesCancelled(const TouchSet& touches) override;
    // Ignores everything while the load notice is up; otherwise began goes to
    // fingerDown, moved to fingerMove, ended and cancelled to fingerUp.
    void processTouches(const TouchSet& touches);
    void fingerDown(Point p);
    // Dragging over the list selects the row under the finger.
    void fingerMove(Point p, Point oldPoint);
    void fingerUp(Point p);

    // Writes the whole working state to `fileName` (with its extension) and
    // shows the outcome.
    void save(const std::string& fileName);
    // Loads songNames()[songNumberToLoad()] (second step of a load).
    void load();
    // Ends the load notice and shows the outcome (last step of a load).
    void stopShowingPleaseWait();
    // Removes songNames()[index]'s file and shows the outcome.
    void erase(int index);
    // Copies the bundle's demo songs in without overwriting; how many.
    int copyDemoSongs();
    // Re-reads the names of the song files.
    void loadSongNames();
    // Exports songNames()[index] as "<name>.wav" (rendered on a worker
    // thread; the box follows it until it ends) or "<name>.mid" (at once)
    // into the documents folder, asking first when that file exists.
    void exportWav(int index);
    void exportMidi(int index);
    // Stops a running WAV export and shows what became of it.
    void cancelExport();
    bool exporting() const { return renderJob_ != nullptr; }
    static std::string makeFileSafe(const std::string& text) { return SongLibrary::makeFileSafe(text); }
    void onExit() {}

    // TextFieldDelegate
    bool textFieldShouldReturn(TextField& field) override;
    void textFieldDidEndEditing(TextField& field) override;

    // The queue that runs the delayed steps of a load (the application's by
    // default; tests give one on a manual clock). Without either they run at
    // once.
    void setCallQueue(MainThreadQueue* queue) { queue_ = queue; }

    // State, for the drawing and the tests.
    bool loadSaveMode() const { return loadSaveMode_; }
    bool showingMessageBox() const { return showingMessageBox_; }
    bool showingPleaseWaitMessage() const { return showingPleaseWaitMessage_; }
    int32_t optionChosen() const { return optionChosen_; }
    int32_t displayListStartIndex() const { return displayListStartIndex_; }
    int32_t currentlySelected() const { return currentlySelected_; }
    int32_t songNumberToLoad() const { return songNumberToLoad_; }
    const std::vector<std::string>& songNames() const { return songNames_; }
    const std::string& documentsDirectory() const { return library_.documentsFolder(); }
    const SongLibrary& library() const { return library_; }

    TextField& saveTextField() { return *saveTextField_; }
    const Label& loadLabel(int row) const { return *loadLabel_[row]; }
    const Label& messageBoxText() const { return *messageBoxText_; }
    const ImageView& messageBoxBackground() const { return *messageBoxBackground_; }
    const ImageView& OKLabel() const { return *OKLabel_; }
    const ImageView& cancelLabel() const { return *cancelLabel_; }
    const View& loadSaveView() const { return *loadSaveView_; }
    const View& modifyView() const { return *modifyView_; }
    const ImageView& upArrow() const { return *upArrow_; }
    const ImageView& downArrow() const { return *downArrow_; }
    const ImageView& LEDLit() const { return *LEDLit_; }
    const Label& exportWavLabel() const { return *exportWavLabel_; }
    const Label& exportMidiLabel() const { return *exportMidiLabel_; }

protected:
    // The corner buttons: the delegate's transitionBack and the manual
    // (nothing without a parent).
    virtual void goBack();
    virtual void openHelp();

private:
    void build();
    void showBox(int32_t option, const std::string& text);
    void setFileButtonsEnabled(bool enabled);
    void closeBox();
    void pressSave();
    void pressOK();
    // Cancel: closes the box, or stops a running export.
    void pressCancel();
    void startWavExport(const std::string& name);
    void writeMidi(const std::string& name);
    // Follows the running render: the percentage, then its outcome.
    void pollExport(int generation);
    void finishExport();
    std::string exportPath(const std::string& name, const char* extension) const;
    void selectRowAt(Point p);
    // Keeps the start and the selection inside the list.
    void clampSelection();
    void after(double seconds, std::function<void()> fn);
    void stopRecorder();

    ScreenHost* parent_;
    SoundEngine* soundEngine_;
    FileManager* fileManager_;
    Recorder* recorder_;
    SongLibrary library_;
    MainThreadQueue* queue_ = nullptr;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    int32_t displayListStartIndex_ = 0;
    int32_t currentlySelected_ = -1;
    bool loadSaveMode_ = false;
    std::vector<std::string> songNames_;
    bool showingMessageBox_ = false;
    bool showingPleaseWaitMessage_ = false;
    int32_t optionChosen_ = kNoOption;
    int32_t songNumberToLoad_ = -1;
    std::string loadOutcomeText_;
    std::string exportName_;     // the song being exported, or asked about
    std::string exportFileName_; // "<name>.wav" while rendering
    int exportPercent_ = 0;
    int exportGeneration_ = 0; // counts the renders started
    std::unique_ptr<SongRenderJob> renderJob_;

    std::unique_ptr<View> loadSaveView_;
    std::unique_ptr<View> modifyView_;
    std::unique_ptr<TextField> saveTextField_;
    std::unique_ptr<Label> loadLabel_[kVisibleRows];
    std::unique_ptr<ImageView> upArrow_;
    std::unique_ptr<ImageView> downArrow_;
    std::unique_ptr<ImageView> saveButton_;
    std::unique_ptr<ImageView> loadButton_;
    std::unique_ptr<ImageView> deleteButton_;
    std::unique_ptr<ImageView> LEDLit_;
    std::unique_ptr<ImageView> shine_;
    std::unique_ptr<ImageView> messageBoxBackground_;
    std::unique_ptr<Label> messageBoxText_;
    std::unique_ptr<ImageView> OKLabel_;
    std::unique_ptr<ImageView> cancelLabel_;
    std::unique_ptr<Label> eraseLastNoteLabel_;
    std::unique_ptr<Label> eraseLastTrackLabel_;
    std::unique_ptr<Label> eraseSongLabel_;
    std::unique_ptr<Label> eraseWahLabel_;
    std::unique_ptr<Label> eraseWhammyBarLabel_;
    std::unique_ptr<Label> exportWavLabel_;
    std::unique_ptr<Label> exportMidiLabel_;
    std::unique_ptr<MessageBoxKeys> boxKeys_;
};
