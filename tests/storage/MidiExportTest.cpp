// `strumwell export`: songs written as files, exported as MIDI files and read
// back event by event.
#include "storage/MidiExport.h"
#include "StorageTestSupport.h"

using testing::AllOf;

namespace {

// A channel or meta event (status 0xFF, type in d1) at its absolute tick.
struct Event {
    int track;
    uint32_t tick;
    int status, d1, d2;
    bool operator==(const Event&) const = default;
};

// The events of a file whose every event has its full status byte, as this
// system writes them; the byte layout itself is checked against a golden file.
std::vector<Event> eventsOf(const Bytes& b) {
    std::vector<Event> events;
    size_t p = 14;
    for (int track = 0; p + 8 <= b.size(); ++track) {
        const size_t end = p + 8 + (size_t(b[p + 4]) << 24 | b[p + 5] << 16 | b[p + 6] << 8 | b[p + 7]);
        uint32_t tick = 0;
        for (p += 8; p < end;) {
            uint32_t delta = 0;
            do
                delta = delta << 7 | (b[p] & 0x7F);
            while (b[p++] & 0x80);
            Event e{track, tick += delta, b[p++], b[p++], 0};
            if (e.status == 0xFF)
                p += b[p] + 1u; // meta texts here are shorter than 128 bytes
            else if ((e.status & 0xE0) != 0xC0)
                e.d2 = b[p++];
            events.push_back(e);
        }
    }
    return events;
}

// The events whose status matches `status` under `mask` (0xE0: notes on and off of any channel).
std::vector<Event> ofKind(const std::vector<Event>& events, int status, int mask = 0xFF) {
    std::vector<Event> out;
    std::copy_if(events.begin(), events.end(), std::back_inserter(out),
                 [&](const Event& e) { return (e.status & mask) == status; });
    return out;
}

// The pitch of a pitch-bend event in semitones under a bend range.
double semitones(const Event& e, int range) {
    return ((e.d1 | (e.d2 << 7)) - 8192) / 8192.0 * range;
}

// A note-down of `sample` at `volume`, or with sample -1 the note-up of `id`.
struct Edge {
    int sample;
    float volume;
    double time;
    int id;
};

std::vector<Note> notes(const std::vector<Edge>& edges) {
    std::vector<Note> out;
    for (const Edge& e : edges)
        out.push_back(e.sample < 0 ? Note(e.time, e.id, 0.0)
                                   : Note(e.sample, e.volume, e.time, 1, e.id, -2e-5, 0.0));
    return out;
}

// The song with its guitars' volumes, releases and patches, no delay or
// fuzz, then the wah, 5 frets shown, whammy bars and bends.
Bytes songFile(const MidiExport::Song& s, const Bytes& tab = Bytes{0, 0, 0, 0}) {
    const Bytes engine = pack(0.5f, -2e-5, int8_t(s.patchNo[0]), 0.5f, -2e-5, int8_t(s.patchNo[1]),
                              Bytes(34, 0), s.wahOn[0], s.wahOn[1], int8_t(5), s.whammyBarAttached[0],
                              s.whammyBarAttached[1], s.pitchBendOn[0], s.pitchBendOn[1], Bytes(5, 0));
    return songBuffer("VERSION2", tab,
                      recorderSection(s.notes, s.pitchBends, s.whammyBarChanges, s.wahChanges), engine);
}

// Exports the song with the command and returns the file's bytes.
Bytes exported(const MidiExport::Song& song, std::vector<std::string> extra = {}) {
    TempFolder dir;
    writeFile(dir.file("song.SAV"), songFile(song));
    extra.insert(extra.begin(), {dir.file("song.SAV"), "-o", dir.file("song.mid")});
    const CommandRun r = runCommand(ExportCommand::run, extra);
    EXPECT_EQ(r.code, 0) << r.err;
    return readFile(dir.file("song.mid"));
}

} // namespace

TEST(MidiExport, ASmallSongByteForByte) {
    MidiExport::Song song;
    song.patchNo = {4, 2};
    song.notes =
        notes({{2, 0.5f, 0.1234567, 0}, {48 + 14, 0.3f, 0.2505, 1}, {-1, 0, 0.7499, 0}, {-1, 0, 1.0, 1}});
    // Format 1, three tracks, 1000 ticks a quarter; the tempo track (name,
    // 1 000 000 us a quarter, 4/4) ends at the song's end; each guitar's track
    // has its name, program, bend range of 2 semitones (registered parameter
    // 0), centred wheel, guitar 2's open wah, and its note.
    const std::string expected = "4d546864000000060001000303e84d54726b0000002600ff030e537472756d77656c6c20"
                                 "736f6e6700ff51030f424000ff5804040218088768ff2f004d54726b0000004900ff0318"
                                 "47756974617220313a20436c65616e20456c65637472696300c01b00b0650000b0640000"
                                 "b0060200b0260000b0657f00b0647f00e000407b9028408473802800817aff2f004d5472"
                                 "6b0000004900ff031447756974617220323a20456c656374726963203100c11d00b16500"
                                 "00b1640000b1060200b1260000b1657f00b1647f00e1004000b14a7f817b913426856d81"
                                 "340000ff2f00";
    Bytes want;
    for (size_t i = 0; i < expected.size(); i += 2)
        want.push_back(static_cast<uint8_t>(std::stoi(expected.substr(i, 2), nullptr, 16)));
    EXPECT_EQ(exported(song), want);
    for (auto [patch, program] : {std::pair{0, 24}, {1, 25}, {2, 29}, {3, 30}, {4, 27}, {7, 24}})
        EXPECT_EQ(MidiExport::gmProgramForPatch(patch), program) << patch;
}

TEST(MidiExport, NotesPlayAtTheirPitchTimeAndVelocityWherePlaybackPutsThem) {
    // Two guitars, odd times, a note cut by the song's end, a fret noise
    // (103), the top sample of guitar 1 (47), the bottom one of guitar 2 (48)
    // never let go, and a note-up far from its note-down.
    MidiExport::Song song;
    const std::vector<Edge> playedFirst = {
        {2, 0.5f, 0.1234567, 0}, {26, 1.0f, 0.2502, 1}, {48 + 14, 0.3f, 0.2505, 2}, {-1, 0, 0.7499, 0},
        {103, 0.35f, 0.8, 3},    {-1, 0, 0.8, 3},       {47, 0.05f, 1.0006, 4},     {-1, 0, 1.3333, 1},
        {-1, 0, 2.25, 2},        {48, 0.75f, 2.5, 5},   {-1, 0, 3.0004, 4}};
    song.notes = notes(playedFirst);
    // Each within half a tick (a millisecond) of its time; velocity volume x 127.
    const std::vector<Event> first = {
        {1, 123, 0x90, 40, 64},  {1, 250, 0x90, 64, 127}, {1, 750, 0x80, 40, 0},  {1, 1001, 0x90, 85, 6},
        {1, 1333, 0x80, 64, 0},  {1, 3000, 0x80, 85, 0},  {2, 251, 0x91, 52, 38}, {2, 2250, 0x81, 52, 0},
        {2, 2500, 0x91, 38, 95}, {2, 3000, 0x81, 38, 0}};
    song.patchNo = {0, 7}; // each track is named after its guitar's patch
    const Bytes file = exported(song);
    EXPECT_THAT(std::string(file.begin(), file.end()),
                AllOf(HasSubstr("Guitar 1: Acoustic 1"), HasSubstr("Guitar 2: Acoustic Fingerpick")));
    EXPECT_EQ(ofKind(eventsOf(file), 0x80, 0xE0), first);
    // Playback walks a list in its order: an event is never earlier than the
    // one before it, the same pitch struck again ends the note, and a note
    // whose next event is another note-down is held to the end.
    const std::vector<Edge> playedSecond = {{10, 0.5f, 1.0, 0}, {12, 0.5f, 0.5, 1}, {10, 0.5f, 1.5, 2},
                                            {-1, 0, 2.0, 0},    {-1, 0, 2.2, 2},    {14, 0.5f, 2.4, 3},
                                            {15, 0.5f, 2.6, 3}, {-1, 0, 3.0, 1}};
    song.notes = notes(playedSecond);
    const std::vector<Event> second = {
        {1, 1000, 0x90, 48, 64}, {1, 1000, 0x90, 50, 64}, {1, 1500, 0x80, 48, 0},  {1, 1500, 0x90, 48, 64},
        {1, 2200, 0x80, 48, 0},  {1, 2400, 0x90, 52, 64}, {1, 2600, 0x90, 53, 64}, {1, 3000, 0x80, 50, 0},
        {1, 3000, 0x80, 52, 0},  {1, 3000, 0x80, 53, 0}};
    EXPECT_EQ(ofKind(eventsOf(exported(song)), 0x80, 0xE0), second);
    // A note that ends where it starts ends right after it starts, and ends
    // no other: then a same-pitch note later, and one struck as it ends.
    song.notes = notes({{10, 0.5f, 1.0, 0},
                        {-1, 0, 1.0, 0},
                        {10, 0.5f, 1.5, 1},
                        {-1, 0, 1.5, 1},
                        {10, 0.5f, 1.5, 2},
                        {-1, 0, 2.0, 2}});
    const std::vector<Event> third = {{1, 1000, 0x90, 48, 64}, {1, 1000, 0x80, 48, 0},
                                      {1, 1500, 0x90, 48, 64}, {1, 1500, 0x80, 48, 0},
                                      {1, 1500, 0x90, 48, 64}, {1, 2000, 0x80, 48, 0}};
    EXPECT_EQ(ofKind(eventsOf(exported(song)), 0x80, 0xE0), third);
    EXPECT_EQ(MidiExport::build(song, {}).guitars.at(0).shortenedNotes, 0);
}

TEST(MidiExport, BendsGlideOnTheWheelAndAFullBendIsAWholeStep) {
    MidiExport::Song song; // guitar 2 bends by default
    song.notes = notes({{48 + 20, 0.5f, 0.1, 7}, {-1, 0, 1.5, 7}, {48 + 22, 0.5f, 2.0, 8}, {-1, 0, 2.5, 8}});
    song.pitchBends = {PitchChange(0.5, 7, 1.1233333f, 1), PitchChange(1.0, 7, 1.0f, 1),
                       PitchChange(2.1, 8, 1.0616666f, 1)};
    // Up to the top of the wheel (a full bend), back, and the engine's half
    // bend, a little over a semitone; gliding, up takes 75 ms and down 20.
    const double targets[4] = {0.0, 2.0, 0.0, 1.036};
    const std::vector<Event> jumps = ofKind(eventsOf(exported(song, {"--no-glide"})), 0xE1);
    ASSERT_EQ(jumps.size(), 4u);
    const std::vector<Event> glide = ofKind(eventsOf(exported(song)), 0xE1);
    const uint32_t jumpAt[4] = {0, 500, 1000, 2100}, reachedAt[4] = {0, 575, 1020, 2135};
    size_t next = 0;
    for (const Event& e : glide)
        if (next < 4 && std::fabs(semitones(e, 2) - targets[next]) < 0.001) {
            EXPECT_EQ(jumps[next].tick, jumpAt[next]);
            EXPECT_NEAR(semitones(jumps[next], 2), targets[next], 0.001);
            EXPECT_NEAR(e.tick, reachedAt[next++], 1.1);
        }
    EXPECT_EQ(next, 4u);
    EXPECT_GT(glide.size(), 20u);
}

TEST(MidiExport, WhammyWiderThanTwoSemitonesDeclaresTwelve) {
    const struct {
        float whammy;
        int range;
        double semitones;
    } cases[] = {{-0.5f, 12, -12.0}, {0.1f, 2, 12.0 * std::log2(1.1)}, {0.5f, 12, 7.02}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.whammy);
        MidiExport::Song song; // guitar 2 has the whammy bar by default
        song.notes = notes({{60, 0.5f, 0.1, 0}, {-1, 0, 1.0, 0}});
        song.whammyBarChanges[1] = {WhammyBarChange(0.0, 0.0f, 1), WhammyBarChange(0.4, c.whammy, 1)};
        const std::vector<Event> events = eventsOf(exported(song));
        // The range is registered parameter 0, set by data entry after selecting it.
        EXPECT_EQ(ofKind(events, 0xB1).at(2), (Event{1, 0, 0xB1, 6, c.range}));
        const std::vector<Event> bends = ofKind(events, 0xE1);
        ASSERT_EQ(bends.size(), 2u);
        EXPECT_EQ(bends[1].tick, 400u);
        EXPECT_NEAR(semitones(bends[1], c.range), c.semitones, 0.01);
    }
}

TEST(MidiExport, WahIsController74AndSilentEffectsStayOut) {
    MidiExport::Song song;
    // Guitar 1: wah, bends and whammy off by default.
    song.notes = notes({{5, 0.5f, 0.1, 0}, {-1, 0, 2.0, 0}});
    song.pitchBends = {PitchChange(0.5, 0, 1.1233333f, 1)};
    song.whammyBarChanges[0] = {WhammyBarChange(0.6, -0.2f, 1)};
    song.wahChanges[0] = {WahChange(0.0, 0.5f, 1), WahChange(0.3, 0.05f, 1), WahChange(0.9, 0.275f, 1),
                          WahChange(2.5, 0.1f, 1)}; // the last is after the song's end
    std::vector<Event> events = eventsOf(exported(song));
    EXPECT_EQ(ofKind(events, 0xE0).size(), 1u); // only the centre
    for (const Event& e : ofKind(events, 0xB0))
        EXPECT_NE(e.d1, MidiExport::kWahController);
    const auto summary = [&] { return MidiExport::build(song, MidiExport::Options{}).guitars.at(0); };
    EXPECT_EQ(summary().silentWah, 3); // the change after the end is not counted
    song.wahOn[0] = song.pitchBendOn[0] = song.whammyBarAttached[0] = true;
    events = eventsOf(exported(song));
    std::vector<std::pair<uint32_t, int>> wah;
    for (const Event& e : ofKind(events, 0xB0))
        if (e.d1 == MidiExport::kWahController)
            wah.push_back({e.tick, e.d2});
    EXPECT_EQ(wah, (std::vector<std::pair<uint32_t, int>>{{0, 127}, {300, 0}, {900, 64}}));
    EXPECT_EQ(summary().wahChanges, 3);
    EXPECT_EQ(summary().silentWah, 0);
    EXPECT_GT(ofKind(events, 0xE0).size(), 10u);
}
