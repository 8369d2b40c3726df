#pragma once
#include <string>
#include <vector>

// The page's way to turn a song or tab of the documents folder into a file
// the user can download: a Standard MIDI File or a WAV of a song, the ASCII
// tablature of a tab. Each export runs one of the command-line tools'
// commands (ExportCommand, RenderCommand, TabCommand) on a thread of its own,
// since a render takes seconds and the page's main thread may never wait;
// the outcome reaches the page's script (web/files.js) on the main thread as
// Module.strumwellFiles.exported(id, ok, message), the message being what
// the command wrote on its error stream (the file and the reason) or, when
// it worked, on its output.
//
// The page calls the C function strumwell_web_export(songPath, outPath,
// kind) (exported to JavaScript), which returns the export's id.
class WebFiles {
public:
    enum class Kind { Midi = 0, Wav = 1, TabText = 2 };

    // Any thread. The command line of one export: the words after
    // "strumwell export", "strumwell render" or "strumwell tab". A WAV is
    // rendered with the samples of `bundleFolder`, which must all be there
    // (the page fetches them first). Empty for an unknown kind.
    static std::vector<std::string> commandLine(Kind kind, const std::string& input,
                                                const std::string& output, const std::string& bundleFolder);

    // Any thread. Runs the export and waits for it: true when the file was
    // written; `message` gets the command's error text when it was not
    // (its output text when it was).
    static bool run(Kind kind, const std::string& input, const std::string& output,
                    const std::string& bundleFolder, std::string& message);

    // The browser's main thread only. Starts the export on a new thread and
    // returns its id (1, 2, ...) at once; the page hears of the outcome later
    // (of a thread that could not be started too, as a failure, on a later
    // turn of the page).
    static int start(Kind kind, const std::string& input, const std::string& output);

    static constexpr const char* kBundleFolder = "/bundle";
};
