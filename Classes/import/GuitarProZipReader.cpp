#include "import/GuitarProZipReader.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "import/GpTempoMap.h"
#include "import/ZipArchive.h"

namespace {

constexpr double kWhole = 4 * GpTempoMap::kQuarter;

std::vector<long> numbers(const char* text) {
    std::vector<long> out;
    std::istringstream in(text);
    for (long v; in >> v;)
        out.push_back(v);
    return out;
}

// The elements of a list (<Notes><Note id="3">...) by their id.
std::unordered_map<long, pugi::xml_node> byId(pugi::xml_node list) {
    std::unordered_map<long, pugi::xml_node> out;
    for (pugi::xml_node n : list.children())
        out.emplace(n.attribute("id").as_llong(-1), n);
    return out;
}

// <Properties><Property name="Fret"><Fret>3</Fret></Property>: the first
// child of the named property.
pugi::xml_node property(pugi::xml_node owner, const char* name) {
    return owner.child("Properties").find_child_by_attribute("Property", "name", name).first_child();
}

double rhythmTicks(pugi::xml_node rhythm) {
    static const std::pair<const char*, double> kValues[] = {
        {"DoubleWhole", 2.0}, {"Whole", 1.0},       {"Half", 0.5},      {"Quarter", 0.25},
        {"Eighth", 0.125},    {"16th", 1.0 / 16},   {"32nd", 1.0 / 32}, {"64th", 1.0 / 64},
        {"128th", 1.0 / 128}, {"256th", 1.0 / 256},
    };
    const std::string value = rhythm.child_value("NoteValue");
    double ticks = kWhole / 4;
    for (const auto& [name, fraction] : kValues)
        if (value == name)
            ticks = kWhole * fraction;
    const int dots = std::clamp(rhythm.child("AugmentationDot").attribute("count").as_int(0), 0, 3);
    ticks *= 2.0 - std::pow(0.5, dots);
    for (const char* tuplet : {"PrimaryTuplet", "SecondaryTuplet"}) {
        const int num = rhythm.child(tuplet).attribute("num").as_int(1);
        const int den = rhythm.child(tuplet).attribute("den").as_int(1);
        if (num >= 1 && den >= 1 && num <= 64 && den <= 64)
            ticks = ticks * den / num;
    }
    return ticks;
}

struct TrackInfo {
    bool drums = false;
    int strings = 6;
};

class GpifParser {
public:
    explicit GpifParser(Score& score) : score_(score) {}

    bool run(pugi::xml_node gpif, std::string& error) {
        readTracks(gpif.child("Tracks"));
        bars_ = byId(gpif.child("Bars"));
        voices_ = byId(gpif.child("Voices"));
        beats_ = byId(gpif.child("Beats"));
        notes_ = byId(gpif.child("Notes"));
        rhythms_ = byId(gpif.child("Rhythms"));
        if (!readMasterBars(gpif.child("MasterBars"), error))
            return false;
        readTempo(gpif.child("MasterTrack").child("Automations"));
        tempo_.settle();
        for (ScoreTrack& track : score_.tracks) {
            for (ScoreNote& n : track.notes) {
                const double start = n.seconds, end = n.seconds + n.duration;
                n.seconds = tempo_.seconds(start);
                n.duration = tempo_.seconds(end) - n.seconds;
            }
            std::stable_sort(track.notes.begin(), track.notes.end(),
                             [](const ScoreNote& a, const ScoreNote& b) { return a.seconds < b.seconds; });
        }
        if (repeats_)
            score_.warnings.push_back("repeats and alternate endings are played once, as written");
        if (graces_ > 0)
            score_.warnings.push_back(std::to_string(graces_) + " grace notes were left out");
        return true;
    }

private:
    void readTracks(pugi::xml_node tracks) {
        for (pugi::xml_node t : tracks.children("Track")) {
            ScoreTrack track;
            TrackInfo info;
            track.name = t.child_value("Name");
            // Guitar Pro 7 keeps the tuning with each staff, 6 with the track.
            pugi::xml_node owner = t.child("Staves").child("Staff");
            if (!owner)
                owner = t;
            const std::vector<long> pitches = numbers(property(owner, "Tuning").child_value());
            info.strings = pitches.empty() ? 0 : static_cast<int>(pitches.size());
            for (std::size_t s = 0; s < std::min<std::size_t>(pitches.size(), 6); ++s)
                track.tuning[s] = static_cast<int>(std::clamp(pitches[s], 0L, 127L));
            track.capo = std::clamp(property(owner, "CapoFret").text().as_int(0), 0, 36);
            long program = t.child("Sounds").child("Sound").child("MIDI").child("Program").text().as_int(-1);
            if (program < 0)
                program = t.child("GeneralMidi").child("Program").text().as_int(-1);
            track.program = program >= 0 && program < 128 ? static_cast<int>(program) : -1;
            pugi::xml_node midi = t.child("MidiConnection");
            if (!midi)
                midi = t.child("GeneralMidi");
            info.drums = midi.child("PrimaryChannel").text().as_int(0) == 9 ||
                         std::string(t.child("InstrumentSet").child_value("Type")) == "drumKit" ||
                         std::string(t.child("GeneralMidi").attribute("table").value()) == "Percussion";
            track.instrument = info.drums ? "drums" : "";
            track.guitar = !info.drums && ((track.program >= 24 && track.program <= 31) || info.strings == 6);
            score_.tracks.push_back(std::move(track));
            infos_.push_back(info);
        }
    }

    bool readMasterBars(pugi::xml_node masterBars, std::string& error) {
        double start = 0.0;
        int numerator = 4, denominator = 4;
        for (pugi::xml_node mb : masterBars.children("MasterBar")) {
            const std::string time = mb.child_value("Time");
            if (!time.empty() && std::sscanf(time.c_str(), "%d/%d", &numerator, &denominator) != 2) {
                error = "the bar time '" + time + "' is not a time signature";
                return false;
            }
            if (numerator < 1 || numerator > 128 || denominator < 1 || denominator > 128) {
                error = "the time signature " + time + " cannot be played";
                return false;
            }
            repeats_ = repeats_ || mb.child("Repeat") || mb.child("AlternateEndings");
            barStarts_.push_back(start);
            const double length = kWhole * numerator / denominator;
            const std::vector<long> bars = numbers(mb.child_value("Bars"));
            for (std::size_t t = 0; t < std::min(bars.size(), infos_.size()); ++t)
                if (!readBar(bars[t], t, start, error))
                    return false;
            start += length;
            barLengths_.push_back(length);
        }
        return true;
    }

    bool readBar(long id, std::size_t track, double start, std::string& error) {
        const auto bar = bars_.find(id);
        if (bar == bars_.end())
            return true; // no bar: nothing played
        for (long voiceId : numbers(bar->second.child_value("Voices"))) {
            const auto voice = voices_.find(voiceId);
            if (voiceId < 0 || voice == voices_.end())
                continue;
            double tick = start;
            for (long beatId : numbers(voice->second.child_value("Beats"))) {
                const auto beat = beats_.find(beatId);
                if (beat == beats_.end()) {
                    error =
                        "a voice names the beat " + std::to_string(beatId) + ", which the file does not hold";
                    return false;
                }
                if (++events_ > GuitarProZipReader::kMaxEvents) {
                    error = "the score unfolds into more than " +
                            std::to_string(GuitarProZipReader::kMaxEvents) + " beats and notes";
                    return false;
                }
                if (beat->second.child("GraceNotes")) {
                    ++graces_;
                    continue;
                }
                const auto rhythm = rhythms_.find(beat->second.child("Rhythm").attribute("ref").as_llong(-1));
                const double length = rhythm == rhythms_.end() ? kWhole / 4 : rhythmTicks(rhythm->second);
                for (long noteId : numbers(beat->second.child_value("Notes")))
                    if (!addNote(noteId, track, tick, length, error))
                        return false;
                tick += length;
            }
        }
        return true;
    }

    bool addNote(long id, std::size_t track, double tick, double length, std::string& error) {
        const auto found = notes_.find(id);
        if (found == notes_.end()) {
            error = "a beat names the note " + std::to_string(id) + ", which the file does not hold";
            return false;
        }
        if (++events_ > GuitarProZipReader::kMaxEvents) {
            error = "the score unfolds into more than " + std::to_string(GuitarProZipReader::kMaxEvents) +
                    " beats and notes";
            return false;
        }
        pugi::xml_node note = found->second;
        ScoreTrack& t = score_.tracks[track];
        ScoreNote n;
        // Seconds and duration hold ticks until the tempo is known.
        n.seconds = tick;
        n.duration = length;
        n.tied = note.child("Tie").attribute("destination").as_bool(false);
        n.velocity = 95;
        const int string = property(note, "String").text().as_int(-1);
        const int fret = property(note, "Fret").text().as_int(-1);
        const int strings = infos_[track].strings;
        if (property(note, "Midi"))
            n.pitch = property(note, "Midi").text().as_int(-1);
        else if (property(note, "Tone") && property(note, "Octave"))
            n.pitch =
                property(note, "Octave").text().as_int(-1) * 12 + property(note, "Tone").text().as_int(0);
        else if (string >= 0 && string < std::min(strings, 6) && fret >= 0 && fret < 100)
            n.pitch = t.tuning[static_cast<std::size_t>(string)] + t.capo + fret;
        else
            n.pitch = -1;
        if (infos_[track].drums) {
            n.channel = 9;
        } else if (string >= 0 && string < std::min(strings, 6) && fret >= 0 && fret < 100) {
            n.string = string;
            n.fret = fret;
        }
        if (n.pitch >= 0 && n.pitch <= 127)
            t.notes.push_back(n);
        return true;
    }

    void readTempo(pugi::xml_node automations) {
        for (pugi::xml_node a : automations.children("Automation")) {
            if (std::string(a.child_value("Type")) != "Tempo")
                continue;
            const long bar = a.child("Bar").text().as_int(0);
            if (bar < 0 || static_cast<std::size_t>(bar) >= barStarts_.size())
                continue;
            const double position = std::clamp(a.child("Position").text().as_double(0.0), 0.0, 1.0);
            const std::vector<long> value = numbers(a.child_value("Value"));
            const double bpm = value.empty() ? std::atof(a.child_value("Value")) : double(value[0]);
            if (bpm > 0)
                tempo_.change(barStarts_[std::size_t(bar)] + position * barLengths_[std::size_t(bar)], bpm);
        }
    }

    Score& score_;
    std::vector<TrackInfo> infos_;
    std::unordered_map<long, pugi::xml_node> bars_, voices_, beats_, notes_, rhythms_;
    std::vector<double> barStarts_, barLengths_;
    GpTempoMap tempo_{120.0};
    std::size_t events_ = 0;
    bool repeats_ = false;
    int graces_ = 0;
};

} // namespace

bool GuitarProZipReader::readGpif(std::string_view xml, Score& score, std::string& error) {
    score = Score{};
    pugi::xml_document doc;
    // The default options: no document type is read, so no entity can grow
    // or reach outside the file.
    const pugi::xml_parse_result parsed = doc.load_buffer(xml.data(), xml.size(), pugi::parse_default);
    if (!parsed) {
        error = std::string("score.gpif is not well-formed XML: ") + parsed.description() + " (at byte " +
                std::to_string(parsed.offset) + ")";
        return false;
    }
    const pugi::xml_node gpif = doc.child("GPIF");
    if (!gpif) {
        error = "score.gpif holds no Guitar Pro score";
        return false;
    }
    return GpifParser(score).run(gpif, error);
}

bool GuitarProZipReader::read(std::span<const uint8_t> bytes, Score& score, std::string& error) {
    score = Score{};
    const std::unique_ptr<ZipArchive> zip = ZipArchive::open(bytes, error);
    std::vector<uint8_t> xml;
    if (!zip || !zip->read("Content/score.gpif", xml, error))
        return false;
    return readGpif(std::string_view(reinterpret_cast<const char*>(xml.data()), xml.size()), score, error);
}
