#pragma once
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "recorder/Recorder.h"
#include "recorder/SongOptions.h"
#include "song/Tab.h"
#include "storage/FileManager.h"
#include "storage/RenderCommand.h"
#include "system/Clock.h"
#include "system/OfflineAudioOutput.h"

// A song played offline, as `strumwell render` and the recorder screen's WAV
// export play it: a clock of its own (the render loop sets it), an offline
// output, a fresh engine and recorder (no sound device, no playback thread,
// fixed random seeds, so every render of a song is the same), a tab, the
// song's options (its beat, for the click), and a
// file manager with no documents folder whose own diagnostic lines are kept
// off the output (the caller reports a failure once).
//
// Threads: any one thread (the render thread of its own engine).
class OfflineSong {
public:
    OfflineSong(const std::string& bundleFolder, int bufferFrames);
    // Detaches the recorder from the engine before either goes.
    ~OfflineSong();
    OfflineSong(const OfflineSong&) = delete;
    OfflineSong& operator=(const OfflineSong&) = delete;

    // Reads a song or state file's bytes into the model, from the engine's
    // defaults as the program starts: an engine section of a version the
    // engine does not read plays with the default settings and patches.
    // False when the song is damaged; files().lastFailure() then names why.
    bool load(const std::vector<uint8_t>& bytes);
    // Plays the loaded song through RenderCommand::renderLoop.
    RenderCommand::Rendered render(std::optional<uint64_t> exactFrames, const RenderCommand::Sink& sink) {
        return render(exactFrames, {}, sink);
    }
    // The same, played as `play` asks (speed, loop, click on the song's tempo).
    RenderCommand::Rendered render(std::optional<uint64_t> exactFrames,
                                   const RenderCommand::PlayOptions& play, const RenderCommand::Sink& sink);

    FileManager& files() { return files_; }
    const Recorder& recorder() const { return recorder_; }
    // The loaded song's tunings and beat.
    const SongOptions& options() const { return options_; }

private:
    int bufferFrames_;
    ManualClock clock_{0.0};
    OfflineAudioOutput output_;
    SoundEngine engine_;
    Recorder recorder_;
    Tab tab_;
    SongOptions options_;
    std::ostringstream diagnostics_;
    FileManager files_;
};
