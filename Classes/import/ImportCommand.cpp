#include "import/ImportCommand.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iostream>

#include "core/FailureText.h"
#include "import/ScoreReader.h"
#include "import/ScoreSong.h"
#include "import/TabArranger.h"
#include "storage/CommandTool.h"
#include "storage/FileManager.h"
#include "storage/SongCodec.h"

namespace {

struct Options {
    std::string input;
    std::string output;
    std::vector<int> tracks; // 1-based, as --list numbers them
    bool list = false;
};

std::string lowerExtension(const std::string& path) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

bool parseTracks(const std::string& v, std::vector<int>& tracks) {
    tracks.clear();
    for (size_t start = 0; start <= v.size();) {
        const size_t comma = std::min(v.find(',', start), v.size());
        int n = 0;
        const auto r = std::from_chars(v.data() + start, v.data() + comma, n);
        if (comma == start || r.ec != std::errc() || r.ptr != v.data() + comma || n < 1)
            return false;
        tracks.push_back(n);
        start = comma + 1;
    }
    return tracks.size() <= 2;
}

std::string parseOptions(const std::vector<std::string>& args, Options& o, bool& help) {
    help = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string problem;
        if (CommandTool::commonOption(args, i, o.output, help, problem)) {
            if (help || !problem.empty())
                return problem;
        } else if (a == "--list") {
            o.list = true;
        } else if (a == "--track") {
            if (i + 1 >= args.size() || !parseTracks(args[++i], o.tracks))
                return "--track needs a track number, or two separated by a comma (1,2)";
        } else if (problem = CommandTool::inputWord(a, o.input); !problem.empty()) {
            return problem;
        }
    }
    if (o.list)
        return o.input.empty() ? "no file given" : "";
    const std::string problem = CommandTool::missing(o.input, "no file given", o.output,
                                                     "no output file given (-o OUT.TAB or -o OUT.SAV)");
    if (!problem.empty())
        return problem;
    const std::string ext = lowerExtension(o.output);
    if (ext != "tab" && ext != "sav")
        return "the output must be a tab (.TAB) or a song (.SAV)";
    if (ext == "tab" && o.tracks.size() > 1)
        return "a tab holds one track: give one --track";
    return {};
}

std::string noteName(int pitch) {
    static const char* names[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    return names[((pitch % 12) + 12) % 12] + std::to_string(pitch / 12 - 1);
}

void listTracks(const Score& score, std::ostream& out) {
    for (size_t i = 0; i < score.tracks.size(); ++i) {
        const ScoreTrack& t = score.tracks[i];
        out << i + 1 << ": " << (t.name.empty() ? "(no name)" : t.name) << ", "
            << (t.instrument.empty() ? "unknown instrument" : t.instrument) << ", tuning";
        for (int p : t.tuning)
            out << " " << noteName(p);
        if (t.capo > 0)
            out << " capo " << t.capo;
        out << ", " << t.notes.size() << " notes" << (t.guitar ? " (guitar)" : "") << "\n";
    }
}

// The tracks chosen, or a problem in words.
std::string chooseTracks(const Options& o, const Score& score, size_t wanted, std::vector<size_t>& chosen) {
    for (int n : o.tracks) {
        if (static_cast<size_t>(n) > score.tracks.size())
            return "there is no track " + std::to_string(n) + " (the file has " +
                   std::to_string(score.tracks.size()) + "; --list shows them)";
        chosen.push_back(static_cast<size_t>(n - 1));
    }
    if (!chosen.empty())
        return {};
    for (bool guitar : {true, false})
        for (size_t i = 0; i < score.tracks.size() && chosen.size() < wanted; ++i)
            if (score.tracks[i].guitar == guitar && !score.tracks[i].notes.empty())
                chosen.push_back(i);
    return chosen.empty() ? "the file has no notes" : "";
}

std::string trackText(const Score& score, size_t i) {
    return "track " + std::to_string(i + 1) + " (" + score.tracks[i].name + ")";
}

} // namespace

std::string ImportCommand::usage() {
    return "usage: strumwell import FILE -o OUT.TAB|OUT.SAV [--track N[,M]] [--list]\n"
           "  Reads a Guitar Pro (.gp3 .gp4 .gp5 .gp), MusicXML (.musicxml .xml .mxl) or\n"
           "  Standard MIDI file (.mid) and writes a tab or, from a MIDI file, a song.\n"
           "  OUT.TAB  one track as tablature: a column for each onset, frets from the file\n"
           "           or chosen so that the hand moves least\n"
           "  OUT.SAV  up to two tracks played by guitars 1 and 2, with bends, whammy, wah\n"
           "  --track N[,M]  the tracks to take (default: the first guitar track, else the\n"
           "                 first with notes; a song takes two)\n"
           "  --list         print the file's tracks and write nothing\n";
}

int ImportCommand::run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommandTool tool("strumwell import", out, err);
    Options o;
    if (const int code = tool.parseCommandLine(args, o, parseOptions, usage()); code >= 0)
        return code;

    FileManager files(nullptr, nullptr, nullptr, std::string());
    tool.quiet(files);
    std::vector<uint8_t> bytes;
    if (!tool.readFile(files, o.input, bytes, ""))
        return 1;
    Score score;
    std::string error;
    if (!ScoreReader::read(bytes, o.input, score, error)) {
        err << FailureText::toolLine(o.input, error) << (o.list ? "\n" : "; nothing written\n");
        return 1;
    }
    for (const std::string& w : score.warnings)
        err << "strumwell import: warning: " << w << "\n";
    if (o.list) {
        listTracks(score, out);
        return 0;
    }
    const bool song = lowerExtension(o.output) == "sav";
    if (song && ScoreReader::detect(bytes, o.input) != ScoreReader::Format::Midi) {
        err << "strumwell import: " << o.input << ": only MIDI files become songs; write a tab (.TAB); "
            << "nothing written\n";
        return 1;
    }
    std::vector<size_t> chosen;
    if (const std::string problem = chooseTracks(o, score, song ? 2 : 1, chosen); !problem.empty()) {
        err << "strumwell import: " << o.input << ": " << problem << "; nothing written\n";
        return 1;
    }

    if (!song) {
        const TabArranger::Result r = TabArranger::arrange(score.tracks[chosen[0]]);
        Tab tab;
        for (const TabArranger::Column& c : r.columns)
            tab.addNotesToTab(-1, c.data());
        const std::vector<uint8_t> buffer = SongCodec::writeTab(tab);
        if (!tool.writeFile(files, o.output, buffer.data(), buffer.size()))
            return 1;
        out << "Wrote " << o.output << ": " << r.columns.size() << " columns, " << r.notes << " notes from "
            << trackText(score, chosen[0]) << "\n"
            << "  " << r.movedByOctave << " notes moved by octaves, " << r.dropped << " dropped, "
            << r.refretted << " refretted to standard tuning\n";
        return 0;
    }

    std::vector<const ScoreTrack*> tracks;
    for (size_t i : chosen)
        tracks.push_back(&score.tracks[i]);
    const ScoreSong::Result r = ScoreSong::build(tracks);
    const std::vector<uint8_t> buffer = SongCodec::writeSong(r.song);
    if (!tool.writeFile(files, o.output, buffer.data(), buffer.size()))
        return 1;
    out << "Wrote " << o.output << ": " << r.notes << " notes, " << r.bends << " bends, " << r.whammyChanges
        << " whammy and " << r.wahChanges << " wah changes\n";
    for (size_t g = 0; g < chosen.size(); ++g)
        out << "  guitar " << g + 1 << ": " << trackText(score, chosen[g]) << ", patch "
            << (r.patch[g] >= 0 ? std::to_string(r.patch[g]) : std::string("unchanged (no guitar program)"))
            << "\n";
    if (r.movedByOctave > 0)
        out << "  " << r.movedByOctave << " notes moved by octaves onto the guitar's samples\n";
    if (r.eventsLeftOut > 0)
        err << "strumwell import: warning: the song keeps the first " << SongEvents::kMaxEvents
            << " note events; " << r.eventsLeftOut << " were left out\n";
    return 0;
}
