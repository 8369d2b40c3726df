#include "import/MusicXmlReader.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <string_view>

#include "import/ZipArchive.h"

namespace {

constexpr size_t kMaxParts = 64;
constexpr size_t kMaxNotes = 200000;
constexpr double kMaxBeats = 1e6; // quarter notes from the start: days of music
constexpr int kMaxStaves = 16;
constexpr int kStrings = 6;

// Thrown from anywhere in the walk and caught once, at the top: every level
// can meet a number out of range, and the words say where.
struct Refusal {
    std::string what;
};

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1));
}

bool parseNumber(const std::string& text, double& value) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(value);
}

std::string shown(double v) {
    std::string s = std::to_string(v);
    s.erase(s.find_last_not_of('0') + 1);
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s;
}

bool hasWord(std::string text, std::string_view word) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text.find(word) != std::string::npos;
}

// One pitch from its step, alter and octave, or -1 when there is none.
int pitchOf(const std::string& step, double alter, double octave) {
    static const std::map<std::string, int> kSteps = {{"C", 0}, {"D", 2}, {"E", 4}, {"F", 5},
                                                      {"G", 7}, {"A", 9}, {"B", 11}};
    const auto it = kSteps.find(step);
    if (it == kSteps.end())
        return -1;
    const int p = static_cast<int>(std::lround((octave + 1) * 12 + it->second + alter));
    return p >= 0 && p <= 127 ? p : -1;
}

// The document, parsed with no DOCTYPE processing: pugixml expands no
// entities but the five predefined ones, and a document that declares its
// own (a billion laughs) is refused rather than read with them left raw.
bool parse(std::span<const uint8_t> bytes, pugi::xml_document& doc, const char* what, std::string& error) {
    const pugi::xml_parse_result r =
        doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_doctype);
    if (!r) {
        error = std::string(what) + " is not well-formed XML at byte " + std::to_string(r.offset) + ": " +
                r.description();
        return false;
    }
    for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_doctype &&
            std::string_view(n.value()).find("ENTITY") != std::string_view::npos) {
            error = std::string(what) + " declares entities in its DOCTYPE, which are not read";
            return false;
        }
    return true;
}

struct Staff {
    int lines = kStrings;
    bool tab = false;
    bool tuned = false;
    std::array<int, 6> tuning = ScoreTrack::kStandardTuning;
    int capo = 0;
    // How many of the lowest strings a staff of more than six lines has
    // beyond the six a guitar holds.
    int extra() const { return std::max(0, lines - kStrings); }
};

// Walks the parts, keeping notes on quarter-note positions; the tempo map
// of every part turns them into seconds at the end.
class Walker {
public:
    explicit Walker(Score& score) : score_(score) {}

    void part(ScoreTrack& track, const std::string& id, const std::vector<pugi::xml_node>& measures);
    void finish();

private:
    // The number in the child `name` of `parent`; `missing` when there is
    // none, unless that is NaN: then the child is required.
    double number(pugi::xml_node parent, const char* name, double lo, double hi, double missing = NAN) const {
        const pugi::xml_node node = parent.child(name);
        if (!node && !std::isnan(missing))
            return missing;
        if (!node)
            throw Refusal{where_ + ": <" + parent.name() + "> has no <" + name + ">"};
        const std::string text = trimmed(node.child_value());
        double v = 0;
        if (!parseNumber(text, v) || v < lo || v > hi)
            throw Refusal{where_ + ": <" + name + "> is '" + text.substr(0, 20) + "' (" + shown(lo) +
                          " ... " + shown(hi) + " expected)"};
        return v;
    }
    int integer(pugi::xml_node parent, const char* name, int lo, int hi, double missing = NAN) const {
        return static_cast<int>(number(parent, name, lo, hi, missing));
    }
    int staffNumber(pugi::xml_node node, const char* attribute) const {
        const pugi::xml_attribute a = node.attribute(attribute);
        if (!a)
            return 1;
        double v = 0;
        if (!parseNumber(trimmed(a.value()), v) || v < 1 || v > kMaxStaves)
            throw Refusal{where_ + ": staff number '" + std::string(a.value()).substr(0, 20) + "' (1 ... " +
                          std::to_string(kMaxStaves) + " expected)"};
        return static_cast<int>(v);
    }
    void staves(pugi::xml_node attributes);
    void direction(pugi::xml_node node);
    bool sound(pugi::xml_node node); // true when it sets the tempo
    void tempo(double bpm) { tempos_.emplace_back(position_, bpm); }
    void note(ScoreTrack& track, pugi::xml_node node);
    void advance(double beats) {
        position_ += beats;
        measureEnd_ = std::max(measureEnd_, position_);
        if (position_ > kMaxBeats)
            throw Refusal{where_ + ": the music runs past " + shown(kMaxBeats) + " beats"};
    }

    Score& score_;
    std::string where_;
    std::array<Staff, kMaxStaves + 1> staves_{};
    bool anyTab_ = false;
    double divisions_ = 1;
    double position_ = 0, lastStart_ = 0, measureEnd_ = 0;
    size_t notes_ = 0;
    bool repeats_ = false;
    std::vector<std::pair<double, double>> tempos_; // (beat, quarter notes a minute)
};

void Walker::staves(pugi::xml_node attributes) {
    for (pugi::xml_node clef : attributes.children("clef"))
        if (trimmed(clef.child_value("sign")) == "TAB")
            staves_[static_cast<size_t>(staffNumber(clef, "number"))].tab = true;
    for (pugi::xml_node details : attributes.children("staff-details")) {
        Staff& staff = staves_[static_cast<size_t>(staffNumber(details, "number"))];
        staff.lines = integer(details, "staff-lines", 1, kMaxStaves, staff.lines);
        staff.capo = integer(details, "capo", 0, 24, staff.capo);
        for (pugi::xml_node t : details.children("staff-tuning")) {
            const int line = t.attribute("line").as_int(0), index = line - 1 - staff.extra();
            const int pitch = pitchOf(trimmed(t.child_value("tuning-step")),
                                      number(t, "tuning-alter", -2, 2, 0), number(t, "tuning-octave", 0, 9));
            if (pitch < 0)
                throw Refusal{where_ + ": a staff tuning with no pitch"};
            if (line >= 1 && line <= staff.lines && index >= 0 && index < kStrings)
                staff.tuning[static_cast<size_t>(index)] = pitch;
            staff.tab = staff.tuned = true;
        }
    }
}

bool Walker::sound(pugi::xml_node node) {
    const pugi::xml_attribute a = node.attribute("tempo");
    double bpm = 0;
    if (a && (!parseNumber(trimmed(a.value()), bpm) || bpm < 1 || bpm > 1000))
        throw Refusal{where_ + ": tempo '" + std::string(a.value()).substr(0, 20) +
                      "' (1 ... 1000 expected)"};
    if (a)
        tempo(bpm);
    return a;
}

void Walker::direction(pugi::xml_node node) {
    if (sound(node.child("sound")))
        return;
    // A metronome mark with no sound: its beat in quarter notes, dotted or not.
    static const std::map<std::string, double> kUnits = {
        {"whole", 4}, {"half", 2}, {"quarter", 1}, {"eighth", 0.5}, {"16th", 0.25}};
    for (pugi::xml_node type : node.children("direction-type"))
        if (pugi::xml_node m = type.child("metronome")) {
            const auto unit = kUnits.find(trimmed(m.child_value("beat-unit")));
            double perMinute = 0;
            if (unit != kUnits.end() && parseNumber(trimmed(m.child_value("per-minute")), perMinute) &&
                perMinute >= 1 && perMinute <= 1000)
                return tempo(perMinute * unit->second * (m.child("beat-unit-dot") ? 1.5 : 1.0));
        }
}

void Walker::note(ScoreTrack& track, pugi::xml_node node) {
    if (node.child("grace"))
        return; // an ornament squeezed into the beat: no time of its own
    const bool chord = node.child("chord");
    const double beats = number(node, "duration", 0, 1e8, 0) / divisions_;
    const double start = chord ? lastStart_ : position_;
    if (!chord) {
        lastStart_ = position_;
        advance(beats);
    }
    const pugi::xml_node pitch = node.child("pitch");
    if (!pitch || node.child("rest") || node.child("cue"))
        return;
    const Staff& staff = staves_[static_cast<size_t>(integer(node, "staff", 1, kMaxStaves, 1))];
    // A part written twice, as notes and as TAB, is read once, from the TAB.
    if (anyTab_ && !staff.tab)
        return;
    ScoreNote n;
    n.seconds = start;
    n.duration = start + beats; // the end, until finish() makes both seconds
    n.pitch = pitchOf(trimmed(pitch.child_value("step")), number(pitch, "alter", -2, 2, 0),
                      number(pitch, "octave", 0, 9));
    if (n.pitch < 0)
        throw Refusal{where_ + ": a note's step '" + trimmed(pitch.child_value("step")).substr(0, 20) +
                      "' is not A ... G or its pitch is beyond MIDI's"};
    for (pugi::xml_node tie : node.children("tie"))
        n.tied = n.tied || std::string_view(tie.attribute("type").value()) == "stop";
    for (pugi::xml_node notations : node.children("notations")) {
        for (pugi::xml_node tied : notations.children("tied"))
            n.tied = n.tied || std::string_view(tied.attribute("type").value()) == "stop";
        const pugi::xml_node technical = notations.child("technical");
        if (technical.child("string") && technical.child("fret")) {
            // MusicXML counts strings from the highest, 1, down to the staff's lines.
            const int string = staff.lines - integer(technical, "string", 1, kMaxStaves) - staff.extra();
            const int fret = integer(technical, "fret", 0, 99);
            if (string >= 0 && string < kStrings)
                n.string = string, n.fret = fret;
        }
    }
    if (++notes_ > kMaxNotes)
        throw Refusal{"the file has more than " + std::to_string(kMaxNotes) + " notes"};
    track.notes.push_back(n);
}

void Walker::part(ScoreTrack& track, const std::string& id, const std::vector<pugi::xml_node>& measures) {
    staves_ = {};
    divisions_ = 1;
    position_ = lastStart_ = measureEnd_ = 0;
    // The staves first: whether notes are taken depends on them all.
    for (size_t i = 0; i < measures.size(); ++i) {
        where_ = "part " + id + ", measure " + std::to_string(i + 1);
        for (pugi::xml_node a : measures[i].children("attributes"))
            staves(a);
    }
    anyTab_ = std::any_of(staves_.begin(), staves_.end(), [](const Staff& s) { return s.tab; });
    // The part's strings are those of its tuned TAB staff, else of any TAB staff.
    const Staff* tab = nullptr;
    for (const Staff& s : staves_)
        if ((s.tuned && (tab == nullptr || !tab->tuned)) || (s.tab && tab == nullptr))
            tab = &s;
    if (tab != nullptr) {
        track.tuning = tab->tuning;
        track.capo = tab->capo;
        track.guitar = true;
    }

    for (size_t i = 0; i < measures.size(); ++i) {
        where_ = "part " + id + ", measure " + std::to_string(i + 1);
        const double measureStart = position_;
        measureEnd_ = position_;
        for (pugi::xml_node c : measures[i].children()) {
            const std::string_view name = c.name();
            if (name == "attributes" && c.child("divisions"))
                divisions_ = number(c, "divisions", 1, 1e7);
            else if (name == "note")
                note(track, c);
            else if (name == "backup")
                position_ = std::max(measureStart, position_ - number(c, "duration", 0, 1e8) / divisions_);
            else if (name == "forward")
                advance(number(c, "duration", 0, 1e8) / divisions_);
            else if (name == "direction")
                direction(c);
            else if (name == "sound")
                sound(c);
            else if (name == "barline" && (c.child("repeat") || c.child("ending")))
                repeats_ = true;
        }
        // Voices that end early leave the measure as long as its longest.
        position_ = measureEnd_;
    }
}

void Walker::finish() {
    // Beat -> seconds: the tempo segments with the seconds at their start.
    std::stable_sort(tempos_.begin(), tempos_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    struct Segment {
        double beat, bpm, seconds;
    };
    std::vector<Segment> map = {{0, 120, 0}};
    for (auto [beat, bpm] : tempos_) {
        if (beat > map.back().beat)
            map.push_back({beat, bpm, map.back().seconds + (beat - map.back().beat) * 60 / map.back().bpm});
        else
            map.back().bpm = bpm;
    }
    const auto seconds = [&map](double beat) {
        const auto it = std::upper_bound(map.begin(), map.end(), beat,
                                         [](double b, const Segment& s) { return b < s.beat; }) -
                        1;
        return it->seconds + (beat - it->beat) * 60 / it->bpm;
    };
    for (ScoreTrack& t : score_.tracks) {
        for (ScoreNote& n : t.notes) {
            const double start = seconds(n.seconds);
            n.duration = seconds(n.duration) - start;
            n.seconds = start;
        }
        std::stable_sort(t.notes.begin(), t.notes.end(),
                         [](const ScoreNote& a, const ScoreNote& b) { return a.seconds < b.seconds; });
    }
    if (repeats_)
        score_.warnings.push_back("repeats and endings are not followed: the music is read once, as written");
}

bool readScore(std::span<const uint8_t> bytes, Score& score, std::string& error) {
    pugi::xml_document doc;
    if (!parse(bytes, doc, "the score", error))
        return false;
    const pugi::xml_node root = doc.document_element();
    const std::string_view kind = root.name();
    if (kind != "score-partwise" && kind != "score-timewise") {
        error = "not a MusicXML score (the document is <" + std::string(kind).substr(0, 40) + ">)";
        return false;
    }

    // Each part's measures in order; a timewise score holds them the other way round.
    std::vector<std::pair<std::string, std::vector<pugi::xml_node>>> parts;
    std::map<std::string, size_t> index;
    bool tooMany = false;
    const auto measuresOf = [&](const std::string& id) -> std::vector<pugi::xml_node>* {
        if (auto it = index.find(id); it != index.end())
            return &parts[it->second].second;
        if (parts.size() == kMaxParts)
            return tooMany = true, nullptr;
        index[id] = parts.size();
        return &parts.emplace_back(id, std::vector<pugi::xml_node>{}).second;
    };
    if (kind == "score-partwise") {
        for (pugi::xml_node part : root.children("part"))
            if (auto* m = measuresOf(part.attribute("id").value()))
                for (pugi::xml_node measure : part.children("measure"))
                    m->push_back(measure);
    } else {
        for (pugi::xml_node measure : root.children("measure"))
            for (pugi::xml_node part : measure.children("part"))
                if (auto* m = measuresOf(part.attribute("id").value()))
                    m->push_back(part);
    }
    if (parts.empty()) {
        error = "the score has no parts";
        return false;
    }

    Walker walker(score);
    score.tracks.resize(parts.size());
    for (size_t i = 0; i < parts.size(); ++i) {
        ScoreTrack& t = score.tracks[i];
        const std::string& id = parts[i].first;
        t.name = id;
        for (pugi::xml_node sp : root.child("part-list").children("score-part")) {
            if (id != sp.attribute("id").value())
                continue;
            if (const std::string name = trimmed(sp.child_value("part-name")); !name.empty())
                t.name = name;
            t.instrument = trimmed(sp.child("score-instrument").child_value("instrument-name"));
            double program = 0;
            if (parseNumber(trimmed(sp.child("midi-instrument").child_value("midi-program")), program) &&
                program >= 1 && program <= 128)
                t.program = static_cast<int>(program) - 1; // MusicXML counts programs from 1
            break;
        }
        t.guitar = (t.program >= 24 && t.program <= 31) ||
                   ((hasWord(t.instrument, "guitar") || hasWord(t.name, "guitar")) &&
                    !hasWord(t.instrument + t.name, "bass"));
        walker.part(t, id, parts[i].second);
    }
    walker.finish();
    if (tooMany)
        score.warnings.push_back("only the first " + std::to_string(kMaxParts) + " parts are read");
    return true;
}

bool hasExtension(const std::string& name, std::string_view ext) {
    return name.size() > ext.size() && hasWord(name.substr(name.size() - ext.size()), ext);
}

// The score inside a .mxl: the rootfile META-INF/container.xml names, else
// the first MusicXML file at the archive's top.
bool unzip(std::span<const uint8_t> bytes, std::vector<uint8_t>& xml, std::string& error) {
    const std::unique_ptr<ZipArchive> zip = ZipArchive::open(bytes, error);
    if (!zip)
        return false;
    const std::vector<std::string> names = zip->names();
    std::string root;
    if (std::find(names.begin(), names.end(), "META-INF/container.xml") != names.end()) {
        pugi::xml_document container;
        if (!zip->read("META-INF/container.xml", xml, error) ||
            !parse(xml, container, "META-INF/container.xml", error))
            return false;
        root =
            container.child("container").child("rootfiles").child("rootfile").attribute("full-path").value();
    }
    for (const std::string& n : names)
        if (root.empty() && n.find('/') == std::string::npos &&
            (hasExtension(n, ".musicxml") || hasExtension(n, ".xml")))
            root = n;
    if (root.empty()) {
        error =
            "the archive holds no MusicXML score (no rootfile in META-INF/container.xml, no .musicxml file)";
        return false;
    }
    return zip->read(root, xml, error);
}

} // namespace

bool MusicXmlReader::read(std::span<const uint8_t> bytes, Score& score, std::string& error) {
    score = Score{};
    try {
        static constexpr uint8_t kZip[] = {'P', 'K', 3, 4};
        if (bytes.size() >= 4 && std::equal(kZip, kZip + 4, bytes.begin())) {
            std::vector<uint8_t> xml;
            return unzip(bytes, xml, error) && readScore(xml, score, error);
        }
        return readScore(bytes, score, error);
    } catch (const Refusal& r) {
        error = r.what;
    } catch (const std::bad_alloc&) {
        error = "the score needs more memory than there is";
    }
    return false;
}
