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

    // After the parse: 0 once the usage is printed for a help request; 2 once
    // a bad command line is reported, with the usage; -1 to go on.
    int answerCommandLine(bool help, const std::string& problem, const std::string& usage);

    // Keeps the file manager's own diagnostic lines off the output: the tool
    // reports a failure once, itself.
    void quiet(FileManager& files);
    // The bytes of the file at `path` (of standard input for "-" when
    // `dashIsStandardInput`). False, once "<name>: <path>: <failure><note>"
    // is on the error stream, when no file is there.
    bool readFile(const FileManager& files, const std::string& path, std::vector<std::uint8_t>& bytes,
                  const char* note, bool dashIsStandardInput = false);
    // Replaces the file at `path` atomically. False, once "<name>: cannot
    // write <path>" is on the error stream, when it could not be written.
    bool writeFile(FileManager& files, const std::string& path, const std::uint8_t* data, std::size_t size);

private:
    std::string name_;
    std::ostream& out_;
    std::ostream& err_;
    std::ostringstream diagnostics_;
};
