#pragma once
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// `strumwell dump [--song|--tab] FILE`: prints a song, state or tab file as
// JSON. A name ending in ".TAB" (any case) is read as a tab file, anything
// else as a song or state file; --tab / --song override the guess.
//
// The file is read exactly as the file manager reads it, with the same
// checks in the same order: the tab section by a Tab, the recorder section by
// a Recorder that has no engine and no thread, the engine section by a plain
// parser of the same layout (so no engine is made, no sample is loaded and
// no bundle is needed). What is printed is what a load would give.
//
// Threads: any one thread.
class DumpCommand {
public:
    // args: the words after "dump". Prints the JSON on `out` and returns 0; on
    // a bad command line prints the usage on `err` and returns 2; on a
    // missing, unreadable or damaged file prints one line on `err`,
    // "strumwell: cannot read 'FILE': <reason> (<code>)", and returns 1. The
    // file (or standard input, for "-") is read under the size limit of its
    // kind: a FIFO, a device or an endless pipe is refused, never waited on.
    static int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

    // The same from bytes in memory (tests, fuzzing). tabFile selects the
    // tab file layout. A failure prints its bare code ("Empty file",
    // "TabFailure-2", "RecorderFailure-1", ...) on `err`.
    static int dumpBuffer(const uint8_t* bytes, size_t size, bool tabFile, std::ostream& out,
                          std::ostream& err);

    static std::string usage();

private:
    // As dumpBuffer, with the failure's code in `failure` rather than printed.
    static int dumpBytes(const uint8_t* bytes, size_t size, bool tabFile, std::ostream& out,
                         std::string& failure);
};
