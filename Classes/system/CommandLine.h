#pragma once
#include <string>
#include <vector>

// The options of the `strumwell` program (the guitar itself; the `render`
// and `dump` tools parse their own arguments).
//
// Threads: any (pure).
class CommandLine {
public:
    std::string documentsFolder;
    std::string cachesFolder;
    std::string bundleFolder;
    bool headless = false;
    int screen = 0; // 0: none asked for
    std::string screenshotFile;
    std::string latencyLogFile;
    int audioBufferFrames = 0; // 0: the default
    bool showHelp = false;
    bool showVersion = false;

    // Parses argv[1..]; on a bad option or value returns false and sets error
    // to a one-line message for the user.
    bool parse(const std::vector<std::string>& args, std::string& error);

    static std::string usage(const std::string& programName);
};
