#pragma once
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class ManualClock;
class OfflineAudioOutput;
class Recorder;
class SoundEngine;

// `strumwell render SONG -o OUT.wav [--bundle DIR] [--buffer-frames N] [--frames N]
//  [--speed P] [--loop A B [--passes N]] [--click]`:
// plays a song or state file offline into a 44100 Hz 16-bit stereo WAV file,
// at P percent of its speed (25 ... 200, in steps of 5), N passes (default 2)
// of the loop from A to B seconds of song time instead of the whole song,
// and with the metronome on the song's tempo when --click is given. Without
// these the render is what it always was, frame for frame.
//
// A fresh engine (no sound device, no window, no accelerometer) and a fresh
// recorder (no playback thread) share a clock that reads (frames rendered so
// far) / 44100 s. Before each buffer of N frames (default 256) one playback
// pass runs at that time, then the buffer is pulled from the engine's render
// callback through an offline output. The user's own state and documents
// are never read or written; the WAV is written beside OUT and renamed over
// it at the end, so a render that fails or is stopped leaves an old OUT as
// it was; the bundle is only read for its WAV samples
// (default: the bundle found beside the program).
//
// Without --frames it renders until the song has ended, no voice sounds and
// the output has stayed within one step of zero for as long as the longest
// delay that is on (0.3 s by default; kMinQuietFrames without a delay), so
// the echoes have died away; but never more than 10 s after the song's last
// note event, for echoes that never die. A song whose last note event lies
// more than an hour after its start (absurd times, a damaged file) is
// refused rather than written as gigabytes of silence. With --frames it renders exactly that many
// frames. Either way the output is the same, frame for frame, as far as it
// goes.
//
// Threads: any one thread (it is the render thread of its own engine).
class RenderCommand {
public:
    // args: the words after "render". Returns 0 when the WAV was written;
    // 1 when the song is missing or damaged (the failure's code, such as
    // "TabFailure-2" or "Error loading file", is printed on `err`) or lasts
    // more than kMaxSongSeconds, no
    // bundle was found, or the WAV could not be written; 2 on a bad command
    // line. A progress bar is drawn on `err` for long songs when `err` is
    // std::cerr and standard error is a terminal.
    static int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

    static std::string usage();

    // The render loop itself, shared with the recorder screen's export so
    // that both write the same file: plays the song already restored into
    // `recorder` through `engine` (whose output is `output` and whose clock
    // is `clock`), buffer by buffer, ending as described above (or after
    // exactly `exactFrames`). `sink` gets each buffer (interleaved stereo,
    // `n` frames), the frames done so far and the frames expected in all; when
    // it returns false the loop stops there (a failed write, a cancel).
    // Returns the frames rendered and whether the sink stopped the loop.
    // Threads: the render thread of `engine` (any one thread, offline).
    struct Rendered {
        uint64_t frames = 0;
        bool stoppedBySink = false;
    };
    using Sink = std::function<bool(const int16_t* buffer, uint64_t n, uint64_t done, uint64_t expected)>;
    // How the song is played: the practice controls as the command line sets them.
    struct PlayOptions {
        int speedPercent = 100;
        bool loop = false;
        double loopStart = 0.0;
        double loopEnd = 0.0;
        int passes = 2;
        bool click = false;
    };
    static Rendered renderLoop(SoundEngine& engine, Recorder& recorder, ManualClock& clock,
                               OfflineAudioOutput& output, int bufferFrames,
                               std::optional<uint64_t> exactFrames, const Sink& sink,
                               const PlayOptions& play);

    // Any thread. The time of a song's latest note event, where playback
    // ends (0 for none; a time that is not a number is never due).
    static double lastEventSeconds(const Recorder& recorder);
    // Any thread. Why a song cannot be rendered ("'NAME' has its last event
    // ... s after its start, ..."), empty when it can: its last note event
    // lies more than kMaxSongSeconds after its start.
    static std::string tooLong(const Recorder& recorder, const std::string& name);
    // Any thread. "'NAME' holds N events; the first 3000 were kept" for a
    // song that a load cut to Recorder::kMaxEvents (eventsLeftOut > 0);
    // empty otherwise. The tools print it on standard error.
    static std::string eventsLeftOutNotice(const std::string& name, int eventsLeftOut);

    static constexpr int kSampleRate = 44100;
    static constexpr int kDefaultBufferFrames = 256;
    static constexpr int kMaxBufferFrames = 65536;
    // How long the sound may go on after the last note event.
    static constexpr double kMaxTailSeconds = 10.0;
    // A song whose last note event lies further out than this is refused
    // (renderLoop itself stops here).
    static constexpr double kMaxSongSeconds = 3600.0;
    // The shortest silence that ends a render (about 46 ms).
    static constexpr int kMinQuietFrames = 2048;
};
