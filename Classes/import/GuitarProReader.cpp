#include "import/GuitarProReader.h"

#include <algorithm>
#include <array>
#include <bit>

#include "import/GpByteCursor.h"
#include "import/GpTempoMap.h"

namespace {

constexpr double kWhole = 4 * GpTempoMap::kQuarter;
constexpr int kMaxStrings = 7;

// What the notes of a track need to know of it. Guitar Pro counts strings
// from the highest: gpTuning[0] is the top string.
struct TrackInfo {
    int strings = 6;
    int capo = 0;
    bool drums = false;
    std::array<int, kMaxStrings> gpTuning{};
    std::array<int, kMaxStrings> lastFret{-1, -1, -1, -1, -1, -1, -1};
};

struct TimedNote {
    double tick = 0.0, length = 0.0;
    ScoreNote note;
};

struct MeasureHeader {
    double start = 0.0, length = kWhole;
};

class Parser {
public:
    Parser(std::span<const uint8_t> bytes, Score& score) : in_(bytes), score_(score) {}

    bool run(std::string& error) {
        if (readHeader() && readSongData() && readMeasureHeaders() && readTracks() && readMeasures()) {
            finish();
            return true;
        }
        error = in_.error();
        return false;
    }

private:
    bool readHeader() {
        const std::string version = in_.byteString(30);
        const std::string prefix = "FICHIER GUITAR PRO ";
        if (!in_.ok() || version.compare(0, prefix.size(), prefix) != 0 ||
            version.size() < prefix.size() + 5) {
            in_.failAt(0, "not a Guitar Pro 3, 4 or 5 file");
            return false;
        }
        const std::string number = version.substr(prefix.size() + 1);
        major_ = number[0] - '0';
        v500_ = number.compare(0, 4, "5.00") == 0;
        if (major_ < 3 || major_ > 5) {
            in_.failAt(1, "Guitar Pro version '" + number + "' cannot be read (3, 4 and 5 can)");
            return false;
        }
        return true;
    }
    bool readSongData();
    bool readMeasureHeaders();
    bool readTracks();
    bool readMeasures();
    double readBeat(std::size_t track, double tick);
    void readNote(std::size_t track, int gpString, double tick, double length);
    void readChord();
    void readBeatEffects();
    void readNoteEffects();
    void readBend();
    void readMixTable(double tick);
    void finish();

    GpByteCursor in_;
    Score& score_;
    int major_ = 0;
    bool v500_ = false; // 5.00: a few blocks are shorter than in 5.10
    std::array<int, 64> programs_{};
    double bpm_ = 120.0;
    GpTempoMap tempo_{120.0};
    std::vector<MeasureHeader> measures_;
    std::vector<TrackInfo> infos_;
    std::vector<std::vector<TimedNote>> notes_;
    int trackCount_ = 0;
    bool repeats_ = false;
    int deadNotes_ = 0, strayNotes_ = 0;
};

bool Parser::readSongData() {
    for (int i = 0, n = major_ >= 5 ? 9 : 8; i < n; ++i)
        in_.intByteString(); // title, artist, album, ...
    for (int i = 0, n = in_.count("notice line count", 5); i < n && in_.ok(); ++i)
        in_.intByteString();
    if (major_ < 5)
        in_.skip(1); // triplet feel
    if (major_ >= 4) {
        in_.i32(); // the track the lyrics go with
        for (int line = 0; line < 5; ++line) {
            in_.i32();
            in_.intString();
        }
    }
    if (major_ == 5) {
        if (!v500_)
            in_.skip(19); // the sound engine's master volume and equaliser
        in_.skip(30);     // page size, margins, score size, header and footer flags
        for (int i = 0; i < 10; ++i)
            in_.intByteString(); // header and footer texts
        in_.intByteString();     // tempo name
    }
    const std::size_t tempoAt = in_.offset();
    bpm_ = in_.i32();
    if (in_.ok() && (bpm_ < GpTempoMap::kMinBpm || bpm_ > GpTempoMap::kMaxBpm)) {
        score_.warnings.push_back("the tempo at byte " + std::to_string(tempoAt) + " is " +
                                  std::to_string(static_cast<int>(bpm_)) + "; 120 is used");
        bpm_ = 120.0;
    }
    tempo_ = GpTempoMap(bpm_);
    if (major_ == 5 && !v500_)
        in_.skip(1);               // hide the tempo
    in_.skip(major_ == 3 ? 4 : 5); // key (and octave)
    for (int& program : programs_) {
        program = in_.i32();
        in_.skip(8); // volume, pan, chorus, reverb, phaser, tremolo, two blanks
    }
    if (major_ == 5)
        in_.skip(38 + 4); // coda and segno signs, master reverb
    return in_.ok();
}

bool Parser::readMeasureHeaders() {
    const int count = in_.count("measure count", 1);
    trackCount_ = in_.count("track count", 98);
    measures_.reserve(static_cast<std::size_t>(count));
    int numerator = 4, denominator = 4;
    for (int i = 0; i < count && in_.ok(); ++i) {
        if (major_ == 5 && i > 0)
            in_.skip(1);
        const uint8_t flags = in_.u8();
        const std::size_t timeAt = in_.offset();
        if (flags & 0x01)
            numerator = in_.u8();
        if (flags & 0x02)
            denominator = in_.u8();
        if (in_.ok() && (numerator < 1 || denominator < 1 || denominator > 128 ||
                         !std::has_single_bit(unsigned(denominator)))) {
            in_.failAt(timeAt, "the time signature " + std::to_string(numerator) + "/" +
                                   std::to_string(denominator) + " cannot be played");
            return false;
        }
        repeats_ = repeats_ || (flags & 0x1c) != 0;
        if (flags & 0x08)
            in_.skip(1); // times to repeat
        if (major_ < 5 && (flags & 0x10))
            in_.skip(1); // alternate ending
        if (flags & 0x20) {
            in_.intByteString(); // marker and its colour
            in_.skip(4);
        }
        if (major_ == 5 && (flags & 0x10))
            in_.skip(1);
        if (flags & 0x40)
            in_.skip(2); // key and mode
        if (major_ == 5) {
            if (flags & 0x03)
                in_.skip(4); // beaming
            if (!(flags & 0x10))
                in_.skip(1);
            in_.skip(1); // triplet feel
        }
        MeasureHeader h;
        h.start = measures_.empty() ? 0.0 : measures_.back().start + measures_.back().length;
        h.length = kWhole * numerator / denominator;
        measures_.push_back(h);
    }
    return in_.ok();
}

bool Parser::readTracks() {
    for (int i = 0; i < trackCount_ && in_.ok(); ++i) {
        if (major_ == 5 && (i == 0 || v500_))
            in_.skip(1);
        const uint8_t flags = in_.u8();
        ScoreTrack track;
        track.name = in_.byteString(40);
        TrackInfo info;
        const std::size_t stringsAt = in_.offset();
        info.strings = in_.i32();
        if (in_.ok() && (info.strings < 1 || info.strings > kMaxStrings)) {
            in_.failAt(stringsAt, "a track has " + std::to_string(info.strings) + " strings");
            return false;
        }
        for (int s = 0; s < kMaxStrings; ++s) {
            const std::size_t at = in_.offset();
            info.gpTuning[s] = in_.i32();
            if (in_.ok() && s < info.strings && (info.gpTuning[s] < 0 || info.gpTuning[s] > 127)) {
                in_.failAt(at, "a string is tuned to " + std::to_string(info.gpTuning[s]));
                return false;
            }
        }
        in_.i32(); // MIDI port
        // Counted from 1; any other number (a hostile one too) is no channel.
        const int32_t channelNo = in_.i32();
        const int channel = channelNo >= 1 && channelNo <= 64 ? channelNo - 1 : -1;
        in_.i32(); // effects channel
        in_.i32(); // frets
        const std::size_t capoAt = in_.offset();
        info.capo = in_.i32();
        if (in_.ok() && (info.capo < 0 || info.capo > 36)) {
            in_.failAt(capoAt, "a capo at fret " + std::to_string(info.capo));
            return false;
        }
        in_.skip(4); // colour
        if (major_ == 5) {
            in_.skip(4 + 1 + 12 + 12); // display flags, accentuation, bank, humanising, unknown
            in_.skip(v500_ ? 15 : 16); // sound engine instrument
            if (!v500_) {
                in_.skip(4); // equaliser
                in_.intByteString();
                in_.intByteString(); // sound engine effect and its category
            }
        }
        info.drums = (flags & 0x01) != 0 || (channel >= 0 && channel % 16 == 9);
        const int program = channel >= 0 && channel < 64 ? programs_[static_cast<std::size_t>(channel)] : -1;
        track.program = program >= 0 && program < 128 ? program : -1;
        track.capo = info.capo;
        track.instrument = info.drums ? "drums" : "";
        track.guitar = !info.drums && ((track.program >= 24 && track.program <= 31) || info.strings == 6);
        // Lowest first here; a seventh (lowest) string has no place in the six.
        const int shown = std::min(info.strings, 6);
        for (int s = 0; s < shown; ++s)
            track.tuning[static_cast<std::size_t>(shown - 1 - s)] =
                info.gpTuning[static_cast<std::size_t>(s)];
        score_.tracks.push_back(std::move(track));
        infos_.push_back(info);
    }
    if (major_ == 5)
        in_.skip(v500_ ? 2 : 1);
    notes_.resize(infos_.size());
    // Every measure of every track (of every voice) has at least its beat count.
    const std::size_t voices = major_ == 5 ? 2 : 1;
    if (in_.ok() && measures_.size() * infos_.size() * voices * 4 > in_.left())
        in_.fail(std::to_string(measures_.size()) + " measures of " + std::to_string(infos_.size()) +
                 " tracks cannot fit in the " + std::to_string(in_.left()) + " bytes left");
    return in_.ok();
}

bool Parser::readMeasures() {
    const int voices = major_ == 5 ? 2 : 1;
    for (const MeasureHeader& m : measures_) {
        for (std::size_t t = 0; t < infos_.size() && in_.ok(); ++t) {
            for (int v = 0; v < voices; ++v) {
                double tick = m.start;
                for (int b = 0, n = in_.count("beat count", 3); b < n && in_.ok(); ++b)
                    tick += readBeat(t, tick);
            }
            if (major_ == 5)
                in_.skip(1); // line break
        }
        if (!in_.ok())
            return false;
    }
    return in_.ok();
}

double Parser::readBeat(std::size_t track, double tick) {
    const uint8_t flags = in_.u8();
    bool empty = false;
    if (flags & 0x40)
        empty = (in_.u8() & 0x02) == 0; // 0: an empty beat, taking no time; 2: a rest
    const std::size_t durationAt = in_.offset();
    const int value = in_.i8();
    if (in_.ok() && (value < -2 || value > 6)) {
        in_.failAt(durationAt, "a beat's length is " + std::to_string(value));
        return 0.0;
    }
    double length = kWhole / (1 << (value + 2)) * ((flags & 0x01) ? 1.5 : 1.0);
    if (flags & 0x20) {
        const std::size_t at = in_.offset();
        const int tuplet = in_.i32();
        if (in_.ok() && (tuplet < 1 || tuplet > 128)) {
            in_.failAt(at, "a tuplet of " + std::to_string(tuplet));
            return 0.0;
        }
        // Three in the time of two, five to seven in the time of four, ...
        if (in_.ok())
            length = length * std::bit_floor(unsigned(tuplet)) / tuplet;
    }
    if (flags & 0x02)
        readChord();
    if (flags & 0x04)
        in_.intByteString(); // text
    if (flags & 0x08)
        readBeatEffects();
    if (flags & 0x10)
        readMixTable(tick);
    const uint8_t strings = in_.u8();
    for (int bit = 6; bit >= 0 && in_.ok(); --bit)
        if (strings & (1 << bit))
            readNote(track, 6 - bit, tick, length);
    if (major_ == 5 && (in_.i16() & 0x0800))
        in_.skip(1); // display flags, and a secondary beam break
    return empty ? 0.0 : length;
}

void Parser::readNote(std::size_t track, int gpString, double tick, double length) {
    const uint8_t flags = in_.u8();
    const int kind = (flags & 0x20) ? in_.u8() : 1; // 1 normal, 2 tied, 3 dead
    if (major_ < 5 && (flags & 0x01))
        in_.skip(2);   // its own length
    int velocity = 95; // forte
    if (flags & 0x10)
        velocity = std::clamp(15 + 16 * (in_.i8() - 1), 1, 127);
    const std::size_t fretAt = in_.offset();
    int fret = (flags & 0x20) ? in_.i8() : 0;
    if (flags & 0x80)
        in_.skip(2); // fingering
    if (major_ == 5) {
        if (flags & 0x01)
            in_.skip(8); // length in percent
        in_.skip(1);
    }
    if (flags & 0x08)
        readNoteEffects();
    if (!in_.ok())
        return;
    TrackInfo& info = infos_[track];
    const std::size_t s = static_cast<std::size_t>(gpString);
    if (kind == 2 && info.lastFret[s] >= 0)
        fret = info.lastFret[s]; // a tie goes on with the fret before it
    if (kind == 3) {
        ++deadNotes_;
        return;
    }
    if (fret < 0 || fret > 99) {
        in_.failAt(fretAt, "a note at fret " + std::to_string(fret));
        return;
    }
    info.lastFret[s] = fret;
    TimedNote n{tick, length, {}};
    n.note.velocity = velocity;
    n.note.tied = kind == 2;
    if (info.drums) {
        n.note.pitch = fret; // the drum's key
        n.note.channel = 9;
    } else {
        const int shown = std::min(info.strings, 6);
        if (gpString >= info.strings) {
            ++strayNotes_;
            return;
        }
        n.note.pitch = info.gpTuning[s] + info.capo + fret;
        n.note.string = gpString < shown ? shown - 1 - gpString : -1;
        n.note.fret = n.note.string >= 0 ? fret : -1;
    }
    if (n.note.pitch < 0 || n.note.pitch > 127) {
        ++strayNotes_;
        return;
    }
    notes_[track].push_back(n);
}

void Parser::readChord() {
    if (in_.u8() == 0) { // the old diagram: a name, and frets when it starts above the nut
        in_.intByteString();
        if (in_.i32() != 0)
            in_.skip(6 * 4);
    } else {
        in_.skip(major_ == 3 ? 124 : 106);
    }
}

void Parser::readBeatEffects() {
    const uint8_t flags = in_.u8();
    if (major_ == 3) {
        if (flags & 0x20)
            in_.skip(5); // tremolo bar, tapping, slapping or popping, and its value
        if (flags & 0x40)
            in_.skip(2); // strokes
        return;
    }
    const uint8_t more = in_.u8();
    if (flags & 0x20)
        in_.skip(1);
    if (more & 0x04)
        readBend(); // the tremolo bar
    if (flags & 0x40)
        in_.skip(2);
    if (more & 0x02)
        in_.skip(1); // pick stroke
}

void Parser::readNoteEffects() {
    const uint8_t flags = in_.u8();
    const uint8_t more = major_ >= 4 ? in_.u8() : 0;
    if (flags & 0x01)
        readBend();
    if (flags & 0x10)
        in_.skip(major_ == 5 ? 5 : 4); // grace note
    if (more & 0x04)
        in_.skip(1); // tremolo picking
    if (more & 0x08)
        in_.skip(1); // slide
    if (more & 0x10) {
        const int harmonic = in_.i8();
        if (major_ == 5 && harmonic == 2)
            in_.skip(3); // artificial: its note and octave
        else if (major_ == 5 && harmonic == 3)
            in_.skip(1); // tapped: its fret
    }
    if (more & 0x20)
        in_.skip(2); // trill
}

void Parser::readBend() {
    in_.skip(5); // kind and height
    const int points = in_.count("bend point count", 9);
    in_.skip(static_cast<std::size_t>(points) * 9);
}

void Parser::readMixTable(double tick) {
    in_.skip(1); // instrument
    if (major_ == 5)
        in_.skip(v500_ ? 15 : 16);
    std::array<int8_t, 6> values{}; // volume, pan, chorus, reverb, phaser, tremolo
    for (int8_t& v : values)
        v = in_.i8();
    if (major_ == 5)
        in_.intByteString(); // tempo name
    const int bpm = in_.i32();
    for (int8_t v : values)
        if (v >= 0)
            in_.skip(1); // how many beats the change takes
    if (bpm >= 0) {
        in_.skip(1);
        if (major_ == 5 && !v500_)
            in_.skip(1); // hide the tempo
    }
    if (major_ >= 4)
        in_.skip(1); // which changes apply to every track
    if (major_ == 5) {
        in_.skip(1); // wah
        if (!v500_) {
            in_.intByteString();
            in_.intByteString();
        }
    }
    if (in_.ok() && bpm > 0)
        tempo_.change(tick, bpm);
}

void Parser::finish() {
    tempo_.settle();
    for (std::size_t t = 0; t < notes_.size(); ++t) {
        std::vector<ScoreNote>& out = score_.tracks[t].notes;
        out.reserve(notes_[t].size());
        for (const TimedNote& n : notes_[t]) {
            ScoreNote note = n.note;
            note.seconds = tempo_.seconds(n.tick);
            note.duration = tempo_.seconds(n.tick + n.length) - note.seconds;
            out.push_back(note);
        }
        // Two voices were read one after the other.
        std::stable_sort(out.begin(), out.end(),
                         [](const ScoreNote& a, const ScoreNote& b) { return a.seconds < b.seconds; });
    }
    if (repeats_)
        score_.warnings.push_back("repeats and alternate endings are played once, as written");
    if (deadNotes_ > 0)
        score_.warnings.push_back(std::to_string(deadNotes_) + " dead (muted) notes were left out");
    if (strayNotes_ > 0)
        score_.warnings.push_back(
            std::to_string(strayNotes_) +
            " notes on strings the track does not have, or out of range, were left out");
}

} // namespace

bool GuitarProReader::read(std::span<const uint8_t> bytes, Score& score, std::string& error) {
    score = Score{};
    return Parser(bytes, score).run(error);
}
