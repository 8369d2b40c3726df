#pragma once
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/WholeFileWriter.h"

class Tab;
class Recorder;
class SoundEngine;
class SongOptions;

// Turns the three long-lived model objects into files and back, through a
// Song value and its codec (storage/SongCodec, which lays out the files):
// a save is the recorder's snapshot with the tab and the engine settings; a
// load reads the file into a Song and only then hands it on.
//
// Saving never destroys what was there: the bytes go to a temporary file in
// the same folder, which is flushed to disk and then renamed over the old
// file, so a crash or a failed write leaves the old file whole.
//
// Loading treats files as untrusted: every length is checked against the
// bytes held before it is used, and the whole file is read into a Song
// before anything the player has is touched. A missing or damaged
// file prints one line ("EXCEPTION: <code>" or "Error loading file") and
// changes nothing: the load answers false and lastFailure() names the
// failure.
//
// Threads: UI thread only (launch, termination, the library screens) — or
// any one thread for a tool that owns its own model objects.
class FileManager {
public:
    // The model objects are not owned and must outlive the file manager;
    // documentsFolder holds the files (no trailing slash needed).
    FileManager(Tab* tab, Recorder* recorder, SoundEngine* soundEngine, std::string documentsFolder);

    // UI thread. documentsFolder + "/" + filename (the name is taken as it is).
    std::string getPathFromFilename(const std::string& filename) const;
    // UI thread, before any save or load. The tunings and beat saved with
    // songs and tabs (not owned); without it they are written as standard
    // tuning and the default beat, and loads leave them out.
    void setSongOptions(SongOptions* options) { options_ = options; }

    // UI thread. The documents folder given at construction.
    const std::string& documentsFolder() const { return documentsFolder_; }

    // UI thread. Replaces the file at `path` with `bytes` atomically (temporary
    // file, fsync, rename, fsync of the folder). On failure prints
    // "[saveDataFile] Could not save file", leaves any old file whole, removes
    // the temporary file and returns false.
    bool saveDataFile(const std::string& path, const uint8_t* bytes, size_t size);
    // UI thread. The whole file, through the bounded reader. Throws
    // StrumwellFailure with the reader's code when there is nothing to read:
    // "FileNotFound", "NotARegularFile" (a folder, a FIFO, a device),
    // "FileTooLarge" (larger than any song can be) or "Unreadable".
    std::vector<uint8_t> loadDataFile(const std::string& path) const;

    // UI thread. The whole state as a song buffer (header + three sections).
    std::vector<uint8_t> createSongSaveBuffer() const;
    // UI thread. Reads a song buffer into the tab, the recorder and the
    // engine, in that order, once it has read whole into a Song. A
    // section length that does not fit prints "Error loading file" and
    // returns false; a section reader's StrumwellFailure is passed on to the
    // caller (loadStateFromBuffer catches it). Either way nothing changed.
    bool restoreSongFromSaveBuffer(const uint8_t* bytes, size_t size);
    // UI thread. The version header followed by the tab section and the
    // tab guitar's tuning.
    std::vector<uint8_t> createTabSaveBuffer() const;

    // UI thread. Writes the song buffer to the named file; false when the
    // file could not be written (the old one is then unchanged).
    bool saveState(const std::string& filename);
    // UI thread. Restores tab, recorder and engine from the named file; a
    // missing, empty or damaged file changes none of them and answers false.
    bool loadState(const std::string& filename);
    // UI thread. As loadState, from bytes already in memory (never throws;
    // the entry point for tools and fuzzing).
    bool loadStateFromBuffer(const uint8_t* bytes, size_t size);
    // UI thread. Writes the tab file; false when it could not be written.
    bool saveTab(const std::string& filename);
    // UI thread. Restores the tab from the named tab file; a missing, empty
    // or damaged file leaves the tab as it was and answers false. Never
    // touches the recorder or the engine.
    bool loadTab(const std::string& filename);
    // UI thread. As loadTab, from bytes in memory (never throws).
    bool loadTabFromBuffer(const uint8_t* bytes, size_t size);

    // UI thread. Removes the temporary files that saves of processes no longer
    // running left in the documents folder (a save cut short by a crash or a
    // kill). A file of a process still alive is left alone: it may be saving
    // right now. Returns how many files were removed.
    int removeStaleTemporaryFiles();

    // UI thread. Resets the tab, the recorder and the engine, in that order,
    // then the tunings and beat.
    void resetState();
    // UI thread. Half the recorder's event count.
    int32_t numNotesToSave() const;

    // UI thread. Why the last load answered false: "FileNotFound", "Empty
    // file", "Error loading file" or a section reader's code such as
    // "TabFailure-2"; empty after a load that succeeded.
    const std::string& lastFailure() const { return lastFailure_; }

    // UI thread. Where the diagnostic lines go (standard output by default).
    void setDiagnosticStream(std::ostream& out) { diagnostics_ = &out; }

    // Tests only: makes the next saves fail at one step (see
    // WholeFileWriter::Stop), to prove that a failed save leaves the old
    // file whole.
    using SaveInterruption = WholeFileWriter::Stop;
    void setSaveInterruptionForTesting(SaveInterruption interruption) { interruption_ = interruption; }

    // The temporary files of a save are named "." + file name + this + a
    // unique suffix, so that they never look like songs or tabs.
    static constexpr const char* kTemporaryInfix = WholeFileWriter::kTemporaryInfix;

private:
    void printException(const std::string& name);
    // Runs load (which returns true or throws) unless the file is empty. A
    // failure is recorded (and printed, if thrown) and the answer is false;
    // load itself changes nothing before it knows the file reads whole.
    template <class Load> bool guardedLoad(bool empty, Load&& load);
    // Saves the bytes `build` makes to the named file. Building can run out
    // of memory: nothing is then written, the answer is false, and (when
    // `noteFailure`) a diagnostic line says so.
    template <class Build> bool buildAndSave(const std::string& filename, bool noteFailure, Build&& build);
    // Reads the named file and loads it as a song or state file (wholeSong)
    // or as a tab file.
    bool loadNamedFile(const std::string& filename, bool wholeSong);

    Tab* tab_;
    Recorder* recorder_;
    SoundEngine* soundEngine_;
    SongOptions* options_ = nullptr;
    std::string documentsFolder_;
    std::ostream* diagnostics_;
    std::string lastFailure_;
    SaveInterruption interruption_ = SaveInterruption::None;
};
