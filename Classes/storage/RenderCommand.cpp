#include "storage/RenderCommand.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

#include "audio/CallbackUserData.h"
#include "audio/SoundEngine.h"
#include "core/FailureText.h"
#include "core/GuitarId.h"
#include "recorder/Recorder.h"
#include "storage/CommandTool.h"
#include "storage/OfflineSong.h"
#include "storage/TemporaryFile.h"
#include "storage/WavWriter.h"
#include "system/Clock.h"
#include "system/Folders.h"
#include "system/OfflineAudioOutput.h"

namespace {

struct Options {
    std::string song;
    std::string output;
    std::string bundle;
    int bufferFrames = RenderCommand::kDefaultBufferFrames;
    std::optional<uint64_t> frames;
    RenderCommand::PlayOptions play;
};

bool parseSeconds(const std::string& text, double& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           value >= 0.0 && value <= RenderCommand::kMaxSongSeconds;
}

bool parseCount(const std::string& text, uint64_t& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// Returns an error message, empty when the options are good.
std::string parseOptions(const std::vector<std::string>& args, Options& o, bool& help) {
    help = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) -> bool {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        std::string v;
        std::string problem;
        if (CommandTool::commonOption(args, i, o.output, help, problem)) {
            if (help || !problem.empty())
                return problem;
        } else if (a == "--bundle") {
            if (!value(o.bundle) || o.bundle.empty())
                return "--bundle needs a folder";
        } else if (a == "--buffer-frames") {
            uint64_t n = 0;
            if (!value(v) || !parseCount(v, n) || n < 1 ||
                n > static_cast<uint64_t>(RenderCommand::kMaxBufferFrames))
                return "--buffer-frames needs a number from 1 to " +
                       std::to_string(RenderCommand::kMaxBufferFrames);
            o.bufferFrames = static_cast<int>(n);
        } else if (a == "--frames") {
            uint64_t n = 0;
            if (!value(v) || !parseCount(v, n))
                return "--frames needs a number of frames (0 or more)";
            if (n > WavWriter::kMaxDataBytes / 4)
                return "--frames is too large for a WAV file";
            o.frames = n;
        } else if (a == "--speed") {
            uint64_t n = 0;
            if (!value(v) || !parseCount(v, n) || n < 25 || n > 200 || n % 5 != 0)
                return "--speed needs a percentage from 25 to 200 in steps of 5";
            o.play.speedPercent = static_cast<int>(n);
        } else if (a == "--loop") {
            std::string b;
            if (!value(v) || !value(b) || !parseSeconds(v, o.play.loopStart) ||
                !parseSeconds(b, o.play.loopEnd) || o.play.loopEnd <= o.play.loopStart)
                return "--loop needs two times in seconds, A before B";
            o.play.loop = true;
        } else if (a == "--passes") {
            uint64_t n = 0;
            if (!value(v) || !parseCount(v, n) || n < 1 || n > 1000)
                return "--passes needs a number from 1 to 1000";
            o.play.passes = static_cast<int>(n);
        } else if (a == "--click") {
            o.play.click = true;
        } else if (problem = CommandTool::inputWord(a, o.song, true); !problem.empty()) {
            return problem;
        }
    }
    if (o.play.loop && (o.play.loopEnd - o.play.loopStart) * o.play.passes * 100.0 / o.play.speedPercent >
                           RenderCommand::kMaxSongSeconds)
        return "--loop and --passes would play for more than an hour";
    return CommandTool::missing(o.song, "no song file given", o.output, "no output file given (-o OUT.wav)");
}

// A one-line bar on a terminal, redrawn when the percentage moves.
class ProgressBar {
public:
    ProgressBar(std::ostream& err, bool enabled, uint64_t total)
        : err_(err), enabled_(enabled), total_(total) {}
    void update(uint64_t done) {
        if (!enabled_ || total_ == 0)
            return;
        const int percent = static_cast<int>(std::min<uint64_t>(100, done * 100 / total_));
        if (percent == last_)
            return;
        last_ = percent;
        const int filled = percent * 40 / 100;
        err_ << "\rrendering [" << std::string(static_cast<size_t>(filled), '#')
             << std::string(static_cast<size_t>(40 - filled), ' ') << "] " << percent << "%" << std::flush;
    }
    void finish() {
        if (enabled_ && last_ >= 0)
            err_ << "\n" << std::flush;
    }

private:
    std::ostream& err_;
    bool enabled_;
    uint64_t total_;
    int last_ = -1;
};

// Silence is at most one step from zero: the delay's fixed-point feedback
// rounds towards minus infinity, so a ring that has died away can keep
// circulating -1 for ever, which no one can hear.
bool allSilent(const int16_t* values, size_t count) {
    return std::all_of(values, values + count, [](int16_t v) { return v >= -1 && v <= 1; });
}

// How long the output must stay silent, with the song over and no voice
// sounding, before nothing more can be heard. A delay line only remembers
// its own length: every value it will still play was written within that
// many frames, from what it played then, and its feedback (at most 1) never
// makes an echo louder than the one it comes from. So once a whole delay
// length has passed in silence, every later echo is silent too. Without a
// delay, a short stretch is enough for the wah filter to have settled.
uint64_t quietFramesNeeded(const SoundEngine& engine) {
    uint64_t frames = RenderCommand::kMinQuietFrames;
    for (int g = 0; g < kGuitars; ++g) {
        if (!engine.delayOn(g))
            continue;
        int64_t values = std::clamp<int64_t>(engine.delayTime(g), 0, kDelayRingValues);
        if (values == 0)
            values = kDelayRingValues; // reads the value about to be overwritten: a whole ring
        // Two values a frame; one frame more for an odd length.
        frames = std::max<uint64_t>(frames, static_cast<uint64_t>(values / 2 + 1));
    }
    return frames;
}

// A render ended by a signal (a terminal's Ctrl-C, a kill) takes its
// temporary file with it, then ends as the signal would have ended it: the
// old output stays as it was and nothing is left beside it. Only signals
// that would have ended the program anyway are caught; the handler calls
// nothing but unlink and raise, which a handler may call.
class RemoveOnSignal {
public:
    explicit RemoveOnSignal(const std::string& path) {
        if (path.size() >= sizeof path_)
            return;
        path.copy(path_, path.size());
        path_[path.size()] = '\0';
        for (size_t i = 0; i < kCount; ++i) {
            struct sigaction current {};
            installed_[i] = ::sigaction(kSignals[i], nullptr, &current) == 0 && current.sa_handler == SIG_DFL;
            if (!installed_[i])
                continue;
            struct sigaction a {};
            a.sa_handler = onSignal;
            a.sa_flags = SA_RESETHAND;
            sigemptyset(&a.sa_mask);
            ::sigaction(kSignals[i], &a, &old_[i]);
        }
    }
    ~RemoveOnSignal() {
        for (size_t i = 0; i < kCount; ++i)
            if (installed_[i])
                ::sigaction(kSignals[i], &old_[i], nullptr);
        path_[0] = '\0';
    }
    RemoveOnSignal(const RemoveOnSignal&) = delete;
    RemoveOnSignal& operator=(const RemoveOnSignal&) = delete;

private:
    static void onSignal(int signal) {
        if (path_[0] != '\0')
            ::unlink(path_);
        ::raise(signal); // the default action, once this handler returns
    }
    static constexpr size_t kCount = 3;
    static constexpr int kSignals[kCount] = {SIGINT, SIGTERM, SIGHUP};
    static inline char path_[4096] = {};
    bool installed_[kCount] = {};
    struct sigaction old_[kCount] {};
};

} // namespace

std::string RenderCommand::usage() {
    return "usage: strumwell render SONG -o OUT.wav [--bundle DIR] [--buffer-frames N] [--frames N]\n"
           "         [--speed P] [--loop A B [--passes N]] [--click]\n"
           "  Plays a song or state file (- for standard input) offline into a 44100 Hz\n"
           "  16-bit stereo WAV file.\n"
           "  --bundle DIR        folder holding the sample WAV files (default: the bundle\n"
           "                      beside the program)\n"
           "  --buffer-frames N   frames per rendered buffer, 1 to 65536 (default 256); one\n"
           "                      playback pass runs before each buffer\n"
           "  --frames N          render exactly N frames (default: until the song has\n"
           "                      ended and its sound has died away, at most 10 s after\n"
           "                      its last note)\n"
           "  --speed P           play at P percent of the song's speed, 25 to 200 in\n"
           "                      steps of 5 (default 100); samples keep their pitch\n"
           "  --loop A B          play the song from A to B seconds (song time) over and\n"
           "                      over instead of once\n"
           "  --passes N          passes of the loop before the render stops (default 2)\n"
           "  --click             mix in the metronome on the song's tempo (none without\n"
           "                      a tempo)\n";
}

int RenderCommand::run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommandTool tool("strumwell render", out, err);
    Options o;
    if (const int code = tool.parseCommandLine(args, o, parseOptions, usage()); code >= 0)
        return code;
    if (o.bundle.empty())
        o.bundle = Folders::findBundleFolder();
    if (o.bundle.empty()) {
        err << "strumwell render: no bundle found; give the sample folder with --bundle DIR\n";
        return 1;
    }
    {
        struct stat st {};
        if (::stat(o.bundle.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            err << "strumwell render: " << o.bundle << " is not a folder\n";
            return 1;
        }
    }

    OfflineSong song(o.bundle, o.bufferFrames);
    std::vector<uint8_t> bytes;
    if (!tool.readFile(song.files(), o.song, bytes, "", true))
        return 1;
    if (!song.load(bytes)) {
        err << FailureText::toolLine(o.song, song.files().lastFailure()) << "\n";
        return 1;
    }
    if (const std::string problem = tooLong(song.recorder(), o.song); !problem.empty()) {
        err << "strumwell render: " << problem << "\n";
        return 1;
    }
    if (const std::string notice = eventsLeftOutNotice(o.song, song.recorder().eventsLeftOutOnLoad());
        !notice.empty())
        err << "strumwell render: " << notice << "\n";

    // Written beside the output and renamed over it at the end: a render
    // that fails or is stopped leaves an old file as it was.
    TemporaryFile temporary(o.output);
    const RemoveOnSignal removeOnSignal(temporary.path());
    WavWriter wav;
    if (!wav.open(temporary.path(), kSampleRate, 2)) {
        err << "strumwell render: cannot write " << o.output << "\n";
        return 1;
    }

    const bool showProgress = &err == &std::cerr && ::isatty(STDERR_FILENO);
    std::unique_ptr<ProgressBar> progress;
    const Rendered rendered = song.render(
        o.frames, o.play, [&](const int16_t* buffer, uint64_t n, uint64_t done, uint64_t expected) {
            if (!progress)
                progress = std::make_unique<ProgressBar>(err, showProgress && expected > 10u * kSampleRate,
                                                         expected);
            if (!wav.write(buffer, static_cast<size_t>(n)))
                return false;
            progress->update(done);
            return true;
        });
    const uint64_t frames = rendered.frames;
    const bool ok = !rendered.stoppedBySink;
    if (progress)
        progress->finish();

    if (!wav.finish() || !ok || !temporary.commit()) {
        err << "strumwell render: could not write " << o.output << "\n";
        return 1;
    }
    out << "Wrote " << o.output << ": " << frames << " frames (" << static_cast<double>(frames) / kSampleRate
        << " s)\n";
    return 0;
}

double RenderCommand::lastEventSeconds(const Recorder& recorder) {
    // Playback walks the list in its order and ends once every event is due,
    // so the song lasts until its latest time, wherever that lies in the
    // list; an event that is never due (not a number) does not count.
    double last = 0.0;
    for (const Note& note : recorder.notes())
        if (note.time() > last)
            last = note.time();
    return last;
}

std::string RenderCommand::tooLong(const Recorder& recorder, const std::string& name) {
    const double last = lastEventSeconds(recorder);
    if (last <= kMaxSongSeconds)
        return {};
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", last);
    return "'" + name + "' has its last event " + seconds +
           " s after its start, more than the hour a render may last; nothing written";
}

std::string RenderCommand::eventsLeftOutNotice(const std::string& name, int eventsLeftOut) {
    if (eventsLeftOut <= 0)
        return {};
    return "'" + name + "' holds " + std::to_string(Recorder::kMaxEvents + eventsLeftOut) +
           " events; the first " + std::to_string(Recorder::kMaxEvents) + " were kept";
}

RenderCommand::Rendered RenderCommand::renderLoop(SoundEngine& engine, Recorder& recorder, ManualClock& clock,
                                                  OfflineAudioOutput& output, int bufferFrames,
                                                  std::optional<uint64_t> exactFrames, const Sink& sink,
                                                  const PlayOptions& play) {
    recorder.setSpeedPercent(play.speedPercent);
    recorder.setLoop(play.loopStart, play.loopEnd);
    recorder.setLoopOn(play.loop);
    recorder.setStopAfterPasses(play.loop ? play.passes : 0);
    recorder.setClickOn(play.click);
    // When to give up waiting for silence: 10 s after the last note event
    // (or the last pass of the loop) is heard.
    const double songSeconds = play.loop ? (recorder.loopEnd() - recorder.loopStart()) * play.passes
                                         : std::min(lastEventSeconds(recorder), kMaxSongSeconds);
    const int speed = recorder.speedPercent();
    const double lastEvent =
        speed == 100 ? songSeconds : std::min(songSeconds * 100.0 / speed, 4.0 * kMaxSongSeconds);
    const uint64_t tailLimit = static_cast<uint64_t>(std::ceil((lastEvent + kMaxTailSeconds) * kSampleRate));
    const uint64_t silenceNeeded = quietFramesNeeded(engine);
    const uint64_t expected = exactFrames
                                  ? *exactFrames
                                  : static_cast<uint64_t>(std::ceil(lastEvent * kSampleRate)) + silenceNeeded;

    std::vector<int16_t> buffer(static_cast<size_t>(bufferFrames) * 2);
    Rendered rendered;
    uint64_t& frames = rendered.frames;
    uint64_t quietFrames = 0;
    recorder.play();
    for (;;) {
        uint64_t n = static_cast<uint64_t>(bufferFrames);
        if (exactFrames) {
            if (frames >= *exactFrames)
                break;
            n = std::min(n, *exactFrames - frames);
        } else {
            if (frames >= tailLimit)
                break;
            n = std::min(n, tailLimit - frames);
        }
        clock.set(static_cast<double>(frames) / kSampleRate);
        recorder.runPlaybackPass();
        // Nothing can start any more and nothing sounds: only echoes and the
        // wah's last swing can still reach the output.
        const bool quiet = !exactFrames && recorder.getState() == 0 && engine.numSamplesPlaying() == 0;
        output.pull(buffer.data(), static_cast<int>(n));
        if (!sink(buffer.data(), n, frames + n, expected)) {
            rendered.stoppedBySink = true;
            break;
        }
        frames += n;
        if (exactFrames)
            continue;
        quietFrames = quiet && allSilent(buffer.data(), static_cast<size_t>(n) * 2) ? quietFrames + n : 0;
        if (quietFrames >= silenceNeeded)
            break;
    }
    recorder.stop();
    return rendered;
}
