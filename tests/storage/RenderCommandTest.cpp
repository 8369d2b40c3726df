// `strumwell render` on small songs with a tiny bundle of sample files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "StorageTestSupport.h"
#include "platform/core/OfflineAudioOutput.h"
#include "storage/RenderCommand.h"
#include "storage/SongSections.h"
#include "storage/VersionHeader.h"
#include "storage/WavWriter.h"

namespace {

struct Wav {
    bool valid = false;
    int channels = 0;
    int rate = 0;
    int bits = 0;
    std::vector<int16_t> values;
    size_t frames() const { return channels ? values.size() / static_cast<size_t>(channels) : 0; }
};

uint32_t le32(const Bytes& b, size_t at) {
    return static_cast<uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
                                 (static_cast<uint32_t>(b[at + 3]) << 24));
}
uint16_t le16(const Bytes& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

// Reads the 44-byte header this system writes and checks every size in it.
Wav readWav(const std::string& path) {
    Wav w;
    const Bytes b = readFile(path);
    if (b.size() < 44 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 16) != "WAVEfmt " ||
        std::string(b.begin() + 36, b.begin() + 40) != "data")
        return w;
    const uint32_t dataBytes = le32(b, 40);
    if (le32(b, 4) != 36 + dataBytes || b.size() != 44 + dataBytes || le32(b, 16) != 16 || le16(b, 20) != 1)
        return w;
    w.channels = le16(b, 22);
    w.rate = static_cast<int>(le32(b, 24));
    w.bits = le16(b, 34);
    if (le32(b, 28) != static_cast<uint32_t>(w.rate * w.channels * 2) || le16(b, 32) != w.channels * 2)
        return w;
    for (size_t i = 44; i + 1 < b.size(); i += 2)
        w.values.push_back(static_cast<int16_t>(le16(b, i)));
    w.valid = true;
    return w;
}

// Every patch's 48 samples: a short, loud square wave, so that a note is
// plainly audible and dies out on its own. The one the test songs play
// (guitar 1's patch, file 11) lasts two seconds, so its notes end by their
// release.
void writeBundle(const std::string& folder) {
    std::vector<int16_t> samples(4410);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>((i / 50) % 2 ? 12000 : -12000);
    std::vector<int16_t> longSample(88200);
    for (size_t i = 0; i < longSample.size(); ++i)
        longSample[i] = samples[i % samples.size()];
    for (const char* prefix : {"A1-", "A2-", "E3-", "E2-", "CE-"})
        for (int k = 1; k <= 48; ++k) {
            const std::string name = prefix + std::to_string(k) + ".wav";
            const std::vector<int16_t>& values = name == "A2-11.wav" ? longSample : samples;
            WavWriter w;
            ASSERT_TRUE(w.open(folder + "/" + name, 44100, 1));
            ASSERT_TRUE(w.write(values.data(), values.size()));
            ASSERT_TRUE(w.finish());
        }
}

// Settings with no effect at all, so a note sounds plainly; delayOn turns on
// guitar 0's (plain) delay.
Bytes engineSection(bool delayOn, float feedback = 0.5f, float mix = 0.5f) {
    ByteWriter w;
    for (int g = 0; g < 2; ++g) {
        w.f32(1.0f);
        w.f64(-5e-4);
        w.i8(g == 0 ? 1 : 3);
    }
    for (int g = 0; g < 2; ++g) {
        w.u8(g == 0 && delayOn ? 1 : 0);
        w.u8(0);
        w.i32(8820);
        w.f32(feedback);
        w.f32(mix);
    }
    for (int g = 0; g < 2; ++g) {
        w.u8(0);
        w.i16(5000);
    }
    for (int i = 0; i < 7; ++i)
        w.u8(0);
    for (int i = 0; i < 5; ++i)
        w.u8(0);
    return w.take();
}

// One note of guitar 0: down at `down` s, up at `up` s.
Bytes oneNoteSong(double down, double up, bool delayOn, float feedback = 0.5f, float mix = 0.5f) {
    ByteWriter rec;
    rec.i32(1);
    rec.i32(2);
    for (int i = 0; i < 5; ++i)
        rec.i32(0);
    rec.u8(1);
    rec.i8(10);
    rec.f64(down);
    rec.i32(0);
    rec.f32(0.8f);
    rec.f64(-5e-4);
    rec.u8(0);
    rec.i8(0);
    rec.f64(up);
    rec.i32(0);
    rec.f32(0.0f);
    rec.f64(0.0);
    return songBuffer("VERSION2", Bytes{0, 0, 0, 0}, rec.take(), engineSection(delayOn, feedback, mix));
}

class RenderCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(bundle());
        writeBundle(bundle());
    }
    std::string bundle() const { return folder.file("bundle"); }

    int render(std::vector<std::string> args) {
        std::ostringstream out, err;
        args.push_back("--bundle");
        args.push_back(bundle());
        const int code = RenderCommand::run(args, out, err);
        lastOut = out.str();
        lastErr = err.str();
        return code;
    }

    // The same song played by hand: a pass at frames / 44100 before each
    // buffer, the buffer pulled from the engine's callback.
    std::vector<int16_t> reference(const Bytes& song, int bufferFrames, size_t totalFrames) {
        ManualClock clock;
        OfflineAudioOutput output(bufferFrames);
        SoundEngine engine(nullptr, &output, nullptr, bundle(), clock);
        engine.seedRandom(1);
        Recorder recorder(nullptr, &engine, clock, false);
        engine.setRecorder(&recorder);
        engine.resetState();
        const VersionHeader h = VersionHeader::read(song.data(), song.size());
        SongSections sections(song.data(), song.size(), h.dataOffset);
        const uint8_t* s = nullptr;
        size_t n = 0;
        sections.next(s, n);
        sections.next(s, n);
        recorder.restoreFromSaveBuffer(s, n, h.version);
        sections.next(s, n);
        engine.restoreFromSaveBuffer(s, n, h.version);
        std::vector<int16_t> all;
        std::vector<int16_t> buffer(static_cast<size_t>(bufferFrames) * 2);
        recorder.play();
        for (size_t frames = 0; frames < totalFrames; frames += static_cast<size_t>(bufferFrames)) {
            clock.set(static_cast<double>(frames) / 44100.0);
            recorder.runPlaybackPass();
            output.pull(buffer.data(), bufferFrames);
            all.insert(all.end(), buffer.begin(), buffer.end());
        }
        all.resize(totalFrames * 2);
        engine.setRecorder(nullptr);
        return all;
    }

    // Every value in [fromFrame, toFrame) within `tolerance` of zero.
    static bool silent(const std::vector<int16_t>& v, size_t fromFrame, size_t toFrame, int tolerance = 0) {
        for (size_t i = fromFrame * 2; i < toFrame * 2 && i < v.size(); ++i)
            if (v[i] < -tolerance || v[i] > tolerance)
                return false;
        return true;
    }

    TempFolder folder;
    std::string lastOut, lastErr;
};

} // namespace

TEST_F(RenderCommandTest, ExactFramesAndKnownTiming) {
    const Bytes song = oneNoteSong(0.5, 0.6, false);
    writeFile(folder.file("one.SAV"), song);
    const std::string out = folder.file("one.wav");
    ASSERT_EQ(render({folder.file("one.SAV"), "-o", out, "--buffer-frames", "441", "--frames", "44100"}), 0)
        << lastErr;
    const Wav w = readWav(out);
    ASSERT_TRUE(w.valid);
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.rate, 44100);
    EXPECT_EQ(w.bits, 16);
    ASSERT_EQ(w.frames(), 44100u);
    // The note starts in the pass at 0.5 s, i.e. with the buffer at frame 22050.
    EXPECT_TRUE(silent(w.values, 0, 22050));
    EXPECT_FALSE(silent(w.values, 22050, 22050 + 441));
    // It is released at 0.6 s and dies away well before the end.
    EXPECT_TRUE(silent(w.values, 40000, 44100));
    EXPECT_EQ(w.values, reference(song, 441, 44100));
}

TEST_F(RenderCommandTest, FramesNotAMultipleOfTheBuffer) {
    const Bytes song = oneNoteSong(0.0, 0.05, false);
    writeFile(folder.file("s.SAV"), song);
    const std::string out = folder.file("s.wav");
    ASSERT_EQ(render({folder.file("s.SAV"), "-o", out, "--frames", "1000"}), 0) << lastErr;
    const Wav w = readWav(out);
    ASSERT_EQ(w.frames(), 1000u);
    EXPECT_FALSE(silent(w.values, 0, 256));
    EXPECT_EQ(w.values, reference(song, 256, 1000));
    ASSERT_EQ(render({folder.file("s.SAV"), "-o", out, "--frames", "0"}), 0) << lastErr;
    EXPECT_EQ(readWav(out).frames(), 0u);
    EXPECT_TRUE(readWav(out).valid);
}

// The last frame holding a value beyond one step from zero, or -1.
long lastAudibleFrame(const std::vector<int16_t>& v) {
    for (size_t i = v.size(); i-- > 0;)
        if (v[i] < -1 || v[i] > 1)
            return static_cast<long>(i / 2);
    return -1;
}

// A note released at 0.2 s: the render ends once its release, and with the
// delay on its echoes, have died away, and the sound would have stayed
// silent after that.
TEST_F(RenderCommandTest, EndsOnceTheNoteAndItsEchoesHaveDiedAway) {
    const struct {
        const char* name;
        bool delayOn;
        size_t quietFrames; // the silence that ends it: the 0.1 s delay, or the shortest
        size_t atMost;
    } cases[] = {{"dry", false, RenderCommand::kMinQuietFrames, 22050}, {"wet", true, 4411, 2 * 44100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes song = oneNoteSong(0.1, 0.2, c.delayOn);
        writeFile(folder.file("s.SAV"), song);
        ASSERT_EQ(render({folder.file("s.SAV"), "-o", folder.file("s.wav")}), 0) << lastErr;
        const Wav w = readWav(folder.file("s.wav"));
        ASSERT_TRUE(w.valid);
        const long last = lastAudibleFrame(w.values);
        // The release alone (1639 frames at -5e-4) ends the dry note.
        EXPECT_GT(last, 0.2 * 44100 + 1000);
        // Whole buffers of 256 frames: the quiet stretch starts with the
        // buffer after the last sound and ends with the buffer that fills it.
        EXPECT_GE(w.frames(), static_cast<size_t>(last) + c.quietFrames);
        EXPECT_LT(w.frames(), static_cast<size_t>(last) + c.quietFrames + 2 * 256);
        EXPECT_LT(w.frames(), c.atMost);
        // Frame for frame what the engine plays, and silent for a second more.
        const auto longer = reference(song, 256, w.frames() + 44100);
        EXPECT_EQ(w.values, std::vector<int16_t>(longer.begin(), longer.begin() + long(w.values.size())));
        EXPECT_TRUE(silent(longer, w.frames(), w.frames() + 44100, 1));
    }
}

TEST_F(RenderCommandTest, EndlessEchoStopsTenSecondsAfterTheLastNote) {
    writeFile(folder.file("loop.SAV"), oneNoteSong(0.1, 0.2, true, 1.0f));
    ASSERT_EQ(render({folder.file("loop.SAV"), "-o", folder.file("loop.wav")}), 0) << lastErr;
    const Wav w = readWav(folder.file("loop.wav"));
    ASSERT_TRUE(w.valid);
    EXPECT_EQ(w.frames(), 449820u); // (0.2 + 10) * 44100, the last buffer cut short
    EXPECT_FALSE(silent(w.values, w.frames() - 44200, w.frames(), 1));
}

// A damaged feedback or mix plays as the nearest knob setting, not as noise.
TEST_F(RenderCommandTest, DelayGainsFromTheFileAreHeldToTheKnobsRange) {
    writeFile(folder.file("wild.SAV"), oneNoteSong(0.01, 0.2, true, 1e30f, INFINITY));
    writeFile(folder.file("knobs.SAV"), oneNoteSong(0.01, 0.2, true, 1.0f, 1.0f));
    ASSERT_EQ(render({folder.file("wild.SAV"), "-o", folder.file("wild.wav"), "--frames", "30000"}), 0);
    ASSERT_EQ(render({folder.file("knobs.SAV"), "-o", folder.file("knobs.wav"), "--frames", "30000"}), 0);
    EXPECT_EQ(readFile(folder.file("wild.wav")), readFile(folder.file("knobs.wav")));
    writeFile(folder.file("nan.SAV"), oneNoteSong(0.01, 0.2, true, NAN, NAN));
    writeFile(folder.file("off.SAV"), oneNoteSong(0.01, 0.2, true, 0.0f, 0.0f));
    ASSERT_EQ(render({folder.file("nan.SAV"), "-o", folder.file("nan.wav")}), 0);
    ASSERT_EQ(render({folder.file("off.SAV"), "-o", folder.file("off.wav")}), 0);
    EXPECT_EQ(readFile(folder.file("nan.wav")), readFile(folder.file("off.wav")));
}

TEST_F(RenderCommandTest, EmptySongIsAMomentOfSilence) {
    writeFile(folder.file("empty.SAV"),
              songBuffer("VERSION2", Bytes{0, 0, 0, 0}, Bytes(28, 0), engineSection(false)));
    ASSERT_EQ(render({folder.file("empty.SAV"), "-o", folder.file("e.wav")}), 0) << lastErr;
    const Wav w = readWav(folder.file("e.wav"));
    ASSERT_TRUE(w.valid);
    EXPECT_EQ(w.frames(), static_cast<size_t>(RenderCommand::kMinQuietFrames));
    EXPECT_TRUE(silent(w.values, 0, w.frames()));
}

TEST_F(RenderCommandTest, DeterministicAndOnlyTheWavsAreNeeded) {
    // The bundle holds nothing but WAV files; two renders agree bit for bit.
    writeFile(folder.file("s.SAV"), oneNoteSong(0.01, 0.3, true));
    ASSERT_EQ(render({folder.file("s.SAV"), "-o", folder.file("a.wav"), "--frames", "30000"}), 0);
    ASSERT_EQ(render({folder.file("s.SAV"), "-o", folder.file("b.wav"), "--frames", "30000"}), 0);
    EXPECT_EQ(readFile(folder.file("a.wav")), readFile(folder.file("b.wav")));
    EXPECT_NE(lastOut.find("30000 frames"), std::string::npos);
}

TEST_F(RenderCommandTest, DamagedOrMissingSongs) {
    Bytes damaged = songBuffer("VERSION2", Bytes{5, 0, 0, 0}, Bytes(28, 0), engineSection(false));
    writeFile(folder.file("bad.SAV"), damaged);
    EXPECT_EQ(render({folder.file("bad.SAV"), "-o", folder.file("bad.wav")}), 1);
    EXPECT_NE(lastErr.find("TabFailure-2"), std::string::npos) << lastErr;
    EXPECT_FALSE(std::filesystem::exists(folder.file("bad.wav")));

    Bytes cut = oneNoteSong(0.1, 0.2, false);
    cut.resize(cut.size() - 1);
    writeFile(folder.file("cut.SAV"), cut);
    EXPECT_EQ(render({folder.file("cut.SAV"), "-o", folder.file("cut.wav")}), 1);
    EXPECT_NE(lastErr.find("Error loading file"), std::string::npos) << lastErr;

    writeFile(folder.file("empty.SAV"), Bytes{});
    EXPECT_EQ(render({folder.file("empty.SAV"), "-o", folder.file("x.wav")}), 1);

    EXPECT_EQ(render({folder.file("none.SAV"), "-o", folder.file("none.wav")}), 1);
    EXPECT_NE(lastErr.find("FileNotFound"), std::string::npos);
}

TEST_F(RenderCommandTest, CommandLineErrors) {
    writeFile(folder.file("s.SAV"), oneNoteSong(0.1, 0.2, false));
    EXPECT_EQ(render({folder.file("s.SAV")}), 2);       // no -o
    EXPECT_EQ(render({"-o", folder.file("x.wav")}), 2); // no song
    EXPECT_EQ(render({folder.file("s.SAV"), "-o", folder.file("x.wav"), "--buffer-frames", "0"}), 2);
    EXPECT_EQ(render({folder.file("s.SAV"), "-o", folder.file("x.wav"), "--buffer-frames", "abc"}), 2);
    EXPECT_EQ(render({folder.file("s.SAV"), "-o", folder.file("x.wav"), "--frames", "-5"}), 2);
    EXPECT_EQ(render({folder.file("s.SAV"), "-o", folder.file("x.wav"), "--wat"}), 2);
    std::ostringstream out, err;
    EXPECT_EQ(RenderCommand::run({folder.file("s.SAV"), "-o", folder.file("x.wav"), "--bundle",
                                  folder.file("no-such-folder")},
                                 out, err),
              1);
    EXPECT_EQ(RenderCommand::run({"--help"}, out, err), 0);
    EXPECT_NE(out.str().find("--buffer-frames"), std::string::npos);
    EXPECT_EQ(render({folder.file("s.SAV"), "-o", folder.file("no/such/dir/x.wav")}), 1);
}
