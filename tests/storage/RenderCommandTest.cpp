// `strumwell render` on small songs with a bundle of stand-in samples,
// compared frame for frame with the same song played by hand.
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>

#include "StorageTestSupport.h"
#include "storage/SongRenderJob.h"
#include "support/SampleBundle.h"
#include "system/OfflineAudioOutput.h"

namespace {

// Settings with no effect but guitar 0's plain delay when `delayOn`.
Bytes engineSection(bool delayOn, float feedback = 0.5f, float mix = 0.5f) {
    return pack(1.0f, -5e-4, int8_t(1), 1.0f, -5e-4, int8_t(3), delayOn, false, 8820, feedback, mix, false,
                false, 8820, feedback, mix, false, int16_t(5000), false, int16_t(5000), Bytes(12, 0));
}

// One note of guitar 0 (sample 10, release -5e-4) from `down` to `up` s.
Bytes oneNoteSong(double down, double up, bool delayOn, float feedback = 0.5f, float mix = 0.5f) {
    const Bytes rec =
        recorderSection({Note(10, 0.8f, down, 1, 0, -5e-4, 0.0), Note(up, 0, 0.0)}, {}, {}, {}, 1);
    return songBuffer("VERSION2", Bytes{0, 0, 0, 0}, rec, engineSection(delayOn, feedback, mix));
}

class RenderCommandTest : public ::testing::Test {
protected:
    // Every sample a loud square wave of 0.1 s; the one the songs
    // play (guitar 1's file 11) lasts two seconds, so their notes end by their release.
    void SetUp() override {
        testsupport::writeSampleBundle(folder.sub("bundle"), [](int g, int k) {
            std::vector<int16_t> values(g == 1 && k == 11 ? 88200 : 4410);
            for (size_t i = 0; i < values.size(); ++i)
                values[i] = static_cast<int16_t>((i % 4410) / 50 % 2 ? 12000 : -12000);
            return values;
        });
    }

    // Renders `song` and returns the stereo values of the WAV written.
    std::vector<int16_t> render(const Bytes& song, std::vector<std::string> extra = {}) {
        writeFile(folder.file("s.SAV"), song);
        extra.insert(extra.begin(),
                     {folder.file("s.SAV"), "-o", folder.file("s.wav"), "--bundle", folder.file("bundle")});
        last = runCommand(RenderCommand::run, extra);
        EXPECT_EQ(last.code, 0) << last.err;
        Bytes b = readFile(folder.file("s.wav"));
        b.resize(std::max<size_t>(b.size(), 44)); // a missing file fails the header check
        // RIFF, WAVE, a 16-byte PCM format of 2 channels at 44100 Hz and 16 bits, then the data.
        const uint32_t data = static_cast<uint32_t>(b.size() - 44);
        EXPECT_EQ(Bytes(b.begin(), b.begin() + 44),
                  pack("RIFF", data + 36, "WAVEfmt ", 16, int16_t(1), int16_t(2), 44100, 176400, int16_t(4),
                       int16_t(16), "data", data));
        std::vector<int16_t> values((b.size() - 44) / 2);
        if (!values.empty()) // an empty vector's data() may be null, which memcpy must not get
            std::memcpy(values.data(), b.data() + 44, values.size() * 2); // both little-endian
        return values;
    }

    // The same song played by hand: a pass at frames / 44100 before each
    // buffer, the buffer pulled from the engine's callback.
    std::vector<int16_t> reference(const Bytes& song, int bufferFrames, size_t totalFrames) {
        OfflineAudioOutput output(bufferFrames);
        Model m(folder.str(), folder.file("bundle"), &output);
        m.engine.seedRandom(1);
        EXPECT_TRUE(m.files.loadStateFromBuffer(song.data(), song.size()));
        std::vector<int16_t> all, buffer(static_cast<size_t>(bufferFrames) * 2);
        m.recorder.play();
        for (size_t frames = 0; frames < totalFrames; frames += static_cast<size_t>(bufferFrames)) {
            m.clock.set(static_cast<double>(frames) / 44100.0);
            m.recorder.runPlaybackPass();
            output.pull(buffer.data(), bufferFrames);
            all.insert(all.end(), buffer.begin(), buffer.end());
        }
        all.resize(totalFrames * 2);
        return all;
    }

    // The frames [from, to) within `tolerance` of zero.
    static bool silent(const std::vector<int16_t>& v, size_t from, size_t to, int tolerance = 0) {
        for (size_t i = from * 2; i < to * 2 && i < v.size(); ++i)
            if (std::abs(v[i]) > tolerance)
                return false;
        return true;
    }

    TempFolder folder;
    CommandRun last;
};

} // namespace

// With --frames the render is that long; without, it ends once the note
// and, with the delay on, its echoes have died away (the quiet stretch starts
// with the buffer after the last sound and ends with the buffer that fills
// it), and the sound would have stayed silent after that. Either way it is
// what the engine plays by hand.
TEST_F(RenderCommandTest, RendersAreWhatTheEnginePlaysAndEndOnceTheSoundHasDiedAway) {
    const struct {
        double down;
        bool delayOn;
        int buffer;     // 0: the default
        int64_t frames; // -1: until quiet
        size_t quiet;   // the silence that ends it: the shortest, or the 0.1 s delay
    } cases[] = {{0.5, false, 441, 44100, 0},
                 {0.0, false, 0, 1000, 0},
                 {0.0, false, 0, 0, 0},
                 {0.1, false, 0, -1, RenderCommand::kMinQuietFrames},
                 {0.1, true, 0, -1, 4411}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.down << (c.delayOn ? " delay " : " ") << c.frames);
        const Bytes song = oneNoteSong(c.down, c.down + 0.1, c.delayOn);
        std::vector<std::string> extra;
        if (c.frames >= 0)
            extra = {"--frames", std::to_string(c.frames)};
        if (c.buffer)
            extra.insert(extra.end(), {"--buffer-frames", std::to_string(c.buffer)});
        const std::vector<int16_t> v = render(song, extra);
        const size_t frames = v.size() / 2, start = static_cast<size_t>(c.down * 44100);
        const auto longer = reference(song, c.buffer ? c.buffer : 256, frames + 44100);
        EXPECT_EQ(v, std::vector<int16_t>(longer.begin(), longer.begin() + long(v.size())));
        // The note starts with the buffer of its pass and dies away after its release.
        EXPECT_TRUE(silent(v, 0, start));
        EXPECT_FALSE(silent(v, start, start + 256) && frames > 0);
        if (c.frames >= 0) {
            EXPECT_EQ(frames, size_t(c.frames));
            EXPECT_THAT(last.out, HasSubstr(": " + std::to_string(frames) + " frames"));
            EXPECT_TRUE(silent(v, 40000, frames));
            continue;
        }
        size_t sound = frames;
        while (sound > 0 && silent(v, sound - 1, sound, 1))
            --sound;
        EXPECT_GT(sound, (c.down + 0.1) * 44100 + 1000); // the release alone takes 1639 frames
        EXPECT_GE(frames, sound - 1 + c.quiet);
        EXPECT_LT(frames, sound - 1 + c.quiet + 2 * 256);
        EXPECT_TRUE(silent(longer, frames, frames + 44100, 1));
    }
    // An endless echo stops ten seconds after the last note, the last buffer cut short.
    const std::vector<int16_t> loop = render(oneNoteSong(0.1, 0.2, true, 1.0f));
    EXPECT_EQ(loop.size() / 2, 449820u);
    EXPECT_FALSE(silent(loop, loop.size() / 2 - 44200, loop.size() / 2, 1));
    // An empty song is a moment of silence.
    const std::vector<int16_t> empty =
        render(songBuffer("VERSION2", Bytes{0, 0, 0, 0}, Bytes(28, 0), engineSection(false)));
    EXPECT_EQ(empty.size() / 2, static_cast<size_t>(RenderCommand::kMinQuietFrames));
    EXPECT_TRUE(silent(empty, 0, empty.size() / 2));
}

// Every command refuses a bad command line (2) or an input or output it
// cannot use (1), says why, and writes nothing; `dump` answers at once
// whatever the path names (a FIFO with no writer, an endless device).
TEST_F(RenderCommandTest, DamagedSongsAndBadCommandLinesWriteNothing) {
    const std::string song = folder.file("s.SAV"), out = folder.file("x.wav"), bundle = folder.file("bundle");
    const std::string none = folder.file("none.SAV"), fifo = folder.file("fifo.SAV");
    writeFile(song, oneNoteSong(0.1, 0.2, false));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string notRegular = "': it is not a regular file (NotARegularFile)\n";
    const struct {
        Command command;
        std::vector<std::string> args;
        int code;
        std::string says;
    } cases[] = {
        {RenderCommand::run,
         {none, "-o", out, "--bundle", bundle},
         1,
         "there is no such file (FileNotFound)"},
        {RenderCommand::run, {song, "-o", out, "--bundle", folder.file("no-such")}, 1, "is not a folder"},
        {RenderCommand::run, {song, "-o", folder.file("no/x.wav"), "--bundle", bundle}, 1, "cannot write"},
        {RenderCommand::run, {song}, 2, "no output file"},
        {RenderCommand::run, {"-o", out}, 2, "no song file"},
        {RenderCommand::run, {song, "-o", out, "--buffer-frames", "0"}, 2, "--buffer-frames needs"},
        {RenderCommand::run, {song, "-o", out, "--buffer-frames", "abc"}, 2, "--buffer-frames needs"},
        {RenderCommand::run, {song, "-o", out, "--frames", "-5"}, 2, "--frames needs"},
        {RenderCommand::run, {song, "-o", out, "--wat"}, 2, "unknown option '--wat'"},
        {DumpCommand::run, {fifo}, 1, "strumwell: cannot read '" + fifo + notRegular},
        {DumpCommand::run, {"/dev/zero"}, 1, "strumwell: cannot read '/dev/zero" + notRegular},
        {DumpCommand::run, {}, 2, "usage"},
        {DumpCommand::run, {"--bogus", "a"}, 2, "unexpected argument '--bogus'"},
        {ExportCommand::run, {none, "-o", out}, 1, "FileNotFound"},
        {ExportCommand::run, {song}, 2, "no output file"},
        {TabCommand::run, {"export", song}, 2, "usage"},
        {TabCommand::run, {"convert", song, "-o", out}, 2, "usage"},
        {TabCommand::run, {"export", song, "-o", out, "--bar", "many"}, 2, "--bar"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const CommandRun r = runCommand(c.command, c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_THAT(r.err, HasSubstr(c.says));
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    for (auto [command, usage] : {std::pair<Command, std::string>{RenderCommand::run, RenderCommand::usage()},
                                  {DumpCommand::run, DumpCommand::usage()},
                                  {ExportCommand::run, ExportCommand::usage()},
                                  {TabCommand::run, TabCommand::usage()}})
        EXPECT_EQ(runCommand(command, {"--help"}), (CommandRun{0, usage, ""}));
}

// The job on a bent note with the default settings (the wah and the delay
// on) writes what the command writes; cancelled before its first buffer, it
// writes nothing and an old file stays whole.
TEST_F(RenderCommandTest, TheBackgroundJobWritesTheSameFileAndCanBeCancelled) {
    const Bytes song = songBuffer("VERSION2", Bytes{0, 0, 0, 0}, oneNoteRecorderSection(),
                                  engineSection(Model(folder.str()).engine));
    render(song);
    writeFile(folder.file("old.wav"), pack("old"));
    SongRenderJob job(song, folder.file("bundle"), folder.file("job.wav"));
    SongRenderJob cancelled(song, folder.file("bundle"), folder.file("old.wav"));
    cancelled.cancel();
    for (SongRenderJob* j : {&job, &cancelled}) {
        j->start();
        j->wait();
    }
    EXPECT_EQ(job.state(), SongRenderJob::State::Done);
    EXPECT_FLOAT_EQ(job.progress(), 1.0f);
    EXPECT_EQ(job.message(), "job.wav");
    EXPECT_EQ(readFile(folder.file("job.wav")), readFile(folder.file("s.wav")));
    EXPECT_EQ(cancelled.state(), SongRenderJob::State::Cancelled);
    EXPECT_EQ(readFile(folder.file("old.wav")), pack("old"));
}

// A render whose writes fail part-way (here a file size limit, as a full disk
// would) or that is refused (its last note an hour or more away) leaves an
// old output as it was and nothing beside it.
TEST_F(RenderCommandTest, AFailedOrRefusedRenderLeavesTheOldFileWhole) {
    const std::string old = folder.file("old.wav"), bundle = folder.file("bundle");
    writeFile(old, pack("old"));
    const struct {
        double up;
        size_t fileSizeLimit;
        std::string says, jobSays;
    } cases[] = {{0.5, 20000, "could not write " + old, "cannot write old.wav"},
                 {3600.01, 0, "has its last event 3600.01 s after its start", "more than an hour"},
                 {1e300, 0, "has its last event 1e+300 s", "more than an hour"}};
    for (const auto& c : cases) {
        const Bytes song = oneNoteSong(0.1, c.up, false);
        writeFile(folder.file("s.SAV"), song);
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit small{c.fileSizeLimit ? c.fileSizeLimit : saved.rlim_cur, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead
        ::setrlimit(RLIMIT_FSIZE, &small);
        const CommandRun r =
            runCommand(RenderCommand::run, {folder.file("s.SAV"), "-o", old, "--bundle", bundle});
        SongRenderJob job(song, bundle, old);
        job.start();
        job.wait();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_DFL);
        EXPECT_EQ(r.code, 1);
        EXPECT_THAT(r.err, HasSubstr(c.says));
        EXPECT_EQ(job.state(), SongRenderJob::State::Failed);
        EXPECT_THAT(job.message(), HasSubstr(c.jobSays));
        EXPECT_EQ(readFile(old), pack("old"));
        EXPECT_EQ(filesIn(folder), 3u); // the bundle, the song and the old file
    }
}

// A song of more than 3000 note events plays its first 3000, and every tool
// says so.
TEST_F(RenderCommandTest, ToolsSayWhenASongIsCutToTheEventLimit) {
    std::vector<Note> notes;
    for (int id = 0; id < 1503; ++id)
        notes.insert(notes.end(), {Note(10, 0.8f, 0.0, 1, id, -5e-4, 0.0), Note(0.01, id, 0.0)});
    const Bytes song = songBuffer("VERSION2", Bytes{0, 0, 0, 0}, recorderSection(notes, {}, {}, {}, 1),
                                  engineSection(false));
    const std::string says = "'" + folder.file("s.SAV") + "' holds 3006 events; the first 3000 were kept\n";
    render(song, {"--frames", "1"});
    EXPECT_EQ(last.err, "strumwell render: " + says);
    EXPECT_EQ(runCommand(ExportCommand::run, {folder.file("s.SAV"), "-o", folder.file("s.mid")}).err,
              "strumwell export: " + says);
    EXPECT_THAT(dump(song).out, HasSubstr("\"currentNoteID\": 1,\n    \"eventsLeftOut\": 6,\n    \"notes\""));
}
