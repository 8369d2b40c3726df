#include "storage/TabCommand.h"

#include <cctype>
#include <charconv>
#include <iostream>

#include "core/FailureText.h"
#include "recorder/SongOptions.h"
#include "song/Tab.h"
#include "storage/AsciiTabWriter.h"
#include "storage/CommandTool.h"
#include "storage/FileManager.h"
#include "storage/MusicXmlWriter.h"
#include "storage/TabTextImport.h"

namespace {

struct Options {
    std::string verb;
    std::string input;
    std::string output;
    int barColumns = AsciiTabWriter::kDefaultBarColumns;
    std::string format; // "ascii" or "musicxml"; empty: by OUT's extension
};

bool musicXmlOutput(const Options& o) {
    if (!o.format.empty())
        return o.format == "musicxml";
    const auto dot = o.output.find_last_of('.');
    std::string ext = dot == std::string::npos ? std::string() : o.output.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "musicxml" || ext == "xml";
}

std::string parseOptions(const std::vector<std::string>& args, Options& o, bool& help) {
    help = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string problem;
        if (CommandTool::commonOption(args, i, o.output, help, problem)) {
            if (help || !problem.empty())
                return problem;
        } else if (a == "--bar") {
            const std::string v = i + 1 < args.size() ? args[++i] : std::string();
            int n = -1;
            const auto r = std::from_chars(v.data(), v.data() + v.size(), n);
            if (v.empty() || r.ec != std::errc() || r.ptr != v.data() + v.size() || n < 0 || n > 1000)
                return "--bar needs a number of columns from 0 (no bar lines) to 1000";
            o.barColumns = n;
        } else if (a == "--format") {
            o.format = i + 1 < args.size() ? args[++i] : std::string();
            if (o.format != "ascii" && o.format != "musicxml")
                return "--format needs ascii or musicxml";
        } else if (o.verb.empty() && (a == "export" || a == "import")) {
            o.verb = a;
        } else if (o.verb.empty() && !CommandTool::isOption(a, true)) {
            return "unknown tab command '" + a + "' (export or import)";
        } else if (problem = CommandTool::inputWord(a, o.input, true); !problem.empty()) {
            return problem;
        }
    }
    if (o.verb.empty())
        return "say export or import";
    if (o.verb == "export")
        return CommandTool::missing(o.input, "no tab file given", o.output,
                                    "no output file given (-o OUT.txt, or -o - to print)");
    return CommandTool::missing(o.input, "no text file given", o.output, "no output file given (-o OUT.TAB)");
}

int exportTab(const Options& o, CommandTool& tool, Tab& tab, FileManager& files, const SongOptions& tuning,
              const std::vector<uint8_t>& bytes, std::ostream& out, std::ostream& err) {
    if (!files.loadTabFromBuffer(bytes.data(), bytes.size())) {
        err << FailureText::toolLine(o.input, files.lastFailure()) << "; nothing written\n";
        return 1;
    }
    AsciiTabWriter ascii(o.barColumns);
    MusicXmlWriter musicXml;
    const bool xml = musicXmlOutput(o);
    // The file's tuning went to guitar 0, the tab guitar of this command.
    const std::string text = xml ? musicXml.write(tab, tuning.tuning(0)) : ascii.write(tab, tuning.tuning(0));
    if (const int empty = xml ? musicXml.emptyColumns() : ascii.emptyColumns(); empty > 0)
        err << "strumwell tab export: warning: " << empty
            << " column(s) with no string played are written as rests and do not come back on import\n";
    if (o.output == "-") {
        out << text;
        return 0;
    }
    if (!tool.writeFile(files, o.output, reinterpret_cast<const uint8_t*>(text.data()), text.size()))
        return 1;
    out << "Wrote " << o.output << ": " << tab.tabSize() << " columns\n";
    return 0;
}

int importTab(const Options& o, CommandTool& tool, Tab& tab, FileManager& files, SongOptions& tuning,
              const std::vector<uint8_t>& bytes, std::ostream& out, std::ostream& err) {
    const TabTextImport::Result result = TabTextImport::read(bytes.data(), bytes.size());
    if (!result.ok) {
        err << "strumwell tab import: " << o.input << ": " << result.error << "; nothing written\n";
        return 1;
    }
    for (const std::string& w : result.warnings)
        err << "strumwell tab import: warning: " << w << "\n";
    TabTextImport::apply(result, tab);
    tuning.setTuning(0, result.tuning);
    const std::vector<uint8_t> buffer = files.createTabSaveBuffer();
    if (!tool.writeFile(files, o.output, buffer.data(), buffer.size()))
        return 1;
    out << "Wrote " << o.output << ": " << tab.tabSize() << " columns from " << result.systems << " system"
        << (result.systems == 1 ? "" : "s") << "\n";
    return 0;
}

} // namespace

std::string TabCommand::usage() {
    return "usage: strumwell tab export TAB -o OUT.txt|OUT.musicxml [--bar N] [--format ascii|musicxml]\n"
           "       strumwell tab import IN.txt -o OUT.TAB\n"
           "  export  writes a tab file as ASCII tablature: six lines from high e to low E,\n"
           "          a bar line every N columns (default 8, 0 for none), lines of at most\n"
           "          80 characters, named by the tab's tuning (with its name and capo above);\n"
           "          -o - prints it. To OUT.musicxml or .xml (or with\n"
           "          --format musicxml): a MusicXML score on a TAB staff, a quarter note a column\n"
           "  import  reads ASCII tablature as pasted from the web (several systems, string\n"
           "          names or none, x for muted strings, technique marks skipped with a\n"
           "          warning, lyrics and chord lines ignored; string names of another tuning\n"
           "          and a \"Capo N\" line set the tab's tuning); - reads standard input\n";
}

int TabCommand::run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommandTool tool("strumwell tab", out, err);
    Options o;
    if (const int code = tool.parseCommandLine(args, o, parseOptions, usage()); code >= 0)
        return code;

    // Both read their input the same way, through a file manager of their own.
    CommandTool verbTool("strumwell tab " + o.verb, out, err);
    Tab tab;
    FileManager files(&tab, nullptr, nullptr, std::string());
    SongOptions tuning;
    files.setSongOptions(&tuning);
    verbTool.quiet(files);
    std::vector<uint8_t> bytes;
    if (!verbTool.readFile(files, o.input, bytes, " (no such file)", true))
        return 1;
    return o.verb == "export" ? exportTab(o, verbTool, tab, files, tuning, bytes, out, err)
                              : importTab(o, verbTool, tab, files, tuning, bytes, out, err);
}
