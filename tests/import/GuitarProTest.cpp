// Guitar Pro files as a player brings them: 3, 4 and 5 written by the tests'
// own writer, and the zipped current format built with libzip.
#include "ImportSupport.h"
#include "import/GuitarProReader.h"
#include "import/ScoreReader.h"
#include "support/GuitarProWriter.h"

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

} // namespace

TEST(GuitarProTest, ReadsTracksTuningsTimesAndTiesOfEveryVersion) {
    for (auto [major, v500, name] : {std::tuple(3, false, "a.gp3"), std::tuple(4, false, "a.gp4"),
                                     std::tuple(5, true, "a.gp5"), std::tuple(5, false, "a.gp5")}) {
        SCOPED_TRACE(std::to_string(major) + (v500 ? ".00" : ""));
        const Score score = readScore(writeGuitarPro(song(major, v500)), name);
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
        EXPECT_EQ(notesOf(lead), "0:54s2f2 0:49s1f2 0:40s0f0 500:69s5f3 750:69~s5f3 1500:57s3f0 2500:71s5f5 "
                                 "2833:73s5f7 3167:74s5f8 5500:52s0f12");
        EXPECT_NEAR(lead.notes[0].duration, 0.5, 1e-9);
        EXPECT_EQ(lead.notes[3].velocity, 127);
        EXPECT_EQ(notesOf(bass) + " " + notesOf(drums), "0:31s0f3 0:36");
        ASSERT_EQ(score.warnings.size(), 2u);
        EXPECT_NE(score.warnings[0].find("repeats"), std::string::npos);
        EXPECT_EQ(score.warnings[1], "1 dead (muted) notes were left out");
    }
}

TEST(GuitarProTest, RefusesEveryCutWithTheByte) {
    for (int major : {3, 5}) {
        const std::vector<uint8_t> whole = writeGuitarPro(song(major, false));
        for (size_t n = 0; n < whole.size(); ++n) {
            Score score;
            std::string error;
            ASSERT_FALSE(GuitarProReader::read(std::span(whole).first(n), score, error)) << n;
            ASSERT_NE(error.find("byte"), std::string::npos) << n << ": " << error;
        }
    }
}

TEST(GuitarProTest, ReadsTheZippedScore) {
    const Score score = readScore(
        zipOf({{"Content/score.gpif", readText(STRUMWELL_IMPORT_CORPUS "/score.gpif")}}), "song.gp");
    ASSERT_EQ(score.tracks.size(), 1u);
    const ScoreTrack& t = score.tracks[0];
    EXPECT_EQ(std::make_tuple(t.name, t.capo, t.program, t.guitar), std::make_tuple("Rhythm", 1, 27, true));
    EXPECT_EQ(notesOf(t), "0:44s0f3 0:48s1f2 500:65s5f0 1500:65~s5f0 2000:52s2f1 2333:52s2f1 2667:52s2f1");
    EXPECT_NEAR(t.notes[2].duration, 1.0, 1e-9);
    EXPECT_EQ(score.warnings,
              std::vector<std::string>{"repeats and alternate endings are played once, as written"});
}

TEST(GuitarProTest, RefusesHostileCountsOldVersionsBombsBrokenXmlAndMissingScores) {
    Bytes huge = writeGuitarPro(song(5, false)), old = huge;
    huge[76] = huge[77] = huge[78] = 0xff, huge[79] = 0x7f; // the notice line count
    old[21] = '2';                                          // "v2.10"
    const std::string gpif = "Content/score.gpif";
    expectRefused(
        {{"in.gp5", huge, "the notice line count says 2147483647 but 1915 bytes are left (at byte 76)"},
         {"in.gp5", old, "Guitar Pro version '2.10' cannot be read (3, 4 and 5 can) (at byte 1)"},
         {"in.gp", zipOf({{gpif, std::string(1 << 20, ' ')}}),
          "'Content/score.gpif' would inflate to 1048576 bytes, more than 206800 (a zip bomb?)"},
         {"in.gp", zipOf({{gpif, "<GPIF><Tracks>"}}),
          "score.gpif is not well-formed XML: Start-end tags mismatch (at byte 13)"},
         {"in.gp", zipOf({{"Content/other.xml", "<GPIF/>"}}), "the archive has no 'Content/score.gpif'"},
         {"in.gp",
          zipOf({{gpif, "<GPIF><Tracks><Track/></Tracks><MasterBars><MasterBar><Bars>0</Bars></MasterBar>"
                        "</MasterBars><Bars><Bar id='0'><Voices>0</Voices></Bar></Bars><Voices>"
                        "<Voice id='0'><Beats>7</Beats></Voice></Voices></GPIF>"}}),
          "a voice names the beat 7, which the file does not hold"}});
}
