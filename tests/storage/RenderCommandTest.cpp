// `strumwell render` on small songs with a tiny bundle of sample files.
#include <gtest/gtest.h>

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
// plainly audible and dies out on its own.
void writeBundle(const std::string& folder) {
    std::vector<int16_t> samples(4410);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>((i / 50) % 2 ? 12000 : -12000);
    for (const char* prefix : {"A1-", "A2-", "E3-", "E2-", "CE-"})
        for (int k = 1; k <= 48; ++k) {
            WavWriter w;
            ASSERT_TRUE(w.open(folder + "/" + prefix + std::to_string(k) + ".wav", 44100, 1));
            ASSERT_TRUE(w.write(samples.data(), samples.size()));
            ASSERT_TRUE(w.finish());
        }
}

// Settings with no effect at all, so a note sounds plainly; delayOn turns on
// guitar 0's (plain) delay.
Bytes engineSection(bool delayOn, float feedback = 0.5f) {
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
        w.f32(0.5f);
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
Bytes oneNoteSong(double down, double up, bool delayOn, float feedback = 0.5f) {
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
    return songBuffer("VERSION2", Bytes{0, 0, 0, 0}, rec.take(), engineSection(delayOn, feedback));
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

TEST_F(RenderCommandTest, RendersUntilTheSoundHasDiedAway) {
    writeFile(folder.file("dry.SAV"), oneNoteSong(0.1, 0.2, false));
    writeFile(folder.file("wet.SAV"), oneNoteSong(0.1, 0.2, true));
    ASSERT_EQ(render({folder.file("dry.SAV"), "-o", folder.file("dry.wav")}), 0) << lastErr;
    ASSERT_EQ(render({folder.file("wet.SAV"), "-o", folder.file("wet.wav")}), 0) << lastErr;
    const Wav dry = readWav(folder.file("dry.wav"));
    const Wav wet = readWav(folder.file("wet.wav"));
    ASSERT_TRUE(dry.valid);
    ASSERT_TRUE(wet.valid);
    // Ends with a whole delay ring of silence (the delay may leave a -1
    // circulating), well before the limit of 10 s after the last note.
    for (const Wav* w : {&dry, &wet}) {
        EXPECT_GE(w->frames(), 8820u + 44200u);
        EXPECT_LT(w->frames(), 5u * 44100u);
        EXPECT_TRUE(silent(w->values, w->frames() - 44200, w->frames(), 1));
        EXPECT_FALSE(silent(w->values, 4410, 4410 + 256));
    }
    EXPECT_GT(wet.frames(), dry.frames()); // the echoes take longer to die away
    EXPECT_EQ(dry.values, reference(oneNoteSong(0.1, 0.2, false), 256, dry.frames()));
}

TEST_F(RenderCommandTest, EndlessEchoStopsTenSecondsAfterTheLastNote) {
    writeFile(folder.file("loop.SAV"), oneNoteSong(0.1, 0.2, true, 1.0f));
    ASSERT_EQ(render({folder.file("loop.SAV"), "-o", folder.file("loop.wav")}), 0) << lastErr;
    const Wav w = readWav(folder.file("loop.wav"));
    ASSERT_TRUE(w.valid);
    EXPECT_EQ(w.frames(), 449820u); // (0.2 + 10) * 44100, the last buffer cut short
    EXPECT_FALSE(silent(w.values, w.frames() - 44200, w.frames(), 1));
}

TEST_F(RenderCommandTest, EmptySongIsOneRingOfSilence) {
    writeFile(folder.file("empty.SAV"),
              songBuffer("VERSION2", Bytes{0, 0, 0, 0}, Bytes(28, 0), engineSection(false)));
    ASSERT_EQ(render({folder.file("empty.SAV"), "-o", folder.file("e.wav")}), 0) << lastErr;
    const Wav w = readWav(folder.file("e.wav"));
    ASSERT_TRUE(w.valid);
    EXPECT_EQ(w.frames(), 173u * 256u); // the first whole buffer past 44200 silent frames
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
