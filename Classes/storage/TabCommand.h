#pragma once
#include <iosfwd>
#include <string>
#include <vector>

// `strumwell tab export TAB -o OUT.txt [--bar N]` writes a tab file as plain
// ASCII tablature (AsciiTabWriter); `-o -` prints it. To OUT.musicxml or
// OUT.xml, or with `--format musicxml`, it writes a MusicXML score on a TAB
// staff instead (MusicXmlWriter).
// `strumwell tab import IN.txt -o OUT.TAB` reads pasted ASCII tablature
// (TabTextImport; `-` reads standard input) and saves it as a tab file.
//
// Both write to a temporary file beside OUT and rename it over OUT, so a
// refused input or a failed write leaves nothing new behind and an existing
// OUT whole. Warnings (skipped technique marks and the like) go to `err`
// and do not fail the command.
//
// Threads: any one thread.
class TabCommand {
public:
    // args: the words after "tab". 0 on success; 1 when the input is missing
    // or refused (the reason, naming the line, on `err`) or OUT could not be
    // written; 2 on a bad command line.
    static int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

    static std::string usage();
};
