// Tunings and the capo in what is kept and written: the chord library's
// shapes moved to another tuning, ASCII tabs named by their tuning and read
// back, song and tab files keeping each guitar's tuning, older files read as
// standard.
#include "StorageTestSupport.h"
#include "recorder/SongOptions.h"
#include "storage/AsciiTabWriter.h"
#include "storage/ChordLibrary.h"
#include "storage/SongCodec.h"
#include "storage/TabTextImport.h"

namespace {

const GuitarTuning kDropD = GuitarTuning::fromPreset(1), kDadgad = GuitarTuning::fromPreset(3);

TabTextImport::Result read(const std::string& text) {
    return TabTextImport::read(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::string letters(const ChordLibrary::Frets& f) {
    std::string out;
    for (int32_t fret : f)
        out += fret < 0 ? 'x' : static_cast<char>(fret <= 9 ? '0' + fret : 'a' + fret - 10);
    return out;
}

} // namespace

TEST(Tunings, ChordShapesMoveToSoundTheSameNotesAndAreMarkedWhenTheyCannot) {
    // Standard tuning leaves all 216 shapes as listed.
    for (int i = 0; i < ChordLibrary::kNumChords; ++i) {
        const ChordLibrary::TunedShape s = ChordLibrary::shapeFor(i % 12, i / 12, GuitarTuning());
        EXPECT_TRUE(s.complete && s.frets == ChordLibrary::fretsForChord(i % 12, i / 12)) << i;
    }
    // Keys from A (0), types from maj (0); "*" marks a shape that cannot
    // sound all its notes (what can be played is kept).
    const struct {
        GuitarTuning tuning;
        int key, type;
        const char* shape;
    } cases[] = {
        {kDropD, 10, 0, "520003"},
        {kDropD, 7, 0, "222100"},
        {kDropD, 3, 0, "x32010"},
        {kDropD, 8, 0, "333211"},
        {kDadgad, 3, 0, "x32032"},
        {kDadgad, 5, 0, "xx0254"},
        {kDadgad, 7, 0, "222122"},
        {kDadgad, 0, 6, "x02232"},
        {GuitarTuning::fromPreset(6), 3, 0, "x10b10"},
        {GuitarTuning::fromPreset(6, 12), 0, 0, "xx0120*"},
    };
    for (const auto& c : cases) {
        const ChordLibrary::TunedShape s = ChordLibrary::shapeFor(c.key, c.type, c.tuning);
        EXPECT_EQ(letters(s.frets) + (s.complete ? "" : "*"), c.shape)
            << c.tuning.name() << " " << ChordLibrary::keyName(c.key) << ChordLibrary::typeName(c.type);
    }
}

TEST(Tunings, AsciiTabsAreNamedByTheirTuningAndReadBackIntoIt) {
    const Tab tab = tabOf("000xxx 5x7xx0");
    const std::string dropD = AsciiTabWriter().write(tab, kDropD);
    EXPECT_EQ(dropD, "Tuning: Drop D (D A D G B E)\n"
                     "\n"
                     "e|-----0--|\n"
                     "B|--------|\n"
                     "G|--------|\n"
                     "D|--0--7--|\n"
                     "A|--0-----|\n"
                     "D|--0--5--|\n");
    // The same lower four strings under DADGAD's names and the capo.
    const GuitarTuning capoed = GuitarTuning::fromPreset(3, 2);
    const std::string dadgad = AsciiTabWriter().write(tab, capoed);
    EXPECT_EQ(dadgad, "Tuning: DADGAD (D A D G A D)\nCapo 2\n\nd|-----0--|\nA|--------|\n" +
                          dropD.substr(dropD.find("G|")));
    // Names of two characters stand right-aligned; the standard tab is as it always was.
    EXPECT_THAT(AsciiTabWriter().write(tab, GuitarTuning::fromPreset(6)),
                HasSubstr("\n e|-----0--|\n B|--------|\nG#|--------|\n"));
    EXPECT_EQ(AsciiTabWriter().write(tab).substr(0, 11), "e|-----0--|");

    for (const std::string& text : {dadgad, AsciiTabWriter().write(tab, GuitarTuning::fromPreset(6, 5))}) {
        const TabTextImport::Result r = read(text);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.columns, columns("000xxx 5x7xx0"));
        EXPECT_EQ(r.tuning, text == dadgad ? capoed : GuitarTuning::fromPreset(6, 5));
    }
    // Names no patch can play are read as standard, saying why.
    const TabTextImport::Result r = read("e|-0-|\nB|---|\nG|---|\nD|---|\nA|---|\nC|---|\n");
    EXPECT_EQ(r.tuning, GuitarTuning());
    EXPECT_THAT(r.warnings, testing::Contains(HasSubstr("tuned to C2 is below the patch's lowest note")));
}

TEST(Tunings, SongAndTabFilesKeepEachGuitarsTuningAndOlderFilesReadAsStandard) {
    TempFolder folder("strumwell-tunings");
    Model m(folder.str());
    SongOptions& options = m.options;
    EXPECT_EQ(options.setTuning(0, GuitarTuning::fromPreset(3, 2)), "");
    EXPECT_EQ(options.setTuning(1, GuitarTuning::fromPreset(1, 5)), "");
    options.setTiming({96, 3});
    options.setTabGuitar(1);
    m.tab.addNotesToTab(-1, columns("000xxx")[0].data());
    const Bytes song = m.files.createSongSaveBuffer(), tab = m.files.createTabSaveBuffer();

    SongOptions loaded;
    m.files.setSongOptions(&loaded);
    // Saved again from what was loaded, both guitars' tunings and the beat
    // come back byte for byte.
    ASSERT_TRUE(m.files.restoreSongFromSaveBuffer(song.data(), song.size()));
    EXPECT_EQ(m.files.createSongSaveBuffer(), song);
    // A tab goes to and comes from the tab guitar (guitar 2's tuning into guitar 1).
    loaded.setTabGuitar(0);
    ASSERT_TRUE(m.files.loadTabFromBuffer(tab.data(), tab.size()));
    EXPECT_EQ(m.files.createTabSaveBuffer(), tab);

    // Version 2 files: standard tuning, no capo, no tempo.
    const Bytes oldTab = pack("VERSION2", pack(1, Bytes{0, 1, 2, 0, 0, 0}));
    const Bytes oldSong = songBuffer("VERSION2", pack(1, Bytes(6)), oneNoteRecorderSection(), Bytes(72));
    ASSERT_TRUE(m.files.loadTabFromBuffer(oldTab.data(), oldTab.size()));
    EXPECT_EQ(loaded.tuning(0), GuitarTuning());
    ASSERT_TRUE(m.files.restoreSongFromSaveBuffer(oldSong.data(), oldSong.size()));
    EXPECT_EQ(loaded.tuning(1), GuitarTuning());
    EXPECT_EQ(loaded.timing().tempo, SongTiming::kNoTempo);
}
