// Runs the demo generator into temporary folders and loads what it wrote back
// through the file manager, as the library screens will.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "recorder/Recorder.h"
#include "song/Tab.h"
#include "storage/FileManager.h"
#include "storage/RenderCommand.h"
#include "system/Clock.h"

namespace fs = std::filesystem;

namespace {

class DemosTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "demos_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Exit status of make_demos on `source`, writing into `out`.
    int run(const std::string& source, const fs::path& out) {
        const std::string cmd = std::string("\"") + MAKE_DEMOS_EXE + "\" \"" + source + "\" \"" +
                                out.string() + "\" >/dev/null 2>&1";
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string writeSource(const std::string& text) {
        const fs::path p = dir_ / "source.txt";
        std::ofstream(p) << text;
        return p.string();
    }

    std::vector<std::string> filesIn(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            if (e.is_regular_file())
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

// The model objects a library screen works with, over one folder.
struct Model {
    explicit Model(const fs::path& folder)
        : engine(nullptr, nullptr, (folder / ".none").string(), clock),
          recorder(nullptr, &engine, clock, false), files(&tab, &recorder, &engine, folder.string()) {
        files.setDiagnosticStream(quiet);
    }
    ManualClock clock{50.0};
    SoundEngine engine;
    Recorder recorder;
    Tab tab;
    FileManager files;
    std::ostringstream quiet;
};

TEST_F(DemosTest, ShippedDemosAllLoadBack) {
    const fs::path out = dir_ / "bundle";
    fs::create_directory(out);
    ASSERT_EQ(run(DEMOS_SOURCE, out), 0);

    const std::vector<std::string> names = filesIn(out);
    int songs = 0, tabs = 0;
    for (const std::string& name : names) {
        // Nothing else, not even a leftover temporary file.
        ASSERT_TRUE(name.ends_with(".SAV") || name.ends_with(".TAB")) << name;
        Model model(out);
        if (name.ends_with(".SAV")) {
            ++songs;
            model.tab.addNotesToTab(0, "x02220");
            ASSERT_TRUE(model.files.loadState(name)) << name << ": " << model.files.lastFailure();
            EXPECT_GT(model.recorder.getNumNotes(), 20) << name;
            // Every note-down has its note-up, within a sensible length.
            int downs = 0, ups = 0;
            double last = 0.0;
            for (const Note& note : model.recorder.notes()) {
                (note.keyDown() ? downs : ups)++;
                EXPECT_GE(note.sampleNo(), 0);
                EXPECT_LT(note.sampleNo(), 96);
                last = std::max(last, note.time());
            }
            EXPECT_EQ(downs, ups) << name;
            EXPECT_GT(last, 5.0) << name;
            EXPECT_LT(last, 60.0) << name;
        } else {
            ++tabs;
            ASSERT_TRUE(model.files.loadTab(name)) << name << ": " << model.files.lastFailure();
            EXPECT_GT(model.tab.tabSize(), 8) << name;
        }
    }
    EXPECT_GE(songs, 2);
    EXPECT_GE(tabs, 2);
    EXPECT_NE(std::find(names.begin(), names.end(), "Demo - Open Chords.TAB"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Demo - Blues Riff.SAV"), names.end());
}

// The 16-bit samples of a WAV file written by the renderer (a plain 44-byte
// header, then the data).
std::vector<int16_t> wavSamples(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples;
    for (size_t i = 44; i + 1 < bytes.size(); i += 2)
        samples.push_back(
            static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));
    return samples;
}

TEST_F(DemosTest, NoShippedSongClipsWhenPlayed) {
    // Rendered with the samples the bundle ships; a build without them
    // cannot hear the songs.
    const fs::path bundle = DEMOS_BUNDLE;
    if (!fs::exists(bundle / "A1-1.wav"))
        GTEST_SKIP() << "no samples in " << bundle;
    const fs::path out = dir_ / "songs";
    fs::create_directory(out);
    ASSERT_EQ(run(DEMOS_SOURCE, out), 0);
    int songs = 0;
    for (const std::string& name : filesIn(out)) {
        if (!name.ends_with(".SAV"))
            continue;
        ++songs;
        SCOPED_TRACE(name);
        const fs::path wav = dir_ / "song.wav";
        std::ostringstream quiet;
        ASSERT_EQ(RenderCommand::run({(out / name).string(), "-o", wav.string(), "--bundle", bundle.string()},
                                     quiet, quiet),
                  0)
            << quiet.str();
        const std::vector<int16_t> samples = wavSamples(wav);
        ASSERT_GT(samples.size(), 44100u);
        int peak = 0;
        for (int16_t v : samples)
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        // Full scale is where the mix clips: keep clear of it.
        EXPECT_LT(peak, 32767);
    }
    EXPECT_GE(songs, 2);
}

TEST_F(DemosTest, KnownSourceGivesKnownFiles) {
    const std::string source = writeSource("# comment\n"
                                           "[tab T]\n"
                                           "x02220 3xxxxx  # trailing comment\n"
                                           "2x 0xxxx9\n"
                                           "00000x\n"
                                           "[song S]\n"
                                           "guitar 2\n"
                                           "tempo 60\n"
                                           "unit 1\n"
                                           "volume 50\n"
                                           "0xxxxx/2 -/1 x3xxxx\n");
    const fs::path out = dir_ / "out";
    fs::create_directory(out);
    ASSERT_EQ(run(source, out), 0);
    EXPECT_EQ(filesIn(out), (std::vector<std::string>{"S.SAV", "T.TAB"}));

    Model model(out);
    ASSERT_TRUE(model.files.loadTab("T.TAB"));
    ASSERT_EQ(model.tab.tabSize(), 5);
    EXPECT_EQ(model.tab.tabEntryAtIndex(0).frets(), (std::array<int32_t, 6>{-1, 0, 2, 2, 2, 0}));
    EXPECT_EQ(model.tab.tabEntryAtIndex(1).frets(), (std::array<int32_t, 6>{3, -1, -1, -1, -1, -1}));
    EXPECT_EQ(model.tab.tabEntryAtIndex(2).frets(), (std::array<int32_t, 6>{0, -1, -1, -1, -1, 9}));
    EXPECT_EQ(model.tab.tabEntryAtIndex(3), model.tab.tabEntryAtIndex(2));
    EXPECT_EQ(model.tab.tabEntryAtIndex(4).frets(), (std::array<int32_t, 6>{0, 0, 0, 0, 0, -1}));

    ASSERT_TRUE(model.files.loadState("S.SAV"));
    // Guitar 2's patch starts at slot 48: open low E is 48 + 2, A string
    // fret 3 is 48 + 7 + 3. Two beats, a beat's rest, then the second note.
    std::vector<std::pair<int, double>> downs;
    for (const Note& note : model.recorder.notes())
        if (note.keyDown())
            downs.emplace_back(note.sampleNo(), note.time());
    ASSERT_EQ(downs.size(), 2u);
    std::sort(downs.begin(), downs.end(), [](auto& a, auto& b) { return a.second < b.second; });
    EXPECT_EQ(downs[0].first, 50);
    EXPECT_EQ(downs[1].first, 58);
    // Half of guitar 2's default volume of 0.5.
    for (const Note& note : model.recorder.notes()) {
        if (note.keyDown()) {
            EXPECT_FLOAT_EQ(note.volume(), 0.25f);
        }
    }
    EXPECT_NEAR(downs[1].second - downs[0].second, 3.0, 1e-6);
}

TEST_F(DemosTest, DamagedSourcesWriteNothing) {
    const std::vector<std::string> bad = {
        "x02220\n",                           // before any section
        "[tab T]\nx0222\n",                   // five strings
        "[tab T]\nx022a0\n",                  // not a fret
        "[tab T]\nxxxxxx\n",                  // nothing played
        "[tab T]\nx02220/2\n",                // lengths are for songs
        "[tab T]\n-\n",                       // rests are for songs
        "[tab T]\n",                          // empty
        "[song S]\n-/4\n",                    // only a rest
        "[song S]\nguitar 3\n0xxxxx\n",       // no third guitar
        "[song S]\ntempo 0\n0xxxxx\n",        // no tempo
        "[song S]\n0xxxxx/0\n",               // zero length
        "[song S]\nvolume 101\n0xxxxx\n",     // louder than the guitar
        "[tab a.b]\nx02220\n",                // a dot in the name
        "[tab T]\nx02220\n[tab T]\nx02220\n", // twice
        "[chord T]\nx02220\n",                // unknown section
        "[tab T\nx02220\n",                   // unclosed header
        "[tab T]\n3x\n",                      // nothing to repeat
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        const fs::path out = dir_ / ("bad" + std::to_string(i));
        fs::create_directory(out);
        EXPECT_EQ(run(writeSource(bad[i]), out), 1) << bad[i];
        EXPECT_TRUE(filesIn(out).empty()) << bad[i];
    }
    EXPECT_EQ(run((dir_ / "missing.txt").string(), dir_), 1);
}

} // namespace
