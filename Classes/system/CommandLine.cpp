#include "system/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iterator>

namespace {

bool isValidScreen(const CommandLine& c, int n) {
    return std::ranges::any_of(c.screens, [n](const CommandLine::Screen& s) { return s.number == n; });
}

// "a screen number from 1 to 18 (not 3)": the range, and the numbers in it
// that name no screen.
std::string acceptedScreens(const CommandLine& c) {
    if (c.screens.empty())
        return "no screen number: there are none";
    const int first = c.screens.front().number, last = c.screens.back().number;
    std::vector<std::string> gaps;
    for (int n = first; n <= last; ++n)
        if (!isValidScreen(c, n))
            gaps.push_back(std::to_string(n));
    std::string out = "a screen number from " + std::to_string(first) + " to " + std::to_string(last);
    for (size_t i = 0; i < gaps.size(); ++i)
        out += (i == 0 ? " (not " : i + 1 == gaps.size() ? " or " : ", ") + gaps[i];
    return out + (gaps.empty() ? "" : ")");
}

bool isValidBufferFrames(const CommandLine&, int n) {
    return n == 64 || n == 128 || n == 256 || n == 512;
}

std::string acceptedBufferFrames(const CommandLine&) {
    return "64, 128, 256 or 512 frames";
}

// --help's table of screens: a column for each run of six numbers (1 to 6, 7
// to 12...), the screens of the run one under the other.
std::string screenTable(const std::vector<CommandLine::Screen>& screens) {
    std::vector<std::vector<const CommandLine::Screen*>> columns;
    for (const CommandLine::Screen& s : screens) {
        const size_t column = static_cast<size_t>(std::max(s.number - 1, 0) / 6);
        columns.resize(std::max(columns.size(), column + 1));
        columns[column].push_back(&s);
    }
    size_t rows = 0;
    for (const auto& column : columns)
        rows = std::max(rows, column.size());
    std::string out;
    for (size_t row = 0; row < rows; ++row) {
        std::string line;
        for (const auto& column : columns) {
            char cell[64] = "";
            if (row < column.size())
                std::snprintf(cell, sizeof cell, "%4d %-19s", column[row]->number, column[row]->name.c_str());
            else
                std::snprintf(cell, sizeof cell, "%24s", "");
            line += cell;
        }
        out += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
    }
    return out;
}

// The options that name a folder or a file.
struct TextOption {
    const char* name;
    const char* what;
    std::string CommandLine::*field;
};
const TextOption kTextOptions[] = {
    {"--documents", "a folder", &CommandLine::documentsFolder},
    {"--caches", "a folder", &CommandLine::cachesFolder},
    {"--bundle", "a folder", &CommandLine::bundleFolder},
    {"--screenshot", "a file name", &CommandLine::screenshotFile},
    {"--latency-log", "a file name", &CommandLine::latencyLogFile},
};

// The options that take a whole number, and what they accept.
struct NumberOption {
    const char* name;
    const char* what;
    std::string (*accepted)(const CommandLine&);
    bool (*valid)(const CommandLine&, int);
    int CommandLine::*field;
};
const NumberOption kNumberOptions[] = {
    {"--audio-buffer", "a frame count", acceptedBufferFrames, isValidBufferFrames,
     &CommandLine::audioBufferFrames},
    {"--screen", "a screen number", acceptedScreens, isValidScreen, &CommandLine::screen},
};

} // namespace

bool CommandLine::parse(const std::vector<std::string>& args, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* what) -> const std::string* {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = a + " needs " + what;
                return nullptr;
            }
            return &args[++i];
        };
        auto text = std::find_if(std::begin(kTextOptions), std::end(kTextOptions),
                                 [&](const TextOption& o) { return a == o.name; });
        auto number = std::find_if(std::begin(kNumberOptions), std::end(kNumberOptions),
                                   [&](const NumberOption& o) { return a == o.name; });
        if (a == "--help" || a == "-h") {
            showHelp = true;
        } else if (a == "--version") {
            showVersion = true;
        } else if (a == "--list-screens") {
            listScreens = true;
        } else if (a == "--headless") {
            headless = true;
        } else if (a == "--audio") {
            const std::string* v = value("a sound system");
            if (!v)
                return false;
            if (*v != "sdl" && *v != "jack") {
                error = a + " takes jack or sdl, not '" + *v + "'";
                return false;
            }
            audio = *v;
        } else if (text != std::end(kTextOptions)) {
            const std::string* v = value(text->what);
            if (!v)
                return false;
            this->*text->field = *v;
        } else if (number != std::end(kNumberOptions)) {
            const std::string* v = value(number->what);
            if (!v)
                return false;
            int n = 0;
            auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), n);
            if (ec != std::errc() || end != v->data() + v->size() || !number->valid(*this, n)) {
                error = a + " takes " + number->accepted(*this) + ", not '" + *v + "'";
                return false;
            }
            this->*number->field = n;
        } else {
            error = "unknown option '" + a + "'";
            return false;
        }
    }
    return true;
}

std::string CommandLine::usage(const std::string& programName) const {
    return "Usage: " + programName +
           " [OPTIONS]\n"
           "       " +
           programName +
           " render SONG -o OUT.wav [--bundle DIR] [--buffer-frames N] [--frames N]\n"
           "       " +
           programName +
           " dump FILE\n"
           "       " +
           programName +
           " export SONG -o OUT.mid [--all-effects] [--no-glide]\n"
           "       " +
           programName +
           " tab export TAB -o OUT.txt [--bar N] | tab import IN.txt -o OUT.TAB\n"
           "       " +
           programName +
           " import FILE -o OUT.TAB|OUT.SAV [--track N[,M]] [--list]\n"
           "\n"
           "Strumwell, a guitar simulator. With no tool named, starts the guitar.\n"
           "\n"
           "Options:\n"
           "  --documents DIR    keep songs, tabs and the working state in DIR\n"
           "                     (default $XDG_DATA_HOME/strumwell or ~/.local/share/strumwell)\n"
           "  --caches DIR       keep the crash flag in DIR\n"
           "                     (default $XDG_CACHE_HOME/strumwell or ~/.cache/strumwell)\n"
           "  --bundle DIR       read samples and pictures from DIR\n"
           "  --headless         run without showing a window (software rendering)\n"
           "  --screen N         after start-up, go to screen N as if chosen from the main menu\n"
           "  --screenshot FILE  after start-up (and --screen), save a PNG of the window and quit\n"
           "  --audio jack|sdl   play through a JACK server (with its MIDI ports) or SDL's sound\n"
           "                     driver, which SDL_AUDIODRIVER may choose (default sdl)\n"
           "  --audio-buffer N   frames per sound device buffer: 64, 128, 256 or 512 (default 128)\n"
           "  --latency-log FILE for every touch or key that starts a sound, write when it happened,\n"
           "                     was handled, started its voice and was first mixed, with the\n"
           "                     device's latency and the count of late buffers (underruns)\n"
           "  --list-screens     print every screen's number, name and kind, a line each, and quit\n"
           "  --version          print the version and quit\n"
           "  --help             print this help and quit\n"
           "\n"
           "MIDI: an input and an output port called Strumwell (ALSA sequencer, or JACK: client\n"
           "Strumwell, ports midi_in and midi_out). Connect a keyboard or a DAW track to them\n"
           "(aconnect, jack_connect); channels and what is sent are set on the setup screen.\n"
           "\n"
           "Screens (N for --screen):\n" +
           screenTable(screens) +
           "\n"
           "Tools:\n"
           "  render SONG -o OUT.wav   play a song or state file offline into a 44100 Hz stereo WAV file\n"
           "      --bundle DIR           the folder holding the sample WAVs\n"
           "      --buffer-frames N      frames per rendered buffer (default 256)\n"
           "      --frames N             render exactly N frames\n"
           "  dump FILE                print a song, state or tab file as JSON\n"
           "  export SONG -o OUT.mid   write a song or state file as a Standard MIDI File: a track\n"
           "                           per guitar, bends and whammy as pitch bend, wah as CC 74\n"
           "      --all-effects          also effects the song's settings keep silent\n"
           "      --no-glide             bends jump to their targets\n"
           "  tab export TAB -o OUT.txt  write a tab file as ASCII tablature (-o - prints it)\n"
           "      --bar N                a bar line every N columns (default 8, 0 none)\n"
           "  tab export TAB -o OUT.musicxml  write it as a MusicXML score on a TAB staff\n"
           "  tab import IN.txt -o OUT.TAB  read pasted ASCII tablature into a tab file\n"
           "  import FILE -o OUT.TAB|OUT.SAV  a Guitar Pro, MusicXML or MIDI file as a tab, or a\n"
           "                           MIDI file as a song (two tracks, bends, whammy, wah)\n"
           "      --track N[,M]          the tracks to take      --list  print the tracks\n";
}

std::string CommandLine::screenList() const {
    std::string out;
    for (const Screen& s : screens)
        out += std::to_string(s.number) + "\t" + s.name + "\t" + s.kind + "\n";
    return out;
}
