#include "import/ImportCommand.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iostream>

#include "core/FailureText.h"
#include "import/Importer.h"
#include "import/ScoreReader.h"
#include "storage/CommandTool.h"
#include "storage/FileManager.h"

namespace {

struct Options {
    std::string input;
    std::string output;
    std::vector<int> tracks; // 1-based, as --list numbers them
    bool list = false;
};

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
    const std::string ext = ScoreReader::extensionOf(o.output);
    if (ext != "tab" && ext != "sav")
        return "the output must be a tab (.TAB) or a song (.SAV)";
    if (ext == "tab" && o.tracks.size() > 1)
        return "a tab holds one track: give one --track";
    return {};
}

// The tracks the command line names, else the default; a problem in words.
std::string chooseTracks(const Options& o, const Score& score, size_t wanted, std::vector<size_t>& chosen) {
    for (int n : o.tracks) {
        if (static_cast<size_t>(n) > score.tracks.size())
            return "there is no track " + std::to_string(n) + " (the file has " +
                   std::to_string(score.tracks.size()) + "; --list shows them)";
        chosen.push_back(static_cast<size_t>(n - 1));
    }
    if (chosen.empty())
        chosen = Importer::defaultTracks(score, wanted);
    return chosen.empty() ? "the file has no notes" : "";
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
    const Importer::Tracks read = Importer::listTracks(bytes, o.input);
    if (!read.error.empty()) {
        err << FailureText::toolLine(o.input, read.error) << (o.list ? "\n" : "; nothing written\n");
        return 1;
    }
    const Score& score = read.score;
    for (const std::string& w : score.warnings)
        err << "strumwell import: warning: " << w << "\n";
    if (o.list) {
        for (size_t i = 0; i < score.tracks.size(); ++i)
            out << Importer::trackListing(score, i) << "\n";
        return 0;
    }
    const bool song = ScoreReader::extensionOf(o.output) == "sav";
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
        const Importer::TabResult r = Importer::toTab(score, static_cast<int>(chosen[0]));
        if (!tool.writeFile(files, o.output, r.file.data(), r.file.size()))
            return 1;
        out << "Wrote " << o.output << ": " << r.summary << "\n  " << r.details << "\n";
        return 0;
    }

    const Importer::SongResult r = Importer::toSong(score, chosen);
    if (!tool.writeFile(files, o.output, r.file.data(), r.file.size()))
        return 1;
    out << "Wrote " << o.output << ": " << r.summary << "\n";
    for (const std::string& g : r.guitars)
        out << "  " << g << "\n";
    if (!r.moved.empty())
        out << "  " << r.moved << "\n";
    if (!r.leftOut.empty())
        err << "strumwell import: warning: " << r.leftOut << "\n";
    return 0;
}
