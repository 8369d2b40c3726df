// Imported tabs keep the tuning and capo they were written for when the
// guitar can be tuned so, and are arranged for standard tuning otherwise.
#include "ImportSupport.h"
#include "import/Importer.h"
#include "storage/MusicXmlWriter.h"
#include "storage/SongCodec.h"

TEST(TunedImport, TabsKeepAPlayableTuningAndCapoAndOthersAreArrangedForStandard) {
    // A DADGAD tab with a capo at 2, out as MusicXML and back.
    const Tab tab = tabOf("000xxx 5x7xx0 x02x0x");
    const GuitarTuning dadgad = GuitarTuning::fromPreset(3, 2);
    const std::string xml = MusicXmlWriter().write(tab, dadgad);
    EXPECT_THAT(xml, HasSubstr("<staff-tuning line=\"5\"><tuning-step>A</tuning-step><tuning-octave>3"));
    EXPECT_THAT(xml, HasSubstr("<capo>2</capo>"));
    // The low D's fifth fret from the capo sounds A2 (38 + 0 + 2 + 5 = 45).
    EXPECT_THAT(xml, HasSubstr("<step>A</step><octave>2</octave></pitch>"));
    const Importer::TabResult r = Importer::toTab(
        std::span(reinterpret_cast<const uint8_t*>(xml.data()), xml.size()), "t.musicxml", -1);
    ASSERT_EQ(r.error, "");
    const Song back = SongCodec::readTab(r.file.data(), r.file.size());
    EXPECT_EQ(back.tab.tab(), tab.tab());
    EXPECT_EQ(back.tunings[0], dadgad);
    EXPECT_EQ(r.refretted, 0);

    // Seven-string-style low B: no patch reaches it, so standard tuning.
    ScoreTrack low;
    low.tuning = {35, 45, 50, 55, 59, 64};
    low.notes = {{.seconds = 0, .pitch = 47, .string = 0, .fret = 12}};
    const Importer::TabResult s = Importer::toTab(Score{.tracks = {low}, .warnings = {}}, 0);
    EXPECT_EQ(SongCodec::readTab(s.file.data(), s.file.size()).tunings[0], GuitarTuning());
    EXPECT_EQ(s.tab.tab(), tabOf("7xxxxx").tab());
    EXPECT_THAT(s.details, HasSubstr("1 refretted to standard tuning"));
}
