#pragma once
#include <string>
#include <vector>

// The options of the `strumwell` program (the guitar itself; the `render`
// and `dump` tools parse their own arguments).
//
// Threads: any (pure).
class CommandLine {
public:
    // A screen --screen can go to, as --help and --list-screens name it.
    struct Screen {
        int number;
        std::string name;
        std::string kind;
    };

    // The screens there are, in number order: the caller's to give, before
    // parse(), usage() and screenList().
    std::vector<Screen> screens;

    std::string documentsFolder;
    std::string cachesFolder;
    std::string bundleFolder;
    bool headless = false;
    int screen = 0; // 0: none asked for
    std::string screenshotFile;
    std::string latencyLogFile;
    int audioBufferFrames = 0; // 0: the default
    // The sound system: "sdl" (SDL's driver, SDL_AUDIODRIVER chooses it) or
    // "jack" (a JACK client that also carries MIDI).
    std::string audio = "sdl";
    bool showHelp = false;
    bool showVersion = false;
    bool listScreens = false;

    // Parses argv[1..]; on a bad option or value returns false and sets error
    // to a one-line message for the user.
    bool parse(const std::vector<std::string>& args, std::string& error);

    std::string usage(const std::string& programName) const;
    // What --list-screens prints: a line per screen, its number, name and
    // kind separated by tabs, for scripts (the man page and the shell
    // completion are made from it).
    std::string screenList() const;
};
