#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "storage/MidiExport.h"

// `strumwell export SONG -o OUT.mid [--all-effects] [--no-glide]`: writes a
// song or state file as a Standard MIDI File (see MidiExport for what goes
// in it).
//
// The file is read exactly as a load in the program reads it, with the same
// checks (a damaged tab or engine section fails the whole song, as it would
// in the program), without an engine, a sound device or a bundle. The MIDI
// file is written to a temporary file beside OUT and renamed over it, so a
// failure leaves nothing new behind and an existing OUT whole.
//
// Threads: any one thread.
class ExportCommand {
public:
    // args: the words after "export". 0 when the MIDI file was written; 1
    // when the song is missing or damaged (the reason on `err`) or OUT could
    // not be written; 2 on a bad command line.
    static int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

    static std::string usage();
};
