// The files the sample tool reads and writes: WAV, MIDI, raw synthesiser
// output, and the cutting of one sound out of a rendering.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "../support/Files.h"
#include "../support/TempFolder.h"
#include "FluidRenderer.h"
#include "MidiFile.h"
#include "NoteShaper.h"
#include "WavFile.h"

namespace fs = std::filesystem;
using testsupport::readText;
using testsupport::TempFolder;

TEST(WavFile, CanonicalHeaderAtomicWritesAndRefusalOfWhatIsNotMono16Bit44100) {
    const std::vector<uint8_t> good = WavFile::encodeMono16({1, -2, 32767});
    const std::vector<uint8_t> expected = {
        'R', 'I', 'F', 'F', 42,  0,   0, 0,    'W',  'A', 'V', 'E',  'f',  'm',  't',  ' ', 16,
        0,   0,   0,   1,   0,   1,   0, 0x44, 0xAC, 0,   0,   0x88, 0x58, 0x01, 0,    2,   0,
        16,  0,   'd', 'a', 't', 'a', 6, 0,    0,    0,   1,   0,    0xFE, 0xFF, 0xFF, 0x7F};
    EXPECT_EQ(good, expected);
    TempFolder dir;
    const std::string path = dir.file("A1-1.wav");
    std::vector<int16_t> samples = {0, 100, -100, 32767, -32767, -32768}, back;
    std::string error;
    ASSERT_TRUE(WavFile::writeMono16(path, samples, &error)) << error;
    EXPECT_FALSE(fs::exists(path + ".part"));
    ASSERT_TRUE(WavFile::readMono16(path, back, &error)) << error;
    EXPECT_EQ(back, samples);
    EXPECT_FALSE(WavFile::writeMono16(dir.file("no/such/folder/x.wav"), samples, &error));
    EXPECT_FALSE(WavFile::readMono16(dir.file("missing.wav"), back, &error));
    // An odd-sized chunk (padded) before the data is skipped.
    std::vector<uint8_t> listed = good;
    listed.insert(listed.begin() + 36, {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0});
    ASSERT_TRUE(WavFile::decodeMono16(listed, back, &error)) << error;
    EXPECT_EQ(back, (std::vector<int16_t>{1, -2, 32767}));
    const std::tuple<size_t, uint8_t, const char*> damage[] = {
        {22, 2, "stereo"},        {34, 8, "8-bit"},     {20, 3, "float"},
        {24, 0x22, "other rate"}, {0, 'X', "not RIFF"}, {40, 200, "data past the end"}};
    for (const auto& [at, value, what] : damage) {
        std::vector<uint8_t> b = good;
        b[at] = value;
        EXPECT_FALSE(WavFile::decodeMono16(b, back, &error)) << what;
    }
    EXPECT_FALSE(WavFile::decodeMono16(std::vector<uint8_t>(good.begin(), good.begin() + 30), back, &error));
    EXPECT_FALSE(WavFile::decodeMono16({}, back, &error));
    // Floats round to the nearest value and never reach -32768.
    const std::vector<int16_t> v = WavFile::toInt16(
        {0.0f, 1.0f, -1.0f, 1.5f, -1.5f, 2.6f / 32767.0f, -0.4f / 32767.0f, -0.6f / 32767.0f});
    EXPECT_EQ(v, (std::vector<int16_t>{0, 32767, -32767, 32767, -32767, 3, 0, -1}));
}

TEST(MidiFile, WholeFileWithMillisecondTicksInTimeOrder) {
    MidiFile m;
    m.noteOn(0.5, 0, 40, 100);
    m.programChange(0, 0, 24);
    m.noteOff(0.5, 0, 40); // same time as the note-on: stays after it
    m.allSoundOff(0.6, 9);
    m.noteOn(0.6, 20, 200, 0); // channel and data clamped, velocity at least 1
    const std::vector<uint8_t> expected = {
        'M',  'T',  'h',  'd', 0,    0,    0,    6,   0,    0,    0,
        1,    0x01, 0xF4,                                             // format 0, 1 track, 500 ticks/quarter
        'M',  'T',  'r',  'k', 0,    0,    0,    24,  0x00, 0xC0, 24, // program change at 0
        0x83, 0x74, 0x90, 40,  100,                                   // 500 ms later
        0x00, 0x80, 40,   0,   0x64, 0xB9, 120,  0, // 100 ms later, all sound off on channel 10
        0x00, 0x9F, 127,  1,   0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(m.bytes(), expected);

    TempFolder dir;
    ASSERT_TRUE(m.write(dir.file("x.mid")));
    EXPECT_EQ(readText(dir.file("x.mid")), std::string(expected.begin(), expected.end()));
    // Variable-length quantities at the edges of their lengths.
    std::vector<uint8_t> out;
    for (uint32_t v : {0x7Fu, 0x80u, 0x3FFFu, 0x4000u, 0x0FFFFFFFu})
        MidiFile::appendVarLen(out, v);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x7F, 0x81, 0, 0xFF, 0x7F, 0x81, 0x80, 0, 0xFF, 0xFF, 0xFF, 0x7F}));
}

TEST(FluidRenderer, MixesStereoFloatToMonoAndRunsTheProgramWithEffectsOff) {
    TempFolder dir;
    std::vector<float> mono;
    std::string error;
    std::ofstream(dir.file("torn.f32")) << "\x01\x02"; // not even one frame
    EXPECT_FALSE(FluidRenderer::readStereoFloat(dir.file("torn.f32"), mono, &error));

    // A stand-in for the synthesiser: records its arguments and writes one
    // stereo frame (1.0, 0.0) and a torn frame, to be ignored, to the -F file.
    const std::string fake = dir.file("fake-synth");
    std::ofstream(fake) << "#!/bin/sh\necho \"$@\" > \"" << dir.str() << "/args\"\n"
                        << R"(while [ $# -gt 0 ]; do
  if [ "$1" = -F ]; then shift; printf '\000\000\200\077\000\000\000\000\001' > "$1"; fi
  shift
done
)";
    fs::permissions(fake, fs::perms::owner_all);
    ASSERT_TRUE(FluidRenderer(fake, "font.sf2").render("in.mid", dir.file("out.f32"), mono, &error)) << error;
    EXPECT_EQ(mono, std::vector<float>{0.5f});
    EXPECT_FALSE(fs::exists(dir.file("out.f32"))) << "the raw rendering is removed";
    const std::string a = readText(dir.file("args"));
    EXPECT_NE(a.find("-R 0 -C 0 -g 0.5 -r 44100 -O float -T raw"), std::string::npos) << a;
    EXPECT_NE(a.find("font.sf2 in.mid"), std::string::npos) << a;

    // A failing program, a missing one, and one that writes nothing.
    for (const std::string& failing :
         {std::string("/bin/false"), dir.file("no-such-program"), std::string("/bin/true")})
        EXPECT_FALSE(FluidRenderer(failing, "font.sf2").render("in.mid", dir.file("out.f32"), mono, &error));
}

namespace {
// 1000 samples of near-silence (quiet noise at -70 dB), then a decaying
// 440 Hz tone with peak 0.5 that falls 60 dB per second.
std::vector<float> fakeNote(size_t total) {
    std::vector<float> x(total, 0.0f);
    for (size_t i = 0; i < 1000; ++i)
        x[i] = (i % 2 ? 1.0f : -1.0f) * 0.5f * 3e-4f;
    for (size_t i = 1000; i < total; ++i) {
        const double t = static_cast<double>(i - 1000) / 44100.0;
        x[i] = static_cast<float>(0.5 * std::pow(10.0, -3.0 * t) * std::sin(2 * M_PI * 440 * t + 0.5));
    }
    return x;
}
} // namespace

TEST(NoteShaper, TrimsBeforeTheAttackFadesInAndOutAndKeepsTheLengthInBounds) {
    const std::vector<float> x = fakeNote(44100 * 3);
    EXPECT_EQ(NoteShaper::attackIndex(x.data(), x.size(), 40.0), 1000u);
    const NoteShaper::Options o{.minSeconds = 0.5, .maxSeconds = 2.0, .fadeOutSeconds = 0.2};
    const std::vector<float> y = NoteShaper::shape(x.data(), x.size(), o);
    ASSERT_FALSE(y.empty());
    EXPECT_EQ(y[0], 0.0f) << "fade-in starts from silence";
    // 44 samples of faded pre-attack, then the attack sample itself, unchanged.
    EXPECT_EQ(y[44], x[1000]);
    // The 10 ms RMS (3 dB under the sine's peak) stays above peak - 50 dB
    // for 47/60 s; then comes the fade. The tail reaches exactly zero.
    EXPECT_NEAR(static_cast<double>(y.size()) / 44100.0, (50.0 - 3.01) / 60.0 + 0.2, 0.015);
    // Asked for at least 2.5 s and there is enough; at most 0.3 s; shorter
    // than the minimum: cut at its end (all but the 956 trimmed samples).
    const std::tuple<size_t, double, double, size_t> cases[] = {
        {44100 * 3, 2.5, 6.0, 110250}, {44100 * 3, 0.1, 0.3, 13230}, {3000, 1.0, 2.0, 3000 - 956}};
    for (const auto& [total, minSeconds, maxSeconds, expected] : cases) {
        SCOPED_TRACE(expected);
        const std::vector<float> z = fakeNote(total);
        const NoteShaper::Options longFade{.minSeconds = minSeconds, .maxSeconds = maxSeconds};
        const std::vector<float> shaped = NoteShaper::shape(z.data(), z.size(), longFade);
        EXPECT_EQ(shaped.size(), expected);
        EXPECT_EQ(shaped.back(), 0.0f);
    }
    // Silence gives nothing.
    const std::vector<float> zeros(5000, 0.0f);
    EXPECT_TRUE(NoteShaper::shape(zeros.data(), zeros.size(), o).empty());
    EXPECT_TRUE(NoteShaper::shape(nullptr, 0, o).empty());
}
