#pragma once
#include <iosfwd>
#include <string>
#include <vector>

// `strumwell import FILE -o OUT.TAB|OUT.SAV [--track N[,M]] [--list]` reads
// a Guitar Pro, MusicXML or Standard MIDI file (ScoreReader) and writes:
// - a tab file (OUT.TAB): one track laid out by TabArranger, the same bytes
//   the program's tab save writes;
// - a song (OUT.SAV, MIDI files only): up to two tracks played by guitars 1
//   and 2 (ScoreSong), the same bytes the program's song save writes.
// --list prints the file's tracks (number, name, instrument, tuning, notes)
// and writes nothing. Without --track a tab takes the first guitar track
// (else the first with notes), a song the first two (guitars first).
//
// OUT is written whole (a temporary file renamed over it): a refused file
// leaves nothing new behind and an existing OUT as it was.
//
// Threads: any one thread.
class ImportCommand {
public:
    // args: the words after "import". 0 on success; 1 when the file is
    // missing or refused (the reason on `err`) or OUT could not be written;
    // 2 on a bad command line.
    static int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

    static std::string usage();
};
