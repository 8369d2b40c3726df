#include "system/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace {

bool isValidScreen(int n) {
    return n >= 1 && n <= 18 && n != 3;
}

bool isValidBufferFrames(int n) {
    return n == 64 || n == 128 || n == 256 || n == 512;
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
    const char* accepted;
    bool (*valid)(int);
    int CommandLine::*field;
};
const NumberOption kNumberOptions[] = {
    {"--audio-buffer", "a frame count", "64, 128, 256 or 512 frames", isValidBufferFrames,
     &CommandLine::audioBufferFrames},
    {"--screen", "a screen number", "a screen number from 1 to 18 (not 3)", isValidScreen,
     &CommandLine::screen},
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
        } else if (a == "--headless") {
            headless = true;
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
            if (ec != std::errc() || end != v->data() + v->size() || !number->valid(n)) {
                error = a + " takes " + number->accepted + ", not '" + *v + "'";
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

std::string CommandLine::usage(const std::string& programName) {
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
           "  --audio-buffer N   frames per sound device buffer: 64, 128, 256 or 512 (default 128)\n"
           "  --latency-log FILE for every touch or key that starts a sound, write when it happened,\n"
           "                     was handled, started its voice and was first mixed, with the\n"
           "                     device's latency and the count of late buffers (underruns)\n"
           "  --version          print the version and quit\n"
           "  --help             print this help and quit\n"
           "\n"
           "Screens (N for --screen):\n"
           "   1 Tab Guitar            7 main menu            13 Scale Guitar\n"
           "   2 tab editor            8 guitar chooser       14 tab library\n"
           "   4 delay pedal           9 setup menu           15 recorder (songs)\n"
           "   5 Manual Fret guitar   10 effects menu         16 instruction manual\n"
           "   6 Hammer-On guitar     11 patch setup          17 application setup\n"
           "                          12 fuzz pedal           18 wah pedal\n"
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
           "  tab import IN.txt -o OUT.TAB  read pasted ASCII tablature into a tab file\n";
}
