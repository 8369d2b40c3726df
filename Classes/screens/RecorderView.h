#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "screens/LibraryImport.h"
#include "screens/LibraryScreen.h"
#include "toolkit/HitTable.h"
#include "ui/PracticeButton.h"
#include "ui/PracticeKeys.h"

class FileManager;
class Label;
class MainThreadQueue;
class Recorder;
class SongRenderJob;
class SoundEngine;

// The recorder screen (screen 15). Two modes, picked with two buttons on the
// left of the sideways screen: Modify offers five song edits (erase the last
// track, the last note, the wah or whammy changes, the whole song); Load/Save
// is the song library (the browser), and exports the selected song into the
// documents folder as sound (WAV, rendered on a worker thread, its progress
// in the message box, cancellable) or as MIDI. Every change asks first in the
// message box and reports its result in the same box.
//
// MIDI files in the documents folder are listed among the songs, in blue:
// loading one asks which track plays guitar 1 and which guitar 2 (or just
// one) when it has several, saves the song under the file's name (never
// over another song) and loads that as any song, the box telling what the
// song holds and what was left out.
//
// Loading shows a "please wait" notice first and runs on the main thread's
// queue in two delayed steps; fingers do nothing until it ends.
//
// The recorder is stopped before anything that saves, loads or edits the
// song, so that a pass still being recorded neither goes missing from a saved
// file nor merges into a song loaded or edited under it.
//
// Threads: UI thread only.
class RecorderView : public LibraryScreen {
public:
    // The screen's own controls, beside the browser's.
    enum class Action {
        Back,
        Help,
        LoadSaveMode,
        ModifyMode,
        EraseLastTrack,
        EraseLastNote,
        EraseWahChanges,
        EraseWhammyChanges,
        EraseSong,
        ExportWav,
        ExportMidi,
        Practice,
    };
    // The drawn button along the top edge that opens the Practice screen.
    static constexpr Rect kPracticeArea{289, 180, 28, 120};

    // The recorder's own questions in the message box (optionChosen).
    enum Option : int32_t {
        kNotice = LibraryBrowser::kNotice,
        kEraseWholeSong = LibraryBrowser::kFirstOwnerOption,
        kEraseLastTrack,
        kEraseLastNote,
        kEraseWah,
        kEraseWhammy,
        kExportOverwriteWav,
        kExportOverwriteMidi,
        // A WAV render is running: the box shows its progress and Cancel only.
        kExporting,
        // An export is done: OK, and Cancel as "Show folder".
        kExported,
    };

    // What the song in memory holds, as the Modify mode shows it, one line
    // each: the name last loaded or saved ("unsaved" for none, or once
    // anything changed the song since), the length ("1:23") and each
    // guitar's notes ("G1 120", "G2 34").
    std::string songSummary() const;

    // The touch areas: the corner and mode buttons (always), the edits
    // (Modify mode) and the export buttons (Load/Save mode, with the
    // browser's).
    static std::span<const HitArea<Action>> cornerAreas();
    static std::span<const HitArea<Action>> modifyAreas();
    static std::span<const HitArea<Action>> exportAreas();

    // The engine, the file manager and the recorder are not owned and must
    // outlive the screen. parent may be null (tests): the frame is then the
    // default 320 x 480, back and help do nothing, the delayed steps of a
    // load run at once unless setCallQueue gives a queue, and the demo songs
    // come from `bundleFolder` of the second constructor.
    RecorderView(ScreenHost* parent, SoundEngine* engine, FileManager* fileManager, Recorder* recorder);
    RecorderView(ScreenHost* parent, SoundEngine* engine, FileManager* fileManager, Recorder* recorder,
                 const std::string& bundleFolder);
    ~RecorderView() override;

    void redraw() override;
    void willAppear(int previousScreen, int currentGuitar) override;
    void onExit() {}

    // The queue that runs the delayed steps of a load and follows a render
    // (the application's by default; tests give one on a manual clock).
    // Without either, they run at once.
    void setCallQueue(MainThreadQueue* queue) { queue_ = queue; }
    bool exporting() const { return renderJob_ != nullptr; }

    // State, for the drawing and the tests.
    bool loadSaveMode() const { return loadSaveMode_; }
    bool showingPleaseWaitMessage() const { return browser().waiting(); }
    const View& modifyView() const { return *modifyView_; }
    const ImageView& LEDLit() const { return *LEDLit_; }
    const Label& songLabel() const { return *songLabel_; }

protected:
    // The corner buttons: the delegate's transitionBack and the manual
    // (nothing without a parent).
    virtual void goBack();
    virtual void openHelp();
    // Opens `folder` in the desktop's file manager; with an empty folder,
    // only whether it could (the host's openFolder).
    virtual bool openFolder(const std::string& folder);
    bool backKey() override;

    bool ownFingerDown(Point p) override;
    bool listShown() const override { return loadSaveMode_; }

    // LibraryBrowser::Owner
    std::vector<std::string> listNames() override;
    bool saveFile(const std::string& fileName) override;
    void startLoad(int index) override;
    bool eraseEntry(int index) override;
    void ownerOK(int32_t option) override;
    void ownerCancel(int32_t option) override;
    bool listedAsImport(int index) const override;

private:
    void build();
    void setMode(bool loadSave);
    // Loads the song `name` (second step of a load), then ends the notice,
    // which tells `imported` (the import's report) instead when it is given.
    void load(const std::string& name, const std::string& imported = {});
    // Reads the MIDI file, asks for its tracks, then saves and loads the song.
    void importMidi(const std::string& fileName);
    void importTracks(const std::vector<size_t>& tracks);
    // Exports names()[index] as "<name>.wav" (rendered on a worker thread;
    // the box follows it until it ends) or "<name>.mid" (at once) into the
    // documents folder, asking first when that file exists.
    void exportAs(int index, const char* extension);
    void startWavExport(const std::string& name);
    void writeMidi(const std::string& name);
    // Follows the running render: the percentage, then its outcome.
    void pollExport(int generation);
    // Stops a running WAV export and shows what became of it.
    void cancelExport();
    void finishExport();
    // "Song exported as '<path>'.", with "Show folder" where the desktop can.
    void showExported(const std::string& path);
    std::string exportPath(const std::string& name, const char* extension) const;
    MainThreadQueue* callQueue() const;
    void after(double seconds, std::function<void()> fn);
    void stopRecorder();
    // The song edit behind `option`, carried out; the notice telling what went.
    std::string erase(int32_t option);
    // Remembers the song in memory as the one called `name` (empty: unsaved).
    void nameSong(const std::string& name);
    // Counts that change whenever the song does: the events, the overdub and
    // each guitar's wah and whammy changes.
    std::vector<size_t> songFingerprint() const;

    SoundEngine* soundEngine_;
    FileManager* fileManager_;
    Recorder* recorder_;
    MainThreadQueue* queue_ = nullptr;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    bool loadSaveMode_ = false;
    std::string exportName_;     // the song being exported, or asked about
    std::string exportFileName_; // "<name>.wav" while rendering
    int exportPercent_ = 0;
    int exportGeneration_ = 0; // counts the renders started
    std::unique_ptr<SongRenderJob> renderJob_;
    std::string exportedFolder_; // where the last export went, for "Show folder"
    std::string songName_;       // last loaded or saved; empty for none
    std::vector<size_t> namedFingerprint_;
    LibraryImport midiFiles_{true};
    std::vector<bool> imported_; // per listed name: a MIDI file

    std::unique_ptr<View> modifyView_;
    std::unique_ptr<Label> editLabels_[5];
    std::unique_ptr<Label> exportLabels_[2]; // WAV, MIDI
    std::unique_ptr<ImageView> shine_;
    std::unique_ptr<ImageView> LEDLit_;
    std::unique_ptr<Label> songLabel_;
    std::unique_ptr<Label> showFolderLabel_; // over Cancel while kExported shows
    PracticeButton practiceButton_{kPracticeArea};
    // F5 ... F9: the loop and the speed, answered by a line at the top.
    PracticeKeys practiceKeys_{*this, parent()};
};
