// `strumwell import`: Standard MIDI files built byte by byte, read into
// scores, laid out as tabs and brought back as songs.
#include "ImportSupport.h"
#include "import/ImportCommand.h"
#include "import/MidiFileReader.h"
#include "import/TabArranger.h"
#include "storage/MidiFileWriter.h"
#include "storage/SongCodec.h"

namespace {

Bytes chunk(const char* id, const Bytes& body) {
    Bytes b(id, id + 4);
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(static_cast<uint8_t>(body.size() >> s));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// A file of the given type and division; each track's bytes as written,
// running status and all.
Bytes smf(int format, int division, const std::vector<Bytes>& tracks) {
    Bytes b = chunk(
        "MThd", {0, uint8_t(format), 0, uint8_t(tracks.size()), uint8_t(division >> 8), uint8_t(division)});
    for (const Bytes& t : tracks)
        put(b, chunk("MTrk", t));
    return b;
}

// Notes as (start ms, length ms, pitch, velocity, channel).
using N = std::tuple<long, long, int, int, int>;
std::vector<N> timed(const ScoreTrack& t) {
    std::vector<N> out;
    for (const ScoreNote& n : t.notes)
        out.emplace_back(std::lround(n.seconds * 1000), std::lround(n.duration * 1000), n.pitch, n.velocity,
                         n.channel);
    return out;
}

// Half-second notes (time, pitch, and the string and fret a file gave); `low` tunes the low string.
struct At {
    double time;
    int pitch, string = -1, fret = -1;
};
ScoreTrack track(const std::vector<At>& notes, int low = 40) {
    ScoreTrack t;
    t.tuning[0] = low;
    for (const At& n : notes)
        t.notes.push_back({n.time, 0.5, n.pitch, 100, n.string, n.fret});
    return t;
}

} // namespace

TEST(MidiFileReader, TempoMapRunningStatusAndBothTypes) {
    // Type 1, 480 ticks a quarter: 120 bpm, then 240 bpm from tick 960.
    const Bytes conductor = {0,    0xFF, 0x51, 3,    0x07, 0xA1, 0x20, 0x87, 0x40, 0xFF,
                             0x51, 3,    0x03, 0xD0, 0x90, 0,    0xFF, 0x2F, 0};
    // Steel guitar named "Lead": a note ended by a running-status note-on of
    // velocity 0, one ended by a note-off after the tempo change, one held
    // to the file's end, and the same key struck twice (oldest ends first).
    const Bytes lead = {0,    0xFF, 3,    4,    'L', 'e',  'a',  'd',  0,    0xC0, 25,   0,    0x90,
                        64,   100,  0x83, 0x60, 64,  0,    0x83, 0x60, 67,   90,   0x83, 0x60, 0x80,
                        67,   0,    0,    0x90, 69,  80,   0,    69,   81,   0x81, 0x70, 69,   0,
                        0x81, 0x70, 0x91, 40,   1,   0x83, 0x60, 0xFF, 0x2F, 0};
    const Score s1 = readScore(smf(1, 480, {conductor, lead}), "a.mid");
    ASSERT_EQ(s1.tracks.size(), 1u); // the tempo track has no notes
    EXPECT_EQ(std::tie(s1.tracks[0].name, s1.tracks[0].instrument, s1.tracks[0].program, s1.tracks[0].guitar),
              std::make_tuple(std::string("Lead"), std::string("Steel guitar"), 25, true));
    EXPECT_EQ(timed(s1.tracks[0]), (std::vector<N>{{0, 500, 64, 100, 0},
                                                   {1000, 250, 67, 90, 0},
                                                   {1250, 125, 69, 80, 0},
                                                   {1250, 500, 69, 81, 0},
                                                   {1500, 250, 40, 1, 1}}));
    // Type 0 is split by channel; SMPTE time (25 frames of 40 ticks: 1 ms a tick).
    const Bytes mixed = {0,  0xFF, 3,    1,    'X',  0,  0x90, 50, 60,   0,  0x91,
                         52, 61,   0x83, 0x74, 0x80, 50, 0,    0,  0x81, 52, 0};
    const Score s0 = readScore(smf(0, 0xE728, {mixed}), "a.mid");
    ASSERT_EQ(s0.tracks.size(), 2u);
    EXPECT_EQ(s0.tracks[1].name, "X (channel 2)");
    EXPECT_EQ(timed(s0.tracks[1]), (std::vector<N>{{0, 500, 52, 61, 1}}));
    // Bend range 12 by registered parameter 0, a full bend up, the wah half open.
    const Bytes fx = {0,   0xB2, 101,  0,    0,    100, 0,    0,  6,  12, 0,    0x90 | 2, 60,
                      100, 0,    0xE2, 0x7F, 0x7F, 0,   0xB2, 74, 64, 10, 0x82, 60,       0};
    const Score s2 = readScore(smf(1, 96, {fx}), "a.mid");
    ASSERT_EQ(s2.tracks[0].controls.size(), 2u);
    EXPECT_NEAR(s2.tracks[0].controls[0].value, 12.0, 0.002);
    EXPECT_EQ(s2.tracks[0].controls[1].kind, ScoreControl::Kind::Wah);
    EXPECT_EQ(s2.tracks[0].controls[1].value, 64);
}

TEST(ImportCommand, HostileFilesAreRefusedAndLeaveTheOutputAlone) {
    const Bytes good = smf(1, 480, {{0, 0x90, 60, 100, 10, 0x80, 60, 0}});
    Bytes hugeTrack = good, hugeHeader = good, manyTracks = good;
    hugeTrack[18] = 0x7F;
    hugeHeader[7] = 0xFF;
    manyTracks[10] = manyTracks[11] = 0xFF;
    expectRefused(
        {{"in.mid", Bytes(good.begin(), good.end() - 3),
          "the track header at byte 14 says 8 bytes but 5 are left"},
         {"in.mid", hugeTrack, "the track header at byte 14 says 2130706440 bytes but 8 are left"},
         {"in.mid", hugeHeader, "the file header says 255 bytes but 22 are left"},
         {"in.mid", manyTracks, "the file header says 65535 tracks but 16 bytes are left"},
         {"in.mid", smf(1, 480, {{0, 0x90, 60}}), "track 1: a message at byte 25 is cut off"},
         {"in.mid", smf(1, 480, {{0, 60, 100}}), "track 1: a data byte at byte 23 follows no status byte"},
         {"in.mid", smf(1, 480, {{0x80, 0x80, 0x80, 0x80, 0}}),
          "track 1: a delta time at byte 22 runs past its end"},
         {"in.mid", smf(1, 480, {{0, 0xFF, 3, 0x8F, 0x7F, 'a'}}),
          "track 1: the event at byte 23 says 2047 bytes but 1 are left"},
         {"in.mid", smf(2, 480, {}), "a MIDI file of type 2 (only types 0 and 1 are read)"},
         {"in.mid", Bytes{'M', 'T', 'h', 'd'}, "not a Standard MIDI File"}});
}

TEST(TabArranger, KnownPassagesLieWhereAGuitaristPlaysThem) {
    struct Case {
        const char* name;
        ScoreTrack track;
        std::string tab;
        int moved, dropped, refretted;
    };
    const std::vector<Case> cases = {
        {"open C chord", track({{0, 48}, {0, 52}, {0.004, 55}, {0.008, 60}, {0.01, 64}}), "x32010", 0, 0, 0},
        {"C major scale", track({{0, 48}, {1, 50}, {2, 52}, {3, 53}, {4, 55}, {5, 57}, {6, 59}, {7, 60}}),
         "x3xxxx xx0xxx xx2xxx xx3xxx xxx0xx xxx2xx xxxx0x xxxx1x", 0, 0, 0},
        {"out of reach", track({{0, 28}, {1, 100}, {2, 300000}}), "0xxxxx xxxxxc", 2, 1, 0},
        {"seven notes and a double",
         track({{0, 40}, {0, 45}, {0, 50}, {0, 55}, {0, 59}, {0, 64}, {0, 69}, {0, 64}}), "055455", 0, 2, 0},
        // Drop D: the low string's frets move up by two.
        {"frets from a drop-D file", track({{0, 40, 0, 2}, {0, 47, 0, 9}, {1, 55, 3, 0}}, 38),
         "02xxxx xxx0xx", 0, 0, 2}};
    for (const Case& c : cases) {
        const TabArranger::Result r = TabArranger::arrange(c.track);
        EXPECT_EQ(r.columns, columns(c.tab)) << c.name;
        EXPECT_EQ(std::tie(r.movedByOctave, r.dropped, r.refretted),
                  std::tie(c.moved, c.dropped, c.refretted))
            << c.name;
    }
}

TEST(ImportCommand, ExportedSongsComeBackAndTabsAndListsAreWritten) {
    // Forty overlapping notes over both guitars at odd times, volumes and samples.
    std::vector<std::tuple<double, int, Note>> edges;
    for (int i = 0; i < 40; ++i) {
        const double on = 0.1 + i * 0.0731 + (i % 3) * 0.0004, off = on + 0.05 + (i % 5) * 0.0333;
        edges.emplace_back(on, i,
                           Note((i * 7) % 48 + (i % 2) * 48, 0.2f + (i % 4) * 0.2f, on, 1, i, -2e-5, 0.0));
        edges.emplace_back(off, i, Note(off, i, 0.0));
    }
    std::sort(edges.begin(), edges.end(),
              [](const auto& a, const auto& b) { return std::get<0>(a) < std::get<0>(b); });
    Song song;
    song.events.emplace();
    for (const auto& e : edges)
        song.events->notes.push_back(std::get<2>(e));
    // Each event as (ms, down, sample of its note, volume in 127ths), in order.
    const auto played = [](const std::vector<Note>& notes) {
        std::map<int, const Note*> down;
        std::vector<std::tuple<long, bool, int, long>> out;
        for (const Note& n : notes) {
            if (n.keyDown())
                down[n.noteID()] = &n;
            const Note& d = *down[n.noteID()];
            out.emplace_back(std::lround(n.time() * 1000), n.keyDown(), d.sampleNo(),
                             std::lround(d.volume() * 127));
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    TempFolder dir;
    writeFile(dir.file("s.SAV"), SongCodec::writeSong(song));
    ASSERT_EQ(runCommand(ExportCommand::run, {dir.file("s.SAV"), "-o", dir.file("s.mid")}).code, 0);
    const CommandRun r = runCommand(ImportCommand::run, {dir.file("s.mid"), "-o", dir.file("t.SAV")});
    EXPECT_EQ(r, (CommandRun{0,
                             "Wrote " + dir.file("t.SAV") +
                                 ": 40 notes, 0 bends, 0 whammy and 0 wah changes\n"
                                 "  guitar 1: track 1 (Guitar 1: Acoustic 1), patch 0\n"
                                 "  guitar 2: track 2 (Guitar 2: Acoustic 1), patch 0\n",
                             ""}));
    const Bytes back = readFile(dir.file("t.SAV"));
    EXPECT_EQ(played(SongCodec::readSong(back.data(), back.size()).events->notes),
              played(song.events->notes));

    EXPECT_EQ(runCommand(ImportCommand::run, {dir.file("s.mid"), "--list"}).out,
              "1: Guitar 1: Acoustic 1, Nylon guitar, tuning E2 A2 D3 G3 B3 E4, 20 notes (guitar)\n"
              "2: Guitar 2: Acoustic 1, Nylon guitar, tuning E2 A2 D3 G3 B3 E4, 20 notes (guitar)\n");
    EXPECT_EQ(
        runCommand(ImportCommand::run, {dir.file("s.mid"), "--track", "2", "-o", dir.file("t.TAB")}).out,
        "Wrote " + dir.file("t.TAB") +
            ": 20 columns, 20 notes from track 2 (Guitar 2: Acoustic 1)\n"
            "  1 notes moved by octaves, 0 dropped, 0 refretted to standard tuning\n");
    const Bytes tab = readFile(dir.file("t.TAB"));
    EXPECT_EQ(SongCodec::readTab(tab.data(), tab.size()).tab.tabSize(), 20);
    EXPECT_EQ(
        runCommand(ImportCommand::run, {dir.file("s.mid"), "--track", "3", "-o", dir.file("t.TAB")}).err,
        "strumwell import: " + dir.file("s.mid") +
            ": there is no track 3 (the file has 2; --list shows them); "
            "nothing written\n");

    // Beyond the recorder's limit the first events are kept.
    MidiFileWriter many(1000);
    many.addTrack();
    for (uint32_t i = 0; i < 1600; ++i)
        many.noteOn(0, i * 10, 0, 60, 100), many.noteOff(0, i * 10 + 5, 0, 60);
    writeFile(dir.file("many.mid"), many.bytes());
    EXPECT_EQ(runCommand(ImportCommand::run, {dir.file("many.mid"), "-o", dir.file("m.SAV")}).err,
              "strumwell import: warning: the song keeps the first 3000 note events; 200 were left out\n");
}
