#pragma once
// The song model with no device and no thread: a tab, a recorder and a sound
// engine on a manual clock, the tunings and beat, and a file manager over a
// documents folder.
#include <sstream>
#include <string>

#include "audio/SoundEngine.h"
#include "recorder/Recorder.h"
#include "recorder/SongOptions.h"
#include "song/Tab.h"
#include "storage/FileManager.h"
#include "storage/RecorderSection.h"
#include "support/EngineSection.h"
#include "system/Clock.h"

namespace testsupport {

// The engine plays into `output` (none by default) and reads samples from
// `bundle`; the file manager's diagnostics go to `diagnostics`.
struct SongModel {
    explicit SongModel(const std::string& docs, const std::string& bundle = std::string(),
                       AudioOutput* output = nullptr, double start = 0.0)
        : clock(start), engine(nullptr, output, bundle, clock), recorder(nullptr, &engine, clock, false),
          files(&tab, &recorder, &engine, docs) {
        files.setDiagnosticStream(diagnostics);
        files.setSongOptions(&options);
        files.resetState();
    }

    // The recorder section a save writes now, in `version`'s layout (2 or 0).
    std::vector<uint8_t> savedEvents(int version = 2) {
        return RecorderSection::write(*recorder.snapshot().events, version);
    }
    // A recorder section loaded into the recorder as a file's would be.
    void loadEvents(const std::vector<uint8_t>& section, int version = 2) {
        Song song;
        song.events = RecorderSection::read(section.data(), section.size(), version, recorder.loadRoom());
        recorder.load(song);
    }

    ManualClock clock;
    std::ostringstream diagnostics;
    Tab tab;
    SoundEngine engine;
    Recorder recorder;
    SongOptions options;
    FileManager files;
};

} // namespace testsupport
