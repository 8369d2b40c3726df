#pragma once
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <sstream>
#include <string>
#include <vector>

class FileManager;

// What the command-line tools (render, export, tab) share: the options every
// one of them takes, the answer to a help request or a bad command line, and
// the reading and writing of the files they are given, each failure reported
// as one line that starts with the tool's name.
//
// Threads: any one thread.
class CommandTool {
public:
    // name: how the tool's error lines start ("strumwell render").
    CommandTool(std::string name, std::ostream& out, std::ostream& err);

    // -h/--help and -o/--output FILE at args[i]: true when args[i] is one of
    // them, with `i` then on the file name. Sets `help`, or `output`, or
    // `problem` when the file name is missing or empty.
    static bool commonOption(const std::vector<std::string>& args, std::size_t& i, std::string& output,
                             bool& help, std::string& problem);

    // A word that is no option (an option starts with '-'; so does "-" when
    // it is not a word): the tool's input, the first time; a problem after,
    // or when it is an option nobody took.
    static std::string inputWord(const std::string& word, std::string& input, bool dashIsWord = false);
    static bool isOption(const std::string& word, bool dashIsWord = false);
    // The first message whose value is still empty, or nothing.
    static std::string missing(const std::string& input, const char* noInput, const std::string& output,
                               const char* noOutput);

    // Parses the words with parse(args, options, help), which answers a
    // problem (empty when the words are good). Then 0 once the usage is
    // printed for a help request; 2 once a bad command line is reported,
    // with the usage; -1 to go on.
    template <class Options, class Parse>
    int parseCommandLine(const std::vector<std::string>& args, Options& options, const Parse& parse,
                         const std::string& usage) {
        bool help = false;
        const std::string problem = parse(args, options, help);
        return answerCommandLine(help, problem, usage);
    }

    // Keeps the file manager's own diagnostic lines off the output: the tool
    // reports a failure once, itself.
    void quiet(FileManager& files);
    // The bytes of the file at `path` (of standard input for "-" when
    // `dashIsStandardInput`), read under the song file limit. False, once
    // "strumwell: cannot read 'PATH': <reason> (<code>)" is on the error
    // stream, when it is missing, not a regular file, too large or
    // unreadable. An empty file gives true and no bytes. `note` is no longer
    // printed: the reason is in words now.
    bool readFile(const FileManager& files, const std::string& path, std::vector<std::uint8_t>& bytes,
                  const char* note, bool dashIsStandardInput = false);
    // Replaces the file at `path` atomically. False, once "<name>: cannot
    // write <path>" is on the error stream, when it could not be written.
    bool writeFile(FileManager& files, const std::string& path, const std::uint8_t* data, std::size_t size);

private:
    int answerCommandLine(bool help, const std::string& problem, const std::string& usage);

    std::string name_;
    std::ostream& out_;
    std::ostream& err_;
    std::ostringstream diagnostics_;
};
