#include "storage/ExportCommand.h"

#include <cstdio>
#include <iostream>

#include "core/FailureText.h"
#include "storage/CommandTool.h"
#include "storage/FileManager.h"
#include "storage/RenderCommand.h"

namespace {

struct Options {
    std::string song;
    std::string output;
    MidiExport::Options midi;
};

std::string parseOptions(const std::vector<std::string>& args, Options& o, bool& help) {
    help = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string problem;
        if (CommandTool::commonOption(args, i, o.output, help, problem)) {
            if (help || !problem.empty())
                return problem;
        } else if (a == "--all-effects") {
            o.midi.allEffects = true;
        } else if (a == "--no-glide") {
            o.midi.glide = false;
        } else if (problem = CommandTool::inputWord(a, o.song, true); !problem.empty()) {
            return problem;
        }
    }
    return CommandTool::missing(o.song, "no song file given", o.output, "no output file given (-o OUT.mid)");
}

std::string semitoneText(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.2f", s);
    return text;
}

} // namespace

std::string ExportCommand::usage() {
    return "usage: strumwell export SONG -o OUT.mid [--all-effects] [--no-glide]\n"
           "  Writes a song or state file (- for standard input) as a Standard MIDI File\n"
           "  (type 1): one track per guitar, its General MIDI program, bends and whammy\n"
           "  as pitch bend, the wah as controller 74. Times are exact to the millisecond.\n"
           "  --all-effects   also export bends, whammy and wah that the song's settings\n"
           "                  keep silent (switched off for that guitar)\n"
           "  --no-glide      jump to each bend target instead of gliding as the engine does\n";
}

int ExportCommand::run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommandTool tool("strumwell export", out, err);
    Options o;
    if (const int code = tool.parseCommandLine(args, o, parseOptions, usage()); code >= 0)
        return code;

    // A file manager with no model objects: only its file reading and its
    // atomic save are used.
    FileManager files(nullptr, nullptr, nullptr, std::string());
    tool.quiet(files);
    std::vector<uint8_t> bytes;
    if (!tool.readFile(files, o.song, bytes, " (no such file)", true))
        return 1;
    MidiExport::Song song;
    std::string error;
    if (!MidiExport::readSongFile(bytes.data(), bytes.size(), song, error)) {
        err << FailureText::toolLine(o.song, error) << "; nothing written\n";
        return 1;
    }
    if (const std::string notice = RenderCommand::eventsLeftOutNotice(o.song, song.eventsLeftOut);
        !notice.empty())
        err << "strumwell export: " << notice << "\n";
    const MidiExport::Result midi = MidiExport::build(song, o.midi);
    if (!midi.ok) {
        err << "strumwell export: " << o.song << ": damaged song: " << midi.error << "; nothing written\n";
        return 1;
    }
    if (!tool.writeFile(files, o.output, midi.bytes.data(), midi.bytes.size()))
        return 1;

    out << "Wrote " << o.output << ": " << midi.guitars.size() + 1 << " tracks, " << midi.songSeconds
        << " s\n";
    if (midi.guitars.empty())
        out << "  the song has no guitar notes\n";
    for (const MidiExport::GuitarSummary& g : midi.guitars) {
        out << "  guitar " << g.guitar + 1 << ": track " << g.track << ", channel " << g.channel + 1
            << ", program " << g.program << ", " << g.notes << " notes, " << g.bends << " bends, "
            << g.whammyChanges << " whammy and " << g.wahChanges << " wah changes\n";
        if (g.bendRangeSemitones != 2)
            out << "    the whammy bar reaches " << semitoneText(g.lowestSemitones) << " / "
                << semitoneText(g.highestSemitones) << " semitones: pitch-bend range set to "
                << g.bendRangeSemitones << " semitones (a full bend is then not the top of the wheel)\n";
        if (g.silentBends + g.silentWhammy + g.silentWah > 0)
            out << "    left out, as the song's settings keep them silent: " << g.silentBends << " bends, "
                << g.silentWhammy << " whammy and " << g.silentWah
                << " wah changes (--all-effects keeps them)\n";
        if (g.shortenedNotes > 0)
            out << "    " << g.shortenedNotes << " notes end early where the same pitch is struck again\n";
    }
    if (midi.noiseNotes > 0)
        out << "  " << midi.noiseNotes << " fret and tap noises left out\n";
    if (midi.unplayableNotes > 0)
        out << "  " << midi.unplayableNotes << " notes on empty sample slots left out\n";
    return 0;
}
