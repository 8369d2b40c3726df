// Guitar Pro files as a player brings them: 3, 4 and 5 written by the tests'
// own writer, and the zipped current format built with libzip.
#include <gtest/gtest.h>
#include <zip.h>

#include <fstream>
#include <iterator>

#include "import/GuitarProReader.h"
#include "import/GuitarProZipReader.h"
#include "import/ScoreReader.h"
#include "support/GuitarProWriter.h"
#include "support/TempFolder.h"

using namespace testsupport;

namespace {

// A lead in drop D with a capo, a four-string bass and a drum track; the
// tempo halves on the fifth beat and the second bar is in 3/4.
GpSong song(int major, bool v500) {
    GpSong s{major, v500, 120, {25, 33}, {{4, 4}, {3, 4}, {4, 4}}, true, {}};
    GpTrack lead{"Lead", {64, 59, 55, 50, 45, 38}, 1, 2, false, {}};
    lead.measures = {{{0, false, false, true, 0, -1, {{4, 2}, {5, 2}, {6, 0}}},
                      {1, false, false, false, 0, -1, {{1, 3, 1, 8, true}}},
                      {1, false, false, false, 0, -1, {{1, 0, 2}}},
                      {0, false, true, false, 0, -1, {}},
                      {0, false, false, false, 0, 60, {{2, 1, 3}, {3, 0}}}},
                     {{1, false, false, false, 3, -1, {{1, 5}}},
                      {1, false, false, false, 3, -1, {{1, 7}}},
                      {1, false, false, false, 3, -1, {{1, 8}}},
                      {0, true, false, false, 0, -1, {}}},
                     {{-1, false, false, false, 0, -1, {{6, 12}}}}};
    GpTrack bass{"Bass", {43, 38, 33, 28}, 2, 0, false, {{{-2, false, false, false, 0, -1, {{4, 3}}}}}};
    GpTrack drums{"Drums", {0, 0, 0, 0, 0, 0}, 10, 0, true, {{{0, false, false, false, 0, -1, {{1, 36}}}}}};
    s.tracks = {lead, bass, drums};
    return s;
}

std::vector<uint8_t> zipOf(const std::string& entry, const std::string& content) {
    TempFolder folder;
    const std::string path = (folder.path() / "song.gp").string();
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    zip_file_add(z, entry.c_str(), zip_source_buffer(z, content.data(), content.size(), 0), 0);
    zip_close(z);
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// "seconds pitch string/fret" of each note, a tied one marked with '~'.
std::string heard(const ScoreTrack& track) {
    std::string out;
    char line[64];
    for (const ScoreNote& n : track.notes) {
        std::snprintf(line, sizeof line, "%.3f %d %d/%d%s, ", n.seconds, n.pitch, n.string, n.fret,
                      n.tied ? "~" : "");
        out += line;
    }
    return out;
}

} // namespace

TEST(GuitarProTest, ReadsTracksTuningsTimesAndTiesOfEveryVersion) {
    for (auto [major, v500, name] : {std::tuple(3, false, "a.gp3"), std::tuple(4, false, "a.gp4"),
                                     std::tuple(5, true, "a.gp5"), std::tuple(5, false, "a.gp5")}) {
        SCOPED_TRACE(std::to_string(major) + (v500 ? ".00" : ""));
        const std::vector<uint8_t> bytes = writeGuitarPro(song(major, v500));
        Score score;
        std::string error;
        ASSERT_TRUE(ScoreReader::read(bytes, name, score, error)) << error;
        ASSERT_EQ(score.tracks.size(), 3u);
        const ScoreTrack &lead = score.tracks[0], &bass = score.tracks[1], &drums = score.tracks[2];
        EXPECT_EQ(lead.name, "Lead");
        EXPECT_EQ(lead.tuning, (std::array<int, 6>{38, 45, 50, 55, 59, 64}));
        EXPECT_EQ(bass.tuning, (std::array<int, 6>{28, 33, 38, 43, 59, 64}));
        EXPECT_EQ(
            std::make_tuple(lead.capo, lead.program, lead.guitar, bass.program, bass.guitar, drums.guitar),
            std::make_tuple(2, 25, true, 33, false, false));
        // Quarters are 0.5 s until the tempo halves at 1.5 s; the 3/4 bar
        // of triplets starts at 2.5 s and the last bar at 5.5 s.
        EXPECT_EQ(heard(lead),
                  "0.000 54 2/2, 0.000 49 1/2, 0.000 40 0/0, 0.500 69 5/3, 0.750 69 5/3~, 1.500 57 3/0, "
                  "2.500 71 5/5, 2.833 73 5/7, 3.167 74 5/8, 5.500 52 0/12, ");
        EXPECT_NEAR(lead.notes[0].duration, 0.5, 1e-9);
        EXPECT_EQ(lead.notes[3].velocity, 127);
        EXPECT_EQ(heard(bass) + heard(drums), "0.000 31 0/3, 0.000 36 -1/-1, ");
        ASSERT_EQ(score.warnings.size(), 2u);
        EXPECT_NE(score.warnings[0].find("repeats"), std::string::npos);
        EXPECT_EQ(score.warnings[1], "1 dead (muted) notes were left out");
    }
}

TEST(GuitarProTest, RefusesEveryCutAndHostileCountWithTheByte) {
    for (int major : {3, 5}) {
        const std::vector<uint8_t> whole = writeGuitarPro(song(major, false));
        for (size_t n = 0; n < whole.size(); ++n) {
            Score score;
            std::string error;
            ASSERT_FALSE(GuitarProReader::read(std::span(whole).first(n), score, error)) << n;
            ASSERT_NE(error.find("byte"), std::string::npos) << n << ": " << error;
        }
    }
    std::vector<uint8_t> huge = writeGuitarPro(song(5, false)), old = huge;
    huge[76] = huge[77] = huge[78] = 0xff, huge[79] = 0x7f; // the notice line count
    old[21] = '2';                                          // "v2.10"
    for (auto [bytes, want] : {std::pair(huge, "the notice line count says 2147483647 but "),
                               std::pair(old, "Guitar Pro version '2.10' cannot be read")}) {
        Score score;
        std::string error;
        EXPECT_FALSE(GuitarProReader::read(bytes, score, error));
        EXPECT_NE(error.find(want), std::string::npos) << error;
    }
}

TEST(GuitarProTest, ReadsTheZippedScore) {
    std::ifstream file(STRUMWELL_IMPORT_CORPUS "/score.gpif");
    const std::string gpif{std::istreambuf_iterator<char>(file), {}};
    Score score;
    std::string error;
    ASSERT_TRUE(ScoreReader::read(zipOf("Content/score.gpif", gpif), "song.gp", score, error)) << error;
    ASSERT_EQ(score.tracks.size(), 1u);
    const ScoreTrack& t = score.tracks[0];
    EXPECT_EQ(std::make_tuple(t.name, t.capo, t.program, t.guitar), std::make_tuple("Rhythm", 1, 27, true));
    EXPECT_EQ(heard(t),
              "0.000 44 0/3, 0.000 48 1/2, 0.500 65 5/0, 1.500 65 5/0~, 2.000 52 2/1, 2.333 52 2/1, "
              "2.667 52 2/1, ");
    EXPECT_NEAR(t.notes[2].duration, 1.0, 1e-9);
    EXPECT_EQ(score.warnings,
              std::vector<std::string>{"repeats and alternate endings are played once, as written"});
}

TEST(GuitarProTest, RefusesBombsBrokenXmlAndMissingScores) {
    for (auto [entry, content, want] :
         {std::tuple("Content/score.gpif", std::string(1 << 20, ' '), "zip bomb"),
          std::tuple("Content/score.gpif", std::string("<GPIF><Tracks>"), "not well-formed XML"),
          std::tuple("Content/other.xml", std::string("<GPIF/>"), "no 'Content/score.gpif'"),
          std::tuple(
              "Content/score.gpif",
              std::string("<GPIF><Tracks><Track/></Tracks><MasterBars><MasterBar><Bars>0</Bars></MasterBar>"
                          "</MasterBars><Bars><Bar id='0'><Voices>0</Voices></Bar></Bars><Voices>"
                          "<Voice id='0'><Beats>7</Beats></Voice></Voices></GPIF>"),
              "names the beat 7")}) {
        Score score;
        std::string error;
        EXPECT_FALSE(GuitarProZipReader::read(zipOf(entry, content), score, error));
        EXPECT_NE(error.find(want), std::string::npos) << error;
    }
}
